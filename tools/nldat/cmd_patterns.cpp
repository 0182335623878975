// nldat patterns: what the locale gives each date, time and number item, and
// what the module writes by it.
#include <string>

#include "cli.h"
#include "messages.h"

namespace nldat {
namespace {

using FormatFn = int32_t (*)(char *, int32_t *, const char *, int32_t, double);
using GetFn = decltype(&zkgetloc);

enum class Example { kDate, kDatetime, kTime, kNone };

struct ItemRow {
  int32_t item;
  const char *use;
  Example example;
};
constexpr ItemRow kItems[] = {
    {UWN_ITEM_DATE_1, "NLDATE, first", Example::kDate},
    {UWN_ITEM_DATE_2, "NLDATE, second", Example::kDate},
    {UWN_ITEM_DATETIME_AP, "NLDATMAP", Example::kDatetime},
    {UWN_ITEM_DATETIME_1, "NLDATM, first", Example::kDatetime},
    {UWN_ITEM_DATETIME_2, "NLDATM and NLDATMAP, second", Example::kDatetime},
    {UWN_ITEM_DATETIME_W1, "NLDATMW, first", Example::kDatetime},
    {UWN_ITEM_DATETIME_W2, "NLDATMW, second", Example::kDatetime},
    {UWN_ITEM_TIME_1, "time, first", Example::kTime},
    {UWN_ITEM_TIME_2, "time, second", Example::kTime},
    {UWN_ITEM_DATE_W1, "NLDATEW, first", Example::kDate},
    {UWN_ITEM_DATE_W2, "NLDATEW, second", Example::kDate},
    {UWN_ITEM_NUMBER, "NUMBER", Example::kNone},
    {UWN_ITEM_PERCENT, "PERCENT", Example::kNone},
    {UWN_ITEM_MONEY_LOCAL, "MONEY, local", Example::kNone},
    {UWN_ITEM_MONEY_INTL, "MONEY, international", Example::kNone},
};

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

}  // namespace

int cmd_patterns(Context &context) {
  nlhost::Module *module = context.module();
  if (module == nullptr) return kExitUsage;
  const auto get = module->function<GetFn>("zkgetloc");
  const FormatFn writers[] = {module->function<FormatFn>("zkfdate"), module->function<FormatFn>("zkfdttm"),
                              module->function<FormatFn>("zkftime")};
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
    pad(row.use, 30);
    pad(has ? std::string_view(text, static_cast<size_t>(length)) : "(none)", 28);
    if (row.example != Example::kNone && has) {
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

}  // namespace nldat
