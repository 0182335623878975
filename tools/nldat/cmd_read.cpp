// nldat read: fields, one a line or one column of a delimited file, through
// an informat of the loaded module (or a reader of the library).
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "read_readers.h"

namespace nldat {
namespace {

void read_usage() {
  out() << "usage: nldat [--locale L] read [OPTIONS] INFORMAT [FILE...]\n"
           "\n"
           "Reads one field a line (or one column of a delimited file) through the named informat of\n"
           "the module, by the locale's patterns, and prints for each field its value and the value's\n"
           "ISO 8601 text (a date as YYYY-MM-DD, a datetime as YYYY-MM-DDTHH:MM:SS), separated by a tab.\n"
           "A field that is not read prints \".\" and is reported on standard error with its line.\n"
           "Without FILE, or for \"-\", standard input is read.\n"
           "\n"
           "informats: NLDATE NLDATM NLDATEW NLDATMW NLDATMAP (dates and datetimes by the locale)";
  for (const LibraryReader &r : library_readers()) out() << ' ' << r.name;
  out() << "\n"
           "\n"
           "options:\n"
           "  --column N      read column N (1 is the first) of each line\n"
           "  --delimiter C   the column delimiter (default \",\"; \"\\t\" for a tab); fields may be\n"
           "                  in double quotes\n"
           "  --header        skip the first line of each file\n"
           "  --echo          print the field itself first\n"
           "  --rule R        the week rule of WEEK (week-date text such as 2010-W09-05): U weeks\n"
           "                  from Sunday, W from Monday, V ISO 8601 (the default)\n"
           "  --help          this text\n"
           "\n"
           "exit status: 0 every field was read, 1 some were not, 2 bad usage\n";
}

// The value kinds of the module's informats.
struct InformatKind {
  const char *name;
  ValueKind kind;
};
constexpr InformatKind kInformatKinds[] = {
    {"NLDATE", ValueKind::kDate},      {"NLDATM", ValueKind::kDatetime},   {"NLDATEW", ValueKind::kDate},
    {"NLDATMW", ValueKind::kDatetime}, {"NLDATMAP", ValueKind::kDatetime},
};

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return false;
  }
  return true;
}

// Column `column` (0-based) of line; a field in double quotes loses them and
// "" inside stands for one quote (unquoted into scratch).  False when the
// line has fewer columns.
bool column_field(std::string_view line, char delimiter, size_t column, std::string &scratch,
                  std::string_view *field) {
  size_t start = 0;
  for (size_t k = 0;; ++k) {
    size_t end = start;
    bool quoted = start < line.size() && line[start] == '"';
    if (quoted) {
      ++end;
      while (end < line.size() && !(line[end] == '"' && (end + 1 == line.size() || line[end + 1] != '"'))) {
        end += line[end] == '"' ? 2 : 1;
      }
      if (end < line.size()) ++end;  // the closing quote
    }
    while (end < line.size() && line[end] != delimiter) ++end;
    if (k == column) {
      std::string_view text = line.substr(start, end - start);
      if (quoted && text.size() >= 2 && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
        if (text.find('"') != std::string_view::npos) {
          scratch.clear();
          for (size_t i = 0; i < text.size(); ++i) {
            scratch += text[i];
            if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') ++i;
          }
          text = scratch;
        }
      }
      *field = text;
      return true;
    }
    if (end >= line.size()) return false;
    start = end + 1;
  }
}

struct ReadOptions {
  bool has_column = false;
  size_t column = 0;
  char delimiter = ',';
  bool header = false;
  bool echo = false;
};

}  // namespace

int cmd_read(Context &context, Args args) {
  ReadOptions options;
  std::vector<const char *> operands;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    std::string_view value;
    bool missing = false;
    if (arg == "--help" || arg == "-h") {
      read_usage();
      return kExitOk;
    } else if (arg == "--header") {
      options.header = true;
    } else if (arg == "--echo") {
      options.echo = true;
    } else if (option_value(args, &i, "--column", &value, &missing)) {
      char *end = nullptr;
      const std::string number(value);
      const long n = missing ? 0 : std::strtol(number.c_str(), &end, 10);
      if (missing || end == number.c_str() || *end != '\0' || n < 1) {
        error("--column needs a column number from 1 on");
        return kExitUsage;
      }
      options.has_column = true;
      options.column = static_cast<size_t>(n - 1);
    } else if (option_value(args, &i, "--rule", &value, &missing)) {
      if (missing || value.size() != 1 || std::string_view("UVW").find(value[0]) == std::string_view::npos) {
        error("--rule needs the week rule U, V or W");
        return kExitUsage;
      }
      context.set_week_rule(value[0]);
    } else if (option_value(args, &i, "--delimiter", &value, &missing)) {
      if (value == "\\t" || value == "tab") value = "\t";
      if (missing || value.size() != 1) {
        error("--delimiter needs one character");
        return kExitUsage;
      }
      options.delimiter = value[0];
    } else if (arg.size() > 1 && arg[0] == '-') {
      error("read: unknown option " + std::string(arg) + " (nldat read --help lists the options)");
      return kExitUsage;
    } else {
      operands.push_back(args[i]);
    }
  }
  if (operands.empty()) {
    error("read: no informat given (nldat read --help)");
    return kExitUsage;
  }
  const std::string_view name = operands.front();
  operands.erase(operands.begin());
  if (operands.empty()) operands.push_back("-");

  // The reader: a library reader by name, else an informat of the module.
  const LibraryReader *library = nullptr;
  for (const LibraryReader &r : library_readers()) {
    if (equal_ignoring_case(name, r.name)) library = &r;
  }
  uwn_informat_fn informat = nullptr;
  ValueKind kind = ValueKind::kDate;
  if (library != nullptr) {
    kind = library->kind;
    if (context.module() == nullptr) return kExitUsage;
  } else {
    nlhost::Module *module = context.module();
    if (module == nullptr) return kExitUsage;
    informat = module->informat(name);
    if (informat == nullptr) {
      error("read: the module has no informat " + std::string(name) + " (nldat info lists them)");
      return kExitUsage;
    }
    for (const InformatKind &k : kInformatKinds) {
      if (equal_ignoring_case(name, k.name)) kind = k.kind;
    }
  }

  int status = kExitOk;
  std::string scratch;
  char iso[48];
  for (const char *path : operands) {
    LineReader reader;
    if (!reader.open(path)) return kExitUsage;
    const char *shown = std::strcmp(path, "-") == 0 ? "<stdin>" : path;
    std::string_view line;
    for (int64_t number = 1; reader.next(&line); ++number) {
      if (options.header && number == 1) continue;
      std::string_view field = line;
      if (options.has_column && !column_field(line, options.delimiter, options.column, scratch, &field)) {
        out() << ".\n";
        error(std::string(shown) + ":" + std::to_string(number) + ": no column " +
              std::to_string(options.column + 1));
        status = kExitUnread;
        continue;
      }
      double value = std::nan("");
      int32_t result = 1;
      if (library != nullptr) {
        result = library->read(context, field, &value);
      } else {
        uwn_informat_block block{};
        block.text = field.data();
        block.text_length = static_cast<int32_t>(std::min<size_t>(field.size(), INT32_MAX));
        block.width = std::min<int32_t>(block.text_length, 32767);
        block.result = &value;
        result = informat(&block);
      }
      if (options.echo) out() << field << '\t';
      if (result != 0 || std::isnan(value)) {
        out() << ".\n";
        error(std::string(shown) + ":" + std::to_string(number) + ": \"" + std::string(field) +
              "\" not read by " + std::string(name));
        status = kExitUnread;
        continue;
      }
      out().number(value) << '\t';
      switch (kind) {
        case ValueKind::kDate: out() << std::string_view(iso, iso_date(value, iso)); break;
        case ValueKind::kDatetime: out() << std::string_view(iso, iso_datetime(value, iso)); break;
        case ValueKind::kTime: out() << std::string_view(iso, iso_time(value, iso)); break;
        case ValueKind::kNumber: out().number(value); break;
      }
      out() << '\n';
    }
  }
  return status;
}

}  // namespace nldat
