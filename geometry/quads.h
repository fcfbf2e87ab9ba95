// Quads as triangles, for a GL that draws no quads (WebGL 2).
//
// Owns: the diagonal each quad is split on. May not: allocate; the caller gives room for six
// entries per quad.
#pragma once

#include <cstdint>

constexpr int32_t kQuadEntries = 4;          // a quad's corners
constexpr int32_t kQuadTriangleEntries = 6;  // its two triangles'

// Writes triangles (a, b, d) and (b, c, d) for each quad (a, b, c, d) of `quads` into `triangles`
// and returns the entries written: the diagonal from the second corner to the fourth, in the order
// Mesa's drivers split GL_QUADS drawn from an element buffer (as the doily's are), so that colours
// interpolate across each quad to the same pixels as natively. The winding is the quad's.
// `quad_entries` must be a whole number of quads.
int32_t split_quads(const uint32_t* quads, int32_t quad_entries, uint32_t* triangles);
