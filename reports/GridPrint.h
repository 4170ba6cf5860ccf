#pragma once
// The list printout of the two report windows: the grid on screen, as it stands (visible
// columns in their order and proportions, rows in the grid's order and filter), previewed or
// printed on the default printer through the report engine's grid report.
#include <QColor>
#include <QWidget>
#include <string>

#include "report_engine/Expression.h"
#include "report_engine/GridReport.h"

namespace pt {
class TAdvDBGridEh;
}

namespace pt::reports {

// The grids' title font colour on screen (over their dark title row) and while printing.
inline const QColor kTitleFontOnScreen = Qt::white;
inline const QColor kTitleFontPrinting = Qt::black;
// The title row behind the white titles.
inline const QColor kTitleBackground = QColor(0x1F, 0x4E, 0x8C);

// Page 2100 x 2970 tenths of a millimetre (A4 portrait; landscape when the columns need it),
// margins of 38 on every side, a row
// number column "No", Title centred in 黑体 22 pt with Condi below it in 宋体 9 pt, and the
// column footer with print date and time, operator and page numbers. No master-data band is
// added: the rows are the grid's own.
report::GridReportSpec ReportWindowPageSettings();

// The settings' columns taken from the grid: its visible columns in display order, with their
// titles ("group|title" prints two levels) and the fields' display formats; the product code and
// name are the key columns that pages across repeat. Widths come from the content.
void TakeGridColumns(const TAdvDBGridEh& grid, report::GridReportSpec& settings);

// Preview, or print without a printer dialog, the grid's table as a list titled `title`.
// Nothing happens when the table is not open; printing first asks "请准备好打印机，进行打印!"
// and stops unless confirmed. The report variables Date and Time come from the workstation
// clock, Title from `title`; Condi and Oper are left as they are. The grid's title font is
// black while the report is made and white again afterwards, also after a failure.
void PrintGridList(QWidget* owner, TAdvDBGridEh& grid, report::GridReportSpec& settings,
                   report::VariableList& variables, const std::string& title, bool preview);

}  // namespace pt::reports
