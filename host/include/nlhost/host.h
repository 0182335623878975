// nlhost: a reference host for the uwinldat module.
//
// A Host owns everything the module reads through the control block: the
// vector table with every service of uwinldat_services.def, the GCB_TSSVEC
// bytes, the upper-case and character-class tables, the standard missing
// value, the memory pool and the kernel handle.  Services reach the host's
// state through one process-wide current host (Host::current()).  Tests
// watch and steer the services through nlhost/testing.h.
#ifndef NLHOST_HOST_H
#define NLHOST_HOST_H

#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "uwinldat.h"

namespace nlhost {

// The host's standard missing value: a quiet NaN whose top 16 bits are ones.
double standard_missing();

// Status of wzifmn for a field that is not a number.
inline constexpr int32_t kNumericInvalid = 1;
// Status of wzsxglc when the locale does not have the item (or there is no
// locale), and of wzsxplc when the item number or the text is refused.
inline constexpr int32_t kNoLocaleItem = 1;
// Status of xfrname when no informat of that name is registered.
inline constexpr int32_t kNoInformat = 1;

// A locale: 152-byte locale text entries indexed by item number, stored
// contiguously so that a name array is a run of entries 152 bytes apart, with
// number-convention records behind the numeric items.  Not movable: the
// module holds addresses into it during a call.
class Locale {
 public:
  static constexpr int kItems = 160;

  explicit Locale(std::string name = {});
  Locale(const Locale &) = delete;
  Locale &operator=(const Locale &) = delete;

  const std::string &name() const { return name_; }

  // Sets a text item; texts longer than the entry holds are refused (false).
  bool set_text(int item, std::string_view text);
  // Sets a run of consecutive text items starting at first_item.
  bool set_names(int first_item, std::span<const std::string_view> names);
  // Sets a numeric item: its text and its number-convention record.
  bool set_numeric(int item, const uwn_number_convention &record, std::string_view text = {});
  void remove(int item);
  bool has(int item) const {
    return static_cast<unsigned>(item) < kItems && present_[static_cast<size_t>(item)];
  }
  // The entry of an item, or null when the locale does not have it.
  const uwn_locale_entry *entry(int item) const {
    return has(item) ? &entries_[static_cast<size_t>(item)] : nullptr;
  }
  std::string_view text(int item) const;
  const uwn_number_convention *convention(int item) const;
  // A stamp of the items as they are: it changes with every change of an
  // item, and no two locales ever hold the same one, so that what a reader
  // derived from a locale's items stays good while the stamp is the same.
  uint64_t version() const { return version_.load(std::memory_order_relaxed); }

 private:
  void changed();

  std::string name_;
  std::atomic<uint64_t> version_;
  std::array<uwn_locale_entry, kItems> entries_{};
  std::array<uwn_number_convention, kItems> conventions_{};
  std::bitset<kItems> present_;
};

// A small English locale built in code (no ICU), for tests and as a model:
// en_US-like names, AM/PM, quarters, patterns for items 28 to 38, and the
// number-convention items 111 to 114.
std::shared_ptr<Locale> make_builtin_english();

// What a test's ServiceWatch (nlhost/testing.h) keeps for a host.
struct WatchState;

// A host-side informat: reads the block, 0 when the value is stored.
using HostInformat = std::function<int32_t(uwn_informat_block *)>;

class Host {
 public:
  Host();
  ~Host();
  Host(const Host &) = delete;
  Host &operator=(const Host &) = delete;

  // The process-wide current host that the services serve; the most recently
  // constructed host is current until another is made current or it dies.
  static Host *current();
  void make_current();

  uwn_control_block *control_block() { return &gcb_; }
  const uint8_t *tssvec() const { return tssvec_.data(); }
  uint8_t *tssvec_mutable() { return tssvec_.data(); }
  // Another control block for another instance of the module (see
  // Module::open_instance): the same vectors, tables, locale, missing value
  // and pool, with GCB_TSSVEC bytes of its own.  The stubs clear a byte of
  // GCB_TSSVEC on every service call, so threads that share one control
  // block pass that cache line between their cores on every call; a thread
  // with an instance and a block of its own does not.  Lives as long as the
  // host.
  //
  // With a locale, the block has a locale holder of its own that names it
  // (the host keeps it alive): an instance opened on that block reads by
  // that locale whatever the host's current one is, so that one job can
  // read one column by de_DE and another by en_US.  Without, the block
  // shares the host's holder and follows set_locale.
  uwn_control_block *add_control_block(std::shared_ptr<Locale> locale = nullptr);
  // The locale a block of add_control_block names by a holder of its own;
  // null for the host's own block, a block that shares its holder, or null.
  const Locale *block_locale(const uwn_control_block *block) const;

  // The current locale (its handle, a Locale*, is in the control block).
  void set_locale(std::shared_ptr<Locale> locale);
  Locale *locale() const { return locale_.get(); }
  // The locale the host's services (for the null handle) and its
  // whole-field informats read by on the calling thread: the one a
  // ThreadLocale names while it lives, else the current locale.
  const Locale *locale_in_force() const {
    // A host without blocks of their own locale has no thread's locale to ask for.
    return has_locale_blocks() ? thread_locale() : locale_.get();
  }
  // Whether some block of add_control_block names a locale of its own.
  bool has_locale_blocks() const { return bound_blocks_.load(std::memory_order_relaxed); }

  // While it lives, the host's services and whole-field informats read by
  // locale on this thread (null: the current locale): a field reader bound
  // to a locale of its own holds one over each read, so that what the
  // module asks of the host during the read is answered by the module's
  // locale.  Nests; one thread's scope is invisible to the others.  Only a
  // host with a block of a locale of its own (add_control_block(locale))
  // looks: the others' services read the current locale without asking.
  class ThreadLocale {
   public:
    explicit ThreadLocale(const Locale *locale);
    ~ThreadLocale();
    ThreadLocale(const ThreadLocale &) = delete;
    ThreadLocale &operator=(const ThreadLocale &) = delete;

   private:
    const Locale *saved_;
  };

  // Two-digit years y map to [first_year, first_year + 99].
  void set_year_window(int first_year) { year_window_ = first_year; }
  int year_window() const { return year_window_; }

  // A frozen clock for wzdttme (a datetime value); unset: the system clock.
  void set_clock(double datetime);
  void clear_clock();
  double now() const;

  // Multibyte text: UTF-8 by default.  A test may declare that a lead byte
  // starts a character of length bytes in some other encoding (length 2 to
  // 4; 0 restores UTF-8 for that byte), e.g. 0x81 followed by any byte.
  void set_multibyte_lead(uint8_t lead, int length);
  int multibyte_lead(uint8_t lead) const { return multibyte_lead_[lead]; }
  // True when some lead byte has been declared: plain UTF-8 otherwise.
  bool has_custom_leads() const { return custom_leads_; }

  // Boolean options for xoptbgt ("GSTYLE").
  void set_option(std::string_view name, bool on);
  bool option(std::string_view name) const;

  // Informats found by xfrname (case-insensitive names) and run by xfxbpn.
  // The host's standard informats DATE, DATETIME, WEEKDATE, TWNDY and
  // DATEAMPM are registered by the constructor.
  void register_informat(std::string name, HostInformat informat);
  // The informat registered under name (any case), or null: a host runs its
  // own standard informats through this.
  const HostInformat *find_informat(std::string_view name) const;

  // Memory pool: allocations are kept until the host dies.
  struct Allocation {
    uint64_t size;
    uint32_t flags;
    void *address;
  };
  std::vector<Allocation> allocations() const;

  // xexit: the handler is called with the code and detail; the default one
  // prints a message and aborts.  A test handler may return, and the module
  // then goes on as if the service had returned.
  void set_exit_handler(std::function<void(int32_t, int32_t)> handler);

 private:
  // The services and the test watch reach these through HostAccess
  // (host/src/host_internal.h).
  friend struct HostAccess;
  void *allocate(uint64_t size, uint32_t flags);
  // The locale a ThreadLocale names on this thread, else the current locale.
  const Locale *thread_locale() const;
  // The pool's routine, plain and with a test's bookkeeping first.
  static void *plain_allocate(uwn_memory_pool *pool, uint64_t size, uint32_t flags);
  static void *watched_allocate(uwn_memory_pool *pool, uint64_t size, uint32_t flags);
  void exit(int32_t code, int32_t detail);
  std::mutex &locale_mutex() { return locale_mutex_; }
  // The slot of a service in the vector table, or null.
  void **slot(int vector, int slot);
  // Puts the watched copies of the services (and of the pool's routine) in
  // place of the plain ones, or the plain ones back.
  void watch_services(bool on);

  // The pool as the module sees it, followed by its owner.
  struct Pool {
    uwn_memory_pool pool;
    Host *owner;
  };
  struct NamedInformat {
    std::string name;
    HostInformat informat;
  };

  uwn_control_block gcb_{};
  uwn_locale_holder locale_holder_{};
  uwn_missing_holder missing_holder_{};
  Pool pool_{};
  std::array<uint8_t, 256> upper_{};
  std::array<uint8_t, 256> class_{};
  // Written on every service call: on cache lines of its own, apart from the
  // tables every thread reads.
  struct alignas(64) Tssvec {
    std::array<uint8_t, UWN_VECTOR_COUNT> bytes;
  };
  struct ExtraBlock {
    uwn_control_block gcb;
    Tssvec tssvec;
    uwn_locale_holder holder{};      // used when the block names a locale of its own
    std::shared_ptr<Locale> locale;  // that locale, or null
  };
  alignas(64) std::array<uint8_t, UWN_VECTOR_COUNT> tssvec_{};
  alignas(64) std::array<std::array<void *, 512>, 4> vector_storage_{};
  std::vector<std::unique_ptr<ExtraBlock>> extra_blocks_;
  std::array<void *const *, UWN_VECTOR_COUNT> vectors_{};
  std::array<uint8_t, 256> multibyte_lead_{};
  bool custom_leads_ = false;
  std::shared_ptr<Locale> locale_;
  std::atomic<bool> bound_blocks_{false};  // some block names a locale of its own
  std::atomic<int> year_window_{1940};
  std::atomic<bool> clock_set_{false};
  std::atomic<double> clock_{0};
  std::vector<std::pair<std::string, bool>> options_;
  // Handles given out by xfrname point into these records: never moved.
  std::vector<std::unique_ptr<NamedInformat>> informats_;
  std::vector<Allocation> allocations_;
  std::vector<std::unique_ptr<uint8_t[]>> blocks_;
  std::function<void(int32_t, int32_t)> exit_handler_;
  // Made by the first ServiceWatch call; never while the module runs.
  std::unique_ptr<WatchState> watch_;
  mutable std::mutex mutex_;
  std::mutex locale_mutex_;
};

// A loaded module, as a real host loads it: dlopen; the image entry with the
// host's control block; the image information record checked (eye-catcher and
// magic); the entry list walked to the descriptor named "uwinldat"; the
// describe and bind requests; the five informat names mapped to routines.
class Module {
 public:
  // Loads the shared object at path for host; on failure null and *error set
  // to a message that says what is wrong.
  static std::unique_ptr<Module> open(Host &host, const std::string &path, std::string *error);
  // Another instance of the module at path, with globals of its own (the
  // dynamic loader gives a path once loaded the same instance again, so this
  // one is loaded from a private copy of the file), its image entry given
  // control_block, one of host.add_control_block(): one for each thread that
  // calls the module a great deal.
  static std::unique_ptr<Module> open_instance(Host &host, const std::string &path,
                                               uwn_control_block *control_block, std::string *error);
  ~Module();
  Module(const Module &) = delete;
  Module &operator=(const Module &) = delete;

  // An exported symbol of the module (dlsym), or null.
  void *symbol(const char *name) const;
  template <class F>
  F function(const char *name) const {
    return reinterpret_cast<F>(symbol(name));
  }
  const uwn_image_information *image() const { return image_; }
  // The control block the instance was opened on (open_instance); null for
  // a module that serves the host's own block.
  const uwn_control_block *control_block() const { return control_block_; }
  const uwn_entry_descriptor *entry() const { return entry_; }
  const uwn_family_description *description() const { return description_; }
  // The registered informats in item-table order: name without the "@"
  // ("NLDATE") and routine.
  struct Informat {
    std::string name;
    const uwn_informat_item *item;
    uwn_informat_fn routine;
  };
  const std::vector<Informat> &informats() const { return informats_; }
  // The routine of an informat by name (case-insensitive), or null.
  uwn_informat_fn informat(std::string_view name) const;
  const std::string &path() const { return path_; }

  // Calls the image entry again with another host's control block and makes
  // that host current, so that a module loaded once serves a new host (the
  // module keeps the block's address).  False when the record is not valid.
  bool attach(Host &host);

 private:
  Module() = default;
  // Loads from load_path (path_ unless a private copy) into host.
  bool load(Host &host, const std::string &load_path, std::string *error);
  bool call_image_entry(Host &host, std::string *error);
  uwn_control_block *control_block_ = nullptr;  // given to the image entry; null: the host's own
  uwn_family_description description_copy_{};
  uint64_t per_image_anchor_[4] = {};
  void *handle_ = nullptr;
  const uwn_image_information *image_ = nullptr;
  const uwn_entry_descriptor *entry_ = nullptr;
  const uwn_family_description *description_ = nullptr;
  std::vector<Informat> informats_;
  std::string path_;
};

// Registers the host's standard informats DATE, DATETIME, WEEKDATE, TWNDY and
// DATEAMPM with host (the Host constructor calls it).
void register_standard_informats(Host &host);

}  // namespace nlhost

#endif  // NLHOST_HOST_H
