-- nldat: the SQL functions.  A field that is not read gives NULL; an unknown
-- locale, informat or rule is an error.  A NULL locale means nldat.locale.
\echo Use "CREATE EXTENSION nldat" to load this file. \quit

CREATE FUNCTION nl_date(field text, informat text DEFAULT 'NLDATE', locale text DEFAULT NULL)
RETURNS date AS 'MODULE_PATHNAME', 'nl_date'
LANGUAGE C STABLE PARALLEL SAFE;

CREATE FUNCTION nl_timestamp(field text, informat text DEFAULT 'NLDATM', locale text DEFAULT NULL)
RETURNS timestamp AS 'MODULE_PATHNAME', 'nl_timestamp'
LANGUAGE C STABLE PARALLEL SAFE;

CREATE FUNCTION nl_number(field text, locale text DEFAULT NULL)
RETURNS float8 AS 'MODULE_PATHNAME', 'nl_number'
LANGUAGE C STABLE PARALLEL SAFE;

CREATE FUNCTION nl_percent(field text, locale text DEFAULT NULL)
RETURNS float8 AS 'MODULE_PATHNAME', 'nl_percent'
LANGUAGE C STABLE PARALLEL SAFE;

CREATE FUNCTION nl_money(field text, locale text DEFAULT NULL)
RETURNS numeric AS 'MODULE_PATHNAME', 'nl_money'
LANGUAGE C STABLE PARALLEL SAFE;

CREATE FUNCTION nl_format(value date, pattern text, locale text DEFAULT NULL)
RETURNS text AS 'MODULE_PATHNAME', 'nl_format_date'
LANGUAGE C STABLE PARALLEL SAFE;

CREATE FUNCTION nl_format(value timestamp, pattern text, locale text DEFAULT NULL)
RETURNS text AS 'MODULE_PATHNAME', 'nl_format_timestamp'
LANGUAGE C STABLE PARALLEL SAFE;

CREATE FUNCTION nl_week(value date, rule text DEFAULT 'V', width int DEFAULT 11)
RETURNS text AS 'MODULE_PATHNAME', 'nl_week'
LANGUAGE C STABLE STRICT PARALLEL SAFE;

CREATE FUNCTION nl_week_number(value date, rule text DEFAULT 'V')
RETURNS int AS 'MODULE_PATHNAME', 'nl_week_number'
LANGUAGE C STABLE STRICT PARALLEL SAFE;

CREATE FUNCTION nl_read_week(field text, rule text DEFAULT 'V')
RETURNS date AS 'MODULE_PATHNAME', 'nl_read_week'
LANGUAGE C STABLE STRICT PARALLEL SAFE;

CREATE FUNCTION nl_locales()
RETURNS SETOF text AS 'MODULE_PATHNAME', 'nl_locales'
LANGUAGE C STABLE STRICT PARALLEL SAFE;
