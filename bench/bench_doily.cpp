// bench_doily [RUNS]: times the doily pass on the current GL, run by hand:
//   DISPLAY=:0 ./build/bench_doily 5
// The first frame is drawn once untimed (it sets the camera and warms the driver's shader cache);
// then each run clears, builds the grid and draws it with the doily program, timing the build and
// the draw separately with glFinish on both sides of the draw. Prints every run and the medians.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <GL/glew.h>

#include "app/doily_draw.h"
#include "app/shell.h"
#include "bench/median.h"
#include "scene/doily.h"
#include "shading/programs.h"

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  if (runs < 1) {
    std::fprintf(stderr, "usage: bench_doily [RUNS >= 1]\n");
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  if (start_up() != 0) return 1;
  std::printf("renderer: %s | %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
              reinterpret_cast<const char*>(glGetString(GL_VERSION)));

  const Clock::time_point first = Clock::now();
  draw_frame_once();
  glFinish();
  std::printf("first frame (untimed warm-up): %.1f ms\n", milliseconds_since(first));

  std::vector<double> builds, draws;
  for (int run = 0; run < runs; ++run) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glUseProgram(g_programs.doily);
    glFinish();
    const Clock::time_point build_start = Clock::now();
    const ArenaRange grid = build_doily_pass_piece(0, kDoilyQuadsPerRow);
    builds.push_back(milliseconds_since(build_start));
    const Clock::time_point draw_start = Clock::now();
    draw_doily(grid);
    finish_doily();
    glFinish();
    draws.push_back(milliseconds_since(draw_start));
    std::printf("run %d: build %.2f ms, draw %.1f ms\n", run + 1, builds.back(), draws.back());
  }
  std::printf("median of %d runs: build %.2f ms, draw %.1f ms\n", runs, median(builds),
              median(draws));
  shut_down();
  return 0;
}
