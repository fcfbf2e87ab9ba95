// The arena in address space reserved as the program loads, whose pages the kernel maps as they
// are first touched and takes back when they are given back.
#include <errno.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "geometry/arena.h"

namespace {

constexpr size_t kHugePageBytes = 2 * 1024 * 1024;
constexpr int kNoArenaStatus = 1;

// The arena's address space, reserved as the program loads: zero-filled and touched by nobody
// yet, like process data, but a limit too small for it (ulimit -v) is said in one line rather than
// felt as the kernel's SIGSEGV before main. Aligned to a huge page so that the kernel can back it
// with huge pages: the frame touches the arena's reused span (about 11 MB) once, page by page,
// some 2,600 faults with 4 KB pages and a handful with huge pages. Where the kernel offers none
// the advice does nothing, and the arena works the same either way.
GeometryArena& reserve_arena() {
  const size_t bytes = sizeof(GeometryArena) + kHugePageBytes;
  void* start = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (start == MAP_FAILED) {
    const int error = errno;
    char limit[96] = "";
    struct rlimit address_space;
    if (getrlimit(RLIMIT_AS, &address_space) == 0 && address_space.rlim_cur != RLIM_INFINITY)
      std::snprintf(limit, sizeof limit, "; the address space is limited to %llu MB (ulimit -v)",
                    static_cast<unsigned long long>(address_space.rlim_cur >> 20));
    std::fprintf(stderr,
                 "%s: cannot reserve %zu MB of address space for the geometry: %s%s: allow more\n",
                 program_invocation_short_name, bytes >> 20, std::strerror(error), limit);
    _exit(kNoArenaStatus);
  }
  const uintptr_t aligned =
      (reinterpret_cast<uintptr_t>(start) + kHugePageBytes - 1) & ~uintptr_t(kHugePageBytes - 1);
  madvise(reinterpret_cast<void*>(aligned), sizeof(GeometryArena), MADV_HUGEPAGE);
  return *reinterpret_cast<GeometryArena*>(aligned);
}

}  // namespace

GeometryArena& g_arena = reserve_arena();

void give_back_arena_pages() {
  madvise(&g_arena, sizeof g_arena, MADV_DONTNEED);
}
