// nlhost: reading one field of text the way every program built on nlhost
// reads it (the CLI, the PostgreSQL extension, a host of your own).
//
// A field travels: normalize_field() maps what the locale's one-byte data
// cannot hold to the bytes it uses -> the module's informat or library reader
// reads it by the locale's patterns and conventions -> in strict mode the
// value must account for the whole field, else the host's whole-field
// fallback alone decides -> the value.
#ifndef NLHOST_READING_H
#define NLHOST_READING_H

#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "nlhost/host.h"
#include "nlhost/readers.h"

namespace nlhost {

namespace lenient {
class UserForm;
}
class NumericLayout;
namespace reading {
struct NumberConventions;
}

// A field as the locale data can read it: the blanks of other widths
// (U+00A0, U+202F, U+2007, U+2009) become ' ', a dash or minus used as a sign
// becomes '-', an apostrophe used for grouping becomes '\'', the bidi marks
// are dropped, and a leading byte-order mark is dropped.  Returns field itself
// when there is nothing to change (plain ASCII costs one pass), else the
// normalized text, which lives in scratch.
std::string_view normalize_field(std::string_view field, std::string &scratch);

// Whether c is a blank (' ' or '\t'): most bytes are past ' ', and one test tells them.
inline bool is_blank(char c) { return static_cast<unsigned char>(c) <= ' ' && (c == ' ' || c == '\t'); }

// The field without leading and trailing blanks.
inline std::string_view trim_blanks(std::string_view field) {
  while (!field.empty() && is_blank(field.front())) field.remove_prefix(1);
  while (!field.empty() && is_blank(field.back())) field.remove_suffix(1);
  return field;
}

// The longest text write_iso writes.
inline constexpr size_t kIsoTextMax = 48;

// ISO 8601 text of a value of kind, into buffer (kIsoTextMax bytes): a date as
// YYYY-MM-DD, a datetime as YYYY-MM-DDTHH:MM:SS, a time (a duration) as
// HH:MM:SS with more hour digits from 100 hours and a minus sign before 0, a
// number as the shortest text that reads back to it.  Returns the length.
size_t write_iso(ValueKind kind, double value, char *buffer);

// Reads fields by one informat or library reader of a module loaded into
// host, by host's locale, year window and whole-field informats; or, for a
// module instance opened on a control block that names a locale of its own
// (Host::add_control_block), by that locale in every step, the host's too.
// Holds its own scratch space and informat block: one per thread.  host and
// module outlive it.
class FieldReader {
 public:
  // name: a row of reader_table() (an informat of the module or a library
  // reader), any case.  Nothing and *error set when the name is unknown or
  // the module lacks the reader's routine.
  static std::optional<FieldReader> make(const Host &host, const Module &module, std::string_view name,
                                         std::string *error);
  // A reader by a pattern of the module's language, read through the kind's
  // pattern reader (kind_info(kind).pattern_reader).
  static std::optional<FieldReader> with_pattern(const Host &host, const Module &module, ValueKind kind,
                                                 std::string pattern, std::string *error);
  // A reader by a pattern of the module's language read as the locale's own
  // forms are (one- or two-digit numbers, names in any case and width, the
  // locale's digits), always the whole field: %b. %d, %Y reads "dic. 9, 2026".
  static std::optional<FieldReader> with_form(const Host &host, const Module &module, ValueKind kind,
                                              const std::string &pattern, std::string *error);

  // Strict (the default): a field counts as read only when the value
  // accounts for the whole field.  Lenient: whatever the reader accepts.
  void set_strict(bool strict) { strict_ = strict; }
  bool strict() const { return strict_; }
  // The week rule (U, V or W) by which WEEK reads week-date text.
  void set_week_rule(char rule) { week_rule_ = rule; }

  ValueKind kind() const { return kind_; }
  const std::string &name() const { return name_; }
  // The locale it reads by: its module instance's own, else the host's
  // current locale.
  const Locale *locale() const { return own_locale_ != nullptr ? own_locale_ : host_->locale(); }

  // Normalizes field, drops leading and trailing blanks and reads it; true
  // and *value set when read, false (and *value untouched) when not.
  bool read(std::string_view field, double *value);
  // As read(), and for a number, an amount or a percentage read strictly
  // also its exact decimal text: an optional '-', digits, optionally '.' and
  // digits, no exponent and no grouping, the field's own digits
  // ("99.999.999.999.999,99" in de_DE gives "99999999999999.99", "4,1 %" in
  // fr_FR "0.041").  *decimal is empty for other readers, when reading
  // leniently, or when the text would be too long: then *value stands alone.
  bool read_exact(std::string_view field, double *value, std::string *decimal);
  // As read_exact(), for a field the caller has found to be all ASCII (a
  // block of lines tested at once): there is nothing to normalize.
  bool read_ascii(std::string_view field, double *value, std::string *decimal) {
    return read_trimmed(trim_blanks(field), value, decimal, true);
  }

 private:
  FieldReader(const Host &host, const Module &module);
  // ascii: text is all ASCII (a number needs no look for other scripts' separators).
  bool read_trimmed(std::string_view text, double *value, std::string *decimal, bool ascii) {
    return own_locale_ == nullptr ? read_text(text, value, decimal, ascii)
                                  : read_by_own_locale(text, value, decimal, ascii);
  }
  // The informat's strict road, nearly every field of a date column, is
  // taken here; every other by read_by_source.
  bool read_text(std::string_view text, double *value, std::string *decimal, bool ascii) {
    if (decimal != nullptr) decimal->clear();
    if (text.empty() || text.size() > INT32_MAX) return false;
    if (strict_ && source_ == ReaderSource::kInformat) return read_informat_strictly(text, value);
    return read_by_source(text, value, decimal, ascii);
  }
  bool read_by_source(std::string_view text, double *value, std::string *decimal, bool ascii);
  bool read_by_own_locale(std::string_view text, double *value, std::string *decimal, bool ascii);
  bool read_normalized(std::string_view field, double *value);
  bool read_number(std::string_view field, double *value, std::string *decimal, bool ascii);
  bool run_number_reader(int32_t item, std::string_view text, double *value);
  bool read_informat_strictly(std::string_view text, double *value);
  // The numeric layout of pattern item k of the locale read by; null
  // without a locale.
  const NumericLayout *item_layout(size_t k);
  void lay_out(size_t k, const Locale &locale);
  // The number conventions of pattern item k of the locale read by; null
  // without a locale or without the item.
  const reading::NumberConventions *item_conventions(size_t k);
  bool written_back_as(const char *pattern, int32_t item, double value, std::string_view field) const;

  const Host *host_;
  const Locale *own_locale_;  // the module instance's locale; null: the host's current one
  ReaderSource source_ = ReaderSource::kInformat;
  ValueKind kind_ = ValueKind::kDate;
  std::string name_;
  std::string pattern_;
  std::shared_ptr<const lenient::UserForm> form_;  // kForm: the compiled pattern
  uwn_informat_fn informat_ = nullptr;
  void *routine_ = nullptr;  // the library routine; for an informat its pattern reader (zkpdate, zkpdttm)
  int32_t pattern_items_[2] = {};   // an informat's two locale pattern items
  std::string_view fallback_name_;  // and the host's whole-field informat after them
  void *writer_ = nullptr;          // zkfdate, zkfdttm or zkftime: the strict check's write-back
  bool strict_ = true;
  char week_rule_ = 'V';
  std::string scratch_;
  std::string number_scratch_;
  // The layouts of the two pattern items as the locale stood when they were
  // laid out (Locale::version; 0: never): laid out again when it changes,
  // the locale read by being another or its item set anew.
  std::shared_ptr<const NumericLayout> layouts_[2];
  uint64_t layout_versions_[2] = {};
  // The same for a number reader's conventions.
  std::shared_ptr<const reading::NumberConventions> conventions_[2];
  uint64_t convention_versions_[2] = {};
};

}  // namespace nlhost

#endif  // NLHOST_READING_H
