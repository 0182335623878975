// nldat: reads and writes locale-formatted data through the uwinldat module,
// loaded as a host loads it.
//
//   nldat [--locale L] [--module PATH] COMMAND [ARGS...]
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "cli.h"

namespace nldat {
namespace {

struct Command {
  const char *name;
  const char *summary;
  CommandFn run;
};

// One line per command; each lives in its own cmd_<name>.cpp.
constexpr Command kCommands[] = {
    {"read", "read fields through an informat; print each value and its ISO 8601 text", cmd_read},
    {"format", "write date, datetime or time values by a locale pattern or item", cmd_format},
    {"week", "write dates as week dates under the week rule U, V or W", cmd_week},
    {"info", "show the module's image record, entry list and informat table", cmd_info},
    {"locales", "list the locales the host can load", cmd_locales},
};

void usage() {
  out() << "usage: nldat [--locale L] [--module PATH] COMMAND [ARGS...]\n"
           "\n"
           "Loads the uwinldat module as a host does and reads or writes locale-formatted data.\n"
           "\n"
           "options:\n"
           "  --locale L     the locale (an ICU name such as de_DE or ja_JP; default "
        << kDefaultLocale
        << ")\n"
           "  --module PATH  the module to load (default: uwinldat.so next to nldat)\n"
           "  --help         this text\n"
           "  --version      nldat's version and the module's release and build\n"
           "\n"
           "commands:\n";
  for (const Command &c : kCommands) {
    out() << "  " << c.name;
    for (size_t n = std::strlen(c.name); n < 12; ++n) out() << ' ';
    out() << c.summary << '\n';
  }
  out() << "\n\"nldat COMMAND --help\" describes a command.\n";
}

// The directory of the running program, for the default module path.
std::string own_directory() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  const std::string_view full(path, static_cast<size_t>(n));
  const size_t slash = full.rfind('/');
  return slash == std::string_view::npos ? "." : std::string(full.substr(0, slash));
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
  const Args args(argv + 1, static_cast<size_t>(argc > 0 ? argc - 1 : 0));
  std::string locale = kDefaultLocale;
  std::string module = own_directory() + "/uwinldat.so";
  bool show_version = false;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    std::string_view value;
    bool missing = false;
    if (arg == "--help" || arg == "-h") {
      usage();
      return kExitOk;
    } else if (arg == "--version") {
      show_version = true;
    } else if (option_value(args, &i, "--locale", &value, &missing)) {
      if (missing) return error("--locale needs a locale name"), kExitUsage;
      locale = value;
    } else if (option_value(args, &i, "--module", &value, &missing)) {
      if (missing) return error("--module needs a path"), kExitUsage;
      module = value;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error("unknown option " + std::string(arg) + " (nldat --help lists the options)");
      return kExitUsage;
    } else {
      break;
    }
  }
  Context context(locale, module);
  if (show_version) return version(context);
  if (i == args.size()) {
    error("no command given (nldat --help lists the commands)");
    return kExitUsage;
  }
  const std::string_view name = args[i];
  for (const Command &c : kCommands) {
    if (name == c.name) return c.run(context, args.subspan(i + 1));
  }
  error("unknown command " + std::string(name) + " (nldat --help lists the commands)");
  return kExitUsage;
}

}  // namespace
}  // namespace nldat

int main(int argc, char **argv) {
  const int status = nldat::run(argc, argv);
  nldat::out().flush();
  return status;
}
