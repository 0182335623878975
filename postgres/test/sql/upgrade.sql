-- ALTER EXTENSION nldat UPDATE from 1.0 gives what a fresh install gives.
\set SHOW_CONTEXT never
DROP EXTENSION nldat;
CREATE EXTENSION nldat VERSION '1.0';

-- A view on a signature that changes keeps the update from running.
CREATE VIEW uses_one_oh AS SELECT nl_date('07.12.2026', 'NLDATE', 'de_DE') AS d;
ALTER EXTENSION nldat UPDATE;
\echo :LAST_ERROR_SQLSTATE
DROP VIEW uses_one_oh;
ALTER EXTENSION nldat UPDATE;
SELECT extversion FROM pg_extension WHERE extname = 'nldat';

CREATE VIEW nldat_functions AS
SELECT p.oid::regprocedure::text AS function, p.provolatile AS volatility, p.proisstrict AS strict,
       p.proparallel AS parallel, pg_get_function_arguments(p.oid) AS arguments
FROM pg_proc AS p
JOIN pg_depend AS d ON d.classid = 'pg_proc'::regclass AND d.objid = p.oid AND d.deptype = 'e'
JOIN pg_extension AS e ON e.oid = d.refobjid AND e.extname = 'nldat';
CREATE TEMP TABLE updated AS SELECT * FROM nldat_functions;

DROP EXTENSION nldat;
CREATE EXTENSION nldat;
SELECT extversion FROM pg_extension WHERE extname = 'nldat';
SELECT count(*) AS differences
FROM ((SELECT * FROM updated EXCEPT SELECT * FROM nldat_functions)
      UNION ALL (SELECT * FROM nldat_functions EXCEPT SELECT * FROM updated)) AS t;
SELECT * FROM nldat_functions ORDER BY function;
DROP VIEW nldat_functions;
