// nldat for Python: the process's one host, the module loaded into it, an
// instance of the module for each further worker thread, and the locales
// asked for so far.  Nothing here knows of Python: the bindings hold the
// interpreter's lock only while they touch Python objects.
#ifndef NLDAT_PYTHON_SESSION_H
#define NLDAT_PYTHON_SESSION_H

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/column_reader.h"
#include "nlhost/detect.h"
#include "nlhost/host.h"
#include "nlhost/reading.h"

namespace nldat_py {

// The names of the readers, in the order a help text lists them.
std::vector<std::string> reader_names();

// The locale a POSIX or BCP 47 locale name stands for, as the CLI reads
// LC_ALL, LC_TIME and LANG: "de_DE.UTF-8" and "de-DE" give "de_DE"; "C",
// "POSIX" and "" the default locale.
std::string host_locale_name(std::string_view name);

// What sniff is asked: a delimited input and how to take it.
struct SniffRequest {
  std::string input;  // the file's path, or the input's bytes
  bool is_path = false;
  std::string name;       // the input as the report names it: the path, or "-"
  char delimiter = '\0';  // '\0': guessed
  int header = -1;        // -1: guessed; 0: none; 1: the first record names the columns
  std::string encoding;   // "": by its byte-order mark, else UTF-8; "auto": detected; else a converter name
  std::string preferred;  // the locale preferred among those that read a column alike
};

class Session {
 public:
  // Loads the module at module_path into a new host; std::runtime_error
  // saying why when it cannot.
  explicit Session(std::string module_path);
  ~Session();
  Session(const Session &) = delete;
  Session &operator=(const Session &) = delete;

  // One call at a time reaches the host: its locale is the caller's until
  // the lock is let go.  Take it without the interpreter's lock held.
  std::mutex &mutex() { return mutex_; }

  // Makes the locale named name the host's current one, loading it on first
  // use; std::invalid_argument for a name the host does not know.
  void use_locale(const std::string &name);
  const std::string &locale_name() const { return locale_name_; }

  nlhost::Host &host() { return host_; }
  const nlhost::Module &module() const { return *module_; }
  // The module for worker `worker` of a call: 0 is the shared module, every
  // other worker an instance of its own with a control block of its own (the
  // shared module when no instance can be made: the same answers, slower).
  const nlhost::Module &module(size_t worker);

  // A reader for worker `worker` by the host's current locale (choice's own
  // locale is the caller's to make current); std::invalid_argument saying
  // why there is none (an unknown name, a pattern for a reader of numbers).
  nlhost::FieldReader reader(const nlhost::ReaderChoice &choice, size_t worker = 0);

  // A value written by pattern (or locale item "@N") through the module's
  // writer of kind: UWN_OK and *text set, UWN_NO_VALUE for a value it cannot
  // write, another status (format_message) for a pattern it cannot use.
  int32_t format(nlhost::ValueKind kind, std::string_view pattern, double value, std::string *text);
  // The locale's date, time and number pattern items: what reads by each,
  // its text and what the module writes by it for 2026-12-07T14:30:45.
  struct PatternItem {
    int32_t item;
    std::string read_by;
    std::string pattern;  // empty: the locale has no such item
    std::string example;  // empty for the number items
  };
  std::vector<PatternItem> patterns();
  // Week-date text of a date under rule in a field of width bytes.
  bool week(double date, char rule, int width, std::string *text);

  // What a delimited input holds, as JSON (the CLI's sniff --json);
  // std::invalid_argument saying why it cannot be read.
  std::string sniff(const SniffRequest &request);

 private:
  nlhost::Host host_;
  std::unique_ptr<nlhost::Module> module_;
  std::vector<std::unique_ptr<nlhost::Module>> instances_;  // workers 1, 2, ...
  std::unique_ptr<nlhost::detect::Detector> detector_;      // built on the first sniff, kept for its classes
  struct CachedLocale {
    std::string name;
    std::shared_ptr<nlhost::Locale> locale;
  };
  std::vector<CachedLocale> locales_;
  std::string locale_name_;
  std::string module_path_;
  std::mutex mutex_;
};

// What a status of Session::format says.
const char *format_message(int32_t status);

// The worker threads a long column is read on: the machine's cores, at most 8.
size_t default_threads();

}  // namespace nldat_py

#endif
