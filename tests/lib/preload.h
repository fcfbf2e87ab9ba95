// For the LD_PRELOAD shims that stand in for a driver's or library's behaviour: the real function
// the shim wraps, found below it.
#pragma once

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

// The next definition of `name` after the shim's own, as type F. A shim with nothing below it
// cannot do its job: it says which (naming itself) and aborts.
template <typename F>
F real_function(const char* shim, const char* name) {
  void* f = dlsym(RTLD_NEXT, name);
  if (!f) {
    std::fprintf(stderr, "%s: no %s below the shim\n", shim, name);
    std::abort();
  }
  return reinterpret_cast<F>(f);
}
