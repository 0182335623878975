// nlhost: the table of readers.
#include "nlhost/readers.h"

#include <iterator>

#include "nlhost/text.h"

namespace nlhost {

namespace {

constexpr KindInfo kKinds[] = {
    {ValueKind::kDate, "date", "zkpdate", "zkfdate"},
    {ValueKind::kDatetime, "datetime", "zkpdttm", "zkfdttm"},
    {ValueKind::kTime, "time", "zkptime", "zkftime"},
    {ValueKind::kNumber, "number", nullptr, nullptr},
};

constexpr ReaderInfo kReaders[] = {
    {"NLDATE",
     ValueKind::kDate,
     ReaderSource::kInformat,
     "zkpdate",
     "zkfdate",
     {UWN_ITEM_DATE_1, UWN_ITEM_DATE_2},
     {"first", "second"},
     "DATE",
     "a date by the locale's two date patterns"},
    {"NLDATM",
     ValueKind::kDatetime,
     ReaderSource::kInformat,
     "zkpdttm",
     "zkfdttm",
     {UWN_ITEM_DATETIME_1, UWN_ITEM_DATETIME_2},
     {"first", "second"},
     "DATETIME",
     "a datetime by the locale's two datetime patterns"},
    {"NLDATEW",
     ValueKind::kDate,
     ReaderSource::kInformat,
     "zkpdate",
     "zkfdate",
     {UWN_ITEM_DATE_W1, UWN_ITEM_DATE_W2},
     {"first", "second"},
     "WEEKDATE",
     "a date with its weekday by the locale's two such patterns"},
    {"NLDATMW",
     ValueKind::kDatetime,
     ReaderSource::kInformat,
     "zkpdttm",
     "zkfdttm",
     {UWN_ITEM_DATETIME_W1, UWN_ITEM_DATETIME_W2},
     {"first", "second"},
     "TWNDY",
     "a datetime with its weekday by the locale's two such patterns"},
    {"NLDATMAP",
     ValueKind::kDatetime,
     ReaderSource::kInformat,
     "zkpdttm",
     "zkfdttm",
     {UWN_ITEM_DATETIME_AP, UWN_ITEM_DATETIME_2},
     {"", "second"},
     "DATEAMPM",
     "a datetime on a 12-hour clock, else by the second datetime pattern"},
    {"NUMBER",
     ValueKind::kNumber,
     ReaderSource::kNumber,
     "zkifnum",
     nullptr,
     {UWN_ITEM_NUMBER, 0},
     {},
     "",
     "a number by the locale's separators and grouping"},
    {"MONEY",
     ValueKind::kNumber,
     ReaderSource::kMoney,
     "zkifmny",
     nullptr,
     {UWN_ITEM_MONEY_LOCAL, UWN_ITEM_MONEY_INTL},
     {"local", "international"},
     "",
     "an amount in the locale's local or international currency form"},
    {"PERCENT",
     ValueKind::kNumber,
     ReaderSource::kPercent,
     "zkifpct",
     nullptr,
     {UWN_ITEM_PERCENT, 0},
     {},
     "",
     "a percentage, as a fraction"},
    {"WEEK",
     ValueKind::kDate,
     ReaderSource::kWeek,
     "zkifweek",
     nullptr,
     {0, 0},
     {},
     "",
     "a week date under the week rule U, V or W"},
};

}  // namespace

const KindInfo &kind_info(ValueKind kind) {
  for (const KindInfo &info : kKinds) {
    if (info.kind == kind) return info;
  }
  return kKinds[0];
}

const KindInfo *find_kind(std::string_view name) {
  for (const KindInfo &info : kKinds) {
    if (same_name(info.name, name)) return &info;
  }
  return nullptr;
}

std::span<const ReaderInfo> reader_table() { return kReaders; }

const ReaderInfo *find_reader(std::string_view name) {
  for (const ReaderInfo &info : kReaders) {
    if (same_name(info.name, name)) return &info;
  }
  return nullptr;
}

const ReaderInfo &library_reader(ReaderSource source) {
  for (const ReaderInfo &info : kReaders) {
    if (info.source == source) return info;
  }
  return kReaders[0];
}

}  // namespace nlhost
