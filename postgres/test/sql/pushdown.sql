-- Functions given their locale are IMMUTABLE: an index and a generated
-- column can use them, and postgres_fdw ships them to the remote server.
SET datestyle = ISO;
\set SHOW_CONTEXT never

-- An index on the date a text column holds, used by a query.
CREATE TABLE indexed (raw text);
INSERT INTO indexed SELECT to_char(date '2000-01-01' + i, 'DD.MM.YYYY') FROM generate_series(0, 9999) AS i;
CREATE INDEX indexed_date ON indexed (nl_date(raw, 'NLDATE', 'de_DE'));
ANALYZE indexed;
SET enable_seqscan = off;
SET enable_bitmapscan = off;
EXPLAIN (COSTS OFF) SELECT raw FROM indexed WHERE nl_date(raw, 'NLDATE', 'de_DE') = date '2026-12-07';
SELECT raw FROM indexed WHERE nl_date(raw, 'NLDATE', 'de_DE') = date '2026-12-07';
RESET enable_seqscan;
RESET enable_bitmapscan;
-- The form that takes nldat.locale answers by a setting: no index.
CREATE INDEX ON indexed (nl_date(raw));
\echo :LAST_ERROR_SQLSTATE
DROP TABLE indexed;

-- A generated column.
CREATE TABLE generated (raw text, d date GENERATED ALWAYS AS (nl_date(raw, 'NLDATE', 'de_DE')) STORED);
INSERT INTO generated (raw) VALUES ('07.12.2026'), ('05. März 2020'), ('kein Datum'), (NULL);
UPDATE generated SET raw = '08.12.2026' WHERE raw = '07.12.2026';
SELECT raw, d FROM generated ORDER BY raw NULLS LAST;
DROP TABLE generated;

-- A loopback server to this database stands for another machine.
CREATE EXTENSION postgres_fdw;
\getenv pghost PGHOST
\getenv pgport PGPORT
CREATE SERVER loopback FOREIGN DATA WRAPPER postgres_fdw
  OPTIONS (host :'pghost', port :'pgport', dbname 'nldat_regress', extensions 'nldat');
CREATE USER MAPPING FOR CURRENT_USER SERVER loopback;

CREATE TABLE imports_store (id int, raw text, d date);
INSERT INTO imports_store (id, raw) VALUES
  (1, '07.12.2026'), (2, '05. März 2020'), (3, '7.12.2026x'), (4, 'kein Datum'), (5, NULL), (6, '29.02.2023');
CREATE FOREIGN TABLE imports (id int, raw text, d date) SERVER loopback OPTIONS (table_name 'imports_store');

-- A filter and an aggregate run on the remote side ...
EXPLAIN (VERBOSE, COSTS OFF)
SELECT id FROM imports WHERE nl_date(raw, 'NLDATE', 'de_DE') > date '2021-01-01';
SELECT id FROM imports WHERE nl_date(raw, 'NLDATE', 'de_DE') > date '2021-01-01';
EXPLAIN (VERBOSE, COSTS OFF) SELECT count(nl_date(raw, 'NLDATE', 'de_DE')) FROM imports;
-- ... but not the form that reads a setting of this session.
EXPLAIN (VERBOSE, COSTS OFF) SELECT id FROM imports WHERE nl_date(raw, 'NLDATE') > date '2021-01-01';

-- An UPDATE is sent whole.
EXPLAIN (VERBOSE, COSTS OFF) UPDATE imports SET d = nl_date(raw, 'NLDATE', 'de_DE');
UPDATE imports SET d = nl_date(raw, 'NLDATE', 'de_DE');
SELECT id, raw, d FROM imports_store ORDER BY id;

-- A table partitioned into a local and a foreign partition gives what the
-- same rows give in one plain table.
CREATE TABLE dates_plain AS
SELECT i AS id,
       CASE WHEN i % 97 = 0 THEN 'kein Datum' ELSE to_char(date '1950-01-01' + i * 14, 'DD.MM.YYYY') END AS raw
FROM generate_series(1, 2000) AS i;
CREATE TABLE dates (id int, raw text) PARTITION BY RANGE (id);
CREATE TABLE dates_here PARTITION OF dates FOR VALUES FROM (1) TO (1001);
CREATE TABLE dates_there_store (id int, raw text);
CREATE FOREIGN TABLE dates_there PARTITION OF dates FOR VALUES FROM (1001) TO (2001)
  SERVER loopback OPTIONS (table_name 'dates_there_store');
INSERT INTO dates SELECT id, raw FROM dates_plain;
SELECT (SELECT count(*) FROM dates_here) AS here, (SELECT count(*) FROM dates_there_store) AS there;
EXPLAIN (VERBOSE, COSTS OFF)
SELECT count(*) FROM dates WHERE nl_date(raw, 'NLDATE', 'de_DE') >= date '1990-01-01';
SELECT count(nl_date(raw, 'NLDATE', 'de_DE')) AS dates, min(nl_date(raw, 'NLDATE', 'de_DE')),
       max(nl_date(raw, 'NLDATE', 'de_DE')), sum(nl_date(raw, 'NLDATE', 'de_DE') - date '1950-01-01') AS days,
       count(*) FILTER (WHERE nl_date(raw, 'NLDATE', 'de_DE') >= date '1990-01-01') AS since_1990
FROM dates \gset parted_
SELECT count(nl_date(raw, 'NLDATE', 'de_DE')) AS dates, min(nl_date(raw, 'NLDATE', 'de_DE')),
       max(nl_date(raw, 'NLDATE', 'de_DE')), sum(nl_date(raw, 'NLDATE', 'de_DE') - date '1950-01-01') AS days,
       count(*) FILTER (WHERE nl_date(raw, 'NLDATE', 'de_DE') >= date '1990-01-01') AS since_1990
FROM dates_plain \gset plain_
SELECT :parted_dates AS dates, :'parted_min' AS min, :'parted_max' AS max, :parted_since_1990 AS since_1990,
       (:parted_dates, :'parted_min', :'parted_max', :parted_days, :parted_since_1990)
       = (:plain_dates, :'plain_min', :'plain_max', :plain_days, :plain_since_1990) AS same_as_plain;

DROP TABLE dates, dates_plain, dates_there_store;
DROP FOREIGN TABLE imports;
DROP TABLE imports_store;
DROP SERVER loopback CASCADE;
DROP EXTENSION postgres_fdw;
