// GL test helpers in one place: the real window and its programs, skipping a test where the GL
// lacks what it needs, expecting no GL error, reading buffers back, and capturing what a program's
// vertex stage computes through a copy linked as the program links its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "app/draw.h"
#include "app/shell.h"
#include "shading/programs.h"

// Starts the program's window and programs with standard output captured; returns the log.
std::string start_up_capturing_log();

// Skips the test on a GL that cannot capture vertices (no transform feedback before GL 3.0): the
// doily is drawn from its grid there.
#define REQUIRE_TRANSFORM_FEEDBACK()                                           \
  do {                                                                         \
    if (!g_programs.doily_captures)                                            \
      GTEST_SKIP() << "this GL has no transform feedback: nothing to capture"; \
  } while (0)

#define EXPECT_NO_GL_ERROR() EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "a GL error was raised"

// Draws the doily from its grid with the doily program, as a GL without transform feedback does.
void draw_doily_from_its_grid();

// `count` records of `Record` from byte `offset` of `buffer`.
template <typename Record>
std::vector<Record> read_buffer(GLuint buffer, size_t count, GLintptr offset = 0) {
  std::vector<Record> records(count);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glGetBufferSubData(GL_ARRAY_BUFFER, offset, sizeof(Record) * count, records.data());
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  return records;
}

// A new buffer of `bytes` bytes, nothing in it.
GLuint new_test_buffer(GLsizeiptr bytes);

// Runs points 0 .. count - 1 of the bound vertex arrays through the vertex stage of `program`,
// through a copy linked with link_program_copy to capture `varyings` interleaved, and returns what
// it wrote, one Record per point. Fails the test if the copy does not link or a point is missing.
GLuint link_capturing_copy(GLuint program, const GLchar* const* varyings, GLsizei count);
uint32_t capture_into(GLuint program, GLuint buffer, GLsizeiptr record_size, int32_t count);
template <typename Record>
std::vector<Record> capture_through(GLuint program, const GLchar* const* varyings,
                                    GLsizei varying_count, int32_t count) {
  static_assert(sizeof(Record) % sizeof(float) == 0, "a record of captured floats");
  const GLuint copy = link_capturing_copy(program, varyings, varying_count);
  const GLuint buffer = new_test_buffer(static_cast<GLsizeiptr>(sizeof(Record)) * count);
  EXPECT_EQ(capture_into(copy, buffer, sizeof(Record), count), uint32_t(count))
      << "points captured";
  std::vector<Record> records = read_buffer<Record>(buffer, static_cast<size_t>(count));
  glDeleteBuffers(1, &buffer);
  glDeleteProgram(copy);
  EXPECT_NO_GL_ERROR();
  return records;
}
