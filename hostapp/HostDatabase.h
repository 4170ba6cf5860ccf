#pragma once
// The stand-in host's database: one SQLite connection with the SQL Server compatibility the
// module's SQL needs (see SqlDialect.h): the collation CI (case-insensitive for ASCII letters,
// trailing blanks ignored, as a case-insensitive SQL Server collation compares varchar), the
// date and text functions, and the views syscolumns / sysobjects over SQLite's own catalogue.
#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/TextRoutines.h"  // AsciiLower
#include "common/Variant.h"
#include "hostapp/ServerClock.h"

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
  // Opens (creating when missing) the database file; ":memory:" gives a private in-memory one.
  // Throws SqlError when the file cannot be opened.
  explicit HostDatabase(const std::string& path, ServerClock clock = ServerClock());
  ~HostDatabase();
  HostDatabase(const HostDatabase&) = delete;
  HostDatabase& operator=(const HostDatabase&) = delete;

  sqlite3* raw() const { return db_; }
  const ServerClock& clock() const { return clock_; }
  void SetClock(ServerClock clock) { clock_ = std::move(clock); }

  // SQLite text, one or more statements; throws SqlError.
  void ExecNative(std::string_view sql);
  // A SQL Server batch: statements separated by ";", IF ... ALTER TABLE included. Runs them in
  // order and stops at the first that fails (the ones before stay done); throws SqlError.
  void RunBatch(std::string_view serverSql);
  // One SELECT in SQL Server dialect; the rows as a data packet. Throws SqlError.
  std::string QueryPacket(std::string_view serverSql);
  // The same for SQLite text the host composes itself.
  std::string QueryNativePacket(std::string_view sqliteSql, const std::string& shownAs = {});

  bool TableExists(std::string_view name);
  bool ColumnExists(std::string_view table, std::string_view column);

  void Begin() { ExecNative("BEGIN"); }
  void Commit() { ExecNative("COMMIT"); }
  void Rollback() noexcept;

 private:
  sqlite3* db_ = nullptr;
  ServerClock clock_;
};

// A prepared SQLite statement. Columns and parameters count from 0 and 1 as in SQLite.
class Statement {
 public:
  Statement(HostDatabase& db, std::string_view sqliteSql, const std::string& shownAs = {});
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::string_view text);
  Statement& Bind(int index, int64_t value);
  Statement& Bind(int index, int value) { return Bind(index, static_cast<int64_t>(value)); }
  Statement& Bind(int index, double value);
  Statement& BindNull(int index);
  Statement& BindValue(int index, const Variant& value);

  bool Step();  // true while a row is available; throws SqlError
  void Run() { while (Step()) {} }
  void Reset();

  int Columns() const;
  std::string Name(int column) const;
  std::string DeclType(int column) const;
  bool IsNull(int column) const;
  std::string Text(int column) const;
  int64_t Int(int column) const;
  double Float(int column) const;
  Variant Value(int column) const;  // by the cell's storage class; null stays null
  const std::string& shownAs() const { return shownAs_; }

 private:
  sqlite3* db_;
  sqlite3_stmt* st_ = nullptr;
  std::string shownAs_;
};

// Every row of a statement as a data packet. Field types come from the declared column types
// where the values fit them, else from the values; duplicate names get a suffix ("f_xsdj_1").
std::string PacketFromStatement(Statement& st);

// Registers on a connection what the dialect layer's texts call: the collation CI, the SQL
// Server functions and the views syscolumns / sysobjects. getdate() reads `clock` (the
// workstation's clock when null). Also the entry of the SQLite shell extension (docs/host.md).
void RegisterSqlServerDialect(sqlite3* db, const ServerClock* clock);

}  // namespace pt::hostapp
