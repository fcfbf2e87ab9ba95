// Starts as swancage does, SDL 1.2's start included (a quit handler on SIGINT, a crash filter of
// its own), then ends as its first argument asks, for tests/app/process_windows.sh to look at from
// outside: crash, stack-overflow, bad-alloc, closed-stdout FILE (descriptor 1 closed at start,
// then FILE opened and standard output printed to), wait and wait-ignoring (sleep after "ready",
// Ctrl-C ignored from the start in the latter), handle default|ignored (handle_if_default over
// SIGTERM's default or ignored disposition, then SIGTERM raised).
//
// Owns: nothing of the program. May not: change process_windows.cpp's state but through
// process.h.
#include <windows.h>

#include <io.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/process.h"

namespace {

constexpr int kHandledStatus = 9;  // the end of a SIGTERM that reached handle_if_default's handler
constexpr DWORD kWaitMs = 5000;    // how long "wait" lives unless a Ctrl-C ends it
constexpr int kPageSize = 4096;

// SDL's quit handler: turns the signal into an event the program's loop drops.
void quit_event(int signal_number) {
  std::signal(signal_number, quit_event);
}

// A filter of the windowing library's that leaves a crash to Windows (under Wine, to its debugger,
// which prints a register dump and a backtrace).
LONG WINAPI pass_on(EXCEPTION_POINTERS*) {
  return EXCEPTION_CONTINUE_SEARCH;
}

// Each call holds a page of its own, so that the stack runs out within a few hundred calls; the
// depth test only keeps the compiler from calling the recursion endless.
int recurse(int depth) {
  volatile char page[kPageSize];
  page[0] = char(depth);
  return depth == INT_MAX ? 0 : recurse(depth + 1) + page[0];
}

void end_handled(int) {
  std::_Exit(kHandledStatus);
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "";
  const char* argument = argc > 2 ? argv[2] : "";
  const auto is = [mode](const char* name) { return std::strcmp(mode, name) == 0; };
  if (is("closed-stdout")) _close(1);  // the C runtime frees the descriptor and the Windows handle
  if (is("wait-ignoring")) SetConsoleCtrlHandler(nullptr, TRUE);

  start_process("helper");
  guard_windowing_start();
  std::signal(SIGINT, quit_event);
  SetUnhandledExceptionFilter(pass_on);
  restore_signals_after_windowing_start();

  if (is("crash")) *static_cast<volatile int*>(nullptr) = 1;
  if (is("stack-overflow")) return recurse(0);
  if (is("bad-alloc")) throw std::bad_alloc();
  if (is("closed-stdout")) {
    FILE* later = std::fopen(argument, "w");
    std::printf("printed to standard output\n");
    std::fflush(stdout);
    std::fclose(later);
  }
  if (is("wait") || is("wait-ignoring")) {
    std::fprintf(stderr, "ready\n");
    Sleep(kWaitMs);
    std::fprintf(stderr, "still running\n");
  }
  if (is("handle")) {
    if (std::strcmp(argument, "ignored") == 0) std::signal(SIGTERM, SIG_IGN);
    handle_if_default(SIGTERM, end_handled, 0);
    std::raise(SIGTERM);
  }
  return 0;
}
