// The PostgreSQL back end, through libpq. The connection writes into the first schema of its
// search path (a URI may name one with options=-csearch_path%3D...); the host's support objects
// (PgSupport.h) are installed there on first use. A connection the server dropped is opened
// again at the next call; the call that met the loss fails with the database's message.
#include <libpq-fe.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>

#include "hostapp/HostDatabase.h"
#include "hostapp/PgSupport.h"
#include "hostapp/SqlDialect.h"

namespace pt::hostapp {

namespace {

// Type oids of the built-in types the host reads.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kFloat4 = 700, kFloat8 = 701, kBpchar = 1042,
              kVarchar = 1043, kNumeric = 1700;

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

// The message of a failed result: the server's primary message, else libpq's.
std::string ResultMessage(PGconn* conn, const PGresult* r) {
  const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  if (primary && *primary) return primary;
  const char* m = r ? PQresultErrorMessage(r) : nullptr;
  if (m && *m) return Trimmed(m);
  return Trimmed(PQerrorMessage(conn));
}

// ?N and ? parameters of the host's shared SQL become $N (quoted texts and comments untouched).
std::string NumberParameters(std::string_view sql) {
  std::string out;
  out.reserve(sql.size() + 8);
  int next = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    char c = sql[i];
    if (c == '\'' || c == '"') {
      size_t j = i + 1;
      while (j < sql.size() && sql[j] != c) ++j;
      out.append(sql.substr(i, j - i + 1));
      i = j;
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      size_t j = sql.find('\n', i);
      if (j == std::string_view::npos) j = sql.size();
      out.append(sql.substr(i, j - i));
      i = j - 1;
    } else if (c == '?') {
      size_t j = i + 1;
      while (j < sql.size() && sql[j] >= '0' && sql[j] <= '9') ++j;
      out += '$';
      if (j > i + 1) out.append(sql.substr(i + 1, j - i - 1));
      else out += std::to_string(++next);
      i = j - 1;
    } else {
      out += c;
    }
  }
  return out;
}

class PgConnection {
 public:
  PgConnection(const std::string& uri, const ServerClock* clock) : uri_(uri), clock_(clock) {
    conn_ = PQconnectdb(uri.c_str());
    if (PQstatus(conn_) != CONNECTION_OK) {
      std::string msg = Trimmed(PQerrorMessage(conn_));
      PQfinish(conn_);
      conn_ = nullptr;
      throw SqlError(msg, {});
    }
    Setup();
  }
  ~PgConnection() { PQfinish(conn_); }

  PGconn* get() { return conn_; }

  // Before a call: a connection the server dropped is opened again (outside a transaction
  // only: a transaction that was cut off is lost, and the call that follows says so).
  void Ensure() {
    if (PQstatus(conn_) == CONNECTION_OK) return;
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK) throw SqlError(Trimmed(PQerrorMessage(conn_)), {});
    Setup();
  }

  // Runs a result-less command; throws SqlError.
  void Command(const std::string& sql, const std::string& shownAs) {
    Ensure();
    PGresult* r = PQexec(conn_, sql.c_str());
    ExecStatusType st = PQresultStatus(r);
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK && st != PGRES_EMPTY_QUERY) {
      std::string msg = ResultMessage(conn_, r);
      PQclear(r);
      throw SqlError(msg, shownAs);
    }
    PQclear(r);
  }

  void ApplyClock() {
    std::string date = clock_ && clock_->pinned() ? clock_->Date() : std::string();
    std::string time = clock_ && clock_->pinned() ? clock_->Time() : std::string();
    Command("SELECT set_config('pt.server_date', '" + date + "', false), set_config('pt.server_time', '" + time + "', false)",
            {});
  }

 private:
  void Setup() {
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    Command("SET client_encoding = 'UTF8'; SET client_min_messages = warning; SET datestyle = 'ISO, YMD'", {});
    PGresult* r = PQexec(conn_, "SELECT to_regprocedure('pt_support_v3()') IS NOT NULL");
    bool installed = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1 && std::strcmp(PQgetvalue(r, 0, 0), "t") == 0;
    PQclear(r);
    if (!installed) {
      // Two hosts opening a fresh database at once install the support objects one after the other.
      Command("BEGIN; SELECT pg_advisory_xact_lock(1414); " + std::string(PgSupportSql()) + " COMMIT;", "PostgreSQL support objects");
    }
    ApplyClock();
  }

  std::string uri_;
  const ServerClock* clock_;
  PGconn* conn_ = nullptr;
};

class PgCursor : public DbCursor {
 public:
  PgCursor(PgConnection& c, std::string_view sql, const std::string& shownAs)
      : c_(c), sql_(NumberParameters(sql)), shownAs_(shownAs) {}
  ~PgCursor() override { PQclear(res_); }

  void BindText(int i, std::string_view text) override { Set(i, std::string(text), 0); }
  void BindInt(int i, int64_t v) override { Set(i, std::to_string(v), kInt8); }
  void BindFloat(int i, double v) override {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    Set(i, buf, kFloat8);
  }
  void BindNull(int i) override { Set(i, std::nullopt, 0); }

  bool Step() override {
    if (!res_) Execute();
    if (row_ + 1 < PQntuples(res_)) {
      ++row_;
      return true;
    }
    row_ = PQntuples(res_);
    return false;
  }
  void Reset() override {
    PQclear(res_);
    res_ = nullptr;
    row_ = -1;
    params_.clear();
    types_.clear();
  }

  int Columns() const override {
    if (!res_) const_cast<PgCursor*>(this)->Execute();
    return PQnfields(res_);
  }
  // PostgreSQL folds unquoted names to lower case; the server keeps them as the statement
  // wrote them, so the name is given back in the statement's spelling.
  std::string Name(int c) const override {
    std::string name = PQfname(res_, c);
    if (!name.empty() && name.back() == kAliasMark) name.pop_back();
    std::string lower = AsciiLower(name);
    const std::string& text = sql_;
    for (size_t p = 0; p + name.size() <= text.size(); ++p) {
      if (AsciiLower(std::string_view(text).substr(p, name.size())) != lower) continue;
      auto word = [](char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_'; };
      if ((p > 0 && word(text[p - 1])) || (p + name.size() < text.size() && word(text[p + name.size()]))) continue;
      return text.substr(p, name.size());
    }
    return name;
  }
  std::string DeclType(int c) const override {
    int mod = PQfmod(res_, c);
    switch (PQftype(res_, c)) {
      case kVarchar: return mod > 4 ? "varchar(" + std::to_string(mod - 4) + ")" : "varchar";
      case kBpchar: return mod > 4 ? "char(" + std::to_string(mod - 4) + ")" : "char";
      case kText: return "text";
      case kInt2: case kInt4: case kInt8: case kBool: return "int";
      case kFloat4: case kFloat8: return "float";
      case kNumeric: return "numeric";
      default: return "";
    }
  }
  bool IsNull(int c) const override { return PQgetisnull(res_, row_, c) != 0; }
  std::string Text(int c) const override {
    return std::string(PQgetvalue(res_, row_, c), static_cast<size_t>(PQgetlength(res_, row_, c)));
  }
  int64_t Int(int c) const override {
    const char* v = PQgetvalue(res_, row_, c);
    if (PQftype(res_, c) == kBool) return *v == 't' ? 1 : 0;
    if (PQftype(res_, c) == kFloat8 || PQftype(res_, c) == kFloat4 || PQftype(res_, c) == kNumeric)
      return static_cast<int64_t>(std::strtod(v, nullptr));
    return std::strtoll(v, nullptr, 10);
  }
  double Float(int c) const override { return std::strtod(PQgetvalue(res_, row_, c), nullptr); }
  Variant Value(int c) const override {
    if (IsNull(c)) return Variant();
    switch (PQftype(res_, c)) {
      case kInt2: case kInt4: case kInt8: case kBool: return Variant(static_cast<long long>(Int(c)));
      case kFloat4: case kFloat8: case kNumeric: return Variant(Float(c));
      default: return Variant(Text(c));
    }
  }

 private:
  void Set(int i, std::optional<std::string> v, Oid type) {
    if (i < 1) return;
    if (params_.size() < static_cast<size_t>(i)) {
      params_.resize(static_cast<size_t>(i));
      types_.resize(static_cast<size_t>(i), 0);
    }
    params_[static_cast<size_t>(i - 1)] = std::move(v);
    types_[static_cast<size_t>(i - 1)] = type;
  }

  void Execute() {
    c_.Ensure();
    std::vector<const char*> values;
    for (const auto& p : params_) values.push_back(p ? p->c_str() : nullptr);
    res_ = PQexecParams(c_.get(), sql_.c_str(), static_cast<int>(params_.size()), types_.data(), values.data(), nullptr,
                        nullptr, 0);
    ExecStatusType st = PQresultStatus(res_);
    if (st != PGRES_TUPLES_OK && st != PGRES_COMMAND_OK) {
      std::string msg = ResultMessage(c_.get(), res_);
      PQclear(res_);
      res_ = nullptr;
      throw SqlError(msg, shownAs_);
    }
    row_ = -1;
  }

  PgConnection& c_;
  std::string sql_;
  std::string shownAs_;
  std::vector<std::optional<std::string>> params_;
  std::vector<Oid> types_;
  PGresult* res_ = nullptr;
  int row_ = -1;
};

// Rows in COPY's text form, sent a few megabytes at a time (a COPY in progress would block
// every other statement of the connection, so each chunk is a COPY of its own).
class PgBulk : public BulkWriter {
 public:
  PgBulk(PgConnection& c, const std::string& table, const std::vector<std::string>& columns) : c_(c) {
    copy_ = "COPY " + table + "(";
    for (size_t i = 0; i < columns.size(); ++i) copy_ += (i ? "," : "") + columns[i];
    copy_ += ") FROM STDIN";
  }
  ~PgBulk() override {
    try {
      Finish();
    } catch (...) {
    }
  }
  void Add(const std::vector<Variant>& row) override {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) buf_ += '\t';
      const Variant& v = row[i];
      if (v.IsNull()) {
        buf_ += "\\N";
        continue;
      }
      std::string t = v.kind() == Variant::Kind::Bool ? (v.AsBool() ? "1" : "0") : v.ToText();
      if (v.kind() == Variant::Kind::Float) {
        char b[40];
        std::snprintf(b, sizeof b, "%.17g", v.AsFloat());
        t = b;
      }
      for (char ch : t) {
        switch (ch) {
          case '\\': buf_ += "\\\\"; break;
          case '\t': buf_ += "\\t"; break;
          case '\n': buf_ += "\\n"; break;
          case '\r': buf_ += "\\r"; break;
          default: buf_ += ch;
        }
      }
    }
    buf_ += '\n';
    if (buf_.size() > (4u << 20)) Finish();
  }
  void Finish() override {
    if (buf_.empty()) return;
    std::string data;
    data.swap(buf_);
    c_.Ensure();
    PGconn* conn = c_.get();
    PGresult* r = PQexec(conn, copy_.c_str());
    if (PQresultStatus(r) != PGRES_COPY_IN) {
      std::string msg = ResultMessage(conn, r);
      PQclear(r);
      throw SqlError(msg, copy_);
    }
    PQclear(r);
    if (PQputCopyData(conn, data.data(), static_cast<int>(data.size())) != 1 || PQputCopyEnd(conn, nullptr) != 1)
      throw SqlError(Trimmed(PQerrorMessage(conn)), copy_);
    std::string error;
    while ((r = PQgetResult(conn)) != nullptr) {
      if (PQresultStatus(r) != PGRES_COMMAND_OK && error.empty()) error = ResultMessage(conn, r);
      PQclear(r);
    }
    if (!error.empty()) throw SqlError(error, copy_);
  }

 private:
  PgConnection& c_;
  std::string copy_;
  std::string buf_;
};

class PgBackend : public DbBackend {
 public:
  PgBackend(const std::string& uri, const ServerClock* clock) : c_(uri, clock) {}

  Backend kind() const override { return Backend::Postgres; }

  void ExecNative(std::string_view sql) override { c_.Command(std::string(sql), std::string(sql)); }

  std::unique_ptr<DbCursor> Prepare(std::string_view sql, const std::string& shownAs) override {
    return std::make_unique<PgCursor>(c_, sql, shownAs);
  }

  bool TableExists(std::string_view name) override {
    PgCursor st(c_, "SELECT 1 FROM pg_class WHERE oid = to_regclass(lower(?1))", {});
    st.BindText(1, name);
    return st.Step();
  }
  bool ColumnExists(std::string_view table, std::string_view column) override {
    PgCursor st(c_,
                "SELECT 1 FROM pg_attribute WHERE attrelid = to_regclass(lower(?1)) AND attname = lower(?2) "
                "AND attnum > 0 AND NOT attisdropped",
                {});
    st.BindText(1, table);
    st.BindText(2, column);
    return st.Step();
  }

  void Begin() override { c_.Command("BEGIN", "BEGIN"); }
  void Commit() override { c_.Command("COMMIT", "COMMIT"); }
  void Rollback() noexcept override {
    if (!InTransaction()) return;
    PGresult* r = PQexec(c_.get(), "ROLLBACK");
    PQclear(r);
  }
  bool InTransaction() const override {
    PGTransactionStatusType s = PQtransactionStatus(const_cast<PgConnection&>(c_).get());
    return s == PQTRANS_INTRANS || s == PQTRANS_INERROR || s == PQTRANS_ACTIVE;
  }

  std::unique_ptr<BulkWriter> Bulk(const std::string& table, const std::vector<std::string>& columns) override {
    return std::make_unique<PgBulk>(c_, table, columns);
  }

  void ClockChanged(const ServerClock&) override { c_.ApplyClock(); }

  std::string RowOrder(const std::string& alias) const override { return alias + ".pt_rowid"; }

  void FillSelection(const std::vector<std::string>& codes) override {
    c_.Command("CREATE TEMP TABLE IF NOT EXISTS pt_sel (f_spbm varchar(40) COLLATE ci PRIMARY KEY); TRUNCATE pt_sel", {});
    std::set<std::string> seen;
    PgBulk bulk(c_, "pt_sel", {"f_spbm"});
    for (const std::string& code : codes) {
      std::string key = AsciiLower(code);
      while (!key.empty() && key.back() == ' ') key.pop_back();
      if (seen.insert(key).second) bulk.Add({Variant(code)});
    }
    bulk.Finish();
    c_.Command("ANALYZE pt_sel", {});
  }

 private:
  PgConnection c_;
};

}  // namespace

std::unique_ptr<DbBackend> OpenPostgresBackend(const std::string& uri, const ServerClock* clock) {
  return std::make_unique<PgBackend>(uri, clock);
}

}  // namespace pt::hostapp
