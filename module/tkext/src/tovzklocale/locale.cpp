// zkgetloc, zksetloc: the text of an item of the current locale, copied to or
// set from a caller's buffer.
#include <cstring>

#include "entry_text.h"
#include "tovzklocale.h"

namespace {

// Items whose text holds two variants "first;second"; the option GSTYLE picks
// the second.
constexpr int32_t kVariantItems[] = {8, 9, 10, 18, 19, 20, 21, 22};

bool is_variant_item(int32_t item) {
  for (const int32_t v : kVariantItems) {
    if (v == item) return true;
  }
  return false;
}

// Copies at most capacity bytes; the count copied.
int32_t copy_cut(char *dest, int32_t capacity, const char *source, int32_t count) {
  if (dest == nullptr || source == nullptr || capacity <= 0 || count <= 0) return 0;
  const int32_t n = count < capacity ? count : capacity;
  std::memcpy(dest, source, static_cast<size_t>(n));
  return n;
}

}  // namespace

extern "C" int32_t zkgetloc(int32_t item, char *dest, int32_t *length, const char *default_text,
                            int32_t default_length) {
  const int32_t capacity = length != nullptr ? *length : 0;
  int32_t copied = 0;
  int32_t status = UWN_OK;
  const uwn_locale_entry *entry = nullptr;
  if (item < 0) {
    status = UWN_NO_ITEM;
  } else if (wzsxglc(nullptr, item, &entry) != 0 || entry == nullptr) {
    copied = copy_cut(dest, capacity, default_text, default_length);
  } else {
    const char *text = entry->text;
    const int32_t text_length = uwn::entry_text_length(entry);
    const int32_t semicolon = is_variant_item(item) ? wzstpos(text, text_length, ';') : -1;
    if (semicolon < 0) {
      copied = copy_cut(dest, capacity, text, text_length);
    } else {
      uint64_t option_slot = 0;
      if (xoptbgt("GSTYLE", &option_slot) != 0) {
        copied = copy_cut(dest, capacity, text + semicolon + 1, text_length - semicolon - 1);
      } else {
        // A text that begins with ";" has no first variant: it is delivered whole.
        copied = copy_cut(dest, capacity, text, semicolon == 0 ? text_length : semicolon);
      }
    }
  }
  if (length != nullptr) *length = copied;
  return status;
}

extern "C" int32_t zksetloc(int32_t item, const char *text, int32_t length) {
  return wzsxplc(nullptr, item, text, length);
}
