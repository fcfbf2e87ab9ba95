// The swan: a body of stacked tetrahedron rings and a neck of single tetrahedra along a curve,
// all laid out by four byte tables. It makes the frame's fourth pass.
//
// Owns: the swan's tables, shape and placement.
// May not: bind programs or draw; the frame's pass does that after build_swan_body returns.
#pragma once

#include <cstdint>

constexpr int kSwanBodyRows = 17;
constexpr int kSwanSweepsPerRow = 3;
constexpr int kSwanNeckPieces = 24;

// Per body row: the sector counts of its three sweeps.
extern const uint8_t kBodySectorCounts[kSwanBodyRows][kSwanSweepsPerRow];
// Per body row: start angles of sweeps 0, 1, 2, then their end angles, in 1/240 of a turn.
// Unsigned: 244 is 6 steps past a full turn.
extern const uint8_t kBodyAngles[kSwanBodyRows][2 * kSwanSweepsPerRow];
// The neck's spine, (x, y) per piece, in the vertical plane through +X.
extern const uint8_t kNeckCurve[kSwanNeckPieces][2];
// Each neck piece's tilt in 1/240 of a turn. Unsigned: 227 is 340.5 degrees.
extern const uint8_t kNeckAngles[kSwanNeckPieces];

// Appends the 17 body rows, then the neck at its place on the body.
void build_swan_body();

// Appends the 24 neck pieces, the spine shifted by (ox, oy, oz).
void build_swan_neck(float ox, float oy, float oz);
