// The date reader as zkpdate and the date informats call it: a pattern of
// three numbers and two literal bytes ("%d.%m.%Y" in any order of day, month
// and year, in any spelling the reader takes, with any separators but a blank
// or "%") is read in a straight line: the text first, then the same questions
// to the host at the same offsets as the general scan.  Every other pattern,
// and a "%" the host measures as part of a longer character, goes to the
// general scan out of line.
#ifndef TOVZKLOCALE_NUMERIC_DATE_H
#define TOVZKLOCALE_NUMERIC_DATE_H

#include "directives.h"
#include "tovzklocale.h"

namespace uwn {

// The value 0..99 of the two-character number field "ab" by the host's
// character classes, or -1: b must be a digit; any non-digit a is a filler,
// so " 7", "+7" and "x7" all read 7.
inline int32_t digit_pair(const uint8_t *klass, unsigned char a, unsigned char b) {
  if ((klass[b] & UWN_CLASS_DIGIT) == 0) return -1;
  return (klass[a] & UWN_CLASS_DIGIT) != 0 ? 10 * (a - '0') + (b - '0') : b - '0';
}

// The "%" at q (the caller has seen the byte) is a character of its own by the
// host's multibyte rules: a directive or "%%".  The descriptor remembers the
// character it measured last, so a "%" the host has measured costs no call.
inline bool is_percent(uwn_text_descriptor &desc, int32_t q) {
  if (desc.last_offset == q && desc.last_length != 0) return desc.last_length == 1;
  if (desc.length == 0 || desc.length < q) return true;
  return wzsxoff(&desc, q) == 1;
}

// Day, month and year as the pattern reader collects them; slot 3 takes what
// no number of the numeric shape is written to.
struct DateFields {
  int32_t of[4];
};
enum DateSlot : uint8_t { kDaySlot, kMonthSlot, kYearSlot, kNotNumeric };

constexpr int32_t kNumericPatternLength = 8;

// Where a number of the shape goes and its digits (2, or 4 for a four-digit year).
struct NumericField {
  uint8_t slot;
  uint8_t width;
};

// A directive letter's field, indexed by its upper-case form, plus 256 in the
// alternate form: the token table and the numeric fields in one lookup.
struct NumericFieldTable {
  NumericField of[512];
  constexpr NumericFieldTable() : of() {
    for (int i = 0; i < 512; ++i) {
      switch (kTokens.of(static_cast<unsigned char>(i & 255), i >= 256)) {
        case Token::kDay:
        case Token::kDayBlank: of[i] = {kDaySlot, 2}; break;
        case Token::kMonth:
        case Token::kMonthBlank: of[i] = {kMonthSlot, 2}; break;
        case Token::kYear: of[i] = {kYearSlot, 4}; break;
        case Token::kYear2: of[i] = {kYearSlot, 2}; break;
        default: of[i] = {kNotNumeric, 0}; break;
      }
    }
  }
};
inline constexpr NumericFieldTable kNumericFields;
static_assert(kNumericFields.of['D' + 256].slot == kDaySlot &&
              kNumericFields.of['M' + 256].slot == kMonthSlot);
static_assert(kNumericFields.of['Y'].width == 4 && kNumericFields.of['Y' + 256].width == 2);
static_assert(kNumericFields.of['M'].slot == kNotNumeric);  // %M: minutes

struct NumericShape {
  NumericField field[3];
  int32_t text_length;  // the bytes the three numbers and two literals take
};

// Whether the eight bytes at pat have the shape's "%" and separators: the
// test of the pattern's own bytes, before the host's tables are read.
inline bool numeric_frame(const unsigned char *pat) {
  if (pat[2] == ' ' || pat[2] == '%' || pat[5] == ' ' || pat[5] == '%') return false;
  return pat[0] == '%' && pat[3] == '%' && pat[6] == '%';
}

// Whether the three letters of a pattern with the shape's frame are numbers,
// by the host's class and upper-case tables.
inline bool numeric_letters(const uint8_t *klass, const uint8_t *upper, const unsigned char *pat,
                            NumericShape &shape) {
  int32_t length = 2;
  for (int i = 0; i < 3; ++i) {
    const unsigned char letter = pat[3 * i + 1];
    if (letter == '%' || letter == '?') return false;
    const uint32_t alternate = (klass[letter] & UWN_CLASS_LOWER) != 0 ? 256 : 0;
    const NumericField f = kNumericFields.of[upper[letter] + alternate];
    if (f.slot == kNotNumeric) return false;
    shape.field[i] = f;
    length += f.width;
  }
  shape.text_length = length;
  return true;
}

// Whether the eight bytes at pat have the shape.
inline bool numeric_shape(const uint8_t *klass, const uint8_t *upper, const unsigned char *pat,
                          NumericShape &shape) {
  return numeric_frame(pat) && numeric_letters(klass, upper, pat, shape);
}

// The number of width 2 or 4 at text into value, as the general scan reads
// it; false when it is none.
inline bool numeric_value(const uint8_t *klass, const unsigned char *text, uint8_t width, int32_t &value) {
  const auto pair = [klass](unsigned char a, unsigned char b, int32_t &v) {
    if ((klass[b] & UWN_CLASS_DIGIT) == 0) return false;
    v = (klass[a] & UWN_CLASS_DIGIT) != 0 ? 10 * (a - '0') + (b - '0') : b - '0';
    return true;
  };
  int32_t first = 0, second = 0;
  if (!pair(text[0], text[1], first)) return false;
  if (width == 2) {
    value = first;
    return true;
  }
  if (!pair(text[2], text[3], second)) return false;
  value = 100 * first + second;
  return true;
}

// How the straight line ends: read, or the general scan's verdict on the text
// (a literal that differs, a number that is none), or the general scan to
// take over.
enum NumericScan : int32_t { kNumericRead, kNumericMismatch, kNumericBadField, kNumericResume };

// Where the straight line's reading of the text ends: the directives it
// reaches (1 to 3: the one whose number is none or whose literal after it
// differs, else all three) and its verdict there, in one word so that it
// stays in one register across the host calls.
struct NumericReach {
  int32_t word;  // directives * 4 + verdict
  constexpr NumericReach(int32_t directives, NumericScan verdict) : word(directives * 4 + verdict) {}
  constexpr int32_t directives() const { return word >> 2; }
  constexpr NumericScan verdict() const { return static_cast<NumericScan>(word & 3); }
};

// What the text holds at the shape's places, before any question to the
// host; for kNumericRead the three numbers in their slots of f.
inline __attribute__((always_inline)) NumericReach read_numeric_text(const uint8_t *klass,
                                                                     const unsigned char *pat,
                                                                     const unsigned char *text,
                                                                     const NumericShape &shape,
                                                                     DateFields &f) {
  int32_t value[3];
  int32_t t = 0;
  for (int i = 0; i < 3; ++i) {
    if (!numeric_value(klass, text + t, shape.field[i].width, value[i])) return {i + 1, kNumericBadField};
    t += shape.field[i].width;
    if (i < 2 && pat[3 * i + 2] != text[t++]) return {i + 1, kNumericMismatch};
  }
  for (int i = 0; i < 3; ++i) f.of[shape.field[i].slot] = value[i];
  return {3, kNumericRead};
}

// The numbers of the directives before pattern byte p (0, 3 or 6) in their
// slots, and the text position after them and their literals: what the scan
// has read when it reaches p.
inline void numeric_fields_before(const uint8_t *klass, const unsigned char *text, const NumericShape &shape,
                                  int32_t p, DateFields &f, int32_t &t) {
  f = DateFields{};
  t = 0;
  for (int i = 0; 3 * i < p; ++i) {
    numeric_value(klass, text + t, shape.field[i].width, f.of[shape.field[i].slot]);
    t += shape.field[i].width + 1;
  }
}

// The straight line's questions to the host, as the general scan asks them:
// before each directive up to reach (read_numeric_text()'s) whether its "%"
// is a character of its own, twice, in the literal run before it and at its
// loop head (the second answer is the descriptor's).  kNumericResume with p
// at the step where the host says it is not, else reach's verdict.  desc
// describes the pattern and has had its set-up call.
inline __attribute__((always_inline)) NumericScan scan_numeric(uwn_text_descriptor &desc, NumericReach reach,
                                                               int32_t &p) {
  p = 0;
  if (!is_percent(desc, 0)) return kNumericResume;
  if (reach.directives() > 1) {
    p = 3;
    if (!is_percent(desc, 3) || !is_percent(desc, 3)) return kNumericResume;
    if (reach.directives() > 2) {
      p = 6;
      if (!is_percent(desc, 6) || !is_percent(desc, 6)) return kNumericResume;
    }
  }
  return reach.verdict();
}

}  // namespace uwn

extern "C" {

// zkpdate's answer for a pattern given as text, by the general scan: for a
// pattern that numeric_candidate() refuses, or whose letters or text do not
// fit the shape.
int32_t uwn_read_date_general(const char *text, int32_t length, const char *pattern, int32_t pattern_length,
                              double *result);

// The same for a pattern of the numeric shape over a text long enough for
// it, taken over by the general scan at pattern byte p (a "%" the host
// measured as part of a longer character) with what the straight line read
// before it.
int32_t uwn_read_date_resume(uwn_text_descriptor *desc, const char *pattern, int32_t p, const char *text,
                             int32_t length, double *result);

// The pattern equals one of the locale's time patterns: a prefix of the item
// text, the pattern's trailing blanks matching nothing or blanks.
int32_t uwn_is_time_pattern(const char *pattern, int32_t pattern_length, const uwn_locale_entry *item);

}  // extern "C"

namespace uwn {

// Whether a pattern of the numeric shape may be the time pattern item: date
// patterns part from the time patterns within two bytes ("%d" against "%H"),
// which settles it before the item's length is even bounded.
inline bool may_be_time_pattern(const unsigned char *pat, const uwn_locale_entry *item) {
  if (item->length < 2) return true;
  return pat[0] == static_cast<unsigned char>(item->text[0]) &&
         pat[1] == static_cast<unsigned char>(item->text[1]);
}

// Whether a pattern may have the shape, by its own bytes and before the
// host's tables are read: a cheap test that sends other patterns to the
// general reader before a frame for the straight line is set up.
inline bool numeric_candidate(const char *text, const char *pattern, int32_t pattern_length) {
  return pattern != nullptr && pattern_length == kNumericPatternLength && text != nullptr &&
         numeric_frame(reinterpret_cast<const unsigned char *>(pattern));
}

// zkpdate's answer for an eight-byte pattern that passed numeric_candidate():
// UWN_OK with the date in *result, else UWN_NO_VALUE (nothing written).
inline __attribute__((always_inline)) int32_t read_numeric_date(const char *text, int32_t length,
                                                                const char *pattern, double *result) {
  constexpr int32_t pattern_length = kNumericPatternLength;
  const auto *const pat = reinterpret_cast<const unsigned char *>(pattern);
  const auto *const txt = reinterpret_cast<const unsigned char *>(text);
  const uwn_control_block *cb = gcb();
  const uint8_t *const klass = cb->char_class;
  NumericShape shape;
  if (!numeric_letters(klass, cb->upper, pat, shape) || length < shape.text_length)
    return uwn_read_date_general(text, length, pattern, pattern_length, result);

  DateFields f;
  const NumericReach reach = read_numeric_text(klass, pat, txt, shape, f);
  uwn_text_descriptor desc;
  describe(desc, pattern, kNumericPatternLength);
  int32_t p = 0;
  const NumericScan scanned = scan_numeric(desc, reach, p);
  if (scanned == kNumericResume) return uwn_read_date_resume(&desc, pattern, p, text, length, result);
  if (scanned != kNumericRead) return UWN_NO_VALUE;

  // Both time patterns are fetched on every call; a pattern equal to one of
  // them reads no date.
  void *const locale = current_locale();
  const uwn_locale_entry *time_2 = nullptr;
  const uwn_locale_entry *time_1 = nullptr;
  const bool have_2 = wzsxglc(locale, UWN_ITEM_TIME_2, &time_2) == 0 && time_2 != nullptr;
  const bool have_1 = wzsxglc(locale, UWN_ITEM_TIME_1, &time_1) == 0 && time_1 != nullptr;
  if (!have_1 || !have_2) return UWN_NO_VALUE;
  if (may_be_time_pattern(pat, time_2) && uwn_is_time_pattern(pattern, kNumericPatternLength, time_2) != 0)
    return UWN_NO_VALUE;
  if (may_be_time_pattern(pat, time_1) && uwn_is_time_pattern(pattern, kNumericPatternLength, time_1) != 0)
    return UWN_NO_VALUE;

  // Day and month are 0..99 and the year 0..9999 here: none is above the last year.
  static_assert(kLastYear >= 9999);
  const int32_t day = f.of[kDaySlot], month = f.of[kMonthSlot], year = f.of[kYearSlot];
  if (static_cast<uint32_t>(day - 1) >= 31 || static_cast<uint32_t>(month - 1) >= 12) return UWN_NO_VALUE;
  if (year == 0 || (year > 99 && year < kFirstYear)) return UWN_NO_VALUE;
  // A two-digit year goes to the host as read: its calendar picks the century.
  const double date = zmdy(month, day, year);
  if (!date_in_range(date)) return UWN_NO_VALUE;
  *result = date;
  return UWN_OK;
}

// zkpdate's answer for a pattern given as text: UWN_OK with the date in
// *result, else UWN_NO_VALUE (nothing written).
inline __attribute__((always_inline)) int32_t read_date(const char *text, int32_t length, const char *pattern,
                                                        int32_t pattern_length, double *result) {
  if (!numeric_candidate(text, pattern, pattern_length))
    return uwn_read_date_general(text, length, pattern, pattern_length, result);
  return read_numeric_date(text, length, pattern, result);
}

}  // namespace uwn

extern "C" {
// read_numeric_date() in a frame of its own.
int32_t uwn_read_numeric_date(const char *text, int32_t length, const char *pattern, double *result);
}

namespace uwn {

// read_date() for a caller with no frame to share (zkpdate given its pattern
// as text) or whose own registers are live across it (the informats): the
// straight line in a frame of its own, any other pattern straight to the
// general reader.
inline int32_t read_date_out_of_line(const char *text, int32_t length, const char *pattern,
                                     int32_t pattern_length, double *result) {
  if (!numeric_candidate(text, pattern, pattern_length))
    return uwn_read_date_general(text, length, pattern, pattern_length, result);
  return uwn_read_numeric_date(text, length, pattern, result);
}

}  // namespace uwn

#endif  // TOVZKLOCALE_NUMERIC_DATE_H
