// nldat read WEEK: week-date text (2010-W09-05, 2010W0905, 10W0905, ...)
// through zkifweek, under the week rule of --rule and the host's window for
// two-digit years.
#include "read_readers.h"

namespace nldat {

int32_t read_week(Context &context, std::string_view text, double *value) {
  nlhost::Module *module = context.module();
  if (module == nullptr) return 1;
  static const auto zkifweek_fn = module->function<decltype(&zkifweek)>("zkifweek");
  const char rule = context.week_rule();
  double window_and_date = context.host()->year_window();
  const int32_t status = zkifweek_fn(text.data(), static_cast<int32_t>(text.size()), &rule, 1, &window_and_date);
  if (status == 0) *value = window_and_date;
  return status;
}

}  // namespace nldat
