-- Who may choose the shared object the server loads, and what a locale name
-- can reach.
SET datestyle = ISO;
\set SHOW_CONTEXT never
CREATE ROLE nldat_plain LOGIN;

-- A plain role, before the library is loaded in its session: its value for
-- nldat.module is refused when the library defines the setting.
\c - nldat_plain
SET datestyle = ISO;
SET nldat.module = '/tmp/elsewhere.so';
SELECT nl_date('07.12.2026', 'NLDATE', 'de_DE');
SELECT current_setting('nldat.module') LIKE '%/module/uwinldat.so' AS configured_module;
-- ... and after it.
SET nldat.module = '/tmp/elsewhere.so';
\echo :LAST_ERROR_SQLSTATE
ALTER ROLE nldat_plain SET nldat.module = '/tmp/elsewhere.so';
\echo :LAST_ERROR_SQLSTATE
SELECT set_config('nldat.module', '/tmp/elsewhere.so', false);
\echo :LAST_ERROR_SQLSTATE
-- A value given at connection (PGOPTIONS) replaces, before the library is
-- loaded, the configured one the backend started with: the library refuses
-- it and loads the configured module all the same.
\c "dbname=nldat_regress user=nldat_plain options='-c nldat.module=/tmp/elsewhere.so'"
SET datestyle = ISO;
SELECT nl_date('07.12.2026', 'NLDATE', 'de_DE');
SELECT current_setting('nldat.module') LIKE '%/module/uwinldat.so' AS configured_module;
\c "dbname=nldat_regress user=nldat_plain options=''"
SET datestyle = ISO;
-- A locale is a name in the host's list, never a path.
SELECT nl_date('07.12.2026', 'NLDATE', '../../etc/x');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_date('07.12.2026', 'NLDATE', '/etc/passwd');
\echo :LAST_ERROR_SQLSTATE
SET nldat.locale = '../../../../usr/share/zoneinfo/UTC';
\echo :LAST_ERROR_SQLSTATE
SHOW nldat.locale;
SELECT nl_date('07.12.2026', 'NLDATE', 'de_DE');

-- A superuser may name another module, by an absolute path only; one that
-- cannot be loaded is an error that says why.
\c - postgres
SET datestyle = ISO;
SET nldat.module = 'uwinldat.so';
SELECT nl_date('07.12.2026', 'NLDATE', 'de_DE');
SET nldat.module = 'uwinldat.so';
\echo :LAST_ERROR_SQLSTATE
\c - postgres
SET datestyle = ISO;
SET nldat.module = '/nonexistent/uwinldat.so';
SELECT nl_date('07.12.2026', 'NLDATE', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
RESET nldat.module;
SELECT nl_date('07.12.2026', 'NLDATE', 'de_DE');

DROP ROLE nldat_plain;
