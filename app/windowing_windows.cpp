// Windows: SDL 1.2's own window driver and WGL contexts.
#include "app/windowing.h"

#include <windows.h>

#include <SDL.h>

// The programs have their own main, not SDL's: SDL must be told which module its window class
// belongs to.
void prepare_windowing() {
  SDL_SetModuleHandle(GetModuleHandle(nullptr));
}

bool escape_held_in_windowing() {
  constexpr SHORT kDown = static_cast<SHORT>(0x8000);
  return (GetAsyncKeyState(VK_ESCAPE) & kDown) != 0;
}

bool gl_context_is_indirect() {
  return false;
}

bool gl_loader_failure_is_harmless(GLenum) {
  return false;
}
