#include "hostapp/HostDatabase.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "common/DataPacket.h"
#include "hostapp/SqlDialect.h"

namespace pt::hostapp {

namespace {

constexpr const char* kDateConversion =
    "Conversion failed when converting date and/or time from character string.";

// ---- collation CI: ASCII letters without case, trailing blanks ignored ----------------------

int CompareCi(void*, int na, const void* va, int nb, const void* vb) {
  const unsigned char* a = static_cast<const unsigned char*>(va);
  const unsigned char* b = static_cast<const unsigned char*>(vb);
  while (na > 0 && a[na - 1] == ' ') --na;
  while (nb > 0 && b[nb - 1] == ' ') --nb;
  int n = na < nb ? na : nb;
  for (int i = 0; i < n; ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return x < y ? -1 : 1;
  }
  return na == nb ? 0 : (na < nb ? -1 : 1);
}

// ---- dates ------------------------------------------------------------------------------------

struct DateTime {
  int64_t days = 0;   // since 1970-01-01
  int64_t secs = 0;   // of the day
};

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int ToInt(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

bool ParseTimeOfDay(std::string_view t, int64_t& secs) {
  // HH:MM[:SS[.fff]]
  size_t dot = t.find('.');
  if (dot != std::string_view::npos) {
    if (!AllDigits(t.substr(dot + 1))) return false;
    t = t.substr(0, dot);
  }
  int parts[3] = {0, 0, 0};
  int count = 0;
  size_t start = 0;
  while (count < 3) {
    size_t colon = t.find(':', start);
    std::string_view p = t.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
    if (!AllDigits(p) || p.size() > 2) return false;
    parts[count++] = ToInt(p);
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return false;
  secs = parts[0] * 3600 + parts[1] * 60 + parts[2];
  return true;
}

// A date as SQL Server reads a text for datetime: YYYYMMDD, YYYY-MM-DD, YYYY/MM/DD or YYYY.MM.DD,
// optionally followed by a time; the empty text is 1900-01-01.
bool ParseDateText(std::string_view s, DateTime& out) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  if (s.empty()) {
    out = DateTime{DaysFromCivil(1900, 1, 1), 0};
    return true;
  }
  std::string_view date = s, time;
  size_t sep = s.find_first_of(" T");
  if (sep != std::string_view::npos) {
    date = s.substr(0, sep);
    time = s.substr(sep + 1);
    while (!time.empty() && time.front() == ' ') time.remove_prefix(1);
  }
  int y, m, d;
  if (date.size() == 8 && AllDigits(date)) {
    y = ToInt(date.substr(0, 4));
    m = ToInt(date.substr(4, 2));
    d = ToInt(date.substr(6, 2));
  } else if (date.size() >= 8 && date.size() <= 10 && (date[4] == '-' || date[4] == '/' || date[4] == '.')) {
    char c = date[4];
    size_t second = date.find(c, 5);
    if (second == std::string_view::npos) return false;
    std::string_view ys = date.substr(0, 4), ms = date.substr(5, second - 5), ds = date.substr(second + 1);
    if (!AllDigits(ys) || !AllDigits(ms) || !AllDigits(ds) || ms.size() > 2 || ds.size() > 2) return false;
    y = ToInt(ys);
    m = ToInt(ms);
    d = ToInt(ds);
  } else {
    return false;
  }
  if (y < 1753 || !IsValidDate(y, m, d)) return false;
  int64_t secs = 0;
  if (!time.empty() && !ParseTimeOfDay(time, secs)) return false;
  out = DateTime{DaysFromCivil(y, m, d), secs};
  return true;
}

// A SQL value as a datetime; false with *error set when it does not convert, nullopt-like
// `isNull` for NULL.
bool ValueToDate(sqlite3_value* v, DateTime& out, bool& isNull) {
  isNull = false;
  switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: isNull = true; return true;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
      // SQL Server: a number is days since 1900-01-01, the fraction the time of day.
      double d = sqlite3_value_double(v);
      double whole = std::floor(d);
      out.days = DaysFromCivil(1900, 1, 1) + static_cast<int64_t>(whole);
      out.secs = static_cast<int64_t>(std::llround((d - whole) * 86400.0));
      if (out.secs >= 86400) { out.days += 1; out.secs -= 86400; }
      return true;
    }
    default: {
      const unsigned char* t = sqlite3_value_text(v);
      return ParseDateText(std::string_view(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_value_bytes(v))), out);
    }
  }
}

std::string FormatDateTime(const DateTime& dt, bool withTime) {
  CivilDate c = CivilFromDays(dt.days);
  char buf[32];
  if (withTime)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day,
                  static_cast<int>(dt.secs / 3600), static_cast<int>(dt.secs / 60 % 60), static_cast<int>(dt.secs % 60));
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day);
  return buf;
}

void ResultText(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void FnDatetime(sqlite3_context* ctx, int, sqlite3_value** argv) {
  DateTime dt;
  bool isNull;
  if (!ValueToDate(argv[0], dt, isNull)) return sqlite3_result_error(ctx, kDateConversion, -1);
  if (isNull) return sqlite3_result_null(ctx);
  ResultText(ctx, FormatDateTime(dt, true));
}

void FnDate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  DateTime dt;
  bool isNull;
  if (!ValueToDate(argv[0], dt, isNull)) return sqlite3_result_error(ctx, kDateConversion, -1);
  if (isNull) return sqlite3_result_null(ctx);
  ResultText(ctx, FormatDateTime(dt, false));
}

std::string PartOf(sqlite3_value* v) {
  const unsigned char* t = sqlite3_value_text(v);
  return t ? AsciiLower(reinterpret_cast<const char*>(t)) : std::string();
}

// Weeks counted as SQL Server counts their boundaries (weeks start on Sunday).
int64_t WeekIndex(int64_t days) {
  // 1970-01-01 was a Thursday; shift so that Sundays start weeks.
  int64_t shifted = days + 4;
  return shifted >= 0 ? shifted / 7 : (shifted - 6) / 7;
}

void FnDatediff(sqlite3_context* ctx, int, sqlite3_value** argv) {
  std::string part = PartOf(argv[0]);
  DateTime a, b;
  bool na, nb;
  if (!ValueToDate(argv[1], a, na) || !ValueToDate(argv[2], b, nb))
    return sqlite3_result_error(ctx, kDateConversion, -1);
  if (na || nb) return sqlite3_result_null(ctx);
  CivilDate ca = CivilFromDays(a.days), cb = CivilFromDays(b.days);
  int64_t r;
  if (part == "day" || part == "dayofyear") r = b.days - a.days;
  else if (part == "month") r = (cb.year * 12 + cb.month) - (ca.year * 12 + ca.month);
  else if (part == "year") r = cb.year - ca.year;
  else if (part == "quarter") r = (cb.year * 4 + (cb.month - 1) / 3) - (ca.year * 4 + (ca.month - 1) / 3);
  else if (part == "week") r = WeekIndex(b.days) - WeekIndex(a.days);
  else if (part == "hour") r = (b.days * 24 + b.secs / 3600) - (a.days * 24 + a.secs / 3600);
  else if (part == "minute") r = (b.days * 1440 + b.secs / 60) - (a.days * 1440 + a.secs / 60);
  else if (part == "second") r = (b.days * 86400 + b.secs) - (a.days * 86400 + a.secs);
  else return sqlite3_result_error(ctx, ("'" + part + "' is not a recognized datediff option.").c_str(), -1);
  sqlite3_result_int64(ctx, r);
}

void FnDateadd(sqlite3_context* ctx, int, sqlite3_value** argv) {
  std::string part = PartOf(argv[0]);
  if (sqlite3_value_type(argv[1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  int64_t n = sqlite3_value_int64(argv[1]);
  DateTime d;
  bool isNull;
  if (!ValueToDate(argv[2], d, isNull)) return sqlite3_result_error(ctx, kDateConversion, -1);
  if (isNull) return sqlite3_result_null(ctx);
  if (part == "day" || part == "dayofyear") d.days += n;
  else if (part == "week") d.days += 7 * n;
  else if (part == "month" || part == "year" || part == "quarter") {
    int64_t months = part == "month" ? n : part == "year" ? 12 * n : 3 * n;
    CivilDate c = CivilFromDays(d.days);
    int64_t index = c.year * 12 + (c.month - 1) + months;
    int y = static_cast<int>(index / 12), m = static_cast<int>(index % 12 + 1), day = c.day;
    while (!IsValidDate(y, m, day)) --day;  // the 31st of a short month becomes its last day
    d.days = DaysFromCivil(y, m, day);
  } else {
    int64_t secs = part == "hour" ? 3600 * n : part == "minute" ? 60 * n : part == "second" ? n : INT64_MIN;
    if (secs == INT64_MIN) return sqlite3_result_error(ctx, ("'" + part + "' is not a recognized dateadd option.").c_str(), -1);
    int64_t total = d.days * 86400 + d.secs + secs;
    d.days = total >= 0 ? total / 86400 : (total - 86399) / 86400;
    d.secs = total - d.days * 86400;
  }
  ResultText(ctx, FormatDateTime(d, true));
}

void FnDatepart(sqlite3_context* ctx, int, sqlite3_value** argv) {
  std::string part = PartOf(argv[0]);
  DateTime d;
  bool isNull;
  if (!ValueToDate(argv[1], d, isNull)) return sqlite3_result_error(ctx, kDateConversion, -1);
  if (isNull) return sqlite3_result_null(ctx);
  CivilDate c = CivilFromDays(d.days);
  int64_t r;
  if (part == "year") r = c.year;
  else if (part == "month") r = c.month;
  else if (part == "day") r = c.day;
  else if (part == "quarter") r = (c.month - 1) / 3 + 1;
  else if (part == "dayofyear") r = d.days - DaysFromCivil(c.year, 1, 1) + 1;
  else if (part == "weekday") r = ((d.days + 4) % 7 + 7) % 7 + 1;  // Sunday 1
  else if (part == "hour") r = d.secs / 3600;
  else if (part == "minute") r = d.secs / 60 % 60;
  else if (part == "second") r = d.secs % 60;
  else return sqlite3_result_error(ctx, ("'" + part + "' is not a recognized datepart option.").c_str(), -1);
  sqlite3_result_int64(ctx, r);
}

void FnGetdate(sqlite3_context* ctx, int, sqlite3_value**) {
  auto* clock = static_cast<const ServerClock*>(sqlite3_user_data(ctx));
  std::string dt = clock ? clock->DateTime() : ServerClock().DateTime();  // YYYYMMDDHHNNSS
  std::string s = dt.substr(0, 4) + "-" + dt.substr(4, 2) + "-" + dt.substr(6, 2) + " " + dt.substr(8, 2) + ":" +
                  dt.substr(10, 2) + ":" + dt.substr(12, 2);
  ResultText(ctx, s);
}

// ---- numbers and texts -------------------------------------------------------------------------

// The amounts are money on the server, so ceiling sees exact decimals there; on binary floating
// point 0.7*10 is 7.000000000000001, whose ceiling would be 8. A value within a hair of a whole
// number is taken as that number.
void FnCeiling(sqlite3_context* ctx, int, sqlite3_value** argv) {
  switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL: return sqlite3_result_null(ctx);
    case SQLITE_INTEGER: return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
    default: {
      double x = sqlite3_value_double(argv[0]);
      double nearest = std::nearbyint(x);
      double tolerance = 1e-9 * std::fmax(1.0, std::fabs(x));
      sqlite3_result_double(ctx, std::fabs(x - nearest) <= tolerance ? nearest : std::ceil(x));
    }
  }
}

// UTF-8 character boundaries: SQL Server counts characters in left/right/len.
std::vector<size_t> CharStarts(std::string_view s) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
  return starts;
}

std::string_view ArgText(sqlite3_value* v) {
  const unsigned char* t = sqlite3_value_text(v);
  return std::string_view(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_value_bytes(v)));
}

void LeftRight(sqlite3_context* ctx, sqlite3_value** argv, bool left) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  int64_t n = sqlite3_value_int64(argv[1]);
  if (n < 0)
    return sqlite3_result_error(
        ctx, left ? "Invalid length parameter passed to the left function." : "Invalid length parameter passed to the right function.", -1);
  std::string_view s = ArgText(argv[0]);
  std::vector<size_t> starts = CharStarts(s);
  size_t chars = starts.size();
  if (static_cast<size_t>(n) >= chars) return ResultText(ctx, std::string(s));
  if (left) return ResultText(ctx, std::string(s.substr(0, starts[static_cast<size_t>(n)])));
  ResultText(ctx, std::string(s.substr(starts[chars - static_cast<size_t>(n)])));
}

void FnLeft(sqlite3_context* ctx, int, sqlite3_value** argv) { LeftRight(ctx, argv, true); }
void FnRight(sqlite3_context* ctx, int, sqlite3_value** argv) { LeftRight(ctx, argv, false); }

void FnLen(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::string_view s = ArgText(argv[0]);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  sqlite3_result_int64(ctx, static_cast<int64_t>(CharStarts(s).size()));
}

void FnCharindex(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  std::string needle = AsciiLower(ArgText(argv[0]));
  std::string hay = AsciiLower(ArgText(argv[1]));
  std::vector<size_t> starts = CharStarts(hay);
  int64_t from = argc > 2 ? sqlite3_value_int64(argv[2]) : 1;
  if (from < 1) from = 1;
  if (static_cast<size_t>(from) > starts.size()) return sqlite3_result_int64(ctx, 0);
  size_t pos = hay.find(needle, starts[static_cast<size_t>(from - 1)]);
  if (pos == std::string::npos || needle.empty()) return sqlite3_result_int64(ctx, 0);
  int64_t index = 1;
  for (size_t st : starts) {
    if (st >= pos) break;
    ++index;
  }
  sqlite3_result_int64(ctx, index);
}

// ---- catalogue ----------------------------------------------------------------------------------

// A stable positive id for a table name (SQL Server's object ids are arbitrary numbers too).
int64_t NameId(std::string_view name) {
  uint32_t h = 2166136261u;
  for (char c : AsciiLower(name)) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return static_cast<int64_t>(h & 0x7fffffff) + 1;
}

void FnObjid(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, NameId(ArgText(argv[0])));
}

void FnObjectId(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::string name(ArgText(argv[0]));
  // "dbo.tbsptj" and "[tbsptj]" name the same table.
  if (size_t dot = name.rfind('.'); dot != std::string::npos) name = name.substr(dot + 1);
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  sqlite3_stmt* st = nullptr;
  bool exists = false;
  if (sqlite3_prepare_v2(sqlite3_context_db_handle(ctx),
                         "SELECT 1 FROM sqlite_schema WHERE type IN ('table','view') AND name=?1 COLLATE NOCASE", -1, &st,
                         nullptr) == SQLITE_OK) {
    sqlite3_bind_text(st, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    exists = sqlite3_step(st) == SQLITE_ROW;
  }
  sqlite3_finalize(st);
  if (!exists) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, NameId(name));
}

std::string DbMessage(sqlite3* db) { return sqlite3_errmsg(db); }

// Field type and size of a declared column type ("varchar(20)", "float", "int", ...).
bool DeclaredField(const std::string& decl, FieldType& type, uint32_t& size) {
  std::string d = AsciiLower(decl);
  if (d.empty()) return false;
  size = 0;
  if (d.find("char") != std::string::npos || d.find("text") != std::string::npos || d.find("clob") != std::string::npos) {
    type = FieldType::Text;
    size_t open = d.find('(');
    if (open != std::string::npos) size = static_cast<uint32_t>(std::strtoul(d.c_str() + open + 1, nullptr, 10));
    return true;
  }
  if (d.find("int") != std::string::npos || d == "bit") { type = FieldType::Integer; return true; }
  if (d.find("float") != std::string::npos || d.find("real") != std::string::npos || d.find("doub") != std::string::npos ||
      d.find("money") != std::string::npos || d.find("dec") != std::string::npos || d.find("num") != std::string::npos) {
    type = FieldType::Float;
    return true;
  }
  return false;
}

}  // namespace

// ---- HostDatabase ------------------------------------------------------------------------------

HostDatabase::HostDatabase(const std::string& path, ServerClock clock) : clock_(std::move(clock)) {
  int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = db_ ? DbMessage(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw SqlError(msg + " (" + path + ")", {});
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, 5000);
  ExecNative("PRAGMA temp_store=MEMORY");
  if (path != ":memory:") {
    ExecNative("PRAGMA journal_mode=WAL");
    ExecNative("PRAGMA synchronous=NORMAL");
  }
  RegisterSqlServerDialect(db_, &clock_);
}

HostDatabase::~HostDatabase() { sqlite3_close_v2(db_); }

void RegisterSqlServerDialect(sqlite3* db_, const ServerClock* clock) {
  sqlite3_create_collation(db_, "CI", SQLITE_UTF8, nullptr, CompareCi);
  const int pure = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  struct Fn {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
    int flags;
  };
  const Fn fns[] = {
      {"ceiling", 1, FnCeiling, pure},
      {"pt_left", 2, FnLeft, pure},
      {"pt_right", 2, FnRight, pure},
      {"len", 1, FnLen, pure},
      {"charindex", 2, FnCharindex, pure},
      {"charindex", 3, FnCharindex, pure},
      {"pt_datetime", 1, FnDatetime, pure},
      {"pt_date", 1, FnDate, pure},
      {"pt_datediff", 3, FnDatediff, pure},
      {"pt_dateadd", 3, FnDateadd, pure},
      {"pt_datepart", 2, FnDatepart, pure},
      {"pt_datename", 2, FnDatepart, pure},
      {"pt_objid", 1, FnObjid, pure},
      {"getdate", 0, FnGetdate, SQLITE_UTF8 | SQLITE_INNOCUOUS},
      {"object_id", 1, FnObjectId, SQLITE_UTF8 | SQLITE_INNOCUOUS},
  };
  for (const Fn& f : fns)
    sqlite3_create_function_v2(db_, f.name, f.args, f.flags, const_cast<ServerClock*>(clock), f.fn, nullptr, nullptr,
                               nullptr);
  char* err = nullptr;
  if (sqlite3_exec(db_,
                   "CREATE TEMP VIEW IF NOT EXISTS syscolumns AS "
                   "SELECT p.name COLLATE CI AS name, pt_objid(m.name) AS id, p.type AS type "
                   "FROM sqlite_schema m JOIN pragma_table_info(m.name) p WHERE m.type IN ('table','view');"
                   "CREATE TEMP VIEW IF NOT EXISTS sysobjects AS "
                   "SELECT m.name COLLATE CI AS name, pt_objid(m.name) AS id, "
                   "CASE m.type WHEN 'table' THEN 'U' WHEN 'view' THEN 'V' ELSE 'X' END AS xtype "
                   "FROM sqlite_schema m WHERE m.type IN ('table','view');",
                   nullptr, nullptr, &err) != SQLITE_OK) {
    std::string msg = err ? err : "cannot create the catalogue views";
    sqlite3_free(err);
    throw SqlError(msg, {});
  }
}

void HostDatabase::ExecNative(std::string_view sql) {
  std::string text(sql);
  char* err = nullptr;
  if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string msg = err ? err : DbMessage(db_);
    sqlite3_free(err);
    throw SqlError(msg, text);
  }
}

void HostDatabase::Rollback() noexcept {
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void HostDatabase::RunBatch(std::string_view serverSql) {
  std::vector<SqlStep> steps;
  try {
    steps = TranslateBatch(serverSql);
  } catch (const DialectError& e) {
    throw SqlError(e.what(), std::string(serverSql));
  }
  for (const SqlStep& step : steps) {
    if (!step.condition.empty()) {
      Statement cond(*this, step.condition, step.original);
      if (!cond.Step() || cond.Int(0) == 0) continue;
    }
    for (const std::string& sql : step.sql) {
      Statement st(*this, sql, step.original);
      st.Run();
    }
  }
}

std::string HostDatabase::QueryPacket(std::string_view serverSql) {
  std::vector<SqlStep> steps;
  try {
    steps = TranslateBatch(serverSql);
  } catch (const DialectError& e) {
    throw SqlError(e.what(), std::string(serverSql));
  }
  if (steps.size() != 1 || !steps[0].condition.empty() || steps[0].sql.size() != 1)
    throw SqlError("查询只能是一条 SELECT 语句", std::string(serverSql));
  return QueryNativePacket(steps[0].sql[0], steps[0].original);
}

std::string HostDatabase::QueryNativePacket(std::string_view sqliteSql, const std::string& shownAs) {
  Statement st(*this, sqliteSql, shownAs.empty() ? std::string(sqliteSql) : shownAs);
  return PacketFromStatement(st);
}

std::string PacketFromStatement(Statement& st) {
  int n = st.Columns();
  // A statement without a result set would run here and report an empty success.
  if (n == 0) throw SqlError("CommandText does not return a result set", st.shownAs());
  std::vector<std::vector<Variant>> rows;
  while (st.Step()) {
    std::vector<Variant> row;
    row.reserve(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c) row.push_back(st.Value(c));
    rows.push_back(std::move(row));
  }
  // Field types: the declared column type when every value fits it, else what the values are.
  std::vector<PacketField> fields;
  std::map<std::string, int> seen;
  for (int c = 0; c < n; ++c) {
    PacketField f;
    f.name = st.Name(c);
    // Duplicate names get a suffix, as a dataset provider names them ("f_xsdj_1").
    std::string key = AsciiLower(f.name);
    if (int k = seen[key]++; k > 0) f.name += "_" + std::to_string(k);
    bool anyText = false, anyFloat = false, anyInt = false;
    for (const auto& r : rows) {
      const Variant& v = r[static_cast<size_t>(c)];
      if (v.IsText()) anyText = true;
      else if (v.kind() == Variant::Kind::Float) anyFloat = true;
      else if (v.kind() == Variant::Kind::Int) anyInt = true;
    }
    FieldType declared;
    uint32_t size = 0;
    bool hasDecl = DeclaredField(st.DeclType(c), declared, size);
    if (hasDecl && declared == FieldType::Text) {
      f.type = FieldType::Text;
      f.size = size;
    } else if (hasDecl && !anyText && (declared == FieldType::Float || !anyFloat)) {
      f.type = declared;
    } else if (anyText) {
      f.type = FieldType::Text;
    } else if (anyFloat) {
      f.type = FieldType::Float;
    } else if (anyInt) {
      f.type = FieldType::Integer;
    } else {
      f.type = hasDecl ? declared : FieldType::Text;
    }
    fields.push_back(std::move(f));
  }
  PacketWriter w(fields);
  for (auto& r : rows) {
    for (size_t c = 0; c < r.size(); ++c)
      if (fields[c].type == FieldType::Text && !r[c].IsNull() && !r[c].IsText()) r[c] = Variant(r[c].ToText());
    w.AddRow(r);
  }
  return w.Finish();
}

bool HostDatabase::TableExists(std::string_view name) {
  Statement st(*this, "SELECT 1 FROM sqlite_schema WHERE type IN ('table','view') AND name=?1 COLLATE NOCASE");
  st.Bind(1, name);
  return st.Step();
}

bool HostDatabase::ColumnExists(std::string_view table, std::string_view column) {
  Statement st(*this, "SELECT 1 FROM pragma_table_info(?1) WHERE name=?2 COLLATE NOCASE");
  st.Bind(1, table).Bind(2, column);
  return st.Step();
}

// ---- Statement ---------------------------------------------------------------------------------

Statement::Statement(HostDatabase& db, std::string_view sqliteSql, const std::string& shownAs)
    : db_(db.raw()), shownAs_(shownAs.empty() ? std::string(sqliteSql) : shownAs) {
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db_, sqliteSql.data(), static_cast<int>(sqliteSql.size()), &st_, &tail);
  if (rc != SQLITE_OK) throw SqlError(DbMessage(db_), shownAs_);
  if (!st_) throw SqlError("空语句", shownAs_);
}

Statement::~Statement() { sqlite3_finalize(st_); }

Statement& Statement::Bind(int index, std::string_view text) {
  sqlite3_bind_text(st_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}
Statement& Statement::Bind(int index, int64_t value) {
  sqlite3_bind_int64(st_, index, value);
  return *this;
}
Statement& Statement::Bind(int index, double value) {
  sqlite3_bind_double(st_, index, value);
  return *this;
}
Statement& Statement::BindNull(int index) {
  sqlite3_bind_null(st_, index);
  return *this;
}
Statement& Statement::BindValue(int index, const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Null: return BindNull(index);
    case Variant::Kind::Bool: return Bind(index, static_cast<int64_t>(v.AsBool() ? 1 : 0));
    case Variant::Kind::Int: return Bind(index, v.AsInt());
    case Variant::Kind::Float: return Bind(index, v.AsFloat());
    default: return Bind(index, std::string_view(v.ToText()));
  }
}

bool Statement::Step() {
  int rc = sqlite3_step(st_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  std::string msg = DbMessage(db_);
  sqlite3_reset(st_);
  throw SqlError(msg, shownAs_);
}

void Statement::Reset() {
  sqlite3_reset(st_);
  sqlite3_clear_bindings(st_);
}

int Statement::Columns() const { return sqlite3_column_count(st_); }
std::string Statement::Name(int c) const {
  const char* n = sqlite3_column_name(st_, c);
  return n ? n : "";
}
std::string Statement::DeclType(int c) const {
  const char* d = sqlite3_column_decltype(st_, c);
  return d ? d : "";
}
bool Statement::IsNull(int c) const { return sqlite3_column_type(st_, c) == SQLITE_NULL; }
std::string Statement::Text(int c) const {
  const unsigned char* t = sqlite3_column_text(st_, c);
  return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_column_bytes(st_, c))) : std::string();
}
int64_t Statement::Int(int c) const { return sqlite3_column_int64(st_, c); }
double Statement::Float(int c) const { return sqlite3_column_double(st_, c); }
Variant Statement::Value(int c) const {
  switch (sqlite3_column_type(st_, c)) {
    case SQLITE_NULL: return Variant();
    case SQLITE_INTEGER: return Variant(static_cast<long long>(Int(c)));
    case SQLITE_FLOAT: return Variant(Float(c));
    default: return Variant(Text(c));
  }
}

}  // namespace pt::hostapp
