// The arena's storage, its capacity check and its one draw call.
#include "geometry/arena.h"

#include <cstdio>
#include <cstdlib>

#include <GL/glew.h>

GeometryArena g_arena;

void arena_reserve(int32_t vertices) {
  const int64_t needed = static_cast<int64_t>(g_arena.count) + vertices;
  if (needed > kArenaVertexCapacity) {
    std::fprintf(stderr,
                 "geometry arena: verts > MAX (%lld > %d); raise kArenaVertexCapacity or emit "
                 "fewer primitives\n",
                 static_cast<long long>(needed), kArenaVertexCapacity);
    std::abort();
  }
}

void draw_all_triangles() {
  glDrawElements(GL_TRIANGLES, g_arena.count, GL_UNSIGNED_INT, g_arena.indices);
}
