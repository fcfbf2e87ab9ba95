// An LD_PRELOAD library that takes threads away: every pthread_create fails with EAGAIN, as when
// a process has reached its limit of threads (RLIMIT_NPROC) or its stacks no longer fit, so that a
// test can see the program draw everything on its main thread. The driver must then need no
// threads of its own (llvmpipe with LP_NUM_THREADS=0 and no shader cache).
//
// NO_THREADS_LOG=PATH appends one line per refused thread, so a test can tell the shim acted.
//
// Owns: nothing of the program. May not: change any other call.
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern "C" int pthread_create(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*) {
  if (const char* log = std::getenv("NO_THREADS_LOG")) {
    const int fd = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
      const char line[] = "pthread_create refused\n";
      if (write(fd, line, sizeof line - 1) < 0) {
      }
      close(fd);
    }
  }
  return EAGAIN;
}
