// Sine and cosine that give the same bits on every platform: the C libraries' differ in the last
// bit here and there (glibc's from MinGW's, say), which would move the picture's coordinates and
// its fingerprints from one platform to the next. IEEE arithmetic alone: a reduction by pi/2 in
// three parts, then Taylor polynomials, no tables.
//
// Owns: portable_sin, portable_cos. May not: call the C library's trigonometry.
#pragma once

// Past this magnitude the reduction's multiples of pi/2 no longer multiply its first part exactly.
constexpr double kPortableTrigLargest = 823549.0;

// sin x and cos x for |x| <= kPortableTrigLargest, within 2 units in the last place of the exact
// value: the reduced argument is off the exact one by at most half a unit in its last place, and
// the polynomials' own error is below 2^-60 of the result. Abort, with the argument named, for
// any other x (the picture's arguments are all below 100).
double portable_sin(double x);
double portable_cos(double x);
