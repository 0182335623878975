// nldat convert --auto: the columns to convert and the locale to read them
// by, found by sniffing the file; the plan goes to standard error (to
// standard output with --plan) before a byte is converted.  An ambiguous
// column is never converted unless --prefer or an explicit --locale decides
// it, and an explicit --locale never reads a column otherwise than the file
// shows.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "cli.h"
#include "messages.h"
#include "nlhost/detect.h"
#include "nlhost/icu_locale.h"
#include "nlhost/text.h"

namespace nldat {
namespace {

using nlhost::same_name;
using nlhost::detect::Answer;
using nlhost::detect::ColumnReport;
using nlhost::detect::Order;

Order order_named(std::string_view name) {
  if (name == "day-first") return Order::kDayFirst;
  if (name == "month-first") return Order::kMonthFirst;
  if (name == "year-first") return Order::kYearFirst;
  return Order::kNone;
}

bool answer_has(const Answer &a, Order order, std::string_view locale) {
  return std::any_of(a.candidates.begin(), a.candidates.end(), [&](const nlhost::detect::Candidate &c) {
    return order != Order::kNone ? c.order == order
                                 : std::find(c.locales.begin(), c.locales.end(), locale) != c.locales.end();
  });
}

// Settles an ambiguous column by --prefer or the explicit locale: the one
// answer that has that order or locale.
void decide(ColumnReport &column, const std::string &prefer, bool locale_given, const std::string &locale) {
  const Order order = order_named(prefer);
  for (const bool by_order : {true, false}) {
    if (by_order ? order == Order::kNone : !locale_given) continue;
    size_t matching = 0, at = 0;
    for (size_t k = 0; k < column.answers.size(); ++k) {
      if (answer_has(column.answers[k], by_order ? order : Order::kNone, locale)) ++matching, at = k;
    }
    if (matching != 1) continue;
    column.chosen = at;
    column.settled = true;
    column.settled_by = by_order ? "by --prefer " + prefer : "by --locale " + locale;
    return;
  }
}

void show(const std::string &text, bool to_output) {
  if (to_output) {
    out() << text;
  } else {
    out().flush();
    std::fputs(text.c_str(), stderr);
  }
}

}  // namespace

int plan_conversion(Context &context, const AutoPlanRequest &options, std::vector<std::string> *columns) {
  if (options.file == "-") {
    error(
        "convert --auto: give a file; standard input cannot be read twice (sniff it first with nldat sniff)");
    return kExitUsage;
  }
  std::optional<SniffedFile> sniffed =
      sniff_file(context, options.file, options.delimiter, options.no_header);
  if (!sniffed) return kExitUsage;
  nlhost::detect::Detector &detector = *sniffed->detector;
  nlhost::detect::Report &report = sniffed->report;
  const FileSample &sample = sniffed->sample;
  std::string why;

  // The columns named without a reader are the ones to convert; NAME=INFORMAT
  // is read as given and left out of the plan.
  std::vector<std::string> named, given;
  for (const std::string &c : options.columns)
    (c.find('=') == std::string::npos ? named : given).push_back(c);
  auto chosen_by_user = [&](const ColumnReport &c) {
    return std::any_of(named.begin(), named.end(), [&](const std::string &n) {
      return same_name(n, c.name) || n == std::to_string(c.index + 1);
    });
  };
  auto given_reader = [&](const ColumnReport &c) {
    return std::any_of(given.begin(), given.end(), [&](const std::string &g) {
      const std::string n = g.substr(0, g.find('='));
      return same_name(n, c.name) || n == std::to_string(c.index + 1);
    });
  };
  for (const std::string &n : named) {
    if (std::none_of(report.columns.begin(), report.columns.end(), [&](const ColumnReport &c) {
          return same_name(n, c.name) || n == std::to_string(c.index + 1);
        })) {
      error("convert: no column named " + quoted_for_message(n));
      return kExitUsage;
    }
  }
  bool unsettled = false;
  std::string refusal;
  for (ColumnReport &column : report.columns) {
    const bool wanted = named.empty() ? !given_reader(column) : chosen_by_user(column);
    if (!wanted) {
      column.left_out = true;
      continue;
    }
    if (column.ambiguous()) decide(column, options.prefer, context.locale_given(), context.locale_name());
    if (column.ambiguous()) unsettled = true;
    if (!named.empty() && column.answers.empty())
      refusal += "convert: " + quoted_for_message(column.name) + " is " +
                 std::string(kind_name(column.kind)) + ": no reader reads every field of it\n";
    if (context.locale_given() && column.converted() &&
        !answer_has(column.answers[column.chosen], Order::kNone, context.locale_name())) {
      refusal += "convert: " + quoted_for_message(column.name) + ": " + context.locale_name() +
                 " does not read it as the file shows (" +
                 column.answers[column.chosen].candidates.front().meaning +
                 "); drop --locale or give the column's reader\n";
    }
  }
  report.preferred = context.locale_name();
  detector.choose_locale(sample.columns, &report);
  if (context.locale_given() && !report.locale.empty()) report.locale = context.locale_name();
  show(nlhost::detect::render_text(report), options.plan_only);
  if (!refusal.empty()) {
    show(refusal, false);
    return kExitUsage;
  }
  if (unsettled) {
    error(
        "convert: an ambiguous column is not converted: give --prefer day-first|month-first|year-first, "
        "--locale or --column NAME=INFORMAT");
    return kExitUsage;
  }
  if (options.plan_only) return kExitOk;
  *columns = given;
  for (const ColumnReport &column : report.columns) {
    if (!column.converted()) continue;
    const std::string name = report.dialect.header ? column.name : std::to_string(column.index + 1);
    // Columns no one locale reads alike are each read by a locale of their own.
    const nlhost::detect::Answer &answer = column.answers[column.chosen];
    columns->push_back(name + "=" + answer.reader + (report.locale.empty() ? "@" + answer.locale : ""));
  }
  if (columns->empty()) {
    error("convert: the plan converts no column");
    return kExitUsage;
  }
  if (!report.locale.empty() && report.locale != context.host()->locale()->name()) {
    std::shared_ptr<nlhost::Locale> locale = nlhost::load_icu_locale(report.locale, &why);
    if (locale == nullptr) {
      error(why);
      return kExitUsage;
    }
    context.host()->set_locale(std::move(locale));
  }
  return -1;
}

}  // namespace nldat
