// The helper on its own thread: what it captures, chunk by chunk, must be what the window's context
// captures from the same grid records with the same program; and once the frame's end closes it,
// the next line makes a helper anew.
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "app/capture_helper.h"
#include "app/arrays.h"
#include "app/draw.h"
#include "geometry/arena.h"
#include "scene/doily.h"
#include "shading/programs.h"
#include "tests/lib/gl_util.h"

namespace {

constexpr int32_t kChunks = 3;

// Chunks of a grid piece, captured into `buffer` on whichever context makes them.
struct Chunks {
  GLuint buffer;
  int32_t points;
  int32_t beside = 0;  // chunks the helper captured
};

bool capture_chunk(void* producer, int32_t index, bool beside) {
  Chunks& c = *static_cast<Chunks*>(producer);
  const int32_t first = c.points * index / kChunks, end = c.points * (index + 1) / kChunks;
  capture_points(c.buffer, static_cast<GLintptr>(sizeof(Vertex)) * first, sizeof(Vertex), first,
                 end - first);
  c.beside += beside;
  return !beside || glGetError() == GL_NO_ERROR;
}

// Waits, a few seconds at most, until the helper has claimed every chunk and made them.
void wait_for_helper(PieceLine* line) {
  for (int i = 0; i < 500; ++i) {
    {
      std::lock_guard<std::mutex> lock(line->mutex);
      if (line->beside_stopped || (line->claimed == line->pieces && line->making_beside < 0))
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Captures a grid piece through the lace and its bounded orbits on the helper, the window's context
// taking none it can leave: every record as this context captures it.
void expect_helper_captures_what_this_context_captures() {
  const ArenaRange piece = build_doily_piece(440, 20);
  const int32_t n = piece.vertex_count;
  const GLuint ours = new_test_buffer(sizeof(Vertex) * n),
               theirs = new_test_buffer(sizeof(Vertex) * n);
  bind_arena_arrays();
  glUseProgram(g_programs.logged.doily);
  capture_points(ours, 0, sizeof(Vertex), 0, n);

  Chunks chunks{theirs, n};
  PieceLine line;
  open_line(&line, capture_chunk, &chunks, kChunks, kChunks);
  HelperRun run = {g_programs.logged.doily, glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0),
                   bind_arena_arrays, 0};
  glFlush();
  ASSERT_TRUE(start_line_on_helper(&line, &run))
      << "no helper context: the X server offers no pbuffer configuration shared with the window";
  wait_for_helper(&line);
  finish_line(&line);
  glDeleteSync(run.ready);
  EXPECT_EQ(chunks.beside, kChunks) << "chunks the helper left to this context";

  const std::vector<Vertex> want = read_buffer<Vertex>(ours, n),
                            got = read_buffer<Vertex>(theirs, n);
  int differing = 0, lifted = 0;
  for (int32_t k = 0; k < n; ++k) {
    differing += std::memcmp(&want[k], &got[k], sizeof(Vertex)) != 0;
    lifted += got[k].y > -2.0f;  // the surface lifts the lace off the glass
  }
  EXPECT_EQ(differing, 0) << "of " << n << " records";
  EXPECT_GT(lifted, n / 4) << "of " << n << " records: the helper did not run the doily's surface";
  EXPECT_NO_GL_ERROR();
  const GLuint buffers[2] = {ours, theirs};
  glDeleteBuffers(2, buffers);
}

TEST(CaptureHelper, CapturesWhatTheWindowContextCapturesAndIsMadeAnewAfterClosing) {
  start_up_capturing_log();
  REQUIRE_TRANSFORM_FEEDBACK();
  expect_helper_captures_what_this_context_captures();
  close_helper();
  expect_helper_captures_what_this_context_captures();
  close_helper();
}

}  // namespace
