// nldat for Python: a column of text fields, as numpy holds it, and its
// reading on a few threads.  The fields are found while the interpreter's
// lock is held (see bindings.cpp); reading them needs neither the lock nor
// any Python object.
#ifndef NLDAT_PYTHON_COLUMN_H
#define NLDAT_PYTHON_COLUMN_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session.h"

namespace nldat_py {

// How a field's characters are stored: UTF-8 bytes, or code points of one,
// two or four bytes each (a Python str's own storage, numpy's "U" arrays).
enum class Encoding : uint8_t { kMissing, kUtf8, kUcs1, kUcs2, kUcs4 };

// One field: length counts code units of its encoding.
struct Text {
  const void *data = nullptr;
  size_t length = 0;
  Encoding encoding = Encoding::kMissing;
};

// What is found at a place of the column.
enum class Found { kField, kMissing, kNotText };

class Column {
 public:
  // Fields found one by one (a column of Python objects).
  explicit Column(std::vector<Text> texts) : texts_(std::move(texts)), size_(texts_.size()) {}
  // Fixed-width fields of item_size bytes, stride bytes apart, padded with
  // NULs: numpy's "S" (kUtf8) and "U" (kUcs4) arrays.
  Column(const char *base, size_t size, ptrdiff_t stride, size_t item_size, Encoding encoding)
      : size_(size), base_(base), stride_(stride), item_size_(item_size), encoding_(encoding) {}

  size_t size() const { return size_; }
  // The field at i as UTF-8: *field views the column itself or scratch.
  // kNotText for bytes that are not UTF-8 or a lone surrogate.
  Found field(size_t i, std::string &scratch, std::string_view *field) const;

 private:
  std::vector<Text> texts_;
  size_t size_ = 0;
  const char *base_ = nullptr;
  ptrdiff_t stride_ = 0;
  size_t item_size_ = 0;
  Encoding encoding_ = Encoding::kMissing;
};

// What became of each field: ambiguous, read by alternatives to different
// values, is not read either.
enum Status : uint8_t { kNotRead = 0, kRead = 1, kMissingField = 2, kAmbiguous = 3 };

// Reads every field of column by choice on up to `threads` threads (fewer for a
// short column): values[i] and status[i] for each, and with digits (not
// null) the decimal digits of each amount read.  The session's lock must be
// held, and the interpreter's need not be.  std::invalid_argument when the
// reader cannot be made.
void read_column(Session &session, const nlhost::ReaderChoice &choice, const Column &column, size_t threads,
                 double *values, uint8_t *status, std::vector<std::string> *digits);

// The fields the alternatives read to different values: positions[a], and
// what alternative k made of it in values[a * alternatives + k] (NaN: not
// read).
struct Ambiguities {
  std::vector<size_t> positions;
  std::vector<double> values;
};

// Reads every field of column by each of the alternatives, one after the
// other, each by its own locale or else the locale named locale, and puts
// together what they made of each field (nlhost::agree): values, status and
// digits as read_column gives them, status kAmbiguous and an entry of
// *ambiguous for a field two read to different values.  The alternatives
// are of one kind (see reader_kind).
void read_alternatives(Session &session, const std::vector<nlhost::ReaderChoice> &choices,
                       const std::string &locale, const Column &column, size_t threads, double *values,
                       uint8_t *status, std::vector<std::string> *digits, Ambiguities *ambiguous);

// The kind the alternatives read, making the locale of each current in
// turn; std::invalid_argument when a reader cannot be made or two read
// different kinds.
nlhost::ValueKind reader_kind(Session &session, const std::vector<nlhost::ReaderChoice> &choices,
                              const std::string &locale);

}  // namespace nldat_py

#endif
