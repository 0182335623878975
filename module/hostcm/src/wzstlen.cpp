// wzstlen: bytes before the first NUL of a terminated text; 0 for null.
#include "uwn_module.h"

extern "C" int32_t wzstlen(const char *text) {
  if (text == nullptr) return 0;
  int32_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}
