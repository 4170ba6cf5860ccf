#pragma once
// SQL Server dialect on SQLite. The module composes its SQL for a server that offers `top`,
// DATEDIFF, cast to datetime, `left`, `ceiling`, syscolumns / object_id and IF ... ALTER TABLE;
// this layer rewrites such a text into statements SQLite runs with the same answers. The
// functions the rewritten text calls (pt_datediff, pt_datetime, pt_left, ceiling, object_id,
// ...) and the collation CI are registered by HostDatabase.
//
// What it rewrites (outside quoted texts and comments; comments themselves are dropped):
//   select [distinct] top N ...     -> select [distinct] ... LIMIT N  (a member of a union is
//                                      wrapped: select * from (select ... LIMIT N))
//   select top (expr) ...           -> select ... LIMIT (expr), a subquery included
//   DATEDIFF(day, a, b), DATEADD(..) -> pt_datediff('day', a, b), pt_dateadd(...)
//   cast(x as datetime)              -> pt_datetime(x)   (also smalldatetime, date)
//   convert(type, x [, style])       -> cast(x as type), or pt_datetime(x) for date types
//   left(x, n), right(x, n)          -> pt_left(x, n), pt_right(x, n)
//   isnull(a, b)                     -> ifnull(a, b)
//   N'text'                          -> 'text'
//   delete T where ...               -> delete from T where ...
//   alter table T add c1 def, c2 def -> one ALTER TABLE T ADD COLUMN per column, text columns
//                                       collated CI like the rest of the schema
//   create table T (c1 def, ...)     -> the same, text columns collated CI
//   if [not] (exists (...)) stmt     -> a condition evaluated first, then stmt when it holds
// A batch is split into statements at every ";" outside parentheses and quotes.
// Not supported (SQLite reports them): "+" as text concatenation, IF ... BEGIN ... END blocks,
// ELSE, table hints; refused here: top ... percent / with ties, and top in the last select of a
// union that ends in ORDER BY (the order is the whole union's, the limit only that select's).
//
// The PostgreSQL translation shares the splitting, `top`, IF, ALTER TABLE ... ADD, delete
// without from and N'...'; its date and text functions live in the database (PgSupport.cpp),
// date arguments are read through pt_datetime(), isnull becomes coalesce, LIKE is matched
// without case (ILIKE under the byte collation, since the case-insensitive collation cannot
// match patterns), replace() becomes pt_replace(), and a quoted text compared with "=", "<>",
// "<", ">" or listed in IN (...) loses its trailing blanks, as the server ignores them.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pt::hostapp {

// Appended to every select-list alias on SQLite (see HideAliases in SqlDialect.cpp), so that
// only ORDER BY finds it by its name, as on the server; result column names drop it again.
inline constexpr char kAliasMark = '\x1f';

class DialectError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Dialect { Sqlite, Postgres };

struct SqlStep {
  std::string original;            // the statement as it was sent, for the error list
  std::string condition;           // when not empty: a SQLite SELECT giving 1 or 0 (IF ...)
  std::vector<std::string> sql;    // SQLite statements, run in order (when the condition holds)
};

// Splits and rewrites a batch. Throws DialectError on text it cannot read (an unclosed quote,
// unbalanced parentheses, an unsupported construct).
std::vector<SqlStep> TranslateBatch(std::string_view text, Dialect dialect = Dialect::Sqlite);

// Rewrites one statement or a fragment of one (a search condition, a derived table's SELECT).
std::string TranslateFragment(std::string_view text, Dialect dialect = Dialect::Sqlite);

}  // namespace pt::hostapp
