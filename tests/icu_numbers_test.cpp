// Number conventions from ICU, checked against ICU itself: for every locale
// ICU offers, numbers, percentages and amounts of money that ICU's own
// NumberFormat writes are read back by zkifnum, zkifpct and zkifmny with the
// locale's items 111 to 114 as the reference host fills them.
//
// The record holds one byte per separator and sign, so some of what ICU
// writes cannot be described to the readers: no-break and narrow no-break
// spaces, the right single quotation mark, the minus sign U+2212 and bidi
// marks.  A field that fails for that reason must read once those characters
// are given as the byte the record holds for them; every other failure must
// have a reason listed here, and the summary printed at the end says which
// locales and forms are affected.
#include <gtest/gtest.h>
#include <unicode/decimfmt.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/unistr.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "nlhost/icu_locale.h"

namespace {

enum class Reader { kNumber, kPercent, kMoney };

struct Form {
  const char *name;
  UNumberFormatStyle style;
  Reader reader;
  int32_t item;
  double value;  // before rounding to the format's fraction digits
};

constexpr Form kForms[] = {
    {"number", UNUM_DECIMAL, Reader::kNumber, UWN_ITEM_NUMBER, 1234567.25},
    {"negative number", UNUM_DECIMAL, Reader::kNumber, UWN_ITEM_NUMBER, -9876.5},
    {"fraction", UNUM_DECIMAL, Reader::kNumber, UWN_ITEM_NUMBER, -0.75},
    {"percent", UNUM_PERCENT, Reader::kPercent, UWN_ITEM_PERCENT, 0.125},
    {"negative percent", UNUM_PERCENT, Reader::kPercent, UWN_ITEM_PERCENT, -12.5},
    {"money", UNUM_CURRENCY, Reader::kMoney, UWN_ITEM_MONEY_LOCAL, 1234567.891},
    {"negative money", UNUM_CURRENCY, Reader::kMoney, UWN_ITEM_MONEY_LOCAL, -4321.987},
    {"accounting", UNUM_CURRENCY_ACCOUNTING, Reader::kMoney, UWN_ITEM_MONEY_LOCAL, -4321.987},
    {"ISO money", UNUM_CURRENCY_ISO, Reader::kMoney, UWN_ITEM_MONEY_INTL, 1234567.891},
    {"negative ISO money", UNUM_CURRENCY_ISO, Reader::kMoney, UWN_ITEM_MONEY_INTL, -4321.987},
};

// Characters that no byte of the record can stand for, each with the byte the
// reference host puts in the record in its place (NUL: removed).
struct Narrowing {
  UChar32 from;
  char to;
};
constexpr Narrowing kNarrowings[] = {
    {0x00A0, ' '}, {0x2007, ' '}, {0x2009, ' '},  {0x202F, ' '},  {0x2019, '\''}, {0x060C, ','},
    {0x2E41, ','}, {0x2212, '-'}, {0x200E, '\0'}, {0x200F, '\0'}, {0x061C, '\0'},
};

std::string utf8(const icu::UnicodeString &s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

icu::UnicodeString narrowed(const icu::UnicodeString &s) {
  icu::UnicodeString out;
  for (int32_t i = 0; i < s.length(); i = s.moveIndex32(i, 1)) {
    UChar32 c = s.char32At(i);
    bool dropped = false;
    for (const Narrowing &n : kNarrowings) {
      if (n.from != c) continue;
      dropped = n.to == '\0';
      c = static_cast<UChar32>(static_cast<unsigned char>(n.to));
      break;
    }
    if (!dropped) out.append(c);
  }
  return out;
}

// The characters of s that the record narrows, as "U+00A0 U+2212".
std::string narrowable_marks(const icu::UnicodeString &s) {
  std::string out;
  for (const Narrowing &n : kNarrowings) {
    if (s.indexOf(n.from) < 0) continue;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%sU+%04X", out.empty() ? "" : " ", static_cast<unsigned>(n.from));
    out += hex;
  }
  return out;
}

bool has_non_ascii(const std::string &s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

std::string escaped(const icu::UnicodeString &s) {
  std::string out;
  for (int32_t i = 0; i < s.length(); i = s.moveIndex32(i, 1)) {
    const UChar32 c = s.char32At(i);
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[16];
      std::snprintf(hex, sizeof hex, "<U+%04X>", static_cast<unsigned>(c));
      out += hex;
    }
  }
  return out;
}

// Why a field cannot be read even with the narrowings above, or "" when it
// should be readable.
std::string known_reason(const std::string &text, const uwn_number_convention &record, bool money,
                         const std::string &symbol) {
  if (text.size() > 32) return "longer than 32 bytes";
  std::string rest = text;
  if (money) {
    // The record's currency text leaves such bytes out, and the host's
    // FieldReader cuts the whole currency text out of a field; the module on
    // its own leaves them in and does not read the field.
    for (const char c : symbol) {
      if (c != '\0' &&
          (c == record.decimal_separator || c == record.grouping_separator || c == '-' || c == '+'))
        return "currency text holds a separator or sign";
    }
    const std::string currency(record.currency, strnlen(record.currency, sizeof record.currency));
    for (const char c : currency) {
      if (c == record.decimal_separator && c != record.grouping_separator)
        return "currency text holds the decimal separator";
      if (c >= '0' && c <= '9') return "currency text holds a digit";
      if (c == '-' || c == '(') return "currency text holds a sign";
    }
    std::erase_if(rest, [&](char c) { return currency.find(c) != std::string::npos; });
  }
  if (has_non_ascii(rest)) {
    if (record.decimal_separator == '\0' || record.grouping_separator == '\0')
      return "separator not one byte";
    return "other non-ASCII mark";
  }
  return "";
}

class IcuNumbers : public nldat_test::ModuleTest {
 protected:
  // Reads text with the reader of form; the status and the value.
  int32_t read(const Form &form, const std::string &text, double *value) {
    uwn_informat_block block{};
    block.width = static_cast<int32_t>(text.size());
    block.text = text.data();
    block.text_length = block.width;
    block.result = value;
    switch (form.reader) {
      case Reader::kNumber: return zkifnum_(0, 0, nullptr, form.item, &block);
      case Reader::kPercent: return zkifpct_(0, 0, nullptr, form.item, &block);
      case Reader::kMoney: return zkifmny_(0, 0, nullptr, form.item, &block);
    }
    return -99;
  }

  void SetUp() override {
    ModuleTest::SetUp();
    zkifnum_ = fn<decltype(&zkifnum)>("zkifnum");
    zkifpct_ = fn<decltype(&zkifpct)>("zkifpct");
    zkifmny_ = fn<decltype(&zkifmny)>("zkifmny");
  }

  decltype(&zkifnum) zkifnum_ = nullptr;
  decltype(&zkifpct) zkifpct_ = nullptr;
  decltype(&zkifmny) zkifmny_ = nullptr;
};

TEST_F(IcuNumbers, EveryLocaleReadsWhatIcuWrites) {
  int32_t count = 0;
  const icu::Locale *available = icu::Locale::getAvailableLocales(count);
  ASSERT_GT(count, 100);

  struct Tally {
    int fields = 0;
    std::set<std::string> locales;
    std::string example;
  };
  std::map<std::string, Tally> as_written;  // reason -> locales, for ICU's own text
  std::map<std::string, Tally> unreadable;  // reason -> locales, even when narrowed
  int fields = 0, read_as_written = 0;
  std::map<std::string, int> read_by_form;

  for (int32_t i = 0; i < count; ++i) {
    const std::string name = available[i].getName();
    auto locale = std::make_shared<nlhost::Locale>(name);
    nlhost::fill_icu_number_conventions(*locale, name);
    host().set_locale(locale);
    // The host reads every locale with Latin digits; so does this test.
    icu::Locale latin(available[i]);
    UErrorCode status = U_ZERO_ERROR;
    latin.setKeywordValue("numbers", "latn", status);

    for (const Form &form : kForms) {
      SCOPED_TRACE(name + " " + form.name);
      status = U_ZERO_ERROR;
      std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(latin, form.style, status));
      ASSERT_TRUE(U_SUCCESS(status));
      format->setGroupingUsed(true);
      if (form.reader != Reader::kMoney)
        format->setMaximumFractionDigits(form.reader == Reader::kPercent ? 1 : 2);
      // The value as written: cut to the format's fraction digits, so that
      // no rounding rule stands between ICU's text and the expected value.
      const int digits = format->getMaximumFractionDigits() + (form.reader == Reader::kPercent ? 2 : 0);
      const double scale = std::pow(10.0, digits);
      const double expected = std::trunc(form.value * scale) / scale;
      icu::UnicodeString written;
      format->format(expected, written);
      const uwn_number_convention &record = *locale->convention(form.item);
      const bool money = form.reader == Reader::kMoney;
      ++fields;

      double value = 0;
      const std::string text = utf8(written);
      if (read(form, text, &value) == 0 && value == expected) {
        ++read_as_written;
        ++read_by_form[form.name];
        continue;
      }
      const icu::UnicodeString narrow_text = narrowed(written);
      const std::string narrow = utf8(narrow_text);
      std::string symbol;
      if (money) {
        const auto *decimal = dynamic_cast<const icu::DecimalFormat *>(format.get());
        if (decimal != nullptr) {
          const auto which = form.item == UWN_ITEM_MONEY_INTL ? icu::DecimalFormatSymbols::kIntlCurrencySymbol
                                                              : icu::DecimalFormatSymbols::kCurrencySymbol;
          symbol = utf8(narrowed(decimal->getDecimalFormatSymbols()->getSymbol(which)));
        }
      }
      std::string reason = known_reason(narrow, record, money, symbol);
      const std::string why =
          narrow != text ? "holds " + narrowable_marks(written) : (reason.empty() ? "unexplained" : reason);
      Tally &t = as_written[why];
      ++t.fields;
      t.locales.insert(name);
      if (t.example.empty()) t.example = name + " " + form.name + ": " + escaped(written);
      if (narrow == text) {
        EXPECT_FALSE(reason.empty()) << escaped(written) << " read as " << value;
        continue;
      }
      value = 0;
      const int32_t narrowed_status = read(form, narrow, &value);
      if (narrowed_status == 0 && value == expected) continue;
      if (reason.empty()) reason = "unexplained";
      Tally &u = unreadable[reason];
      ++u.fields;
      u.locales.insert(name);
      if (u.example.empty()) u.example = name + " " + form.name + ": " + escaped(narrow_text);
      EXPECT_NE(reason, "unexplained") << escaped(narrow_text) << ": status " << narrowed_status << ", value "
                                       << value << ", expected " << expected;
    }
  }

  const auto print = [](const char *title, const std::map<std::string, Tally> &tallies) {
    std::printf("%s\n", title);
    for (const auto &[reason, t] : tallies) {
      std::string some;
      int shown = 0;
      for (const std::string &l : t.locales) {
        if (shown++ == 12) {
          some += " ...";
          break;
        }
        some += " " + l;
      }
      std::printf("  %s: %d fields, %zu locales (%s)\n    e.g. %s\n", reason.c_str(), t.fields,
                  t.locales.size(), some.c_str(), t.example.c_str());
    }
  };
  std::printf("%d fields in %d locales; %d read as ICU wrote them\n", fields, count, read_as_written);
  for (const Form &form : kForms) std::printf("  %s: %d locales\n", form.name, read_by_form[form.name]);
  print("Not read as written:", as_written);
  print("Not read even with one-byte marks:", unreadable);
}

}  // namespace

namespace {

// The host's ICU locales carry these records.
TEST(IcuNumberItems, LoadedLocalesCarryTheRecords) {
  for (const char *name : {"en_US", "de_CH", "fr_FR", "ar_EG", "ja_JP"}) {
    SCOPED_TRACE(name);
    std::string error;
    const auto loaded = nlhost::load_icu_locale(name, &error);
    ASSERT_NE(loaded, nullptr) << error;
    nlhost::Locale filled(name);
    nlhost::fill_icu_number_conventions(filled, name);
    for (int item = UWN_ITEM_NUMBER; item <= UWN_ITEM_MONEY_INTL; ++item) {
      ASSERT_NE(loaded->convention(item), nullptr);
      EXPECT_EQ(std::memcmp(loaded->convention(item), filled.convention(item), sizeof(uwn_number_convention)),
                0);
    }
  }
}

struct RecordRow {
  const char *locale;
  int32_t item;
  const char *currency;
  char decimal;
  char grouping;
  char negative_sign;
  int32_t negative_style;
};

// A few records by hand, as CLDR has them.
const RecordRow kRecords[] = {
    {"en_US", UWN_ITEM_NUMBER, "", '.', ',', '-', 1},
    {"en_US", UWN_ITEM_MONEY_LOCAL, "$", '.', ',', '-', 0},  // accounting: ($1.00)
    {"en_US", UWN_ITEM_MONEY_INTL, "USD", '.', ',', '-', 0},
    {"de_DE", UWN_ITEM_MONEY_LOCAL, "\xE2\x82\xAC", ',', '.', '-', 1},
    {"fr_FR", UWN_ITEM_NUMBER, "", ',', ' ', '-', 1},                   // U+202F
    {"de_CH", UWN_ITEM_NUMBER, "", '.', '\'', '-', 1},                  // U+2019
    {"sv_SE", UWN_ITEM_PERCENT, "", ',', ' ', '-', 1},                  // U+00A0, U+2212
    {"fy_NL", UWN_ITEM_MONEY_LOCAL, "\xE2\x82\xAC", ',', '.', '-', 2},  // a trailing sign
    {"ff_Adlm", UWN_ITEM_NUMBER, "", '.', ',', '-', 1},                 // U+2E41
    {"ks", UWN_ITEM_NUMBER, "", '.', ',', '-', 1},                      // U+060C
    {"en_SX", UWN_ITEM_MONEY_LOCAL, "NAf", '.', ',', '-', 0},           // "NAf." without its "."
    {"fr_SN", UWN_ITEM_MONEY_LOCAL, "FCFA", ',', ' ', '-', 0},          // "F CFA" without its blank
    {"en", UWN_ITEM_MONEY_INTL, "XXX", '.', ',', '-', 0},               // no country, no currency
};

TEST(IcuNumberItems, RecordsNarrowIcuSymbolsToOneByte) {
  for (const RecordRow &row : kRecords) {
    SCOPED_TRACE(testing::Message() << row.locale << " " << row.item);
    nlhost::Locale locale(row.locale);
    nlhost::fill_icu_number_conventions(locale, row.locale);
    const uwn_number_convention *r = locale.convention(row.item);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r->currency, row.currency);
    EXPECT_EQ(r->decimal_separator, row.decimal);
    EXPECT_EQ(r->grouping_separator, row.grouping);
    EXPECT_EQ(r->negative_sign, row.negative_sign);
    EXPECT_EQ(r->positive_sign, '+');
    EXPECT_EQ(r->negative_style, row.negative_style);
    EXPECT_NE(r->positive_style, 0);
  }
}

}  // namespace
