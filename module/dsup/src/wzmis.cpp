// wzmis: 1 when x is a missing value (top 16 bits all ones), else 0.
#include "uwn_module.h"

extern "C" int32_t wzmis(double x) { return uwn::is_missing(x) ? 1 : 0; }
