// nlhost: whether a number field is, whole, what the locale's conventions
// write: digits grouped as the locale groups them, one decimal separator,
// a sign, a currency text or a percent sign where the patterns put them.
#include <algorithm>
#include <charconv>
#include <cstring>

#include "decimal.h"
#include "decimal_text.h"
#include "nlhost/utf8.h"
#include "reading_stages.h"

namespace nlhost::reading {

namespace {

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

// Groups of the primary size next to the separator, then of one of the
// secondary sizes, the first group no longer than them.
bool grouped_right(const NumberConventions &c, const int *groups, int count) {
  if (groups[count - 1] != c.primary_group) return false;
  for (const int secondary : c.secondary_groups) {
    bool right = groups[0] >= 1 && groups[0] <= secondary;
    for (int g = 1; g < count - 1 && right; ++g) right = groups[g] == secondary;
    if (right) return true;
  }
  return false;
}

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
    if (out->decimal != nullptr &&
        !decimal_text(std::string_view(canonical_, used_), negative_, percent_ ? -2 : 0, out->decimal))
      out->decimal->clear();
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
    if (count > 1 && (!grouped_right(c_, groups, count) || s_[number_start] == '0')) return false;
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

}  // namespace

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

bool read_number_shape(std::string_view field, const NumberConventions &c, ReaderSource kind,
                       NumberShape *shape) {
  return ShapeReader(field, c, kind).read(shape);
}

bool read_plain_number(std::string_view field, const NumberConventions &c, double *value,
                       std::string *decimal) {
  // The same steps as ShapeReader takes on such a field, in its order: the
  // sign before anything, then a grouping byte wherever it stands between
  // digits, then the decimal separator.
  const char grouping = c.record->grouping_separator, point = c.record->decimal_separator;
  const char *const s = field.data();
  const size_t n = field.size();
  const auto digit = [s, n](size_t k) { return k < n && is_ascii_digit(s[k]); };
  const bool negative = n > 0 && s[0] == '-';
  size_t i = negative ? 1 : 0;
  if (!digit(i)) return false;
  constexpr int kMostDigits = 15;  // exact as a double in one division
  const size_t number_start = i;
  // The digits without their separators: the decimal text to be.
  char text[kMostDigits + 2];
  size_t used = 0;
  uint64_t mantissa = 0;
  int groups[kLongestNumber + 1];
  int count = 0, length = 0;
  for (; i < n; ++i) {
    const char ch = s[i];
    if (is_ascii_digit(ch)) {
      if (used == kMostDigits) return false;
      mantissa = mantissa * 10 + static_cast<uint64_t>(ch - '0');
      text[used++] = ch;
      ++length;
    } else if (grouping != '\0' && ch == grouping && digit(i + 1)) {
      if (count == static_cast<int>(kLongestNumber)) return false;
      groups[count++] = length;
      length = 0;
    } else {
      break;
    }
  }
  groups[count++] = length;
  if (count > 1 && (!grouped_right(c, groups, count) || s[number_start] == '0')) return false;
  const size_t integer_digits = used;
  int decimals = 0;
  if (i < n && point != '\0' && s[i] == point && digit(i + 1)) {
    text[used++] = '.';
    for (++i; digit(i); ++i) {
      if (used - 1 == kMostDigits) return false;
      mantissa = mantissa * 10 + static_cast<uint64_t>(s[i] - '0');
      text[used++] = s[i];
      ++decimals;
    }
  }
  if (i != n) return false;
  double read_value = 0;
  if (!exact_decimal(mantissa, static_cast<int64_t>(integer_digits) + decimals, -decimals, &read_value))
    return false;
  *value = negative ? -read_value : read_value;
  if (decimal != nullptr) {
    // One zero at most before the point; a minus only before a value that is not zero.
    size_t lead = 0;
    while (lead + 1 < integer_digits && text[lead] == '0') ++lead;
    decimal->clear();
    if (negative && mantissa != 0) decimal->push_back('-');
    decimal->append(text + lead, used - lead);
  }
  return true;
}

}  // namespace nlhost::reading
