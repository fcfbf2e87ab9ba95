// bench_doily [RUNS]: times the doily pass on the current GL, run by hand:
//   DISPLAY=:0 ./build/bench_doily 5
// The first frame is drawn once untimed (it sets the camera and warms the driver's shader cache);
// then each run clears and runs the doily pass as the frame does, helper included, timing the takes
// of its pieces (built here, or waited for) and their draws separately, with glFinish on both sides
// of each draw. Prints every run and the medians.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <GL/glew.h>

#include "app/frame.h"
#include "app/shell.h"
#include "bench/median.h"
#include "shading/programs.h"

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct PassTimes {
  Clock::time_point since;
  double take = 0, draw = 0;
};
PassTimes g_times;

bool time_step(const FramePass&, PassStep step) {
  if (step == PassStep::kBegin) return true;
  glFinish();
  const double ms = milliseconds_since(g_times.since);
  if (step == PassStep::kDraw) g_times.take += ms;
  if (step == PassStep::kDrawn) g_times.draw += ms;
  g_times.since = Clock::now();
  return true;
}

const FramePass& doily_pass() {
  for (int i = 0; i < kFramePassCount; ++i)
    if (std::string(kFramePasses[i].name) == "doily") return kFramePasses[i];
  std::abort();
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

  std::vector<double> takes, draws;
  for (int run = 0; run < runs; ++run) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
    g_times = {Clock::now(), 0, 0};
    run_pass(doily_pass(), time_step);
    takes.push_back(g_times.take);
    draws.push_back(g_times.draw);
    std::printf("run %d: take %.2f ms, draw %.1f ms\n", run + 1, takes.back(), draws.back());
  }
  std::printf("median of %d runs: take %.2f ms, draw %.1f ms\n", runs, median(takes),
              median(draws));
  shut_down();
  return 0;
}
