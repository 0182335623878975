// nldat for Python: the host of the process (see session.h).
#include "session.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "nlhost/column_reader.h"
#include "nlhost/icu_locale.h"
#include "nlhost/readers.h"
#include "nlhost/sample.h"
#include "nlhost/text.h"
#include "uwinldat.h"

namespace nldat_py {

namespace {

// Locale names are short ("zh_Hans_CN"): a longer one is unknown unsearched.
constexpr size_t kLongestLocaleName = 64;
// Each locale kept costs about 50 KB: a process that names more than this
// many is refused rather than let grow without bound.
constexpr size_t kMostLocales = 256;

}  // namespace

std::vector<std::string> reader_names() {
  std::vector<std::string> names;
  for (const nlhost::ReaderInfo &reader : nlhost::reader_table()) names.emplace_back(reader.name);
  return names;
}

std::string host_locale_name(std::string_view name) {
  std::string result(nlhost::posix_locale_name(name));
  std::replace(result.begin(), result.end(), '-', '_');
  return result;
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
  detector_.reset();
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

nlhost::FieldReader Session::reader(const nlhost::ReaderChoice &choice, size_t worker) {
  std::string why;
  std::optional<nlhost::FieldReader> reader = nlhost::make_field_reader(host_, module(worker), choice, &why);
  if (!reader) {
    if (!choice.form && choice.pattern.empty())
      why += " (nldat.readers() lists them)";
    else if (!choice.form && !nlhost::pattern_kind(choice.name))
      why += ", not " + choice.name.substr(0, 64);
    throw std::invalid_argument(why);
  }
  return std::move(*reader);
}

namespace {

using FormatFn = int32_t (*)(char *, int32_t *, const char *, int32_t, double);

// Status of format for a pattern item "@N" that is no number.
constexpr int32_t kBadItem = -100;

}  // namespace

const char *format_message(int32_t status) {
  return status == kBadItem ? "bad item number" : nlhost::write_status(status).reason;
}

int32_t Session::format(nlhost::ValueKind kind, std::string_view pattern, double value, std::string *text) {
  const char *name = nlhost::kind_info(kind).writer;
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

// The pattern items: every item a reader reads by, with what reads by it
// ("NLDATM and NLDATMAP, second") and the kind of value its example is,
// and the time items, which belong to no reader.
struct ItemUse {
  int32_t item;
  nlhost::ValueKind kind;
  std::string read_by;
};

std::vector<ItemUse> pattern_items() {
  std::vector<ItemUse> items;
  std::string_view time = nlhost::kind_info(nlhost::ValueKind::kTime).name;
  items.push_back({UWN_ITEM_TIME_1, nlhost::ValueKind::kTime, std::string(time) + ", first"});
  items.push_back({UWN_ITEM_TIME_2, nlhost::ValueKind::kTime, std::string(time) + ", second"});
  for (const nlhost::ReaderInfo &reader : nlhost::reader_table()) {
    for (size_t k = 0; k < std::size(reader.items); ++k) {
      if (reader.items[k] == 0) continue;
      auto same = std::find_if(items.begin(), items.end(),
                               [&](const ItemUse &u) { return u.item == reader.items[k]; });
      std::string use = std::string(reader.name);
      if (same == items.end()) {
        if (!reader.item_uses[k].empty()) use += ", " + std::string(reader.item_uses[k]);
        items.push_back({reader.items[k], reader.kind, use});
      } else {
        // Shared by two readers: "NLDATM and NLDATMAP, second".
        const size_t comma = same->read_by.find(',');
        same->read_by.insert(comma == std::string::npos ? same->read_by.size() : comma, " and " + use);
      }
    }
  }
  std::sort(items.begin(), items.end(), [](const ItemUse &a, const ItemUse &b) { return a.item < b.item; });
  return items;
}

}  // namespace

std::vector<Session::PatternItem> Session::patterns() {
  // The example: 2026-12-07T14:30:45.
  constexpr double kDate = 24447, kTime = 14 * 3600 + 30 * 60 + 45;
  const auto get = module_->function<decltype(&zkgetloc)>("zkgetloc");
  std::vector<PatternItem> items;
  for (const ItemUse &row : pattern_items()) {
    PatternItem &out = items.emplace_back(PatternItem{row.item, row.read_by, {}, {}});
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

std::string Session::sniff(const SniffRequest &request) {
  nlhost::detect::SampleOptions sampling;
  sampling.delimiter = request.delimiter;
  sampling.header = request.header;
  nlhost::detect::FileSample sample;
  std::string why;
  const bool sampled = request.is_path ? nlhost::detect::sample_path(request.input, request.encoding,
                                                                     "encoding=", sampling, &sample, &why)
                                       : nlhost::detect::sample_bytes(request.input, request.encoding,
                                                                      "encoding=", sampling, &sample, &why);
  if (!sampled) throw std::invalid_argument((request.is_path ? request.name : "the text") + ": " + why);
  if (detector_ == nullptr) detector_ = std::make_unique<nlhost::detect::Detector>(host_, *module_);
  nlhost::detect::Report report = detector_->analyze(sample.columns, request.preferred);
  // The detector restores the host's locale by name; the next call sets its own.
  locale_name_.clear();
  report.file = request.name;
  report.dialect = sample.dialect;
  return nlhost::detect::render_json(report);
}

}  // namespace nldat_py
