#pragma once
// The stand-in host's database: one connection to one of the back ends of DbBackend.h (an
// SQLite file or a PostgreSQL database), with the SQL Server compatibility the module's SQL
// needs (see SqlDialect.h): the collation CI (case-insensitive for ASCII letters, trailing
// blanks ignored, as a case-insensitive SQL Server collation compares varchar), the date and
// text functions, and the views syscolumns / sysobjects over the back end's own catalogue.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/TextRoutines.h"  // AsciiLower
#include "common/Variant.h"
#include "hostapp/DbBackend.h"
#include "hostapp/ServerClock.h"

struct sqlite3;

namespace pt::hostapp {

// A statement the database refused: the database's own message and the statement as sent.
class SqlError : public std::runtime_error {
 public:
  SqlError(std::string dbMessage, std::string statement)
      : std::runtime_error(dbMessage), dbMessage_(std::move(dbMessage)), statement_(std::move(statement)) {}
  const std::string& dbMessage() const { return dbMessage_; }
  const std::string& statement() const { return statement_; }

 private:
  std::string dbMessage_;
  std::string statement_;
};

class HostDatabase {
 public:
  // Opens the database `target` names: a postgresql:// (or postgres://) URI connects to that
  // PostgreSQL database, anything else is an SQLite file, created when missing (":memory:"
  // gives a private in-memory one). Throws SqlError when it cannot be opened.
  explicit HostDatabase(const std::string& target, ServerClock clock = ServerClock());
  ~HostDatabase();
  HostDatabase(const HostDatabase&) = delete;
  HostDatabase& operator=(const HostDatabase&) = delete;

  Backend kind() const { return backend_->kind(); }
  DbBackend& backend() { return *backend_; }
  const ServerClock& clock() const { return clock_; }
  void SetClock(ServerClock clock);

  // Native text of the back end, one or more statements; throws SqlError.
  void ExecNative(std::string_view sql);
  // A SQL Server batch: statements separated by ";", IF ... ALTER TABLE included. Runs them in
  // order and stops at the first that fails (the ones before stay done); throws SqlError.
  void RunBatch(std::string_view serverSql);
  // One SELECT in SQL Server dialect; the rows as a data packet. Throws SqlError.
  std::string QueryPacket(std::string_view serverSql);
  // The same for SQLite text the host composes itself.
  std::string QueryNativePacket(std::string_view sql, const std::string& shownAs = {});

  bool TableExists(std::string_view name) { return backend_->TableExists(name); }
  bool ColumnExists(std::string_view table, std::string_view column) { return backend_->ColumnExists(table, column); }

  void Begin() { backend_->Begin(); }
  void Commit() { backend_->Commit(); }
  void Rollback() noexcept { backend_->Rollback(); }
  bool InTransaction() const { return backend_->InTransaction(); }

  std::unique_ptr<BulkWriter> Bulk(const std::string& table, const std::vector<std::string>& columns) {
    return backend_->Bulk(table, columns);
  }

 private:
  ServerClock clock_;
  std::unique_ptr<DbBackend> backend_;
};

// A prepared statement of the host's own SQL (the text both back ends share, parameters ?N).
// Columns and parameters count from 0 and 1.
class Statement {
 public:
  Statement(HostDatabase& db, std::string_view sql, const std::string& shownAs = {});
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::string_view text) { c_->BindText(index, text); return *this; }
  Statement& Bind(int index, const std::string& text) { return Bind(index, std::string_view(text)); }
  Statement& Bind(int index, const char* text) { return Bind(index, std::string_view(text)); }
  Statement& Bind(int index, int64_t value) { c_->BindInt(index, value); return *this; }
  Statement& Bind(int index, int value) { return Bind(index, static_cast<int64_t>(value)); }
  Statement& Bind(int index, double value) { c_->BindFloat(index, value); return *this; }
  Statement& BindNull(int index) { c_->BindNull(index); return *this; }
  Statement& BindValue(int index, const Variant& value);

  bool Step() { return c_->Step(); }  // true while a row is available; throws SqlError
  void Run() { while (Step()) {} }
  void Reset() { c_->Reset(); }

  int Columns() const { return c_->Columns(); }
  std::string Name(int column) const { return c_->Name(column); }
  std::string DeclType(int column) const { return c_->DeclType(column); }
  bool IsNull(int column) const { return c_->IsNull(column); }
  std::string Text(int column) const { return c_->Text(column); }
  int64_t Int(int column) const { return c_->Int(column); }
  double Float(int column) const { return c_->Float(column); }
  Variant Value(int column) const { return c_->Value(column); }  // by the cell's type; null stays null
  const std::string& shownAs() const { return shownAs_; }

 private:
  std::string shownAs_;
  std::unique_ptr<DbCursor> c_;
};

// Every row of a statement as a data packet. Field types come from the declared column types
// where the values fit them, else from the values; duplicate names get a suffix ("f_xsdj_1").
std::string PacketFromStatement(Statement& st);

// Registers on an SQLite connection what the dialect layer's texts call: the collation CI, the SQL
// Server functions and the views syscolumns / sysobjects. getdate() reads `clock` (the
// workstation's clock when null). Also the entry of the SQLite shell extension (docs/host.md).
void RegisterSqlServerDialect(sqlite3* db, const ServerClock* clock);

}  // namespace pt::hostapp
