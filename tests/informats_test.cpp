// The five NL date informats through the loaded module, seen through the
// host's record of service calls: pattern items, the retry, the fallback.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "date_values.h"
#include "host_fixture.h"
#include "parse_locale.h"

namespace {

using nldat_test::date_of;
using nldat_test::datetime_of;

struct Informat {
  const char *name;
  int32_t first_item;
  int32_t second_item;
  const char *fallback;
};

constexpr Informat kInformats[] = {
    {"NLDATE", UWN_ITEM_DATE_1, UWN_ITEM_DATE_2, "DATE"},
    {"NLDATM", UWN_ITEM_DATETIME_1, UWN_ITEM_DATETIME_2, "DATETIME"},
    {"NLDATEW", UWN_ITEM_DATE_W1, UWN_ITEM_DATE_W2, "WEEKDATE"},
    {"NLDATMW", UWN_ITEM_DATETIME_W1, UWN_ITEM_DATETIME_W2, "TWNDY"},
    {"NLDATMAP", UWN_ITEM_DATETIME_AP, UWN_ITEM_DATETIME_2, "DATEAMPM"},
};

constexpr double kUntouched = -12345;

bool is_pattern_item(int64_t item) {
  return item >= UWN_ITEM_DATE_1 && item <= UWN_ITEM_DATE_W2 && item != UWN_ITEM_TIME_1 &&
         item != UWN_ITEM_TIME_2;
}

class NlInformats : public nldat_test::ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    host().set_locale(locale_);
  }

  struct Outcome {
    int32_t result;
    double value;
    int32_t reported_length;
    std::vector<int64_t> pattern_items;  // locale items fetched as patterns, in order
    std::vector<std::string> services;   // every service called, in order
    std::vector<nlhost::ServiceCall> calls;
  };

  Outcome read(const char *informat, const std::string &text, int32_t width, int32_t text_length = -1) {
    uwn_informat_fn routine = module().informat(informat);
    EXPECT_NE(routine, nullptr) << informat;
    Outcome o{0, kUntouched, -1, {}, {}, {}};
    uwn_informat_block block{};
    block.width = width;
    block.text = text.data();
    block.text_length = text_length < 0 ? static_cast<int32_t>(text.size()) : text_length;
    block.result = &o.value;
    block.reported_length = -1;
    watch().clear_calls();
    watch().record_calls(true);
    o.result = routine(&block);
    watch().record_calls(false);
    o.reported_length = block.reported_length;
    o.calls = watch().calls();
    for (const auto &call : o.calls) {
      o.services.push_back(call.service);
      if (call.service == "wzsxglc" && is_pattern_item(call.number)) o.pattern_items.push_back(call.number);
    }
    return o;
  }

  static int count(const Outcome &o, const std::string &service) {
    int n = 0;
    for (const auto &s : o.services) n += s == service;
    return n;
  }

  std::shared_ptr<nlhost::Locale> locale_ = nldat_test::parser_locale();
};

TEST_F(NlInformats, FirstPatternThatFitsEndsTheCall) {
  const struct {
    const char *informat;
    std::string text;
    double value;
  } rows[] = {
      {"NLDATE", "07.12.2026", date_of(2026, 12, 7)},
      {"NLDATM", "07.12.2026 14:30:15", datetime_of(2026, 12, 7, 14, 30, 15)},
      {"NLDATEW", "Monday, 07 December 2026", date_of(2026, 12, 7)},
      {"NLDATMW", "Monday, 07 December 2026 14:30:15", datetime_of(2026, 12, 7, 14, 30, 15)},
      {"NLDATMAP", "07.12.2026 02:30 PM", datetime_of(2026, 12, 7, 14, 30, 0)},
  };
  for (size_t k = 0; k < std::size(rows); ++k) {
    SCOPED_TRACE(rows[k].informat);
    const Outcome o = read(rows[k].informat, rows[k].text, 40);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.value, rows[k].value);
    EXPECT_EQ(o.reported_length, 40);
    EXPECT_EQ(o.pattern_items, std::vector<int64_t>{kInformats[k].first_item});
    EXPECT_EQ(count(o, "xfrname"), 0);
  }
}

TEST_F(NlInformats, SecondPatternAfterNoValue) {
  const struct {
    const char *informat;
    std::string text;
    double value;
  } rows[] = {
      {"NLDATE", "07.12.26", date_of(2026, 12, 7)},
      {"NLDATM", "07.12.2026 14:30 ", datetime_of(2026, 12, 7, 14, 30, 0)},
      {"NLDATEW", "Mon 07 Dec 2026", date_of(2026, 12, 7)},
      {"NLDATMW", "Mon 07 Dec 2026 14:30", datetime_of(2026, 12, 7, 14, 30, 0)},
      // NLDATMAP's second pattern is item 32, the second of NLDATM.
      {"NLDATMAP", "07.12.2026 14:30", datetime_of(2026, 12, 7, 14, 30, 0)},
  };
  // Item 30 becomes a pattern that "07.12.2026 14:30" does not fit.
  locale_->set_text(UWN_ITEM_DATETIME_AP, "%d/%m/%Y %I:%M %p");
  for (size_t k = 0; k < std::size(rows); ++k) {
    SCOPED_TRACE(rows[k].informat);
    const Outcome o = read(rows[k].informat, rows[k].text, 40);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.value, rows[k].value);
    EXPECT_EQ(o.pattern_items, (std::vector<int64_t>{kInformats[k].first_item, kInformats[k].second_item}));
    EXPECT_EQ(count(o, "xfrname"), 0);
  }
}

TEST_F(NlInformats, FallbackByNameWhenNeitherPatternFits) {
  for (const Informat &nl : kInformats) {
    SCOPED_TRACE(nl.name);
    const Outcome o = read(nl.name, "not a date at all", 25);
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.value, kUntouched);
    EXPECT_EQ(o.reported_length, 25);
    EXPECT_EQ(o.pattern_items, (std::vector<int64_t>{nl.first_item, nl.second_item}));
    // xfrname with the fallback's name and the informat kind, then xfxbpn on the block.
    std::vector<std::string> lookups;
    for (const auto &call : o.calls) {
      if (call.service == "xfrname") {
        EXPECT_EQ(call.number, 'I');
        lookups.push_back(call.text);
      }
    }
    EXPECT_EQ(lookups, std::vector<std::string>{nl.fallback});
    EXPECT_EQ(count(o, "xfxbpn"), 1);
  }
  // The host's informat reads what the patterns do not.
  const Outcome date = read("NLDATE", "07DEC2026", 10);
  EXPECT_EQ(date.result, 0);
  EXPECT_EQ(date.value, date_of(2026, 12, 7));
  const Outcome ampm = read("NLDATMAP", "07DEC2026:02:30 PM", 20);
  EXPECT_EQ(ampm.result, 0);
  EXPECT_EQ(ampm.value, datetime_of(2026, 12, 7, 14, 30, 0));
}

TEST_F(NlInformats, UnavailableFirstItemGoesStraightToTheFallback) {
  for (const Informat &nl : kInformats) {
    SCOPED_TRACE(nl.name);
    locale_->remove(nl.first_item);
    const Outcome o = read(nl.name, "07.12.2026 14:30", 20);
    EXPECT_EQ(o.pattern_items, std::vector<int64_t>{nl.first_item});
    // Nothing parsed: no character query, no time pattern, no calendar.
    EXPECT_EQ(count(o, "wzsxoff"), 0);
    EXPECT_EQ(count(o, "zmdy"), 0);
    EXPECT_EQ(count(o, "wzsxglc"), 1);
    EXPECT_EQ(count(o, "xfrname"), 1);
    locale_->set_text(nl.first_item, "%d.%m.%Y");
  }
}

TEST_F(NlInformats, UnavailableSecondItemGoesToTheFallback) {
  locale_->remove(UWN_ITEM_DATE_2);
  const Outcome o = read("NLDATE", "07.12.26", 10);
  EXPECT_EQ(o.pattern_items, (std::vector<int64_t>{UWN_ITEM_DATE_1, UWN_ITEM_DATE_2}));
  EXPECT_EQ(count(o, "xfrname"), 1);
  EXPECT_EQ(o.result, 1);  // DATE does not read "07.12.26"
}

int32_t no_informat(void *, const char *, int32_t, int32_t, int32_t, void **) { return 1; }

TEST_F(NlInformats, UnknownFallbackIsNeverRun) {
  watch().set_service(UWN_VECTOR_KERNEL, 27, reinterpret_cast<void *>(&no_informat));
  for (const Informat &nl : kInformats) {
    SCOPED_TRACE(nl.name);
    const Outcome o = read(nl.name, "07DEC2026:14:30", 20);
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.value, kUntouched);
    EXPECT_EQ(count(o, "xfxbpn"), 0);
  }
}

TEST_F(NlInformats, EmptyFieldReadsNothing) {
  for (const Informat &nl : kInformats) {
    SCOPED_TRACE(nl.name);
    const Outcome o = read(nl.name, "07.12.2026", 17, 0);
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.value, kUntouched);
    EXPECT_EQ(o.reported_length, 17);
    EXPECT_TRUE(o.services.empty());
  }
}

TEST_F(NlInformats, TextLengthNotWidthBoundsTheParse) {
  // Width 10, thirteen characters: the datetime needs all of them.
  locale_->set_text(UWN_ITEM_DATETIME_1, "%d.%m.%Y %H");
  Outcome o = read("NLDATM", "07.12.2026 14", 10);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.value, datetime_of(2026, 12, 7, 14, 0, 0));
  EXPECT_EQ(o.reported_length, 10);
  // Width 19, text length 10: the time beyond the text length is not seen.
  o = read("NLDATM", "07.12.2026 14:30:15", 19, 10);
  EXPECT_EQ(o.result, 1);
  EXPECT_EQ(o.reported_length, 19);
  o = read("NLDATE", "07.12.2026 14:30:15", 19, 10);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.value, date_of(2026, 12, 7));
}

TEST_F(NlInformats, PatternStopsAtItsEntryWhateverLengthTheHostReports) {
  // A host that reports a pattern longer than its entry: the pattern is read
  // up to the entry's end (the NUL bytes after "%d.%m.%Y" are never reached,
  // since the text ends first), not 100000 bytes on into other entries.
  locale_->set_text(UWN_ITEM_DATE_1, "%d.%m.%Y");
  const_cast<uwn_locale_entry *>(locale_->entry(UWN_ITEM_DATE_1))->length = 100000;
  Outcome o = read("NLDATE", "07.12.2026", 10);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.value, date_of(2026, 12, 7));
  EXPECT_EQ(count(o, "xfrname"), 0);
}

}  // namespace
