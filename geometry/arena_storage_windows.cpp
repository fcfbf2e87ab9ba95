// The arena in address space reserved and committed as the program loads: Windows gives the pages
// zero-filled, and backs them with memory only as they are first touched. Once the picture is
// drawn they are decommitted and committed again, which hands their memory back.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "geometry/arena.h"

namespace {

constexpr int kNoArenaStatus = 1;

GeometryArena& reserve_arena() {
  void* start =
      VirtualAlloc(nullptr, sizeof(GeometryArena), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (start == nullptr) {
    std::fprintf(stderr,
                 "swancage: cannot reserve %zu MB of address space for the geometry (Windows error "
                 "%lu): allow the program more memory\n",
                 sizeof(GeometryArena) >> 20, GetLastError());
    std::_Exit(kNoArenaStatus);
  }
  return *static_cast<GeometryArena*>(start);
}

}  // namespace

GeometryArena& g_arena = reserve_arena();

void give_back_arena_pages() {
  VirtualFree(&g_arena, sizeof g_arena, MEM_DECOMMIT);
  VirtualAlloc(&g_arena, sizeof g_arena, MEM_COMMIT, PAGE_READWRITE);
}
