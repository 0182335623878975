// nldat format: writes date, datetime and time values by a locale pattern.
#ifndef NLDAT_CMD_FORMAT_H
#define NLDAT_CMD_FORMAT_H

#include <cstdio>
#include <string>
#include <vector>

#include "nlhost/host.h"

namespace nldat {

// Runs "format date|datetime|time PATTERN|@ITEM VALUE..." (args: what follows
// "format") with the loaded module in the host's current locale.  Writes one
// line per value to out and a message per refused value to err.  Exit status:
// 0 every value written, 1 some were not, 2 bad usage.
int run_format(const nlhost::Module &module, const std::vector<std::string> &args, std::FILE *out,
               std::FILE *err);

// The command's --help text.
const char *format_usage();

}  // namespace nldat

#endif
