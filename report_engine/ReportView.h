#pragma once
// What windows call to show and print reports: prepare with screen font metrics, preview,
// print through the print dialog or on the default printer, and report a failure to prepare as
// "异常错误,原因:" followed by its text.
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "report_engine/DisplayList.h"
#include "report_engine/GridReport.h"
#include "report_engine/ReportDataSource.h"
#include "report_engine/ReportEngine.h"
#include "report_engine/ReportOutput.h"

class QPrinter;

namespace pt::report {

// Layout measured with Qt font metrics (what the Qt layer prepares with).
PreparedReport PrepareReport(const ReportEngine& engine, ReportDataSource& source);

// The calibration a chosen printer prints with (see PrintCalibration); none: as designed.
using CalibrationLookup = std::function<PrintCalibration(const QPrinter&)>;

inline constexpr const char* kPrinterWouldNotStart = "打印机无法开始打印，请检查打印机。";

// The preview window, modal, through the UI seam. Printing from it uses the calibration the
// lookup gives for the printer chosen.
void ShowPreview(QWidget* owner, const PreparedReport& report, const CalibrationLookup& calibration = {});

// The print dialog over a report of pageCount pages (printer, copies, collation, all pages or a
// list of pages). The pages chosen (0-based, in order), or nothing when the clerk cancelled.
std::optional<std::vector<int>> ChoosePrintPages(QWidget* owner, QPrinter& printer, int pageCount);

// With at least one page, the print dialog (printer, copies, collation, all pages or a list of
// pages); prints when the clerk confirms. Returns true when pages were printed; a cancelled
// dialog prints nothing and says nothing.
bool PrintWithDialog(QWidget* owner, const PreparedReport& report);
bool RunPrintDialog(QWidget* owner, const PreparedReport& report, QPrinter& printer, bool ownPaperSizes = true,
                    const CalibrationLookup& calibration = {});

// Every page on the default printer, without a dialog. No printer: a message, and false.
bool PrintOnDefaultPrinter(QWidget* owner, const PreparedReport& report);

// "异常错误,原因:" + reason, in the system's error box.
void ShowPrepareFailure(QWidget* owner, const QString& reason);

// The print pass's two roads: prepare, then preview or print with the dialog. A failure while
// preparing is shown with ShowPrepareFailure and gives false; nothing escapes.
bool PreviewReport(QWidget* owner, const ReportEngine& engine, ReportDataSource& source);
bool PrintReport(QWidget* owner, const ReportEngine& engine, ReportDataSource& source);

// The report windows' grid printout: preview, or print on the default printer without a dialog.
bool PreviewGridReport(QWidget* owner, const GridReportSpec& spec, ReportDataSource& source,
                       const VariableList& variables);
bool PrintGridReport(QWidget* owner, const GridReportSpec& spec, ReportDataSource& source,
                     const VariableList& variables);

}  // namespace pt::report
