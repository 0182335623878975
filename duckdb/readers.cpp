// The reader table of the extension.
#include "readers.h"

#include <strings.h>

#include <iterator>

namespace nlduck {

namespace {

constexpr Reader kReaders[] = {
    {"NLDATE", nlhost::ValueKind::kDate},       {"NLDATEW", nlhost::ValueKind::kDate},
    {"NLDATM", nlhost::ValueKind::kDatetime},   {"NLDATMW", nlhost::ValueKind::kDatetime},
    {"NLDATMAP", nlhost::ValueKind::kDatetime}, {"NUMBER", nlhost::ValueKind::kNumber},
    {"MONEY", nlhost::ValueKind::kNumber},      {"PERCENT", nlhost::ValueKind::kNumber},
    {"WEEK", nlhost::ValueKind::kDate},
};

// The slots of the fixed readers, in the order of Fixed.
constexpr size_t kFixedSlots[] = {5, 6, 7, 8};

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool is_fixed(size_t slot) {
  for (const size_t fixed : kFixedSlots)
    if (fixed == slot) return true;
  return false;
}

}  // namespace

std::span<const Reader> readers() { return kReaders; }

size_t fixed_slot(Fixed reader) { return kFixedSlots[static_cast<size_t>(reader)]; }

size_t find_slot(std::string_view name, nlhost::ValueKind kind) {
  for (size_t i = 0; i < std::size(kReaders); ++i)
    if (!is_fixed(i) && kReaders[i].kind == kind && same_name(kReaders[i].name, name)) return i;
  return kNoReader;
}

size_t default_slot(nlhost::ValueKind kind) {
  for (size_t i = 0; i < std::size(kReaders); ++i)
    if (!is_fixed(i) && kReaders[i].kind == kind) return i;
  return kNoReader;
}

std::string names_of(nlhost::ValueKind kind) {
  std::string names;
  for (size_t i = 0; i < std::size(kReaders); ++i) {
    if (is_fixed(i) || kReaders[i].kind != kind) continue;
    if (!names.empty()) names += ", ";
    names += kReaders[i].name;
  }
  return names;
}

}  // namespace nlduck
