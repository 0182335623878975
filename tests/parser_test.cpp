// The pattern reader getdate_fixlen and its number field s2i_fixlen, through
// the module's static library, against a locale built item by item.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "date_values.h"
#include "double_bits.h"
#include "host_fixture.h"
#include "nlhost/host.h"
#include "parse_locale.h"
#include "tovzklocale.h"

namespace {

using nldat_test::bits_of;
using nldat_test::from_bits;

using nldat_test::date_of;
using nldat_test::parser_locale;

// An output the reader must leave alone unless it says so.
const double kCanary = from_bits(0x7FF4A5A5A5A5A5A5ull);
// Expected outputs: a value, left unwritten, or the standard missing value.
constexpr double kUnwritten = -1e300;
constexpr double kMissing = -2e300;

struct Row {
  std::string text;
  std::string pattern;
  int result;
  double date;
  double time;
};

class Parser : public nldat_test::ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    host().set_locale(locale_);
  }

  struct Outcome {
    int result;
    double date;
    double time;
  };
  Outcome parse(std::string_view text, std::string_view pattern) {
    Outcome o{0, kCanary, kCanary};
    o.result = getdate_fixlen(host().control_block()->locale_holder->current_locale, text.data(),
                              static_cast<int32_t>(text.size()), pattern.data(),
                              static_cast<int32_t>(pattern.size()), &o.date, &o.time);
    return o;
  }

  static void expect_output(double got, double expected, const char *what) {
    if (expected == kUnwritten) {
      EXPECT_EQ(bits_of(got), bits_of(kCanary)) << what << " was written: " << got;
    } else if (expected == kMissing) {
      EXPECT_EQ(bits_of(got), bits_of(nlhost::standard_missing())) << what;
    } else {
      EXPECT_EQ(got, expected) << what;
    }
  }

  void check(const std::vector<Row> &rows) {
    for (const Row &row : rows) {
      SCOPED_TRACE("text \"" + row.text + "\" pattern \"" + row.pattern + "\"");
      const Outcome o = parse(row.text, row.pattern);
      EXPECT_EQ(o.result, row.result);
      expect_output(o.date, row.date, "date");
      expect_output(o.time, row.time, "time");
    }
  }

  std::shared_ptr<nlhost::Locale> locale_ = parser_locale();
};

const double kDec7 = date_of(2026, 12, 7);

TEST_F(Parser, NumberFieldIsTwoBytesWithAnyFiller) {
  const struct {
    std::string_view field;
    int expected;
  } cases[] = {{"07", 7},  {"99", 99}, {" 7", 7}, {"+7", 7},   {"x7", 7}, {"7.", -1},
               {"7 ", -1}, {"7", -1},  {"", -1},  {"123", 12}, {"0", -1}};
  for (const auto &c : cases) {
    EXPECT_EQ(s2i_fixlen(c.field.data(), static_cast<int32_t>(c.field.size())), c.expected) << c.field;
  }
  EXPECT_EQ(s2i_fixlen("07", -5), -1);
}

TEST_F(Parser, FixedFieldsAndTextLength) {
  check({
      {"07.12.2026", "%d.%m.%Y", 0, kDec7, kUnwritten},
      {"07.12.2026 14:30", "%d.%m.%Y %H:%M", 0, kDec7, 14 * 3600 + 30 * 60},
      // Text shorter than the pattern: the fields read so far count.
      {"07.12.2026", "%d.%m.%Y %H:%M", 0, kDec7, kUnwritten},
      {"07.12.2026 14", "%d.%m.%Y %H:%M", 0, kDec7, 14 * 3600},
      // Text longer than the pattern: the rest is ignored.
      {"07.12.2026 and more", "%d.%m.%Y", 0, kDec7, kUnwritten},
      {"07.12.20", "%d.%m.%Y", 2, kUnwritten, kUnwritten},
      {"7.12.2026", "%d.%m.%Y", 2, kUnwritten, kUnwritten},
      {" 7.12.2026", "%d.%m.%Y", 0, kDec7, kUnwritten},
      {"", "%d.%m.%Y", 1, kUnwritten, kUnwritten},
      {"12/07/2026", "%m/%d/%Y", 0, kDec7, kUnwritten},
      {"2026-12-07", "%Y-%o-%e", 0, kDec7, kUnwritten},
      {"07.12.26", "%d.%m.%?Y", 0, kDec7, kUnwritten},
      {"07.12.26", "%d.%m.%y", 0, kDec7, kUnwritten},
      // Directives in any order; a field read twice keeps its last value.
      {"2026 07 12", "%Y %d %m", 0, kDec7, kUnwritten},
      {"01 07.12.2026", "%d %d.%m.%Y", 0, kDec7, kUnwritten},
      {"14:30:15 07.12.2026", "%H:%M:%S %d.%m.%Y", 0, kDec7, 52215},
  });
}

TEST_F(Parser, BlankRule) {
  check({
      // A leading text blank is not skipped: the day reads " 0", then "." meets "7".
      {" 07.12.2026", "%d.%m.%Y", 1, kUnwritten, kUnwritten},
      // A text blank where the pattern has none shifts the fields.
      {"07. 12.2026", "%d.%m.%Y", 1, kUnwritten, kUnwritten},
      // A pattern blank after a directive is skipped or consumes one blank.
      {"0712.2026", "%d %m.%Y", 0, kDec7, kUnwritten},
      {"07 12.2026", "%d %m.%Y", 0, kDec7, kUnwritten},
      {"   07.12.2026", "   %d.%m.%Y", 0, kDec7, kUnwritten},
      {"07.12.2026", "   %d.%m.%Y", 0, kDec7, kUnwritten},
      // Inside a literal run the blank must be there.
      {"07,12.2026", "%d, %m.%Y", 1, kUnwritten, kUnwritten},
      {"07, 12.2026", "%d, %m.%Y", 0, kDec7, kUnwritten},
      {"07.x12.2026", "%d.x%m.%Y", 0, kDec7, kUnwritten},
      {"07.y12.2026", "%d.x%m.%Y", 1, kUnwritten, kUnwritten},
  });
}

TEST_F(Parser, PercentPairsAndBadDirectives) {
  check({
      {"07%12.2026", "%d%%%m.%Y", 0, kDec7, kUnwritten},
      {"07x12.2026", "%d%%%m.%Y", 1, kUnwritten, kUnwritten},
      {"%07.12.2026", "%%%d.%m.%Y", 0, kDec7, kUnwritten},
      {"07.12.2026%", "%d.%m.%Y%%", 0, kDec7, kUnwritten},
      {"07.12.2026x", "%d.%m.%Y%", 2, kUnwritten, kUnwritten},
      {"07.12.2026x", "%d.%m.%Y%?", 2, kUnwritten, kUnwritten},
      // A pattern that ends in "%" once the text is used up is not decoded.
      {"07.12.2026", "%d.%m.%Y%", 0, kDec7, kUnwritten},
      {"07.12.2026", "%0d.%m.%Y", 2, kUnwritten, kUnwritten},
      {"07.12.2026", "%#d.%m.%Y", 2, kUnwritten, kUnwritten},
  });
  // Every byte after "%" (and after "%?") that names no directive.
  const std::string_view good = "ABCDEFHIMNOPSUVWYZabcdefhimnopsuvwyz";
  for (int c = 1; c < 256; ++c) {
    const char letter = static_cast<char>(c);
    if (good.find(letter) != std::string_view::npos || letter == '?' || letter == '%') continue;
    for (const std::string prefix : {"%", "%?"}) {
      const std::string pattern = prefix + letter;
      SCOPED_TRACE("letter " + std::to_string(c) + " after " + prefix);
      const auto o = parse("07.12.2026", pattern);
      EXPECT_EQ(o.result, 2);
      EXPECT_EQ(bits_of(o.date), bits_of(kCanary));
    }
  }
}

TEST_F(Parser, WeekAndZoneDirectivesStepOverOneByteOrNone) {
  check({
      {"X07.12.2026", "%U%d.%m.%Y", 0, kDec7, kUnwritten},
      {"W07.12.2026", "%v%d.%m.%Y", 0, kDec7, kUnwritten},
      // A two-digit week leaves its second digit to the day field.
      {"4907.12.2026", "%W%d.%m.%Y", 1, kUnwritten, kUnwritten},
      {"07.12.2026", "%Z%d.%m.%Z%Y%z", 0, kDec7, kUnwritten},
  });
}

TEST_F(Parser, Names) {
  const double may7 = date_of(2026, 5, 7);
  check({
      {"07 December 2026", "%d %B %Y", 0, kDec7, kUnwritten},
      {"07 Dec 2026", "%d %b %Y", 0, kDec7, kUnwritten},
      {"07 Dec 2026", "%d %?B %Y", 0, kDec7, kUnwritten},
      // The abbreviation that begins a full name leaves the rest of it.
      {"07 December 2026", "%d %b %Y", 2, kUnwritten, kUnwritten},
      {"07 Decem 2026", "%d %bem %Y", 0, kDec7, kUnwritten},
      // Byte for byte, case-sensitive.
      {"07 DECEMBER 2026", "%d %B %Y", 2, kUnwritten, kUnwritten},
      {"07 Smarch 2026", "%d %B %Y", 2, kUnwritten, kUnwritten},
      // A name longer than the rest of the text does not match.
      {"07 2026 Decemb", "%d %Y %B", 2, kUnwritten, kUnwritten},
      // C: padded to the longest name ("September").
      {"May      07.2026", "%C%d.%Y", 0, may7, kUnwritten},
      {"September07.2026", "%c%d.%Y", 0, date_of(2026, 9, 7), kUnwritten},
      {"May 07.2026", "%C%d.%Y", 1, kUnwritten, kUnwritten},
      // C at the end of the text: its width runs past the end.
      {"07 2026 May", "%d %Y %C", 0, may7, kUnwritten},
      // Weekday names are matched and not used.
      {"Tuesday, 07.12.2026", "%A, %d.%m.%Y", 0, kDec7, kUnwritten},
      {"Tue 07.12.2026", "%a %d.%m.%Y", 0, kDec7, kUnwritten},
      {"Tue, 07.12.2026", "%A, %d.%m.%Y", 2, kUnwritten, kUnwritten},
      {"Monday   , 07.12.2026", "%F, %d.%m.%Y", 0, kDec7, kUnwritten},
      {"Monday, 07.12.2026", "%F, %d.%m.%Y", 1, kUnwritten, kUnwritten},
  });
}

TEST_F(Parser, NamesThatBeginOtherNames) {
  // Month 3 "May" begins month 5 "Mayo": B takes the first, C the last match.
  locale_->set_text(UWN_ITEM_MONTH + 2, "May");
  locale_->set_text(UWN_ITEM_MONTH + 4, "Mayo");
  // Weekday 2 "Mo" begins weekday 5 "Monday".
  locale_->set_text(UWN_ITEM_WEEKDAY + 1, "Mo");
  locale_->set_text(UWN_ITEM_WEEKDAY + 4, "Monday");
  check({
      {"07 2026 Mayo", "%d %Y %B", 0, date_of(2026, 3, 7), kUnwritten},
      {"07 2026 Mayo", "%d %Y %C", 0, date_of(2026, 5, 7), kUnwritten},
      {"07 2026 May", "%d %Y %C", 0, date_of(2026, 3, 7), kUnwritten},
      {"Monday07.12.2026", "%A%d.%m.%Y", 2, kUnwritten, kUnwritten},
      {"Mo07.12.2026", "%A%d.%m.%Y", 0, kDec7, kUnwritten},
  });
}

TEST_F(Parser, MissingNameItemsFailTheirDirective) {
  locale_->remove(UWN_ITEM_MONTH);
  locale_->remove(UWN_ITEM_WEEKDAY_ABBR);
  check({
      {"07 December 2026", "%d %B %Y", 2, kUnwritten, kUnwritten},
      {"07 December 2026", "%d %C %Y", 2, kUnwritten, kUnwritten},
      {"07 Dec 2026", "%d %b %Y", 0, kDec7, kUnwritten},
      {"Tue 07.12.2026", "%a %d.%m.%Y", 2, kUnwritten, kUnwritten},
  });
}

TEST_F(Parser, TwelveHourClock) {
  // Item 36 is "%I:%M %p": a time pattern, and so is its prefix "%I:%M".
  check({
      {"12:30 AM", "%I:%M %p", 0, kUnwritten, 1800},
      {"12:30 PM", "%I:%M %p", 0, kUnwritten, 45000},
      {"01:00 PM", "%I:%M %p", 0, kUnwritten, 46800},
      {"11:59 PM", "%I:%M %p", 0, kUnwritten, 86340},
      {"01:00 AM", "%I:%M %p", 0, kUnwritten, 3600},
      {"12:30", "%I:%M", 0, kUnwritten, 1800},
      {"12:30 pm", "%I:%M %p", 2, kUnwritten, kUnwritten},
      {"12:30 XM", "%I:%M %p", 2, kUnwritten, kUnwritten},
      // H is not changed by a designator.
      {"07.12.2026 01:00 PM", "%d.%m.%Y %H:%M %p", 0, kDec7, 3600},
      {"07.12.2026 12:15 AM", "%d.%m.%Y %I:%M %p", 0, kDec7, 900},
      {"07.12.2026 12:15 PM", "%d.%m.%Y %I:%M %p", 0, kDec7, 44100},
      // Fields are not range-tested here.
      {"99:99:99", "%H:%M:%S", 0, kUnwritten, 362439},
      {"00:00:00", "%H:%M:%S", 0, kUnwritten, 0},
  });
}

TEST_F(Parser, DesignatorsWithoutTheLocaleItems) {
  locale_->remove(UWN_ITEM_PM);
  check({
      {"01:00 pm", "%I:%M %p", 0, kUnwritten, 46800},
      {"01:00 Pm", "%I:%M %p", 0, kUnwritten, 46800},
      {"12:00 aM", "%I:%M %p", 0, kUnwritten, 0},
      {"01:00 PX", "%I:%M %p", 2, kUnwritten, kUnwritten},
      {"01:00 xm", "%I:%M %p", 2, kUnwritten, kUnwritten},
      {"01:00 p", "%I:%M %p", 2, kUnwritten, kUnwritten},
  });
}

TEST_F(Parser, DateAssembly) {
  check({
      {"07.12.00", "%d.%m.%?Y", 1, kUnwritten, kUnwritten},
      {"07.12.0000", "%d.%m.%Y", 1, kUnwritten, kUnwritten},
      {"07.12.1581", "%d.%m.%Y", 1, kUnwritten, kUnwritten},
      {"07.12.0100", "%d.%m.%Y", 1, kUnwritten, kUnwritten},
      {"01.01.1582", "%d.%m.%Y", 0, -138061, kUnwritten},
      {"31.12.9999", "%d.%m.%Y", 0, date_of(9999, 12, 31), kUnwritten},
      // A year below 100 goes to the calendar as read: the host's window gives 1999.
      {"07.12.0099", "%d.%m.%Y", 0, date_of(1999, 12, 7), kUnwritten},
      {"07.13.2026", "%d.%m.%Y", 1, kUnwritten, kUnwritten},
      {"32.12.2026", "%d.%m.%Y", 1, kUnwritten, kUnwritten},
      {"00.12.2026", "%d.%m.%Y", 1, kUnwritten, kUnwritten},
      {"07.00.2026", "%d.%m.%Y", 1, kUnwritten, kUnwritten},
      {"31.02.2026", "%d.%m.%Y", 1, kMissing, kUnwritten},
      {"29.02.2024", "%d.%m.%Y", 0, date_of(2024, 2, 29), kUnwritten},
      // No date fields and no time pattern: the date is incomplete.
      {"14.30", "%H.%M", 1, kUnwritten, kUnwritten},
  });
}

TEST_F(Parser, EmptyPatternIsATimePattern) {
  check({
      {"07.12.2026", "", 0, kUnwritten, kUnwritten},
      {"", "", 0, kUnwritten, kUnwritten},
  });
}

TEST_F(Parser, TimePatternsComparedAsBlankPaddedPrefixes) {
  locale_->set_text(UWN_ITEM_TIME_1, "%H");
  check({
      // Longer than the item text "%H": not a time pattern, so a date is needed.
      {"14:30", "%H:%M", 1, kUnwritten, kUnwritten},
      // Trailing blanks of the pattern meet the item's blank padding.
      {"14", "%H   ", 0, kUnwritten, 14 * 3600},
      {"14", "%H", 0, kUnwritten, 14 * 3600},
      // A prefix of item 36 "%I:%M %p".
      {"02", "%I", 0, kUnwritten, 2 * 3600},
      {"02:15 PM", "%I:%M %P", 1, kUnwritten, kUnwritten},
  });
}

TEST_F(Parser, MissingTimeItemsEndEveryCall) {
  for (const int item : {UWN_ITEM_TIME_1, UWN_ITEM_TIME_2}) {
    SCOPED_TRACE(item);
    auto locale = parser_locale();
    locale->remove(item);
    host().set_locale(locale);
    check({
        {"07.12.2026", "%d.%m.%Y", -1, kUnwritten, kUnwritten},
        {"14:30:00", "%H:%M:%S", -1, kUnwritten, kUnwritten},
        {"", "", -1, kUnwritten, kUnwritten},
        // A failure while scanning comes first.
        {"07.12.2026", "%Q", 2, kUnwritten, kUnwritten},
    });
  }
}

TEST_F(Parser, MultibyteLiteralsAndNames) {
  locale_->set_text(UWN_ITEM_MONTH + 2, "M\xC3\xA4rz");
  locale_->set_text(UWN_ITEM_MONTH_ABBR + 2, "M\xC3\xA4r");
  locale_->set_text(UWN_ITEM_AM, "\xE5\x8D\x88\xE5\x89\x8D");  // 午前
  locale_->set_text(UWN_ITEM_PM, "\xE5\x8D\x88\xE5\xBE\x8C");  // 午後
  const double mar7 = date_of(2026, 3, 7);
  check({
      {"2026\xE5\xB9\xB4"
       "12\xE6\x9C\x88"
       "07\xE6\x97\xA5",
       "%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5", 0, kDec7, kUnwritten},
      {"2026\xE5\xB9\xB4"
       "12\xE6\x9C\x88"
       "07",
       "%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5", 0, kDec7, kUnwritten},
      {"2026\xE5\xB9\xB5"
       "12",
       "%Y\xE5\xB9\xB4%m", 1, kUnwritten, kUnwritten},
      {"07 M\xC3\xA4rz 2026", "%d %B %Y", 0, mar7, kUnwritten},
      {"07 M\xC3\xA4r 2026", "%d %b %Y", 0, mar7, kUnwritten},
      {"07 MARZ 2026", "%d %B %Y", 2, kUnwritten, kUnwritten},
      // C pads to the longest name in bytes: "September", 9 bytes; "März" is 5.
      {"M\xC3\xA4rz    07 2026", "%C%d %Y", 0, mar7, kUnwritten},
      {"02:15 \xE5\x8D\x88\xE5\xBE\x8C", "%I:%M %p", 0, kUnwritten, 51300},
      {"02:15 \xE5\x8D\x88\xE5\x89\x8D", "%I:%M %p", 0, kUnwritten, 8100},
      {"02:15 PM", "%I:%M %p", 2, kUnwritten, kUnwritten},
  });
}

TEST_F(Parser, PercentInsideALongerCharacterIsALiteral) {
  // In UTF-8 the byte 0x81 starts nothing: the "%" after it is a directive
  // of its own and "%d" meets "%d" in the text.
  const std::string pattern = "%d.%m.\x81%d%Y";
  const std::string text = "07.12.\x81%d2026";
  check({{text, pattern, 2, kUnwritten, kUnwritten}});
  // An encoding in which 0x81 and the byte after it form one character.
  host().set_multibyte_lead(0x81, 2);
  check({
      {text, pattern, 0, kDec7, kUnwritten},
      {"07.12.\x81%x2026", pattern, 1, kUnwritten, kUnwritten},
      {"07.12.\x81%%d2026", "%d.%m.\x81%%d%Y", 2, kUnwritten, kUnwritten},
  });
}

TEST_F(Parser, NumericPatternWhoseSeparatorLeadsALongerCharacter) {
  // Where the host takes a separator and the "%" after it for one character,
  // the rest of the pattern is literal text, also in the numeric patterns.
  host().set_multibyte_lead('.', 2);
  check({
      {"07.12.2026", "%d.%m.%Y", 1, kUnwritten, kUnwritten},
      {"07.%m.%Y", "%d.%m.%Y", 1, kUnwritten, kUnwritten},
      {"12/07.2026", "%m/%d.%Y", 1, kUnwritten, kUnwritten},
      {"12/07-2026", "%m/%d-%Y", 0, kDec7, kUnwritten},
  });
  // A lead byte elsewhere changes nothing; as a separator it takes the "%" in.
  host().set_multibyte_lead('.', 0);
  host().set_multibyte_lead(0x81, 2);
  check({
      {"07.12.2026", "%d.%m.%Y", 0, kDec7, kUnwritten},
      {"31.02.2026", "%d.%m.%Y", 1, kMissing, kUnwritten},
      {"07.12\x81"
       "2026",
       "%d.%m\x81%Y", 1, kUnwritten, kUnwritten},
  });
}

TEST_F(Parser, LengthsBoundTheRead) {
  // Negative lengths count as 0; a null text or pattern is empty.
  double date = kCanary, time = kCanary;
  void *locale = host().control_block()->locale_holder->current_locale;
  EXPECT_EQ(getdate_fixlen(locale, "07.12.2026", -1, "%d.%m.%Y", 8, &date, &time), 1);
  EXPECT_EQ(getdate_fixlen(locale, nullptr, 10, "%d.%m.%Y", 8, &date, &time), 1);
  EXPECT_EQ(getdate_fixlen(locale, "07.12.2026", 10, "%d.%m.%Y", -8, &date, &time), 0);
  EXPECT_EQ(getdate_fixlen(locale, "07.12.2026", 10, nullptr, 8, &date, &time), 0);
  EXPECT_EQ(bits_of(date), bits_of(kCanary));
  EXPECT_EQ(bits_of(time), bits_of(kCanary));

  // Text and pattern in exactly sized buffers: the sanitizer build sees any read past them.
  const std::string_view text = "07.12.2026 14:30";
  const std::string_view pattern = "%d.%m.%Y %H:%M:%S";
  for (size_t t = 0; t <= text.size(); ++t) {
    for (size_t p = 0; p <= pattern.size(); ++p) {
      auto text_copy = std::make_unique<char[]>(t);
      auto pattern_copy = std::make_unique<char[]>(p);
      std::memcpy(text_copy.get(), text.data(), t);
      std::memcpy(pattern_copy.get(), pattern.data(), p);
      getdate_fixlen(locale, text_copy.get(), static_cast<int32_t>(t), pattern_copy.get(),
                     static_cast<int32_t>(p), &date, &time);
    }
  }
}

TEST_F(Parser, PatternTooLongForTheDescriptorIsRefused) {
  std::string pattern = "%d.%m.%Y";
  pattern.resize(UWN_DESCRIPTOR_MAX, ' ');
  EXPECT_EQ(parse("07.12.2026", pattern).result, 0);
  EXPECT_EQ(parse("07.12.2026", pattern).date, kDec7);

  pattern.push_back(' ');
  watch().record_calls(true);
  watch().clear_calls();
  const auto o = parse("07.12.2026", pattern);
  watch().record_calls(false);
  EXPECT_EQ(o.result, 2);
  EXPECT_EQ(bits_of(o.date), bits_of(kCanary));
  EXPECT_EQ(bits_of(o.time), bits_of(kCanary));
  EXPECT_TRUE(watch().calls().empty()) << watch().calls().front().service;
}

TEST_F(Parser, AtMostOneCharacterQueryPerPercent) {
  watch().record_calls(true);
  watch().clear_calls();
  // Four "%" of which two are a pair, plus the set-up query.
  EXPECT_EQ(parse("07%12.2026", "%d%%%m.%Y").result, 0);
  watch().record_calls(false);
  int queries = 0;
  for (const auto &call : watch().calls()) queries += call.service == "wzsxoff";
  EXPECT_LE(queries, 1 + 4);
  EXPECT_GE(queries, 1);
}

}  // namespace
