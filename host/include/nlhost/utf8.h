// nlhost: the one test of well-formed UTF-8 that the host's multibyte
// services, field normalization and the CLI's messages share.
#ifndef NLHOST_UTF8_H
#define NLHOST_UTF8_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nlhost {

// The length of the run of ASCII bytes at the start of text: text.size()
// when it is all ASCII.  Several bytes at a time.
inline size_t ascii_prefix(std::string_view text) {
  size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= text.size(); i += 16) {  // sixteen at a time: the top bits of sixteen bytes at once
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data() + i));
    if (const int tops = _mm_movemask_epi8(bytes); tops != 0)
      return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(tops)));
  }
#endif
  for (uint64_t word = 0; i + 8 <= text.size(); i += 8) {
    std::memcpy(&word, text.data() + i, 8);
    if ((word & 0x8080808080808080ULL) != 0) break;
  }
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  return i;
}

// The length of the well-formed UTF-8 sequence at text[i] (i < text.size()):
// 1 for ASCII, 2 to 4 for a sequence, 0 when none starts there (a stray
// continuation byte, an overlong form, a surrogate, past U+10FFFF, cut short).
inline size_t utf8_sequence_length(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (length > text.size() - i) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

// Whether text is well-formed UTF-8 throughout.
inline bool valid_utf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    i += ascii_prefix(text.substr(i));
    if (i == text.size()) break;
    const size_t length = utf8_sequence_length(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

// A character of UTF-8 text: its code point and length in bytes.
struct CodePoint {
  char32_t value;
  size_t length;
};

// The UTF-8 character at text[i] (i < text.size()); a byte that starts no
// valid sequence stands for itself, one byte long, with value 0xFFFFFFFF.
inline CodePoint decode_utf8(std::string_view text, size_t i) {
  const size_t length = utf8_sequence_length(text, i);
  if (length == 0) return {0xFFFFFFFF, 1};
  const auto lead = static_cast<unsigned char>(text[i]);
  char32_t value = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) value = value << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  return {value, length};
}

// Appends code point c (at most U+10FFFF) to out as UTF-8.
inline void append_utf8(std::string &out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// U+FEFF in UTF-8: before the first line of a file, a byte-order mark that
// is no part of the text.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

constexpr bool starts_with_utf8_mark(std::string_view text) { return text.substr(0, 3) == kUtf8Mark; }

// The longest prefix of text of at most limit bytes that does not end inside
// a multibyte sequence: where a message cuts a name that is too long to show.
inline size_t utf8_cut(std::string_view text, size_t limit) {
  if (limit >= text.size()) return text.size();
  size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

}  // namespace nlhost

#endif  // NLHOST_UTF8_H
