// The delimited-text scanner and the message quoting of the CLI's core
// library: record ends, fields, quotes, and what a message may show.
#include "csv.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "convert.h"
#include "messages.h"
#include "nlhost/utf8.h"

namespace {

using nldat::csv::Field;
using nldat::csv::RecordEnd;

TEST(Csv, ScansRecordsAndFields) {
  const struct {
    std::string text;
    bool at_end;
    bool complete;
    size_t end, line_end, lines;
    std::vector<std::string> fields;  // unquoted
  } cases[] = {
      {"a,b\nc", false, true, 3, 1, 0, {"a", "b"}},
      {"a,b\r\nc", false, true, 3, 2, 0, {"a", "b"}},
      {"a,b\rc", false, true, 3, 1, 0, {"a", "b"}},
      {"a,b\r", false, false, 0, 0, 0, {}},  // a CR LF may be cut after its CR
      {"a,b\r", true, true, 3, 1, 0, {"a", "b"}},
      {"a,b", false, false, 0, 0, 0, {}},
      {"a,b", true, true, 3, 0, 0, {"a", "b"}},
      {"\"x,\r\ny\",\"\"\"q\"\"\"\n", false, true, 15, 1, 1, {"x,\r\ny", "\"q\""}},
      {"\"a\"\"", false, false, 0, 0, 0, {}},  // "" may be cut in two
      {"\"unclosed,\n", true, true, 11, 0, 1, {"unclosed,\n"}},
      {"a\"b,\"c\"d\n", false, true, 8, 1, 0, {"a\"b", "cd"}},
      {",,\n", false, true, 2, 1, 0, {"", "", ""}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    RecordEnd record;
    std::vector<Field> fields;
    ASSERT_EQ(nldat::csv::scan_record(c.text, 0, ',', c.at_end, &record, &fields), c.complete);
    if (!c.complete) continue;
    EXPECT_EQ(record.end, c.end);
    EXPECT_EQ(record.line_end, c.line_end);
    EXPECT_EQ(record.lines, c.lines);
    std::vector<std::string> unquoted;
    std::string scratch;
    for (const Field &f : fields) {
      const std::string_view raw = std::string_view(c.text).substr(f.begin, f.end - f.begin);
      EXPECT_EQ(f.quoted, !raw.empty() && raw[0] == '"');
      unquoted.emplace_back(nldat::csv::unquote(raw, scratch));
    }
    EXPECT_EQ(unquoted, c.fields);
  }
}

// The fields of the record at start, found a byte at a time: where each
// unquoted stretch stops, which the scanner finds sixteen bytes at a time.
std::vector<Field> fields_byte_by_byte(std::string_view text, size_t start, char delimiter) {
  std::vector<Field> fields;
  size_t i = start;
  for (;;) {
    Field field{i, i, false};
    if (i < text.size() && text[i] == '"') {
      field.quoted = true;
      for (++i; i < text.size(); ++i) {
        if (text[i] != '"') continue;
        if (i + 1 < text.size() && text[i + 1] == '"') {
          ++i;
          continue;
        }
        ++i;
        break;
      }
    }
    while (i < text.size() && text[i] != delimiter && text[i] != '\n' && text[i] != '\r') ++i;
    field.end = i;
    fields.push_back(field);
    if (i == text.size() || text[i] != delimiter) return fields;
    ++i;
  }
}

TEST(Csv, SplitsRecordsAsAByteAtATimeScanDoes) {
  // Random records over the bytes that matter, with fields of every length
  // around the sixteen bytes looked at at once, each record split from each
  // of its starts.
  // A block is also split with the stops kept from record to record, as
  // convert splits it, windows of 64 bytes reaching over record ends.
  std::mt19937 rng(4180);
  const std::string pieces[] = {",", ";", "\"", "\"\"", "\n", "\r", "\r\n", "a", "0123456789abcde",
                                "\xC3\xA4", " ", "", std::string(70, 'x')};
  for (int n = 0; n < 3000; ++n) {
    std::string text;
    const size_t count = rng() % 40;
    for (size_t k = 0; k < count; ++k) text += pieces[rng() % std::size(pieces)];
    for (const char delimiter : {',', ';'}) {
      size_t pos = 0;
      RecordEnd record, kept_record;
      std::vector<Field> fields, kept_fields;
      nldat::csv::FieldEnds stops(text, delimiter);
      while (pos < text.size() && nldat::csv::scan_record(text, pos, delimiter, true, &record, &fields)) {
        SCOPED_TRACE(::testing::Message() << delimiter << " at " << pos << ": " << text);
        const std::vector<Field> expected = fields_byte_by_byte(text, pos, delimiter);
        ASSERT_TRUE(nldat::csv::scan_record(text, pos, delimiter, true, stops, &kept_record, &kept_fields));
        ASSERT_EQ(fields.size(), expected.size());
        ASSERT_EQ(kept_fields.size(), expected.size());
        for (size_t k = 0; k < fields.size(); ++k) {
          EXPECT_EQ(fields[k].begin, expected[k].begin);
          EXPECT_EQ(fields[k].end, expected[k].end);
          EXPECT_EQ(fields[k].quoted, expected[k].quoted);
          EXPECT_EQ(kept_fields[k].begin, expected[k].begin);
          EXPECT_EQ(kept_fields[k].end, expected[k].end);
        }
        EXPECT_EQ(record.end, expected.back().end);
        EXPECT_EQ(kept_record.end, record.end);
        EXPECT_EQ(kept_record.line_end, record.line_end);
        EXPECT_EQ(kept_record.lines, record.lines);
        pos = record.end + record.line_end;
      }
    }
  }
}

TEST(Csv, TellsAQuoteThatIsNeverClosed) {
  const struct {
    const char *text;
    bool unclosed;
  } cases[] = {
      {"\"unclosed,\n", true}, {"a,\"b", true},  {"a,\"b\"\"", true},
      {"a,\"b\"", false},      {"a,b\"", false}, {"\"a\"\"b\"\n", false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    RecordEnd record;
    ASSERT_TRUE(nldat::csv::scan_record(c.text, 0, ',', true, &record, nullptr));
    EXPECT_EQ(record.unclosed, c.unclosed);
  }
}

TEST(Csv, CountsRecordsWithOtherFieldsThanTheHeaderAndPassesAnUnclosedOneThrough) {
  nldat::ConvertPlan plan;
  plan.header_fields = 3;
  nldat::ChunkConverter converter(plan, {});
  nldat::ChunkResult result;
  const std::string records = "a,b,c\na,b\n\na,b,c,d\na\na,b,c\n1,\"2\n3,4\n";
  converter.convert(records, 10, &result);
  EXPECT_EQ(result.output.view(), records);
  EXPECT_EQ(result.damage.fewer_fields, 2);
  EXPECT_EQ(result.damage.first_fewer, 11);
  EXPECT_EQ(result.damage.more_fields, 1);
  EXPECT_EQ(result.damage.first_more, 13);
  EXPECT_EQ(result.damage.unclosed_line, 16);
  EXPECT_EQ(result.records, 6);  // the blank line is no record
}

TEST(Csv, FindsTheLastRecordEndWhereTheScannerStops) {
  // Every prefix of each text, as a block cut anywhere would see it: the
  // quick cut must agree with scanning record by record.
  const std::string texts[] = {
      "a,b\nc,d\r\ne\rf",
      "\"x,\r\ny\",\"\"\"q\"\"\"\nnext\n",
      "a\"b,\"c\"d\ne\"\n\"f\n",           // quotes inside a field are plain bytes
      "\"a\"b\"c\nd,\"e\nf\"\"\"\r\ng\n",  // text after a closing quote, "" before it
      "\"unclosed,\nmore\nlines\n",
      "\r\r\n\n\"\"\n,\"\",\"\r\"\r",
      "x;\"a\nb\";\"c\";\"\n;\n",
  };
  for (const std::string &text : texts) {
    for (const char delimiter : {',', ';'}) {
      for (size_t length = 0; length <= text.size(); ++length) {
        const std::string_view prefix = std::string_view(text).substr(0, length);
        SCOPED_TRACE(::testing::Message() << delimiter << " " << std::string(prefix));
        size_t expected = 0;
        RecordEnd record;
        while (expected < prefix.size() &&
               nldat::csv::scan_record(prefix, expected, delimiter, false, &record, nullptr)) {
          expected = record.end + record.line_end;
        }
        EXPECT_EQ(nldat::csv::last_record_end(prefix, delimiter), expected);
      }
    }
  }
}

TEST(Csv, GuessesTheDelimiterFromTheHeader) {
  EXPECT_EQ(nldat::csv::guess_delimiter("a;b;c"), ';');
  EXPECT_EQ(nldat::csv::guess_delimiter("a\tb,c\td"), '\t');
  EXPECT_EQ(nldat::csv::guess_delimiter("\"a;b;c\"|d"), '|');
  EXPECT_EQ(nldat::csv::guess_delimiter("single"), ',');
}

TEST(Messages, ValidUtf8) {
  const struct {
    std::string text;
    bool valid;
  } cases[] = {
      {"plain ASCII text, longer than eight bytes", true},
      {"M\xC3\xA4rz \xE2\x82\xAC \xF0\x9F\x98\x80", true},
      {"M\xE4rz", false},           // Latin-1
      {"\xC0\xAF", false},          // overlong
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"abcdefgh\xE2\x82", false},  // cut at the end
      {std::string("a\0b", 3), true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(nldat::valid_utf8(c.text), c.valid);
  }
}

// The ASCII run before the first byte past ASCII, wherever it stands in
// the sixteen-, eight- and one-byte steps, and with none at all.
TEST(Messages, AsciiPrefixStopsAtTheFirstBytePastAscii) {
  for (size_t length = 0; length <= 48; ++length) {
    for (size_t at = 0; at <= length; ++at) {
      std::string text(length, 'a');
      if (at < length) text[at] = '\xC3';
      if (at + 2 < length) text[at + 2] = '\x80';  // a later one does not count
      SCOPED_TRACE(::testing::Message() << length << " bytes, past ASCII at " << at);
      EXPECT_EQ(nlhost::ascii_prefix(text), at);
    }
  }
}

TEST(Messages, QuotesAtMostSixtyBytesEscaped) {
  const struct {
    std::string field;
    std::string shown;
  } cases[] = {
      {"07.12.20026", "\"07.12.20026\""},
      {std::string("a\x1b\0\"\\", 5), "\"a\\x1b\\x00\\\"\\\\\""},
      {"M\xE4rz", "\"M\\xe4rz\""},
      {std::string(59, 'x') + "\xC3\xA4",
       "\"" + std::string(59, 'x') + "\"... (61 bytes)"},  // whole characters
      {std::string(58, 'x') + "\xC3\xA4", "\"" + std::string(58, 'x') + "\xC3\xA4\""},
      {std::string(1000, 'y'), "\"" + std::string(60, 'y') + "\"... (1000 bytes)"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(nldat::quoted_for_message(c.field), c.shown);
  }
}

}  // namespace
