// nldat: messages that quote untrusted fields safely and briefly.
#include "messages.h"

#include "cli.h"
#include "nlhost/utf8.h"

namespace nldat {

using nlhost::utf8_sequence_length;

bool valid_utf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    i += nlhost::ascii_prefix(text.substr(i));
    if (i == text.size()) break;
    const size_t length = utf8_sequence_length(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string quoted_for_message(std::string_view field) {
  constexpr size_t kShownBytes = 60;
  constexpr char kHex[] = "0123456789abcdef";
  std::string text = "\"";
  size_t i = 0;
  while (i < field.size() && i < kShownBytes) {
    const auto c = static_cast<unsigned char>(field[i]);
    size_t length = utf8_sequence_length(field, i);
    if (length > 1 && i + length <= kShownBytes) {
      text.append(field.substr(i, length));
      i += length;
      continue;
    }
    if (length > 1) break;  // a character that does not fit whole
    if (c == '"' || c == '\\') {
      text += '\\';
      text += static_cast<char>(c);
    } else if (length == 0 || c < 0x20 || c == 0x7F) {
      text += "\\x";
      text += kHex[c >> 4];
      text += kHex[c & 15];
    } else {
      text += static_cast<char>(c);
    }
    ++i;
  }
  text += '"';
  if (i < field.size()) text += "... (" + std::to_string(field.size()) + " bytes)";
  return text;
}

void MessageLimit::report(const std::string &message) {
  if (++count_ <= kShown) error(message);
}

void MessageLimit::finish() const {
  if (count_ > kShown) {
    error(subject_ + ": " + std::to_string(count_ - kShown) + " more fields not read (" +
          std::to_string(count_) + " in all)");
  }
}

}  // namespace nldat
