// nldat sniff: what is in a delimited file, found by reading it: the
// dialect, the record count, and for every column its kind, the readers
// that read all of it, the evidence, any ambiguity, and the convert command
// the plan amounts to.
#include <unistd.h>

#include "cli.h"
#include "nlhost/detect.h"
#include "sniff.h"

namespace nldat {

int cmd_sniff(Context &context, const SniffOptions &options) {
  int fd = -1;
  bool owned = false;
  if (!open_input(options.file.c_str(), &fd, &owned)) return kExitUsage;
  const std::string name = options.file == "-" ? "<stdin>" : options.file;
  SampleOptions sampling;
  if (!options.delimiter.empty()) sampling.delimiter = options.delimiter[0];
  if (options.no_header) sampling.header = 0;
  FileSample sample;
  std::string why;
  const bool sampled = sample_file(fd, sampling, &sample, &why);
  if (owned) ::close(fd);
  if (!sampled) {
    error(name + ": " + why);
    return kExitUsage;
  }
  nlhost::Module *module = context.module();
  if (module == nullptr) return kExitUsage;
  nlhost::detect::Detector detector(*context.host(), *module);
  nlhost::detect::Report report = detector.analyze(sample.columns, context.locale_name());
  report.file = options.file;
  report.dialect = sample.dialect;
  out() << (options.json ? nlhost::detect::render_json(report) : nlhost::detect::render_text(report));
  if (sample.invalid_line != 0) {
    error(name + ":" + std::to_string(sample.invalid_line) + ": not UTF-8 text; its fields are not read");
    return kExitUnread;
  }
  return report.any_ambiguous() ? kExitUnread : kExitOk;
}

}  // namespace nldat
