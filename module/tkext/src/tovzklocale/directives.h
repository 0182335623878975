// The pattern language's directives: what each letter stands for, plainly and
// in its alternate form (a lower-case letter, or "?" before the letter).  The
// expander writes by this table and the parser reads by it; each decodes a
// directive with one lookup in kTokens.
#ifndef TOVZKLOCALE_DIRECTIVES_H
#define TOVZKLOCALE_DIRECTIVES_H

#include <cstdint>
#include <iterator>

namespace uwn {

enum class Token : uint8_t {
  kBad,  // not a directive
  kPercent,
  kWeekdayName,
  kWeekdayAbbr,
  kMonthName,
  kMonthAbbr,
  kMonthFixed,    // the month name in the width of the longest
  kWeekdayFixed,  // the weekday name in the width of the longest
  kDay,
  kDayBlank,
  kWeekYear,
  kWeekYear2,
  kHours,
  kHours12,
  kDayOfYear,
  kMinutes,
  kMonth,
  kMonthBlank,
  kAmPm,
  kQuarter,
  kQuarterAbbr,
  kSeconds,
  kSundayWeek,
  kIsoWeekday,
  kIsoWeek,
  kIsoWeekNone,  // written as nothing, read as a week field
  kMondayWeek,
  kWeekday0,
  kYear,
  kYear2,
  kNothing,
};

struct Directive {
  char letter;
  Token plain;
  Token alternate;
};

inline constexpr Directive kDirectives[] = {
    {'%', Token::kPercent, Token::kPercent},
    {'A', Token::kWeekdayName, Token::kWeekdayAbbr},
    {'B', Token::kMonthName, Token::kMonthAbbr},
    {'C', Token::kMonthFixed, Token::kMonthFixed},
    {'D', Token::kDay, Token::kDay},
    {'E', Token::kDayBlank, Token::kDayBlank},
    {'F', Token::kWeekdayFixed, Token::kWeekdayFixed},
    {'G', Token::kWeekYear, Token::kWeekYear2},
    {'H', Token::kHours, Token::kHours},
    {'I', Token::kHours12, Token::kHours12},
    {'J', Token::kDayOfYear, Token::kDayOfYear},
    {'M', Token::kMinutes, Token::kMonth},
    {'N', Token::kMonth, Token::kMonth},
    {'O', Token::kMonthBlank, Token::kMonthBlank},
    {'P', Token::kAmPm, Token::kAmPm},
    {'Q', Token::kQuarter, Token::kQuarterAbbr},
    {'S', Token::kSeconds, Token::kSeconds},
    {'U', Token::kSundayWeek, Token::kIsoWeekday},
    {'V', Token::kIsoWeek, Token::kIsoWeekNone},
    {'W', Token::kMondayWeek, Token::kWeekday0},
    {'Y', Token::kYear, Token::kYear2},
    {'Z', Token::kNothing, Token::kNothing},
};
static_assert(std::size(kDirectives) == 22);

// Every byte's token, plain and alternate (kBad where the byte is no
// directive letter), so that decoding a directive is one lookup.
struct TokenTable {
  Token plain[256];
  Token alternate[256];
  constexpr TokenTable() : plain(), alternate() {
    for (const Directive &d : kDirectives) {
      plain[static_cast<unsigned char>(d.letter)] = d.plain;
      alternate[static_cast<unsigned char>(d.letter)] = d.alternate;
    }
  }
  // The token of letter (already upper-cased by the host's table).
  constexpr Token of(unsigned char letter, bool is_alternate) const {
    return is_alternate ? alternate[letter] : plain[letter];
  }
};
inline constexpr TokenTable kTokens;
static_assert(kTokens.of('M', false) == Token::kMinutes && kTokens.of('M', true) == Token::kMonth);
static_assert(kTokens.of('X', false) == Token::kBad && kTokens.of(' ', true) == Token::kBad);

}  // namespace uwn

#endif  // TOVZKLOCALE_DIRECTIVES_H
