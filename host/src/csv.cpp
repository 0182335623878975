// nlhost: one scanner for delimited records, used both to cut input into
// blocks of whole records and to split a record into its fields.
#include "nlhost/csv.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nlhost::csv {

// Sixteen bytes at a time where the machine compares them at once: most
// fields and lines are longer than a few bytes.
size_t field_end(std::string_view text, size_t from, char delimiter) {
  const char *const data = text.data();
  const size_t n = text.size();
  size_t i = from;
#if defined(__SSE2__)
  const __m128i delimiters = _mm_set1_epi8(delimiter);
  const __m128i line_feeds = _mm_set1_epi8('\n');
  const __m128i returns = _mm_set1_epi8('\r');
  for (; i + 16 <= n; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
    const __m128i stops =
        _mm_or_si128(_mm_cmpeq_epi8(bytes, delimiters),
                     _mm_or_si128(_mm_cmpeq_epi8(bytes, line_feeds), _mm_cmpeq_epi8(bytes, returns)));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(stops));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(mask));
  }
#endif
  while (i < n && data[i] != delimiter && data[i] != '\n' && data[i] != '\r') ++i;
  return i;
}

bool scan_record(std::string_view text, size_t start, char delimiter, bool at_end, RecordEnd *record,
                 std::vector<Field> *fields) {
  FieldEnds stops(text, delimiter);
  return scan_record(text, start, delimiter, at_end, stops, record, fields);
}

bool scan_record(std::string_view text, size_t start, char delimiter, bool at_end, FieldEnds &stops,
                 RecordEnd *record, std::vector<Field> *fields) {
  if (fields != nullptr) fields->clear();
  size_t lines = 0;
  size_t i = start;
  const size_t n = text.size();
  bool unclosed = false;
  for (;;) {
    // One field from i.
    Field field{i, i, false};
    if (i < n && text[i] == '"') {
      field.quoted = true;
      ++i;
      for (;;) {
        while (i < n && text[i] != '"') {
          // CR LF counts once; a lone CR or LF once each.
          if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == n || text[i + 1] != '\n'))) ++lines;
          ++i;
        }
        if (i == n) {  // unclosed: the field runs to the end
          unclosed = true;
          break;
        }
        if (i + 1 < n && text[i + 1] == '"') {
          i += 2;
          continue;
        }
        if (i + 1 == n && !at_end) return false;  // a "" may be cut in two
        ++i;
        break;
      }
      if (i == n && !at_end) return false;
    }
    i = stops.next(i);
    field.end = i;
    if (fields != nullptr) {
      // Member by member: a copy of the whole struct from the stack makes the
      // processor wait for the narrower stores it was built with.
      Field &kept = fields->emplace_back();
      kept.begin = field.begin;
      kept.end = field.end;
      kept.quoted = field.quoted;
    }
    if (i < n && text[i] == delimiter) {
      ++i;
      continue;
    }
    if (i == n) {
      if (!at_end) return false;
      *record = {i, 0, lines, unclosed};
      return true;
    }
    if (text[i] == '\r' && i + 1 == n && !at_end) return false;
    const size_t line_end = text[i] == '\r' && i + 1 < n && text[i + 1] == '\n' ? 2 : 1;
    *record = {i, line_end, lines};
    return true;
  }
}

namespace {

// The end of the last line end in text[from, to), 0 when there is none.  A
// CR as the input's last byte (at to == text.size()) may be the first half of
// a CR LF still to be read, so it ends nothing yet.
size_t last_line_end(std::string_view text, size_t from, size_t to) {
  for (size_t i = to; i > from; --i) {
    const char c = text[i - 1];
    if (c == '\n') return i;
    if (c == '\r' && i < text.size()) return i;
  }
  return 0;
}

}  // namespace

size_t last_record_end(std::string_view text, char delimiter) {
  // Outside quotes a record ends at every line end; a quote opens a quoted
  // part only where a field starts (after a delimiter or a line end), and
  // that part runs to the first quote not doubled.  Anywhere else a quote is
  // a byte like any other.
  const char *const data = text.data();
  const size_t n = text.size();
  size_t cut = 0;
  size_t pos = 0;  // the start of the stretch outside quotes
  for (;;) {
    const void *found = pos < n ? std::memchr(data + pos, '"', n - pos) : nullptr;
    size_t quote = found != nullptr ? static_cast<size_t>(static_cast<const char *>(found) - data) : n;
    while (quote < n && quote > 0 && text[quote - 1] != delimiter && text[quote - 1] != '\n' &&
           text[quote - 1] != '\r') {
      found = quote + 1 < n ? std::memchr(data + quote + 1, '"', n - quote - 1) : nullptr;
      quote = found != nullptr ? static_cast<size_t>(static_cast<const char *>(found) - data) : n;
    }
    if (const size_t end = last_line_end(text, pos, quote); end > 0) cut = end;
    if (quote == n) return cut;
    // A quoted part: its closing quote must be followed by a byte, else it may
    // be the first of a "" cut in two.
    size_t i = quote + 1;
    for (;;) {
      found = i < n ? std::memchr(data + i, '"', n - i) : nullptr;
      if (found == nullptr) return cut;
      i = static_cast<size_t>(static_cast<const char *>(found) - data);
      if (i + 1 == n) return cut;
      if (text[i + 1] != '"') break;
      i += 2;
    }
    pos = i + 1;
  }
}

std::string_view unquote(std::string_view raw, std::string &scratch) {
  if (raw.empty() || raw.front() != '"') return raw;
  // "a""b"c: the quoted part with "" as one quote, then what follows the closing quote.
  size_t i = 1;
  size_t close = raw.size();
  bool doubled = false;
  while (i < raw.size()) {
    if (raw[i] == '"') {
      if (i + 1 < raw.size() && raw[i + 1] == '"') {
        doubled = true;
        i += 2;
        continue;
      }
      close = i;
      break;
    }
    ++i;
  }
  const std::string_view inside = raw.substr(1, close - 1);
  const std::string_view after = close < raw.size() ? raw.substr(close + 1) : std::string_view();
  if (!doubled && after.empty()) return inside;
  scratch.clear();
  for (size_t k = 0; k < inside.size(); ++k) {
    scratch += inside[k];
    if (inside[k] == '"') ++k;  // the second quote of ""
  }
  scratch += after;
  return scratch;
}

char guess_delimiter(std::string_view header) {
  constexpr std::array<char, 4> kCandidates = {',', ';', '\t', '|'};
  std::array<size_t, 4> counts{};
  bool quoted = false;
  for (const char c : header) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    for (size_t k = 0; k < kCandidates.size(); ++k) counts[k] += c == kCandidates[k];
  }
  size_t best = 0;
  for (size_t k = 1; k < kCandidates.size(); ++k) {
    if (counts[k] > counts[best]) best = k;
  }
  return kCandidates[best];
}

}  // namespace nlhost::csv
