#pragma once
// The database back ends of the stand-in host. The host speaks to one of them through this
// interface: SQLite (a file path, the embedded default) or PostgreSQL (a postgresql:// URI,
// through libpq). Both hold the same schema and seed; each has its own translation of the
// module's SQL Server dialect (SqlDialect.h) and its own functions that the translated text
// calls. The host's own statements are written once, in the SQL both back ends share, with
// parameters numbered ?1, ?2, ... (or plain ?).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/Variant.h"
#include "hostapp/ServerClock.h"

namespace pt::hostapp {

enum class Backend { Sqlite, Postgres };

// True when `target` names a PostgreSQL database (postgresql:// or postgres://).
bool IsPostgresTarget(std::string_view target);

// One prepared statement: bind, step through the rows, read the current row's cells.
class DbCursor {
 public:
  virtual ~DbCursor() = default;
  virtual void BindText(int index, std::string_view text) = 0;
  virtual void BindInt(int index, int64_t value) = 0;
  virtual void BindFloat(int index, double value) = 0;
  virtual void BindNull(int index) = 0;
  virtual bool Step() = 0;  // true while a row is available; throws SqlError
  virtual void Reset() = 0;  // back to before the first row, bindings cleared
  virtual int Columns() const = 0;
  virtual std::string Name(int column) const = 0;
  // The declared type of a result column as DDL writes it ("varchar(20)", "float", "int"),
  // empty when the column is an expression without one.
  virtual std::string DeclType(int column) const = 0;
  virtual bool IsNull(int column) const = 0;
  virtual std::string Text(int column) const = 0;
  virtual int64_t Int(int column) const = 0;
  virtual double Float(int column) const = 0;
  virtual Variant Value(int column) const = 0;  // by the cell's type; null stays null
};

// Rows written in bulk into one table (the seed, benchmarks): SQLite inserts with one prepared
// statement, PostgreSQL streams them with COPY. Rows reach the table by Finish() at the latest.
class BulkWriter {
 public:
  virtual ~BulkWriter() = default;
  virtual void Add(const std::vector<Variant>& row) = 0;
  virtual void Finish() = 0;
};

class DbBackend {
 public:
  virtual ~DbBackend() = default;
  virtual Backend kind() const = 0;
  // Native text of the back end, one or more statements; throws SqlError.
  virtual void ExecNative(std::string_view sql) = 0;
  virtual std::unique_ptr<DbCursor> Prepare(std::string_view sql, const std::string& shownAs) = 0;
  virtual bool TableExists(std::string_view name) = 0;
  virtual bool ColumnExists(std::string_view table, std::string_view column) = 0;
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() noexcept = 0;
  virtual bool InTransaction() const = 0;
  virtual std::unique_ptr<BulkWriter> Bulk(const std::string& table, const std::vector<std::string>& columns) = 0;
  // The server clock changed (getdate() answers from it).
  virtual void ClockChanged(const ServerClock& clock) = 0;
  // The column that keeps insertion order in the tables that need one (promotions, time-limited
  // sales, quantity pricing, price-change logs): SQLite's rowid, PostgreSQL's pt_rowid.
  virtual std::string RowOrder(const std::string& alias) const = 0;
  // The host's temporary selection of product codes (pt_sel) emptied and filled with `codes`.
  virtual void FillSelection(const std::vector<std::string>& codes) = 0;
};

std::unique_ptr<DbBackend> OpenSqliteBackend(const std::string& path, const ServerClock* clock);
std::unique_ptr<DbBackend> OpenPostgresBackend(const std::string& uri, const ServerClock* clock);

}  // namespace pt::hostapp
