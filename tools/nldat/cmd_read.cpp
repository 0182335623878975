// nldat read: fields, one a line or one column of a delimited file, through
// an informat of the module or a reader of the locale library.
#include <string>
#include <vector>

#include "cli.h"
#include "csv.h"
#include "messages.h"

namespace nldat {
namespace {

// The field of a line: the whole line, or one column of it.  False when the
// line has fewer columns.
bool field_of(std::string_view line, const ReadOptions &options, std::vector<csv::Field> &fields,
              std::string &scratch, std::string_view *field) {
  if (options.column == 0) {
    *field = line;
    return true;
  }
  csv::RecordEnd end;
  csv::scan_record(line, 0, options.delimiter[0], true, &end, &fields);
  if (options.column > fields.size()) return false;
  const csv::Field &f = fields[options.column - 1];
  *field = csv::unquote(line.substr(f.begin, f.end - f.begin), scratch);
  return true;
}

}  // namespace

int cmd_read(Context &context, const ReadOptions &options) {
  std::optional<nlhost::FieldReader> reader = make_reader(context, options.reader);
  if (!reader) return kExitUsage;
  const std::vector<std::string> stdin_only = {"-"};
  MessageLimit unread(reader->name());
  std::vector<csv::Field> fields;
  std::string scratch;
  char text[48];
  for (const std::string &path : options.files.empty() ? stdin_only : options.files) {
    LineReader lines;
    if (!lines.open(path.c_str())) return kExitUsage;
    std::string_view line;
    for (int64_t number = 1; lines.next(&line); ++number) {
      if (options.header && number == 1) continue;
      if (!valid_utf8(line)) {
        error(lines.name() + ":" + std::to_string(number) + ": not UTF-8 text: " + quoted_for_message(line));
        return kExitUsage;
      }
      std::string_view field;
      if (!field_of(line, options, fields, scratch, &field)) {
        out() << ".\n";
        unread.report(lines.name() + ":" + std::to_string(number) + ": no column " +
                      std::to_string(options.column));
        continue;
      }
      if (options.echo) out() << field << '\t';
      double value = 0;
      if (!reader->read(field, &value)) {
        out() << ".\n";
        unread.report(lines.name() + ":" + std::to_string(number) + ": " + quoted_for_message(field) +
                      " not read by " + reader->name());
        continue;
      }
      // A number is its own text; a date or time is followed by its ISO 8601 text.
      out().number(value);
      if (reader->kind() != nlhost::ValueKind::kNumber) {
        out() << '\t' << std::string_view(text, nlhost::write_iso(reader->kind(), value, text));
      }
      out() << '\n';
    }
    if (lines.failed()) return kExitUsage;
  }
  unread.finish();
  return unread.count() == 0 ? kExitOk : kExitUnread;
}

}  // namespace nldat
