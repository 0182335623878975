// The module's dynamic symbol table: exactly the names of exports.map, and
// nothing needed at run time beyond memory copy/move/fill/compare and
// floor/fmod/fabs (plus the loader's own weak references).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "service_list.h"

namespace {

std::set<std::string> nm_symbols(const std::string &flags) {
  const std::string command = "nm -D " + flags + " --format=posix '" NLDAT_MODULE_PATH "' 2>/dev/null";
  std::set<std::string> names;
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string s(line);
    s = s.substr(0, s.find(' '));
    s = s.substr(0, s.find('@'));
    if (!s.empty()) names.insert(s);
  }
  pclose(pipe);
  return names;
}

// The names of exports.map: every "name;" between "global:" and "local:".
std::set<std::string> map_names() {
  std::ifstream in(NLDAT_SOURCE_DIR "/module/exports.map");
  std::set<std::string> names;
  std::string word;
  bool global = false;
  while (in >> word) {
    if (word == "global:") global = true;
    if (word == "local:") global = false;
    if (global && word.size() > 1 && word.back() == ';') names.insert(word.substr(0, word.size() - 1));
  }
  return names;
}

TEST(Abi, ExportsExactlyTheMap) {
  const auto expected = map_names();
  ASSERT_EQ(expected.size(), 42u + 2u * UWN_SERVICE_COUNT);
  EXPECT_EQ(nm_symbols("--defined-only"), expected);
}

// Each host service stub under its two names, as the service list has them.
TEST(Abi, MapNamesEveryServiceStubTwice) {
  const auto names = map_names();
  for (const nldat_test::Service &s : nldat_test::kServices) {
    EXPECT_TRUE(names.count(s.name)) << s.name;
    EXPECT_TRUE(names.count(nldat_test::stub_alias(s))) << nldat_test::stub_alias(s);
  }
}

TEST(Abi, NeedsOnlyMemoryAndThreeMathRoutines) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a sanitizer build links its runtime into the module";
#else
  const std::set<std::string> allowed = {"memcpy", "memmove", "memset", "memcmp", "floor", "fmod", "fabs",
                                         // the loader's and the C runtime's weak references
                                         "__cxa_finalize", "__gmon_start__", "_ITM_deregisterTMCloneTable",
                                         "_ITM_registerTMCloneTable"};
  const auto undefined = nm_symbols("--undefined-only");
  ASSERT_FALSE(undefined.empty());
  for (const auto &name : undefined) EXPECT_TRUE(allowed.count(name)) << "undefined: " << name;
#endif
}

}  // namespace
