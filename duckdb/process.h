// The host inside one DuckDB process: one nlhost::Host, the module loaded once
// at the first LOAD, one locale per locale name used, and a Worker for each
// DuckDB thread that calls a function (its own module instance, its own field
// readers).  Nothing here includes a DuckDB header.
//
// The host has one current locale.  Threads that read under the current one
// run side by side (a shared turn); a thread that needs another waits for
// them, switches and reads alone (an exclusive turn), so that a query mixing
// locales is right, and one locale at a time is fast.
#ifndef NLDAT_DUCKDB_PROCESS_H
#define NLDAT_DUCKDB_PROCESS_H

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/column_reader.h"
#include "nlhost/reading.h"

namespace nlduck {

// Pattern readers a thread keeps: more than the alternatives of one column,
// so that those of the column being read are never the ones that make room.
inline constexpr size_t kPatternReadersKept = 32;
static_assert(kPatternReadersKept > nlhost::kMaxAlternatives);

// A locale the process has loaded, kept until the process ends.
struct LoadedLocale {
  std::string name;  // as the query spelled it
  std::shared_ptr<nlhost::Locale> locale;
};

// The module's writers one thread calls.
struct Writers {
  decltype(&zkfdate) date = nullptr;
  decltype(&zkfdttm) datetime = nullptr;
  decltype(&zkfweek) week = nullptr;
  decltype(&zkweek) week_number = nullptr;
};

// What one thread uses; taken by Worker::of_this_thread and given back when
// the thread ends, so there are never more than the threads alive.
class Worker {
 public:
  // The worker of the calling thread, made on its first call; null and
  // *error set when the module is not loaded or no reader can be made.
  static Worker *of_this_thread(std::string *error);

  // The reader of a slot (a row of nlhost::reader_table()); null and
  // *error set when it cannot be made.
  nlhost::FieldReader *reader(size_t slot, std::string *error);
  // The reader of an alternative with a pattern (date:P, form:P; see
  // nlhost/column_reader.h), made on first use; the kPatternReadersKept
  // used last are kept.  Null and *error set when it cannot be made.
  nlhost::FieldReader *pattern_reader(const nlhost::ReaderChoice &choice, std::string *error);
  const Writers &writers() const { return writers_; }

 private:
  friend class Process;
  const nlhost::Host *host_ = nullptr;
  const nlhost::Module *module_ = nullptr;
  std::unique_ptr<nlhost::Module> instance_;  // null: the process's module
  std::vector<std::optional<nlhost::FieldReader>> readers_;
  nlhost::PatternReaders pattern_readers_{kPatternReadersKept};
  Writers writers_;
};

// Loads the module at module_path once per process (later calls return what
// the first one did).  False and *error set when it cannot be loaded.
bool start(const std::string &module_path, std::string *error);

// The locale named, loaded on first use; null and *error set for a name the
// host does not know.
const LoadedLocale *find_locale(std::string_view name, std::string *error);

// The locale of a call that names none: the one LC_ALL, then variable, then
// LANG names (C, POSIX or none: en_US; a name the host does not know: en_US).
std::string default_locale(const char *variable);

// The locale names the host offers, sorted.
const std::vector<std::string> &locale_names();

// The right to call the module under one locale; held for a run of rows.
class LocaleTurn {
 public:
  LocaleTurn() = default;
  ~LocaleTurn() { release(); }
  LocaleTurn(const LocaleTurn &) = delete;
  LocaleTurn &operator=(const LocaleTurn &) = delete;

  // Makes locale the host's current one for this thread's calls until the
  // next enter or release; cheap when it already is.  Null: whichever locale
  // is current, for calls that read none but must not see it change.
  void enter(const LoadedLocale *locale);
  void release();

 private:
  bool holding_ = false;
  const LoadedLocale *held_ = nullptr;  // the current locale while holding
  bool exclusive_ = false;
};

}  // namespace nlduck

#endif
