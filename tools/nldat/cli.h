// nldat: the pieces the commands share.  Every command lives in a file of
// its own: Command add_NAME(CLI::App &) declares its subcommand and options
// with CLI11 and returns what runs it; NLDAT_COMMANDS below lists them.
#ifndef NLDAT_CLI_H
#define NLDAT_CLI_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "environment.h"
#include "nlhost/column_reader.h"
#include "nlhost/detect.h"
#include "nlhost/host.h"
#include "nlhost/reading.h"
#include "nlhost/sample.h"

namespace CLI {
class App;
class Validator;
}  // namespace CLI

namespace nldat {

// How a column is read is the host's, shared with the other programs built on it.
using nlhost::ColumnReader;
using nlhost::form_kind;
using nlhost::kMaxExtraLocales;
using nlhost::parse_readers;
using nlhost::ReaderChoice;

// Exit statuses.
inline constexpr int kExitOk = 0;      // every field was read
inline constexpr int kExitUnread = 1;  // some fields were not read
inline constexpr int kExitUsage = 2;   // bad usage, or the job cannot run

// What every command may use: the host, its locale and the loaded module,
// each made on first use so that "nldat locales" needs no module.
class Context {
 public:
  Context(JobLocales locales, std::string module_path);
  ~Context();

  // The categories the job reads by (dates and times unless told), each
  // once in the order first read by.  The host's locale is the first one's;
  // told before host().
  void read_by(const std::vector<LocaleCategory> &categories);
  // The locale a reader of category reads by when it is not the host's
  // (LC_NUMERIC naming another locale than LC_TIME, say); empty when it is.
  std::string locale_besides_host(LocaleCategory category) const;
  // The host with the chosen locale; null after printing why it failed.
  // Says once, when it is made, which locale of the environment the host
  // does not know.
  nlhost::Host *host();
  // The module loaded into the host; null after printing why it failed.
  nlhost::Module *module();
  // The module for worker thread `worker` of a job: 0 is module(), every
  // other worker an instance of its own with a control block of its own, so
  // that the workers' service calls do not contend for one cache line; the
  // shared module when no instance can be made (the same answers, slower).
  nlhost::Module *module(size_t worker);
  const std::string &locale_name() const { return locales_.of(categories_.front()).name; }
  const JobLocales &locales() const { return locales_; }
  // The locale was named on the command line, not taken from the environment.
  bool locale_given() const { return locales_.given; }
  // What the job read by and what chose it, for the summary: "locale de_DE
  // (--locale)", "locale en_US (LANG=C.UTF-8)", each category's source when
  // they differ.
  std::string locale_summary() const;
  // The module for worker `worker` that reads by the locale named locale
  // (empty, or the host's own: module(worker)): an instance on a control
  // block that names that locale.  Null after printing why it cannot be
  // made: never one that would read by another locale.
  nlhost::Module *module(size_t worker, const std::string &locale);
  const std::string &module_path() const { return module_path_; }

 private:
  JobLocales locales_;
  std::vector<LocaleCategory> categories_{LocaleCategory::kTime};
  std::string module_path_;
  std::unique_ptr<nlhost::Host> host_;
  std::unique_ptr<nlhost::Module> module_;
  std::vector<std::unique_ptr<nlhost::Module>> instances_;  // workers 1, 2, ...
  // Locales of columns, by the name given (null: it failed to load), and
  // the instances that read by them, by worker and the locale's own name.
  std::map<std::string, std::shared_ptr<nlhost::Locale>> column_locales_;
  std::map<std::pair<size_t, std::string>, std::unique_ptr<nlhost::Module>> locale_instances_;
  bool host_failed_ = false;
  bool module_failed_ = false;
};

// Says the context's locale_summary() on standard error when it goes out of
// scope: the last line of a job's summary, however the job ended.
class LocaleSummary {
 public:
  explicit LocaleSummary(const Context &context, bool say = true) : context_(context), say_(say) {}
  ~LocaleSummary();
  LocaleSummary(const LocaleSummary &) = delete;
  LocaleSummary &operator=(const LocaleSummary &) = delete;

 private:
  const Context &context_;
  bool say_;
};

// The locale category a reader reads by: numbers and percentages by the
// numeric one, amounts by the monetary one, everything else by the time one.
LocaleCategory locale_category(const ReaderChoice &choice);
// Each reader without a locale of its own (@LOCALE) reads by the locale of
// its category (LC_TIME, LC_NUMERIC, LC_MONETARY): the job reads by those
// categories, the host's locale is the first one's, and a reader whose
// category names another locale is given it.  Before the host is made.
void read_by_categories(Context &context, const std::vector<ReaderChoice *> &choices);
// The reader, or nothing after printing why it cannot be made; for worker
// thread `worker` of a job, through that worker's module for the choice's
// locale.
std::optional<nlhost::FieldReader> make_reader(Context &context, const ReaderChoice &choice,
                                               size_t worker = 0);
// A column's reader of alternatives (parse_readers), all of one kind;
// nothing after printing why not.
std::optional<ColumnReader> make_column_reader(Context &context, const std::vector<ReaderChoice> &choices,
                                               size_t worker = 0);

// A command: the subcommand that holds its options, and what runs it once
// the command line is parsed with it.
struct Command {
  CLI::App *app;
  std::function<int(Context &)> run;
};

// Every command, in the order --help lists them.  Adding a command is a file
// that defines Command add_NAME(CLI::App &) and a name here.
#define NLDAT_COMMANDS(X) X(sniff) X(read) X(convert) X(patterns) X(format) X(week) X(info) X(locales)
#define NLDAT_DECLARE_COMMAND(name) Command add_##name(CLI::App &app);
NLDAT_COMMANDS(NLDAT_DECLARE_COMMAND)
#undef NLDAT_DECLARE_COMMAND

// A file as sniff found it: its sample, the detector that read it (kept for
// another choice of locale) and the report.
struct SniffedFile {
  nlhost::detect::FileSample sample;
  std::unique_ptr<nlhost::detect::Detector> detector;
  nlhost::detect::Report report;
};
// Samples file and reads it with a detector of the context's host, the
// context's locale preferred; nothing after printing why it cannot.
// count_records false: the records are not counted (a plan needs no count).
// With held, file is open on fd and read once: only its first records are
// sampled, and every byte read is kept in *held.
std::optional<SniffedFile> sniff_file(Context &context, const std::string &file, const std::string &delimiter,
                                      bool no_header, bool count_records = true, int fd = -1,
                                      std::string *held = nullptr);

// convert --auto: what the plan is asked for.
struct AutoPlanRequest {
  std::string file;
  std::vector<std::string> columns;  // NAME: convert only these; NAME=INFORMAT: read as given
  std::string delimiter;             // empty: guessed
  bool no_header = false;
  std::string prefer;  // day-first, month-first, year-first: settles ambiguous columns
  bool plan_only = false;
  // An input read once (standard input), open on fd: the sample's bytes go
  // to *held, for the conversion to begin with.
  int fd = -1;
  std::string *held = nullptr;
};
// Sniffs request.file, prints the plan (on standard error; on standard
// output for plan_only), makes the plan's locale the host's and fills
// *columns with convert's NAME=INFORMAT; -1 to go on converting, else the
// exit status.
int plan_conversion(Context &context, const AutoPlanRequest &request, std::vector<std::string> *columns);

// What the options of several commands share: the exit statuses' line of
// help, the checks of --delimiter (which turns "\t" and "tab" into a tab),
// --column and a week rule, the reader names as a help text lists them
// (the informats, or the library readers), and --strict, --lenient,
// --pattern and --rule on every reading command.
extern const std::string kExitText;
CLI::Validator delimiter_validator();
CLI::Validator column_validator();
CLI::Validator rule_validator();
std::string reader_names(bool informats);
void add_reading_options(CLI::App &command, ReaderChoice &choice);

// A value as the shortest text that reads back to it (integers plainly, "."
// for a missing value), into buffer (32 bytes suffice); returns the length.
size_t format_number(double value, char *buffer);

// Buffered standard output: one large buffer, written when full or flushed.
class Output {
 public:
  Output &operator<<(std::string_view text);
  Output &operator<<(char c);
  Output &operator<<(int64_t n);
  // A value as the shortest text that reads back to it (integers plainly).
  Output &number(double value);
  // Large text: what is buffered, then text, written at once.
  void write(std::string_view text);
  void flush();
  ~Output() { flush(); }

 private:
  static constexpr size_t kSize = 1 << 16;
  char buffer_[kSize];
  size_t used_ = 0;
};
Output &out();

// Errors and notes: standard error, unbuffered, prefixed "nldat: ".
void error(std::string_view message);

// Reads a file (or standard input for "-") line by line in large blocks; the
// line handed out lives until the next call and has no line end.
class LineReader {
 public:
  // False after printing why the file cannot be opened.
  bool open(const char *path);
  // Lines end at LF, CR LF or a lone CR; a byte-order mark before the first
  // line is dropped.  False at the end of the input or on a read error.
  bool next(std::string_view *line);
  // Whether reading stopped on an error (already reported).
  bool failed() const { return failed_; }
  const std::string &name() const { return name_; }
  ~LineReader();

 private:
  std::string name_;
  int fd_ = -1;
  bool own_fd_ = false;
  bool eof_ = false;
  bool first_ = true;
  bool failed_ = false;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0, begin_ = 0, end_ = 0;
  size_t scanned_ = 0;  // bytes from begin_ known to hold no line end
  int64_t line_ = 0;    // lines handed out
};

// Opens path ("-": standard input) for reading; false after printing why it
// cannot be read (missing, unreadable, a directory).
// Text in another encoding (--encoding, or a UTF-16/32 byte-order mark)
// comes decoded to UTF-8.
bool open_input(const char *path, int *fd, bool *owned);
// The same, the bytes as they are.
bool open_raw_input(const char *path, int *fd, bool *owned);

// Values for format and week: the given ones, else one a line from input.
// False after printing why input cannot be read.
bool each_value(const std::vector<std::string> &given, const std::string &input,
                const std::function<void(std::string_view)> &use);

}  // namespace nldat

#endif
