// The swan's body rows and neck.
#include "scene/swan.h"

#include "geometry/float_trig.h"
#include "geometry/tetra.h"

const uint8_t kBodyAngles[kSwanBodyRows][2 * kSwanSweepsPerRow] = {
    // starts       ends
    {4, 0, 0, 244, 0, 0},           // row 0
    {0, 0, 0, 240, 0, 0},           // row 1
    {4, 0, 0, 244, 0, 0},           // row 2
    {0, 0, 0, 240, 0, 0},           // row 3
    {4, 0, 0, 244, 0, 0},           // row 4
    {16, 0, 0, 232, 0, 0},          // row 5
    {20, 0, 0, 228, 0, 0},          // row 6
    {24, 144, 112, 104, 224, 136},  // row 7
    {28, 148, 116, 100, 220, 132},  // row 8
    {32, 152, 120, 96, 216, 128},   // row 9
    {36, 156, 0, 92, 212, 0},       // row 10
    {40, 160, 0, 88, 208, 0},       // row 11
    {44, 164, 0, 84, 204, 0},       // row 12
    {48, 168, 0, 80, 200, 0},       // row 13
    {52, 172, 0, 76, 196, 0},       // row 14
    {56, 176, 0, 72, 192, 0},       // row 15
    {60, 180, 0, 68, 188, 0},       // row 16
};

// From the base, up and forward, back over the top and down to the head.
const uint8_t kNeckCurve[kSwanNeckPieces][2] = {
    {8, 0},   {17, 5},  {26, 11}, {32, 18},  {36, 27},  {39, 35},  {40, 46},  {39, 54},
    {37, 64}, {34, 73}, {29, 82}, {24, 89},  {18, 98},  {12, 105}, {6, 113},  {2, 122},
    {0, 132}, {1, 142}, {4, 150}, {10, 156}, {17, 160}, {25, 162}, {35, 161}, {45, 157},
};

const uint8_t kNeckAngles[kSwanNeckPieces] = {
    227, 0,  6,  17, 32, 35, 39, 45, 50,  56,  62,  63,  //
    64,  63, 57, 50, 39, 27, 19, 7,  232, 223, 207, 195,
};

namespace {

// Body rows 0-7 sit on a quarter circle (the bowl), rows 8-16 climb while drawing in.
constexpr int kSwanBowlRows = 8;
constexpr int kBowlStepsPerHalfTurn = 16;
constexpr float kBowlRadius = 50;
constexpr float kBowlCentreX = 24;  // row 0's centre: radius 24, height 20
constexpr float kBowlBaseY = 20;
constexpr int kBackStepsPerHalfTurn = 10;
constexpr float kBackSwing = 20;
constexpr float kBackCentreX = 54;
constexpr double kBackRowsPerRise = 6;
constexpr double kBackRise = 50;
constexpr double kBackBaseY = 20;

// Each row's cross-section: a right triangle with legs of this length, turned 8 degrees further
// every row so neighbouring rows' feathers overlap at different slants.
constexpr float kSectionSize = 20;
constexpr int kSectionTurnDegreesPerRow = 8;

// The neck rises from the gap that rows 5 and 6 leave at +X.
constexpr float kNeckOffsetX = 45;
constexpr float kNeckOffsetY = 32.5f;
constexpr float kNeckOffsetZ = 0;
constexpr float kNeckPieceLength = 20;
// Half the neck's thickness, tapering from 8 at the base to 2.25 at the head.
constexpr double kNeckHalfThicknessScale = 20;
constexpr double kNeckHalfThicknessBase = 0.4;
constexpr double kNeckTaperPieces = 80;

}  // namespace

//   height                   Row i's cross-section in the (radius, height) plane, swept round
//     |       R = (X+C, Y+S)  the axis by up to three sweeps: M = (X, Y) on the row's curve,
//     |      /                N and R 20 away from it in perpendicular directions,
//     |  M = (X, Y)           (S, C) = 20 (sin, cos)(8 i degrees).
//     |      \                .
//     |       N = (X+S, Y-C)  319 tetrahedra * 12 = 3,828 vertices, then the neck.
//     +------------- radius
ArenaRange build_swan_body() {
  const int32_t start = g_arena.count;
  for (int i = 0; i < kSwanBodyRows; ++i) {
    float x, y;
    if (i < kSwanBowlRows) {
      const double phi = i * kPi / kBowlStepsPerHalfTurn;
      x = kBowlRadius * sin_f(phi) + kBowlCentreX;
      y = kBowlRadius * (1 - cos_f(phi)) + kBowlBaseY;
    } else {
      const double psi = (i - kSwanBowlRows) * kPi / kBackStepsPerHalfTurn + kPi / 2;
      x = kBackSwing * sin_f(psi) + kBackCentreX;
      y = static_cast<float>(kBackRise * ((i - kSwanBowlRows) / kBackRowsPerRise + 1) + kBackBaseY);
    }
    const double beta = i * kPi * kSectionTurnDegreesPerRow / 180;
    const float s = kSectionSize * sin_f(beta);
    const float c = kSectionSize * cos_f(beta);
    for (int j = 0; j < kSwanSweepsPerRow; ++j) {
      sweep_tetra_ring(x, y, x + s, y - c, x + c, y + s, kBodySectorCounts[i][j], kBodyAngles[i][j],
                       kBodyAngles[i][j + kSwanSweepsPerRow]);
    }
  }
  build_swan_neck(kNeckOffsetX, kNeckOffsetY, kNeckOffsetZ);
  return triangles_since(start, g_arena.count);
}

//        X,Y (z = oz -+ h)      Piece i: spine point V, W 20 below it across the tilt alpha, X
//         |\                    and Y 20 along the tilt, either side of the vertical plane.
//         | \                   Tetrahedron (W, V, X, Y).
//    V ---+  \                  .
//     \      |                  24 tetrahedra * 12 = 288 vertices.
//      W ----+
ArenaRange build_swan_neck(float ox, float oy, float oz) {
  const int32_t start = g_arena.count;
  for (int i = 0; i < kSwanNeckPieces; ++i) {
    const float alpha = sweep_steps_to_radians(kNeckAngles[i]);
    const float c = cos_f(alpha);
    const float s = sin_f(alpha);
    const Point3 v = {kNeckCurve[i][0] + ox, kNeckCurve[i][1] + oy, oz};
    const Point3 w = v + kNeckPieceLength * Point3{s, -c, 0};
    const float h = static_cast<float>(kNeckHalfThicknessScale *
                                       (kNeckHalfThicknessBase - i / kNeckTaperPieces));
    const float tip_x = v.x + kNeckPieceLength * c;
    const float tip_y = v.y + kNeckPieceLength * s;
    emit_tetrahedron(w, v, {tip_x, tip_y, oz - h}, {tip_x, tip_y, oz + h});
  }
  return triangles_since(start, g_arena.count);
}
