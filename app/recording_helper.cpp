// The helper context and its thread.
//
// GL context discipline. The window's context is current on the main thread only, for the whole
// run. The helper context is current only on the helper thread, from the start of one recording
// to its end, and is released before the thread ends; a new thread is started for each recording
// and joined by end_helper_recording, so at most one helper thread exists at a time. The two
// contexts share objects, but each uses its own program: a program's built-in uniforms (the
// model-view-projection matrix among them) are loaded from the context that draws with it, and
// Mesa keeps them in the program object, so two contexts drawing with one program at once would
// race for them. The helper's program is linked from the doily program's own shader objects, and
// is not logged. What they share in use is the recording buffer, written in disjoint ranges; each
// binds the arena's grid records as its own client arrays. Object changes cross between them the
// ways GL orders them: the buffer's storage is allocated by the window's context before a fence
// that the helper waits on, and the helper finishes (glFinish) before it releases its context,
// after which the window's context binds the buffer again to draw from it. Xlib is shared between
// the threads, which XInitThreads (called before the window is opened) makes safe.
#include "app/recording_helper.h"

#include <GL/glx.h>

#include <system_error>
#include <thread>

#include "app/draw.h"
#include "shading/programs.h"

namespace {

struct HelperContext {
  Display* display = nullptr;
  GLXContext context = nullptr;
  GLXPbuffer pbuffer = 0;
};

// Made once, at the first recording, and kept for the life of the process like the programs.
HelperContext g_helper;
GLXContext g_helper_tried_for = nullptr;
std::thread g_helper_thread;

// A driver may refuse a pbuffer or a shared context with an X error rather than a null result;
// Xlib's default handler would end the process. While the helper is made, errors are only noted.
bool g_x_error = false;
int note_x_error(Display*, XErrorEvent*) {
  g_x_error = true;
  return 0;
}

bool make_helper_context() {
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
  g_x_error = false;
  const XErrorHandler previous = XSetErrorHandler(note_x_error);
  const GLXPbuffer pbuffer = glXCreatePbuffer(display, configs[0], size);
  const GLXContext context =
      glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, shared, glXIsDirect(display, shared));
  XSync(display, False);
  XSetErrorHandler(previous);
  XFree(configs);
  if (g_x_error || pbuffer == 0 || context == nullptr) {
    if (context != nullptr) glXDestroyContext(display, context);
    if (pbuffer != 0) glXDestroyPbuffer(display, pbuffer);
    return false;
  }
  g_helper = {display, context, pbuffer};
  return true;
}

// Read by the main thread only after joining the helper thread.
bool g_helper_complete = true;

// The helper's own program, linked from the very shader objects of the program it records for.
// Made and used on the helper thread only.
GLuint g_helper_program = 0;

GLuint link_copy_of(GLuint program) {
  GLuint shaders[2] = {};
  GLsizei attached = 0;
  glGetAttachedShaders(program, 2, &attached, shaders);
  const GLuint copy = glCreateProgram();
  for (GLsizei i = 0; i < attached; ++i) glAttachShader(copy, shaders[i]);
  glTransformFeedbackVaryings(copy, 3, kDoilyRecordVaryings, GL_INTERLEAVED_ATTRIBS);
  glLinkProgram(copy);
  GLint linked = 0;
  glGetProgramiv(copy, GL_LINK_STATUS, &linked);
  if (linked == GL_TRUE) return copy;
  glDeleteProgram(copy);
  return 0;
}

// Takes no chunk unless it can record it: a helper that cannot start leaves all the work to the
// window's context.
void record_on_helper(GLuint program, RecordingWork* work, GLsync ready) {
  g_helper_complete = true;
  if (!glXMakeContextCurrent(g_helper.display, g_helper.pbuffer, g_helper.pbuffer,
                             g_helper.context))
    return;
  if (g_helper_program == 0) g_helper_program = link_copy_of(program);
  if (g_helper_program == 0) {
    glXMakeContextCurrent(g_helper.display, None, None, nullptr);
    return;
  }
  glWaitSync(ready, 0, GL_TIMEOUT_IGNORED);
  bind_arena_arrays();
  glUseProgram(g_helper_program);
  for (int32_t first, count; work->take(&first, &count);)
    record_vertices(work->buffer, first, count);
  glFinish();
  g_helper_complete = glGetError() == GL_NO_ERROR;
  glXMakeContextCurrent(g_helper.display, None, None, nullptr);
}

}  // namespace

bool begin_helper_recording(GLuint program, RecordingWork* work, GLsync ready) {
  // A window opened again (as the tests do) brings a new context, whose objects the old helper
  // cannot see: the helper is made anew for it. The old one is left alone, like every GL object
  // of the run; its display may be gone.
  const GLXContext window = glXGetCurrentContext();
  if (window != g_helper_tried_for) {
    g_helper_tried_for = window;
    g_helper = {};
    g_helper_program = 0;  // it named an object of the old context's share group
    make_helper_context();
  }
  if (g_helper.context == nullptr) return false;
  try {
    g_helper_thread = std::thread(record_on_helper, program, work, ready);
  } catch (const std::system_error&) {
    return false;  // no thread to be had (its stack did not fit, say): the window's context records
  }
  return true;
}

bool end_helper_recording() {
  if (!g_helper_thread.joinable()) return false;
  g_helper_thread.join();
  return g_helper_complete;
}
