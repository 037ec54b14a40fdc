#include "database/postgres/PgFunctions.h"

namespace PgFunctions {

// The forms the reports use, each as SQLite gives it:
//   date(d, m [, m2])       d an ISO day "YYYY-MM-DD"; each modifier "[+-]N day(s)" or "[+-]N month(s)".
//                           Months move the month and keep the day, and a day past the month's end
//                           rolls over ("2026-01-31", "+1 month" is "2026-03-03"), as SQLite does.
//   strftime(f, d)          f made of %Y, %m, %d (the day's year, month, day of month), %w (day of
//                           the week, 0 for Sunday) and other text.
//   audit_time, audit_ms, audit_changes  the audit trail read by a person (see AuditTrail::timeText).
// Anything else (another form of day, another modifier, NULL) gives NULL, as SQLite gives for what it
// cannot read. Only immutable functions inside (no to_char, no time zone), so they are truly immutable.
static const char* const kFunctions = R"SQL(
CREATE OR REPLACE FUNCTION sqlite_day(d text) RETURNS date LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT CASE WHEN d ~ '^[0-9]{4}-(0[1-9]|1[0-2])-(0[1-9]|[12][0-9]|3[01])$'
              THEN make_date(substr(d, 1, 4)::int, substr(d, 6, 2)::int, 1) + (substr(d, 9, 2)::int - 1) END
$$;
CREATE OR REPLACE FUNCTION sqlite_text(x date) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT lpad(extract(year from x)::int::text, 4, '0') || '-' || lpad(extract(month from x)::int::text, 2, '0')
         || '-' || lpad(extract(day from x)::int::text, 2, '0')
$$;
CREATE OR REPLACE FUNCTION sqlite_shift(x date, m text) RETURNS date LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT CASE WHEN m ~* '^\s*[+-]?[0-9]{1,6}\s+days?\s*$'
              THEN x + substring(m from '[+-]?[0-9]+')::int
              WHEN m ~* '^\s*[+-]?[0-9]{1,6}\s+months?\s*$'
              THEN make_date(floor((extract(year from x) * 12 + extract(month from x) - 1
                                    + substring(m from '[+-]?[0-9]+')::int) / 12)::int,
                             mod((extract(month from x) - 1 + substring(m from '[+-]?[0-9]+')::int) % 12 + 12, 12)::int + 1, 1)
                   + (extract(day from x)::int - 1) END
$$;
CREATE OR REPLACE FUNCTION date(d text, m text) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT sqlite_text(sqlite_shift(sqlite_day(d), m))
$$;
CREATE OR REPLACE FUNCTION date(d text, m text, m2 text) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT sqlite_text(sqlite_shift(sqlite_shift(sqlite_day(d), m), m2))
$$;
CREATE OR REPLACE FUNCTION strftime(f text, d text) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT replace(replace(replace(replace(f, '%Y', substr(sqlite_text(sqlite_day(d)), 1, 4)),
                                 '%m', substr(sqlite_text(sqlite_day(d)), 6, 2)),
                         '%d', substr(sqlite_text(sqlite_day(d)), 9, 2)),
                 '%w', extract(dow from sqlite_day(d))::int::text)
$$;
CREATE OR REPLACE FUNCTION audit_time(ms bigint) RETURNS text LANGUAGE sql STABLE PARALLEL SAFE AS $$
  SELECT to_char(to_timestamp(ms / 1000.0) AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS.MS')
$$;
CREATE OR REPLACE FUNCTION audit_ms(d text) RETURNS bigint LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT (extract(epoch FROM sqlite_day(d)::timestamp) * 1000)::bigint
$$;
CREATE OR REPLACE FUNCTION audit_changes(c text) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT coalesce(string_agg(e.key || ': ' || CASE WHEN jsonb_typeof(e.value) = 'array'
                    THEN coalesce(e.value ->> 0, '(empty)') || ' → ' || coalesce(e.value ->> 1, '(empty)')
                    ELSE coalesce(e.value #>> '{}', '(empty)') END, '; ' ORDER BY e.key COLLATE "C"), '')
  FROM jsonb_each(c::jsonb) e
$$;
)SQL";

QString sql() { return QString::fromUtf8(kFunctions); }

}  // namespace PgFunctions
