// The lenient side of the host's standard informats: ISO 8601 and the current
// locale's own forms, by fallback and by locale family, the near misses each
// must refuse, and what ICU writes in a sample of locales read back through
// the field reader.
#include <gtest/gtest.h>
#include <unicode/datefmt.h>
#include <unicode/timezone.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "date_values.h"
#include "host_fixture.h"
#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"

namespace {

using nldat_test::date_of;
using nldat_test::datetime_of;

constexpr double kRefused = -1e300;

struct Row {
  const char *informat;
  std::string text;
  double value;  // kRefused: returns 1 and stores nothing
};

class Lenient : public ::testing::Test {
 protected:
  void use(const char *locale_name) {
    std::string error;
    auto locale = nlhost::load_icu_locale(locale_name, &error);
    ASSERT_NE(locale, nullptr) << error;
    host_.set_locale(locale);
  }

  void check(const char *locale_name, const std::vector<Row> &rows) {
    use(locale_name);
    for (const Row &row : rows) {
      SCOPED_TRACE(std::string(locale_name) + " " + row.informat + " \"" + row.text + "\"");
      const auto *informat = host_.find_informat(row.informat);
      ASSERT_NE(informat, nullptr);
      double result = -7;
      uwn_informat_block block{};
      block.width = 40;
      block.text = row.text.data();
      block.text_length = static_cast<int32_t>(row.text.size());
      block.result = &result;
      const int32_t rc = (*informat)(&block);
      if (row.value == kRefused) {
        EXPECT_EQ(rc, 1);
        EXPECT_EQ(result, -7);
      } else {
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(result, row.value);
      }
    }
  }

  nlhost::Host host_;
};

const double kDec7 = date_of(2026, 12, 7);
const double kDec7At1430 = datetime_of(2026, 12, 7, 14, 30, 0);

TEST_F(Lenient, IsoDates) {
  check("en_US", {
                     {"DATE", "2026-12-07", kDec7},
                     {"DATE", "20261207", kDec7},
                     {"DATE", "2026-W50-1", kDec7},
                     {"DATE", "2026w501", kDec7},
                     {"WEEKDATE", " 2026-12-07 ", kDec7},
                     {"DATE", "2020-W53-7", date_of(2021, 1, 3)},
                     {"DATE", "1582-01-01", -138061},
                     {"DATE", "2026-W53-1", date_of(2026, 12, 28)},
                     {"DATE", "2025-W53-1", kRefused},
                     {"DATE", "2026-W50-8", kRefused},
                     {"DATE", "2026-13-01", kRefused},
                     {"DATE", "2026-02-29", kRefused},
                     {"DATE", "2026-12-7", kRefused},
                     {"DATE", "2026-1207", kRefused},
                     {"DATE", "1581-12-31", kRefused},
                     {"DATE", "2026-12-07T14:30", kRefused},
                     {"DATE", "202612071", kRefused},
                 });
}

TEST_F(Lenient, IsoDatetimes) {
  check("en_US",
        {
            {"DATETIME", "2026-12-07T14:30:00", kDec7At1430},
            {"DATETIME", "2026-12-07 14:30", kDec7At1430},
            {"DATETIME", "20261207T143000", kDec7At1430},
            {"DATETIME", "2026-12-07T14:30:00.25", kDec7At1430 + 0.25},
            {"DATETIME", "2026-12-07T14:30:00Z", kDec7At1430},
            {"DATETIME", "2026-12-07T16:30:00+02:00", kDec7At1430},
            {"DATETIME", "2026-12-07T09:30-0500", kDec7At1430},
            {"DATETIME", "2026-12-08T00:30+10", kDec7At1430},
            {"TWNDY", "2026-12-07T14:30", kDec7At1430},
            {"DATEAMPM", "2026-12-07 14:30:00", kDec7At1430},
            // Offsets with minutes, east and west, extended and basic, in
            // every reader that falls back on ISO 8601.
            {"DATETIME", "2026-12-07T20:00+05:30", kDec7At1430},
            {"DATETIME", "2026-12-07T20:00:00+0530", kDec7At1430},
            {"DATETIME", "2026-12-07T11:00-03:30", kDec7At1430},
            {"DATETIME", "2026-12-07T20:15+05:45", kDec7At1430},
            {"DATETIME", "2026-12-07T14:00-00:30", kDec7At1430},
            {"DATETIME", "2026-12-07T14:30:00.25-0030", kDec7At1430 + 1800.25},
            {"DATEAMPM", "2026-12-07T20:00+05:30", kDec7At1430},
            {"DATEAMPM", "2026-12-07 11:00:00-03:30", kDec7At1430},
            {"TWNDY", "2026-12-07T20:15+05:45", kDec7At1430},
            {"TWNDY", "2026-12-07T14:00-00:30", kDec7At1430},
            // Offsets that move the date across a day, a month and a year end,
            // either way.
            {"DATETIME", "2026-12-08T03:00+05:30", datetime_of(2026, 12, 7, 21, 30, 0)},
            {"DATETIME", "2026-12-07T22:00-03:30", datetime_of(2026, 12, 8, 1, 30, 0)},
            {"DATETIME", "2026-12-01T05:00+05:30", datetime_of(2026, 11, 30, 23, 30, 0)},
            {"DATETIME", "2026-02-28T23:45-00:30", datetime_of(2026, 3, 1, 0, 15, 0)},
            {"DATETIME", "2024-02-28T23:45-00:30", datetime_of(2024, 2, 29, 0, 15, 0)},
            {"DATETIME", "2027-01-01T00:15+05:45", datetime_of(2026, 12, 31, 18, 30, 0)},
            {"DATETIME", "2026-12-31T22:00-03:30", datetime_of(2027, 1, 1, 1, 30, 0)},
            {"DATEAMPM", "2027-01-01T00:15+05:45", datetime_of(2026, 12, 31, 18, 30, 0)},
            {"TWNDY", "2026-12-31T22:00-03:30", datetime_of(2027, 1, 1, 1, 30, 0)},
            // Across 1960-01-01 into negative values, and onto the first day.
            {"DATETIME", "1960-01-01T00:15+00:30", -900},
            {"DATETIME", "1960-01-01T00:00:00.25+05:45", -20700 + 0.25},
            {"DATETIME", "1959-12-31T23:59:59.5", -0.5},
            {"DATETIME", "1959-12-31T20:30-03:30", 0},
            {"DATETIME", "1582-01-01T05:30+05:30", -138061.0 * 86400},
            {"DATETIME", "1582-01-01T05:29:59.5+05:30", kRefused},
            {"DATETIME", "1581-12-31T23:30-00:30", -138061.0 * 86400},
            {"DATETIME", "1582-01-01T00:30:00+01:00", kRefused},  // before the first day once applied
            {"DATETIME", "2026-12-07T14:30+05:60", kRefused},
            {"DATETIME", "2026-12-07T14:30+23:59", datetime_of(2026, 12, 6, 14, 31, 0)},
            {"DATETIME", "2026-12-07T24:00", kRefused},
            {"DATETIME", "2026-12-07T14:60", kRefused},
            {"DATETIME", "2026-12-07T14:30:61", kRefused},
            {"DATETIME", "2026-12-07T14:30+25:00", kRefused},
            {"DATETIME", "2026-12-07T14:30:00.", kRefused},
            {"DATETIME", "2026-12-07", kRefused},
            {"DATETIME", "2026-12-07T14", kRefused},
        });
}

// Germanic and Romance: punctuation between numbers, names with and without
// the full stop, in any case, a weekday that must agree.
TEST_F(Lenient, GermanicAndRomance) {
  check("de_DE", {
                     {"DATE", "7.12.2026", kDec7},
                     {"DATE", "07.12.26", kDec7},
                     {"DATE", "7. Dez. 2026", kDec7},
                     {"DATE", "7. Dez 2026", kDec7},
                     {"DATE", "7. DEZEMBER 2026", kDec7},
                     {"WEEKDATE", "Montag, 7. Dezember 2026", kDec7},
                     {"WEEKDATE", "Mo., 7. Dez. 2026", kDec7},
                     {"WEEKDATE", "Dienstag, 7. Dezember 2026", kRefused},
                     {"DATETIME", "07.12.2026, 14:30", kDec7At1430},
                     {"DATETIME", "07.12.2026 14:30:00", kDec7At1430},
                     {"DATETIME", "7. Dezember 2026 um 14:30:00", kDec7At1430},
                     {"DATE", "07.12.20026", kRefused},
                     {"DATE", "31.02.2026", kRefused},
                     {"DATE", "32.12.2026", kRefused},
                     {"DATE", "7.13.2026", kRefused},
                     {"DATE", "7. Dezembre 2026", kRefused},
                     {"DATE", "7.12.202", kRefused},
                     {"DATE", "Dezember", kRefused},
                     {"DATETIME", "07.12.2026, 25:00", kRefused},
                     {"DATETIME", "07.12.2026, 12:61", kRefused},
                     {"DATETIME", "07.12.2026, 14:60", kRefused},
                     {"DATETIME", "07.12.2026, 14:30 extra", kRefused},
                 });
  check("fr_FR", {
                     {"DATE", "7 déc. 2026", kDec7},
                     {"DATE", "7 DÉCEMBRE 2026", kDec7},
                     {"WEEKDATE", "lundi 7 décembre 2026", kDec7},
                     {"DATETIME", "07/12/2026 14:30", kDec7At1430},
                     {"DATETIME", "7 déc. 2026, 14:30:00", kDec7At1430},
                 });
  check("es_ES", {
                     {"DATE", "7 de diciembre de 2026", kDec7},
                     {"DATE", "7 dic 2026", kDec7},
                     {"DATETIME", "7/12/26, 14:30", kDec7At1430},
                 });
}

// English: 12-hour clocks, AM/PM in either case, the classic forms first.
TEST_F(Lenient, EnglishClocks) {
  check("en_US", {
                     {"DATE", "12/7/26", kDec7},
                     {"DATE", "Dec 7, 2026", kDec7},
                     {"DATETIME", "12/7/26, 2:30 PM", kDec7At1430},
                     {"DATETIME", "12/7/26, 2:30 pm", kDec7At1430},
                     {"DATETIME", "Dec 7, 2026, 2:30:00 PM", kDec7At1430},
                     {"DATETIME", "December 7, 2026 at 2:30 PM", kDec7At1430},
                     {"DATEAMPM", "12/7/26, 12:05 AM", datetime_of(2026, 12, 7, 0, 5, 0)},
                     {"DATETIME", "12/7/26, 2:30", datetime_of(2026, 12, 7, 2, 30, 0)},  // the 24-hour clock
                     {"DATETIME", "12/7/26, 13:30 PM", kRefused},
                     {"DATETIME", "12/7/26, 0:30 AM", kRefused},
                     {"DATE", "Tue, Dec 7, 2026", kRefused},
                 });
}

// Slavic: genitive and nominative month names; a year suffix.
TEST_F(Lenient, Slavic) {
  check("ru_RU", {
                     {"DATE", "07.12.2026", kDec7},
                     {"DATE", "7 дек. 2026 г.", kDec7},
                     {"DATE", "7 декабря 2026 г.", kDec7},
                     {"WEEKDATE", "понедельник, 7 декабря 2026 г.", kDec7},
                     {"DATETIME", "07.12.2026, 14:30", kDec7At1430},
                 });
  check("pl_PL", {
                     {"DATE", "7 grudnia 2026", kDec7},
                     {"DATE", "7.12.2026", kDec7},
                 });
}

// Other digits and scripts, time before date, eras.
TEST_F(Lenient, DigitsAndScripts) {
  check("ar_EG", {
                     {"DATE", "٧‏/١٢‏/٢٠٢٦", kDec7},
                     {"DATE", "7/12/2026", kDec7},
                     {"DATETIME", "٧‏/١٢‏/٢٠٢٦، ٢:٣٠ م", kDec7At1430},
                     {"DATETIME", "٧‏/١٢‏/٢٠٢٦، ٢:٣٠ ص", datetime_of(2026, 12, 7, 2, 30, 0)},
                 });
  check("zh_Hans_CN", {
                          {"DATE", "2026年12月7日", kDec7},
                          {"DATE", "2026/12/7", kDec7},
                          {"WEEKDATE", "2026年12月7日星期一", kDec7},
                          {"DATETIME", "2026/12/7 14:30", kDec7At1430},
                      });
  check("ja_JP", {{"DATE", "2026年12月7日", kDec7}, {"DATETIME", "2026/12/07 14:30:00", kDec7At1430}});
  check("ko_KR", {{"DATE", "2026. 12. 7.", kDec7}, {"DATETIME", "26. 12. 7. 오후 2:30", kDec7At1430}});
  check("vi_VN", {{"DATETIME", "14:30 7/12/2026", kDec7At1430}});
  check("th_TH", {{"DATE", "7 ธันวาคม ค.ศ. 2026", kDec7}});
  check("mr_IN", {{"DATE", "७/१२/२६", kDec7}});
}

// Day periods settle a 12-hour clock; where a locale's styles and skeletons
// order the numbers differently, the style reads first.
TEST_F(Lenient, PeriodsAndPrecedence) {
  check("zh_Hant_TW", {
                          {"DATETIME", "2026/12/7 下午2:30", kDec7At1430},
                          {"DATETIME", "2026/12/7 凌晨2:30", datetime_of(2026, 12, 7, 2, 30, 0)},
                          {"DATETIME", "2026/12/7 中午12:30", datetime_of(2026, 12, 7, 12, 30, 0)},
                          {"DATETIME", "2026/12/7 晚上2:30", kRefused},  // evening at 2 o'clock
                      });
  check("so_SO", {
                     {"DATE", "03/04/26", date_of(2026, 4, 3)},
                     {"DATE", "3/13/26", date_of(2026, 3, 13)},
                 });
}

// The module hands raw text to the standard informat: it is normalized there.
TEST_F(Lenient, NormalizesRawText) {
  check("fr_FR", {
                     {"DATETIME", "07/12/2026\u202F14:30", kDec7At1430},
                     {"DATE",
                      "\xEF\xBB\xBF"
                      "7\u00A0déc.\u00A02026",
                      kDec7},
                 });
}

// A locale that ICU does not know reads the classic forms and ISO alone.
TEST_F(Lenient, UnknownLocaleReadsClassicAndIso) {
  host_.set_locale(std::make_shared<nlhost::Locale>("xx_unknown"));
  for (const auto &[text, value] : std::vector<std::pair<std::string, double>>{
           {"07DEC2026", kDec7}, {"2026-12-07", kDec7}, {"12/7/26", kRefused}}) {
    SCOPED_TRACE(text);
    double result = -7;
    uwn_informat_block block{};
    block.text = text.data();
    block.text_length = static_cast<int32_t>(text.size());
    block.result = &result;
    EXPECT_EQ((*host_.find_informat("DATE"))(&block), value == kRefused ? 1 : 0);
    if (value != kRefused) {
      EXPECT_EQ(result, value);
    }
  }
}

// What ICU writes in a sample of locales, read back through the field reader
// in strict mode: every style of date, short and medium datetimes.
class LenientRoundTrip : public nldat_test::ModuleTest {};

TEST_F(LenientRoundTrip, IcuWrittenInFortyLocales) {
  static const char *const kLocales[] = {
      "en_US", "en_GB", "de_DE", "de_CH",      "fr_FR",      "fr_CA", "es_ES", "es_MX", "it_IT", "pt_BR",
      "nl_NL", "sv_SE", "nb_NO", "da_DK",      "fi_FI",      "pl_PL", "cs_CZ", "ru_RU", "uk_UA", "bg_BG",
      "el_GR", "tr_TR", "hu_HU", "ro_RO",      "lt_LT",      "he_IL", "ar_EG", "ar_SA", "fa_IR", "hi_IN",
      "bn_BD", "th_TH", "vi_VN", "zh_Hans_CN", "zh_Hant_TW", "ja_JP", "ko_KR", "id_ID", "sw_KE", "am_ET",
  };
  host().set_year_window(1960);
  std::string error;
  auto date_reader = nlhost::FieldReader::make(host(), module(), "NLDATE", &error);
  auto weekday_reader = nlhost::FieldReader::make(host(), module(), "NLDATEW", &error);
  auto datetime_reader = nlhost::FieldReader::make(host(), module(), "NLDATM", &error);
  ASSERT_TRUE(date_reader && weekday_reader && datetime_reader) << error;
  using icu::DateFormat;
  struct Style {
    DateFormat::EStyle date, time;
    nlhost::FieldReader *reader;
  };
  const Style kStyles[] = {
      {DateFormat::kMedium, DateFormat::kNone, &*date_reader},
      {DateFormat::kLong, DateFormat::kNone, &*date_reader},
      {DateFormat::kFull, DateFormat::kNone, &*weekday_reader},
      {DateFormat::kShort, DateFormat::kShort, &*datetime_reader},
      {DateFormat::kMedium, DateFormat::kMedium, &*datetime_reader},
  };
  // Four-digit years, both halves of the day, one- and two-digit fields.
  const double kSamples[] = {datetime_of(2026, 12, 7, 14, 30, 5), datetime_of(1961, 3, 1, 0, 5, 0),
                             datetime_of(2059, 7, 28, 11, 59, 59), datetime_of(1999, 10, 15, 23, 0, 30)};
  for (const char *name : kLocales) {
    auto locale = nlhost::load_icu_locale(name, &error);
    ASSERT_NE(locale, nullptr) << error;
    host().set_locale(locale);
    const icu::Locale icu_locale =
        icu::Locale::createFromName((std::string(name) + "@calendar=gregorian").c_str());
    for (const Style &style : kStyles) {
      std::unique_ptr<DateFormat> format(
          style.time == DateFormat::kNone
              ? DateFormat::createDateInstance(style.date, icu_locale)
              : DateFormat::createDateTimeInstance(style.date, style.time, icu_locale));
      ASSERT_NE(format, nullptr);
      format->setTimeZone(*icu::TimeZone::getGMT());
      for (const double when : kSamples) {
        const bool with_time = style.time != DateFormat::kNone;
        const double shown = with_time
                                 ? (style.time == DateFormat::kShort ? when - std::fmod(when, 60) : when)
                                 : std::floor(when / 86400);
        icu::UnicodeString written;
        format->format((when / 86400 - 3653) * 86400000.0, written);
        std::string text;
        written.toUTF8String(text);
        SCOPED_TRACE(std::string(name) + " \"" + text + "\"");
        double value = -7;
        EXPECT_TRUE(style.reader->read(text, &value));
        EXPECT_EQ(value, shown);
      }
    }
  }
}

}  // namespace
