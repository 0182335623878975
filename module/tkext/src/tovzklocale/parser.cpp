// The pattern reader: walks a locale date, datetime or time pattern and a
// field of text side by side, reads each directive's fixed-width field, and
// assembles a date through the host calendar and a time of day in seconds.
#include <cstring>

#include "directives.h"
#include "entry_text.h"
#include "numeric_date.h"
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

using uwn::digit_pair;
using uwn::is_percent;

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

// The straight line's verdicts are the scan's results.
static_assert(int32_t{uwn::kNumericRead} == int32_t{kRead} &&
              int32_t{uwn::kNumericMismatch} == int32_t{kMismatch} &&
              int32_t{uwn::kNumericBadField} == int32_t{kBadField});

// A pattern of the numeric shape over a text long enough for it: the straight
// line, and the general scan where the host measures a "%" as part of a
// longer character.
int32_t scan_shape(void *locale, const uint8_t *klass, const uint8_t *upper, const unsigned char *text,
                   int32_t tlen, const unsigned char *pat, const uwn::NumericShape &shape, Fields &out) {
  uwn::DateFields f;
  const uwn::NumericReach reach = uwn::read_numeric_text(klass, pat, text, shape, f);
  uwn_text_descriptor desc;
  uwn::describe(desc, reinterpret_cast<const char *>(pat), uwn::kNumericPatternLength);
  int32_t p = 0;
  const uwn::NumericScan scanned = uwn::scan_numeric(desc, reach, p);
  int32_t t = 0;
  if (scanned == uwn::kNumericResume)
    uwn::numeric_fields_before(klass, text, shape, p, f, t);
  else if (scanned != uwn::kNumericRead)
    return scanned;
  out.day = f.of[uwn::kDaySlot];
  out.month = f.of[uwn::kMonthSlot];
  out.year = f.of[uwn::kYearSlot];
  if (scanned == uwn::kNumericRead) return kRead;
  return scan_from(locale, klass, upper, desc, pat, uwn::kNumericPatternLength, p, true,
                   Scan{text, tlen, t, out}, out);
}

// A datetime of the numeric shape: the date shape, a run of literal bytes
// without "%", and "%H:%M" or "%H:%M:%S" with separators that are neither
// blank nor "%": a pattern such as "%d.%m.%Y, %H:%M:%S".
struct DatetimeShape {
  uwn::NumericShape date;
  int32_t count;        // directives: 5 or 6
  int32_t hour_at;      // the hour's "%" in the pattern
  int32_t text_length;  // the bytes the whole pattern takes in the text

  // Each directive's "%" in the pattern and its field in the text.
  int32_t at(int i) const { return i < 3 ? 3 * i : hour_at + 3 * (i - 3); }
  int32_t text_at(int i) const {
    if (i >= 3) return date.text_length + (hour_at - uwn::kNumericPatternLength) + 3 * (i - 3);
    return i == 0 ? 0 : i == 1 ? date.field[0].width + 1 : date.field[0].width + date.field[1].width + 2;
  }
};

constexpr int32_t kDatetimeMinLength = uwn::kNumericPatternLength + 1 + 5;

inline Token token_of(const uint8_t *klass, const uint8_t *upper, unsigned char letter) {
  return uwn::kTokens.of(upper[letter], (klass[letter] & UWN_CLASS_LOWER) != 0);
}

// Whether the pattern has the datetime shape, by its own bytes and the host's
// class and upper-case tables.
inline bool datetime_shape(const uint8_t *klass, const uint8_t *upper, const unsigned char *pat, int32_t plen,
                           DatetimeShape &shape) {
  if (plen < kDatetimeMinLength) return false;
  // The time is settled from the end first, so that other patterns with a
  // date in front (a twelve-hour time, a designator) leave early; the run
  // before it is at least one byte either way.
  const int32_t count = plen - 8 > uwn::kNumericPatternLength && pat[plen - 8] == '%' ? 6 : 5;
  const int32_t h = plen - (count == 6 ? 8 : 5);
  constexpr Token kTime[3] = {Token::kHours, Token::kMinutes, Token::kSeconds};
  for (int i = 0; i < count - 3; ++i) {
    const int32_t q = h + 3 * i;
    const unsigned char letter = pat[q + 1];
    if (pat[q] != '%' || letter == '%' || letter == '?' || token_of(klass, upper, letter) != kTime[i])
      return false;
    if (i + 1 < count - 3 && (pat[q + 2] == ' ' || pat[q + 2] == '%')) return false;
  }
  for (int32_t k = uwn::kNumericPatternLength; k < h; ++k)
    if (pat[k] == '%') return false;
  if (!uwn::numeric_shape(klass, upper, pat, shape.date)) return false;
  shape.count = count;
  shape.hour_at = h;
  shape.text_length = shape.date.text_length + (h - uwn::kNumericPatternLength) + 3 * (count - 3) - 1;
  return true;
}

// The straight line for a datetime of the numeric shape over a text long
// enough for it: the text first, then the host's questions about each "%" in
// the general scan's order up to where the scan stops, and the general scan
// where the host measures a "%" as part of a longer character.  A blank that
// opens the run after the year and meets a non-blank is the general scan's
// to pass over: that text goes to the general scan whole.
inline __attribute__((always_inline)) int32_t scan_datetime(void *locale, const uint8_t *klass,
                                                            const uint8_t *upper, const unsigned char *text,
                                                            int32_t tlen, const unsigned char *pat,
                                                            int32_t plen, const DatetimeShape &shape,
                                                            Fields &out) {
  int32_t value[6] = {};
  uwn::DateFields date;
  const uwn::NumericReach date_reach = uwn::read_numeric_text(klass, pat, text, shape.date, date);
  int32_t reached = date_reach.directives();
  int32_t verdict = date_reach.verdict();
  if (verdict == kRead) {
    const int32_t run = shape.hour_at - uwn::kNumericPatternLength;
    const unsigned char *const literal = text + shape.text_at(3) - run;
    if (pat[uwn::kNumericPatternLength] == ' ' && literal[0] != ' ')
      return scan(locale, text, tlen, pat, plen, out);
    for (int32_t k = 0; k < run; ++k)
      if (literal[k] != pat[uwn::kNumericPatternLength + k]) verdict = kMismatch;
    for (int i = 3; i < shape.count && verdict == kRead; ++i) {
      const unsigned char *const at = text + shape.text_at(i);
      reached = i + 1;
      value[i] = digit_pair(klass, at[0], at[1]);
      if (value[i] < 0)
        verdict = kBadField;
      else if (i + 1 < shape.count && at[2] != pat[shape.at(i) + 2])
        verdict = kMismatch;
    }
  }

  uwn_text_descriptor desc;
  uwn::describe(desc, reinterpret_cast<const char *>(pat), plen);
  int32_t resume = -1;
  if (!is_percent(desc, 0)) {
    resume = 0;
  } else {
    for (int i = 1; i < reached; ++i)
      if (!is_percent(desc, shape.at(i)) || !is_percent(desc, shape.at(i))) {
        resume = i;
        break;
      }
  }
  Fields f;
  if (resume < 0) {
    if (verdict != kRead) return verdict;
    f.day = date.of[uwn::kDaySlot];
    f.month = date.of[uwn::kMonthSlot];
    f.year = date.of[uwn::kYearSlot];
    f.hour = value[3];
    f.minute = value[4];
    f.second = value[5];
    f.time_seen = true;
    out = f;
    return kRead;
  }

  // The fields read before the directive whose "%" became text.
  const int32_t through = resume;
  uwn::DateFields read;
  int32_t t = 0;
  uwn::numeric_fields_before(klass, text, shape.date, through < 3 ? shape.at(through) : 9, read, t);
  f.day = read.of[uwn::kDaySlot];
  f.month = read.of[uwn::kMonthSlot];
  f.year = read.of[uwn::kYearSlot];
  if (through > 3) {
    f.time_seen = true;
    f.hour = value[3];
    if (through > 4) f.minute = value[4];
  }
  return scan_from(locale, klass, upper, desc, pat, plen, shape.at(resume), true,
                   Scan{text, tlen, shape.text_at(resume), f}, out);
}

// After the scan: both time patterns fetched, and for any other pattern the
// date assembled by the host's calendar; then the time of day.  The result
// getdate_fixlen returns.
inline __attribute__((always_inline)) int32_t finish(void *locale, const char *pattern,
                                                     int32_t pattern_length, const Fields &f,
                                                     double *date_out, double *time_out) {
  const uwn_locale_entry *time_2 = nullptr;
  const uwn_locale_entry *time_1 = nullptr;
  const bool have_2 = wzsxglc(locale, UWN_ITEM_TIME_2, &time_2) == 0 && time_2 != nullptr;
  const bool have_1 = wzsxglc(locale, UWN_ITEM_TIME_1, &time_1) == 0 && time_1 != nullptr;
  if (!have_1 || !have_2) return kNoTimeItem;

  const bool time_pattern = uwn_is_time_pattern(pattern, pattern_length, time_2) != 0 ||
                            uwn_is_time_pattern(pattern, pattern_length, time_1) != 0;
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

// zkpdate's verdict on the date getdate_fixlen left (preset to the missing
// value): only a date in range is stored.
int32_t date_verdict(double date, double *result) {
  if (!uwn::date_in_range(date)) return UWN_NO_VALUE;
  *result = date;
  return UWN_OK;
}

}  // namespace

extern "C" int32_t s2i_fixlen(const char *field, int32_t available) {
  if (field == nullptr || available < 2) return -1;
  return digit_pair(uwn::gcb()->char_class, static_cast<unsigned char>(field[0]),
                    static_cast<unsigned char>(field[1]));
}

extern "C" int32_t uwn_is_time_pattern(const char *pattern, int32_t pattern_length,
                                       const uwn_locale_entry *item) {
  // Date patterns part from the time patterns within two bytes ("%d" against
  // "%H"): settle that first, before the item's length is even bounded (an
  // entry holds far more than two bytes), and leave the rest to wzstcom.
  if (pattern_length >= 2 && item->length >= 2 &&
      (pattern[0] != item->text[0] || pattern[1] != item->text[1]))
    return 0;
  const int32_t item_length = uwn::entry_text_length(item);
  const int32_t compared = item_length < pattern_length ? item_length : pattern_length;
  for (int32_t i = 0; i < compared && i < 2; ++i)
    if (pattern[i] != item->text[i]) return 0;
  return wzstcom(pattern, pattern_length, item->text, compared) == 0 ? 1 : 0;
}

namespace {

// getdate_fixlen, with the straight line for numeric patterns tried only when
// the caller has not already found the pattern or text unfit for it.
inline __attribute__((always_inline)) int32_t read_by_pattern(void *locale, const char *text,
                                                              int32_t text_length, const char *pattern,
                                                              int32_t pattern_length, double *date_out,
                                                              double *time_out, bool try_numeric) {
  if (text == nullptr || text_length < 0) text_length = 0;
  if (pattern == nullptr || pattern_length < 0) pattern_length = 0;
  // The host's text descriptor holds 16-bit lengths: a longer pattern would wrap.
  if (pattern_length > UWN_DESCRIPTOR_MAX) return kBadField;

  const auto *const text_bytes = reinterpret_cast<const unsigned char *>(text);
  const auto *const pattern_bytes = reinterpret_cast<const unsigned char *>(pattern);
  const uwn_control_block *cb = uwn::gcb();
  Fields f;
  uwn::NumericShape shape;
  DatetimeShape datetime;
  const int32_t scanned =
      try_numeric && pattern_length == uwn::kNumericPatternLength &&
              uwn::numeric_shape(cb->char_class, cb->upper, pattern_bytes, shape) &&
              text_length >= shape.text_length
          ? scan_shape(locale, cb->char_class, cb->upper, text_bytes, text_length, pattern_bytes, shape, f)
      : pattern_length >= kDatetimeMinLength &&
              datetime_shape(cb->char_class, cb->upper, pattern_bytes, pattern_length, datetime) &&
              text_length >= datetime.text_length
          ? scan_datetime(locale, cb->char_class, cb->upper, text_bytes, text_length, pattern_bytes,
                          pattern_length, datetime, f)
          : scan(locale, text_bytes, text_length, pattern_bytes, pattern_length, f);
  if (scanned != kRead) return scanned;
  return finish(locale, pattern, pattern_length, f, date_out, time_out);
}

}  // namespace

extern "C" int32_t getdate_fixlen(void *locale, const char *text, int32_t text_length, const char *pattern,
                                  int32_t pattern_length, double *date_out, double *time_out) {
  return read_by_pattern(locale, text, text_length, pattern, pattern_length, date_out, time_out, true);
}

// zkpdttm's verdict on what the reader left in date and time (both preset
// to the missing value): a date in range and a time of day.
inline int32_t datetime_verdict(double date, double time, double *result) {
  if (!uwn::date_in_range(date)) return UWN_NO_VALUE;
  if (wzmis(time) || !(time >= 0) || !(time < uwn::kSecondsPerDay)) return UWN_NO_VALUE;
  *result = date * uwn::kSecondsPerDay + time;
  return UWN_OK;
}

// read_by_pattern() is inlined here, so that a datetime of the numeric shape
// is read, finished and judged in this one frame.
extern "C" int32_t uwn_read_datetime(const char *text, int32_t length, const char *pattern,
                                     int32_t pattern_length, double *result) {
  double date = uwn::missing_value(), time = uwn::missing_value();
  read_by_pattern(uwn::current_locale(), text, length, pattern, pattern_length, &date, &time, true);
  return datetime_verdict(date, time, result);
}

// Its callers have found the pattern or the text unfit for the straight line.
extern "C" int32_t uwn_read_date_general(const char *text, int32_t length, const char *pattern,
                                         int32_t pattern_length, double *result) {
  double date = uwn::missing_value(), time = uwn::missing_value();
  read_by_pattern(uwn::current_locale(), text, length, pattern, pattern_length, &date, &time, false);
  return date_verdict(date, result);
}

extern "C" int32_t uwn_read_date_resume(uwn_text_descriptor *desc, const char *pattern, int32_t p,
                                        const char *text, int32_t length, double *result) {
  void *const locale = uwn::current_locale();
  const uwn_control_block *cb = uwn::gcb();
  const auto *const pat = reinterpret_cast<const unsigned char *>(pattern);
  const auto *const txt = reinterpret_cast<const unsigned char *>(text);
  uwn::NumericShape shape;
  uwn::numeric_shape(cb->char_class, cb->upper, pat, shape);
  uwn::DateFields read;
  int32_t t = 0;
  uwn::numeric_fields_before(cb->char_class, txt, shape, p, read, t);
  Fields f;
  f.day = read.of[uwn::kDaySlot];
  f.month = read.of[uwn::kMonthSlot];
  f.year = read.of[uwn::kYearSlot];
  double date = uwn::missing_value(), time = uwn::missing_value();
  if (scan_from(locale, cb->char_class, cb->upper, *desc, pat, uwn::kNumericPatternLength, p, true,
                Scan{txt, length, t, f}, f) == kRead)
    finish(locale, pattern, uwn::kNumericPatternLength, f, &date, &time);
  return date_verdict(date, result);
}

extern "C" int32_t uwn_read_numeric_date(const char *text, int32_t length, const char *pattern,
                                         double *result) {
  return uwn::read_numeric_date(text, length, pattern, result);
}
