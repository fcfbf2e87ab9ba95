// Quads split on the diagonal from their second corner to their fourth.
#include "geometry/quads.h"

#include <cstdio>
#include <cstdlib>

int32_t split_quads(const uint32_t* quads, int32_t quad_entries, uint32_t* triangles) {
  if (quad_entries < 0 || quad_entries % kQuadEntries != 0) {
    std::fprintf(stderr,
                 "split_quads: %d entries are not a whole number of quads (%d corners each); "
                 "write quads with four entries each\n",
                 quad_entries, kQuadEntries);
    std::abort();
  }
  int32_t written = 0;
  for (int32_t q = 0; q < quad_entries; q += kQuadEntries) {
    const uint32_t* c = quads + q;
    const uint32_t split[kQuadTriangleEntries] = {c[0], c[1], c[3], c[1], c[2], c[3]};
    for (uint32_t entry : split) triangles[written++] = entry;
  }
  return written;
}
