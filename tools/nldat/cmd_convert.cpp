// nldat convert: a delimited file with some columns read by informats and
// written as ISO 8601 text or plain values, everything else kept byte for
// byte.  The input streams through a buffer of a few blocks, so memory does
// not grow with the file.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "cli.h"
#include "convert.h"
#include "messages.h"

namespace nldat {
namespace {

constexpr size_t kBlock = 1 << 20;            // read and converted at a time
constexpr size_t kLongestRecord = 64 << 20;   // longer: an unclosed quote, most likely
constexpr int64_t kProgressAbove = 64 << 20;  // a file this big shows progress on a terminal

// One --column NAME|N=INFORMAT, resolved against the header.
struct ColumnChoice {
  std::string title;  // as the user named it, for messages
  size_t index = 0;
  ReaderChoice reader;
};

bool all_digits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool same_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
           return up(x) == up(y);
         });
}

// Resolves each --column against the header's names (exact first, then in
// any case); a number is a column number.  False after printing why not.
bool resolve_columns(const ConvertOptions &options, const std::vector<std::string> &names,
                     std::vector<ColumnChoice> *columns) {
  for (const std::string &spec : options.columns) {
    const size_t equals = spec.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == spec.size()) {
      error("convert: --column takes NAME=INFORMAT or N=INFORMAT, not " + quoted_for_message(spec));
      return false;
    }
    ColumnChoice choice;
    choice.title = spec.substr(0, equals);
    choice.reader = options.reader;
    const std::string informat = spec.substr(equals + 1);
    const size_t colon = informat.find(':');  // date:%d.%m.%y, a pattern of its own
    choice.reader.name = informat.substr(0, colon);
    if (colon != std::string::npos) choice.reader.pattern = informat.substr(colon + 1);
    if (all_digits(choice.title)) {
      size_t number = 0;
      std::from_chars(choice.title.data(), choice.title.data() + choice.title.size(), number);
      if (number == 0) {
        error("convert: columns count from 1");
        return false;
      }
      choice.index = number - 1;
      choice.title = choice.index < names.size() && !names[choice.index].empty()
                         ? names[choice.index]
                         : "column " + std::to_string(number);
    } else {
      auto found = std::find(names.begin(), names.end(), choice.title);
      if (found == names.end()) {
        found = std::find_if(names.begin(), names.end(),
                             [&](const std::string &name) { return same_ignoring_case(name, choice.title); });
      }
      if (found == names.end()) {
        std::string known;
        for (const std::string &name : names) known += (known.empty() ? "" : ", ") + quoted_for_message(name);
        error("convert: no column named " + quoted_for_message(choice.title) +
              (names.empty() ? std::string(" (no header line)")
                             : " (the header has " + known.substr(0, 400) + ")"));
        return false;
      }
      choice.index = static_cast<size_t>(found - names.begin());
      choice.title = *found;
    }
    for (const ColumnChoice &other : *columns) {
      if (other.index == choice.index) {
        error("convert: column " + std::to_string(choice.index + 1) + " is named twice");
        return false;
      }
    }
    columns->push_back(std::move(choice));
  }
  std::sort(columns->begin(), columns->end(),
            [](const ColumnChoice &a, const ColumnChoice &b) { return a.index < b.index; });
  return true;
}

// A run of whole records for one thread, and the line it begins on.
struct Part {
  std::string_view text;
  int64_t first_line = 0;
};

// Cuts text into at most count parts of about a block of whole records each;
// the length they cover (0 when not even one record ends within text).
size_t cut_into_parts(std::string_view text, char delimiter, bool at_end, int64_t line, size_t count,
                      std::vector<Part> *parts) {
  parts->clear();
  size_t pos = 0;
  while (parts->size() < count && pos < text.size()) {
    const size_t limit = parts->size() + 1 == count ? text.size() : std::min(text.size(), pos + kBlock);
    int64_t lines = 0;
    size_t length =
        whole_records(text.substr(pos, limit - pos), delimiter, at_end && limit == text.size(), &lines);
    if (length == 0 && limit < text.size()) {
      length = whole_records(text.substr(pos), delimiter, at_end, &lines);  // a record longer than a block
    }
    if (length == 0) break;
    parts->push_back({text.substr(pos, length), line});
    pos += length;
    line += lines;
  }
  return pos;
}

// The input, read into one buffer whose front holds what is not converted yet.
class Input {
 public:
  // blocks: how many blocks one fill() holds.
  bool open(const std::string &path, size_t blocks) {
    fill_to_ = blocks * kBlock;
    capacity_ = fill_to_ + kBlock;
    name_ = path == "-" ? "<stdin>" : path;
    if (!open_input(path.c_str(), &fd_, &owned_)) return false;
    struct stat status {};
    if (::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode)) size_ = status.st_size;
    buffer_ = std::make_unique<char[]>(capacity_);
    return true;
  }
  ~Input() {
    if (owned_) ::close(fd_);
  }
  // Reads until the blocks are held or the input ends; false after a read error.
  bool fill() { return read_until(fill_to_); }
  // Reads more for a record that does not fit what is held; false when it
  // would pass the longest record, or on a read error.
  bool more() {
    if (used_ == capacity_ && !grow()) return false;
    const size_t before = used_;
    return read_until(std::min(used_ + kBlock, capacity_)) && (used_ > before || at_end_);
  }
  void consume(size_t n) {
    std::memmove(buffer_.get(), buffer_.get() + n, used_ - n);
    used_ -= n;
  }
  std::string_view held() const { return {buffer_.get(), used_}; }
  bool at_end() const { return at_end_; }
  bool too_long() const { return too_long_; }
  const std::string &name() const { return name_; }
  int64_t size() const { return size_; }
  int64_t done() const { return done_ - static_cast<int64_t>(used_); }

 private:
  // Reads until target bytes are held (target <= capacity) or the input ends.
  bool read_until(size_t target) {
    while (used_ < target && !at_end_) {
      const ssize_t n = ::read(fd_, buffer_.get() + used_, capacity_ - used_);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        error(name_ + ": " + std::strerror(errno));
        return false;
      }
      if (n == 0) at_end_ = true;
      used_ += static_cast<size_t>(n);
      done_ += n;
    }
    return true;
  }
  bool grow() {
    if (capacity_ >= kLongestRecord) {
      too_long_ = true;
      return false;
    }
    const size_t bigger_size = std::min(capacity_ * 2, kLongestRecord);
    auto bigger = std::make_unique<char[]>(bigger_size);
    std::memcpy(bigger.get(), buffer_.get(), used_);
    buffer_ = std::move(bigger);
    capacity_ = bigger_size;
    return true;
  }

  std::string name_;
  int fd_ = -1;
  bool owned_ = false;
  bool at_end_ = false;
  bool too_long_ = false;
  int64_t size_ = -1, done_ = 0;
  size_t fill_to_ = kBlock, capacity_ = 2 * kBlock, used_ = 0;
  std::unique_ptr<char[]> buffer_;
};

// A progress line on standard error, for a long job watched on a terminal.
class Progress {
 public:
  explicit Progress(int64_t size) : shown_(size > kProgressAbove && ::isatty(STDERR_FILENO)), size_(size) {}
  void update(int64_t bytes, int64_t rows) {
    if (!shown_) return;
    const auto now = Clock::now();
    if (now - last_ < std::chrono::milliseconds(250)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : 0;
    const double left = rate > 0 ? static_cast<double>(size_ - bytes) / rate : 0;
    std::fprintf(stderr, "\rnldat: %lld of %lld MB, %lld rows, %.0f MB/s, %.0f s left  ",
                 static_cast<long long>(bytes >> 20), static_cast<long long>(size_ >> 20),
                 static_cast<long long>(rows), rate / (1 << 20), left);
  }
  // Clears the line.
  void finish() {
    if (shown_) std::fputs("\r\x1b[K", stderr);
    shown_ = false;
  }
  ~Progress() { finish(); }

 private:
  using Clock = std::chrono::steady_clock;
  bool shown_;
  int64_t size_;
  Clock::time_point start_ = Clock::now(), last_ = start_;
};

// --rejects FILE: line, column, field, as CSV.
class RejectsFile {
 public:
  bool open(const std::string &path) {
    if (path.empty()) return true;
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
      error("cannot write " + path + ": " + std::strerror(errno));
      return false;
    }
    std::fputs("line,column,field\n", file_);
    return true;
  }
  void add(int64_t line, std::string_view column, std::string_view field) {
    if (file_ == nullptr) return;
    text_.clear();
    text_ += std::to_string(line);
    text_ += ',';
    quote(column);
    text_ += ',';
    quote(field);
    text_ += '\n';
    std::fwrite(text_.data(), 1, text_.size(), file_);
  }
  ~RejectsFile() {
    if (file_ != nullptr) std::fclose(file_);
  }

 private:
  void quote(std::string_view text) {
    text_ += '"';
    for (const char c : text) text_.append(c == '"' ? 2 : 1, c);
    text_ += '"';
  }
  std::FILE *file_ = nullptr;
  std::string text_;
};

// What the job tells at the end and along the way: the counts a column, its
// first messages, the rejects file.
class Report {
 public:
  Report(const std::vector<ColumnChoice> &columns, std::string input_name)
      : columns_(columns), input_name_(std::move(input_name)), totals_(columns.size()) {
    for (const ColumnChoice &column : columns) messages_.emplace_back(column.title);
  }
  bool open_rejects(const std::string &path) { return rejects_.open(path); }

  // Takes a block's counts and unread fields, in file order.
  void add(const ChunkResult &result) {
    for (size_t k = 0; k < totals_.size(); ++k) {
      totals_[k].read += result.counts[k].read;
      totals_[k].empty += result.counts[k].empty;
      totals_[k].unread += result.counts[k].unread;
    }
    for (const Reject &reject : result.rejects) {
      const ColumnChoice &column = columns_[reject.column];
      const std::string where = input_name_ + ":" + std::to_string(reject.line) + ": ";
      if (reject.missing) {
        messages_[reject.column].report(where + "no column " + column.title);
      } else {
        messages_[reject.column].report(where + column.title + ": " + quoted_for_message(reject.field) +
                                        " not read by " + column.reader.name);
      }
      rejects_.add(reject.line, column.title, reject.field);
    }
  }

  // One summary line a column; whether every non-empty field was read.
  bool finish() const {
    bool all_read = true;
    for (size_t k = 0; k < columns_.size(); ++k) {
      messages_[k].finish();
      error(columns_[k].title + ": " + std::to_string(totals_[k].read) + " read, " +
            std::to_string(totals_[k].empty) + " empty, " + std::to_string(totals_[k].unread) + " not read");
      all_read = all_read && totals_[k].unread == 0;
    }
    return all_read;
  }

 private:
  const std::vector<ColumnChoice> &columns_;
  std::string input_name_;
  std::vector<ColumnCounts> totals_;
  std::vector<MessageLimit> messages_;
  RejectsFile rejects_;
};

// The names of the header record's fields, trimmed and unquoted.
std::vector<std::string> header_names(std::string_view header, char delimiter) {
  std::vector<csv::Field> fields;
  std::string scratch;
  csv::RecordEnd end;
  csv::scan_record(header, 0, delimiter, true, &end, &fields);
  std::vector<std::string> names;
  for (const csv::Field &f : fields) {
    names.emplace_back(nlhost::trim_blanks(csv::unquote(header.substr(f.begin, f.end - f.begin), scratch)));
  }
  return names;
}

// Converts the records after the header, block by block, the parts of each
// block side by side; false after printing why the input cannot be read.
bool convert_records(Input &input, char delimiter, int64_t line, std::vector<ChunkConverter> &converters,
                     Report &report) {
  Progress progress(input.size());
  std::vector<ChunkResult> results(converters.size());
  std::vector<Part> parts;
  int64_t rows = 0;
  for (;;) {
    if (!input.fill()) return false;
    const size_t length =
        cut_into_parts(input.held(), delimiter, input.at_end(), line, converters.size(), &parts);
    if (length == 0) {
      if (input.held().empty() && input.at_end()) break;
      if (!input.more()) {
        if (input.too_long()) {
          error(input.name() + ":" + std::to_string(line) +
                ": a record longer than 64 MiB (an unclosed quote?)");
        }
        return false;
      }
      continue;
    }
    // The parts are converted side by side and written in order.
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < parts.size(); ++t) {
      helpers.emplace_back(
          [&, t] { converters[t].convert(parts[t].text, parts[t].first_line, &results[t]); });
    }
    converters[0].convert(parts[0].text, parts[0].first_line, &results[0]);
    for (std::thread &helper : helpers) helper.join();
    for (size_t t = 0; t < parts.size(); ++t) {
      const ChunkResult &result = results[t];
      if (result.invalid_line != 0) {
        error(input.name() + ":" + std::to_string(result.invalid_line) + ": not UTF-8 text");
        return false;
      }
      out().write(result.output);
      report.add(result);
      line += result.lines;
      rows += result.records;
    }
    input.consume(length);
    progress.update(input.done(), rows);
  }
  out().flush();
  return true;
}

}  // namespace

int cmd_convert(Context &context, const ConvertOptions &options) {
  ConvertPlan plan;
  if (options.output == "value") plan.form = OutputForm::kValue;
  if (options.output == "both") plan.form = OutputForm::kBoth;
  plan.keep = options.keep;

  Input input;
  if (!input.open(options.file, options.threads)) return kExitUsage;
  if (!input.fill()) return kExitUsage;

  // A byte-order mark goes out as it came, but is no part of the first name.
  std::string_view held = input.held();
  size_t start = held.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  out().write(held.substr(0, start));
  input.consume(start);

  // The header: the first record, unless there is none.
  csv::RecordEnd header_end;
  while (!csv::scan_record(input.held(), 0, ',', input.at_end(), &header_end, nullptr)) {
    if (!input.more()) {
      if (input.too_long()) error(input.name() + ":1: a record longer than 64 MiB (an unclosed quote?)");
      return kExitUsage;
    }
  }
  const std::string_view first = input.held().substr(0, header_end.end);
  plan.delimiter = options.delimiter.empty() ? csv::guess_delimiter(first) : options.delimiter[0];
  if (!valid_utf8(first)) {
    error(input.name() + ":1: not UTF-8 text: " + quoted_for_message(first));
    return kExitUsage;
  }
  const std::vector<std::string> names =
      options.no_header ? std::vector<std::string>() : header_names(first, plan.delimiter);
  std::vector<ColumnChoice> columns;
  if (!resolve_columns(options, names, &columns)) return kExitUsage;
  for (const ColumnChoice &column : columns) {
    plan.columns.push_back(column.index);
    if (!make_reader(context, column.reader)) return kExitUsage;
  }
  // One converter a thread, each with its own readers.
  std::vector<ChunkConverter> converters;
  for (size_t t = 0; t < options.threads; ++t) {
    std::vector<nlhost::FieldReader> own;
    for (const ColumnChoice &column : columns) own.push_back(*make_reader(context, column.reader));
    converters.emplace_back(plan, std::move(own));
  }
  ChunkConverter &converter = converters.front();
  int64_t line = 1;
  if (!options.no_header) {
    out().write(converter.header(first));
    out().write(input.held().substr(header_end.end, header_end.line_end));
    input.consume(header_end.end + header_end.line_end);
    line += static_cast<int64_t>(header_end.lines) + (header_end.line_end > 0);
  }

  Report report(columns, input.name());
  if (!report.open_rejects(options.rejects)) return kExitUsage;
  if (!convert_records(input, plan.delimiter, line, converters, report)) return kExitUsage;
  return report.finish() ? kExitOk : kExitUnread;
}

}  // namespace nldat
