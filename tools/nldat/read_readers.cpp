// nldat read: the table of library readers (one line each).
#include "read_readers.h"

#include <cmath>

namespace nldat {

namespace {
// Readers of the library, e.g. {"NUMBER", ValueKind::kNumber, read_number},
// after the placeholder row.
constexpr LibraryReader kLibraryReaders[] = {
    {"", ValueKind::kNumber, nullptr},  // placeholder: the table may not be empty
    {"NUMBER", ValueKind::kNumber, read_number},
    {"MONEY", ValueKind::kNumber, read_money},
    {"PERCENT", ValueKind::kNumber, read_percent},
    {"WEEK", ValueKind::kDate, read_week},
};
}  // namespace

std::span<const LibraryReader> library_readers() {
  // Skip the placeholder row.
  return std::span<const LibraryReader>(kLibraryReaders).subspan(1);
}

size_t iso_time(double time, char *buffer) {
  const auto seconds = static_cast<int64_t>(std::floor(time));
  char *p = buffer;
  auto two = [&p](int64_t v) {
    *p++ = static_cast<char>('0' + v / 10 % 10);
    *p++ = static_cast<char>('0' + v % 10);
  };
  two(seconds / 3600);
  *p++ = ':';
  two(seconds / 60 % 60);
  *p++ = ':';
  two(seconds % 60);
  return static_cast<size_t>(p - buffer);
}

}  // namespace nldat
