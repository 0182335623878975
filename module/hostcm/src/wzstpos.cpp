// wzstpos: 0-based offset of the first byte equal to the low 8 bits of
// byte, or -1.
#include "uwn_module.h"

extern "C" int32_t wzstpos(const char *text, int32_t length, int32_t byte) {
  if (text == nullptr || length <= 0) return -1;
  const auto wanted = static_cast<unsigned char>(byte & 0xFF);
  for (int32_t i = 0; i < length; ++i) {
    if (static_cast<unsigned char>(text[i]) == wanted) return i;
  }
  return -1;
}
