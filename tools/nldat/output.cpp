// nldat: buffered standard output and messages on standard error.
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cli.h"

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

Output &Output::number(double value) {
  if (std::isnan(value)) return *this << '.';
  if (value == std::floor(value) && std::fabs(value) < 9e15) return *this << static_cast<int64_t>(value);
  char digits[32];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  return *this << std::string_view(digits, static_cast<size_t>(result.ptr - digits));
}

void Output::flush() {
  size_t done = 0;
  while (done < used_) {
    const ssize_t n = ::write(STDOUT_FILENO, buffer_ + done, used_ - done);
    if (n <= 0) break;  // a closed pipe: nothing more can be said
    done += static_cast<size_t>(n);
  }
  used_ = 0;
}

void error(std::string_view message) {
  out().flush();  // keep the order of what both streams say
  std::fprintf(stderr, "nldat: %.*s\n", static_cast<int>(message.size()), message.data());
}

}  // namespace nldat
