// The EGL context of a snapshot without a display.
#include "snapshot/headless.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/gl_floor.h"
#include "app/process.h"

namespace {

struct HeadlessState {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLContext context = EGL_NO_CONTEXT;
  // The connection that found the X display, kept for the run: an X server that sees its last
  // client leave resets, and would refuse the window's connection while it does.
  Display* x_display = nullptr;
};
HeadlessState g_headless;

// Where the address space or the open files are limited, the limit is the likely cause, not a
// missing driver.
bool fail(const char* what) {
  const unsigned error = static_cast<unsigned>(eglGetError());
  char limit[kLimitsTextSize];
  describe_limits(limit, sizeof limit);
  std::fprintf(
      stderr,
      "%s: no display (DISPLAY and WAYLAND_DISPLAY are unset or cannot be reached), and "
      "%s (EGL error 0x%04x)%s\n",
      program_name(), what, error,
      limit[0] != '\0' ? limit : ": set DISPLAY, or install Mesa's EGL driver (libegl-mesa0)");
  return false;
}

// Mesa's surfaceless platform needs no device at all; a device platform is the next best.
EGLDisplay headless_display() {
  const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  auto get_platform_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (client == nullptr || get_platform_display == nullptr) return EGL_NO_DISPLAY;
  if (lists_extension(client, "EGL_MESA_platform_surfaceless")) {
    const EGLDisplay display =
        get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) return display;
  }
  auto query_devices =
      reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
  if (lists_extension(client, "EGL_EXT_platform_device") && query_devices != nullptr) {
    EGLDeviceEXT device;
    EGLint found = 0;
    if (query_devices(1, &device, &found) && found == 1) {
      const EGLDisplay display = get_platform_display(EGL_PLATFORM_DEVICE_EXT, device, nullptr);
      if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) return display;
    }
  }
  return EGL_NO_DISPLAY;
}

bool wayland_socket_exists() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || *name == '\0') name = "wayland-0";
  std::string path = name;
  if (name[0] != '/') {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr) return false;
    path = std::string(runtime) + "/" + name;
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

}  // namespace

bool display_available() {
  const char* x = std::getenv("DISPLAY");
  if (x != nullptr && *x != '\0') {
    XInitThreads();  // before any other Xlib call: the capture helper shares the connection's Xlib
    g_headless.x_display = XOpenDisplay(nullptr);
    if (g_headless.x_display != nullptr) return true;
  }
  return wayland_socket_exists();
}

bool open_headless_context() {
  g_headless.display = headless_display();
  if (g_headless.display == EGL_NO_DISPLAY) return fail("no EGL display without one either");
  if (!lists_extension(eglQueryString(g_headless.display, EGL_EXTENSIONS),
                       "EGL_KHR_surfaceless_context"))
    return fail("its EGL display cannot make a context current without a surface");
  if (!eglBindAPI(EGL_OPENGL_API)) return fail("its EGL offers no desktop OpenGL");
  // No configuration: the picture goes into framebuffer objects, never into an EGL surface.
  EGLConfig config = nullptr;
  if (!lists_extension(eglQueryString(g_headless.display, EGL_EXTENSIONS),
                       "EGL_KHR_no_config_context")) {
    const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint found = 0;
    if (!eglChooseConfig(g_headless.display, wanted, &config, 1, &found) || found != 1)
      return fail("its EGL has no OpenGL configuration");
  }
  // No attributes: the compatibility profile the fixed-function calls need, at the driver's
  // highest version.
  g_headless.context = eglCreateContext(g_headless.display, config, EGL_NO_CONTEXT, nullptr);
  if (g_headless.context == EGL_NO_CONTEXT) return fail("its EGL gives no OpenGL context");
  if (!eglMakeCurrent(g_headless.display, EGL_NO_SURFACE, EGL_NO_SURFACE, g_headless.context))
    return fail("its OpenGL context cannot be made current");
  return load_gl_entry_points() && has_gl_floor();
}
