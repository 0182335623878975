// The host of one backend process, made at the first call that needs it and
// kept until the process ends; nothing is shared between backends.
#include "session.h"

#include <unicode/ucurr.h>

#include <array>
#include <cstdarg>
#include <cstdio>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

#include "nlhost/icu_locale.h"
#include "nlhost/readers.h"
#include "nlhost/text.h"

namespace nlpg {

namespace {

// Locale names are short ("zh_Hans_CN", "sr_Latn_RS@..."): a longer one is
// unknown without a search.
constexpr size_t kLongestLocaleName = 64;
// Each locale kept costs about 50 KB: a session that names more than this
// many (in any spelling) is refused rather than let grow without bound.
constexpr size_t kMostLocales = 256;

void fail(Error *error, Failure failure, const char *format, ...) __attribute__((format(printf, 3, 4)));
void fail(Error *error, Failure failure, const char *format, ...) {
  error->failure = failure;
  error->hint[0] = '\0';
  va_list args;
  va_start(args, format);
  std::vsnprintf(error->message, sizeof error->message, format, args);
  va_end(args);
}

void hint(Error *error, const char *text) { std::snprintf(error->hint, sizeof error->hint, "%s", text); }

// Which informats read values of kind, when any do: "Dates are read by
// NLDATE or NLDATEW."
void informats_hint(Error *error, nlhost::ValueKind kind) {
  const char *what = kind == nlhost::ValueKind::kDate       ? "Dates"
                     : kind == nlhost::ValueKind::kDatetime ? "Timestamps"
                                                            : nullptr;
  if (what == nullptr) return;
  std::vector<std::string_view> names;
  for (const nlhost::ReaderInfo &row : nlhost::reader_table()) {
    if (row.source == nlhost::ReaderSource::kInformat && row.kind == kind) names.push_back(row.name);
  }
  std::string text = std::string(what) + " are read by ";
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += names[i];
  }
  hint(error, (text + ".").c_str());
}

// A view as a printf argument: at most 64 bytes of it.
int shown(std::string_view text) { return static_cast<int>(std::min<size_t>(text.size(), 64)); }

struct CachedLocale {
  std::string name;  // as the caller spelled it
  std::shared_ptr<nlhost::Locale> locale;
  int fraction_digits;  // of the locale's currency
};

// The per-backend host.  Never destroyed: the module keeps the control block
// until the process ends.
class Session {
 public:
  Session() {
    // The module asks for the host's fatal exit only when the pool fails
    // during registration, and then loading fails anyway: never abort the
    // backend for it.
    host_.set_exit_handler([](int32_t, int32_t) {});
    host_.make_current();
    readers_.resize(nlhost::reader_table().size());
  }

  const nlhost::Module *module(std::string_view path, Error *error) {
    if (module_ != nullptr) return module_.get();
    if (path.empty() || path.front() != '/') {
      fail(error, Failure::kModule, "nldat.module must be an absolute path, not \"%.*s\"", shown(path),
           path.data());
      return nullptr;
    }
    std::string why;
    module_ = nlhost::Module::open(host_, std::string(path), &why);
    if (module_ == nullptr) {
      fail(error, Failure::kModule, "%s", why.c_str());
      hint(error, "A superuser sets nldat.module to the installed uwinldat.so.");
    }
    return module_.get();
  }

  // Makes the named locale the host's current one, loading it on first use.
  const CachedLocale *select_locale(std::string_view name, Error *error) {
    if (current_ != nullptr && current_->name == name) return current_;
    const CachedLocale *found = nullptr;
    for (const std::unique_ptr<CachedLocale> &cached : locales_)
      if (cached->name == name) found = cached.get();
    if (found == nullptr) found = load_locale(name, error);
    if (found == nullptr) return nullptr;
    host_.set_locale(found->locale);
    current_ = found;
    return found;
  }

  nlhost::FieldReader *reader(const nlhost::Module &module, size_t index, Error *error) {
    std::optional<nlhost::FieldReader> &slot = readers_[index];
    if (!slot) {
      std::string why;
      slot = nlhost::FieldReader::make(host_, module, nlhost::reader_table()[index].name, &why);
      if (!slot) {
        fail(error, Failure::kModule, "%s", why.c_str());
        return nullptr;
      }
      slot->set_strict(true);
    }
    return &*slot;
  }

  const std::vector<std::string> &locale_names() {
    if (locale_names_.empty()) locale_names_ = nlhost::icu_locale_names();
    return locale_names_;
  }

 private:
  const CachedLocale *load_locale(std::string_view name, Error *error) {
    if (locales_.size() == kMostLocales) {
      fail(error, Failure::kLimit, "more than %zu locales named in one session", kMostLocales);
      return nullptr;
    }
    std::string why;
    std::shared_ptr<nlhost::Locale> locale;
    if (name.size() <= kLongestLocaleName) locale = nlhost::load_icu_locale(name, &why);
    if (locale == nullptr) {
      fail(error, Failure::kBadParameter, "unknown locale \"%.*s\"", shown(name), name.data());
      hint(error, "SELECT nl_locales() lists the locales the host offers.");
      return nullptr;
    }
    UErrorCode status = U_ZERO_ERROR;
    UChar currency[4] = {};
    ucurr_forLocale(locale->name().c_str(), currency, 4, &status);
    int digits = 2;
    if (U_SUCCESS(status) && currency[0] != 0) {
      status = U_ZERO_ERROR;
      const int32_t d = ucurr_getDefaultFractionDigits(currency, &status);
      if (U_SUCCESS(status) && d >= 0) digits = d;
    }
    locales_.push_back(std::make_unique<CachedLocale>(CachedLocale{std::string(name), locale, digits}));
    return locales_.back().get();
  }

  nlhost::Host host_;
  std::unique_ptr<nlhost::Module> module_;
  // Unique pointers keep each entry in place as the list grows.
  std::vector<std::unique_ptr<CachedLocale>> locales_;
  const CachedLocale *current_ = nullptr;
  std::vector<std::optional<nlhost::FieldReader>> readers_;  // one a row of the reader table
  std::vector<std::string> locale_names_;
};

Session *session = nullptr;

Session &the_session() {
  if (session == nullptr) session = new Session();
  return *session;
}

// Runs work, turning whatever it raises into an Error.
template <class Work>
auto guarded(Error *error, auto failed, Work work) noexcept -> decltype(work()) {
  try {
    return work();
  } catch (const std::bad_alloc &) {
    fail(error, Failure::kOutOfMemory, "out of memory in the nldat host");
  } catch (const std::exception &e) {
    fail(error, Failure::kInternal, "nldat host: %s", e.what());
  } catch (...) {
    fail(error, Failure::kInternal, "nldat host: unexpected failure");
  }
  return failed;
}

// The module, with the locale of settings made current.
const nlhost::Module *prepare(const Settings &settings, Error *error, const CachedLocale **locale = nullptr) {
  Session &s = the_session();
  const nlhost::Module *module = s.module(settings.module_path, error);
  if (module == nullptr) return nullptr;
  // No locale named: the host keeps the one it has.
  if (settings.locale.empty()) return module;
  const CachedLocale *selected = s.select_locale(settings.locale, error);
  if (selected == nullptr) return nullptr;
  if (locale != nullptr) *locale = selected;
  return module;
}

}  // namespace

std::string_view locale_from_lc_time(std::string_view lc_time) noexcept {
  return nlhost::posix_locale_name(lc_time);
}

char week_rule(std::string_view text) noexcept {
  if (text.size() != 1) return 0;
  const char rule = nlhost::ascii_upper(text[0]);
  return rule == 'U' || rule == 'V' || rule == 'W' ? rule : 0;
}

ReadResult read_field(const Settings &settings, const ReadRequest &request, double *value,
                      int *fraction_digits, Error *error) noexcept {
  return guarded(error, ReadResult::kFailed, [&] {
    const nlhost::ReaderInfo *row = nlhost::find_reader(request.reader);
    if (row == nullptr || row->kind != request.kind) {
      fail(error, Failure::kBadParameter, "unknown informat \"%.*s\"", shown(request.reader),
           request.reader.data());
      informats_hint(error, request.kind);
      return ReadResult::kFailed;
    }
    const auto index = static_cast<size_t>(row - nlhost::reader_table().data());
    const CachedLocale *locale = nullptr;
    const nlhost::Module *module = prepare(settings, error, &locale);
    if (module == nullptr) return ReadResult::kFailed;
    nlhost::FieldReader *reader = the_session().reader(*module, index, error);
    if (reader == nullptr) return ReadResult::kFailed;
    reader->set_week_rule(request.rule);
    if (!reader->read(request.field, value)) return ReadResult::kNotRead;
    if (fraction_digits != nullptr) *fraction_digits = locale != nullptr ? locale->fraction_digits : 2;
    return ReadResult::kRead;
  });
}

bool format_value(const Settings &settings, nlhost::ValueKind kind, double value, std::string_view pattern,
                  char *out, size_t capacity, size_t *length, Error *error) noexcept {
  return guarded(error, false, [&] {
    // "@N" names locale item N; anything else is the pattern itself.
    const char *text = pattern.data();
    int64_t text_length = static_cast<int64_t>(pattern.size());
    if (pattern.size() > 1 && pattern[0] == '@') {
      int64_t item = 0;
      for (const char c : pattern.substr(1)) {
        if (c < '0' || c > '9' || item > 99999) {
          fail(error, Failure::kBadParameter, "bad locale item \"%.*s\"", shown(pattern), pattern.data());
          hint(error, "\"@N\" names locale item N, e.g. @28.");
          return false;
        }
        item = item * 10 + (c - '0');
      }
      text = nullptr;
      text_length = item;
    } else if (pattern.empty() || text_length > UWN_DESCRIPTOR_MAX) {
      fail(error, Failure::kBadParameter, "a pattern has 1 to %d bytes", UWN_DESCRIPTOR_MAX);
      return false;
    }
    const nlhost::Module *module = prepare(settings, error);
    if (module == nullptr) return false;
    using Writer = int32_t (*)(char *, int32_t *, const char *, int32_t, double);
    const char *writer = nlhost::kind_info(kind).writer;
    const auto write = writer != nullptr ? module->function<Writer>(writer) : nullptr;
    if (write == nullptr) {
      fail(error, Failure::kModule, "the module writes no such value");
      return false;
    }
    int32_t width = 0;
    int32_t rc = write(nullptr, &width, text, static_cast<int32_t>(text_length), value);
    if (rc >= 0 && static_cast<size_t>(rc) > capacity) {
      fail(error, Failure::kLimit, "the text is longer than %zu bytes", capacity);
      return false;
    }
    if (rc >= 0) {
      width = rc;
      rc = write(out, &width, text, static_cast<int32_t>(text_length), value);
    }
    switch (rc) {
      case UWN_OK: *length = static_cast<size_t>(width); return true;
      case UWN_NO_ITEM:
        fail(error, Failure::kBadParameter, "the locale has no pattern item %lld",
             static_cast<long long>(text_length));
        break;
      case UWN_BAD_DIRECTIVE:
        fail(error, Failure::kBadParameter, "bad directive in pattern \"%.*s\"", shown(pattern),
             pattern.data());
        break;
      case UWN_TRUNCATED:
        fail(error, Failure::kLimit, "the text passes the 512-byte limit of one expansion");
        break;
      default:
        fail(error, Failure::kOutOfRange, "the value is out of the range the pattern can write");
        break;
    }
    return false;
  });
}

bool format_week(const Settings &settings, double date, char rule, int width, char *out, size_t *length,
                 Error *error) noexcept {
  return guarded(error, false, [&] {
    // Three bytes ("W50") is the narrowest week-date text.
    if (width < 3 || width > 64) {
      fail(error, Failure::kBadParameter, "a week-date width is 3 to 64, not %d", width);
      return false;
    }
    const nlhost::Module *module = prepare(settings, error);
    if (module == nullptr) return false;
    const auto zkfweek_fn = module->function<decltype(&zkfweek)>("zkfweek");
    int32_t written = width;
    zkfweek_fn(out, &written, &rule, 1, date);
    // A date the routine cannot place leaves the field filled with '*'.
    if (written == width && out[0] == '*') {
      fail(error, Failure::kOutOfRange, "the date is out of the range of week dates");
      return false;
    }
    *length = static_cast<size_t>(written);
    return true;
  });
}

bool week_number(const Settings &settings, double date, char rule, int *week, Error *error) noexcept {
  return guarded(error, false, [&] {
    const nlhost::Module *module = prepare(settings, error);
    if (module == nullptr) return false;
    const auto zkweek_fn = module->function<decltype(&zkweek)>("zkweek");
    double number = nlhost::standard_missing();
    zkweek_fn(&number, nullptr, &rule, 1, date);
    if (!(number >= 0 && number <= 53)) {
      fail(error, Failure::kOutOfRange, "the date is out of the range of week dates");
      return false;
    }
    *week = static_cast<int>(number);
    return true;
  });
}

const std::vector<std::string> *locale_names(Error *error) noexcept {
  return guarded(error, static_cast<const std::vector<std::string> *>(nullptr),
                 [&] { return &the_session().locale_names(); });
}

}  // namespace nlpg
