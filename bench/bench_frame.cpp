// swancage-bench-frame [RUNS [OTHER]]: how long the first frame takes, in all and step by step,
// and how much memory it needs. The frame is drawn once per process, so each run is two fresh
// processes: one on the program's own path, one timing each step apart. The parent prints the
// median of every figure over RUNS runs (default 5).
//
// Given OTHER, the swancage-bench-frame of another build (say, the one before a change), it
// instead alternates that build's plain run with this one's, RUNS pairs, and prints both medians
// and their ratio, this build over OTHER: the same machine, load and display for both.
// Run by hand on the GL whose figures you want; needs a display (scripts/with-display.sh).
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <GL/glew.h>

#include "app/frame.h"
#include "app/process.h"
#include "app/shell.h"
#include "bench/median.h"
#include "shading/programs.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// A run writes its figures to this descriptor, which the parent connects to a pipe; standard
// output (the start-up log) goes to /dev/null and standard error stays free for the driver.
constexpr int kFiguresFd = 3;

double seconds_since(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

// Seconds since this process was started by the kernel, from its start time in /proc.
double seconds_since_process_start() {
  FILE* f = std::fopen("/proc/self/stat", "r");
  if (!f) return -1;
  char buf[1024];
  const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  buf[n] = 0;
  const char* p = std::strrchr(buf, ')');  // the command name may hold spaces
  unsigned long long start_ticks = 0;
  // Fields after the name: state is field 3, starttime field 22.
  for (int field = 3; p && field <= 22; ++field) {
    p = std::strchr(p + 1, ' ');
    if (field == 22 && p) start_ticks = std::strtoull(p + 1, nullptr, 10);
  }
  timespec now;
  clock_gettime(CLOCK_BOOTTIME, &now);
  return now.tv_sec + now.tv_nsec * 1e-9 - double(start_ticks) / sysconf(_SC_CLK_TCK);
}

void report_figures(const std::vector<std::pair<std::string, double>>& figures) {
  std::FILE* out = fdopen(kFiguresFd, "w");
  if (!out) return;
  for (const auto& [name, value] : figures) std::fprintf(out, "%s=%.6f ", name.c_str(), value);
  std::fprintf(out, "\n");
  std::fclose(out);
}

// The program's own path to its first frame, untouched: start-up, then the frame drawn the way the
// event loop draws it, then glFinish. Passes overlap here (the driver rasterises one pass while
// the next one's geometry is generated), so only the totals are measured.
int run_plain() {
  const Clock::time_point begin = Clock::now();
  keep_freed_heap_memory();  // as both programs start
  if (start_up() != 0) return 1;
  draw_frame_once();
  glFinish();
  const double since_main = seconds_since(begin);
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  report_figures({{"first_frame_since_process_start", seconds_since_process_start()},
                  {"first_frame_since_main", since_main},
                  {"peak_rss_mb", usage.ru_maxrss / 1024.0}});
  shut_down();
  return 0;
}

// Each pass's take and draw times, summed over its pieces by time_pass_step.
struct PassTimes {
  Clock::time_point since;
  bool taking = false;
  double take = 0, draw = 0;
};
PassTimes g_pass_times[8];
static_assert(sizeof g_pass_times / sizeof g_pass_times[0] >= 5, "a figure for every pass");

// Watches the frame's passes: glFinish on both sides of each draw, so that each figure holds only
// its own work. A piece's take is its build where it is made here, and the wait for it where it is
// made beside.
bool time_pass_step(const FramePass& pass, PassStep step) {
  PassTimes& t = g_pass_times[&pass - kFramePasses];
  switch (step) {
    case PassStep::kBegin:
      break;
    case PassStep::kTake:
      glFinish();
      t.since = Clock::now();
      t.taking = true;
      break;
    case PassStep::kDraw:
      if (t.taking) t.take += seconds_since(t.since);
      t.taking = false;
      glFinish();
      t.since = Clock::now();
      break;
    case PassStep::kDrawn:
      glFinish();
      t.draw += seconds_since(t.since);
      break;
  }
  return true;
}

// Every step of start-up and of the frame on its own, with glFinish around each draw so that each
// figure holds only its own work. The frame is the program's own, helper and threads included.
int run_steps() {
  std::vector<std::pair<std::string, double>> figures;
  auto record = [&](const std::string& name, double value) { figures.emplace_back(name, value); };

  Clock::time_point t = Clock::now();
  if (open_window() != 0) return 1;
  record("step.window", seconds_since(t));
  set_default_gl_state();
  t = Clock::now();
  build_all_programs();
  glFinish();
  record("step.programs", seconds_since(t));

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  render_frame(time_pass_step);
  for (int i = 0; i < kFramePassCount; ++i) {
    record(std::string("step.take.") + kFramePasses[i].name, g_pass_times[i].take);
    record(std::string("step.draw.") + kFramePasses[i].name, g_pass_times[i].draw);
  }
  report_figures(figures);
  shut_down();
  return 0;
}

// Runs PROGRAM with MODE (--plain or --steps) and returns its figures line, with the run's CPU
// time added.
std::string spawn_run(const char* self, const char* mode) {
  int fds[2];
  if (pipe(fds) != 0) return "";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, fds[0]);  // before the dup2: it may be fd 3
  posix_spawn_file_actions_adddup2(&actions, fds[1], kFiguresFd);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>(self), const_cast<char*>(mode), nullptr};
  pid_t pid;
  const int err = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  std::string text;
  if (err == 0) {
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, n);
    int status = 0;
    rusage usage;
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) text.clear();
    // CPU time of all the run's threads, start to exit: unlike the times above, it hardly moves
    // with the machine's load, since it counts only the work done, not the waiting for a core.
    const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 +
                       usage.ru_stime.tv_sec + usage.ru_stime.tv_usec * 1e-6;
    if (!text.empty()) text += " cpu_seconds_whole_run=" + std::to_string(cpu);
  }
  close(fds[0]);
  return text;
}

// Parses a figures line into (name, value) pairs, appended to `names` and `values` by name.
void collect(const std::string& line, std::vector<std::string>& names,
             std::vector<std::vector<double>>& values) {
  char name[128];
  double value;
  int used = 0;
  for (const char* p = line.c_str(); std::sscanf(p, " %127[^=]=%lf%n", name, &value, &used) == 2;
       p += used) {
    const auto it = std::find(names.begin(), names.end(), name);
    const size_t i = it - names.begin();
    if (it == names.end()) {
      names.push_back(name);
      values.emplace_back();
    }
    values[i].push_back(value);
  }
}

void print_medians(const std::vector<std::string>& names,
                   const std::vector<std::vector<double>>& values) {
  for (size_t i = 0; i < names.size(); ++i) {
    const auto [lo, hi] = std::minmax_element(values[i].begin(), values[i].end());
    std::printf("  %-34s %10.3f   (min %.3f, max %.3f)\n", names[i].c_str(), median(values[i]), *lo,
                *hi);
  }
}

// RUNS pairs of plain runs, OTHER's first in each pair; medians of each build and their ratio.
int compare_with(const char* other, int runs) {
  std::vector<std::string> names[2];
  std::vector<std::vector<double>> values[2];
  const char* programs[2] = {other, "/proc/self/exe"};
  for (int r = 0; r < 2 * runs; ++r) {
    const std::string line = spawn_run(programs[r % 2], "--plain");
    if (line.empty()) {
      std::fprintf(stderr, "swancage-bench-frame: %s, pair %d failed (is there a display?)\n",
                   programs[r % 2], r / 2 + 1);
      return 1;
    }
    collect(line, names[r % 2], values[r % 2]);
  }
  std::printf("%d pairs alternated, medians (seconds; peak resident memory in MB)\n", runs);
  std::printf("  %-34s %10s %10s %8s\n", "", "other", "this", "ratio");
  for (size_t i = 0; i < names[1].size(); ++i) {
    const auto it = std::find(names[0].begin(), names[0].end(), names[1][i]);
    if (it == names[0].end()) continue;
    const double before = median(values[0][it - names[0].begin()]);
    const double after = median(values[1][i]);
    std::printf("  %-34s %10.3f %10.3f %8.3f\n", names[1][i].c_str(), before, after,
                after / before);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--plain") == 0) return run_plain();
  if (argc == 2 && std::strcmp(argv[1], "--steps") == 0) return run_steps();
  const int runs = argc >= 2 ? std::atoi(argv[1]) : 5;
  if (runs < 1 || argc > 3) {
    std::fprintf(stderr, "usage: swancage-bench-frame [RUNS [OTHER-swancage-bench-frame]]\n");
    return 2;
  }
  if (argc == 3) return compare_with(argv[2], runs);
  std::vector<std::string> names;
  std::vector<std::vector<double>> values;
  for (int r = 0; r < 2 * runs; ++r) {
    const std::string line = spawn_run("/proc/self/exe", r % 2 ? "--steps" : "--plain");
    if (line.empty()) {
      std::fprintf(stderr, "swancage-bench-frame: run %d failed (is there a display?)\n",
                   r / 2 + 1);
      return 1;
    }
    collect(line, names, values);
  }
  std::printf("median of %d runs (seconds; peak resident memory in MB):\n", runs);
  print_medians(names, values);
  return 0;
}
