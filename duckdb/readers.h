// The readers the SQL functions name, and the value kind each returns: the
// one place of this extension that knows reader names.
#ifndef NLDAT_DUCKDB_READERS_H
#define NLDAT_DUCKDB_READERS_H

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "nlhost/reading.h"

namespace nlduck {

struct Reader {
  std::string_view name;
  nlhost::ValueKind kind;
};

// Every reader, in slot order: a thread keeps one FieldReader per slot.
std::span<const Reader> readers();

// The readers the functions use without a name from the query.
enum class Fixed { kNumber, kMoney, kPercent, kWeek };

// The slot of a fixed reader.
size_t fixed_slot(Fixed reader);

// The slot of the reader named (any case) that returns kind, or npos.
inline constexpr size_t kNoReader = static_cast<size_t>(-1);
size_t find_slot(std::string_view name, nlhost::ValueKind kind);

// The reader of kind that a call naming none uses (the first of the kind).
size_t default_slot(nlhost::ValueKind kind);

// The readers of kind as a list for a message: "NLDATE or NLDATEW".
std::string names_of(nlhost::ValueKind kind);

}  // namespace nlduck

#endif
