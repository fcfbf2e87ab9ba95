// An LD_PRELOAD library that makes the file system look like one without unnamed temporary files:
// every open asking for O_TMPFILE fails with EOPNOTSUPP, as on file systems that lack them, so
// the snapshot has to take its named temporary file instead. Every other open goes through.
//
// NO_TMPFILE_LOG=PATH appends one line per refused open to PATH, so a test can tell that the
// shim was in the way at all.
//
// Owns: nothing of the program. May not: change any open that does not ask for O_TMPFILE.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/lib/preload.h"

namespace {

bool wants_tmpfile(int flags) {
  return (flags & O_TMPFILE) == O_TMPFILE;
}

void note_refusal(const char* call) {
  const char* log = std::getenv("NO_TMPFILE_LOG");
  if (!log) return;
  const int fd = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  char line[64];
  const int n = std::snprintf(line, sizeof line, "%s O_TMPFILE refused\n", call);
  if (write(fd, line, n) < 0) {
  }
  close(fd);
}

// The mode argument is there when O_CREAT or O_TMPFILE asks for one.
mode_t mode_from(int flags, va_list args) {
  return (flags & O_CREAT) || wants_tmpfile(flags) ? va_arg(args, mode_t) : 0;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = mode_from(flags, args);
  va_end(args);
  if (wants_tmpfile(flags)) return note_refusal("open"), errno = EOPNOTSUPP, -1;
  return real_function<int (*)(const char*, int, ...)>("no_tmpfile", "open")(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = mode_from(flags, args);
  va_end(args);
  if (wants_tmpfile(flags)) return note_refusal("open64"), errno = EOPNOTSUPP, -1;
  return real_function<int (*)(const char*, int, ...)>("no_tmpfile", "open64")(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = mode_from(flags, args);
  va_end(args);
  if (wants_tmpfile(flags)) return note_refusal("openat"), errno = EOPNOTSUPP, -1;
  return real_function<int (*)(int, const char*, int, ...)>("no_tmpfile", "openat")(dir, path,
                                                                                    flags, mode);
}

int openat64(int dir, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = mode_from(flags, args);
  va_end(args);
  if (wants_tmpfile(flags)) return note_refusal("openat64"), errno = EOPNOTSUPP, -1;
  return real_function<int (*)(int, const char*, int, ...)>("no_tmpfile", "openat64")(dir, path,
                                                                                      flags, mode);
}

// What _FORTIFY_SOURCE builds call for an open whose flags the compiler cannot see.
int __open_2(const char* path, int flags) {
  if (wants_tmpfile(flags)) return note_refusal("__open_2"), errno = EOPNOTSUPP, -1;
  return real_function<int (*)(const char*, int)>("no_tmpfile", "__open_2")(path, flags);
}

int __open64_2(const char* path, int flags) {
  if (wants_tmpfile(flags)) return note_refusal("__open64_2"), errno = EOPNOTSUPP, -1;
  return real_function<int (*)(const char*, int)>("no_tmpfile", "__open64_2")(path, flags);
}

}  // extern "C"
