#include "hostapp/HostDatabase.h"

#include <cstdlib>
#include <map>

#include "common/DataPacket.h"
#include "hostapp/SqlDialect.h"

namespace pt::hostapp {

bool IsPostgresTarget(std::string_view target) {
  std::string lower = AsciiLower(target.substr(0, 13));
  return lower.rfind("postgresql://", 0) == 0 || lower.rfind("postgres://", 0) == 0;
}

namespace {

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

Dialect DialectOf(Backend b) { return b == Backend::Postgres ? Dialect::Postgres : Dialect::Sqlite; }

}  // namespace

HostDatabase::HostDatabase(const std::string& target, ServerClock clock) : clock_(std::move(clock)) {
  backend_ = IsPostgresTarget(target) ? OpenPostgresBackend(target, &clock_) : OpenSqliteBackend(target, &clock_);
}

HostDatabase::~HostDatabase() = default;

void HostDatabase::SetClock(ServerClock clock) {
  clock_ = std::move(clock);
  backend_->ClockChanged(clock_);
}

void HostDatabase::ExecNative(std::string_view sql) { backend_->ExecNative(sql); }

void HostDatabase::RunBatch(std::string_view serverSql) {
  std::vector<SqlStep> steps;
  try {
    steps = TranslateBatch(serverSql, DialectOf(kind()));
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
    steps = TranslateBatch(serverSql, DialectOf(kind()));
  } catch (const DialectError& e) {
    throw SqlError(e.what(), std::string(serverSql));
  }
  if (steps.size() != 1 || !steps[0].condition.empty() || steps[0].sql.size() != 1)
    throw SqlError("查询只能是一条 SELECT 语句", std::string(serverSql));
  return QueryNativePacket(steps[0].sql[0], steps[0].original);
}

std::string HostDatabase::QueryNativePacket(std::string_view sql, const std::string& shownAs) {
  Statement st(*this, sql, shownAs.empty() ? std::string(sql) : shownAs);
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
    if (!hasDecl && anyText && (anyFloat || anyInt)) {
      // Texts and numbers in one column (a union, a CASE): the server gives the column the number's
      // type and converts every text to it, failing on a text that is no number.
      for (auto& r : rows) {
        Variant& v = r[static_cast<size_t>(c)];
        if (!v.IsText()) continue;
        std::string t = v.AsText();
        char* end = nullptr;
        std::string trimmed = t.substr(0, t.find_last_not_of(' ') + 1);
        trimmed.erase(0, trimmed.find_first_not_of(' ') == std::string::npos ? trimmed.size() : trimmed.find_first_not_of(' '));
        double d = std::strtod(trimmed.c_str(), &end);
        if (trimmed.empty() || *end != '\0')
          throw SqlError("Conversion failed when converting the varchar value '" + t + "' to data type " +
                             (anyFloat ? "float." : "int."),
                         st.shownAs());
        v = anyFloat ? Variant(d) : Variant(static_cast<long long>(d));
      }
      anyText = false;
    }
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

Statement::Statement(HostDatabase& db, std::string_view sql, const std::string& shownAs)
    : shownAs_(shownAs.empty() ? std::string(sql) : shownAs), c_(db.backend().Prepare(sql, shownAs_)) {}

Statement::~Statement() = default;

Statement& Statement::BindValue(int index, const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Null: return BindNull(index);
    case Variant::Kind::Bool: return Bind(index, static_cast<int64_t>(v.AsBool() ? 1 : 0));
    case Variant::Kind::Int: return Bind(index, static_cast<int64_t>(v.AsInt()));
    case Variant::Kind::Float: return Bind(index, v.AsFloat());
    default: return Bind(index, std::string_view(v.ToText()));
  }
}

}  // namespace pt::hostapp
