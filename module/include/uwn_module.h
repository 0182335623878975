// Module-internal view of the host: the exported interface with default
// visibility, the control block anchor, and the values every routine reads
// from the control block.  Everything not declared through uwinldat.h stays
// hidden (the module is built with -fvisibility=hidden).
#ifndef UWN_MODULE_H
#define UWN_MODULE_H

#pragma GCC visibility push(default)
#include "uwinldat.h"
#pragma GCC visibility pop

#include <cstdint>
#include <cstring>

// Hidden alias of v_global_gcb_anchor: the module's own references reach the
// anchor without the GOT (the stubs use it too).
extern "C" __attribute__((visibility("hidden"))) uint64_t uwn_gcb_anchor;

namespace uwn {

inline const uwn_control_block *gcb() { return reinterpret_cast<const uwn_control_block *>(uwn_gcb_anchor); }

// The host's standard missing value, read afresh on every call.
inline double missing_value() { return gcb()->missing_holder->missing; }

// The current locale handle.
inline void *current_locale() { return gcb()->locale_holder->current_locale; }

inline bool is_digit(unsigned char c) { return (gcb()->char_class[c] & UWN_CLASS_DIGIT) != 0; }
inline bool is_lower(unsigned char c) { return (gcb()->char_class[c] & UWN_CLASS_LOWER) != 0; }
inline unsigned char to_upper(unsigned char c) { return gcb()->upper[c]; }

// Sets up a host text descriptor over the first length bytes of text (at most
// UWN_DESCRIPTOR_MAX): the host's first wzsxoff call prepares it for the
// multibyte services; its answer is not needed.
inline void describe(uwn_text_descriptor &d, const char *text, int32_t length) {
  d = uwn_text_descriptor{};
  d.capacity = static_cast<int16_t>(length);
  d.length = static_cast<int16_t>(length);
  d.text = text;
  if (length > 0) wzsxoff(&d, 0);
}

// A missing value has all of its top 16 bits set.
inline bool is_missing(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return (bits >> 48) == 0xFFFFu;
}

}  // namespace uwn

#endif  // UWN_MODULE_H
