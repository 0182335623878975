// The detector's report as text for people and as JSON for programs, and the
// nldat convert command line the plan amounts to.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "detect_internal.h"
#include "nlhost/utf8.h"

namespace nlhost::detect {
namespace {

// Text for a shell: as it is when it needs no quotes, else in single quotes.
std::string shell_word(std::string_view text) {
  const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("-_./=@%+,:").find(c) != std::string_view::npos;
  });
  if (plain) return std::string(text);
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// The report as it may reach a terminal: a control byte that a name carried
// into a line (the settling column, the command's --column words) as \xNN;
// the line ends stay.
std::string without_control_bytes(const std::string &text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((b < 0x20 && c != '\n') || b == 0x7F) {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// Untrusted text for a line of the report: control bytes escaped, at most 60 bytes.
std::string shown(std::string_view text) {
  std::string out = "\"";
  size_t n = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (++n > 60) {
      out += "...";
      break;
    }
    const auto b = static_cast<unsigned char>(c);
    const size_t length = b >= 0x80 ? utf8_sequence_length(text, i) : 1;
    if (length > 1) {
      out.append(text.substr(i, length));
      i += length - 1;
    } else if (b < 0x20 || b >= 0x7F) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string json_string(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80) {
      // Whole characters as they are; a byte that starts none stands as U+FFFD.
      const size_t length = utf8_sequence_length(text, i);
      if (length == 0) {
        out += "\\ufffd";
      } else {
        out.append(text.substr(i, length));
        i += length - 1;
      }
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// Every locale of an answer, the one it reads by first, then by the same
// preference: "en_GB, en_AU, fr_FR ... 412 locales".
std::vector<std::string> locales_of(const Answer &a) {
  std::set<std::string> all;
  for (const Candidate &c : a.candidates) all.insert(c.locales.begin(), c.locales.end());
  std::vector<std::string> out;
  if (all.count(a.locale) != 0) out.push_back(a.locale);
  const std::string language = a.locale.substr(0, a.locale.find('_'));
  for (const bool same_language : {true, false}) {
    for (const std::string &name : all) {
      if (name == a.locale || (name.substr(0, name.find('_')) == language) != same_language) continue;
      out.push_back(name);
    }
  }
  return out;
}

// The first most of texts, joined by separator.
std::string first_joined(const std::vector<std::string> &texts, size_t most, const char *separator) {
  std::string out;
  for (size_t k = 0; k < texts.size() && k < most; ++k) {
    if (k > 0) out += separator;
    out += texts[k];
  }
  return out;
}

std::string locale_list(const Answer &a) {
  const std::vector<std::string> names = locales_of(a);
  std::string out = first_joined(names, 6, ", ");
  if (names.size() > 6) out += " ... " + std::to_string(names.size()) + " locales";
  return out;
}

std::vector<std::string> distinct_meanings(const Answer &a) {
  std::vector<std::string> seen;
  for (const Candidate &c : a.candidates) {
    if (std::find(seen.begin(), seen.end(), c.meaning) == seen.end()) seen.push_back(c.meaning);
  }
  return seen;
}

std::string meanings(const Answer &a) {
  const std::vector<std::string> seen = distinct_meanings(a);
  std::string out = first_joined(seen, 3, "; ");
  if (seen.size() > 3)
    out += "; " + std::to_string(seen.size() - 3) + (seen.size() == 4 ? " more form" : " more forms");
  return out;
}

// What a column's answer is read by on the command line.
std::string reader_for(const Report &report, const ColumnReport &column) {
  const Answer &a = column.answers[column.chosen];
  return report.locale.empty() ? a.reader + "@" + a.locale : a.reader;
}

std::string status_of(const ColumnReport &c) {
  if (c.answers.empty()) return "none";
  if (c.settled) return "settled";
  return c.answers.size() > 1 ? "ambiguous" : "decided";
}

std::string delimiter_name(char d) {
  if (d == '\t') return "tab";
  return std::string(1, d);
}

}  // namespace

std::string convert_command(const Report &report) {
  std::string out;
  if (!report.locale.empty()) out += "--locale " + shell_word(report.locale) + " ";
  out += "convert";
  if (report.file != "-" && !report.file.empty()) out += " " + shell_word(report.file);
  if (!report.dialect.encoding_option.empty())
    out += " --encoding " + shell_word(report.dialect.encoding_option);
  if (report.dialect.delimiter != ',')
    out += " --delimiter " + shell_word(delimiter_name(report.dialect.delimiter));
  if (!report.dialect.header) out += " --no-header";
  bool any = false;
  for (const ColumnReport &c : report.columns) {
    if (!c.converted()) continue;
    const std::string name = report.dialect.header ? c.name : std::to_string(c.index + 1);
    out += " --column " + shell_word(name + "=" + reader_for(report, c));
    any = true;
  }
  return any ? out : std::string();
}

std::string render_text(const Report &report) {
  const Dialect &d = report.dialect;
  std::string out;
  out += (report.file == "-" ? std::string("<stdin>") : report.file) + ": " + d.encoding + ", delimiter " +
         (d.delimiter == '\t' ? std::string("tab") : "'" + std::string(1, d.delimiter) + "'") +
         ", quote '\"', " + (d.header ? "a header line" : "no header line") +
         (d.crlf ? ", CRLF line ends" : "") + "\n";
  out += (d.records < 0
              ? "the first " + std::to_string(d.sampled) + " records sampled, the rest not counted"
              : std::to_string(d.records) + " records" +
                    (d.sampled < d.records ? ", " + std::to_string(d.sampled) + " sampled" : std::string())) +
         "; preferred locale " + report.preferred + "\n";
  for (const ColumnReport &c : report.columns) {
    out += "\n" + std::to_string(c.index + 1) + " " + shown(c.name) + ": " + std::string(kind_name(c.kind));
    if (c.answers.empty()) {
      out += c.kind == ColumnKind::kEmpty ? "\n" : " (no reader reads every field)\n";
      for (const Evidence &e : c.nearest) {
        out += "  nearest: " + e.reader + " " + e.ruled_out + " as " + e.locale + " reads " +
               std::to_string(e.read) + " of " + std::to_string(e.of) + " distinct fields; not line " +
               std::to_string(e.line) + ": " + shown(e.field) + "\n";
      }
      if (!c.together.empty())
        out += "  written two ways? between them " + c.together + " read every field; --column " +
               shell_word((report.dialect.header ? c.name : std::to_string(c.index + 1)) + "=" + c.together) +
               " reads each field one of them reads, or both alike, and reports the rest\n";
      continue;
    }
    out += ", " + std::to_string(c.read) + " of " + std::to_string(c.fields - c.empty) + " read";
    if (c.empty > 0) out += ", " + std::to_string(c.empty) + " empty";
    out += c.left_out ? ", left out of the plan\n" : c.ambiguous() ? ", AMBIGUOUS\n" : "\n";
    for (size_t k = 0; k < c.answers.size(); ++k) {
      const Answer &a = c.answers[k];
      out += "  " + std::string(c.answers.size() > 1 ? (k == c.chosen && c.settled ? "* " : "? ") : "") +
             a.reader + " " + meanings(a) + ": " + locale_list(a) + "\n";
    }
    // The evidence by field: each field once, with every candidate it ruled out.
    for (size_t k = 0; k < c.evidence.size(); ++k) {
      const Evidence &e = c.evidence[k];
      if (k > 0 && c.evidence[k - 1].line == e.line && c.evidence[k - 1].field == e.field) continue;
      out += "  ruled out: line " + std::to_string(e.line) + ": " + shown(e.field) + " cannot be ";
      // Two forms that print alike are said once.
      std::vector<std::string> said;
      for (size_t j = k;
           j < c.evidence.size() && c.evidence[j].line == e.line && c.evidence[j].field == e.field; ++j) {
        std::string one = c.evidence[j].ruled_out + " as " + c.evidence[j].locale;
        if (std::find(said.begin(), said.end(), one) != said.end()) continue;
        out += (said.empty() ? "" : ", ") + one;
        said.push_back(std::move(one));
      }
      out += "\n";
    }
    if (c.answers.size() > 1) {
      out +=
          "  ambiguous: line " + std::to_string(c.ambiguity.line) + ": " + shown(c.ambiguity.field) + " is ";
      for (size_t k = 0; k < c.answers.size(); ++k) {
        out += (k == 0 ? "" : " or ") + (k < c.ambiguity.values.size() ? c.ambiguity.values[k] : "?") + " (" +
               c.answers[k].candidates.front().meaning + ")";
      }
      out += "\n";
    }
    if (c.settled) out += "  settled by the file: " + c.settled_by + "\n";
  }
  out += "\nplan:";
  bool any = false;
  for (const ColumnReport &c : report.columns) {
    if (c.converted()) {
      out += (any ? ", " : " convert ") + shown(c.name) + " by " + reader_for(report, c);
      any = true;
    }
  }
  if (!any) out += " nothing to convert";
  out += "\n";
  for (const ColumnReport &c : report.columns) {
    if (c.ambiguous())
      out += "  not converted: " + shown(c.name) +
             " is ambiguous; give --prefer day-first|month-first|year-first, --locale or --column\n";
  }
  const std::string command = convert_command(report);
  if (!command.empty()) out += "  nldat " + command + "\n";
  return without_control_bytes(out);
}

std::string render_json(const Report &report) {
  const Dialect &d = report.dialect;
  std::string out =
      "{\"file\":" + json_string(report.file) + ",\"encoding\":" + json_string(d.encoding) +
      ",\"encoding_option\":" + (d.encoding_option.empty() ? "null" : json_string(d.encoding_option)) +
      ",\"encoding_guessed\":" + (d.encoding_guessed ? "true" : "false") +
      ",\"delimiter\":" + json_string(std::string(1, d.delimiter)) + ",\"quote\":\"\\\"\"" +
      ",\"header\":" + (d.header ? "true" : "false") + ",\"crlf\":" + (d.crlf ? "true" : "false") +
      ",\"records\":" + std::to_string(d.records) + ",\"sampled\":" + std::to_string(d.sampled) +
      ",\"preferred\":" + json_string(report.preferred) +
      ",\"locale\":" + (report.locale.empty() ? "null" : json_string(report.locale)) + ",\"columns\":[";
  for (size_t i = 0; i < report.columns.size(); ++i) {
    const ColumnReport &c = report.columns[i];
    out += std::string(i == 0 ? "" : ",") + "{\"index\":" + std::to_string(c.index + 1) +
           ",\"name\":" + json_string(c.name) + ",\"kind\":" + json_string(kind_name(c.kind)) +
           ",\"fields\":" + std::to_string(c.fields) + ",\"empty\":" + std::to_string(c.empty) +
           ",\"read\":" + std::to_string(c.read) + ",\"status\":" + json_string(status_of(c));
    if (c.converted()) out += ",\"reader\":" + json_string(reader_for(report, c));
    out += ",\"answers\":[";
    for (size_t k = 0; k < c.answers.size(); ++k) {
      const Answer &a = c.answers[k];
      out += std::string(k == 0 ? "" : ",") + "{\"reader\":" + json_string(a.reader) +
             ",\"locale\":" + json_string(a.locale) +
             ",\"locale_count\":" + std::to_string(a.locale_count()) + ",\"meanings\":[";
      const std::vector<std::string> forms = distinct_meanings(a);
      for (size_t m = 0; m < forms.size(); ++m) out += std::string(m == 0 ? "" : ",") + json_string(forms[m]);
      out += "],\"locales\":[";
      const std::vector<std::string> names = locales_of(a);
      for (size_t m = 0; m < names.size(); ++m) out += std::string(m == 0 ? "" : ",") + json_string(names[m]);
      out += "]}";
    }
    out += "],\"evidence\":[";
    for (size_t k = 0; k < c.evidence.size(); ++k) {
      const Evidence &e = c.evidence[k];
      out += std::string(k == 0 ? "" : ",") + "{\"line\":" + std::to_string(e.line) +
             ",\"field\":" + json_string(e.field) + ",\"ruled_out\":" + json_string(e.ruled_out) +
             ",\"locale\":" + json_string(e.locale) + "}";
    }
    out += "],\"nearest\":[";
    for (size_t k = 0; k < c.nearest.size(); ++k) {
      const Evidence &e = c.nearest[k];
      out += std::string(k == 0 ? "" : ",") + "{\"reader\":" + json_string(e.reader) +
             ",\"meaning\":" + json_string(e.ruled_out) + ",\"locale\":" + json_string(e.locale) +
             ",\"read\":" + std::to_string(e.read) + ",\"of\":" + std::to_string(e.of) +
             ",\"line\":" + std::to_string(e.line) + ",\"field\":" + json_string(e.field) + "}";
    }
    out += "]";
    if (!c.together.empty()) out += ",\"together\":" + json_string(c.together);
    if (c.answers.size() > 1) {
      out += ",\"ambiguity\":{\"line\":" + std::to_string(c.ambiguity.line) +
             ",\"field\":" + json_string(c.ambiguity.field) + ",\"values\":[";
      for (size_t k = 0; k < c.ambiguity.values.size(); ++k)
        out += std::string(k == 0 ? "" : ",") + json_string(c.ambiguity.values[k]);
      out += "]}";
    }
    if (c.settled) out += ",\"settled_by\":" + json_string(c.settled_by);
    out += "}";
  }
  const std::string command = convert_command(report);
  out += "],\"command\":" + (command.empty() ? std::string("null") : json_string("nldat " + command)) + "}\n";
  return out;
}

}  // namespace nlhost::detect
