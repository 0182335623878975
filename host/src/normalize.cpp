// nlhost: field normalization, the one place of the rules by which text
// from other software is mapped to the bytes the locale's one-byte data
// uses: blanks of other widths, signs and grouping marks, bidi marks, and
// the decimal digits of every script.
#include <algorithm>
#include <iterator>

#include "nlhost/reading.h"
#include "nlhost/utf8.h"
#include "reading_stages.h"

namespace nlhost {

namespace reading {

namespace {

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
// Devanagari, Bengali, Thai, Myanmar, fullwidth, Adlam, Kawi, ...), sorted:
// the digits a locale may write its numbers and dates in, every run that
// ICU's character data has (a test holds the two together).
constexpr char32_t kDigitZeros[] = {
    0x0660,  0x06F0,  0x07C0,  0x0966,  0x09E6,  0x0A66,  0x0AE6,  0x0B66,  0x0BE6,  0x0C66,
    0x0CE6,  0x0D66,  0x0DE6,  0x0E50,  0x0ED0,  0x0F20,  0x1040,  0x1090,  0x17E0,  0x1810,
    0x1946,  0x19D0,  0x1A80,  0x1A90,  0x1B50,  0x1BB0,  0x1C40,  0x1C50,  0xA620,  0xA8D0,
    0xA900,  0xA9D0,  0xA9F0,  0xAA50,  0xABF0,  0xFF10,  0x104A0, 0x10D30, 0x11066, 0x110F0,
    0x11136, 0x111D0, 0x112F0, 0x11450, 0x114D0, 0x11650, 0x116C0, 0x11730, 0x118E0, 0x11950,
    0x11C50, 0x11D50, 0x11DA0, 0x11F50, 0x16A60, 0x16AC0, 0x16B50, 0x1D7CE, 0x1D7D8, 0x1D7E2,
    0x1D7EC, 0x1D7F6, 0x1E140, 0x1E2F0, 0x1E4F0, 0x1E950, 0x1FBF0,
};

static_assert(std::is_sorted(std::begin(kMapped), std::end(kMapped),
                             [](const Mapped &a, const Mapped &b) { return a.code_point < b.code_point; }));
static_assert(std::is_sorted(std::begin(kDigitZeros), std::end(kDigitZeros)));
}  // namespace

int digit_value(char32_t c) {
  const auto after = std::upper_bound(std::begin(kDigitZeros), std::end(kDigitZeros), c);
  if (after == std::begin(kDigitZeros)) return -1;
  const char32_t zero = *(after - 1);
  return c - zero < 10 ? static_cast<int>(c - zero) : -1;
}

std::optional<char> blank_or_mark(char32_t c) {
  const auto mapped = std::lower_bound(std::begin(kMapped), std::end(kMapped), c,
                                       [](const Mapped &m, char32_t k) { return m.code_point < k; });
  if (mapped == std::end(kMapped) || mapped->code_point != c || mapped->when != When::kAlways) return {};
  if (mapped->byte != ' ' && mapped->byte != '\0') return {};
  return mapped->byte;
}

}  // namespace reading

namespace {

using reading::digit_value;
using reading::is_ascii_digit;
using reading::kMapped;
using reading::Mapped;
using reading::When;

// Whether text[i] starts a digit, ASCII or not.
bool digit_at(std::string_view text, size_t i) {
  if (i >= text.size()) return false;
  if (static_cast<unsigned char>(text[i]) < 0x80) return is_ascii_digit(text[i]);
  return digit_value(decode_utf8(text, i).value) >= 0;
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
    const CodePoint here = decode_utf8(field, i);
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
}  // namespace nlhost
