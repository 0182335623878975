// nldat week: writes dates as week dates under a week rule, through zkfweek.
#include <CLI/CLI.hpp>
#include <charconv>
#include <memory>
#include <string>

#include "cli.h"
#include "messages.h"
#include "nlhost/civil.h"

namespace nldat {

namespace {

struct WeekOptions {
  char rule = 'V';
  int32_t width = 11;
  std::vector<std::string> dates;
  std::string input;
};

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

int cmd_week(Context &context, const WeekOptions &options) {
  nlhost::Module *module = context.module();
  if (module == nullptr) return kExitUsage;
  const auto zkfweek_fn = module->function<decltype(&zkfweek)>("zkfweek");
  if (zkfweek_fn == nullptr) {
    error("the module does not export zkfweek");
    return kExitUsage;
  }
  MessageLimit unwritten("week", "dates not written");
  const bool input_read = each_value(options.dates, options.input, [&](std::string_view text) {
    double date = 0;
    if (!parse_date(text, &date)) {
      unwritten.report("week: not a date: " + quoted_for_message(text));
      return;
    }
    char field[64];
    int32_t written = options.width;
    zkfweek_fn(field, &written, &options.rule, 1, date);
    // A date the routine cannot place leaves the field filled with '*'.
    if (written == options.width && field[0] == '*') {
      unwritten.report("week: out of range: " + quoted_for_message(text));
      return;
    }
    out() << text << '\t' << std::string_view(field, static_cast<size_t>(written)) << '\n';
  });
  unwritten.finish();
  if (!input_read) return kExitUsage;
  return unwritten.count() == 0 ? kExitOk : kExitUnread;
}

}  // namespace

Command add_week(CLI::App &app) {
  auto options = std::make_shared<WeekOptions>();
  WeekOptions &week = *options;
  CLI::App *command = app.add_subcommand("week", "write dates as week dates under the week rule U, V or W");
  command
      ->add_option_function<std::string>(
          "RULE", [&week](const std::string &rule) { week.rule = rule[0]; },
          "U weeks begin on Sunday, W on Monday, V ISO 8601 weeks and week-based year")
      ->required()
      ->check(rule_validator())
      ->type_name("U|V|W");
  command->add_option("DATE", week.dates,
                      "YYYY-MM-DD or a date value (days since 1960-01-01); none: one a line from --input");
  command
      ->add_option(
          "--width", week.width,
          "the field width, which chooses the form: 3-4 Www, 5-6 yyWww, 7-8 yyWwwdd, 9-10 yyyyWwwdd, "
          "11 or more yyyy-Www-dd (the default)")
      ->check(CLI::Range(1, 64))
      ->type_name("N");
  command->add_option("--input", week.input, "read the dates from this file (default: standard input)")
      ->type_name("FILE");
  return {command, [options](Context &context) { return cmd_week(context, *options); }};
}

}  // namespace nldat
