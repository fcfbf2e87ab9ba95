// The swan: a body of stacked tetrahedron rings and a neck of single tetrahedra along a curve,
// all laid out by four byte tables. It makes the frame's fourth pass.
//
// Owns: the swan's tables, shape and placement.
// May not: bind programs or draw; the frame's pass draws the range build_swan_body returns.
#pragma once

#include <cstdint>

#include "geometry/arena.h"
#include "geometry/tetra.h"

constexpr int kSwanBodyRows = 17;
constexpr int kSwanSweepsPerRow = 3;
constexpr int kSwanNeckPieces = 24;

// Rows 0-4: full rings, every other one turned by half a sector. Rows 5-6: a gap at +X for the
// neck. Rows 7-16: sweeps 0 and 1 are the wings, one sector narrower each row; sweep 2 of rows 7-9
// is the tail. Every sector spans 8 steps (12 degrees).
// Per body row: the sector counts of its three sweeps.
inline constexpr uint8_t kBodySectorCounts[kSwanBodyRows][kSwanSweepsPerRow] = {
    {30, 0, 0},   // row 0: full ring
    {30, 0, 0},   // row 1
    {30, 0, 0},   // row 2
    {30, 0, 0},   // row 3
    {30, 0, 0},   // row 4
    {27, 0, 0},   // row 5: gap for the neck
    {26, 0, 0},   // row 6
    {10, 10, 3},  // row 7: wing, wing, tail
    {9, 9, 2},    // row 8
    {8, 8, 1},    // row 9
    {7, 7, 0},    // row 10: wings only
    {6, 6, 0},    // row 11
    {5, 5, 0},    // row 12
    {4, 4, 0},    // row 13
    {3, 3, 0},    // row 14
    {2, 2, 0},    // row 15
    {1, 1, 0},    // row 16
};
// Per body row: start angles of sweeps 0, 1, 2, then their end angles, in 1/240 of a turn.
// Unsigned: 244 is 6 steps past a full turn.
extern const uint8_t kBodyAngles[kSwanBodyRows][2 * kSwanSweepsPerRow];
// The neck's spine, (x, y) per piece, in the vertical plane through +X.
extern const uint8_t kNeckCurve[kSwanNeckPieces][2];
// Each neck piece's tilt in 1/240 of a turn. Unsigned: 227 is 340.5 degrees.
extern const uint8_t kNeckAngles[kSwanNeckPieces];

constexpr int32_t body_tetrahedra() {
  int32_t n = 0;
  for (const auto& row : kBodySectorCounts)
    for (uint8_t count : row) n += count;
  return n;
}
constexpr int32_t kSwanBodyTetrahedra = body_tetrahedra();  // 319
constexpr int32_t kSwanNeckVertices = kSwanNeckPieces * kTetraVertices;
constexpr int32_t kSwanVertices = kSwanBodyTetrahedra * kTetraVertices + kSwanNeckVertices;
static_assert(kSwanVertices <= kArenaVertexCapacity, "the swan must fit the arena");
static_assert(kSwanVertices == 4116,
              "a count of the picture changed: update the figures that quote it");

// Appends the 17 body rows, then the neck at its place on the body; returns what it wrote.
ArenaRange build_swan_body();

// Appends the 24 neck pieces, the spine shifted by (ox, oy, oz); returns what it wrote.
ArenaRange build_swan_neck(float ox, float oy, float oz);
