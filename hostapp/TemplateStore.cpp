#include "hostapp/TemplateStore.h"

#include "common/GbkCodec.h"
#include "common/ModuleError.h"
#include "common/TextRoutines.h"
#include "report_engine/ReportEngine.h"
#include "report_engine/StoredTemplate.h"

namespace pt::hostapp {

namespace {

constexpr const char* kTable = "tbbbmb";

}  // namespace

std::string CheckTemplateName(std::string_view name) {
  std::string trimmed = Trim(name);
  if (trimmed.empty()) throw ModuleError("模板名称不能为空");
  if (GbkLength(trimmed) > kTemplateNameBytes)
    throw ModuleError("模板名称“" + trimmed + "”太长：最多 " + std::to_string(kTemplateNameBytes) +
                      " 个字节（一个汉字占两个字节）");
  return trimmed;
}

TemplateStore::TemplateStore(HostDatabase& db, std::string category) : db_(db), category_(std::move(category)) {
  if (!db_.TableExists(kTable))
    throw ModuleError("数据库中没有报表模板表（tbbbmb），无法读写标价签模板；数据库未作任何改动");
}

std::vector<TemplateRow> TemplateStore::List() {
  Statement st(db_,
               "SELECT f_Reportname, f_xh, length(f_ReportInfo) FROM tbbbmb WHERE f_lb=?1 ORDER BY f_xh, f_Reportname");
  st.Bind(1, category_);
  std::vector<TemplateRow> rows;
  while (st.Step())
    rows.push_back(TemplateRow{st.Text(0), static_cast<int>(st.Int(1)), static_cast<size_t>(st.Int(2))});
  return rows;
}

std::string TemplateStore::Find(std::string_view name) {
  Statement st(db_, "SELECT f_Reportname FROM tbbbmb WHERE f_lb=?1 AND f_Reportname=?2");
  st.Bind(1, category_).Bind(2, name);
  return st.Step() ? st.Text(0) : std::string();
}

std::string TemplateStore::Load(std::string_view name) {
  Statement st(db_, "SELECT f_ReportInfo FROM tbbbmb WHERE f_lb=?1 AND f_Reportname=?2");
  st.Bind(1, category_).Bind(2, name);
  if (!st.Step()) throw ModuleError("数据库中没有名为“" + std::string(name) + "”的" + category_ + "模板");
  std::string bytes = report::DecodeStoredTemplate(st.IsNull(0) ? std::string() : st.Text(0));
  if (bytes.empty()) throw ModuleError("模板“" + std::string(name) + "”在数据库中没有模板数据（应为十六进制文字，以“#”结束）");
  return bytes;
}

bool TemplateStore::Save(std::string_view name, std::string_view templateBytes) {
  const std::string trimmed = CheckTemplateName(name);
  report::ReportEngine().LoadTemplate(templateBytes);  // what the module could not print is not stored
  const std::string stored = report::EncodeStoredTemplate(templateBytes);
  db_.Begin();
  try {
    const bool replace = !Find(trimmed).empty();
    if (replace) {
      Statement st(db_, "UPDATE tbbbmb SET f_Reportname=?3, f_ReportInfo=?4 WHERE f_lb=?1 AND f_Reportname=?2");
      st.Bind(1, category_).Bind(2, trimmed).Bind(3, trimmed).Bind(4, stored).Run();
    } else {
      Statement st(db_,
                   "INSERT INTO tbbbmb(f_lb,f_Reportname,f_ReportInfo,f_xh) "
                   "SELECT ?1, ?2, ?3, coalesce(max(f_xh),0)+1 FROM tbbbmb WHERE f_lb=?4");
      // The category is bound twice: PostgreSQL gives one parameter one type, and a selected
      // value and a compared column deduce different ones.
      st.Bind(1, category_).Bind(2, trimmed).Bind(3, stored).Bind(4, category_).Run();
    }
    db_.Commit();
    return replace;
  } catch (...) {
    db_.Rollback();
    throw;
  }
}

bool TemplateStore::Remove(std::string_view name) {
  if (Find(name).empty()) return false;
  db_.Begin();
  try {
    Statement st(db_, "DELETE FROM tbbbmb WHERE f_lb=?1 AND f_Reportname=?2");
    st.Bind(1, category_).Bind(2, name).Run();
    db_.Commit();
    return true;
  } catch (...) {
    db_.Rollback();
    throw;
  }
}

}  // namespace pt::hostapp
