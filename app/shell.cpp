// Start-up, the GL baseline and the event loop.
#include "app/shell.h"

#include <cstdio>

#include <SDL.h>

#include "app/frame.h"
#include "app/gl_floor.h"
#include "app/present.h"
#include "app/process.h"
#include "app/windowing.h"
#include "shading/gl.h"
#include "shading/programs.h"

namespace {

// The loop's sleep: 10 ms after an iteration that took an event, so a burst of them is read
// quickly; 50 ms after one that found none, so an idle window wakes the process 20 times a second
// rather than 100 (each wake-up costs a poll of the X connection and a timer), and an Escape or an
// expose still waits at most 50 ms.
constexpr Uint32 kLoopIntervalMs = 10;
constexpr Uint32 kIdleLoopIntervalMs = 50;

struct ShellState {
  bool drawn = false;  // the frame is drawn once per run
  // An Escape press now is a fresh one. Escape already held down when the window gets the
  // keyboard does not count until it is released: SDL 1.2 sends nothing for it, but SDL 2 (under
  // sdl12-compat) sends a press for every key found down at focus.
  bool escape_armed = false;
};
ShellState g_shell;

bool is_escape(const SDL_Event& event, Uint8 type) {
  return event.type == type && event.key.keysym.sym == SDLK_ESCAPE;
}

// Whether Escape is down on the keyboard now, by SDL or by the windowing system.
bool escape_held() {
  const Uint8* keys = SDL_GetKeyState(nullptr);
  if (keys != nullptr && keys[SDLK_ESCAPE] != 0) return true;
  return escape_held_in_windowing();
}

// SDL's event queue holds 128 events and silently drops what arrives while it is full, and the
// loop takes one event per iteration. A burst of input (a held key, a paste into the window) would
// fill it and lose an Escape behind it. The loop reads only Escape, exposes (the window needs its
// picture again) and focus and visibility changes, so nothing else enters the queue.
int keep_what_the_loop_reads(const SDL_Event* event) {
  return is_escape(*event, SDL_KEYDOWN) || is_escape(*event, SDL_KEYUP) ||
                 event->type == SDL_VIDEOEXPOSE || event->type == SDL_ACTIVEEVENT
             ? 1
             : 0;
}

// Reads one event; true when it ends the program.
bool read_event(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:  // Escape only, see the filter
      return g_shell.escape_armed;
    case SDL_KEYUP:
      g_shell.escape_armed = true;
      return false;
    case SDL_ACTIVEEVENT:
      if (event.active.gain && (event.active.state & SDL_APPINPUTFOCUS))
        g_shell.escape_armed = !escape_held();
      if (event.active.gain && (event.active.state & SDL_APPACTIVE))
        note_window_needs_picture();  // mapped again after being minimised
      return false;
    case SDL_VIDEOEXPOSE:
      note_window_needs_picture();
      return false;
    default:
      return false;
  }
}

}  // namespace

int open_window() {
  prepare_windowing();      // Xlib's threads and SDL's driver, or Windows' module
  guard_windowing_start();  // X errors end the process with one line, signals are remembered
  SDL_Init(SDL_INIT_VIDEO);
  // SDL turns SIGINT and SIGTERM into quit events, which the loop drops, and catches crashes to
  // shut down from the signal handler; every signal goes back to what it was before SDL started.
  restore_signals_after_windowing_start();
  // On failure nothing is shut down: unloading a half-started driver can hang. The caller ends
  // the process with exit_on_window_failure.
  if (SDL_SetVideoMode(kWindowWidth, kWindowHeight, 32, SDL_OPENGL) == nullptr) {
    char limits[kLimitsTextSize];
    describe_limits(limits, sizeof limits);
    std::fprintf(stderr, "%s: cannot open a %dx%d OpenGL window: %s%s\n", program_name(),
                 kWindowWidth, kWindowHeight, SDL_GetError(), limits);
    return -1;
  }
  SDL_WM_SetCaption("swancage", "swancage");
  SDL_SetEventFilter(keep_what_the_loop_reads);
  if (!load_gl_entry_points()) return -1;
  if (!has_gl_floor()) return -1;  // OpenGL 2.0 and GLSL 1.20, or one line on what is offered
  return 0;
}

int start_up() {
  if (open_window() != 0) return -1;
  set_default_gl_state();
  build_all_programs();
  return 0;
}

void draw_frame_once(PassWatcher watch) {
  if (g_shell.drawn) return;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  render_frame(watch);
  g_shell.drawn = true;
}

int run_event_loop() {
  g_shell.escape_armed = !escape_held();
  for (;;) {
    SDL_Event event;
    const bool took_event = SDL_PollEvent(&event) != 0;
    if (took_event && read_event(event)) break;
    const bool first = !g_shell.drawn;
    if (first) {
      draw_frame_once();
      keep_frame();  // a copy to put back before a later swap
    }
    present_frame();  // the first time, and when the window asks for its picture again
    if (first) {
      pack_kept_frame();    // once the window shows it
      let_go_of_drawing();  // the kept copy is all the window needs from now on
      give_back_free_heap();
    }
    SDL_Delay(took_event ? kLoopIntervalMs : kIdleLoopIntervalMs);
  }
  return 0;
}

void shut_down() {
  SDL_Quit();
}
