// wzstdel: removes every byte of set from text in place and returns the new
// length.  A negative text length means a NUL-terminated text (the result is
// terminated); otherwise the freed tail is blank-filled so that the field
// keeps its width.  A negative set length means a NUL-terminated set.
#include "uwn_module.h"

extern "C" int32_t wzstdel(char *text, int32_t length, const char *set, int32_t set_length) {
  const bool terminated = length < 0;
  if (terminated) length = wzstlen(text);
  if (set_length < 0) set_length = wzstlen(set);
  if (length == 0) return 0;
  if (set == nullptr || set_length == 0) {
    if (terminated) text[length] = '\0';
    return length;
  }
  int32_t kept = 0;
  if (set_length <= 2) {
    // One or two bytes (a sign, a pair of parentheses): compare directly
    // rather than clear a table.
    const char a = set[0], b = set[set_length - 1];
    for (int32_t i = 0; i < length; ++i) {
      const char c = text[i];
      if (c != a && c != b) text[kept++] = c;
    }
  } else {
    bool in_set[256] = {};
    for (int32_t i = 0; i < set_length; ++i) in_set[static_cast<unsigned char>(set[i])] = true;
    for (int32_t i = 0; i < length; ++i) {
      const char c = text[i];
      if (!in_set[static_cast<unsigned char>(c)]) text[kept++] = c;
    }
  }
  if (terminated) {
    text[kept] = '\0';
  } else if (kept < length) {
    std::memset(text + kept, ' ', static_cast<size_t>(length - kept));
  }
  return kept;
}
