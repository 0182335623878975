// nldat: outputs that lose nothing silently.  Every write and close of
// standard output and of every file the job writes is checked; the first
// failure ends the job with "write error" and exit status 2.  A file the job
// writes can never be one of its inputs or its standard output, and a file
// named by -o is replaced only when the whole job was written.
#ifndef NLDAT_OUTPUT_FILES_H
#define NLDAT_OUTPUT_FILES_H

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nldat {

// Opens /dev/null on whichever of descriptors 0, 1 and 2 is closed, so that
// no file the job opens takes its place.  The other way round from how they
// are used (read-only for 1 and 2, write-only for 0), so that a closed
// standard output still fails to be written, as a closed one would.
void hold_standard_descriptors();

// The first write error of the job: errno and what was being written
// ("" for standard output).  Later ones are not kept: the first explains.
void note_write_error(int error_number, std::string_view what = {});
// Any other failure to write what the job made (a character the output
// encoding lacks), as the whole message.
void note_output_failure(std::string message);
bool write_failed();
// "write error: No space left on device", or with the file's name before
// the reason for a file other than standard output.
const std::string &write_error_message();

// Standard output encoded in name (--output-encoding) rather than UTF-8;
// false and *error set when ICU knows no such encoding.  A character the
// encoding lacks stops the output with its line.
bool set_output_encoding(const std::string &name, std::string *error);
// Writes what the output encoding still holds (end of output).
void finish_output_encoding();

// Sends standard output to path (-o): to a temporary file beside it, renamed
// over it by end_job() when the job ended with every byte written.  False
// and *error set when path is an input or cannot be written.
bool redirect_output(const std::string &path, const std::vector<std::string> &inputs, std::string *error);
// redirect_output() for a command's -o: true for an empty path (standard
// output stays), false after saying why the file cannot be the output.
bool start_output(const std::string &path, const std::vector<std::string> &inputs);

// Ends the job: writes what is buffered, closes standard output, puts the
// -o file in place (or leaves the old one), waits for the input decoders.
// Returns status, or exit status 2 after saying why when a write failed or
// an input could not be decoded.
int end_job(int status);

// Writes all of text to fd, again after a short write or an interrupt.
// False, and the error noted, when the descriptor refuses.
bool write_fully(int fd, std::string_view text, std::string_view what = {});

// Closes fd; false, and the error noted, when the close reports one (a file
// system may report a failed write only then).
bool close_checked(int fd, std::string_view what = {});

// A file's device and inode.
struct FileId {
  dev_t device;
  ino_t inode;
  bool operator==(const FileId &other) const { return device == other.device && inode == other.inode; }
};
// What fd is, or nothing for a terminal or another character device (which
// are shared on purpose: /dev/null, /dev/tty) or when it is not open.
std::optional<FileId> file_id(int fd);
std::optional<FileId> file_id(const std::string &path);

// Why output path must not be written: empty when it may.  It may not be the
// same file as one of inputs ("-" is standard input), as standard output or
// as the -o file.
std::string output_conflict(const std::string &path, const std::vector<std::string> &inputs);

// A file the job writes.  Opened before anything goes to standard output, so
// that a file that cannot be made stops the job before it has begun.
class OutputFile {
 public:
  enum class Mode {
    kDirect,   // written in place (a rejects file)
    kReplace,  // written to a temporary file beside it, renamed over it by commit()
  };
  OutputFile() = default;
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;
  // Not committed: a temporary file is removed, the file named stays as it was.
  ~OutputFile();

  // False and *error set when path conflicts with the inputs or standard
  // output, or cannot be created.
  bool open(const std::string &path, Mode mode, const std::vector<std::string> &inputs, std::string *error);
  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string &path() const { return path_; }

  // Buffered; false once a write has failed (noted).
  bool write(std::string_view text);
  // Writes what is buffered, closes, and for kReplace renames the temporary
  // file over the path; false (noted) on any failure.  Only when no write of
  // the job has failed: else the temporary file is removed.
  bool commit();
  // Closes and removes a temporary file without renaming it.
  void abandon();

 private:
  bool flush();
  std::string path_, temporary_;
  int fd_ = -1;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace nldat

#endif
