// Which of the host's readers the SQL functions use: the informat a query
// names, or the library reader a function stands for.
#ifndef NLDAT_DUCKDB_READERS_H
#define NLDAT_DUCKDB_READERS_H

#include <cstddef>
#include <string>
#include <string_view>

#include "nlhost/readers.h"

namespace nlduck {

// A reader's slot is its row in nlhost::reader_table(): a thread keeps one
// FieldReader per slot.
inline constexpr size_t kNoReader = static_cast<size_t>(-1);

// The slot of the library reader that reads by source (kNumber, kMoney,
// kPercent, kWeek).
size_t library_slot(nlhost::ReaderSource source);

// The slot of the informat named (any case) that returns kind, or kNoReader.
size_t find_slot(std::string_view name, nlhost::ValueKind kind);

// The slot of the reader named (any case, any row of the table) that
// returns kind, or kNoReader.
size_t find_any_slot(std::string_view name, nlhost::ValueKind kind);

// The informat of kind that a call naming none uses (the first of the kind).
size_t default_slot(nlhost::ValueKind kind);

// The informats of kind as a list for a message, comma-separated.
std::string names_of(nlhost::ValueKind kind);

}  // namespace nlduck

#endif
