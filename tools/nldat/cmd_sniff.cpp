// nldat sniff: what is in a delimited file, found by reading it: the
// dialect, the record count, and for every column its kind, the readers
// that read all of it, the evidence, any ambiguity, and the convert command
// the plan amounts to.
#include <fcntl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <memory>

#include "cli.h"
#include "decoded_input.h"
#include "messages.h"
#include "nlhost/detect.h"

namespace nldat {
namespace {

// The most of an input read once that is held for its sample.
constexpr size_t kHeldSample = size_t{8} << 20;

struct SniffOptions {
  std::string file = "-";
  bool json = false;
  std::string delimiter;  // empty: guessed from the first record
  bool no_header = false;
};

int cmd_sniff(Context &context, const SniffOptions &options) {
  std::optional<SniffedFile> sniffed =
      sniff_file(context, options.file, options.delimiter, options.no_header);
  if (!sniffed) return kExitUsage;
  const nlhost::detect::Report &report = sniffed->report;
  const nlhost::detect::FileSample &sample = sniffed->sample;
  const std::string name = options.file == "-" ? "<stdin>" : options.file;
  out() << (options.json ? nlhost::detect::render_json(report) : nlhost::detect::render_text(report));
  if (report.dialect.encoding_guessed) {
    const std::string &guess = report.dialect.encoding_option;
    error(shown_name(name) + ": not UTF-8 text; read as " + guess + " by a guess: give --encoding " + guess +
          " to read it so");
    return kExitUnread;
  }
  if (sample.invalid_line != 0) {
    const std::string &named = report.dialect.encoding;  // with the detector's guess, where it has one
    const std::string guess = named.compare(0, 11, "not UTF-8 (") == 0 ? " " + named.substr(10) : "";
    error(shown_name(name) + ":" + std::to_string(sample.invalid_line) +
          ": not UTF-8 text; its fields are not read" + guess);
    return kExitUnread;
  }
  return report.any_ambiguous() ? kExitUnread : kExitOk;
}

// A file's first bytes, which tell its encoding: the sample is read decoded
// (by its byte-order mark or --encoding), so it cannot tell by itself.
std::string raw_head(const std::string &file) {
  if (file == "-") return {};
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string head(nlhost::detect::kEncodingHead, '\0');
  ssize_t n;
  do {
    n = ::pread(fd, head.data(), head.size(), 0);
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  head.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return head;
}

}  // namespace

std::optional<SniffedFile> sniff_file(Context &context, const std::string &file, const std::string &delimiter,
                                      bool no_header, bool count_records, int fd, std::string *held) {
  bool owned = false;
  if (held == nullptr && !open_input(file.c_str(), &fd, &owned)) return std::nullopt;
  nlhost::detect::SampleOptions sampling;
  if (!delimiter.empty()) sampling.delimiter = delimiter[0];
  if (no_header) sampling.header = 0;
  sampling.count_records = count_records;
  SniffedFile sniffed;
  std::string why;
  const bool sampled =
      held != nullptr ? nlhost::detect::sample_head(fd, sampling, kHeldSample, &sniffed.sample, held, &why)
                      : nlhost::detect::sample_file(fd, sampling, &sniffed.sample, &why);
  if (owned) ::close(fd);
  if (!sampled) {
    error(shown_name(file == "-" ? std::string("<stdin>") : file) + ": " + why);
    return std::nullopt;
  }
  const nlhost::EncodingGuess guess =
      nlhost::detect::name_encoding(raw_head(file), input_encoding(), "--encoding ", &sniffed.sample);
  // A file that is not UTF-8 is sampled again as the encoding it most likely
  // is, so that its names and words are what the file says and the plan's
  // command names its columns as --encoding will read them.  The report says
  // that the encoding is a guess; nothing is converted by it unless asked.
  if (held == nullptr && file != "-")
    nlhost::detect::resample_path_as_guessed(file, guess, input_encoding(), "--encoding ", sampling,
                                             &sniffed.sample);
  nlhost::Module *module = context.module();
  if (module == nullptr) return std::nullopt;
  sniffed.detector = std::make_unique<nlhost::detect::Detector>(*context.host(), *module);
  sniffed.report = sniffed.detector->analyze(sniffed.sample.columns, context.locale_name());
  sniffed.report.file = file;
  sniffed.report.dialect = sniffed.sample.dialect;
  return sniffed;
}

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
