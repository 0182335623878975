// nldat format: writes date, datetime and time values by a pattern of the
// module's language or by a locale item, through zkfdate, zkfdttm, zkftime.
#include <CLI/CLI.hpp>
#include <charconv>
#include <memory>
#include <string>
#include <string_view>

#include "cli.h"
#include "messages.h"
#include "nlhost/civil.h"
#include "nlhost/pattern_items.h"
#include "nlhost/text.h"
#include "uwinldat.h"

namespace nldat {

namespace {

struct FormatOptions {
  std::string kind;     // date, datetime or time
  std::string pattern;  // a pattern, or @ITEM
  std::vector<std::string> values;
  std::string input;  // where values come from when none are given; "-" standard input
};

using FormatFn = int32_t (*)(char *, int32_t *, const char *, int32_t, double);

// Reads an unsigned decimal field of 1..max_digits digits at s[pos].
bool read_int(std::string_view s, size_t &pos, size_t max_digits, int64_t &out) {
  size_t n = 0;
  out = 0;
  while (pos < s.size() && n < max_digits && s[pos] >= '0' && s[pos] <= '9') {
    out = out * 10 + (s[pos++] - '0');
    ++n;
  }
  return n > 0;
}

bool expect(std::string_view s, size_t &pos, char c) {
  if (pos < s.size() && s[pos] == c) {
    ++pos;
    return true;
  }
  return false;
}

// YYYY-MM-DD as a date value.
bool read_iso_date(std::string_view s, size_t &pos, double &date) {
  int64_t y, m, d;
  if (!read_int(s, pos, 5, y) || !expect(s, pos, '-') || !read_int(s, pos, 2, m) || !expect(s, pos, '-') ||
      !read_int(s, pos, 2, d))
    return false;
  if (m < 1 || m > 12 || d < 1 || d > nlhost::civil::days_in_month(y, static_cast<int>(m))) return false;
  date = static_cast<double>(nlhost::civil::days_from_civil(y, static_cast<int>(m), static_cast<int>(d)));
  return true;
}

// HH:MM[:SS[.fff]] as seconds; hours may pass 23 for a time.
bool read_iso_time(std::string_view s, size_t &pos, double &seconds) {
  int64_t h, m, sec = 0;
  if (!read_int(s, pos, 9, h) || !expect(s, pos, ':') || !read_int(s, pos, 2, m) || m > 59) return false;
  double fraction = 0;
  if (expect(s, pos, ':')) {
    if (!read_int(s, pos, 2, sec) || sec > 59) return false;
    if (expect(s, pos, '.')) {
      double scale = 0.1;
      size_t start = pos;
      while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
        fraction += (s[pos++] - '0') * scale;
        scale /= 10;
      }
      if (pos == start) return false;
    }
  }
  seconds = static_cast<double>(h * 3600 + m * 60 + sec) + fraction;
  return true;
}

// A value: a plain number in the value's own unit, or ISO 8601 text
// (2010-03-05, 2010-03-05T13:45:30 or with a blank, 13:45:30).
bool read_value(nlhost::ValueKind kind, std::string_view s, double &value) {
  double number = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), number);
  if (!s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size()) {
    value = number;
    return true;
  }
  size_t pos = 0;
  bool ok = false;
  switch (kind) {
    case nlhost::ValueKind::kNumber: break;
    case nlhost::ValueKind::kDate: ok = read_iso_date(s, pos, value); break;
    case nlhost::ValueKind::kTime: ok = read_iso_time(s, pos, value); break;
    case nlhost::ValueKind::kDatetime: {
      double date = 0, seconds = 0;
      ok = read_iso_date(s, pos, date) && (expect(s, pos, 'T') || expect(s, pos, ' ')) &&
           read_iso_time(s, pos, seconds) && seconds < 86400;
      value = date * 86400 + seconds;
      break;
    }
  }
  return ok && pos == s.size();
}

int cmd_format(Context &context, const FormatOptions &options) {
  const nlhost::KindInfo *kind = nlhost::find_kind(options.kind);
  if (kind == nullptr || kind->writer == nullptr) {
    error("format: unknown kind " + options.kind + " (date, datetime or time)");
    return kExitUsage;
  }
  nlhost::Module *module = context.module();
  if (module == nullptr) return kExitUsage;
  const auto format = module->function<FormatFn>(kind->writer);
  if (format == nullptr) {
    error(std::string("the module does not export ") + kind->writer);
    return kExitUsage;
  }

  // "@ITEM" names a locale item; anything else is the pattern itself.
  const char *pattern = options.pattern.c_str();
  auto length = static_cast<int32_t>(options.pattern.size());
  if (const nlhost::PatternItem item = nlhost::pattern_item(options.pattern, kind->kind); item.is_item) {
    if (item.problem != nullptr) {
      error("format: bad item " + quoted_for_message(options.pattern) + " for a " + std::string(kind->name) +
            ": " + item.problem);
      return kExitUsage;
    }
    pattern = nullptr;
    length = item.item;
  }

  MessageLimit unwritten("format", "values not written");
  std::string text;
  const bool input_read = each_value(options.values, options.input, [&](std::string_view given) {
    double value = 0;
    if (!read_value(kind->kind, given, value)) {
      unwritten.report("format: cannot read " + std::string(kind->name) + " value " +
                       quoted_for_message(given));
      return;
    }
    // Measured first, then written into a field of exactly its length, so the output is never cut.
    int32_t width = 0;
    int32_t rc = format(nullptr, &width, pattern, length, value);
    if (rc >= 0) {
      text.assign(static_cast<size_t>(rc), ' ');
      width = rc;
      rc = format(text.data(), &width, pattern, length, value);
      if (rc == UWN_OK) {
        out() << std::string_view(text.data(), static_cast<size_t>(width)) << '\n';
        return;
      }
    }
    unwritten.report("format: " + quoted_for_message(given) + ": " + nlhost::write_status(rc).reason);
  });
  unwritten.finish();
  if (!input_read) return kExitUsage;
  return unwritten.count() == 0 ? kExitOk : kExitUnread;
}

}  // namespace

Command add_format(CLI::App &app) {
  auto options = std::make_shared<FormatOptions>();
  FormatOptions &format = *options;
  CLI::App *command =
      app.add_subcommand("format", "write date, datetime or time values by a pattern or a locale item");
  command->add_option("KIND", format.kind, "date, datetime or time")
      ->required()
      ->check(CLI::IsMember({"date", "datetime", "time"}));
  command
      ->add_option("PATTERN", format.pattern,
                   "a pattern (e.g. \"%d.%m.%Y\"), or @ITEM for a locale item (e.g. @28)")
      ->required();
  command->add_option("VALUE", format.values,
                      "a value in its own unit (days, seconds) or ISO 8601 text: 2010-03-05, "
                      "2010-03-05T13:45:30, 13:45:30; none: one a line from --input");
  command->add_option("--input", format.input, "read the values from this file (default: standard input)")
      ->type_name("FILE");
  return {command, [options](Context &context) { return cmd_format(context, *options); }};
}

}  // namespace nldat
