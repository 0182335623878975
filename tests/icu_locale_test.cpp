// Locales from ICU: every locale loads with every item, and text that ICU
// itself formats by the equivalent CLDR pattern reads back through the
// module's informats into the same date or datetime.
#include "nlhost/icu_locale.h"

#include <gtest/gtest.h>
#include <unicode/gregocal.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "locales/cldr_pattern.h"
#include "nlhost/text.h"

namespace {

// Days from 1960-01-01 on the proleptic Gregorian calendar.
int64_t days_since_1960(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;                                   // [0, 399]
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;  // [0, 365]
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;           // [0, 146096]
  return era * 146097 + doe - 719468 + 3653;                           // 1970 is day 3653
}

std::string utf8(const icu::UnicodeString &s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

// What a person types for ICU's text: no-break spaces as blanks, no bidi
// marks (the host's locales hold their names and patterns the same way).
std::string as_typed(const icu::UnicodeString &s) {
  icu::UnicodeString t(s);
  t.findAndReplace(u"\u00A0", u" ");
  t.findAndReplace(u"\u202F", u" ");
  t.findAndReplace(u"\u2007", u" ");
  t.findAndReplace(u"\u200E", u"");
  t.findAndReplace(u"\u200F", u"");
  t.findAndReplace(u"\u061C", u"");
  return utf8(t);
}

// The CLDR pattern that writes what a converted pattern reads: two-digit
// fields, four-digit years, the same names; everything else quoted.
icu::UnicodeString cldr_equivalent(std::string_view pattern) {
  icu::UnicodeString out;
  std::string literal;
  auto flush = [&] {
    if (literal.empty()) return;
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(literal);
    text.findAndReplace(u"'", u"''");
    out += u"'";
    out += text;
    out += u"'";
    literal.clear();
  };
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 == pattern.size()) {
      literal += pattern[i];
      continue;
    }
    const char letter = pattern[++i];
    const char16_t *field = nullptr;
    switch (letter) {
      case '%': literal += '%'; continue;
      case 'd': field = u"dd"; break;
      case 'm': field = u"MM"; break;
      case 'Y': field = u"yyyy"; break;
      case 'b': field = u"MMM"; break;
      case 'B': field = u"MMMM"; break;
      case 'a': field = u"EEE"; break;
      case 'A': field = u"EEEE"; break;
      case 'H': field = u"HH"; break;
      case 'I': field = u"hh"; break;
      case 'M': field = u"mm"; break;
      case 'S': field = u"ss"; break;
      case 'P': field = u"a"; break;
      default: ADD_FAILURE() << "unexpected directive %" << letter << " in " << pattern; return {};
    }
    flush();
    out += field;
  }
  flush();
  return out;
}

// Locales of many scripts and orders: Latin, Cyrillic, Greek, Arabic,
// Hebrew, Devanagari, Thai, CJK, Hangul; day-month-year, month-day-year,
// year-month-day; 12- and 24-hour clocks; time before or after the date.
const char *const kLocales[] = {
    "en_US", "en_GB", "de_DE", "de_CH", "fr_FR", "fr_CA", "es_ES", "es_MX", "it_IT", "pt_BR", "pt_PT",
    "nl_NL", "sv_SE", "da_DK", "nb_NO", "fi_FI", "pl_PL", "cs_CZ", "sk_SK", "hu_HU", "ro_RO", "hr_HR",
    "sl_SI", "tr_TR", "el_GR", "ru_RU", "uk_UA", "bg_BG", "sr_RS", "he_IL", "ar_EG", "fa_IR", "hi_IN",
    "th_TH", "vi_VN", "id_ID", "ja_JP", "ko_KR", "zh_CN", "zh_TW", "et_EE", "lv_LV", "lt_LT", "ca_ES",
    "eu_ES", "ga_IE", "is_IS", "ka_GE", "kk_KZ", "sw_KE", "az_AZ",
};

struct Moment {
  int year, month, day, hour, minute, second;
};

// A few hundred moments from 1582 to 9999: the ends, every month of one
// year, and a fixed pseudo-random spread.
std::vector<Moment> moments() {
  std::vector<Moment> out = {{1582, 1, 1, 0, 0, 0},    {9999, 12, 31, 23, 59, 59}, {2000, 2, 29, 12, 0, 0},
                             {1900, 2, 28, 0, 30, 1},  {2026, 12, 7, 11, 59, 59},  {1960, 1, 1, 12, 59, 0},
                             {1999, 12, 31, 13, 0, 0}, {2024, 2, 29, 0, 0, 1}};
  for (int m = 1; m <= 12; ++m) out.push_back({2010, m, m + 10, (m * 5) % 24, m * 4, m});
  uint64_t state = 0x9E3779B97F4A7C15u;
  auto next = [&](uint64_t n) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<int>((state >> 33) % n);
  };
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  while (out.size() < 300) {
    const int y = 1582 + next(9999 - 1582 + 1);
    const int m = 1 + next(12);
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int d = 1 + next(static_cast<uint64_t>(kDays[m - 1] + (m == 2 && leap)));
    out.push_back({y, m, d, next(24), next(60), next(60)});
  }
  return out;
}

// The index lookup answers as the whole list does.
TEST(IcuLocale, OffersExactlyTheListedLocales) {
  const std::vector<std::string> names = nlhost::icu_locale_names();
  for (const std::string &name : names) EXPECT_TRUE(nlhost::icu_offers_locale(name)) << name;
  for (const char *name : {"", "zh_CN", "xx_YY", "de-DE", "de_DE.UTF-8", "DE_DE", "root", "de_DE_"}) {
    EXPECT_EQ(nlhost::icu_offers_locale(name), std::binary_search(names.begin(), names.end(), name)) << name;
  }
  EXPECT_FALSE(nlhost::icu_offers_locale(std::string_view("de\0DE", 5)));
}

TEST(IcuLocale, EveryLocaleLoadsWithEveryItem) {
  const std::vector<std::string> names = nlhost::icu_locale_names();
  ASSERT_GT(names.size(), 500u);
  for (const std::string &name : names) {
    SCOPED_TRACE(name);
    std::string error;
    std::shared_ptr<nlhost::Locale> locale = nlhost::load_icu_locale(name, &error);
    ASSERT_NE(locale, nullptr) << error;
    for (int item = UWN_ITEM_DATE_1; item <= UWN_ITEM_DATE_W2; ++item) {
      ASSERT_TRUE(locale->has(item)) << item;
      const std::string_view pattern = locale->text(item);
      EXPECT_FALSE(pattern.empty()) << item;
      EXPECT_LE(pattern.size(), size_t{UWN_ENTRY_TEXT_MAX}) << item;
      // Only directives the reader knows, and never a no-break space.
      for (size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        EXPECT_NE(std::string_view("dmYbBaAHIMSP%").find(pattern[i + 1]), std::string_view::npos)
            << item << ": " << pattern;
        ++i;
      }
      EXPECT_EQ(pattern.find("\u00A0"), std::string_view::npos) << item;
      EXPECT_EQ(pattern.find("\u202F"), std::string_view::npos) << item;
    }
    for (int item = UWN_ITEM_MONTH_ABBR; item <= UWN_ITEM_QUARTER + 3; ++item) {
      EXPECT_TRUE(locale->has(item) && !locale->text(item).empty()) << item;
    }
    EXPECT_EQ(locale->text(UWN_ITEM_TIME_1).find('%') == std::string_view::npos, false);
  }
}

TEST(IcuLocale, UnknownNameIsAnErrorNotAFallback) {
  for (const char *name : {"xx_YY", "", "english", "de_DE_XX", "en_US@calendar=buddhist"}) {
    SCOPED_TRACE(name);
    std::string error;
    EXPECT_EQ(nlhost::load_icu_locale(name, &error), nullptr);
    EXPECT_NE(error.find("unknown locale"), std::string::npos) << error;
  }
}

TEST(IcuLocale, NamesWithoutScriptOrWithHyphensFindTheOfferedLocale) {
  const struct {
    const char *asked, *loaded;
  } cases[] = {{"de-DE", "de_DE"}, {"zh_CN", "zh_Hans_CN"}, {"zh_TW", "zh_Hant_TW"}, {"sr_RS", "sr_Cyrl_RS"}};
  for (const auto &c : cases) {
    std::string error;
    auto locale = nlhost::load_icu_locale(c.asked, &error);
    ASSERT_NE(locale, nullptr) << c.asked << ": " << error;
    EXPECT_EQ(locale->name(), c.loaded);
    EXPECT_EQ(nlhost::icu_locale_id(c.asked), c.loaded);
  }
  for (const char *unknown : {"xx_YY", "", "english", "de_DE_XX", "en_US@calendar=buddhist"})
    EXPECT_FALSE(nlhost::icu_locale_id(unknown).has_value()) << unknown;
}

TEST(IcuLocale, PosixNamesStandForTheLocaleBeforeTheirCodesetAndModifier) {
  const struct {
    const char *name;
    bool is_name;
    const char *host_name;  // when it is one
  } rows[] = {
      {"de_DE.UTF-8", true, "de_DE"},
      {"de_DE@euro", true, "de_DE"},
      {"de-DE", true, "de_DE"},
      {"C", true, "en_US"},
      {"C.UTF-8", true, "en_US"},
      {"POSIX", true, "en_US"},
      {"", true, "en_US"},
      {".", false, ""},
      {"..", false, ""},
      {"@euro", false, ""},
      {".UTF-8", false, ""},
      {"de DE", false, ""},
      {"../de_DE", false, ""},
      {"de\x1b", false, ""},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(nlhost::is_locale_name(row.name), row.is_name);
    if (row.is_name) {
      EXPECT_EQ(nlhost::host_locale_name(row.name), row.host_name);
    }
  }
}

TEST(IcuLocale, NamesAreIcusFormatContextNames) {
  std::string error;
  auto ru = nlhost::load_icu_locale("ru_RU", &error);
  ASSERT_NE(ru, nullptr) << error;
  EXPECT_EQ(ru->text(UWN_ITEM_MONTH + 2), "марта");  // genitive: "5 марта 2020"
  EXPECT_EQ(ru->text(UWN_ITEM_WEEKDAY), "воскресенье");
  auto ja = nlhost::load_icu_locale("ja_JP", &error);
  ASSERT_NE(ja, nullptr) << error;
  EXPECT_EQ(ja->text(UWN_ITEM_AM), "午前");
  EXPECT_EQ(ja->text(UWN_ITEM_QUARTER), "第1四半期");
  auto en = nlhost::load_icu_locale("en_US", &error);
  ASSERT_NE(en, nullptr) << error;
  EXPECT_EQ(en->text(UWN_ITEM_WEEKDAY_ABBR + 6), "Sat");
  EXPECT_EQ(en->text(UWN_ITEM_PM), "PM");
}

TEST(IcuLocale, ConvertsCldrPatterns) {
  const struct {
    const char16_t *cldr;
    const char *converted;
  } cases[] = {
      {u"dd.MM.yy", "%d.%m.%Y"},
      {u"M/d/y", "%m/%d/%Y"},
      {u"EEEE, d. MMMM y", "%A, %d. %B %Y"},
      {u"EEE, MMM d, y", "%a, %b %d, %Y"},
      {u"h:mm:ss\u202Fa", "%I:%M:%S %P"},  // CLDR 42's narrow no-break space
      {u"HH:mm:ss\u00A0'Uhr'", "%H:%M:%S Uhr"},
      {u"d 'de' MMMM 'de' y", "%d de %B de %Y"},
      {u"H 'h' mm 'min' ss 's'", "%H h %M min %S s"},
      {u"d MMMM G y", "%d %B %Y"},          // era left out with its blank
      {u"h:mm:ss a zzzz", "%I:%M:%S %P"},   // zone left out
      {u"aK:mm:ss", "%P%I:%M:%S"},          // 0-11 hour: the 12-hour field
      {u"Bh:mm", "%P%I:%M"},                // day period: AM/PM
      {u"cccc d. LLLL y", "%A %d. %B %Y"},  // stand-alone: format names
      {u"HH.mm.ss,SSS", "%H.%M.%S,"},
      {u"y'%'MM", "%Y%%%m"},
      {u"d''M", "%d'%m"},
      {u"'o''clock' H", "o'clock %H"},
      {u"d\u200F/M\u200F/y", "%d/%m/%Y"},  // bidi marks dropped
      // Blanks and marks as the reader normalizes fields: thin space, isolates.
      {u"d\u2009MMM\u2066 y\u2069", "%d %b %Y"},
      {u"d\u2009zzzz\u2009MMM", "%d %b"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(nlhost::cldr_to_pattern(c.cldr), c.converted) << c.converted;
  }
}

// A pattern's pieces as text: fields by what they stand for and their
// length ("day2"), literals quoted.
std::string shown_pieces(const char16_t *pattern) {
  static constexpr const char *kLetters[] = {
      "other",  "year",   "month",  "day",    "weekday",  "localweekday", "hour23", "hour24",
      "hour12", "hour11", "minute", "second", "fraction", "period",       "era",
  };
  std::string out;
  for (const nlhost::cldr::Piece &piece : nlhost::cldr::pieces(icu::UnicodeString(pattern))) {
    if (!out.empty()) out += ' ';
    if (piece.is_literal()) {
      out += '\'';
      out += utf8(piece.text);
      out += '\'';
    } else {
      out += kLetters[static_cast<size_t>(piece.letter)] + std::to_string(piece.count);
    }
  }
  return out;
}

// Both users of the locale's CLDR patterns (the pattern items and the
// lenient forms) see a pattern as these pieces.
TEST(IcuLocale, CutsCldrPatternsIntoFieldsAndLiterals) {
  const struct {
    const char16_t *cldr;
    const char *pieces;
  } cases[] = {
      {u"dd.MM.yy", "day2 '.' month2 '.' year2"},
      // Quoted and unquoted text next to each other are one literal.
      {u"d 'de' MMMM", "day1 ' de ' month4"},
      {u"'o''clock' H", "'o'clock ' hour231"},
      {u"d''M", "day1 ''' month1"},
      {u"''", "'''"},
      {u"'yy'yy", "'yy' year2"},
      {u"'open", "'open'"},  // an unclosed quote runs to the end
      // A change of letter starts a new field; unknown letters are fields too.
      {u"HHmmss.SSS zzzz", "hour232 minute2 second2 '.' fraction3 ' ' other4"},
      {u"ccc LLL Bh:mm G", "localweekday3 ' ' month3 ' ' period1 hour121 ':' minute2 ' ' era1"},
      {u"kk:mm", "hour242 ':' minute2"},
      {u"Kh", "hour111 hour121"},
      {u"", ""},
  };
  for (const auto &c : cases) EXPECT_EQ(shown_pieces(c.cldr), c.pieces) << utf8(c.cldr);
}

class IcuReadBack : public nldat_test::ModuleTest {
 protected:
  // Reads text through informat; the value, or NaN when it was not read.
  double read(const char *informat, const std::string &text) {
    uwn_informat_fn routine = module().informat(informat);
    EXPECT_NE(routine, nullptr) << informat;
    if (routine == nullptr) return std::nan("");
    double value = std::nan("");
    uwn_informat_block block{};
    block.width = static_cast<int32_t>(text.size());
    block.text = text.data();
    block.text_length = static_cast<int32_t>(text.size());
    block.result = &value;
    return routine(&block) == 0 ? value : std::nan("");
  }
};

TEST_F(IcuReadBack, IcuFormattedTextReadsIntoTheSameValue) {
  struct Use {
    int item;
    const char *informat;
    bool datetime;
  };
  constexpr Use kUses[] = {
      {UWN_ITEM_DATE_1, "NLDATE", false},       {UWN_ITEM_DATE_2, "NLDATE", false},
      {UWN_ITEM_DATETIME_1, "NLDATM", true},    {UWN_ITEM_DATETIME_2, "NLDATM", true},
      {UWN_ITEM_DATETIME_AP, "NLDATMAP", true}, {UWN_ITEM_DATE_W1, "NLDATEW", false},
      {UWN_ITEM_DATE_W2, "NLDATEW", false},
  };
  const std::vector<Moment> all = moments();
  int checked = 0;
  for (const char *name : kLocales) {
    SCOPED_TRACE(name);
    std::string error;
    std::shared_ptr<nlhost::Locale> locale = nlhost::load_icu_locale(name, &error);
    ASSERT_NE(locale, nullptr) << error;
    host().set_locale(locale);
    const icu::Locale icu_locale =
        icu::Locale::createFromName((locale->name() + "@calendar=gregorian;numbers=latn").c_str());
    UErrorCode status = U_ZERO_ERROR;
    // Proleptic Gregorian in UTC, as the host's calendar counts.
    icu::GregorianCalendar calendar(icu::TimeZone::getGMT()->clone(), icu_locale, status);
    calendar.setGregorianChange(U_DATE_MIN, status);
    ASSERT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    for (const Use &use : kUses) {
      const std::string pattern(locale->text(use.item));
      SCOPED_TRACE(pattern);
      status = U_ZERO_ERROR;
      icu::SimpleDateFormat format(cldr_equivalent(pattern), icu_locale, status);
      ASSERT_TRUE(U_SUCCESS(status)) << u_errorName(status);
      int failures = 0;
      for (const Moment &m : all) {
        calendar.clear();
        calendar.set(m.year, m.month - 1, m.day, m.hour, m.minute, m.second);
        icu::UnicodeString formatted;
        icu::FieldPosition position;
        format.format(calendar, formatted, position);
        const std::string text = as_typed(formatted);
        const double date = static_cast<double>(days_since_1960(m.year, m.month, m.day));
        const double expected = use.datetime ? date * 86400 + (m.hour * 60 + m.minute) * 60 + m.second : date;
        const double got = read(use.informat, text);
        if (got != expected && ++failures <= 3) {
          ADD_FAILURE() << use.informat << " item " << use.item << " read \"" << text << "\" as " << got
                        << ", expected " << expected;
        }
        ++checked;
      }
    }
  }
  EXPECT_GE(checked, 30 * 300 * 7);
}

}  // namespace
