// The capture helper on its own thread: what it captures, chunk by chunk, must be what the
// window's context captures from the same grid records with the same program.
#include <cstring>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "app/draw.h"
#include "app/capture_helper.h"
#include "geometry/arena.h"
#include "scene/doily.h"
#include "shading/programs.h"
#include "tests/gl_env.h"

namespace {

std::vector<Vertex> read_buffer(GLuint buffer, int32_t count) {
  std::vector<Vertex> records(count);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(Vertex) * count, records.data());
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  return records;
}

GLuint new_buffer(int32_t count) {
  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof(Vertex) * count, nullptr, GL_STREAM_COPY);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  return buffer;
}

TEST(CaptureHelper, CapturesWhatTheWindowContextCaptures) {
  start_up_capturing_log();
  if (!g_programs.doily_captures) GTEST_SKIP() << "this GL has no transform feedback";
  const ArenaRange piece = build_doily_piece(440, 20);  // through the lace and its bounded orbits
  const int32_t n = piece.vertex_count;
  const GLuint ours = new_buffer(n), theirs = new_buffer(n);
  glUseProgram(g_programs.doily);
  capture_vertices(ours, 0, n);

  GLsync ready = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  glFlush();
  CaptureWork work{theirs, 0, n, n / 3};  // this context takes none: the helper takes all
  ASSERT_TRUE(begin_helper_capture(g_programs.doily, &work, ready))
      << "no helper context: the X server offers no pbuffer configuration shared with the window";
  EXPECT_TRUE(end_helper_capture()) << "the helper could not capture";
  EXPECT_GE(work.taken.load(), n) << "the helper left records untaken";
  glDeleteSync(ready);

  const std::vector<Vertex> want = read_buffer(ours, n), got = read_buffer(theirs, n);
  int differing = 0, lifted = 0;
  for (int32_t k = 0; k < n; ++k) {
    differing += std::memcmp(&want[k], &got[k], sizeof(Vertex)) != 0;
    lifted += got[k].y > -2.0f;  // the surface lifts the lace off the glass
  }
  EXPECT_EQ(differing, 0) << "of " << n << " records";
  EXPECT_GT(lifted, n / 4) << "of " << n << " records: the helper did not run the doily's surface";
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  GLuint buffers[2] = {ours, theirs};
  glDeleteBuffers(2, buffers);
}

}  // namespace
