// The table: five turned legs under a round rim, and the glass disc lying in the rim. They make
// the frame's first two passes.
//
// Owns: the table's and the glass top's shapes and placement.
// May not: bind programs or draw; the frame's passes draw the ranges these return.
#pragma once

#include <cstdint>

#include "geometry/arena.h"
#include "geometry/tube.h"

constexpr int kTableLegs = 5;
constexpr float kLegCircleRadius = 225;  // the legs' axes stand on this circle
constexpr float kGlassTopY = -2;         // also the rim's middle height

// The table is a list of tube segments: leg 0's 199 from the foot up, then legs 1 to 4, then the
// rim's 200.
constexpr int32_t kLegSegments = 199;
constexpr int32_t kRimSegments = 200;
constexpr int32_t kTableSegments = kTableLegs * kLegSegments + kRimSegments;  // 1,195
constexpr int32_t kTableVertices = kTableSegments * kTubeVertices;            // 1,434,000
static_assert(kTableVertices <= kArenaVertexCapacity, "the table must fit the arena");
static_assert(kTableVertices == 1434000,
              "a count of the picture changed: update the figures that quote it");

constexpr int32_t kGlassTopVertices = kTubeVertices;  // one segment
static_assert(kGlassTopVertices <= kArenaVertexCapacity, "the glass top must fit the arena");
static_assert(kGlassTopVertices == 1200,
              "a count of the picture changed: update the figures that quote it");

// Appends the table's segments first .. first + count - 1 (of kTableSegments) at the write cursor
// and returns what it wrote. Building the table in pieces gives the same records as building it
// whole.
ArenaRange build_table_piece(int32_t first, int32_t count);

// Appends the five legs, then the rim.
ArenaRange build_table();

// Appends the glass disc: a flat double-sided tube segment of radius 200 at y = kGlassTopY.
ArenaRange build_glass_top();
