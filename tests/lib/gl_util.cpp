#include "tests/lib/gl_util.h"

std::string start_up_capturing_log() {
  ::testing::internal::CaptureStdout();
  const int status = start_up();
  std::string log = ::testing::internal::GetCapturedStdout();
  if (status != 0) ADD_FAILURE() << "start_up failed; is an X server with GLX running?";
  return log;
}

void draw_doily_from_its_grid() {
  g_programs.doily_captures = false;
  g_programs.drawn.doily = g_programs.logged.doily;
}

GLuint new_test_buffer(GLsizeiptr bytes) {
  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STREAM_COPY);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  return buffer;
}

GLuint link_capturing_copy(GLuint program, const GLchar* const* varyings, GLsizei count) {
  const GLuint copy = link_program_copy(program, varyings, count);
  EXPECT_NE(copy, 0u) << "the capturing copy of program " << program << " does not link";
  return copy;
}

uint32_t capture_into(GLuint program, GLuint buffer, GLsizeiptr record_size, int32_t count) {
  GLuint query = 0, written = 0;
  glGenQueries(1, &query);
  GLint bound = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &bound);
  glUseProgram(program);
  glBeginQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, query);
  capture_points(buffer, 0, record_size, 0, count);
  glEndQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN);
  glUseProgram(static_cast<GLuint>(bound));
  glGetQueryObjectuiv(query, GL_QUERY_RESULT, &written);
  glDeleteQueries(1, &query);
  return written;
}
