// The extension's view of the host's reader table.
#include "readers.h"

namespace nlduck {

namespace {

size_t slot_of(const nlhost::ReaderInfo &reader) {
  return static_cast<size_t>(&reader - nlhost::reader_table().data());
}

bool is_informat_of(const nlhost::ReaderInfo &reader, nlhost::ValueKind kind) {
  return reader.source == nlhost::ReaderSource::kInformat && reader.kind == kind;
}

}  // namespace

size_t library_slot(nlhost::ReaderSource source) { return slot_of(nlhost::library_reader(source)); }

size_t find_slot(std::string_view name, nlhost::ValueKind kind) {
  const nlhost::ReaderInfo *reader = nlhost::find_reader(name);
  return reader != nullptr && is_informat_of(*reader, kind) ? slot_of(*reader) : kNoReader;
}

size_t find_any_slot(std::string_view name, nlhost::ValueKind kind) {
  const nlhost::ReaderInfo *reader = nlhost::find_reader(name);
  return reader != nullptr && reader->kind == kind ? slot_of(*reader) : kNoReader;
}

size_t default_slot(nlhost::ValueKind kind) {
  for (const nlhost::ReaderInfo &reader : nlhost::reader_table())
    if (is_informat_of(reader, kind)) return slot_of(reader);
  return kNoReader;
}

std::string names_of(nlhost::ValueKind kind) {
  std::string names;
  for (const nlhost::ReaderInfo &reader : nlhost::reader_table()) {
    if (!is_informat_of(reader, kind)) continue;
    if (!names.empty()) names += ", ";
    names += reader.name;
  }
  return names;
}

}  // namespace nlduck
