// nlhost::ServiceWatch: a test's hold on a Host's services.
//
// It records the calls the module makes, fails the nth call of a service,
// makes the pool answer null, and reads or replaces a slot of the vector
// table.  While it records or has a failure armed, the host's table holds
// watched copies of its services (each does the bookkeeping and then the
// service's work); otherwise the plain services, which carry no test in
// their path, are in place.  The watch's state belongs to the host: any
// number of ServiceWatch objects over one host see the same calls.
//
//   nlhost::ServiceWatch watch(host);
//   watch.record_calls(true);
//   ... call the module ...
//   for (const nlhost::ServiceCall &call : watch.calls()) ...
#ifndef NLHOST_TESTING_H
#define NLHOST_TESTING_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/host.h"

namespace nlhost {

// One recorded service call.
struct ServiceCall {
  std::string service;  // "wzsxglc", "xfrname", ..., "pool" for an allocation
  int64_t number = 0;   // item number, vector-specific integer argument
  std::string text;     // name or text argument, where there is one
};

class ServiceWatch {
 public:
  explicit ServiceWatch(Host &host) : host_(host) {}

  // Call recording.  Recording is for one thread at a time to switch; the
  // calls themselves may come from any number of threads.
  void record_calls(bool on);
  std::vector<ServiceCall> calls() const;
  void clear_calls();

  // Makes the nth call of a service from now on fail the way that service
  // fails: "wzsxglc" and "wzsxplc" no item, "xfrname" not found, "xfxbpn" and
  // "wzifmn" a nonzero status, the calendar services the missing value,
  // "pool" null.  Once only; nth 0 disarms.
  void fail_call(std::string_view service, int nth);

  // With fail_allocations(true) the pool answers null.
  void fail_allocations(bool fail);

  // Direct access to a service slot (tests install spies here).  A routine
  // set here stays in place whether or not the watch records.
  void *service(int vector, int slot) const;
  void set_service(int vector, int slot, void *routine);

 private:
  Host &host_;
};

}  // namespace nlhost

#endif  // NLHOST_TESTING_H
