// nldat convert: a delimited file with some columns read by informats and
// written as ISO 8601 text or plain values, everything else kept byte for
// byte.  The records stream through a few blocks converted on worker threads
// and written in order, so memory does not grow with the file.
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "cli.h"
#include "convert.h"
#include "messages.h"
#include "nlhost/text.h"
#include "output_files.h"
#include "parallel_lines.h"

namespace nldat {
namespace {

struct ConvertOptions {
  std::string file = "-";
  std::vector<std::string> columns;  // NAME=INFORMAT or N=INFORMAT
  std::string delimiter;             // empty: guessed from the header line
  std::string form = "iso";          // iso, value or both
  std::string output;                // -o FILE; empty: standard output
  bool keep = false;
  bool no_header = false;
  std::string rejects;
  int threads = 0;            // worker threads; 0: the machine's cores
  ReaderChoice reader;        // --lenient, --pattern, --rule for every column
  bool auto_plan = false;     // --auto: the columns and locale from sniffing the file
  bool plan_only = false;     // --plan: print the plan, convert nothing
  std::string prefer;         // --prefer ORDER: settles ambiguous columns
  bool strict_order = false;  // a date column that reads swapped too counts as not read
};

constexpr size_t kBlock = 1 << 18;            // read and converted at a time
constexpr int64_t kProgressAbove = 64 << 20;  // a file this big shows progress on a terminal

// A block's unread fields travel as its notes: the topic tells the column
// and why (kTopics of them); kNotUtf8 stops the job.
enum Why : int32_t { kNotRead, kMissing, kAmbiguous, kTopics };
int32_t reject_topic(const Reject &reject) {
  const Why why = reject.missing ? kMissing : reject.ambiguity.empty() ? kNotRead : kAmbiguous;
  return static_cast<int32_t>(kTopics * reject.column) + why;
}

// One --column NAME|N=READER, resolved against the header.
struct ColumnChoice {
  std::string title;  // the header's name, or the user's when there is none
  std::string shown;  // title as messages show it: escaped, cut
  size_t index = 0;
  std::vector<ReaderChoice> readers;  // the alternatives given
  std::string label;                  // the readers as given, for messages
};

bool all_digits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The column that choice->title names among the header's names (exactly,
// else in any case; a number is a column number): choice->index and
// ->title set, or false after printing why not (readers: the readers as
// given, for the advice).
bool find_column(const std::vector<std::string> &names, const std::string &readers, ColumnChoice *choice) {
  if (all_digits(choice->title)) {
    size_t number = 0;
    const auto parsed =
        std::from_chars(choice->title.data(), choice->title.data() + choice->title.size(), number);
    if (parsed.ec == std::errc::result_out_of_range) {
      error("convert: no column has so large a number: " + quoted_for_message(choice->title));
      return false;
    }
    if (number == 0) {
      error("convert: columns count from 1");
      return false;
    }
    choice->index = number - 1;
    choice->title = choice->index < names.size() && !names[choice->index].empty()
                        ? names[choice->index]
                        : "column " + std::to_string(number);
  } else {
    // The columns of that name exactly, else in any case: more than one
    // is no choice of ours.
    std::vector<size_t> named;
    for (size_t k = 0; k < names.size(); ++k)
      if (names[k] == choice->title) named.push_back(k);
    if (named.empty()) {
      for (size_t k = 0; k < names.size(); ++k)
        if (nlhost::same_name(names[k], choice->title)) named.push_back(k);
    }
    if (named.size() > 1) {
      std::string where;
      for (const size_t k : named) where += (where.empty() ? "" : ", ") + std::to_string(k + 1);
      error("convert: more than one column is named " + quoted_for_message(choice->title) + " (columns " +
            where + "); name it by its number (--column " + std::to_string(named[0] + 1) + "=" +
            escaped_for_message(readers, kShownFieldBytes) + ")");
      return false;
    }
    if (named.empty()) {
      std::string known;
      // Whole names, as many as fit a line or so.
      for (const std::string &name : names) {
        if (known.size() > 400) {
          known += ", ...";
          break;
        }
        known += (known.empty() ? "" : ", ") + quoted_for_message(name);
      }
      error("convert: no column named " + quoted_for_message(choice->title) +
            (names.empty() ? std::string(" (no header line)") : " (the header has " + known + ")"));
      return false;
    }
    choice->index = named[0];
    choice->title = names[choice->index];
  }
  return true;
}

// Resolves each --column against the header's names (exact first, then in
// any case); a number is a column number.  False after printing why not.
bool resolve_columns(const ConvertOptions &options, const std::vector<std::string> &names,
                     std::vector<ColumnChoice> *columns) {
  for (const std::string &column_option : options.columns) {
    const size_t equals = column_option.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == column_option.size()) {
      error("convert: --column takes NAME=INFORMAT or N=INFORMAT, not " + quoted_for_message(column_option));
      return false;
    }
    ColumnChoice choice;
    choice.title = column_option.substr(0, equals);
    std::string why;
    if (!parse_readers(std::string_view(column_option).substr(equals + 1), options.reader, &choice.readers,
                       &why)) {
      error("convert: --column " + quoted_for_message(column_option) + ": " + why);
      return false;
    }
    choice.label = choice.readers.size() == 1 && choice.readers[0].locale.empty() && !choice.readers[0].form
                       ? choice.readers[0].name
                       : column_option.substr(equals + 1);
    if (!find_column(names, column_option.substr(equals + 1), &choice)) return false;
    choice.shown = escaped_for_message(choice.title, kShownFieldBytes);
    for (const ColumnChoice &other : *columns) {
      if (other.index == choice.index) {
        error("convert: column " + std::to_string(choice.index + 1) + " is named twice");
        return false;
      }
    }
    columns->push_back(std::move(choice));
  }
  std::sort(columns->begin(), columns->end(),
            [](const ColumnChoice &a, const ColumnChoice &b) { return a.index < b.index; });
  return true;
}

// The header record, read before the records are handed to the workers:
// the columns must be known before any record is converted.
class HeaderReader {
 public:
  // held: the input's first bytes, read already.
  explicit HeaderReader(std::string held = {}) : text_(std::move(held)) {}
  // Reads until text() holds the first record (all of the input when it has
  // no line end); false after printing why not.
  bool read(int fd, const std::string &name) {
    csv::RecordEnd end;
    for (;;) {
      const std::string_view held = std::string_view(text_).substr(bom());
      if (csv::scan_record(held, 0, ',', at_end_, &end, nullptr)) {
        end_ = bom() + end.end;
        line_end_ = end.line_end;
        lines_ = static_cast<int64_t>(end.lines) + (end.line_end > 0);
        return true;
      }
      if (text_.size() > kLongestRecord) {
        error(shown_name(name) + ":1: a record longer than 64 MiB (an unclosed quote?)");
        return false;
      }
      // Each read doubles what is held, so that a long header is scanned a
      // few times rather than once every 64 KiB.
      const size_t have = text_.size();
      const size_t want = std::min(std::max(have, kHeaderRead), kLongestRecord + 1 - have);
      if (have + want > text_.capacity())
        text_.reserve(nlhost::grown_capacity(text_.capacity(), have + want, kLongestRecord + 1));
      text_.resize(have + want);
      const ssize_t n = ::read(fd, text_.data() + have, want);
      text_.resize(have + static_cast<size_t>(std::max<ssize_t>(n, 0)));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        error(shown_name(name) + ": " + std::strerror(errno));
        return false;
      }
      at_end_ = n == 0;
    }
  }
  // A byte-order mark goes out as it came, but is no part of the first name.
  size_t bom() const { return std::string_view(text_).substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0; }
  std::string_view record() const { return std::string_view(text_).substr(bom(), end_ - bom()); }
  std::string_view line_end() const { return std::string_view(text_).substr(end_, line_end_); }
  // What was read past the header record.
  std::string_view rest() const { return std::string_view(text_).substr(end_ + line_end_); }
  std::string_view all() const { return text_; }
  int64_t lines() const { return lines_; }

 private:
  static constexpr size_t kHeaderRead = 64 << 10;
  std::string text_;
  size_t end_ = 0, line_end_ = 0;
  int64_t lines_ = 0;
  bool at_end_ = false;
};

// A progress line on standard error, for a long job watched on a terminal.
class Progress {
 public:
  explicit Progress(int64_t size) : shown_(size > kProgressAbove && ::isatty(STDERR_FILENO)), size_(size) {}
  void update(int64_t bytes, int64_t rows) {
    if (!shown_) return;
    const auto now = Clock::now();
    if (now - last_ < std::chrono::milliseconds(250)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : 0;
    const double left = rate > 0 ? static_cast<double>(size_ - bytes) / rate : 0;
    std::fprintf(stderr, "\rnldat: %lld of %lld MB, %lld rows, %.0f MB/s, %.0f s left  ",
                 static_cast<long long>(bytes >> 20), static_cast<long long>(size_ >> 20),
                 static_cast<long long>(rows), rate / (1 << 20), left);
  }
  // Clears the line.
  void finish() {
    if (shown_) std::fputs("\r\x1b[K", stderr);
    shown_ = false;
  }
  ~Progress() { finish(); }

 private:
  using Clock = std::chrono::steady_clock;
  bool shown_;
  int64_t size_;
  Clock::time_point start_ = Clock::now(), last_ = start_;
};

// --rejects FILE: line, column, field, as CSV.  Every write checked; never
// one of the job's inputs or its output.
class RejectsFile {
 public:
  bool open(const std::string &path, const std::vector<std::string> &inputs) {
    if (path.empty()) return true;
    std::string why;
    if (!file_.open(path, OutputFile::Mode::kDirect, inputs, &why)) {
      error(why);
      return false;
    }
    return file_.write("line,column,field\n");
  }
  void add(int64_t line, std::string_view column, std::string_view field) {
    if (!file_.is_open()) return;
    text_.clear();
    text_ += std::to_string(line);
    text_ += ',';
    quote(column);
    text_ += ',';
    quote(field);
    text_ += '\n';
    file_.write(text_);
  }
  // Writes what is held and closes; false (noted as a write error) when that fails.
  bool close() { return file_.commit(); }

 private:
  void quote(std::string_view text) {
    text_ += '"';
    for (const char c : text) text_.append(c == '"' ? 2 : 1, c);
    text_ += '"';
  }
  OutputFile file_;
  std::string text_;
};

// The input's damage, summed over the blocks in file order.
struct Damage {
  RecordDamage total;
  void add(const RecordDamage &block, int64_t first_line) {
    const auto at = [first_line](int64_t line) { return line == 0 ? 0 : first_line + line - 1; };
    if (total.unclosed_line == 0) total.unclosed_line = at(block.unclosed_line);
    if (total.fewer_fields == 0) total.first_fewer = at(block.first_fewer);
    if (total.more_fields == 0) total.first_more = at(block.first_more);
    total.fewer_fields += block.fewer_fields;
    total.more_fields += block.more_fields;
  }
  // Says what there is; true when there is none.
  bool report(const std::string &name) const {
    const std::string file = shown_name(name);
    if (total.unclosed_line != 0) {
      error(file + ":" + std::to_string(total.unclosed_line) +
            ": a quote opened in this record is never closed: the record is passed on as it is");
    }
    const auto counted = [&](int64_t count, int64_t first, const char *what) {
      if (count == 0) return;
      error(file + ":" + std::to_string(first) + ": " + std::to_string(count) +
            (count == 1 ? " record" : " records") + " with " + what +
            " fields than the header, the first here");
    };
    counted(total.fewer_fields, total.first_fewer, "fewer");
    counted(total.more_fields, total.first_more, "more");
    return total.unclosed_line == 0 && total.fewer_fields == 0 && total.more_fields == 0;
  }
};

// What the job tells at the end and along the way: the counts a column, its
// first messages, the rejects file.
class Report {
 public:
  Report(const std::vector<ColumnChoice> &columns, std::string input_name)
      : columns_(columns), input_name_(std::move(input_name)), totals_(columns.size()) {
    for (const ColumnChoice &column : columns) messages_.emplace_back(column.shown);
  }
  bool open_rejects(const std::string &path, const std::vector<std::string> &inputs) {
    return rejects_.open(path, inputs);
  }

  // Takes a block's counts and unread fields, in file order; first_line is
  // the input's line where the block begins.
  void add(const BlockResult &result, int64_t first_line) {
    for (size_t k = 0; k < totals_.size() && k < result.columns.size(); ++k) totals_[k] += result.columns[k];
    damage_.add(result.damage, first_line);
    for (const BlockResult::Note &note : result.notes) {
      const size_t k = static_cast<size_t>(note.topic / kTopics);
      const ColumnChoice &column = columns_[k];
      const int64_t line = first_line + note.line - 1;
      const std::string where = shown_name(input_name_) + ":" + std::to_string(line) + ": ";
      switch (note.topic % kTopics) {
        case kMissing: messages_[k].report(where + "no column " + column.shown); break;
        case kAmbiguous:
          messages_[k].report(where + column.shown + ": " + quoted_for_message(note.text) +
                              " not read: ambiguous, " + note.detail);
          break;
        default:
          messages_[k].report(where + column.shown + ": " + quoted_for_message(note.text) + " not read by " +
                              column.label);
      }
      rejects_.add(line, column.title, note.text);
    }
  }

  // What damage the input showed, one summary line a column; whether every
  // non-empty field was read from an undamaged input.  guard: warn of a date
  // column every date of which reads as another with day and month swapped;
  // strict_order makes that count as not read.
  bool finish(bool guard, bool strict_order) {
    bool all_read = damage_.report(input_name_);
    if (!rejects_.close()) all_read = false;
    for (size_t k = 0; k < columns_.size(); ++k) {
      messages_[k].finish();
      const ColumnCounts &t = totals_[k];
      error(columns_[k].shown + ": " + std::to_string(t.read) + " read, " + std::to_string(t.empty) +
            " empty, " + std::to_string(t.unread) + " not read" +
            (t.ambiguous > 0 ? " (" + std::to_string(t.ambiguous) + " ambiguous)" : ""));
      all_read = all_read && t.unread == 0;
      if (const std::string warning = swapped_warning(t); guard && !warning.empty()) {
        error(columns_[k].shown + ": " + warning);
        all_read = all_read && !strict_order;
      }
    }
    return all_read;
  }

 private:
  const std::vector<ColumnChoice> &columns_;
  std::string input_name_;
  std::vector<ColumnCounts> totals_;
  std::vector<MessageLimit> messages_;
  RejectsFile rejects_;
  Damage damage_;
};

// The names of the header record's fields, trimmed and unquoted.
std::vector<std::string> header_names(std::string_view header, char delimiter) {
  std::vector<csv::Field> fields;
  std::string scratch;
  csv::RecordEnd end;
  csv::scan_record(header, 0, delimiter, true, &end, &fields);
  std::vector<std::string> names;
  for (const csv::Field &f : fields) {
    names.emplace_back(nlhost::trim_blanks(csv::unquote(header.substr(f.begin, f.end - f.begin), scratch)));
  }
  return names;
}

// The delimiter and the columns to convert, by the header record first
// (file name for messages; sample: the input's start, to guess an encoding
// by), each with a reader that can be made; false after printing why not.
bool plan_columns(Context &context, const ConvertOptions &options, std::string_view first,
                  std::string_view sample, const std::string &name, ConvertPlan *plan,
                  std::vector<ColumnChoice> *columns) {
  plan->delimiter = options.delimiter.empty() ? csv::guess_delimiter(first) : options.delimiter[0];
  if (!valid_utf8(first)) {
    error(shown_name(name) + ":1: " + not_utf8_message(first, sample));
    return false;
  }
  const std::vector<std::string> names =
      options.no_header ? std::vector<std::string>() : header_names(first, plan->delimiter);
  plan->header_fields = names.size();
  if (!resolve_columns(options, names, columns)) return false;
  // A plan of --auto chose its locale; otherwise each column reads by the
  // locale of its category.
  if (!options.auto_plan) {
    std::vector<ReaderChoice *> choices;
    for (ColumnChoice &column : *columns)
      for (ReaderChoice &choice : column.readers) choices.push_back(&choice);
    read_by_categories(context, choices);
  }
  for (const ColumnChoice &column : *columns) {
    plan->columns.push_back(column.index);
    if (!make_column_reader(context, column.readers)) return false;
  }
  return true;
}

// One worker's converting: a converter with field readers of its own.
class ConvertJob : public LineJob {
 public:
  explicit ConvertJob(ChunkConverter converter) : converter_(std::move(converter)) {}

  void run(std::string_view block, bool, BlockResult &result) override {
    converter_.convert(block, 1, &chunk_);
    result.lines = chunk_.lines;
    if (chunk_.invalid_line != 0) {
      result.note(chunk_.invalid_line, kNotUtf8, not_utf8_message(chunk_.invalid_record, block));
      result.fatal = true;
      return;
    }
    std::swap(result.output, chunk_.output);
    for (Reject &reject : chunk_.rejects) {
      const int32_t topic = reject_topic(reject);
      result.note(reject.line, topic, std::move(reject.field), std::move(reject.ambiguity));
    }
    result.records = chunk_.records;
    result.bytes = static_cast<int64_t>(block.size());
    std::swap(result.columns, chunk_.counts);
    result.damage = chunk_.damage;
  }

 private:
  ChunkConverter converter_;
  ChunkResult chunk_;
};

// The records after the header, converted in blocks by a worker thread each
// (output in input order) and counted into report; false after printing why
// the job stopped.
bool convert_records(int fd, const std::string &name, int64_t size, const ConvertOptions &options,
                     const ConvertPlan &plan, int64_t done, std::string_view head, int64_t line,
                     const std::function<ChunkConverter(size_t)> &make_converter, Report &report) {
  Progress progress(size);
  int64_t rows = 0;
  ParallelOptions parallel;
  parallel.threads = options.threads > 0 ? options.threads : default_threads();
  parallel.block_size = kBlock;
  parallel.head = head;
  parallel.first_line = line;
  parallel.cut = [delimiter = plan.delimiter](std::string_view text) {
    return csv::last_record_end(text, delimiter);
  };
  bool stopped = false;
  const bool finished = run_parallel_lines(
      fd, name, parallel,
      [&, worker = size_t{0}]() mutable { return std::make_unique<ConvertJob>(make_converter(worker++)); },
      [&](BlockResult &result, int64_t at) {
        if (result.fatal) {
          error(shown_name(name) + ":" + std::to_string(at + result.notes.front().line - 1) + ": " +
                result.notes.front().text);
          stopped = true;
          return false;
        }
        out().write(result.output);
        report.add(result, at);
        rows += result.records;
        done += result.bytes;
        progress.update(done, rows);
        return true;
      });
  if (!finished || stopped) return false;
  out().flush();
  progress.finish();
  return true;
}

int cmd_convert(Context &context, const ConvertOptions &given) {
  ConvertOptions options = given;
  int fd = -1;
  bool owned = false;
  struct Closer {
    int *fd;
    bool *owned;
    ~Closer() {
      if (*owned) ::close(*fd);
    }
  } const closer{&fd, &owned};
  // Standard input is read once: the plan's sample is held, and converted
  // first.
  const bool once = given.file == "-";
  std::string held;
  if (given.auto_plan || given.plan_only) {
    if (once && !open_input("-", &fd, &owned)) return kExitUsage;
    AutoPlanRequest request{given.file,      given.columns, given.delimiter,
                            given.no_header, given.prefer,  given.plan_only};
    if (once) request.fd = fd, request.held = &held;
    if (const int status = plan_conversion(context, request, &options.columns); status >= 0) return status;
    options.reader.lenient = false;  // every field held to the plan
  } else if (given.columns.empty()) {
    error("convert: give --column NAME=INFORMAT, or --auto to find the columns (nldat convert --help)");
    return kExitUsage;
  }
  ConvertPlan plan;
  if (options.form == "value") plan.form = OutputForm::kValue;
  if (options.form == "both") plan.form = OutputForm::kBoth;
  plan.keep = options.keep;
  if (!start_output(options.output, {options.file})) return kExitUsage;

  if (fd < 0 && !open_input(options.file.c_str(), &fd, &owned)) return kExitUsage;
  const std::string name = options.file == "-" ? "<stdin>" : options.file;
  struct stat status {};
  const int64_t size = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) ? status.st_size : -1;

  // The header: the first record, unless there is none.
  HeaderReader head(std::move(held));
  if (!head.read(fd, name)) return kExitUsage;
  const std::string_view first = head.record();
  std::vector<ColumnChoice> columns;
  if (!plan_columns(context, options, first, head.all(), name, &plan, &columns)) return kExitUsage;
  // Each converter (one a worker thread) has field readers of its own,
  // through the worker's own module instance.
  auto make_converter = [&](size_t worker) {
    std::vector<ColumnReader> own;
    for (const ColumnChoice &column : columns)
      own.push_back(*make_column_reader(context, column.readers, worker));
    return ChunkConverter(plan, std::move(own));
  };
  // Every output file is open before the first byte goes out.
  Report report(columns, name);
  if (!report.open_rejects(options.rejects, {options.file})) return kExitUsage;
  out().write(head.all().substr(0, head.bom()));
  int64_t line = 1;  // where the records begin
  std::string_view rest = head.all().substr(head.bom());
  if (!options.no_header) {
    out().write(make_converter(0).header(first));
    out().write(head.line_end());
    rest = head.rest();
    line += head.lines();
  }
  const int64_t done = static_cast<int64_t>(head.all().size() - rest.size());
  const LocaleSummary summary(context, !options.auto_plan);  // the plan named its locale
  if (!convert_records(fd, name, size, options, plan, done, rest, line, make_converter, report))
    return kExitUsage;
  return report.finish(!options.auto_plan && !options.plan_only, options.strict_order) ? kExitOk
                                                                                       : kExitUnread;
}

}  // namespace

Command add_convert(CLI::App &app) {
  auto options = std::make_shared<ConvertOptions>();
  ConvertOptions &convert = *options;
  CLI::App *command = app.add_subcommand(
      "convert", "convert columns of a delimited file to ISO 8601 text or plain values, keeping the rest");
  command->add_option("FILE", convert.file, "the file to convert (default: standard input)");
  command
      ->add_option("--column", convert.columns,
                   "convert the column named NAME in the header (or number N, 1 is the first) by "
                   "INFORMAT: " +
                       reader_names(true) + " " + reader_names(false) +
                       ", or date:P, datetime:P, "
                       "time:P for a pattern P, form:P for a pattern read as the locale's own forms; "
                       "INFORMAT@LOCALE reads by another locale, A|B by alternatives that must agree; "
                       "repeat for more columns")
      ->type_name("NAME|N=INFORMAT")
      ->allow_extra_args(false);
  command->add_flag("--auto", convert.auto_plan,
                    "find the columns and the locale by sniffing FILE (see nldat sniff); the plan goes to "
                    "standard error; --column NAME (no INFORMAT) converts only the columns named");
  command->add_flag("--plan", convert.plan_only,
                    "with --auto: print the plan and the command to standard output, convert nothing");
  command
      ->add_option("--prefer", convert.prefer,
                   "with --auto: read a column that could be read either way in this order")
      ->check(CLI::IsMember({"day-first", "month-first", "year-first"}))
      ->type_name("day-first|month-first|year-first");
  command->add_flag("--strict-order", convert.strict_order,
                    "exit 1 when every date of a column also reads with day and month swapped (the summary "
                    "warns of it either way)");
  command
      ->add_option(
          "--delimiter", convert.delimiter,
          "the field delimiter, one byte (default: the most frequent of , ; tab | in the header line)")
      ->transform(delimiter_validator())
      ->type_name("C");
  command
      ->add_option_function<std::string>(
          "-o,--output",
          [&convert](const std::string &value) {
            // iso, value and both name the form, as they always have: a file
            // of such a name is ./iso.
            (value == "iso" || value == "value" || value == "both" ? convert.form : convert.output) = value;
          },
          "write the output to FILE, replaced only when the whole job is written (iso, value or both: "
          "the same as --form)")
      ->type_name("FILE");
  command->add_option("--form", convert.form, "what a converted field becomes")
      ->check(CLI::IsMember({"iso", "value", "both"}))
      ->type_name("iso|value|both");
  command->add_flag("--keep", convert.keep, "keep a field that is not read as it was (default: empty it)");
  command->add_flag("--no-header", convert.no_header, "the first line is data: name columns by number");
  command->add_option("--rejects", convert.rejects, "write the fields not read to FILE: line, column, field")
      ->type_name("FILE");
  command
      ->add_option("--threads", convert.threads,
                   "convert on N threads (default: one per core, at most 8); the output is the same")
      ->check(CLI::Range(1, 64))
      ->type_name("N");
  add_reading_options(*command, convert.reader);
  command->footer(
      "Dates become YYYY-MM-DD, datetimes YYYY-MM-DDTHH:MM:SS, numbers and amounts plain C numbers "
      "(-1234.56).\n"
      "An empty field stays empty; a field that is not read is left empty (or kept with --keep) and "
      "counted.\n"
      "Standard error gets one line per converted column: read, empty, not read.\n" +
      kExitText);
  return {command, [options](Context &context) { return cmd_convert(context, *options); }};
}

}  // namespace nldat
