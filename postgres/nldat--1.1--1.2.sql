-- nldat 1.2: nl_date and nl_timestamp take a column's readers as the CLI
-- names them (NLDATE@en_GB, form:%b %d %Y, alternatives joined by '|'), and
-- nl_ambiguity says what each alternative makes of a field that two read
-- to different values, for which those functions give NULL.  Given its
-- locale it is IMMUTABLE, as they are; without, it takes nldat.locale.
\echo Use "ALTER EXTENSION nldat UPDATE TO '1.2'" to load this file. \quit

CREATE FUNCTION nl_ambiguity(field text, informat text, locale text)
RETURNS text AS 'MODULE_PATHNAME', 'nl_ambiguity'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION nl_ambiguity(field text, informat text)
RETURNS text AS 'MODULE_PATHNAME', 'nl_ambiguity'
LANGUAGE C STABLE STRICT PARALLEL SAFE;
