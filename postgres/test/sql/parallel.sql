-- A million rows read serially and by parallel workers give one answer.
SET datestyle = ISO;
CREATE TABLE million AS
SELECT CASE WHEN i % 97 = 0 THEN 'kein Datum' ELSE to_char(date '1950-01-01' + i % 36500, 'DD.MM.YYYY') END AS s
FROM generate_series(1, 1000000) AS i;
ANALYZE million;

SET max_parallel_workers_per_gather = 0;
SELECT count(nl_date(s, 'NLDATE', 'de_DE')) AS serial_count,
       sum(nl_date(s, 'NLDATE', 'de_DE') - date '1950-01-01') AS serial_days
FROM million \gset

SET max_parallel_workers_per_gather = 2;
SET parallel_setup_cost = 0;
SET parallel_tuple_cost = 0;
-- The workers, not the leader, read the rows when they start.
SET parallel_leader_participation = off;
EXPLAIN (COSTS OFF) SELECT count(nl_date(s, 'NLDATE', 'de_DE')) FROM million;
SELECT count(nl_date(s, 'NLDATE', 'de_DE')) AS parallel_count,
       sum(nl_date(s, 'NLDATE', 'de_DE') - date '1950-01-01') AS parallel_days
FROM million \gset

SELECT :serial_count AS serial_count, :serial_count = :parallel_count AS same_count,
       :serial_days = :parallel_days AS same_days;
DROP TABLE million;
