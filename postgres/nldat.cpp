// The SQL functions of the nldat extension: each takes its arguments from
// PostgreSQL, hands them to the backend's host (session.h) and turns the
// answer into a datum or an error.  The C++ work of a call ends before any
// PostgreSQL error is raised: ereport leaves by longjmp, which would skip the
// destructors of C++ objects still alive.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "nlhost/civil.h"
#include "nlhost/readers.h"
#include "nlhost/utf8.h"
#include "session.h"

extern "C" {
// postgres.h first: every other server header needs it.
// clang-format off
#include "postgres.h"
// clang-format on
#include "fmgr.h"
#include "funcapi.h"
#include "utils/builtins.h"
#include "utils/date.h"
#include "utils/fmgrprotos.h"
#include "utils/guc.h"
#include "utils/guc_tables.h"
#include "utils/numeric.h"
#include "utils/pg_locale.h"
#include "utils/timestamp.h"

PG_MODULE_MAGIC;

void _PG_init(void);
PG_FUNCTION_INFO_V1(nl_date);
PG_FUNCTION_INFO_V1(nl_timestamp);
PG_FUNCTION_INFO_V1(nl_ambiguity);
PG_FUNCTION_INFO_V1(nl_number);
PG_FUNCTION_INFO_V1(nl_percent);
PG_FUNCTION_INFO_V1(nl_money);
PG_FUNCTION_INFO_V1(nl_format_date);
PG_FUNCTION_INFO_V1(nl_format_timestamp);
PG_FUNCTION_INFO_V1(nl_week);
PG_FUNCTION_INFO_V1(nl_week_number);
PG_FUNCTION_INFO_V1(nl_read_week);
PG_FUNCTION_INFO_V1(nl_locales);
PG_FUNCTION_INFO_V1(nl_version);
}

namespace {

// The module counts days from 1960-01-01, PostgreSQL from 2000-01-01.
constexpr int64_t kEpochShiftDays = nlhost::civil::days_from_civil(2000, 1, 1);
static_assert(kEpochShiftDays == 14610);
constexpr double kEpochShiftSeconds = 86400.0 * kEpochShiftDays;

// Settings (GUC variables).
char *module_path_setting = nullptr;  // nldat.module
char *locale_setting = nullptr;       // nldat.locale

std::string_view text_view(const text *t) { return {VARDATA_ANY(t), VARSIZE_ANY_EXHDR(t)}; }

// The settings of a call whose locale argument is argument locale_arg (-1:
// none; the host keeps whatever locale it has).  A form without the argument
// (and, as version 1.0 declared them, a NULL one) means nldat.locale, and an
// empty nldat.locale the server's lc_time.  An empty argument is an error:
// the forms given their locale answer the same whatever the settings.
nlpg::Settings settings_for(FunctionCallInfo fcinfo, int locale_arg) {
  nlpg::Settings settings;
  settings.module_path = module_path_setting != nullptr ? module_path_setting : "";
  if (locale_arg < 0) return settings;
  if (PG_NARGS() > locale_arg && !PG_ARGISNULL(locale_arg)) {
    settings.locale = text_view(PG_GETARG_TEXT_PP(locale_arg));
    if (settings.locale.empty()) {
      ereport(ERROR, (errcode(ERRCODE_INVALID_PARAMETER_VALUE), errmsg("the locale name is empty"),
                      errhint("Leave the locale argument out for the locale nldat.locale names.")));
    }
  } else if (locale_setting != nullptr && locale_setting[0] != '\0') {
    settings.locale = locale_setting;
  } else {
    settings.locale = nlpg::locale_from_lc_time(locale_time != nullptr ? locale_time : "");
  }
  return settings;
}

int sqlstate(nlpg::Failure failure) {
  switch (failure) {
    case nlpg::Failure::kBadParameter: return ERRCODE_INVALID_PARAMETER_VALUE;
    case nlpg::Failure::kOutOfRange: return ERRCODE_DATETIME_VALUE_OUT_OF_RANGE;
    case nlpg::Failure::kLimit: return ERRCODE_PROGRAM_LIMIT_EXCEEDED;
    case nlpg::Failure::kModule: return ERRCODE_SYSTEM_ERROR;
    case nlpg::Failure::kOutOfMemory: return ERRCODE_OUT_OF_MEMORY;
    case nlpg::Failure::kNone:
    case nlpg::Failure::kInternal: break;
  }
  return ERRCODE_INTERNAL_ERROR;
}

[[noreturn]] void raise(const nlpg::Error &error) {
  ereport(ERROR, (errcode(sqlstate(error.failure)), errmsg("%s", error.message),
                  error.hint[0] != '\0' ? errhint("%s", error.hint) : 0));
  pg_unreachable();
}

// A rule argument as its letter, or an error naming it.
char rule_argument(FunctionCallInfo fcinfo, int arg) {
  const std::string_view given = text_view(PG_GETARG_TEXT_PP(arg));
  const char rule = nlpg::week_rule(given);
  if (rule == 0) {
    ereport(
        ERROR,
        (errcode(ERRCODE_INVALID_PARAMETER_VALUE),
         errmsg("unknown week rule \"%.*s\"", static_cast<int>(nlhost::utf8_cut(given, 64)), given.data()),
         errhint("The week rules are U (weeks begin on Sunday), W (on Monday) and V (ISO 8601).")));
  }
  return rule;
}

// Reads argument 0 by request; false for a field not read (SQL NULL).
bool read_argument(FunctionCallInfo fcinfo, nlpg::ReadRequest request, int locale_arg, double *value,
                   nlpg::Amount *amount = nullptr) {
  request.field = text_view(PG_GETARG_TEXT_PP(0));
  const nlpg::Settings settings = settings_for(fcinfo, locale_arg);
  nlpg::Error error;
  const nlpg::ReadResult result = nlpg::read_field(settings, request, value, amount, &error);
  if (result == nlpg::ReadResult::kFailed) raise(error);
  return result == nlpg::ReadResult::kRead;
}

// A module date value as a PostgreSQL date; false when it has none.
bool to_date_adt(double value, DateADT *date) {
  const double days = std::floor(value) - static_cast<double>(kEpochShiftDays);
  if (!(days >= PG_INT32_MIN && days <= PG_INT32_MAX)) return false;
  *date = static_cast<DateADT>(days);
  return IS_VALID_DATE(*date);
}

bool to_timestamp(double value, Timestamp *timestamp) {
  const double micros = std::rint((value - kEpochShiftSeconds) * 1e6);
  if (!(micros >= -9.2e18 && micros <= 9.2e18)) return false;
  *timestamp = static_cast<Timestamp>(micros);
  return IS_VALID_TIMESTAMP(*timestamp);
}

double from_date_adt(DateADT date) {
  return static_cast<double>(date) + static_cast<double>(kEpochShiftDays);
}

Datum read_number_like(FunctionCallInfo fcinfo, std::string_view reader) {
  if (PG_ARGISNULL(0)) PG_RETURN_NULL();
  nlpg::ReadRequest request;
  request.reader = reader;
  request.kind = nlhost::ValueKind::kNumber;
  double value = 0;
  if (!read_argument(fcinfo, request, 1, &value)) PG_RETURN_NULL();
  PG_RETURN_FLOAT8(value);
}

Datum format_value(FunctionCallInfo fcinfo, nlhost::ValueKind kind, double value) {
  const nlpg::Settings settings = settings_for(fcinfo, 2);
  const std::string_view pattern = text_view(PG_GETARG_TEXT_PP(1));
  char out[4096];
  size_t length = 0;
  nlpg::Error error;
  if (!nlpg::format_value(settings, kind, value, pattern, out, sizeof out, &length, &error)) raise(error);
  PG_RETURN_TEXT_P(cstring_to_text_with_len(out, static_cast<int>(length)));
}

bool check_module_path(char **value, void **, GucSource) {
  if (*value == nullptr || (*value)[0] != '/') {
    GUC_check_errdetail("nldat.module must be an absolute path.");
    return false;
  }
  return true;
}

// nldat.locale names a locale the host offers, or is empty (lc_time's).
bool check_locale_setting(char **value, void **, GucSource) {
  if (*value == nullptr || (*value)[0] == '\0') return true;
  nlpg::Error error;
  if (nlpg::check_locale(*value, &error)) return true;
  GUC_check_errdetail("%s.", error.message);
  if (error.hint[0] != '\0') GUC_check_errhint("%s", error.hint);
  return false;
}

// The setting's record, or null.
config_generic *setting_record(const char *name) {
  config_generic **all = get_guc_variables();
  for (int i = 0, n = GetNumConfigOptions(); i < n; ++i) {
    if (pg_strcasecmp(all[i]->name, name) == 0) return all[i];
  }
  return nullptr;
}

// nldat.module as postgresql.conf and ALTER SYSTEM configure it.  A value a
// role gave before the library was loaded (PGOPTIONS='-c nldat.module=...')
// replaces the configured one the backend inherited; when the library then
// refuses it (only a superuser may set it), that value is gone, so it is read
// again from the files.
void restore_configured_module() {
  if (ConfigFileName == nullptr) return;
  ConfigVariable *head = nullptr, *tail = nullptr;
  if (ParseConfigFile(ConfigFileName, true, nullptr, 0, 0, LOG, &head, &tail)) {
    // Relative to the data directory; there may be none.
    ParseConfigFile(PG_AUTOCONF_FILENAME, false, nullptr, 0, 0, LOG, &head, &tail);
    const char *configured = nullptr;
    for (const ConfigVariable *item = head; item != nullptr; item = item->next) {
      if (pg_strcasecmp(item->name, "nldat.module") == 0) configured = item->value;
    }
    if (configured != nullptr) SetConfigOption("nldat.module", configured, PGC_SIGHUP, PGC_S_FILE);
  }
  FreeConfigVariables(head);
}

}  // namespace

void _PG_init(void) {
  // A value set before the library was loaded lives in a placeholder.
  const bool module_asked_for = setting_record("nldat.module") != nullptr;
  DefineCustomStringVariable("nldat.module",
                             "The uwinldat.so that each backend loads at its first nldat call.",
                             "Read once per backend; only a superuser may set it.", &module_path_setting,
                             NLDAT_DEFAULT_MODULE, PGC_SUSET, 0, check_module_path, nullptr, nullptr);
  const config_generic *module = setting_record("nldat.module");
  if (module_asked_for && module != nullptr && module->reset_source == PGC_S_DEFAULT)
    restore_configured_module();
  DefineCustomStringVariable("nldat.locale", "The locale of nldat functions called without one.",
                             "Empty: the locale that lc_time names (C and POSIX: en_US).", &locale_setting,
                             "", PGC_USERSET, 0, check_locale_setting, nullptr, nullptr);
  MarkGUCPrefixReserved("nldat");
}

// nl_date(text, informat text, locale text) -> date
Datum nl_date(PG_FUNCTION_ARGS) {
  if (PG_ARGISNULL(0) || PG_ARGISNULL(1)) PG_RETURN_NULL();
  nlpg::ReadRequest request;
  request.reader = text_view(PG_GETARG_TEXT_PP(1));
  request.kind = nlhost::ValueKind::kDate;
  double value = 0;
  DateADT date = 0;
  if (!read_argument(fcinfo, request, 2, &value) || !to_date_adt(value, &date)) PG_RETURN_NULL();
  PG_RETURN_DATEADT(date);
}

// nl_timestamp(text, informat text, locale text) -> timestamp
Datum nl_timestamp(PG_FUNCTION_ARGS) {
  if (PG_ARGISNULL(0) || PG_ARGISNULL(1)) PG_RETURN_NULL();
  nlpg::ReadRequest request;
  request.reader = text_view(PG_GETARG_TEXT_PP(1));
  request.kind = nlhost::ValueKind::kDatetime;
  double value = 0;
  Timestamp timestamp = 0;
  if (!read_argument(fcinfo, request, 2, &value) || !to_timestamp(value, &timestamp)) PG_RETURN_NULL();
  PG_RETURN_TIMESTAMP(timestamp);
}

// nl_ambiguity(text, informat text, locale text) -> text: what each
// alternative makes of a field nl_date or nl_timestamp gives NULL for
// because two read it to different values; NULL for any other field.
Datum nl_ambiguity(PG_FUNCTION_ARGS) {
  const std::string_view field = text_view(PG_GETARG_TEXT_PP(0));
  const std::string_view reader = text_view(PG_GETARG_TEXT_PP(1));
  const nlpg::Settings settings = settings_for(fcinfo, 2);
  char out[1024];
  size_t length = 0;
  nlpg::Error error;
  if (!nlpg::describe_ambiguity(settings, field, reader, out, sizeof out, &length, &error)) raise(error);
  if (length == 0) PG_RETURN_NULL();
  PG_RETURN_TEXT_P(cstring_to_text_with_len(out, static_cast<int>(length)));
}

// nl_number(text, locale text) -> float8
Datum nl_number(PG_FUNCTION_ARGS) {
  return read_number_like(fcinfo, nlhost::library_reader(nlhost::ReaderSource::kNumber).name);
}

// nl_percent(text, locale text) -> float8, a fraction: '12,5 %' gives 0.125
Datum nl_percent(PG_FUNCTION_ARGS) {
  return read_number_like(fcinfo, nlhost::library_reader(nlhost::ReaderSource::kPercent).name);
}

// nl_money(text, locale text) -> numeric, rounded to the currency's fraction
// digits
Datum nl_money(PG_FUNCTION_ARGS) {
  if (PG_ARGISNULL(0)) PG_RETURN_NULL();
  nlpg::ReadRequest request;
  request.reader = nlhost::library_reader(nlhost::ReaderSource::kMoney).name;
  request.kind = nlhost::ValueKind::kNumber;
  double value = 0;
  nlpg::Amount amount;
  if (!read_argument(fcinfo, request, 1, &value, &amount)) PG_RETURN_NULL();
  const Datum exact = DirectFunctionCall3(numeric_in, CStringGetDatum(amount.digits),
                                          ObjectIdGetDatum(InvalidOid), Int32GetDatum(-1));
  return DirectFunctionCall2(numeric_round, exact, Int32GetDatum(amount.fraction_digits));
}

// nl_format(date, pattern text, locale text) -> text
Datum nl_format_date(PG_FUNCTION_ARGS) {
  if (PG_ARGISNULL(0) || PG_ARGISNULL(1)) PG_RETURN_NULL();
  const DateADT date = PG_GETARG_DATEADT(0);
  if (DATE_NOT_FINITE(date)) PG_RETURN_NULL();
  return format_value(fcinfo, nlhost::ValueKind::kDate, from_date_adt(date));
}

// nl_format(timestamp, pattern text, locale text) -> text
Datum nl_format_timestamp(PG_FUNCTION_ARGS) {
  if (PG_ARGISNULL(0) || PG_ARGISNULL(1)) PG_RETURN_NULL();
  const Timestamp timestamp = PG_GETARG_TIMESTAMP(0);
  if (TIMESTAMP_NOT_FINITE(timestamp)) PG_RETURN_NULL();
  return format_value(fcinfo, nlhost::ValueKind::kDatetime,
                      static_cast<double>(timestamp) / 1e6 + kEpochShiftSeconds);
}

// nl_week(date, rule text, width int) -> text
Datum nl_week(PG_FUNCTION_ARGS) {
  const DateADT date = PG_GETARG_DATEADT(0);
  const char rule = rule_argument(fcinfo, 1);
  const int32 width = PG_GETARG_INT32(2);
  if (DATE_NOT_FINITE(date)) PG_RETURN_NULL();
  char out[64];
  size_t length = 0;
  nlpg::Error error;
  if (!nlpg::format_week(settings_for(fcinfo, -1), from_date_adt(date), rule, width, out, &length, &error))
    raise(error);
  PG_RETURN_TEXT_P(cstring_to_text_with_len(out, static_cast<int>(length)));
}

// nl_week_number(date, rule text) -> int
Datum nl_week_number(PG_FUNCTION_ARGS) {
  const DateADT date = PG_GETARG_DATEADT(0);
  const char rule = rule_argument(fcinfo, 1);
  if (DATE_NOT_FINITE(date)) PG_RETURN_NULL();
  int week = 0;
  nlpg::Error error;
  if (!nlpg::week_number(settings_for(fcinfo, -1), from_date_adt(date), rule, &week, &error)) raise(error);
  PG_RETURN_INT32(week);
}

// nl_read_week(text, rule text) -> date
Datum nl_read_week(PG_FUNCTION_ARGS) {
  nlpg::ReadRequest request;
  request.reader = nlhost::library_reader(nlhost::ReaderSource::kWeek).name;
  request.kind = nlhost::ValueKind::kDate;
  request.rule = rule_argument(fcinfo, 1);
  double value = 0;
  DateADT date = 0;
  if (!read_argument(fcinfo, request, -1, &value) || !to_date_adt(value, &date)) PG_RETURN_NULL();
  PG_RETURN_DATEADT(date);
}

// nl_locales() -> setof text
Datum nl_locales(PG_FUNCTION_ARGS) {
  nlpg::Error error;
  const std::vector<std::string> *names = nlpg::locale_names(&error);
  if (names == nullptr) raise(error);
  InitMaterializedSRF(fcinfo, MAT_SRF_USE_EXPECTED_DESC);
  ReturnSetInfo *result = reinterpret_cast<ReturnSetInfo *>(fcinfo->resultinfo);
  for (size_t i = 0; i < names->size(); ++i) {
    Datum value = CStringGetTextDatum((*names)[i].c_str());
    bool null = false;
    tuplestore_putvalues(result->setResult, result->setDesc, &value, &null);
  }
  return static_cast<Datum>(0);
}

// nl_version() -> text: the extension's build, the module's release, and the
// ICU and CLDR versions the locales come from.  A result of an nl_* function
// that is given its locale stays the same while these do.
Datum nl_version(PG_FUNCTION_ARGS) {
  char out[256];
  nlpg::Error error;
  if (!nlpg::version(settings_for(fcinfo, -1), out, sizeof out, &error)) raise(error);
  PG_RETURN_TEXT_P(cstring_to_text(out));
}
