// nldat: a line-by-line job on several threads (see parallel_lines.h).
#include "parallel_lines.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "cli.h"
#include "csv.h"
#include "messages.h"
#include "nlhost/text.h"
#include "nlhost/utf8.h"

namespace nldat {

LineEnd find_line_end(std::string_view text, size_t from) {
  const size_t stop = csv::field_end(text, from, '\n');
  return {stop, line_end_length(text, stop)};
}

bool drop_byte_order_mark(std::string_view *text) {
  if (!nlhost::starts_with_utf8_mark(*text)) return false;
  text->remove_prefix(nlhost::kUtf8Mark.size());
  return true;
}

namespace {

// The block's text without the mark that may start the input: a file
// holding only the mark holds no line.
std::string_view lines_of(std::string_view text, bool starts_input) {
  if (starts_input) drop_byte_order_mark(&text);
  return text;
}

}  // namespace

BlockLines::BlockLines(std::string_view text, bool starts_input)
    : text_(lines_of(text, starts_input)), ends_(text_, '\n') {}

int default_threads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(cores, 1u, 8u));
}

namespace {

// Where a block may end: after its last line end, never between a CR and its
// LF; 0 when it holds no whole line yet.
size_t cut_point(std::string_view text) {
  const size_t lf = text.rfind('\n');
  if (lf != std::string_view::npos) return lf + 1;
  // Without an LF every CR before the last byte is a line end by itself; the
  // last byte may be a CR whose LF is still to be read.
  if (text.size() < 2) return 0;
  const size_t cr = text.rfind('\r', text.size() - 2);
  return cr != std::string_view::npos ? cr + 1 : 0;
}

// Bytes read from the input: unlike a std::string it grows without
// clearing what is about to be read over.
class Bytes {
 public:
  std::string_view view() const { return {data_.get(), size_}; }
  size_t size() const { return size_; }
  // Room for n more bytes after size(); keeps what is held.
  char *room(size_t n, size_t most) {
    if (capacity_ - size_ < n) {
      const size_t capacity = nlhost::grown_capacity(capacity_, size_ + n, most);
      std::unique_ptr<char[]> grown(new char[capacity]);
      if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
      data_ = std::move(grown);
      capacity_ = capacity;
    }
    return data_.get() + size_;
  }
  void grow(size_t n) { size_ += n; }
  void assign(std::string_view text) {
    size_ = 0;
    if (text.empty()) return;
    std::memcpy(room(text.size(), SIZE_MAX), text.data(), text.size());
    size_ = text.size();
  }
  void resize(size_t n) { size_ = n; }  // n <= size()

 private:
  std::unique_ptr<char[]> data_;
  size_t size_ = 0, capacity_ = 0;
};

struct Block {
  Bytes text;
  bool starts_input = false;
  BlockResult result;
};

// Cuts the input into blocks of whole lines.
class BlockReader {
 public:
  BlockReader(int fd, const std::string &name, const ParallelOptions &options)
      : fd_(fd),
        name_(name),
        block_size_(std::max<size_t>(options.block_size, 1)),
        longest_(options.longest_record),
        cut_(options.cut ? options.cut : cut_point) {
    carry_.assign(options.head);
  }

  // The next block's text; false at the end of the input.
  bool next(Block &block) {
    Bytes &text = block.text;
    text.assign(carry_.view());
    block.starts_input = first_;
    first_ = false;
    size_t cut = 0;
    // The size at which the text last held no cut: it is looked at again
    // only when it has doubled, so that a long record costs a few scans of
    // its bytes rather than one per read.
    size_t looked = 0;
    for (;;) {
      if (text.size() >= block_size_ && text.size() >= 2 * looked) {
        if ((cut = cut_(text.view())) > 0) break;
        looked = text.size();
      }
      if (longest_ > 0 && text.size() > longest_) {
        too_long_ = failed_ = true;
        return false;
      }
      if (eof_) {
        cut = text.size();
        break;
      }
      const size_t have = text.size();
      // Up to the block size; past it (a line longer than a block) as much
      // again, but never much past the longest record.
      size_t want = have < block_size_ ? block_size_ - have : have;
      if (longest_ > 0) want = std::min(want, std::max<size_t>(longest_ + 1 - std::min(have, longest_), 1));
      const ssize_t n = ::read(fd_, text.room(want, longest_ > 0 ? longest_ + 1 : SIZE_MAX), want);
      if (n > 0) text.grow(static_cast<size_t>(n));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        error(shown_name(name_) + ": " + std::strerror(errno));
        failed_ = true;
      }
      if (n <= 0) eof_ = true;
    }
    carry_.assign(text.view().substr(cut));
    text.resize(cut);
    return cut > 0;
  }
  bool failed() const { return failed_; }
  bool too_long() const { return too_long_; }
  // Whether every byte of the input has gone into a block.
  bool exhausted() const { return eof_ && carry_.size() == 0; }

 private:
  int fd_;
  const std::string &name_;
  size_t block_size_;
  size_t longest_;
  std::function<size_t(std::string_view)> cut_;
  Bytes carry_;
  bool first_ = true;
  bool eof_ = false;
  bool failed_ = false;
  bool too_long_ = false;
};

}  // namespace

bool run_parallel_lines(int fd, const std::string &name, const ParallelOptions &options,
                        const std::function<std::unique_ptr<LineJob>()> &make_job,
                        const std::function<bool(BlockResult &, int64_t first_line)> &deliver) {
  BlockReader reader(fd, name, options);
  int64_t line = options.first_line;
  // Said once every block before the long record is delivered, at its line.
  auto report_too_long = [&] {
    if (reader.too_long()) {
      const size_t limit = options.longest_record;
      error(shown_name(name) + ":" + std::to_string(line) + ": " + (options.cut ? "a record" : "a line") +
            " longer than " +
            (limit >= 1 << 20 ? std::to_string(limit >> 20) + " MiB" : std::to_string(limit) + " bytes") +
            (options.cut ? " (an unclosed quote?)" : ""));
    }
  };
  // Each worker reads its block, runs the job on it and delivers the result
  // when its turn comes, so that a block's bytes and its output stay with the
  // core that made them.  Blocks are numbered as they are read; the turn goes
  // to them in that order, so the output is one thread's.
  std::mutex input_mutex;   // the reader and the numbering
  int64_t next_number = 1;  // block 0 is read before the workers start
  bool more = true;
  std::mutex turn_mutex;  // the turn, the delivering and the line count
  std::condition_variable turn_changed;
  int64_t turn = 0;
  bool delivering = true;
  std::atomic<bool> stopped{false};
  // Runs blocks until the input or the job ends; have_block: block holds
  // the first block, read already.
  auto work = [&](LineJob &job, Block &block, bool have_block) {
    for (;;) {
      int64_t number = 0;
      if (have_block) {
        have_block = false;
      } else {
        std::lock_guard lock(input_mutex);
        if (!more || stopped.load(std::memory_order_relaxed)) return;
        if (!reader.next(block)) {
          more = false;
          return;
        }
        number = next_number++;
      }
      block.result.clear();
      job.run(block.text.view(), block.starts_input, block.result);
      std::unique_lock lock(turn_mutex);
      turn_changed.wait(lock, [&] { return turn == number; });
      if (delivering && !deliver(block.result, line)) {
        // Stop: nothing more is read, blocks already read are dropped.
        delivering = false;
        stopped.store(true, std::memory_order_relaxed);
      }
      line += block.result.lines;
      ++turn;
      turn_changed.notify_all();
    }
  };
  // The first block tells whether there is work for more than one thread:
  // an input of one block needs neither the threads nor their jobs.
  std::unique_ptr<LineJob> first_job = make_job();
  Block first;
  if (!reader.next(first)) {
    report_too_long();
    return !reader.failed();
  }
  const int threads = reader.exhausted() ? 1 : options.threads;
  std::vector<std::unique_ptr<LineJob>> jobs;
  for (int t = 1; t < threads; ++t) jobs.push_back(make_job());
  std::vector<std::thread> workers;
  for (std::unique_ptr<LineJob> &job : jobs) {
    workers.emplace_back([&work, &job] {
      Block block;
      work(*job, block, false);
    });
  }
  work(*first_job, first, true);  // the calling thread is a worker too
  for (std::thread &w : workers) w.join();
  if (delivering) report_too_long();
  return delivering && !reader.failed();
}

}  // namespace nldat
