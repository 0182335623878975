// The text of a locale text entry, bounded by the entry itself: a length the
// host reports as negative counts as 0, and no text runs past the entry's 152
// bytes whatever length the host reports.
#ifndef TOVZKLOCALE_ENTRY_TEXT_H
#define TOVZKLOCALE_ENTRY_TEXT_H

#include <cstddef>

#include "uwn_module.h"

namespace uwn {

constexpr int32_t kEntryTextRoom = UWN_ENTRY_SIZE - static_cast<int32_t>(offsetof(uwn_locale_entry, text));

inline int32_t entry_text_length(const uwn_locale_entry *entry) {
  const int32_t length = entry->length;
  if (length < 0) return 0;
  return length > kEntryTextRoom ? kEntryTextRoom : length;
}

// The name array that begins with first: entry k lies k * 152 bytes on.
inline const uwn_locale_entry *entry_at(const uwn_locale_entry *first, int k) { return first + k; }

}  // namespace uwn

#endif  // TOVZKLOCALE_ENTRY_TEXT_H
