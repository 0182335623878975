// nlhost: every reader a host offers, one row each: the module's informats
// and the locale library's readers.  The field reader, the CLI's help and
// column kinds, its list of pattern items and the PostgreSQL functions all
// read this table, so adding a reader is one row.
#ifndef NLHOST_READERS_H
#define NLHOST_READERS_H

#include <cstdint>
#include <span>
#include <string_view>

#include "uwinldat.h"

namespace nlhost {

// What a value is, and so how it is written out.
enum class ValueKind {
  kDate,      // days since 1960-01-01
  kDatetime,  // seconds since 1960-01-01T00:00:00
  kTime,      // seconds since midnight
  kNumber,    // a number, an amount, a percentage (as a fraction)
};

// How a reader reads: a registered informat of the module, or one of the
// locale library's routines; or a pattern of the module's language, which
// no row of the table has, read by the module (FieldReader::with_pattern) or
// by the host's matcher of the locale's own forms (FieldReader::with_form).
enum class ReaderSource { kInformat, kNumber, kMoney, kPercent, kWeek, kPattern, kForm };

// A value kind, the name a pattern's kind goes by and the module routines
// that read and write it by a pattern (null for numbers: no pattern).
struct KindInfo {
  ValueKind kind;
  std::string_view name;
  const char *pattern_reader;  // zkpdate, zkpdttm, zkptime
  const char *writer;          // zkfdate, zkfdttm, zkftime
};

// The row of kind.
const KindInfo &kind_info(ValueKind kind);
// The kind named name (date, datetime, time, number), any case, or null.
const KindInfo *find_kind(std::string_view name);

struct ReaderInfo {
  std::string_view name;  // an informat's registered name, or the library reader's
  ValueKind kind;
  ReaderSource source;
  // The module routine that reads it: for an informat its pattern reader
  // (the informat itself is found by name), else the library routine.
  const char *reader;
  // The routine that writes a value back by one of its items (the strict
  // check), null when there is none.
  const char *writer;
  // The locale items it reads by, in order (0: none), and what each is to it.
  int32_t items[2];
  std::string_view item_uses[2];
  // The host's whole-field informat an informat falls back on, else empty.
  std::string_view fallback;
  std::string_view help;  // one line
};

// Every reader, informats first, in the order a help text lists them.
std::span<const ReaderInfo> reader_table();
// The reader named name, any case, or null.
const ReaderInfo *find_reader(std::string_view name);
// The library reader that reads by source (kNumber, kMoney, kPercent or
// kWeek: one each); for kInformat or kPattern the first informat.
const ReaderInfo &library_reader(ReaderSource source);

}  // namespace nlhost

#endif  // NLHOST_READERS_H
