// ISO 8601 dates and datetimes, extended and basic: the form every program
// can write whatever its locale.
#include "lenient.h"
#include "nlhost/civil.h"

namespace nlhost::lenient {
namespace {

class Cursor {
 public:
  explicit Cursor(std::string_view s) : s_(s) {}
  bool at_end() const { return i_ == s_.size(); }
  char peek() const { return at_end() ? '\0' : s_[i_]; }
  // c, and for a letter either case.
  bool take(char c) {
    if (at_end()) return false;
    const bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    if (letter ? (s_[i_] | 0x20) != (c | 0x20) : s_[i_] != c) return false;
    ++i_;
    return true;
  }
  // Exactly n digits.
  bool number(int n, int *value) {
    if (!digits_at(s_, i_, n, value)) return false;
    i_ += static_cast<size_t>(n);
    return true;
  }
  bool digit_next() const { return !at_end() && s_[i_] >= '0' && s_[i_] <= '9'; }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

// ISO weekday 1 (Monday) .. 7 of a day number.
int iso_weekday(int64_t days) { return (civil::weekday(days) + 5) % 7 + 1; }

bool week_date(int year, int week, int day, int64_t *days) {
  if (week < 1 || day < 1 || day > 7) return false;
  const int64_t jan4 = civil::days_from_civil(year, 1, 4);
  const int64_t week1 = jan4 - (iso_weekday(jan4) - 1);
  const int64_t next_jan4 = civil::days_from_civil(year + 1, 1, 4);
  const int64_t next_week1 = next_jan4 - (iso_weekday(next_jan4) - 1);
  const int64_t d = week1 + 7 * (week - 1) + (day - 1);
  if (d >= next_week1) return false;  // week 53 of a 52-week year
  *days = d;
  return true;
}

// The date part: YYYY-MM-DD, YYYYMMDD, YYYY-Www-D, YYYYWwwD.
bool date(Cursor &c, int64_t *days) {
  int year = 0, month = 0, day = 0, week = 0;
  if (!c.number(4, &year)) return false;
  const bool extended = c.take('-');
  if (c.take('W')) {
    if (!c.number(2, &week)) return false;
    if (extended && !c.take('-')) return false;
    return c.number(1, &day) && week_date(year, week, day, days);
  }
  if (!c.number(2, &month) || (extended && !c.take('-')) || !c.number(2, &day)) return false;
  if (month < 1 || month > 12 || day < 1 || day > civil::days_in_month(year, month)) return false;
  *days = civil::days_from_civil(year, month, day);
  return true;
}

// hh:mm[:ss[.f]] or hhmm[ss[.f]]; seconds of the day.
bool time(Cursor &c, double *seconds) {
  int hour = 0, minute = 0, second = 0;
  if (!c.number(2, &hour)) return false;
  const bool extended = c.take(':');
  if (!c.number(2, &minute)) return false;
  double fraction = 0;
  if (extended ? c.take(':') : c.digit_next()) {
    if (!c.number(2, &second)) return false;
    if (c.take('.') || c.take(',')) {
      if (!c.digit_next()) return false;
      for (double scale = 0.1; c.digit_next(); scale /= 10) {
        int d = 0;
        c.number(1, &d);
        fraction += d * scale;
      }
    }
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  *seconds = hour * 3600 + minute * 60 + second + fraction;
  return true;
}

// Z, +hh, +hh:mm, +hhmm (or '-'); seconds east of UTC.  No zone: 0.
bool offset(Cursor &c, int *east) {
  *east = 0;
  if (c.take(' ') && c.at_end()) return false;
  if (c.take('Z')) return true;
  const char sign = c.peek();
  if (sign != '+' && sign != '-') return c.at_end();
  c.take(sign);
  int hours = 0, minutes = 0;
  if (!c.number(2, &hours)) return false;
  if (c.take(':') ? !c.number(2, &minutes) : c.digit_next() && !c.number(2, &minutes)) return false;
  if (hours > 23 || minutes > 59) return false;
  *east = (hours * 60 + minutes) * 60 * (sign == '-' ? -1 : 1);
  return true;
}

}  // namespace

bool read_iso(ValueKind kind, std::string_view text, double *value) {
  Cursor c(text);
  int64_t days = 0;
  if (!date(c, &days)) return false;
  double result = static_cast<double>(days);
  if (kind == ValueKind::kDatetime) {
    double seconds = 0;
    int east = 0;
    if (!(c.take('T') || c.take(' ')) || !time(c, &seconds) || !offset(c, &east)) return false;
    result = result * 86400 + seconds - east;
  }
  if (!c.at_end() || !in_range(kind, result)) return false;
  *value = result;
  return true;
}

}  // namespace nlhost::lenient
