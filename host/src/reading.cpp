// nlhost: one field read by an informat or library reader of the module,
// normalized first and, in strict mode, checked to account for the whole
// field.
#include "nlhost/reading.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <iterator>

#include "lenient/lenient.h"
#include "nlhost/civil.h"
#include "nlhost/text.h"
#include "reading_stages.h"

namespace nlhost {

using reading::kLongestNumber;
using reading::number_conventions;
using reading::number_separators;
using reading::NumberConventions;
using reading::NumberShape;

namespace {

using LocaleNumberReader = int32_t (*)(intptr_t, intptr_t, const void *, int32_t, uwn_informat_block *);
using PatternReader = int32_t (*)(const char *, int32_t, const char *, int32_t, double *);
using PatternWriter = int32_t (*)(char *, int32_t *, const char *, int32_t, double);

}  // namespace

// A pattern of two- and four-digit numeric fields and literal bytes, laid
// out as the fixed positions of the fields it writes, and checked against a
// field a machine word at a time: the literal bytes compared under a mask,
// the digits tested under another, then the numbers whose range is narrower
// than their digits'.
class NumericLayout {
 public:
  // Nothing usable (every field "not sure") for a pattern of other
  // directives or one too long to lay out.
  explicit NumericLayout(std::string_view pattern);

  // Whether field is exactly what the pattern writes, every number in its
  // field's range: then the fixed-width reader read all of it, and writing
  // the value back would give the field again.  False means "not sure"
  // (names, flags, other directives, a shape that differs), never "not
  // whole".
  bool matches(std::string_view field) const {
    if (field.size() != length_) return false;  // never when not usable: no field is that long
    const char *bytes = field.data();
    char short_field[8] = {};
    if (length_ < 8) {  // shorter than a word: its bytes, then zeros the masks leave out
      for (size_t k = 0; k < length_; ++k) short_field[k] = bytes[k];
      bytes = short_field;
    }
    // Any bit that differs from what the pattern writes, over every word:
    // one test at the end.  A byte is a digit when its high half is 3 and
    // stays 3 with 6 added; a carry from the byte before only ever makes the
    // test fail.
    const auto differs = [bytes](const Word &m) {
      uint64_t w;
      std::memcpy(&w, bytes + m.at, sizeof w);
      return ((w & m.mask) ^ m.expected) | (((w + kSixes) & m.digit_high) ^ m.digit_threes);
    };
    // Three words without a loop, nearly every date and datetime: the words
    // not laid out are at 0 with empty masks and never differ.
    uint64_t all = differs(words_[0]) | differs(words_[1]) | differs(words_[2]);
    for (size_t k = 3; k < word_count_; ++k) all |= differs(words_[k]);
    if (all != 0) return false;
    const auto two_digits = [bytes](size_t at) {
      return 10 * static_cast<unsigned>(bytes[at] - '0') + static_cast<unsigned>(bytes[at + 1] - '0');
    };
    for (size_t k = 0; k < ranged_count_; ++k) {
      const Ranged &r = ranged_[k];
      if (const unsigned v = two_digits(r.at); v < r.low || v > r.high) return false;
    }
    // The day must exist in its month in some year (zmdy has already
    // refused 31 April): the range of both, in one test each.
    if (day_at_ < 0 || month_at_ < 0) return true;
    const unsigned month = two_digits(static_cast<size_t>(month_at_));
    return month - 1 < 12 && two_digits(static_cast<size_t>(day_at_)) - 1 < kLongestMonth[month];
  }

 private:
  static constexpr size_t kLongest = 64;
  static constexpr uint64_t kHigh = 0xF0F0F0F0F0F0F0F0, kThrees = 0x3030303030303030,
                            kSixes = 0x0606060606060606;
  // The most days month m (from 1; 0 for none) has in any year.
  static constexpr unsigned kLongestMonth[13] = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  // Eight bytes of the field from at: the bits of literal bytes and of the
  // digits' high halves, and what they must be; the digits' high halves
  // again, and what they must be with 6 added.
  struct Word {
    size_t at = 0;
    uint64_t mask = 0, expected = 0, digit_high = 0, digit_threes = 0;
  };
  // A two-digit number whose range is narrower than 00 to 99.
  struct Ranged {
    size_t at;
    unsigned low, high;
  };

  size_t length_ = SIZE_MAX;  // of every field the pattern writes; SIZE_MAX: not usable
  std::array<Word, kLongest / 8 + 1> words_{};
  size_t word_count_ = 0;
  std::array<Ranged, kLongest / 2> ranged_{};
  size_t ranged_count_ = 0;
  int day_at_ = -1, month_at_ = -1;  // where %d and %m stand; -1: nowhere
};

NumericLayout::NumericLayout(std::string_view pattern) {
  std::array<char, kLongest> text{};     // the literal bytes at their positions
  std::array<bool, kLongest> literal{};  // which positions hold them
  std::array<bool, kLongest> digit{};
  size_t f = 0;
  for (size_t p = 0; p < pattern.size(); ++p) {
    if (f >= kLongest) return;
    if (pattern[p] != '%' || (p + 1 < pattern.size() && pattern[p + 1] == '%')) {
      p += pattern[p] == '%';  // %% writes one %
      literal[f] = true;
      text[f++] = pattern[p];
      continue;
    }
    if (++p == pattern.size()) return;
    const char letter = pattern[p];
    Ranged range{f, 0, 99};
    size_t digits = 2;
    switch (letter) {
      case 'd': range.low = 1, range.high = 31, day_at_ = static_cast<int>(f); break;
      case 'm': range.low = 1, range.high = 12, month_at_ = static_cast<int>(f); break;
      case 'H': range.high = 23; break;
      case 'M':
      case 'S': range.high = 59; break;
      case 'Y': digits = 4; break;
      case 'y': break;
      default: return;
    }
    if (f + digits > kLongest) return;
    if (range.low > 0 || range.high < 99) ranged_[ranged_count_++] = range;
    for (size_t k = 0; k < digits; ++k) digit[f + k] = true;
    f += digits;
  }
  const size_t length = f;
  if (day_at_ >= 0 && month_at_ >= 0) {  // both are tested against each other
    size_t kept = 0;
    for (size_t k = 0; k < ranged_count_; ++k) {
      const auto at = static_cast<int>(ranged_[k].at);
      if (at != day_at_ && at != month_at_) ranged_[kept++] = ranged_[k];
    }
    ranged_count_ = kept;
  }
  // Words at 0, 8, 16, ... and the last one ending at the field's end,
  // overlapping the one before it: no byte past the field is read.
  const auto add_word = [&](size_t at) {
    Word &w = words_[word_count_++];
    w.at = at;
    char literal_mask[8] = {}, literal_bytes[8] = {}, digit_mask[8] = {};
    for (size_t k = 0; k < 8 && at + k < kLongest; ++k) {
      literal_mask[k] = literal[at + k] ? '\xFF' : '\0';
      literal_bytes[k] = literal[at + k] ? text[at + k] : '\0';
      digit_mask[k] = digit[at + k] ? '\xFF' : '\0';
    }
    uint64_t literal_word = 0, bytes_word = 0, digit_word = 0;
    std::memcpy(&literal_word, literal_mask, 8);
    std::memcpy(&bytes_word, literal_bytes, 8);
    std::memcpy(&digit_word, digit_mask, 8);
    // Literal and digit positions never share a byte: one mask tests both.
    w.mask = literal_word | (kHigh & digit_word);
    w.expected = bytes_word | (kThrees & digit_word);
    w.digit_high = kHigh & digit_word;
    w.digit_threes = kThrees & digit_word;
  };
  if (length <= 8) {
    add_word(0);  // a shorter field is checked in a zeroed word of its own
  } else {
    for (size_t at = 0; at + 8 < length; at += 8) add_word(at);
    add_word(length - 8);
  }
  length_ = length;
}

namespace {

// Equal but for blanks and ASCII case.
bool same_text_blanks_aside(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && (a[i] == ' ' || a[i] == '\t')) ++i;
    while (j < b.size() && (b[j] == ' ' || b[j] == '\t')) ++j;
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (ascii_upper(a[i]) != ascii_upper(b[j])) return false;
    ++i;
    ++j;
  }
}

int32_t run_informat(uwn_informat_fn informat, std::string_view field, double *value) {
  uwn_informat_block block{};
  block.text = field.data();
  block.text_length = static_cast<int32_t>(field.size());
  block.width = std::min<int32_t>(block.text_length, UWN_DESCRIPTOR_MAX);
  block.result = value;
  return informat(&block);
}

}  // namespace

std::optional<FieldReader> FieldReader::make(const Host &host, const Module &module, std::string_view name,
                                             std::string *error) {
  const ReaderInfo *row = find_reader(name);
  if (row == nullptr) {
    *error = "no informat or reader named " + std::string(name);
    return std::nullopt;
  }
  FieldReader reader(host, module);
  // Looked up once: a symbol lookup per field would cost as much as the read.
  reader.routine_ = module.symbol(row->reader);
  if (row->source == ReaderSource::kInformat) {
    reader.informat_ = module.informat(row->name);
    if (reader.informat_ == nullptr) {
      *error = "the module has no informat " + std::string(row->name);
      return std::nullopt;
    }
    reader.fallback_name_ = row->fallback;
  } else if (reader.routine_ == nullptr) {
    *error = std::string("the module does not export ") + row->reader;
    return std::nullopt;
  }
  if (row->writer != nullptr) reader.writer_ = module.symbol(row->writer);
  reader.name_ = std::string(row->name);
  reader.kind_ = row->kind;
  reader.source_ = row->source;
  reader.pattern_items_[0] = row->items[0];
  reader.pattern_items_[1] = row->items[1];
  return reader;
}

std::optional<FieldReader> FieldReader::with_pattern(const Host &host, const Module &module, ValueKind kind,
                                                     std::string pattern, std::string *error) {
  const KindInfo &info = kind_info(kind);
  if (info.pattern_reader == nullptr) {
    *error = "a pattern reads dates, datetimes and times only";
    return std::nullopt;
  }
  if (pattern.empty() || pattern.size() > UWN_DESCRIPTOR_MAX) {
    *error = "a pattern has 1 to " + std::to_string(UWN_DESCRIPTOR_MAX) + " bytes";
    return std::nullopt;
  }
  FieldReader reader(host, module);
  reader.routine_ = module.symbol(info.pattern_reader);
  if (reader.routine_ == nullptr) {
    *error = std::string("the module does not export ") + info.pattern_reader;
    return std::nullopt;
  }
  reader.writer_ = module.symbol(info.writer);
  reader.source_ = ReaderSource::kPattern;
  reader.kind_ = kind;
  reader.name_ = "pattern " + pattern;
  reader.pattern_ = std::move(pattern);
  return reader;
}

std::optional<FieldReader> FieldReader::with_form(const Host &host, const Module &module, ValueKind kind,
                                                  const std::string &pattern, std::string *error) {
  if (pattern.empty() || pattern.size() > UWN_DESCRIPTOR_MAX) {
    *error = "a pattern has 1 to " + std::to_string(UWN_DESCRIPTOR_MAX) + " bytes";
    return std::nullopt;
  }
  std::shared_ptr<const lenient::UserForm> form = lenient::user_form(pattern, kind, error);
  if (form == nullptr) return std::nullopt;
  FieldReader reader(host, module);
  reader.source_ = ReaderSource::kForm;
  reader.kind_ = kind;
  reader.name_ = "form " + pattern;
  reader.pattern_ = pattern;
  reader.form_ = std::move(form);
  return reader;
}

bool FieldReader::read(std::string_view field, double *value) { return read_exact(field, value, nullptr); }

FieldReader::FieldReader(const Host &host, const Module &module)
    : host_(&host), own_locale_(host.block_locale(module.control_block())) {}

bool FieldReader::read_exact(std::string_view field, double *value, std::string *decimal) {
  return read_trimmed(trim_blanks(normalize_field(field, scratch_)), value, decimal, false);
}

bool FieldReader::read_by_own_locale(std::string_view text, double *value, std::string *decimal, bool ascii) {
  // What the module asks of the host while it reads is answered by its locale.
  const Host::ThreadLocale scope(own_locale_);
  return read_text(text, value, decimal, ascii);
}

bool FieldReader::read_by_source(std::string_view text, double *value, std::string *decimal, bool ascii) {
  if (source_ == ReaderSource::kNumber || source_ == ReaderSource::kMoney ||
      source_ == ReaderSource::kPercent)
    return read_number(text, value, decimal, ascii);
  double read_value = std::nan("");
  if (!read_normalized(text, &read_value) || std::isnan(read_value)) return false;
  if (strict_ && source_ == ReaderSource::kPattern && !written_back_as(nullptr, 0, read_value, text))
    return false;
  *value = read_value;
  return true;
}

inline const NumericLayout *FieldReader::item_layout(size_t k) {
  const Locale *locale = this->locale();
  if (locale == nullptr) return nullptr;
  // The item's text is looked at again only when the locale has changed.
  if (locale->version() != layout_versions_[k]) lay_out(k, *locale);
  return layouts_[k].get();
}

inline const NumberConventions *FieldReader::item_conventions(size_t k) {
  const Locale *locale = this->locale();
  const uint64_t version = locale != nullptr ? locale->version() : 0;
  // Derived again only when the locale has changed: the item's pattern
  // text tells the group sizes and where the sign goes.
  if (version != convention_versions_[k] || version == 0) {
    const std::optional<NumberConventions> derived = number_conventions(locale, pattern_items_[k]);
    conventions_[k] = derived ? std::make_shared<const NumberConventions>(*derived) : nullptr;
    convention_versions_[k] = version;
  }
  return conventions_[k].get();
}

void FieldReader::lay_out(size_t k, const Locale &locale) {
  layouts_[k] = std::make_shared<const NumericLayout>(locale.text(pattern_items_[k]));
  layout_versions_[k] = locale.version();
}

// The informat's own road, pattern by pattern, so that the pattern that read
// the field is the one that must write it back: the first locale pattern,
// the second when the first does not account for the field, else the host's
// whole-field fallback alone (which a field read in part never reaches
// through the informat itself).
bool FieldReader::read_informat_strictly(std::string_view text, double *value) {
  const auto parser = reinterpret_cast<PatternReader>(routine_);
  const auto length = static_cast<int32_t>(text.size());
  if (parser != nullptr) {
    for (size_t k = 0; k < std::size(pattern_items_); ++k) {
      const int32_t item = pattern_items_[k];
      double read_value = std::nan("");
      const int32_t status = parser(text.data(), length, nullptr, item, &read_value);
      if (status != UWN_OK || std::isnan(read_value)) continue;
      // Most fields are the pattern's own numeric shape: no need to write them back.
      const NumericLayout *layout = item_layout(k);
      if ((layout != nullptr && layout->matches(text)) || written_back_as(nullptr, item, read_value, text)) {
        *value = read_value;
        return true;
      }
    }
  }
  const HostInformat *fallback = host_->find_informat(fallback_name_);
  if (fallback == nullptr) return false;
  double fallback_value = std::nan("");
  uwn_informat_block block{};
  block.text = text.data();
  block.text_length = length;
  block.width = std::min<int32_t>(length, UWN_DESCRIPTOR_MAX);
  block.result = &fallback_value;
  if ((*fallback)(&block) != 0 || std::isnan(fallback_value)) return false;
  *value = fallback_value;
  return true;
}

bool FieldReader::read_number(std::string_view text, double *value, std::string *decimal, bool ascii) {
  // Money: the local currency form, then the international one.
  for (size_t k = 0; k < std::size(pattern_items_); ++k) {
    const int32_t item = pattern_items_[k];
    if (item == 0) break;
    const NumberConventions *conventions = item_conventions(k);
    std::string_view field = text;
    if (conventions != nullptr && !ascii)
      field = number_separators(text, *conventions->record, number_scratch_);
    double read_value = std::nan("");
    if (!strict_) {
      if (run_number_reader(item, field, &read_value) && !std::isnan(read_value)) {
        *value = read_value;
        return true;
      }
      continue;
    }
    NumberShape shape;
    shape.decimal = decimal;
    if (conventions == nullptr) continue;
    // Most amounts are plain digits and separators: read in one pass,
    // anything else by the whole-field reader.
    if (!reading::read_plain_number(field, *conventions, &shape.value, decimal) &&
        !reading::read_number_shape(field, *conventions, source_, &shape))
      continue;
    // The currency text goes out whole before the module reads the rest: the
    // record's text may lack bytes that mean something in a number.  Most
    // amounts have none: the field itself is handed.
    char handed[kLongestNumber];
    const size_t cut = shape.currency_end - shape.currency_begin;
    if (field.size() - cut > sizeof handed) continue;
    std::string_view to_read = field;
    if (cut > 0) {
      std::memcpy(handed, field.data(), shape.currency_begin);
      std::memcpy(handed + shape.currency_begin, field.data() + shape.currency_end,
                  field.size() - shape.currency_end);
      to_read = std::string_view(handed, field.size() - cut);
    }
    if (!run_number_reader(item, to_read, &read_value)) continue;
    // The module's value must be what the field says.
    if (read_value != shape.value) continue;
    *value = read_value;
    return true;
  }
  if (decimal != nullptr) decimal->clear();
  return false;
}

bool FieldReader::run_number_reader(int32_t item, std::string_view text, double *value) {
  if (text.empty() || text.size() > kLongestNumber) return false;
  const auto reader = reinterpret_cast<LocaleNumberReader>(routine_);
  uwn_informat_block block{};
  block.text = text.data();
  block.text_length = block.width = static_cast<int32_t>(text.size());
  block.result = value;
  return reader(0, 0, nullptr, item, &block) == 0;
}

bool FieldReader::read_normalized(std::string_view text, double *value) {
  const auto length = static_cast<int32_t>(text.size());
  switch (source_) {
    case ReaderSource::kInformat: return run_informat(informat_, text, value) == 0;
    case ReaderSource::kNumber:
    case ReaderSource::kMoney:
    case ReaderSource::kPercent: return false;  // read_number
    case ReaderSource::kWeek: {
      const auto zkifweek_fn = reinterpret_cast<decltype(&zkifweek)>(routine_);
      double window_and_date = host_->year_window();
      if (zkifweek_fn(text.data(), length, &week_rule_, 1, &window_and_date) != 0) return false;
      *value = window_and_date;
      return true;
    }
    case ReaderSource::kForm: {
      const Locale *locale = this->locale();
      const lenient::LocaleForms *forms = locale != nullptr ? lenient::forms_of(*locale) : nullptr;
      return forms != nullptr && lenient::read_user_form(*forms, *form_, text, host_->year_window(), value);
    }
    case ReaderSource::kPattern: {
      const auto reader = reinterpret_cast<PatternReader>(routine_);
      return reader(text.data(), length, pattern_.data(), static_cast<int32_t>(pattern_.size()), value) == 0;
    }
  }
  return false;
}

// Whether value, written by locale item `item` (pattern null) or by this
// reader's own pattern, gives the field again, blanks and ASCII case aside.
bool FieldReader::written_back_as(const char *pattern, int32_t item, double value,
                                  std::string_view field) const {
  const auto writer = reinterpret_cast<PatternWriter>(writer_);
  if (writer == nullptr) return false;
  if (pattern == nullptr && item == 0) {
    pattern = pattern_.data();
    item = static_cast<int32_t>(pattern_.size());
  }
  char written[256];
  int32_t width = sizeof written;
  if (writer(written, &width, pattern, item, value) != UWN_OK) return false;
  return same_text_blanks_aside(std::string_view(written, static_cast<size_t>(width)), field);
}

}  // namespace nlhost
