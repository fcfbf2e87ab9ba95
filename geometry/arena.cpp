// The arena's storage and its capacity check.
#include "geometry/arena.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr size_t kHugePageBytes = 2 * 1024 * 1024;

}  // namespace

// Aligned to a huge page so the kernel can back it with huge pages (see below).
alignas(kHugePageBytes) GeometryArena g_arena;

namespace {

// The frame touches the arena's reused span (about 11 MB: two tube pieces' records and index
// entries) once, page by page. With 4 KB pages that is some 2,600 page faults; asking for huge
// pages before anything is written cuts them to a handful. Where the kernel offers none this does
// nothing, and the arena works the same either way.
const int g_huge_pages_requested = madvise(&g_arena, sizeof g_arena, MADV_HUGEPAGE);

}  // namespace

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

void give_back_arena_pages() {
  madvise(&g_arena, sizeof g_arena, MADV_DONTNEED);
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
