// nldat convert: the work on one block of whole records, kept apart from
// reading and writing so that blocks can be converted on several threads and
// written in order.  A ChunkConverter holds its own field readers: one per
// thread.
#ifndef NLDAT_CONVERT_H
#define NLDAT_CONVERT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "csv.h"
#include "nlhost/column_reader.h"
#include "nlhost/reading.h"
#include "parallel_lines.h"

namespace nldat {

using nlhost::ColumnReader;

// What a converted field becomes.
enum class OutputForm {
  kIso,    // 2026-12-07, 2026-12-07T14:30:00, 14:30:00, -1234.56
  kValue,  // the value: days, seconds, the number
  kBoth,   // the ISO text, then a field of its own with the value (numbers: once)
};

struct ConvertPlan {
  char delimiter = ',';
  OutputForm form = OutputForm::kIso;
  bool keep = false;            // an unread field stays as it was (else it is left empty)
  std::vector<size_t> columns;  // the converted columns, 0-based, ascending
  size_t header_fields = 0;     // the header's fields: records with more or fewer are counted; 0: no header
};

// Whether field, a date read as days, is numeric text with the day and the
// month first in some order that reads as another date with them swapped;
// *day_first tells which order it was read in.
bool reads_swapped(std::string_view field, double days, bool *day_first);

// Counts a date read from field as swappable when it is (see count_read).
void count_swappable(ColumnCounts &counts, std::string_view field, double days);

// The day/month guard of convert and read.  Counts a value of kind read
// from field, a date also as swappable while every date before it in the
// block was.
inline void count_read(ColumnCounts &counts, nlhost::ValueKind kind, std::string_view field, double value) {
  ++counts.read;
  // The guard warns only of a column every date of which reads swapped too:
  // after the first that does not, the block's other dates need no look.
  if (kind == nlhost::ValueKind::kDate && counts.swappable + 1 == counts.read)
    count_swappable(counts, field, value);
}
// What the guard says of a column's totals: "all N dates also read
// month-first; ...", or "" when some date reads one way only.
std::string swapped_warning(const ColumnCounts &totals);

// A field that was not read: its line, the plan's column, the field's text
// (quotes removed); missing when the record has no such column.
struct Reject {
  int64_t line = 0;
  size_t column = 0;
  std::string field;
  bool missing = false;
  std::string ambiguity;  // read to different values by the alternatives: what each gave
};

struct ChunkResult {
  OutputBytes output;
  std::vector<ColumnCounts> counts;  // one per plan column
  std::vector<Reject> rejects;
  int64_t records = 0;
  int64_t lines = 0;                // the line ends in the block
  int64_t invalid_line = 0;         // the first line that is not UTF-8 text; 0 when all are
  std::string_view invalid_record;  // and its record, within the block converted
  RecordDamage damage;              // a record with an unclosed quote is passed through as it is
};

class ChunkConverter {
 public:
  // readers[k] reads plan.columns[k].
  ChunkConverter(const ConvertPlan &plan, std::vector<ColumnReader> readers);

  // Converts records (whole records, each with its line end but perhaps the
  // last), whose first line is first_line, into *result (cleared first).
  void convert(std::string_view records, int64_t first_line, ChunkResult *result);

  // The header record with the added value columns of OutputForm::kBoth.
  std::string header(std::string_view record);

 private:
  // Writes the converted field k of a record into result->output.
  // ascii: the field is all ASCII (nearly every one): it needs no normalization.
  void write_field(size_t k, std::string_view raw, bool quoted, bool ascii, int64_t line, ChunkResult *result,
                   OutputCursor &output);
  // A converted field holds no quote or line end; it needs quotes only where
  // the delimiter is a byte of ISO text or of a number.
  void write_text(std::string_view text, bool quoted, OutputCursor &output) const {
    quoted = quoted || (delimiter_may_be_written_ && text.find(plan_.delimiter) != std::string_view::npos);
    char *p = output.room(text.size() + 2);
    if (quoted) *p++ = '"';
    copy_bytes(p, text.data(), text.size());
    p += text.size();
    if (quoted) *p++ = '"';
    output.advance(p);
  }
  // Sets result's invalid_line and invalid_record to the first record of
  // records (converted from first_line) that is not UTF-8 text.
  void find_invalid_record(std::string_view records, int64_t first_line, ChunkResult *result) const;
  // Counts a record whose fields (in fields_) are more or fewer than the header's.
  void count_fields(int64_t line, ChunkResult *result) const;

  ConvertPlan plan_;
  std::vector<ColumnReader> readers_;
  std::vector<csv::Field> fields_;
  std::string scratch_;
  std::string decimal_;            // a number's exact text
  bool delimiter_may_be_written_;  // whether a converted field may hold the delimiter
};

// The length of the longest run of whole records at the start of text;
// *lines receives their line ends.  at_end: text runs to the end of the input.
size_t whole_records(std::string_view text, char delimiter, bool at_end, int64_t *lines);

}  // namespace nldat

#endif
