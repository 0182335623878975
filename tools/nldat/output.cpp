// nldat: buffered standard output and messages on standard error.
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cli.h"
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

// Once a write has failed the job is over: nothing more is tried.
void write_all(std::string_view text) {
  if (!write_failed()) write_fully(STDOUT_FILENO, text);
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

void error(std::string_view message) {
  out().flush();  // keep the order of what both streams say
  std::fprintf(stderr, "nldat: %.*s\n", static_cast<int>(message.size()), message.data());
}

}  // namespace nldat
