// nlhost: delimited text (RFC 4180): records end at LF, CR LF or a lone CR
// outside quotes; a field that begins with a double quote runs to the
// matching quote, "" inside standing for one quote.  Any one-byte delimiter
// other than the quote and the line ends.
#ifndef NLHOST_CSV_H
#define NLHOST_CSV_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// Scans the record that starts at text[start]; true and *record set when it
// ends within text.  At the end of the input (at_end) the rest always forms a
// record; before it, a CR as the last byte waits for a possible LF.  When
// fields is not null it receives the record's fields.
bool scan_record(std::string_view text, size_t start, char delimiter, bool at_end, RecordEnd *record,
                 std::vector<Field> *fields);

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
