// nlhost: text in other encodings, on ICU's converters.  Everything the host
// reads is UTF-8; a file in another encoding is decoded to UTF-8 block by
// block as it streams in, and what the host writes may be encoded back.
//
// Nothing is ever substituted: a byte sequence the converter cannot map is
// an error with its position, never a replacement character.
#ifndef NLHOST_ENCODING_H
#define NLHOST_ENCODING_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace nlhost {

// Where an encoding guess came from.
enum class EncodingSource {
  kNone,      // nothing to go by: an empty sample, or the detector had no answer
  kBom,       // a byte-order mark at the start of the sample
  kUtf8,      // the sample is well-formed UTF-8 (plain ASCII included)
  kDetector,  // ICU's charset detector, with its confidence
};

// What a sample of text most likely is.
struct EncodingGuess {
  std::string name;  // an ICU converter name ("UTF-8", "UTF-16LE", "windows-1252", "Shift_JIS"); empty: none
  EncodingSource source = EncodingSource::kNone;
  int confidence = 0;     // 0 to 100: the detector's, 100 for a BOM or well-formed UTF-8
  size_t bom_length = 0;  // bytes of the byte-order mark that starts the sample, 0 when none
};

// The encoding of sample, the first bytes of a text (a few KiB suffice; a
// character cut at the sample's end does not count against UTF-8): its BOM
// (UTF-8, UTF-16LE/BE, UTF-32LE/BE) decides; else well-formed UTF-8 is UTF-8;
// else ICU's detector guesses (windows-1252 where it says ISO-8859-1).
EncodingGuess detect_encoding(std::string_view sample);

// Whether a guess is worth acting on: a byte-order mark, well-formed UTF-8,
// or the detector at least this sure (it says 10 of nearly anything short).
inline constexpr int kLikelyConfidence = 20;
inline bool likely_encoding(const EncodingGuess &guess) {
  return guess.source != EncodingSource::kNone &&
         (guess.source != EncodingSource::kDetector || guess.confidence >= kLikelyConfidence);
}

// The byte-order mark that starts text: the encoding it names and its
// length, or nothing.  A UTF-32LE mark is told from a UTF-16LE one.
struct ByteOrderMark {
  const char *name;
  size_t length;
};
std::optional<ByteOrderMark> byte_order_mark(std::string_view text);

// Whether name is UTF-8 by any of ICU's aliases ("utf8", "UTF-8").
bool is_utf8_name(std::string_view name);

// Why text could not be converted, and where.
struct ConversionError {
  uint64_t offset = 0;      // of the first byte not converted, from the start of the whole input
  std::string bytes;        // the input bytes that could not be converted (decoder), at most a few
  char32_t code_point = 0;  // the character that could not be written (encoder)
  std::string reason;       // "no mapping for the bytes", "bytes not valid in the encoding", ...
};

// Decodes a stream in one encoding to UTF-8, block by block: a character
// split across two blocks is held and completed by the next.  A leading
// U+FEFF (the byte-order mark) is dropped.  Not for UTF-8 itself, which the
// caller reads as it is (see is_utf8_name).
class Decoder {
 public:
  // A decoder for any ICU converter name or alias; nothing and *error set
  // when ICU knows no such encoding.
  static std::optional<Decoder> open(std::string_view name, std::string *error);
  Decoder(Decoder &&) noexcept;
  Decoder &operator=(Decoder &&) noexcept;
  ~Decoder();

  // The converter's canonical name ("windows-1252" given as "cp1252").
  const std::string &name() const { return name_; }

  // Appends the UTF-8 of block to *out.  last: no input follows, so a
  // character still incomplete is an error.  False and *error set at the
  // first sequence that cannot be converted; *out then holds the text
  // before it.  After an error the decoder must not be used again.
  bool decode(std::string_view block, bool last, std::string *out, ConversionError *error);

  // Bytes of input taken so far.
  uint64_t consumed() const { return consumed_; }

 private:
  struct State;
  Decoder() = default;
  // Drops a byte-order mark that starts the output (at start of *out).
  void drop_mark(std::string *out, size_t start);
  std::unique_ptr<State> state_;
  std::string name_;
  uint64_t consumed_ = 0;
  bool started_ = false;  // output begun: a U+FEFF is no longer a mark
};

// Encodes UTF-8 text into another encoding, block by block.  For UTF-16 and
// UTF-32 of either byte order the output begins with a byte-order mark (what
// Windows programs go by); UTF-8 output is written as it is and never gets
// one.  A character the encoding cannot hold is an error, never a substitute.
class Encoder {
 public:
  static std::optional<Encoder> open(std::string_view name, std::string *error);
  Encoder(Encoder &&) noexcept;
  Encoder &operator=(Encoder &&) noexcept;
  ~Encoder();

  const std::string &name() const { return name_; }
  // True for UTF-8: encode() copies its input.
  bool passthrough() const { return state_ == nullptr; }

  // Appends the encoding of the UTF-8 text to *out; last: nothing follows.
  // False and *error set (offset into the UTF-8 input, the character) at
  // the first character that cannot be written.
  bool encode(std::string_view utf8, bool last, std::string *out, ConversionError *error);

 private:
  struct State;
  Encoder() = default;
  std::unique_ptr<State> state_;
  std::string name_;
  uint64_t consumed_ = 0;
  bool started_ = false;  // the byte-order mark written
};

}  // namespace nlhost

#endif  // NLHOST_ENCODING_H
