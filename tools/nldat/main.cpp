// nldat: reads and writes locale-formatted data through the uwinldat module,
// loaded as a host loads it.  The global options are declared here and each
// command's beside it (NLDAT_COMMANDS); CLI11 parses them and writes each
// --help from the same declarations.
#include <CLI/CLI.hpp>
#include <string>

#include "cli.h"
#include "decoded_input.h"
#include "environment.h"
#include "messages.h"
#include "output_files.h"

namespace nldat {
namespace {

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
         "the locale of every reader: an ICU name such as de_DE, de_DE.UTF-8 or de-DE (default: LC_ALL, "
         "then LC_TIME for dates, LC_NUMERIC for numbers, LC_MONETARY for money, then LANG, else en_US)")
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

#define NLDAT_ADD_COMMAND(name) add_##name(app),
  const Command commands[] = {NLDAT_COMMANDS(NLDAT_ADD_COMMAND)};
#undef NLDAT_ADD_COMMAND

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp &) {
    out() << app.help();
    return kExitOk;
  } catch (const CLI::CallForAllHelp &) {
    out() << app.help("", CLI::AppFormatMode::All);
    return kExitOk;
  } catch (const CLI::ParseError &e) {
    // The parser's message quotes the words it refused: shown like any
    // text a user gave, escaped and cut.
    error(escaped_for_message(e.what(), 4 * kShownFieldBytes) + " (nldat --help)");
    return kExitUsage;
  }

  std::string why;
  const bool input_known = set_input_encoding(input_encoding, &why);
  if (!input_known || (!output_encoding.empty() && !set_output_encoding(output_encoding, &why))) {
    // The name as given, escaped and cut (the host's message hides a name it
    // cannot print).
    error("no encoding named " + quoted_for_message(input_known ? output_encoding : input_encoding) +
          " (ICU's names and aliases: windows-1252, latin1, Shift_JIS, UTF-16LE, ...)");
    return kExitUsage;
  }
  JobLocales locales;
  if (!choose_locales(locale, &locales, &why)) {
    error(why);
    return kExitUsage;
  }
  Context context(std::move(locales), module.empty() ? default_module_path() : module);
  if (show_version) return version(context);
  for (const Command &command : commands) {
    if (command.app->parsed()) return command.run(context);
  }
  error("no command given (nldat --help lists the commands)");
  return kExitUsage;
}

}  // namespace
}  // namespace nldat

int main(int argc, char **argv) {
  nldat::hold_standard_descriptors();  // before any file is opened
  return nldat::end_job(nldat::run(argc, argv));
}
