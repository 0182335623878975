// nlhost: a column's readers as given and the reading of a field by alternatives.
#include "nlhost/column_reader.h"

#include <algorithm>
#include <cmath>

#include "nlhost/text.h"

namespace nlhost {

namespace {

constexpr std::string_view kFormPrefix = "form:";

bool locale_name_byte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.';
}

// One alternative: [form:]READER[:PATTERN][@LOCALE].
bool parse_alternative(std::string_view text, ReaderChoice *choice, std::string *error) {
  choice->label = std::string(text);
  // A trailing @NAME names a locale: the last '@' with nothing but the
  // bytes of a locale name after it.
  const size_t at = text.rfind('@');
  if (at != std::string_view::npos && at > 0 && at + 1 < text.size()) {
    const std::string_view name = text.substr(at + 1);
    bool plain = true;
    for (const char c : name) plain = plain && locale_name_byte(c);
    if (plain) {
      choice->locale = std::string(name);
      text = text.substr(0, at);
    }
  }
  if (text.empty()) {
    *error = "an alternative names no reader";
    return false;
  }
  if (text.size() >= kFormPrefix.size() && same_name(text.substr(0, kFormPrefix.size()), kFormPrefix)) {
    choice->form = true;
    choice->pattern = std::string(text.substr(kFormPrefix.size()));
    if (choice->pattern.empty()) {
      *error = "form: takes a pattern (form:%d/%m/%Y)";
      return false;
    }
    choice->name = std::string(kind_info(form_kind(choice->pattern)).name);
    return true;
  }
  const size_t colon = text.find(':');  // date:%d.%m.%y, a pattern of its own
  choice->name = std::string(text.substr(0, colon));
  if (colon != std::string_view::npos) choice->pattern = std::string(text.substr(colon + 1));
  return true;
}

}  // namespace

std::optional<ValueKind> pattern_kind(std::string_view name) {
  if (const KindInfo *kind = find_kind(name)) {
    if (kind->pattern_reader != nullptr) return kind->kind;
  } else if (const ReaderInfo *reader = find_reader(name)) {
    if (reader->source == ReaderSource::kInformat) return reader->kind;
  }
  return std::nullopt;
}

std::optional<ValueKind> choice_kind(const ReaderChoice &choice) {
  if (choice.form) return form_kind(choice.pattern);
  if (!choice.pattern.empty()) return pattern_kind(choice.name);
  const ReaderInfo *reader = find_reader(choice.name);
  return reader != nullptr ? std::optional(reader->kind) : std::nullopt;
}

std::optional<FieldReader> make_field_reader(const Host &host, const Module &module,
                                             const ReaderChoice &choice, std::string *error) {
  std::optional<FieldReader> reader;
  if (choice.form) {
    reader = FieldReader::with_form(host, module, form_kind(choice.pattern), choice.pattern, error);
  } else if (choice.pattern.empty()) {
    reader = FieldReader::make(host, module, choice.name, error);
  } else if (const std::optional<ValueKind> kind = pattern_kind(choice.name)) {
    reader = FieldReader::with_pattern(host, module, *kind, choice.pattern, error);
  } else {
    *error = "a pattern reads a date, datetime or time";
  }
  if (!reader) return std::nullopt;
  reader->set_strict(!choice.lenient);
  reader->set_week_rule(choice.week_rule);
  return reader;
}

FieldReader *PatternReaders::find(const Host &host, const Module &module, const ReaderChoice &choice,
                                  std::string *error) {
  std::string key = (choice.form ? std::string("form") : choice.name) + ":" + choice.pattern;
  for (Kept &kept : kept_) {
    if (kept.key == key) {
      kept.used = ++clock_;
      return &kept.reader;
    }
  }
  std::optional<FieldReader> made = make_field_reader(host, module, choice, error);
  if (!made) return nullptr;
  Kept entry{std::move(key), std::move(*made), ++clock_};
  // Reserved whole: what was handed out stays in place as the list grows.
  if (kept_.size() < capacity_) {
    kept_.push_back(std::move(entry));
    return &kept_.back().reader;
  }
  auto oldest = std::min_element(kept_.begin(), kept_.end(),
                                 [](const Kept &a, const Kept &b) { return a.used < b.used; });
  *oldest = std::move(entry);
  return &oldest->reader;
}

ValueKind form_kind(std::string_view pattern) {
  bool date = false, clock = false;
  for (size_t i = 0; i + 1 < pattern.size(); ++i) {
    if (pattern[i] != '%') continue;
    const char d = pattern[++i];
    if (std::string_view("demYybhBCaAF").find(d) != std::string_view::npos) date = true;
    if (std::string_view("HIMSPp").find(d) != std::string_view::npos) clock = true;
  }
  if (clock) return date ? ValueKind::kDatetime : ValueKind::kTime;
  return ValueKind::kDate;
}

bool parse_readers(std::string_view given, const ReaderChoice &base, std::vector<ReaderChoice> *choices,
                   std::string *error) {
  choices->clear();
  for (size_t start = 0;;) {
    const size_t bar = given.find('|', start);
    const std::string_view text =
        given.substr(start, bar == std::string_view::npos ? given.size() - start : bar - start);
    if (choices->size() == kMaxAlternatives) {
      *error = "at most " + std::to_string(kMaxAlternatives) + " alternatives";
      return false;
    }
    ReaderChoice choice = base;
    if (!parse_alternative(text, &choice, error)) return false;
    choices->push_back(std::move(choice));
    if (bar == std::string_view::npos) return true;
    start = bar + 1;
  }
}

ColumnReader::ColumnReader(std::vector<FieldReader> readers, std::vector<std::string> labels)
    : readers_(std::move(readers)),
      labels_(std::move(labels)),
      alternatives_(readers_.size() > 1),
      values_(readers_.size()) {
  for (const std::string &label : labels_) name_ += (name_.empty() ? "" : "|") + label;
}

Agreement agree(std::span<const double> values, size_t *first) {
  *first = values.size();
  bool differ = false;
  for (size_t k = 0; k < values.size(); ++k) {
    if (std::isnan(values[k])) continue;
    if (*first == values.size()) {
      *first = k;
    } else if (values[k] != values[*first]) {
      differ = true;
    }
  }
  if (*first == values.size()) return Agreement::kNotRead;
  return differ ? Agreement::kAmbiguous : Agreement::kRead;
}

std::string describe_values(ValueKind kind, std::span<const double> values,
                            std::span<const std::string> labels) {
  std::string text;
  std::vector<bool> told(values.size(), false);
  for (size_t k = 0; k < values.size(); ++k) {
    if (told[k] || std::isnan(values[k])) continue;
    char iso[kIsoTextMax];
    if (!text.empty()) text += " or ";
    text.append(iso, write_iso(kind, values[k], iso));
    text += " by ";
    for (size_t j = k; j < values.size(); ++j) {
      if (told[j] || values[j] != values[k]) continue;
      if (j != k) text += ", ";
      text += labels[j];
      told[j] = true;
    }
  }
  return text;
}

ColumnReader::Outcome ColumnReader::read_alternatives(std::string_view field, double *value,
                                                      std::string *decimal, bool ascii) {
  bool any = false;
  for (size_t k = 0; k < readers_.size(); ++k) {
    double v = 0;
    // The first that reads gives the decimal text; the others' would be the same digits.
    std::string *text = decimal == nullptr ? nullptr : any ? &decimal_ : decimal;
    if (read_one(readers_[k], field, &v, text, ascii)) {
      values_[k] = v;
      any = true;
    } else {
      values_[k] = std::nan("");
    }
  }
  size_t first = 0;
  const Agreement agreement = agree(values_, &first);
  if (agreement == Agreement::kRead) *value = values_[first];
  if (agreement == Agreement::kAmbiguous && decimal != nullptr) decimal->clear();
  return agreement;
}

}  // namespace nlhost
