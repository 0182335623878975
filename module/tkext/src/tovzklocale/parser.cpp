// The pattern reader: walks a locale date, datetime or time pattern and a
// field of text side by side, reads each directive's fixed-width field, and
// assembles a date through the host calendar and a time of day in seconds.
#include <cstring>

#include "directives.h"
#include "entry_text.h"
#include "tovzklocale.h"

namespace {

enum Result : int32_t {
  kRead = 0,        // text read; date (unless a time pattern) and time stored
  kMismatch = 1,    // a literal byte differs, or the date is incomplete or invalid
  kBadField = 2,    // bad directive, unreadable field, name or designator
  kNoTimeItem = -1  // the locale lacks item 35 or 36
};

using uwn::Token;

constexpr int kMonths = 12;
constexpr int kWeekdays = 7;
constexpr int32_t kNoon = 12 * 3600;
constexpr int32_t kOneOClock = 13 * 3600;

struct Fields {
  int32_t year = 0, month = 0, day = 0;
  int32_t hour = 0, minute = 0, second = 0;
  bool twelve_hour = false, pm = false, time_seen = false;
};

// The value 0..99 of the two-character number field "ab" by the host's
// character classes, or -1: b must be a digit; any non-digit a is a filler,
// so " 7", "+7" and "x7" all read 7.
inline int32_t digit_pair(const uint8_t *klass, unsigned char a, unsigned char b) {
  if ((klass[b] & UWN_CLASS_DIGIT) == 0) return -1;
  return (klass[a] & UWN_CLASS_DIGIT) != 0 ? 10 * (a - '0') + (b - '0') : b - '0';
}

// What a name or designator match consumed: step bytes of text (-1: no
// match) and the 1-based position or the PM flag it stands for.
struct Match {
  int32_t step;
  int32_t value;
};

// Matches a name of the array at first_item against the rest bytes at text.
// Padded names (C, F) take the last match and the width of the longest name.
Match match_name(void *locale, const unsigned char *text, int32_t rest, int32_t first_item, int count,
                 bool padded) {
  const uwn_locale_entry *first = nullptr;
  if (wzsxglc(locale, first_item, &first) != 0 || first == nullptr) return {-1, 0};
  int32_t found = 0, found_length = 0, longest = 0;
  for (int k = 0; k < count; ++k) {
    const uwn_locale_entry *e = uwn::entry_at(first, k);
    const int32_t length = uwn::entry_text_length(e);
    if (length > longest) longest = length;
    if (found != 0 && !padded) break;  // the longest counts only for padded names
    // The first byte settles most entries without a call.
    if (length <= rest && (length == 0 || (text[0] == static_cast<unsigned char>(e->text[0]) &&
                                           std::memcmp(text, e->text, static_cast<size_t>(length)) == 0))) {
      found = k + 1;
      found_length = length;
    }
  }
  if (found == 0) return {-1, 0};
  const int32_t step = padded ? longest : found_length;
  return {step > rest ? rest : step, found};
}

// The AM or PM designator at text; value 1 for PM.
Match match_designator(void *locale, const unsigned char *text, int32_t rest) {
  const uwn_locale_entry *am = nullptr;
  const uwn_locale_entry *pm = nullptr;
  const bool have_am = wzsxglc(locale, UWN_ITEM_AM, &am) == 0 && am != nullptr;
  const bool have_pm = wzsxglc(locale, UWN_ITEM_PM, &pm) == 0 && pm != nullptr;
  if (have_am && have_pm) {
    const uwn_locale_entry *const designators[] = {am, pm};
    for (const uwn_locale_entry *e : designators) {
      const int32_t length = uwn::entry_text_length(e);
      if (length <= rest && std::memcmp(text, e->text, static_cast<size_t>(length)) == 0)
        return {length, e == pm ? 1 : 0};
    }
    return {-1, 0};
  }
  // Without the locale's designators: AM or PM in either case.
  if (rest < 2) return {-1, 0};
  const unsigned char a = text[0], m = text[1];
  if (m != 'm' && m != 'M') return {-1, 0};
  if (a == 'a' || a == 'A') return {2, 0};
  if (a == 'p' || a == 'P') return {2, 1};
  return {-1, 0};
}

// The scan's position in pattern and text, and what it has read.  Kept in
// locals by the one routine that uses it, so that the walk stays in
// registers; only the host's descriptor is seen by the host.
struct Scan {
  const unsigned char *text;
  int32_t tlen;
  int32_t t;
  Fields f;
};

// A two-character number field at the scan's position.
inline bool number_field(const uint8_t *klass, Scan &s, int32_t &value) {
  if (s.tlen - s.t < 2) return false;
  const int32_t v = digit_pair(klass, s.text[s.t], s.text[s.t + 1]);
  if (v < 0) return false;
  value = v;
  s.t += 2;
  return true;
}

// A name or designator match: advances past it.
inline bool matched(Scan &s, Match m) {
  if (m.step < 0) return false;
  s.t += m.step;
  return true;
}

// Reads the field of one directive at the scan's position, as act() writes
// it in the expander; false for a directive the reader does not know or a
// field it cannot read.
inline __attribute__((always_inline)) bool read_field(Token token, void *locale, const uint8_t *klass,
                                                      Scan &s) {
  Fields &f = s.f;
  const unsigned char *at = s.text + s.t;
  const int32_t rest = s.tlen - s.t;
  switch (token) {
    case Token::kDay:
    case Token::kDayBlank: return number_field(klass, s, f.day);
    case Token::kMonth:
    case Token::kMonthBlank: return number_field(klass, s, f.month);
    case Token::kYear: {
      int32_t century = 0, year = 0;
      if (!number_field(klass, s, century) || !number_field(klass, s, year)) return false;
      f.year = 100 * century + year;  // [0, 9999]
      return true;
    }
    case Token::kYear2: return number_field(klass, s, f.year);
    case Token::kHours12: f.twelve_hour = true; [[fallthrough]];
    case Token::kHours: f.time_seen = true; return number_field(klass, s, f.hour);
    case Token::kMinutes: f.time_seen = true; return number_field(klass, s, f.minute);
    case Token::kSeconds: f.time_seen = true; return number_field(klass, s, f.second);
    case Token::kWeekdayName:
    case Token::kWeekdayAbbr: {
      const int32_t item = token == Token::kWeekdayAbbr ? UWN_ITEM_WEEKDAY_ABBR : UWN_ITEM_WEEKDAY;
      return matched(s, match_name(locale, at, rest, item, kWeekdays, false));
    }
    case Token::kWeekdayFixed:
      return matched(s, match_name(locale, at, rest, UWN_ITEM_WEEKDAY, kWeekdays, true));
    case Token::kMonthName:
    case Token::kMonthAbbr:
    case Token::kMonthFixed: {
      const bool fixed = token == Token::kMonthFixed;
      const int32_t item = token == Token::kMonthAbbr ? UWN_ITEM_MONTH_ABBR : UWN_ITEM_MONTH;
      const Match m = match_name(locale, at, rest, item, kMonths, fixed);
      if (m.step >= 0) f.month = m.value;
      return matched(s, m);
    }
    case Token::kAmPm: {
      const Match m = match_designator(locale, at, rest);
      if (m.step >= 0) f.pm = m.value != 0;
      return matched(s, m);
    }
    // Week fields are not read: their first byte is passed over.
    case Token::kSundayWeek:
    case Token::kIsoWeekday:
    case Token::kIsoWeek:
    case Token::kIsoWeekNone:
    case Token::kMondayWeek:
    case Token::kWeekday0: ++s.t; return true;
    case Token::kNothing: return true;
    // Written by the expander only.
    case Token::kBad:
    case Token::kPercent:
    case Token::kWeekYear:
    case Token::kWeekYear2:
    case Token::kDayOfYear:
    case Token::kQuarter:
    case Token::kQuarterAbbr: return false;
  }
  return false;
}

// The "%" at q (the caller has seen the byte) is a character of its own by the
// host's multibyte rules: a directive or "%%".  The descriptor remembers the
// character it measured last, so a "%" the host has measured costs no call.
inline bool is_percent(uwn_text_descriptor &desc, int32_t q) {
  if (desc.last_offset == q && desc.last_length != 0) return desc.last_length == 1;
  if (desc.length == 0 || desc.length < q) return true;
  return wzsxoff(&desc, q) == 1;
}

// Walks pattern and text side by side from pattern byte p and the scan's
// position to the end of either: a blank of the pattern meeting a non-blank is
// passed over, a directive reads its field, and a run of literal bytes up to
// the next directive must match byte for byte.  in_run enters with the byte at
// p already found to be no directive (the host measured its "%" as part of a
// longer character), as the literal run does.  kRead with the fields in out,
// or the result that ends the call.
int32_t scan_from(void *locale, const uint8_t *klass, const uint8_t *upper, uwn_text_descriptor &desc,
                  const unsigned char *pat, int32_t plen, int32_t p, bool in_run, Scan s, Fields &out) {
  const unsigned char *const text = s.text;
  const int32_t tlen = s.tlen;
  while (p < plen && s.t < tlen) {
    if (!in_run) {
      if (pat[p] == ' ' && text[s.t] != ' ') {
        ++p;
        continue;
      }
      if (pat[p] == '%' && is_percent(desc, p)) {
        if (p + 1 >= plen) return kBadField;
        unsigned char letter = pat[p + 1];
        if (letter == '%') {
          ++p;  // "%%" stands for one "%": the second is compared
        } else {
          bool alternate = letter == '?';
          if (alternate) {
            if (p + 2 >= plen) return kBadField;
            letter = pat[p + 2];
            p += 3;
          } else {
            alternate = (klass[letter] & UWN_CLASS_LOWER) != 0;
            p += 2;
          }
          if (!read_field(uwn::kTokens.of(upper[letter], alternate), locale, klass, s)) return kBadField;
          continue;
        }
      }
    }
    in_run = false;
    // A literal run: byte against byte up to the next directive, or to the
    // end of pattern or text.
    for (;;) {
      if (pat[p] != text[s.t]) return kMismatch;
      ++p;
      ++s.t;
      if (p >= plen) break;
      if (pat[p] == '%' && is_percent(desc, p)) {
        if (p + 1 >= plen || pat[p + 1] != '%') break;  // a directive: back to the scan loop
        ++p;                                            // "%%" stands for one "%"
      }
      if (s.t >= tlen) break;
    }
  }
  out = s.f;
  return kRead;
}

int32_t scan(void *locale, const unsigned char *text, int32_t tlen, const unsigned char *pat, int32_t plen,
             Fields &out) {
  const uwn_control_block *cb = uwn::gcb();
  uwn_text_descriptor desc;
  uwn::describe(desc, reinterpret_cast<const char *>(pat), plen);
  return scan_from(locale, cb->char_class, cb->upper, desc, pat, plen, 0, false, Scan{text, tlen, 0, {}},
                   out);
}

// The commonest patterns: three numbers and two literal bytes, "%d.%m.%Y" in
// any order of day, month and year and with any separators but a blank or
// "%".  The shape is decided from the pattern's bytes and the host's tables
// alone; reading it then takes the scan's steps in a straight line, with the
// same questions to the host at the same offsets.
constexpr int32_t kNumericPatternLength = 8;

// Where a number of the shape goes (day, month, year) and its digits.
struct NumericField {
  uint8_t slot;   // 0 day, 1 month, 2 year; kNotNumeric for any other token
  uint8_t width;  // 2, or 4 for a four-digit year
};
constexpr uint8_t kNotNumeric = 3;

struct NumericFieldTable {
  NumericField of[256];
  constexpr NumericFieldTable() : of() {
    for (NumericField &f : of) f = {kNotNumeric, 0};
    of[static_cast<uint8_t>(Token::kDay)] = of[static_cast<uint8_t>(Token::kDayBlank)] = {0, 2};
    of[static_cast<uint8_t>(Token::kMonth)] = of[static_cast<uint8_t>(Token::kMonthBlank)] = {1, 2};
    of[static_cast<uint8_t>(Token::kYear)] = {2, 4};
    of[static_cast<uint8_t>(Token::kYear2)] = {2, 2};
  }
};
constexpr NumericFieldTable kNumericFields;

struct NumericShape {
  NumericField field[3];
  int32_t text_length;  // the bytes the three numbers and two literals take
};

inline bool numeric_shape(const uint8_t *klass, const uint8_t *upper, const unsigned char *pat, int32_t plen,
                          NumericShape &shape) {
  if (plen != kNumericPatternLength || pat[0] != '%' || pat[3] != '%' || pat[6] != '%') return false;
  if (pat[2] == ' ' || pat[2] == '%' || pat[5] == ' ' || pat[5] == '%') return false;
  shape.text_length = 2;
  for (int i = 0; i < 3; ++i) {
    const unsigned char letter = pat[3 * i + 1];
    if (letter == '%' || letter == '?') return false;
    const Token token = uwn::kTokens.of(upper[letter], (klass[letter] & UWN_CLASS_LOWER) != 0);
    shape.field[i] = kNumericFields.of[static_cast<uint8_t>(token)];
    if (shape.field[i].slot == kNotNumeric) return false;
    shape.text_length += shape.field[i].width;
  }
  return true;
}

// The number of width 2 or 4 at text, as number_field() reads it, or -1.
inline int32_t numeric_value(const uint8_t *klass, const unsigned char *text, uint8_t width) {
  const int32_t first = digit_pair(klass, text[0], text[1]);
  if (width == 2 || first < 0) return first;
  const int32_t second = digit_pair(klass, text[2], text[3]);
  return second < 0 ? -1 : 100 * first + second;
}

// The scan of a pattern of that shape over a text long enough for all of it,
// step by step as scan_from() takes it.  Before each directive the scan asks
// whether its "%" is a character of its own twice, in the literal run before
// it and at its loop head (the second answer is the descriptor's); where the
// host says it is not, the general scan takes over at that very step.
int32_t scan_numeric(void *locale, const uint8_t *klass, const uint8_t *upper, const unsigned char *text,
                     int32_t tlen, const unsigned char *pat, const NumericShape &shape, Fields &out) {
  uwn_text_descriptor desc;
  uwn::describe(desc, reinterpret_cast<const char *>(pat), kNumericPatternLength);
  int32_t *const slot[3] = {&out.day, &out.month, &out.year};
  const auto general = [&](int32_t p, int32_t t) {
    return scan_from(locale, klass, upper, desc, pat, kNumericPatternLength, p, true,
                     Scan{text, tlen, t, out}, out);
  };
  if (!is_percent(desc, 0)) return general(0, 0);
  int32_t v = numeric_value(klass, text, shape.field[0].width);
  if (v < 0) return kBadField;
  *slot[shape.field[0].slot] = v;
  int32_t t = shape.field[0].width;
  if (pat[2] != text[t]) return kMismatch;
  ++t;
  if (!is_percent(desc, 3) || !is_percent(desc, 3)) return general(3, t);
  v = numeric_value(klass, text + t, shape.field[1].width);
  if (v < 0) return kBadField;
  *slot[shape.field[1].slot] = v;
  t += shape.field[1].width;
  if (pat[5] != text[t]) return kMismatch;
  ++t;
  if (!is_percent(desc, 6) || !is_percent(desc, 6)) return general(6, t);
  v = numeric_value(klass, text + t, shape.field[2].width);
  if (v < 0) return kBadField;
  *slot[shape.field[2].slot] = v;
  return kRead;
}

// The pattern equals one of the locale's time patterns: a prefix of the item
// text, the pattern's trailing blanks matching nothing or blanks.
bool matches_time_item(const char *pattern, int32_t pattern_length, const uwn_locale_entry *item) {
  // Date patterns part from the time patterns within two bytes ("%d" against
  // "%H"): settle that first, before the item's length is even bounded (an
  // entry holds far more than two bytes), and leave the rest to wzstcom.
  if (pattern_length >= 2 && item->length >= 2 &&
      (pattern[0] != item->text[0] || pattern[1] != item->text[1]))
    return false;
  const int32_t item_length = uwn::entry_text_length(item);
  const int32_t compared = item_length < pattern_length ? item_length : pattern_length;
  for (int32_t i = 0; i < compared && i < 2; ++i)
    if (pattern[i] != item->text[i]) return false;
  return wzstcom(pattern, pattern_length, item->text, compared) == 0;
}

}  // namespace

extern "C" int32_t s2i_fixlen(const char *field, int32_t available) {
  if (field == nullptr || available < 2) return -1;
  return digit_pair(uwn::gcb()->char_class, static_cast<unsigned char>(field[0]),
                    static_cast<unsigned char>(field[1]));
}

extern "C" int32_t getdate_fixlen(void *locale, const char *text, int32_t text_length, const char *pattern,
                                  int32_t pattern_length, double *date_out, double *time_out) {
  if (text == nullptr || text_length < 0) text_length = 0;
  if (pattern == nullptr || pattern_length < 0) pattern_length = 0;
  // The host's text descriptor holds 16-bit lengths: a longer pattern would wrap.
  if (pattern_length > UWN_DESCRIPTOR_MAX) return kBadField;

  const auto *const text_bytes = reinterpret_cast<const unsigned char *>(text);
  const auto *const pattern_bytes = reinterpret_cast<const unsigned char *>(pattern);
  const uwn_control_block *cb = uwn::gcb();
  Fields f;
  NumericShape shape;
  const int32_t scanned =
      numeric_shape(cb->char_class, cb->upper, pattern_bytes, pattern_length, shape) &&
              text_length >= shape.text_length
          ? scan_numeric(locale, cb->char_class, cb->upper, text_bytes, text_length, pattern_bytes, shape, f)
          : scan(locale, text_bytes, text_length, pattern_bytes, pattern_length, f);
  if (scanned != kRead) return scanned;

  const uwn_locale_entry *time_2 = nullptr;
  const uwn_locale_entry *time_1 = nullptr;
  const bool have_2 = wzsxglc(locale, UWN_ITEM_TIME_2, &time_2) == 0 && time_2 != nullptr;
  const bool have_1 = wzsxglc(locale, UWN_ITEM_TIME_1, &time_1) == 0 && time_1 != nullptr;
  if (!have_1 || !have_2) return kNoTimeItem;

  const bool time_pattern = matches_time_item(pattern, pattern_length, time_2) ||
                            matches_time_item(pattern, pattern_length, time_1);
  if (!time_pattern) {
    if (f.year == 0 || f.month == 0 || f.day == 0) return kMismatch;
    if ((f.year > 99 && f.year < uwn::kFirstYear) || f.year > uwn::kLastYear) return kMismatch;
    if (f.month > 12 || f.day > 31) return kMismatch;
    // A two-digit year goes to the host as read: its calendar picks the century.
    const double date = zmdy(f.month, f.day, f.year);
    *date_out = date;
    if (uwn::is_missing(date)) return kMismatch;
  }

  if (f.hour == 0 && f.minute == 0 && f.second == 0 && !f.time_seen) return kRead;
  double seconds = (static_cast<double>(f.hour) * 60 + f.minute) * 60 + f.second;  // [0, 362439]
  if (f.twelve_hour) {
    if (f.pm && seconds < kNoon) {
      seconds += kNoon;
    } else if (!f.pm && seconds >= kNoon && seconds < kOneOClock) {
      seconds -= kNoon;  // 12 in the morning is hour 0
    }
  }
  *time_out = seconds;
  return kRead;
}
