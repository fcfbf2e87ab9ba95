// The capture helper: its context and its thread, on GLX (X11) or EGL (Wayland, or no display).
//
// GL context discipline. The window's context is current on the main thread only, for the whole
// run. The helper context is current only on the helper thread, from the start of one capture or
// task to its end, and is released before the thread ends; a new thread is started for each and
// joined by end_helper_capture, so at most one helper thread exists at a time. The two
// contexts share objects, but each uses its own program: a program's built-in uniforms (the
// model-view-projection matrix among them) are loaded from the context that draws with it, and
// Mesa keeps them in the program object, so two contexts drawing with one program at once would
// race for them. The helper's program is linked from the capturing program's own shader objects,
// and is not logged. What they share in use is the capture buffer, written in disjoint ranges; each
// binds the work's inputs (buffer objects, or the arena's records as client arrays) itself. Object
// changes cross between them the ways GL orders them: the buffer's storage is allocated by the
// window's context before a fence that the helper waits on, and the helper finishes (glFinish)
// before it releases its context, after which the window's context binds the buffer again to draw
// from it. A task hands each result over behind a fence of its own, which the window's context
// waits on (glWaitSync) before it binds the result. Xlib is shared between the threads, which
// XInitThreads (called before the window is opened) makes safe.
#include "app/capture_helper.h"

#include <EGL/egl.h>
#include <GL/glx.h>

#include <system_error>
#include <thread>

#include "app/draw.h"
#include "app/gl_floor.h"
#include "shading/programs.h"

namespace {

// The window's context is a GLX one under X11, an EGL one under native Wayland and in the
// snapshot without a display; the helper is made the same way as the context it shares with.
enum class ContextKind { kNone, kGlx, kEgl };

// The helper's copy of a program, and the program it was linked from (0: a free entry).
struct HelperProgram {
  GLuint copied = 0, copy = 0;
};
constexpr unsigned kHelperPrograms = 2;  // the doily's surface program and its lighting program

// Everything the helper keeps between captures. Made at the first capture for a window context,
// and kept for the life of the process like the programs.
struct CaptureHelperState {
  ContextKind kind = ContextKind::kNone;
  Display* display = nullptr;    // GLX
  GLXContext context = nullptr;  // GLX; shares objects with the window's context
  GLXPbuffer pbuffer = 0;        // GLX, 1x1: the helper draws nothing, it only captures
  EGLDisplay egl_display = EGL_NO_DISPLAY;
  EGLContext egl_context = EGL_NO_CONTEXT;
  EGLSurface egl_surface = EGL_NO_SURFACE;  // none where EGL_KHR_surfaceless_context is offered
  // Without a surface the helper's default framebuffer is incomplete, and GL refuses every draw,
  // capture included: the helper draws into a 1x1 framebuffer object of its own instead.
  GLuint framebuffer = 0;
  const void* made_for = nullptr;  // the window context the helper was last made (or tried) for
  // The helper's own programs, each linked from the very shader objects of the program it
  // captures for. Made and used on the helper thread only.
  HelperProgram programs[kHelperPrograms];
  unsigned next_program = 0;  // the entry the next new copy takes
  std::thread thread;
  // The chunks taken are all in the buffer, or the task ran without a GL error; read after the
  // thread is joined.
  bool complete = true;
  // A driver may refuse a pbuffer or a shared context with an X error rather than a null result;
  // Xlib's default handler would end the process. While the helper is made, errors are only noted.
  bool x_error = false;
};
CaptureHelperState g_helper;

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

// The copy captures the same outputs as the program, in the same order, and reads its inputs from
// the same attribute locations.
GLuint link_copy_of(GLuint program) {
  GLuint shaders[2] = {};
  GLsizei attached = 0;
  glGetAttachedShaders(program, 2, &attached, shaders);
  constexpr GLint kMostCaptured = 4;
  GLint captured = 0;
  glGetProgramiv(program, GL_TRANSFORM_FEEDBACK_VARYINGS, &captured);
  if (captured < 1 || captured > kMostCaptured) return 0;
  const GLuint copy = glCreateProgram();
  for (GLsizei i = 0; i < attached; ++i) glAttachShader(copy, shaders[i]);
  char names[kMostCaptured][64] = {};
  const GLchar* list[kMostCaptured] = {};
  for (GLint i = 0; i < captured; ++i) {
    GLsizei size = 0;
    GLenum type = 0;
    glGetTransformFeedbackVarying(program, static_cast<GLuint>(i), sizeof names[i], nullptr, &size,
                                  &type, names[i]);
    list[i] = names[i];
  }
  glTransformFeedbackVaryings(copy, captured, list, GL_INTERLEAVED_ATTRIBS);
  GLint inputs = 0;
  glGetProgramiv(program, GL_ACTIVE_ATTRIBUTES, &inputs);
  for (GLint i = 0; i < inputs; ++i) {
    char name[64] = {};
    GLint size = 0;
    GLenum type = 0;
    glGetActiveAttrib(program, static_cast<GLuint>(i), sizeof name, nullptr, &size, &type, name);
    const GLint location = glGetAttribLocation(program, name);
    if (location >= 0) glBindAttribLocation(copy, static_cast<GLuint>(location), name);
  }
  glLinkProgram(copy);
  GLint linked = 0;
  glGetProgramiv(copy, GL_LINK_STATUS, &linked);
  if (linked == GL_TRUE) return copy;
  glDeleteProgram(copy);
  return 0;
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

// Makes the helper's context current with its copy of `program` bound, once its GL has waited for
// `ready`. False, with nothing current, where it cannot.
bool start_on_helper(GLuint program, GLsync ready) {
  if (!make_helper_current(true)) return false;
  if (g_helper.kind == ContextKind::kEgl && g_helper.egl_surface == EGL_NO_SURFACE &&
      g_helper.framebuffer == 0)
    g_helper.framebuffer = make_tiny_framebuffer();
  // One copy per program captured for, made at its first use and kept while there is room; a
  // copy pushed out is left alone, like every program.
  HelperProgram* copy = nullptr;
  for (HelperProgram& p : g_helper.programs)
    if (p.copied == program) copy = &p;
  if (copy == nullptr) {
    copy = &g_helper.programs[g_helper.next_program++ % kHelperPrograms];
    copy->copied = program;
    copy->copy = link_copy_of(program);
  }
  if (copy->copy == 0) {
    make_helper_current(false);
    return false;
  }
  glWaitSync(ready, 0, GL_TIMEOUT_IGNORED);
  glUseProgram(copy->copy);
  return true;
}

// Finishes the helper's work, notes whether the GL reported an error, and releases its context.
void stop_on_helper(bool complete) {
  glFinish();
  g_helper.complete = complete && glGetError() == GL_NO_ERROR;
  make_helper_current(false);
}

// Takes no chunk unless it can capture it: a helper that cannot start leaves all the work to the
// window's context.
void capture_on_helper(GLuint program, CaptureWork* work, GLsync ready) {
  g_helper.complete = true;
  if (!start_on_helper(program, ready)) return;
  work->bind_inputs();
  for (int32_t first, count; work->take(&first, &count);)
    capture_points(work->buffer, work->record_size * first, work->record_size, first, count);
  stop_on_helper(true);
}

// A task that cannot start is still called, told so, and counts as failed: its caller does the
// work itself.
void run_task_on_helper(GLuint program, GLsync ready, bool (*task)(void*, bool), void* arg) {
  g_helper.complete = false;
  if (!start_on_helper(program, ready)) {
    task(arg, false);
    return;
  }
  stop_on_helper(task(arg, true));
}

// Made anew for each new window context (see begin_helper_capture); false where none can be had.
bool make_helper_for_current_context() {
  // A window opened again (as the tests do) brings a new context, whose objects the old helper
  // cannot see: the helper is made anew for it. The old one is left alone, like every GL object
  // of the run; its display may be gone.
  const GLXContext glx_window = glXGetCurrentContext();
  const void* window = glx_window ? static_cast<const void*>(glx_window) : eglGetCurrentContext();
  if (window != g_helper.made_for) {
    g_helper = {};  // the old helper is left as it is; its programs named objects of the old
    g_helper.made_for = window;  // context's share group
    if (glx_window != nullptr && make_glx_helper_context())
      g_helper.kind = ContextKind::kGlx;
    else if (glx_window == nullptr && make_egl_helper_context())
      g_helper.kind = ContextKind::kEgl;
  }
  return g_helper.kind != ContextKind::kNone;
}

}  // namespace

namespace {

// Starts the helper thread running `run`, with the helper made for the current window context
// first. False where no helper or no thread can be had (its stack did not fit, say): the window's
// context then does the work itself.
template <typename... Args>
bool start_helper_thread(void (*run)(Args...), Args... args) {
  if (!make_helper_for_current_context()) return false;
  try {
    g_helper.thread = std::thread(run, args...);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

}  // namespace

bool begin_helper_capture(GLuint program, CaptureWork* work, GLsync ready) {
  return start_helper_thread(capture_on_helper, program, work, ready);
}

bool begin_helper_task(GLuint program, GLsync ready, bool (*task)(void*, bool), void* arg) {
  return start_helper_thread(run_task_on_helper, program, ready, task, arg);
}

bool end_helper_capture() {
  if (!g_helper.thread.joinable()) return false;
  g_helper.thread.join();
  return g_helper.complete;
}
