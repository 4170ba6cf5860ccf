#pragma once
// Outputs of a prepared report: PDF, PNG, spreadsheet and printers. Failures to write are
// ModuleErrors with the file named; nothing half-written is reported as done.
#include <QPainter>
#include <QString>
#include <memory>
#include <vector>

#include "report_engine/DisplayList.h"

class QPrinter;

namespace pt::report {

void ExportPdf(const PreparedReport& report, const QString& path);
// One page (0-based) as a PNG image at the given resolution.
void ExportPng(const PreparedReport& report, int page, const QString& path, int dpi = 200);
// One sheet as an .xlsx file. A report with its data (grid printouts, label previews) gives a
// row per record under bold titles that stay in view, numbers as numbers in the report's
// display format, codes and dates as texts, columns as wide as their content; any other report
// gives its page texts as a table (see ReportTable.h). A report without data rows is refused
// with kNothingToExport. The file is written whole or not at all: a failure leaves a file of
// that name as it was.
void ExportXlsx(const PreparedReport& report, const QString& path);
inline constexpr const char* kNothingToExport = "报表中没有数据，未导出表格。";

// How one printer's output is moved and scaled so that labels land where they are designed:
// every page is shifted by the offsets (millimetres, right and down positive) and scaled about
// its top-left corner. Printing only: previews and exports show the design.
struct PrintCalibration {
  double offsetX = 0, offsetY = 0;  // millimetres
  double scale = 1;
  bool IsIdentity() const { return offsetX == 0 && offsetY == 0 && scale == 1; }
};

class ReportPainter;

// One print job, fed a page at a time: the first page starts the job, each further page a new
// sheet. With ownPaperSizes each page sets the paper to its own size; otherwise pages larger than
// the paper are scaled down to fit.
class PagePrinter {
 public:
  PagePrinter(QPrinter& printer, bool ownPaperSizes = true, const PrintCalibration& calibration = {});
  ~PagePrinter();  // a job not finished is aborted
  PagePrinter(const PagePrinter&) = delete;
  PagePrinter& operator=(const PagePrinter&) = delete;

  // `shared` gives the fonts and images the page refers to and must outlive the job. False when
  // the printer could not start the job or take a new sheet.
  bool Print(const PreparedReport& shared, const Page& page);
  // Ends the job; false when the printer reports a failure. Without a page nothing is started.
  bool Finish();
  // Drops the job: nothing of it is handed over where the printer allows (files, spooled jobs).
  void Abort();
  int Sheets() const { return sheets_; }

 private:
  QPrinter& printer_;
  bool ownPaperSizes_;
  PrintCalibration calibration_;
  QPainter painter_;
  std::unique_ptr<ReportPainter> reportPainter_;
  double width_ = 0, height_ = 0;  // of the sheet before
  int sheets_ = 0;
  bool done_ = false;
};

// Prints pages (0-based, in the order given) on a printer that is set up already. Copies and
// collation are done here when the printer cannot make copies itself. With ownPaperSizes each
// page sets the paper to its own size (labels on a roll, sheets); otherwise the paper the
// clerk chose in the page set-up stays and pages larger than it are scaled down to fit.
// Returns false when the printer could not be started.
bool PrintPages(const PreparedReport& report, QPrinter& printer, const std::vector<int>& pages,
                bool ownPaperSizes = true, const PrintCalibration& calibration = {});

// The pages a print dialog's choice names: all pages, a range, or a list of ranges (0-based,
// in order, duplicates removed, pages beyond the report left out).
std::vector<int> ChosenPages(const QPrinter& printer, int pageCount);

}  // namespace pt::report
