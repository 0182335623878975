// nlhost: delimited text (RFC 4180): records end at LF, CR LF or a lone CR
// outside quotes; a field that begins with a double quote runs to the
// matching quote, "" inside standing for one quote.  Any one-byte delimiter
// other than the quote and the line ends.
#ifndef NLHOST_CSV_H
#define NLHOST_CSV_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nlhost::csv {

// A field as it lies in its record: [begin, end), quotes and all.
struct Field {
  size_t begin = 0, end = 0;
  bool quoted = false;
};

// Where a record ends: its text is [start, end), its line end the next
// line_end bytes (0 for a last record without one); lines counts the line
// ends inside quoted fields, for line numbers.
struct RecordEnd {
  size_t end = 0;
  size_t line_end = 0;
  size_t lines = 0;
  bool unclosed = false;  // a quoted field ran to the end of the input without its closing quote
};

// The first position at or after from where text holds the delimiter or a
// line end (LF or CR); text.size() when none does.  A line reader passes
// '\n' as the delimiter.
size_t field_end(std::string_view text, size_t from, char delimiter);

// The positions where text holds the delimiter or a line end, found in
// turn: 64 bytes are compared at once (sixteen near the end) and the last
// window compared is kept as a bit a byte, so that most fields and lines end
// in a window looked at already.  A line reader passes '\n' as the
// delimiter.
class FieldEnds {
 public:
  FieldEnds(std::string_view text, char delimiter)
      : data_(text.data()),
        n_(text.size()),
        delimiter_(delimiter)
#if defined(__SSE2__)
        ,
        delimiters_(_mm_set1_epi8(delimiter)),
        line_feeds_(_mm_set1_epi8('\n')),
        returns_(_mm_set1_epi8('\r'))
#endif
  {
  }

  // field_end(text, from, delimiter).
  size_t next(size_t from) {
#if defined(__SSE2__)
    if (from - base_ < span_) {
      if (const uint64_t mask = mask_ >> (from - base_); mask != 0)
        return from + static_cast<size_t>(__builtin_ctzll(mask));
      from = base_ + span_;
    }
    for (; from + 64 <= n_; from += 64) {
      const uint64_t mask = stops_at(from) | stops_at(from + 16) << 16 | stops_at(from + 32) << 32 |
                            stops_at(from + 48) << 48;
      if (mask != 0) return kept(from, 64, mask);
    }
    for (; from + 16 <= n_; from += 16) {
      if (const uint64_t mask = stops_at(from); mask != 0) return kept(from, 16, mask);
    }
#endif
    while (from < n_ && data_[from] != delimiter_ && data_[from] != '\n' && data_[from] != '\r') ++from;
    return from;
  }

 private:
#if defined(__SSE2__)
  // The stops among the sixteen bytes from at, a bit each.
  uint64_t stops_at(size_t at) const {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data_ + at));
    const __m128i stops =
        _mm_or_si128(_mm_cmpeq_epi8(bytes, delimiters_),
                     _mm_or_si128(_mm_cmpeq_epi8(bytes, line_feeds_), _mm_cmpeq_epi8(bytes, returns_)));
    return static_cast<uint32_t>(_mm_movemask_epi8(stops));
  }
  size_t kept(size_t base, size_t span, uint64_t mask) {
    base_ = base;
    span_ = span;
    mask_ = mask;
    return base + static_cast<size_t>(__builtin_ctzll(mask));
  }
#endif

  const char *data_;
  size_t n_;
  char delimiter_;
#if defined(__SSE2__)
  __m128i delimiters_, line_feeds_, returns_;
  // The window of span_ bytes from base_ and its stops; none at first.
  size_t base_ = 0, span_ = 0;
  uint64_t mask_ = 0;
#endif
};

// Scans the record that starts at text[start]; true and *record set when it
// ends within text.  At the end of the input (at_end) the rest always forms a
// record; before it, a CR as the last byte waits for a possible LF.  When
// fields is not null it receives the record's fields.
bool scan_record(std::string_view text, size_t start, char delimiter, bool at_end, RecordEnd *record,
                 std::vector<Field> *fields);
// As above, finding stops by stops (made on text and delimiter), which the
// caller keeps from record to record: the window a record ends in is most
// often the one the next record's first fields end in.
bool scan_record(std::string_view text, size_t start, char delimiter, bool at_end, FieldEnds &stops,
                 RecordEnd *record, std::vector<Field> *fields);

// The end of the last whole record in text, which starts a record and is
// followed by more input: where scan_record would stop after its last
// record, but found by looking only at quotes and line ends, so that cutting
// input into blocks costs a fraction of splitting it into fields.  0 when no
// record ends within text.
size_t last_record_end(std::string_view text, char delimiter);

// The text a raw field stands for: its quotes removed and each "" made one
// quote (written into scratch only when needed).
std::string_view unquote(std::string_view raw, std::string &scratch);

// The delimiter of a header line: the most frequent of , ; tab | outside
// quotes, a comma when none occurs.
char guess_delimiter(std::string_view header);

}  // namespace nlhost::csv

#endif
