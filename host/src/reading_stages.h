// nlhost: the stages a field passes through in FieldReader, each in a unit
// of its own: normalization (normalize.cpp), the whole-field check of
// numbers (number_shape.cpp), the ISO 8601 writers (iso_text.cpp) and the
// pipeline that runs them (reading.cpp).
#ifndef NLHOST_READING_STAGES_H
#define NLHOST_READING_STAGES_H

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "nlhost/host.h"
#include "nlhost/readers.h"

namespace nlhost::reading {

// The locale number readers look at 32 characters at most: a longer field is
// not read rather than read in part.
inline constexpr size_t kLongestNumber = 32;

constexpr bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

// The value of a decimal digit beyond ASCII (any script's), or -1.
int digit_value(char32_t c);

// What normalization makes of a character beyond ASCII wherever it stands,
// when that is a blank or nothing: ' ' for a blank of another width (the
// no-break spaces CLDR puts between fields among them), '\0' for an
// invisible mark that is dropped (bidi marks, the byte-order mark); nothing
// for any other character.  Locale texts are held the way fields are read.
std::optional<char> blank_or_mark(char32_t c);

// What a thread derived from a pattern text, remembered for the last few
// texts it asked about: a column asks about the same one or two patterns for
// every field, and comparing a short text costs less than deriving again.
template <class Facts, class Derive>
const Facts &remembered(std::string_view pattern, Derive derive) {
  struct Entry {
    std::string pattern;
    Facts facts;
    bool used = false;
  };
  thread_local Entry entries[4];
  thread_local size_t next = 0;
  for (const Entry &e : entries) {
    if (e.used && e.pattern == pattern) return e.facts;
  }
  Entry &e = entries[next];
  next = (next + 1) % std::size(entries);
  e.pattern.assign(pattern);
  e.facts = derive(pattern);
  e.used = true;
  return e.facts;
}

// How a locale item writes numbers, for the whole-field check.
struct NumberConventions {
  const uwn_number_convention *record;
  int primary_group = 3;  // digits in the group next to the decimal separator
  // Digits in each further group: the item's, the plain number item's (money
  // may be written with either), the primary size, or two: Indian grouping,
  // which software writes in locales whose Latin-digit patterns lack it.
  int secondary_groups[4] = {3, 3, 3, 2};
  bool sign_trails = false;  // a negative amount's sign comes after the digits
};

// The conventions of a number item of locale; nothing without a locale or
// without the item.
std::optional<NumberConventions> number_conventions(const Locale *locale, int32_t item);

// The text with the separators that go with Arabic-Indic digits replaced by
// the locale's decimal and grouping bytes; text itself when it holds none.
std::string_view number_separators(std::string_view text, const uwn_number_convention &r,
                                   std::string &scratch);

// What a number field says, read whole by the locale's conventions.
struct NumberShape {
  double value = 0;
  size_t currency_begin = 0, currency_end = 0;  // the currency text, when there is one
  // When not null: receives the value's exact decimal text, the field's own
  // digits (see decimal_text.h), or nothing when it would be too long.
  std::string *decimal = nullptr;
};

// Reads field whole by the conventions, as a number, an amount or a
// percentage (kind: kNumber, kMoney, kPercent); false when it is not one.
bool read_number_shape(std::string_view field, const NumberConventions &c, ReaderSource kind,
                       NumberShape *shape);

// The commonest number field in one pass: an optional '-', digits grouped
// as the conventions group them (or not at all), optionally the decimal
// separator and digits, nothing else, at most 15 digits.  True, *value and
// (when decimal is not null) *decimal set as read_number_shape sets them for
// any of the three kinds, when field is of that form; false when it is not
// (or not surely), and then read_number_shape decides.
bool read_plain_number(std::string_view field, const NumberConventions &c, double *value,
                       std::string *decimal);

}  // namespace nlhost::reading

#endif  // NLHOST_READING_STAGES_H
