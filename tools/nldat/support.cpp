// nldat: context, buffered output, block-wise line reading, the field reader a
// command asks for.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "cli.h"
#include "decoded_input.h"
#include "messages.h"
#include "nlhost/icu_locale.h"
#include "nlhost/text.h"
#include "parallel_lines.h"

namespace nldat {

Context::Context(JobLocales locales, std::string module_path)
    : locales_(std::move(locales)), module_path_(std::move(module_path)) {}

// The modules keep the host's control blocks: they go before the host.
Context::~Context() {
  locale_instances_.clear();
  instances_.clear();
  module_.reset();
  host_.reset();
}

void Context::read_by(const std::vector<LocaleCategory> &categories) {
  if (categories.empty()) return;
  categories_.clear();
  for (const LocaleCategory category : categories) {
    if (std::find(categories_.begin(), categories_.end(), category) == categories_.end())
      categories_.push_back(category);
  }
}

std::string Context::locale_besides_host(LocaleCategory category) const {
  const std::string &name = locales_.of(category).name;
  return name == locale_name() ? std::string() : name;
}

void read_by_categories(Context &context, const std::vector<ReaderChoice *> &choices) {
  std::vector<LocaleCategory> categories;
  for (const ReaderChoice *choice : choices)
    if (choice->locale.empty()) categories.push_back(locale_category(*choice));
  context.read_by(categories);
  for (ReaderChoice *choice : choices)
    if (choice->locale.empty()) choice->locale = context.locale_besides_host(locale_category(*choice));
}

namespace {

// What the summary calls the readers of a category.
std::string_view category_title(LocaleCategory category) {
  switch (category) {
    case LocaleCategory::kTime: return "dates";
    case LocaleCategory::kNumeric: return "numbers";
    case LocaleCategory::kMonetary: return "money";
  }
  return "";
}

}  // namespace

std::string Context::locale_summary() const {
  // One name and source when every category agrees; else each category.
  bool sources_differ = false, names_differ = false;
  for (const LocaleCategory category : categories_) {
    sources_differ =
        sources_differ || locales_.of(category).source != locales_.of(categories_.front()).source;
    names_differ = names_differ || locales_.of(category).name != locale_name();
  }
  auto source_of = [&](const LocaleChoice &choice) {
    return choice.source + (choice.unknown.empty() ? "" : " unknown");
  };
  if (!sources_differ)
    return "locale " + locale_name() + " (" + source_of(locales_.of(categories_.front())) + ")";
  std::string sources;
  for (const LocaleCategory category : categories_) {
    const LocaleChoice &choice = locales_.of(category);
    sources += (sources.empty() ? "" : ", ") + std::string(category_title(category)) + ": " +
               (names_differ ? choice.name + " by " : std::string()) + source_of(choice);
  }
  return names_differ ? "locales " + sources : "locale " + locale_name() + " (" + sources + ")";
}

LocaleSummary::~LocaleSummary() {
  if (say_) error(context_.locale_summary());
}

nlhost::Host *Context::host() {
  if (host_ != nullptr || host_failed_) return host_.get();
  // One warning for every name of the environment the host lacks.
  std::string unknown;
  for (const LocaleCategory category : categories_) {
    const std::string &name = locales_.of(category).unknown;
    if (!name.empty() && unknown.find(name) == std::string::npos)
      unknown += (unknown.empty() ? "" : ", ") + name;
  }
  if (!unknown.empty()) {
    error(unknown + ": no locale nldat knows; reading by " + std::string(nlhost::kDefaultLocale) +
          " (nldat locales lists the available ones)");
  }
  std::string why;
  std::shared_ptr<nlhost::Locale> locale = nlhost::load_icu_locale(locale_name(), &why);
  if (locale == nullptr) {
    error(why);
    host_failed_ = true;
    return nullptr;
  }
  host_ = std::make_unique<nlhost::Host>();
  host_->make_current();
  host_->set_locale(std::move(locale));
  return host_.get();
}

nlhost::Module *Context::module() {
  if (module_ != nullptr || module_failed_) return module_.get();
  nlhost::Host *h = host();
  if (h == nullptr) {
    module_failed_ = true;
    return nullptr;
  }
  std::string why;
  // Only a regular file: opening a FIFO or a device would wait for ever.
  struct stat status {};
  if (::stat(module_path_.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
    error("cannot load " + shown_name(module_path_) + ": not a regular file");
    module_failed_ = true;
    return nullptr;
  }
  module_ = nlhost::Module::open(*h, module_path_, &why);
  if (module_ == nullptr) {
    error(escaped_for_message(why, 2 * kShownNameBytes));
    module_failed_ = true;
  }
  return module_.get();
}

nlhost::Module *Context::module(size_t worker) {
  nlhost::Module *shared = module();
  if (worker == 0 || shared == nullptr) return shared;
  if (instances_.size() < worker) instances_.resize(worker);
  std::unique_ptr<nlhost::Module> &instance = instances_[worker - 1];
  if (instance == nullptr) {
    std::string why;
    instance = nlhost::Module::open_instance(*host_, module_path_, host_->add_control_block(), &why);
  }
  return instance != nullptr ? instance.get() : shared;
}

nlhost::Module *Context::module(size_t worker, const std::string &locale) {
  if (locale.empty()) return module(worker);
  if (module() == nullptr) return nullptr;
  auto known = column_locales_.find(locale);
  if (known == column_locales_.end()) {
    std::string why;
    std::shared_ptr<nlhost::Locale> loaded = nlhost::load_icu_locale(locale, &why);
    if (loaded == nullptr) error(why);
    known = column_locales_.emplace(locale, std::move(loaded)).first;
  }
  const std::shared_ptr<nlhost::Locale> &wanted = known->second;
  if (wanted == nullptr) return nullptr;
  if (wanted->name() == host_->locale()->name()) return module(worker);
  const std::pair<size_t, std::string> key{worker, wanted->name()};
  if (auto made = locale_instances_.find(key); made != locale_instances_.end()) return made->second.get();
  size_t others = 0;
  for (const auto &[k, instance] : locale_instances_) others += k.first == worker;
  std::unique_ptr<nlhost::Module> instance;
  std::string why = "a job reads by at most " + std::to_string(kMaxExtraLocales) + " locales besides its own";
  if (others < kMaxExtraLocales)
    instance = nlhost::Module::open_instance(*host_, module_path_, host_->add_control_block(wanted), &why);
  if (instance == nullptr) {
    // Another worker shares the first worker's instance: the same answers, slower.
    if (worker > 0) return module(0, locale);
    error(why);
    return nullptr;
  }
  return (locale_instances_[key] = std::move(instance)).get();
}

bool LineReader::open(const char *path) {
  name_ = std::strcmp(path, "-") == 0 ? "<stdin>" : path;
  if (!open_input(path, &fd_, &own_fd_)) return false;
  capacity_ = 1 << 20;
  buffer_ = std::make_unique<char[]>(capacity_);
  begin_ = end_ = 0;
  eof_ = false;
  first_ = true;
  return true;
}

LineReader::~LineReader() {
  if (own_fd_ && fd_ >= 0) ::close(fd_);
}

bool LineReader::next(std::string_view *line) {
  for (;;) {
    // A CR at the end of what has been read waits for the next byte unless
    // the input has ended.
    const std::string_view held(buffer_.get() + begin_, end_ - begin_);
    // What was looked at before holds no line end: only new bytes are.
    const LineEnd end = find_line_end(held, scanned_);
    scanned_ = end.stop;
    const bool cr_pending = end.stop + 1 == held.size() && held[end.stop] == '\r' && !eof_;
    if ((end.length > 0 && !cr_pending) || (eof_ && !held.empty())) {
      begin_ += end.stop + end.length;
      scanned_ = 0;
      ++line_;
      std::string_view text = held.substr(0, end.stop);
      const bool marked = first_ && drop_byte_order_mark(&text);
      first_ = false;
      if (marked && text.empty() && end.length == 0) return false;  // the mark alone: no line
      *line = text;
      return true;
    }
    if (eof_) return false;
    if (end_ - begin_ > kLongestRecord) {
      error(shown_name(name_) + ":" + std::to_string(line_ + 1) + ": a line longer than " +
            std::to_string(kLongestRecord >> 20) + " MiB");
      failed_ = eof_ = true;
      return false;
    }
    // Keep the partial line at the front; grow only for a line longer than
    // the whole buffer.
    if (begin_ > 0) {
      std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
    }
    // A line one byte longer than the longest is where the reads stop.
    if (end_ == capacity_) {
      const size_t capacity = nlhost::grown_capacity(capacity_, capacity_ + 1, kLongestRecord + 1);
      auto bigger = std::unique_ptr<char[]>(new char[capacity]);
      std::memcpy(bigger.get(), buffer_.get(), end_);
      buffer_ = std::move(bigger);
      capacity_ = capacity;
    }
    const ssize_t n = ::read(fd_, buffer_.get() + end_, capacity_ - end_);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error(shown_name(name_) + ": " + std::strerror(errno));
      failed_ = true;
    }
    if (n <= 0) {
      eof_ = true;
    } else {
      end_ += static_cast<size_t>(n);
    }
  }
}

bool open_input(const char *path, int *fd, bool *owned) {
  if (!open_raw_input(path, fd, owned)) return false;
  // Every command reads UTF-8: another encoding is decoded on the way in.
  const int utf8 = decoded_input(*fd, owned, std::strcmp(path, "-") == 0 ? "<stdin>" : path);
  if (utf8 < 0) {
    if (*owned) ::close(*fd);
    return false;
  }
  *fd = utf8;
  return true;
}

bool open_raw_input(const char *path, int *fd, bool *owned) {
  if (std::strcmp(path, "-") == 0) {
    *fd = STDIN_FILENO;
    *owned = false;
    return true;
  }
  *fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (*fd < 0) {
    error("cannot open " + shown_name(path) + ": " + std::strerror(errno));
    return false;
  }
  struct stat status {};
  if (::fstat(*fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    error("cannot read " + shown_name(path) + ": it is a directory");
    ::close(*fd);
    *fd = -1;
    return false;
  }
  *owned = true;
  return true;
}

bool each_value(const std::vector<std::string> &given, const std::string &input,
                const std::function<void(std::string_view)> &use) {
  if (!given.empty()) {
    for (const std::string &value : given) use(value);
    return true;
  }
  LineReader reader;
  if (!reader.open(input.empty() ? "-" : input.c_str())) return false;
  std::string_view line;
  while (reader.next(&line)) {
    if (!nlhost::trim_blanks(line).empty()) use(nlhost::trim_blanks(line));
  }
  return !reader.failed();
}

LocaleCategory locale_category(const ReaderChoice &choice) {
  if (!choice.pattern.empty()) return LocaleCategory::kTime;
  const nlhost::ReaderInfo *reader = nlhost::find_reader(choice.name);
  if (reader == nullptr) return LocaleCategory::kTime;
  switch (reader->source) {
    case nlhost::ReaderSource::kNumber:
    case nlhost::ReaderSource::kPercent: return LocaleCategory::kNumeric;
    case nlhost::ReaderSource::kMoney: return LocaleCategory::kMonetary;
    default: return LocaleCategory::kTime;
  }
}

std::optional<nlhost::FieldReader> make_reader(Context &context, const ReaderChoice &choice, size_t worker) {
  nlhost::Module *module = context.module(worker, choice.locale);
  if (module == nullptr) return std::nullopt;
  const nlhost::Host &host = *context.host();
  std::string why;
  std::optional<nlhost::FieldReader> reader = nlhost::make_field_reader(host, *module, choice, &why);
  if (!reader) {
    if (!choice.form && !choice.pattern.empty() && !nlhost::pattern_kind(choice.name))
      why += ", not " + choice.name;
    error(escaped_for_message(why, 2 * kShownFieldBytes) + " (nldat read --help lists the informats)");
    return std::nullopt;
  }
  return reader;
}

std::optional<ColumnReader> make_column_reader(Context &context, const std::vector<ReaderChoice> &choices,
                                               size_t worker) {
  std::vector<nlhost::FieldReader> readers;
  std::vector<std::string> labels;
  for (const ReaderChoice &choice : choices) {
    std::optional<nlhost::FieldReader> reader = make_reader(context, choice, worker);
    if (!reader) return std::nullopt;
    if (!readers.empty() && reader->kind() != readers.front().kind()) {
      error("the alternatives " + labels.front() + " and " + choice.label +
            " read different kinds of value; alternatives read one kind");
      return std::nullopt;
    }
    // A plain reader goes by its own name, as it always has.
    const bool plain = choices.size() == 1 && choice.locale.empty() && !choice.form;
    labels.push_back(plain ? reader->name() : choice.label);
    readers.push_back(std::move(*reader));
  }
  return ColumnReader(std::move(readers), std::move(labels));
}

}  // namespace nldat
