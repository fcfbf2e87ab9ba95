// The helper under WGL, on a real SDL 1.2 window's context: a frame's lines of pieces, captured
// on the helper's thread, arrive in a buffer the window's context reads, with no window shown or
// left behind; a closed helper is made anew, and where no shared context can be had the pieces are
// made here. Run under Wine by the Windows build.
//
// Owns: its window, program and buffers. May not: reach into the helper but through GLEW's
// entry points and extension flags, which it swaps to play a driver that refuses.
#include <windows.h>

#include <GL/glew.h>
#include <GL/wglew.h>
#include <SDL.h>
#include <gtest/gtest.h>
#undef main  // SDL.h renames it for SDL's own main, which the programs do not use

#include <cstdio>
#include <utility>
#include <vector>

#include "app/capture_helper.h"
#include "app/windowing.h"

namespace {

constexpr int32_t kPieces = 4, kPointsPerPiece = 64, kPoints = kPieces * kPointsPerPiece;
constexpr int kWindowSize = 64, kLinesPerFrame = 2;  // the doily's chunks, then its lit pieces
constexpr char kDoubler[] =
    "#version 130\nin float value;\nout float doubled;\n"
    "void main() { doubled = 2.0 * value + float(gl_VertexID); gl_Position = vec4(0.0); }\n";
const GLchar* const kCaptured[] = {"doubled"};

GLuint g_program = 0, g_input = 0, g_output = 0;
int g_beside = 0;                // pieces of the line made on the helper's thread
GLint g_helper_framebuffer = 0;  // the one the helper last captured with

void bind_input() {
  glBindBuffer(GL_ARRAY_BUFFER, g_input);
  glVertexAttribPointer(0, 1, GL_FLOAT, GL_FALSE, 0, nullptr);
  glEnableVertexAttribArray(0);  // a compatibility GL draws nothing without location 0
}

bool capture_piece(void*, int32_t index, bool beside) {
  glBindBufferRange(GL_TRANSFORM_FEEDBACK_BUFFER, 0, g_output,
                    sizeof(float) * kPointsPerPiece * index, sizeof(float) * kPointsPerPiece);
  glEnable(GL_RASTERIZER_DISCARD);
  glBeginTransformFeedback(GL_POINTS);
  glDrawArrays(GL_POINTS, kPointsPerPiece * index, kPointsPerPiece);
  glEndTransformFeedback();
  glDisable(GL_RASTERIZER_DISCARD);
  g_beside += beside;
  if (beside) glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &g_helper_framebuffer);
  return !beside || glGetError() == GL_NO_ERROR;
}

// The main thread's windows, and how many of them are shown.
std::pair<int, int> windows() {
  std::pair<int, int> counted;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM to) {
        auto& c = *reinterpret_cast<std::pair<int, int>*>(to);
        return ++c.first, c.second += IsWindowVisible(window), TRUE;
      },
      reinterpret_cast<LPARAM>(&counted));
  return counted;
}

// A frame's lines, each started on the helper (`on_helper`: and expected to run there), then the
// frame's end; each line's points checked as the window's context reads them.
void run_frame(bool on_helper) {
  static float runs = 0;  // each line's values its own: none passes on what one before wrote
  const std::pair<int, int> before = windows();
  for (int l = 0; l < kLinesPerFrame; ++l) {
    std::vector<float> values(kPoints), got(kPoints, -1.0f);
    ++runs;
    for (int32_t i = 0; i < kPoints; ++i) values[i] = 0.25f * i + runs;
    glBindBuffer(GL_ARRAY_BUFFER, g_output);
    glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(float) * kPoints, got.data());
    glBindBuffer(GL_ARRAY_BUFFER, g_input);
    glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(float) * kPoints, values.data());
    bind_input();
    glUseProgram(g_program);
    PieceLine line;
    open_line(&line, capture_piece, nullptr, kPieces, kPieces);
    HelperRun run = {g_program, glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0), bind_input, 0};
    glFlush();
    g_beside = 0;
    EXPECT_EQ(start_line_on_helper(&line, &run), on_helper);
    for (int32_t i = 0; i < kPieces; ++i) take_piece(&line, i);  // waits for the helper's
    EXPECT_EQ(windows(), std::make_pair(before.first + on_helper, before.second));
    finish_line(&line);
    glDeleteSync(run.ready);
    EXPECT_EQ(g_beside, on_helper ? kPieces : 0) << "pieces made on the helper";
    glBindBuffer(GL_ARRAY_BUFFER, g_output);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(float) * kPoints, got.data());
    for (int32_t i = 0; i < kPoints; ++i) ASSERT_EQ(got[i], 2.0f * values[i] + i) << i;
  }
  close_helper();
  EXPECT_EQ(windows(), before) << "windows left behind by the helper";
}

TEST(CaptureHelperWgl, MakesThePiecesOnASharedContextAndIsMadeAnewAfterClosing) {
  run_frame(true);
  run_frame(true);
}

TEST(CaptureHelperWgl, JoinsTheWindowsObjectsWithoutCreateContextAttribs) {
  __WGLEW_ARB_create_context = GL_FALSE;
  run_frame(true);
  __WGLEW_ARB_create_context = GL_TRUE;
}

// Wine gives a never-shown window a complete framebuffer; a driver that gives it none is played.
TEST(CaptureHelperWgl, CapturesIntoAFramebufferOfItsOwnWhereItsWindowsIsUnusable) {
  const PFNGLCHECKFRAMEBUFFERSTATUSPROC check = __glewCheckFramebufferStatus;
  __glewCheckFramebufferStatus = [](GLenum) -> GLenum { return GL_FRAMEBUFFER_UNDEFINED; };
  run_frame(true);
  __glewCheckFramebufferStatus = check;
  EXPECT_NE(g_helper_framebuffer, 0) << "the helper captured with its window's framebuffer";
}

TEST(CaptureHelperWgl, FallsBackWithNothingLeftWhereNoSharedContextCanBeHad) {
  const PFNWGLCREATECONTEXTATTRIBSARBPROC create = __wglewCreateContextAttribsARB;
  __wglewCreateContextAttribsARB = [](HDC, HGLRC, const int*) -> HGLRC { return nullptr; };
  run_frame(false);
  __wglewCreateContextAttribsARB = create;
  run_frame(true);  // nothing of the refused helper stands in the way of the next
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  prepare_windowing();  // as the programs do, which have their own main too
  if (SDL_Init(SDL_INIT_VIDEO) != 0 ||
      SDL_SetVideoMode(kWindowSize, kWindowSize, 0, SDL_OPENGL) == nullptr ||
      glewInit() != GLEW_OK || !GLEW_VERSION_3_2 || !WGLEW_ARB_create_context) {
    std::fprintf(stderr, "no OpenGL 3.2 window with WGL_ARB_create_context to check with\n");
    return 1;
  }
  const GLuint shader = glCreateShader(GL_VERTEX_SHADER);
  const char* text = kDoubler;
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  g_program = glCreateProgram();
  glAttachShader(g_program, shader);
  glBindAttribLocation(g_program, 0, "value");
  glTransformFeedbackVaryings(g_program, 1, kCaptured, GL_INTERLEAVED_ATTRIBS);
  glLinkProgram(g_program);
  GLuint buffers[2] = {};
  glGenBuffers(2, buffers);
  g_input = buffers[0], g_output = buffers[1];
  for (GLuint buffer : buffers) {
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(float) * kPoints, nullptr, GL_STREAM_COPY);
  }
  return RUN_ALL_TESTS();
}
