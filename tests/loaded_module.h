// The module as a host process sees it: uwinldat.so opened with dlopen, its
// exported routines found with dlsym.  Routines that need no host service
// can be called without an image entry.
#ifndef NLDAT_TESTS_LOADED_MODULE_H
#define NLDAT_TESTS_LOADED_MODULE_H

#include <dlfcn.h>

#include <cstdlib>
#include <cstdio>

namespace nldat_test {

inline void *module_handle() {
  static void *handle = [] {
    void *h = dlopen(NLDAT_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr) {
      std::fprintf(stderr, "cannot load %s: %s\n", NLDAT_MODULE_PATH, dlerror());
      std::abort();
    }
    return h;
  }();
  return handle;
}

// An exported symbol of the module, as the given type; aborts when absent.
template <class T>
T exported(const char *name) {
  void *p = dlsym(module_handle(), name);
  if (p == nullptr) {
    std::fprintf(stderr, "uwinldat.so does not export %s\n", name);
    std::abort();
  }
  return reinterpret_cast<T>(p);
}

}  // namespace nldat_test

#endif
