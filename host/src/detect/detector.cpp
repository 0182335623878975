// The detector: every column of a sample read by the readers that could
// apply, under each class of locales that could read it, and the outcome
// kept as evidence: who reads every field, who was ruled out where, and
// where the survivors disagree.
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

#include "../lenient/lenient.h"
#include "detect_internal.h"
#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"

namespace nlhost::detect {

namespace {

// A field of a column once, with the first line it is on.
struct Distinct {
  std::string_view text;  // trimmed
  int64_t line;
};

// One reader under one class: what it made of each distinct field, until
// the first it did not read.
struct Trial {
  const LocaleClass *cls = nullptr;
  std::string reader;
  std::string meaning;
  Order order = Order::kNone;
  std::string locale;  // the member it was read under
  std::vector<double> values;
  size_t failed_at = SIZE_MAX;  // SIZE_MAX: read every field
  bool alive() const { return failed_at == SIZE_MAX; }
};

bool canonical(const std::string &name) {
  // "de_DE", "fr_FR": a language with the country named as it is.
  if (name.size() != 5 || name[2] != '_') return false;
  return std::toupper(static_cast<unsigned char>(name[0])) == name[3] &&
         std::toupper(static_cast<unsigned char>(name[1])) == name[4];
}

// The locales most files are written in: where several locales read a
// column alike, the one a user most likely means.
constexpr std::string_view kCommon[] = {
    "en_US", "en_GB", "de_DE", "fr_FR", "es_ES", "it_IT", "pt_BR", "nl_NL", "ja_JP", "zh_Hans_CN", "ru_RU",
    "en_IN", "en_CA", "en_AU", "es_MX", "pt_PT", "pl_PL", "sv_SE", "da_DK", "nb_NO", "fi_FI",      "de_CH",
    "de_AT", "fr_CA", "fr_CH", "ko_KR", "tr_TR", "cs_CZ", "hu_HU", "el_GR", "he_IL", "ar_SA",      "hi_IN"};

bool common(const std::string &name) {
  return std::find(std::begin(kCommon), std::end(kCommon), name) != std::end(kCommon);
}

std::string language_of(std::string_view name) { return std::string(name.substr(0, name.find('_'))); }

// How much a locale is preferred as the one to read by: the preferred locale
// itself, then a common locale of its language, its language, any common
// locale, locales named as their country, then any with a country.
std::tuple<int, size_t, std::string_view> rank(const std::string &name, std::string_view preferred) {
  const bool same_language = language_of(name) == language_of(preferred);
  int tier = 6;
  if (name == preferred) {
    tier = 0;
  } else if (same_language && common(name)) {
    tier = 1;
  } else if (same_language) {
    tier = 2;
  } else if (common(name)) {
    tier = 3;
  } else if (canonical(name)) {
    tier = 4;
  } else if (name.find('_') != std::string::npos) {
    tier = 5;
  }
  // Among common locales, the order of the list.
  const size_t at =
      static_cast<size_t>(std::find(std::begin(kCommon), std::end(kCommon), name) - std::begin(kCommon));
  return {tier, tier == 1 || tier == 3 ? at : name.size(), name};
}

template <class Names>
std::string best_of(const Names &names, std::string_view preferred) {
  const std::string *best = nullptr;
  for (const std::string &name : names) {
    if (best == nullptr || rank(name, preferred) < rank(*best, preferred)) best = &name;
  }
  return best != nullptr ? *best : std::string();
}

std::string representative(const LocaleClass &cls, std::string_view preferred) {
  std::vector<std::string> names;
  for (const LocaleFacts *f : cls.members) names.push_back(f->name);
  return best_of(names, preferred);
}

// Whether text holds every byte of part in order: a record's currency text
// lacks the bytes that mean something in a number ("NAf." is held as
// "NAf"), which the field may have between the others.
// The fields as the readers see them: blanks of every width as ' ' (as a
// record's currency text holds them), no marks that steer display.
std::vector<std::string> normalized_texts(const std::vector<Distinct> &fields) {
  std::vector<std::string> normalized;
  for (const Distinct &d : fields) {
    std::string scratch;
    normalized.emplace_back(normalize_field(d.text, scratch));
  }
  return normalized;
}

bool holds_in_order(std::string_view text, std::string_view part) {
  size_t k = 0;
  for (size_t i = 0; i < text.size() && k < part.size(); ++i) k += text[i] == part[k];
  return k == part.size();
}

// Whether the separators between a field's first and last digit are the
// record's own: a blank before a currency or percent sign is not a
// separator, and a field without any is read alike by every class.
bool separators_fit(std::string_view text, const uwn_number_convention &record) {
  const size_t first = text.find_first_of("0123456789"), last = text.find_last_of("0123456789");
  if (first == std::string_view::npos || record.decimal_separator == '\0' ||
      record.grouping_separator == '\0')
    return true;  // symbols of other scripts: try
  return std::all_of(text.begin() + first, text.begin() + last, [&](char c) {
    return std::string_view(".,' ").find(c) == std::string_view::npos || c == record.decimal_separator ||
           c == record.grouping_separator;
  });
}

bool has_letters(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x80 || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
  });
}

bool all_of_bytes(std::string_view text, std::string_view allowed) {
  return std::all_of(text.begin(), text.end(),
                     [&](char c) { return allowed.find(c) != std::string_view::npos; });
}

// An integer: a column of them is numbers, however much they look like a
// date written without separators.
bool integer_text(std::string_view text) {
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  return !text.empty() && all_of_bytes(text, "0123456789");
}

// Every date has a day and a year: two runs of digits at least.
bool could_be_date(std::string_view text) {
  int runs = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9' && (i == 0 || text[i - 1] < '0' || text[i - 1] > '9')) ++runs;
  }
  return runs >= 2;
}

bool has_digit(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool same_values(const std::vector<double> &a, const std::vector<double> &b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); });
}

ValueKind value_kind(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kDatetime: return ValueKind::kDatetime;
    case ColumnKind::kTime: return ValueKind::kTime;
    case ColumnKind::kNumber:
    case ColumnKind::kMoney:
    case ColumnKind::kPercent: return ValueKind::kNumber;
    default: return ValueKind::kDate;
  }
}

constexpr const char *kTimePatterns[] = {"%H:%M:%S", "%H:%M", "%I:%M:%S %P", "%I:%M %P"};

}  // namespace

struct Detector::State {
  Host &host;
  const Module &module;
  std::string original;  // the host's locale when the detector began reading
  std::map<std::string, std::shared_ptr<Locale>> locales;
  std::map<std::string, FieldReader> readers;
  std::string current;

  State(Host &h, const Module &m) : host(h), module(m) {}

  // Makes name the host's locale; false when it cannot be loaded.
  bool use_locale(const std::string &name) {
    if (name == current) return true;
    auto it = locales.find(name);
    if (it == locales.end()) {
      std::string why;
      it = locales.emplace(name, load_icu_locale(name, &why)).first;
    }
    if (it->second == nullptr) return false;
    host.set_locale(it->second);
    current = name;
    return true;
  }

  FieldReader *reader(const std::string &name) {
    auto it = readers.find(name);
    if (it == readers.end()) {
      std::string why;
      std::optional<FieldReader> made;
      if (name.rfind("time:", 0) == 0) {
        made = FieldReader::with_pattern(host, module, ValueKind::kTime, name.substr(5), &why);
      } else {
        made = FieldReader::make(host, module, name, &why);
      }
      if (!made) return nullptr;
      it = readers.emplace(name, std::move(*made)).first;
    }
    return &it->second;
  }

  // Reads fields by reader under the class's representative.
  // through: on past a field not read (NaN for it), to count what it reads.
  Trial run(const LocaleClass *cls, const std::string &reader_name, const std::string &locale,
            const std::vector<Distinct> &fields, bool through = false) {
    Trial t;
    t.cls = cls;
    t.reader = reader_name;
    t.locale = locale;
    FieldReader *reader = this->reader(reader_name);
    if (reader == nullptr || !use_locale(locale)) {
      t.failed_at = 0;
      return t;
    }
    host.make_current();
    t.values.reserve(fields.size());
    for (size_t k = 0; k < fields.size(); ++k) {
      double value = 0;
      if (!reader->read(fields[k].text, &value)) {
        if (t.failed_at == SIZE_MAX) t.failed_at = k;
        if (!through) return t;
        value = std::nan("");
      }
      t.values.push_back(value);
    }
    return t;
  }

  void explain_text(const std::vector<Distinct> &fields, std::vector<Trial> missed, ColumnReport *report);
  void analyze_column(const Column &column, size_t index, std::string_view preferred, ColumnReport *report);
  std::vector<Trial> date_trials(const std::vector<Distinct> &fields,
                                 const std::vector<std::string> &reader_names, std::string_view preferred);
  std::vector<Trial> class_trials(const std::vector<LocaleClass> &classes, const std::string &reader,
                                  const std::vector<Distinct> &fields,
                                  const std::vector<std::string> &normalized, std::string_view preferred);
};

// Numbers, amounts and percentages by the classes of their readers'
// records.  A class is tried only where it could read every field: the
// separators a field holds must be the class's own, and the letters and
// symbols of an amount must hold its currency (normalized[k]: fields[k] as
// the readers see it).
std::vector<Trial> Detector::State::class_trials(const std::vector<LocaleClass> &classes,
                                                 const std::string &reader,
                                                 const std::vector<Distinct> &fields,
                                                 const std::vector<std::string> &normalized,
                                                 std::string_view preferred) {
  const bool money = reader == "MONEY";
  const auto record_of = [&](const LocaleFacts &f) -> const uwn_number_convention & {
    return money ? f.money : reader == "PERCENT" ? f.percent : f.number;
  };
  std::vector<Trial> trials;
  for (const LocaleClass &cls : classes) {
    const LocaleFacts &facts = *cls.members.front();
    const uwn_number_convention &record = record_of(facts);
    // Letters and symbols are an amount's currency, local or international.
    const auto holds_currency = [&](const std::string &text) {
      for (const uwn_number_convention *r : {&facts.money, &facts.money_intl}) {
        const std::string_view currency(r->currency);
        if (!currency.empty() && holds_in_order(text, currency)) return true;
      }
      return false;
    };
    const bool could = std::all_of(normalized.begin(), normalized.end(), [&](const std::string &text) {
      if (has_letters(text) && !(money && holds_currency(text))) return false;
      return separators_fit(text, record);
    });
    if (!could) continue;
    Trial t = run(&cls, reader, representative(cls, preferred), fields);
    t.meaning = cls.meaning;
    t.order = cls.order;
    trials.push_back(std::move(t));
  }
  return trials;
}

// Dates and datetimes: numeric forms by the classes of short date forms;
// fields with words also by the classes of names that hold their words.
std::vector<Trial> Detector::State::date_trials(const std::vector<Distinct> &fields,
                                                const std::vector<std::string> &reader_names,
                                                std::string_view preferred) {
  // Where no field has words, a class reads the fields by its numeric forms,
  // which share its short form's separators, or as ISO 8601, which every
  // class reads alike: a class with none of the fields' separators is left
  // out (trying it would build its lenient forms for nothing).
  std::string separators;
  bool lettered = false, iso = true;
  for (const Distinct &d : fields) {
    lettered = lettered || has_letters(d.text);
    double value = 0;
    iso = iso && (lenient::read_iso(ValueKind::kDate, d.text, &value) ||
                  lenient::read_iso(ValueKind::kDatetime, d.text, &value));
    for (const char c : d.text) {
      if ((c < '0' || c > '9') && c != ' ' && separators.find(c) == std::string::npos) separators += c;
    }
  }
  std::vector<const LocaleClass *> classes;
  for (const LocaleClass &cls : numeric_date_classes()) {
    const std::string &form = cls.members.front()->date_form;
    if (lettered || iso || form.find_first_of(separators) != std::string::npos) classes.push_back(&cls);
  }
  // The words of each field: a names class must hold one word of every field
  // that has words (all of them English words or not).
  std::vector<std::vector<std::string>> field_words;
  for (const Distinct &d : fields) {
    if (!has_letters(d.text)) continue;
    std::vector<std::string> words = words_of(d.text);
    if (std::all_of(words.begin(), words.end(), [](const std::string &w) { return w == "t" || w == "z"; }))
      continue;  // ISO 8601
    field_words.push_back(std::move(words));
    if (field_words.size() == 64) break;  // enough to tell languages apart
  }
  if (!field_words.empty()) {
    for (const LocaleClass &cls : named_date_classes()) {
      const std::vector<std::string> &vocabulary = *cls.vocabulary;
      const bool holds =
          std::all_of(field_words.begin(), field_words.end(), [&](const std::vector<std::string> &ws) {
            return std::any_of(ws.begin(), ws.end(), [&](const std::string &w) {
              return std::binary_search(vocabulary.begin(), vocabulary.end(), w);
            });
          });
      if (holds) classes.push_back(&cls);
    }
  }
  std::vector<Trial> trials;
  for (const std::string &reader : reader_names) {
    for (const LocaleClass *cls : classes) {
      Trial t = run(cls, reader, representative(*cls, preferred), fields);
      t.meaning = cls->meaning;
      t.order = cls->order;
      trials.push_back(std::move(t));
    }
  }
  return trials;
}

namespace {

// The trials that read every field, as answers: those with the same values
// are one.
std::vector<Answer> answers_of(const std::vector<Trial> &trials, std::string_view preferred) {
  std::vector<Answer> answers;
  for (const Trial &t : trials) {
    if (!t.alive()) continue;
    Answer *same = nullptr;
    for (Answer &a : answers) {
      if (same_values(a.values, t.values)) same = &a;
    }
    if (same == nullptr) {
      answers.emplace_back();
      same = &answers.back();
      same->values = t.values;
    }
    Candidate candidate;
    candidate.reader = t.reader;
    candidate.meaning = t.meaning;
    candidate.order = t.order;
    candidate.locale = t.locale;
    if (t.cls != nullptr) {
      for (const LocaleFacts *f : t.cls->members) candidate.locales.push_back(f->name);
    } else {
      candidate.locales.push_back(t.locale);
    }
    same->candidates.push_back(std::move(candidate));
  }
  for (Answer &a : answers) {
    // The locale to read by, and the reader of the candidate that has it.
    std::vector<std::string> all;
    for (const Candidate &cand : a.candidates)
      all.insert(all.end(), cand.locales.begin(), cand.locales.end());
    a.locale = best_of(all, preferred);
    for (const Candidate &cand : a.candidates) {
      if (std::find(cand.locales.begin(), cand.locales.end(), a.locale) != cand.locales.end()) {
        a.reader = cand.reader;
        break;
      }
    }
  }
  return answers;
}

// The field that ruled candidates out: for each date order no answer has,
// the field that ruled out the last candidate of that order; then the
// candidates that read some fields but not all.
std::vector<Evidence> evidence_of(const std::vector<Trial> &trials, const std::vector<Distinct> &fields,
                                  std::string_view preferred) {
  std::vector<const Trial *> chosen;
  for (const Order order : {Order::kDayFirst, Order::kMonthFirst, Order::kYearFirst}) {
    const Trial *last = nullptr;
    bool alive = false;
    for (const Trial &t : trials) {
      if (t.order != order) continue;
      alive = alive || t.alive();
      if (!t.alive() &&
          (last == nullptr || t.failed_at > last->failed_at ||
           (t.failed_at == last->failed_at && rank(t.locale, preferred) < rank(last->locale, preferred))))
        last = &t;
    }
    if (!alive && last != nullptr) chosen.push_back(last);
  }
  std::vector<const Trial *> near;
  for (const Trial &t : trials) {
    if (!t.alive() && t.failed_at > 0 && std::find(chosen.begin(), chosen.end(), &t) == chosen.end())
      near.push_back(&t);
  }
  std::stable_sort(near.begin(), near.end(),
                   [](const Trial *a, const Trial *b) { return a->failed_at > b->failed_at; });
  chosen.insert(chosen.end(), near.begin(), near.end());
  std::vector<Evidence> evidence;
  for (const Trial *t : chosen) {
    if (evidence.size() == 6 || t->failed_at >= fields.size()) break;
    const Distinct &d = fields[t->failed_at];
    evidence.push_back({d.line, std::string(d.text), t->meaning, t->locale, t->reader});
  }
  return evidence;
}

}  // namespace

// A column none reads whole: the candidates that read most of its fields,
// each read through to the end, and a pair of them that between them read
// every field and agree where both do.
void Detector::State::explain_text(const std::vector<Distinct> &fields, std::vector<Trial> missed,
                                   ColumnReport *report) {
  const std::string preferred = report->preferred;
  std::stable_sort(missed.begin(), missed.end(), [&](const Trial &a, const Trial &b) {
    if (a.failed_at != b.failed_at) return a.failed_at > b.failed_at;
    return rank(a.locale, preferred) < rank(b.locale, preferred);
  });
  // The best of each reader and order: two of one order tell nothing new.
  std::vector<Trial> nearest;
  for (const Trial &t : missed) {
    if (nearest.size() == 4) break;
    if (std::any_of(nearest.begin(), nearest.end(),
                    [&](const Trial &n) { return n.reader == t.reader && n.order == t.order; }))
      continue;
    Trial whole = run(t.cls, t.reader, t.locale, fields, true);
    whole.meaning = t.meaning;
    whole.order = t.order;
    nearest.push_back(std::move(whole));
  }
  for (const Trial &t : nearest) {
    if (std::all_of(t.values.begin(), t.values.end(), [](double v) { return std::isnan(v); })) continue;
    Evidence e{fields[t.failed_at].line, std::string(fields[t.failed_at].text), t.meaning, t.locale,
               t.reader};
    e.of = static_cast<int64_t>(fields.size());
    e.read = std::count_if(t.values.begin(), t.values.end(), [](double v) { return !std::isnan(v); });
    report->nearest.push_back(std::move(e));
  }
  for (size_t a = 0; a < nearest.size() && report->together.empty(); ++a) {
    for (size_t b = a + 1; b < nearest.size() && report->together.empty(); ++b) {
      bool covered = true;
      for (size_t k = 0; k < fields.size() && covered; ++k)
        covered = !std::isnan(nearest[a].values[k]) || !std::isnan(nearest[b].values[k]);
      if (covered) {
        report->together =
            nearest[a].reader + "@" + nearest[a].locale + "|" + nearest[b].reader + "@" + nearest[b].locale;
      }
    }
  }
}

void Detector::State::analyze_column(const Column &column, size_t index, std::string_view preferred,
                                     ColumnReport *report) {
  report->name = column.name;
  report->index = index;
  report->preferred = std::string(preferred);
  report->fields = static_cast<int64_t>(column.fields.size());
  std::vector<Distinct> fields;
  {
    std::map<std::string_view, size_t> seen;
    for (const Field &f : column.fields) {
      const std::string_view text = trim_blanks(f.text);
      if (text.empty()) {
        ++report->empty;
        continue;
      }
      if (seen.emplace(text, fields.size()).second) fields.push_back({text, f.line});
    }
  }
  if (fields.empty()) {
    report->kind = ColumnKind::kEmpty;
    return;
  }
  report->read = report->fields - report->empty;
  const bool integers =
      std::all_of(fields.begin(), fields.end(), [](const Distinct &d) { return integer_text(d.text); });
  const bool clock = std::all_of(fields.begin(), fields.end(), [](const Distinct &d) {
    return d.text.find(':') != std::string_view::npos;
  });
  const bool weeks = std::all_of(fields.begin(), fields.end(), [](const Distinct &d) {
    return d.text.find_first_of("Ww") != std::string_view::npos && !all_of_bytes(d.text, "WwTZ:.-+ ") &&
           d.text.size() <= 12;
  });
  std::vector<Trial> missed;  // trials that read some fields, for a column none reads whole
  auto settle = [&](ColumnKind kind, std::vector<Trial> trials) {
    std::vector<Answer> answers = answers_of(trials, preferred);
    if (answers.empty()) {
      for (Trial &t : trials) {
        if (!t.alive()) missed.push_back(std::move(t));
      }
      return false;
    }
    report->kind = kind;
    report->answers = std::move(answers);
    report->evidence = evidence_of(trials, fields, preferred);
    return true;
  };
  const bool dates =
      std::all_of(fields.begin(), fields.end(), [](const Distinct &d) { return could_be_date(d.text); });
  const bool numbers =
      std::all_of(fields.begin(), fields.end(), [](const Distinct &d) { return has_digit(d.text); });
  if (!integers && dates) {
    if (weeks && settle(ColumnKind::kWeekDate, {run(nullptr, "WEEK", std::string(preferred), fields)})) {
      report->answers.front().candidates.front().meaning = "ISO 8601 week date";
    } else if (weeks && settle(ColumnKind::kWeekDate, date_trials(fields, {"NLDATE"}, preferred))) {
    } else if (clock &&
               settle(ColumnKind::kDatetime, date_trials(fields, {"NLDATM", "NLDATMAP"}, preferred))) {
    } else if (clock) {
      std::vector<Trial> trials;
      for (const char *pattern : kTimePatterns) {
        Trial t = run(nullptr, std::string("time:") + pattern, std::string(preferred), fields);
        t.meaning = std::string("time ") + pattern;
        trials.push_back(std::move(t));
      }
      settle(ColumnKind::kTime, std::move(trials));
    } else {
      settle(ColumnKind::kDate, date_trials(fields, {"NLDATE"}, preferred));
    }
  }
  if (integers) {
    const LocaleClass &every = every_locale();
    Trial t = run(&every, "NUMBER", std::string(preferred), fields);
    t.meaning = every.meaning;
    settle(ColumnKind::kNumber, {std::move(t)});
  }
  if (report->answers.empty() && numbers) {
    // Numbers and percentages hold no letters: a column with them is tried
    // as money alone, without learning the other readers' records.
    const std::vector<std::string> normalized = normalized_texts(fields);
    std::vector<std::string> lettered_texts;
    std::copy_if(normalized.begin(), normalized.end(), std::back_inserter(lettered_texts), has_letters);
    const bool lettered = !lettered_texts.empty();
    (!lettered &&
     (settle(ColumnKind::kNumber, class_trials(number_classes(), "NUMBER", fields, normalized, preferred)) ||
      settle(ColumnKind::kPercent,
             class_trials(percent_classes(), "PERCENT", fields, normalized, preferred)))) ||
        ((!lettered || some_currency_in(lettered_texts)) &&
         settle(ColumnKind::kMoney, class_trials(money_classes(), "MONEY", fields, normalized, preferred)));
  }
  if (report->answers.empty()) {
    report->kind = ColumnKind::kText;
    report->read = 0;
    explain_text(fields, std::move(missed), report);
    return;
  }
  if (report->answers.size() > 1) {
    // The first field the answers disagree on, and what each makes of it.
    const std::vector<double> &first = report->answers.front().values;
    for (size_t k = 0; k < fields.size(); ++k) {
      const bool differ = std::any_of(report->answers.begin() + 1, report->answers.end(),
                                      [&](const Answer &a) { return a.values[k] != first[k]; });
      if (!differ) continue;
      report->ambiguity.line = fields[k].line;
      report->ambiguity.field = std::string(fields[k].text);
      for (const Answer &a : report->answers) {
        char text[64];
        report->ambiguity.values.emplace_back(text, write_iso(value_kind(report->kind), a.values[k], text));
      }
      break;
    }
  }
}

namespace {

bool dated(ColumnKind kind) { return kind == ColumnKind::kDate || kind == ColumnKind::kDatetime; }

// The one order a decided column's candidates all have; kNone when they do
// not share one (ISO 8601 reads alike in every order).
Order order_shown(const ColumnReport &column) {
  if (!dated(column.kind) || column.answers.size() != 1) return Order::kNone;
  Order order = Order::kNone;
  for (const Candidate &cand : column.answers.front().candidates) {
    if (cand.order == Order::kNone || (order != Order::kNone && cand.order != order)) return Order::kNone;
    order = cand.order;
  }
  return order;
}

bool answer_has_order(const Answer &a, Order order) {
  return std::any_of(a.candidates.begin(), a.candidates.end(),
                     [&](const Candidate &c) { return c.order == order; });
}

// A column ambiguous on its own takes the order of the file's other dated
// columns, when every one that shows an order shows the same.
void settle_by_file(Report *report) {
  Order shared = Order::kNone;
  const ColumnReport *witness = nullptr;
  for (const ColumnReport &column : report->columns) {
    const Order order = order_shown(column);
    if (order == Order::kNone) continue;
    if (shared != Order::kNone && order != shared) return;  // the columns disagree: nothing is settled
    if (shared == Order::kNone) witness = &column;
    shared = order;
  }
  if (witness == nullptr) return;
  for (ColumnReport &column : report->columns) {
    if (!dated(column.kind) || column.answers.size() < 2) continue;
    size_t matching = 0, at = 0;
    for (size_t k = 0; k < column.answers.size(); ++k) {
      if (answer_has_order(column.answers[k], shared)) ++matching, at = k;
    }
    if (matching != 1) continue;
    // The witness's field that ruled out an order this column's other answers have.
    int64_t line = 0;
    for (const Evidence &e : witness->evidence) {
      for (size_t k = 0; k < column.answers.size() && line == 0; ++k) {
        for (const Candidate &c : column.answers[k].candidates) {
          if (k != at && c.order != Order::kNone && e.ruled_out.rfind(order_name(c.order), 0) == 0)
            line = e.line;
        }
      }
    }
    column.chosen = at;
    column.settled = true;
    column.settled_by = std::string(order_name(shared)) + ", as " + witness->name +
                        (line > 0 ? " (line " + std::to_string(line) + ")" : std::string());
  }
}

}  // namespace

Detector::Detector(Host &host, const Module &module) : state_(std::make_unique<State>(host, module)) {}
Detector::~Detector() = default;

Report Detector::analyze(const std::vector<Column> &columns, std::string_view preferred) {
  State &s = *state_;
  if (preferred.empty()) preferred = "en_US";
  const Locale *before = s.host.locale();
  const std::string original = before != nullptr ? before->name() : std::string();
  Report report;
  report.preferred = std::string(preferred);
  for (size_t k = 0; k < columns.size(); ++k) {
    report.columns.emplace_back();
    s.analyze_column(columns[k], k, preferred, &report.columns.back());
  }
  settle_by_file(&report);

  choose_locale(columns, &report);
  if (!original.empty()) s.use_locale(original);
  return report;
}

void Detector::choose_locale(const std::vector<Column> &columns, Report *report) {
  State &s = *state_;
  const Locale *before = s.host.locale();
  const std::string original = before != nullptr ? before->name() : std::string();
  report->locale.clear();
  // One locale for every converted column when one reads them all as their
  // answers do: the locales their answers share, the preferred first, each
  // tried on the columns' fields again.
  std::vector<std::string> shared;
  bool first = true;
  for (const ColumnReport &column : report->columns) {
    if (!column.converted()) continue;
    std::vector<std::string> names;
    for (const Candidate &cand : column.answers[column.chosen].candidates)
      names.insert(names.end(), cand.locales.begin(), cand.locales.end());
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    if (first) {
      shared = std::move(names);
      first = false;
    } else {
      std::vector<std::string> both;
      std::set_intersection(shared.begin(), shared.end(), names.begin(), names.end(),
                            std::back_inserter(both));
      shared = std::move(both);
    }
  }
  for (int attempt = 0; attempt < 4 && !shared.empty() && report->locale.empty(); ++attempt) {
    const std::string name = best_of(shared, report->preferred);
    shared.erase(std::find(shared.begin(), shared.end(), name));
    bool all_same = true;
    for (size_t k = 0; k < columns.size() && all_same; ++k) {
      const ColumnReport &column = report->columns[k];
      if (!column.converted()) continue;
      const Answer &answer = column.answers[column.chosen];
      std::vector<Distinct> fields;
      std::map<std::string_view, bool> seen;
      for (const Field &f : columns[k].fields) {
        const std::string_view text = trim_blanks(f.text);
        if (!text.empty() && seen.emplace(text, true).second) fields.push_back({text, f.line});
      }
      const Trial t = s.run(nullptr, answer.reader, name, fields);
      all_same = t.alive() && same_values(t.values, answer.values);
    }
    if (all_same) report->locale = name;
  }
  report->per_column_locales =
      report->locale.empty() && std::any_of(report->columns.begin(), report->columns.end(),
                                            [](const ColumnReport &c) { return c.converted(); });
  if (!original.empty()) s.use_locale(original);
}

size_t Answer::locale_count() const {
  std::vector<std::string> all;
  for (const Candidate &c : candidates) all.insert(all.end(), c.locales.begin(), c.locales.end());
  std::sort(all.begin(), all.end());
  return static_cast<size_t>(std::unique(all.begin(), all.end()) - all.begin());
}

bool Report::any_ambiguous() const {
  return std::any_of(columns.begin(), columns.end(), [](const ColumnReport &c) { return c.ambiguous(); });
}

std::string_view kind_name(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kEmpty: return "empty";
    case ColumnKind::kDate: return "date";
    case ColumnKind::kDatetime: return "datetime";
    case ColumnKind::kTime: return "time";
    case ColumnKind::kWeekDate: return "week date";
    case ColumnKind::kNumber: return "number";
    case ColumnKind::kMoney: return "money";
    case ColumnKind::kPercent: return "percent";
    case ColumnKind::kText: return "text";
  }
  return "text";
}

std::string_view order_name(Order order) {
  switch (order) {
    case Order::kDayFirst: return "day-first";
    case Order::kMonthFirst: return "month-first";
    case Order::kYearFirst: return "year-first";
    case Order::kNone: break;
  }
  return "";
}

}  // namespace nlhost::detect
