// Text-field utilities, through the loaded module.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "double_bits.h"
#include "loaded_module.h"
#include "uwinldat.h"

namespace {

using nldat_test::bits_of;
using nldat_test::from_bits;

using nldat_test::exported;

struct Utilities {
  decltype(&wzmis) mis = exported<decltype(&wzmis)>("wzmis");
  decltype(&wzstcom) com = exported<decltype(&wzstcom)>("wzstcom");
  decltype(&wzstdel) del = exported<decltype(&wzstdel)>("wzstdel");
  decltype(&wzstjls) jls = exported<decltype(&wzstjls)>("wzstjls");
  decltype(&wzstlen) len = exported<decltype(&wzstlen)>("wzstlen");
  decltype(&wzstpos) pos = exported<decltype(&wzstpos)>("wzstpos");
  decltype(&wzstrip) strip = exported<decltype(&wzstrip)>("wzstrip");
  decltype(&min) smaller = exported<decltype(&min)>("min");
};

const Utilities &u() {
  static const Utilities utilities;
  return utilities;
}

TEST(Wzmis, TopSixteenBitsDecide) {
  for (uint64_t low : {0x0ull, 0x1ull, 0xFFFFFFFFFFFFull, 0x123456789ABCull}) {
    EXPECT_EQ(u().mis(from_bits(0xFFFF000000000000ull | low)), 1) << std::hex << low;
  }
  EXPECT_EQ(u().mis(from_bits(0x7FF8000000000000ull)), 0);  // positive quiet NaN
  EXPECT_EQ(u().mis(from_bits(0xFFFE000000000000ull)), 0);
  EXPECT_EQ(u().mis(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(u().mis(-std::numeric_limits<double>::infinity()), 0);
  for (double x : {0.0, -0.0, 1.0, -1.0, 1e308, -138061.0}) EXPECT_EQ(u().mis(x), 0) << x;
}

struct CompareCase {
  std::string a;
  std::string b;
  bool a_null;
  int expected;
};

TEST(Wzstcom, ShorterTextIsBlankPadded) {
  const std::vector<CompareCase> cases = {
      {"AB", "AB   ", false, 0},
      {"AB", "ABC", false, -3},
      {"ABD", "ABC", false, 3},
      {"", "   ", true, 0},
      {std::string("AB\0", 3), "AB", false, -3},  // NUL sorts below the blank
      {"AB", std::string("AB\0", 3), false, 3},
      {"AB", "AB\x01", false, 3},
      {"AB\x01", "AB", false, -3},
      {"AB!", "AB", false, 3},
      {"AB", "AB!", false, -3},
      {"a\x80", "a\x7F", false, 2},  // bytes compare unsigned
      {"a\x7F", "a\xFF", false, -2},
      {"", "", false, 0},
      {"x", "", false, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.a + " | " + c.b);
    const char *a = c.a_null ? nullptr : c.a.data();
    EXPECT_EQ(u().com(a, static_cast<int32_t>(c.a.size()), c.b.data(), static_cast<int32_t>(c.b.size())),
              c.expected);
  }
}

TEST(Wzstdel, FixedFieldKeepsItsWidth) {
  char field[] = "1,234 ";
  EXPECT_EQ(u().del(field, 6, ",$%) ", 5), 4);
  EXPECT_EQ(std::string(field, 6), "1234  ");
}

TEST(Wzstdel, TerminatedTextGetsItsNul) {
  char text[] = "a-b\0zz";
  EXPECT_EQ(u().del(text, -1, "-", 1), 2);
  EXPECT_EQ(std::string(text, 4), std::string("ab\0\0", 4));
  EXPECT_EQ(text[4], 'z');  // nothing written past the terminator

  char text2[] = "x,y,z";
  EXPECT_EQ(u().del(text2, -1, ",", -1), 3);
  EXPECT_STREQ(text2, "xyz");
}

TEST(Wzstdel, EmptyTextAndEmptySet) {
  char field[] = "abc";
  EXPECT_EQ(u().del(field, 0, "a", 1), 0);
  EXPECT_STREQ(field, "abc");
  EXPECT_EQ(u().del(field, 3, "a", 0), 3);
  EXPECT_STREQ(field, "abc");
  char all[] = "aaaa";
  EXPECT_EQ(u().del(all, 4, "a", 1), 0);
  EXPECT_STREQ(all, "    ");
}

TEST(Wzstjls, JustifiesWithinTheField) {
  struct Case {
    char letter;
    const char *field;
    int32_t start;
  };
  const Case cases[] = {
      {'R', "      ab", 6}, {'r', "      ab", 6}, {'C', "   ab   ", 3}, {'c', "   ab   ", 3},
      {'L', "ab      ", 0}, {'l', "ab      ", 0}, {'x', "  ab    ", 2},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.letter);
    char field[10] = "#  ab    ";
    int32_t length = -5, start = -5;
    u().jls(field + 1, 8, c.letter, &length, &start);
    EXPECT_EQ(std::string(field + 1, 8), c.field);
    EXPECT_EQ(field[0], '#');
    EXPECT_EQ(field[9], '\0');
    EXPECT_EQ(length, 2);
    EXPECT_EQ(start, c.start);
  }
}

TEST(Wzstjls, CentreOddBlankGoesAfter) {
  char field[] = "ab     ";  // width 7, content 2: two blanks before, three after
  int32_t start = -1;
  u().jls(field, 7, 'C', nullptr, &start);
  EXPECT_EQ(std::string(field, 7), "  ab   ");
  EXPECT_EQ(start, 2);
}

TEST(Wzstjls, AllBlankAndEmptyStoreZero) {
  char field[] = "    ";
  int32_t length = 9, start = 9;
  u().jls(field, 4, 'R', &length, &start);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(start, 0);
  length = start = 9;
  u().jls(field, 0, 'R', &length, &start);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(start, 0);
  u().jls(field, 4, 'R', nullptr, nullptr);  // null addresses are skipped
}

TEST(Wzstlen, CountsToTheNul) {
  EXPECT_EQ(u().len(nullptr), 0);
  EXPECT_EQ(u().len(""), 0);
  EXPECT_EQ(u().len("abc"), 3);
}

TEST(Wzstpos, FirstOccurrenceOfLowByte) {
  EXPECT_EQ(u().pos("a;b", 3, ';'), 1);
  EXPECT_EQ(u().pos("a;b", 3, 'x'), -1);
  EXPECT_EQ(u().pos("a;b", 0, 'a'), -1);
  EXPECT_EQ(u().pos("a;b", -4, 'a'), -1);
  EXPECT_EQ(u().pos(nullptr, 3, 'a'), -1);
  EXPECT_EQ(u().pos("a;b;", 4, 0x100 + ';'), 1);  // only the low 8 bits count
  EXPECT_EQ(u().pos("a\xE9", 2, 0xE9), 1);
}

TEST(Wzstrip, DocumentedCases) {
  const std::string blanks(40, ' ');
  EXPECT_EQ(u().strip(blanks.data(), 40), 0);
  const std::string abc = "abc" + std::string(37, ' ');
  EXPECT_EQ(u().strip(abc.data(), 40), 3);
  EXPECT_EQ(u().strip("abc", 3), 3);
  EXPECT_EQ(u().strip("a\0", 2), 2);
  EXPECT_EQ(u().strip("abc", 0), 0);
  EXPECT_EQ(u().strip("abc", -5), -5);
}

// Every length around the word boundaries, at every alignment, with the
// last non-blank at every position: the field sits at the end of an exact
// allocation so that a read past it is caught by the sanitizer build.
TEST(Wzstrip, EveryLengthAlignmentAndPosition) {
  for (int length : {1, 2, 7, 8, 9, 15, 16, 17, 23, 24, 25, 31, 32, 33, 64, 100}) {
    for (int shift = 0; shift < 8; ++shift) {
      for (int last = -1; last < length; ++last) {
        std::vector<char> storage(static_cast<size_t>(shift + length));
        char *field = storage.data() + shift;
        std::memset(field, ' ', static_cast<size_t>(length));
        if (last >= 0) field[last] = (last % 3 == 0) ? '\0' : 'x';
        if (last > 0) field[0] = (last % 2 == 0) ? ' ' : 'y';
        ASSERT_EQ(u().strip(field, length), last + 1)
            << "length " << length << " shift " << shift << " last " << last;
      }
    }
  }
}

TEST(Min, Signed) {
  EXPECT_EQ(u().smaller(-1, 0), -1);
  EXPECT_EQ(u().smaller(0, -1), -1);
  EXPECT_EQ(u().smaller(INT32_MIN, INT32_MAX), INT32_MIN);
  EXPECT_EQ(u().smaller(5, 5), 5);
}

}  // namespace
