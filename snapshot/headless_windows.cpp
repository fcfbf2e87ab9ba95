// The snapshot on Windows draws with no window shown, always: a hidden window carries its GL
// context, and the picture goes into the snapshot's own framebuffer objects, so nothing flashes
// on the user's desktop while a PNG is made.
//
// Owns: the hidden window, its class and its WGL context, for the run. May not: show the window or
// draw into it.
#include <windows.h>

#include <cstdio>

#include "app/gl_floor.h"
#include "app/process.h"
#include "shading/gl.h"
#include "snapshot/headless.h"

namespace {

constexpr wchar_t kWindowClass[] = L"swancage-snapshot";
constexpr BYTE kColourBits = 32, kDepthBits = 24;

bool fail(const char* what) {
  std::fprintf(stderr, "%s: cannot %s for drawing with no window shown (Windows error %lu)\n",
               program_name(), what, GetLastError());
  return false;
}

}  // namespace

bool display_available() {
  return false;
}

bool open_headless_context() {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSW window_class = {};
  window_class.style = CS_OWNDC;  // the context keeps its device context for the run
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = module;
  window_class.lpszClassName = kWindowClass;
  if (RegisterClassW(&window_class) == 0) return fail("register a window class");
  const HWND window = CreateWindowExW(0, kWindowClass, kWindowClass, WS_POPUP, 0, 0, 1, 1, nullptr,
                                      nullptr, module, nullptr);
  if (window == nullptr) return fail("make a hidden window");
  const HDC device = GetDC(window);
  PIXELFORMATDESCRIPTOR wanted = {};
  wanted.nSize = sizeof wanted;
  wanted.nVersion = 1;
  wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  wanted.iPixelType = PFD_TYPE_RGBA;
  wanted.cColorBits = kColourBits;
  wanted.cDepthBits = kDepthBits;
  wanted.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(device, &wanted);
  if (format == 0 || !SetPixelFormat(device, format, &wanted))
    return fail("find an OpenGL pixel format");
  const HGLRC context = wglCreateContext(device);
  if (context == nullptr || !wglMakeCurrent(device, context)) return fail("make an OpenGL context");
  return load_gl_entry_points() && has_gl_floor();
}
