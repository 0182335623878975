// nldat: the options and checks that more than one command declares.
#include <CLI/CLI.hpp>
#include <charconv>
#include <string>

#include "cli.h"
#include "nlhost/readers.h"

namespace nldat {

const std::string kExitText =
    "exit status: 0 every field was read, 1 some fields were not read, 2 bad usage or a job that cannot run";

namespace {

// One-byte delimiters: "\t" and "tab" name a tab.
std::string delimiter_check(std::string &value) {
  if (value == "\\t" || value == "tab") value = "\t";
  if (value.size() != 1 || value == "\"" || value == "\n" || value == "\r") {
    return "the delimiter is one byte other than a quote or a line end";
  }
  return "";
}

std::string column_check(const std::string &value) {
  size_t column = 0;
  const auto r = std::from_chars(value.data(), value.data() + value.size(), column);
  if (r.ec == std::errc::result_out_of_range) return "no column has so large a number";
  return r.ec == std::errc() && r.ptr == value.data() + value.size() && column >= 1 ? ""
                                                                                    : "columns count from 1";
}

std::string rule_check(const std::string &value) {
  return value.size() == 1 && std::string_view("UVW").find(value[0]) != std::string_view::npos
             ? ""
             : "the week rule is U, V or W";
}

// The first informat that reads values of kind.
std::string_view first_informat(nlhost::ValueKind kind) {
  for (const nlhost::ReaderInfo &reader : nlhost::reader_table()) {
    if (reader.source == nlhost::ReaderSource::kInformat && reader.kind == kind) return reader.name;
  }
  return {};
}

}  // namespace

CLI::Validator delimiter_validator() { return CLI::Validator(delimiter_check, ""); }
CLI::Validator column_validator() { return CLI::Validator(column_check, ""); }
CLI::Validator rule_validator() { return CLI::Validator(rule_check, ""); }

std::string reader_names(bool informats) {
  std::string names;
  for (const nlhost::ReaderInfo &reader : nlhost::reader_table()) {
    if ((reader.source == nlhost::ReaderSource::kInformat) != informats) continue;
    if (!names.empty()) names += ' ';
    names += reader.name;
  }
  return names;
}

void add_reading_options(CLI::App &command, ReaderChoice &reader) {
  ReaderChoice *choice = &reader;
  // Taken as they come, so that the last of the two given wins.
  command
      .add_flag_function(
          "--strict", [choice](int64_t) { choice->lenient = false; },
          "count a field as read only when the value accounts for all of it (the default)")
      ->trigger_on_parse();
  command
      .add_flag_function(
          "--lenient", [choice](int64_t) { choice->lenient = true; },
          "take whatever the informat reads, even from the start of a longer field")
      ->trigger_on_parse();
  command
      .add_option("--pattern", choice->pattern,
                  "read by this pattern of the module's language (e.g. %d.%m.%Y) instead of the locale's; "
                  "INFORMAT then names the kind: date, datetime or time (or " +
                      std::string(first_informat(nlhost::ValueKind::kDate)) + ", " +
                      std::string(first_informat(nlhost::ValueKind::kDatetime)) + ")")
      ->type_name("P");
  command
      .add_option_function<std::string>(
          "--rule", [choice](const std::string &rule) { choice->week_rule = rule[0]; },
          "the week rule of " + std::string(nlhost::library_reader(nlhost::ReaderSource::kWeek).name) +
              ": U weeks from Sunday, W from Monday, V ISO 8601 (the default)")
      ->check(rule_validator())
      ->type_name("U|V|W");
}

}  // namespace nldat
