// nlhost: CLDR date and time patterns as pieces, for the host's two users of
// the locale's own patterns: the fixed-width pattern items of a loaded locale
// (icu_locale.cpp) and the forms the lenient reader matches
// (lenient/locale_forms.cpp).  Both see the same fields and the same literal
// text; each decides what a field becomes for it.
#ifndef NLHOST_CLDR_PATTERN_H
#define NLHOST_CLDR_PATTERN_H

#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <string>
#include <vector>

namespace nlhost::cldr {

// ICU's text as UTF-8, as the host holds every text of a locale.
inline std::string utf8(const icu::UnicodeString &text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

// What a run of one pattern letter stands for, whatever its length.
enum class Letter : uint8_t {
  kOther,         // zones, quarters, weeks, ...: no field of either user
  kYear,          // y u r Y (Y, the week-based year: the calendar year is its nearest)
  kMonth,         // M L: a number (one or two letters) or a name
  kDay,           // d
  kWeekday,       // E: a name
  kLocalWeekday,  // c e: a number (one or two letters) or a name
  kHour23,        // H: 0-23
  kHour24,        // k: 1-24
  kHour12,        // h: 1-12
  kHour11,        // K: 0-11
  kMinute,        // m
  kSecond,        // s
  kFraction,      // S
  kDayPeriod,     // a b B: AM/PM, noon and midnight, flexible day periods
  kEra,           // G
};

// A field (count letters of one kind) or a run of literal text: quotes
// removed, "''" as one quote, quoted and unquoted text next to each other as
// one run.
struct Piece {
  Letter letter = Letter::kOther;
  int32_t count = 0;  // 0: literal text
  icu::UnicodeString text;
  bool is_literal() const { return count == 0; }
};

// The pieces of a pattern, in order.
std::vector<Piece> pieces(const icu::UnicodeString &pattern);

// The pattern of a date or time style; takes the format (which may be null).
icu::UnicodeString style_pattern(icu::DateFormat *format);

// The generator's pattern for a skeleton ("yMMMEd"), or an empty one.
icu::UnicodeString best_pattern(icu::DateTimePatternGenerator &generator, const char16_t *skeleton);

// A date and a time joined by the locale's glue ("{1} {0}": {1} the date).
icu::UnicodeString join_date_time(const icu::UnicodeString &glue, const icu::UnicodeString &date,
                                  const icu::UnicodeString &time);

}  // namespace nlhost::cldr

#endif  // NLHOST_CLDR_PATTERN_H
