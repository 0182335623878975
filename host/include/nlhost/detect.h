// nlhost: what a file's columns hold, found by reading them rather than by
// guessing from one value.
//
// Every column of a sample is read by the readers that could apply (dates,
// datetimes, times, week dates, numbers, amounts, percentages) under classes
// of locales that read alike, and the report keeps what the fields
// themselves show: the candidates that read every field, the field that
// ruled each other one out, and, where candidates remain that give
// different values for the same field, the ambiguity with each value.
// Nothing settles an ambiguity silently: only the other columns of the same
// file, when all of them agree on one order, and the report says so.
#ifndef NLHOST_DETECT_H
#define NLHOST_DETECT_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/host.h"

namespace nlhost::detect {

// What a column holds.
enum class ColumnKind { kEmpty, kDate, kDatetime, kTime, kWeekDate, kNumber, kMoney, kPercent, kText };
std::string_view kind_name(ColumnKind kind);

// The order of day, month and year a locale writes numeric dates in.
enum class Order { kNone, kDayFirst, kMonthFirst, kYearFirst };
std::string_view order_name(Order order);  // "day-first", ...

// Whether some locale writes numeric dates in order with separator between
// the fields ('/' for month-first; '/', '.', '-' for day-first ...): whether
// a date read one way could have been meant the other.
bool written_with(Order order, char separator);

// A sampled field: its text (unquoted) and the line of the file it is on.
struct Field {
  int64_t line = 0;
  std::string text;
};

// The fields of one column, in file order.
struct Column {
  std::string name;  // the header's name, or "column N"
  std::vector<Field> fields;
};

// A way of reading a column: a reader under the locales of a class.
struct Candidate {
  std::string reader;                // NLDATE, NLDATM, NUMBER, MONEY, ...
  std::string meaning;               // "day-first (dd/MM/y)", "decimal comma, grouping ."
  Order order = Order::kNone;        // dates: the order of its numeric form
  std::string locale;                // the locale it was read under
  std::vector<std::string> locales;  // every locale of its class
};

// Candidates that give the same value for every field: one answer.
struct Answer {
  std::vector<Candidate> candidates;
  std::vector<double> values;  // one a sampled field, in the column's order (NaN: empty)
  // The locale to read by: the preferred one when the answer has it.
  std::string locale;
  std::string reader;
  size_t locale_count() const;
};

// The field that ruled a candidate out.
struct Evidence {
  int64_t line = 0;
  std::string field;
  std::string ruled_out;  // the candidate's meaning
  std::string locale;     // and a locale of it
  std::string reader;
  int64_t read = 0, of = 0;  // for a column no candidate reads: the distinct fields it reads
};

// Where answers differ: a field and what each answer makes of it.
struct Ambiguity {
  int64_t line = 0;
  std::string field;
  std::vector<std::string> values;  // ISO text, one an answer
};

struct ColumnReport {
  std::string name;
  std::string preferred;  // the preferred locale it was read with
  size_t index = 0;       // 0-based
  ColumnKind kind = ColumnKind::kText;
  int64_t fields = 0, empty = 0;  // sampled
  int64_t read = 0;               // sampled fields the chosen answer reads (all of the non-empty ones)
  std::vector<Answer> answers;    // one: decided; several: ambiguous; none: text or empty
  std::vector<Evidence> evidence;
  // A column no candidate reads whole: the candidates that read most of it,
  // and two that read all of it between them (a column written by two
  // systems), as alternatives for --column: "NLDATE@en_GB|NLDATE@en_US".
  std::vector<Evidence> nearest;
  std::string together;
  Ambiguity ambiguity;     // when answers.size() > 1
  size_t chosen = 0;       // the answer the plan reads by
  bool settled = false;    // an ambiguity settled by the file's other columns
  std::string settled_by;  // "day-first, as Transaction Date (line 5)"
  bool left_out = false;   // not in the plan: the user named other columns
  bool ambiguous() const { return answers.size() > 1 && !settled && !left_out; }
  bool converted() const { return !answers.empty() && !ambiguous() && !left_out; }
};

// What the file's dialect is, as its reader found it.
struct Dialect {
  std::string encoding = "UTF-8";  // "UTF-8", "UTF-8 with BOM", "not UTF-8", ...
  // The --encoding the file needs to be read as the report read it (given,
  // or the detector's guess for a file that is not UTF-8); empty when its
  // byte-order mark or valid UTF-8 decides.
  std::string encoding_option;
  // The text was read as encoding_option by the detector's guess: the input
  // is not UTF-8 and no encoding was given, so only the user can confirm it.
  bool encoding_guessed = false;
  char delimiter = ',';
  char quote = '"';
  bool header = true;
  bool crlf = false;
  int64_t records = 0;  // data records in the whole file (header aside); -1 when not counted
  int64_t sampled = 0;  // records sampled
};

struct Report {
  std::string file;  // as given; "-" for standard input
  Dialect dialect;
  std::vector<ColumnReport> columns;
  std::string locale;  // the locale every converted column reads by; empty: one per column
  std::string preferred;
  // Whether a converted column needs a locale other than the shared one.
  bool per_column_locales = false;
  bool any_ambiguous() const;
};

// Readers and locale classes, built on first use and kept: one detector per
// host.  Not for several threads at once.
class Detector {
 public:
  // Reads through module, loaded into host; switches host's locale while it
  // reads and restores it afterwards.
  Detector(Host &host, const Module &module);
  ~Detector();
  Detector(const Detector &) = delete;
  Detector &operator=(const Detector &) = delete;

  // The report on columns.  preferred: the locale given by the user or the
  // environment, a preference among candidates that read alike, never a
  // reason to read a field otherwise.
  Report analyze(const std::vector<Column> &columns, std::string_view preferred);

  // Sets report->locale to one locale that reads every converted column as
  // its chosen answer does (each column read by it again), the preferred
  // first; empty, and per_column_locales set, when none does.  analyze()
  // calls it; call it again after choosing other answers.
  void choose_locale(const std::vector<Column> &columns, Report *report);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The report for people, ending with the nldat convert command line the plan
// amounts to.
std::string render_text(const Report &report);
// The same as JSON, for programs.
std::string render_json(const Report &report);
// The arguments of the nldat convert command the plan amounts to (after
// "nldat"), shell-quoted; empty when no column would be converted.
std::string convert_command(const Report &report);

}  // namespace nlhost::detect

#endif  // NLHOST_DETECT_H
