// The arena as static data, for WebAssembly: the module's memory is reserved whole and zeroed as
// the page loads it, so static data costs nothing to set up, where mapping it at run time would
// grow the memory and clear it again (about a second of the page's start). Nothing is given back:
// WebAssembly memory does not shrink.
#include "geometry/arena.h"

namespace {

GeometryArena g_storage;

}  // namespace

GeometryArena& g_arena = g_storage;

void give_back_arena_pages() {}
