// Week-date text: zkfweek, zkweek and zkifweek through the loaded module,
// construct_week through the static library.  Every destination sits between
// guard bytes; every text is read from a buffer of exactly its length.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "civil_reference.h"
#include "day_sweep.h"
#include "host_fixture.h"
#include "tovzklocale.h"

namespace {

using civil_ref::days_from_civil;

constexpr unsigned char kGuard = 0xA5;
constexpr int kGuardBytes = 16;
constexpr int32_t kWidthMin = std::numeric_limits<int32_t>::min();

double day(int64_t y, int m, int d) { return static_cast<double>(days_from_civil(y, m, d)); }

bool is_missing(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return (bits >> 48) == 0xFFFF;
}

// A field of size bytes between guard bytes, preset to 'x'.
class Field {
 public:
  explicit Field(int32_t size) : size_(size), bytes_(static_cast<size_t>(size + 2 * kGuardBytes), kGuard) {
    std::memset(data(), 'x', static_cast<size_t>(size));
  }
  char *data() { return reinterpret_cast<char *>(bytes_.data() + kGuardBytes); }
  std::string text() const {
    return std::string(reinterpret_cast<const char *>(bytes_.data() + kGuardBytes), size_);
  }
  bool guards_intact() const {
    for (int i = 0; i < kGuardBytes; ++i) {
      if (bytes_[i] != kGuard || bytes_[bytes_.size() - 1 - i] != kGuard) return false;
    }
    return true;
  }

 private:
  int32_t size_;
  std::vector<unsigned char> bytes_;
};

class WeekDateTest : public nldat_test::ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    fweek = fn<decltype(&zkfweek)>("zkfweek");
    week = fn<decltype(&zkweek)>("zkweek");
    ifweek = fn<decltype(&zkifweek)>("zkifweek");
  }

  decltype(&zkfweek) fweek = nullptr;
  decltype(&zkweek) week = nullptr;
  decltype(&zkifweek) ifweek = nullptr;

  // zkfweek into a guarded field of |width| bytes: the field and the width out.
  std::pair<std::string, int32_t> write(char rule, int32_t width, double date) {
    Field field(width == kWidthMin ? 0 : std::abs(width));
    int32_t w = width;
    EXPECT_EQ(fweek(field.data(), &w, &rule, 1, date), 0);
    EXPECT_TRUE(field.guards_intact()) << "width " << width;
    return {field.text(), w};
  }

  // zkifweek on a heap copy of exactly the text's bytes.
  int32_t read(const std::string &text, char rule, double *value) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.data(), text.size());
    return ifweek(copy.get(), static_cast<int32_t>(text.size()), &rule, 1, value);
  }
};

struct FormRow {
  int32_t width;
  std::string field;  // the whole field after the call
  int32_t width_out;
};

TEST_F(WeekDateTest, FormsByWidth) {
  const FormRow rows[] = {
      {0, "", 0},
      {1, "*", 1},
      {2, "**", 2},
      {3, "W09", 3},
      {4, "W09 ", 3},
      {5, "10W09", 5},
      {6, "10W09 ", 5},
      {7, "10W0905", 7},
      {8, "10W0905 ", 7},
      {9, "2010W0905", 9},
      {10, "2010W0905 ", 9},
      {11, "2010-W09-05", 11},
      {14, "2010-W09-05   ", 11},
      // Negative widths: right-aligned in a field of the absolute value.
      {-2, "**", -2},
      {-4, " W09", 3},
      {-12, " 2010-W09-05", 11},
      {kWidthMin, "", kWidthMin},  // no field at all: nothing written
  };
  for (const FormRow &row : rows) {
    const auto [field, width] = write('V', row.width, day(2010, 3, 5));
    EXPECT_EQ(field, row.field) << row.width;
    EXPECT_EQ(width, row.width_out) << row.width;
  }
}

TEST_F(WeekDateTest, RulesPickYearWeekAndDay) {
  const struct {
    char rule;
    double date;
    std::string text;
  } rows[] = {
      {'V', day(2010, 1, 1), "2009-W53-05"}, {'U', day(2010, 1, 1), "2010-W00-06"},
      {'W', day(2010, 1, 1), "2010-W00-05"}, {'V', day(2008, 12, 29), "2009-W01-01"},
      {'U', day(2012, 1, 1), "2012-W01-01"}, {'V', day(1582, 1, 1), "1581-W53-05"},
      {'X', day(2010, 1, 1), "***********"},  // no week under an unknown rule
  };
  for (const auto &row : rows) EXPECT_EQ(write(row.rule, 11, row.date).first, row.text) << row.rule;
}

// Years from 10000 on are written whole; a field of 9 cannot hold them.
TEST_F(WeekDateTest, FiveDigitYears) {
  const double date = day(12000, 3, 6);  // a Monday
  ASSERT_EQ(civil_ref::iso_week(days_from_civil(12000, 3, 6)).day, 1);
  const int64_t w = civil_ref::iso_week(days_from_civil(12000, 3, 6)).week;
  const std::string ww = (w < 10 ? "0" : "") + std::to_string(w);
  EXPECT_EQ(write('V', 12, date), std::pair(std::string("12000-W" + ww + "-01"), 12));
  EXPECT_EQ(write('V', 11, date), std::pair(std::string("12000W" + ww + "01 "), 10));
  EXPECT_EQ(write('V', 10, date), std::pair(std::string("12000W" + ww + "01"), 10));
  EXPECT_EQ(write('V', 9, date), std::pair(std::string(9, '*'), 9));
  EXPECT_EQ(write('V', 7, date), std::pair(std::string("00W" + ww + "01"), 7));
  EXPECT_EQ(write('V', -13, date), std::pair(std::string(" 12000-W" + ww + "-01"), 12));
}

TEST_F(WeekDateTest, MissingAndOutOfRangeDates) {
  const double inf = std::numeric_limits<double>::infinity();
  for (double date : {nlhost::standard_missing(), std::numeric_limits<double>::quiet_NaN(), -138062.0,
                      6589336.0, 1e300, -1e300, inf, -inf}) {
    SCOPED_TRACE(date);
    EXPECT_EQ(write('V', 11, date), std::pair(std::string(11, '*'), 11));
    EXPECT_EQ(write('U', -5, date), std::pair(std::string(5, '*'), -5));
    double w = 99;
    EXPECT_EQ(week(&w, nullptr, "V", 1, date), 0);
    EXPECT_TRUE(is_missing(w));
  }
  EXPECT_EQ(write('V', 11, -138061.0).first, "1581-W53-05");
  // 26 December 20000, the last day, is a Tuesday: day 3 under rule U.
  const int64_t u_week = civil_ref::sunday_week(6589335).week;
  EXPECT_EQ(write('U', 11, 6589335.0).first, "20000W" + std::to_string(u_week) + "03 ");
}

TEST_F(WeekDateTest, WeekNumbers) {
  const struct {
    char rule;
    double date;
    double week;
  } rows[] = {{'V', day(2010, 1, 1), 53}, {'U', day(2010, 1, 1), 0}, {'W', day(2012, 1, 1), 0},
              {'U', day(2012, 1, 1), 1},  {'V', day(2010, 3, 5), 9}, {'X', day(2010, 3, 5), -1}};
  for (const auto &row : rows) {
    double w = 99;
    int canary = 0x5A5A;
    EXPECT_EQ(week(&w, &canary, &row.rule, 1, row.date), 0);
    EXPECT_EQ(w, row.week) << row.rule << " " << row.date;
    EXPECT_EQ(canary, 0x5A5A);
  }
  EXPECT_EQ(week(nullptr, nullptr, "V", 1, day(2010, 3, 5)), 0);
}

struct ReadRow {
  std::string text;
  char rule;
  double window;  // the value on entry
  int32_t result;
  double date;  // on 0
};

TEST_F(WeekDateTest, ReadsWeekDateText) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const ReadRow rows[] = {
      {"2010-W09-05", 'V', 0, 0, 18326},
      {"2010W0905", 'V', 0, 0, 18326},
      {"2010 W09 05", 'V', 0, 0, 18326},
      {"2010w0905", 'V', 0, 0, 18326},
      {"2010-W09", 'V', 0, 0, day(2010, 3, 1)},
      {"2010-W09-08", 'V', 0, 0, day(2010, 3, 8)},
      {"2010-W09-00", 'V', 0, 0, day(2010, 3, 1)},  // day 0 reads as 1
      {"10W0905", 'V', 1920, 0, day(2010, 3, 5)},
      {"10W0905", 'V', 0, 0, day(1910, 3, 4)},
      {"50W0905", 'V', 1920, 0, day(1950, 3, 3)},
      {"20W0905", 'V', 1920, 0, day(1920, 2, 27)},  // the window's first year itself
      {"19W0905", 'V', 1920, 0, day(2019, 3, 1)},   // just below it: the next century
      {"2010-W00-06", 'U', 0, 0, day(2010, 1, 1)},
      {"2010-W00-01", 'V', 0, 0, day(2009, 12, 28)},
      {"2010-W09-06", 'U', 0, 0, day(2010, 3, 5)},
      {"2010-W09-05", 'W', 0, 0, day(2010, 3, 5)},
      {"2012-W00-07", 'W', 0, 0, day(2012, 1, 1)},
      {"1581-W53-05", 'V', 0, 0, day(1582, 1, 1)},  // the range's first day
      {"12000-W10-01", 'V', 0, 0, day(12000, 3, 6)},
      {"20000W5202", 'V', 0, 0, day(20000, 12, 26)},  // the range's last day
      {"2010-W09", 'V', nan, 0, day(2010, 3, 1)},     // no two-digit year: the window is not read
      {"2010-W09-5", 'V', 0, -1, 0},
      {"5W09", 'V', 0, -1, 0},
      {"2010-Wx9-05", 'V', 0, -1, 0},
      {"2010 W 09", 'V', 0, -1, 0},  // the week bytes are taken as they stand
      {"2010-W", 'V', 0, -1, 0},
      {"2010-W0", 'V', 0, -1, 0},
      {"2010-W09-05", 'X', 0, -1, 0},
      {"123456789012W09", 'V', 0, -1, 0},  // a year part longer than its buffer
      {"2010W09123456789012", 'V', 0, -1, 0},
      {"2010W09W01W01W01W01W01", 'V', 0, -1, 0},  // six week designators
      {"2010-W54-01", 'V', 0, 1, 0},
      {"2010-W09-32", 'V', 0, 1, 0},
      {"1500-W01-01", 'V', 0, 1, 0},
      {"1581-W01-01", 'V', 0, 1, 0},   // a date before the range
      {"20000-W53-01", 'V', 0, 1, 0},  // a date after it
      {"20001-W01-01", 'V', 0, 1, 0},
      {"10W0905", 'V', nan, 1, 0},  // a window year that is no whole 32-bit number
      {"10W0905", 'V', nlhost::standard_missing(), 1, 0},
      {"10W0905", 'V', 1e300, 1, 0},
      {"10W0905", 'V', -3e9, 1, 0},
      {"2010-03-05", 'V', 0, UWN_NO_WEEK_DESIGNATOR, 0},
      {"", 'V', 0, UWN_NO_WEEK_DESIGNATOR, 0},
      {std::string(40, '1'), 'V', 0, UWN_NO_WEEK_DESIGNATOR, 0},
  };
  for (const ReadRow &row : rows) {
    SCOPED_TRACE(testing::Message() << "'" << row.text << "' " << row.rule << " window " << row.window);
    double value = row.window;
    const int32_t result = read(row.text, row.rule, &value);
    EXPECT_EQ(result, row.result);
    if (row.result == 0) {
      EXPECT_EQ(value, row.date);
    } else if (std::isnan(row.window)) {
      EXPECT_TRUE(std::isnan(value));  // written only on success
    } else {
      EXPECT_EQ(value, row.window);
    }
  }
}

// An empty year part is today's year, from the host's clock.
// Two-digit years: the hundred years from the window's first year on.
TEST(WeekDateYearWindow, HundredYearsFromTheFirst) {
  struct Row {
    int64_t yy, first, year;
  };
  constexpr Row rows[] = {
      {20, 1920, 1920}, {19, 1920, 2019}, {21, 1920, 1921}, {99, 1920, 1999}, {0, 1920, 2000},
      {0, 1900, 1900},  {99, 1900, 1999}, {0, 1901, 2000},  {1, 1901, 1901},  {50, 2050, 2050},
  };
  for (const Row &row : rows)
    EXPECT_EQ(uwn::year_in_window(row.yy, row.first), row.year) << row.yy << " from " << row.first;
}

TEST_F(WeekDateTest, EmptyYearIsThisYear) {
  host().set_clock(day(2010, 6, 15) * 86400 + 3600);
  double value = 0;
  EXPECT_EQ(read("W09-05", 'V', &value), 0);
  EXPECT_EQ(value, 18326);
}

TEST_F(WeekDateTest, ConstructWeekRefusesWhatItCannotWrite) {
  const struct {
    double year, week, day;
  } rows[] = {{-1, 9, 5},           {100000, 9, 5},
              {2010, -1, 5},        {2010, 100, 5},
              {2010, 9, -1},        {2010, 9, 100},
              {std::nan(""), 9, 5}, {2010, std::numeric_limits<double>::infinity(), 5}};
  for (const auto &row : rows) {
    Field field(11);
    int32_t width = 11;
    EXPECT_EQ(construct_week("V", 1, field.data(), &width, row.year, row.week, row.day), -1);
    EXPECT_EQ(width, 11);
    EXPECT_EQ(field.text(), std::string(11, ' '));
    EXPECT_TRUE(field.guards_intact());
  }
  int32_t width = 11;
  EXPECT_EQ(construct_week("V", 1, nullptr, &width, 2010, 9, 5), 0);  // measures only
  EXPECT_EQ(width, 11);
  EXPECT_EQ(construct_week("V", 1, nullptr, nullptr, 2010, 9, 5), -1);
}

// What zkfweek writes at widths 9 and 11 reads back to the same day under the
// same rule, for every day of the range; a field of 9 that cannot hold a
// five-digit year is starred and reads as no week date at all.
TEST_F(WeekDateTest, EveryDayRoundTrips) {
  // The first days whose calendar year and whose ISO week-based year is 10000.
  const int64_t calendar_10000 = days_from_civil(10000, 1, 1);
  int64_t iso_10000 = calendar_10000 - 3;
  while (civil_ref::iso_week(iso_10000).year < 10000) ++iso_10000;
  const char rules[3] = {'U', 'W', 'V'};
  const auto failures = nldat_test::sweep_days(
      days_from_civil(1582, 1, 1), days_from_civil(20000, 12, 26), [&](int64_t z) -> std::string {
        const double date = static_cast<double>(z);
        char field[11];
        for (const char &rule : rules) {
          for (int32_t width : {9, 11}) {
            int32_t w = width;
            fweek(field, &w, &rule, 1, date);
            double value = 0;
            const int32_t result = ifweek(field, w, &rule, 1, &value);
            const bool starred = width == 9 && z >= (rule == 'V' ? iso_10000 : calendar_10000);
            if (starred ? result != UWN_NO_WEEK_DESIGNATOR || field[0] != '*'
                        : result != 0 || value != date) {
              return std::string(1, rule) + " width " + std::to_string(width) + " day " + std::to_string(z) +
                     ": '" + std::string(field, static_cast<size_t>(w)) + "' -> " + std::to_string(result);
            }
          }
        }
        return {};
      });
  for (const std::string &f : failures) ADD_FAILURE() << f;
}

}  // namespace
