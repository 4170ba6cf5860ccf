#include "hostapp/PgSupport.h"

namespace pt::hostapp {

// Everything lives in the schema the connection writes to (the first of its search path), so a
// database or a schema of one holds the host's tables and what their SQL calls side by side.
// Functions that can raise do so with the server's own messages.
const char* PgSupportSql() {
  return R"SQL(
DO $$ BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_collation WHERE collname = 'ci' AND collnamespace = current_schema()::regnamespace) THEN
    -- Letters compare without case, as a case-insensitive server collation compares them.
    CREATE COLLATION ci (provider = icu, locale = 'und-u-ks-level2', deterministic = false);
  END IF;
END $$;

CREATE OR REPLACE FUNCTION pt_raise(msg text) RETURNS text LANGUAGE plpgsql AS
$f$ BEGIN RAISE EXCEPTION USING MESSAGE = msg; END $f$;

-- ---- dates: what a text reads as when the server converts it to datetime ----
CREATE OR REPLACE FUNCTION pt_datetime(x timestamp) RETURNS timestamp LANGUAGE sql IMMUTABLE AS 'SELECT x';
CREATE OR REPLACE FUNCTION pt_datetime(x date) RETURNS timestamp LANGUAGE sql IMMUTABLE AS 'SELECT x::timestamp';
CREATE OR REPLACE FUNCTION pt_datetime(x double precision) RETURNS timestamp LANGUAGE sql IMMUTABLE AS
  $f$SELECT timestamp '1900-01-01' + x * interval '1 day'$f$;
CREATE OR REPLACE FUNCTION pt_datetime(x numeric) RETURNS timestamp LANGUAGE sql IMMUTABLE AS
  $f$SELECT timestamp '1900-01-01' + x * interval '1 day'$f$;
CREATE OR REPLACE FUNCTION pt_datetime(x bigint) RETURNS timestamp LANGUAGE sql IMMUTABLE AS
  $f$SELECT timestamp '1900-01-01' + x * interval '1 day'$f$;
-- The whole reading of a text, in PL/pgSQL; pt_datetime(text) below calls it for what its
-- inline fast path leaves.
CREATE OR REPLACE FUNCTION pt_datetime_text(x text) RETURNS timestamp LANGUAGE plpgsql IMMUTABLE STRICT AS $f$
DECLARE
  s text COLLATE "C" := btrim(x);
  m text[];
  y int; mo int; d int; t interval := interval '0';
BEGIN
  IF s = '' THEN RETURN timestamp '1900-01-01'; END IF;
  m := regexp_match(s, '^(\d{4})(\d{2})(\d{2})(?:[ T]+(\d{1,2}):(\d{1,2})(?::(\d{1,2})(?:\.(\d+))?)?)?$');
  IF m IS NULL THEN
    m := regexp_match(s, '^(\d{4})[-/.](\d{1,2})[-/.](\d{1,2})(?:[ T]+(\d{1,2}):(\d{1,2})(?::(\d{1,2})(?:\.(\d+))?)?)?$');
  END IF;
  IF m IS NOT NULL THEN
    y := m[1]::int; mo := m[2]::int; d := m[3]::int;
    IF y >= 1753 AND mo BETWEEN 1 AND 12 AND d >= 1
       AND d <= extract(day FROM make_date(y, mo, 1) + interval '1 month' - interval '1 day')
       AND coalesce(m[4]::int, 0) < 24 AND coalesce(m[5]::int, 0) < 60 AND coalesce(m[6]::int, 0) < 60 THEN
      IF m[4] IS NOT NULL THEN
        t := make_interval(hours => m[4]::int, mins => m[5]::int, secs => coalesce(m[6]::int, 0));
      END IF;
      RETURN make_date(y, mo, d) + t;
    END IF;
  END IF;
  RAISE EXCEPTION USING MESSAGE = 'Conversion failed when converting date and/or time from character string.';
END $f$;
-- Stored dates are YYYYMMDD texts: those read inline (a plain SQL expression of immutable
-- functions, which the planner folds into the statement) instead of one PL/pgSQL call per row,
-- which made date arithmetic over millions of sales lines a hundred times slower. Days after
-- the 28th, and every other text, go the whole way.
CREATE OR REPLACE FUNCTION pt_datetime(x text) RETURNS timestamp LANGUAGE sql IMMUTABLE AS $f$
SELECT CASE WHEN (x COLLATE "C") ~ '^[0-9]{8}$' AND substr(x COLLATE "C", 1, 4) >= '1753'
                 AND substr(x COLLATE "C", 5, 2) BETWEEN '01' AND '12' AND substr(x COLLATE "C", 7, 2) BETWEEN '01' AND '28'
            THEN make_date(substr(x COLLATE "C", 1, 4)::int, substr(x COLLATE "C", 5, 2)::int,
                           substr(x COLLATE "C", 7, 2)::int)::timestamp
            ELSE pt_datetime_text(x) END
$f$;
CREATE OR REPLACE FUNCTION pt_date(x text) RETURNS timestamp LANGUAGE sql IMMUTABLE AS
  'SELECT date_trunc(''day'', pt_datetime(x))';

CREATE OR REPLACE FUNCTION pt_datediff(p text, a timestamp, b timestamp) RETURNS bigint LANGUAGE sql IMMUTABLE AS $f$
SELECT CASE p
  WHEN 'day' THEN (b::date - a::date)::bigint
  WHEN 'dayofyear' THEN (b::date - a::date)::bigint
  WHEN 'month' THEN ((extract(year FROM b) * 12 + extract(month FROM b)) - (extract(year FROM a) * 12 + extract(month FROM a)))::bigint
  WHEN 'year' THEN (extract(year FROM b) - extract(year FROM a))::bigint
  WHEN 'quarter' THEN ((extract(year FROM b) * 4 + extract(quarter FROM b)) - (extract(year FROM a) * 4 + extract(quarter FROM a)))::bigint
  WHEN 'week' THEN (floor((b::date - date '1970-01-04') / 7.0) - floor((a::date - date '1970-01-04') / 7.0))::bigint
  WHEN 'hour' THEN ((extract(epoch FROM date_trunc('hour', b)) - extract(epoch FROM date_trunc('hour', a))) / 3600)::bigint
  WHEN 'minute' THEN ((extract(epoch FROM date_trunc('minute', b)) - extract(epoch FROM date_trunc('minute', a))) / 60)::bigint
  WHEN 'second' THEN (extract(epoch FROM date_trunc('second', b)) - extract(epoch FROM date_trunc('second', a)))::bigint
  ELSE pt_raise('''' || p || ''' is not a recognized datediff option.')::bigint END
$f$;

-- DATEDIFF(day, a, b), which the dialect layer sends here: inlined by the planner.
CREATE OR REPLACE FUNCTION pt_datediff_day(a timestamp, b timestamp) RETURNS bigint LANGUAGE sql IMMUTABLE AS
  'SELECT (b::date - a::date)::bigint';

CREATE OR REPLACE FUNCTION pt_dateadd(p text, n bigint, d timestamp) RETURNS timestamp LANGUAGE sql IMMUTABLE AS $f$
SELECT CASE p
  WHEN 'day' THEN d + n * interval '1 day'
  WHEN 'dayofyear' THEN d + n * interval '1 day'
  WHEN 'week' THEN d + n * interval '1 week'
  WHEN 'month' THEN d + n * interval '1 month'
  WHEN 'quarter' THEN d + n * interval '3 months'
  WHEN 'year' THEN d + n * interval '1 year'
  WHEN 'hour' THEN d + n * interval '1 hour'
  WHEN 'minute' THEN d + n * interval '1 minute'
  WHEN 'second' THEN d + n * interval '1 second'
  ELSE pt_raise('''' || p || ''' is not a recognized dateadd option.')::timestamp END
$f$;

CREATE OR REPLACE FUNCTION pt_datepart(p text, d timestamp) RETURNS bigint LANGUAGE sql IMMUTABLE AS $f$
SELECT CASE p
  WHEN 'year' THEN extract(year FROM d)::bigint
  WHEN 'month' THEN extract(month FROM d)::bigint
  WHEN 'day' THEN extract(day FROM d)::bigint
  WHEN 'quarter' THEN extract(quarter FROM d)::bigint
  WHEN 'dayofyear' THEN extract(doy FROM d)::bigint
  WHEN 'weekday' THEN (extract(dow FROM d) + 1)::bigint
  WHEN 'hour' THEN extract(hour FROM d)::bigint
  WHEN 'minute' THEN extract(minute FROM d)::bigint
  WHEN 'second' THEN floor(extract(second FROM d))::bigint
  ELSE pt_raise('''' || p || ''' is not a recognized datepart option.')::bigint END
$f$;

-- The stand-in server's language is us_english.
CREATE OR REPLACE FUNCTION pt_datename(p text, d timestamp) RETURNS text LANGUAGE sql IMMUTABLE AS $f$
SELECT CASE p
  WHEN 'month' THEN (ARRAY['January','February','March','April','May','June','July','August','September',
                           'October','November','December'])[extract(month FROM d)::int]
  WHEN 'weekday' THEN (ARRAY['Sunday','Monday','Tuesday','Wednesday','Thursday','Friday','Saturday'])[extract(dow FROM d)::int + 1]
  ELSE pt_datepart(p, d)::text END
$f$;

CREATE OR REPLACE FUNCTION getdate() RETURNS timestamp LANGUAGE sql STABLE AS $f$
SELECT CASE WHEN coalesce(current_setting('pt.server_date', true), '') = '' THEN localtimestamp(0)
  ELSE to_timestamp(current_setting('pt.server_date', true) ||
                    coalesce(nullif(current_setting('pt.server_time', true), ''), to_char(localtimestamp, 'HH24MISS')),
                    'YYYYMMDDHH24MISS')::timestamp END
$f$;

-- ---- CONVERT(varchar(n), x, style) and CAST(x AS varchar(n)) ----
CREATE OR REPLACE FUNCTION pt_cut(s text, n int) RETURNS text LANGUAGE sql IMMUTABLE AS
  'SELECT CASE WHEN n > 0 THEN left(s COLLATE "C", n) ELSE s END';
CREATE OR REPLACE FUNCTION pt_convert(x timestamp, n int, style int) RETURNS text LANGUAGE sql IMMUTABLE AS $f$
SELECT pt_cut(CASE style
  WHEN 0 THEN to_char(x, 'Mon ') || lpad(extract(day FROM x)::text, 2) || to_char(x, ' YYYY ') ||
              lpad(to_char(x, 'FMHH12'), 2) || to_char(x, ':MIAM')
  WHEN 100 THEN to_char(x, 'Mon ') || lpad(extract(day FROM x)::text, 2) || to_char(x, ' YYYY ') ||
                lpad(to_char(x, 'FMHH12'), 2) || to_char(x, ':MIAM')
  WHEN 1 THEN to_char(x, 'MM/DD/YY') WHEN 101 THEN to_char(x, 'MM/DD/YYYY')
  WHEN 2 THEN to_char(x, 'YY.MM.DD') WHEN 102 THEN to_char(x, 'YYYY.MM.DD')
  WHEN 3 THEN to_char(x, 'DD/MM/YY') WHEN 103 THEN to_char(x, 'DD/MM/YYYY')
  WHEN 4 THEN to_char(x, 'DD.MM.YY') WHEN 104 THEN to_char(x, 'DD.MM.YYYY')
  WHEN 5 THEN to_char(x, 'DD-MM-YY') WHEN 105 THEN to_char(x, 'DD-MM-YYYY')
  WHEN 8 THEN to_char(x, 'HH24:MI:SS') WHEN 108 THEN to_char(x, 'HH24:MI:SS')
  WHEN 10 THEN to_char(x, 'MM-DD-YY') WHEN 110 THEN to_char(x, 'MM-DD-YYYY')
  WHEN 11 THEN to_char(x, 'YY/MM/DD') WHEN 111 THEN to_char(x, 'YYYY/MM/DD')
  WHEN 12 THEN to_char(x, 'YYMMDD') WHEN 112 THEN to_char(x, 'YYYYMMDD')
  WHEN 20 THEN to_char(x, 'YYYY-MM-DD HH24:MI:SS') WHEN 120 THEN to_char(x, 'YYYY-MM-DD HH24:MI:SS')
  WHEN 21 THEN to_char(x, 'YYYY-MM-DD HH24:MI:SS.MS') WHEN 121 THEN to_char(x, 'YYYY-MM-DD HH24:MI:SS.MS')
  WHEN 23 THEN to_char(x, 'YYYY-MM-DD')
  WHEN 126 THEN to_char(x, 'YYYY-MM-DD"T"HH24:MI:SS')
  ELSE pt_raise(style || ' is not a valid style number when converting from datetime to a character string.') END, n)
$f$;
CREATE OR REPLACE FUNCTION pt_convert(x text, n int, style int) RETURNS text LANGUAGE sql IMMUTABLE AS
  'SELECT pt_cut(x, n)';
CREATE OR REPLACE FUNCTION pt_convert(x numeric, n int, style int) RETURNS text LANGUAGE sql IMMUTABLE AS
  'SELECT pt_cut(x::text, n)';
CREATE OR REPLACE FUNCTION pt_convert(x double precision, n int, style int) RETURNS text LANGUAGE sql IMMUTABLE AS
  'SELECT pt_cut(x::text, n)';
CREATE OR REPLACE FUNCTION pt_convert(x bigint, n int, style int) RETURNS text LANGUAGE sql IMMUTABLE AS
  'SELECT pt_cut(x::text, n)';

-- ---- texts ----
CREATE OR REPLACE FUNCTION len(x text) RETURNS bigint LANGUAGE sql IMMUTABLE AS
  $f$SELECT char_length(rtrim(x COLLATE "C", ' '))::bigint$f$;
CREATE OR REPLACE FUNCTION charindex(a text, b text, s bigint) RETURNS bigint LANGUAGE sql IMMUTABLE AS $f$
SELECT CASE WHEN a IS NULL OR b IS NULL THEN NULL
            WHEN a = '' COLLATE "C" THEN 0
            WHEN strpos(lower(substr(b COLLATE "C", greatest(s, 1)::int)), lower(a COLLATE "C")) = 0 THEN 0
            ELSE strpos(lower(substr(b COLLATE "C", greatest(s, 1)::int)), lower(a COLLATE "C")) + greatest(s, 1) - 1 END
$f$;
CREATE OR REPLACE FUNCTION charindex(a text, b text) RETURNS bigint LANGUAGE sql IMMUTABLE AS
  'SELECT charindex(a, b, 1)';
-- replace() compares without case, as under the server's collation.
CREATE OR REPLACE FUNCTION pt_replace(s text, f text, r text) RETURNS text LANGUAGE sql IMMUTABLE AS $f$
SELECT CASE WHEN f = '' COLLATE "C" THEN s
  ELSE regexp_replace(s COLLATE "C", regexp_replace(f COLLATE "C", '([.^$*+?()[\]{}|\\-])', '\\\1', 'g'),
                      replace(r COLLATE "C", '\', '\\'), 'gi') END
$f$;
-- "+" joins texts, as on the server; a fixed-width text keeps its trailing blanks.
CREATE OR REPLACE FUNCTION pt_join(a text, b text) RETURNS text LANGUAGE sql IMMUTABLE STRICT AS 'SELECT concat(a, b)';
CREATE OR REPLACE FUNCTION pt_join(a bpchar, b bpchar) RETURNS text LANGUAGE sql IMMUTABLE STRICT AS 'SELECT concat(a, b)';
CREATE OR REPLACE FUNCTION pt_join(a bpchar, b text) RETURNS text LANGUAGE sql IMMUTABLE STRICT AS 'SELECT concat(a, b)';
CREATE OR REPLACE FUNCTION pt_join(a text, b bpchar) RETURNS text LANGUAGE sql IMMUTABLE STRICT AS 'SELECT concat(a, b)';
DO $$ BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_operator WHERE oprname = '+' AND oprnamespace = current_schema()::regnamespace) THEN
    CREATE OPERATOR + (LEFTARG = text, RIGHTARG = text, FUNCTION = pt_join);
    CREATE OPERATOR + (LEFTARG = bpchar, RIGHTARG = bpchar, FUNCTION = pt_join);
    CREATE OPERATOR + (LEFTARG = bpchar, RIGHTARG = text, FUNCTION = pt_join);
    CREATE OPERATOR + (LEFTARG = text, RIGHTARG = bpchar, FUNCTION = pt_join);
  END IF;
END $$;
-- round(float, n) as the server rounds a float.
CREATE OR REPLACE FUNCTION round(x double precision, n integer) RETURNS double precision LANGUAGE sql IMMUTABLE AS
  'SELECT round(x::numeric, n)::double precision';

-- ---- the catalogue as the module asks it ----
CREATE OR REPLACE FUNCTION object_id(name text) RETURNS bigint LANGUAGE sql STABLE AS $f$
SELECT to_regclass(regexp_replace(regexp_replace(name COLLATE "C", '^.*\.', ''), '^\[(.*)\]$', '\1'))::oid::bigint
$f$;
CREATE OR REPLACE VIEW syscolumns AS
  SELECT a.attname::varchar(128) COLLATE ci AS name, a.attrelid::bigint AS id, format_type(a.atttypid, a.atttypmod)::varchar(128) AS type
  FROM pg_attribute a WHERE a.attnum > 0 AND NOT a.attisdropped;
CREATE OR REPLACE VIEW sysobjects AS
  SELECT c.relname::varchar(128) COLLATE ci AS name, c.oid::bigint AS id,
         (CASE c.relkind WHEN 'r' THEN 'U' WHEN 'v' THEN 'V' ELSE 'X' END)::varchar(2) AS xtype
  FROM pg_class c WHERE c.relkind IN ('r', 'v') AND c.relnamespace = current_schema()::regnamespace;

CREATE OR REPLACE FUNCTION pt_support_v3() RETURNS int LANGUAGE sql IMMUTABLE AS 'SELECT 1';
)SQL";
}

}  // namespace pt::hostapp
