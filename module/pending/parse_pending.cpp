// Placeholder until the pattern reader lands: every text fails to fit.
#include "uwn_module.h"
extern "C" int32_t zkpdate(const char *, int32_t, const char *, int32_t, double *) { return UWN_NO_VALUE; }
extern "C" int32_t zkpdttm(const char *, int32_t, const char *, int32_t, double *) { return UWN_NO_VALUE; }
