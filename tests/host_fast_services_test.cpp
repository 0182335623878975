// The host's services answer their common case inline and hand the rest to
// the services as first written (nlhost::reference): the two must answer
// alike, bit for bit, on every argument.  Exhaustive over day ranges and
// whole-number grids, randomized over doubles and text elsewhere.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "nlhost/civil.h"
#include "nlhost/host.h"
#include "services.h"

namespace {

using nlhost::civil::kFirstDay;
using nlhost::civil::kLastDay;

uint64_t bits(double x) {
  uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

// Arguments no range admits, and the edges of whole numbers.
std::vector<double> awkward_doubles() {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  return {std::nan(""),
          -std::nan(""),
          nlhost::standard_missing(),
          kInf,
          -kInf,
          0.0,
          -0.0,
          0.5,
          -0.5,
          1e300,
          -1e300,
          2147483648.0,
          -2147483648.0,
          -2147483649.0,
          4294967296.0,
          4294967297.0,
          5e-324,
          1 - 1e-16,
          std::nextafter(1.0, 2.0),
          std::nextafter(1.0, 0.0)};
}

class FastServices : public ::testing::Test {
 protected:
  nlhost::Host host_;
  std::mt19937_64 rng_{20261209};

  double random_double() {
    switch (rng_() % 4) {
      case 0:  // any bit pattern
      {
        const uint64_t b = rng_();
        double x;
        std::memcpy(&x, &b, sizeof x);
        return x;
      }
      case 1:  // a whole number anywhere near the ranges
        return static_cast<double>(static_cast<int64_t>(rng_() % 400000000) - 100000000);
      case 2:  // a fraction
        return static_cast<double>(static_cast<int64_t>(rng_() % 40000000) - 1000000) +
               static_cast<double>(rng_() % 1000) / 1000.0;
      default: {
        const auto edges = awkward_doubles();
        return edges[rng_() % edges.size()];
      }
    }
  }

  void expect_zmdy(double m, double d, double y) {
    ASSERT_EQ(bits(nlhost_svc_zmdy(m, d, y)), bits(nlhost::reference::zmdy(m, d, y)))
        << m << "/" << d << "/" << y;
  }
  void expect_day_services(double date) {
    ASSERT_EQ(bits(nlhost_svc_zjuldat(date)), bits(nlhost::reference::zjuldat(date))) << date;
    ASSERT_EQ(bits(nlhost_svc_zwekday(date)), bits(nlhost::reference::zwekday(date))) << date;
  }
  void expect_zymdjul(double julian) {
    double fast[3] = {1, 2, 3}, ref[3] = {1, 2, 3};
    nlhost_svc_zymdjul(&fast[0], &fast[1], &fast[2], julian);
    nlhost::reference::zymdjul(&ref[0], &ref[1], &ref[2], julian);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(bits(fast[i]), bits(ref[i])) << julian << " part " << i;
  }
};

TEST_F(FastServices, ZmdyOverAGridOfWholeNumbersAndOddArguments) {
  for (int window : {1940, 1900, 2000}) {
    host_.set_year_window(window);
    for (int y = -2; y <= 2500; ++y)
      for (int m = -1; m <= 14; ++m)
        for (int d = -1; d <= 33; ++d) expect_zmdy(m, d, y);
  }
  for (int y = 2501; y <= 100000; y += 7)
    for (int m = 0; m <= 13; ++m) expect_zmdy(m, 29 + y % 4, y);
  for (int y : {9999, 10000, 99998, 99999, 100000, 2147483647})
    for (int m = 0; m <= 13; ++m)
      for (int d = 0; d <= 32; ++d) expect_zmdy(m, d, y);
  const auto odd = awkward_doubles();
  for (double x : odd)
    for (double good : {2.0, 29.0, 2024.0}) {
      expect_zmdy(x, 29, 2024);
      expect_zmdy(2, x, 2024);
      expect_zmdy(2, 29, x);
      expect_zmdy(x, x, good);
    }
  for (int i = 0; i < 300000; ++i) expect_zmdy(random_double(), random_double(), random_double());
  for (int i = 0; i < 300000; ++i)
    expect_zmdy(static_cast<double>(rng_() % 14),
                static_cast<double>(rng_() % 33) + (rng_() % 8 == 0 ? 0.5 : 0),
                static_cast<double>(rng_() % 120000));
}

TEST_F(FastServices, DayServicesOverEveryDayOfTheRange) {
  for (int64_t day = kFirstDay - 3; day <= kLastDay + 3; ++day) expect_day_services(static_cast<double>(day));
  for (double x : awkward_doubles()) expect_day_services(x);
  for (int i = 0; i < 500000; ++i) expect_day_services(random_double());
}

TEST_F(FastServices, ZymdjulOverEveryDayOfTheYearOfTenThousandYears) {
  for (int64_t year = 0; year <= 10000; ++year)
    for (int64_t doy = 0; doy <= 367; ++doy) expect_zymdjul(static_cast<double>(year * 1000 + doy));
  for (int64_t year = 99990; year <= 100001; ++year)
    for (int64_t doy = 0; doy <= 999; ++doy) expect_zymdjul(static_cast<double>(year * 1000 + doy));
  for (double x : awkward_doubles()) expect_zymdjul(x);
  for (int i = 0; i < 500000; ++i) expect_zymdjul(random_double());
  // Parts not asked for stay untouched.
  double month = 7;
  nlhost_svc_zymdjul(nullptr, &month, nullptr, 2024060);
  EXPECT_EQ(month, 2);
}

// A descriptor over bytes of its own, with room for any length it claims.
struct Text {
  std::string bytes;
  uwn_text_descriptor d{};
};

TEST_F(FastServices, WzsxoffOnRandomTextAndCallSequences) {
  static const std::string kPieces[] = {
      "a", "%", "0", "\xc3\xa4", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\x80", "\xff", "\xc3", "\xe2\x82", " "};
  auto run = [&](bool leads) {
    for (int i = 0; i < 40000; ++i) {
      Text fast, ref;
      const int pieces = static_cast<int>(rng_() % 12);
      for (int p = 0; p < pieces; ++p) fast.bytes += kPieces[rng_() % std::size(kPieces)];
      ref.bytes = fast.bytes;
      const auto size = static_cast<int16_t>(fast.bytes.size());
      fast.d.capacity = static_cast<int16_t>(rng_() % 8 == 0 ? static_cast<int>(rng_() % (size + 1)) : size);
      fast.d.length = static_cast<int16_t>(rng_() % 8 == 0 ? static_cast<int>(rng_() % 40) - 20 : size);
      fast.d.text = rng_() % 50 == 0 ? nullptr : fast.bytes.data();
      fast.d.host_24 = rng_() % 4 == 0 ? rng_() % 20 : 0;
      ref.d = fast.d;
      if (ref.d.text != nullptr) ref.d.text = ref.bytes.data();
      for (int call = 0; call < 12; ++call) {
        const int32_t offset = call == 0 ? 0 : static_cast<int32_t>(rng_() % (size + 4)) - 2;
        ASSERT_EQ(nlhost_svc_wzsxoff(&fast.d, offset), nlhost::reference::wzsxoff(&ref.d, offset))
            << "leads " << leads << " offset " << offset;
        ASSERT_EQ(fast.d.last_offset, ref.d.last_offset);
        ASSERT_EQ(fast.d.last_length, ref.d.last_length);
        ASSERT_EQ(fast.d.host_24, ref.d.host_24);
      }
    }
  };
  run(false);
  host_.set_multibyte_lead(0x81, 2);
  host_.set_multibyte_lead('%', 3);
  run(true);
  host_.set_multibyte_lead(0x81, 0);
  host_.set_multibyte_lead('%', 0);
  run(false);
  EXPECT_EQ(nlhost_svc_wzsxoff(nullptr, 0), nlhost::reference::wzsxoff(nullptr, 0));
}

TEST_F(FastServices, WzsxglcOverEveryItemOfTheCurrentAndAGivenLocale) {
  auto other = nlhost::make_builtin_english();
  other->remove(UWN_ITEM_PM);
  other->remove(0);
  for (void *locale : {static_cast<void *>(nullptr), static_cast<void *>(other.get())})
    for (int32_t item = -3; item <= nlhost::Locale::kItems + 3; ++item) {
      const uwn_locale_entry *fast = nullptr, *ref = nullptr;
      ASSERT_EQ(nlhost_svc_wzsxglc(locale, item, &fast), nlhost::reference::wzsxglc(locale, item, &ref))
          << item;
      ASSERT_EQ(fast, ref) << item;
      ASSERT_EQ(nlhost_svc_wzsxglc(locale, item, nullptr), nlhost::reference::wzsxglc(locale, item, nullptr));
    }
}

// wzifmn reads digits eight at a time where the text allows: every length
// of digit run on either side of the point, at every place in a text of up
// to 40 bytes (so that the loads from the text's end are taken), with signs,
// blanks, exponents and stray bytes, under widths, text lengths and
// decimals that cut the text anywhere.
TEST_F(FastServices, WzifmnOnDigitRunsOfEveryLengthAndRandomText) {
  static constexpr char kBytes[] = "0123456789012345678901234567890123456789 .+-eE,/:\x80\xC3";
  auto read = [](auto reader, const std::string &text, int32_t width, int32_t text_length, int32_t decimals,
                 int32_t *status) {
    // Exactly text_length bytes, so that a read past them is seen.
    const std::unique_ptr<char[]> bytes(new char[static_cast<size_t>(text_length)]);
    std::memcpy(bytes.get(), text.data(), static_cast<size_t>(text_length));
    double value = -7;
    uwn_informat_block block{};
    block.width = width;
    block.decimals = decimals;
    block.text = bytes.get();
    block.text_length = text_length;
    block.result = &value;
    *status = reader(&block);
    return bits(value);
  };
  auto same = [&](const std::string &text, int32_t width, int32_t text_length, int32_t decimals) {
    int32_t fast_status = 0, ref_status = 0;
    const uint64_t fast = read(nlhost_svc_wzifmn, text, width, text_length, decimals, &fast_status);
    const uint64_t ref = read(nlhost::reference::wzifmn, text, width, text_length, decimals, &ref_status);
    ASSERT_EQ(fast_status, ref_status)
        << '"' << text << "\" " << width << ' ' << text_length << ' ' << decimals;
    ASSERT_EQ(fast, ref) << '"' << text << "\" " << width << ' ' << text_length << ' ' << decimals;
  };
  const auto digits = [&](int n) {
    std::string d;
    for (int i = 0; i < n; ++i) d += static_cast<char>('0' + rng_() % 10);
    return d;
  };
  for (int whole = 0; whole <= 24; ++whole)
    for (int fraction = -1; fraction <= 24; ++fraction)
      for (int round = 0; round < 4; ++round) {
        std::string text = digits(whole);
        if (fraction >= 0) text.append(1, '.').append(digits(fraction));
        if (round == 1) text.insert(0, 1, '-').append("e-").append(digits(1 + static_cast<int>(rng_() % 3)));
        if (round == 2) text.insert(0, rng_() % 9, ' ').append(rng_() % 9, ' ');
        if (round == 3 && !text.empty()) text[rng_() % text.size()] = kBytes[rng_() % (sizeof kBytes - 1)];
        const auto n = static_cast<int32_t>(text.size());
        for (int32_t width = 0; width <= n + 1; ++width)
          same(text, width, n, static_cast<int32_t>(rng_() % 8));
        same(text, n, n - 1 < 0 ? 0 : n - 1, 2);
      }
  for (int round = 0; round < 200000; ++round) {
    std::string text(rng_() % 41, ' ');
    for (char &c : text) c = kBytes[rng_() % (sizeof kBytes - 1)];
    const auto n = static_cast<int32_t>(text.size());
    same(text, rng_() % 4 == 0 ? static_cast<int32_t>(rng_() % 45) - 2 : n, n,
         static_cast<int32_t>(rng_() % 24) - 2);
  }
}

}  // namespace
