// convert's path over untrusted delimited text: the record scanner, the
// block converter with its strict field readers, the one-pass number
// reading, and the message quoting.
// The first two bytes choose the delimiter, the output form and the
// options, and where the input is cut into two blocks; the rest is the file.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert.h"
#include "csv.h"
#include "fuzz_module.h"
#include "messages.h"
#include "nlhost/host.h"
#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"
#include "reading_stages.h"

namespace {

nldat_fuzz::LoadedModule &loaded() {
  static nldat_fuzz::LoadedModule *l = nldat_fuzz::load_module("de_DE");
  return *l;
}

nlhost::FieldReader field_reader(const char *name, bool strict) {
  std::string why;
  std::optional<nlhost::FieldReader> reader =
      nlhost::FieldReader::make(*loaded().host, *loaded().module, name, &why);
  if (!reader) std::abort();
  reader->set_strict(strict);
  return std::move(*reader);
}

// The first column is read by two alternatives, strict and lenient, so that
// the alternatives' path (agreeing, one reading) is run too.
std::vector<nldat::ColumnReader> readers(bool strict) {
  std::vector<nldat::ColumnReader> result;
  result.emplace_back(
      std::vector<nlhost::FieldReader>{field_reader("NLDATE", strict), field_reader("NLDATE", !strict)},
      std::vector<std::string>{"NLDATE", "NLDATE lenient"});
  for (const char *name : {"MONEY", "NLDATM", "NUMBER"})
    result.emplace_back(std::vector<nlhost::FieldReader>{field_reader(name, strict)},
                        std::vector<std::string>{name});
  return result;
}

// Converts text in two blocks cut near cut, as convert's reading loop does.
std::string convert_in_blocks(nldat::ChunkConverter &converter, char delimiter, std::string_view text,
                              size_t cut, int64_t *lines) {
  std::string output;
  nldat::ChunkResult result;
  int64_t first_lines = 0, rest_lines = 0;
  const size_t first = nldat::whole_records(text.substr(0, cut), delimiter, false, &first_lines);
  // The quick cut the reader uses must stop where the full scan does.
  if (nldat::csv::last_record_end(text.substr(0, cut), delimiter) != first) std::abort();
  converter.convert(text.substr(0, first), 1, &result);
  output += result.output;
  if (result.lines != first_lines) std::abort();
  for (const nldat::Reject &reject : result.rejects) {
    if (nldat::quoted_for_message(reject.field).size() > 60 * 4 + 40) std::abort();
  }
  const size_t rest = nldat::whole_records(text.substr(first), delimiter, true, &rest_lines);
  if (first + rest != text.size()) std::abort();  // at the end every byte is in a record
  converter.convert(text.substr(first), 1 + first_lines, &result);
  output += result.output;
  if (result.lines != rest_lines) std::abort();
  *lines = first_lines + rest_lines;
  return output;
}

// Every record of text split by the scanner (64 bytes compared at once)
// must have the fields a byte-at-a-time split finds.
void check_fields(std::string_view text, char delimiter) {
  size_t pos = 0;
  nldat::csv::RecordEnd record;
  std::vector<nldat::csv::Field> fields;
  while (pos < text.size() && nldat::csv::scan_record(text, pos, delimiter, true, &record, &fields)) {
    size_t i = pos;
    for (const nldat::csv::Field &f : fields) {
      if (f.begin != i || f.quoted != (i < text.size() && text[i] == '"')) std::abort();
      if (f.quoted) {  // to the closing quote, "" standing for one
        for (++i; i < text.size(); ++i) {
          if (text[i] != '"') continue;
          if (i + 1 < text.size() && text[i + 1] == '"') {
            ++i;
            continue;
          }
          ++i;
          break;
        }
      }
      while (i < text.size() && text[i] != delimiter && text[i] != '\n' && text[i] != '\r') ++i;
      if (f.end != i) std::abort();
      ++i;  // past the delimiter
    }
    if (record.end != fields.back().end) std::abort();
    pos = record.end + record.line_end;
  }
}

// Where the one-pass number reading answers, the whole-field reader must
// give the same value and digits.
void check_plain_numbers(std::string_view text) {
  const std::optional<nlhost::reading::NumberConventions> found =
      nlhost::reading::number_conventions(loaded().host->locale(), UWN_ITEM_NUMBER);
  if (!found) return;
  const nlhost::reading::NumberConventions &conventions = *found;
  for (size_t at = 0; at < text.size() && at < 4096; at += 7) {
    const std::string_view field = text.substr(at, 1 + static_cast<unsigned char>(text[at]) % 24);
    double value = 0;
    std::string decimal;
    if (!nlhost::reading::read_plain_number(field, conventions, &value, &decimal)) continue;
    std::string shape_decimal;
    nlhost::reading::NumberShape shape;
    shape.decimal = &shape_decimal;
    if (!nlhost::reading::read_number_shape(field, conventions, nlhost::ReaderSource::kNumber, &shape) ||
        std::memcmp(&shape.value, &value, sizeof value) != 0 || shape_decimal != decimal)
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  constexpr char kDelimiters[] = {',', ';', '\t', '|', '-', ' '};
  const char delimiter = kDelimiters[in.ConsumeIntegralInRange<size_t>(0, sizeof kDelimiters - 1)];
  const auto options = in.ConsumeIntegral<uint8_t>();
  const size_t cut = in.ConsumeIntegralInRange<size_t>(0, 4096);
  const std::string text = in.ConsumeRemainingBytesAsString();
  loaded().host->make_current();

  nldat::ConvertPlan plan;
  plan.delimiter = delimiter;
  plan.form = static_cast<nldat::OutputForm>(options % 3);
  plan.keep = (options & 4) != 0;
  plan.columns = {0, 1, 3, 4};
  nldat::ChunkConverter converter(plan, readers((options & 8) == 0));
  int64_t lines = 0;
  convert_in_blocks(converter, delimiter, text, cut, &lines);
  converter.header(text.substr(0, std::min<size_t>(text.size(), 200)));

  // With no column to convert, every byte goes out as it came.
  nldat::ConvertPlan none;
  none.delimiter = delimiter;
  nldat::ChunkConverter copier(none, {});
  int64_t copied_lines = 0;
  if (convert_in_blocks(copier, delimiter, text, cut, &copied_lines) != text) std::abort();
  if (copied_lines != lines) std::abort();

  check_fields(text, delimiter);
  check_plain_numbers(text);
  nldat::valid_utf8(text);
  nldat::quoted_for_message(text);
  return 0;
}
