// The host of one DuckDB process, made at the first LOAD and kept until the
// process ends: the module keeps the host's control blocks, and DuckDB may
// call a function from any of its threads until then.
#include "process.h"

#include <cstdlib>
#include <mutex>

#include "nlhost/icu_locale.h"
#include "nlhost/readers.h"
#include "nlhost/text.h"

namespace nlduck {

namespace {

// Locale names are short ("zh_Hans_CN", "sr_Latn_RS@..."): a longer one is
// unknown without a search.
constexpr size_t kLongestLocaleName = 64;
// Each locale kept costs about 50 KB: a process that is asked for more than
// this many (in any spelling) is refused rather than let grow without bound.
constexpr size_t kMostLocales = 256;

}  // namespace

class Process {
 public:
  Process() {
    // The module asks for the host's fatal exit only when the pool fails
    // during registration, and then loading fails anyway: never abort the
    // database for it.
    host_.set_exit_handler([](int32_t, int32_t) {});
    host_.make_current();
  }

  bool start(const std::string &path, std::string *error) {
    std::lock_guard lock(mutex_);
    if (!started_) {
      started_ = true;
      // An instance of its own even for the first worker: another host in
      // the process (a second copy of the extension, a Python binding) that
      // loads the same file gets the same module, whose globals would then
      // name that host's control block.
      module_ = nlhost::Module::open_instance(host_, path, host_.add_control_block(), &start_error_);
      path_ = path;
    }
    if (module_ == nullptr) *error = start_error_;
    return module_ != nullptr;
  }

  Worker *take_worker(std::string *error) {
    std::lock_guard lock(mutex_);
    if (module_ == nullptr) {
      *error = start_error_.empty() ? "the nldat module is not loaded" : start_error_;
      return nullptr;
    }
    if (!free_workers_.empty()) {
      Worker *worker = free_workers_.back();
      free_workers_.pop_back();
      return worker;
    }
    auto worker = std::make_unique<Worker>();
    // The first worker calls the instance loaded at the start; every other
    // one an instance of its own, so that threads do not share the control
    // block the module writes on every service call.
    worker->host_ = &host_;
    worker->module_ = module_.get();
    if (!workers_.empty()) {
      std::string why;
      worker->instance_ = nlhost::Module::open_instance(host_, path_, host_.add_control_block(), &why);
      if (worker->instance_ != nullptr) worker->module_ = worker->instance_.get();
    }
    const nlhost::Module &m = *worker->module_;
    worker->writers_ = {
        m.function<decltype(&zkfdate)>(nlhost::kind_info(nlhost::ValueKind::kDate).writer),
        m.function<decltype(&zkfdttm)>(nlhost::kind_info(nlhost::ValueKind::kDatetime).writer),
        m.function<decltype(&zkfweek)>("zkfweek"), m.function<decltype(&zkweek)>("zkweek")};
    if (worker->writers_.date == nullptr || worker->writers_.datetime == nullptr ||
        worker->writers_.week == nullptr || worker->writers_.week_number == nullptr) {
      *error = path_ + ": the module lacks a writer (zkfdate, zkfdttm, zkfweek, zkweek)";
      return nullptr;
    }
    worker->readers_.resize(nlhost::reader_table().size());
    workers_.push_back(std::move(worker));
    return workers_.back().get();
  }

  void give_back(Worker *worker) {
    std::lock_guard lock(mutex_);
    free_workers_.push_back(worker);
  }

  const LoadedLocale *find_locale(std::string_view name, std::string *error) {
    std::lock_guard lock(mutex_);
    for (const std::unique_ptr<LoadedLocale> &loaded : locales_)
      if (loaded->name == name) return loaded.get();
    if (locales_.size() == kMostLocales) {
      *error = "more than " + std::to_string(kMostLocales) + " locales named in one process";
      return nullptr;
    }
    std::string why;
    std::shared_ptr<nlhost::Locale> locale;
    if (name.size() <= kLongestLocaleName) locale = nlhost::load_icu_locale(name, &why);
    if (locale == nullptr) {
      *error = "unknown locale \"" + std::string(name.substr(0, kLongestLocaleName)) +
               "\" (SELECT * FROM nl_locales() lists the locales)";
      return nullptr;
    }
    locales_.push_back(std::make_unique<LoadedLocale>(LoadedLocale{std::string(name), locale}));
    return locales_.back().get();
  }

  const std::vector<std::string> &locale_names() {
    std::call_once(names_once_, [this] { locale_names_ = nlhost::icu_locale_names(); });
    return locale_names_;
  }

  // The turn: shared while the current locale is the one wanted, exclusive
  // to change it.
  std::shared_mutex turn;
  const LoadedLocale *current = nullptr;
  void make_current(const LoadedLocale *locale) {
    host_.set_locale(locale->locale);
    current = locale;
  }

 private:
  nlhost::Host host_;
  std::mutex mutex_;
  bool started_ = false;
  std::string path_;
  std::string start_error_;
  std::unique_ptr<nlhost::Module> module_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::vector<Worker *> free_workers_;
  std::vector<std::unique_ptr<LoadedLocale>> locales_;
  std::once_flag names_once_;
  std::vector<std::string> locale_names_;
};

namespace {

Process &the_process() {
  // Never destroyed: threads may call until the process ends.
  static Process *process = new Process();
  return *process;
}

// Gives a thread's worker back when the thread ends.
struct Lease {
  Worker *worker = nullptr;
  ~Lease() {
    if (worker != nullptr) the_process().give_back(worker);
  }
};

}  // namespace

Worker *Worker::of_this_thread(std::string *error) {
  thread_local Lease lease;
  if (lease.worker == nullptr) lease.worker = the_process().take_worker(error);
  return lease.worker;
}

nlhost::FieldReader *Worker::reader(size_t slot, std::string *error) {
  std::optional<nlhost::FieldReader> &reader = readers_[slot];
  if (!reader) {
    reader = nlhost::FieldReader::make(*host_, *module_, nlhost::reader_table()[slot].name, error);
    if (!reader) return nullptr;
    reader->set_strict(true);
  }
  return &*reader;
}

nlhost::FieldReader *Worker::pattern_reader(const nlhost::ReaderChoice &choice, std::string *error) {
  return pattern_readers_.find(*host_, *module_, choice, error);
}

bool start(const std::string &module_path, std::string *error) {
  return the_process().start(module_path, error);
}

const LoadedLocale *find_locale(std::string_view name, std::string *error) {
  return the_process().find_locale(name, error);
}

std::string default_locale(const char *variable) {
  const char *value = nullptr;
  for (const char *name : {"LC_ALL", variable, "LANG"}) {
    value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') break;
  }
  const std::string_view name = nlhost::posix_locale_name(value != nullptr ? value : "");
  if (name.size() > kLongestLocaleName || !nlhost::icu_offers_locale(name))
    return std::string(nlhost::kDefaultLocale);
  return std::string(name);
}

const std::vector<std::string> &locale_names() { return the_process().locale_names(); }

void LocaleTurn::enter(const LoadedLocale *locale) {
  if (holding_ && (locale == nullptr || held_ == locale)) return;
  release();
  Process &process = the_process();
  process.turn.lock_shared();
  if (locale == nullptr || process.current == locale) {
    holding_ = true;
    held_ = process.current;
    return;
  }
  process.turn.unlock_shared();
  process.turn.lock();
  if (process.current != locale) process.make_current(locale);
  holding_ = true;
  held_ = locale;
  exclusive_ = true;
}

void LocaleTurn::release() {
  if (!holding_) return;
  Process &process = the_process();
  if (exclusive_) {
    process.turn.unlock();
  } else {
    process.turn.unlock_shared();
  }
  holding_ = false;
  held_ = nullptr;
  exclusive_ = false;
}

}  // namespace nlduck
