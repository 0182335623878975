// nldat read: readers of the locale library beside the module's informats
// (numbers, money, percentages, ...).  A reader is a function in its own
// file, declared here and listed once in library_readers() (read_readers.cpp).
#ifndef NLDAT_READ_READERS_H
#define NLDAT_READ_READERS_H

#include <cstdint>
#include <span>
#include <string_view>

#include "cli.h"

namespace nldat {

// What a value is, for its ISO 8601 (or plain) rendering.
enum class ValueKind { kDate, kDatetime, kTime, kNumber };

// Reads text into *value: 0 when read, nonzero when not.
using ReadFn = int32_t (*)(Context &context, std::string_view text, double *value);

struct LibraryReader {
  const char *name;  // as typed after "read", any case
  ValueKind kind;
  ReadFn read;
};

std::span<const LibraryReader> library_readers();

// Week-date text under the context's week rule (read_week.cpp).
int32_t read_week(Context &context, std::string_view text, double *value);

// A number, an amount of money and a percentage by the locale (read_numbers.cpp).
int32_t read_number(Context &context, std::string_view text, double *value);
int32_t read_money(Context &context, std::string_view text, double *value);
int32_t read_percent(Context &context, std::string_view text, double *value);

// ISO 8601 text of a time value (seconds since midnight): HH:MM:SS.
size_t iso_time(double time, char *buffer);

}  // namespace nldat

#endif
