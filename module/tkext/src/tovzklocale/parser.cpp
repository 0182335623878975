// The pattern reader: walks a locale date, datetime or time pattern and a
// field of text side by side, reads each directive's fixed-width field, and
// assembles a date through the host calendar and a time of day in seconds.
#include <cstring>

#include "entry_text.h"
#include "tovzklocale.h"

namespace {

enum Result : int32_t {
  kRead = 0,        // text read; date (unless a time pattern) and time stored
  kMismatch = 1,    // a literal byte differs, or the date is incomplete or invalid
  kBadField = 2,    // bad directive, unreadable field, name or designator
  kNoTimeItem = -1  // the locale lacks item 35 or 36
};

// What a directive letter (upper case, after the alternate M became N) reads.
enum class Action : uint8_t {
  kBad,
  kWeekdayName,    // A: first match
  kWeekdayPadded,  // F: last match, longest width
  kMonthName,      // B: first match
  kMonthPadded,    // C: last match, longest width
  kDay,            // D, E
  kMonth,          // N, O
  kMinute,         // M
  kHour,           // H
  kHour12,         // I
  kSecond,         // S
  kDesignator,     // P
  kYear,           // Y
  kSkipByte,       // U, V, W
  kNothing         // Z
};

// Upper-case letters, indexed by the byte after the host's upper-case table.
constexpr Action kLetters[26] = {
    Action::kWeekdayName,    // A
    Action::kMonthName,      // B
    Action::kMonthPadded,    // C
    Action::kDay,            // D
    Action::kDay,            // E
    Action::kWeekdayPadded,  // F
    Action::kBad,            // G
    Action::kHour,           // H
    Action::kHour12,         // I
    Action::kBad,            // J
    Action::kBad,            // K
    Action::kBad,            // L
    Action::kMinute,         // M
    Action::kMonth,          // N
    Action::kMonth,          // O
    Action::kDesignator,     // P
    Action::kBad,            // Q
    Action::kBad,            // R
    Action::kSecond,         // S
    Action::kBad,            // T
    Action::kSkipByte,       // U
    Action::kSkipByte,       // V
    Action::kSkipByte,       // W
    Action::kBad,            // X
    Action::kYear,           // Y
    Action::kNothing,        // Z
};
static_assert(sizeof kLetters / sizeof kLetters[0] == 'Z' - 'A' + 1);

// Every byte's action, so that decoding a directive is one lookup.
struct ActionTable {
  Action of[256];
  constexpr ActionTable() : of() {
    for (int c = 0; c < 256; ++c) of[c] = c >= 'A' && c <= 'Z' ? kLetters[c - 'A'] : Action::kBad;
  }
};
constexpr ActionTable kActions;

constexpr int kMonths = 12;
constexpr int kWeekdays = 7;
constexpr int32_t kNoon = 12 * 3600;
constexpr int32_t kOneOClock = 13 * 3600;
constexpr int32_t kFirstGregorianYear = 1582;
constexpr int32_t kLastYear = 20000;

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

// Walks pattern and text side by side to the end of either; kRead, or the
// result that ends the call.  Positions and fields are locals, and the host's
// descriptor is the only thing the host calls can see, so that the scan keeps
// its state in registers; the control block's tables are loaded once.
int32_t scan(void *locale, const unsigned char *text, int32_t tlen, const unsigned char *pat, int32_t plen,
             Fields &out) {
  const uwn_control_block *cb = uwn::gcb();
  const uint8_t *const klass = cb->char_class;
  const uint8_t *const upper = cb->upper;

  uwn_text_descriptor desc{};
  desc.capacity = static_cast<int16_t>(plen);
  desc.length = static_cast<int16_t>(plen);
  desc.text = reinterpret_cast<const char *>(pat);
  if (desc.length != 0) wzsxoff(&desc, 0);  // prepares the descriptor; its answer is not used

  // A "%" at q (the caller has seen the byte) that the host reports as a
  // character of its own: a directive or "%%".
  const auto percent = [&](int32_t q) -> bool {
    if (desc.last_offset == q && desc.last_length != 0) return desc.last_length == 1;
    if (desc.length == 0 || desc.length < q) return true;
    return wzsxoff(&desc, q) == 1;
  };

  Fields f;
  int32_t p = 0, t = 0;

  // A two-character number field at t.
  const auto field = [&](int32_t &value) -> bool {
    if (tlen - t < 2) return false;
    const int32_t v = digit_pair(klass, text[t], text[t + 1]);
    if (v < 0) return false;
    value = v;
    t += 2;
    return true;
  };

  while (p < plen && t < tlen) {
    const unsigned char c = pat[p];
    // A pattern blank meeting a non-blank is skipped without consuming text.
    if (c == ' ' && text[t] != ' ') {
      ++p;
      continue;
    }
    if (c == '%' && percent(p)) {
      if (p + 1 < plen && pat[p + 1] == '%') {
        ++p;  // "%%" stands for one "%": the second is compared
      } else {
        // A directive.
        if (p + 1 >= plen) return kBadField;
        unsigned char letter = pat[p + 1];
        bool alternate;
        if (letter == '?') {
          if (p + 2 >= plen) return kBadField;
          letter = pat[p + 2];
          alternate = true;
          p += 3;
        } else {
          alternate = (klass[letter] & UWN_CLASS_LOWER) != 0;
          p += 2;
        }
        letter = upper[letter];
        if (alternate && letter == 'M') letter = 'N';

        Match m{};
        switch (kActions.of[letter]) {
          case Action::kBad: return kBadField;
          case Action::kWeekdayName:
            m = match_name(locale, text + t, tlen - t, alternate ? UWN_ITEM_WEEKDAY_ABBR : UWN_ITEM_WEEKDAY,
                           kWeekdays, false);
            break;
          case Action::kWeekdayPadded:
            m = match_name(locale, text + t, tlen - t, UWN_ITEM_WEEKDAY, kWeekdays, true);
            break;
          case Action::kMonthName:
            m = match_name(locale, text + t, tlen - t, alternate ? UWN_ITEM_MONTH_ABBR : UWN_ITEM_MONTH,
                           kMonths, false);
            if (m.step >= 0) f.month = m.value;
            break;
          case Action::kMonthPadded:
            m = match_name(locale, text + t, tlen - t, UWN_ITEM_MONTH, kMonths, true);
            if (m.step >= 0) f.month = m.value;
            break;
          case Action::kDay:
            if (!field(f.day)) return kBadField;
            continue;
          case Action::kMonth:
            if (!field(f.month)) return kBadField;
            continue;
          case Action::kMinute:
            f.time_seen = true;
            if (!field(f.minute)) return kBadField;
            continue;
          case Action::kHour:
            f.time_seen = true;
            if (!field(f.hour)) return kBadField;
            continue;
          case Action::kHour12:
            f.twelve_hour = true;
            f.time_seen = true;
            if (!field(f.hour)) return kBadField;
            continue;
          case Action::kSecond:
            f.time_seen = true;
            if (!field(f.second)) return kBadField;
            continue;
          case Action::kDesignator:
            m = match_designator(locale, text + t, tlen - t);
            if (m.step >= 0) f.pm = m.value != 0;
            break;
          case Action::kYear: {
            int32_t century = 0, year = 0;
            if (!alternate && !field(century)) return kBadField;
            if (!field(year)) return kBadField;
            f.year = 100 * century + year;  // [0, 9999]
            continue;
          }
          case Action::kSkipByte: ++t; continue;
          case Action::kNothing: continue;
        }
        // A name or designator.
        if (m.step < 0) return kBadField;
        t += m.step;
        continue;
      }
    }
    // A literal run: byte against byte up to the next directive, or to the
    // end of pattern or text.
    for (;;) {
      if (pat[p] != text[t]) return kMismatch;
      ++p;
      ++t;
      if (p >= plen) break;
      if (pat[p] == '%' && percent(p)) {
        if (p + 1 < plen && pat[p + 1] == '%')
          ++p;  // "%%" stands for one "%"
        else
          break;  // a directive: back to the scan loop
      }
      if (t >= tlen) break;
    }
  }
  out = f;
  return kRead;
}

// The pattern equals one of the locale's time patterns: a prefix of the item
// text, the pattern's trailing blanks matching nothing or blanks.
bool matches_time_item(const char *pattern, int32_t pattern_length, const uwn_locale_entry *item) {
  const int32_t item_length = uwn::entry_text_length(item);
  const int32_t compared = item_length < pattern_length ? item_length : pattern_length;
  // Date patterns part from the time patterns within two bytes ("%d" against
  // "%H"): settle that here and leave the full comparison to the rest.
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

  Fields f;
  const int32_t scanned = scan(locale, reinterpret_cast<const unsigned char *>(text), text_length,
                               reinterpret_cast<const unsigned char *>(pattern), pattern_length, f);
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
    if ((f.year > 99 && f.year < kFirstGregorianYear) || f.year > kLastYear) return kMismatch;
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
