// Start-up, the GL baseline and the event loop.
#include "app/shell.h"

#include <cstdio>
#include <cstdlib>

#include <GL/glew.h>
#include <GL/glu.h>
#include <SDL.h>
#include <X11/Xlib.h>

#include "app/draw.h"
#include "app/frame.h"
#include "app/gl_floor.h"
#include "app/present.h"
#include "app/process.h"
#include "shading/programs.h"

namespace {

constexpr double kFieldOfViewDegrees = 45;
constexpr double kAspect = 1.7777777777777777;  // 16:9
constexpr double kNearPlane = 1;
constexpr double kFarPlane = 8192;
constexpr Uint32 kPresentIntervalMs = 10;

// The frame is drawn once per run.
struct ShellState {
  bool drawn = false;
};
ShellState g_shell;

bool is_escape_press(const SDL_Event& event) {
  return event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE;
}

// SDL's event queue holds 128 events and silently drops what arrives while it is full, and the
// loop takes one event per iteration. A burst of input (a held key, a paste into the window) would
// fill it and lose an Escape behind it. Every event but an Escape press and an expose (the window
// needs its picture again) is ignored by the loop anyway, so it is kept out of the queue.
int keep_only_escape_and_expose(const SDL_Event* event) {
  return is_escape_press(*event) || event->type == SDL_VIDEOEXPOSE ? 1 : 0;
}

}  // namespace

// A picture of another shape sees the same: the vertical field of view stays, and the horizontal
// one follows the aspect, so a 16:9 picture of any size shows the window's framing.
void set_projection(double aspect) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(kFieldOfViewDegrees, aspect, kNearPlane, kFarPlane);
}

// Every piece of GL state the picture relies on, set once: the projection, back-face culling,
// the less-than depth test and alpha blending, and the arena's interleaved arrays, which stay
// bound for every draw of the run.
void set_default_gl_state() {
  set_projection(kAspect);
  glEnable(GL_CULL_FACE);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  bind_arena_arrays();
}

int open_window() {
  // The doily's capture helper works on a thread of its own through the same X connection;
  // Xlib must know before the connection is opened.
  XInitThreads();
  // Only an X11 window can carry this OpenGL context; without this, SDL falls back to drawing
  // into the terminal (its text-mode drivers) before failing. A user's own choice still wins.
  setenv("SDL_VIDEODRIVER", "x11", 0);
  guard_windowing_start();  // X errors end the process with one line, signals are remembered
  SDL_Init(SDL_INIT_VIDEO);
  // SDL turns SIGINT and SIGTERM into quit events, which the loop drops, and catches crashes to
  // shut down from the signal handler; every signal goes back to what it was before SDL started.
  restore_signals_after_windowing_start();
  // On failure nothing is shut down: unloading a half-started driver can hang. The caller ends
  // the process with exit_on_window_failure.
  if (SDL_SetVideoMode(kWindowWidth, kWindowHeight, 32, SDL_OPENGL) == nullptr) {
    std::fprintf(stderr, "swancage: cannot open a %dx%d OpenGL window: %s\n", kWindowWidth,
                 kWindowHeight, SDL_GetError());
    return -1;
  }
  SDL_WM_SetCaption("swancage", "swancage");
  SDL_SetEventFilter(keep_only_escape_and_expose);
  const GLenum glew = glewInit();
  if (glew != GLEW_OK) {
    std::fprintf(stderr, "swancage: cannot load OpenGL entry points: %s\n",
                 reinterpret_cast<const char*>(glewGetErrorString(glew)));
    return -1;
  }
  if (!has_gl_floor()) return -1;  // OpenGL 2.0 and GLSL 1.20, or one line on what is offered
  return 0;
}

int start_up() {
  if (open_window() != 0) return -1;
  set_default_gl_state();
  build_all_programs();
  return 0;
}

void draw_frame_once() {
  if (g_shell.drawn) return;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  render_frame();
  g_shell.drawn = true;
}

int run_event_loop() {
  for (;;) {
    SDL_Event event;
    if (SDL_PollEvent(&event)) {
      if (is_escape_press(event)) break;
      if (event.type == SDL_VIDEOEXPOSE) note_expose();  // put the frame back before the swap
    }
    if (!g_shell.drawn) {
      draw_frame_once();
      keep_frame();  // a copy to put back when a swap loses the back buffer's contents
    }
    present_frame();  // restores the frame only when it may be lost; see present.cpp
    SDL_Delay(kPresentIntervalMs);
  }
  return 0;
}

void shut_down() {
  SDL_Quit();
}
