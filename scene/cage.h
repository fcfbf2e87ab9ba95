// The bird cage: a round wire cage around the swan, two tiers of bars with rings, floor spokes and
// a dome of ribs. It makes the frame's fifth and last pass and holds most of the picture's
// triangles.
//
// Owns: the cage's shape and placement.
// May not: bind programs or draw; the frame's pass draws the ranges the builders return.
#pragma once

#include <cstdint>

#include "geometry/arena.h"
#include "geometry/tube.h"

constexpr float kCageRadius = 125;
constexpr float kCageTierHeight = 75;  // walls from y = 0 to 150, rings at 0, 75 and 150
constexpr float kCageWireRadius = 1;

// 20 positions around the cage carry bars, spokes and ribs.
constexpr int32_t kCagePositions = 20;
// Tier 0: spoke, bar, ring piece and floor ring piece per position; tier 1: bar and ring piece.
constexpr int32_t kCageWallSegments = (4 + 2) * kCagePositions;                        // 120
constexpr int32_t kDomeSegments = 200;                                                 // per rib
constexpr int32_t kCageSegments = kCageWallSegments + kDomeSegments * kCagePositions;  // 4,120
constexpr int32_t kCageVertices = kCageSegments * kTubeVertices;                       // 4,944,000
static_assert(kCageVertices <= kArenaVertexCapacity, "the cage must fit the arena");
static_assert(kCageVertices == 4944000,
              "a count of the picture changed: update the figures that quote it");

// Appends the cage's segments first .. first + count - 1 (of kCageSegments) at the write cursor
// and returns what it wrote. Building the cage in pieces gives the same records as building it
// whole.
ArenaRange build_cage_piece(int32_t first, int32_t count);

// Appends the walls (floor spokes, bars, rings), then the dome's ribs.
ArenaRange build_cage();
