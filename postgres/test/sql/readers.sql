-- Readers as the CLI takes them where an informat is named: a locale of the
-- reader's own, forms, and alternatives, which give NULL for a field they
-- read to different values, as for a field not read.
CREATE EXTENSION IF NOT EXISTS nldat;
SET datestyle = ISO;
\set SHOW_CONTEXT never

SELECT field, informat, nl_date(field, informat, 'de_DE') AS d
FROM (VALUES
  ('13/02/2026', 'NLDATE@en_GB'),
  ('12/07/2026', 'NLDATE@en_US'),
  ('13/02/2026', 'NLDATE@en_GB|NLDATE@en_US'),
  ('02/13/2026', 'NLDATE@en_GB|NLDATE@en_US'),
  ('07/07/2026', 'NLDATE@en_GB|NLDATE@en_US'),
  ('2026-06-05', 'NLDATE@en_GB|NLDATE@en_US'),
  ('05/06/2026', 'NLDATE@en_GB|NLDATE@en_US'),
  ('kein Datum', 'NLDATE@en_GB|NLDATE@en_US'),
  ('07.12.2026', 'NLDATE|NLDATE@en_US'),
  ('12.07.2026', 'NLDATE|NLDATE@en_US'),
  ('dic. 9, 2026', 'form:%b. %d, %Y@es_ES'),
  ('DIC. 19, 2026', 'form:%b. %d, %Y@es_ES'),
  ('9 Dezember 2026', 'form:%d %B %Y'),
  ('09.12.26', 'date:%d.%m.%y'),
  ('Montag, 7. Dezember 2026', 'NLDATEW@de_DE|NLDATEW@fr_FR')
) AS t(field, informat);

SELECT nl_timestamp('07.12.2026 14:30', 'form:%d.%m.%Y %H:%M', 'de_DE'),
       nl_timestamp('12/07/2026, 02:30:45 PM', 'NLDATMAP@en_US|NLDATM', 'de_DE'),
       nl_timestamp('05/06/2026, 14:30:45', 'NLDATM@en_GB|NLDATM@en_US', 'de_DE');

-- The locale-less form: a reader without a locale of its own takes nldat.locale.
SET nldat.locale = 'en_US';
SELECT nl_date('05/06/2026', 'NLDATE|NLDATE@en_GB'), nl_date('13/02/2026', 'NLDATE|NLDATE@en_GB');
RESET nldat.locale;

-- A column written by two systems: what both could have written is NULL.
CREATE TABLE two_systems (id int, raw text, d date);
INSERT INTO two_systems (id, raw) VALUES
  (1, '13/02/2026'), (2, '02/14/2026'), (3, '05/06/2026'), (4, '07/07/2026'), (5, NULL), (6, '31/31/2026');
UPDATE two_systems SET d = nl_date(raw, 'NLDATE@en_GB|NLDATE@en_US', 'en_US');
SELECT id, raw, d FROM two_systems ORDER BY id;
-- What each alternative makes of the fields both could have written.
SELECT id, raw, nl_ambiguity(raw, 'NLDATE@en_GB|NLDATE@en_US', 'en_US') FROM two_systems ORDER BY id;
DROP TABLE two_systems;
SELECT nl_ambiguity('05/06/2026, 14:30:45', 'NLDATM@en_GB|NLDATM@fr_FR|NLDATM@en_US', 'de_DE'),
       nl_ambiguity('1.234', 'NUMBER@de_DE|NUMBER@en_US', 'de_DE'),
       nl_ambiguity('05/06/2026', 'NLDATE', 'de_DE') IS NULL AS one_reader;
SET nldat.locale = 'en_GB';
SELECT nl_ambiguity('05/06/2026', 'NLDATE|NLDATE@en_US');
RESET nldat.locale;
SELECT nl_ambiguity('05/06/2026', 'NLDATE|', 'de_DE');
\echo :LAST_ERROR_SQLSTATE

-- Bad reader text is an error that says what is wrong.
SELECT nl_date('07.12.2026', 'NLDATE|', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_date('07.12.2026', 'NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_date('07.12.2026', 'NLDATE|NLDATM', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_date('07.12.2026', 'NLDATE@xx_YY', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_date('07.12.2026', 'form:%H:%M', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_date('07.12.2026', 'form:', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_date('07.12.2026', 'number:%d', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
SELECT nl_timestamp('07.12.2026', 'form:%d.%m.%Y', 'de_DE');
\echo :LAST_ERROR_SQLSTATE
