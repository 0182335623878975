// The image frame: the image entry, the records the host reads, and informat
// registration from the host memory pool.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bare_control_block.h"
#include "loaded_module.h"

namespace {

using nldat_test::BareControlBlock;
using nldat_test::exported;

struct ExitCall {
  int32_t code;
  int32_t detail;
};
std::vector<ExitCall> exits;
void record_exit(int32_t code, int32_t detail) { exits.push_back({code, detail}); }

class Image : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_anchor_ = *anchor();
    block_.slots[30][4] = reinterpret_cast<void *>(&record_exit);
    exits.clear();
  }
  void TearDown() override { *anchor() = saved_anchor_; }

  static uint64_t *anchor() { return exported<uint64_t *>("v_global_gcb_anchor"); }
  const uwn_image_information *enter() {
    return exported<decltype(&mcn_main)>("mcn_main")(&block_.gcb, &pidb_);
  }
  static std::string bytes(const void *p, size_t n) { return std::string(static_cast<const char *>(p), n); }

  BareControlBlock block_;
  int pidb_ = 0;
  uint64_t saved_anchor_ = 0;
};

TEST_F(Image, EntryStoresItsGlobalsAndReturnsTheRecord) {
  const uwn_image_information *image = enter();
  EXPECT_EQ(image, exported<const uwn_image_information *>("vi_mcn"));
  EXPECT_EQ(*anchor(), reinterpret_cast<uint64_t>(&block_.gcb));
  EXPECT_EQ(*exported<uint64_t *>("v_global_pidb_anchor"), reinterpret_cast<uint64_t>(&pidb_));
  EXPECT_EQ(*exported<uint64_t *>("Exported_TKHandle"), 0x0123456789ABCDEFull);

  // A second entry overwrites the three globals and returns the same record.
  BareControlBlock other;
  other.gcb.kernel_handle = 77;
  EXPECT_EQ(exported<decltype(&mcn_main)>("mcn_main")(&other.gcb, nullptr), image);
  EXPECT_EQ(*anchor(), reinterpret_cast<uint64_t>(&other.gcb));
  EXPECT_EQ(*exported<uint64_t *>("v_global_pidb_anchor"), 0u);
  EXPECT_EQ(*exported<uint64_t *>("Exported_TKHandle"), 77u);
}

TEST_F(Image, HookChangesNothing) {
  enter();
  const uint64_t before[3] = {*anchor(), *exported<uint64_t *>("v_global_pidb_anchor"),
                              *exported<uint64_t *>("Exported_TKHandle")};
  const std::string record = bytes(exported<void *>("vi_mcn"), sizeof(uwn_image_information));
  exported<decltype(&himodcn)>("himodcn")();
  EXPECT_EQ(before[0], *anchor());
  EXPECT_EQ(before[1], *exported<uint64_t *>("v_global_pidb_anchor"));
  EXPECT_EQ(before[2], *exported<uint64_t *>("Exported_TKHandle"));
  EXPECT_EQ(record, bytes(exported<void *>("vi_mcn"), sizeof(uwn_image_information)));
}

TEST_F(Image, InformationRecordByteForByte) {
  const auto *r = static_cast<const unsigned char *>(exported<void *>("vi_mcn"));
  EXPECT_EQ(bytes(r, 24), std::string("TOV_Image_Information=\0\0", 24));
  EXPECT_EQ(bytes(r + 24, 4), "\xED\xEB\xBD\xB0");
  EXPECT_EQ(bytes(r + 28, 4), std::string(4, '\0'));
  EXPECT_EQ(bytes(r + 32, 8), std::string("\x08\0\0\0\0\0\0\0", 8));

  const std::string release = bytes(r + 40, 6);
  EXPECT_TRUE(isdigit(release[0]) && release[1] == '.' && isdigit(release[2]) && isdigit(release[3]));
  EXPECT_EQ(release.substr(4), std::string(2, '\0'));

  const std::string build = bytes(r + 46, 20);
  for (int i = 0; i < 16; ++i) {
    const char c = build[i];
    EXPECT_TRUE(isdigit(c) || c == '.' || (c >= 'A' && c <= 'Z')) << "build id byte " << i;
  }
  EXPECT_EQ(build.substr(16), std::string(4, '\0'));

  // Mmm dd yyyy, single blanks, then a NUL.
  const std::string date = bytes(r + 66, 12);
  static const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
  EXPECT_NE(months.find(date.substr(0, 3)), std::string::npos);
  EXPECT_EQ(months.find(date.substr(0, 3)) % 3, 0u);
  EXPECT_EQ(date[3], ' ');
  EXPECT_TRUE(isdigit(date[4]) && isdigit(date[5]));
  EXPECT_EQ(date[6], ' ');
  for (int i = 7; i < 11; ++i) EXPECT_TRUE(isdigit(date[i]));
  EXPECT_EQ(date[11], '\0');

  EXPECT_EQ(bytes(r + 78, 18), std::string(18, '\0'));
  const void *list;
  std::memcpy(&list, r + 96, 8);
  EXPECT_EQ(list, exported<void *>("mcn_pcns"));
  const char *notice;
  std::memcpy(&notice, r + 104, 8);
  ASSERT_NE(notice, nullptr);
  EXPECT_GT(std::strlen(notice), 0u);
  EXPECT_EQ(bytes(r + 112, 8), std::string("001\0\0\0\0\0", 8));
}

TEST_F(Image, EntryListLeadsToTheFamilyEntry) {
  const auto *list = exported<const uwn_entry_descriptor *const *>("mcn_pcns");
  EXPECT_EQ(list[0], exported<const uwn_entry_descriptor *>("pcn_UWINLDAT"));
  EXPECT_EQ(list[1], nullptr);

  const auto *d = reinterpret_cast<const unsigned char *>(list[0]);
  EXPECT_EQ(bytes(d, 8), std::string("\0\0\xFF\xFF\xFF\xFF\xFF\xFF", 8));
  const uint64_t expected[] = {0x400, 0x400};
  EXPECT_EQ(std::memcmp(d + 8, expected, 16), 0);
  EXPECT_EQ(bytes(d + 24, 16), std::string("uwinldat\0\0\0\0\0\0\0\0", 16));
  void *routine;
  std::memcpy(&routine, d + 40, 8);
  EXPECT_EQ(routine, exported<void *>("uwinldat"));
  const uint64_t tail[] = {1, 9683, 0x2001B585, 15};
  EXPECT_EQ(std::memcmp(d + 48, tail, 32), 0);
}

TEST_F(Image, DescribeGivesTheItemTable) {
  enter();
  auto entry = exported<decltype(&uwinldat)>("uwinldat");
  const auto *first = static_cast<const uwn_family_description *>(entry(UWN_REQUEST_DESCRIBE));
  const auto *second = static_cast<const uwn_family_description *>(entry(UWN_REQUEST_DESCRIBE));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);  // a fresh block each time
  EXPECT_EQ(first->count, 5);
  EXPECT_EQ(first->items, second->items);
  EXPECT_EQ(first->items, exported<const uwn_informat_item *>("fmtitems"));
  ASSERT_EQ(block_.requests.size(), 2u);
  EXPECT_EQ(block_.requests[0].size, 16u);
  EXPECT_EQ(block_.requests[0].flags, UWN_POOL_FLAGS);

  struct Row {
    const char *name;
    uint16_t min, max, def;
  };
  const Row rows[] = {{"@NLDATE", 10, 200, 10},
                      {"@NLDATM", 19, 200, 19},
                      {"@NLDATEW", 16, 200, 20},
                      {"@NLDATMW", 34, 200, 40},
                      {"@NLDATMAP", 17, 200, 32}};
  const auto *table = reinterpret_cast<const unsigned char *>(first->items);
  for (int k = 0; k < 5; ++k) {
    SCOPED_TRACE(rows[k].name);
    const unsigned char *row = table + 54 * k;
    std::string name(38, '\0');
    std::memcpy(name.data(), rows[k].name, std::strlen(rows[k].name));
    EXPECT_EQ(bytes(row, 38), name);
    const uint16_t widths[] = {rows[k].min, rows[k].max, rows[k].def};
    EXPECT_EQ(std::memcmp(row + 38, widths, 6), 0);
    EXPECT_EQ(bytes(row + 44, 10), std::string(10, '\0'));
  }
}

TEST_F(Image, BindGivesTheFiveRoutines) {
  enter();
  auto *slots = static_cast<void *const *>(exported<decltype(&uwinldat)>("uwinldat")(UWN_REQUEST_BIND));
  ASSERT_NE(slots, nullptr);
  ASSERT_EQ(block_.requests.size(), 1u);
  EXPECT_EQ(block_.requests[0].size, 48u);
  EXPECT_EQ(block_.requests[0].flags, UWN_POOL_FLAGS);
  uint64_t slot0;
  std::memcpy(&slot0, &slots[0], 8);
  EXPECT_EQ(slot0, 0xA5A5A5A5A5A5A5A5ull);  // left as the pool delivered it
  const char *names[] = {"nldate", "nldatm", "nldatew", "nldatmw", "nldatmap"};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(slots[k + 1], exported<void *>(names[k])) << names[k];
}

TEST_F(Image, OtherRequestsAllocateNothing) {
  enter();
  auto entry = exported<decltype(&uwinldat)>("uwinldat");
  auto builder = exported<decltype(&xfmfent)>("xfmfent");
  for (int32_t request : {0, 3, -1, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(entry(request), nullptr) << request;
    EXPECT_EQ(builder(request, 5, nullptr, nullptr), nullptr) << request;
  }
  EXPECT_TRUE(block_.requests.empty());
}

TEST_F(Image, BuilderCountsBelowOneCopyNothing) {
  enter();
  auto builder = exported<decltype(&xfmfent)>("xfmfent");
  for (int32_t count : {0, -1, INT32_MIN}) {
    block_.requests.clear();
    EXPECT_NE(builder(UWN_REQUEST_BIND, count, nullptr, nullptr), nullptr) << count;
    ASSERT_EQ(block_.requests.size(), 1u);
    EXPECT_EQ(block_.requests[0].size, 8u) << count;  // slot 0 only, never a wrapped size
  }
  auto *d = static_cast<uwn_family_description *>(builder(UWN_REQUEST_DESCRIBE, -3, nullptr, nullptr));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->count, -3);
}

TEST_F(Image, NoMemoryIsAFatalExit) {
  enter();
  block_.pool_fails = true;
  auto entry = exported<decltype(&uwinldat)>("uwinldat");
  for (int32_t request : {UWN_REQUEST_DESCRIBE, UWN_REQUEST_BIND}) {
    exits.clear();
    EXPECT_EQ(entry(request), nullptr);  // the exit returned here: nothing written
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].code, UWN_EXIT_NO_MEMORY);
    EXPECT_EQ(exits[0].detail, 0);
  }
}

}  // namespace
