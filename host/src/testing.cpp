// The test watch over a host's services (nlhost/testing.h).
#include "nlhost/testing.h"

#include "host_internal.h"
#include "services.h"

namespace nlhost {

void WatchState::record(const char *service, int64_t number, std::string_view text) {
  if (!recording.load(std::memory_order_relaxed)) return;
  ServiceCall call{service, number, std::string(text)};
  std::lock_guard lock(mutex);
  calls.push_back(std::move(call));
}

bool WatchState::fails(const char *service) {
  if (!armed.load(std::memory_order_relaxed)) return false;
  std::lock_guard lock(mutex);
  if (!armed.load(std::memory_order_relaxed) || fail_service != service || --countdown > 0) return false;
  armed = false;
  return true;
}

WatchState &HostAccess::watch(Host &host) {
  if (host.watch_ == nullptr) host.watch_ = std::make_unique<WatchState>();
  return *host.watch_;
}

namespace {

WatchState *current_watch() {
  const Host *host = current_host();
  return host != nullptr ? HostAccess::watch_if_any(*host) : nullptr;
}

// The watched services are in the table while the watch has anything to do.
void update(Host &host, const WatchState &w) {
  HostAccess::watch_services(host, w.recording || w.armed || w.fail_allocations);
}

}  // namespace

void watch_record(const char *service, int64_t number, std::string_view text) {
  if (WatchState *w = current_watch()) w->record(service, number, text);
}

bool watch_call(const char *service, int64_t number, std::string_view text) {
  WatchState *w = current_watch();
  if (w == nullptr) return false;
  w->record(service, number, text);
  return w->fails(service);
}

void ServiceWatch::record_calls(bool on) {
  WatchState &w = HostAccess::watch(host_);
  w.recording = on;
  update(host_, w);
}

std::vector<ServiceCall> ServiceWatch::calls() const {
  const WatchState *w = HostAccess::watch_if_any(host_);
  if (w == nullptr) return {};
  std::lock_guard lock(w->mutex);
  return w->calls;
}

void ServiceWatch::clear_calls() {
  if (WatchState *w = HostAccess::watch_if_any(host_)) {
    std::lock_guard lock(w->mutex);
    w->calls.clear();
  }
}

void ServiceWatch::fail_call(std::string_view service, int nth) {
  WatchState &w = HostAccess::watch(host_);
  {
    std::lock_guard lock(w.mutex);
    w.fail_service = std::string(service);
    w.countdown = nth;
    w.armed = nth > 0;
  }
  update(host_, w);
}

void ServiceWatch::fail_allocations(bool fail) {
  WatchState &w = HostAccess::watch(host_);
  w.fail_allocations = fail;
  update(host_, w);
}

void *ServiceWatch::service(int vector, int slot) const {
  void **s = HostAccess::slot(host_, vector, slot);
  return s != nullptr ? *s : nullptr;
}

void ServiceWatch::set_service(int vector, int slot, void *routine) {
  if (void **s = HostAccess::slot(host_, vector, slot)) *s = routine;
}

}  // namespace nlhost
