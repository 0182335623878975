// nldat: a line-by-line job on several threads.  The input is cut at line
// ends into blocks; a worker thread takes the next block, turns it into its
// output with job state of its own (a FieldReader is not to be shared) and
// delivers it when the blocks before it have been delivered, so that the
// result is the same as one thread's; each worker holds one block at a time,
// so that memory stays flat in the input's size.
#ifndef NLDAT_PARALLEL_LINES_H
#define NLDAT_PARALLEL_LINES_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/csv.h"

namespace nldat {

// The line that starts at from in text: where its text stops (text.size()
// when text holds no line end) and the length of its line end: 2 for CR LF,
// 1 for LF or a CR without an LF after it in text, 0 for none.  The rule of
// line ends of every command.
struct LineEnd {
  size_t stop;
  size_t length;
};
LineEnd find_line_end(std::string_view text, size_t from);
// The length of the line end at stop, where a line's text stops (an LF or a
// CR, or the end of text).
inline size_t line_end_length(std::string_view text, size_t stop) {
  if (stop == text.size()) return 0;
  return text[stop] == '\r' && stop + 1 < text.size() && text[stop + 1] == '\n' ? 2 : 1;
}

// Drops a UTF-8 byte-order mark at the start of text (before an input's
// first line it is no part of it); whether there was one.
bool drop_byte_order_mark(std::string_view *text);

// The lines of one block, by the rules of LineReader: a line ends at LF,
// CR LF or a lone CR; a byte-order mark before the input's first line is
// dropped.  A block never ends inside a CR LF.
class BlockLines {
 public:
  BlockLines(std::string_view text, bool starts_input);
  // The next line without its line end; false after the last.
  bool next(std::string_view *line) {
    const size_t n = text_.size();
    if (pos_ >= n) return false;
    const size_t stop = ends_.next(pos_);
    *line = text_.substr(pos_, stop - pos_);
    pos_ = stop + line_end_length(text_, stop);
    return true;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  nlhost::csv::FieldEnds ends_;  // a line ends where a field of lines would: at LF or CR
};

// What a block's fields of one column came to.
struct ColumnCounts {
  int64_t read = 0, empty = 0, unread = 0;
  int64_t ambiguous = 0;  // of those not read: read to different values by alternatives
  // Dates read that, written the other way round, are other dates too
  // (numeric, the day 12 or less: see reads_swapped in convert.h), the
  // order those were read in, and the forms they would be in the other way
  // (orders and separators, a bit each: whether some locale writes them is
  // asked once, for the totals).
  int64_t swappable = 0;
  bool day_first = false;
  uint8_t swapped_forms = 0;
  ColumnCounts &operator+=(const ColumnCounts &other) {
    read += other.read;
    empty += other.empty;
    unread += other.unread;
    ambiguous += other.ambiguous;
    if (other.swappable > 0) day_first = other.day_first;
    swappable += other.swappable;
    swapped_forms |= other.swapped_forms;
    return *this;
  }
};

// What a block of delimited records showed of damage: the line of a record
// whose quote is never closed, records with fewer or more fields than the
// header and the line of the first of each (lines from 1; 0: none).
struct RecordDamage {
  int64_t unclosed_line = 0;
  int64_t fewer_fields = 0, first_fewer = 0;
  int64_t more_fields = 0, first_more = 0;
};

// The topic of a note that says a line is not UTF-8 text: the block is
// fatal and the job stops there.
inline constexpr int32_t kNotUtf8 = -1;

// A block's output: bytes that grow without being set first (std::string
// fills what it grows by with zeros, a pass over every block's output), and
// keep their room from one block to the next.
class OutputBytes {
 public:
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const char *data() const { return data_.get(); }
  char *data() { return data_.get(); }
  std::string_view view() const { return {data_.get(), size_}; }
  operator std::string_view() const { return view(); }  // NOLINT(google-explicit-constructor)
  void clear() { size_ = 0; }
  // n bytes; those past the old size hold nothing yet and are written before they are read.
  void resize(size_t n) {
    if (n > capacity_) grow(n);
    size_ = n;
  }
  OutputBytes &append(std::string_view text) {
    const size_t at = size_;
    resize(size_ + text.size());
    if (!text.empty()) std::memcpy(data_.get() + at, text.data(), text.size());
    return *this;
  }
  OutputBytes &operator+=(std::string_view text) { return append(text); }
  void push_back(char c) {
    resize(size_ + 1);
    data_[size_ - 1] = c;
  }
  friend bool operator==(const OutputBytes &bytes, std::string_view text) { return bytes.view() == text; }

 private:
  void grow(size_t n) {
    const size_t capacity = std::max(n, 2 * capacity_);
    std::unique_ptr<char[]> grown(new char[capacity]);
    if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = capacity;
  }
  std::unique_ptr<char[]> data_;
  size_t size_ = 0, capacity_ = 0;
};

// What a job made of one block: the output, and the messages it would have
// printed, each with its line (from 1 in the block) and the place in the
// output where it was said, so that they can be replayed in order.
struct BlockResult {
  struct Note {
    int64_t line;      // from 1 within the block
    size_t output_at;  // output written before the message
    int32_t topic;     // which of the job's message limits it counts against
    std::string text;
    std::string detail;  // more the message says, when there is more
  };
  OutputBytes output;
  std::vector<Note> notes;
  // Counts of the job's own, summed by its caller.
  int64_t records = 0;                // the records the block held
  int64_t bytes = 0;                  // the input bytes the block held
  std::vector<ColumnCounts> columns;  // one a column the job reads
  RecordDamage damage;                // lines within the block
  int64_t lines = 0;                  // the lines the block held
  bool fatal = false;                 // the job cannot go on: nothing after this block is written

  void note(int64_t line, int32_t topic, std::string text, std::string detail = {}) {
    note_at(output.size(), line, topic, std::move(text), std::move(detail));
  }
  // A message said after output_at bytes of output (a job writing through an OutputCursor).
  void note_at(size_t output_at, int64_t line, int32_t topic, std::string text, std::string detail = {}) {
    notes.push_back({line, output_at, topic, std::move(text), std::move(detail)});
  }
  // Empty again, keeping the buffers' capacity: a block's output is a few
  // MiB, and memory fresh from the system costs a page fault every 4 KiB.
  void clear() {
    output.clear();
    notes.clear();
    records = bytes = 0;
    columns.clear();
    damage = {};
    lines = 0;
    fatal = false;
  }
};

// Copies n bytes from src to dst: up to 32 by two overlapping pieces of a
// fixed size each (no call, no byte outside either range), more by memcpy.
// Most pieces of a record and most converted fields are that short.
inline void copy_bytes(char *dst, const char *src, size_t n) {
  const auto pieces = [&](auto piece) {
    constexpr size_t k = sizeof piece;
    decltype(piece) last;
    std::memcpy(&piece, src, k);
    std::memcpy(&last, src + n - k, k);
    std::memcpy(dst, &piece, k);
    std::memcpy(dst + n - k, &last, k);
  };
  struct Sixteen {
    char bytes[16];
  };
  if (n >= 16) {
    if (n > 32) {
      std::memcpy(dst, src, n);
    } else {
      pieces(Sixteen{});
    }
  } else if (n >= 8) {
    pieces(uint64_t{});
  } else if (n >= 4) {
    pieces(uint32_t{});
  } else if (n >= 2) {
    pieces(uint16_t{});
  } else if (n == 1) {
    *dst = *src;
  }
}

// Writes a block's output straight into its bytes, a line at a time through
// a pointer, instead of appending each piece: room() makes sure of the bytes
// a line may take, advance() moves past what was written, and the output is
// cut to that when the cursor goes.
class OutputCursor {
 public:
  // expected: the bytes the output will most likely take.
  OutputCursor(OutputBytes &out, size_t expected) : out_(out), used_(out.size()) {
    out_.resize(used_ + expected);
    base_ = out_.data();
    limit_ = out_.size();
  }
  ~OutputCursor() { out_.resize(used_); }
  OutputCursor(const OutputCursor &) = delete;
  OutputCursor &operator=(const OutputCursor &) = delete;

  // Where to write at least n bytes.
  char *room(size_t n) {
    if (limit_ - used_ < n) grow(n);
    return base_ + used_;
  }
  void advance(const char *end) { used_ = static_cast<size_t>(end - base_); }
  void append(std::string_view text) {
    copy_bytes(room(text.size()), text.data(), text.size());
    used_ += text.size();
  }
  // The bytes written so far.
  size_t size() const { return used_; }

 private:
  void grow(size_t n) {
    out_.resize(std::max(2 * limit_, used_ + n));
    base_ = out_.data();
    limit_ = out_.size();
  }
  OutputBytes &out_;
  size_t used_;
  // The output's bytes and their number, held here: a field's writes go
  // through a char pointer and could be to anything, out_ included.
  char *base_;
  size_t limit_;
};

// One worker's state for a job.
class LineJob {
 public:
  virtual ~LineJob() = default;
  // Turns the lines of one block into result (empty on entry); starts_input
  // marks the block that begins the input (a header line, a byte-order mark).
  virtual void run(std::string_view block, bool starts_input, BlockResult &result) = 0;
};

// The longest line or record any command takes: past it the input is not
// text of records, or a quote was never closed.
inline constexpr size_t kLongestRecord = size_t{64} << 20;

struct ParallelOptions {
  int threads = 1;              // workers; 1 runs every block on the calling thread
  size_t block_size = 1 << 16;  // bytes a block holds at least, but for the last (a longer line grows it)
  // Where a block may end: the end of the last whole record in text, 0 when
  // there is none yet.  Unset: after the last line end (see BlockLines); a
  // job whose records may hold line ends (quoted fields) cuts by them.
  std::function<size_t(std::string_view text)> cut;
  // Input already read from fd (a header the caller looked at first): it
  // comes before what is still to be read.
  std::string_view head;
  int64_t first_line = 1;  // the number of the input's first line (after lines the caller took)
  // A line or record longer than this stops the input (reported with its
  // line number): without an end in sight, an unclosed quote most likely.
  size_t longest_record = kLongestRecord;
};

// The worker threads a job gets by default: the machine's cores, at most 8.
int default_threads();

// Runs jobs over the input read from fd (name for messages): make_job makes
// each worker's state; deliver gets each block's result in input order with
// the number of the block's first line in the input, and answers false to
// stop.  deliver runs on the workers, one call at a time.  False when the input could not be read (reported)
// or deliver stopped.
bool run_parallel_lines(int fd, const std::string &name, const ParallelOptions &options,
                        const std::function<std::unique_ptr<LineJob>()> &make_job,
                        const std::function<bool(BlockResult &, int64_t first_line)> &deliver);

}  // namespace nldat

#endif
