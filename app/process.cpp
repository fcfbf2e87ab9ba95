// Standard descriptors, signal dispositions and the ends of a failed window.
#include "app/process.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int kDefaultWindowFailureStatus = 255;  // what main's -1 becomes
// A window or display connection opens a handful of descriptors (the connection, the driver's
// device and its fences); a process that cannot open this many more is short of them.
constexpr int kSpareDescriptors = 16;
// SIGABRT too: the driver's C++ code aborts when it cannot allocate (an uncaught std::bad_alloc).
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// The window a 30-bit screen cannot give SDL 1.2, and what to do about it.
constexpr char kDeepScreenHint[] =
    "; SDL 1.2 cannot open an OpenGL window on this 30-bit screen, which offers no 24-bit "
    "visual: run the X server at depth 24, or use sdl12-compat";

struct ProcessState {
  const char* program = "swancage";
  int window_failure_status = kDefaultWindowFailureStatus;
  int glx_request_code = -1;  // GLX's major request code on the display, when known
  // The connection that looked at the display, held until the windowing library has its own: an
  // X server that sees its last client leave resets, and refuses connections while it does.
  Display* looked_at = nullptr;
  void (*last_words)() = nullptr;        // run just before a failure exit or a crash's death
  struct sigaction saved_actions[NSIG];  // every disposition from before the windowing library
  bool saved[NSIG];
  bool closed_at_start[3] = {};  // standard descriptors that start_process found closed
  // Composed before any crash, so the crash handler only has to write it.
  char crash_hint[320];
};
ProcessState g_process;

bool same_handler(const struct sigaction& a, const struct sigaction& b) {
  if ((a.sa_flags & SA_SIGINFO) != (b.sa_flags & SA_SIGINFO)) return false;
  return (a.sa_flags & SA_SIGINFO) ? a.sa_sigaction == b.sa_sigaction
                                   : a.sa_handler == b.sa_handler;
}

void write_text(const char* text) {
  ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
  (void)ignored;
}

// Async-signal-safe: fixed texts and a hand-made number only.
void report_crash(int signal_number) {
  char number[4] = {char('0' + signal_number / 10 % 10), char('0' + signal_number % 10), '\0'};
  write_text(g_process.program);
  write_text(": crashed with signal ");
  write_text(signal_number >= 10 ? number : number + 1);
  write_text(g_process.crash_hint);
  write_text("\n");
  if (g_process.last_words) g_process.last_words();
  raise(signal_number);  // the disposition is the default again: die of the signal, core and all
}

int report_x_error(Display* display, XErrorEvent* event) {
  char text[128];
  XGetErrorText(display, event->error_code, text, sizeof text);
  if (event->request_code == g_process.glx_request_code && gl_may_be_indirect()) {
    std::fprintf(stderr,
                 "%s: the GL is indirect (LIBGL_ALWAYS_INDIRECT is set, or the display is on "
                 "another machine) and the X server refused it (request %d.%d: %s); %s needs "
                 "direct rendering: unset LIBGL_ALWAYS_INDIRECT, or run it where the display is\n",
                 g_process.program, event->request_code, event->minor_code, text,
                 g_process.program);
    exit_on_window_failure();
  }
  char hint[kLimitsTextSize];
  describe_limits(hint, sizeof hint);
  std::fprintf(stderr, "%s: the X server refused request %d.%d: %s%s\n", g_process.program,
               event->request_code, event->minor_code, text, hint);
  exit_on_window_failure();
}

int report_lost_connection(Display*) {
  std::fprintf(stderr, "%s: lost the connection to the X server\n", g_process.program);
  exit_on_window_failure();
}

void arm_crash_report() {
  for (int s : kCrashSignals) handle_if_default(s, report_crash, SA_RESETHAND | SA_NODEFER);
}

// SDL 1.2 (unlike sdl12-compat) crashes opening an OpenGL window on a 30-bit X screen. It takes
// the visual SDL_VIDEO_X11_VISUALID names, so a 24-bit TrueColor visual is handed to it where the
// screen has one; otherwise the crash report names the likely cause. Also notes GLX's request
// code, which X errors carry.
void look_at_x_display() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return;  // the windowing library says so in its own words
  g_process.looked_at = display;
  int first_event = 0, first_error = 0;
  if (!XQueryExtension(display, "GLX", &g_process.glx_request_code, &first_event, &first_error))
    g_process.glx_request_code = -1;
  const int screen = DefaultScreen(display);
  if (DefaultDepth(display, screen) > 24 && std::getenv("SDL_VIDEO_X11_VISUALID") == nullptr) {
    XVisualInfo visual;
    if (XMatchVisualInfo(display, screen, 24, TrueColor, &visual)) {
      char id[32];
      std::snprintf(id, sizeof id, "0x%lx", visual.visualid);
      setenv("SDL_VIDEO_X11_VISUALID", id, 0);
    } else {
      std::snprintf(g_process.crash_hint, sizeof g_process.crash_hint, "%s", kDeepScreenHint);
    }
  }
}

// An exception nobody catches (the driver's C++ code running out of memory: std::bad_alloc) ends
// the process as a crash does, with the crash report's one line, which names the exception, and
// none of the runtime's own.
[[noreturn]] void end_on_uncaught_exception() {
  const char* what = "an exception";
  try {
    if (std::current_exception()) std::rethrow_exception(std::current_exception());
  } catch (const std::bad_alloc&) {
    what = "out of memory (std::bad_alloc)";
  } catch (...) {
  }
  char limit[kLimitsTextSize];
  describe_limits(limit, sizeof limit);
  std::snprintf(g_process.crash_hint, sizeof g_process.crash_hint, ", %s%s", what, limit);
  std::abort();
}

}  // namespace

void describe_limits(char* text, size_t size) {
  text[0] = '\0';
  struct rlimit limit;
  size_t used = 0;
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    used = static_cast<size_t>(std::snprintf(
        text, size, "; the address space is limited to %llu MB (ulimit -v): allow more",
        static_cast<unsigned long long>(limit.rlim_cur >> 20)));
  // Room for a few more descriptors is what a window or a display connection needs next; where
  // even that is missing the open-file limit explains the failure (the library's own message
  // says "Couldn't open X11 display" or "No available video device").
  int spares[kSpareDescriptors];
  int room = 0;
  while (room < kSpareDescriptors && (spares[room] = dup(STDERR_FILENO)) != -1) ++room;
  for (int i = 0; i < room; ++i) close(spares[i]);
  if (room < kSpareDescriptors && used < size && getrlimit(RLIMIT_NOFILE, &limit) == 0 &&
      limit.rlim_cur != RLIM_INFINITY)
    std::snprintf(text + used, size - used,
                  "; only %llu files may be open at once (ulimit -n): allow more",
                  static_cast<unsigned long long>(limit.rlim_cur));
}

void keep_freed_heap_memory() {
  // Above these the heap is trimmed (the default is 128 kB, and adapts upwards), and every
  // growth of the heap asks for this much more than needed.
  constexpr int kTrimThreshold = 256 << 20;
  constexpr int kTopPad = 16 << 20;
  mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
  mallopt(M_TOP_PAD, kTopPad);
  // Every thread allocates from the one heap: memory a thread's own arena keeps at its top, which
  // malloc_trim does not reach, could not be given back once the frame is drawn.
  mallopt(M_ARENA_MAX, 1);
}

void give_back_free_heap() {
  constexpr int kDefaultTrimThreshold = 128 << 10;  // both as mallopt(3) gives them
  constexpr int kDefaultTopPad = 128 << 10;
  mallopt(M_TRIM_THRESHOLD, kDefaultTrimThreshold);
  mallopt(M_TOP_PAD, kDefaultTopPad);
  malloc_trim(0);
}

void exit_without_teardown(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(status);
}

void handle_if_default(int signal_number, void (*handler)(int), int flags) {
  struct sigaction now;
  if (sigaction(signal_number, nullptr, &now) != 0 || now.sa_handler != SIG_DFL) return;
  struct sigaction action = {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
}

void start_process(const char* program) {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    g_process.closed_at_start[fd] = true;
    // open returns the lowest free descriptor, which is this one: the lower ones are open.
    const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened != fd) _exit(kDefaultWindowFailureStatus);  // no /dev/null: nothing sane to do
  }
  g_process.program = program;
  describe_limits(g_process.crash_hint, sizeof g_process.crash_hint);
  arm_crash_report();
  std::set_terminate(end_on_uncaught_exception);
}

bool standard_stream_was_closed(int fd) {
  return fd >= STDIN_FILENO && fd <= STDERR_FILENO && g_process.closed_at_start[fd];
}

char** utf8_arguments(int, char** argv) {
  return argv;
}

const char* program_name() {
  return g_process.program;
}

bool gl_may_be_indirect() {
  const char* indirect = std::getenv("LIBGL_ALWAYS_INDIRECT");
  if (indirect != nullptr && *indirect != '\0' && std::strcmp(indirect, "0") != 0 &&
      std::strcmp(indirect, "false") != 0)
    return true;
  // "host:display.screen": a host other than this one's own names means a remote display.
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || display[0] == ':' || display[0] == '/') return false;
  const char* colon = std::strrchr(display, ':');
  const size_t host = colon ? static_cast<size_t>(colon - display) : std::strlen(display);
  return !(host == 4 && std::strncmp(display, "unix", 4) == 0);
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
  look_at_x_display();
  // Xlib's own handlers print a block and call exit(1), whose teardown of a half-loaded driver
  // can hang. The windowing library installs its handlers over these and passes errors on.
  XSetErrorHandler(report_x_error);
  XSetIOErrorHandler(report_lost_connection);
}

void restore_signals_after_windowing_start() {
  if (g_process.looked_at != nullptr)
    XCloseDisplay(g_process.looked_at);  // the library has its own
  g_process.looked_at = nullptr;
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
}
