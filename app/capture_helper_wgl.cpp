// The helper on WGL (Windows, and Wine).
//
// GL context discipline. The window's context is current on the main thread only, for the whole
// run. The helper's context is current only on a line's thread beside, from its first piece to its
// last, and is released before that thread ends (pipeline/piece_line.h: the place's enter and
// leave). The two contexts share objects; what they share in use are the buffers the pieces write,
// in disjoint ranges, and each binds the line's inputs itself. Object changes cross between them
// the ways GL orders them: what the helper reads is made by the window's context before a fence
// that the helper's GL waits on; a piece the helper hands over carries a fence of its own, which
// the window's context waits on (glWaitSync) before it draws from it; and the helper finishes
// (glFinish) before it releases its context, after which the window's context may bind anything
// the helper wrote.
//
// A WGL context is made for a device context that has a pixel format, and a window's is the one
// every WGL offers (pbuffers are an extension): the helper has a hidden 1x1 window of its own, of a
// window class of its own, made and destroyed on the main thread (a window belongs to the thread
// that makes it).
//
// Owns: the helper's window, its window class, its WGL context, the 1x1 framebuffer it captures
// with where its window's is unusable, and the copy of the program it makes pieces with. May not:
// make the window's context current, change the window's pixel format, write to the arena, or
// outlive the frame: close_helper gives it all back.
#include "app/capture_helper.h"

#include <windows.h>

#include <GL/wglew.h>

#include "shading/programs.h"

namespace {

// Registered at the frame's first line on the helper and unregistered at its end, so no class of
// the program's outlives the frame either.
constexpr wchar_t kHelperWindowClass[] = L"swancage capture helper";
// The helper draws nothing, it only captures: the smallest window there is.
constexpr int kHelperWindowSize = 1;
// Entries in the attribute list handed to wglCreateContextAttribsARB: three pairs (version major,
// version minor, profile) and the closing zero.
constexpr int kContextAttributeSlots = 7;

// The helper of the frame being drawn: made at its first line, destroyed at the frame's end.
struct HelperState {
  bool tried = false;  // made, or found impossible, for this frame
  HINSTANCE instance = nullptr;
  bool registered = false;  // kHelperWindowClass
  HWND window = nullptr;    // hidden, never shown
  // The window's class is CS_OWNDC: this device context is the window's own, for its whole life,
  // and goes with it; it is never released.
  HDC dc = nullptr;
  HGLRC context = nullptr;  // shares objects with the window's context
  // A 1x1 framebuffer and its colour, made by a line's enter and deleted by its leave where the
  // hidden window's own framebuffer is incomplete (GL then refuses every draw, capture included).
  // The renderbuffer is shared with the window's context, so it is deleted by name rather than
  // left to go with the helper's context.
  GLuint framebuffer = 0;
  GLuint colour = 0;
};
HelperState g_helper;

// Gives back whatever of the helper was made, in the reverse order, and forgets it.
void destroy_helper() {
  if (g_helper.context != nullptr) wglDeleteContext(g_helper.context);
  if (g_helper.window != nullptr) DestroyWindow(g_helper.window);
  if (g_helper.registered) UnregisterClassW(kHelperWindowClass, g_helper.instance);
  g_helper = {};
}

// The hidden window, its class registered first. False, with the class left for destroy_helper,
// where either cannot be had.
bool make_hidden_window() {
  g_helper.instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  // A device context of the window's own: the pixel format set on it stays with the window, and
  // the helper's thread may make the context current on it while the main thread pumps messages.
  window_class.style = CS_OWNDC;
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = g_helper.instance;
  window_class.lpszClassName = kHelperWindowClass;
  if (RegisterClassExW(&window_class) == 0) return false;
  g_helper.registered = true;
  // WS_POPUP: no frame and no caption, so the client area is the 1x1 asked for; never shown.
  g_helper.window =
      CreateWindowExW(0, kHelperWindowClass, L"", WS_POPUP, 0, 0, kHelperWindowSize,
                      kHelperWindowSize, nullptr, nullptr, g_helper.instance, nullptr);
  if (g_helper.window == nullptr) return false;
  g_helper.dc = GetDC(g_helper.window);
  return g_helper.dc != nullptr;
}

// The pixel format of the window's device context, set on the helper's. Contexts share objects
// only where the driver can draw both, which the same format assures.
bool copy_pixel_format(HDC window_dc) {
  const int format = GetPixelFormat(window_dc);
  if (format == 0) return false;
  PIXELFORMATDESCRIPTOR description = {};
  if (DescribePixelFormat(window_dc, format, sizeof description, &description) == 0) return false;
  return SetPixelFormat(g_helper.dc, format, &description) == TRUE;
}

// The attributes that ask for a context of the current one's GL version and profile. Without
// them wglCreateContextAttribsARB makes a 1.0 context, which a driver may make of a profile of its
// own choosing. The version can be asked from GL 3.0 on and the profile from GL 3.2 on; below,
// the version asked is 1.0, which gives the same kind of context the window's is.
void current_version_attributes(int (&attributes)[kContextAttributeSlots]) {
  GLint major = 1, minor = 0, profile = 0;
  if (GLEW_VERSION_3_0) {
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
  }
  if (GLEW_VERSION_3_2) glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
  int slot = 0;
  attributes[slot++] = WGL_CONTEXT_MAJOR_VERSION_ARB;
  attributes[slot++] = major;
  attributes[slot++] = WGL_CONTEXT_MINOR_VERSION_ARB;
  attributes[slot++] = minor;
  if (profile != 0 && WGLEW_ARB_create_context_profile) {
    attributes[slot++] = WGL_CONTEXT_PROFILE_MASK_ARB;
    attributes[slot++] = (profile & GL_CONTEXT_CORE_PROFILE_BIT) != 0
                             ? WGL_CONTEXT_CORE_PROFILE_BIT_ARB
                             : WGL_CONTEXT_COMPATIBILITY_PROFILE_BIT_ARB;
  }
  attributes[slot] = 0;
}

// A context on the helper's device context sharing objects with `shared`, the current one. Null
// where the driver refuses.
HGLRC make_shared_context(HGLRC shared) {
  if (WGLEW_ARB_create_context && wglCreateContextAttribsARB != nullptr) {
    int attributes[kContextAttributeSlots] = {};
    current_version_attributes(attributes);
    return wglCreateContextAttribsARB(g_helper.dc, shared, attributes);
  }
  // Without WGL_ARB_create_context the context is made alone and joined to the window's objects
  // after, which a driver allows only while the new context has none of its own: right away.
  const HGLRC context = wglCreateContext(g_helper.dc);
  if (context == nullptr) return nullptr;
  if (wglShareLists(shared, context) == TRUE) return context;
  wglDeleteContext(context);
  return nullptr;
}

// The helper's window and context, for the window's context current on this thread. False, with
// nothing of them left, where any part cannot be had.
bool make_helper() {
  const HGLRC shared = wglGetCurrentContext();
  const HDC window_dc = wglGetCurrentDC();
  if (shared == nullptr || window_dc == nullptr) return false;
  if (!make_hidden_window() || !copy_pixel_format(window_dc) ||
      (g_helper.context = make_shared_context(shared)) == nullptr) {
    destroy_helper();
    return false;
  }
  return true;
}

// A complete 1x1 framebuffer of the helper's own, bound for drawing (framebuffer objects are not
// shared between contexts, so the window's cannot be borrowed).
void make_tiny_framebuffer() {
  glGenRenderbuffers(1, &g_helper.colour);
  glBindRenderbuffer(GL_RENDERBUFFER, g_helper.colour);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kHelperWindowSize, kHelperWindowSize);
  glGenFramebuffers(1, &g_helper.framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, g_helper.framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, g_helper.colour);
}

void delete_tiny_framebuffer() {
  if (g_helper.framebuffer == 0) return;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &g_helper.framebuffer);
  glDeleteRenderbuffers(1, &g_helper.colour);
  g_helper.framebuffer = g_helper.colour = 0;
}

// A hidden window's default framebuffer is complete on Windows, where only the pixel ownership
// test fails; a driver may still give a never-shown window no drawable at all. Where the GL has no
// framebuffer objects to ask with, the default one is all there is.
bool default_framebuffer_usable() {
  if (glCheckFramebufferStatus == nullptr) return true;
  return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

// The place's enter, on the line's thread: the helper current, its copy of the program bound and
// the inputs bound, once its GL has waited for `ready`. False, with nothing current, where it
// cannot.
bool enter_helper(void* place) {
  HelperRun& run = *static_cast<HelperRun*>(place);
  if (wglMakeCurrent(g_helper.dc, g_helper.context) != TRUE) return false;
  if (!default_framebuffer_usable()) make_tiny_framebuffer();
  run.copy = link_program_copy(run.program);
  if (run.copy == 0) {
    delete_tiny_framebuffer();
    wglMakeCurrent(nullptr, nullptr);
    return false;
  }
  glWaitSync(run.ready, 0, GL_TIMEOUT_IGNORED);
  glUseProgram(run.copy);
  if (run.bind_inputs != nullptr) run.bind_inputs();
  return true;
}

// The place's leave: everything the helper did is finished before its context is released.
void leave_helper(void* place) {
  HelperRun& run = *static_cast<HelperRun*>(place);
  glFinish();
  glUseProgram(0);
  glDeleteProgram(run.copy);
  run.copy = 0;
  delete_tiny_framebuffer();
  wglMakeCurrent(nullptr, nullptr);
}

// Made at the frame's first line on the helper, for the window context current then.
bool have_helper() {
  if (!g_helper.tried) {
    make_helper();  // which forgets everything on failure, `tried` included
    g_helper.tried = true;
  }
  return g_helper.context != nullptr;
}

}  // namespace

bool start_line_on_helper(PieceLine* line, HelperRun* run) {
  // Sync objects (GL 3.2) let the helper wait for what it reads; without them it is not used.
  if (!lines_run_beside() || run->ready == nullptr || !have_helper()) return false;
  const BesidePlace place = {enter_helper, leave_helper, run};
  return start_line_beside(line, &place);
}

void close_helper() {
  destroy_helper();
}
