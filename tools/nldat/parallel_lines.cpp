// nldat: a line-by-line job on several threads (see parallel_lines.h).
#include "parallel_lines.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "cli.h"

namespace nldat {

bool BlockLines::next(std::string_view *line) {
  if (text_.empty()) return false;
  size_t stop = 0;
  while (stop < text_.size() && text_[stop] != '\n' && text_[stop] != '\r') ++stop;
  std::string_view found = text_.substr(0, stop);
  size_t ending = 0;
  if (stop < text_.size())
    ending = text_[stop] == '\r' && stop + 1 < text_.size() && text_[stop + 1] == '\n' ? 2 : 1;
  text_.remove_prefix(stop + ending);
  if (first_ && found.substr(0, 3) == "\xEF\xBB\xBF") found.remove_prefix(3);
  first_ = false;
  *line = found;
  return true;
}

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

struct Block {
  std::string text;
  bool starts_input = false;
  bool done = false;
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
        cut_(options.cut ? options.cut : cut_point),
        carry_(options.head) {}

  // The next block's text; false at the end of the input.
  bool next(Block &block) {
    std::string &text = block.text;
    text.assign(carry_);
    carry_.clear();
    block.starts_input = first_;
    first_ = false;
    size_t cut = 0;
    for (;;) {
      if (text.size() >= block_size_ && (cut = cut_(text)) > 0) break;
      if (longest_ > 0 && text.size() > longest_) {
        too_long_ = failed_ = true;
        return false;
      }
      if (eof_) {
        cut = text.size();
        break;
      }
      const size_t have = text.size();
      // Up to the block size; past it (a line longer than a block) a block more.
      const size_t want = have < block_size_ ? block_size_ - have : block_size_;
      text.resize(have + want);
      const ssize_t n = ::read(fd_, text.data() + have, want);
      text.resize(have + static_cast<size_t>(std::max<ssize_t>(n, 0)));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        error(name_ + ": " + std::strerror(errno));
        failed_ = true;
      }
      if (n <= 0) eof_ = true;
    }
    carry_.assign(text, cut, std::string::npos);
    text.resize(cut);
    return !text.empty();
  }
  bool failed() const { return failed_; }
  bool too_long() const { return too_long_; }

 private:
  int fd_;
  const std::string &name_;
  size_t block_size_;
  size_t longest_;
  std::function<size_t(std::string_view)> cut_;
  std::string carry_;
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
      error(name + ":" + std::to_string(line) + ": a record longer than " +
            (limit >= 1 << 20 ? std::to_string(limit >> 20) + " MiB" : std::to_string(limit) + " bytes") +
            " (an unclosed quote?)");
    }
  };
  if (options.threads <= 1) {
    std::unique_ptr<LineJob> job = make_job();
    Block block;
    while (reader.next(block)) {
      block.result = BlockResult{};
      job->run(block.text, block.starts_input, block.result);
      if (!deliver(block.result, line)) return false;
      line += block.result.lines;
    }
    report_too_long();
    return !reader.failed();
  }

  const size_t in_flight = options.blocks_in_flight > 0 ? options.blocks_in_flight : 2 * options.threads;
  std::mutex mutex;
  std::condition_variable work_ready, block_done;
  std::deque<Block *> queue;
  bool closing = false;
  std::vector<std::thread> workers;
  for (int t = 0; t < options.threads; ++t) {
    workers.emplace_back([&, job = make_job()] {
      for (;;) {
        Block *block = nullptr;
        {
          std::unique_lock lock(mutex);
          work_ready.wait(lock, [&] { return !queue.empty() || closing; });
          if (queue.empty()) return;
          block = queue.front();
          queue.pop_front();
        }
        job->run(block->text, block->starts_input, block->result);
        std::lock_guard lock(mutex);
        block->done = true;
        block_done.notify_all();
      }
    });
  }

  // Blocks in input order; finished ones are kept for reuse (their buffers
  // keep their capacity).
  std::deque<std::unique_ptr<Block>> order;
  std::vector<std::unique_ptr<Block>> spare;
  bool more = true, delivering = true;
  for (;;) {
    while (more && order.size() < in_flight) {
      std::unique_ptr<Block> block;
      if (spare.empty()) {
        block = std::make_unique<Block>();
      } else {
        block = std::move(spare.back());
        spare.pop_back();
      }
      block->result = BlockResult{};
      block->done = false;
      if (!reader.next(*block)) {
        more = false;
        break;
      }
      std::lock_guard lock(mutex);
      queue.push_back(block.get());
      order.push_back(std::move(block));
      work_ready.notify_one();
    }
    if (order.empty()) break;
    Block &front = *order.front();
    {
      std::unique_lock lock(mutex);
      block_done.wait(lock, [&] { return front.done; });
    }
    if (delivering && !deliver(front.result, line)) {
      // Stop: nothing more is read, blocks not begun are dropped.
      delivering = more = false;
      std::lock_guard lock(mutex);
      for (Block *b : queue) b->done = true;
      queue.clear();
    }
    line += front.result.lines;
    spare.push_back(std::move(order.front()));
    order.pop_front();
  }
  {
    std::lock_guard lock(mutex);
    closing = true;
  }
  work_ready.notify_all();
  for (std::thread &w : workers) w.join();
  if (delivering) report_too_long();
  return delivering && !reader.failed();
}

}  // namespace nldat
