// Inputs in other encodings, decoded through a pipe: whole lines only, the
// first bad sequence reported, the mark of a UTF-16 file honoured.
#include "decoded_input.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "cli_run.h"
#include "icu_encoded.h"

namespace {

using nldat_test::icu_encode;

std::string read_all(int fd) {
  std::string text;
  char block[4096];
  for (ssize_t n; (n = ::read(fd, block, sizeof block)) > 0;) text.append(block, static_cast<size_t>(n));
  return text;
}

struct Decoded {
  std::string text;
  bool same_descriptor;  // no thread was needed
  bool finished;
};

// The file's bytes read through decoded_input under encoding; from a pipe
// when piped.
Decoded decode(const std::string &bytes, const std::string &encoding, bool piped) {
  std::string error;
  EXPECT_TRUE(nldat::set_input_encoding(encoding, &error)) << error;
  int fd = -1;
  pid_t writer = -1;
  if (piped) {
    int ends[2];
    EXPECT_EQ(::pipe(ends), 0);
    writer = ::fork();
    if (writer == 0) {
      ::close(ends[0]);
      const bool ok = ::write(ends[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
      ::_exit(ok ? 0 : 1);
    }
    ::close(ends[1]);
    fd = ends[0];
  } else {
    fd = ::open(nldat_test::write_scratch("decoded_input", bytes).c_str(), O_RDONLY);
  }
  bool owned = true;
  const int utf8 = nldat::decoded_input(fd, &owned, "in.csv");
  Decoded result{read_all(utf8), utf8 == fd, false};
  ::close(utf8);
  if (utf8 != fd) ::close(fd);
  result.finished = nldat::finish_decoding();
  if (writer > 0) ::waitpid(writer, nullptr, 0);
  nldat::set_input_encoding("", &error);
  return result;
}

TEST(DecodedInput, HandsOnUtf8FromAnyEncoding) {
  const std::string german = "Buchungstag;Betrag\n05.03.2020;-1.234,56 \xE2\x82\xAC M\xC3\xBCller\n";
  const std::string big = [] {
    std::string text;
    for (int i = 0; i < 40000; ++i) text += "07.12.2026;K\xC3\xA4se;" + std::to_string(i) + ",50\n";
    return text;
  }();
  struct Row {
    std::string bytes;
    std::string encoding;
    std::string text;
    bool same_descriptor;  // for a regular file
  };
  const Row rows[] = {
      {german, "", german, true},
      {"\xEF\xBB\xBF" + german, "", "\xEF\xBB\xBF" + german, true},  // the commands drop a UTF-8 mark
      {"\xFF\xFE" + icu_encode("UTF-16LE", german), "", german, false},
      {"\xFE\xFF" + icu_encode("UTF-16BE", german), "", german, false},
      {std::string("\xFF\xFE\0\0", 4) + icu_encode("UTF-32LE", german), "", german, false},
      {icu_encode("windows-1252", german), "windows-1252", german, false},
      {icu_encode("windows-1252", big), "cp1252", big, false},
      {icu_encode("Shift_JIS", "\xE6\x97\xA5\xE4\xBB\x98\n"), "Shift_JIS", "\xE6\x97\xA5\xE4\xBB\x98\n",
       false},
      {"\xFF\xFE" + icu_encode("UTF-16LE", big), "auto", big, false},
      {german, "auto", german, true},
      {icu_encode("windows-1252", big), "auto", big, false},
  };
  for (const Row &row : rows) {
    for (const bool piped : {false, true}) {
      SCOPED_TRACE(row.encoding + (piped ? " piped" : " file") + ": " + row.text.substr(0, 30));
      const Decoded decoded = decode(row.bytes, row.encoding, piped);
      EXPECT_EQ(decoded.text, row.text);
      EXPECT_TRUE(decoded.finished);
      EXPECT_TRUE(piped || decoded.same_descriptor == row.same_descriptor);
    }
  }
}

TEST(DecodedInput, StopsAfterTheLastWholeLineBeforeABadSequence) {
  std::string bytes;
  for (int i = 0; i < 30000; ++i) bytes += "line " + std::to_string(i) + "\n";
  const std::string before = bytes;
  bytes += "half a line \xD2 and the rest\nmore\n";
  for (const bool piped : {false, true}) {
    SCOPED_TRACE(piped);
    const Decoded decoded = decode(bytes, "windows-1253", piped);
    EXPECT_FALSE(decoded.finished);
    EXPECT_EQ(decoded.text, before);
  }
  // A UTF-16 file cut inside a character.
  const Decoded cut = decode("\xFF\xFE" + icu_encode("UTF-16LE", "a\nb") + "x", "", false);
  EXPECT_FALSE(cut.finished);
  EXPECT_EQ(cut.text, "a\n");
}

TEST(DecodedInput, RefusesAnUnknownEncoding) {
  std::string error;
  EXPECT_FALSE(nldat::set_input_encoding("windows-9999", &error));
  EXPECT_NE(error.find("no encoding named"), std::string::npos);
  EXPECT_EQ(nldat::input_encoding(), "");
}

}  // namespace
