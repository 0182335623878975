// The reference host: its control block, vector table, tables and pool, and
// the swap between its plain and watched services.
#include "nlhost/host.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

#include "host_internal.h"
#include "nlhost/civil.h"
#include "nlhost/text.h"
#include "services.h"

namespace nlhost {

std::atomic<Host *> g_current_host{nullptr};
std::atomic<int> g_hosts_with_leads{0};

namespace {

// The vectors the module uses, in storage order.
constexpr int kVectorNumbers[] = {UWN_VECTOR_TOOLKIT, UWN_VECTOR_LOCALE, UWN_VECTOR_KERNEL,
                                  UWN_VECTOR_CALENDAR};
constexpr int kSlots = 512;

int storage_index(int vector) {
  for (int i = 0; i < static_cast<int>(std::size(kVectorNumbers)); ++i)
    if (kVectorNumbers[i] == vector) return i;
  return -1;
}

struct Installed {
  int vector;
  int slot;
  void *plain;
  void *watched;  // the same service with a test's bookkeeping first
};

// Every service at its (vector, slot), from the list the module's stubs are
// made from.
const Installed kServices[] = {
#define UWN_SERVICE(name, vector, slot, type, params)          \
  {vector, slot, reinterpret_cast<void *>(&nlhost_svc_##name), \
   reinterpret_cast<void *>(&nlhost_watched_##name)},
#include "uwinldat_services.def"
#undef UWN_SERVICE
};

// A recognisable kernel handle ("NLHOST").
constexpr uint64_t kKernelHandle = 0x4E4C484F5354ull;

// Fresh pool blocks are filled with this byte, so that a test can tell
// bytes the module wrote from bytes it left alone.
constexpr uint8_t kPoolFill = 0xA5;

// Larger requests are refused: no registration block comes near it.
constexpr uint64_t kPoolMaxRequest = uint64_t{1} << 30;

}  // namespace

double standard_missing() {
  constexpr uint64_t kBits = 0xFFFF000000000000ull;
  double d;
  std::memcpy(&d, &kBits, sizeof d);
  return d;
}

Host::Host() {
  for (int c = 0; c < 256; ++c) {
    upper_[c] = static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    class_[c] = static_cast<uint8_t>((c >= 'a' && c <= 'z' ? UWN_CLASS_LOWER : 0) |
                                     (c >= '0' && c <= '9' ? UWN_CLASS_DIGIT : 0));
  }
  // Bytes the stubs clear: set so that a test sees which ones were cleared.
  tssvec_.fill(1);
  for (size_t i = 0; i < std::size(kVectorNumbers); ++i)
    vectors_[kVectorNumbers[i]] = vector_storage_[i].data();
  for (const Installed &s : kServices) *slot(s.vector, s.slot) = s.plain;

  missing_holder_.missing = standard_missing();
  pool_.pool.allocate = plain_allocate;
  pool_.owner = this;

  gcb_.vectors = vectors_.data();
  gcb_.tssvec = tssvec_.data();
  gcb_.locale_holder = &locale_holder_;
  gcb_.upper = upper_.data();
  gcb_.char_class = class_.data();
  gcb_.missing_holder = &missing_holder_;
  gcb_.pool = &pool_.pool;
  gcb_.kernel_handle = kKernelHandle;

  set_locale(make_builtin_english());
  make_current();
  register_standard_informats(*this);
}

Host::~Host() {
  if (custom_leads_) g_hosts_with_leads.fetch_sub(1, std::memory_order_release);
  Host *self = this;
  g_current_host.compare_exchange_strong(self, nullptr);
}

uwn_control_block *Host::add_control_block(std::shared_ptr<Locale> locale) {
  auto extra = std::make_unique<ExtraBlock>();
  extra->gcb = gcb_;
  extra->tssvec.bytes = tssvec_;
  extra->gcb.tssvec = extra->tssvec.bytes.data();
  if (locale != nullptr) {
    extra->holder.current_locale = locale.get();
    extra->gcb.locale_holder = &extra->holder;
    extra->locale = std::move(locale);
    bound_blocks_.store(true, std::memory_order_relaxed);
  }
  std::lock_guard lock(mutex_);
  extra_blocks_.push_back(std::move(extra));
  return &extra_blocks_.back()->gcb;
}

const Locale *Host::block_locale(const uwn_control_block *block) const {
  if (block == nullptr) return nullptr;
  std::lock_guard lock(mutex_);
  for (const auto &extra : extra_blocks_) {
    if (&extra->gcb == block) return extra->locale.get();
  }
  return nullptr;
}

namespace {
// The locale a ThreadLocale names on this thread; null: the current locale.
thread_local const Locale *t_reading_locale = nullptr;
}  // namespace

const Locale *Host::thread_locale() const {
  const Locale *scoped = t_reading_locale;
  return scoped != nullptr ? scoped : locale_.get();
}

Host::ThreadLocale::ThreadLocale(const Locale *locale) : saved_(t_reading_locale) {
  if (locale != nullptr) t_reading_locale = locale;
}
Host::ThreadLocale::~ThreadLocale() { t_reading_locale = saved_; }

Host *Host::current() { return g_current_host.load(std::memory_order_acquire); }
void Host::make_current() { g_current_host.store(this, std::memory_order_release); }

void Host::set_locale(std::shared_ptr<Locale> locale) {
  locale_ = std::move(locale);
  locale_holder_.current_locale = locale_.get();
}

void Host::set_clock(double datetime) {
  clock_ = datetime;
  clock_set_ = true;
}
void Host::clear_clock() { clock_set_ = false; }

double Host::now() const {
  if (clock_set_) return clock_;
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(since_epoch).count();
  const std::time_t seconds = static_cast<std::time_t>(micros / 1000000);
  std::tm local{};
  localtime_r(&seconds, &local);
  const int64_t day = civil::days_from_civil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  const int64_t second_of_day = (local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec;
  return static_cast<double>(day * 86400 + second_of_day) + static_cast<double>(micros % 1000000) / 1e6;
}

void Host::set_multibyte_lead(uint8_t lead, int length) {
  multibyte_lead_[lead] = static_cast<uint8_t>(length >= 2 && length <= 4 ? length : 0);
  const bool had = custom_leads_;
  custom_leads_ =
      std::any_of(multibyte_lead_.begin(), multibyte_lead_.end(), [](uint8_t l) { return l != 0; });
  if (custom_leads_ != had) g_hosts_with_leads.fetch_add(custom_leads_ ? 1 : -1, std::memory_order_release);
}

void Host::set_option(std::string_view name, bool on) {
  std::lock_guard lock(mutex_);
  for (auto &option : options_)
    if (same_name(option.first, name)) {
      option.second = on;
      return;
    }
  options_.emplace_back(std::string(name), on);
}

bool Host::option(std::string_view name) const {
  std::lock_guard lock(mutex_);
  for (const auto &option : options_)
    if (same_name(option.first, name)) return option.second;
  return false;
}

void Host::register_informat(std::string name, HostInformat informat) {
  std::lock_guard lock(mutex_);
  for (auto &known : informats_)
    if (same_name(known->name, name)) {
      known->informat = std::move(informat);
      return;
    }
  informats_.push_back(std::make_unique<NamedInformat>(NamedInformat{std::move(name), std::move(informat)}));
}

const HostInformat *Host::find_informat(std::string_view name) const {
  std::lock_guard lock(mutex_);
  for (const auto &known : informats_)
    if (same_name(known->name, name)) return &known->informat;
  return nullptr;
}

void *Host::plain_allocate(uwn_memory_pool *pool, uint64_t size, uint32_t flags) {
  return reinterpret_cast<Pool *>(pool)->owner->allocate(size, flags);
}

// The pool under a test's eye: the owner's watch records the request and may
// refuse it.
void *Host::watched_allocate(uwn_memory_pool *pool, uint64_t size, uint32_t flags) {
  Host *owner = reinterpret_cast<Pool *>(pool)->owner;
  if (WatchState *w = owner->watch_.get()) {
    w->record("pool", static_cast<int64_t>(size > uint64_t{INT64_MAX} ? INT64_MAX : size));
    if (w->fails("pool") || w->fail_allocations) return nullptr;
  }
  return owner->allocate(size, flags);
}

std::vector<Host::Allocation> Host::allocations() const {
  std::lock_guard lock(mutex_);
  return allocations_;
}

void *Host::allocate(uint64_t size, uint32_t flags) {
  if (size > kPoolMaxRequest) return nullptr;
  auto block = std::make_unique<uint8_t[]>(size == 0 ? 1 : size);
  std::memset(block.get(), kPoolFill, size == 0 ? 1 : size);
  void *address = block.get();
  std::lock_guard lock(mutex_);
  blocks_.push_back(std::move(block));
  allocations_.push_back({size, flags, address});
  return address;
}

void Host::set_exit_handler(std::function<void(int32_t, int32_t)> handler) {
  std::lock_guard lock(mutex_);
  exit_handler_ = std::move(handler);
}

void Host::exit(int32_t code, int32_t detail) {
  std::function<void(int32_t, int32_t)> handler;
  {
    std::lock_guard lock(mutex_);
    handler = exit_handler_;
  }
  if (handler) {
    handler(code, detail);
    return;
  }
  std::fprintf(stderr, "nlhost: fatal exit requested by the module: code %d, detail %d\n", code, detail);
  std::abort();
}

void **Host::slot(int vector, int slot) {
  const int index = storage_index(vector);
  if (index < 0 || slot < 0 || slot >= kSlots) return nullptr;
  return &vector_storage_[index][slot];
}

// A slot a test has given a routine of its own keeps it.
void Host::watch_services(bool on) {
  for (const Installed &s : kServices) {
    void *&routine = *slot(s.vector, s.slot);
    if (routine == (on ? s.plain : s.watched)) routine = on ? s.watched : s.plain;
  }
  pool_.pool.allocate = on ? watched_allocate : plain_allocate;
}

}  // namespace nlhost
