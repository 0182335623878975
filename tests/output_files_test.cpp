// The CLI's output files: never an input or standard output, replaced only
// when complete, the old file intact otherwise.
#include "output_files.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "cli_run.h"

namespace {

using nldat::OutputFile;
using nldat_test::scratch_path;
using nldat_test::slurp;
using nldat_test::write_scratch;

TEST(OutputConflict, RefusesAnInputOrStandardOutputButNotADevice) {
  const std::string input = write_scratch("conflict_in.csv", "a\n");
  const std::string other = write_scratch("conflict_other.csv", "b\n");
  const std::string link = scratch_path("conflict_link.csv");
  ::unlink(link.c_str());
  ASSERT_EQ(::symlink(input.c_str(), link.c_str()), 0);
  struct Row {
    std::string path;
    bool refused;
  };
  const Row rows[] = {
      {input, true},        {link, true},  // the same file by another name
      {other, false},       {scratch_path("conflict_missing.csv"), false},
      {"/dev/null", false},  // a device is shared on purpose
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(!nldat::output_conflict(row.path, {"-", input, "/dev/null"}).empty(), row.refused);
  }
  ::unlink(link.c_str());
}

TEST(OutputFile, ReplacesTheFileOnlyWhenCommitted) {
  const std::string path = write_scratch("replace_target.csv", "old\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  {
    OutputFile file;
    std::string error;
    ASSERT_TRUE(file.open(path, OutputFile::Mode::kReplace, {}, &error)) << error;
    EXPECT_TRUE(file.write("new, not finished\n"));
    EXPECT_EQ(slurp(path), "old\n");
    // Dropped without commit: the job failed.
  }
  EXPECT_EQ(slurp(path), "old\n");
  {
    OutputFile file;
    std::string error;
    ASSERT_TRUE(file.open(path, OutputFile::Mode::kReplace, {}, &error)) << error;
    const std::string big(200000, 'x');
    EXPECT_TRUE(file.write("new\n"));
    EXPECT_TRUE(file.write(big));
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(slurp(path), "new\n" + big);
  }
  struct stat status {};
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0640u);  // the file keeps its mode
  // No temporary file is left beside it.
  const std::string folder = path.substr(0, path.rfind('/'));
  const std::string base = path.substr(path.rfind('/') + 1);
  DIR *dir = ::opendir(folder.c_str());
  ASSERT_NE(dir, nullptr);
  for (const dirent *entry = ::readdir(dir); entry != nullptr; entry = ::readdir(dir)) {
    EXPECT_NE(std::string(entry->d_name).rfind("." + base + ".", 0), 0u) << entry->d_name;
  }
  ::closedir(dir);
}

TEST(OutputFile, RefusesWhatCannotBeReplacedOrCreated) {
  struct Row {
    std::string path;
    OutputFile::Mode mode;
    const char *says;
  };
  const std::string input = write_scratch("refuse_in.csv", "a\n");
  const Row rows[] = {
      {input, OutputFile::Mode::kDirect, "is also an input"},
      {input, OutputFile::Mode::kReplace, "is also an input"},
      {"/dev/null", OutputFile::Mode::kReplace, "not a regular file"},
      {"/no/such/folder/x.csv", OutputFile::Mode::kDirect, "cannot write"},
      {"/no/such/folder/x.csv", OutputFile::Mode::kReplace, "cannot write"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.path);
    OutputFile file;
    std::string error;
    EXPECT_FALSE(file.open(row.path, row.mode, {input}, &error));
    EXPECT_NE(error.find(row.says), std::string::npos) << error;
  }
  EXPECT_EQ(slurp(input), "a\n");
}

}  // namespace
