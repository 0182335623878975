// nldat read: fields, one a line or one column of a delimited file, through
// an informat of the module or a reader of the locale library.  The lines
// are read in blocks on a few threads (each with its own FieldReader) and
// printed in input order: the output is the same on any number of threads.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli.h"
#include "convert.h"
#include "csv.h"
#include "messages.h"
#include "nlhost/iso_text.h"
#include "nlhost/utf8.h"
#include "output_files.h"
#include "parallel_lines.h"

namespace nldat {
namespace {

struct ReadOptions {
  ReaderChoice reader;
  std::vector<std::string> files;  // none: standard input
  size_t column = 0;               // from 1; 0: the whole line
  std::string delimiter = ",";
  bool header = false;
  bool echo = false;
  int threads = 0;            // worker threads; 0: the machine's cores
  std::string output;         // -o FILE; empty: standard output
  bool strict_order = false;  // an input whose every date reads swapped too counts as not read
};

// The topic of a field not read, counted against the limit (kNotUtf8: the
// input is not text and the job stops).
constexpr int32_t kUnread = 0;

// The field of a line: the whole line, or one column of it.  False when the
// line has fewer columns.
bool field_of(std::string_view line, size_t column, char delimiter, std::vector<csv::Field> &fields,
              std::string &scratch, std::string_view *field) {
  if (column == 0) {
    *field = line;
    return true;
  }
  csv::RecordEnd end;
  csv::scan_record(line, 0, delimiter, true, &end, &fields);
  if (column > fields.size()) return false;
  const csv::Field &f = fields[column - 1];
  *field = csv::unquote(line.substr(f.begin, f.end - f.begin), scratch);
  return true;
}

// The topic of a field read to different values by the alternatives.
constexpr int32_t kAmbiguous = 1;

// One worker's reading: its own readers and scratch space.
class ReadJob : public LineJob {
 public:
  ReadJob(ColumnReader reader, const ReadOptions &options) : reader_(std::move(reader)), options_(options) {}

  void run(std::string_view block, bool starts_input, BlockResult &result) override {
    // Written straight into the block's output: a line is short, and an
    // append of each piece would cost more than the piece.
    OutputCursor out(result.output, block.size() * 2 + 64);
    BlockLines lines(block, starts_input);
    std::string_view line;
    int64_t number = 0;
    ColumnCounts counts;
    const auto unread = [&](int32_t topic, std::string text) {
      out.append(".\n");
      result.note_at(out.size(), number, topic, std::move(text));
    };
    const nlhost::ValueKind kind = reader_.kind();
    const bool exact = kind == nlhost::ValueKind::kNumber;
    // The options in locals: the output's writes could be to anything, and
    // each test would read them again.
    const int64_t header_line = options_.header && starts_input ? 1 : 0;  // 0: none
    const bool echo = options_.echo;
    const size_t column = options_.column;
    const char delimiter = options_.delimiter[0];
    // Nearly every block is ASCII: tested once, its lines need no UTF-8 test
    // and its fields no normalization.
    const bool ascii = nlhost::ascii_prefix(block) == block.size();
    while (lines.next(&line)) {
      ++number;
      if (number == header_line) continue;
      if (!ascii && !valid_utf8(line)) {
        result.note_at(out.size(), number, kNotUtf8, not_utf8_message(line, block));
        result.fatal = true;
        break;
      }
      std::string_view field;
      if (!field_of(line, column, delimiter, fields_, scratch_, &field)) {
        unread(kUnread, "no column " + std::to_string(column));
        continue;
      }
      if (echo) {
        char *p = out.room(field.size() + 1);
        std::memcpy(p, field.data(), field.size());
        p[field.size()] = '\t';
        out.advance(p + field.size() + 1);
      }
      double value = 0;
      const ColumnReader::Outcome outcome = reader_.read(field, &value, exact ? &decimal_ : nullptr, ascii);
      if (outcome == ColumnReader::Outcome::kAmbiguous) {
        unread(kAmbiguous, quoted_for_message(field) + " not read: ambiguous, " + reader_.ambiguity());
        continue;
      }
      if (outcome == ColumnReader::Outcome::kNotRead) {
        unread(kUnread, quoted_for_message(field) + " not read by " + reader_.name());
        continue;
      }
      count_read(counts, kind, field, value);
      // A number is its own text, the field's own digits where they are
      // known; a date or time is followed by its ISO 8601 text.
      if (exact && !decimal_.empty()) {
        char *p = out.room(decimal_.size() + 1);
        std::memcpy(p, decimal_.data(), decimal_.size());
        p[decimal_.size()] = '\n';
        out.advance(p + decimal_.size() + 1);
        continue;
      }
      char *p = out.room(2 * nlhost::kIsoTextMax + 2);  // a value, a tab, its ISO text, a line end
      if (const auto days = nlhost::iso::whole_number(value); kind == nlhost::ValueKind::kDate && days) {
        // Whole days, nearly every date: the count and the date by digit pairs.
        p = nlhost::iso::write_integer(p, *days);
        *p++ = '\t';
        p = nlhost::iso::write_date(p, *days);
      } else {
        p += format_number(value, p);
        if (!exact) {
          *p++ = '\t';
          p = nlhost::iso::write_value(kind, value, p);
        }
      }
      *p++ = '\n';
      out.advance(p);
    }
    result.lines = number;
    result.columns.assign(1, counts);
  }

 private:
  ColumnReader reader_;
  const ReadOptions &options_;
  std::vector<csv::Field> fields_;
  std::string decimal_;
  std::string scratch_;
};

int cmd_read(Context &context, const ReadOptions &options) {
  if (!start_output(options.output, options.files.empty() ? std::vector<std::string>{"-"} : options.files))
    return kExitUsage;
  std::vector<ReaderChoice> choices;
  std::string why;
  if (!parse_readers(options.reader.name, options.reader, &choices, &why)) {
    error("read: " + quoted_for_message(options.reader.name) + ": " + why);
    return kExitUsage;
  }
  std::vector<ReaderChoice *> pinned;
  for (ReaderChoice &choice : choices) pinned.push_back(&choice);
  read_by_categories(context, pinned);
  std::optional<ColumnReader> reader = make_column_reader(context, choices);
  if (!reader) return kExitUsage;
  const LocaleSummary summary(context);
  const std::vector<std::string> stdin_only = {"-"};
  MessageLimit unread(reader->name());
  ParallelOptions parallel;
  parallel.threads = options.threads > 0 ? options.threads : default_threads();
  bool missing = false, swapped = false;
  for (const std::string &path : options.files.empty() ? stdin_only : options.files) {
    int fd = -1;
    bool owned = false;
    // An input that cannot be opened is said and the others are still read.
    if (!open_input(path.c_str(), &fd, &owned)) {
      missing = true;
      continue;
    }
    const std::string name = path == "-" ? "<stdin>" : path;
    bool stopped = false;
    ColumnCounts totals;
    const bool done = run_parallel_lines(
        fd, name, parallel,
        [&, worker = size_t{0}]() mutable {
          // Each worker reads through a module instance of its own.
          const std::optional<ColumnReader> own =
              worker == 0 ? reader : make_column_reader(context, choices, worker);
          ++worker;
          return std::make_unique<ReadJob>(own ? *own : *reader, options);
        },
        [&](BlockResult &result, int64_t first_line) {
          if (!result.columns.empty()) totals += result.columns[0];
          // The block's output with its messages in their places, as one thread prints them.
          const std::string_view output = result.output;
          size_t written = 0;
          for (const BlockResult::Note &note : result.notes) {
            out().write(output.substr(written, note.output_at - written));
            written = note.output_at;
            const std::string where =
                shown_name(name) + ":" + std::to_string(first_line + note.line - 1) + ": ";
            if (note.topic == kNotUtf8) {
              error(where + note.text);
              stopped = true;
              return false;
            }
            unread.report(where + note.text);
          }
          out().write(output.substr(written));
          return true;
        });
    if (owned) ::close(fd);
    if (!done || stopped) return kExitUsage;
    if (const std::string warning = swapped_warning(totals); !warning.empty()) {
      error(shown_name(name) + (options.column > 0 ? " column " + std::to_string(options.column) : "") +
            ": " + warning);
      swapped = swapped || options.strict_order;
    }
  }
  unread.finish();
  if (missing) return kExitUsage;
  return unread.count() == 0 && !swapped ? kExitOk : kExitUnread;
}

}  // namespace

Command add_read(CLI::App &app) {
  auto options = std::make_shared<ReadOptions>();
  ReadOptions &read = *options;
  CLI::App *command = app.add_subcommand(
      "read",
      "read fields, one a line or one column of a delimited file; print each value and its ISO 8601 text");
  command
      ->add_option("INFORMAT", read.reader.name,
                   reader_names(true) + " (the module's informats), " + reader_names(false) +
                       " (the locale library's readers); form:P reads by a pattern as the locale's own forms "
                       "are; INFORMAT@LOCALE by another locale; A|B by alternatives that must agree")
      ->required();
  command->add_option("FILE", read.files, "files to read; none or \"-\": standard input");
  command->add_option("--column", read.column, "read column N (1 is the first) of each line")
      ->check(column_validator())
      ->type_name("N");
  command
      ->add_option("--delimiter", read.delimiter, "the column delimiter (default \",\"; \\t or tab: a tab)")
      ->transform(delimiter_validator())
      ->type_name("C");
  command->add_flag("--header", read.header, "skip the first line of each file");
  command->add_flag("--echo", read.echo, "print the field itself first");
  command->add_flag("--strict-order", read.strict_order,
                    "exit 1 when every date of an input also reads with day and month swapped (standard "
                    "error warns of it either way)");
  command
      ->add_option("-o,--output", read.output,
                   "write the output to FILE, replaced only when the whole job is written")
      ->type_name("FILE");
  command->add_option("--threads", read.threads, "read on N threads (default: one per core, at most 8)")
      ->check(CLI::Range(1, 64))
      ->type_name("N");
  add_reading_options(*command, read.reader);
  command->footer(
      "A field that is not read prints \".\" and is reported on standard error with its line.\n"
      "Lines may end in LF, CR LF or CR alone.\n" +
      kExitText);
  return {command, [options](Context &context) { return cmd_read(context, *options); }};
}

}  // namespace nldat
