// The table: five turned legs under a round rim, and the glass disc lying in the rim. They make
// the frame's first two passes.
//
// Owns: the table's and the glass top's shapes and placement.
// May not: bind programs or draw; the frame's passes do that after these return.
#pragma once

constexpr int kTableLegs = 5;
constexpr float kLegCircleRadius = 225;  // the legs' axes stand on this circle
constexpr float kGlassTopY = -2;         // also the rim's middle height

// Appends the five legs, then the rim.
void build_table();

// Appends one leg standing on the floor with its axis at (x, z).
void build_table_leg(float x, float z);

// Appends the glass disc: a flat double-sided tube segment of radius 200 at y = kGlassTopY.
void build_glass_top();
