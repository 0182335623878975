// Informat services: lookup and call of host informats, and the host's
// standard numeric informat w.d.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "decimal.h"
#include "host_internal.h"
#include "nlhost/host.h"
#include "services.h"

using namespace nlhost;

namespace {

constexpr int32_t kInformatKind = 'I';
// Longest name looked up; informat names are far shorter.
constexpr int32_t kMaxName = 64;
// The longest field wzifmn reads: more digits than a double tells apart.
constexpr int32_t kMaxNumericField = 512;

// The rare numbers wzifmn cannot scale exactly in one operation (more than
// 15 digits, or a power of ten beyond 1e22): the mantissa text and the
// exponent go to from_chars together, which rounds correctly.  Kept out of
// line so that the common path needs no 512-byte buffer on its stack.
[[gnu::noinline]] int32_t read_long_mantissa(const char *mantissa, int32_t length, int64_t exponent,
                                             bool negative, double *result) {
  char buffer[kMaxNumericField + 32];
  std::memcpy(buffer, mantissa, static_cast<size_t>(length));
  int32_t used = length;
  buffer[used++] = 'e';
  used = static_cast<int32_t>(std::to_chars(buffer + used, buffer + sizeof buffer, exponent).ptr - buffer);
  double value = 0;
  const auto [ptr, ec] = std::from_chars(buffer, buffer + used, value);
  if (ptr != buffer + used) return kNumericInvalid;
  if (ec == std::errc::result_out_of_range) {
    if (exponent > 0) return kNumericInvalid;  // too large for a double
    value = 0;                                 // underflow reads as zero
  } else if (ec != std::errc() || !std::isfinite(value)) {
    return kNumericInvalid;
  }
  *result = negative ? -value : value;
  return 0;
}

// The name xfrname looks up: at most kMaxName bytes, trailing blanks dropped.
std::string_view informat_name(const char *name, int32_t length) {
  const int32_t n = name != nullptr ? std::clamp(length, 0, kMaxName) : 0;
  std::string_view text(name, static_cast<size_t>(n));
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

// Looks up an informat by name, ignoring case and trailing blanks; stores its
// handle and answers 0, or answers kNoInformat and leaves the slot alone.
extern "C" int32_t nlhost_svc_xfrname(void *, const char *name, int32_t length, int32_t kind, int32_t,
                                      void **informat) noexcept {
  const std::string_view text = informat_name(name, length);
  Host *host = current_host();
  if (host == nullptr) return kNoInformat;
  if (kind != kInformatKind || length < 0 || length > kMaxName) return kNoInformat;
  const HostInformat *found = host->find_informat(text);
  if (found == nullptr) return kNoInformat;
  if (informat != nullptr) *informat = const_cast<HostInformat *>(found);
  return 0;
}

// Runs an informat that xfrname found.
extern "C" int32_t nlhost_svc_xfxbpn(uwn_informat_block *block, void *informat) noexcept {
  const auto *run = static_cast<const HostInformat *>(informat);
  if (block == nullptr || run == nullptr || !*run) return kNumericInvalid;
  return (*run)(block);
}

// The standard numeric informat w.d: at most w characters (never past the
// text length), blanks around, an optional sign, digits with at most one
// point, an optional exponent.  Without a point the last d digits are
// decimals.  A blank field reads as the missing value.  Anything else, a
// trailing or embedded sign included, answers kNumericInvalid and stores
// nothing.  wzifmn below reads its digits eight at a time where it can,
// nlhost::reference::wzifmn a digit at a time.

namespace {

constexpr uint64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// The digits that open the eight bytes of v (the first byte lowest): how
// many (0 to 8), their number in *value.  A byte is a digit when neither
// x - '0' nor x + (0x7F - '9') sets its top bit; no borrow or carry reaches a
// byte before the first other one.  The k digits are moved to the top of the
// word, behind zeros, and then paired, quadrupled and joined.  Out of line:
// its constants and registers are paid for only by runs long enough to gain.
[[gnu::noinline]] int leading_digits(uint64_t v, uint64_t *value) {
  constexpr uint64_t kOnes = 0x0101010101010101u;
  const uint64_t d = v - '0' * kOnes;
  const uint64_t others = (d | (v + (0x7F - '9') * kOnes)) & (0x80 * kOnes);
  const int k = others == 0 ? 8 : __builtin_ctzll(others) >> 3;
  if (k == 0) return 0;
  uint64_t x = k == 8 ? d : d << (8 * (8 - k));
  x = (x * 10 + (x >> 8)) & 0x00FF00FF00FF00FFu;
  x = (x * 100 + (x >> 16)) & 0x0000FFFF0000FFFFu;
  *value = (x * 10000 + (x >> 32)) & 0xFFFFFFFFu;
  return k;
}

// The digits at s[i, end) that run from i, up to the first other byte, read
// onto *mantissa as mantissa × 10 + digit each (wrapping past 19 digits as
// that does); the run's end.  While four or more bytes are left in a text
// of at least eight, eight are loaded and their leading digits taken
// together: from i, or the text's last eight moved down to i, the bytes past
// end reading as zeros (no digit).  Shorter runs cost less a byte at a time.
inline int32_t digit_run(const char *s, int32_t i, int32_t end, uint64_t *mantissa) {
  uint64_t m = *mantissa;
  if (end >= 8) {
    while (end - i >= 4) {
      uint64_t v;
      if (end - i >= 8) {
        std::memcpy(&v, s + i, sizeof v);
      } else {
        std::memcpy(&v, s + end - 8, sizeof v);
        v >>= 8 * (8 - (end - i));
      }
      uint64_t x = 0;
      const int k = leading_digits(v, &x);
      if (k == 0) break;
      m = m * kPowersOfTen[k] + x;
      i += k;
      if (k < 8) {
        *mantissa = m;
        return i;
      }
    }
  }
  for (; i < end && static_cast<unsigned char>(s[i] - '0') < 10; ++i)
    m = m * 10 + static_cast<uint64_t>(s[i] - '0');
  *mantissa = m;
  return i;
}

// The reader with the digit runs read by run(s, i, end, &mantissa), which
// answers the run's end: the service and the reference differ only there.
template <class DigitRun>
inline int32_t read_numeric(uwn_informat_block *block, DigitRun run) {
  if (block == nullptr || block->result == nullptr) return kNumericInvalid;
  const int32_t n = block->text != nullptr
                        ? std::clamp(std::min(block->width, block->text_length), 0, kMaxNumericField)
                        : 0;
  const char *s = block->text;
  int32_t i = 0, end = n;
  while (i < end && s[i] == ' ') ++i;
  while (end > i && s[end - 1] == ' ') --end;
  if (i == end) {
    *block->result = standard_missing();
    return 0;
  }

  bool negative = false;
  if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
  // Mantissa: digits with at most one point, a contiguous run of the text
  // that the rare slow path below hands to from_chars as it stands.
  const int32_t mantissa_start = i;
  uint64_t mantissa = 0;  // exact while there are at most 19 digits
  int32_t first = i;
  i = run(s, i, end, &mantissa);
  int32_t digits = i - first, decimals = 0;
  const bool point = i < end && s[i] == '.';
  if (point) {
    first = ++i;
    i = run(s, i, end, &mantissa);
    decimals = i - first;
    digits += decimals;
  }
  const int32_t mantissa_end = i;
  if (digits == 0) return kNumericInvalid;
  int64_t exponent = 0;
  if (i < end && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool exponent_negative = false;
    if (i < end && (s[i] == '+' || s[i] == '-')) exponent_negative = s[i++] == '-';
    const int32_t first_digit = i;
    for (; i < end && s[i] >= '0' && s[i] <= '9'; ++i)
      exponent = std::min<int64_t>(exponent * 10 + (s[i] - '0'), 100000);
    if (i == first_digit) return kNumericInvalid;
    if (exponent_negative) exponent = -exponent;
  }
  if (i != end) return kNumericInvalid;
  if (!point) exponent -= std::clamp(block->decimals, 0, 10000);

  if (double value = 0; exact_decimal(mantissa, digits, exponent - decimals, &value)) {
    *block->result = negative ? -value : value;
    return 0;
  }

  return read_long_mantissa(s + mantissa_start, mantissa_end - mantissa_start, exponent, negative,
                            block->result);
}

int32_t read_standard_numeric(uwn_informat_block *block) { return read_numeric(block, digit_run); }

}  // namespace

// The reader as first written, a digit at a time; the service reads the
// digits eight at a time and must answer alike (a test holds the two
// together).
[[gnu::noinline]] int32_t nlhost::reference::wzifmn(uwn_informat_block *block) noexcept {
  return read_numeric(block, [](const char *s, int32_t i, int32_t end, uint64_t *mantissa) {
    for (; i < end && static_cast<unsigned char>(s[i] - '0') < 10; ++i)
      *mantissa = *mantissa * 10 + static_cast<uint64_t>(s[i] - '0');
    return i;
  });
}

extern "C" int32_t nlhost_svc_wzifmn(uwn_informat_block *block) noexcept {
  return read_standard_numeric(block);
}

// The watched informat services: each call recorded (xfrname with its kind
// and name, the others with the block's width, -1 without a block), and
// failed when the test armed it.

extern "C" int32_t nlhost_watched_xfrname(void *locale, const char *name, int32_t length, int32_t kind,
                                          int32_t zero, void **informat) noexcept {
  if (watch_call("xfrname", kind, informat_name(name, length))) return kNoInformat;
  return nlhost_svc_xfrname(locale, name, length, kind, zero, informat);
}

extern "C" int32_t nlhost_watched_xfxbpn(uwn_informat_block *block, void *informat) noexcept {
  return watch_call("xfxbpn", block != nullptr ? block->width : -1) ? kNumericInvalid
                                                                    : nlhost_svc_xfxbpn(block, informat);
}

extern "C" int32_t nlhost_watched_wzifmn(uwn_informat_block *block) noexcept {
  return watch_call("wzifmn", block != nullptr ? block->width : -1) ? kNumericInvalid
                                                                    : nlhost_svc_wzifmn(block);
}
