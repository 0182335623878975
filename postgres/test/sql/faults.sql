-- Cases that once went wrong, each as it was met.
SET datestyle = ISO;
\set SHOW_CONTEXT never

-- An empty locale is an error, not the locale of the call before.
SELECT nl_date('03.04.2026', 'NLDATE', 'de_DE');
SELECT nl_date('03/04/2026', 'NLDATE', '');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_number('1', '');
\echo :LAST_ERROR_SQLSTATE

-- A locale is named as lc_time and the command line name it.
SELECT name, nl_date(field, 'NLDATE', name)
FROM (VALUES
  ('12/07/2026', 'C'), ('12/07/2026', 'POSIX'), ('07.12.2026', 'de_DE.UTF-8'), ('07.12.2026', 'de_DE.utf8'),
  ('07.12.2026', 'de_DE@euro'), ('07.12.2026', 'de-DE'), ('07/12/2026', 'fr_FR.ISO-8859-1')
) AS t(field, name);
SELECT nl_date('07.12.2026', 'NLDATE', 'de DE');
\echo :LAST_ERROR_SQLSTATE

-- nldat.locale is checked when it is set, in every spelling a call takes.
SET nldat.locale = 'bogus';
\echo :LAST_ERROR_SQLSTATE
SHOW nldat.locale;
SELECT set_config('nldat.locale', 'xx_YY', false);
\echo :LAST_ERROR_SQLSTATE
SET nldat.locale = 'de_DE.UTF-8';
SELECT nl_date('07.12.2026'), nl_number('1.234,5');
SET nldat.locale = 'C';
SELECT nl_date('12/07/2026');
RESET nldat.locale;

-- Far more locale names in one session than it keeps loaded: none refused,
-- and one named long before is read by its own conventions again.
SELECT count(*) AS named, count(nl_number('1', l)) AS read
FROM (SELECT l FROM nl_locales() AS l ORDER BY l LIMIT 300) AS t;
SELECT nl_date('07.12.2026', 'NLDATE', 'de_DE'), nl_date('12/07/2026', 'NLDATE', 'en_US');

-- A pattern item of another kind, or no pattern item at all, is an error.
SELECT nl_format(date '2026-12-07', '@35', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_format(date '2026-12-07', '@31', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_format(date '2026-12-07', '@0', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_format(date '2026-12-07', '@50', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT item, nl_format(timestamp '2026-12-07 13:45:30', '@' || item, 'de_DE')
FROM generate_series(28, 38) AS item;
SELECT item, nl_format(date '2026-12-07', '@' || item, 'de_DE') FROM (VALUES (28), (29), (37), (38)) AS t(item);

-- A name too long to show whole is cut between characters: the message
-- converts to a client's encoding (22021 when it did not).
SET client_encoding = 'LATIN1';
\set VERBOSITY sqlstate
SELECT nl_date('x', 'NLDATE', 'a' || repeat(chr(228), 40));
SELECT nl_date('x', 'NLDATE', repeat('b', 61) || repeat(chr(228), 4));
SELECT nl_date('x', 'a' || repeat(chr(228), 40), 'de_DE');
SELECT nl_week(date '2026-12-07', 'a' || repeat(chr(228), 40));
SELECT set_config('nldat.locale', 'a' || repeat(chr(228), 40), false);
\set VERBOSITY default
RESET client_encoding;

-- What a result given its locale depends on.
SELECT nl_version() ~ '^nldat [0-9.]+, module release [0-9.]+ \(build .+ of .+\), ICU [0-9.]+, CLDR [0-9.]+$'
  AS names_the_versions;
