#include "designer/PreviewRecords.h"

#include <algorithm>

#include "hostapp/ProductQuery.h"
#include "common/ModuleError.h"
#include "printing/PrintRecord.h"
#include "queue/ProductQuery.h"
#include "queue/QueueRecord.h"
#include "report_engine/ReportDataSource.h"

namespace pt::designer {

std::vector<std::string> SplitCodes(std::string_view text) {
  std::vector<std::string> out;
  std::string code;
  auto flush = [&] {
    if (!code.empty() && std::find(out.begin(), out.end(), code) == out.end()) out.push_back(code);
    code.clear();
  };
  for (char c : text) {
    if (c == ' ' || c == ',' || c == ';' || c == '\t' || c == '\r' || c == '\n') flush();
    else code.push_back(c);
  }
  flush();
  return out;
}

std::vector<std::string> LoadPreviewRecords(hostapp::HostDatabase& db, const std::vector<std::string>& codes,
                                            int firstProducts, MemTable& print) {
  hostapp::ProductCondition cond;
  if (codes.empty()) {
    cond.tj = " da.f_Spbm in (select top " + std::to_string(std::max(firstProducts, 1)) +
              " f_Spbm from tbSpda where f_Mj=1 order by f_Spbm)";
  } else {
    queue::ImportCodeList list;
    for (const std::string& c : codes) list.Add(c);
    cond.tj = list.Condition(queue::CodeKind::ProductCode) + " or " + list.Condition(queue::CodeKind::Barcode);
  }
  MemTable rows("cdsSpda");
  queue::DefineQueueFields(rows);
  rows.CreateDataSet();
  rows.LoadPacket(hostapp::QueryQueueRows(db, 1, cond));

  std::vector<std::string> missing;
  for (const std::string& code : codes) {
    bool found = false;
    for (int r = 0; r < rows.RecordCount() && !found; ++r)
      found = report::SameName(rows.CellAt(r, rows.FieldIndex("f_Spbm")).ToText(), code) ||
              rows.CellAt(r, rows.FieldIndex("f_Sptm")).ToText() == code;
    if (!found) missing.push_back(code);
  }

  if (print.Active()) print.Close();
  print.ClearFields();
  printing::DefinePrintFields(print);
  print.CreateDataSet();
  bool detailRefresh = true;
  std::string failure;
  if (!printing::FillPrintRecords(rows, print, "0", detailRefresh, failure)) throw ModuleError(failure);
  if (!print.IsEmpty()) print.First();
  return missing;
}

report::VariableList PreviewVariables(hostapp::HostDatabase& db) {
  const printing::PrintSettings defaults;
  report::VariableList v;
  v.Set("dj", defaults.labelGrade);
  v.Set("bz", "");
  v.Set("Jjyy", defaults.reductionReason);
  v.Set("CurDate", db.clock().Date());
  return v;
}

}  // namespace pt::designer
