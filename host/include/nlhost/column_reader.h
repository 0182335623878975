// nlhost: how a column is read, as every program built on nlhost takes it
// (the CLI's --column NAME= and read's READER, nldat.read in Python, the
// informat argument in PostgreSQL and DuckDB).  The text names one reader or several
// alternatives, each with a locale of its own if need be:
//
//   NLDATE                      the job's locale
//   NLDATE@en_GB                by en_GB, whatever the job's locale
//   date:%d.%m.%Y               a pattern of the module's language
//   form:%b. %d, %Y@es_ES       a pattern read as the locale's own forms are
//   NLDATE@en_GB|NLDATE@en_US   alternatives
//
// A field read by exactly one alternative, or by several that give the same
// value, is read; read by several that disagree it is not read but
// ambiguous, and what each made of it is told.  Nothing picks one of two
// values in silence.
#ifndef NLHOST_COLUMN_READER_H
#define NLHOST_COLUMN_READER_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/reading.h"

namespace nlhost {

// How a field is read: an informat or library reader by name, or a pattern
// of the module's language for the value kind that name stands for.
struct ReaderChoice {
  std::string name;     // NLDATE ... WEEK, or date, datetime, time with a pattern
  std::string pattern;  // empty: the named reader itself
  bool form = false;    // the pattern is read by the locale's forms matcher (form:P)
  std::string locale;   // empty: the job's locale
  bool lenient = false;
  char week_rule = 'V';
  std::string label;  // the reader as given, for messages ("NLDATE@en_GB")
};

// The most alternatives one column may name, and the most locales a job may
// read by besides its own when each costs a module instance a worker.
inline constexpr size_t kMaxAlternatives = 8;
inline constexpr size_t kMaxExtraLocales = 8;

// Parses text (see above) into its alternatives, each base's options with
// the name, pattern and locale the text gives.  False and *error set when
// it is malformed (an empty alternative, too many, an empty pattern).
bool parse_readers(std::string_view text, const ReaderChoice &base, std::vector<ReaderChoice> *choices,
                   std::string *error);

// The value kind a form: pattern reads: a datetime with a date and a clock,
// a time with a clock alone, else a date.
ValueKind form_kind(std::string_view pattern);

// The kind a pattern reads when its reader is named name (NAME:P): a kind by
// its own name that reads by pattern, or the kind of an informat; nothing
// for any other name.
std::optional<ValueKind> pattern_kind(std::string_view name);

// The kind of value choice reads, as far as its text says (a form's by its
// directives, a pattern's by its name, a reader's by its row); nothing for
// a name that no reader or kind has.
std::optional<ValueKind> choice_kind(const ReaderChoice &choice);

// The field reader of one alternative, on module: a row of reader_table()
// by name, a pattern of the module's language by the kind its name stands
// for (date:P, NLDATE:P), or form:P by the locale's forms; strict unless
// choice is lenient, by its week rule.  Nothing and *error set when the
// name is unknown or the pattern bad.
std::optional<FieldReader> make_field_reader(const Host &host, const Module &module,
                                             const ReaderChoice &choice, std::string *error);

// The readers of alternatives with a pattern (date:P, NLDATE:P, form:P),
// made by make_field_reader on first use and kept, the most recent
// `capacity`; one for each module instance, as the readers are.  A reader
// handed out stays in place until `capacity` others have been asked for.
class PatternReaders {
 public:
  explicit PatternReaders(size_t capacity) : capacity_(capacity) { kept_.reserve(capacity); }

  // The reader of choice on module; null and *error set when it cannot be made.
  FieldReader *find(const Host &host, const Module &module, const ReaderChoice &choice, std::string *error);

 private:
  struct Kept {
    std::string key;  // "form:%b %d", "date:%d.%m.%Y"
    FieldReader reader;
    uint64_t used;  // when last asked for: the least recent makes room
  };
  std::vector<Kept> kept_;
  size_t capacity_;
  uint64_t clock_ = 0;
};

// What the alternatives made of one field, values[k] by alternative k (NaN:
// not read): kRead when at least one read it and all that did agree, then
// *first is the first that read it; kAmbiguous when two gave different
// values; else kNotRead.
enum class Agreement { kRead, kNotRead, kAmbiguous };
Agreement agree(std::span<const double> values, size_t *first);

// What each alternative made of a field, those that agree named together:
// "2026-06-05 by NLDATE@en_GB or 2026-05-06 by NLDATE@en_US".  values as
// for agree(), labels[k] alternative k as given, kind the values' kind.
std::string describe_values(ValueKind kind, std::span<const double> values,
                            std::span<const std::string> labels);

// Reads a column's fields by one reader or by alternatives (see above).
// One per thread, as the FieldReaders it holds.
class ColumnReader {
 public:
  using Outcome = Agreement;

  // readers[k] reads by alternative labels[k]; at least one, all of one
  // value kind (make sure before).
  ColumnReader(std::vector<FieldReader> readers, std::vector<std::string> labels);

  ValueKind kind() const { return readers_.front().kind(); }
  // The readers as given: the alternatives joined by '|'.
  const std::string &name() const { return name_; }

  // Reads field; for a number (kind kNumber) with decimal not null also its
  // exact decimal text (FieldReader::read_exact).  *value is set only when
  // read.  ascii: the caller found the field all ASCII (FieldReader::read_ascii).
  Outcome read(std::string_view field, double *value, std::string *decimal = nullptr, bool ascii = false) {
    // One reader: nothing to compare.
    if (!alternatives_)
      return read_one(readers_.front(), field, value, decimal, ascii) ? Outcome::kRead : Outcome::kNotRead;
    return read_alternatives(field, value, decimal, ascii);
  }
  // After kAmbiguous: each alternative's value ("2026-06-05 by
  // NLDATE@en_GB or 2026-05-06 by NLDATE@en_US").
  std::string ambiguity() const { return describe_values(kind(), values_, labels_); }

 private:
  static bool read_one(FieldReader &reader, std::string_view field, double *value, std::string *decimal,
                       bool ascii) {
    return ascii ? reader.read_ascii(field, value, decimal) : reader.read_exact(field, value, decimal);
  }
  Outcome read_alternatives(std::string_view field, double *value, std::string *decimal, bool ascii);

  std::vector<FieldReader> readers_;
  std::vector<std::string> labels_;
  std::string name_;
  bool alternatives_;           // more than one reader
  std::vector<double> values_;  // each alternative's value of the last field; NaN: not read
  std::string decimal_;
};

}  // namespace nlhost

#endif  // NLHOST_COLUMN_READER_H
