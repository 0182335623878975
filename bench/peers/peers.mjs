// The whole-file jobs of bench/peers/run.py as a data analyst would write them
// with each engine, timed inside the process: the clock starts after the
// engine is loaded (and DuckDB's database is open) and stops when the output
// file is written.  Prints the seconds on standard output.
//
//   node peers.mjs polars|duckdb dates|csv|sniff INPUT OUTPUT
//
// dates: one German date dd.mm.yyyy a line -> "days<TAB>yyyy-mm-dd", days
//        counted from 1960-01-01 as nldat prints them.
// csv:   ';'-delimited with a header: Buchungstag (dd.mm.yyyy), Zeitstempel
//        (dd.mm.yyyy, HH:MM:SS), Betrag (-1.234,56) and three text columns ->
//        the same file with ISO dates, ISO datetimes and plain numbers.
// sniff: what the file is (DuckDB's sniff_csv: dialect, header, column types
//        and date formats) -> its one-row answer as CSV.  DuckDB only.
import { performance } from 'node:perf_hooks';

const [engine, job, input, output] = process.argv.slice(2);
const kEpochShift = 3653;  // days from 1960-01-01 to 1970-01-01

async function polars() {
  const pl = (await import('nodejs-polars')).default;
  const jobs = {
    dates: async () =>
      (await pl.scanCSV(input, { hasHeader: false, sep: '\t', schema: { d: pl.Utf8 } })
        .select(
          pl.col('d').str.strptime(pl.Date, '%d.%m.%Y').cast(pl.Int32).add(kEpochShift).cast(pl.Int32).alias('days'),
          pl.col('d').str.strptime(pl.Date, '%d.%m.%Y').alias('iso'),
        )
        .collect())
        .writeCSV(output, { includeHeader: false, separator: '\t' }),
    csv: async () =>
      (await pl.scanCSV(input, { hasHeader: true, sep: ';', inferSchemaLength: 0 })
        .withColumns(
          pl.col('Buchungstag').str.strptime(pl.Date, '%d.%m.%Y'),
          pl.col('Zeitstempel').str.strptime(pl.Datetime('ms'), '%d.%m.%Y, %H:%M:%S'),
          pl.col('Betrag').str.replaceAll('.', '', true).str.replace(',', '.', true).cast(pl.Float64),
        )
        .collect())
        .writeCSV(output, { includeHeader: true, separator: ';', datetimeFormat: '%Y-%m-%dT%H:%M:%S' }),
  };
  return jobs[job];
}

async function duckdb() {
  const { DuckDBInstance } = await import('@duckdb/node-api');
  const db = await DuckDBInstance.create(':memory:');
  const connection = await db.connect();
  const quote = (s) => `'${s.replaceAll("'", "''")}'`;
  const sql = {
    dates: `COPY (
        SELECT strptime(d, '%d.%m.%Y')::DATE - DATE '1960-01-01' AS days, strptime(d, '%d.%m.%Y')::DATE AS iso
        FROM read_csv(${quote(input)}, header = false, delim = '\t', quote = '', columns = {'d': 'VARCHAR'})
      ) TO ${quote(output)} (FORMAT csv, HEADER false, DELIMITER '\t')`,
    csv: `COPY (
        SELECT Buchungstag, Zeitstempel,
               replace(replace(Betrag, '.', ''), ',', '.')::DOUBLE AS Betrag, Name, Zweck, Konto
        FROM read_csv(${quote(input)}, header = true, delim = ';',
                      dateformat = '%d.%m.%Y', timestampformat = '%d.%m.%Y, %H:%M:%S',
                      columns = {'Buchungstag': 'DATE', 'Zeitstempel': 'TIMESTAMP', 'Betrag': 'VARCHAR',
                                 'Name': 'VARCHAR', 'Zweck': 'VARCHAR', 'Konto': 'VARCHAR'})
      ) TO ${quote(output)} (FORMAT csv, HEADER true, DELIMITER ';', TIMESTAMPFORMAT '%Y-%m-%dT%H:%M:%S')`,
    sniff: `COPY (SELECT * FROM sniff_csv(${quote(input)})) TO ${quote(output)} (FORMAT csv, HEADER true)`,
  };
  return async () => connection.run(sql[job]);
}

const engines = { polars, duckdb };
if (!engines[engine] || !['dates', 'csv', 'sniff'].includes(job) || !input || !output) {
  process.stderr.write('usage: node peers.mjs polars|duckdb dates|csv|sniff INPUT OUTPUT\n');
  process.exit(2);
}
const run = await engines[engine]();
const start = performance.now();
await run();
const seconds = (performance.now() - start) / 1000;
process.stdout.write(`${seconds.toFixed(6)}\n`);
