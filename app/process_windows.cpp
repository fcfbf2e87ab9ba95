// Standard handles, the crash report, console control events and the ends of a failed window, on
// Windows.
//
// Owns: the program's name, the status a window failure ends with, the saved C runtime signal
// dispositions and unhandled-exception filter, the crash report (the process's unhandled-exception
// filter and its SIGABRT handler) and the console control handler. May not: call SDL, GL or the
// driver's teardown; every end of the process here is TerminateProcess, because the DLL detach of
// a half-started driver, which ExitProcess runs, can deadlock.
#include "app/process.h"

#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>
#include <malloc.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <vector>

namespace {

using SignalHandler = void (*)(int);

constexpr int kDefaultWindowFailureStatus = 255;  // what main's -1 becomes
// What Windows' own console handler ends a process with on Ctrl-C, Ctrl-Break or a closed console.
constexpr UINT kConsoleInterruptStatus = STATUS_CONTROL_C_EXIT;
// GCC throws a C++ exception as a continuable Windows exception ("GCC" in its code) and calls
// std::terminate only when RaiseException returns, which it does when the unhandled-exception
// filter continues it: such an exception is not a crash, and the terminate handler reports it.
constexpr DWORD kGccExceptionMask = 0x20FFFFFF;
constexpr DWORD kGccException = ('G' << 16) | ('C' << 8) | 'C' | (1U << 29);
// What an MSVC-built library (a GL driver) throws as a C++ exception.
constexpr DWORD kMsvcCppException = 0xE06D7363;
// The C runtime dispositions the windowing library may change: SDL turns SIGINT and SIGTERM into
// quit events and puts its "parachute" on the crash signals.
constexpr int kWindowingSignals[] = {SIGINT, SIGTERM, SIGBREAK, SIGSEGV, SIGILL, SIGFPE, SIGABRT};
constexpr int kWindowingSignalCount = sizeof kWindowingSignals / sizeof kWindowingSignals[0];
constexpr DWORD kStandardHandles[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
constexpr char kNullDevice[] = "NUL";
constexpr int kHexDigits = 8;  // of an exception code
constexpr int kHexDigitBits = 4;
constexpr unsigned kHexDigitMask = 0xF;
constexpr int kMaxDecimalDigits = 10;  // of an unsigned
constexpr size_t kCrashHintSize = 320;
constexpr size_t kCrashLineSize = 512;
constexpr int kMegabyteShift = 20;
// As the C runtime's text-mode standard error ends the program's other messages.
constexpr char kLineEnd[] = "\r\n";

struct ExceptionName {
  DWORD code;
  const char* name;
};
// The exceptions a crash is likely to be, named in the crash report.
constexpr ExceptionName kExceptionNames[] = {
    {EXCEPTION_ACCESS_VIOLATION, "access violation"},
    {EXCEPTION_STACK_OVERFLOW, "stack overflow"},
    {EXCEPTION_ILLEGAL_INSTRUCTION, "illegal instruction"},
    {EXCEPTION_PRIV_INSTRUCTION, "privileged instruction"},
    {EXCEPTION_INT_DIVIDE_BY_ZERO, "integer divide by zero"},
    {EXCEPTION_INT_OVERFLOW, "integer overflow"},
    {EXCEPTION_FLT_DIVIDE_BY_ZERO, "floating-point divide by zero"},
    {EXCEPTION_FLT_INVALID_OPERATION, "invalid floating-point operation"},
    {EXCEPTION_DATATYPE_MISALIGNMENT, "misaligned data"},
    {EXCEPTION_IN_PAGE_ERROR, "a page of a mapped file could not be read"},
    {EXCEPTION_BREAKPOINT, "breakpoint"},
    {STATUS_NO_MEMORY, "out of memory"},
    {STATUS_HEAP_CORRUPTION, "heap corruption"},
    {kMsvcCppException, "an uncaught C++ exception"},
};

struct ProcessState {
  const char* program = "swancage";
  int window_failure_status = kDefaultWindowFailureStatus;
  void (*last_words)() = nullptr;  // run just before a failure exit or a crash's end
  SignalHandler saved_dispositions[kWindowingSignalCount] = {};  // from before the windowing start
  LPTOP_LEVEL_EXCEPTION_FILTER saved_filter = nullptr;
  bool closed_at_start[3] = {};  // standard streams that start_process found missing
  // Composed before any crash, so the crash report only has to write it.
  char crash_hint[kCrashHintSize] = {};
  // Where the crash report composes its line: a crash may come from a stack or a heap in no state
  // to be used.
  char crash_line[kCrashLineSize] = {};
  LONG crash_reported = 0;  // the first crashing thread reports; any other waits for the end
};
ProcessState g_process;

// The CRT's descriptor 2 first: fprintf(stderr) writes there, even where it was reopened on a
// file after the process started (SDL 1.2's WinMain sends it to stderr.txt).
HANDLE standard_error() {
  const intptr_t handle = _get_osfhandle(2);
  return handle >= 0 ? reinterpret_cast<HANDLE>(handle) : GetStdHandle(STD_ERROR_HANDLE);
}

char* append(char* at, const char* end, const char* text) {
  while (at < end && *text != '\0') *at++ = *text++;
  return at;
}

char* append_hex(char* at, const char* end, DWORD value) {
  at = append(at, end, "0x");
  for (int shift = (kHexDigits - 1) * kHexDigitBits; shift >= 0 && at < end; shift -= kHexDigitBits)
    *at++ = "0123456789ABCDEF"[(value >> shift) & kHexDigitMask];
  return at;
}

char* append_decimal(char* at, const char* end, unsigned value) {
  char digits[kMaxDecimalDigits];
  int count = 0;
  do {
    digits[count++] = char('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0 && at < end) *at++ = digits[--count];
  return at;
}

// Writes "PROGRAM: crashed with WHAT" and the hint as one line, with one WriteFile: no heap, no
// stdio, no locks, for the heap or the runtime may be what failed. Returns only in the first
// thread to crash; any other waits for it to end the process.
template <typename Describe>
void report_crash(Describe describe) {
  if (InterlockedExchange(&g_process.crash_reported, 1) != 0) Sleep(INFINITE);
  char* const line_end = g_process.crash_line + sizeof g_process.crash_line;
  char* const end = line_end - (sizeof kLineEnd - 1);  // the line end always fits
  char* at = append(g_process.crash_line, end, g_process.program);
  at = append(at, end, ": crashed with ");
  at = describe(at, end);
  at = append(at, end, g_process.crash_hint);
  at = append(at, line_end, kLineEnd);
  DWORD written = 0;
  WriteFile(standard_error(), g_process.crash_line, DWORD(at - g_process.crash_line), &written,
            nullptr);
  if (g_process.last_words) g_process.last_words();
}

LONG WINAPI report_unhandled_exception(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  if ((record.ExceptionCode & kGccExceptionMask) == kGccException &&
      (record.ExceptionFlags & EXCEPTION_NONCONTINUABLE) == 0)
    return EXCEPTION_CONTINUE_EXECUTION;
  report_crash([&record](char* at, const char* end) {
    at = append(at, end, "exception ");
    at = append_hex(at, end, record.ExceptionCode);
    for (const ExceptionName& known : kExceptionNames) {
      if (known.code != record.ExceptionCode) continue;
      at = append(at, end, " (");
      at = append(at, end, known.name);
      at = append(at, end, ")");
    }
    return at;
  });
  // The status an unhandled exception ends a process with, without the error reporting that
  // would follow and without the DLL detach.
  TerminateProcess(GetCurrentProcess(), record.ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// abort() and an uncaught exception raise SIGABRT.
void report_abort(int signal_number) {
  report_crash([signal_number](char* at, const char* end) {
    at = append(at, end, "signal ");
    return append_decimal(at, end, unsigned(signal_number));
  });
  std::signal(signal_number, SIG_DFL);  // a second pass through here would wait for ever
  std::raise(signal_number);            // the C runtime's own end: status 3, no text of its own
}

// An exception nobody catches (the driver's C++ code running out of memory: std::bad_alloc) ends
// the process as a crash does, with the crash report's one line, which names the exception.
// raise rather than abort: the C runtime's abort first prints a text of its own, or shows it in a
// message box in a program without a console.
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
  std::raise(SIGABRT);
  std::_Exit(EXIT_FAILURE);  // SIGABRT was ignored or handled: end all the same
}

// What the C runtime does with the signal now; signal() only tells by setting another.
SignalHandler disposition(int signal_number) {
  const SignalHandler now = std::signal(signal_number, SIG_DFL);
  if (now != SIG_ERR) std::signal(signal_number, now);
  return now;
}

// Ctrl-C, Ctrl-Break and a closed console end the program as SIGINT does elsewhere: at once, with
// the status Windows' own handler gives, but without ExitProcess's DLL detach, which can hang in a
// GL driver that the main thread was inside. A handler the program or a library set with
// signal(SIGINT) or signal(SIGBREAK), or an ignored one, keeps the event: the C runtime's console
// handler, next in line, gives it to them. Ctrl-C that the process inherited as ignored
// (SetConsoleCtrlHandler(NULL, TRUE)) never reaches a handler, and nothing here turns it back on.
BOOL WINAPI end_on_console_event(DWORD event) {
  int signal_number = 0;
  if (event == CTRL_C_EVENT)
    signal_number = SIGINT;
  else if (event == CTRL_BREAK_EVENT)
    signal_number = SIGBREAK;
  else if (event != CTRL_CLOSE_EVENT)
    return FALSE;
  if (signal_number != 0 && disposition(signal_number) != SIG_DFL) return FALSE;
  TerminateProcess(GetCurrentProcess(), kConsoleInterruptStatus);
  return TRUE;
}

bool usable(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// A descriptor without a handle (the C runtime marks one the process started without as -2) gets
// the null device, so that no file opened later takes its number and receives what the program
// writes to the stream; the standard handle follows the descriptor, so that whatever writes
// through the Windows handle lands in the same place.
void open_missing_standard_streams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (_get_osfhandle(fd) < 0) {
      g_process.closed_at_start[fd] = true;
      const int opened = _open(kNullDevice, fd == 0 ? _O_RDONLY : _O_WRONLY);
      if (opened < 0)  // no null device: nothing sane to do
        TerminateProcess(GetCurrentProcess(), kDefaultWindowFailureStatus);
      if (opened != fd) {
        _dup2(opened, fd);
        _close(opened);
      }
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (!usable(GetStdHandle(kStandardHandles[fd])) && usable(handle))
      SetStdHandle(kStandardHandles[fd], handle);
  }
}

void arm_crash_report() {
  // No error box may wait for a click: a crash report nobody sees would hold the process open.
  const UINT mode = SetErrorMode(0);
  SetErrorMode(mode | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  // assert and abort write their texts to standard error, never into a message box.
  _set_error_mode(_OUT_TO_STDERR);
#ifdef _UCRT
  _set_abort_behavior(0, _WRITE_ABORT_MSG | _CALL_REPORTFAULT);
#endif
  SetUnhandledExceptionFilter(report_unhandled_exception);
  handle_if_default(SIGABRT, report_abort, 0);
  std::set_terminate(end_on_uncaught_exception);
}

}  // namespace

void describe_limits(char* text, size_t size) {
  text[0] = '\0';
  // Windows has no per-process limit but a job object's: the process's own or the whole job's.
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION job = {};
  if (!QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &job, sizeof job,
                                 nullptr))
    return;
  const DWORD flags = job.BasicLimitInformation.LimitFlags;
  SIZE_T limit = 0;
  if (flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY) limit = job.ProcessMemoryLimit;
  if ((flags & JOB_OBJECT_LIMIT_JOB_MEMORY) && (limit == 0 || job.JobMemoryLimit < limit))
    limit = job.JobMemoryLimit;
  if (limit != 0)
    std::snprintf(text, size,
                  "; the process's memory is limited to %llu MB (a job object): allow more",
                  static_cast<unsigned long long>(limit >> kMegabyteShift));
}

// The Windows heap keeps freed blocks for the allocations that follow and decommits only large free
// runs, by thresholds fixed when the heap is made: no call tunes that at run time.
void keep_freed_heap_memory() {}

void give_back_free_heap() {
  _heapmin();
  HeapCompact(GetProcessHeap(), 0);
}

void exit_without_teardown(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), UINT(status));
  std::_Exit(status);  // not reached: TerminateProcess does not return to its own process
}

// Windows' signal() takes no flags: the C runtime puts the default disposition back before it
// calls a handler, as SA_RESETHAND does.
void handle_if_default(int signal_number, void (*handler)(int), int) {
  const SignalHandler was = std::signal(signal_number, handler);
  if (was != SIG_DFL && was != SIG_ERR) std::signal(signal_number, was);
}

void start_process(const char* program) {
  open_missing_standard_streams();
  g_process.program = program;
  describe_limits(g_process.crash_hint, sizeof g_process.crash_hint);
  arm_crash_report();
  SetConsoleCtrlHandler(end_on_console_event, TRUE);
}

bool standard_stream_was_closed(int fd) {
  return fd >= 0 && fd <= 2 && g_process.closed_at_start[fd];
}

char** utf8_arguments(int argc, char** argv) {
  static std::vector<std::string> texts;
  static std::vector<char*> pointers;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr || count != argc) return argv;  // not the command line argv came from
  for (int i = 0; i < count; ++i) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string text(n > 0 ? static_cast<size_t>(n) - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), n, nullptr, nullptr);
    texts.push_back(std::move(text));
  }
  LocalFree(wide);
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers.data();
}

const char* program_name() {
  return g_process.program;
}

// A WGL context always renders on this machine, the remote desktop's software GL included.
bool gl_may_be_indirect() {
  return false;
}

void set_window_failure_exit(int status, void (*last_words)()) {
  g_process.window_failure_status = status;
  g_process.last_words = last_words;
}

void exit_on_window_failure() {
  std::fflush(stdout);
  std::fflush(stderr);
  if (g_process.last_words) g_process.last_words();
  TerminateProcess(GetCurrentProcess(), UINT(g_process.window_failure_status));
  std::_Exit(g_process.window_failure_status);  // not reached
}

void guard_windowing_start() {
  for (int i = 0; i < kWindowingSignalCount; ++i)
    g_process.saved_dispositions[i] = disposition(kWindowingSignals[i]);
  g_process.saved_filter = SetUnhandledExceptionFilter(nullptr);
  SetUnhandledExceptionFilter(g_process.saved_filter);
}

// SDL turns SIGINT and SIGTERM into quit events, which the loop drops, and its parachute shuts
// the video down from inside a crash. Every disposition and the unhandled-exception filter go back
// to what they were; setting one that did not change changes nothing.
void restore_signals_after_windowing_start() {
  for (int i = 0; i < kWindowingSignalCount; ++i)
    if (g_process.saved_dispositions[i] != SIG_ERR)
      std::signal(kWindowingSignals[i], g_process.saved_dispositions[i]);
  SetUnhandledExceptionFilter(g_process.saved_filter);
}
