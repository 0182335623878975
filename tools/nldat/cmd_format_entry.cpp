// nldat format: the dispatch table's entry to run_format (cmd_format.cpp).
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "cmd_format.h"

namespace nldat {

int cmd_format(Context &context, Args args) {
  std::vector<std::string> words(args.begin(), args.end());
  for (const std::string &a : words) {
    if (a == "--help" || a == "-h") {
      out() << format_usage();
      return kExitOk;
    }
  }
  nlhost::Module *module = context.module();
  if (module == nullptr) return kExitUsage;
  out().flush();  // run_format writes through stdio
  const int status = run_format(*module, words, stdout, stderr);
  std::fflush(stdout);
  return status;
}

}  // namespace nldat
