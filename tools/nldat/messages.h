// nldat: what a message may show of untrusted text, and how many messages a
// column may print.
#ifndef NLDAT_MESSAGES_H
#define NLDAT_MESSAGES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "nlhost/encoding.h"

namespace nldat {

// Whether text is well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF).
bool valid_utf8(std::string_view text);

// How much of a field, or of a name or value a user gave, a message shows.
inline constexpr size_t kShownFieldBytes = 60;

// field in double quotes for a message: at most 60 bytes of it (whole
// characters), then "..."; control bytes, invalid bytes, a NUL and the quote
// and backslash themselves written as escapes (\x1b, \x00, \", \\).
std::string quoted_for_message(std::string_view field);

// text for a message as quoted_for_message() writes it, without the quotes,
// at most shown_bytes of it.
std::string escaped_for_message(std::string_view text, size_t shown_bytes);

// A file or other name for a message: escaped, at most kShownNameBytes.
inline constexpr size_t kShownNameBytes = 200;
std::string shown_name(std::string_view name);

// Where a line that is not UTF-8 first goes wrong, and what to do: "byte 12
// (0xfc) is not UTF-8 text; it looks like windows-1252 (give --encoding
// windows-1252)", the encoding guessed from sample (the text around the
// line) by ICU's detector.
std::string not_utf8_message(std::string_view line, std::string_view sample);

using nlhost::likely_encoding;

// The messages about one column (or one command's values): the first 20 go
// to standard error, the rest are only counted and summed up by finish() as
// "SUBJECT: N more WHAT (M in all)".
class MessageLimit {
 public:
  static constexpr int64_t kShown = 20;
  explicit MessageLimit(std::string subject, std::string what = "fields not read")
      : subject_(std::move(subject)), what_(std::move(what)) {}
  void report(const std::string &message);
  void finish() const;
  int64_t count() const { return count_; }

 private:
  std::string subject_;
  std::string what_;
  int64_t count_ = 0;
};

}  // namespace nldat

#endif
