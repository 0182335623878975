// nlhost: a delimited file sampled for the detector: its dialect, its
// record count, and the fields of the first records and of a few stretches
// spread over the rest.  The CLI samples what it has decoded already; the
// Python module samples a file or a text in memory, decoded here.
#ifndef NLHOST_SAMPLE_H
#define NLHOST_SAMPLE_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/detect.h"
#include "nlhost/encoding.h"

namespace nlhost::detect {

struct SampleOptions {
  char delimiter = '\0';  // '\0': guessed from the first record, as convert guesses it
  int header = -1;        // -1: guessed; 0: the first record is data; 1: it names the columns
  int64_t head_records = 10000;
  int spread_stretches = 4;  // of a file that can be sought in
  int64_t stretch_records = 500;
  // false: the records between the head and the stretches are not cut (only
  // their lines counted, for the sampled fields' line numbers), and the
  // record count is -1 unless the head held all: for a plan, which needs no
  // count.  A stretch then begins at the first line after its place.
  bool count_records = true;
};

struct FileSample {
  Dialect dialect;
  std::vector<Column> columns;
  int64_t invalid_line = 0;  // the first sampled line that is not UTF-8; 0 when all are
};

// Samples the records that follow in blocks fed to it, counting all.
class Sampler {
 public:
  explicit Sampler(const SampleOptions &options, int64_t size = -1);
  // Takes the next block of input; false (and *error set) on a record too long.
  bool feed(std::string_view block, std::string *error);
  // Whether every record of the head has come (the stretches aside).
  bool head_full() const { return records_ > options_.head_records; }
  // Makes the sample.  input_ended: what was fed is the whole input; else
  // a record still incomplete is left out, and the record count is -1.
  FileSample finish(bool input_ended = true);

 private:
  bool scan(bool at_end, std::string *error);
  void keep(std::string_view record, int64_t line);
  bool keeping() const;

  SampleOptions options_;
  int64_t size_;              // of the whole input; -1 when not known
  std::string held_;          // input not yet cut into records
  int64_t offset_ = 0;        // of held_'s first byte in the input
  int64_t line_ = 1;          // of the next record
  int64_t records_ = 0;       // every record, the first included
  int stretch_ = 0;           // the next stretch to sample
  int64_t stretch_left_ = 0;  // records still to sample in this stretch
  bool skip(size_t *pos, bool at_end);

  bool started_ = false;
  bool skipped_ = false;  // records passed over without being counted
  bool lone_cr_ = false;  // the lines end in CR alone
  bool bom_ = false;
  bool crlf_ = false;
  char delimiter_ = ',';
  struct Kept {
    std::string text;
    int64_t line;
  };
  std::vector<Kept> kept_;
};

// Samples the UTF-8 text on fd, read to its end; false after *error is set.
bool sample_file(int fd, const SampleOptions &options, FileSample *sample, std::string *error);

// Samples the first records of the UTF-8 text on fd, for an input that can
// be read only once: reads until the head is full or most_bytes are read,
// keeping every byte read in *held for the caller to go on from.  The
// record count is -1 unless the input ended within.
bool sample_head(int fd, const SampleOptions &options, size_t most_bytes, FileSample *sample,
                 std::string *held, std::string *error);

// How the bytes of an input become text: "" by its byte-order mark, else as
// UTF-8 (a line that is not UTF-8 is marked in the sample, its fields not
// read, unless the detector is at least somewhat sure what the input is:
// then the whole sample is taken again as that, and its dialect says it was
// guessed, see name_guessed_encoding); "auto" by the encoding detected from its first bytes, refused when
// the detector cannot tell; else by the ICU converter of that name.
//
// Samples bytes, an input held in memory, and names its encoding in the
// dialect (name_encoding); option is how the caller's user names an
// encoding ("--encoding ", "encoding="), for the advice a text that is not
// UTF-8 gets.  False after *error is set.
bool sample_bytes(std::string_view bytes, std::string_view encoding, std::string_view option,
                  const SampleOptions &options, FileSample *sample, std::string *error);
// The same for the file at path, read block by block.
bool sample_path(const std::string &path, std::string_view encoding, std::string_view option,
                 const SampleOptions &options, FileSample *sample, std::string *error);

// The bytes of an input that tell its encoding.
inline constexpr size_t kEncodingHead = 64 * 1024;

// Names the encoding of sample's input in its dialect, from head (the
// input's first raw bytes) and given (the encoding asked for, as above): a
// name given, a byte-order mark other than UTF-8's, the detector's guess
// for "auto"; for text that is not UTF-8, the detector's guess with the
// option that reads it.  Returns the detector's guess (none for a name
// given).
EncodingGuess name_encoding(std::string_view head, std::string_view given, std::string_view option,
                            FileSample *sample);

// For a sample of the file at path that is not UTF-8 and was given no
// encoding (given empty): samples the file again as guess, name_encoding's,
// when the detector is at least somewhat sure and the file reads as it
// throughout, and names it so ("not UTF-8: read as windows-1252 (41% sure;
// give --encoding windows-1252)", encoding_guessed).  False, the sample as
// it was, otherwise.
bool resample_path_as_guessed(const std::string &path, const EncodingGuess &guess, std::string_view given,
                              std::string_view option, const SampleOptions &options, FileSample *sample);

}  // namespace nlhost::detect

#endif
