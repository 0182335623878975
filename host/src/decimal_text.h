// nlhost: the exact decimal text of a number read from a field, from the
// digits the whole-field number check collected, so that an amount goes out
// with the field's own digits and not those of the nearest double.
#ifndef NLHOST_DECIMAL_TEXT_H
#define NLHOST_DECIMAL_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace nlhost {

// The longest decimal text made: a 32-byte field with an exponent may ask for
// more, and then the double alone stands for the value.
inline constexpr size_t kLongestDecimalText = 96;

// Writes into *out the plain decimal text of the number whose digits are
// `digits`: ASCII digits, optionally '.' and more digits, optionally 'e' or
// 'E', a sign and digits.  `shift` moves the decimal point (-2 makes a
// percentage a fraction); `negative` puts a '-' before any value but zero.
// The result is an optional '-', digits, optionally '.' and digits: no
// exponent, no grouping, leading zeros of the integer part dropped, every
// fraction digit the field wrote kept ("1.150,00" gives "1150.00", "4,1 %"
// gives "0.041").  False, *out empty, when digits is not of that form or
// the text would exceed kLongestDecimalText.
bool decimal_text(std::string_view digits, bool negative, int shift, std::string *out);

}  // namespace nlhost

#endif  // NLHOST_DECIMAL_TEXT_H
