// zkifnum, zkifmny, zkifpct: read a number, an amount of money or a
// percentage written in the conventions of a locale item's number-convention
// record.  The field is rewritten in a 32-character copy into the neutral
// form that zifmcma reads (grouping ",", decimal point ".", a leading "-" for
// a negative amount, no currency characters) and handed on with the block;
// the caller's text address is back in the block on return.
#include "zifm.h"

namespace {

constexpr int32_t kCurrencyText = 50;  // the record's currency field
constexpr char kParentheses[] = "()";

enum class Reader { kNumber, kMoney, kPercent };

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Deletes every sign byte c from text[0, length) but one that stands right
// after an exponent letter following a digit ("1.5E-3"): that one belongs to
// the exponent and stays for the host reader.  Blank-fills the freed tail as
// wzstdel does; the new length.
int32_t delete_sign(char *text, int32_t length, char c) {
  int32_t kept = 0;
  char before_last = '\0', last = '\0';  // the two bytes before text[i], as given
  for (int32_t i = 0; i < length; ++i) {
    const char here = text[i];
    const bool exponent_sign = (last == 'E' || last == 'e') && is_digit(before_last);
    if (here != c || exponent_sign) text[kept++] = here;
    before_last = last;
    last = here;
  }
  if (kept < length) std::memset(text + kept, ' ', static_cast<size_t>(length - kept));
  return kept;
}

// The convention record of the caller's item, or null with *status set.
const uwn_number_convention *find_convention(const void *reserved, int32_t item, Reader reader,
                                             int32_t *status) {
  *status = UWN_NUM_NO_CONVENTIONS;
  if (reserved != nullptr || item <= 0) return nullptr;
  if (reader == Reader::kMoney && item != UWN_ITEM_MONEY_LOCAL && item != UWN_ITEM_MONEY_INTL) return nullptr;
  const uwn_locale_entry *entry = nullptr;
  if (wzsxglc(nullptr, item, &entry) != 0 || entry == nullptr) {
    *status = UWN_NUM_NO_ITEM;
    return nullptr;
  }
  return entry->convention;
}

int32_t read_by_convention(const void *reserved, int32_t item, uwn_informat_block *block, Reader reader) {
  int32_t status;
  const uwn_number_convention *r = find_convention(reserved, item, reader, &status);
  if (r == nullptr) return status;

  // copy[0, n) is the field as zifmcma will read it; copy[0, len) the text
  // still in play, followed by the blanks the deletions leave behind.
  const int32_t n = uwn::number_field_length(block);
  char copy[uwn::kNumberCopy];
  if (n > 0) std::memcpy(copy, block->text, static_cast<size_t>(n));
  int32_t len = n;

  if (reader == Reader::kMoney) {
    // The record need not hold its NUL within the field.
    int32_t currency_length = 0;
    while (currency_length < kCurrencyText && r->currency[currency_length] != '\0') ++currency_length;
    len = wzstdel(copy, len, r->currency, currency_length);
  }

  const char grouping = r->grouping_separator;
  if (grouping != ',') {
    for (int32_t i = 0; i < len; ++i) {
      if (copy[i] == grouping)
        copy[i] = ',';
      else if (copy[i] == r->decimal_separator)
        copy[i] = '.';
    }
  }

  bool negative = false;
  if (r->negative_style == 0) {
    const int32_t kept = wzstdel(copy, len, kParentheses, sizeof kParentheses - 1);
    negative = kept < len;
    len = kept;
  } else if (r->negative_sign != '\0') {
    const int32_t kept = delete_sign(copy, len, r->negative_sign);
    negative = kept < len;
    len = kept;
  }
  if (!negative) {
    if (r->positive_style == 0)
      len = wzstdel(copy, len, kParentheses, sizeof kParentheses - 1);
    else if (r->positive_sign != '\0')
      len = delete_sign(copy, len, r->positive_sign);
  }

  // An apostrophe groups digits in every locale; zifmcma drops blanks.
  for (int32_t i = 0; i < len; ++i)
    if (copy[i] == '\'') copy[i] = ' ';

  if (negative) {  // a deletion made room: len < n <= 32
    std::memmove(copy + 1, copy, static_cast<size_t>(len));
    copy[0] = '-';
    ++len;
  }

  const char *const caller_text = block->text;
  block->text = copy;
  if (wzstpos(copy, len, '.') < 0) block->decimals = 0;
  status = reader == Reader::kPercent ? zifmpct(block) : zifmcma(block);
  block->text = caller_text;
  return status;
}

}  // namespace

extern "C" int32_t zkifnum(intptr_t, intptr_t, const void *reserved, int32_t item,
                           uwn_informat_block *block) {
  return read_by_convention(reserved, item, block, Reader::kNumber);
}

extern "C" int32_t zkifmny(intptr_t, intptr_t, const void *reserved, int32_t item,
                           uwn_informat_block *block) {
  return read_by_convention(reserved, item, block, Reader::kMoney);
}

extern "C" int32_t zkifpct(intptr_t, intptr_t, const void *reserved, int32_t item,
                           uwn_informat_block *block) {
  return read_by_convention(reserved, item, block, Reader::kPercent);
}
