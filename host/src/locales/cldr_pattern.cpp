// nlhost: CLDR date and time patterns as pieces (see cldr_pattern.h).
#include "cldr_pattern.h"

#include <unicode/smpdtfmt.h>

#include <memory>

namespace nlhost::cldr {
namespace {

constexpr Letter letter_of(char16_t c) {
  switch (c) {
    case 'y':
    case 'u':
    case 'r':
    case 'Y': return Letter::kYear;
    case 'M':
    case 'L': return Letter::kMonth;
    case 'd': return Letter::kDay;
    case 'E': return Letter::kWeekday;
    case 'c':
    case 'e': return Letter::kLocalWeekday;
    case 'H': return Letter::kHour23;
    case 'k': return Letter::kHour24;
    case 'h': return Letter::kHour12;
    case 'K': return Letter::kHour11;
    case 'm': return Letter::kMinute;
    case 's': return Letter::kSecond;
    case 'S': return Letter::kFraction;
    case 'a':
    case 'b':
    case 'B': return Letter::kDayPeriod;
    case 'G': return Letter::kEra;
    default: return Letter::kOther;
  }
}

constexpr bool is_pattern_letter(char16_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

std::vector<Piece> pieces(const icu::UnicodeString &pattern) {
  std::vector<Piece> out;
  // Literal text goes onto the last piece while it is literal.
  auto literal = [&]() -> icu::UnicodeString & {
    if (out.empty() || !out.back().is_literal()) out.emplace_back();
    return out.back().text;
  };
  const int32_t n = pattern.length();
  for (int32_t i = 0; i < n;) {
    const char16_t c = pattern.charAt(i);
    if (c == '\'') {
      // "''" is one quote, inside quoted text and out of it; one quote opens
      // text that runs to the next single quote.
      if (i + 1 < n && pattern.charAt(i + 1) == '\'') {
        literal() += u'\'';
        i += 2;
        continue;
      }
      for (++i; i < n; ++i) {
        if (pattern.charAt(i) != '\'') {
          literal() += pattern.charAt(i);
        } else if (i + 1 < n && pattern.charAt(i + 1) == '\'') {
          literal() += u'\'';
          ++i;
        } else {
          ++i;
          break;
        }
      }
      continue;
    }
    if (is_pattern_letter(c)) {
      int32_t count = 0;
      while (i < n && pattern.charAt(i) == c) ++i, ++count;
      out.push_back({letter_of(c), count, {}});
      continue;
    }
    literal() += c;
    ++i;
  }
  return out;
}

icu::UnicodeString style_pattern(icu::DateFormat *format) {
  const std::unique_ptr<icu::DateFormat> owned(format);
  icu::UnicodeString pattern;
  if (auto *simple = dynamic_cast<icu::SimpleDateFormat *>(format)) simple->toPattern(pattern);
  return pattern;
}

icu::UnicodeString best_pattern(icu::DateTimePatternGenerator &generator, const char16_t *skeleton) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString pattern = generator.getBestPattern(icu::UnicodeString(skeleton), status);
  return U_SUCCESS(status) ? pattern : icu::UnicodeString();
}

icu::UnicodeString join_date_time(const icu::UnicodeString &glue, const icu::UnicodeString &date,
                                  const icu::UnicodeString &time) {
  icu::UnicodeString out(glue);
  out.findAndReplace(u"{1}", date);
  out.findAndReplace(u"{0}", time);
  return out;
}

}  // namespace nlhost::cldr
