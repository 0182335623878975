// nldat loses nothing silently: a write that fails, a closed standard
// output, an output file that is an input, an -o file after a failed job.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "cli_run.h"

namespace {

using nldat_test::CliRun;
using nldat_test::scratch_path;
using nldat_test::slurp;
using nldat_test::write_scratch;

// Runs nldat with arguments; redirection: the shell's words for standard
// output ("" sends it to a scratch file, read back into out).
CliRun nldat_to(const std::string &arguments, const std::string &redirection, const std::string &input = "",
                const std::string &before = "") {
  const std::string in = write_scratch("output_in", input);
  const std::string out = scratch_path("output_out"), err = scratch_path("output_err");
  const std::string command = std::string("cd '") + NLDAT_SOURCE_DIR + "' && " + before +
                              " env -u LC_ALL -u LC_TIME -u LANG '" + NLDAT_CLI_PATH + "' " + arguments +
                              " <'" + in + "' " + (redirection.empty() ? ">'" + out + "'" : redirection) +
                              " 2>'" + err + "'";
  ::unlink(out.c_str());
  const int raw = std::system(("bash -c \"" + command + "\"").c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
}

const char *const kEveryCommand[] = {
    "--locale de_DE read NLDATE",
    "--locale de_DE convert --column Buchungstag=NLDATE examples/de_DE_kontoauszug.csv",
    "--locale de_DE patterns",
    "format date %d.%m.%Y 2026-12-07",
    "week V 2026-12-07",
    "info",
    "locales",
    "--version",
    "--help",
    "read --help",
};

TEST(CliOutput, AFullDiskOrAClosedOutputIsAWriteError) {
  struct Row {
    const char *redirection;
    const char *reason;
  };
  const Row rows[] = {
      {">/dev/full", "write error: No space left on device"},
      {">&-", "write error: Bad file descriptor"},
  };
  for (const Row &row : rows) {
    for (const char *arguments : kEveryCommand) {
      SCOPED_TRACE(std::string(arguments) + " " + row.redirection);
      const CliRun run = nldat_to(arguments, row.redirection, "05.03.2020\n");
      EXPECT_EQ(run.status, 2);
      EXPECT_NE(run.err.find(row.reason), std::string::npos) << run.err;
    }
  }
}

TEST(CliOutput, ABrokenPipeIsAWriteErrorWhenItsSignalIsIgnored) {
  std::string many;
  for (int i = 0; i < 100000; ++i) many += "05.03.2020\n";
  const std::string in = write_scratch("pipe_in", many), err = scratch_path("pipe_err");
  const std::string command = std::string("bash -c \"trap '' PIPE; '") + NLDAT_CLI_PATH +
                              "' --locale de_DE read NLDATE '" + in + "' 2>'" + err +
                              "' | head -c 1 >/dev/null; exit \\${PIPESTATUS[0]}\"";
  const int raw = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
  EXPECT_NE(slurp(err).find("write error: Broken pipe"), std::string::npos) << slurp(err);
}

TEST(CliOutput, NothingWrittenIsNoError) {
  // A closed standard output with nothing to write is not an error.
  const CliRun run = nldat_to("--locale de_DE read NLDATE", ">&-", "");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
}

}  // namespace
