// nldat convert: one block of whole records in, the converted bytes, the
// counts and the unread fields out.  Everything but the converted fields is
// copied byte for byte.
#include "convert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

#include "messages.h"
#include "nlhost/civil.h"
#include "nlhost/detect.h"
#include "nlhost/iso_text.h"
#include "nlhost/utf8.h"

namespace nldat {

ChunkConverter::ChunkConverter(const ConvertPlan &plan, std::vector<ColumnReader> readers)
    : plan_(plan),
      readers_(std::move(readers)),
      // The bytes of ISO dates, times and datetimes and of plain numbers.
      delimiter_may_be_written_(std::string_view("0123456789+-.:Te").find(plan.delimiter) !=
                                std::string_view::npos) {}

size_t whole_records(std::string_view text, char delimiter, bool at_end, int64_t *lines) {
  size_t pos = 0;
  *lines = 0;
  csv::RecordEnd record;
  csv::FieldEnds stops(text, delimiter);
  while (pos < text.size() && csv::scan_record(text, pos, delimiter, at_end, stops, &record, nullptr)) {
    pos = record.end + record.line_end;
    *lines += static_cast<int64_t>(record.lines) + (record.line_end > 0);
  }
  return pos;
}

namespace {

using nlhost::detect::Order;

// A numeric date that reads as another date with its day and month swapped:
// the order it would have been read in the other way and its separator.
// Whether some locale writes that order with that separator
// (nlhost::detect::written_with) decides whether it could have been meant so.
struct SwappedForm {
  Order other;
  char separator;
};

constexpr std::string_view kDateSeparators = "/.-";

std::optional<SwappedForm> swapped_form(std::string_view field, double days, bool *day_first) {
  // Three runs of digits between one kind of separator: "05/06/2026".
  field = nlhost::trim_blanks(field);
  int runs[3] = {};
  size_t lengths[3] = {};
  size_t count = 0;
  char separator = '\0';
  for (size_t i = 0; i < field.size();) {
    if (field[i] < '0' || field[i] > '9') {
      if (kDateSeparators.find(field[i]) == std::string_view::npos ||
          (separator != '\0' && field[i] != separator))
        return std::nullopt;
      separator = field[i++];
      continue;
    }
    if (count == 3) return std::nullopt;
    size_t j = i;
    int value = 0;
    while (j < field.size() && field[j] >= '0' && field[j] <= '9' && j - i < 5)
      value = value * 10 + (field[j++] - '0');
    runs[count] = value;
    lengths[count++] = j - i;
    i = j;
  }
  if (count != 3 || lengths[0] > 2 || lengths[1] > 2) return std::nullopt;
  const nlhost::civil::Ymd ymd = nlhost::civil::civil_from_days(static_cast<int64_t>(std::floor(days)));
  if (ymd.day > 12 || ymd.day == ymd.month) return std::nullopt;
  if (runs[0] == ymd.day && runs[1] == ymd.month) {
    *day_first = true;
    return SwappedForm{Order::kMonthFirst, separator};
  }
  if (runs[0] == ymd.month && runs[1] == ymd.day) {
    *day_first = false;
    return SwappedForm{Order::kDayFirst, separator};
  }
  return std::nullopt;
}

// The form's bit in ColumnCounts::swapped_forms.
uint8_t form_bit(const SwappedForm &form) {
  return static_cast<uint8_t>(
      1u << (3 * (form.other == Order::kDayFirst) + kDateSeparators.find(form.separator)));
}

}  // namespace

void count_swappable(ColumnCounts &counts, std::string_view field, double days) {
  // Whether any locale writes the forms seen is asked at the end: the answer
  // needs the census of the locales, which most columns never need.
  if (const std::optional<SwappedForm> form = swapped_form(field, days, &counts.day_first)) {
    ++counts.swappable;
    counts.swapped_forms |= form_bit(*form);
  }
}

std::string swapped_warning(const ColumnCounts &totals) {
  if (totals.read == 0 || totals.swappable != totals.read) return {};
  for (const Order other : {Order::kMonthFirst, Order::kDayFirst}) {
    for (const char separator : kDateSeparators) {
      if ((totals.swapped_forms & form_bit({other, separator})) != 0 &&
          !nlhost::detect::written_with(other, separator))
        return {};
    }
  }
  return "all " + std::to_string(totals.read) + " dates also read " +
         (totals.day_first ? "month-first" : "day-first") +
         "; give --locale or check (nldat sniff shows why)";
}

bool reads_swapped(std::string_view field, double days, bool *day_first) {
  // Read one way, it could have been meant the other only where some locale
  // writes dates the other way with the same separator.
  const std::optional<SwappedForm> form = swapped_form(field, days, day_first);
  return form && nlhost::detect::written_with(form->other, form->separator);
}

void ChunkConverter::write_field(size_t k, std::string_view raw, bool quoted, bool ascii, int64_t line,
                                 ChunkResult *result, OutputCursor &output) {
  ColumnReader &reader = readers_[k];
  // A field is quoted exactly when it starts with a quote.
  const std::string_view field = quoted ? csv::unquote(raw, scratch_) : raw;
  const bool both = plan_.form == OutputForm::kBoth && reader.kind() != nlhost::ValueKind::kNumber;
  const auto delimiter = [&] { output.append(std::string_view(&plan_.delimiter, 1)); };
  if (field.empty() || (nlhost::is_blank(field.front()) && nlhost::trim_blanks(field).empty())) {
    ++result->counts[k].empty;
    output.append(raw);
    if (both) delimiter();
    return;
  }
  double value = 0;
  // A number goes out with the field's own digits where they are known.
  const bool number = reader.kind() == nlhost::ValueKind::kNumber;
  const ColumnReader::Outcome outcome = reader.read(field, &value, number ? &decimal_ : nullptr, ascii);
  if (outcome != ColumnReader::Outcome::kRead) {
    ++result->counts[k].unread;
    const bool ambiguous = outcome == ColumnReader::Outcome::kAmbiguous;
    result->counts[k].ambiguous += ambiguous;
    result->rejects.push_back({line, k, std::string(field), false, ambiguous ? reader.ambiguity() : ""});
    if (plan_.keep) {
      output.append(raw);
    } else if (quoted) {
      output.append("\"\"");
    }
    if (both) delimiter();
    return;
  }
  count_read(result->counts[k], reader.kind(), field, value);
  if (number && !decimal_.empty()) {  // a number is its own value: once, in every form
    write_text(decimal_, quoted, output);
    return;
  }
  char text[nlhost::kIsoTextMax];
  if (plan_.form == OutputForm::kValue) {
    write_text(std::string_view(text, nlhost::write_iso(nlhost::ValueKind::kNumber, value, text)), quoted,
               output);
    return;
  }
  write_text(std::string_view(
                 text, static_cast<size_t>(nlhost::iso::write_value(reader.kind(), value, text) - text)),
             quoted, output);
  if (both) {
    delimiter();
    write_text(std::string_view(text, nlhost::write_iso(nlhost::ValueKind::kNumber, value, text)), quoted,
               output);
  }
}

void ChunkConverter::convert(std::string_view records, int64_t first_line, ChunkResult *result) {
  result->output.clear();
  // Written straight into the output: most pieces of a record are short.
  OutputCursor output(result->output, records.size() + records.size() / 4 + 64);
  result->counts.assign(plan_.columns.size(), ColumnCounts{});
  result->rejects.clear();
  result->records = 0;
  result->lines = 0;
  result->invalid_line = 0;
  result->invalid_record = {};
  result->damage = {};
  // The block is walked once from UTF-8 sequence to UTF-8 sequence, as far
  // as its fields reach and then to its end: a field that ends before the
  // next byte past ASCII needs no normalization, and each sequence is tested
  // where it starts and stepped over whole (a byte that starts none alone).
  // The delimiter, quotes and line ends are ASCII: no field starts or ends
  // inside a sequence.
  size_t non_ascii = nlhost::ascii_prefix(records);
  bool valid = true;
  const auto past_non_ascii = [&] {
    const size_t length = nlhost::utf8_sequence_length(records, non_ascii);
    valid = valid && length != 0;
    non_ascii += std::max<size_t>(length, 1);
    non_ascii += nlhost::ascii_prefix(records.substr(non_ascii));
  };
  const auto ascii_field = [&](const csv::Field &f) {
    while (non_ascii < f.begin) past_non_ascii();
    return f.end <= non_ascii;
  };
  int64_t line = first_line;
  size_t pos = 0;
  csv::RecordEnd record;
  csv::FieldEnds stops(records, plan_.delimiter);
  while (pos < records.size() &&
         csv::scan_record(records, pos, plan_.delimiter, true, stops, &record, &fields_)) {
    // What goes out as it came, from here to the end of the record's line end.
    size_t copied = pos;
    if (record.end == pos) {
      // A blank line holds no fields to convert.
    } else if (record.unclosed) {
      // Where its fields end is not known: it goes out as it came.
      ++result->records;
      result->damage.unclosed_line = line;
    } else {
      count_fields(line, result);
      ++result->records;
      // In locals: the output's writes could be to anything, and the vectors
      // would be looked at again after each.
      const csv::Field *const fields = fields_.data();
      const size_t field_count = fields_.size();
      const size_t *const columns = plan_.columns.data();
      const size_t column_count = plan_.columns.size();
      for (size_t k = 0; k < column_count; ++k) {
        const size_t column = columns[k];
        if (column >= field_count) {
          ++result->counts[k].unread;
          result->rejects.push_back({line, k, std::string(), true});
          continue;
        }
        const csv::Field &f = fields[column];
        output.append(records.substr(copied, f.begin - copied));
        write_field(k, records.substr(f.begin, f.end - f.begin), f.quoted, ascii_field(f), line, result,
                    output);
        copied = f.end;
      }
    }
    output.append(records.substr(copied, record.end + record.line_end - copied));
    const int64_t record_lines = static_cast<int64_t>(record.lines) + (record.line_end > 0);
    line += record_lines;
    result->lines += record_lines;
    pos = record.end + record.line_end;
  }
  while (non_ascii < records.size()) past_non_ascii();
  if (!valid) find_invalid_record(records, first_line, result);
}

void ChunkConverter::find_invalid_record(std::string_view records, int64_t first_line,
                                         ChunkResult *result) const {
  // Line ends are ASCII: the first record that is not UTF-8 holds the block's first fault.
  int64_t line = first_line;
  size_t pos = 0;
  csv::RecordEnd record;
  while (pos < records.size() && csv::scan_record(records, pos, plan_.delimiter, true, &record, nullptr)) {
    const std::string_view text = records.substr(pos, record.end - pos);
    if (!valid_utf8(text)) {
      result->invalid_line = line;
      result->invalid_record = text;
      return;
    }
    line += static_cast<int64_t>(record.lines) + (record.line_end > 0);
    pos = record.end + record.line_end;
  }
}

void ChunkConverter::count_fields(int64_t line, ChunkResult *result) const {
  if (plan_.header_fields == 0 || fields_.size() == plan_.header_fields) return;
  const bool fewer = fields_.size() < plan_.header_fields;
  int64_t &count = fewer ? result->damage.fewer_fields : result->damage.more_fields;
  int64_t &first = fewer ? result->damage.first_fewer : result->damage.first_more;
  if (count++ == 0) first = line;
}

std::string ChunkConverter::header(std::string_view record) {
  csv::RecordEnd end;
  csv::scan_record(record, 0, plan_.delimiter, true, &end, &fields_);
  if (plan_.form != OutputForm::kBoth) return std::string(record);
  std::string output;
  size_t copied = 0;
  for (size_t k = 0; k < plan_.columns.size(); ++k) {
    const size_t column = plan_.columns[k];
    if (column >= fields_.size() || readers_[k].kind() == nlhost::ValueKind::kNumber) continue;
    const csv::Field &f = fields_[column];
    output.append(record.substr(copied, f.end - copied));
    copied = f.end;
    // The value column is named after its column: "Datum" gives "Datum value".
    const std::string_view name = csv::unquote(record.substr(f.begin, f.end - f.begin), scratch_);
    output += plan_.delimiter;
    output += '"';
    for (const char c : name) output.append(c == '"' ? 2 : 1, c);
    output += " value\"";
  }
  output.append(record.substr(copied));
  return output;
}

}  // namespace nldat
