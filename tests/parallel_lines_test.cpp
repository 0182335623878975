// The threaded line driver of nldat: every line reaches a job once, in
// order, with the right number, whatever the block size and thread count.
// ("Concurrency" in the suite names: CI runs these under ThreadSanitizer.)
#include "parallel_lines.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "csv.h"
#include "nlhost/text.h"

namespace {

// The lines of text by the line reader's rules (LF, CR LF, lone CR; a
// byte-order mark before the first line dropped): the reference.
std::vector<std::string> reference_lines(std::string_view text) {
  std::vector<std::string> lines;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  while (!text.empty()) {
    size_t stop = text.find_first_of("\r\n");
    if (stop == std::string_view::npos) stop = text.size();
    lines.emplace_back(text.substr(0, stop));
    size_t ending = stop < text.size() ? 1 : 0;
    if (ending && text[stop] == '\r' && stop + 1 < text.size() && text[stop + 1] == '\n') ending = 2;
    text.remove_prefix(stop + ending);
  }
  return lines;
}

// The one line-end rule both line readers use; from is where a reader that
// has looked at part of its buffer resumes.
// A buffer doubles while it is small; past half the most it goes straight
// to the most, so a record too long is never copied into twice its size.
TEST(GrownCapacity, DoublesThenGoesStraightToTheMost) {
  constexpr size_t kMost = 1000;
  const struct {
    size_t capacity, needed, grown;
  } rows[] = {
      {0, 1, 1},
      {16, 17, 32},
      {100, 300, 300},
      {250, 251, 500},
      {251, 252, kMost},
      {400, 401, kMost},
      {600, 900, kMost},
      {kMost, kMost + 5, kMost + 5},  // more than the most: what is needed, for the caller to refuse
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(std::to_string(row.capacity) + " for " + std::to_string(row.needed));
    EXPECT_EQ(nlhost::grown_capacity(row.capacity, row.needed, kMost), row.grown);
  }
}

// Every length a copy takes by fixed pieces, and past them: exactly the
// bytes asked for, nothing before or after.
TEST(OutputCursor, CopiesEveryLengthExactly) {
  std::string source(80, '\0');
  for (size_t k = 0; k < source.size(); ++k) source[k] = static_cast<char>('0' + k % 64);
  for (size_t n = 0; n <= 70; ++n) {
    SCOPED_TRACE(n);
    std::string target(n + 16, '\xA5');
    nldat::copy_bytes(target.data() + 8, source.data() + 3, n);
    EXPECT_EQ(target.substr(0, 8), std::string(8, '\xA5'));
    EXPECT_EQ(target.substr(8, n), source.substr(3, n));
    EXPECT_EQ(target.substr(8 + n), std::string(8, '\xA5'));
  }
}

// Pieces appended past the room first expected, and written through room()
// and advance(), make the output in order.
TEST(OutputCursor, GrowsPastWhatWasExpected) {
  nldat::OutputBytes bytes;
  bytes.append("head;");
  std::string expected = "head;";
  {
    nldat::OutputCursor out(bytes, 4);
    for (size_t n = 0; n < 40; ++n) {
      const std::string piece(n, static_cast<char>('a' + n % 26));
      out.append(piece);
      char *p = out.room(2);
      p[0] = ';';
      out.advance(p + 1);
      expected += piece + ";";
    }
    EXPECT_EQ(out.size(), expected.size());
  }
  EXPECT_EQ(bytes, expected);
}

TEST(LineEnds, FoundFromWhereTheReaderResumes) {
  const struct {
    std::string_view text;
    size_t from, stop, length;
  } cases[] = {
      {"ab\ncd", 0, 2, 1}, {"ab\r\ncd", 0, 2, 2},
      {"ab\rcd", 0, 2, 1}, {"ab\r", 0, 2, 1},  // a CR last: whether an LF follows is not known yet
      {"abcd", 0, 4, 0},   {"", 0, 0, 0},
      {"a\n\nb", 2, 2, 1}, {"abcdefghijklmnopqrstuvwxyz\r\n", 3, 26, 2},  // past one 16-byte step
      {"x\r\n", 1, 1, 2},
  };
  for (const auto &c : cases) {
    const nldat::LineEnd end = nldat::find_line_end(c.text, c.from);
    EXPECT_EQ(end.stop, c.stop) << c.text;
    EXPECT_EQ(end.length, c.length) << c.text;
  }
}

// Echoes each line and notes those that hold an 'x'.
class EchoJob : public nldat::LineJob {
 public:
  void run(std::string_view block, bool starts_input, nldat::BlockResult &result) override {
    nldat::BlockLines lines(block, starts_input);
    std::string_view line;
    while (lines.next(&line)) {
      ++result.lines;
      if (line.find('x') != std::string_view::npos) result.note(result.lines, 0, std::string(line));
      result.output.append(line).push_back('\n');
    }
  }
};

struct Outcome {
  std::string output;
  std::vector<std::string> notes;  // "line:text", with the line in the whole input
  bool finished;
};

// Writes each CSV record's fields, unquoted, between bars: records may hold
// line ends inside quotes, so the blocks are cut by records.
class RecordJob : public nldat::LineJob {
 public:
  void run(std::string_view block, bool, nldat::BlockResult &result) override {
    result.output += records(block, true);
  }
  static std::string records(std::string_view text, bool at_end) {
    std::string out, scratch;
    std::vector<nldat::csv::Field> fields;
    nldat::csv::RecordEnd end;
    for (size_t start = 0; start < text.size(); start = end.end + end.line_end) {
      if (!nldat::csv::scan_record(text, start, ',', at_end, &end, &fields)) break;
      for (const auto &f : fields) {
        out += '|';
        out += nldat::csv::unquote(text.substr(f.begin, f.end - f.begin), scratch);
      }
      out += "|\n";
    }
    return out;
  }
  static size_t cut(std::string_view text) { return nldat::csv::last_record_end(text, ','); }
};

// head: the part of the input a caller has read already; longest: the
// longest line or record taken.
Outcome run(const std::string &input, int threads, size_t block_size, int stop_after_blocks = -1,
            bool records = false, const std::string &head = "", size_t longest = 0) {
  FILE *file = std::tmpfile();
  EXPECT_NE(file, nullptr);
  std::fwrite(input.data() + head.size(), 1, input.size() - head.size(), file);
  std::fflush(file);
  std::rewind(file);
  Outcome outcome;
  int blocks = 0;
  nldat::ParallelOptions options;
  options.threads = threads;
  options.block_size = block_size;
  options.head = head;
  options.longest_record = longest;
  if (records) options.cut = RecordJob::cut;
  outcome.finished = nldat::run_parallel_lines(
      fileno(file), "input", options,
      [records]() -> std::unique_ptr<nldat::LineJob> {
        if (records) return std::make_unique<RecordJob>();
        return std::make_unique<EchoJob>();
      },
      [&](nldat::BlockResult &result, int64_t first_line) {
        if (blocks++ == stop_after_blocks) return false;
        size_t written = 0;
        for (const auto &note : result.notes) {
          EXPECT_GE(note.output_at, written);
          outcome.output.append(result.output, written, note.output_at - written);
          written = note.output_at;
          outcome.notes.push_back(std::to_string(first_line + note.line - 1) + ":" + note.text);
          outcome.output += "<note>";  // where the message falls among the lines
        }
        outcome.output.append(result.output, written);
        return true;
      });
  std::fclose(file);
  return outcome;
}

TEST(ParallelLinesConcurrency, SameLinesInOrderForEveryBlockSizeAndThreadCount) {
  std::string many;
  for (int i = 0; i < 3000; ++i) {
    if (i % 7 == 0) many += 'x';
    many += std::to_string(i);
    many += i % 3 ? "\n" : "\r\n";
  }
  const std::string inputs[] = {
      "",
      "one",
      "one\ntwo\n",
      "\xEF\xBB\xBFx bom\nsecond\n",
      "a\r\nb\rc\n\nx\r\r\nlast",
      "lone\rcr\rline\rends\rx\r",
      std::string(5000, 'x') + "\n" + "short\n" + std::string(3000, 'y'),
      "\n\n\r\n\r",
      many,
  };
  for (const std::string &input : inputs) {
    std::string expected_output;
    std::vector<std::string> expected_notes;
    const std::vector<std::string> lines = reference_lines(input);
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].find('x') != std::string::npos) {
        expected_notes.push_back(std::to_string(i + 1) + ":" + lines[i]);
        expected_output += "<note>";
      }
      expected_output += lines[i] + "\n";
    }
    for (int threads : {1, 2, 4}) {
      for (size_t block_size : {1, 2, 3, 7, 64, 4096, 1 << 20}) {
        SCOPED_TRACE(::testing::Message()
                     << input.size() << " bytes, " << threads << " threads, blocks of " << block_size);
        const Outcome got = run(input, threads, block_size);
        EXPECT_TRUE(got.finished);
        EXPECT_EQ(got.output, expected_output);
        EXPECT_EQ(got.notes, expected_notes);
      }
    }
  }
}

TEST(ParallelLinesConcurrency, BlocksCutByRecordsKeepQuotedLineEndsWhole) {
  std::string input = "a,\"two\nlines\",c\r\n\"x\"\"y\",\"\r\n\",z\n";
  for (int i = 0; i < 500; ++i)
    input += std::to_string(i) + (i % 4 ? ",plain,\"q\nq\"\n" : ",\"a,b\",\"\"\r\n");
  input += "last,\"no line end\"";
  const std::string expected = RecordJob::records(input, true);
  for (int threads : {1, 3}) {
    for (size_t block_size : {1, 5, 64, 1 << 20}) {
      SCOPED_TRACE(::testing::Message() << threads << " threads, blocks of " << block_size);
      const Outcome got = run(input, threads, block_size, -1, true);
      EXPECT_TRUE(got.finished);
      EXPECT_EQ(got.output, expected);
    }
  }
}

TEST(ParallelLinesConcurrency, TakesWhatTheCallerReadFirstBeforeTheRest) {
  std::string input;
  for (int i = 0; i < 300; ++i) {
    input += i % 5 ? 'r' : 'x';
    input += std::to_string(i);
    input += i % 2 ? ",\"a\nb\"\n" : "\r\n";
  }
  const std::string expected = RecordJob::records(input, true);
  for (const size_t head : {size_t{0}, size_t{1}, size_t{7}, input.size() / 2, input.size()}) {
    for (int threads : {1, 2}) {
      SCOPED_TRACE(::testing::Message() << head << " bytes read first, " << threads << " threads");
      const Outcome lines = run(input, threads, 16, -1, false, input.substr(0, head));
      EXPECT_TRUE(lines.finished);
      EXPECT_EQ(lines.output, run(input, 1, 1 << 20).output);
      EXPECT_EQ(lines.notes, run(input, 1, 1 << 20).notes);
      const Outcome records = run(input, threads, 16, -1, true, input.substr(0, head));
      EXPECT_EQ(records.output, expected);
    }
  }
}

TEST(ParallelLinesConcurrency, StopsAtARecordLongerThanTheLimit) {
  // The records before the long one are all delivered; nothing from it on.
  std::string input;
  for (int i = 0; i < 100; ++i) input.append("r").append(std::to_string(i)).append("\n");
  const std::string before = RecordJob::records(input, true);
  input += "\"unclosed," + std::string(5000, 'q') + "\nlast\n";
  for (int threads : {1, 3}) {
    SCOPED_TRACE(threads);
    const Outcome got = run(input, threads, 64, -1, true, "", 1000);
    EXPECT_FALSE(got.finished);
    EXPECT_EQ(got.output, before);
    EXPECT_TRUE(run(input, threads, 64, -1, true, "", 10000).finished);
  }
}

TEST(ParallelLinesConcurrency, StopsWhenTheConsumerSaysSo) {
  std::string input;
  for (int i = 0; i < 10000; ++i) input += "line " + std::to_string(i) + "\n";
  for (int threads : {1, 3}) {
    SCOPED_TRACE(threads);
    const Outcome got = run(input, threads, 100, 2);
    EXPECT_FALSE(got.finished);
    EXPECT_LT(got.output.size(), 400u);  // two blocks of about 100 bytes, nothing after
    EXPECT_EQ(got.output.substr(0, 7), "line 0\n");
  }
}

// Workers are made only when the input has more than one block, and the
// deliveries never overlap, whichever thread makes them.
TEST(ParallelLinesConcurrency, MakesWorkersOnlyForMoreThanOneBlockAndDeliversOneAtATime) {
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "line " + std::to_string(i) + "\n";
  const struct {
    std::string input;
    size_t block_size;
    int jobs;  // expected with 4 threads
  } rows[] = {{"one\ntwo\n", 1 << 16, 1}, {"", 1 << 16, 1}, {many, 256, 4}};
  for (const auto &row : rows) {
    SCOPED_TRACE(row.input.size());
    FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fwrite(row.input.data(), 1, row.input.size(), file);
    std::fflush(file);
    std::rewind(file);
    nldat::ParallelOptions options;
    options.threads = 4;
    options.block_size = row.block_size;
    std::atomic<int> jobs{0}, inside{0};
    bool overlapped = false;
    std::string output;
    const bool finished = nldat::run_parallel_lines(
        fileno(file), "input", options,
        [&]() -> std::unique_ptr<nldat::LineJob> {
          ++jobs;
          return std::make_unique<EchoJob>();
        },
        [&](nldat::BlockResult &result, int64_t) {
          overlapped = overlapped || inside.fetch_add(1) != 0;
          output += result.output;
          inside.fetch_sub(1);
          return true;
        });
    std::fclose(file);
    EXPECT_TRUE(finished);
    EXPECT_EQ(jobs.load(), row.jobs);
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(output, row.input);
  }
}

}  // namespace
