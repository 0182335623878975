// nldat patterns: what the locale gives each date, time and number item, and
// what the module writes by it.
#include <CLI/CLI.hpp>
#include <iterator>
#include <string>

#include "cli.h"
#include "messages.h"

namespace nldat {
namespace {

using FormatFn = int32_t (*)(char *, int32_t *, const char *, int32_t, double);
using GetFn = decltype(&zkgetloc);

// The items in the order they are listed, and the kind of value each
// writes an example of (kNumber: none).  What reads by an item comes from the
// reader table; the time items belong to no reader.
struct ItemRow {
  int32_t item;
  nlhost::ValueKind example;
};
constexpr ItemRow kItems[] = {
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

// What reads by item: "NLDATM and NLDATMAP, second", "MONEY, local"; for
// the time items "time, first".
std::string read_by(int32_t item) {
  std::string names;
  std::string_view use;
  for (const nlhost::ReaderInfo &reader : nlhost::reader_table()) {
    for (size_t k = 0; k < std::size(reader.items); ++k) {
      if (reader.items[k] != item) continue;
      if (!names.empty()) names += " and ";
      names += reader.name;
      use = reader.item_uses[k];
    }
  }
  if (names.empty()) {
    names = nlhost::kind_info(nlhost::ValueKind::kTime).name;
    use = item == UWN_ITEM_TIME_1 ? "first" : "second";
  }
  return use.empty() ? names : names + ", " + std::string(use);
}

// The example: 2026-12-07T14:30:45.
constexpr double kExampleDate = 24447;
constexpr double kExampleTime = 14 * 3600 + 30 * 60 + 45;

// text, then blanks to width characters (a UTF-8 character counts once).
void pad(std::string_view text, size_t width) {
  out() << text;
  size_t characters = 0;
  for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  for (size_t n = characters; n < width; ++n) out() << ' ';
}

int cmd_patterns(Context &context) {
  nlhost::Module *module = context.module();
  if (module == nullptr) return kExitUsage;
  const auto get = module->function<GetFn>("zkgetloc");
  const FormatFn writers[] = {
      module->function<FormatFn>(nlhost::kind_info(nlhost::ValueKind::kDate).writer),
      module->function<FormatFn>(nlhost::kind_info(nlhost::ValueKind::kDatetime).writer),
      module->function<FormatFn>(nlhost::kind_info(nlhost::ValueKind::kTime).writer)};
  const double values[] = {kExampleDate, kExampleDate * 86400 + kExampleTime, kExampleTime};
  if (get == nullptr || writers[0] == nullptr || writers[1] == nullptr || writers[2] == nullptr) {
    error("the module does not export zkgetloc, zkfdate, zkfdttm and zkftime");
    return kExitUsage;
  }
  out() << "locale " << context.locale_name() << "\n";
  pad("item", 6);
  pad("read by", 30);
  pad("pattern", 28);
  out() << "example\n";
  for (const ItemRow &row : kItems) {
    char text[160];
    int32_t length = sizeof text;
    const bool has = get(row.item, text, &length, nullptr, 0) == UWN_OK && length >= 0;
    pad(std::to_string(row.item), 6);
    pad(read_by(row.item), 30);
    pad(has ? std::string_view(text, static_cast<size_t>(length)) : "(none)", 28);
    if (row.example != nlhost::ValueKind::kNumber && has) {
      const auto k = static_cast<size_t>(row.example);
      char written[512];
      int32_t width = sizeof written;
      if (writers[k](written, &width, nullptr, row.item, values[k]) == UWN_OK) {
        out() << std::string_view(written, static_cast<size_t>(width));
      }
    }
    out() << '\n';
  }
  return kExitOk;
}

}  // namespace

Command add_patterns(CLI::App &app) {
  CLI::App *command = app.add_subcommand(
      "patterns", "list the locale's date, time and number items with their patterns and an example of each");
  return {command, cmd_patterns};
}

}  // namespace nldat
