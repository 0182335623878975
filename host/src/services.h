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
// How many hosts have lead bytes of their own (Host::set_multibyte_lead):
// while none has, text is plain UTF-8 and wzsxoff need not find its host.
extern std::atomic<int> g_hosts_with_leads;
inline bool plain_utf8() { return g_hosts_with_leads.load(std::memory_order_acquire) == 0; }
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

// The services as first written, for every argument.  The plain services
// answer their common case inline and hand the rest to these; a test checks
// that the two answer alike.
namespace nlhost::reference {
double zmdy(double month, double day, double year) noexcept;
double zjuldat(double date) noexcept;
void zymdjul(double *year, double *month, double *day, double julian) noexcept;
double zwekday(double date) noexcept;
int32_t wzsxoff(uwn_text_descriptor *text, int32_t offset) noexcept;
int32_t wzsxglc(void *locale, int32_t item, const uwn_locale_entry **entry) noexcept;
int32_t wzifmn(uwn_informat_block *block) noexcept;
}  // namespace nlhost::reference

#endif
