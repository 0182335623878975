// Module::open: the real module as a host loads it, and the errors for
// images that are missing or broken.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "host_fixture.h"
#include "nlhost/host.h"

namespace {

TEST(Loader, OpensTheModuleAndBindsFiveInformats) {
  nlhost::Host host;
  std::string error;
  auto module = nlhost::Module::open(host, NLDAT_MODULE_PATH, &error);
  ASSERT_NE(module, nullptr) << error;
  EXPECT_EQ(std::memcmp(module->image()->eye_catcher, "TOV_Image_Information=\0", 24), 0);
  EXPECT_STREQ(module->entry()->name, "uwinldat");
  EXPECT_EQ(module->description()->count, 5);

  struct Row {
    const char *name;
    const char *routine;
    uint16_t min_width, max_width, default_width;
  };
  const Row rows[] = {{"NLDATE", "nldate", 10, 200, 10},
                      {"NLDATM", "nldatm", 19, 200, 19},
                      {"NLDATEW", "nldatew", 16, 200, 20},
                      {"NLDATMW", "nldatmw", 34, 200, 40},
                      {"NLDATMAP", "nldatmap", 17, 200, 32}};
  ASSERT_EQ(module->informats().size(), std::size(rows));
  for (size_t k = 0; k < std::size(rows); ++k) {
    SCOPED_TRACE(rows[k].name);
    const auto &informat = module->informats()[k];
    EXPECT_EQ(informat.name, rows[k].name);
    EXPECT_EQ(reinterpret_cast<void *>(informat.routine), module->symbol(rows[k].routine));
    EXPECT_EQ(informat.item->min_width, rows[k].min_width);
    EXPECT_EQ(informat.item->max_width, rows[k].max_width);
    EXPECT_EQ(informat.item->default_width, rows[k].default_width);
    EXPECT_EQ(module->informat(rows[k].routine), informat.routine);  // case-insensitive
  }
  EXPECT_EQ(module->informat("NLDATEX"), nullptr);

  // The image entry took the host's block; registration came from its pool.
  const auto *anchor = module->function<const uint64_t *>("v_global_gcb_anchor");
  ASSERT_NE(anchor, nullptr);
  EXPECT_EQ(*anchor, reinterpret_cast<uint64_t>(host.control_block()));
  const auto allocations = host.allocations();
  ASSERT_EQ(allocations.size(), 2u);
  EXPECT_EQ(allocations[0].size, 16u);
  EXPECT_EQ(allocations[1].size, 48u);
}

TEST(Loader, AttachesToANewHost) {
  auto first = std::make_unique<nlhost::Host>();
  std::string error;
  auto module = nlhost::Module::open(*first, NLDAT_MODULE_PATH, &error);
  ASSERT_NE(module, nullptr) << error;
  first.reset();
  nlhost::Host second;
  ASSERT_TRUE(module->attach(second));
  EXPECT_EQ(nlhost::Host::current(), &second);
  EXPECT_EQ(*module->function<const uint64_t *>("v_global_gcb_anchor"),
            reinterpret_cast<uint64_t>(second.control_block()));
  EXPECT_EQ(module->description()->count, 5);  // kept beyond the first host's pool
}

// A second instance for another thread: globals of its own, the control
// block it was given (the same services, its own GCB_TSSVEC bytes), and the
// same answers as the first.
TEST(Loader, OpensAnInstanceOfItsOwnOnAnotherControlBlock) {
  nlhost::Host host;
  std::string error;
  auto first = nlhost::Module::open(host, NLDAT_MODULE_PATH, &error);
  ASSERT_NE(first, nullptr) << error;
  uwn_control_block *block = host.add_control_block();
  ASSERT_NE(block, host.control_block());
  EXPECT_EQ(block->vectors, host.control_block()->vectors);
  EXPECT_EQ(block->locale_holder, host.control_block()->locale_holder);
  EXPECT_NE(block->tssvec, host.control_block()->tssvec);
  auto second = nlhost::Module::open_instance(host, NLDAT_MODULE_PATH, block, &error);
  ASSERT_NE(second, nullptr) << error;
  EXPECT_EQ(second->path(), NLDAT_MODULE_PATH);
  EXPECT_EQ(second->informats().size(), 5u);

  const auto *first_anchor = first->function<const uint64_t *>("v_global_gcb_anchor");
  const auto *second_anchor = second->function<const uint64_t *>("v_global_gcb_anchor");
  ASSERT_NE(second_anchor, nullptr);
  EXPECT_NE(first_anchor, second_anchor) << "one set of globals for both";
  EXPECT_EQ(*first_anchor, reinterpret_cast<uint64_t>(host.control_block()));
  EXPECT_EQ(*second_anchor, reinterpret_cast<uint64_t>(block));

  std::fill(block->tssvec, block->tssvec + UWN_VECTOR_COUNT, 1);
  host.tssvec_mutable()[UWN_VECTOR_CALENDAR] = 1;
  for (nlhost::Module *module : {first.get(), second.get()}) {
    const char text[] = "07/12/2026";  // July: the built-in English locale is month first
    double result = 0;
    uwn_informat_block informat{};
    informat.width = informat.text_length = 10;
    informat.text = text;
    informat.result = &result;
    EXPECT_EQ(module->informat("NLDATE")(&informat), 0);
    EXPECT_EQ(result, 24299);
  }
  EXPECT_EQ(block->tssvec[UWN_VECTOR_CALENDAR], 0) << "the second instance's stubs clear its own bytes";
  EXPECT_EQ(host.tssvec()[UWN_VECTOR_CALENDAR], 0);

  EXPECT_EQ(nlhost::Module::open_instance(host, "/nonexistent/uwinldat.so", host.add_control_block(), &error),
            nullptr);
  EXPECT_NE(error.find("cannot load module /nonexistent/uwinldat.so"), std::string::npos) << error;
}

TEST(Loader, SaysWhatIsWrong) {
  nlhost::Host host;
  struct Row {
    const char *path;
    const char *fault;  // NLDAT_FAKE_FAULT, or null
    const char *message;
  };
  const Row rows[] = {
      {"/nonexistent/uwinldat.so", nullptr, "cannot load module /nonexistent/uwinldat.so"},
      {"libm.so.6", nullptr, "no image entry mcn_main"},
      {NLDAT_FAKE_MODULE_PATH, "null", "returned no image information record"},
      {NLDAT_FAKE_MODULE_PATH, "eye", "eye-catcher \"TOV_Image_Information=\""},
      {NLDAT_FAKE_MODULE_PATH, "magic", "magic 0xB0BDEBEE, not 0xB0BDEBED"},
      {NLDAT_FAKE_MODULE_PATH, "entry", "no entry named \"uwinldat\""},
      {NLDAT_FAKE_MODULE_PATH, "describe", "describe request gave no family description"},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.fault != nullptr ? r.fault : r.path);
    if (r.fault != nullptr) setenv("NLDAT_FAKE_FAULT", r.fault, 1);
    std::string error;
    EXPECT_EQ(nlhost::Module::open(host, r.path, &error), nullptr);
    EXPECT_NE(error.find(r.message), std::string::npos) << error;
    unsetenv("NLDAT_FAKE_FAULT");
  }
}

class LoaderFixture : public nldat_test::ModuleTest {};

// A field the patterns cannot read reaches the host's DATE informat through
// xfrname and xfxbpn, by way of the module's stubs.
TEST_F(LoaderFixture, FallbackReachesAHostInformat) {
  host().register_informat("DATE", [](uwn_informat_block *block) {
    *block->result = 42;
    return 0;
  });
  watch().record_calls(true);
  const char text[] = "no date at all";
  double result = 0;
  uwn_informat_block block{};
  block.width = 14;
  block.text = text;
  block.text_length = 14;
  block.result = &result;
  EXPECT_EQ(module().informat("NLDATE")(&block), 0);
  EXPECT_EQ(result, 42);
  bool looked_up = false;
  for (const auto &call : watch().calls()) looked_up |= call.service == "xfrname" && call.text == "DATE";
  EXPECT_TRUE(looked_up);
  EXPECT_EQ(host().tssvec()[UWN_VECTOR_KERNEL], 0) << "the stub clears its vector's byte";
}

}  // namespace
