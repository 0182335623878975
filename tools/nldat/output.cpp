// nldat: buffered standard output and messages on standard error.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cli.h"
#include "nlhost/encoding.h"
#include "output_files.h"

namespace nldat {

Output &out() {
  static Output output;
  return output;
}

Output &Output::operator<<(std::string_view text) {
  while (!text.empty()) {
    if (used_ == kSize) flush();
    const size_t n = std::min(text.size(), kSize - used_);
    std::memcpy(buffer_ + used_, text.data(), n);
    used_ += n;
    text.remove_prefix(n);
  }
  return *this;
}

Output &Output::operator<<(char c) {
  if (used_ == kSize) flush();
  buffer_[used_++] = c;
  return *this;
}

Output &Output::operator<<(int64_t n) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, n);
  return *this << std::string_view(digits, static_cast<size_t>(result.ptr - digits));
}

size_t format_number(double value, char *buffer) {
  if (std::isnan(value)) {
    buffer[0] = '.';
    return 1;
  }
  return nlhost::write_iso(nlhost::ValueKind::kNumber, value, buffer);
}

Output &Output::number(double value) {
  char digits[32];
  return *this << std::string_view(digits, format_number(value, digits));
}

namespace {

// Standard output in another encoding: the encoder, and the lines written
// so far to say where a character it lacks stood.
struct OutputEncoding {
  std::optional<nlhost::Encoder> encoder;
  std::string encoded;
  uint64_t taken = 0;  // UTF-8 bytes handed to the encoder
  int64_t lines = 0;   // line ends among them
};
OutputEncoding &output_encoding() {
  static OutputEncoding encoding;
  return encoding;
}

// Writes text (UTF-8) in the output encoding; last: the end of output.
void write_encoded(std::string_view text, bool last) {
  OutputEncoding &e = output_encoding();
  e.encoded.clear();
  nlhost::ConversionError failure;
  const bool encoded = e.encoder->encode(text, last, &e.encoded, &failure);
  write_fully(STDOUT_FILENO, e.encoded);
  if (!encoded) {
    const size_t at = static_cast<size_t>(std::min<uint64_t>(failure.offset - e.taken, text.size()));
    const int64_t line =
        e.lines + std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(at), '\n') + 1;
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(failure.code_point));
    note_output_failure("output line " + std::to_string(line) + ": " + code + " cannot be written in " +
                        e.encoder->name() + " (" + failure.reason + ")");
  }
  e.taken += text.size();
  e.lines += std::count(text.begin(), text.end(), '\n');
}

// Once a write has failed the job is over: nothing more is tried.
void write_all(std::string_view text) {
  if (write_failed()) return;
  if (output_encoding().encoder) {
    write_encoded(text, false);
  } else {
    write_fully(STDOUT_FILENO, text);
  }
}

}  // namespace

void Output::flush() {
  write_all(std::string_view(buffer_, used_));
  used_ = 0;
}

void Output::write(std::string_view text) {
  if (text.size() < kSize - used_) {
    *this << text;
    return;
  }
  flush();
  write_all(text);
}

bool set_output_encoding(const std::string &name, std::string *error) {
  std::optional<nlhost::Encoder> encoder = nlhost::Encoder::open(name, error);
  if (!encoder) return false;
  if (encoder->passthrough()) encoder.reset();  // UTF-8: written as it is
  output_encoding().encoder = std::move(encoder);
  return true;
}

void finish_output_encoding() {
  if (output_encoding().encoder && !write_failed()) write_encoded({}, true);
}

void error(std::string_view message) {
  out().flush();  // keep the order of what both streams say
  std::fprintf(stderr, "nldat: %.*s\n", static_cast<int>(message.size()), message.data());
}

}  // namespace nldat
