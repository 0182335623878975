// nldat: inputs decoded to UTF-8 by a thread each, through a pipe.
#include "decoded_input.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "messages.h"
#include "nlhost/encoding.h"

namespace nldat {

namespace {

// Raw bytes read at a time.
constexpr size_t kBlock = 1 << 20;
// The bytes detection looks at.
constexpr size_t kSample = 64 * 1024;
// Decoded text held back while no line end comes: past this the record is
// too long for any command, which refuses it itself.
constexpr size_t kLongestHeld = (size_t{64} << 20) + 1;
// The pipe's size: a few blocks in flight between the thread and the reader.
constexpr int kPipeSize = 1 << 20;

std::string &encoding_name() {
  static std::string name;
  return name;
}

struct Decoding {
  std::thread thread;
  bool failed = false;
};
std::vector<std::unique_ptr<Decoding>> &decodings() {
  static std::vector<std::unique_ptr<Decoding>> all;
  return all;
}

// A line on standard error from any thread: one write, not interleaved.
void say(const std::string &message) {
  const std::string line = "nldat: " + message + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

// The first bytes of fd without taking them: from a regular file only.
std::optional<std::string> peek(int fd, size_t size) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  const off_t at = ::lseek(fd, 0, SEEK_CUR);
  if (at < 0) return std::nullopt;
  std::string sample(size, '\0');
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, sample.data() + got, size - got, at + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  sample.resize(got);
  return sample;
}

// Reads up to size bytes (fewer only at the end of the input).
bool read_some(int fd, std::string *to, size_t size, const std::string &name) {
  const size_t start = to->size();
  to->resize(start + size);
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, to->data() + start + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      say(shown_name(name) + ": " + std::strerror(errno));
      to->resize(start + got);
      return false;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  to->resize(start + got);
  return true;
}

// Writes to the pipe; false when the reader has gone (nothing to report:
// the command stopped reading on purpose).
bool hand_on(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string hex_bytes(std::string_view bytes) {
  std::string text;
  char hex[8];
  for (const char c : bytes.substr(0, 8)) {
    std::snprintf(hex, sizeof hex, "%s0x%02X", text.empty() ? "" : " ", static_cast<unsigned char>(c));
    text += hex;
  }
  return text;
}

// The encoding --encoding auto takes for a text that begins with sample,
// said on standard error; empty, after saying why, when the detector cannot
// tell (a wrong guess would pass on text that is not what the file says).
std::string auto_encoding(std::string_view sample, const std::string &name) {
  const nlhost::EncodingGuess guess = nlhost::detect_encoding(sample);
  if (guess.source == nlhost::EncodingSource::kNone) return "UTF-8";  // nothing to read
  if (!likely_encoding(guess)) {
    say(shown_name(name) + ": cannot tell its encoding (" + guess.name + " at " +
        std::to_string(guess.confidence) + "% at most): give --encoding NAME");
    return {};
  }
  std::string how = guess.source == nlhost::EncodingSource::kBom ? "its byte-order mark"
                    : guess.source == nlhost::EncodingSource::kUtf8
                        ? "well-formed UTF-8"
                        : std::to_string(guess.confidence) + "% sure";
  say(shown_name(name) + ": read as " + guess.name + " (" + how + ")");
  return guess.name;
}

// What a decoding thread is given.
struct Job {
  int fd;
  bool owned;
  int pipe;
  std::string name;
  std::string encoding;  // "auto": detect from the first bytes; "UTF-8": copy
  std::string taken;     // bytes already read from fd, to go first
};

// The thread: fd's text, decoded, into the pipe.
void decode_into_pipe(Job job, Decoding *decoding) {
  // A reader that stops early closes the pipe: that is an EPIPE for this
  // thread, not a signal that ends the process.
  sigset_t pipe_signal;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
  std::string raw = std::move(job.taken);
  bool at_end = false;
  if (job.encoding == "auto") {
    if (raw.size() < kSample && !read_some(job.fd, &raw, kSample - raw.size(), job.name))
      decoding->failed = true;
    at_end = raw.size() < kSample;
    job.encoding = auto_encoding(raw, job.name);
    if (job.encoding.empty()) decoding->failed = true;
  }
  std::optional<nlhost::Decoder> decoder;
  if (!nlhost::is_utf8_name(job.encoding)) {
    std::string error;
    decoder = nlhost::Decoder::open(job.encoding, &error);
    if (!decoder) {
      say(shown_name(job.name) + ": " + error);
      decoding->failed = true;
    }
  }
  std::string held;   // decoded text after the last line end handed on
  int64_t lines = 0;  // line ends handed on
  bool reader_gone = false;
  while (!decoding->failed && !reader_gone) {
    if (raw.empty() && !at_end) {
      if (!read_some(job.fd, &raw, kBlock, job.name)) {
        decoding->failed = true;
        break;
      }
      at_end = raw.size() < kBlock;
    }
    if (!decoder) {  // UTF-8 already: as it is
      reader_gone = !hand_on(job.pipe, raw);
      raw.clear();
      if (at_end) break;
      continue;
    }
    nlhost::ConversionError error;
    const bool decoded = decoder->decode(raw, at_end, &held, &error);
    raw.clear();
    // Whole lines go on; the partial one waits for its end.
    const size_t cut = held.size() > kLongestHeld || (decoded && at_end) ? held.size() : held.rfind('\n') + 1;
    if (cut != 0) {
      lines += std::count(held.data(), held.data() + cut, '\n');
      reader_gone = !hand_on(job.pipe, std::string_view(held).substr(0, cut));
      held.erase(0, cut);
    }
    if (!decoded) {
      say(shown_name(job.name) + ":" + std::to_string(lines + 1) + ": byte offset " +
          std::to_string(error.offset) + ": " + hex_bytes(error.bytes) + " cannot be read as " +
          job.encoding + " (" + error.reason + ")");
      decoding->failed = true;
    }
    if (at_end) break;
  }
  ::close(job.pipe);
  if (job.owned) ::close(job.fd);
}

}  // namespace

bool set_input_encoding(const std::string &name, std::string *error) {
  if (!name.empty() && name != "auto" && !nlhost::Decoder::open(name, error)) return false;
  encoding_name() = name;
  return true;
}

const std::string &input_encoding() { return encoding_name(); }

int decoded_input(int fd, bool *owned, const std::string &name) {
  Job job{fd, *owned, -1, name, encoding_name(), {}};
  if (job.encoding.empty() || job.encoding == "auto") {
    // A regular file tells its encoding without a thread when it is UTF-8.
    std::optional<std::string> sample = peek(fd, job.encoding.empty() ? 4 : kSample);
    if (sample) {
      const std::optional<nlhost::ByteOrderMark> bom = nlhost::byte_order_mark(*sample);
      if (job.encoding == "auto") {
        job.encoding = auto_encoding(*sample, name);
        if (job.encoding.empty()) return -1;
      } else {
        job.encoding = bom ? bom->name : "UTF-8";
      }
      if (nlhost::is_utf8_name(job.encoding)) return fd;
    } else if (job.encoding.empty()) {
      // A pipe: its first bytes are taken to look for a mark, and handed on.
      if (!read_some(fd, &job.taken, 4, name)) return -1;
      const std::optional<nlhost::ByteOrderMark> bom = nlhost::byte_order_mark(job.taken);
      job.encoding = bom ? bom->name : "UTF-8";
    }
  }
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    say(shown_name(name) + ": cannot decode: " + std::strerror(errno));
    return -1;
  }
  ::fcntl(ends[1], F_SETPIPE_SZ, kPipeSize);
  job.pipe = ends[1];
  auto decoding = std::make_unique<Decoding>();
  decoding->thread = std::thread(decode_into_pipe, std::move(job), decoding.get());
  decodings().push_back(std::move(decoding));
  *owned = true;
  return ends[0];
}

bool finish_decoding() {
  bool all = true;
  for (std::unique_ptr<Decoding> &decoding : decodings()) {
    if (decoding->thread.joinable()) decoding->thread.join();
    all = all && !decoding->failed;
  }
  decodings().clear();
  return all;
}

}  // namespace nldat
