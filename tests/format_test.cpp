// The format entry points zkfdate, zkfdttm, zkrfdttm and zkftime, through the
// loaded module; and zkfdate against glibc's strftime.
#include <time.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "date_values.h"
#include "host_fixture.h"
#include "nlhost/icu_locale.h"

namespace {

double day(int y, int m, int d) { return nldat_test::date_of(y, m, d); }

constexpr int kGuard = 16;
constexpr char kCanary = static_cast<char>(0xA5);

using DateFormat = int32_t (*)(char *, int32_t *, const char *, int32_t, double);
using LocaleFormat = int32_t (*)(void *, char *, int32_t *, const char *, int32_t, double);

struct Result {
  int32_t rc;
  int32_t width;
  std::string text;
  bool guards_intact;
  bool untouched;
};

// Calls a format routine on a field of |width| bytes with canary guards.
template <class Call>
Result call_on_field(int32_t width, Call call) {
  const size_t n = static_cast<size_t>(width == INT32_MIN ? 8 : std::abs(width));
  std::vector<char> bytes(n + 2 * kGuard, kCanary);
  int32_t w = width;
  Result r;
  r.rc = call(bytes.data() + kGuard, &w);
  r.width = w;
  r.text.assign(bytes.data() + kGuard, n);
  r.guards_intact = true;
  r.untouched = true;
  for (size_t k = 0; k < bytes.size(); ++k) {
    if (bytes[k] != kCanary) r.untouched = false;
    if ((k < kGuard || k >= n + kGuard) && bytes[k] != kCanary) r.guards_intact = false;
  }
  return r;
}

class FormatTest : public nldat_test::ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    zkfdate_ = fn<DateFormat>("zkfdate");
    zkfdttm_ = fn<DateFormat>("zkfdttm");
    zkftime_ = fn<DateFormat>("zkftime");
    zkrfdttm_ = fn<LocaleFormat>("zkrfdttm");
  }

  Result format(DateFormat f, std::string_view pattern, int32_t width, double value) {
    return call_on_field(width, [&](char *dest, int32_t *w) {
      return f(dest, w, pattern.data(), static_cast<int32_t>(pattern.size()), value);
    });
  }
  // The text written into a field of width 40, trailing blanks removed.
  std::string text(DateFormat f, std::string_view pattern, double value) {
    const Result r = format(f, pattern, 40, value);
    EXPECT_TRUE(r.guards_intact);
    if (r.rc != 0) return "rc " + std::to_string(r.rc);
    return r.text.substr(0, static_cast<size_t>(r.width));
  }

 public:  // row tables name the routines by member pointer
  DateFormat zkfdate_, zkfdttm_, zkftime_;
  LocaleFormat zkrfdttm_;
};

TEST_F(FormatTest, RangesAndMissingValues) {
  const double missing = nlhost::standard_missing();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    DateFormat FormatTest::*routine;
    double value;
    int32_t rc;
  };
  const Row rows[] = {
      {&FormatTest::zkfdate_, -138061, 0},
      {&FormatTest::zkfdate_, 6589335, 0},
      {&FormatTest::zkfdate_, -138062, -3},
      {&FormatTest::zkfdate_, -138061.5, -3},
      {&FormatTest::zkfdate_, 6589336, -3},
      {&FormatTest::zkfdate_, missing, -3},
      {&FormatTest::zkfdate_, nan, -3},
      {&FormatTest::zkfdate_, -inf, -3},
      {&FormatTest::zkfdate_, 1e300, -3},
      {&FormatTest::zkfdttm_, -11928470400.0, 0},
      {&FormatTest::zkfdttm_, 569318630399.0, 0},
      {&FormatTest::zkfdttm_, -11928470401.0, -3},
      {&FormatTest::zkfdttm_, 569318630400.0, -3},
      {&FormatTest::zkfdttm_, missing, -3},
      {&FormatTest::zkfdttm_, nan, -3},
      {&FormatTest::zkfdttm_, inf, -3},
      {&FormatTest::zkftime_, 0, 0},
      {&FormatTest::zkftime_, -0.0, 0},
      {&FormatTest::zkftime_, 2147483647.0 * 3600 + 3599, 0},
      {&FormatTest::zkftime_, 2147483648.0 * 3600, -3},  // whole hours beyond 32 bits
      {&FormatTest::zkftime_, -1, -3},
      {&FormatTest::zkftime_, -1e-9, -3},
      {&FormatTest::zkftime_, 1e300, -3},
      {&FormatTest::zkftime_, missing, -3},
      {&FormatTest::zkftime_, nan, -3},
      {&FormatTest::zkftime_, inf, -3},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.value);
    const Result r = format(this->*row.routine, "%H|%d", 30, row.value);
    EXPECT_EQ(r.rc, row.rc);
    if (row.rc != 0) {
      EXPECT_TRUE(r.untouched);
      EXPECT_EQ(r.width, 30);
    }
  }
  for (double value : {-11928470401.0, 569318630400.0, missing, nan}) {
    const Result r = call_on_field(
        30, [&](char *dest, int32_t *w) { return zkrfdttm_(host().locale(), dest, w, "%H", 2, value); });
    EXPECT_EQ(r.rc, -3);
    EXPECT_TRUE(r.untouched);
  }
}

TEST_F(FormatTest, AWidthWithoutAnAbsoluteValueIsRefused) {
  for (DateFormat f : {zkfdate_, zkfdttm_, zkftime_}) {
    const Result r = format(f, "%H", INT32_MIN, 0);
    EXPECT_EQ(r.rc, UWN_NO_VALUE);
    EXPECT_EQ(r.width, INT32_MIN);
    EXPECT_TRUE(r.untouched);
  }
}

TEST_F(FormatTest, Splits) {
  const double t = day(2010, 3, 5) * 86400 + 13 * 3600 + 45 * 60 + 30.5;
  struct Row {
    DateFormat FormatTest::*routine;
    const char *pattern;
    double value;
    const char *expected;
  };
  const Row rows[] = {
      {&FormatTest::zkfdate_, "%Y-%m-%d %A", day(2010, 3, 5), "2010-03-05 Friday"},
      {&FormatTest::zkfdate_, "%Y-%m-%d", -138061, "1582-01-01"},
      {&FormatTest::zkfdate_, "%Y-%m-%d %G-W%V", 6589335, "20000-12-26 20000-W52"},
      {&FormatTest::zkfdate_, "%d.%m.%Y", day(10000, 1, 1), "01.01.10000"},
      {&FormatTest::zkfdttm_, "%Y-%m-%d %H:%M:%S %P", t, "2010-03-05 13:45:30 PM"},
      {&FormatTest::zkfdttm_, "%Y-%m-%d %H:%M:%S", -1, "1959-12-31 23:59:59"},
      {&FormatTest::zkfdttm_, "%Y-%m-%d %H:%M:%S", -11928470400.0, "1582-01-01 00:00:00"},
      {&FormatTest::zkfdttm_, "%Y-%m-%d %H:%M:%S", 569318630399.0, "20000-12-26 23:59:59"},
      {&FormatTest::zkftime_, "%H:%M:%S", 45296.75, "12:34:56"},
      {&FormatTest::zkftime_, "%H|%I|%P", 360000, "100|04|AM"},
      {&FormatTest::zkftime_, "%H|%I|%P", 90000, "25|01|AM"},
      {&FormatTest::zkftime_, "%H", 2147483647.0 * 3600, "2147483647"},
      {&FormatTest::zkftime_, "%Y|%d|%A", 3600, "****|**|**"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.pattern);
    EXPECT_EQ(text(this->*row.routine, row.pattern, row.value), row.expected);
  }
}

TEST_F(FormatTest, PatternItems) {
  const double d = day(2010, 3, 5);
  struct Row {
    DateFormat FormatTest::*routine;
    int32_t item;
    double value;
    const char *expected;
  };
  const Row rows[] = {
      {&FormatTest::zkfdate_, UWN_ITEM_DATE_1, d, "03/05/2010"},
      {&FormatTest::zkfdate_, UWN_ITEM_DATE_W1, d, "Friday, March 05, 2010"},
      {&FormatTest::zkfdttm_, UWN_ITEM_DATETIME_1, d * 86400 + 3661, "03/05/2010 01:01:01"},
      {&FormatTest::zkftime_, UWN_ITEM_TIME_2, 13 * 3600 + 5 * 60, "01:05:00 PM"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.item);
    const Result r = call_on_field(40, [&](char *dest, int32_t *w) {
      return (this->*row.routine)(dest, w, nullptr, row.item, row.value);
    });
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.text.substr(0, static_cast<size_t>(r.width)), row.expected);
  }

  // A missing item is reported before the value is looked at.
  host().locale()->remove(UWN_ITEM_DATE_1);
  for (double value : {d, 1e300, nlhost::standard_missing()}) {
    const Result r = call_on_field(
        40, [&](char *dest, int32_t *w) { return zkfdate_(dest, w, nullptr, UWN_ITEM_DATE_1, value); });
    EXPECT_EQ(r.rc, UWN_NO_ITEM);
    EXPECT_TRUE(r.untouched);
    EXPECT_EQ(r.width, 40);
  }
  // A null pattern with no positive item number is an empty pattern.
  for (int32_t length : {0, -5}) {
    const Result r =
        call_on_field(6, [&](char *dest, int32_t *w) { return zkfdate_(dest, w, nullptr, length, d); });
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.width, 0);
    EXPECT_EQ(r.text, "      ");
  }
}

TEST_F(FormatTest, PlacementPassesThrough) {
  const double d = day(2010, 3, 5);
  EXPECT_EQ(format(zkfdate_, "%d.%m", -8, d).text, "   05.03");
  const Result cut = format(zkfdate_, "%d.%m.%Y", 8, d);
  EXPECT_EQ(cut.rc, UWN_TRUNCATED);
  EXPECT_EQ(cut.width, 8);
  EXPECT_EQ(cut.text, "05.03.20");
  int32_t w = 2;
  EXPECT_EQ(zkfdate_(nullptr, &w, "%A %B", 5, d), 12);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(format(zkfdate_, "%K", 8, d).rc, UWN_BAD_DIRECTIVE);
  EXPECT_TRUE(format(zkfdate_, "%K", 8, d).untouched);
}

TEST_F(FormatTest, DatetimeInTheCurrentOrAGivenLocale) {
  auto german = std::make_shared<nlhost::Locale>("de_DE");
  static constexpr std::string_view kWeekdays[] = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                                                   "Donnerstag", "Freitag", "Samstag"};
  german->set_names(UWN_ITEM_WEEKDAY, kWeekdays);
  german->set_text(UWN_ITEM_DATETIME_1, "%A, %d.%m.%Y %H:%M");
  const double t = day(2010, 3, 5) * 86400 + 8 * 3600 + 30 * 60;
  const std::string pattern = "%A %m/%d/%Y %I:%M %P";
  for (double value : {t, 0.0, -1.0, -11928470400.0, 1234567890.25}) {
    const Result a = format(zkfdttm_, pattern, 40, value);
    const Result b = call_on_field(40, [&](char *dest, int32_t *w) {
      return zkrfdttm_(host().locale(), dest, w, pattern.data(), static_cast<int32_t>(pattern.size()), value);
    });
    EXPECT_EQ(a.rc, b.rc);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.text, b.text);
  }
  const Result r = call_on_field(40, [&](char *dest, int32_t *w) {
    return zkrfdttm_(german.get(), dest, w, nullptr, UWN_ITEM_DATETIME_1, t);
  });
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.text.substr(0, static_cast<size_t>(r.width)), "Freitag, 05.03.2010 08:30");
}

// With the C locale's English names every directive below means what
// strftime's directive of the same letter means: A a B b d e m y Y j U W V G
// u w.  (Letters outside this set differ and are left out: C, D, F, P, Z,
// and E and O, which strftime takes as modifiers.)
TEST_F(FormatTest, AgreesWithStrftimeFrom1900To2100) {
  const char *pattern = "%A %a %B %b %d %e %m %y %Y %j %U %W %V %G %u %w";
  const int32_t length = static_cast<int32_t>(std::strlen(pattern));
  const int64_t first = civil_ref::days_from_civil(1900, 1, 1), last = civil_ref::days_from_civil(2100, 12, 31);
  int year = 1900, month = 1, mday = 1, yday = 0;
  int mismatches = 0;
  for (int64_t date = first; date <= last; ++date) {
    struct tm tm = {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = mday;
    tm.tm_yday = yday;
    tm.tm_wday = static_cast<int>(((date % 7) + 7 + 5) % 7);  // 1960-01-01 was a Friday
    char expected[128];
    const size_t n = strftime(expected, sizeof expected, pattern, &tm);
    char got[128];
    int32_t w = sizeof got;
    const int32_t rc = zkfdate_(got, &w, pattern, length, static_cast<double>(date));
    if (rc != 0 || std::string_view(got, static_cast<size_t>(w)) != std::string_view(expected, n)) {
      if (++mismatches <= 5)
        ADD_FAILURE() << expected << " != " << std::string_view(got, static_cast<size_t>(w < 0 ? 0 : w))
                      << " (rc " << rc << ")";
    }
    // The next day.
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    ++yday;
    if (++mday > kDays[month - 1] + (month == 2 && leap)) {
      mday = 1;
      if (++month > 12) {
        month = 1;
        ++year;
        yday = 0;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(year, 2101);
}

// What zkfdate writes with a locale's date patterns, NLDATE and NLDATEW read
// back; what zkfdttm writes with its datetime patterns, NLDATM reads back.
// Returns the first few failures.
std::vector<std::string> round_trip_failures(const nlhost::Module &module, int64_t step = 7919) {
  const auto zkfdate = module.function<DateFormat>("zkfdate");
  const auto zkfdttm = module.function<DateFormat>("zkfdttm");
  std::vector<double> dates;
  // Years of five digits are left out: the readers take a full year as four
  // digits.
  const int64_t last = civil_ref::days_from_civil(9999, 12, 31);
  for (int64_t d = -138061; d <= last; d += step) dates.push_back(static_cast<double>(d));
  dates.push_back(static_cast<double>(last));
  for (int64_t d = civil_ref::days_from_civil(2012, 1, 1); d <= civil_ref::days_from_civil(2012, 12, 31); ++d)
    dates.push_back(static_cast<double>(d));
  struct Trip {
    DateFormat write;
    int32_t item;
    const char *informat;
    double seconds;  // time of day added to the date, for datetimes
  };
  const Trip trips[] = {
      {zkfdate, UWN_ITEM_DATE_1, "NLDATE", -1},        {zkfdate, UWN_ITEM_DATE_2, "NLDATE", -1},
      {zkfdate, UWN_ITEM_DATE_W1, "NLDATEW", -1},      {zkfdate, UWN_ITEM_DATE_W2, "NLDATEW", -1},
      {zkfdttm, UWN_ITEM_DATETIME_1, "NLDATM", 49530}, {zkfdttm, UWN_ITEM_DATETIME_2, "NLDATM", 3599},
  };
  std::vector<std::string> failures;
  for (const Trip &trip : trips) {
    const uwn_informat_fn read = module.informat(trip.informat);
    for (double date : dates) {
      const double value = trip.seconds < 0 ? date : date * 86400 + trip.seconds;
      char text[200];
      int32_t w = sizeof text;
      const int32_t rc = trip.write(text, &w, nullptr, trip.item, value);
      double back = -1;
      uwn_informat_block block{};
      block.width = w;
      block.text = text;
      block.text_length = w;
      block.result = &back;
      if (rc == 0 && read != nullptr && read(&block) == 0 && back == value) continue;
      if (failures.size() < 5)
        failures.push_back(std::string(trip.informat) + " item " + std::to_string(trip.item) + ": " +
                           std::to_string(value) + " -> \"" + std::string(text, rc == 0 ? size_t(w) : 0) +
                           "\" -> " + std::to_string(back));
    }
  }
  return failures;
}

TEST_F(FormatTest, InformatsReadBackWhatTheLocalePatternsWrite) {
  for (const std::string &failure : round_trip_failures(module())) ADD_FAILURE() << failure;
}

// The same in every locale ICU offers, with fewer dates spread over the range.
TEST_F(FormatTest, InformatsReadBackWhatEveryIcuLocaleWrites) {
  int failing = 0;
  for (const std::string &name : nlhost::icu_locale_names()) {
    std::string error;
    std::shared_ptr<nlhost::Locale> locale = nlhost::load_icu_locale(name, &error);
    ASSERT_NE(locale, nullptr) << name << ": " << error;
    host().set_locale(locale);
    const std::vector<std::string> failures = round_trip_failures(module(), 12007);
    if (!failures.empty()) {
      ++failing;
      ADD_FAILURE() << name << ": " << failures.front();
    }
  }
  EXPECT_EQ(failing, 0);
}

}  // namespace
