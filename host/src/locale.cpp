// The locale store, the built-in English locale and the locale services.
#include <atomic>
#include <cstring>

#include "host_internal.h"
#include "nlhost/host.h"
#include "services.h"

namespace nlhost {

namespace {

// Every locale's stamps come from one count, so that none is ever given twice.
uint64_t next_locale_version() {
  static std::atomic<uint64_t> count{0};
  return count.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

Locale::Locale(std::string name) : name_(std::move(name)), version_(next_locale_version()) {}

void Locale::changed() { version_.store(next_locale_version(), std::memory_order_relaxed); }

bool Locale::set_text(int item, std::string_view text) {
  if (item < 0 || item >= kItems || text.size() > UWN_ENTRY_TEXT_MAX) return false;
  uwn_locale_entry &e = entries_[item];
  std::memset(e.text, 0, sizeof e.text);
  if (!text.empty()) std::memcpy(e.text, text.data(), text.size());
  e.length = static_cast<int32_t>(text.size());
  present_.set(static_cast<size_t>(item));
  changed();
  return true;
}

bool Locale::set_names(int first_item, std::span<const std::string_view> names) {
  if (first_item < 0 || first_item + static_cast<int64_t>(names.size()) > kItems) return false;
  for (std::string_view name : names)
    if (name.size() > UWN_ENTRY_TEXT_MAX) return false;
  for (size_t i = 0; i < names.size(); ++i) set_text(first_item + static_cast<int>(i), names[i]);
  return true;
}

bool Locale::set_numeric(int item, const uwn_number_convention &record, std::string_view text) {
  if (item < 0 || item >= kItems || !set_text(item, text)) return false;
  conventions_[item] = record;
  entries_[item].convention = &conventions_[item];
  changed();
  return true;
}

void Locale::remove(int item) {
  if (item < 0 || item >= kItems) return;
  present_.reset(static_cast<size_t>(item));
  entries_[item] = uwn_locale_entry{};
  changed();
}

std::string_view Locale::text(int item) const {
  const uwn_locale_entry *e = entry(item);
  return e != nullptr ? std::string_view(e->text, static_cast<size_t>(e->length)) : std::string_view();
}

const uwn_number_convention *Locale::convention(int item) const {
  const uwn_locale_entry *e = entry(item);
  return e != nullptr ? e->convention : nullptr;
}

namespace {

uwn_number_convention convention(const char *currency, int positive_style, int negative_style) {
  uwn_number_convention c{};
  std::strncpy(c.currency, currency, sizeof c.currency - 1);
  c.decimal_separator = '.';
  c.grouping_separator = ',';
  c.positive_sign = '+';
  c.negative_sign = '-';
  c.positive_style = positive_style;
  c.negative_style = negative_style;
  return c;
}

}  // namespace

std::shared_ptr<Locale> make_builtin_english() {
  auto locale = std::make_shared<Locale>("en_US");
  Locale &l = *locale;

  static constexpr std::string_view kMonthsAbbr[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static constexpr std::string_view kMonths[] = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};
  static constexpr std::string_view kWeekdaysAbbr[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr std::string_view kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                   "Thursday", "Friday", "Saturday"};
  static constexpr std::string_view kQuartersAbbr[] = {"Q1", "Q2", "Q3", "Q4"};
  static constexpr std::string_view kQuarters[] = {"1st quarter", "2nd quarter", "3rd quarter",
                                                   "4th quarter"};
  static_assert(std::size(kMonths) == 12 && std::size(kMonthsAbbr) == 12);
  static_assert(std::size(kWeekdays) == 7 && std::size(kWeekdaysAbbr) == 7);
  l.set_names(UWN_ITEM_MONTH_ABBR, kMonthsAbbr);
  l.set_names(UWN_ITEM_MONTH, kMonths);
  l.set_names(UWN_ITEM_WEEKDAY_ABBR, kWeekdaysAbbr);
  l.set_names(UWN_ITEM_WEEKDAY, kWeekdays);
  l.set_names(UWN_ITEM_QUARTER_ABBR, kQuartersAbbr);
  l.set_names(UWN_ITEM_QUARTER, kQuarters);
  l.set_text(UWN_ITEM_AM, "AM");
  l.set_text(UWN_ITEM_PM, "PM");

  struct Item {
    int item;
    std::string_view text;
  };
  static constexpr Item kPatterns[] = {
      {UWN_ITEM_DATE_1, "%m/%d/%Y"},
      {UWN_ITEM_DATE_2, "%b %d, %Y"},
      {UWN_ITEM_DATETIME_AP, "%m/%d/%Y %I:%M:%S %p"},
      {UWN_ITEM_DATETIME_1, "%m/%d/%Y %H:%M:%S"},
      {UWN_ITEM_DATETIME_2, "%b %d, %Y %H:%M:%S"},
      {UWN_ITEM_DATETIME_W1, "%A, %B %d, %Y %H:%M:%S"},
      {UWN_ITEM_DATETIME_W2, "%a, %b %d, %Y %H:%M:%S"},
      {UWN_ITEM_TIME_1, "%H:%M:%S"},
      {UWN_ITEM_TIME_2, "%I:%M:%S %p"},
      {UWN_ITEM_DATE_W1, "%A, %B %d, %Y"},
      {UWN_ITEM_DATE_W2, "%a, %b %d, %Y"},
      // Items with a short and a long variant, "short;long".
      {8, "%m/%d/%y;%m/%d/%Y"},
      {9, "%H:%M;%H:%M:%S"},
      {10, "%m/%d/%y %H:%M;%m/%d/%Y %H:%M:%S"},
      {18, "%b %d;%B %d"},
      {19, "%b %Y;%B %Y"},
      {20, "%a;%A"},
      {21, "%b;%B"},
      {22, "%q;%Q"},
  };
  for (const Item &p : kPatterns) l.set_text(p.item, p.text);

  l.set_numeric(UWN_ITEM_NUMBER, convention("", 1, 1), "#,##0.###");
  l.set_numeric(UWN_ITEM_PERCENT, convention("%", 1, 1), "#,##0%");
  l.set_numeric(UWN_ITEM_MONEY_LOCAL, convention("$", 1, 1), "$#,##0.00");
  l.set_numeric(UWN_ITEM_MONEY_INTL, convention("USD", 1, 1), "USD #,##0.00");
  return locale;
}

}  // namespace nlhost

using namespace nlhost;

namespace {

Locale *resolve(void *handle) {
  if (handle != nullptr) return static_cast<Locale *>(handle);
  Host *host = current_host();
  return host != nullptr ? host->locale() : nullptr;
}

}  // namespace

namespace {

// The entry lookup: a bounds test, a presence bit and an indexed address.
int32_t find_entry(const Locale *l, int32_t item, const uwn_locale_entry **entry) {
  const uwn_locale_entry *e = l != nullptr ? l->entry(item) : nullptr;
  if (e == nullptr) return kNoLocaleItem;
  if (entry != nullptr) *entry = e;
  return 0;
}

}  // namespace

int32_t nlhost::reference::wzsxglc(void *locale, int32_t item, const uwn_locale_entry **entry) noexcept {
  Host *host = current_host();
  const Locale *l = static_cast<const Locale *>(locale);
  if (host == nullptr) return find_entry(l, item, entry);
  return find_entry(l != nullptr ? l : host->locale_in_force(), item, entry);
}

namespace {

// The null handle on a host with blocks of their own locale: the calling
// thread's locale.  Out of line, so that the common path keeps no frame.
[[gnu::noinline]] int32_t find_in_thread_locale(const Host *host, int32_t item,
                                                const uwn_locale_entry **entry) {
  return find_entry(host->locale_in_force(), item, entry);
}

}  // namespace

// The host is looked up only for the current locale (a null handle).
extern "C" int32_t nlhost_svc_wzsxglc(void *locale, int32_t item, const uwn_locale_entry **entry) noexcept {
  const Locale *l = static_cast<const Locale *>(locale);
  if (l == nullptr) {
    const Host *host = current_host();
    if (host == nullptr) return kNoLocaleItem;
    if (host->has_locale_blocks()) return find_in_thread_locale(host, item, entry);
    l = host->locale();
  }
  return find_entry(l, item, entry);
}

extern "C" int32_t nlhost_svc_wzsxplc(void *locale, int32_t item, const char *text, int32_t length) noexcept {
  Host *host = current_host();
  Locale *l = resolve(locale);
  if (l == nullptr || length < 0 || (text == nullptr && length > 0)) return kNoLocaleItem;
  std::string_view value =
      length > 0 ? std::string_view(text, static_cast<size_t>(length)) : std::string_view();
  if (host != nullptr) {
    std::lock_guard lock(HostAccess::locale_mutex(*host));
    return l->set_text(item, value) ? 0 : kNoLocaleItem;
  }
  return l->set_text(item, value) ? 0 : kNoLocaleItem;
}

// The watched locale services: each call recorded with its item (wzsxplc's
// with its text, when the text fits an entry), and failed as "no item" when
// the test armed it.

extern "C" int32_t nlhost_watched_wzsxglc(void *locale, int32_t item,
                                          const uwn_locale_entry **entry) noexcept {
  return watch_call("wzsxglc", item) ? kNoLocaleItem : nlhost_svc_wzsxglc(locale, item, entry);
}

extern "C" int32_t nlhost_watched_wzsxplc(void *locale, int32_t item, const char *text,
                                          int32_t length) noexcept {
  const std::string_view noted = text != nullptr && length > 0 && length <= UWN_ENTRY_TEXT_MAX
                                     ? std::string_view(text, static_cast<size_t>(length))
                                     : std::string_view();
  return watch_call("wzsxplc", item, noted) ? kNoLocaleItem : nlhost_svc_wzsxplc(locale, item, text, length);
}
