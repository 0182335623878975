// The number-convention items 111 to 114 of a locale, from ICU's symbols and
// patterns (CLDR data).  The record holds one byte per separator and sign, so
// ICU's symbols are narrowed to a byte here; what cannot be narrowed becomes
// NUL, a byte that never stands in a field.
#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/ucurr.h>
#include <unicode/unistr.h>

#include <cstring>
#include <memory>
#include <string>

#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"

namespace nlhost {
namespace {

constexpr UChar32 kCurrencySign = 0x00A4;  // the currency placeholder of a pattern

// Marks that steer bidirectional display and carry no meaning of their own.
bool is_bidi_mark(UChar32 c) {
  return c == 0x200E || c == 0x200F || c == 0x061C || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

icu::UnicodeString without_bidi_marks(const icu::UnicodeString &text) {
  icu::UnicodeString out;
  for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
    const UChar32 c = text.char32At(i);
    if (!is_bidi_mark(c)) out.append(c);
  }
  return out;
}

// One byte for a symbol of ICU's, the byte field normalization turns the
// same character into: an ASCII character stands for itself, a fixed-width
// or no-break space for a blank, an apostrophe-like mark for an apostrophe
// and a minus sign or dash for "-"; anything else is NUL.
char narrow(const icu::UnicodeString &symbol) {
  const icu::UnicodeString s = without_bidi_marks(symbol);
  if (s.countChar32() != 1) return '\0';
  const UChar32 c = s.char32At(0);
  if (c > 0 && c < 0x80) return static_cast<char>(c);
  if (c == 0x00A0 || c == 0x202F || (c >= 0x2000 && c <= 0x200A)) return ' ';
  switch (c) {
    case 0x2019:  // right single quotation mark
    case 0x02BC:  // modifier letter apostrophe
      return '\'';
    case 0x060C:  // Arabic comma, the grouping of Kashmiri
    case 0x066C:  // Arabic thousands separator
    case 0x2E41:  // reversed comma, the grouping of Adlam digits
      return ',';
    case 0x066B:  // Arabic decimal separator
      return '.';
    case 0x2212:  // minus sign
    case 0x2012:  // figure dash
    case 0x2013:  // en dash
      return '-';
    default: return '\0';
  }
}

// Sign positions, in the manner of C's sign_posn: where a pattern puts the
// sign of an amount.
enum SignStyle : int32_t {
  kParentheses = 0,
  kBeforeAll = 1,
  kAfterAll = 2,
  kBeforeCurrency = 3,
  kAfterCurrency = 4,
};

bool is_number_char(UChar c) {
  return (c >= u'0' && c <= u'9') || c == u'#' || c == u',' || c == u'.' || c == u'@';
}

// Where the negative subpattern of a pattern puts the sign (ICU's own "-"
// prefix when the pattern has none), and whether it comes before the digits.
struct SignPlace {
  int32_t style;
  bool leads;
};

SignPlace negative_sign_place(const icu::UnicodeString &pattern) {
  const int32_t semicolon = pattern.indexOf(u';');
  if (semicolon < 0) return {kBeforeAll, true};
  icu::UnicodeString negative = without_bidi_marks(pattern.tempSubString(semicolon + 1));
  negative.findAndReplace(icu::UnicodeString(static_cast<UChar>(0x00A0)), icu::UnicodeString());
  if (negative.indexOf(u'(') >= 0) return {kParentheses, true};
  const int32_t sign = negative.indexOf(u'-');
  if (sign < 0) return {kBeforeAll, true};
  int32_t first = -1;
  for (int32_t i = 0; i < negative.length(); ++i) {
    if (!is_number_char(negative.charAt(i))) continue;
    first = i;
    break;
  }
  const int32_t currency = negative.indexOf(static_cast<UChar>(kCurrencySign));
  const int32_t currency_end = negative.lastIndexOf(static_cast<UChar>(kCurrencySign));
  const bool leads = first < 0 || sign < first;
  if (currency < 0) return {leads ? kBeforeAll : kAfterAll, leads};
  if (sign < currency && leads) return {kBeforeAll, leads};
  if (sign > currency_end && !leads) return {kAfterAll, leads};
  if (sign == currency_end + 1) return {kAfterCurrency, leads};
  if (sign + 1 == currency) return {kBeforeCurrency, leads};
  return {leads ? kBeforeAll : kAfterAll, leads};
}

// What a format of ICU's writes: its pattern and, for money, the ISO code and
// the symbol of its currency ("XXX", no currency, where the locale names no
// country; the locale's symbols then hold placeholders).
struct FormatSource {
  icu::UnicodeString pattern;
  icu::UnicodeString iso_code;
  icu::UnicodeString symbol;
};

FormatSource format_source(const icu::Locale &locale, UNumberFormatStyle style) {
  FormatSource source;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(locale, style, status));
  if (U_FAILURE(status)) return source;
  if (const auto *decimal = dynamic_cast<const icu::DecimalFormat *>(format.get()))
    decimal->toPattern(source.pattern);
  const char16_t *iso = format->getCurrency();
  if (iso == nullptr || iso[0] == 0) iso = u"XXX";
  source.iso_code = icu::UnicodeString(iso);
  UBool is_choice = false;
  int32_t length = 0;
  const char16_t *name =
      ucurr_getName(iso, locale.getName(), UCURR_SYMBOL_NAME, &is_choice, &length, &status);
  source.symbol = U_SUCCESS(status) ? icu::UnicodeString(name, length) : source.iso_code;
  return source;
}

// Copies text as UTF-8 into the currency field, whole characters only, and
// always leaves its NUL.  The reader deletes each byte of the currency text
// wherever it stands in a field, so bytes that mean something in a number
// (the separators and signs of the record) are left out: "NAf." is kept as
// "NAf", and the host's FieldReader cuts the whole text out of a field.
// The text is normalized as a field is (blanks, bidi marks), so that the
// currency in a field matches it.
void set_currency(uwn_number_convention &record, const icu::UnicodeString &text) {
  std::string icu_text, scratch;
  text.toUTF8String(icu_text);
  std::string utf8(normalize_field(icu_text, scratch));
  std::erase_if(utf8, [&](char c) {
    return c == record.decimal_separator || c == record.grouping_separator || c == record.positive_sign ||
           c == record.negative_sign || c == '-' || c == '+';
  });
  size_t n = utf8.size();
  constexpr size_t kRoom = sizeof record.currency - 1;
  if (n > kRoom) {
    n = kRoom;
    while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;
  }
  std::memset(record.currency, 0, sizeof record.currency);
  std::memcpy(record.currency, utf8.data(), n);
}

struct ItemSource {
  int item;
  UNumberFormatStyle style;
  bool money;
  bool international;
};

constexpr ItemSource kItems[] = {
    {UWN_ITEM_NUMBER, UNUM_DECIMAL, false, false},
    {UWN_ITEM_PERCENT, UNUM_PERCENT, false, false},
    {UWN_ITEM_MONEY_LOCAL, UNUM_CURRENCY, true, false},
    {UWN_ITEM_MONEY_INTL, UNUM_CURRENCY_ISO, true, true},
};

// Every locale is read with Latin digits: the module's readers take ASCII
// digits only, so a locale whose default digits are others gets the
// separators and signs that go with Latin digits.
icu::Locale icu_number_locale(std::string_view icu_name) {
  icu::Locale locale = icu::Locale::createFromName(std::string(icu_name).c_str());
  UErrorCode status = U_ZERO_ERROR;
  locale.setKeywordValue("numbers", "latn", status);
  return locale;
}

// The record and pattern of one item, from the locale's symbols and the
// pattern of the item's format.
uwn_number_convention item_convention(const icu::Locale &icu_locale, const icu::DecimalFormatSymbols &symbols,
                                      const ItemSource &source, std::string *pattern_text) {
  using Symbol = icu::DecimalFormatSymbols::ENumberFormatSymbol;
  const auto symbol = [&](Symbol s) { return symbols.getSymbol(s); };
  uwn_number_convention record{};
  record.decimal_separator =
      narrow(symbol(source.money ? Symbol::kMonetarySeparatorSymbol : Symbol::kDecimalSeparatorSymbol));
  record.grouping_separator = narrow(
      symbol(source.money ? Symbol::kMonetaryGroupingSeparatorSymbol : Symbol::kGroupingSeparatorSymbol));
  record.positive_sign = narrow(symbol(Symbol::kPlusSignSymbol));
  record.negative_sign = narrow(symbol(Symbol::kMinusSignSymbol));

  const FormatSource format = format_source(icu_locale, source.style);
  const icu::UnicodeString &pattern = format.pattern;
  const SignPlace place = negative_sign_place(pattern);
  int32_t style = place.style;
  // Money whose accounting form puts negative amounts in parentheses is
  // read so, when the standard form's sign leads the digits: the grouped
  // number reader still reads that leading "-".  A trailing sign keeps its
  // style, and parentheses in front are read by the grouped reader then.
  if (source.money && place.leads &&
      negative_sign_place(format_source(icu_locale, UNUM_CURRENCY_ACCOUNTING).pattern).style == kParentheses)
    style = kParentheses;
  record.negative_style = style;
  record.positive_style = style == kParentheses ? kBeforeAll : style;

  if (source.money) set_currency(record, source.international ? format.iso_code : format.symbol);

  pattern_text->clear();
  pattern.toUTF8String(*pattern_text);
  if (pattern_text->size() > UWN_ENTRY_TEXT_MAX) pattern_text->clear();
  return record;
}

}  // namespace

void fill_icu_number_conventions(Locale &locale, std::string_view icu_name) {
  const icu::Locale icu_locale = icu_number_locale(icu_name);
  UErrorCode status = U_ZERO_ERROR;
  const icu::DecimalFormatSymbols symbols(icu_locale, status);
  std::string text;
  for (const ItemSource &source : kItems) {
    const uwn_number_convention record = item_convention(icu_locale, symbols, source, &text);
    locale.set_numeric(source.item, record, text);
  }
}

std::optional<uwn_number_convention> icu_number_convention(std::string_view icu_name, int item) {
  for (const ItemSource &source : kItems) {
    if (source.item != item) continue;
    const icu::Locale icu_locale = icu_number_locale(icu_name);
    UErrorCode status = U_ZERO_ERROR;
    const icu::DecimalFormatSymbols symbols(icu_locale, status);
    std::string text;
    return item_convention(icu_locale, symbols, source, &text);
  }
  return std::nullopt;
}

}  // namespace nlhost
