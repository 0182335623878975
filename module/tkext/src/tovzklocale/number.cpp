// zkifnum, zkifmny, zkifpct: read a number, an amount of money or a
// percentage written in the conventions of a locale item's number-convention
// record.  The field is rewritten in a 32-character copy into the neutral
// form that zifmcma reads (grouping ",", decimal point ".", a leading "-" for
// a negative amount, no currency characters) and read as zifmcma reads it:
// usually in one pass that also makes zifmcma's deletions, otherwise handed
// on to zifmcma or zifmpct with the block.  The caller's text address is back
// in the block on return.
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

// The bitmap of the currency's bytes; they are deleted wherever they stand.
// The record need not hold its NUL within the field.
void currency_bytes(const uwn_number_convention *r, Reader reader, uint64_t set[4]) {
  set[0] = set[1] = set[2] = set[3] = 0;
  if (reader != Reader::kMoney) return;
  for (int32_t i = 0; i < kCurrencyText && r->currency[i] != '\0'; ++i) {
    const auto c = static_cast<unsigned char>(r->currency[i]);
    set[c >> 6] |= uint64_t{1} << (c & 63);
  }
}

// Whether a sign byte could be taken for an apostrophe or the blank it
// becomes: then the apostrophes are turned into blanks only after the signs.
bool sign_like_apostrophe(const uwn_number_convention *r) {
  return r->negative_sign == ' ' || r->negative_sign == '\'' || r->positive_sign == ' ' ||
         r->positive_sign == '\'';
}

// What a record makes of a field's bytes, derived once per call: the
// currency bytes, the separators, the signs the sign rules delete (a
// parenthesis style deletes both parentheses instead) and whether digits can
// pass straight through (no currency, separator or sign byte is a digit).
struct ByteRules {
  char grouping, decimal;
  bool swap;  // the separators are not the neutral ',' and '.'
  bool negative_parens;
  char negative_sign;
  bool positive_parens;
  char positive_sign;
  bool plain_digits;
};

ByteRules byte_rules(const uwn_number_convention *r, Reader reader, uint64_t currency[4]) {
  currency_bytes(r, reader, currency);
  ByteRules k{};
  k.grouping = r->grouping_separator;
  k.decimal = r->decimal_separator;
  k.swap = k.grouping != ',';
  k.negative_parens = r->negative_style == 0;
  k.negative_sign = k.negative_parens ? '\0' : r->negative_sign;
  k.positive_parens = r->positive_style == 0;
  k.positive_sign = k.positive_parens ? '\0' : r->positive_sign;
  k.plain_digits = (currency[0] & (uint64_t{0x3FF} << '0')) == 0 &&
                   !(k.swap && (is_digit(k.grouping) || is_digit(k.decimal))) && !is_digit(k.negative_sign) &&
                   !is_digit(k.positive_sign);
  return k;
}

// Any record, any reader: the field rewritten into the neutral form in full
// (blanks and grouping commas included, the deleted bytes blank-filled to
// the field's width) and handed to zifmcma or zifmpct.
int32_t read_general(const uwn_number_convention *r, uwn_informat_block *block, Reader reader) {
  // field[0, len) is the text still in play, followed by blanks up to n.
  // It starts one byte into copy so that a minus can go in front of it
  // without moving it.
  const int32_t n = uwn::number_field_length(block);
  char copy[uwn::kNumberCopy + 1];
  char *const field = copy + 1;

  // The currency goes before the separators are read.  A sign is deleted
  // wherever it stands but right after an exponent letter that follows a digit
  // ("1.5E-3"); the positive rule only applies when no negative sign was found.
  uint64_t currency[4];
  const auto [grouping, decimal, swap, negative_parens, negative_sign, positive_parens, positive_sign,
              plain_digits] = byte_rules(r, reader, currency);
  // An apostrophe groups digits in every locale; zifmcma drops blanks.  Its
  // blank is put in during the copy unless a sign could be one of the two.
  const bool late_apostrophe = sign_like_apostrophe(r);
  const char apostrophe = late_apostrophe ? '\0' : '\'';

  // One pass: copy, delete the currency, put the neutral separators in,
  // delete the negative sign, and note whether the positive rule has
  // anything to delete.  The exponent test looks at the text as it stood
  // before the sign deletion.
  int32_t len = 0;
  bool negative = false, positive_found = false, point = false;
  char before_last = '\0', last = '\0';
  for (int32_t i = 0; i < n; ++i) {
    char c = block->text[i];
    if (plain_digits && is_digit(c)) {
      before_last = last;
      last = c;
      field[len++] = c;
      continue;
    }
    const auto u = static_cast<unsigned char>(c);
    if ((currency[u >> 6] >> (u & 63)) & 1) continue;
    if (swap) {
      if (c == grouping)
        c = ',';
      else if (c == decimal)
        c = '.';
    }
    if (c == apostrophe && c != '\0') c = ' ';
    const bool exponent_sign = (last == 'E' || last == 'e') && is_digit(before_last);
    before_last = last;
    last = c;
    const bool paren = c == '(' || c == ')';
    if (negative_parens ? paren : c == negative_sign && c != '\0' && !exponent_sign) {
      negative = true;
      continue;
    }
    positive_found |= positive_parens ? paren : c == positive_sign && c != '\0' && !exponent_sign;
    point |= c == '.';
    field[len++] = c;
  }
  // zifmcma reads the caller's width, n bytes: what was deleted reads as
  // blanks, as the deletions below leave it too.
  if (len < n) std::memset(field + len, ' ', static_cast<size_t>(n - len));

  if (!negative && positive_found) {
    len = positive_parens ? wzstdel(field, len, kParentheses, sizeof kParentheses - 1)
                          : delete_sign(field, len, positive_sign);
    point = wzstpos(field, len, '.') >= 0;
  }

  if (late_apostrophe) {
    for (int32_t i = 0; i < len; ++i)
      if (field[i] == '\'') field[i] = ' ';
  }

  char *text = field;
  if (negative) {  // a deletion made room: len < n <= 32
    *--text = '-';
    ++len;
  }

  const char *const caller_text = block->text;
  block->text = text;
  if (!point) block->decimals = 0;
  const int32_t status = reader == Reader::kPercent ? zifmpct(block) : zifmcma(block);
  block->text = caller_text;
  return status;
}

// zifmcma's order after the scan: the checks on the block, the missing
// value, then the field; for a percentage zifmpct's around it (the length
// reported once the checks pass, the value divided by 100 when the field
// kept a percent sign).  cleaned[0, len) is the field with zifmcma's
// deletions made, a minus in front of it when a negative sign was deleted
// (one byte before it is free for that).  Inlined into each scan: its
// arguments stay in registers.
[[gnu::always_inline]] inline int32_t read_scanned(uwn_informat_block *block, Reader reader, int32_t n,
                                                   char *cleaned, int32_t len, bool negative, bool point,
                                                   bool inner_paren, bool leading_paren,
                                                   bool percent_sign = false) {
  if (negative) {
    *--cleaned = '-';
    ++len;
    inner_paren |= leading_paren;  // the minus now stands in front of it
  }
  if (!point) block->decimals = 0;
  if (const int32_t check = uwn::check_number_block(block); check != 0) return check;
  if (reader == Reader::kPercent) block->reported_length = 8;
  *block->result = uwn::missing_value();
  if (n == 0 || len == 0) return 0;
  const int32_t status = uwn::read_cleaned(block, cleaned, len, inner_paren);
  if (percent_sign && status == 0 && !uwn::is_missing(*block->result)) *block->result /= 100.0;
  return status;
}

// A record whose separators and signs stay out of each other's way: no
// separator, sign or currency byte is a digit, no sign is "," or ".", and
// the currency holds neither separator.  Then a digit, the grouping byte and
// the decimal byte mean the same wherever they stand, and each is settled by
// one comparison before the rest of the rules are asked.
struct SimpleRecord {
  char grouping;  // read as "," and deleted
  char point;     // read as "."
  bool negative_parens;
  char negative_sign;
  bool positive_parens;
  char positive_sign;
  const uint64_t *currency;  // the currency's bytes, or null for none
};

bool in_set(const uint64_t set[4], char c) {
  const auto u = static_cast<unsigned char>(c);
  return ((set[u >> 6] >> (u & 63)) & 1) != 0;
}

// Whether the sign byte at text[i] stands right after an exponent letter
// that follows a digit, currency bytes passed over; the letter is read as
// the separators are put in (a grouping or decimal "E" is none).
[[gnu::noinline]] bool exponent_before(char grouping, char point, const uint64_t *currency, const char *text,
                                       int32_t i) {
  auto previous = [&](int32_t j) {
    do --j;
    while (j >= 0 && currency != nullptr && in_set(currency, text[j]));
    return j;
  };
  const int32_t last = previous(i);
  if (last < 0) return false;
  const char e = text[last];
  if ((e != 'E' && e != 'e') || e == grouping || e == point) return false;
  const int32_t before_last = previous(last);
  return before_last >= 0 && is_digit(text[before_last]);
}

// The same, a sign with fewer than two bytes before it (a leading sign, the
// common case) settled without the call.
inline bool after_exponent(char grouping, char point, const uint64_t *currency, const char *text, int32_t i) {
  return i >= 2 && exponent_before(grouping, point, currency, text, i);
}

// The record of a simple kind, or false.
[[gnu::always_inline]] inline bool simple_record(const uwn_number_convention *r, Reader reader,
                                                 uint64_t currency[4], SimpleRecord *k) {
  k->grouping = r->grouping_separator;
  k->point = k->grouping != ',' ? r->decimal_separator : '.';
  k->negative_parens = r->negative_style == 0;
  k->negative_sign = k->negative_parens ? '\0' : r->negative_sign;
  k->positive_parens = r->positive_style == 0;
  k->positive_sign = k->positive_parens ? '\0' : r->positive_sign;
  k->currency = nullptr;
  if (is_digit(k->grouping) || is_digit(k->point)) return false;
  auto clashes = [](char sign) { return is_digit(sign) || sign == ',' || sign == '.'; };
  if (clashes(k->negative_sign) || clashes(k->positive_sign)) return false;
  if (reader == Reader::kMoney && r->currency[0] != '\0') {
    currency_bytes(r, reader, currency);
    if ((currency[0] & (uint64_t{0x3FF} << '0')) != 0 || in_set(currency, k->grouping) ||
        in_set(currency, k->point))
      return false;
    k->currency = currency;
  }
  return true;
}

// The scan for a simple record: digits, grouping and decimal bytes first,
// every other byte by the full rules.
[[gnu::always_inline]] inline int32_t read_simple(const uwn_number_convention *r, const SimpleRecord k,
                                                  uwn_informat_block *block, Reader reader) {
  const int32_t n = uwn::number_field_length(block);
  const char *const text = block->text;
  const char grouping = k.grouping, decimal = k.point;
  char copy[uwn::kNumberCopy + 1];
  char *const cleaned = copy + 1;
  char *out = cleaned;  // the next byte kept goes here
  // What the scan found, one bit each in one word.
  enum : unsigned {
    kNegative = 1,
    kPositive = 2,
    kPoint = 4,
    kInnerParen = 8,
    kLeadingParen = 16,
    kPercentSign = 32
  };
  unsigned found = 0;
  for (const char *p = text, *const end = text + n; p != end; ++p) {
    char c = *p;
    *out = c;  // taken by moving out on, left behind by not
    if (is_digit(c)) [[likely]] {
      ++out;
      continue;
    }
    if (c == grouping) continue;
    if (c == decimal) {
      found |= kPoint;
      *out++ = '.';
      continue;
    }
    if (k.currency != nullptr && in_set(k.currency, c)) continue;
    if (c == '\'') c = ' ';
    const auto at = static_cast<int32_t>(p - text);
    const bool paren = c == '(' || c == ')';
    if (k.negative_parens
            ? paren
            : c == k.negative_sign && c != '\0' && !after_exponent(grouping, decimal, k.currency, text, at)) {
      found |= kNegative;
      continue;
    }
    if (k.positive_parens
            ? paren
            : c == k.positive_sign && c != '\0' && !after_exponent(grouping, decimal, k.currency, text, at))
      found |= kPositive;
    if (uwn::is_ignored(c)) {
      if (c == '%') found |= kPercentSign;
      continue;
    }
    if (c == '.') found |= kPoint;
    if (c == '(') found |= out > cleaned ? kInnerParen : kLeadingParen;
    *out++ = c;
  }
  const auto len = static_cast<int32_t>(out - cleaned);
  if ((found & (kNegative | kPositive)) == kPositive) return read_general(r, block, reader);
  return read_scanned(block, reader, n, cleaned, len, (found & kNegative) != 0, (found & kPoint) != 0,
                      (found & kInnerParen) != 0, (found & kLeadingParen) != 0,
                      reader == Reader::kPercent && (found & kPercentSign) != 0);
}

// Numbers and money of any other record: the neutral form is built with
// zifmcma's deletions already made, and zifmcma's checks and host call
// follow without a second copy.
int32_t read_any_record(const uwn_number_convention *r, uwn_informat_block *block, Reader reader) {
  uint64_t currency[4];
  const auto [grouping, decimal, swap, negative_parens, negative_sign, positive_parens, positive_sign,
              plain_digits] = byte_rules(r, reader, currency);

  const int32_t n = uwn::number_field_length(block);
  char copy[uwn::kNumberCopy + 1];
  char *const cleaned = copy + 1;
  int32_t len = 0;
  bool negative = false, positive_found = false, point = false, inner_paren = false, leading_paren = false;
  char before_last = '\0', last = '\0';  // as the sign rules see them
  for (int32_t i = 0; i < n; ++i) {
    char c = block->text[i];
    if (plain_digits && is_digit(c)) {
      before_last = last;
      last = c;
      cleaned[len++] = c;
      continue;
    }
    const auto u = static_cast<unsigned char>(c);
    if ((currency[u >> 6] >> (u & 63)) & 1) continue;
    if (swap) {
      if (c == grouping)
        c = ',';
      else if (c == decimal)
        c = '.';
    }
    if (c == '\'') c = ' ';
    const bool exponent_sign = (last == 'E' || last == 'e') && is_digit(before_last);
    before_last = last;
    last = c;
    const bool paren = c == '(' || c == ')';
    if (negative_parens ? paren : c == negative_sign && c != '\0' && !exponent_sign) {
      negative = true;
      continue;
    }
    positive_found |= positive_parens ? paren : c == positive_sign && c != '\0' && !exponent_sign;
    if (uwn::is_ignored(c)) continue;
    point |= c == '.';
    if (c == '(') {
      inner_paren |= len > 0;
      leading_paren |= len == 0;
    }
    cleaned[len++] = c;
  }
  if (!negative && positive_found) return read_general(r, block, reader);
  return read_scanned(block, reader, n, cleaned, len, negative, point, inner_paren, leading_paren);
}

// A record whose sign may be a blank or an apostrophe goes the general way,
// and so does a percentage of a record that is not simple; a field the
// positive-sign rule would change goes there from the scans.
// One copy for each reader, so that what depends on the reader is settled
// when it is compiled.
template <Reader reader>
int32_t read_by_convention(const void *reserved, int32_t item, uwn_informat_block *block) {
  int32_t status;
  const uwn_number_convention *r = find_convention(reserved, item, reader, &status);
  if (r == nullptr) return status;
  if (sign_like_apostrophe(r)) return read_general(r, block, reader);
  uint64_t currency[4];
  SimpleRecord k;
  if (simple_record(r, reader, currency, &k)) return read_simple(r, k, block, reader);
  if (reader == Reader::kPercent) return read_general(r, block, reader);
  return read_any_record(r, block, reader);
}

}  // namespace

extern "C" int32_t zkifnum(intptr_t, intptr_t, const void *reserved, int32_t item,
                           uwn_informat_block *block) {
  return read_by_convention<Reader::kNumber>(reserved, item, block);
}

extern "C" int32_t zkifmny(intptr_t, intptr_t, const void *reserved, int32_t item,
                           uwn_informat_block *block) {
  return read_by_convention<Reader::kMoney>(reserved, item, block);
}

extern "C" int32_t zkifpct(intptr_t, intptr_t, const void *reserved, int32_t item,
                           uwn_informat_block *block) {
  return read_by_convention<Reader::kPercent>(reserved, item, block);
}
