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
#include <optional>
#include <string>
#include <vector>

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

// Marks the columns of report to convert: those named without a reader, or
// else every column not given a reader.  Ambiguous columns are settled by
// --prefer or --locale where one answer fits; *unsettled tells whether any is
// left.  Returns the messages refusing the plan, or "" when there are none;
// nothing, after printing why, when a named column does not exist.
std::optional<std::string> mark_columns(const Context &context, const AutoPlanRequest &options,
                                        const std::vector<std::string> &named,
                                        const std::vector<std::string> &given, nlhost::detect::Report &report,
                                        bool *unsettled) {
  auto names_column = [](const std::vector<std::string> &given_columns, const ColumnReport &c) {
    return std::any_of(given_columns.begin(), given_columns.end(), [&](const std::string &option) {
      const std::string n = option.substr(0, option.find('='));
      return same_name(n, c.name) || n == std::to_string(c.index + 1);
    });
  };
  for (const std::string &n : named) {
    if (std::none_of(report.columns.begin(), report.columns.end(),
                     [&](const ColumnReport &c) { return names_column({n}, c); })) {
      error("convert: no column named " + quoted_for_message(n));
      return std::nullopt;
    }
  }
  std::string refusal;
  for (ColumnReport &column : report.columns) {
    const bool wanted = named.empty() ? !names_column(given, column) : names_column(named, column);
    if (!wanted) {
      column.left_out = true;
      continue;
    }
    if (column.ambiguous()) decide(column, options.prefer, context.locale_given(), context.locale_name());
    if (column.ambiguous()) *unsettled = true;
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
  return refusal;
}

// The plan's columns as --column NAME=INFORMAT options after the ones given,
// and the host switched to the plan's locale; false after printing why not.
bool apply_plan(Context &context, const nlhost::detect::Report &report, const std::vector<std::string> &given,
                std::vector<std::string> *columns) {
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
    return false;
  }
  if (report.locale.empty() || report.locale == context.host()->locale()->name()) return true;
  std::string why;
  std::shared_ptr<nlhost::Locale> locale = nlhost::load_icu_locale(report.locale, &why);
  if (locale == nullptr) {
    error(why);
    return false;
  }
  context.host()->set_locale(std::move(locale));
  return true;
}

}  // namespace

int plan_conversion(Context &context, const AutoPlanRequest &options, std::vector<std::string> *columns) {
  std::optional<SniffedFile> sniffed = sniff_file(context, options.file, options.delimiter, options.no_header,
                                                  false, options.fd, options.held);
  if (!sniffed) return kExitUsage;
  nlhost::detect::Report &report = sniffed->report;

  // The columns named without a reader are the ones to convert; NAME=INFORMAT
  // is read as given and left out of the plan.
  std::vector<std::string> named, given;
  for (const std::string &c : options.columns)
    (c.find('=') == std::string::npos ? named : given).push_back(c);
  bool unsettled = false;
  const std::optional<std::string> refusal = mark_columns(context, options, named, given, report, &unsettled);
  if (!refusal) return kExitUsage;
  report.preferred = context.locale_name();
  sniffed->detector->choose_locale(sniffed->sample.columns, &report);
  if (context.locale_given() && !report.locale.empty()) report.locale = context.locale_name();
  show(nlhost::detect::render_text(report), options.plan_only);
  if (report.dialect.encoding_guessed && !options.plan_only) {
    // The plan is shown; an encoding the file does not say converts nothing.
    const std::string &guess = report.dialect.encoding_option;
    error("convert: " + shown_name(options.file) + " is not UTF-8 text; it looks like " + guess +
          ": give --encoding " + guess + " (or --encoding auto) to convert it");
    return kExitUsage;
  }
  if (!refusal->empty()) {
    show(*refusal, false);
    return kExitUsage;
  }
  if (unsettled) {
    error(
        "convert: an ambiguous column is not converted: give --prefer day-first|month-first|year-first, "
        "--locale or --column NAME=INFORMAT");
    return kExitUsage;
  }
  if (options.plan_only) return kExitOk;
  return apply_plan(context, report, given, columns) ? -1 : kExitUsage;
}

}  // namespace nldat
