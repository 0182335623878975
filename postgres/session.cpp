// The host of one backend process, made at the first call that needs it and
// kept until the process ends; nothing is shared between backends.
#include "session.h"

#include <unicode/ucurr.h>
#include <unicode/ulocdata.h>
#include <unicode/uversion.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>

#include "nlhost/column_reader.h"
#include "nlhost/icu_locale.h"
#include "nlhost/pattern_items.h"
#include "nlhost/readers.h"
#include "nlhost/text.h"
#include "nlhost/utf8.h"

namespace nlpg {

namespace {

// Locale names are short ("zh_Hans_CN", "sr_Latn_RS@..."): a longer one is
// unknown without a search.
constexpr size_t kLongestLocaleName = 64;
// Each locale kept costs about 50 KB: a session keeps the ones it used last,
// and loads again one it named long ago.
constexpr size_t kLocalesKept = 64;
// The readers of patterns (form:P, date:P) a session keeps; it makes again
// one it used long ago.
constexpr size_t kPatternReadersKept = 32;

void fail(Error *error, Failure failure, const char *format, ...) __attribute__((format(printf, 3, 4)));
// A text cut to its buffer ends on a whole character: the server converts
// messages to the client's encoding, which a broken sequence would fail.
void end_whole(char *buffer, size_t size, int written) {
  if (written < 0 || static_cast<size_t>(written) < size) return;
  buffer[nlhost::utf8_cut(std::string_view(buffer, size - 1), size - 1)] = '\0';
}

void fail(Error *error, Failure failure, const char *format, ...) {
  error->failure = failure;
  error->hint[0] = '\0';
  va_list args;
  va_start(args, format);
  end_whole(error->message, sizeof error->message,
            std::vsnprintf(error->message, sizeof error->message, format, args));
  va_end(args);
}

void hint(Error *error, const char *text) {
  end_whole(error->hint, sizeof error->hint, std::snprintf(error->hint, sizeof error->hint, "%s", text));
}

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

// A view as a printf argument: at most 64 bytes of it, whole characters.
int shown(std::string_view text) { return static_cast<int>(nlhost::utf8_cut(text, 64)); }

// The name a locale is kept and looked up by: the codeset and modifier
// dropped, C and POSIX as en_US, "-" as "_" (de_DE.UTF-8, de-DE and de_DE are
// one locale).  False for a text that is no locale name.
bool fold_locale_name(std::string_view given, std::string *folded) {
  if (!nlhost::is_locale_name(given)) return false;
  *folded = nlhost::host_locale_name(given);
  return true;
}

struct CachedLocale {
  std::string name;  // folded (fold_locale_name)
  std::shared_ptr<nlhost::Locale> locale;
  int fraction_digits;  // of the locale's currency
  uint64_t used;        // when it was last named: the least recent goes first
};

// What each alternative of a request made of its field.  The session keeps
// one and every call reuses it: a call allocates nothing once warm.
struct Readings {
  std::vector<nlhost::ReaderChoice> choices;
  double values[nlhost::kMaxAlternatives];  // NaN: not read
  const CachedLocale *locales[nlhost::kMaxAlternatives];
  std::string exact;  // the digits of the first that read, when asked for
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
    // A column names the same locale on every row, in the same spelling.
    if (current_ != nullptr && name == current_given_) return current_;
    CachedLocale *found = find_locale(name, error);
    if (found == nullptr) return nullptr;
    if (found != current_) host_.set_locale(found->locale);
    current_ = found;
    current_given_.assign(name);
    return found;
  }

  // The kept locale of a name, loaded when it is not kept.
  CachedLocale *find_locale(std::string_view given, Error *error) {
    std::string name;
    if (!fold_locale_name(given, &name)) {
      fail(error, Failure::kBadParameter, "\"%.*s\" is not a locale name", shown(given), given.data());
      hint(error, "A locale is named by letters, digits and _ - . @ =, as de_DE, de-DE or de_DE.UTF-8.");
      return nullptr;
    }
    CachedLocale *found = nullptr;
    for (const std::unique_ptr<CachedLocale> &cached : locales_)
      if (cached->name == name) found = cached.get();
    if (found == nullptr) found = load_locale(name, error);
    if (found != nullptr) found->used = ++clock_;
    return found;
  }

  size_t locales_kept() const { return locales_.size(); }

  Readings &readings() { return readings_; }

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

  // The reader of a choice (column_reader.h): a row of the reader table, or
  // a pattern's, made on first use and kept.  Null and *error when the name
  // is unknown, the pattern bad, or what it reads is no value of kind.
  nlhost::FieldReader *reader(const nlhost::Module &module, const nlhost::ReaderChoice &choice,
                              nlhost::ValueKind kind, Error *error) {
    if (choice.pattern.empty() && !choice.form) {
      const nlhost::ReaderInfo *row = nlhost::find_reader(choice.name);
      if (row == nullptr || row->kind != kind) {
        fail(error, Failure::kBadParameter, "unknown informat \"%.*s\"", shown(choice.name),
             choice.name.data());
        informats_hint(error, kind);
        return nullptr;
      }
      return reader(module, static_cast<size_t>(row - nlhost::reader_table().data()), error);
    }
    std::string why;
    nlhost::FieldReader *made = pattern_readers_.find(host_, module, choice, &why);
    if (made != nullptr && made->kind() != kind) {
      why = std::string("it reads a ") + std::string(nlhost::kind_info(made->kind()).name) + ", not a " +
            std::string(nlhost::kind_info(kind).name);
      made = nullptr;
    }
    if (made == nullptr) {
      fail(error, Failure::kBadParameter, "cannot read by \"%.*s\": %s", shown(choice.label),
           choice.label.data(), why.c_str());
      informats_hint(error, kind);
    }
    return made;
  }

  const std::vector<std::string> &locale_names() {
    if (locale_names_.empty()) locale_names_ = nlhost::icu_locale_names();
    return locale_names_;
  }

 private:
  CachedLocale *load_locale(const std::string &name, Error *error) {
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
    CachedLocale loaded{name, std::move(locale), digits, 0};
    if (locales_.size() < kLocalesKept) {
      locales_.push_back(std::make_unique<CachedLocale>(std::move(loaded)));
      return locales_.back().get();
    }
    // Full: the least recently named makes room (the host keeps the current
    // locale alive on its own).
    CachedLocale *oldest = locales_.front().get();
    for (const std::unique_ptr<CachedLocale> &cached : locales_)
      if (cached->used < oldest->used) oldest = cached.get();
    if (oldest == current_) {
      current_ = nullptr;
      current_given_.clear();
    }
    *oldest = std::move(loaded);
    return oldest;
  }

  nlhost::Host host_;
  std::unique_ptr<nlhost::Module> module_;
  // Unique pointers keep each entry in place as the list grows.
  std::vector<std::unique_ptr<CachedLocale>> locales_;
  uint64_t clock_ = 0;
  const CachedLocale *current_ = nullptr;
  std::string current_given_;                                // the current locale's name as last given
  std::vector<std::optional<nlhost::FieldReader>> readers_;  // one a row of the reader table
  nlhost::PatternReaders pattern_readers_{kPatternReadersKept};
  std::vector<std::string> locale_names_;
  Readings readings_;
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

namespace {

// Reads request.field by each alternative request.reader names, each by its
// own locale, else the call's; the values are for nlhost::agree to agree
// on.  False and *error when the text is bad or a reader cannot be made.
bool read_each(const Settings &settings, const ReadRequest &request, bool digits, Readings *out,
               Error *error) {
  nlhost::ReaderChoice base;
  base.week_rule = request.rule;
  std::string why;
  out->exact.clear();
  if (!nlhost::parse_readers(request.reader, base, &out->choices, &why)) {
    fail(error, Failure::kBadParameter, "bad informat \"%.*s\": %s", shown(request.reader),
         request.reader.data(), why.c_str());
    informats_hint(error, request.kind);
    return false;
  }
  // An unknown name is the caller's error before anything is loaded.
  for (const nlhost::ReaderChoice &choice : out->choices) {
    const nlhost::ReaderInfo *row = nlhost::find_reader(choice.name);
    if (choice.pattern.empty() && !choice.form && (row == nullptr || row->kind != request.kind)) {
      fail(error, Failure::kBadParameter, "unknown informat \"%.*s\"", shown(choice.name),
           choice.name.data());
      informats_hint(error, request.kind);
      return false;
    }
  }
  const CachedLocale *locale = nullptr;
  const nlhost::Module *module = prepare(settings, error, &locale);
  if (module == nullptr) return false;
  std::string other;
  bool any = false;
  for (size_t k = 0; k < out->choices.size(); ++k) {
    const nlhost::ReaderChoice &choice = out->choices[k];
    out->locales[k] = locale;
    if (!choice.locale.empty()) {
      out->locales[k] = the_session().select_locale(choice.locale, error);
      if (out->locales[k] == nullptr) return false;
    } else if (k > 0 && locale != nullptr && the_session().select_locale(settings.locale, error) == nullptr) {
      return false;
    }
    nlhost::FieldReader *reader = the_session().reader(*module, choice, request.kind, error);
    if (reader == nullptr) return false;
    reader->set_week_rule(request.rule);
    // The field's own digits, where the reader can give them, make an
    // amount exact; the first alternative that reads gives them.
    std::string *text = any ? &other : &out->exact;
    double v = 0;
    const bool read = digits ? reader->read_exact(request.field, &v, text) : reader->read(request.field, &v);
    out->values[k] = read ? v : std::nan("");
    any = any || read;
  }
  return true;
}

// The kind of value the first alternative of text reads, as far as the
// text says; kDate when it says nothing the reader would not refuse itself.
nlhost::ValueKind kind_read(std::string_view text) {
  std::vector<nlhost::ReaderChoice> choices;
  std::string why;
  if (!nlhost::parse_readers(text, {}, &choices, &why)) return nlhost::ValueKind::kDate;
  const nlhost::ReaderChoice &choice = choices.front();
  if (choice.form) return nlhost::form_kind(choice.pattern);
  if (const nlhost::KindInfo *kind = nlhost::find_kind(choice.name);
      kind != nullptr && !choice.pattern.empty())
    return kind->kind;
  const nlhost::ReaderInfo *row = nlhost::find_reader(choice.name);
  return row != nullptr ? row->kind : nlhost::ValueKind::kDate;
}

}  // namespace

ReadResult read_field(const Settings &settings, const ReadRequest &request, double *value, Amount *amount,
                      Error *error) noexcept {
  return guarded(error, ReadResult::kFailed, [&] {
    Readings &readings = the_session().readings();
    if (!read_each(settings, request, amount != nullptr, &readings, error)) return ReadResult::kFailed;
    const double *values = readings.values;
    std::string &exact = readings.exact;
    // A field two alternatives read to different values is ambiguous, and not read.
    size_t first = 0;
    const nlhost::Agreement agreement =
        nlhost::agree(std::span<const double>(values, readings.choices.size()), &first);
    if (agreement == nlhost::Agreement::kAmbiguous) return ReadResult::kAmbiguous;
    if (agreement == nlhost::Agreement::kNotRead) return ReadResult::kNotRead;
    *value = values[first];
    if (amount == nullptr) return ReadResult::kRead;
    if (!std::isfinite(*value)) return ReadResult::kNotRead;
    const CachedLocale *locale = readings.locales[first];
    amount->fraction_digits = locale != nullptr ? locale->fraction_digits : 2;
    char *const end = amount->digits + sizeof amount->digits - 1;
    char *written = exact.size() <= sizeof amount->digits - 1
                        ? std::copy(exact.begin(), exact.end(), amount->digits)
                        : nullptr;
    if (exact.empty()) {
      const std::to_chars_result shortest = std::to_chars(amount->digits, end, *value);
      written = shortest.ec == std::errc() ? shortest.ptr : nullptr;
    }
    if (written == nullptr) {
      fail(error, Failure::kLimit, "the amount has more than %zu digits", sizeof amount->digits - 1);
      return ReadResult::kFailed;
    }
    *written = '\0';
    return ReadResult::kRead;
  });
}

bool describe_ambiguity(const Settings &settings, std::string_view field, std::string_view reader, char *out,
                        size_t capacity, size_t *length, Error *error) noexcept {
  return guarded(error, false, [&] {
    *length = 0;
    const ReadRequest request{field, reader, kind_read(reader), 'V'};
    Readings &readings = the_session().readings();
    if (!read_each(settings, request, false, &readings, error)) return false;
    const std::span<const double> values(readings.values, readings.choices.size());
    size_t first = 0;
    if (nlhost::agree(values, &first) != nlhost::Agreement::kAmbiguous) return true;
    std::vector<std::string> labels;
    for (const nlhost::ReaderChoice &choice : readings.choices) labels.push_back(choice.label);
    const std::string text = nlhost::describe_values(request.kind, values, labels);
    *length = nlhost::utf8_cut(text, std::min(capacity, text.size()));
    std::copy_n(text.data(), *length, out);
    return true;
  });
}

bool format_value(const Settings &settings, nlhost::ValueKind kind, double value, std::string_view pattern,
                  char *out, size_t capacity, size_t *length, Error *error) noexcept {
  return guarded(error, false, [&] {
    // "@N" names locale item N; anything else is the pattern itself.
    const char *text = pattern.data();
    int64_t text_length = static_cast<int64_t>(pattern.size());
    if (const nlhost::PatternItem item = nlhost::pattern_item(pattern, kind); item.is_item) {
      if (item.problem != nullptr) {
        fail(error, Failure::kBadParameter, "bad locale item \"%.*s\" for a %s: %s", shown(pattern),
             pattern.data(), kind == nlhost::ValueKind::kDate ? "date" : "timestamp", item.problem);
        hint(error, "\"@N\" names locale item N, e.g. @28.");
        return false;
      }
      text = nullptr;
      text_length = item.item;
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
    if (rc == UWN_OK) {
      *length = static_cast<size_t>(width);
      return true;
    }
    using Status = nlhost::WriteStatus;
    const Status &meaning = nlhost::write_status(rc);
    const Failure failure = meaning.cause == Status::Cause::kRequest  ? Failure::kBadParameter
                            : meaning.cause == Status::Cause::kLength ? Failure::kLimit
                                                                      : Failure::kOutOfRange;
    switch (meaning.subject) {
      case Status::Subject::kItemNumber:
        fail(error, failure, "%s %lld", meaning.alone, static_cast<long long>(text_length));
        break;
      case Status::Subject::kPattern:
        fail(error, failure, "%s \"%.*s\"", meaning.alone, shown(pattern), pattern.data());
        break;
      case Status::Subject::kNone: fail(error, failure, "%s", meaning.alone); break;
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

bool check_locale(std::string_view name, Error *error) noexcept {
  return guarded(error, false, [&] { return the_session().find_locale(name, error) != nullptr; });
}

size_t locales_kept() noexcept { return session != nullptr ? session->locales_kept() : 0; }

bool version(const Settings &settings, char *out, size_t capacity, Error *error) noexcept {
  return guarded(error, false, [&] {
    const nlhost::Module *module = the_session().module(settings.module_path, error);
    if (module == nullptr) return false;
    const uwn_image_information *image = module->image();
    const auto field = [](const char *text, size_t size) {
      return static_cast<int>(
          std::string_view(text, size).substr(0, std::string_view(text, size).find('\0')).size());
    };
    UVersionInfo icu, cldr;
    u_getVersion(icu);
    UErrorCode status = U_ZERO_ERROR;
    ulocdata_getCLDRVersion(cldr, &status);
    char icu_text[U_MAX_VERSION_STRING_LENGTH], cldr_text[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(icu, icu_text);
    u_versionToString(cldr, cldr_text);
    const int written =
        std::snprintf(out, capacity, "nldat %s, module release %.*s (build %.*s of %.*s), ICU %s, CLDR %s",
                      NLDAT_VERSION, field(image->release, sizeof image->release), image->release,
                      field(image->build_id, sizeof image->build_id), image->build_id,
                      field(image->build_date, sizeof image->build_date), image->build_date, icu_text,
                      U_SUCCESS(status) ? cldr_text : "unknown");
    end_whole(out, capacity, written);
    return true;
  });
}

const std::vector<std::string> *locale_names(Error *error) noexcept {
  return guarded(error, static_cast<const std::vector<std::string> *>(nullptr),
                 [&] { return &the_session().locale_names(); });
}

}  // namespace nlpg
