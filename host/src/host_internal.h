// What the host's own services reach inside a Host: call recording, the
// failure switch, xexit and the locale lock.
// Not part of the host API: only host/src (and the tests of the host) include
// this header.
#ifndef NLHOST_HOST_INTERNAL_H
#define NLHOST_HOST_INTERNAL_H

#include <cstdint>
#include <mutex>
#include <string_view>

#include "nlhost/host.h"

namespace nlhost {

struct HostAccess {
  // Records a service call when recording is on: a load and a branch when off.
  static void record(Host &host, const char *service, int64_t number, std::string_view text = {}) {
    host.record(service, number, text);
  }
  static bool recording(const Host &host) { return host.recording(); }
  // Whether a test records this host's calls or has armed a failure: both
  // flags in one test, so that a service's common path is one branch and can
  // leave the bookkeeping to an out-of-line routine.
  static bool instrumented(const Host &host) {
    return host.recording_.load(std::memory_order_relaxed) |
           host.failure_armed_.load(std::memory_order_relaxed);
  }
  // Counts a call of service against Host::fail_call; true when it is to fail.
  static bool should_fail(Host &host, const char *service) { return host.should_fail(service); }
  static void exit(Host &host, int32_t code, int32_t detail) { host.exit(code, detail); }
  static std::mutex &locale_mutex(Host &host) { return host.locale_mutex(); }
};

}  // namespace nlhost

#endif  // NLHOST_HOST_INTERNAL_H
