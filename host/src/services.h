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

extern "C" {
// Locale (vector 4).
int32_t nlhost_svc_wzsxglc(void *locale, int32_t item, const uwn_locale_entry **entry) noexcept;
int32_t nlhost_svc_wzsxplc(void *locale, int32_t item, const char *text, int32_t length) noexcept;
int32_t nlhost_svc_wzsxoff(uwn_text_descriptor *text, int32_t offset) noexcept;
int32_t nlhost_svc_wzsxmov(uwn_text_descriptor *source, int32_t count,
                           uwn_text_descriptor *destination) noexcept;
// Toolkit (vector 0).
int32_t nlhost_svc_wzifmn(uwn_informat_block *block) noexcept;
double nlhost_svc_wzdttme(void) noexcept;
// Kernel (vector 30).
void nlhost_svc_xexit(int32_t code, int32_t detail) noexcept;
int32_t nlhost_svc_xfxbpn(uwn_informat_block *block, void *informat) noexcept;
int32_t nlhost_svc_xfrname(void *locale, const char *name, int32_t length, int32_t kind, int32_t zero,
                           void **informat) noexcept;
int32_t nlhost_svc_xoptbgt(const char *name, void *result) noexcept;
int32_t nlhost_svc_xpslstr(void *locale, char *dest, int32_t room, const char *format, int32_t count,
                           ...) noexcept;
// Calendar (vector 155).
double nlhost_svc_zdatprt(double datetime) noexcept;
double nlhost_svc_zhour(double datetime) noexcept;
double nlhost_svc_zminute(double time) noexcept;
double nlhost_svc_zsecond(double time) noexcept;
double nlhost_svc_zjuldat(double date) noexcept;
void nlhost_svc_zymdjul(double *year, double *month, double *day, double julian) noexcept;
double nlhost_svc_zmdy(double month, double day, double year) noexcept;
double nlhost_svc_zwekday(double date) noexcept;
}

#endif
