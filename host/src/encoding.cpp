// nlhost: detection, decoding to UTF-8 and encoding from it, on ICU's
// converters (ucnv) and charset detector (ucsdet).
#include "nlhost/encoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <algorithm>
#include <cstring>

#include "nlhost/utf8.h"

namespace nlhost {

namespace {

// UChars converted at a time between the two converters of a conversion.
constexpr size_t kPivotSize = 1024;

// The detector reads this much of a sample at most: its answer settles long
// before, and its cost grows with the text.
constexpr size_t kDetectorSample = 64 * 1024;

struct ConverterDeleter {
  void operator()(UConverter *c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterDeleter>;

// The converter for name, set to stop at anything it cannot convert.
ConverterPtr open_converter(std::string_view name, std::string *error) {
  // Converter names are short printable ASCII; ICU would match others loosely.
  const bool printable = std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 0x7F; });
  if (name.empty() || name.size() > 64 || !printable) {
    *error = "no encoding named \"" + std::string(printable ? name.substr(0, 64) : "?") + "\"";
    return nullptr;
  }
  const std::string terminated(name);
  UErrorCode status = U_ZERO_ERROR;
  ConverterPtr converter(ucnv_open(terminated.c_str(), &status));
  if (U_FAILURE(status) || converter == nullptr) {
    *error = "no encoding named \"" + terminated + "\"";
    return nullptr;
  }
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) {
    *error = std::string("cannot use the encoding ") + terminated + ": " + u_errorName(status);
    return nullptr;
  }
  return converter;
}

std::string canonical_name(UConverter *converter) {
  UErrorCode status = U_ZERO_ERROR;
  const char *name = ucnv_getName(converter, &status);
  return U_SUCCESS(status) && name != nullptr ? std::string(name) : std::string();
}

const char *reason_of(UErrorCode status) {
  switch (status) {
    case U_INVALID_CHAR_FOUND: return "no mapping for the bytes";
    case U_ILLEGAL_CHAR_FOUND: return "bytes not valid in the encoding";
    case U_TRUNCATED_CHAR_FOUND: return "a character cut short at the end";
    default: return u_errorName(status);
  }
}

// The bytes of UTF-8 that UChars of UTF-16 take.
uint64_t utf8_length(const UChar *begin, const UChar *end) {
  uint64_t n = 0;
  for (const UChar *u = begin; u < end; ++u) {
    n += *u < 0x80 ? 1 : *u < 0x800 ? 2 : (*u >= 0xD800 && *u <= 0xDFFF) ? 2 : 3;
  }
  return n;
}

// Whether text is well-formed UTF-8 but for a character its end cuts short.
bool utf8_but_cut(std::string_view text) {
  for (size_t i = ascii_prefix(text); i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t length = utf8_sequence_length(text, i);
    if (length != 0) {
      i += length;
      continue;
    }
    // Cut short: the lead of a longer sequence, then only continuation bytes up to the end.
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t wanted = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (wanted == 0 || text.size() - i >= wanted) return false;
    for (size_t k = i + 1; k < text.size(); ++k) {
      if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) return false;
    }
    return true;
  }
  return true;
}

struct Bom {
  std::string_view bytes;
  const char *name;
};
// Longest first: a UTF-32LE mark begins with the UTF-16LE one.
constexpr Bom kBoms[] = {
    {std::string_view("\xFF\xFE\0\0", 4), "UTF-32LE"},
    {std::string_view("\0\0\xFE\xFF", 4), "UTF-32BE"},
    {"\xEF\xBB\xBF", "UTF-8"},
    {"\xFF\xFE", "UTF-16LE"},
    {"\xFE\xFF", "UTF-16BE"},
};

// The mark each Unicode encoding of one byte order begins its output with;
// empty for the rest (UTF-16 and UTF-32 without an order write their own).
std::string_view bom_for(UConverterType type) {
  switch (type) {
    case UCNV_UTF16_LittleEndian: return "\xFF\xFE";
    case UCNV_UTF16_BigEndian: return "\xFE\xFF";
    case UCNV_UTF32_LittleEndian: return std::string_view("\xFF\xFE\0\0", 4);
    case UCNV_UTF32_BigEndian: return std::string_view("\0\0\xFE\xFF", 4);
    default: return {};
  }
}

// One conversion through ICU's pivot: source converter to target converter,
// output appended to *out, grown as needed.  Returns ICU's status.
struct Pivot {
  UChar buffer[kPivotSize];
  UChar *source = buffer, *target = buffer;
};

UErrorCode convert(UConverter *to, UConverter *from, Pivot &pivot, const char **src, const char *end,
                   bool last, size_t grow, std::string *out) {
  for (;;) {
    const size_t at = out->size();
    out->resize(at + grow);
    char *target = out->data() + at;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_convertEx(to, from, &target, out->data() + out->size(), src, end, pivot.buffer, &pivot.source,
                   &pivot.target, pivot.buffer + kPivotSize, false, last, &status);
    out->resize(static_cast<size_t>(target - out->data()));
    if (status != U_BUFFER_OVERFLOW_ERROR) return status;
  }
}

}  // namespace

std::optional<ByteOrderMark> byte_order_mark(std::string_view text) {
  for (const Bom &bom : kBoms) {
    if (text.substr(0, bom.bytes.size()) == bom.bytes) return ByteOrderMark{bom.name, bom.bytes.size()};
  }
  return std::nullopt;
}

bool is_utf8_name(std::string_view name) {
  std::string error;
  const ConverterPtr converter = open_converter(name, &error);
  return converter != nullptr && ucnv_getType(converter.get()) == UCNV_UTF8;
}

EncodingGuess detect_encoding(std::string_view sample) {
  EncodingGuess guess;
  if (sample.empty()) return guess;
  if (const std::optional<ByteOrderMark> bom = byte_order_mark(sample)) {
    guess.name = bom->name;
    guess.source = EncodingSource::kBom;
    guess.confidence = 100;
    guess.bom_length = bom->length;
    return guess;
  }
  if (utf8_but_cut(sample)) {
    guess.name = "UTF-8";
    guess.source = EncodingSource::kUtf8;
    guess.confidence = 100;
    return guess;
  }
  UErrorCode status = U_ZERO_ERROR;
  UCharsetDetector *detector = ucsdet_open(&status);
  if (U_FAILURE(status)) return guess;
  const std::string_view text = sample.substr(0, kDetectorSample);
  const bool has_zero = text.find('\0') != std::string_view::npos;
  ucsdet_setText(detector, text.data(), static_cast<int32_t>(text.size()), &status);
  int32_t count = 0;
  const UCharsetMatch **matches = ucsdet_detectAll(detector, &count, &status);
  for (int32_t m = 0; U_SUCCESS(status) && m < count; ++m) {
    const char *name = ucsdet_getName(matches[m], &status);
    // Not well-formed UTF-8 cannot be UTF-8, whatever the detector thinks;
    // text in UTF-16 or UTF-32 has zero bytes (its line ends have), which the
    // detector does not insist on for a short sample.
    if (U_FAILURE(status) || name == nullptr || std::strcmp(name, "UTF-8") == 0) continue;
    if (std::strncmp(name, "UTF-", 4) == 0 && !has_zero) continue;
    // Windows-1252 reads ISO-8859-1 text alike but for the C1 controls,
    // which text files do not hold: a file without any of 0x80-0x9F yet
    // may well have a euro sign further on.
    guess.name = std::strcmp(name, "ISO-8859-1") == 0 ? "windows-1252" : name;
    guess.source = EncodingSource::kDetector;
    guess.confidence = ucsdet_getConfidence(matches[m], &status);
    break;
  }
  ucsdet_close(detector);
  return guess;
}

// ---- decoding -------------------------------------------------------------

// The converter as it was where it last held nothing, the input since then
// and the UTF-8 made of it: a stop is found again from there in one piece,
// where ICU tells its place exactly (a sequence cut across blocks leaves
// bytes in the converter that its position does not count).
struct Settled {
  ConverterPtr converter;
  uint64_t at = 0;     // input bytes before it
  std::string since;   // input after it, taken by calls that left bytes held
  size_t written = 0;  // UTF-8 bytes made of since
};

struct Decoder::State {
  ConverterPtr source, utf8;
  Pivot pivot;
  Settled settled;
};

Decoder::Decoder(Decoder &&) noexcept = default;
Decoder &Decoder::operator=(Decoder &&) noexcept = default;
Decoder::~Decoder() = default;

namespace {

ConverterPtr clone(const UConverter *converter) {
  UErrorCode status = U_ZERO_ERROR;
  ConverterPtr copy(ucnv_clone(converter, &status));
  return U_SUCCESS(status) ? std::move(copy) : nullptr;
}

// Decodes input to UTF-8 appended to *out; at a stop, what the pivot holds
// from before it goes out too.  *taken: the input bytes the converter took.
UErrorCode decode_into(UConverter *source, UConverter *utf8, Pivot &pivot, std::string_view input, bool last,
                       std::string *out, uint64_t *taken) {
  if (input.data() == nullptr)
    input = std::string_view("", 0);  // ICU takes no null source, even an empty one
  const char *src = input.data();
  // Three bytes of UTF-8 at most for each byte of input, and a little for
  // what the converter held from the block before.
  const UErrorCode status =
      convert(utf8, source, pivot, &src, input.data() + input.size(), last, input.size() * 3 + 16, out);
  *taken = static_cast<uint64_t>(src - input.data());
  if (U_FAILURE(status) && pivot.source < pivot.target) {
    const size_t at = out->size();
    out->resize(at + utf8_length(pivot.source, pivot.target));
    char *target = out->data() + at;
    const UChar *p = pivot.source;
    UErrorCode flushed = U_ZERO_ERROR;
    ucnv_fromUnicode(utf8, &target, out->data() + out->size(), &p, pivot.target, nullptr, false, &flushed);
    out->resize(static_cast<size_t>(target - out->data()));
    pivot.source = pivot.target = pivot.buffer;
  }
  return status;
}

// The bytes a stopped converter could not convert.
std::string invalid_bytes(UConverter *converter) {
  char bad[32];
  int8_t length = sizeof bad;
  UErrorCode status = U_ZERO_ERROR;
  ucnv_getInvalidChars(converter, bad, &length, &status);
  return U_SUCCESS(status) ? std::string(bad, static_cast<size_t>(length)) : std::string();
}

}  // namespace

std::optional<Decoder> Decoder::open(std::string_view name, std::string *error) {
  Decoder decoder;
  decoder.state_ = std::make_unique<State>();
  State &s = *decoder.state_;
  s.source = open_converter(name, error);
  if (s.source == nullptr) return std::nullopt;
  s.utf8 = open_converter("UTF-8", error);
  s.settled.converter = clone(s.source.get());
  if (s.utf8 == nullptr || s.settled.converter == nullptr) return std::nullopt;
  decoder.name_ = canonical_name(s.source.get());
  return decoder;
}

void Decoder::drop_mark(std::string *out, size_t start) {
  if (started_ || out->size() == start) return;
  started_ = true;
  if (starts_with_utf8_mark(std::string_view(*out).substr(start))) out->erase(start, kUtf8Mark.size());
}

bool Decoder::decode(std::string_view block, bool last, std::string *out, ConversionError *error) {
  State &s = *state_;
  Settled &settled = s.settled;
  const size_t start = out->size();
  uint64_t taken = 0;
  UErrorCode status = decode_into(s.source.get(), s.utf8.get(), s.pivot, block, last, out, &taken);
  if (U_SUCCESS(status)) {
    drop_mark(out, start);
    consumed_ += taken;
    UErrorCode counted = U_ZERO_ERROR;
    if (ucnv_toUCountPending(s.source.get(), &counted) <= 0) {
      ConverterPtr now = clone(s.source.get());
      if (now != nullptr) {
        settled.converter = std::move(now);
        settled.at = consumed_;
        settled.since.clear();
        settled.written = 0;
        return true;
      }
    }
    settled.since.append(block);
    settled.written += out->size() - start;
    return true;
  }
  uint64_t stop = consumed_ + taken;
  std::string bad = invalid_bytes(s.source.get());
  if (!settled.since.empty()) {
    // Once more from where the converter held nothing, in one piece.
    out->resize(start);
    settled.since.append(block);
    std::string again;
    Pivot pivot;
    status = decode_into(settled.converter.get(), s.utf8.get(), pivot, settled.since, last, &again, &taken);
    if (settled.at == 0 && starts_with_utf8_mark(again)) again.erase(0, kUtf8Mark.size());
    out->append(again, std::min(settled.written, again.size()), std::string::npos);
    stop = settled.at + taken;
    bad = invalid_bytes(settled.converter.get());
  }
  drop_mark(out, start);
  error->offset = stop >= bad.size() ? stop - bad.size() : 0;
  error->bytes = std::move(bad);
  error->code_point = 0;
  error->reason = reason_of(status);
  consumed_ = stop;
  return false;
}

// ---- encoding -------------------------------------------------------------

struct Encoder::State {
  ConverterPtr utf8, target;
  Pivot pivot;
  std::string_view bom;
};

Encoder::Encoder(Encoder &&) noexcept = default;
Encoder &Encoder::operator=(Encoder &&) noexcept = default;
Encoder::~Encoder() = default;

std::optional<Encoder> Encoder::open(std::string_view name, std::string *error) {
  Encoder encoder;
  ConverterPtr target = open_converter(name, error);
  if (target == nullptr) return std::nullopt;
  encoder.name_ = canonical_name(target.get());
  if (ucnv_getType(target.get()) == UCNV_UTF8) return encoder;
  encoder.state_ = std::make_unique<State>();
  encoder.state_->utf8 = open_converter("UTF-8", error);
  if (encoder.state_->utf8 == nullptr) return std::nullopt;
  encoder.state_->bom = bom_for(ucnv_getType(target.get()));
  encoder.state_->target = std::move(target);
  return encoder;
}

bool Encoder::encode(std::string_view utf8, bool last, std::string *out, ConversionError *error) {
  if (state_ == nullptr) {
    out->append(utf8);
    consumed_ += utf8.size();
    return true;
  }
  State &s = *state_;
  if (!started_) {
    started_ = true;
    out->append(s.bom);
  }
  if (utf8.data() == nullptr) utf8 = std::string_view("", 0);  // ICU takes no null source, even an empty one
  const char *src = utf8.data();
  const UErrorCode status = convert(s.target.get(), s.utf8.get(), s.pivot, &src, utf8.data() + utf8.size(),
                                    last, utf8.size() * 2 + 16, out);
  const uint64_t taken = static_cast<uint64_t>(src - utf8.data());
  consumed_ += taken;
  if (U_SUCCESS(status)) return true;
  UChar bad[8];
  int8_t bad_length = static_cast<int8_t>(std::size(bad));
  UErrorCode ignored = U_ZERO_ERROR;
  ucnv_getInvalidUChars(s.target.get(), bad, &bad_length, &ignored);
  if (U_FAILURE(ignored)) bad_length = 0;
  // The input taken runs past the character by what still waits in the pivot.
  const uint64_t ahead = utf8_length(s.pivot.source, s.pivot.target) + utf8_length(bad, bad + bad_length);
  error->offset = consumed_ >= ahead ? consumed_ - ahead : 0;
  error->bytes.clear();
  error->code_point = 0;
  if (bad_length >= 1) {
    error->code_point = bad[0];
    if (bad_length >= 2 && bad[0] >= 0xD800 && bad[0] < 0xDC00 && bad[1] >= 0xDC00 && bad[1] < 0xE000)
      error->code_point = 0x10000 + ((bad[0] - 0xD800) << 10) + (bad[1] - 0xDC00);
  }
  error->reason = status == U_INVALID_CHAR_FOUND ? "the encoding has no such character" : reason_of(status);
  return false;
}

}  // namespace nlhost
