#include "reports/GridPrint.h"

#include <cstdio>

#include "common/AdvDBEh.h"
#include "common/Clock.h"
#include "common/UiSeam.h"
#include "report_engine/MemTableSource.h"
#include "report_engine/ReportView.h"

namespace pt::reports {

namespace {

// Puts the title font back to its screen colour on every way out of a printout.
class PrintingTitleColour {
 public:
  explicit PrintingTitleColour(TAdvDBGridEh& grid) : grid_(grid) { grid_.SetTitleFontColor(kTitleFontPrinting); }
  ~PrintingTitleColour() { grid_.SetTitleFontColor(kTitleFontOnScreen); }
  PrintingTitleColour(const PrintingTitleColour&) = delete;
  PrintingTitleColour& operator=(const PrintingTitleColour&) = delete;

 private:
  TAdvDBGridEh& grid_;
};

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

}  // namespace

report::GridReportSpec ReportWindowPageSettings() {
  report::GridReportSpec s;
  s.pageWidth = 2100 / 10.0;
  s.pageHeight = 2970 / 10.0;
  s.margin = 38 / 10.0;
  s.rowNumberTitle = "No";
  s.titleFont = {"黑体", 22, false, false};
  s.conditionFont = {"宋体", 9, false, false};
  s.footerTexts = {"打印日期:[Date]  打印时间:[Time]", "操 作 员:[Oper]", "页    数:第[Page#]页/共[TotalPages#]页"};
  return s;
}

void TakeGridColumns(const TAdvDBGridEh& grid, report::GridReportSpec& settings) {
  settings.columns.clear();
  for (int i = 0; i < grid.ColumnCount(); ++i) {
    const GridColumn* c = grid.Column(i);
    if (!c || !c->Visible() || c->FieldIndex() < 0) continue;
    report::GridColumn column;
    column.field = c->FieldName();
    column.title = c->Title();
    column.key = report::SameName(column.field, "f_Spbm") || report::SameName(column.field, "f_Spmc");
    settings.columns.push_back(std::move(column));
  }
}

void PrintGridList(QWidget* owner, TAdvDBGridEh& grid, report::GridReportSpec& settings,
                   report::VariableList& variables, const std::string& title, bool preview) {
  MemTable* table = grid.DataSet();
  if (!table || !table->Active()) return;
  if (!preview && ui::ShowMessage(owner, QString::fromUtf8("请准备好打印机，进行打印!"), QString::fromUtf8("提示"),
                                  ui::Icon::Information, ui::Buttons::OkCancel) != ui::kResultOk)
    return;
  PrintingTitleColour black(grid);
  const LocalDateTime now = WorkstationNow();
  variables.Set("Date", std::to_string(now.year) + "-" + TwoDigits(now.month) + "-" + TwoDigits(now.day));
  variables.Set("Time", TwoDigits(now.hour) + ":" + TwoDigits(now.minute) + ":" + TwoDigits(now.second));
  variables.Set("Title", title);
  TakeGridColumns(grid, settings);
  report::MemTableSource source(*table);
  if (preview)
    report::PreviewGridReport(owner, settings, source, variables);
  else
    report::PrintGridReport(owner, settings, source, variables);
}

}  // namespace pt::reports
