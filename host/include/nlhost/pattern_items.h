// nlhost: "@N", the locale item that holds a date or time pattern, as the
// pattern a value is written by.  The CLI's format command and the database
// bindings accept the same items for the same values, so that a date is never
// written by a clock pattern (which gives "**:**:**") nor by an item that holds
// no pattern at all (a month name, which would be written as it stands).
#ifndef NLHOST_PATTERN_ITEMS_H
#define NLHOST_PATTERN_ITEMS_H

#include <cstdint>
#include <string_view>

#include "nlhost/readers.h"

namespace nlhost {

// The items that hold patterns: 28 and 29 the short and medium date, 30 to 34
// date and time together, 35 and 36 the time alone, 37 and 38 the full and
// the abbreviated date with its weekday.
constexpr int32_t kFirstPatternItem = 28;
constexpr int32_t kLastPatternItem = 38;

// What the pattern of item holds; item is one of the pattern items.
constexpr ValueKind pattern_item_kind(int32_t item) {
  if (item >= 30 && item <= 34) return ValueKind::kDatetime;
  if (item == 35 || item == 36) return ValueKind::kTime;
  return ValueKind::kDate;
}

// A pattern argument read as "@N".
struct PatternItem {
  bool is_item = false;           // the pattern is "@..." (at least two bytes)
  int32_t item = 0;               // its number, when problem is null
  const char *problem = nullptr;  // why it cannot write the value, or null
};

// Whether pattern names a locale item and, when it does, whether a value of
// kind can be written by it: a date by a date item, a time by a time item, a
// datetime by any of them (the date, the time or both of it).
constexpr PatternItem pattern_item(std::string_view pattern, ValueKind kind) {
  PatternItem result;
  if (pattern.size() < 2 || pattern[0] != '@') return result;
  result.is_item = true;
  int64_t item = 0;
  for (const char c : pattern.substr(1)) {
    if (c < '0' || c > '9' || item > kLastPatternItem) {
      result.problem =
          c < '0' || c > '9' ? "\"@N\" names locale item N by its number" : "the pattern items are 28 to 38";
      return result;
    }
    item = item * 10 + (c - '0');
  }
  if (item < kFirstPatternItem || item > kLastPatternItem) {
    result.problem = "the pattern items are 28 to 38";
    return result;
  }
  const ValueKind holds = pattern_item_kind(static_cast<int32_t>(item));
  if (kind == ValueKind::kDate && holds != ValueKind::kDate) {
    result.problem = holds == ValueKind::kTime
                         ? "the item holds a time pattern; dates are written by 28, 29, 37, 38"
                         : "the item holds a date and time pattern; dates are written by "
                           "28, 29, 37, 38";
  } else if (kind == ValueKind::kTime && holds != ValueKind::kTime) {
    result.problem = "the item holds no time pattern; times are written by 35 and 36";
  } else if (kind == ValueKind::kNumber) {
    result.problem = "numbers are not written by a pattern item";
  }
  result.item = static_cast<int32_t>(item);
  return result;
}

}  // namespace nlhost

#endif  // NLHOST_PATTERN_ITEMS_H
