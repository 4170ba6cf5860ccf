#include "report_engine/ReportView.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <optional>

#include "common/UiSeam.h"
#include "report_engine/QtTextMeasurer.h"
#include "report_engine/ReportPreview.h"
#include "report_engine/ReportSheet.h"

namespace pt::report {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// Runs a preparation; a failure is shown to the clerk and gives nothing.
template <typename F>
std::optional<PreparedReport> Prepared(QWidget* owner, F&& prepare) {
  try {
    return prepare();
  } catch (const std::exception& e) {
    ShowPrepareFailure(owner, QString::fromUtf8(e.what()));
  }
  return std::nullopt;
}

}  // namespace

PreparedReport PrepareReport(const ReportEngine& engine, ReportDataSource& source) {
  QtTextMeasurer measurer;
  return engine.Prepare(source, measurer);
}

void ShowPreview(QWidget* owner, const PreparedReport& report, const CalibrationLookup& calibration) {
  TReportPreview preview(report, owner);
  preview.SetCalibrationLookup(calibration);
  ui::ExecModal(&preview);
}

std::optional<std::vector<int>> ChoosePrintPages(QWidget* owner, QPrinter& printer, int pages) {
  if (pages == 0) return std::nullopt;
  QPrintDialog dialog(&printer, owner);
  dialog.setWindowTitle(U("打印"));
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                    QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setMinMax(1, pages);
  printer.setPrintRange(QPrinter::AllPages);
  if (ui::ExecModal(&dialog) != ui::kResultOk) return std::nullopt;
  std::vector<int> chosen = ChosenPages(printer, pages);
  if (chosen.empty()) return std::nullopt;
  return chosen;
}

bool RunPrintDialog(QWidget* owner, const PreparedReport& report, QPrinter& printer, bool ownPaperSizes,
                    const CalibrationLookup& calibration) {
  const std::optional<std::vector<int>> chosen = ChoosePrintPages(owner, printer, static_cast<int>(report.pages.size()));
  if (!chosen) return false;
  if (!PrintPages(report, printer, *chosen, ownPaperSizes, calibration ? calibration(printer) : PrintCalibration{})) {
    ui::ShowMessage(owner, U(kPrinterWouldNotStart), U("错误"), ui::Icon::Error);
    return false;
  }
  return true;
}

bool PrintWithDialog(QWidget* owner, const PreparedReport& report) {
  QPrinter printer(QPrinter::HighResolution);
  return RunPrintDialog(owner, report, printer);
}

bool PrintOnDefaultPrinter(QWidget* owner, const PreparedReport& report) {
  if (report.pages.empty()) return false;
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) {
    ui::ShowMessage(owner, U("没有可用的打印机，无法打印。"), U("错误"), ui::Icon::Error);
    return false;
  }
  QPrinter printer(info, QPrinter::HighResolution);
  std::vector<int> all(report.pages.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
  if (!PrintPages(report, printer, all)) {
    ui::ShowMessage(owner, U(kPrinterWouldNotStart), U("错误"), ui::Icon::Error);
    return false;
  }
  return true;
}

void ShowPrepareFailure(QWidget* owner, const QString& reason) {
  ui::ShowMessage(owner, U("异常错误,原因:") + reason, U("错误"), ui::Icon::Error);
}

bool PreviewReport(QWidget* owner, const ReportEngine& engine, ReportDataSource& source) {
  auto report = Prepared(owner, [&] {
    PreparedReport prepared = PrepareReport(engine, source);
    prepared.sheet = LabelSheet(engine.Template(), engine.Variables(), source);  // for "存为表格"
    return prepared;
  });
  if (!report) return false;
  ShowPreview(owner, *report);
  return true;
}

bool PrintReport(QWidget* owner, const ReportEngine& engine, ReportDataSource& source) {
  auto report = Prepared(owner, [&] { return PrepareReport(engine, source); });
  return report && PrintWithDialog(owner, *report);
}

bool PreviewGridReport(QWidget* owner, const GridReportSpec& spec, ReportDataSource& source,
                       const VariableList& variables) {
  auto report = Prepared(owner, [&] {
    QtTextMeasurer m;
    return BuildGridReport(spec, source, variables, m);
  });
  if (!report) return false;
  ShowPreview(owner, *report);
  return true;
}

bool PrintGridReport(QWidget* owner, const GridReportSpec& spec, ReportDataSource& source,
                     const VariableList& variables) {
  auto report = Prepared(owner, [&] {
    QtTextMeasurer m;
    return BuildGridReport(spec, source, variables, m);
  });
  return report && PrintOnDefaultPrinter(owner, *report);
}

}  // namespace pt::report
