// Day counts and year fractions (zdatdif and its helpers) through the static
// library, against the documented cases and against independent
// computations on random date pairs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <utility>

#include "civil_reference.h"
#include "host_fixture.h"
#include "tovzklocale.h"

namespace {

using civil_ref::days_from_civil;

class DayCountTest : public nldat_test::ModuleTest {};

constexpr int k30360 = 1, kActAct = 2, kAct360 = 3, kAct365 = 4;

double day(int64_t y, int m, int d) { return static_cast<double>(days_from_civil(y, m, d)); }

struct Span {
  int basis;
  double start, end;
  int64_t days;
  double fraction;
};

TEST_F(DayCountTest, DocumentedCases) {
  const Span cases[] = {
      {kActAct, day(2011, 7, 1), day(2012, 7, 1), 366, 184 / 365.0 + 182 / 366.0},
      {kActAct, day(2012, 7, 1), day(2011, 7, 1), -366, -(184 / 365.0 + 182 / 366.0)},
      {kActAct, day(2010, 1, 1), day(2010, 1, 1), 0, 0.0},
      {kAct360, day(2010, 1, 1), day(2010, 7, 1), 181, 181 / 360.0},
      {kAct365, day(2010, 1, 1), day(2010, 7, 1), 181, 181 / 365.0},
      {k30360, day(2010, 1, 31), day(2010, 2, 28), 28, 28 / 360.0},    // d1 -> 30 only
      {k30360, day(2010, 2, 28), day(2010, 3, 31), 30, 30 / 360.0},    // d1 -> 30, then d2 -> 30
      {k30360, day(2011, 2, 28), day(2012, 2, 28), 358, 358 / 360.0},  // 28 Feb 2012 is no month end
      {k30360, day(2012, 2, 29), day(2013, 2, 28), 360, 1.0},          // both February ends
      {k30360, day(2010, 1, 15), day(2010, 3, 31), 76, 76 / 360.0},    // d2 stays 31
      {k30360, day(2010, 3, 31), day(2010, 1, 31), -60, -60 / 360.0},  // rules in the given roles
      {k30360, day(2010, 3, 31), day(2010, 2, 28), -32, -32 / 360.0},  // d2 is no first-date month end
      {kAct360, day(2010, 7, 1), day(2010, 1, 1), -181, -181 / 360.0},
  };
  for (const Span &c : cases) {
    SCOPED_TRACE(testing::Message() << "basis " << c.basis << " from " << c.start << " to " << c.end);
    int64_t days = -12345;
    double fraction = -12345;
    ASSERT_EQ(zdatdif(c.basis, &days, &fraction, c.start, c.end), 0);
    EXPECT_EQ(days, c.days);
    EXPECT_DOUBLE_EQ(fraction, c.fraction);
  }
}

TEST_F(DayCountTest, EqualDatesGiveZeroUnderEveryBasis) {
  for (int basis = 1; basis <= 4; ++basis) {
    for (double date : {day(1582, 1, 1), day(2012, 2, 29), day(20000, 12, 26)}) {
      int64_t days = 7;
      double fraction = 7;
      ASSERT_EQ(zdatdif(basis, &days, &fraction, date, date), 0);
      EXPECT_EQ(days, 0) << basis;
      EXPECT_EQ(fraction, 0.0) << basis;
    }
  }
}

TEST_F(DayCountTest, UnknownBasisStoresNothing) {
  for (int basis : {0, 5, -1, 100, std::numeric_limits<int>::min()}) {
    int64_t days = 77;
    double fraction = 77;
    EXPECT_EQ(zdatdif(basis, &days, &fraction, day(2010, 1, 1), day(2011, 1, 1)), 1) << basis;
    EXPECT_EQ(days, 77);
    EXPECT_EQ(fraction, 77);
  }
}

TEST_F(DayCountTest, NullOutputsAreSkipped) {
  for (int basis = 1; basis <= 4; ++basis) {
    int64_t days = 0;
    double fraction = 0;
    EXPECT_EQ(zdatdif(basis, nullptr, nullptr, day(2010, 1, 1), day(2011, 1, 1)), 0);
    EXPECT_EQ(zdatdif(basis, &days, nullptr, day(2010, 1, 1), day(2011, 1, 1)), 0);
    EXPECT_EQ(zdatdif(basis, nullptr, &fraction, day(2010, 1, 1), day(2011, 1, 1)), 0);
    EXPECT_EQ(days, basis == k30360 ? 360 : 365);
    EXPECT_GT(fraction, 0.99);
  }
}

// Under ACT/ACT a missing or non-numeric date gives an empty span; under the
// other bases the result is not fixed, but no input may misbehave (the
// sanitizer build checks the conversions).
TEST_F(DayCountTest, MissingAndHugeDates) {
  const double missing = nlhost::standard_missing(), nan = std::numeric_limits<double>::quiet_NaN();
  for (double odd : {missing, nan}) {
    int64_t days = 5;
    double fraction = 5;
    EXPECT_EQ(zdatdif(kActAct, &days, &fraction, odd, day(2010, 1, 1)), 0);
    EXPECT_EQ(days, 0);
    EXPECT_EQ(fraction, 0.0);
    EXPECT_EQ(zdatdif(kActAct, &days, &fraction, day(2010, 1, 1), odd), 0);
    EXPECT_EQ(days, 0);
  }
  const double inf = std::numeric_limits<double>::infinity();
  for (double odd : {missing, nan, 1e300, -1e300, inf, -inf, 4e9, -4e9}) {
    for (int basis = 1; basis <= 4; ++basis) {
      int64_t days;
      double fraction;
      EXPECT_EQ(zdatdif(basis, &days, &fraction, odd, day(2010, 1, 1)), 0);
      EXPECT_EQ(zdatdif(basis, &days, &fraction, day(2010, 1, 1), odd), 0);
      EXPECT_EQ(zdatdif(basis, &days, &fraction, odd, -odd), 0);
    }
    // The count alone answers as zdatdif does, whatever the host makes of odd.
    for (const auto &[start, end] : {std::pair{odd, day(2010, 1, 1)}, {day(2010, 1, 1), odd}, {odd, -odd}}) {
      int64_t days;
      double fraction;
      ASSERT_EQ(zdatdif(kActAct, &days, &fraction, start, end), 0);
      EXPECT_EQ(days_actact(start, end), days);
    }
  }
}

TEST_F(DayCountTest, LeapYearsAndMonthLengths) {
  const struct {
    int year, leap;
  } years[] = {{1582, 0}, {1600, 1}, {1700, 0}, {1900, 0}, {2000, 1},
               {2011, 0}, {2012, 1}, {2100, 0}, {20000, 1}};
  for (const auto &y : years) {
    EXPECT_EQ(isLeapYear(y.year), y.leap) << y.year;
    EXPECT_EQ(lastDay(y.year, 2), 28 + y.leap) << y.year;
  }
  const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(lastDay(2011, m), lengths[m - 1]) << m;
}

// A date in the range; every other one the last day of its month, so that
// the end-of-month rules of 30/360 come up often.
civil_ref::Ymd random_date(std::mt19937_64 &rng, int64_t min_year, int64_t max_year) {
  const int64_t y = std::uniform_int_distribution<int64_t>(min_year, max_year)(rng);
  const int m = std::uniform_int_distribution<int>(1, 12)(rng);
  const int last =
      civil_ref::civil_from_days(days_from_civil(m == 12 ? y + 1 : y, m == 12 ? 1 : m + 1, 1) - 1).day;
  const int d = rng() % 2 ? last : std::uniform_int_distribution<int>(1, last)(rng);
  return {y, m, d};
}

// 30/360 by its definition, on the civil reference.
int64_t reference_30_360(civil_ref::Ymd a, civil_ref::Ymd b) {
  auto february_end = [](civil_ref::Ymd x) {
    return x.month == 2 && x.day == (civil_ref::leap(x.year) ? 29 : 28);
  };
  int64_t d1 = a.day, d2 = b.day;
  if (february_end(a) && february_end(b)) d2 = 30;
  if (february_end(a)) d1 = 30;
  if (d2 == 31 && d1 >= 30) d2 = 30;
  if (d1 == 31) d1 = 30;
  return 360 * (b.year - a.year) + 30 * (b.month - a.month) + (d2 - d1);
}

// ACT/ACT by walking the calendar years between the two dates.
void reference_actact(int64_t from, int64_t to, int64_t *days, double *fraction) {
  int64_t leap_days = 0, common_days = 0;
  for (int64_t y = civil_ref::civil_from_days(from).year; from < to; ++y) {
    const int64_t year_end = days_from_civil(y + 1, 1, 1);
    const int64_t n = (to < year_end ? to : year_end) - from;
    (civil_ref::leap(y) ? leap_days : common_days) += n;
    from += n;
  }
  *days = leap_days + common_days;
  *fraction = static_cast<double>(common_days) / 365.0 + static_cast<double>(leap_days) / 366.0;
}

TEST_F(DayCountTest, RandomPairsAgreeWithIndependentCounts) {
  std::mt19937_64 rng(20100305);
  for (int i = 0; i < 20000; ++i) {
    // Most pairs close together, some across the whole range.
    const bool wide = i % 8 == 0;
    const civil_ref::Ymd a = random_date(rng, 1582, 20000);
    const civil_ref::Ymd b =
        wide ? random_date(rng, 1582, 20000)
             : random_date(rng, a.year > 1583 ? a.year - 2 : 1582, a.year < 19998 ? a.year + 2 : 20000);
    const int64_t za = days_from_civil(a.year, a.month, a.day), zb = days_from_civil(b.year, b.month, b.day);
    SCOPED_TRACE(testing::Message() << a.year << "-" << a.month << "-" << a.day << " to " << b.year << "-"
                                    << b.month << "-" << b.day);
    int64_t days;
    double fraction;
    ASSERT_EQ(zdatdif(kAct360, &days, &fraction, static_cast<double>(za), static_cast<double>(zb)), 0);
    ASSERT_EQ(days, zb - za);
    ASSERT_DOUBLE_EQ(fraction, static_cast<double>(zb - za) / 360.0);
    ASSERT_EQ(zdatdif(kAct365, &days, &fraction, static_cast<double>(za), static_cast<double>(zb)), 0);
    ASSERT_EQ(days, zb - za);
    ASSERT_DOUBLE_EQ(fraction, static_cast<double>(zb - za) / 365.0);

    ASSERT_EQ(zdatdif(k30360, &days, &fraction, static_cast<double>(za), static_cast<double>(zb)), 0);
    ASSERT_EQ(days, reference_30_360(a, b));

    int64_t want_days;
    double want_fraction;
    reference_actact(za < zb ? za : zb, za < zb ? zb : za, &want_days, &want_fraction);
    if (za > zb) {
      want_days = -want_days;
      want_fraction = -want_fraction;
    }
    ASSERT_EQ(zdatdif(kActAct, &days, &fraction, static_cast<double>(za), static_cast<double>(zb)), 0);
    ASSERT_EQ(days, want_days);
    ASSERT_NEAR(fraction, want_fraction, 1e-9);
    // The count alone, which takes a shorter road within one year.
    ASSERT_EQ(days_actact(static_cast<double>(za), static_cast<double>(zb)), want_days);
  }
}

// The day number as it was first written, with double quotients truncated:
// the integer quotients must give the same for every month and year an int32
// holds.
int64_t day_number_by_doubles(int64_t m, int64_t d, int64_t y) {
  int64_t base_year = y - 1, shift = 0;
  if (m > 2) {
    base_year = y;
    shift = static_cast<int64_t>(0.4 * static_cast<double>(m) + 2.3);
  }
  const double b = static_cast<double>(base_year);
  return 365 * y + 31 * (m - 1) + d + static_cast<int64_t>(0.25 * b) - static_cast<int64_t>(b / 100.0) +
         static_cast<int64_t>(b / 400.0) - shift;
}

TEST_F(DayCountTest, DayNumbersMatchTheDoubleQuotients) {
  auto expect = [](int32_t m, int32_t y) {
    ASSERT_EQ(dateOffset(m, 1, y), day_number_by_doubles(m, 1, y)) << y << "-" << m;
  };
  for (int32_t y = -1000000; y <= 1000000; ++y)
    for (int32_t m : {1, 2, 3, 12}) expect(m, y);
  std::mt19937_64 rng(27);
  for (int i = 0; i < 2000000; ++i)
    expect(static_cast<int32_t>(rng() % 40) - 20, static_cast<int32_t>(static_cast<uint32_t>(rng())));
  for (int32_t y : {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min() + 1,
                    std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max() - 1})
    for (int32_t m :
         {std::numeric_limits<int32_t>::min(), -1, 0, 1, 2, 3, 12, 13, std::numeric_limits<int32_t>::max()})
      expect(m, y);
}

}  // namespace
