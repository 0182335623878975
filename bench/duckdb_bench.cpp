// nl_date in DuckDB against DuckDB's own strptime, in one database and run:
// ROWS German dates (07.12.2026) and the same days as long dates
// (7. Dezember 2026), which strptime cannot read, and the short ones by two
// alternatives of two locales.  Each query runs RUNS
// times; the best time is reported with the bare scan, count(s), as the
// floor.
//
//   nldat_duckdb_bench [ROWS] [RUNS] [THREADS]
//
// ROWS defaults to 10000000, RUNS to 5, THREADS to 1.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "duckdb.h"

namespace {

struct Query {
  const char *label;
  const char *expression;
};

constexpr Query kQueries[] = {
    {"count(s)", "count(s)"},
    {"count(strptime(s, '%d.%m.%Y'))", "count(strptime(s, '%d.%m.%Y'))"},
    {"count(nl_date(s, 'NLDATE', 'de_DE'))", "count(nl_date(s, 'NLDATE', 'de_DE'))"},
    {"count(l)", "count(l)"},
    {"count(try_strptime(l, '%d. %B %Y'))", "count(try_strptime(l, '%d. %B %Y'))"},
    {"count(nl_date(l, 'NLDATE', 'de_DE'))", "count(nl_date(l, 'NLDATE', 'de_DE'))"},
    // Alternatives: each reads every field, and en_US none of these.
    {"count(nl_date(s, 'NLDATE|NLDATE@en_US'))", "count(nl_date(s, 'NLDATE|NLDATE@en_US', 'de_DE'))"},
};

bool run(duckdb_connection connection, const std::string &sql, std::string *first_value) {
  duckdb_result result;
  const bool ok = duckdb_query(connection, sql.c_str(), &result) == DuckDBSuccess;
  if (!ok) {
    std::fprintf(stderr, "nldat_duckdb_bench: %s: %s\n", sql.c_str(), duckdb_result_error(&result));
  } else if (first_value != nullptr && duckdb_row_count(&result) > 0) {
    char *text = duckdb_value_varchar(&result, 0, 0);
    *first_value = text != nullptr ? text : "NULL";
    duckdb_free(text);
  }
  duckdb_destroy_result(&result);
  return ok;
}

long argument(int argc, char **argv, int index, long fallback) {
  if (argc <= index) return fallback;
  char *end = nullptr;
  const long value = std::strtol(argv[index], &end, 10);
  if (*end != '\0' || value <= 0) {
    std::fprintf(stderr, "usage: nldat_duckdb_bench [ROWS] [RUNS] [THREADS] (positive numbers)\n");
    std::exit(2);
  }
  return value;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc > 1 && std::string(argv[1]) == "--help") {
    std::printf(
        "usage: nldat_duckdb_bench [ROWS] [RUNS] [THREADS]\n"
        "Times nl_date against strptime over ROWS German dates (default 10000000),\n"
        "best of RUNS (default 5), on THREADS DuckDB threads (default 1).\n");
    return 0;
  }
  const long rows = argument(argc, argv, 1, 10000000);
  const long runs = argument(argc, argv, 2, 5);
  const long threads = argument(argc, argv, 3, 1);

  duckdb_config config = nullptr;
  duckdb_database db = nullptr;
  duckdb_connection connection = nullptr;
  char *error = nullptr;
  if (duckdb_create_config(&config) != DuckDBSuccess ||
      duckdb_set_config(config, "allow_unsigned_extensions", "true") != DuckDBSuccess ||
      duckdb_open_ext(nullptr, &db, config, &error) != DuckDBSuccess ||
      duckdb_connect(db, &connection) != DuckDBSuccess) {
    std::fprintf(stderr, "nldat_duckdb_bench: cannot open a database: %s\n", error != nullptr ? error : "?");
    return 2;
  }
  duckdb_destroy_config(&config);
  const std::string setup[] = {
      std::string("LOAD '") + NLDAT_DUCKDB_EXTENSION + "'",
      "SET threads = " + std::to_string(threads),
      "CREATE TABLE bench AS SELECT strftime(d, '%d.%m.%Y') AS s, day(d) || '. ' || "
      "['Januar', 'Februar', 'März', 'April', 'Mai', 'Juni', 'Juli', 'August', 'September', 'Oktober', "
      "'November', 'Dezember'][month(d)] || ' ' || year(d) AS l FROM (SELECT DATE '1950-01-01' + "
      "(i % 36500)::INTEGER AS d FROM range(" +
          std::to_string(rows) + ") r(i))",
  };
  for (const std::string &sql : setup)
    if (!run(connection, sql, nullptr)) return 2;

  std::printf("rows %ld, threads %ld, best of %ld\n", rows, threads, runs);
  double best[std::size(kQueries)] = {};
  for (size_t q = 0; q < std::size(kQueries); ++q) {
    const std::string sql = std::string("SELECT ") + kQueries[q].expression + " FROM bench";
    std::string count;
    for (long r = 0; r < runs; ++r) {
      const auto start = std::chrono::steady_clock::now();
      if (!run(connection, sql, &count)) return 2;
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (r == 0 || seconds < best[q]) best[q] = seconds;
    }
    std::printf("%-40s %10.1f ms  %8.1f M rows/s  read %s\n", kQueries[q].label, best[q] * 1e3,
                static_cast<double>(rows) / best[q] / 1e6, count.c_str());
  }
  const double strptime_net = best[1] - best[0], nl_net = best[2] - best[0];
  std::printf("nl_date / strptime: %.2f (whole query), %.2f (net of count(s))\n", best[2] / best[1],
              nl_net / strptime_net);
  duckdb_disconnect(&connection);
  duckdb_close(&db);
  return 0;
}
