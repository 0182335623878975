// nldat read on several threads prints exactly what one thread prints: the
// values in input order, the messages at their lines and in their places.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct CliOutcome {
  int status;
  std::string out;  // standard output and standard error together, in the order said
};

CliOutcome nldat_on_file(const std::string &arguments, const std::string &file) {
  const std::string out = ::testing::TempDir() + std::to_string(::getpid()) + "_threads_out";
  const std::string command =
      std::string("'") + NLDAT_CLI_PATH + "' " + arguments + " '" + file + "' >'" + out + "' 2>&1";
  const int raw = std::system(command.c_str());
  std::ifstream in(out);
  std::stringstream s;
  s << in.rdbuf();
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, s.str()};
}

// A few megabytes (several blocks) of German dates with LF and CR LF line
// ends, a header, lines without the column, fields that are not dates (more
// than the 20 messages shown) and quoted fields.
std::string write_input(bool ends_with_bad_bytes) {
  const std::string path = ::testing::TempDir() + std::to_string(::getpid()) + "_threads_in.csv";
  std::ofstream f(path, std::ios::binary);
  f << "nr;datum\r\n";
  uint32_t x = 12345;
  for (int i = 0; i < 250000; ++i) {
    x = x * 1103515245u + 12345u;
    const unsigned day = 1 + (x >> 8) % 28, month = 1 + (x >> 16) % 12, year = 1583 + (x >> 4) % 500;
    if (i % 9973 == 17) {
      f << i << "\n";  // no second column
    } else if (i % 7919 == 3) {
      f << i << ";kein Datum " << i << "\r\n";
    } else {
      char text[16];
      std::snprintf(text, sizeof text, "%02u.%02u.%04u", day, month, year);
      const char *quote = i % 5 == 0 ? "\"" : "";
      f << i << ";" << quote << text << quote << (i % 2 ? "\n" : "\r\n");
    }
  }
  if (ends_with_bad_bytes) f << "x;\xff\xfe\n1;01.01.2000\n";
  return path;
}

TEST(CliThreadsConcurrency, ReadPrintsTheSameOnAnyNumberOfThreads) {
  for (bool bad_bytes : {false, true}) {
    SCOPED_TRACE(bad_bytes ? "ending in bytes that are not UTF-8" : "text throughout");
    const std::string file = write_input(bad_bytes);
    const char *kArguments = "--locale de_DE read --column 2 --delimiter ';' --header --echo NLDATE";
    const CliOutcome one = nldat_on_file(std::string(kArguments) + " --threads 1", file);
    EXPECT_EQ(one.status, bad_bytes ? 2 : 1);
    EXPECT_NE(one.out.find(bad_bytes ? "not UTF-8 text" : "more fields not read"), std::string::npos);
    for (int threads : {2, 3, 8}) {
      SCOPED_TRACE(threads);
      const CliOutcome many =
          nldat_on_file(std::string(kArguments) + " --threads " + std::to_string(threads), file);
      EXPECT_EQ(many.status, one.status);
      EXPECT_TRUE(many.out == one.out)
          << "outputs differ; sizes " << many.out.size() << " and " << one.out.size();
    }
    std::remove(file.c_str());
  }
}

}  // namespace
