#pragma once
// The preview window of prepared reports: zoom, page navigation, find, page set-up, load and
// save, print, spreadsheet, PDF and PNG export. It holds display lists and paints only the
// pages in sight, so a report of ten thousand labels opens at once. Pages cannot be edited.
#include <QAbstractScrollArea>
#include <QDialog>
#include <QPrinter>
#include <functional>
#include <memory>
#include <vector>

#include "report_engine/DisplayList.h"
#include "report_engine/ReportOutput.h"
#include "report_engine/ReportPainter.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QToolButton;

namespace pt::report {

// The scrolling view of the pages, one below the other.
class ReportPageView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit ReportPageView(QWidget* parent = nullptr);
  void SetReport(const PreparedReport* report);
  double Zoom() const { return zoom_; }
  void SetZoom(double zoom);            // 1.0 is life size
  double FitWidthZoom() const;
  double WholePageZoom() const;
  int CurrentPage() const;              // 0-based: the page at the top of the view
  void GoToPage(int page);
  void Highlight(int page, const RectF& box);  // a found text
  QRect PageRect(int page) const;       // in viewport coordinates
  int PagesPainted() const { return pagesPainted_; }

 signals:
  void CurrentPageChanged(int page);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  double PxPerMm() const;
  void Relayout();

  const PreparedReport* report_ = nullptr;
  std::unique_ptr<ReportPainter> painter_;
  std::vector<qint64> tops_;  // page tops in pixels at the current zoom
  double zoom_ = 1.0;
  int lastPage_ = -1;
  int highlightPage_ = -1;
  RectF highlight_;
  int pagesPainted_ = 0;
};

class TReportPreview : public QDialog {
  Q_OBJECT

 public:
  // The report must outlive the window; a report opened from a file is owned by the window.
  explicit TReportPreview(const PreparedReport& report, QWidget* parent = nullptr);
  ~TReportPreview() override;

  const PreparedReport& Report() const { return *report_; }
  ReportPageView* View() const { return pageView; }
  QPrinter& Printer() { return printer_; }
  // What printing from the window shifts and scales its pages by, per printer chosen.
  void SetCalibrationLookup(std::function<PrintCalibration(const QPrinter&)> lookup) { calibration_ = std::move(lookup); }

  // Finds the next text holding what (letters without regard to case) after the last match;
  // false when there is none.
  bool FindNext(const QString& what);
  void SetZoomPercent(int percent);

  QToolButton* btnFitWidth;
  QToolButton* btnWholePage;
  QToolButton* btnZoomOut;
  QComboBox* cboZoom;
  QToolButton* btnZoomIn;
  QToolButton* btnFirst;
  QToolButton* btnPrior;
  QSpinBox* spnPage;
  QLabel* lblPageCount;
  QToolButton* btnNext;
  QToolButton* btnLast;
  QLineEdit* edtFind;
  QToolButton* btnFind;
  QToolButton* btnPageSetup;
  QToolButton* btnOpen;
  QToolButton* btnSave;
  QToolButton* btnPrint;
  QToolButton* btnSaveXls;
  QToolButton* btnExportPdf;
  QToolButton* btnExportPng;
  QToolButton* btnClose;
  QLabel* lblStatus;
  ReportPageView* pageView;

 public slots:
  void reject() override;

 private:
  void ShowReport(const PreparedReport* report);
  void UpdatePageControls(int page);
  void ZoomChosen();
  void StepZoom(int direction);
  void FindClicked();
  void PageSetupClicked();
  void OpenClicked();
  void SaveClicked();
  void PrintClicked();
  void SaveXlsClicked();
  void ExportPdfClicked();
  void ExportPngClicked();
  bool Run(const std::function<void()>& action);  // shows a failure and returns false

  const PreparedReport* report_;
  std::unique_ptr<PreparedReport> opened_;
  QPrinter printer_;
  std::function<PrintCalibration(const QPrinter&)> calibration_;
  bool paperChosen_ = false;
  int findPage_ = 0;
  int findItem_ = -1;
  QString findText_;
};

}  // namespace pt::report
