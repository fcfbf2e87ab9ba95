// Presenting the frame. The picture is drawn once and swapped to the window once. After that
// nothing changes, so the loop swaps again only when the window system asks for the picture (the
// window uncovered, mapped again after being minimised): a swap 100 times a second would cost the
// program a full-window copy each time under sdl12-compat or zink, and make a compositing manager
// redraw the screen each time, all for an unchanged picture.
//
// GLX leaves the back buffer undefined after a swap, and flip-model drivers hand back an older or
// a fresh buffer, so before each of those later swaps the kept copy of the frame is drawn back
// into the back buffer. That costs a few milliseconds per expose, and it needs no knowledge of
// how the driver treats its buffers (which no GLX or EGL query answers on every stack).
#include "app/present.h"

#include "app/framebuffer.h"  // GLEW first: it must come before any other GL header

#include <SDL.h>

#include <cstdint>

namespace {

constexpr size_t kRowBytes = static_cast<size_t>(kWindowWidth) * 4;

struct PresentState {
  uint8_t kept[kRowBytes * kWindowHeight];  // the frame as drawn, BGRA, bottom row first
  bool swapped_once;                        // the window has shown the frame at least once
  bool needs_picture;                       // the window system asked for it again
};
PresentState g_present;

// Draws the kept pixels over the whole drawn framebuffer, untouched by the picture's programs,
// depth test or blending.
void put_frame_back() {
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_PIXEL_MODE_BIT);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glUseProgram(0);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glWindowPos2i(0, 0);
  glDrawPixels(kWindowWidth, kWindowHeight, GL_BGRA, GL_UNSIGNED_BYTE, g_present.kept);
  glPopClientAttrib();
  glPopAttrib();
  glUseProgram(static_cast<GLuint>(program));
}

}  // namespace

void keep_frame() {
  read_drawn_rows(0, kWindowHeight, GL_BGRA, g_present.kept);
  g_present.swapped_once = false;
}

void note_window_needs_picture() {
  g_present.needs_picture = true;
}

void present_frame() {
  if (g_present.swapped_once && !g_present.needs_picture) return;  // the window shows it already
  if (g_present.swapped_once) put_frame_back();  // the back buffer may hold anything by now
  SDL_GL_SwapBuffers();
  g_present.swapped_once = true;
  g_present.needs_picture = false;
}
