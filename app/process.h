// Process-level safety around the window: standard descriptors, the program's name in its
// messages, signal dispositions, and the way the process ends when the X server or the GL driver
// fails under it.
//
// Owns: the program's name, the status a window failure ends with, the saved signal
// dispositions, the Xlib error handlers, the crash handler and what is known of the X display
// before the windowing library opens it. May not: call SDL, GL or the driver's teardown; a failure
// ends the process with _exit, because unloading a half-started driver can deadlock.
#pragma once

#include <cstddef>

// The first call of main: opens /dev/null on each of descriptors 0, 1 and 2 that is closed (so no
// file or connection opened later takes one of them and receives what the program writes to its
// standard streams), names the program in every message it prints from now on, and arms the crash
// report: a crash from here on prints one line, "PROGRAM: crashed with signal N" and what is known
// of the likely cause, then dies of the signal; an uncaught exception (the driver out of memory)
// ends the same way, its line naming the exception. Signals the caller inherited as ignored or
// handled stay so.
void start_process(const char* program);

// The command line's arguments in UTF-8, as the program reads every name: `argv` itself where
// the C library gives them so; on Windows, whose `argv` is in the ANSI code page and loses what it
// cannot show there, the wide command line converted.
char** utf8_arguments(int argc, char** argv);

// What a message about a failure that a process limit explains adds: "; the address space is
// limited to N MB (ulimit -v): allow more" where it is limited, "; only N files may be open at once
// (ulimit -n): allow more" where hardly another descriptor can be opened, and an empty text where
// neither holds.
constexpr size_t kLimitsTextSize = 160;  // room for both texts
void describe_limits(char* text, size_t size);

// Installs `handler` (with sigaction `flags`) for the signal if its disposition is the default:
// one the user chose to ignore or handle keeps that choice.
void handle_if_default(int signal_number, void (*handler)(int), int flags);

// Whether standard descriptor `fd` (0, 1 or 2) was closed before start_process put /dev/null there.
bool standard_stream_was_closed(int fd);

// The name given to start_process ("swancage" before it is called).
const char* program_name();

// Has the C library keep the heap memory the first frame frees, for the allocations that follow,
// instead of handing it back to the kernel and faulting it in again page by page: the driver frees
// and allocates its binned pieces and buffers over and over while the frame is drawn.
void keep_freed_heap_memory();

// Hands the heap's free memory back to the kernel, once the frame's big allocations are over, and
// trims the heap as usual from then on (undoing keep_freed_heap_memory).
void give_back_free_heap();

// Ends the process now with `status`, after flushing standard output and error, without the
// window's and the driver's teardown: the kernel and the X server release all of it at exit.
[[noreturn]] void exit_without_teardown(int status);

// The exit status of a failure to get a usable window or GL context (default 255), and a function
// run just before such an exit (it must be async-signal-safe; null for none).
void set_window_failure_exit(int status, void (*last_words)());

// Ends the process now with the window failure status, skipping atexit handlers and library
// destructors. Standard output and error are flushed first.
[[noreturn]] void exit_on_window_failure();

// Brackets the windowing library's start: remembers every signal's disposition, installs the
// X error handlers and looks at the X display (a 30-bit screen, the GLX request code) so that
// failures can name their likely cause; after the library has started, puts back each
// disposition it changed, the crash report's among them.
void guard_windowing_start();
void restore_signals_after_windowing_start();

// Whether the GL is asked to be indirect (LIBGL_ALWAYS_INDIRECT) or the display is on another
// machine: the likely cause when GLX refuses a context or offers an old GL.
bool gl_may_be_indirect();
