// nldat sniff: the sample the detector reads.  The whole input is cut into
// records once (to count them, with the scanner convert uses); the first
// records and a few stretches spread over a file are kept and split into
// fields.
#include "sniff.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "csv.h"
#include "messages.h"
#include "nlhost/reading.h"
#include "nlhost/utf8.h"

namespace nldat {
namespace {

constexpr size_t kLongestRecord = 64 << 20;
constexpr size_t kBlock = 1 << 20;

bool has_digit(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A first record names the columns when its fields are distinct and none
// holds a digit where the rest of its column mostly does.
bool looks_like_header(const std::vector<std::vector<std::string>> &records) {
  if (records.size() < 2)
    return !records.empty() && !std::any_of(records[0].begin(), records[0].end(), has_digit);
  const std::vector<std::string> &first = records[0];
  for (size_t i = 0; i < first.size(); ++i) {
    for (size_t j = i + 1; j < first.size(); ++j) {
      if (!first[i].empty() && first[i] == first[j]) return false;
    }
  }
  bool named = false;
  for (size_t k = 0; k < first.size(); ++k) {
    size_t with_digits = 0, rows = 0;
    for (size_t r = 1; r < records.size(); ++r) {
      if (k >= records[r].size() || records[r][k].empty()) continue;
      ++rows;
      with_digits += has_digit(records[r][k]);
    }
    const bool column_numeric = rows > 0 && 2 * with_digits > rows;
    if (has_digit(first[k]) && column_numeric) return false;
    if (!has_digit(first[k]) && !first[k].empty() && column_numeric) named = true;
  }
  // A file of words alone: a header when its first record is distinct from the rest.
  return named || std::all_of(first.begin(), first.end(), [](const std::string &f) { return !f.empty(); });
}

}  // namespace

Sampler::Sampler(const SampleOptions &options, int64_t size) : options_(options), size_(size) {}

bool Sampler::keeping() const { return records_ < options_.head_records + 1 || stretch_left_ > 0; }

void Sampler::keep(std::string_view record, int64_t line) { kept_.push_back({std::string(record), line}); }

bool Sampler::feed(std::string_view block, std::string *error) {
  // Past half the longest record, room for all of it at once: a record too
  // long is then never held twice while it is copied.
  const size_t needed = held_.size() + block.size();
  if (needed > held_.capacity() && needed > kLongestRecord / 2)
    held_.reserve(std::max(needed, kLongestRecord + block.size()));
  held_.append(block);
  return scan(false, error);
}

bool Sampler::scan(bool at_end, std::string *error) {
  if (!started_) {
    // The delimiter is guessed from the first record, which needs only its
    // quotes to be found.
    if (nlhost::starts_with_utf8_mark(held_) || (held_.size() < 3 && !at_end)) {
      if (held_.size() < 3 && !at_end) return true;
      bom_ = true;
      held_.erase(0, nlhost::kUtf8Mark.size());
      offset_ += nlhost::kUtf8Mark.size();
    }
    csv::RecordEnd end;
    if (!csv::scan_record(held_, 0, ',', at_end, &end, nullptr)) {
      if (held_.size() > kLongestRecord) {
        *error = "line 1: a record longer than 64 MiB (an unclosed quote?)";
        return false;
      }
      return true;
    }
    delimiter_ = options_.delimiter != '\0'
                     ? options_.delimiter
                     : csv::guess_delimiter(std::string_view(held_).substr(0, end.end));
    started_ = true;
  }
  size_t pos = 0;
  csv::RecordEnd end;
  while (pos < held_.size() && csv::scan_record(held_, pos, delimiter_, at_end, &end, nullptr)) {
    // A stretch starts at the first record past each fifth of the file.
    if (size_ > 0 && stretch_ < options_.spread_stretches && records_ > options_.head_records &&
        offset_ + static_cast<int64_t>(pos) >= size_ * (stretch_ + 1) / (options_.spread_stretches + 1)) {
      ++stretch_;
      stretch_left_ = options_.stretch_records;
    }
    if (keeping()) {
      keep(std::string_view(held_).substr(pos, end.end - pos), line_);
      if (records_ >= options_.head_records + 1) --stretch_left_;
    }
    crlf_ = crlf_ || end.line_end == 2;
    ++records_;
    line_ += static_cast<int64_t>(end.lines) + (end.line_end > 0);
    pos = end.end + end.line_end;
  }
  held_.erase(0, pos);
  offset_ += static_cast<int64_t>(pos);
  if (held_.size() > kLongestRecord) {
    *error = "line " + std::to_string(line_) + ": a record longer than 64 MiB (an unclosed quote?)";
    return false;
  }
  return true;
}

FileSample Sampler::finish() {
  std::string unused;
  scan(true, &unused);
  FileSample sample;
  nlhost::detect::Dialect &d = sample.dialect;
  d.delimiter = delimiter_;
  d.crlf = crlf_;
  d.encoding = bom_ ? "UTF-8 with BOM" : "UTF-8";
  // Each kept record as fields.
  std::vector<std::vector<std::string>> records;
  std::vector<csv::Field> fields;
  std::string scratch;
  for (const Kept &k : kept_) {
    if (sample.invalid_line == 0 && !valid_utf8(k.text)) sample.invalid_line = k.line;
    csv::RecordEnd end;
    csv::scan_record(k.text, 0, delimiter_, true, &end, &fields);
    std::vector<std::string> &texts = records.emplace_back();
    for (const csv::Field &f : fields)
      texts.emplace_back(csv::unquote(std::string_view(k.text).substr(f.begin, f.end - f.begin), scratch));
  }
  if (sample.invalid_line != 0) d.encoding = "not UTF-8";
  d.header = options_.header >= 0 ? options_.header == 1 : looks_like_header(records);
  d.records = records_ - (d.header && records_ > 0);
  d.sampled = static_cast<int64_t>(records.size()) - (d.header && !records.empty());
  size_t width = 0;
  for (const auto &r : records) width = std::max(width, r.size());
  sample.columns.resize(width);
  for (size_t k = 0; k < width; ++k) {
    std::string name =
        d.header && k < records[0].size() ? std::string(nlhost::trim_blanks(records[0][k])) : "";
    sample.columns[k].name = name.empty() ? "column " + std::to_string(k + 1) : name;
  }
  for (size_t r = d.header ? 1 : 0; r < records.size(); ++r) {
    for (size_t k = 0; k < records[r].size(); ++k)
      sample.columns[k].fields.push_back({kept_[r].line, std::move(records[r][k])});
  }
  return sample;
}

bool sample_file(int fd, const SampleOptions &options, FileSample *sample, std::string *error) {
  struct stat status {};
  const int64_t size = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) ? status.st_size : -1;
  Sampler sampler(options, size);
  std::string block(kBlock, '\0');
  for (;;) {
    const ssize_t n = ::read(fd, block.data(), block.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    if (!sampler.feed(std::string_view(block.data(), static_cast<size_t>(n)), error)) return false;
  }
  *sample = sampler.finish();
  return true;
}

}  // namespace nldat
