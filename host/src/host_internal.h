// What the host's own services reach inside a Host (xexit, the locale lock,
// the pool) and what a test's ServiceWatch keeps for it.
// Not part of the host API: only host/src (and the tests of the host) include
// this header.
#ifndef NLHOST_HOST_INTERNAL_H
#define NLHOST_HOST_INTERNAL_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/host.h"
#include "nlhost/testing.h"

namespace nlhost {

// A test's watch over a host: the calls recorded and the failure armed.  The
// watched copies of the services consult it; the plain ones never do.
struct WatchState {
  std::atomic<bool> recording{false};
  std::atomic<bool> armed{false};
  std::atomic<bool> fail_allocations{false};
  mutable std::mutex mutex;
  std::string fail_service;
  int countdown = 0;
  std::vector<ServiceCall> calls;

  // Records a call when recording is on.
  void record(const char *service, int64_t number, std::string_view text = {});
  // Counts a call of service against the armed failure; true when it is to
  // fail.
  bool fails(const char *service);
};

struct HostAccess {
  static void exit(Host &host, int32_t code, int32_t detail) { host.exit(code, detail); }
  static std::mutex &locale_mutex(Host &host) { return host.locale_mutex(); }
  // The host's watch, made on first use (from a test, never from a service).
  static WatchState &watch(Host &host);
  // The host's watch, or null when no test has watched it.
  static WatchState *watch_if_any(const Host &host) { return host.watch_.get(); }
  static void **slot(Host &host, int vector, int slot) { return host.slot(vector, slot); }
  static void watch_services(Host &host, bool on) { host.watch_services(on); }
};

// The bookkeeping of a watched service for the current host's watch, done
// before the service's own work: watch_record records the call;
// watch_call records it too and answers whether the test armed it to fail.
void watch_record(const char *service, int64_t number, std::string_view text = {});
bool watch_call(const char *service, int64_t number, std::string_view text = {});

}  // namespace nlhost

#endif  // NLHOST_HOST_INTERNAL_H
