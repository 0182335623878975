// nldat: messages that quote untrusted fields safely and briefly.
#include "messages.h"

#include <cstdio>

#include "cli.h"
#include "nlhost/encoding.h"
#include "nlhost/utf8.h"

namespace nldat {

using nlhost::utf8_sequence_length;

bool valid_utf8(std::string_view text) { return nlhost::valid_utf8(text); }

namespace {

// Appends the escaped text to *to, whole characters of at most shown_bytes;
// returns how many bytes of text that took.
size_t escape_into(std::string_view text, size_t shown_bytes, std::string *to) {
  constexpr char kHex[] = "0123456789abcdef";
  size_t i = 0;
  while (i < text.size() && i < shown_bytes) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t length = utf8_sequence_length(text, i);
    if (length > 1 && i + length <= shown_bytes) {
      to->append(text.substr(i, length));
      i += length;
      continue;
    }
    if (length > 1) break;  // a character that does not fit whole
    if (c == '"' || c == '\\') {
      *to += '\\';
      *to += static_cast<char>(c);
    } else if (length == 0 || c < 0x20 || c == 0x7F) {
      *to += "\\x";
      *to += kHex[c >> 4];
      *to += kHex[c & 15];
    } else {
      *to += static_cast<char>(c);
    }
    ++i;
  }
  return i;
}

std::string cut_note(std::string_view text, size_t shown) {
  return shown < text.size() ? "... (" + std::to_string(text.size()) + " bytes)" : std::string();
}

}  // namespace

std::string escaped_for_message(std::string_view text, size_t shown_bytes) {
  std::string escaped;
  const size_t shown = escape_into(text, shown_bytes, &escaped);
  return escaped + cut_note(text, shown);
}

std::string quoted_for_message(std::string_view field) {
  std::string text = "\"";
  const size_t shown = escape_into(field, kShownFieldBytes, &text);
  return text + "\"" + cut_note(field, shown);
}

std::string shown_name(std::string_view name) { return escaped_for_message(name, kShownNameBytes); }

std::string not_utf8_message(std::string_view line, std::string_view sample) {
  size_t at = 0;
  while (at < line.size()) {
    const size_t length = utf8_sequence_length(line, at);
    if (length == 0) break;
    at += length;
  }
  std::string message = "not UTF-8 text";
  if (at < line.size()) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02x", static_cast<unsigned char>(line[at]));
    message = "byte " + std::to_string(at + 1) + " (" + byte + ") is not UTF-8 text";
  }
  const nlhost::EncodingGuess guess = nlhost::detect_encoding(sample);
  if (likely_encoding(guess)) {
    return message + "; it looks like " + guess.name + " (give --encoding " + guess.name +
           ", or --encoding auto)";
  }
  return message + " (give its encoding with --encoding NAME: windows-1252, Shift_JIS, ...)";
}

void MessageLimit::report(const std::string &message) {
  if (++count_ <= kShown) error(message);
}

void MessageLimit::finish() const {
  if (count_ > kShown) {
    error(subject_ + ": " + std::to_string(count_ - kShown) + " more " + what_ + " (" +
          std::to_string(count_) + " in all)");
  }
}

}  // namespace nldat
