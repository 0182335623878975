// nldat for Python: the host of the process (see session.h).
#include "session.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "nlhost/icu_locale.h"
#include "uwinldat.h"

namespace nldat_py {

namespace {

// Locale names are short ("zh_Hans_CN"): a longer one is unknown unsearched.
constexpr size_t kLongestLocaleName = 64;
// Each locale kept costs about 50 KB: a process that names more than this
// many is refused rather than let grow without bound.
constexpr size_t kMostLocales = 256;

// What a reader is made from: the names and kinds the host's reading knows.
// Kept here alone, so that the rest of the package asks by name.
std::optional<nlhost::FieldReader> make_named(const nlhost::Module &module, std::string_view name,
                                              std::string *why) {
  return nlhost::FieldReader::make(module, name, why);
}

// The kind a pattern reads when the reader is named name: a date or
// datetime informat's kind, or date, datetime, time by name.
std::optional<nlhost::ValueKind> pattern_kind(const nlhost::Module &module, std::string_view name) {
  std::string why;
  if (const std::optional<nlhost::FieldReader> named = make_named(module, name, &why)) {
    const nlhost::ValueKind kind = named->kind();
    if (kind == nlhost::ValueKind::kDate || kind == nlhost::ValueKind::kDatetime) return kind;
    return std::nullopt;
  }
  struct KindName {
    std::string_view name;
    nlhost::ValueKind kind;
  };
  static constexpr KindName kKinds[] = {
      {"date", nlhost::ValueKind::kDate},
      {"datetime", nlhost::ValueKind::kDatetime},
      {"time", nlhost::ValueKind::kTime},
  };
  for (const KindName &k : kKinds) {
    if (k.name.size() == name.size() &&
        std::equal(name.begin(), name.end(), k.name.begin(),
                   [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; }))
      return k.kind;
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> reader_names() {
  size_t count = 0;
  const std::string_view *names = nlhost::FieldReader::names(&count);
  return std::vector<std::string>(names, names + count);
}

size_t default_threads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(cores, 1u, 8u);
}

Session::Session(std::string module_path) : module_path_(std::move(module_path)) {
  // The module asks for the host's fatal exit only when the pool fails
  // while it registers, and then loading fails anyway: never abort Python.
  host_.set_exit_handler([](int32_t, int32_t) {});
  host_.make_current();
  std::string why;
  module_ = nlhost::Module::open(host_, module_path_, &why);
  if (module_ == nullptr) throw std::runtime_error(why);
}

// The modules keep the host's control blocks: they go first.
Session::~Session() {
  instances_.clear();
  module_.reset();
}

void Session::use_locale(const std::string &name) {
  if (name == locale_name_) return;
  for (const CachedLocale &cached : locales_) {
    if (cached.name == name) {
      host_.set_locale(cached.locale);
      locale_name_ = name;
      return;
    }
  }
  if (locales_.size() == kMostLocales)
    throw std::invalid_argument("more than " + std::to_string(kMostLocales) +
                                " locales named in one process");
  std::string why;
  std::shared_ptr<nlhost::Locale> locale;
  if (name.size() <= kLongestLocaleName) locale = nlhost::load_icu_locale(name, &why);
  if (locale == nullptr)
    throw std::invalid_argument("unknown locale '" + name.substr(0, 64) + "' (nldat.locales() lists them)");
  locales_.push_back({name, locale});
  host_.set_locale(std::move(locale));
  locale_name_ = name;
}

const nlhost::Module &Session::module(size_t worker) {
  if (worker == 0) return *module_;
  if (instances_.size() < worker) instances_.resize(worker);
  std::unique_ptr<nlhost::Module> &instance = instances_[worker - 1];
  if (instance == nullptr) {
    std::string why;
    instance = nlhost::Module::open_instance(host_, module_path_, host_.add_control_block(), &why);
  }
  return instance != nullptr ? *instance : *module_;
}

nlhost::FieldReader Session::reader(const ReaderSpec &spec, size_t worker) {
  const nlhost::Module &m = module(worker);
  std::string why;
  std::optional<nlhost::FieldReader> reader;
  if (spec.pattern.empty()) {
    reader = make_named(m, spec.name, &why);
    if (!reader) why += " (nldat.readers() lists them)";
  } else if (const std::optional<nlhost::ValueKind> kind = pattern_kind(m, spec.name)) {
    reader = nlhost::FieldReader::with_pattern(m, *kind, spec.pattern, &why);
  } else {
    why = "a pattern reads a date, datetime or time, not " + spec.name.substr(0, 64);
  }
  if (!reader) throw std::invalid_argument(why);
  reader->set_strict(spec.strict);
  reader->set_week_rule(spec.week_rule);
  return std::move(*reader);
}

namespace {

using FormatFn = int32_t (*)(char *, int32_t *, const char *, int32_t, double);

const char *writer_name(nlhost::ValueKind kind) {
  switch (kind) {
    case nlhost::ValueKind::kDate: return "zkfdate";
    case nlhost::ValueKind::kDatetime: return "zkfdttm";
    case nlhost::ValueKind::kTime: return "zkftime";
    case nlhost::ValueKind::kNumber: break;
  }
  return nullptr;
}

// Status of format for a pattern item "@N" that is no number.
constexpr int32_t kBadItem = -100;

}  // namespace

const char *format_message(int32_t status) {
  switch (status) {
    case UWN_NO_ITEM: return "the locale does not have the pattern item";
    case UWN_BAD_DIRECTIVE: return "bad directive in the pattern";
    case UWN_NO_VALUE: return "missing or out-of-range value";
    case UWN_TRUNCATED: return "the text passes the 512-byte limit of one expansion";
    case kBadItem: return "bad item number";
    default: return "not written";
  }
}

int32_t Session::format(nlhost::ValueKind kind, std::string_view pattern, double value, std::string *text) {
  const char *name = writer_name(kind);
  const auto write = name != nullptr ? module_->function<FormatFn>(name) : nullptr;
  if (write == nullptr) return UWN_BAD_DIRECTIVE;
  // "@N" names locale item N; anything else is the pattern itself.
  const char *chars = pattern.data();
  auto length = static_cast<int32_t>(pattern.size());
  if (pattern.size() > 1 && pattern[0] == '@') {
    int32_t item = 0;
    for (const char c : pattern.substr(1)) {
      if (c < '0' || c > '9' || item > 100000) return kBadItem;
      item = item * 10 + (c - '0');
    }
    chars = nullptr;
    length = item;
  }
  // Measured first, then written into a field of exactly its length, so
  // that the text is never cut.
  int32_t width = 0;
  int32_t rc = write(nullptr, &width, chars, length, value);
  if (rc >= 0) {
    text->assign(static_cast<size_t>(rc), ' ');
    width = rc;
    rc = write(text->data(), &width, chars, length, value);
    if (rc == UWN_OK) text->resize(static_cast<size_t>(width));
  }
  return rc;
}

namespace {

// The pattern items, each with the kind of value its example is (numbers:
// none).
struct ItemKind {
  int32_t item;
  nlhost::ValueKind kind;
};
constexpr ItemKind kPatternItems[] = {
    {UWN_ITEM_DATE_1, nlhost::ValueKind::kDate},
    {UWN_ITEM_DATE_2, nlhost::ValueKind::kDate},
    {UWN_ITEM_DATETIME_AP, nlhost::ValueKind::kDatetime},
    {UWN_ITEM_DATETIME_1, nlhost::ValueKind::kDatetime},
    {UWN_ITEM_DATETIME_2, nlhost::ValueKind::kDatetime},
    {UWN_ITEM_DATETIME_W1, nlhost::ValueKind::kDatetime},
    {UWN_ITEM_DATETIME_W2, nlhost::ValueKind::kDatetime},
    {UWN_ITEM_TIME_1, nlhost::ValueKind::kTime},
    {UWN_ITEM_TIME_2, nlhost::ValueKind::kTime},
    {UWN_ITEM_DATE_W1, nlhost::ValueKind::kDate},
    {UWN_ITEM_DATE_W2, nlhost::ValueKind::kDate},
    {UWN_ITEM_NUMBER, nlhost::ValueKind::kNumber},
    {UWN_ITEM_PERCENT, nlhost::ValueKind::kNumber},
    {UWN_ITEM_MONEY_LOCAL, nlhost::ValueKind::kNumber},
    {UWN_ITEM_MONEY_INTL, nlhost::ValueKind::kNumber},
};

// What reads by item ("NLDATM and NLDATMAP, second").
std::string read_by(int32_t) { return {}; }

}  // namespace

std::vector<Session::PatternItem> Session::patterns() {
  // The example: 2026-12-07T14:30:45.
  constexpr double kDate = 24447, kTime = 14 * 3600 + 30 * 60 + 45;
  const auto get = module_->function<decltype(&zkgetloc)>("zkgetloc");
  std::vector<PatternItem> items;
  for (const ItemKind &row : kPatternItems) {
    PatternItem &out = items.emplace_back(PatternItem{row.item, read_by(row.item), {}, {}});
    char text[160];
    int32_t length = sizeof text;
    if (get == nullptr || get(row.item, text, &length, nullptr, 0) != UWN_OK || length < 0) continue;
    out.pattern.assign(text, static_cast<size_t>(std::min<int32_t>(length, sizeof text)));
    if (row.kind == nlhost::ValueKind::kNumber) continue;
    const double value = row.kind == nlhost::ValueKind::kDate       ? kDate
                         : row.kind == nlhost::ValueKind::kDatetime ? kDate * 86400 + kTime
                                                                    : kTime;
    char item[16];
    std::snprintf(item, sizeof item, "@%d", static_cast<int>(row.item));
    format(row.kind, item, value, &out.example);
  }
  return items;
}

bool Session::week(double date, char rule, int width, std::string *text) {
  const auto write = module_->function<decltype(&zkfweek)>("zkfweek");
  if (write == nullptr) return false;
  char field[64];
  int32_t written = std::clamp(width, 3, 64);
  const int32_t asked = written;
  write(field, &written, &rule, 1, date);
  // A date the routine cannot place leaves the field filled with '*'.
  if (written <= 0 || written > asked || (written == asked && field[0] == '*')) return false;
  text->assign(field, static_cast<size_t>(written));
  return true;
}

}  // namespace nldat_py
