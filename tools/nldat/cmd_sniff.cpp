// nldat sniff: what is in a delimited file, found by reading it: the
// dialect, the record count, and for every column its kind, the readers
// that read all of it, the evidence, any ambiguity, and the convert command
// the plan amounts to.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <memory>

#include "cli.h"
#include "nlhost/detect.h"
#include "sniff.h"

namespace nldat {
namespace {

struct SniffOptions {
  std::string file = "-";
  bool json = false;
  std::string delimiter;  // empty: guessed from the first record
  bool no_header = false;
};

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

}  // namespace

Command add_sniff(CLI::App &app) {
  auto options = std::make_shared<SniffOptions>();
  SniffOptions &sniff = *options;
  CLI::App *command = app.add_subcommand(
      "sniff",
      "tell what a delimited file holds: its dialect and, for every column, its kind, the readers and "
      "locales "
      "that read all of it, the evidence, any ambiguity, and the convert command that reads it");
  command->add_option("FILE", sniff.file, "the file to look at (default: standard input)");
  command->add_flag("--json", sniff.json, "write the report as JSON");
  command
      ->add_option(
          "--delimiter", sniff.delimiter,
          "the field delimiter, one byte (default: the most frequent of , ; tab | in the first line)")
      ->transform(delimiter_validator())
      ->type_name("C");
  command->add_flag("--no-header", sniff.no_header, "the first line is data (default: guessed)");
  command->footer(
      "The locale of --locale or the environment is a preference among locales that read a column alike, "
      "never a reason to read it otherwise.\n"
      "exit status: 0 every column is settled, 1 some column is ambiguous or the file is not UTF-8 text, 2 "
      "bad "
      "usage or a file that cannot be read");
  return {command, [options](Context &context) { return cmd_sniff(context, *options); }};
}

}  // namespace nldat
