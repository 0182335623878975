// min: the smaller of two signed 32-bit integers.
#include "uwn_module.h"

extern "C" int32_t min(int32_t a, int32_t b) { return a < b ? a : b; }
