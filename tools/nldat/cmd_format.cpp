// nldat format: each value measured first, then written into a field of
// exactly its length, so the output is never cut.
#include "cmd_format.h"

#include "nlhost/civil.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "uwinldat.h"

namespace nldat {

namespace {

using FormatFn = int32_t (*)(char *, int32_t *, const char *, int32_t, double);

enum class Kind { kDate, kDatetime, kTime };

struct KindInfo {
  const char *name;
  Kind kind;
  const char *routine;
};
constexpr KindInfo kKinds[] = {
    {"date", Kind::kDate, "zkfdate"},
    {"datetime", Kind::kDatetime, "zkfdttm"},
    {"time", Kind::kTime, "zkftime"},
};

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
bool read_value(Kind kind, const std::string &text, double &value) {
  if (!text.empty()) {
    char *end = nullptr;
    errno = 0;
    const double x = std::strtod(text.c_str(), &end);
    if (end == text.c_str() + text.size() && errno == 0) {
      value = x;
      return true;
    }
  }
  const std::string_view s = text;
  size_t pos = 0;
  bool ok = false;
  switch (kind) {
    case Kind::kDate: ok = read_iso_date(s, pos, value); break;
    case Kind::kTime: ok = read_iso_time(s, pos, value); break;
    case Kind::kDatetime: {
      double date = 0, seconds = 0;
      ok = read_iso_date(s, pos, date) && (expect(s, pos, 'T') || expect(s, pos, ' ')) &&
           read_iso_time(s, pos, seconds) && seconds < 86400;
      value = date * 86400 + seconds;
      break;
    }
  }
  return ok && pos == s.size();
}

const char *status_message(int32_t rc) {
  switch (rc) {
    case UWN_NO_ITEM: return "the locale does not have the pattern item";
    case UWN_BAD_DIRECTIVE: return "bad directive in the pattern";
    case UWN_NO_VALUE: return "missing or out-of-range value";
    case UWN_TRUNCATED: return "the text passes the 512-byte limit of one expansion";
    default: return "not written";
  }
}

}  // namespace

const char *format_usage() {
  return "usage: nldat format date|datetime|time PATTERN|@ITEM VALUE...\n"
         "  Writes each VALUE by PATTERN (e.g. \"%d.%m.%Y\") or by the pattern that\n"
         "  locale item ITEM holds (e.g. @28), one line per value.\n"
         "  VALUE: a date value (days since 1960-01-01), a datetime value or a time\n"
         "  (seconds), or ISO 8601 text: 2010-03-05, 2010-03-05T13:45:30, 13:45:30.\n";
}

int run_format(const nlhost::Module &module, const std::vector<std::string> &args, std::FILE *out,
               std::FILE *err) {
  for (const std::string &a : args)
    if (a == "--help" || a == "-h") {
      std::fputs(format_usage(), out);
      return 0;
    }
  if (args.size() < 3) {
    std::fputs(format_usage(), err);
    return 2;
  }
  const KindInfo *kind = nullptr;
  for (const KindInfo &k : kKinds)
    if (args[0] == k.name) kind = &k;
  if (kind == nullptr) {
    std::fprintf(err, "nldat format: unknown kind \"%s\" (date, datetime or time)\n", args[0].c_str());
    return 2;
  }
  const auto format = module.function<FormatFn>(kind->routine);
  if (format == nullptr) {
    std::fprintf(err, "nldat format: the module does not export %s\n", kind->routine);
    return 2;
  }

  // "@ITEM" names a locale item; anything else is the pattern itself.
  const std::string &spec = args[1];
  const char *pattern = spec.c_str();
  int32_t length = static_cast<int32_t>(spec.size());
  if (spec.size() > 1 && spec[0] == '@') {
    char *end = nullptr;
    const long item = std::strtol(spec.c_str() + 1, &end, 10);
    if (*end != '\0' || item <= 0 || item > 100000) {
      std::fprintf(err, "nldat format: bad item number \"%s\"\n", spec.c_str());
      return 2;
    }
    pattern = nullptr;
    length = static_cast<int32_t>(item);
  }

  int status = 0;
  for (size_t k = 2; k < args.size(); ++k) {
    double value = 0;
    if (!read_value(kind->kind, args[k], value)) {
      std::fprintf(err, "nldat format: cannot read %s value \"%s\"\n", kind->name, args[k].c_str());
      status = 1;
      continue;
    }
    int32_t width = 0;
    int32_t rc = format(nullptr, &width, pattern, length, value);
    if (rc >= 0) {
      std::string text(static_cast<size_t>(rc), ' ');
      width = rc;
      rc = format(text.data(), &width, pattern, length, value);
      if (rc == UWN_OK) {
        std::fprintf(out, "%.*s\n", static_cast<int>(width), text.data());
        continue;
      }
    }
    std::fprintf(err, "nldat format: %s: %s\n", args[k].c_str(), status_message(rc));
    status = 1;
  }
  return status;
}

}  // namespace nldat
