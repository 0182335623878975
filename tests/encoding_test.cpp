// nlhost's encodings: detection, decoding to UTF-8 at every block boundary
// and encoding from it, checked against text ICU's own converter writes.
#include "nlhost/encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "icu_encoded.h"

namespace {

using nldat_test::icu_encode;

std::string icu_decode(const char *encoding, std::string_view bytes) {
  return nldat_test::icu_convert("UTF-8", encoding, bytes);
}

// bytes decoded in blocks of block_size bytes.
std::string decode_in_blocks(nlhost::Decoder &decoder, std::string_view bytes, size_t block_size,
                             nlhost::ConversionError *error, bool *ok) {
  std::string out;
  *ok = true;
  for (size_t at = 0; at < bytes.size() || at == 0; at += block_size) {
    const std::string_view block = bytes.substr(at, block_size);
    const bool last = at + block_size >= bytes.size();
    if (!decoder.decode(block, last, &out, error)) {
      *ok = false;
      break;
    }
    if (last) break;
  }
  return out;
}

struct Sample {
  const char *encoding;  // as a user names it
  const char *text;      // UTF-8
};
const Sample kSamples[] = {
    {"windows-1252",
     "Buchungstag;Betrag\n05.03.2020;\xE2\x82\xAC 1.234,56 M\xC3\xBCller \xE2\x80\x9Ex\xE2\x80\x9C\n"},
    {"latin1", "Caf\xC3\xA9;3,5 %\r\n\xC3\x9F\xC3\xBF\n"},
    {"ISO-8859-15", "\xE2\x82\xAC 12,00;\xC5\x93uvre\n"},
    {"Shift_JIS", "\xE6\x97\xA5\xE4\xBB\x98,\xE9\x87\x91\xE9\xA1\x8D\n2020\xE5\xB9\xB4\x33\xE6\x9C\x88\n"},
    {"CP932", "\xE2\x91\xA0\xE3\x88\xB1 \xEF\xBD\xB1\xEF\xBD\xB2\n"},
    {"UTF-16LE", "Datum\tBetrag\n07.12.2026\t1\xC2\xA0\x32\x33\x34,5 \xF0\x9F\x98\x80\n"},
    {"UTF-16BE", "\xE4\xB8\xAD\xE6\x96\x87 2026\xE5\xB9\xB4\n"},
    {"UTF-32LE", "a\xF0\x9F\x98\x80z\n"},
    {"GB18030", "\xE6\x97\xA5\xE6\x9C\x9F,\xE9\x87\x91\xE9\xA2\x9D\n\xF0\x9F\x98\x80\n"},
    {"EUC-JP", "\xE4\xBB\x8A\xE6\x97\xA5\n"},
    {"Big5", "\xE6\x97\xA5\xE6\x9C\x9F\n"},
    {"KOI8-R", "\xD0\x94\xD0\xB0\xD1\x82\xD0\xB0\n"},
};

TEST(Decoder, DecodesEveryEncodingAtEveryBlockBoundary) {
  for (const Sample &sample : kSamples) {
    SCOPED_TRACE(sample.encoding);
    const std::string bytes = icu_encode(sample.encoding, sample.text);
    for (size_t block = 1; block <= bytes.size(); ++block) {
      SCOPED_TRACE(block);
      std::string error_text;
      std::optional<nlhost::Decoder> decoder = nlhost::Decoder::open(sample.encoding, &error_text);
      ASSERT_TRUE(decoder) << error_text;
      nlhost::ConversionError error;
      bool ok = false;
      EXPECT_EQ(decode_in_blocks(*decoder, bytes, block, &error, &ok), sample.text);
      EXPECT_TRUE(ok) << error.reason << " at " << error.offset;
      EXPECT_EQ(decoder->consumed(), bytes.size());
    }
  }
}

TEST(Decoder, DropsTheByteOrderMarkOnlyAtTheStart) {
  const std::string bytes = "\xFF\xFE" + icu_encode("UTF-16LE",
                                                    "a\xEF\xBB\xBF"
                                                    "b");
  for (size_t block = 1; block <= bytes.size(); ++block) {
    std::string error_text;
    std::optional<nlhost::Decoder> decoder = nlhost::Decoder::open("UTF-16LE", &error_text);
    ASSERT_TRUE(decoder) << error_text;
    nlhost::ConversionError error;
    bool ok = false;
    EXPECT_EQ(decode_in_blocks(*decoder, bytes, block, &error, &ok),
              "a\xEF\xBB\xBF"
              "b");
    EXPECT_TRUE(ok);
  }
}

TEST(Decoder, StopsAtWhatCannotBeConvertedAndSaysWhere) {
  struct Row {
    const char *encoding;
    std::string bytes;
    uint64_t offset;
    std::string bad;
    std::string before;  // UTF-8 written before the stop
  };
  const Row rows[] = {
      {"windows-1253", "ab\ncd\xD2xyz", 5, "\xD2", "ab\ncd"},  // 0xD2 has no character
      {"US-ASCII", "abc\x80", 3, "\x80", "abc"},
      {"Shift_JIS", "ok\n\x82\xA0\x82", 5, "\x82", "ok\n\xE3\x81\x82"},  // a double-byte character cut short
      {"UTF-16LE", std::string("a\0b\0c", 5), 4, "c", "ab"},             // an odd byte at the end
      {"UTF-8", "x\xC3(", 1, "\xC3", "x"},                               // a malformed sequence
      // An unpaired surrogate: at small block sizes the next unit is held too.
      {"UTF-16BE", std::string("\0a\xD8\0\0b", 6), 2, std::string("\xD8\0", 2), "a"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.encoding);
    for (size_t block = 1; block <= row.bytes.size(); ++block) {
      SCOPED_TRACE(block);
      std::string error_text;
      std::optional<nlhost::Decoder> decoder = nlhost::Decoder::open(row.encoding, &error_text);
      ASSERT_TRUE(decoder) << error_text;
      nlhost::ConversionError error;
      bool ok = true;
      const std::string out = decode_in_blocks(*decoder, row.bytes, block, &error, &ok);
      EXPECT_FALSE(ok);
      EXPECT_EQ(error.offset, row.offset);
      EXPECT_EQ(error.bytes, row.bad);
      EXPECT_FALSE(error.reason.empty());
      EXPECT_EQ(out, row.before);
    }
  }
}

TEST(Decoder, RefusesAnUnknownName) {
  for (const char *name : {"", "no-such-encoding", "UTF-8\xFF\xFF", "x"}) {
    std::string error;
    EXPECT_FALSE(nlhost::Decoder::open(name, &error)) << name;
    EXPECT_NE(error.find("no encoding named"), std::string::npos) << error;
  }
  std::string error;
  std::optional<nlhost::Decoder> decoder = nlhost::Decoder::open("cp1252", &error);
  ASSERT_TRUE(decoder) << error;
  EXPECT_EQ(decoder->name(), "ibm-5348_P100-1997");  // ICU's own name for Windows-1252
}

TEST(Encoder, WritesWhatIcuReadsBackWithTheMarkWindowsWants) {
  struct Row {
    const char *encoding;
    std::string_view mark;
  };
  const Row rows[] = {
      {"UTF-16LE", "\xFF\xFE"}, {"UTF-16BE", "\xFE\xFF"}, {"UTF-32LE", std::string_view("\xFF\xFE\0\0", 4)},
      {"windows-1252", ""},     {"Shift_JIS", ""},        {"GB18030", ""},
  };
  const std::string text = "Datum;Betrag\n2026-12-07;1234.56\n\xE6\x97\xA5\xE4\xBB\x98\n";
  const std::string latin = "Datum;Betrag\n2026-12-07;\xE2\x82\xAC 1234.56 M\xC3\xBCller\n";
  for (const Row &row : rows) {
    SCOPED_TRACE(row.encoding);
    const std::string &input = std::string_view(row.encoding) == "windows-1252" ? latin : text;
    std::string error_text;
    std::optional<nlhost::Encoder> encoder = nlhost::Encoder::open(row.encoding, &error_text);
    ASSERT_TRUE(encoder) << error_text;
    EXPECT_FALSE(encoder->passthrough());
    std::string out;
    nlhost::ConversionError error;
    // Split inside the multibyte characters on purpose.
    for (size_t at = 0; at < input.size(); at += 5) {
      ASSERT_TRUE(
          encoder->encode(std::string_view(input).substr(at, 5), at + 5 >= input.size(), &out, &error))
          << error.reason;
    }
    ASSERT_EQ(out.substr(0, row.mark.size()), row.mark);
    EXPECT_EQ(icu_decode(row.encoding, std::string_view(out).substr(row.mark.size())), input);
  }
  std::string error_text;
  std::optional<nlhost::Encoder> utf8 = nlhost::Encoder::open("utf8", &error_text);
  ASSERT_TRUE(utf8) << error_text;
  EXPECT_TRUE(utf8->passthrough());
}

TEST(Encoder, StopsAtACharacterTheEncodingLacks) {
  std::string error_text;
  std::optional<nlhost::Encoder> encoder = nlhost::Encoder::open("ISO-8859-1", &error_text);
  ASSERT_TRUE(encoder) << error_text;
  std::string out;
  nlhost::ConversionError error;
  const std::string input = "M\xC3\xBCller\n12 \xE2\x82\xAC\n";
  EXPECT_FALSE(encoder->encode(input, true, &out, &error));
  EXPECT_EQ(error.code_point, 0x20ACu);
  EXPECT_EQ(error.offset, 11u);  // the euro sign's first byte
  EXPECT_EQ(out, "M\xFCller\n12 ");
}

TEST(DetectEncoding, TellsTheEncodingAndWhereTheAnswerCameFrom) {
  struct Row {
    std::string sample;
    const char *name;
    nlhost::EncodingSource source;
    size_t bom_length;
  };
  using S = nlhost::EncodingSource;
  const std::string german = icu_encode(
      "windows-1252",
      "Buchungstag;Valuta;Auftraggeber/Empf\xC3\xA4nger;Buchungstext;Verwendungszweck;Betrag;W\xC3\xA4hrung\n"
      "01.12.2026;01.12.2026;Hausverwaltung M\xC3\xBCller GmbH;Dauerauftrag;Miete f\xC3\xBCr "
      "Dezember;-1.150,00;"
      "\xE2\x82\xAC\n02.12.2026;02.12.2026;B\xC3\xA4"
      "ckerei Schr\xC3\xB6"
      "der;Lastschrift;Br\xC3\xB6tchen und "
      "Kaffee, sch\xC3\xB6ne Gr\xC3\xBC\xC3\x9F"
      "e;-12,80;\xE2\x82\xAC\n");
  const std::string japanese = icu_encode(
      "Shift_JIS",
      "\xE6\x97\xA5\xE4\xBB\x98,\xE6\x91\x98\xE8\xA6\x81,\xE9\x87\x91\xE9\xA1\x8D\n"
      "2026\xE5\xB9\xB4\x31\x32\xE6\x9C\x88\x37\xE6\x97\xA5,\xE3\x81\x8A\xE6\x8C\xAF\xE8\xBE\xBC\xE3\x81\xBF"
      "\xE6\x89\x8B\xE6\x95\xB0\xE6\x96\x99,\xEF\xBF\xA5\x31\x2C\x32\x33\x34\n"
      "2026\xE5\xB9\xB4\x31\x32\xE6\x9C\x88\x38\xE6\x97\xA5,\xE3\x81\x94\xE5\x88\xA9\xE7\x94\xA8\xE4\xBB\xA3"
      "\xE9\x87\x91\xE3\x81\xAE\xE3\x81\x8A\xE6\x94\xAF\xE6\x89\x95\xE3\x81\x84,\xEF\xBF\xA5\x35\x36\x37\n");
  const Row rows[] = {
      {"", "", S::kNone, 0},
      {"\xEF\xBB\xBFx", "UTF-8", S::kBom, 3},
      {"\xFF\xFEx\0", "UTF-16LE", S::kBom, 2},
      {"\xFE\xFF\0x", "UTF-16BE", S::kBom, 2},
      {std::string("\xFF\xFE\0\0x\0\0\0", 8), "UTF-32LE", S::kBom, 4},
      {std::string("\0\0\xFE\xFF\0\0\0x", 8), "UTF-32BE", S::kBom, 4},
      {"07.12.2026\n", "UTF-8", S::kUtf8, 0},
      {"M\xC3\xBCller \xE2\x82\xAC", "UTF-8", S::kUtf8, 0},
      {"M\xC3\xBCller \xE2\x82", "UTF-8", S::kUtf8, 0},  // a sample that ends inside a character
      {german, "windows-1252", S::kDetector, 0},
      {japanese, "Shift_JIS", S::kDetector, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.sample);
    const nlhost::EncodingGuess guess = nlhost::detect_encoding(row.sample);
    EXPECT_EQ(guess.name, row.name);
    EXPECT_EQ(guess.source, row.source);
    EXPECT_EQ(guess.bom_length, row.bom_length);
    if (row.source == S::kBom || row.source == S::kUtf8) {
      EXPECT_EQ(guess.confidence, 100);
    } else if (row.source == S::kDetector) {
      EXPECT_GT(guess.confidence, 0);
    }
  }
  // Not UTF-8 is never guessed UTF-8.
  EXPECT_NE(nlhost::detect_encoding("abc\xC3(def").name, "UTF-8");
}

TEST(DetectEncoding, NamesAreWhatTheDecoderOpens) {
  for (const char *text : {"M\xC3\xBCller;\xE2\x82\xAC 5,00\n", "\xE6\x97\xA5\xE4\xBB\x98\n"}) {
    for (const char *encoding : {"windows-1252", "Shift_JIS", "UTF-16LE"}) {
      std::string bytes;
      for (int i = 0; i < 20; ++i) bytes += icu_encode(encoding, text);
      const nlhost::EncodingGuess guess = nlhost::detect_encoding(bytes);
      if (guess.name.empty()) continue;
      std::string error;
      EXPECT_TRUE(nlhost::Decoder::open(guess.name, &error)) << guess.name << ": " << error;
    }
  }
}

}  // namespace
