// Presenting the frame: the picture is drawn once, but GLX leaves the back buffer undefined after
// each swap, and flip-model drivers hand back an older or a fresh buffer. The loop therefore keeps
// a copy of the frame and puts it back whenever the back buffer may have lost it.
//
// Putting it back before every swap would always be right, but on a software renderer it costs
// about 4 ms of CPU per swap (34-40% of a core at 100 swaps a second, measured with bench/soak.sh),
// against 0.15 ms for the swap alone. So it is put back only when the back buffer is known or found
// to have lost the frame:
// - Where the driver offers GLX_EXT_buffer_age, it is asked before each swap. Age 0 means the
//   contents are undefined; any other age names an earlier presented frame, which is always the
//   picture, so nothing needs doing. One cheap query per swap, exact on every conforming driver.
// - Elsewhere, and when the frame lives in a framebuffer object (as under sdl12-compat, whose
//   swap the window system's buffer age does not describe), the back buffer is read back after
//   each of the first few swaps and compared with the kept copy. Double and triple buffering both
//   hand back a buffer that was never drawn within three swaps.
// - Once a swap is known to lose the frame, the window already shows it (the swap before put it
//   there), and every further swap would only bring up a buffer that must be refilled first: the
//   loop stops swapping, and presents again only when the window system asks for the picture.
// - An expose event (the window uncovered, mapped again) puts the frame back and swaps once, and
//   starts the checks again, since a driver may replace its buffers when the window changes.
// So the loop costs a swap and a sleep where the back buffer survives swaps, as on llvmpipe, and
// only a sleep where it does not; the frame is put back once per expose.
#include "app/present.h"

#include "app/framebuffer.h"  // GLEW first: it must come before any other GL header

#include <GL/glx.h>
#include <SDL.h>

#include <cstdint>
#include <cstring>

#ifndef GLX_BACK_BUFFER_AGE_EXT
#define GLX_BACK_BUFFER_AGE_EXT 0x20F4
#endif

namespace {

// Swaps after which the back buffer is compared with the kept frame: enough for a fresh buffer
// to come round under double or triple buffering.
constexpr int kSwapsChecked = 3;
// Rows read back per comparison step, so a check needs only a small buffer.
constexpr int kRowsPerStrip = 16;
constexpr size_t kRowBytes = static_cast<size_t>(kWindowWidth) * 4;

struct PresentState {
  uint8_t kept[kRowBytes * kWindowHeight];  // the frame as drawn, BGRA, bottom row first
  bool asks_buffer_age;                     // the driver reports the back buffer's age
  bool loses_frame;    // a swap was seen to lose the frame: swap only when exposed
  bool put_back_next;  // put it back before the next swap, once
  bool just_drawn;     // the back buffer holds the frame that was just drawn
  int checks_left;     // swaps still to be followed by a comparison
};
PresentState g_present;

bool lists_extension(const char* list, const char* name) {
  const size_t length = std::strlen(name);
  for (const char* at = list; at && (at = std::strstr(at, name)) != nullptr; at += length) {
    const bool starts = at == list || at[-1] == ' ';
    const bool ends = at[length] == ' ' || at[length] == '\0';
    if (starts && ends) return true;
  }
  return false;
}

bool driver_reports_buffer_age() {
  Display* display = glXGetCurrentDisplay();
  if (!display || !glXGetCurrentDrawable() || drawn_framebuffer() != 0) return false;
  return lists_extension(glXQueryExtensionsString(display, DefaultScreen(display)),
                         "GLX_EXT_buffer_age");
}

unsigned back_buffer_age() {
  unsigned age = 0;
  glXQueryDrawable(glXGetCurrentDisplay(), glXGetCurrentDrawable(), GLX_BACK_BUFFER_AGE_EXT, &age);
  return age;
}

bool back_buffer_holds_frame() {
  uint8_t strip[kRowBytes * kRowsPerStrip];
  for (int y = 0; y < kWindowHeight; y += kRowsPerStrip) {
    const int rows = y + kRowsPerStrip <= kWindowHeight ? kRowsPerStrip : kWindowHeight - y;
    read_drawn_rows(y, rows, GL_BGRA, strip);
    if (std::memcmp(strip, g_present.kept + y * kRowBytes, rows * kRowBytes) != 0) return false;
  }
  return true;
}

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

bool frame_may_be_lost() {
  if (g_present.just_drawn) return false;
  if (g_present.loses_frame || g_present.put_back_next) return true;
  if (!g_present.asks_buffer_age || back_buffer_age() != 0) return false;
  g_present.loses_frame = true;  // age 0 after a swap of the picture: every swap discards
  return true;
}

}  // namespace

void keep_frame() {
  read_drawn_rows(0, kWindowHeight, GL_BGRA, g_present.kept);
  g_present.asks_buffer_age = driver_reports_buffer_age();
  g_present.checks_left = g_present.asks_buffer_age ? 0 : kSwapsChecked;
  g_present.just_drawn = true;
}

void note_expose() {
  g_present.put_back_next = true;
  if (!g_present.asks_buffer_age) g_present.checks_left = kSwapsChecked;
}

void present_frame() {
  // Once swaps lose the frame, the window still shows the last swap's frame until an expose.
  if (g_present.loses_frame && !g_present.put_back_next) return;
  if (frame_may_be_lost()) put_frame_back();
  g_present.put_back_next = false;
  g_present.just_drawn = false;
  SDL_GL_SwapBuffers();
  if (g_present.checks_left > 0 && !g_present.loses_frame) {
    --g_present.checks_left;
    g_present.loses_frame = !back_buffer_holds_frame();
  }
}
