// nldat: reads and writes locale-formatted data through the uwinldat module,
// loaded as a host loads it.  Every command and option is declared here
// once; CLI11 parses them and writes each --help from the same declarations.
#include <CLI/CLI.hpp>
#include <charconv>
#include <string>

#include "cli.h"
#include "decoded_input.h"
#include "environment.h"
#include "output_files.h"

namespace nldat {
namespace {

constexpr const char *kExitText =
    "exit status: 0 every field was read, 1 some fields were not read, 2 bad usage or a job that cannot run";

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
  return r.ec == std::errc() && r.ptr == value.data() + value.size() && column >= 1 ? ""
                                                                                    : "columns count from 1";
}

std::string rule_check(const std::string &value) {
  return value.size() == 1 && std::string_view("UVW").find(value[0]) != std::string_view::npos
             ? ""
             : "the week rule is U, V or W";
}

// --strict (the default) and --lenient, the same two flags on every reading command.
void add_reading_options(CLI::App *command, ReaderChoice *choice) {
  command->add_flag_function(
      "--strict", [choice](int64_t) { choice->lenient = false; },
      "count a field as read only when the value accounts for all of it (the default)");
  command->add_flag("--lenient", choice->lenient,
                    "take whatever the informat reads, even from the start of a longer field");
  command
      ->add_option("--pattern", choice->pattern,
                   "read by this pattern of the module's language (e.g. %d.%m.%Y) instead of the locale's; "
                   "INFORMAT then names the kind: date, datetime or time (or NLDATE, NLDATM)")
      ->type_name("P");
  command
      ->add_option_function<std::string>(
          "--rule", [choice](const std::string &rule) { choice->week_rule = rule[0]; },
          "the week rule of WEEK: U weeks from Sunday, W from Monday, V ISO 8601 (the default)")
      ->check(CLI::Validator(rule_check, ""))
      ->type_name("U|V|W");
}

std::string_view trimmed(const char *field, size_t size) {
  std::string_view text(field, size);
  return text.substr(0, text.find('\0'));
}

int version(Context &context) {
  out() << "nldat " NLDAT_VERSION "\n";
  nlhost::Module *module = context.module();
  if (module == nullptr) return kExitUsage;
  const uwn_image_information *image = module->image();
  out() << "module " << context.module_path() << ": release "
        << trimmed(image->release, sizeof image->release) << ", build "
        << trimmed(image->build_id, sizeof image->build_id) << " of "
        << trimmed(image->build_date, sizeof image->build_date) << '\n';
  return kExitOk;
}

int run(int argc, char **argv) {
  CLI::App app("Loads the uwinldat module as a host does and reads or writes locale-formatted data.",
               "nldat");
  app.fallthrough();  // global options are taken after the command too
  app.require_subcommand(0, 1);
  app.footer(std::string("\"nldat COMMAND --help\" describes a command.\n") + kExitText);

  std::string locale, module;
  bool show_version = false;
  app.add_option(
         "--locale", locale,
         "the locale: an ICU name such as de_DE, de_DE.UTF-8 or de-DE (default: LC_ALL, LC_TIME, LANG, "
         "else en_US)")
      ->type_name("L");
  app.add_option("--module", module, "the module to load (default: the one installed with nldat)")
      ->type_name("PATH");
  app.add_flag("--version", show_version, "nldat's version and the module's release and build");
  std::string input_encoding, output_encoding;
  app.add_option(
         "--encoding", input_encoding,
         "the inputs' encoding: any ICU name or alias (windows-1252, latin1, Shift_JIS, UTF-16LE, GB18030 "
         "...), or auto to take the likeliest (default: UTF-8, or what a byte-order mark says)")
      ->type_name("NAME|auto");
  app.add_option(
         "--output-encoding", output_encoding,
         "write the output in this encoding (UTF-16 and UTF-32 with a byte-order mark); default UTF-8")
      ->type_name("NAME");

  ReadOptions read;
  CLI::App *read_command = app.add_subcommand(
      "read",
      "read fields, one a line or one column of a delimited file; print each value and its ISO 8601 text");
  read_command
      ->add_option("INFORMAT", read.reader.name,
                   "NLDATE NLDATM NLDATEW NLDATMW NLDATMAP (the module's informats), NUMBER MONEY PERCENT "
                   "WEEK (the locale library's readers)")
      ->required();
  read_command->add_option("FILE", read.files, "files to read; none or \"-\": standard input");
  read_command->add_option("--column", read.column, "read column N (1 is the first) of each line")
      ->check(CLI::Validator(column_check, ""))
      ->type_name("N");
  read_command
      ->add_option("--delimiter", read.delimiter, "the column delimiter (default \",\"; \\t or tab: a tab)")
      ->transform(CLI::Validator(delimiter_check, ""))
      ->type_name("C");
  read_command->add_flag("--header", read.header, "skip the first line of each file");
  read_command->add_flag("--echo", read.echo, "print the field itself first");
  read_command->add_option("--threads", read.threads, "read on N threads (default: one per core, at most 8)")
      ->check(CLI::Range(1, 64))
      ->type_name("N");
  add_reading_options(read_command, &read.reader);
  read_command->footer(
      "A field that is not read prints \".\" and is reported on standard error with its line.\n"
      "Lines may end in LF, CR LF or CR alone.\n" +
      std::string(kExitText));

  ConvertOptions convert;
  CLI::App *convert_command = app.add_subcommand(
      "convert", "convert columns of a delimited file to ISO 8601 text or plain values, keeping the rest");
  convert_command->add_option("FILE", convert.file, "the file to convert (default: standard input)");
  convert_command
      ->add_option("--column", convert.columns,
                   "convert the column named NAME in the header (or number N, 1 is the first) by INFORMAT: "
                   "NLDATE NLDATM NLDATEW NLDATMW NLDATMAP NUMBER MONEY PERCENT WEEK, or date:P, datetime:P, "
                   "time:P for a pattern P; repeat for more columns")
      ->type_name("NAME|N=INFORMAT")
      ->allow_extra_args(false)
      ->required();
  convert_command
      ->add_option(
          "--delimiter", convert.delimiter,
          "the field delimiter, one byte (default: the most frequent of , ; tab | in the header line)")
      ->transform(CLI::Validator(delimiter_check, ""))
      ->type_name("C");
  convert_command->add_option("--output", convert.output, "what a converted field becomes")
      ->check(CLI::IsMember({"iso", "value", "both"}))
      ->type_name("iso|value|both");
  convert_command->add_flag("--keep", convert.keep,
                            "keep a field that is not read as it was (default: empty it)");
  convert_command->add_flag("--no-header", convert.no_header,
                            "the first line is data: name columns by number");
  convert_command
      ->add_option("--rejects", convert.rejects, "write the fields not read to FILE: line, column, field")
      ->type_name("FILE");
  convert_command
      ->add_option("--threads", convert.threads,
                   "convert on N threads (default: one per core, at most 8); the output is the same")
      ->check(CLI::Range(1, 64))
      ->type_name("N");
  add_reading_options(convert_command, &convert.reader);
  convert_command->footer(
      "Dates become YYYY-MM-DD, datetimes YYYY-MM-DDTHH:MM:SS, numbers and amounts plain C numbers "
      "(-1234.56).\n"
      "An empty field stays empty; a field that is not read is left empty (or kept with --keep) and "
      "counted.\n"
      "Standard error gets one line per converted column: read, empty, not read.\n" +
      std::string(kExitText));

  CLI::App *patterns_command = app.add_subcommand(
      "patterns", "list the locale's date, time and number items with their patterns and an example of each");

  FormatOptions format;
  CLI::App *format_command =
      app.add_subcommand("format", "write date, datetime or time values by a pattern or a locale item");
  format_command->add_option("KIND", format.kind, "date, datetime or time")
      ->required()
      ->check(CLI::IsMember({"date", "datetime", "time"}));
  format_command
      ->add_option("PATTERN", format.pattern,
                   "a pattern (e.g. \"%d.%m.%Y\"), or @ITEM for a locale item (e.g. @28)")
      ->required();
  format_command->add_option("VALUE", format.values,
                             "a value in its own unit (days, seconds) or ISO 8601 text: 2010-03-05, "
                             "2010-03-05T13:45:30, 13:45:30; none: one a line from --input");
  format_command
      ->add_option("--input", format.input, "read the values from this file (default: standard input)")
      ->type_name("FILE");

  WeekOptions week;
  CLI::App *week_command =
      app.add_subcommand("week", "write dates as week dates under the week rule U, V or W");
  week_command
      ->add_option_function<std::string>(
          "RULE", [&week](const std::string &rule) { week.rule = rule[0]; },
          "U weeks begin on Sunday, W on Monday, V ISO 8601 weeks and week-based year")
      ->required()
      ->check(CLI::Validator(rule_check, ""))
      ->type_name("U|V|W");
  week_command->add_option(
      "DATE", week.dates,
      "YYYY-MM-DD or a date value (days since 1960-01-01); none: one a line from --input");
  week_command
      ->add_option(
          "--width", week.width,
          "the field width, which chooses the form: 3-4 Www, 5-6 yyWww, 7-8 yyWwwdd, 9-10 yyyyWwwdd, "
          "11 or more yyyy-Www-dd (the default)")
      ->check(CLI::Range(1, 64))
      ->type_name("N");
  week_command->add_option("--input", week.input, "read the dates from this file (default: standard input)")
      ->type_name("FILE");

  CLI::App *info_command =
      app.add_subcommand("info", "show the module's image record, entry list and informat table");
  CLI::App *locales_command = app.add_subcommand("locales", "list the locales the host can load");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp &) {
    out() << app.help();
    return kExitOk;
  } catch (const CLI::CallForAllHelp &) {
    out() << app.help("", CLI::AppFormatMode::All);
    return kExitOk;
  } catch (const CLI::ParseError &e) {
    error(std::string(e.what()) + " (nldat --help)");
    return kExitUsage;
  }

  std::string why;
  if (!set_input_encoding(input_encoding, &why) ||
      (!output_encoding.empty() && !set_output_encoding(output_encoding, &why))) {
    error(why + " (ICU's names and aliases: windows-1252, latin1, Shift_JIS, UTF-16LE, ...)");
    return kExitUsage;
  }
  const std::optional<std::string> locale_name = choose_locale(locale, &why);
  if (!locale_name) {
    error(why);
    return kExitUsage;
  }
  Context context(*locale_name, module.empty() ? default_module_path() : module);
  if (show_version) return version(context);
  if (read_command->parsed()) return cmd_read(context, read);
  if (convert_command->parsed()) return cmd_convert(context, convert);
  if (patterns_command->parsed()) return cmd_patterns(context);
  if (format_command->parsed()) return cmd_format(context, format);
  if (week_command->parsed()) return cmd_week(context, week);
  if (info_command->parsed()) return cmd_info(context);
  if (locales_command->parsed()) return cmd_locales(context);
  error("no command given (nldat --help lists the commands)");
  return kExitUsage;
}

}  // namespace
}  // namespace nldat

int main(int argc, char **argv) {
  nldat::hold_standard_descriptors();  // before any file is opened
  return nldat::end_job(nldat::run(argc, argv));
}
