// The host's service routines, as installed into the vector table.  They have
// C linkage and prefixed names so that they never stand in for the module's
// own symbols (zmdy, wzstrip, ...) in a process that also links the module's
// objects.  Every routine serves Host::current() and never throws.
#ifndef NLHOST_SERVICES_H
#define NLHOST_SERVICES_H

#include <atomic>
#include <cstdint>

#include "uwinldat.h"

namespace nlhost {
class Host;
// The host the services serve (Host::current()), read inline: every service
// starts here, so finding it is one load.
extern std::atomic<Host *> g_current_host;
inline Host *current_host() { return g_current_host.load(std::memory_order_acquire); }
}  // namespace nlhost

// The prototypes of uwinldat_services.def under the prefixed names: the
// plain services, and the watched ones a test's ServiceWatch puts in their
// place (its bookkeeping, then the plain service's work).
extern "C" {
#define UWN_SERVICE(name, vector, slot, type, params) \
  type nlhost_svc_##name params noexcept;             \
  type nlhost_watched_##name params noexcept;
#include "uwinldat_services.def"
#undef UWN_SERVICE
}

#endif
