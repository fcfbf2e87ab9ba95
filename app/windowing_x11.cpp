// X11, and native Wayland through sdl12-compat: GLX or EGL contexts.
#include "app/windowing.h"

#include <cstdlib>
#include <cstring>

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

void prepare_windowing() {
  // The doily's capture helper works on a thread of its own through the same X connection;
  // Xlib must know before the connection is opened.
  XInitThreads();
  // Only an X11 or a Wayland window (the latter through sdl12-compat) can carry this OpenGL
  // context; without a choice, SDL falls back to drawing into the terminal (its text-mode
  // drivers) before failing. X11 where there is an X display, as under XWayland; Wayland where
  // there is only a compositor. A user's own choice still wins, except x11 without an X display,
  // which cannot work: sdl12-compat itself sets that choice when it is loaded.
  const char* x_display = std::getenv("DISPLAY");
  const char* wayland_display = std::getenv("WAYLAND_DISPLAY");
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  const bool only_wayland = (x_display == nullptr || *x_display == '\0') &&
                            wayland_display != nullptr && *wayland_display != '\0';
  if (only_wayland && (driver == nullptr || std::strcmp(driver, "x11") == 0))
    setenv("SDL_VIDEODRIVER", "wayland", 1);
  else
    setenv("SDL_VIDEODRIVER", "x11", 0);
}

// The X server, where there is one, is asked: a connection of its own for one request, once per
// change of focus.
bool escape_held_in_windowing() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  char down[32] = {};
  XQueryKeymap(display, down);
  const KeyCode escape = XKeysymToKeycode(display, XK_Escape);
  XCloseDisplay(display);
  return escape != 0 && ((down[escape / 8] >> (escape % 8)) & 1) != 0;
}

bool gl_context_is_indirect() {
  Display* display = glXGetCurrentDisplay();
  const GLXContext context = glXGetCurrentContext();
  return display && context && !glXIsDirect(display, context);
}

// On a context made through EGL (native Wayland, or no display at all) GLEW's GLX step fails for
// want of a GLX display, with every GL entry point already loaded.
bool gl_loader_failure_is_harmless(GLenum status) {
  return status == GLEW_ERROR_NO_GLX_DISPLAY && glXGetCurrentContext() == nullptr;
}
