// nlhost: one field read by an informat or library reader of the module,
// normalized first and, in strict mode, checked to account for the whole
// field.
#include "nlhost/reading.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <iterator>

#include "decimal.h"
#include "nlhost/civil.h"
#include "nlhost/text.h"
#include "nlhost/utf8.h"

namespace nlhost {

namespace {

using LocaleNumberReader = int32_t (*)(intptr_t, intptr_t, const void *, int32_t, uwn_informat_block *);
using PatternReader = int32_t (*)(const char *, int32_t, const char *, int32_t, double *);
using PatternWriter = int32_t (*)(char *, int32_t *, const char *, int32_t, double);

// The locale number readers look at 32 characters at most: a longer field is
// not read rather than read in part.
constexpr size_t kLongestNumber = 32;

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

// A pattern of two- and four-digit numeric fields and literal bytes, laid
// out as the fixed positions of the fields it writes.
struct NumericShape {
  struct Number {
    uint8_t at, digits;
    uint16_t low, high;
    char letter;
  };
  bool usable = false;  // false: some other directive, or too long to lay out
  size_t length = 0;    // of every field the pattern writes
  std::array<Number, 16> numbers{};
  size_t number_count = 0;
  std::array<char, 64> text{};  // the literal bytes at their positions
};

NumericShape numeric_shape(std::string_view pattern) {
  NumericShape shape;
  size_t f = 0;
  for (size_t p = 0; p < pattern.size(); ++p) {
    if (f >= shape.text.size()) return {};
    if (pattern[p] != '%' || (p + 1 < pattern.size() && pattern[p + 1] == '%')) {
      p += pattern[p] == '%';  // %% writes one %
      shape.text[f++] = pattern[p];
      continue;
    }
    if (++p == pattern.size()) return {};
    const char letter = pattern[p];
    NumericShape::Number n{static_cast<uint8_t>(f), 2, 0, 99, letter};
    switch (letter) {
      case 'd': n.low = 1, n.high = 31; break;
      case 'm': n.low = 1, n.high = 12; break;
      case 'H': n.high = 23; break;
      case 'M':
      case 'S': n.high = 59; break;
      case 'Y': n.digits = 4, n.high = 9999; break;
      case 'y': break;
      default: return {};
    }
    if (shape.number_count == shape.numbers.size() || f + n.digits > shape.text.size()) return {};
    shape.numbers[shape.number_count++] = n;
    f += n.digits;
  }
  shape.length = f;
  shape.usable = true;
  return shape;
}

// Whether field is exactly what a pattern of two- and four-digit numeric
// fields and literal bytes writes, every number in its field's range: then
// the fixed-width reader read all of it, and writing the value back would give
// the field again.  False means "not sure" (names, flags, other directives,
// a shape that differs), never "not whole".
bool numeric_shape_matches(std::string_view pattern, std::string_view field) {
  const NumericShape &shape = remembered<NumericShape>(pattern, numeric_shape);
  if (!shape.usable || field.size() != shape.length) return false;
  // Along the layout: a number where one starts, else a literal byte.
  size_t next_number = 0;
  int day = 0, month = 0;
  for (size_t f = 0; f < shape.length;) {
    if (next_number < shape.number_count && shape.numbers[next_number].at == f) {
      const NumericShape::Number &n = shape.numbers[next_number++];
      auto digit = [&](size_t k) {
        return static_cast<unsigned>(static_cast<unsigned char>(field[k]) - '0');
      };
      unsigned v = 10 * digit(f) + digit(f + 1);
      bool digits = digit(f) <= 9 && digit(f + 1) <= 9;
      if (n.digits == 4) {
        v = 100 * v + 10 * digit(f + 2) + digit(f + 3);
        digits = digits && digit(f + 2) <= 9 && digit(f + 3) <= 9;
      }
      f += n.digits;
      if (!digits || v < n.low || v > n.high) return false;
      if (n.letter == 'd') day = static_cast<int>(v);
      if (n.letter == 'm') month = static_cast<int>(v);
      continue;
    }
    if (field[f] != shape.text[f]) return false;
    ++f;
  }
  // The day must exist in some year; zmdy has already refused 31 April.
  return month == 0 || day == 0 || day <= civil::days_in_month(2000, month);
}

// Equal but for blanks and ASCII case.
bool same_text_blanks_aside(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && (a[i] == ' ' || a[i] == '\t')) ++i;
    while (j < b.size() && (b[j] == ' ' || b[j] == '\t')) ++j;
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (ascii_upper(a[i]) != ascii_upper(b[j])) return false;
    ++i;
    ++j;
  }
}

int32_t run_informat(uwn_informat_fn informat, std::string_view field, double *value) {
  uwn_informat_block block{};
  block.text = field.data();
  block.text_length = static_cast<int32_t>(field.size());
  block.width = std::min<int32_t>(block.text_length, UWN_DESCRIPTOR_MAX);
  block.result = value;
  return informat(&block);
}

// What normalize_field does with a character beyond ASCII: the byte it
// becomes (NUL: dropped), and when.
enum class When {
  kAlways,
  kNextToDigit,    // a digit right before or right after it: a sign
  kBetweenDigits,  // digits on both sides: a separator within a number
};
struct Mapped {
  char32_t code_point;
  char byte;
  When when;
};
// Sorted by code point.  The blanks, the minus sign and the apostrophe are
// the bytes the host's one-byte locale data narrows ICU's symbols to.  The
// separators that go with Arabic-Indic digits are left alone here: which
// byte they stand for depends on the locale (number_separators below).
constexpr Mapped kMapped[] = {
    {0x00A0, ' ', When::kAlways},          // no-break space
    {0x02BC, '\'', When::kBetweenDigits},  // modifier letter apostrophe: grouping
    {0x060C, ',', When::kBetweenDigits},   // Arabic comma: grouping within a number
    {0x061C, '\0', When::kAlways},         // Arabic letter mark
    {0x066A, '%', When::kAlways},          // Arabic percent sign
    {0x2000, ' ', When::kAlways},          // the fixed-width spaces U+2000 to U+200A
    {0x2001, ' ', When::kAlways},         {0x2002, ' ', When::kAlways},  {0x2003, ' ', When::kAlways},
    {0x2004, ' ', When::kAlways},         {0x2005, ' ', When::kAlways},  {0x2006, ' ', When::kAlways},
    {0x2007, ' ', When::kAlways},         {0x2008, ' ', When::kAlways},  {0x2009, ' ', When::kAlways},
    {0x200A, ' ', When::kAlways},         {0x200E, '\0', When::kAlways},  // left-to-right mark
    {0x200F, '\0', When::kAlways},                                        // right-to-left mark
    {0x2012, '-', When::kNextToDigit},                                    // figure dash
    {0x2013, '-', When::kNextToDigit},                                    // en dash
    {0x2019, '\'', When::kBetweenDigits},  // right single quotation mark: grouping
    {0x202A, '\0', When::kAlways},         // the bidi embeddings and overrides
    {0x202B, '\0', When::kAlways},        {0x202C, '\0', When::kAlways}, {0x202D, '\0', When::kAlways},
    {0x202E, '\0', When::kAlways},        {0x202F, ' ', When::kAlways},  // narrow no-break space
    {0x2066, '\0', When::kAlways},                                       // the bidi isolates
    {0x2067, '\0', When::kAlways},        {0x2068, '\0', When::kAlways}, {0x2069, '\0', When::kAlways},
    {0x2212, '-', When::kAlways},         // minus sign
    {0x2E41, ',', When::kBetweenDigits},  // reversed comma (Adlam grouping)
    {0xFEFF, '\0', When::kAlways},        // byte-order mark
};

// The zero of every run of ten decimal digits beyond ASCII (Arabic-Indic,
// Devanagari, Bengali, Thai, Myanmar, fullwidth, Adlam, ...), sorted: the
// digits a locale may write its numbers and dates in.
constexpr char32_t kDigitZeros[] = {
    0x0660,  0x06F0,  0x07C0,  0x0966,  0x09E6,  0x0A66,  0x0AE6,  0x0B66,  0x0BE6,  0x0C66,  0x0CE6,
    0x0D66,  0x0DE6,  0x0E50,  0x0ED0,  0x0F20,  0x1040,  0x1090,  0x17E0,  0x1810,  0x1946,  0x19D0,
    0x1A80,  0x1A90,  0x1B50,  0x1BB0,  0x1C40,  0x1C50,  0xA620,  0xA8D0,  0xA900,  0xA9D0,  0xA9F0,
    0xAA50,  0xABF0,  0xFF10,  0x104A0, 0x10D30, 0x11066, 0x110F0, 0x11136, 0x111D0, 0x112F0, 0x11450,
    0x114D0, 0x11650, 0x116C0, 0x11730, 0x118E0, 0x11950, 0x11C50, 0x11D50, 0x11DA0, 0x16A60, 0x16AC0,
    0x16B50, 0x1D7CE, 0x1D7D8, 0x1D7E2, 0x1D7EC, 0x1D7F6, 0x1E140, 0x1E2F0, 0x1E950, 0x1FBF0,
};

static_assert(std::is_sorted(std::begin(kMapped), std::end(kMapped),
                             [](const Mapped &a, const Mapped &b) { return a.code_point < b.code_point; }));
static_assert(std::is_sorted(std::begin(kDigitZeros), std::end(kDigitZeros)));

constexpr bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

// The value of a decimal digit beyond ASCII, or -1.
int digit_value(char32_t c) {
  const auto after = std::upper_bound(std::begin(kDigitZeros), std::end(kDigitZeros), c);
  if (after == std::begin(kDigitZeros)) return -1;
  const char32_t zero = *(after - 1);
  return c - zero < 10 ? static_cast<int>(c - zero) : -1;
}

struct CodePoint {
  char32_t value;
  size_t length;  // bytes
};

// The UTF-8 character at text[i] (i < size); a byte that starts no valid
// sequence stands for itself, one byte long, and is kept as it is.
CodePoint decode(std::string_view text, size_t i) {
  const size_t length = utf8_sequence_length(text, i);
  if (length == 0) return {0xFFFFFFFF, 1};
  const auto lead = static_cast<unsigned char>(text[i]);
  char32_t value = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) value = value << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  return {value, length};
}

// Whether text[i] starts a digit, ASCII or not.
bool digit_at(std::string_view text, size_t i) {
  if (i >= text.size()) return false;
  if (static_cast<unsigned char>(text[i]) < 0x80) return is_ascii_digit(text[i]);
  return digit_value(decode(text, i).value) >= 0;
}

// ---- numbers, amounts and percentages ------------------------------------

// The separators ICU writes beside digits of other scripts, by what they
// separate: the number readers turn them into the locale's own bytes.
struct ScriptSeparator {
  std::string_view utf8;
  bool decimal;
};
constexpr ScriptSeparator kScriptSeparators[] = {
    {"\xD9\xAB", true},   // U+066B Arabic decimal separator
    {"\xD9\xAC", false},  // U+066C Arabic thousands separator
};

// The text with the script separators replaced by the locale's decimal and
// grouping bytes; text itself when it holds none.
std::string_view number_separators(std::string_view text, const uwn_number_convention &r,
                                   std::string &scratch) {
  if (ascii_prefix(text) == text.size()) return text;
  scratch.clear();
  for (size_t i = 0; i < text.size();) {
    const ScriptSeparator *found = nullptr;
    for (const ScriptSeparator &sep : kScriptSeparators) {
      if (text.substr(i, sep.utf8.size()) == sep.utf8) found = &sep;
    }
    if (found != nullptr && (found->decimal ? r.decimal_separator : r.grouping_separator) != '\0') {
      scratch += found->decimal ? r.decimal_separator : r.grouping_separator;
      i += found->utf8.size();
    } else {
      scratch += text[i++];
    }
  }
  return scratch;
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

struct GroupSizes {
  int primary = 3, secondary = 3;
};

// The group sizes of a pattern's positive part ("#,##,##0.00": 3, then 2).
GroupSizes group_sizes(std::string_view pattern) {
  GroupSizes sizes;
  pattern = pattern.substr(0, pattern.find(';'));
  const size_t first = pattern.find_first_of("#0");
  if (first == std::string_view::npos) return sizes;
  size_t end = pattern.find_first_not_of("#0,", first);
  if (end == std::string_view::npos) end = pattern.size();
  const std::string_view integer = pattern.substr(first, end - first);
  const size_t last = integer.rfind(',');
  if (last == std::string_view::npos || last == 0 || last + 1 == integer.size()) return sizes;
  sizes.primary = static_cast<int>(integer.size() - last - 1);
  const size_t before = integer.rfind(',', last - 1);
  sizes.secondary = before == std::string_view::npos ? sizes.primary : static_cast<int>(last - before - 1);
  if (sizes.secondary <= 0) sizes.secondary = sizes.primary;
  return sizes;
}

// Whether a pattern's negative part puts the minus sign after the digits.
bool sign_trails(std::string_view pattern) {
  const size_t semicolon = pattern.find(';');
  if (semicolon == std::string_view::npos) return false;
  const std::string_view negative = pattern.substr(semicolon + 1);
  const size_t digits = negative.find_first_of("#0");
  const size_t sign = negative.find('-');
  return digits != std::string_view::npos && sign != std::string_view::npos && sign > digits;
}

// What a number pattern tells the whole-field check.
struct PatternFacts {
  GroupSizes groups;
  bool sign_trails = false;
};

// The facts of a number pattern.
PatternFacts facts_of(std::string_view pattern) {
  return remembered<PatternFacts>(pattern, [](std::string_view p) {
    return PatternFacts{group_sizes(p), sign_trails(p)};
  });
}

std::optional<NumberConventions> number_conventions(const Locale *locale, int32_t item) {
  const uwn_number_convention *record = locale != nullptr ? locale->convention(item) : nullptr;
  if (record == nullptr) return std::nullopt;
  NumberConventions c{record};
  const PatternFacts own = facts_of(locale->text(item));
  const GroupSizes number =
      item == UWN_ITEM_NUMBER ? own.groups : facts_of(locale->text(UWN_ITEM_NUMBER)).groups;
  c.primary_group = own.groups.primary;
  c.secondary_groups[0] = own.groups.secondary;
  c.secondary_groups[1] = number.secondary;
  c.secondary_groups[2] = own.groups.primary;
  c.sign_trails = own.sign_trails;
  return c;
}

// What a number field says, read whole by the locale's conventions.
struct NumberShape {
  double value = 0;
  size_t currency_begin = 0, currency_end = 0;  // the currency text, when there is one
};

class ShapeReader {
 public:
  ShapeReader(std::string_view text, const NumberConventions &c, ReaderSource kind)
      : s_(text), c_(c), r_(*c.record), kind_(kind) {}

  // Digits with the locale's grouping and decimal separator, at most one
  // sign (leading, trailing or parentheses), for money the locale's currency
  // text before or after, for percentages a percent sign; blanks between.
  bool read(NumberShape *out) {
    if (!affixes() || !number() || !affixes() || i_ != s_.size()) return false;
    if (open_parenthesis_ != close_parenthesis_) return false;
    double value = 0;
    if (exponent_ || !exact_decimal(mantissa_, digits_, -decimals_, &value)) {
      const auto r = std::from_chars(canonical_, canonical_ + used_, value);
      if (r.ec != std::errc() || r.ptr != canonical_ + used_) return false;
    }
    if (negative_) value = -value;
    if (percent_) value /= 100.0;
    out->value = value;
    out->currency_begin = currency_begin_;
    out->currency_end = currency_end_;
    return true;
  }

 private:
  bool is_blank(char ch) const { return ch == ' ' || ch == '\t'; }
  bool digit(size_t k) const { return k < s_.size() && is_ascii_digit(s_[k]); }
  bool is_sign_byte(char ch, char own) const { return ch != '\0' && ch == own; }

  // Signs, parentheses, currency and percent around the digits.
  bool affixes() {
    for (;;) {
      while (i_ < s_.size() && is_blank(s_[i_])) ++i_;
      if (i_ == s_.size() || digit(i_)) return true;
      const char ch = s_[i_];
      if (!sign_ && (ch == '-' || is_sign_byte(ch, r_.negative_sign)) && (!seen_number_ || c_.sign_trails)) {
        sign_ = negative_ = true;
      } else if (!sign_ && (ch == '+' || is_sign_byte(ch, r_.positive_sign)) && !seen_number_) {
        sign_ = true;
      } else if (!sign_ && ch == '(' && !seen_number_) {
        sign_ = negative_ = open_parenthesis_ = true;
      } else if (open_parenthesis_ && !close_parenthesis_ && ch == ')' && seen_number_) {
        close_parenthesis_ = true;
      } else if (kind_ == ReaderSource::kPercent && !percent_ && ch == '%') {
        percent_ = true;
      } else if (kind_ == ReaderSource::kMoney && currency_end_ == 0 && currency()) {
        continue;
      } else {
        return false;
      }
      ++i_;
    }
  }

  bool is_separator(char ch) const {
    return ch != '\0' && (ch == r_.decimal_separator || ch == r_.grouping_separator);
  }

  // A byte that the currency text in the record may have lost: one that
  // means something inside a number.
  bool may_be_dropped(char ch) const {
    return ch != '\0' && (ch == r_.decimal_separator || ch == r_.grouping_separator ||
                          ch == r_.negative_sign || ch == r_.positive_sign || ch == '-' || ch == '+');
  }

  // The record's currency text at i_, with the bytes it may have lost
  // standing within it or right after it (not before a digit).
  bool currency() {
    const std::string_view text(r_.currency, strnlen(r_.currency, sizeof r_.currency));
    if (text.empty()) return false;
    size_t j = i_, k = 0;
    while (k < text.size()) {
      if (j < s_.size() && s_[j] == text[k]) {
        ++j;
        ++k;
      } else if (j > i_ && j < s_.size() && may_be_dropped(s_[j])) {
        ++j;
      } else {
        return false;
      }
    }
    while (j < s_.size() && is_separator(s_[j]) && !digit(j + 1)) ++j;
    currency_begin_ = i_;
    currency_end_ = j;
    i_ = j;
    return true;
  }

  // Groups of the primary size next to the separator, then of one of the
  // secondary sizes, the first group no longer than them.
  bool grouped_right(const int *groups, int count) const {
    if (groups[count - 1] != c_.primary_group) return false;
    for (const int secondary : c_.secondary_groups) {
      bool right = groups[0] >= 1 && groups[0] <= secondary;
      for (int g = 1; g < count - 1 && right; ++g) right = groups[g] == secondary;
      if (right) return true;
    }
    return false;
  }

  bool put(char ch) {
    if (used_ == sizeof canonical_) return false;
    canonical_[used_++] = ch;
    return true;
  }
  // A digit of the mantissa, kept as text and as a number.
  bool put_digit(char ch, bool decimal) {
    mantissa_ = mantissa_ * 10 + static_cast<uint64_t>(ch - '0');
    ++digits_;
    decimals_ += decimal;
    return put(ch);
  }

  // Digits, grouped right or not at all; a fraction; for plain numbers an
  // exponent.
  bool number() {
    if (i_ == s_.size()) return false;
    seen_number_ = true;
    const size_t number_start = i_;
    const char grouping = r_.grouping_separator;
    int groups[kLongestNumber + 1];
    int count = 0, length = 0;
    for (; i_ < s_.size(); ++i_) {
      const char ch = s_[i_];
      if (is_ascii_digit(ch)) {
        if (!put_digit(ch, false)) return false;
        ++length;
      } else if (grouping != '\0' && ch == grouping && length > 0 && digit(i_ + 1)) {
        if (count == kLongestNumber) return false;
        groups[count++] = length;
        length = 0;
      } else {
        break;
      }
    }
    groups[count++] = length;
    // Grouped digits never start with a zero: "0.370" in a locale grouping
    // by "." is a fraction written elsewhere, not 370.
    if (count > 1 && (!grouped_right(groups, count) || s_[number_start] == '0')) return false;
    if (length == 0) return false;  // a number starts with a digit
    if (i_ < s_.size() && r_.decimal_separator != '\0' && s_[i_] == r_.decimal_separator && digit(i_ + 1)) {
      if (!put('.')) return false;
      for (++i_; digit(i_); ++i_) {
        if (!put_digit(s_[i_], true)) return false;
      }
    }
    if (kind_ == ReaderSource::kNumber && i_ + 1 < s_.size() && (s_[i_] == 'E' || s_[i_] == 'e')) {
      size_t j = i_ + 1;
      if (s_[j] == '-' || s_[j] == '+') ++j;
      if (digit(j)) {
        exponent_ = true;
        if (!put('e')) return false;
        for (size_t k = i_ + 1; k < j; ++k) {
          if (!put(s_[k])) return false;
        }
        for (i_ = j; digit(i_); ++i_) {
          if (!put(s_[i_])) return false;
        }
      }
    }
    return true;
  }

  std::string_view s_;
  const NumberConventions &c_;
  const uwn_number_convention &r_;
  ReaderSource kind_;  // kNumber, kMoney or kPercent
  size_t i_ = 0;
  bool sign_ = false, negative_ = false, open_parenthesis_ = false, close_parenthesis_ = false;
  bool percent_ = false, seen_number_ = false;
  size_t currency_begin_ = 0, currency_end_ = 0;
  char canonical_[kLongestNumber + 8];  // the number as from_chars reads it
  size_t used_ = 0;
  uint64_t mantissa_ = 0;  // its digits, exact while there are at most 19
  int64_t digits_ = 0, decimals_ = 0;
  bool exponent_ = false;
};

// "00" to "99", for writing numbers two digits at a time.
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int v = 0; v < 100; ++v) {
    pairs[static_cast<size_t>(2 * v)] = static_cast<char>('0' + v / 10);
    pairs[static_cast<size_t>(2 * v + 1)] = static_cast<char>('0' + v % 10);
  }
  return pairs;
}();

// v in [0, 99], as two digits.
char *two_digits(char *p, int v) {
  std::memcpy(p, &kDigitPairs[static_cast<size_t>(2 * v)], 2);
  return p + 2;
}

char *write_date(char *p, int64_t days) {
  const civil::Ymd ymd = civil::civil_from_days(days);
  int64_t year = ymd.year;
  if (year >= 0 && year <= 9999) {  // nearly every date: four digits by pairs
    p = two_digits(p, static_cast<int>(year / 100));
    p = two_digits(p, static_cast<int>(year % 100));
    *p++ = '-';
    p = two_digits(p, ymd.month);
    *p++ = '-';
    return two_digits(p, ymd.day);
  }
  if (year < 0) {
    *p++ = '-';
    year = -year;
  }
  const auto r = std::to_chars(p, p + 12, year);
  // Four digits at least.
  const auto n = r.ptr - p;
  if (n < 4) {
    std::memmove(p + (4 - n), p, static_cast<size_t>(n));
    std::memset(p, '0', static_cast<size_t>(4 - n));
  }
  p += n < 4 ? 4 : n;
  *p++ = '-';
  p = two_digits(p, ymd.month);
  *p++ = '-';
  return two_digits(p, ymd.day);
}

// The digits of n, into p.
char *write_digits(char *p, uint64_t n) {
  char digits[20];
  char *d = digits + sizeof digits;
  while (n >= 100) {
    d = two_digits(d - 2, static_cast<int>(n % 100)) - 2;
    n /= 100;
  }
  if (n >= 10) {
    d = two_digits(d - 2, static_cast<int>(n)) - 2;
  } else {
    *--d = static_cast<char>('0' + n);
  }
  while (d < digits + sizeof digits) *p++ = *d++;  // a few bytes: no call
  return p;
}

// A number as the shortest decimal text that reads back to it, without an
// exponent where a plain number is at most about 35 bytes (1e-5 to 1e16):
// "1000000", "0.00001", "-1234.56".
char *write_plain_number(char *p, double value) {
  if (value == 0) {  // no "-0"
    *p++ = '0';
    return p;
  }
  const double magnitude = std::fabs(value);
  // Tiny, huge, infinite or not a number: the shortest text, exponent and all.
  if (!(magnitude >= 1e-5 && magnitude < 1e16)) return std::to_chars(p, p + 32, value).ptr;
  if (value < 0) *p++ = '-';
  if (magnitude < 9e15 && magnitude == std::floor(magnitude))
    return write_digits(p, static_cast<uint64_t>(magnitude));
  // Most numbers read from text have a few decimals: the fewest k for which
  // an integer m of at most 15 digits gives the value again as m / 10^k is
  // the shortest text (15 digits tell every double apart).
  static constexpr double kPowers[] = {1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
  static constexpr uint64_t kIntegerPowers[] = {10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
  for (size_t k = 0; k < std::size(kPowers); ++k) {
    const double m = std::floor(magnitude * kPowers[k] + 0.5);
    if (m >= 1e15) break;
    if (m / kPowers[k] != magnitude) continue;
    const auto digits = static_cast<uint64_t>(m);
    p = write_digits(p, digits / kIntegerPowers[k]);
    *p++ = '.';
    // The k + 1 fraction digits with their leading zeros: those of
    // 10^(k+1) + fraction after its leading 1.
    char fraction[12];
    write_digits(fraction, digits % kIntegerPowers[k] + kIntegerPowers[k]);
    std::memcpy(p, fraction + 1, k + 1);
    return p + k + 1;
  }
  // At most 17 significant digits: 24 bytes with the sign and the point.
  return std::to_chars(p, p + 30, magnitude, std::chars_format::fixed).ptr;
}

char *write_time(char *p, int64_t seconds) {
  p = two_digits(p, static_cast<int>(seconds / 3600));
  *p++ = ':';
  p = two_digits(p, static_cast<int>(seconds / 60 % 60));
  *p++ = ':';
  return two_digits(p, static_cast<int>(seconds % 60));
}

}  // namespace

std::string_view normalize_field(std::string_view field, std::string &scratch) {
  // Plain ASCII: nothing to change.
  size_t i = ascii_prefix(field);
  if (i == field.size()) return field;
  scratch.assign(field.data(), i);
  while (i < field.size()) {
    if (static_cast<unsigned char>(field[i]) < 0x80) {
      scratch += field[i++];
      continue;
    }
    const CodePoint here = decode(field, i);
    i += here.length;
    const auto mapped = std::lower_bound(std::begin(kMapped), std::end(kMapped), here.value,
                                         [](const Mapped &m, char32_t c) { return m.code_point < c; });
    if (mapped != std::end(kMapped) && mapped->code_point == here.value) {
      const bool after_digit = !scratch.empty() && is_ascii_digit(scratch.back());
      const bool before_digit = digit_at(field, i);
      const bool applies = mapped->when == When::kAlways ||
                           (mapped->when == When::kNextToDigit && (after_digit || before_digit)) ||
                           (mapped->when == When::kBetweenDigits && after_digit && before_digit);
      if (applies) {
        if (mapped->byte != '\0') scratch += mapped->byte;
        continue;
      }
    } else if (const int digit = digit_value(here.value); digit >= 0) {
      scratch += static_cast<char>('0' + digit);
      continue;
    }
    scratch.append(field.data() + i - here.length, here.length);
  }
  return scratch;
}

size_t write_iso(ValueKind kind, double value, char *buffer) {
  char *p = buffer;
  switch (kind) {
    case ValueKind::kDate: p = write_date(p, static_cast<int64_t>(std::floor(value))); break;
    case ValueKind::kDatetime: {
      const double days = std::floor(value / 86400);
      const auto seconds = static_cast<int64_t>(std::floor(value - days * 86400));  // [0, 86399]
      p = write_date(p, static_cast<int64_t>(days));
      *p++ = 'T';
      p = write_time(p, seconds);
      break;
    }
    case ValueKind::kTime: p = write_time(p, static_cast<int64_t>(std::floor(value))); break;
    case ValueKind::kNumber: p = write_plain_number(p, value); break;
  }
  return static_cast<size_t>(p - buffer);
}

std::optional<FieldReader> FieldReader::make(const Host &host, const Module &module, std::string_view name,
                                             std::string *error) {
  const ReaderInfo *row = find_reader(name);
  if (row == nullptr) {
    *error = "no informat or reader named " + std::string(name);
    return std::nullopt;
  }
  FieldReader reader(host);
  // Looked up once: a symbol lookup per field would cost as much as the read.
  reader.routine_ = module.symbol(row->reader);
  if (row->source == ReaderSource::kInformat) {
    reader.informat_ = module.informat(row->name);
    if (reader.informat_ == nullptr) {
      *error = "the module has no informat " + std::string(row->name);
      return std::nullopt;
    }
    reader.fallback_name_ = row->fallback;
  } else if (reader.routine_ == nullptr) {
    *error = std::string("the module does not export ") + row->reader;
    return std::nullopt;
  }
  if (row->writer != nullptr) reader.writer_ = module.symbol(row->writer);
  reader.name_ = std::string(row->name);
  reader.kind_ = row->kind;
  reader.source_ = row->source;
  reader.pattern_items_[0] = row->items[0];
  reader.pattern_items_[1] = row->items[1];
  return reader;
}

std::optional<FieldReader> FieldReader::with_pattern(const Host &host, const Module &module, ValueKind kind,
                                                     std::string pattern, std::string *error) {
  const KindInfo &info = kind_info(kind);
  if (info.pattern_reader == nullptr) {
    *error = "a pattern reads dates, datetimes and times only";
    return std::nullopt;
  }
  if (pattern.empty() || pattern.size() > UWN_DESCRIPTOR_MAX) {
    *error = "a pattern has 1 to " + std::to_string(UWN_DESCRIPTOR_MAX) + " bytes";
    return std::nullopt;
  }
  FieldReader reader(host);
  reader.routine_ = module.symbol(info.pattern_reader);
  if (reader.routine_ == nullptr) {
    *error = std::string("the module does not export ") + info.pattern_reader;
    return std::nullopt;
  }
  reader.writer_ = module.symbol(info.writer);
  reader.source_ = ReaderSource::kPattern;
  reader.kind_ = kind;
  reader.name_ = "pattern " + pattern;
  reader.pattern_ = std::move(pattern);
  return reader;
}

bool FieldReader::read(std::string_view field, double *value) {
  const std::string_view text = trim_blanks(normalize_field(field, scratch_));
  if (text.empty() || text.size() > INT32_MAX) return false;
  if (source_ == ReaderSource::kNumber || source_ == ReaderSource::kMoney ||
      source_ == ReaderSource::kPercent)
    return read_number(text, value);
  if (strict_ && source_ == ReaderSource::kInformat) return read_informat_strictly(text, value);
  double read_value = std::nan("");
  if (!read_normalized(text, &read_value) || std::isnan(read_value)) return false;
  if (strict_ && source_ == ReaderSource::kPattern && !written_back_as(nullptr, 0, read_value, text))
    return false;
  *value = read_value;
  return true;
}

// The informat's own road, pattern by pattern, so that the pattern that read
// the field is the one that must write it back: the first locale pattern,
// the second when the first does not account for the field, else the host's
// whole-field fallback alone (which a field read in part never reaches
// through the informat itself).
bool FieldReader::read_informat_strictly(std::string_view text, double *value) {
  const auto parser = reinterpret_cast<PatternReader>(routine_);
  const auto length = static_cast<int32_t>(text.size());
  if (parser != nullptr) {
    for (const int32_t item : pattern_items_) {
      double read_value = std::nan("");
      const int32_t status = parser(text.data(), length, nullptr, item, &read_value);
      if (status != UWN_OK || std::isnan(read_value)) continue;
      // Most fields are the pattern's own numeric shape: no need to write them back.
      const Locale *locale = host_->locale();
      if ((locale != nullptr && numeric_shape_matches(locale->text(item), text)) ||
          written_back_as(nullptr, item, read_value, text)) {
        *value = read_value;
        return true;
      }
    }
  }
  const HostInformat *fallback = host_->find_informat(fallback_name_);
  if (fallback == nullptr) return false;
  double fallback_value = std::nan("");
  uwn_informat_block block{};
  block.text = text.data();
  block.text_length = length;
  block.width = std::min<int32_t>(length, UWN_DESCRIPTOR_MAX);
  block.result = &fallback_value;
  if ((*fallback)(&block) != 0 || std::isnan(fallback_value)) return false;
  *value = fallback_value;
  return true;
}

bool FieldReader::read_number(std::string_view text, double *value) {
  // Money: the local currency form, then the international one.
  for (const int32_t item : pattern_items_) {
    if (item == 0) break;
    const std::optional<NumberConventions> conventions = number_conventions(host_->locale(), item);
    std::string_view field = text;
    if (conventions) field = number_separators(text, *conventions->record, number_scratch_);
    double read_value = std::nan("");
    if (!strict_) {
      if (run_number_reader(item, field, &read_value) && !std::isnan(read_value)) {
        *value = read_value;
        return true;
      }
      continue;
    }
    NumberShape shape;
    if (!conventions || !ShapeReader(field, *conventions, source_).read(&shape)) continue;
    // The currency text goes out whole before the module reads the rest: the
    // record's text may lack bytes that mean something in a number.
    char handed[kLongestNumber];
    const size_t cut = shape.currency_end - shape.currency_begin;
    if (field.size() - cut > sizeof handed) continue;
    std::memcpy(handed, field.data(), shape.currency_begin);
    std::memcpy(handed + shape.currency_begin, field.data() + shape.currency_end,
                field.size() - shape.currency_end);
    if (!run_number_reader(item, std::string_view(handed, field.size() - cut), &read_value)) continue;
    // The module's value must be what the field says.
    if (read_value != shape.value) continue;
    *value = read_value;
    return true;
  }
  return false;
}

bool FieldReader::run_number_reader(int32_t item, std::string_view text, double *value) {
  if (text.empty() || text.size() > kLongestNumber) return false;
  const auto reader = reinterpret_cast<LocaleNumberReader>(routine_);
  uwn_informat_block block{};
  block.text = text.data();
  block.text_length = block.width = static_cast<int32_t>(text.size());
  block.result = value;
  return reader(0, 0, nullptr, item, &block) == 0;
}

bool FieldReader::read_normalized(std::string_view text, double *value) {
  const auto length = static_cast<int32_t>(text.size());
  switch (source_) {
    case ReaderSource::kInformat: return run_informat(informat_, text, value) == 0;
    case ReaderSource::kNumber:
    case ReaderSource::kMoney:
    case ReaderSource::kPercent: return false;  // read_number
    case ReaderSource::kWeek: {
      const auto zkifweek_fn = reinterpret_cast<decltype(&zkifweek)>(routine_);
      double window_and_date = host_->year_window();
      if (zkifweek_fn(text.data(), length, &week_rule_, 1, &window_and_date) != 0) return false;
      *value = window_and_date;
      return true;
    }
    case ReaderSource::kPattern: {
      const auto reader = reinterpret_cast<PatternReader>(routine_);
      return reader(text.data(), length, pattern_.data(), static_cast<int32_t>(pattern_.size()), value) == 0;
    }
  }
  return false;
}

// Whether value, written by locale item `item` (pattern null) or by this
// reader's own pattern, gives the field again, blanks and ASCII case aside.
bool FieldReader::written_back_as(const char *pattern, int32_t item, double value,
                                  std::string_view field) const {
  const auto writer = reinterpret_cast<PatternWriter>(writer_);
  if (writer == nullptr) return false;
  if (pattern == nullptr && item == 0) {
    pattern = pattern_.data();
    item = static_cast<int32_t>(pattern_.size());
  }
  char written[256];
  int32_t width = sizeof written;
  if (writer(written, &width, pattern, item, value) != UWN_OK) return false;
  return same_text_blanks_aside(std::string_view(written, static_cast<size_t>(width)), field);
}

}  // namespace nlhost
