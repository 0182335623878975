// nldat week: writes dates as week dates under a week rule, through zkfweek.
#include <charconv>
#include <string>

#include "cli.h"
#include "messages.h"
#include "nlhost/civil.h"

namespace nldat {

namespace {

// A date as YYYY-MM-DD or as a number of days; false when it is neither.
bool parse_date(std::string_view text, double *date) {
  int64_t y = 0, m = 0, d = 0;
  const char *end = text.data() + text.size();
  auto r = std::from_chars(text.data(), end, y);
  if (r.ec == std::errc() && r.ptr != end && *r.ptr == '-' && y >= 1 && y <= 99999) {
    auto rm = std::from_chars(r.ptr + 1, end, m);
    if (rm.ec == std::errc() && rm.ptr != end && *rm.ptr == '-' && m >= 1 && m <= 12) {
      auto rd = std::from_chars(rm.ptr + 1, end, d);
      if (rd.ec == std::errc() && rd.ptr == end && d >= 1 && d <= nlhost::civil::days_in_month(y, int(m))) {
        *date = static_cast<double>(nlhost::civil::days_from_civil(y, int(m), int(d)));
        return true;
      }
    }
    return false;
  }
  auto rv = std::from_chars(text.data(), end, *date);
  return rv.ec == std::errc() && rv.ptr == end;
}

}  // namespace

int cmd_week(Context &context, const WeekOptions &options) {
  nlhost::Module *module = context.module();
  if (module == nullptr) return kExitUsage;
  const auto zkfweek_fn = module->function<decltype(&zkfweek)>("zkfweek");
  if (zkfweek_fn == nullptr) {
    error("the module does not export zkfweek");
    return kExitUsage;
  }
  int status = kExitOk;
  const bool input_read = each_value(options.dates, options.input, [&](std::string_view text) {
    double date = 0;
    if (!parse_date(text, &date)) {
      error("not a date: " + quoted_for_message(text));
      status = kExitUnread;
      return;
    }
    char field[64];
    int32_t written = options.width;
    zkfweek_fn(field, &written, &options.rule, 1, date);
    // A date the routine cannot place leaves the field filled with '*'.
    if (written == options.width && field[0] == '*') {
      error("out of range: " + std::string(text));
      status = kExitUnread;
      return;
    }
    out() << text << '\t' << std::string_view(field, static_cast<size_t>(written)) << '\n';
  });
  return input_read ? status : kExitUsage;
}

}  // namespace nldat
