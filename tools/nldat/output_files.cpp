// nldat: checked writes, held standard descriptors, output files that are
// never an input and replace their target only when complete.
#include "output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli.h"
#include "decoded_input.h"
#include "messages.h"

namespace nldat {

namespace {

// The job's first write error, as the message that ends the job; the CLI
// is one job a process.
std::string &first_write_error() {
  static std::string message;
  return message;
}

// Buffered output files write in pieces of this size.
constexpr size_t kFileBuffer = 1 << 16;

// Where -o sends standard output, once redirected.
std::unique_ptr<OutputFile> &redirected() {
  static std::unique_ptr<OutputFile> file;
  return file;
}

}  // namespace

void hold_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int held = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    if (held >= 0 && held != fd) {  // the lower ones are open, so this cannot happen; be sure anyway
      ::dup2(held, fd);
      ::close(held);
    }
  }
}

void note_write_error(int error_number, std::string_view what) {
  std::string message = "write error: ";
  if (!what.empty()) message += shown_name(what) + ": ";
  note_output_failure(message + std::strerror(error_number != 0 ? error_number : EIO));
}

void note_output_failure(std::string message) {
  if (first_write_error().empty()) first_write_error() = std::move(message);
}

bool write_failed() { return !first_write_error().empty(); }

const std::string &write_error_message() { return first_write_error(); }

bool write_fully(int fd, std::string_view text, std::string_view what) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      note_write_error(n < 0 ? errno : ENOSPC, what);
      return false;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool close_checked(int fd, std::string_view what) {
  if (::close(fd) == 0 || errno == EINTR) return true;  // after EINTR the descriptor is closed
  note_write_error(errno, what);
  return false;
}

std::optional<FileId> file_id(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || S_ISCHR(status.st_mode)) return std::nullopt;
  return FileId{status.st_dev, status.st_ino};
}

std::optional<FileId> file_id(const std::string &path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || S_ISCHR(status.st_mode)) return std::nullopt;
  return FileId{status.st_dev, status.st_ino};
}

std::string output_conflict(const std::string &path, const std::vector<std::string> &inputs) {
  if (redirected() != nullptr && redirected()->path() == path)
    return quoted_for_message(path) + " is the output file too";
  const std::optional<FileId> id = file_id(path);
  if (!id) return {};
  if (redirected() != nullptr && file_id(redirected()->path()) == id)
    return quoted_for_message(path) + " is the output file too";
  for (const std::string &input : inputs) {
    const std::optional<FileId> other = input == "-" ? file_id(STDIN_FILENO) : file_id(input);
    if (other && *other == *id)
      return quoted_for_message(path) + " is also an input: it would be overwritten";
  }
  const std::optional<FileId> out = file_id(STDOUT_FILENO);
  if (out && *out == *id) return quoted_for_message(path) + " is standard output too";
  return {};
}

bool redirect_output(const std::string &path, const std::vector<std::string> &inputs, std::string *error) {
  auto file = std::make_unique<OutputFile>();
  if (!file->open(path, OutputFile::Mode::kReplace, inputs, error)) return false;
  if (::dup2(file->fd(), STDOUT_FILENO) < 0) {
    *error = "cannot write " + quoted_for_message(path) + ": " + std::strerror(errno);
    return false;
  }
  redirected() = std::move(file);
  return true;
}

bool start_output(const std::string &path, const std::vector<std::string> &inputs) {
  if (path.empty()) return true;
  std::string why;
  if (redirect_output(path, inputs, &why)) return true;
  error(why);
  return false;
}

int end_job(int status) {
  out().flush();
  finish_output_encoding();
  const bool closed = close_checked(STDOUT_FILENO);
  if (redirected() != nullptr) {
    if (closed && status != kExitUsage) {
      redirected()->commit();
    } else {
      redirected()->abandon();
    }
    redirected().reset();
  }
  if (!finish_decoding()) status = kExitUsage;  // each has said why
  if (write_failed()) {
    error(write_error_message());
    return kExitUsage;
  }
  return status;
}

OutputFile::~OutputFile() { abandon(); }

bool OutputFile::open(const std::string &path, Mode mode, const std::vector<std::string> &inputs,
                      std::string *error) {
  path_ = path;
  *error = output_conflict(path, inputs);
  if (!error->empty()) return false;
  const std::string shown = quoted_for_message(path);
  if (mode == Mode::kDirect) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      *error = "cannot write " + shown + ": " + std::strerror(errno);
      return false;
    }
    return true;
  }
  // Replaced as a whole: only a regular file (or none yet) can be.
  struct stat status {};
  const bool exists = ::stat(path.c_str(), &status) == 0;
  if (exists && !S_ISREG(status.st_mode)) {
    *error = "cannot replace " + shown + ": not a regular file";
    return false;
  }
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temporary = folder + "." + base + ".XXXXXX";
  fd_ = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd_ < 0) {
    *error = "cannot write " + shown + ": " + std::strerror(errno);
    return false;
  }
  temporary_ = std::move(temporary);
  // The mode an existing file has, else what creating it would give.
  mode_t permissions = status.st_mode & 07777;
  if (!exists) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    permissions = 0666 & ~mask;
  }
  ::fchmod(fd_, permissions);
  return true;
}

bool OutputFile::flush() {
  if (failed_) return false;
  if (!buffer_.empty() && !write_fully(fd_, buffer_, path_)) failed_ = true;
  buffer_.clear();
  return !failed_;
}

bool OutputFile::write(std::string_view text) {
  if (failed_ || fd_ < 0) return false;
  if (buffer_.size() + text.size() > kFileBuffer) {
    if (!flush()) return false;
    if (text.size() > kFileBuffer) {
      failed_ = !write_fully(fd_, text, path_);
      return !failed_;
    }
  }
  buffer_ += text;
  return true;
}

bool OutputFile::commit() {
  if (fd_ < 0) return !failed_;
  const bool flushed = flush();
  const int fd = fd_;
  fd_ = -1;
  const bool closed = close_checked(fd, path_);
  if (temporary_.empty()) return flushed && closed;
  if (!flushed || !closed || write_failed()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
    return false;
  }
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
    note_write_error(errno, path_);
    ::unlink(temporary_.c_str());
    temporary_.clear();
    return false;
  }
  temporary_.clear();
  return true;
}

void OutputFile::abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

}  // namespace nldat
