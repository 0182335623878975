// The reference host's control block and its non-calendar services, called
// through the vector table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "nlhost/host.h"
#include "nlhost/testing.h"

namespace {

bool is_missing(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return (bits >> 48) == 0xFFFF;
}

class HostServices : public ::testing::Test {
 protected:
  template <class F>
  F service(int vector, int slot) {
    return reinterpret_cast<F>(watch_.service(vector, slot));
  }
  nlhost::Host host_;
  nlhost::ServiceWatch watch_{host_};
};

TEST_F(HostServices, ControlBlockFields) {
  const auto *block = reinterpret_cast<const uint8_t *>(host_.control_block());
  auto field = [&](size_t offset) {
    const void *p;
    std::memcpy(&p, block + offset, sizeof p);
    return p;
  };
  const auto *gcb = host_.control_block();
  EXPECT_EQ(field(8), host_.tssvec());
  EXPECT_EQ(gcb->locale_holder->current_locale, host_.locale());
  EXPECT_TRUE(std::isnan(gcb->missing_holder->missing));
  EXPECT_TRUE(is_missing(gcb->missing_holder->missing));
  EXPECT_NE(gcb->kernel_handle, 0u);
  for (int c = 0; c < 256; ++c) {
    SCOPED_TRACE(c);
    const bool lower = c >= 'a' && c <= 'z', digit = c >= '0' && c <= '9';
    EXPECT_EQ((gcb->char_class[c] & UWN_CLASS_LOWER) != 0, lower);
    EXPECT_EQ((gcb->char_class[c] & UWN_CLASS_DIGIT) != 0, digit);
    EXPECT_EQ(gcb->upper[c], lower ? c - 32 : c);
  }
  // Every service is in its slot, reachable through the table as a stub goes.
  const int slots[][2] = {{4, 84},   {4, 85},  {4, 35},   {4, 28},   {0, 305}, {0, 291}, {30, 4},
                          {30, 22},  {30, 27}, {30, 39},  {30, 101}, {155, 3}, {155, 8}, {155, 12},
                          {155, 15}, {155, 9}, {155, 21}, {155, 11}, {155, 18}};
  for (const auto &vs : slots) {
    SCOPED_TRACE(::testing::Message() << vs[0] << "/" << vs[1]);
    EXPECT_NE(gcb->vectors[vs[0]][vs[1]], nullptr);
    EXPECT_EQ(gcb->vectors[vs[0]][vs[1]], watch_.service(vs[0], vs[1]));
  }
}

TEST_F(HostServices, PoolAllocatesAndCanFail) {
  uwn_memory_pool *pool = host_.control_block()->pool;
  void *a = pool->allocate(pool, 48, UWN_POOL_FLAGS);
  ASSERT_NE(a, nullptr);
  std::memset(a, 0, 48);
  watch_.fail_allocations(true);
  EXPECT_EQ(pool->allocate(pool, 16, UWN_POOL_FLAGS), nullptr);
  watch_.fail_allocations(false);
  const auto allocations = host_.allocations();
  ASSERT_EQ(allocations.size(), 1u);
  EXPECT_EQ(allocations[0].size, 48u);
  EXPECT_EQ(allocations[0].flags, UWN_POOL_FLAGS);
  EXPECT_EQ(allocations[0].address, a);
}

TEST_F(HostServices, LocaleItemsAreEntriesInARun) {
  auto wzsxglc = service<int32_t (*)(void *, int32_t, const uwn_locale_entry **)>(4, 84);
  auto wzsxplc = service<int32_t (*)(void *, int32_t, const char *, int32_t)>(4, 85);
  const uwn_locale_entry *e = nullptr;
  ASSERT_EQ(wzsxglc(nullptr, UWN_ITEM_MONTH, &e), 0);
  EXPECT_EQ(std::string(e->text, static_cast<size_t>(e->length)), "January");
  EXPECT_EQ(std::string(e[11].text, static_cast<size_t>(e[11].length)), "December");
  ASSERT_EQ(wzsxglc(nullptr, UWN_ITEM_WEEKDAY_ABBR, &e), 0);
  EXPECT_EQ(std::string(e[6].text, static_cast<size_t>(e[6].length)), "Sat");
  ASSERT_EQ(wzsxglc(nullptr, UWN_ITEM_MONEY_LOCAL, &e), 0);
  ASSERT_NE(e->convention, nullptr);
  EXPECT_EQ(e->convention->decimal_separator, '.');
  EXPECT_STREQ(e->convention->currency, "$");
  for (int item : std::initializer_list<int>{
           UWN_ITEM_DATE_1, UWN_ITEM_DATE_2, UWN_ITEM_DATETIME_AP, UWN_ITEM_DATETIME_1, UWN_ITEM_DATETIME_2,
           UWN_ITEM_DATETIME_W1, UWN_ITEM_DATETIME_W2, UWN_ITEM_TIME_1, UWN_ITEM_TIME_2, UWN_ITEM_DATE_W1,
           UWN_ITEM_DATE_W2, UWN_ITEM_AM, UWN_ITEM_PM, UWN_ITEM_QUARTER + 3, UWN_ITEM_NUMBER,
           UWN_ITEM_PERCENT, UWN_ITEM_MONEY_INTL, 8, 22}) {
    SCOPED_TRACE(item);
    EXPECT_EQ(wzsxglc(nullptr, item, &e), 0);
  }

  // Missing items, a missing locale handle's fallback, an explicit handle.
  e = nullptr;
  EXPECT_NE(wzsxglc(nullptr, 11, &e), 0);
  EXPECT_NE(wzsxglc(nullptr, -1, &e), 0);
  EXPECT_NE(wzsxglc(nullptr, 100000, &e), 0);
  EXPECT_EQ(e, nullptr);
  nlhost::Locale other("xx");
  other.set_text(11, "other");
  EXPECT_EQ(wzsxglc(&other, 11, &e), 0);
  EXPECT_EQ(e, other.entry(11));

  // Storing: visible to the next fetch; over-long texts refused.
  ASSERT_EQ(wzsxplc(nullptr, 11, "A;B", 3), 0);
  ASSERT_EQ(wzsxglc(nullptr, 11, &e), 0);
  EXPECT_EQ(std::string(e->text, 3), "A;B");
  const std::string long_text(UWN_ENTRY_TEXT_MAX + 1, 'x');
  EXPECT_NE(wzsxplc(nullptr, 11, long_text.data(), static_cast<int32_t>(long_text.size())), 0);
  EXPECT_NE(wzsxplc(nullptr, -5, "x", 1), 0);
  host_.locale()->remove(UWN_ITEM_AM);
  EXPECT_NE(wzsxglc(nullptr, UWN_ITEM_AM, &e), 0);
}

struct Descriptor {
  explicit Descriptor(std::string_view text) : bytes(text) {
    d.capacity = d.length = static_cast<int16_t>(bytes.size());
    d.text = bytes.data();
  }
  std::string bytes;
  uwn_text_descriptor d{};
};

TEST_F(HostServices, CharacterLengthsAreUtf8) {
  auto wzsxoff = service<int32_t (*)(uwn_text_descriptor *, int32_t)>(4, 35);
  // "a", "é" (2), "€" (3), "𝄞" (4), an invalid byte, a truncated lead at the end.
  Descriptor t("a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E\xFF%\xE2");
  struct Row {
    int32_t offset, length;
  };
  const Row rows[] = {{0, 1},  {1, 2}, {3, 3}, {6, 4},  {10, 1}, {11, 1},
                      {12, 1}, {2, 2}, {8, 4}, {13, 1}, {-1, 1}};
  for (const Row &r : rows) {
    SCOPED_TRACE(r.offset);
    EXPECT_EQ(wzsxoff(&t.d, r.offset), r.length);
    EXPECT_EQ(t.d.last_offset, r.offset);
    EXPECT_EQ(t.d.last_length, r.length);
  }
  // Overlong forms and surrogates are no characters: every byte stands alone.
  for (const char *bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
    Descriptor b(bad);
    EXPECT_EQ(wzsxoff(&b.d, 0), 1) << bad;
  }
}

TEST_F(HostServices, DeclaredLeadBytesHideAPercentSign) {
  auto wzsxoff = service<int32_t (*)(uwn_text_descriptor *, int32_t)>(4, 35);
  Descriptor t("%d\x81%%m");
  EXPECT_EQ(wzsxoff(&t.d, 0), 1);
  EXPECT_EQ(wzsxoff(&t.d, 3), 1);  // UTF-8: the 0x81 is a byte of its own
  host_.set_multibyte_lead(0x81, 2);
  EXPECT_EQ(wzsxoff(&t.d, 0), 1);
  EXPECT_EQ(wzsxoff(&t.d, 3), 2);  // the "%" belongs to the 0x81 character
  EXPECT_EQ(wzsxoff(&t.d, 2), 2);
  EXPECT_EQ(wzsxoff(&t.d, 4), 1);
  host_.set_multibyte_lead(0x81, 0);
  EXPECT_EQ(wzsxoff(&t.d, 0), 1);
  EXPECT_EQ(wzsxoff(&t.d, 3), 1);
}

TEST_F(HostServices, MovesWholeCharactersOnly) {
  auto wzsxmov = service<int32_t (*)(uwn_text_descriptor *, int32_t, uwn_text_descriptor *)>(4, 28);
  const std::string source =
      "ab\xE2\x82\xAC"
      "c";  // a, b, €, c: 6 bytes
  struct Row {
    int16_t capacity;
    std::string expected;
  };
  const Row rows[] = {{0, ""},     {2, "ab"},  {3, "ab"}, {4, "ab"}, {5, "ab\xE2\x82\xAC"},
                      {6, source}, {9, source}};
  for (const Row &r : rows) {
    SCOPED_TRACE(r.capacity);
    Descriptor s(source);
    char out[16];
    std::memset(out, '#', sizeof out);
    uwn_text_descriptor d{};
    d.capacity = d.length = r.capacity;
    d.text = out;
    wzsxmov(&s.d, -1, &d);
    EXPECT_EQ(d.length, static_cast<int16_t>(r.expected.size()));
    EXPECT_EQ(std::string(out, r.expected.size()), r.expected);
    EXPECT_EQ(out[r.expected.size()], '#');
  }
}

TEST_F(HostServices, FormatsAnIntegerWithinRoom) {
  auto xpslstr = service<int32_t (*)(void *, char *, int32_t, const char *, int32_t, ...)>(30, 101);
  struct Row {
    int value;
    int32_t room;
    std::string expected;
  };
  const Row rows[] = {{123, 10, "123"}, {-45, 10, "-45"}, {123456, 3, "123"}, {7, 0, ""}, {0, 1, "0"}};
  for (const Row &r : rows) {
    SCOPED_TRACE(r.value);
    char out[16];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(xpslstr(nullptr, out, r.room, "%i", 2, r.value), static_cast<int32_t>(r.expected.size()));
    EXPECT_EQ(std::string(out, r.expected.size()), r.expected);
    EXPECT_EQ(out[r.expected.size()], '#');
  }
}

TEST_F(HostServices, OptionsAndExit) {
  auto xoptbgt = service<int32_t (*)(const char *, void *)>(30, 39);
  auto xexit = service<void (*)(int32_t, int32_t)>(30, 4);
  uint64_t slot = 7;
  EXPECT_EQ(xoptbgt("GSTYLE", &slot), 0);
  host_.set_option("GSTYLE", true);
  EXPECT_NE(xoptbgt("GSTYLE", &slot), 0);
  EXPECT_EQ(xoptbgt("OTHER", &slot), 0);

  int32_t seen_code = 0, seen_detail = -1;
  host_.set_exit_handler([&](int32_t code, int32_t detail) {
    seen_code = code;
    seen_detail = detail;
  });
  xexit(UWN_EXIT_NO_MEMORY, 0);
  EXPECT_EQ(seen_code, UWN_EXIT_NO_MEMORY);
  EXPECT_EQ(seen_detail, 0);
}

// wzifmn reads w characters as a number, d implied decimals without a point.
TEST_F(HostServices, StandardNumericInformat) {
  auto wzifmn = service<int32_t (*)(uwn_informat_block *)>(0, 305);
  const double kNotRead = -999.5;
  const double kMissing = nlhost::standard_missing();
  struct Row {
    const char *text;
    int32_t width, decimals;
    double value;  // kNotRead: nonzero status, result untouched
  };
  const Row rows[] = {
      {"123", 3, 0, 123},
      {"  123  ", 7, 0, 123},
      {"-1.5", 4, 0, -1.5},
      {"+2.25", 5, 0, 2.25},
      {"12345", 5, 2, 123.45},
      {"1.5", 3, 2, 1.5},
      {"12345", 3, 0, 123},
      {"1e3", 3, 0, 1000},
      {"1.5E-2", 6, 0, 0.015},
      {"15e1", 4, 1, 15},
      {"0.1", 3, 0, 0.1},
      {".5", 2, 0, 0.5},
      {"5.", 2, 0, 5},
      {"   ", 3, 0, kMissing},
      {"", 0, 0, kMissing},
      {"-0", 2, 0, -0.0},
      {"0.3", 3, 0, 0.3},
      {"9007199254740993", 16, 0, 9007199254740992.0},
      {"12-", 3, 0, kNotRead},
      {"1-2", 3, 0, kNotRead},
      {"--1", 3, 0, kNotRead},
      {"1.2.3", 5, 0, kNotRead},
      {"1 2", 3, 0, kNotRead},
      {"abc", 3, 0, kNotRead},
      {"-", 1, 0, kNotRead},
      {".", 1, 0, kNotRead},
      {"1e", 2, 0, kNotRead},
      {"1e+", 3, 0, kNotRead},
      {"1e999", 5, 0, kNotRead},
      {"(5)", 3, 0, kNotRead},
      {"1,000", 5, 0, kNotRead},
      {"- 1", 3, 0, kNotRead},
      // Past 15 digits or 1e22 the digits and the point go to the correctly rounding slow path.
      {"12345678901234567.5", 19, 0, 12345678901234567.5},
      {"-0.00000000000000000000000125", 29, 0, -1.25e-24},
      {"1.5e-30", 7, 0, 1.5e-30},
      {"1234567890123456789", 19, 3, 1234567890123456.789},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(::testing::Message() << '"' << r.text << "\" " << r.width << "." << r.decimals);
    double result = kNotRead;
    uwn_informat_block block{};
    block.width = r.width;
    block.decimals = r.decimals;
    block.text = r.text;
    block.text_length = static_cast<int32_t>(std::strlen(r.text));
    block.result = &result;
    const int32_t status = wzifmn(&block);
    if (r.value == kNotRead) {
      EXPECT_NE(status, 0);
      EXPECT_EQ(result, kNotRead);
    } else if (is_missing(r.value)) {
      EXPECT_EQ(status, 0);
      EXPECT_TRUE(is_missing(result));
    } else {
      EXPECT_EQ(status, 0);
      EXPECT_EQ(result, r.value);
      EXPECT_EQ(std::signbit(result), std::signbit(r.value));
    }
  }
  // Never past the text length, whatever the width.
  const char field[] = {'4', '2', '-'};
  double result = 0;
  uwn_informat_block block{};
  block.width = 3;
  block.text = field;
  block.text_length = 2;
  block.result = &result;
  EXPECT_EQ(wzifmn(&block), 0);
  EXPECT_EQ(result, 42);
}

TEST_F(HostServices, InformatLookupIgnoresCase) {
  auto xfrname = service<int32_t (*)(void *, const char *, int32_t, int32_t, int32_t, void **)>(30, 27);
  auto xfxbpn = service<int32_t (*)(uwn_informat_block *, void *)>(30, 22);
  host_.register_informat("MyDate", [](uwn_informat_block *b) {
    *b->result = b->width;
    return 0;
  });
  for (const char *name : {"MYDATE", "mydate", "MyDate", "mYdAtE  "}) {
    SCOPED_TRACE(name);
    void *handle = nullptr;
    ASSERT_EQ(xfrname(nullptr, name, static_cast<int32_t>(std::strlen(name)), 'I', 0, &handle), 0);
    double result = 0;
    uwn_informat_block block{};
    block.width = 17;
    block.result = &result;
    EXPECT_EQ(xfxbpn(&block, handle), 0);
    EXPECT_EQ(result, 17);
  }
  void *handle = nullptr;
  EXPECT_NE(xfrname(nullptr, "MYDAT", 5, 'I', 0, &handle), 0);
  EXPECT_NE(xfrname(nullptr, "MYDATEX", 7, 'I', 0, &handle), 0);
  EXPECT_NE(xfrname(nullptr, "MYDATE", 6, 'F', 0, &handle), 0);  // a format, not an informat
  EXPECT_NE(xfrname(nullptr, "MYDATEXX", 7, 'I', 0, &handle), 0) << "length is honoured";
  EXPECT_EQ(handle, nullptr);
}

TEST_F(HostServices, RecordsCallsFromSeveralThreads) {
  watch_.record_calls(true);  // first: it puts the watched services in the table
  auto wzsxglc = service<int32_t (*)(void *, int32_t, const uwn_locale_entry **)>(4, 84);
  auto zmdy = service<double (*)(double, double, double)>(155, 11);
  constexpr int kThreads = 4, kCalls = 500;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kCalls; ++i) {
        const uwn_locale_entry *e = nullptr;
        if (wzsxglc(nullptr, UWN_ITEM_MONTH + i % 12, &e) != 0 || e == nullptr) ++failures[t];
        if (zmdy(12, 7, 2026) != 24447) ++failures[t];
      }
    });
  for (auto &thread : threads) thread.join();
  for (int f : failures) EXPECT_EQ(f, 0);
  const auto calls = watch_.calls();
  EXPECT_EQ(calls.size(), 2u * kThreads * kCalls);
  size_t fetches = 0;
  for (const auto &c : calls)
    if (c.service == "wzsxglc") {
      ++fetches;
      EXPECT_GE(c.number, UWN_ITEM_MONTH);
      EXPECT_LT(c.number, UWN_ITEM_MONTH + 12);
    }
  EXPECT_EQ(fetches, size_t{kThreads} * kCalls);
  watch_.clear_calls();
  watch_.record_calls(false);
  zmdy(1, 1, 2000);  // the watched copy, called directly, records nothing now
  EXPECT_TRUE(watch_.calls().empty());
}

TEST_F(HostServices, FailsTheNthCallOnDemand) {
  watch_.fail_call("wzsxglc", 2);  // first: it puts the watched services in the table
  auto wzsxglc = service<int32_t (*)(void *, int32_t, const uwn_locale_entry **)>(4, 84);
  auto zmdy = service<double (*)(double, double, double)>(155, 11);
  const uwn_locale_entry *e = nullptr;
  EXPECT_EQ(wzsxglc(nullptr, UWN_ITEM_AM, &e), 0);
  EXPECT_NE(wzsxglc(nullptr, UWN_ITEM_AM, &e), 0);
  EXPECT_EQ(wzsxglc(nullptr, UWN_ITEM_AM, &e), 0);  // once only
  watch_.fail_call("zmdy", 1);
  EXPECT_TRUE(is_missing(zmdy(1, 1, 2000)));
  EXPECT_EQ(zmdy(1, 1, 2000), 14610);
  watch_.fail_call("pool", 1);
  uwn_memory_pool *pool = host_.control_block()->pool;
  EXPECT_EQ(pool->allocate(pool, 16, UWN_POOL_FLAGS), nullptr);
  EXPECT_NE(pool->allocate(pool, 16, UWN_POOL_FLAGS), nullptr);
}

// The watched copies are in the table only while the watch has something to
// do, and a routine a test put in a slot stays there throughout.
TEST_F(HostServices, WatchedServicesStandInOnlyWhileWatching) {
  uwn_memory_pool *pool = host_.control_block()->pool;
  void *const zmdy = watch_.service(155, 11);
  const uwn_pool_allocate_fn allocate = pool->allocate;
  void *const spy = reinterpret_cast<void *>(+[](double) { return 1.0; });
  watch_.set_service(155, 18, spy);
  watch_.record_calls(true);
  EXPECT_NE(watch_.service(155, 11), zmdy);
  EXPECT_NE(pool->allocate, allocate);
  EXPECT_EQ(watch_.service(155, 18), spy);
  watch_.record_calls(false);
  EXPECT_EQ(watch_.service(155, 11), zmdy);
  EXPECT_EQ(pool->allocate, allocate);
  watch_.fail_allocations(true);
  EXPECT_NE(watch_.service(155, 11), zmdy);
  watch_.fail_allocations(false);
  watch_.fail_call("zmdy", 1);
  EXPECT_NE(watch_.service(155, 11), zmdy);
  watch_.fail_call("zmdy", 0);
  EXPECT_EQ(watch_.service(155, 11), zmdy);
  EXPECT_EQ(watch_.service(155, 18), spy);
}

TEST(HostCurrent, FollowsTheLiveHost) {
  auto first = std::make_unique<nlhost::Host>();
  EXPECT_EQ(nlhost::Host::current(), first.get());
  {
    nlhost::Host second;
    EXPECT_EQ(nlhost::Host::current(), &second);
    first->make_current();
    EXPECT_EQ(nlhost::Host::current(), first.get());
  }
  EXPECT_EQ(nlhost::Host::current(), first.get());
  first.reset();
  EXPECT_EQ(nlhost::Host::current(), nullptr);
}

}  // namespace
