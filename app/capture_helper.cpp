// The helper on GLX (X11) or EGL (Wayland, or no display).
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
// the helper wrote. Xlib is shared between the threads, which XInitThreads (called before the
// window is opened) makes safe.
#include "app/capture_helper.h"

#include <EGL/egl.h>
#include <GL/glx.h>

#include "app/gl_floor.h"
#include "shading/programs.h"

namespace {

// The window's context is a GLX one under X11, an EGL one under native Wayland and in the
// snapshot without a display; the helper is made the same way as the context it shares with.
enum class ContextKind { kNone, kGlx, kEgl };

// The helper of the frame being drawn: made at its first line, destroyed at the frame's end.
struct HelperState {
  ContextKind kind = ContextKind::kNone;
  bool tried = false;            // made, or found impossible, for this frame
  Display* display = nullptr;    // GLX
  GLXContext context = nullptr;  // GLX; shares objects with the window's context
  GLXPbuffer pbuffer = 0;        // GLX, 1x1: the helper draws nothing, it only captures
  EGLDisplay egl_display = EGL_NO_DISPLAY;
  EGLContext egl_context = EGL_NO_CONTEXT;
  EGLSurface egl_surface = EGL_NO_SURFACE;  // none where EGL_KHR_surfaceless_context is offered
  // Without a surface the helper's default framebuffer is incomplete, and GL refuses every draw,
  // capture included: the helper draws into a 1x1 framebuffer object of its own instead. It goes
  // with the context.
  GLuint framebuffer = 0;
  // A driver may refuse a pbuffer or a shared context with an X error rather than a null result;
  // Xlib's default handler would end the process. While the helper is made, errors are only noted.
  bool x_error = false;
};
HelperState g_helper;

int note_x_error(Display*, XErrorEvent*) {
  g_helper.x_error = true;
  return 0;
}

bool make_glx_helper_context() {
  Display* display = glXGetCurrentDisplay();
  GLXContext shared = glXGetCurrentContext();
  if (display == nullptr || shared == nullptr) return false;
  int screen = 0;
  if (glXQueryContext(display, shared, GLX_SCREEN, &screen) != Success) return false;
  const int wanted[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, None};
  int found = 0;
  GLXFBConfig* configs = glXChooseFBConfig(display, screen, wanted, &found);
  if (configs == nullptr) return false;
  if (found == 0) {
    XFree(configs);
    return false;
  }
  const int size[] = {GLX_PBUFFER_WIDTH, 1, GLX_PBUFFER_HEIGHT, 1, None};
  XSync(display, False);
  g_helper.x_error = false;
  const XErrorHandler previous = XSetErrorHandler(note_x_error);
  const GLXPbuffer pbuffer = glXCreatePbuffer(display, configs[0], size);
  const GLXContext context =
      glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, shared, glXIsDirect(display, shared));
  XSync(display, False);
  XSetErrorHandler(previous);
  XFree(configs);
  if (g_helper.x_error || pbuffer == 0 || context == nullptr) {
    if (context != nullptr) glXDestroyContext(display, context);
    if (pbuffer != 0) glXDestroyPbuffer(display, pbuffer);
    return false;
  }
  g_helper.display = display;
  g_helper.context = context;
  g_helper.pbuffer = pbuffer;
  return true;
}

// A context of the same configuration as the window's, sharing its objects, current on no
// surface where the display allows it and on a 1x1 pbuffer otherwise.
bool make_egl_helper_context() {
  const EGLDisplay display = eglGetCurrentDisplay();
  const EGLContext shared = eglGetCurrentContext();
  if (display == EGL_NO_DISPLAY || shared == EGL_NO_CONTEXT) return false;
  EGLint config_id = 0, found = 0;
  eglQueryContext(display, shared, EGL_CONFIG_ID, &config_id);
  EGLConfig config = nullptr;  // EGL_NO_CONFIG_KHR: a context made without a configuration
  if (config_id != 0) {
    const EGLint wanted[] = {EGL_CONFIG_ID, config_id, EGL_NONE};
    if (!eglChooseConfig(display, wanted, &config, 1, &found) || found != 1) return false;
  }
  EGLSurface surface = EGL_NO_SURFACE;
  if (!lists_extension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context")) {
    const EGLint size[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    if (config == nullptr) return false;
    surface = eglCreatePbufferSurface(display, config, size);
    if (surface == EGL_NO_SURFACE) return false;
  }
  eglBindAPI(EGL_OPENGL_API);
  const EGLContext context = eglCreateContext(display, config, shared, nullptr);
  if (context == EGL_NO_CONTEXT) {
    if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
    return false;
  }
  g_helper.egl_display = display;
  g_helper.egl_context = context;
  g_helper.egl_surface = surface;
  return true;
}

// Makes the helper's context current on this thread, or releases it (`on` false).
bool make_helper_current(bool on) {
  if (g_helper.kind == ContextKind::kGlx)
    return on ? glXMakeContextCurrent(g_helper.display, g_helper.pbuffer, g_helper.pbuffer,
                                      g_helper.context)
              : glXMakeContextCurrent(g_helper.display, None, None, nullptr);
  // The rendering API is a per-thread choice in EGL, and the default is OpenGL ES.
  eglBindAPI(EGL_OPENGL_API);
  return on ? eglMakeCurrent(g_helper.egl_display, g_helper.egl_surface, g_helper.egl_surface,
                             g_helper.egl_context)
            : eglMakeCurrent(g_helper.egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

// A complete 1x1 framebuffer, bound for drawing on the helper's context (framebuffer objects are
// not shared between contexts).
GLuint make_tiny_framebuffer() {
  GLuint framebuffer = 0, colour = 0;
  glGenRenderbuffers(1, &colour);
  glBindRenderbuffer(GL_RENDERBUFFER, colour);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 1, 1);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
  return framebuffer;
}

// The place's enter, on the line's thread: the helper current, its copy of the program bound and
// the inputs bound, once its GL has waited for `ready`. False, with nothing current, where it
// cannot.
bool enter_helper(void* place) {
  HelperRun& run = *static_cast<HelperRun*>(place);
  if (!make_helper_current(true)) return false;
  if (g_helper.kind == ContextKind::kEgl && g_helper.egl_surface == EGL_NO_SURFACE &&
      g_helper.framebuffer == 0)
    g_helper.framebuffer = make_tiny_framebuffer();
  run.copy = link_program_copy(run.program);
  if (run.copy == 0) {
    make_helper_current(false);
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
  make_helper_current(false);
}

// Made at the frame's first line on the helper, for the window context current then.
bool have_helper() {
  if (!g_helper.tried) {
    g_helper.tried = true;
    if (glXGetCurrentContext() != nullptr) {
      if (make_glx_helper_context()) g_helper.kind = ContextKind::kGlx;
    } else if (make_egl_helper_context()) {
      g_helper.kind = ContextKind::kEgl;
    }
  }
  return g_helper.kind != ContextKind::kNone;
}

}  // namespace

bool start_line_on_helper(PieceLine* line, HelperRun* run) {
  // Sync objects (GL 3.2) let the helper wait for what it reads; without them it is not used.
  if (!lines_run_beside() || run->ready == nullptr || !have_helper()) return false;
  const BesidePlace place = {enter_helper, leave_helper, run};
  return start_line_beside(line, &place);
}

void close_helper() {
  if (g_helper.kind == ContextKind::kGlx) {
    glXDestroyContext(g_helper.display, g_helper.context);
    glXDestroyPbuffer(g_helper.display, g_helper.pbuffer);
  } else if (g_helper.kind == ContextKind::kEgl) {
    eglDestroyContext(g_helper.egl_display, g_helper.egl_context);
    if (g_helper.egl_surface != EGL_NO_SURFACE)
      eglDestroySurface(g_helper.egl_display, g_helper.egl_surface);
  }
  g_helper = {};
}
