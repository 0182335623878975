// Runs the built nldat as a user runs it: shell words, standard input, a
// clean locale environment, and files the test writes.
#ifndef NLDAT_TESTS_CLI_RUN_H
#define NLDAT_TESTS_CLI_RUN_H

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace nldat_test {

struct CliRun {
  int status;
  std::string out, err;
};

inline std::string slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A path for a scratch file of this test process (CTest runs tests in
// parallel processes).
inline std::string scratch_path(const std::string &name) {
  return ::testing::TempDir() + std::to_string(::getpid()) + "_" + name;
}

inline std::string write_scratch(const std::string &name, const std::string &contents) {
  const std::string path = scratch_path(name);
  std::ofstream(path, std::ios::binary) << contents;
  return path;
}

// Runs nldat with arguments (shell words) and standard input; environment
// (NAME=value words) is set after the locale variables are cleared.
inline CliRun nldat(const std::string &arguments, const std::string &input = "",
                    const std::string &environment = "") {
  const std::string in = write_scratch("nldat_in", input);
  const std::string out = scratch_path("nldat_out"), err = scratch_path("nldat_err");
  const std::string command = std::string("cd '") + NLDAT_SOURCE_DIR +
                              "' && env -u LC_ALL -u LC_TIME -u LC_NUMERIC -u LC_MONETARY -u LANG " +
                              environment + " '" + NLDAT_CLI_PATH + "' " + arguments + " <'" + in + "' >'" +
                              out + "' 2>'" + err + "'";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
}

}  // namespace nldat_test

#endif
