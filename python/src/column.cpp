// nldat for Python: reading a column (see column.h).
#include "column.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "nlhost/column_reader.h"
#include "nlhost/utf8.h"

namespace nldat_py {

namespace {

// Appends code point c as UTF-8; false for a surrogate or past U+10FFFF.
bool append_utf8(uint32_t c, std::string &out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x110000) {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    return false;
  }
  return true;
}

template <class Unit>
Found encode(const void *data, size_t length, std::string &scratch, std::string_view *field) {
  // Stored unaligned in a "U" array of odd strides: copied out, not cast.
  const auto *bytes = static_cast<const char *>(data);
  scratch.clear();
  for (size_t k = 0; k < length; ++k) {
    Unit unit;
    std::memcpy(&unit, bytes + k * sizeof(Unit), sizeof(Unit));
    if (!append_utf8(unit, scratch)) return Found::kNotText;
  }
  *field = scratch;
  return Found::kField;
}

bool valid_utf8(std::string_view text) {
  for (size_t i = nlhost::ascii_prefix(text); i < text.size();) {
    const size_t n = nlhost::utf8_sequence_length(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

Found decode(const void *data, size_t length, Encoding encoding, std::string &scratch,
             std::string_view *field) {
  switch (encoding) {
    case Encoding::kMissing: return Found::kMissing;
    case Encoding::kUtf8:
      *field = std::string_view(static_cast<const char *>(data), length);
      return valid_utf8(*field) ? Found::kField : Found::kNotText;
    case Encoding::kUcs1: return encode<uint8_t>(data, length, scratch, field);
    case Encoding::kUcs2: return encode<uint16_t>(data, length, scratch, field);
    case Encoding::kUcs4: return encode<uint32_t>(data, length, scratch, field);
  }
  return Found::kNotText;
}

}  // namespace

Found Column::field(size_t i, std::string &scratch, std::string_view *field) const {
  if (base_ == nullptr) {
    const Text &text = texts_[i];
    return decode(text.data, text.length, text.encoding, scratch, field);
  }
  const char *item = base_ + static_cast<ptrdiff_t>(i) * stride_;
  // Trailing NULs pad the item; a field of NULs alone is empty.
  const size_t unit = encoding_ == Encoding::kUcs4 ? 4 : 1;
  size_t length = item_size_ / unit;
  const char zero[4] = {};
  while (length > 0 && std::memcmp(item + (length - 1) * unit, zero, unit) == 0) --length;
  return decode(item, length, encoding_, scratch, field);
}

namespace {

// Fields a worker takes at a time, and the fewest that are worth a thread.
constexpr size_t kChunk = 4096;
constexpr size_t kFieldsPerThread = 4 * kChunk;

// The decimal digits of an amount read: for now the shortest text that reads
// back to its value, which keeps every digit of an amount of up to 15 digits
// but not trailing zeros (1.150,00 gives 1150).
void amount_digits(double value, std::string &digits) {
  char text[48];
  digits.assign(text, nlhost::write_iso(nlhost::ValueKind::kNumber, value, text));
}

void read_range(nlhost::FieldReader &reader, const Column &column, size_t begin, size_t end, double *values,
                uint8_t *status, std::vector<std::string> *digits, std::string &scratch) {
  for (size_t i = begin; i < end; ++i) {
    std::string_view field;
    const Found found = column.field(i, scratch, &field);
    if (found == Found::kMissing) {
      status[i] = kMissingField;
      continue;
    }
    double value = 0;
    const bool read =
        found != Found::kNotText &&
        (digits != nullptr ? reader.read_exact(field, &value, &(*digits)[i]) : reader.read(field, &value));
    if (!read) {
      status[i] = kNotRead;
      continue;
    }
    values[i] = value;
    status[i] = kRead;
    if (digits != nullptr && (*digits)[i].empty()) amount_digits(value, (*digits)[i]);
  }
}

}  // namespace

void read_column(Session &session, const nlhost::ReaderChoice &choice, const Column &column, size_t threads,
                 double *values, uint8_t *status, std::vector<std::string> *digits) {
  const size_t n = column.size();
  if (digits != nullptr) digits->assign(n, std::string());
  threads = std::clamp<size_t>(std::min(threads, n / kFieldsPerThread), 1, 64);
  // Every worker's reader is made first, so that a bad name fails before any thread starts.
  std::vector<nlhost::FieldReader> readers;
  for (size_t w = 0; w < threads; ++w) readers.push_back(session.reader(choice, w));
  std::atomic<size_t> next{0};
  std::mutex failure_mutex;
  std::exception_ptr failure;
  auto work = [&](size_t w) {
    try {
      std::string scratch;
      for (;;) {
        const size_t begin = next.fetch_add(kChunk, std::memory_order_relaxed);
        if (begin >= n) return;
        read_range(readers[w], column, begin, std::min(n, begin + kChunk), values, status, digits, scratch);
      }
    } catch (...) {
      std::lock_guard lock(failure_mutex);
      if (!failure) failure = std::current_exception();
      next.store(n, std::memory_order_relaxed);  // the others stop too
    }
  };
  std::vector<std::thread> workers;
  for (size_t w = 1; w < threads; ++w) {
    try {
      workers.emplace_back(work, w);
    } catch (const std::system_error &) {
      break;  // no thread to be had: the chunks go to the workers there are
    }
  }
  work(0);  // the calling thread is a worker too
  for (std::thread &t : workers) t.join();
  if (failure) std::rethrow_exception(failure);
}

namespace {

// The locale an alternative reads by: its own, else the call's.
std::string locale_of(const nlhost::ReaderChoice &choice, const std::string &locale) {
  return choice.locale.empty() ? locale : host_locale_name(choice.locale);
}

}  // namespace

nlhost::ValueKind reader_kind(Session &session, const std::vector<nlhost::ReaderChoice> &choices,
                              const std::string &locale) {
  std::optional<nlhost::ValueKind> kind;
  for (const nlhost::ReaderChoice &choice : choices) {
    session.use_locale(locale_of(choice, locale));
    const nlhost::ValueKind own = session.reader(choice).kind();
    if (kind && own != *kind)
      throw std::invalid_argument("the alternatives " + choices.front().label.substr(0, 64) + " and " +
                                  choice.label.substr(0, 64) +
                                  " read different kinds of value; alternatives read one kind");
    kind = own;
  }
  return *kind;
}

void read_alternatives(Session &session, const std::vector<nlhost::ReaderChoice> &choices,
                       const std::string &locale, const Column &column, size_t threads, double *values,
                       uint8_t *status, std::vector<std::string> *digits, Ambiguities *ambiguous) {
  const size_t n = column.size(), count = choices.size();
  // Each alternative's reading of the whole column, then field by field
  // together.  Of the digits only the first reading's are kept, pass by pass.
  std::vector<std::vector<double>> read(count, std::vector<double>(n));
  std::vector<std::vector<uint8_t>> states(count, std::vector<uint8_t>(n, kNotRead));
  std::vector<std::string> texts;
  std::vector<bool> taken(digits != nullptr ? n : 0, false);
  if (digits != nullptr) digits->assign(n, std::string());
  for (size_t k = 0; k < count; ++k) {
    session.use_locale(locale_of(choices[k], locale));
    read_column(session, choices[k], column, threads, read[k].data(), states[k].data(),
                digits != nullptr ? &texts : nullptr);
    for (size_t i = 0; i < taken.size(); ++i) {
      if (taken[i] || states[k][i] != kRead || std::isnan(read[k][i])) continue;
      (*digits)[i] = std::move(texts[i]);
      taken[i] = true;
    }
  }
  std::vector<double> field(count);
  for (size_t i = 0; i < n; ++i) {
    // Every alternative finds the same field missing.
    if (states[0][i] == kMissingField) {
      status[i] = kMissingField;
      continue;
    }
    for (size_t k = 0; k < count; ++k) field[k] = states[k][i] == kRead ? read[k][i] : std::nan("");
    size_t first = 0;
    switch (nlhost::agree(field, &first)) {
      case nlhost::Agreement::kRead:
        values[i] = field[first];
        status[i] = kRead;
        break;
      case nlhost::Agreement::kNotRead: status[i] = kNotRead; break;
      case nlhost::Agreement::kAmbiguous:
        status[i] = kAmbiguous;
        if (digits != nullptr) (*digits)[i].clear();
        ambiguous->positions.push_back(i);
        ambiguous->values.insert(ambiguous->values.end(), field.begin(), field.end());
        break;
    }
  }
}

}  // namespace nldat_py
