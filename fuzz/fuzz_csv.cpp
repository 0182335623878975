// convert's path over untrusted delimited text: the record scanner, the
// block converter with its strict field readers, and the message quoting.
// The first two bytes choose the delimiter, the output form and the
// options, and where the input is cut into two blocks; the rest is the file.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "convert.h"
#include "csv.h"
#include "fuzz_module.h"
#include "messages.h"
#include "nlhost/host.h"
#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"

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

  nldat::valid_utf8(text);
  nldat::quoted_for_message(text);
  return 0;
}
