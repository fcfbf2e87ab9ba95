// The bird cage: a round wire cage around the swan, two tiers of bars with rings, floor spokes and
// a dome of ribs. It makes the frame's fifth and last pass and holds most of the picture's
// triangles.
//
// Owns: the cage's shape and placement.
// May not: bind programs or draw; the frame's pass does that after build_cage returns.
#pragma once

constexpr float kCageRadius = 125;
constexpr float kCageTierHeight = 75;  // walls from y = 0 to 150, rings at 0, 75 and 150
constexpr float kCageWireRadius = 1;

// Appends the walls (floor spokes, bars, rings), then the dome's ribs.
void build_cage();
