#include "hostapp/SqliteHostService.h"

#include <algorithm>
#include <map>

#include "common/DataPacket.h"
#include "common/ModuleError.h"
#include "hostapp/HostSchema.h"
#include "hostapp/ProductQuery.h"

namespace pt::hostapp {

Variant ErrorList(const std::vector<std::string>& messages) {
  std::vector<Variant> items;
  for (const auto& m : messages) items.emplace_back(m);
  return Variant::MakeArray(std::move(items));
}

namespace {

// A late-bound call the host cannot take at all (wrong argument count or kind).
struct BadCall {
  std::string message;
};

void ExpectArgs(const std::vector<Variant>& args, size_t n, int dispId) {
  if (args.size() != n)
    throw BadCall{"调度号 " + std::to_string(dispId) + " 需要 " + std::to_string(n) + " 个参数，收到 " +
                  std::to_string(args.size()) + " 个"};
}

std::string TextArg(const Variant& v, const char* what) {
  if (v.IsArray() || v.IsPacket() || v.IsError()) throw BadCall{std::string(what) + "必须是文本"};
  return v.ToText();
}

int64_t IntArg(const Variant& v, const char* what) {
  try {
    return v.ToInt();
  } catch (const ModuleError&) {
    throw BadCall{std::string(what) + "必须是整数"};
  }
}

}  // namespace

DbHostService::DbHostService(HostDatabase& db) : db_(db) { CreateMonthTables(db_, db_.clock().Month()); }

Variant DbHostService::Invoke(int dispId, std::vector<Variant>& args) {
  try {
    return Dispatch(dispId, args);
  } catch (const BadCall& e) {
    return Variant::MakeError(e.message);
  } catch (const SqlError& e) {
    db_.Rollback();
    std::vector<std::string> list{e.dbMessage()};
    if (!e.statement().empty()) list.push_back("语句：" + e.statement());
    if (!args.empty()) args.back() = ErrorList(list);
    return false;
  } catch (const std::exception& e) {
    db_.Rollback();
    if (!args.empty()) args.back() = ErrorList({e.what()});
    return false;
  } catch (...) {
    db_.Rollback();
    if (!args.empty()) args.back() = ErrorList({"数据服务内部错误"});
    return false;
  }
}

Variant DbHostService::Dispatch(int dispId, std::vector<Variant>& args) {
  switch (dispId) {
    case disp::GetDatabaseType:
      ExpectArgs(args, 0, dispId);
      return Variant("SQLSERVER");
    case disp::GetServerMonth:
      ExpectArgs(args, 1, dispId);
      args[0] = db_.clock().Month();
      return true;
    case disp::GetServerDate:
      ExpectArgs(args, 1, dispId);
      args[0] = db_.clock().Date();
      return true;
    case disp::GetServerDateTime:
      ExpectArgs(args, 1, dispId);
      args[0] = db_.clock().DateTime();
      return true;
    case disp::LookupRows: {
      ExpectArgs(args, 2, dispId);
      int64_t selector = IntArg(args[0], "查询类别");
      std::string code = TextArg(args[1], "职员编码");
      if (selector != 1) throw ModuleError("不支持的查询类别：" + std::to_string(selector));
      Statement st(db_, "SELECT f_Zybm AS f_zybm, f_Zymc AS f_zymc FROM tbZyda WHERE f_Zybm=?1");
      st.Bind(1, code);
      args[1] = Variant::MakePacket(PacketFromStatement(st));
      return true;
    }
    case disp::GetSystemParameters: {
      ExpectArgs(args, 1, dispId);
      args[0] = Variant::MakePacket(db_.QueryNativePacket("SELECT f_Csmc, f_csz FROM tbxtcs ORDER BY f_Csmc"));
      return true;
    }
    case disp::GetReportTemplates: {
      ExpectArgs(args, 2, dispId);
      std::string category = TextArg(args[0], "模板类别");
      Statement st(db_, "SELECT f_Reportname, f_ReportInfo FROM tbbbmb WHERE f_lb=?1 ORDER BY f_xh, f_Reportname");
      st.Bind(1, category);
      args[1] = Variant::MakePacket(PacketFromStatement(st));
      return true;
    }
    case disp::QueryProducts: {
      ExpectArgs(args, 2, dispId);
      int64_t mode = IntArg(args[0], "查询方式");
      ProductCondition cond = ReadCondition(args[1]);
      std::string packet;
      switch (mode) {
        case 1: case 2: case 3: case 4: case 7: packet = QueryQueueRows(db_, static_cast<int>(mode), cond); break;
        case 5: packet = QueryPromotionHistory(db_, false, cond); break;
        case 6: packet = QueryPromotionHistory(db_, true, cond); break;
        default: throw ModuleError("不支持的商品查询方式：" + std::to_string(mode));
      }
      args[1] = Variant::MakePacket(std::move(packet));
      return true;
    }
    case disp::QueryRows: {
      ExpectArgs(args, 2, dispId);
      int64_t selector = IntArg(args[0], "查询类别");
      std::string param = TextArg(args[1], "查询参数");
      if (selector != 7) throw ModuleError("不支持的查询类别：" + std::to_string(selector));
      size_t tab = param.find('\t');
      if (tab == std::string::npos) throw ModuleError("定价部门查询的参数应为“0”、制表符和职员编码");
      args[1] = Variant::MakePacket(DepartmentTree(param.substr(tab + 1)));
      return true;
    }
    case disp::OpenQuery: {
      ExpectArgs(args, 2, dispId);
      std::string sql = TextArg(args[0], "SQL 语句");
      // A statement that is no query fails, and whatever it did is undone with it.
      bool own = !db_.InTransaction();
      if (own) db_.Begin();
      args[1] = Variant::MakePacket(db_.QueryPacket(sql));
      if (own) db_.Commit();
      return true;
    }
    case disp::ExecuteSql:
    case disp::ExecuteCommand: {
      ExpectArgs(args, 1, dispId);
      std::string sql = TextArg(args[0], "SQL 语句");
      bool own = !db_.InTransaction();
      if (own) db_.Begin();
      db_.RunBatch(sql);
      if (own) db_.Commit();
      return true;
    }
    default:
      throw BadCall{"数据服务没有调度号为 " + std::to_string(dispId) + " 的方法"};
  }
}

// The operator's pricing-department categories as the department tree reads them: every
// category in code order (a category row, then its departments), then the departments
// attached to a top category directly (f_qt = 1). An operator is in charge of the categories
// assigned to him and everything below them; their ancestors come along so the tree can hang
// them in place.
std::string DbHostService::DepartmentTree(const std::string& operatorCode) {
  std::vector<std::string> assigned;
  {
    Statement st(db_, "SELECT f_bmflbm FROM tbzyfgbm WHERE f_zybm=?1");
    st.Bind(1, operatorCode);
    while (st.Step()) assigned.push_back(AsciiLower(st.Text(0)));
  }
  struct Category {
    std::string code, name;
    int64_t level, leaf;
    bool managed;
  };
  std::vector<Category> cats;
  {
    Statement st(db_, "SELECT f_bmflbm, f_bmflmc, f_jb, f_mj FROM tbdjbmfl ORDER BY f_bmflbm");
    while (st.Step()) cats.push_back({st.Text(0), st.Text(1), st.Int(2), st.Int(3), false});
  }
  auto startsWith = [](const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; };
  for (Category& c : cats) {
    std::string lc = AsciiLower(c.code);
    c.managed = std::any_of(assigned.begin(), assigned.end(), [&](const std::string& a) { return startsWith(lc, a); });
  }
  auto included = [&](const Category& c) {
    if (c.managed) return true;
    std::string lc = AsciiLower(c.code);
    return std::any_of(cats.begin(), cats.end(),
                       [&](const Category& m) { return m.managed && startsWith(AsciiLower(m.code), lc); });
  };

  PacketWriter w({{"f_qt", FieldType::Integer, 0},
                  {"f_bmflbm", FieldType::Text, 20},
                  {"f_bmflmc", FieldType::Text, 40},
                  {"f_jb", FieldType::Integer, 0},
                  {"f_mj", FieldType::Integer, 0},
                  {"f_bmbm", FieldType::Text, 20},
                  {"f_bmmc", FieldType::Text, 20},
                  {"f_bmlx", FieldType::Integer, 0}});
  Statement depts(db_,
                  "SELECT z.f_dzbm, b.f_bmmc FROM tbdjbmfldz z LEFT JOIN tbbmda b ON b.f_bmbm=z.f_dzbm "
                  "WHERE z.f_bmflbm=?1 ORDER BY z.f_dzbm");
  auto addDepartments = [&](const Category& c, int qt) {
    depts.Reset();
    depts.Bind(1, c.code);
    while (depts.Step())
      w.AddRow({qt, c.code, c.name, static_cast<long long>(c.level), static_cast<long long>(c.leaf), depts.Text(0),
                depts.IsNull(1) ? Variant() : Variant(depts.Text(1)), 1});
  };
  for (const Category& c : cats) {
    if (!included(c)) continue;
    w.AddRow({0, c.code, c.name, static_cast<long long>(c.level), static_cast<long long>(c.leaf), "", "", 0});
    if (c.managed && c.level > 1) addDepartments(c, 0);
  }
  for (const Category& c : cats)
    if (c.managed && c.level == 1) addDepartments(c, 1);
  return w.Finish();
}

}  // namespace pt::hostapp
