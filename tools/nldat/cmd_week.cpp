// nldat week: writes dates as week dates under a week rule, through zkfweek.
#include <charconv>
#include <string>

#include "cli.h"
#include "nlhost/civil.h"

namespace nldat {

namespace {

void week_usage() {
  out() << "usage: nldat week [--width N] U|V|W DATE...\n"
           "\n"
           "Writes each DATE as week-date text under the week rule: U (weeks begin on Sunday), W (weeks\n"
           "begin on Monday) or V (ISO 8601 weeks and week-based year).  DATE is YYYY-MM-DD or a date\n"
           "value (days since 1960-01-01).  The field width chooses the form: 3-4 Www, 5-6 yyWww,\n"
           "7-8 yyWwwdd, 9-10 yyyyWwwdd, 11 or more yyyy-Www-dd (the default).\n"
           "\n"
           "  $ nldat week V 2010-01-01\n"
           "  2010-01-01\t2009-W53-05\n";
}

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

int cmd_week(Context &context, Args args) {
  int32_t width = 11;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    std::string_view value;
    bool missing = false;
    if (arg == "--help" || arg == "-h") {
      week_usage();
      return kExitOk;
    } else if (option_value(args, &i, "--width", &value, &missing)) {
      auto r = std::from_chars(value.data(), value.data() + value.size(), width);
      if (missing || r.ec != std::errc() || width < 1 || width > 64) {
        error("--width needs a field width from 1 to 64");
        return kExitUsage;
      }
    } else {
      break;
    }
  }
  if (i == args.size() || std::string_view(args[i]).size() != 1 ||
      std::string_view("UVW").find(args[i][0]) == std::string_view::npos) {
    error("week needs a rule U, V or W (nldat week --help)");
    return kExitUsage;
  }
  const char rule = args[i++][0];
  if (i == args.size()) {
    error("week needs at least one date (nldat week --help)");
    return kExitUsage;
  }
  nlhost::Module *module = context.module();
  if (module == nullptr) return kExitUsage;
  const auto zkfweek_fn = module->function<decltype(&zkfweek)>("zkfweek");

  int status = kExitOk;
  for (; i < args.size(); ++i) {
    const std::string_view text = args[i];
    double date = 0;
    if (!parse_date(text, &date)) {
      error("not a date: " + std::string(text));
      status = kExitUnread;
      continue;
    }
    char field[64];
    int32_t written = width;
    zkfweek_fn(field, &written, &rule, 1, date);
    // A date the routine cannot place leaves the field filled with '*'.
    if (written == width && field[0] == '*') {
      error("out of range: " + std::string(text));
      status = kExitUnread;
      continue;
    }
    out() << text << '\t' << std::string_view(field, static_cast<size_t>(written)) << '\n';
  }
  return status;
}

}  // namespace nldat
