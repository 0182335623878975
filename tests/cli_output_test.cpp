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
                              " env -u LC_ALL -u LC_TIME -u LC_NUMERIC -u LC_MONETARY -u LANG '" +
                              NLDAT_CLI_PATH + "' " + arguments + " <'" + in + "' " +
                              (redirection.empty() ? ">'" + out + "'" : redirection) + " 2>'" + err + "'";
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
  EXPECT_EQ(run.err, "nldat: locale de_DE (--locale)\n");
}

}  // namespace

namespace {

TEST(CliOutput, RejectsThatAreAnInputOrStandardOutputAreRefusedBeforeAnythingIsRead) {
  const std::string input =
      write_scratch("rejects_in.csv", "Datum;Betrag\n05.03.2020;1,00\nkein Datum;2,00\n");
  const std::string before = slurp(input);
  struct Row {
    std::string arguments;
    std::string redirection;
    const char *says;
  };
  const std::string convert = "--locale de_DE convert --column Datum=NLDATE ";
  const std::string out = scratch_path("rejects_out.csv");
  const Row rows[] = {
      {convert + "--rejects " + input + " " + input, "", "is also an input"},
      {convert + "--rejects /dev/stdout " + input, ">'" + out + "'", "is standard output too"},
      {convert + "-o " + input + " " + input, "", "is also an input"},
      {convert + "--rejects " + out + " -o " + out + " " + input, "", "is the output file too"},
      {convert + "--rejects /no/such/folder/r.csv " + input, "", "cannot write"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.arguments);
    const CliRun run = nldat_to(row.arguments, row.redirection);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");  // nothing went out before the refusal
    EXPECT_EQ(slurp(input), before);
  }
}

TEST(CliOutput, AFullRejectsFileIsAWriteError) {
  const std::string input = write_scratch("full_in.csv", "Datum\nkein Datum\n05.03.2020\n");
  const CliRun run =
      nldat_to("--locale de_DE convert --column Datum=NLDATE --rejects /dev/full " + input, "");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("write error: /dev/full: No space left on device"), std::string::npos) << run.err;
}

TEST(CliOutput, TheOutputFileIsReplacedOnlyByAWholeJob) {
  const std::string input = write_scratch("o_in.txt", "05.03.2020\n06.03.2020\n");
  const std::string target = write_scratch("o_target.txt", "old contents\n");
  // A job that cannot write everything (a file size limit, its signal
  // ignored) leaves the old file as it was.
  std::string many;
  for (int i = 0; i < 50000; ++i) many += "05.03.2020\n";
  const std::string big = write_scratch("o_big.txt", many);
  const CliRun failed =
      nldat_to("--locale de_DE read NLDATE -o " + target + " " + big, "", "", "trap '' XFSZ; ulimit -f 64;");
  EXPECT_EQ(failed.status, 2);
  EXPECT_NE(failed.err.find("write error"), std::string::npos) << failed.err;
  EXPECT_EQ(slurp(target), "old contents\n");
  // A job that stops for its input leaves it too.
  const CliRun refused = nldat_to("--locale de_DE read NLDATE -o " + target + " /no/such/file", "");
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(slurp(target), "old contents\n");
  // A whole job replaces it; standard output gets nothing.
  for (const std::string command : {"--locale de_DE read NLDATE -o ",
                                    "--locale de_DE convert --no-header "
                                    "--column 1=NLDATE --output "}) {
    SCOPED_TRACE(command);
    const CliRun run = nldat_to(command + target + " " + input, "");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(slurp(target).find("2020-03-06"), std::string::npos) << slurp(target);
  }
  // --output iso still names the form.
  const CliRun form =
      nldat_to("--locale de_DE convert --no-header --column 1=NLDATE --output value " + input, "");
  EXPECT_EQ(form.status, 0) << form.err;
  EXPECT_EQ(form.out, "21979\n21980\n");
}

TEST(CliOutput, ALineOverTheRecordLimitIsRefusedByEveryCommand) {
  const std::string path = scratch_path("long_line.txt");
  {
    std::ofstream file(path, std::ios::binary);
    const std::string block(1 << 20, 'a');
    for (int i = 0; i < 65; ++i) file << block;
  }
  for (const char *command :
       {"read NLDATE ", "format date %Y --input ", "week V --input ", "convert --column 1=NLDATE "}) {
    SCOPED_TRACE(command);
    const CliRun run = nldat_to(command + path, ">/dev/null");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(":1: a "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("longer than 64 MiB"), std::string::npos) << run.err;
  }
  ::unlink(path.c_str());
}

}  // namespace
