// The encodings: arbitrary bytes decoded from one of a dozen encodings in
// blocks of an arbitrary size must give what decoding them whole gives, the
// same text before the same stop; what decodes wholly, encoded back and
// decoded again, is the same text; detection takes any sample.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "nlhost/encoding.h"

namespace {

constexpr const char *kEncodings[] = {
    "windows-1252", "ISO-8859-15", "windows-1253", "Shift_JIS", "CP932",  "EUC-JP",   "GB18030",
    "Big5",         "EUC-KR",      "UTF-16LE",     "UTF-16BE",  "UTF-16", "UTF-32LE", "UTF-8",
};

struct Decoded {
  std::string text;
  bool ok;
  nlhost::ConversionError error;
};

Decoded decode(const char *encoding, const std::string &bytes, size_t block) {
  std::string why;
  std::optional<nlhost::Decoder> decoder = nlhost::Decoder::open(encoding, &why);
  if (!decoder) std::abort();
  Decoded d{{}, true, {}};
  size_t at = 0;
  do {
    const size_t n = std::min(block, bytes.size() - at);
    const bool last = at + n == bytes.size();
    d.ok = decoder->decode(std::string_view(bytes).substr(at, n), last, &d.text, &d.error);
    at += n;
    if (!d.ok || last) break;
  } while (true);
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  const char *encoding = kEncodings[in.ConsumeIntegralInRange<size_t>(0, std::size(kEncodings) - 1)];
  const size_t block = in.ConsumeIntegralInRange<size_t>(1, 64);
  const std::string bytes = in.ConsumeRemainingBytesAsString();

  const Decoded whole = decode(encoding, bytes, bytes.size() + 1);
  const Decoded cut = decode(encoding, bytes, block);
  if (whole.ok != cut.ok || whole.text != cut.text) std::abort();
  if (!whole.ok && (whole.error.offset != cut.error.offset || whole.error.offset > bytes.size()))
    std::abort();

  if (whole.ok) {
    std::string why;
    std::optional<nlhost::Encoder> encoder = nlhost::Encoder::open(encoding, &why);
    if (!encoder) std::abort();
    std::string encoded;
    nlhost::ConversionError error;
    // Every character read from the encoding can be written to it again,
    // but for the few one encoding reads two ways (then the stop is fine).
    if (encoder->encode(whole.text, true, &encoded, &error)) {
      // The mark the encoder may put first is dropped by the decoder.
      if (!decode(encoding, encoded, block).ok) std::abort();
    } else if (error.offset > whole.text.size()) {
      std::abort();
    }
  }
  (void)nlhost::detect_encoding(bytes);
  return 0;
}
