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
#include <zlib.h>

#include <cstdint>
#include <vector>

namespace {

constexpr size_t kFrameBytes = static_cast<size_t>(kWindowWidth) * 4 * kWindowHeight;
// The fastest level: the picture's black background and smooth lace pack well at any level.
constexpr int kPackLevel = 1;

struct PresentState {
  std::vector<uint8_t> kept;    // the frame as drawn, BGRA, bottom row first, until packed
  std::vector<uint8_t> packed;  // the same, deflated
  bool swapped_once;            // the window has shown the frame at least once
  bool needs_picture;           // the window system asked for it again
};
PresentState g_present;

// The kept pixels: as read back, or unpacked into `unpacked`. Null where they cannot be had.
const uint8_t* kept_pixels(std::vector<uint8_t>* unpacked) {
  if (!g_present.kept.empty()) return g_present.kept.data();
  unpacked->resize(kFrameBytes);
  uLongf size = kFrameBytes;
  if (uncompress(unpacked->data(), &size, g_present.packed.data(), g_present.packed.size()) !=
          Z_OK ||
      size != kFrameBytes)
    return nullptr;
  return unpacked->data();
}

// Draws the kept pixels over the whole drawn framebuffer, untouched by the picture's programs,
// depth test or blending.
void put_frame_back() {
  std::vector<uint8_t> unpacked;
  const uint8_t* pixels = kept_pixels(&unpacked);
  if (pixels == nullptr) return;  // no memory to unpack into: the window shows what it has
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_PIXEL_MODE_BIT);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glUseProgram(0);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glWindowPos2i(0, 0);
  glDrawPixels(kWindowWidth, kWindowHeight, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
  glPopClientAttrib();
  glPopAttrib();
  glUseProgram(static_cast<GLuint>(program));
}

}  // namespace

void keep_frame() {
  g_present.kept.resize(kFrameBytes);
  std::vector<uint8_t>().swap(g_present.packed);
  read_drawn_rows(0, kWindowHeight, GL_BGRA, g_present.kept.data());
  g_present.swapped_once = false;
}

void pack_kept_frame() {
  std::vector<uint8_t>& packed = g_present.packed;
  uLongf size = compressBound(kFrameBytes);
  packed.resize(size);
  if (compress2(packed.data(), &size, g_present.kept.data(), kFrameBytes, kPackLevel) != Z_OK) {
    std::vector<uint8_t>().swap(packed);  // the frame stays kept as it is
    return;
  }
  packed.resize(size);
  packed.shrink_to_fit();
  std::vector<uint8_t>().swap(g_present.kept);  // its memory too, not only its size
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
