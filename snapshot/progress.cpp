// The progress line: a carriage return, the text, and an erase to the end of the line, so that a
// shorter text leaves nothing of a longer one behind.
#include "snapshot/progress.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/frame.h"

namespace {

constexpr char kEraseLine[] = "\r\033[K";

constexpr size_t kMostText = 96;

struct ProgressState {
  int checked = -1;        // whether standard error is a terminal: -1 until asked
  int64_t done = 0;        // vertices of the passes drawn before this one
  int32_t pieces = 0;      // pieces of this pass drawn
  bool on_screen = false;  // a line is showing
  char shown[kMostText];   // the text showing, not written again
};
ProgressState g_progress;

void show(const char* text) {
  if (g_progress.on_screen && std::strcmp(text, g_progress.shown) == 0) return;
  std::snprintf(g_progress.shown, sizeof g_progress.shown, "%s", text);
  std::fprintf(stderr, "%sswancage-snapshot: %s", kEraseLine, text);
  std::fflush(stderr);
  g_progress.on_screen = true;
}

}  // namespace

bool progress_shown() {
  if (g_progress.checked < 0) g_progress.checked = isatty(STDERR_FILENO) ? 1 : 0;
  return g_progress.checked == 1;
}

bool show_drawing_progress(const FramePass& pass, PassStep step) {
  if (!progress_shown()) return true;
  ProgressState& p = g_progress;
  int64_t total = 0;
  for (int i = 0; i < kFramePassCount; ++i) total += kFramePasses[i].vertices;
  const int32_t pieces = (pass.items + pass.items_per_piece - 1) / pass.items_per_piece;
  if (step == PassStep::kBegin) p.pieces = 0;
  if (step == PassStep::kDrawn) ++p.pieces;
  const int64_t done = p.done + pass.vertices * p.pieces / pieces;
  if (step == PassStep::kBegin || step == PassStep::kDrawn) {
    char text[kMostText];
    std::snprintf(text, sizeof text, "drawing the %s, %d%% of the picture's vertices done",
                  pass.name, static_cast<int>(100 * done / total));
    show(text);
  }
  if (step == PassStep::kDrawn && p.pieces == pieces) p.done += pass.vertices;
  return true;
}

void show_progress_step(const char* step) {
  if (progress_shown()) show(step);
}

void end_progress() {
  if (!g_progress.on_screen) return;
  std::fputs(kEraseLine, stderr);
  std::fflush(stderr);
  g_progress.on_screen = false;
}
