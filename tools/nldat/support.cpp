// nldat: context, buffered output, block-wise line reading, ISO 8601 text.
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cli.h"
#include "nlhost/civil.h"
#include "nlhost/icu_locale.h"

namespace nldat {

Context::Context(std::string locale_name, std::string module_path)
    : locale_name_(std::move(locale_name)), module_path_(std::move(module_path)) {}

// The module keeps the host's control block: it goes before the host.
Context::~Context() {
  module_.reset();
  host_.reset();
}

nlhost::Host *Context::host() {
  if (host_ != nullptr || host_failed_) return host_.get();
  std::string why;
  std::shared_ptr<nlhost::Locale> locale = nlhost::load_icu_locale(locale_name_, &why);
  if (locale == nullptr) {
    error(why);
    host_failed_ = true;
    return nullptr;
  }
  host_ = std::make_unique<nlhost::Host>();
  host_->make_current();
  host_->set_locale(std::move(locale));
  return host_.get();
}

nlhost::Module *Context::module() {
  if (module_ != nullptr || module_failed_) return module_.get();
  nlhost::Host *h = host();
  if (h == nullptr) {
    module_failed_ = true;
    return nullptr;
  }
  std::string why;
  module_ = nlhost::Module::open(*h, module_path_, &why);
  if (module_ == nullptr) {
    error(why);
    module_failed_ = true;
  }
  return module_.get();
}

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

bool LineReader::open(const char *path) {
  if (std::strcmp(path, "-") == 0) {
    fd_ = STDIN_FILENO;
    own_fd_ = false;
  } else {
    fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      error(std::string("cannot open ") + path + ": " + std::strerror(errno));
      return false;
    }
    own_fd_ = true;
  }
  capacity_ = 1 << 20;
  buffer_ = std::make_unique<char[]>(capacity_);
  begin_ = end_ = 0;
  eof_ = false;
  return true;
}

LineReader::~LineReader() {
  if (own_fd_ && fd_ >= 0) ::close(fd_);
}

bool LineReader::next(std::string_view *line) {
  for (;;) {
    const char *start = buffer_.get() + begin_;
    const void *newline = std::memchr(start, '\n', end_ - begin_);
    if (newline != nullptr || (eof_ && begin_ < end_)) {
      const char *stop = newline != nullptr ? static_cast<const char *>(newline) : buffer_.get() + end_;
      size_t length = static_cast<size_t>(stop - start);
      begin_ += length + (newline != nullptr);
      if (length > 0 && start[length - 1] == '\r') --length;
      *line = std::string_view(start, length);
      return true;
    }
    if (eof_) return false;
    // Keep the partial line at the front; grow only for a line longer than
    // the whole buffer.
    if (begin_ > 0) {
      std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
    }
    if (end_ == capacity_) {
      auto bigger = std::make_unique<char[]>(capacity_ * 2);
      std::memcpy(bigger.get(), buffer_.get(), end_);
      buffer_ = std::move(bigger);
      capacity_ *= 2;
    }
    const ssize_t n = ::read(fd_, buffer_.get() + end_, capacity_ - end_);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      eof_ = true;
    } else {
      end_ += static_cast<size_t>(n);
    }
  }
}

namespace {

char *two_digits(char *p, int v) {
  *p++ = static_cast<char>('0' + v / 10);
  *p++ = static_cast<char>('0' + v % 10);
  return p;
}

char *write_date(char *p, int64_t days_1960) {
  const nlhost::civil::Ymd civil = nlhost::civil::civil_from_days(days_1960);
  int64_t y = civil.year;
  const int m = civil.month, d = civil.day;
  if (y < 0) {
    *p++ = '-';
    y = -y;
  }
  char year[24];
  auto r = std::to_chars(year, year + sizeof year, y);
  for (auto n = r.ptr - year; n < 4; ++n) *p++ = '0';
  std::memcpy(p, year, static_cast<size_t>(r.ptr - year));
  p += r.ptr - year;
  *p++ = '-';
  p = two_digits(p, m);
  *p++ = '-';
  return two_digits(p, d);
}

}  // namespace

size_t iso_date(double date, char *buffer) {
  return static_cast<size_t>(write_date(buffer, static_cast<int64_t>(std::floor(date))) - buffer);
}

size_t iso_datetime(double datetime, char *buffer) {
  const double days = std::floor(datetime / 86400);
  const auto seconds = static_cast<int64_t>(std::floor(datetime - days * 86400));  // [0, 86399]
  char *p = write_date(buffer, static_cast<int64_t>(days));
  *p++ = 'T';
  p = two_digits(p, static_cast<int>(seconds / 3600));
  *p++ = ':';
  p = two_digits(p, static_cast<int>(seconds / 60 % 60));
  *p++ = ':';
  p = two_digits(p, static_cast<int>(seconds % 60));
  return static_cast<size_t>(p - buffer);
}

bool option_value(Args args, size_t *i, std::string_view name, std::string_view *value, bool *missing) {
  const std::string_view arg = args[*i];
  if (arg.substr(0, name.size()) != name) return false;
  if (arg.size() == name.size()) {
    if (*i + 1 >= args.size()) {
      *missing = true;
      return true;
    }
    *value = args[++*i];
    return true;
  }
  if (arg[name.size()] != '=') return false;
  *value = arg.substr(name.size() + 1);
  return true;
}

}  // namespace nldat
