-- nldat 1.1: every function that is given its locale (and informat, rule or
-- pattern) is IMMUTABLE, so that it can be used in an index or a generated
-- column and shipped to the remote side by postgres_fdw and Citus.  The forms
-- that take the locale from nldat.locale (or lc_time) are signatures of their
-- own and stay STABLE.  NULL in gives NULL out everywhere (STRICT).
--
-- A signature whose defaults change is dropped and made again: an object
-- that depends on it (a view calling nl_date) makes the update fail, naming
-- the object, rather than change what that object returns.  A fresh install
-- of 1.1 runs nldat--1.0.sql and then this script.
\echo Use "ALTER EXTENSION nldat UPDATE TO '1.1'" to load this file. \quit

DROP FUNCTION nl_date(text, text, text);
CREATE FUNCTION nl_date(field text, informat text, locale text)
RETURNS date AS 'MODULE_PATHNAME', 'nl_date'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION nl_date(field text, informat text DEFAULT 'NLDATE')
RETURNS date AS 'MODULE_PATHNAME', 'nl_date'
LANGUAGE C STABLE STRICT PARALLEL SAFE;

DROP FUNCTION nl_timestamp(text, text, text);
CREATE FUNCTION nl_timestamp(field text, informat text, locale text)
RETURNS timestamp AS 'MODULE_PATHNAME', 'nl_timestamp'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION nl_timestamp(field text, informat text DEFAULT 'NLDATM')
RETURNS timestamp AS 'MODULE_PATHNAME', 'nl_timestamp'
LANGUAGE C STABLE STRICT PARALLEL SAFE;

DROP FUNCTION nl_number(text, text);
CREATE FUNCTION nl_number(field text, locale text)
RETURNS float8 AS 'MODULE_PATHNAME', 'nl_number'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION nl_number(field text)
RETURNS float8 AS 'MODULE_PATHNAME', 'nl_number'
LANGUAGE C STABLE STRICT PARALLEL SAFE;

DROP FUNCTION nl_percent(text, text);
CREATE FUNCTION nl_percent(field text, locale text)
RETURNS float8 AS 'MODULE_PATHNAME', 'nl_percent'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION nl_percent(field text)
RETURNS float8 AS 'MODULE_PATHNAME', 'nl_percent'
LANGUAGE C STABLE STRICT PARALLEL SAFE;

DROP FUNCTION nl_money(text, text);
CREATE FUNCTION nl_money(field text, locale text)
RETURNS numeric AS 'MODULE_PATHNAME', 'nl_money'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION nl_money(field text)
RETURNS numeric AS 'MODULE_PATHNAME', 'nl_money'
LANGUAGE C STABLE STRICT PARALLEL SAFE;

DROP FUNCTION nl_format(date, text, text);
CREATE FUNCTION nl_format(value date, pattern text, locale text)
RETURNS text AS 'MODULE_PATHNAME', 'nl_format_date'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION nl_format(value date, pattern text)
RETURNS text AS 'MODULE_PATHNAME', 'nl_format_date'
LANGUAGE C STABLE STRICT PARALLEL SAFE;

DROP FUNCTION nl_format(timestamp, text, text);
CREATE FUNCTION nl_format(value timestamp, pattern text, locale text)
RETURNS text AS 'MODULE_PATHNAME', 'nl_format_timestamp'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION nl_format(value timestamp, pattern text)
RETURNS text AS 'MODULE_PATHNAME', 'nl_format_timestamp'
LANGUAGE C STABLE STRICT PARALLEL SAFE;

-- Week dates need no locale.  Reading one stays STABLE: a week date written
-- without its year (W5001) is one of the current year.
ALTER FUNCTION nl_week(date, text, int) IMMUTABLE;
ALTER FUNCTION nl_week_number(date, text) IMMUTABLE;

CREATE FUNCTION nl_version()
RETURNS text AS 'MODULE_PATHNAME', 'nl_version'
LANGUAGE C STABLE PARALLEL SAFE;
