// Multibyte text services over the host text descriptor: UTF-8, with lead
// bytes a test may redeclare (Host::set_multibyte_lead).
#include <algorithm>
#include <cstring>
#include <string_view>

#include "host_internal.h"
#include "nlhost/host.h"
#include "nlhost/utf8.h"
#include "services.h"

using namespace nlhost;

namespace {

// The usable length of a descriptor's text: its length field, never more
// than its capacity, never negative.
int32_t usable_length(const uwn_text_descriptor *d) {
  if (d->text == nullptr) return 0;
  return std::max<int32_t>(0, std::min<int32_t>(d->length, d->capacity));
}

// Byte length of the character that starts at i (i < n): a valid UTF-8
// sequence, or 1 for ASCII and for any byte that does not start one.
int32_t char_length(const Host *host, const unsigned char *s, int32_t i, int32_t n) {
  const unsigned char lead = s[i];
  if (host != nullptr && host->multibyte_lead(lead) != 0) return std::min(host->multibyte_lead(lead), n - i);
  const size_t len = utf8_sequence_length(
      std::string_view(reinterpret_cast<const char *>(s), static_cast<size_t>(n)), static_cast<size_t>(i));
  return len == 0 ? 1 : static_cast<int32_t>(len);
}

// Notes the answer in the descriptor.
int32_t answer_wzsxoff(uwn_text_descriptor *d, int32_t offset, int32_t answer) {
  d->last_offset = static_cast<int16_t>(offset);
  d->last_length = static_cast<int16_t>(answer);
  return answer;
}

// wzsxoff at a byte that may belong to a longer character (offset in
// [0, n)): walks from the character last examined when it lies before
// offset.  Out of line so that the ASCII path stays a leaf.
[[gnu::noinline]] int32_t wzsxoff_walk(Host *host, uwn_text_descriptor *d, int32_t offset, int32_t n) {
  const auto *s = reinterpret_cast<const unsigned char *>(d->text);
  int32_t start = d->host_24 <= static_cast<uint64_t>(offset) ? static_cast<int32_t>(d->host_24) : 0;
  // A run of one-byte characters needs no decoding.
  while (start < offset && s[start] < 0x80 && (host == nullptr || host->multibyte_lead(s[start]) == 0))
    ++start;
  int32_t len = char_length(host, s, start, n);
  while (start + len <= offset) {
    start += len;
    len = char_length(host, s, start, n);
  }
  d->host_24 = static_cast<uint64_t>(start);
  return answer_wzsxoff(d, offset, len);
}

}  // namespace

// The byte length of the character at offset, recorded in the descriptor.
// An offset inside a longer character answers that character's length, so
// that a trail byte is never taken for a character by itself.  Offsets
// outside the text answer 1.  The start of the character last examined is
// kept in host_24, so that a forward scan walks the text once.
extern "C" int32_t nlhost_svc_wzsxoff(uwn_text_descriptor *d, int32_t offset) noexcept {
  if (d == nullptr) return 1;
  Host *host = current_host();
  const int32_t n = usable_length(d);
  if (offset == 0) d->host_24 = 0;  // set-up: start from the beginning
  if (offset >= 0 && offset < n) {
    // In UTF-8 an ASCII byte is never part of a longer character.
    if (static_cast<unsigned char>(d->text[offset]) >= 0x80 || (host != nullptr && host->has_custom_leads()))
      return wzsxoff_walk(host, d, offset, n);
    d->host_24 = static_cast<uint64_t>(offset);
  }
  return answer_wzsxoff(d, offset, 1);
}

// Moves whole characters of source (count of them, or all for a negative
// count) into destination as far as they fit its capacity; the destination's
// length becomes the number of bytes written, which is also the answer.
extern "C" int32_t nlhost_svc_wzsxmov(uwn_text_descriptor *source, int32_t count,
                                      uwn_text_descriptor *destination) noexcept {
  Host *host = current_host();
  if (destination == nullptr) return 0;
  const int32_t room = destination->text != nullptr ? std::max<int32_t>(0, destination->capacity) : 0;
  int32_t written = 0;
  if (source != nullptr) {
    const int32_t n = usable_length(source);
    const auto *s = reinterpret_cast<const unsigned char *>(source->text);
    int32_t moved = 0;
    while (written < n && (count < 0 || moved < count)) {
      const int32_t len = char_length(host, s, written, n);
      if (written + len > room) break;
      written += len;
      ++moved;
    }
    if (written > 0)
      std::memmove(const_cast<char *>(destination->text), source->text, static_cast<size_t>(written));
  }
  destination->length = static_cast<int16_t>(written);
  return written;
}

// The watched text services: each call recorded with its offset or count.

extern "C" int32_t nlhost_watched_wzsxoff(uwn_text_descriptor *d, int32_t offset) noexcept {
  watch_record("wzsxoff", offset);
  return nlhost_svc_wzsxoff(d, offset);
}

extern "C" int32_t nlhost_watched_wzsxmov(uwn_text_descriptor *source, int32_t count,
                                          uwn_text_descriptor *destination) noexcept {
  watch_record("wzsxmov", count);
  return nlhost_svc_wzsxmov(source, count, destination);
}
