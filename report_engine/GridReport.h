#pragma once
// A data grid printed as a list: the report windows' preview and print. Page 210 x 297 mm with
// margins of 3.8 mm, grid lines, a row number column "No", two-level column titles
// ("本期普通|特价价格" puts "本期普通" over the columns that share it) repeated on every page,
// the page header with the variables Title and Condi, and below the lines of each page the
// column footer with print date and time, operator and page numbers. Columns are sized from
// their content and fill the page width; wide grids turn the paper, shrink the font and continue
// on pages across (GridLayout.h).
#include <string>
#include <vector>

#include "report_engine/DisplayList.h"
#include "report_engine/Expression.h"
#include "report_engine/ReportDataSource.h"
#include "report_engine/TextMeasure.h"

namespace pt::report {

struct GridColumn {
  std::string title;          // "group|title" for a two-level title
  std::string field;
  std::string displayFormat;  // "" takes the field's own
  bool visible = true;
  bool key = false;           // repeated at the left of pages across (code, name)
};

struct GridReportSpec {
  std::vector<GridColumn> columns;
  double pageWidth = 210, pageHeight = 297;
  double margin = 3.8;
  std::string rowNumberTitle = "No";
  double minFontSize = 7;  // cells and titles of a wide grid shrink no further
  FontSpec titleFont{"黑体", 22, false, false};
  FontSpec conditionFont{"宋体", 9, false, false};
  FontSpec headerFont{"宋体", 9, true, false};
  FontSpec cellFont{"宋体", 9, false, false};
  std::vector<std::string> footerTexts{"打印日期:[Date]  打印时间:[Time]", "操 作 员:[Oper]",
                                       "页    数:第[Page#]页/共[TotalPages#]页"};
};

// Every record of the source in order (the source's current record moves); the report carries
// the rows also as a sheet for spreadsheet export. Throws ModuleError when a column names a field
// the source lacks or no column is visible.
PreparedReport BuildGridReport(const GridReportSpec& spec, ReportDataSource& source, const VariableList& variables,
                               TextMeasurer& measurer);

}  // namespace pt::report
