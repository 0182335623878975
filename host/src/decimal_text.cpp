// nlhost: plain decimal text from collected digits (see decimal_text.h).
#include "decimal_text.h"

#include <cstdint>

namespace nlhost {

namespace {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Digits at text[*i...], appended to *to; the count.
size_t take_digits(std::string_view text, size_t *i, std::string *to) {
  const size_t start = *i;
  while (*i < text.size() && is_digit(text[*i])) to->push_back(text[(*i)++]);
  return *i - start;
}

}  // namespace

bool decimal_text(std::string_view digits, bool negative, int shift, std::string *out) {
  out->clear();
  // The significant digits as one run, and where the point stands in it.
  std::string run;
  size_t i = 0;
  const size_t integer_digits = take_digits(digits, &i, &run);
  if (integer_digits == 0) return false;
  if (i < digits.size() && digits[i] == '.') {
    ++i;
    if (take_digits(digits, &i, &run) == 0) return false;
  }
  int64_t exponent = 0;
  if (i < digits.size() && (digits[i] == 'e' || digits[i] == 'E')) {
    ++i;
    const bool minus = i < digits.size() && digits[i] == '-';
    if (i < digits.size() && (digits[i] == '-' || digits[i] == '+')) ++i;
    const size_t start = i;
    for (; i < digits.size() && is_digit(digits[i]); ++i) {
      exponent = exponent * 10 + (digits[i] - '0');
      if (exponent > static_cast<int64_t>(kLongestDecimalText)) return false;  // far too long anyway
    }
    if (i == start) return false;
    if (minus) exponent = -exponent;
  }
  if (i != digits.size()) return false;
  // [-96 - 32, 96 + 32 + INT_MAX]: the point's place counted from the run's start.
  const int64_t point = static_cast<int64_t>(integer_digits) + exponent + shift;
  const auto length = static_cast<int64_t>(run.size());
  const int64_t width = point <= 0 ? 2 - point + length : point >= length ? point : length + 1;
  if (width + 1 > static_cast<int64_t>(kLongestDecimalText)) return false;

  std::string text;
  if (point <= 0) {
    text.assign("0.");
    text.append(static_cast<size_t>(-point), '0');
    text += run;
  } else if (point >= length) {
    text = run;
    text.append(static_cast<size_t>(point - length), '0');
  } else {
    text.assign(run, 0, static_cast<size_t>(point));
    text += '.';
    text.append(run, static_cast<size_t>(point), std::string::npos);
  }
  // One zero at most before the point.
  size_t lead = 0;
  while (lead + 1 < text.size() && text[lead] == '0' && is_digit(text[lead + 1])) ++lead;
  text.erase(0, lead);
  if (negative && text.find_first_of("123456789") != std::string::npos) out->push_back('-');
  *out += text;
  return true;
}

}  // namespace nlhost
