-- Every function on its cases, NULLs, and errors with their SQLSTATE.
CREATE EXTENSION nldat;
SET datestyle = ISO;
\set SHOW_CONTEXT never

-- Dates and timestamps, by informat and locale.
SELECT nl_date('07.12.2026', 'NLDATE', 'de_DE');
SELECT field, informat, locale, nl_date(field, informat, locale)
FROM (VALUES
  ('07.12.2026', 'NLDATE', 'de_DE'),
  (' 07.12.2026 ', 'nldate', 'de-DE'),
  ('05. März 2020', 'NLDATE', 'de_DE'),
  ('12/07/2026', 'NLDATE', 'en_US'),
  ('07/12/2026', 'NLDATE', 'fr_FR'),
  ('2026/12/07', 'NLDATE', 'ja_JP'),
  ('7.12.2026x', 'NLDATE', 'de_DE'),
  ('31.02.2026', 'NLDATE', 'de_DE'),
  ('kein Datum', 'NLDATE', 'de_DE'),
  ('', 'NLDATE', 'de_DE'),
  ('Montag, 07. Dezember 2026', 'NLDATEW', 'de_DE'),
  ('Monday, December 7, 2026', 'NLDATEW', 'en_US'),
  ('31.12.1959', 'NLDATE', 'de_DE'),
  ('01.01.1582', 'NLDATE', 'de_DE'),
  ('31.12.1581', 'NLDATE', 'de_DE')
) AS t(field, informat, locale);

SELECT field, informat, locale, nl_timestamp(field, informat, locale)
FROM (VALUES
  ('07.12.2026, 13:45:30', 'NLDATM', 'de_DE'),
  ('07. Dezember 2026, 13:45:30', 'NLDATM', 'de_DE'),
  ('2024/07/15 09:30:00', 'NLDATM', 'ja_JP'),
  ('2024年01月01日 00:00:00', 'NLDATM', 'ja_JP'),
  ('12/07/2026, 01:45:30 PM', 'NLDATMAP', 'en_US'),
  ('12/07/2026, 01:45:30', 'NLDATMAP', 'en_US'),
  ('Montag, 07. Dezember 2026, 13:45:30', 'NLDATMW', 'de_DE'),
  ('07.12.2026', 'NLDATM', 'de_DE'),
  ('07.12.2026, 25:00:00', 'NLDATM', 'de_DE'),
  ('31.12.1959, 23:59:59', 'NLDATM', 'de_DE'),
  ('01.01.1582, 00:00:00', 'NLDATM', 'de_DE'),
  ('31.12.1581, 23:59:59', 'NLDATM', 'de_DE'),
  ('1959-12-31T23:59:59.5', 'NLDATM', 'de_DE'),
  ('1959-12-31T23:59:59.000001', 'NLDATM', 'de_DE'),
  ('2027-01-01T03:00:00+05:30', 'NLDATM', 'de_DE'),
  ('2026-12-31T22:00-03:30', 'NLDATM', 'de_DE'),
  ('1960-01-01T00:15+00:30', 'NLDATM', 'de_DE'),
  ('2026-12-01T05:00+05:45', 'NLDATMAP', 'en_US'),
  ('2026-12-07T14:00-00:30', 'NLDATMW', 'en_US')
) AS t(field, informat, locale);

-- Numbers, percentages and money in the locale's conventions.
SELECT field, locale, nl_number(field, locale)
FROM (VALUES
  ('1.234,5', 'de_DE'), ('−1.234,5', 'de_DE'), ('1,234.5', 'en_US'), ('1 234,5', 'fr_FR'),
  ('1,234.5', 'de_DE'), ('zwölf', 'de_DE'), ('', 'de_DE')
) AS t(field, locale);
SELECT field, locale, nl_percent(field, locale)
FROM (VALUES ('12,5 %', 'de_DE'), ('12.5%', 'en_US'), ('12,5', 'de_DE'), ('%', 'de_DE')) AS t(field, locale);
SELECT field, locale, nl_money(field, locale)
FROM (VALUES
  ('1.234,56 €', 'de_DE'), ('1.234,567 €', 'de_DE'), ('-1.234,56 €', 'de_DE'), ('EUR 1.234,56', 'de_DE'),
  ('$1,234.56', 'en_US'), ('($1,234.56)', 'en_US'), ('￥1,235', 'ja_JP'), ('1.234,56', 'de_DE'),
  ('viel Geld', 'de_DE')
) AS t(field, locale);
SELECT pg_typeof(nl_money('1,00 €', 'de_DE')), scale(nl_money('1,00 €', 'de_DE')), scale(nl_money('￥1', 'ja_JP'));

-- Writing dates and timestamps: a pattern, or "@N" for locale item N.
SELECT nl_format(date '2026-12-07', '%d.%m.%Y', 'de_DE');
SELECT nl_format(date '2026-12-07', '%A, %d. %B %Y', 'de_DE');
SELECT nl_format(date '2026-12-07', '%A %d %B %Y', 'fr_FR');
SELECT nl_format(date '2026-12-07', '@28', 'de_DE'), nl_format(date '2026-12-07', '@28', 'en_US');
SELECT nl_format(timestamp '2026-12-07 13:45:30', '%d.%m.%Y %H:%M:%S', 'de_DE');
SELECT nl_format(timestamp '2026-12-07 13:45:30', '%I:%M %P', 'en_US');
SELECT nl_format(date 'infinity', '%Y', 'de_DE'), nl_format(timestamp '-infinity', '%Y', 'de_DE');
SELECT v, nl_format(v, '%d.%m.%Y %H:%M:%S', 'de_DE'), nl_format(v::date, '%d.%m.%Y', 'de_DE')
FROM (VALUES (timestamp '1959-12-31 23:59:59.5'), (timestamp '1959-12-31 00:00:00'),
             (timestamp '1582-01-01 00:00:00.25'), (timestamp '1960-01-01 00:00:00')) AS t(v);

-- Week dates under the rules U, V and W.
SELECT nl_week(date '2026-12-07'), nl_week(date '2026-12-07', 'V'), nl_week_number(date '2026-12-07');
SELECT d, rule, nl_week(d, rule), nl_week_number(d, rule)
FROM (VALUES (date '2010-01-01'), (date '2012-12-31'), (date '2026-12-07')) AS d(d),
     (VALUES ('U'), ('V'), ('W')) AS r(rule)
ORDER BY d, rule;
SELECT width, nl_week(date '2010-01-01', 'V', width) FROM generate_series(3, 12) AS width;
SELECT field, rule, nl_read_week(field, rule)
FROM (VALUES
  ('2026-W50-01', 'V'), ('2026W5001', 'V'), ('26W5001', 'V'), ('2009-W53-05', 'V'), ('2010-W00-06', 'U'),
  ('2026-W54-01', 'V'), ('no week', 'V')
) AS t(field, rule);

-- NULL in gives NULL out; a NULL locale means nldat.locale.
SELECT nl_date(NULL) IS NULL AS a, nl_date('07.12.2026', NULL) IS NULL AS b, nl_timestamp(NULL) IS NULL AS c,
       nl_number(NULL) IS NULL AS d, nl_percent(NULL) IS NULL AS e, nl_money(NULL) IS NULL AS f,
       nl_format(NULL::date, '%Y') IS NULL AS g, nl_format(date '2026-12-07', NULL) IS NULL AS h,
       nl_format(NULL::timestamp, '%Y') IS NULL AS i, nl_week(NULL) IS NULL AS j,
       nl_week(date '2026-12-07', NULL) IS NULL AS k, nl_week_number(NULL) IS NULL AS l,
       nl_read_week(NULL) IS NULL AS m, nl_read_week('2026-W50-01', NULL) IS NULL AS n;

-- The locale: the argument, else nldat.locale, else the server's lc_time
-- (C here, which stands for en_US).
SHOW lc_time;
SHOW nldat.locale;
SELECT nl_date('12/07/2026'), nl_date('07.12.2026');
SET nldat.locale = 'de_DE';
SELECT nl_date('12/07/2026'), nl_date('07.12.2026'), nl_number('1.234,5'), nl_date('12/07/2026', 'NLDATE', 'en_US');
SELECT nl_format(date '2026-12-07', '%B'), nl_money('1.234,56 €');
RESET nldat.locale;

-- Errors name what they do not know.
SELECT nl_date('07.12.2026', 'NLDATE', 'xx_YY');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_date('07.12.2026', 'NLDATM', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_date('07.12.2026', 'NUMBER', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_timestamp('07.12.2026', 'NLDATE', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_number('1', 'nowhere');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_week(date '2026-12-07', 'X');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_week_number(date '2026-12-07', 'VV');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_read_week('2026-W50-01', '');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_week(date '2026-12-07', 'V', 2);
\echo :LAST_ERROR_SQLSTATE
SELECT nl_format(date '2026-12-07', '%K', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_format(date '2026-12-07', '@159', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_format(date '2026-12-07', '@x', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_format(date '2026-12-07', '', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_format(date '30000-01-01', '%Y', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_week(date '30000-01-01');
\echo :LAST_ERROR_SQLSTATE
SET nldat.locale = 'nowhere';
SELECT nl_date('07.12.2026');
\echo :LAST_ERROR_SQLSTATE
RESET nldat.locale;

-- The locales the host offers.
SELECT count(*) > 100 AS many, bool_or(l = 'de_DE') AS has_de_de, bool_or(l = 'ja_JP') AS has_ja_jp
FROM nl_locales() AS l;

-- A table converted end to end.
CREATE TABLE imports (id int, raw text, d date);
INSERT INTO imports (id, raw) VALUES
  (1, '07.12.2026'), (2, '05. März 2020'), (3, '7.12.2026x'), (4, 'kein Datum'), (5, NULL), (6, '29.02.2023');
UPDATE imports SET d = nl_date(raw, 'NLDATE', 'de_DE');
SELECT id, raw, d FROM imports ORDER BY id;
SELECT count(*) FILTER (WHERE raw IS NOT NULL AND d IS NULL) AS not_read FROM imports;
DROP TABLE imports;
