// nldat: the pieces the commands share.  A command is a function in its own
// file, declared here and listed once in the dispatch table of main.cpp.
#ifndef NLDAT_CLI_H
#define NLDAT_CLI_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "nlhost/host.h"

namespace nldat {

// Exit statuses.
inline constexpr int kExitOk = 0;      // every field was read
inline constexpr int kExitUnread = 1;  // some fields were not read
inline constexpr int kExitUsage = 2;   // bad usage, or the job cannot run

inline constexpr const char *kDefaultLocale = "en_US";

// What every command may use: the host, its locale and the loaded module,
// each made on first use so that "nldat locales" needs no module.
class Context {
 public:
  Context(std::string locale_name, std::string module_path);
  ~Context();

  // The host with the chosen locale; null after printing why it failed.
  nlhost::Host *host();
  // The module loaded into the host; null after printing why it failed.
  nlhost::Module *module();
  const std::string &locale_name() const { return locale_name_; }
  // The week rule (U, V or W) by which week-date text is read.
  char week_rule() const { return week_rule_; }
  void set_week_rule(char rule) { week_rule_ = rule; }
  const std::string &module_path() const { return module_path_; }

 private:
  std::string locale_name_;
  std::string module_path_;
  std::unique_ptr<nlhost::Host> host_;
  std::unique_ptr<nlhost::Module> module_;
  char week_rule_ = 'V';
  bool host_failed_ = false;
  bool module_failed_ = false;
};

using Args = std::span<char *const>;  // the command's own arguments
using CommandFn = int (*)(Context &, Args);

// Commands.
int cmd_read(Context &context, Args args);
int cmd_info(Context &context, Args args);
int cmd_locales(Context &context, Args args);
int cmd_format(Context &context, Args args);
int cmd_week(Context &context, Args args);

// Buffered standard output: one large buffer, written when full or flushed.
class Output {
 public:
  Output &operator<<(std::string_view text);
  Output &operator<<(char c);
  Output &operator<<(int64_t n);
  // A value as the shortest text that reads back to it (integers plainly).
  Output &number(double value);
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
  bool next(std::string_view *line);
  ~LineReader();

 private:
  int fd_ = -1;
  bool own_fd_ = false;
  bool eof_ = false;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0, begin_ = 0, end_ = 0;
};

// ISO 8601 text of a date value (days since 1960-01-01) and of a datetime
// value (seconds since 1960-01-01 00:00:00), into buffer; the length.
size_t iso_date(double date, char *buffer);
size_t iso_datetime(double datetime, char *buffer);

// Whether argument matches "--name" or "--name=value"; the value is taken
// from the next argument when not given with "=".  On a missing value
// *missing is set.
bool option_value(Args args, size_t *i, std::string_view name, std::string_view *value, bool *missing);

}  // namespace nldat

#endif
