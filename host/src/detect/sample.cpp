// nlhost: the sample the detector reads.  The whole input is cut into
// records once (to count them, with the scanner convert uses); the first
// records and a few stretches spread over a file are kept and split into
// fields.
#include "nlhost/sample.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "nlhost/csv.h"
#include "nlhost/encoding.h"
#include "nlhost/reading.h"
#include "nlhost/text.h"
#include "nlhost/utf8.h"

namespace nlhost::detect {
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
  const size_t needed = held_.size() + block.size();
  if (needed > held_.capacity())
    held_.reserve(nlhost::grown_capacity(held_.capacity(), needed, kLongestRecord + block.size()));
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
  while (pos < held_.size()) {
    if (!options_.count_records && !keeping() && !skip(&pos, at_end)) break;
    if (pos >= held_.size() || !csv::scan_record(held_, pos, delimiter_, at_end, &end, nullptr)) break;
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
    lone_cr_ = end.line_end == 1 && held_[end.end] == '\r';
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

// Passes over the lines from *pos to the next stretch's first record (or
// to the end of what is held, counting them); true with *pos there when a
// stretch begins.
bool Sampler::skip(size_t *pos, bool at_end) {
  const char line_end = lone_cr_ ? '\r' : '\n';
  const std::string_view held(held_);
  auto count_to = [&](size_t to) {
    line_ += std::count(held.begin() + static_cast<ptrdiff_t>(*pos),
                        held.begin() + static_cast<ptrdiff_t>(to), line_end);
    *pos = to;
  };
  skipped_ = true;
  if (size_ <= 0 || stretch_ >= options_.spread_stretches) {
    count_to(held.size());
    return false;
  }
  const int64_t place = size_ * (stretch_ + 1) / (options_.spread_stretches + 1) - offset_;
  if (place > static_cast<int64_t>(*pos)) {
    // The first line that begins at or after the place.
    const size_t from = static_cast<size_t>(place) - 1;
    const size_t at = from < held.size() ? held.find(line_end, from) : std::string_view::npos;
    if (at == std::string_view::npos) {
      // Nothing past the place yet: what is held before it is counted, the
      // rest waits (all of it, at the end of the input).
      count_to(at_end ? held.size() : std::min(held.size(), from));
      return false;
    }
    count_to(at + 1);
  }
  ++stretch_;
  stretch_left_ = options_.stretch_records;
  return true;
}

FileSample Sampler::finish(bool input_ended) {
  std::string unused;
  if (input_ended) scan(true, &unused);
  FileSample sample;
  Dialect &d = sample.dialect;
  d.delimiter = delimiter_;
  d.crlf = crlf_;
  d.encoding = bom_ ? "UTF-8 with BOM" : "UTF-8";
  // Each kept record as fields.
  std::vector<std::vector<std::string>> records;
  std::vector<csv::Field> fields;
  std::string scratch;
  for (const Kept &k : kept_) {
    if (sample.invalid_line == 0 && !nlhost::valid_utf8(k.text)) sample.invalid_line = k.line;
    csv::RecordEnd end;
    csv::scan_record(k.text, 0, delimiter_, true, &end, &fields);
    std::vector<std::string> &texts = records.emplace_back();
    for (const csv::Field &f : fields)
      texts.emplace_back(csv::unquote(std::string_view(k.text).substr(f.begin, f.end - f.begin), scratch));
  }
  if (sample.invalid_line != 0) d.encoding = "not UTF-8";
  d.header = options_.header >= 0 ? options_.header == 1 : looks_like_header(records);
  d.records = input_ended && !skipped_ ? records_ - (d.header && records_ > 0) : -1;
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

namespace {

// Reads up to size bytes into *to (fewer only at the end of the input).
bool read_block(int fd, std::string *to, size_t size, std::string *error) {
  to->resize(size);
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, to->data() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  to->resize(got);
  return true;
}

// Raw input to the sampler, decoded on the way where its encoding is not
// UTF-8.
class DecodingFeed {
 public:
  DecodingFeed(const SampleOptions &options, int64_t size) : options_(options), size_(size) {}

  // Chooses how the input is decoded, from its first bytes.
  bool start(std::string_view head, std::string_view encoding, std::string *error) {
    std::string name(encoding);
    if (name == "auto") {
      const EncodingGuess guess = detect_encoding(head);
      if (guess.source != EncodingSource::kNone && !likely_encoding(guess)) {
        *error = "cannot tell its encoding (" + guess.name + " at " + std::to_string(guess.confidence) +
                 "% at most): give its encoding";
        return false;
      }
      name = guess.name;
    } else if (name.empty()) {
      const std::optional<ByteOrderMark> bom = byte_order_mark(head);
      if (bom) name = bom->name;
    }
    if (!name.empty() && !is_utf8_name(name)) {
      decoder_ = Decoder::open(name, error);
      if (!decoder_) return false;
      size_ = -1;  // stretches are placed by decoded offsets, which the raw size does not give
    }
    sampler_.emplace(options_, size_);
    return true;
  }

  bool feed(std::string_view block, bool last, std::string *error) {
    if (!decoder_) return sampler_->feed(block, error);
    decoded_.clear();
    ConversionError failed;
    const bool whole = decoder_->decode(block, last, &decoded_, &failed);
    if (!sampler_->feed(decoded_, error)) return false;
    if (!whole) {
      *error = "byte offset " + std::to_string(failed.offset) + " cannot be read as " + decoder_->name() +
               " (" + failed.reason + ")";
      return false;
    }
    return true;
  }

  FileSample finish() { return sampler_->finish(); }

 private:
  SampleOptions options_;
  int64_t size_;
  std::optional<Decoder> decoder_;
  std::optional<Sampler> sampler_;
  std::string decoded_;
};

}  // namespace

namespace {

// Samples what fd holds, read to its end and decoded by encoding; *head
// gets the first raw bytes.
bool sample_stream(int fd, std::string_view encoding, const SampleOptions &options, FileSample *sample,
                   std::string *head, std::string *error) {
  struct stat status {};
  const int64_t size = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) ? status.st_size : -1;
  DecodingFeed feed(options, size);
  std::string block;
  if (!read_block(fd, &block, kBlock, error)) return false;
  *head = block.substr(0, kEncodingHead);
  if (!feed.start(*head, encoding, error)) return false;
  for (;;) {
    const bool last = block.size() < kBlock;
    if (!feed.feed(block, last, error)) return false;
    if (last) break;
    if (!read_block(fd, &block, kBlock, error)) return false;
  }
  *sample = feed.finish();
  return true;
}

// Names an encoding the detector guessed in the sample taken again by it.
void name_guessed_encoding(const EncodingGuess &guess, std::string_view option, FileSample *sample) {
  sample->dialect.encoding = "not UTF-8: read as " + guess.name + " (" + std::to_string(guess.confidence) +
                             "% sure; give " + std::string(option) + guess.name + ")";
  sample->dialect.encoding_option = guess.name;
  sample->dialect.encoding_guessed = true;
}

// A sample of an input that is not UTF-8, given no encoding, taken again by
// sample_as(encoding, sample, why) as the detector's guess (name_encoding's),
// when it is at least somewhat sure and the input reads as it throughout.
template <class SampleAs>
bool resample_as_guessed(const EncodingGuess &guess, std::string_view given, std::string_view option,
                         FileSample *sample, SampleAs sample_as) {
  if (sample->invalid_line == 0 || !given.empty() || guess.source != EncodingSource::kDetector ||
      !likely_encoding(guess) || is_utf8_name(guess.name))
    return false;
  FileSample again;
  std::string why;
  if (!sample_as(guess.name, &again, &why) || again.invalid_line != 0) return false;
  *sample = std::move(again);
  name_guessed_encoding(guess, option, sample);
  return true;
}

// The file at path sampled as encoding; *head gets its first raw bytes.
bool sample_path_as(const std::string &path, std::string_view encoding, const SampleOptions &options,
                    FileSample *sample, std::string *head, std::string *error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = std::strerror(errno);
    return false;
  }
  const bool sampled = sample_stream(fd, encoding, options, sample, head, error);
  ::close(fd);
  return sampled;
}

}  // namespace

bool sample_file(int fd, const SampleOptions &options, FileSample *sample, std::string *error) {
  std::string head;
  return sample_stream(fd, "UTF-8", options, sample, &head, error);
}

bool sample_head(int fd, const SampleOptions &options, size_t most_bytes, FileSample *sample,
                 std::string *held, std::string *error) {
  Sampler sampler(options);
  std::string block;
  bool ended = false;
  while (!ended && !sampler.head_full() && held->size() < most_bytes) {
    if (!read_block(fd, &block, std::min(kBlock, most_bytes - held->size()), error)) return false;
    ended = block.empty();
    held->append(block);
    if (!sampler.feed(block, error)) return false;
  }
  *sample = sampler.finish(ended);
  return true;
}

bool sample_bytes(std::string_view bytes, std::string_view encoding, std::string_view option,
                  const SampleOptions &options, FileSample *sample, std::string *error) {
  const std::string_view head = bytes.substr(0, kEncodingHead);
  const auto sample_as = [&](std::string_view as, FileSample *to, std::string *why) {
    DecodingFeed feed(options, static_cast<int64_t>(bytes.size()));
    if (!feed.start(head, as, why)) return false;
    for (size_t at = 0; at < bytes.size(); at += kBlock) {
      if (!feed.feed(bytes.substr(at, kBlock), at + kBlock >= bytes.size(), why)) return false;
    }
    if (bytes.empty() && !feed.feed({}, true, why)) return false;
    *to = feed.finish();
    return true;
  };
  if (!sample_as(encoding, sample, error)) return false;
  resample_as_guessed(name_encoding(head, encoding, option, sample), encoding, option, sample, sample_as);
  return true;
}

bool sample_path(const std::string &path, std::string_view encoding, std::string_view option,
                 const SampleOptions &options, FileSample *sample, std::string *error) {
  std::string head;
  if (!sample_path_as(path, encoding, options, sample, &head, error)) return false;
  resample_path_as_guessed(path, name_encoding(head, encoding, option, sample), encoding, option, options,
                           sample);
  return true;
}

bool resample_path_as_guessed(const std::string &path, const EncodingGuess &guess, std::string_view given,
                              std::string_view option, const SampleOptions &options, FileSample *sample) {
  return resample_as_guessed(guess, given, option, sample,
                             [&](std::string_view as, FileSample *to, std::string *why) {
                               std::string head;
                               return sample_path_as(path, as, options, to, &head, why);
                             });
}

EncodingGuess name_encoding(std::string_view head, std::string_view given, std::string_view option,
                            FileSample *sample) {
  std::string &named = sample->dialect.encoding;
  if (!given.empty() && given != "auto") {
    named = std::string(given) + " (as given)";
    sample->dialect.encoding_option = std::string(given);
    return {};
  }
  const EncodingGuess guess = detect_encoding(head);
  if (guess.name.empty() || is_utf8_name(guess.name)) return guess;
  const std::string sure = std::to_string(guess.confidence) + "% sure";
  if (guess.source == EncodingSource::kBom) {
    named = guess.name + " with BOM";
  } else if (sample->invalid_line != 0) {
    named = "not UTF-8 (it looks like " + guess.name + ", " + sure + ": give " + std::string(option) +
            guess.name + ")";
    sample->dialect.encoding_option = guess.name;
  } else if (given == "auto") {
    named = guess.name + " (" + std::string(option) + "auto, " + sure + ")";
    sample->dialect.encoding_option = guess.name;
  }
  return guess;
}

}  // namespace nlhost::detect
