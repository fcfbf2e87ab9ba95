// Standard descriptors, signal dispositions and the ends of a failed window.
#include "app/process.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <X11/Xlib.h>

namespace {

constexpr int kDefaultWindowFailureStatus = 255;  // what main's -1 becomes
// SIGABRT too: the driver's C++ code aborts when it cannot allocate (an uncaught std::bad_alloc).
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

struct ProcessState {
  int window_failure_status = kDefaultWindowFailureStatus;
  void (*last_words)() = nullptr;        // run just before a failure exit or a crash's death
  struct sigaction saved_actions[NSIG];  // every disposition from before the windowing library
  bool saved[NSIG];
  // Composed before any crash, so the crash handler only has to write it.
  char crash_hint[160];
};
ProcessState g_process;

bool same_handler(const struct sigaction& a, const struct sigaction& b) {
  if ((a.sa_flags & SA_SIGINFO) != (b.sa_flags & SA_SIGINFO)) return false;
  return (a.sa_flags & SA_SIGINFO) ? a.sa_sigaction == b.sa_sigaction
                                   : a.sa_handler == b.sa_handler;
}

// When the address space is limited (ulimit -v), the GL driver is the first to run short: it
// fails to load, refuses a context or crashes. Saying so names the likely cause.
void describe_address_limit(char* text, size_t size) {
  struct rlimit limit;
  text[0] = '\0';
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    std::snprintf(text, size, "; the address space is limited to %llu MB (ulimit -v): allow more",
                  static_cast<unsigned long long>(limit.rlim_cur >> 20));
}

void write_text(const char* text) {
  ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
  (void)ignored;
}

// Async-signal-safe: fixed texts and a hand-made number only.
void report_crash(int signal_number) {
  char number[4] = {char('0' + signal_number / 10 % 10), char('0' + signal_number % 10), '\0'};
  write_text("swancage: crashed with signal ");
  write_text(signal_number >= 10 ? number : number + 1);
  write_text(g_process.crash_hint);
  write_text("\n");
  if (g_process.last_words) g_process.last_words();
  raise(signal_number);  // the disposition is the default again: die of the signal, core and all
}

int report_x_error(Display* display, XErrorEvent* event) {
  char text[128];
  XGetErrorText(display, event->error_code, text, sizeof text);
  char hint[128];
  describe_address_limit(hint, sizeof hint);
  std::fprintf(stderr, "swancage: the X server refused request %d.%d: %s%s\n", event->request_code,
               event->minor_code, text, hint);
  exit_on_window_failure();
}

int report_lost_connection(Display*) {
  std::fprintf(stderr, "swancage: lost the connection to the X server\n");
  exit_on_window_failure();
}

}  // namespace

void keep_freed_heap_memory() {
  // Above these the heap is trimmed (the default is 128 kB, and adapts upwards), and every
  // growth of the heap asks for this much more than needed.
  constexpr int kTrimThreshold = 256 << 20;
  constexpr int kTopPad = 16 << 20;
  mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
  mallopt(M_TOP_PAD, kTopPad);
}

void exit_without_teardown(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(status);
}

void open_missing_standard_streams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open returns the lowest free descriptor, which is this one: the lower ones are open.
    const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened != fd) _exit(kDefaultWindowFailureStatus);  // no /dev/null: nothing sane to do
  }
}

void set_window_failure_exit(int status, void (*last_words)()) {
  g_process.window_failure_status = status;
  g_process.last_words = last_words;
}

void exit_on_window_failure() {
  std::fflush(stdout);
  std::fflush(stderr);
  if (g_process.last_words) g_process.last_words();
  _exit(g_process.window_failure_status);
}

void guard_windowing_start() {
  for (int s = 1; s < NSIG; ++s)
    g_process.saved[s] = sigaction(s, nullptr, &g_process.saved_actions[s]) == 0;
  // Xlib's own handlers print a block and call exit(1), whose teardown of a half-loaded driver
  // can hang. The windowing library installs its handlers over these and passes errors on.
  XSetErrorHandler(report_x_error);
  XSetIOErrorHandler(report_lost_connection);
}

void restore_signals_after_windowing_start() {
  // The windowing library turns SIGINT and SIGTERM into quit events, and its crash "parachute"
  // on SIGSEGV and friends shuts the video down from inside the signal handler, which deadlocks
  // in the driver's unload. Every disposition goes back to what it was, inherited ones included
  // (a background job's ignored SIGINT stays ignored).
  for (int s = 1; s < NSIG; ++s) {
    struct sigaction now;
    if (!g_process.saved[s] || sigaction(s, nullptr, &now) != 0) continue;
    if (!same_handler(now, g_process.saved_actions[s]))
      sigaction(s, &g_process.saved_actions[s], nullptr);
  }
  describe_address_limit(g_process.crash_hint, sizeof g_process.crash_hint);
  for (int s : kCrashSignals) {
    if (!g_process.saved[s] || g_process.saved_actions[s].sa_handler != SIG_DFL) continue;
    struct sigaction crash = {};
    crash.sa_handler = report_crash;
    crash.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&crash.sa_mask);
    sigaction(s, &crash, nullptr);
  }
}
