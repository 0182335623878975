// The informat family: its entry, its item table, and the five informats that
// read a field by the current locale's date or datetime patterns, retry once
// with a second pattern, and otherwise hand the field to a host informat.
#include "entry_text.h"
#include "numeric_date.h"
#include "uwn_module.h"

extern "C" const uwn_informat_item fmtitems[UWN_INFORMAT_COUNT] = {
    {"@NLDATE", 10, 200, 10, {}},  {"@NLDATM", 19, 200, 19, {}},
    {"@NLDATEW", 16, 200, 20, {}}, {"@NLDATMW", 34, 200, 40, {}},
    {"@NLDATMAP", 17, 200, 32, {}},
};

extern "C" void *uwinldat(int32_t request) {
  if (request == UWN_REQUEST_DESCRIBE) return xfmfent(UWN_REQUEST_DESCRIBE, UWN_INFORMAT_COUNT, fmtitems, nullptr);
  if (request == UWN_REQUEST_BIND) {
    const uwn_informat_fn routines[UWN_INFORMAT_COUNT] = {nldate, nldatm, nldatew, nldatmw, nldatmap};
    return xfmfent(UWN_REQUEST_BIND, UWN_INFORMAT_COUNT, nullptr, routines);
  }
  return nullptr;
}

namespace {

// What a pattern reads: a date (zkpdate's reader) or a datetime (zkpdttm).
enum class Reads { kDate, kDatetime };

struct NlInformat {
  int32_t first_item;
  int32_t second_item;
  Reads reads;
  const char *fallback;  // the host informat that reads what the patterns do not
  int32_t fallback_length;
};

constexpr int32_t kInformatKind = 'I';  // xfrname: look up an informat

constexpr char kDate[] = "DATE";
constexpr char kDatetime[] = "DATETIME";
constexpr char kWeekdate[] = "WEEKDATE";
constexpr char kTwndy[] = "TWNDY";
constexpr char kDateampm[] = "DATEAMPM";

constexpr NlInformat kNldate{UWN_ITEM_DATE_1, UWN_ITEM_DATE_2, Reads::kDate, kDate, sizeof kDate - 1};
constexpr NlInformat kNldatm{UWN_ITEM_DATETIME_1, UWN_ITEM_DATETIME_2, Reads::kDatetime, kDatetime,
                             sizeof kDatetime - 1};
constexpr NlInformat kNldatew{UWN_ITEM_DATE_W1, UWN_ITEM_DATE_W2, Reads::kDate, kWeekdate,
                              sizeof kWeekdate - 1};
constexpr NlInformat kNldatmw{UWN_ITEM_DATETIME_W1, UWN_ITEM_DATETIME_W2, Reads::kDatetime, kTwndy,
                              sizeof kTwndy - 1};
constexpr NlInformat kNldatmap{UWN_ITEM_DATETIME_AP, UWN_ITEM_DATETIME_2, Reads::kDatetime, kDateampm,
                               sizeof kDateampm - 1};

// Parses the field with the pattern of one locale item: the parser's result,
// or 1 when the locale does not have the item (not -3: no retry then).  The
// pattern never runs past its entry, whatever length the host reports.
// Inline, so that each informat reads in its own frame.
inline __attribute__((always_inline)) int32_t parse_with_item(const NlInformat &nl, int32_t item,
                                                              const uwn_informat_block *block) {
  const uwn_locale_entry *entry = nullptr;
  if (wzsxglc(nullptr, item, &entry) != 0 || entry == nullptr) return 1;
  if (nl.reads == Reads::kDate)
    return uwn::read_date_out_of_line(block->text, block->text_length, entry->text,
                                      uwn::entry_text_length(entry), block->result);
  return zkpdttm(block->text, block->text_length, entry->text, uwn::entry_text_length(entry), block->result);
}

inline __attribute__((always_inline)) int32_t read_field(const NlInformat &nl, uwn_informat_block *block) {
  block->reported_length = block->width;
  if (block->text_length == 0) return 1;

  int32_t rc = parse_with_item(nl, nl.first_item, block);
  if (rc == UWN_NO_VALUE) rc = parse_with_item(nl, nl.second_item, block);
  if (rc == 0) return 0;

  void *informat = nullptr;
  if (xfrname(uwn::current_locale(), nl.fallback, nl.fallback_length, kInformatKind, 0, &informat) != 0)
    return 1;
  return xfxbpn(block, informat) == 0 ? 0 : 1;
}

}  // namespace

extern "C" {
int32_t nldate(uwn_informat_block *block) { return read_field(kNldate, block); }
int32_t nldatm(uwn_informat_block *block) { return read_field(kNldatm, block); }
int32_t nldatew(uwn_informat_block *block) { return read_field(kNldatew, block); }
int32_t nldatmw(uwn_informat_block *block) { return read_field(kNldatmw, block); }
int32_t nldatmap(uwn_informat_block *block) { return read_field(kNldatmap, block); }
}
