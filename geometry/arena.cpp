// The arena's span and its capacity check. Its storage (g_arena, give_back_arena_pages) is the
// platform's: arena_storage_mmap.cpp or arena_storage_static.cpp, as the build picks.
#include "geometry/arena.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>

void map_arena_span(int32_t records) {
  constexpr size_t kPageBytes =
      4096;  // the smallest page size: every page, huge or not, is reached
  const auto touch = [](void* start, size_t bytes) {
    char* const first = static_cast<char*>(start);
    for (size_t offset = 0; offset < bytes; offset += kPageBytes)
      __atomic_fetch_add(first + offset, 0, __ATOMIC_RELAXED);
  };
  touch(g_arena.vertices, sizeof(Vertex) * static_cast<size_t>(records));
  touch(g_arena.indices, sizeof(uint32_t) * static_cast<size_t>(records));
}

void arena_reserve(int64_t vertices) {
  const int64_t needed = g_arena.count + vertices;
  if (needed > kArenaVertexCapacity) {
    std::fprintf(stderr,
                 "geometry arena: verts > MAX (%lld > %d); raise kArenaVertexCapacity or emit "
                 "fewer primitives\n",
                 static_cast<long long>(needed), kArenaVertexCapacity);
    std::abort();
  }
}
