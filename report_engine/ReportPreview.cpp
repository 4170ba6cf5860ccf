#include "report_engine/ReportPreview.h"

#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/ErrorGuard.h"
#include "common/ModuleError.h"
#include "common/UiSeam.h"
#include "report_engine/PreparedFile.h"
#include "report_engine/ReportOutput.h"
#include "report_engine/ReportView.h"

namespace pt::report {

namespace {

constexpr int kGap = 12;  // pixels around and between pages
const int kZoomSteps[] = {25, 50, 75, 100, 125, 150, 200, 300, 400};

QString U(const char* s) { return QString::fromUtf8(s); }

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Letters compared without regard to case; other characters byte for byte.
bool ContainsFolded(std::string_view hay, std::string_view needle) {
  if (needle.empty() || needle.size() > hay.size()) return false;
  for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && Fold(hay[i + k]) == Fold(needle[k])) ++k;
    if (k == needle.size()) return true;
  }
  return false;
}

}  // namespace

// ------------------------------------------------------------------ page view

ReportPageView::ReportPageView(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName("pageView");
  viewport()->setAutoFillBackground(false);
  verticalScrollBar()->setSingleStep(40);
  horizontalScrollBar()->setSingleStep(40);
}

void ReportPageView::SetReport(const PreparedReport* report) {
  report_ = report;
  painter_ = report ? std::make_unique<ReportPainter>(*report) : nullptr;
  highlightPage_ = -1;
  lastPage_ = -1;
  Relayout();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  viewport()->update();
  emit CurrentPageChanged(CurrentPage());
}

double ReportPageView::PxPerMm() const { return zoom_ * logicalDpiX() / 25.4; }

void ReportPageView::Relayout() {
  tops_.clear();
  qint64 y = kGap;
  double widest = 0;
  const double k = PxPerMm();
  if (report_) {
    tops_.reserve(report_->pages.size() + 1);
    for (const Page& p : report_->pages) {
      tops_.push_back(y);
      y += static_cast<qint64>(p.height * k + 0.5) + kGap;
      widest = std::max(widest, p.width * k);
    }
  }
  tops_.push_back(y);
  const int contentWidth = static_cast<int>(widest) + 2 * kGap;
  const qint64 total = y;
  verticalScrollBar()->setRange(0, static_cast<int>(std::clamp<qint64>(total - viewport()->height(), 0, INT_MAX)));
  verticalScrollBar()->setPageStep(viewport()->height());
  horizontalScrollBar()->setRange(0, std::max(0, contentWidth - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
}

void ReportPageView::SetZoom(double zoom) {
  zoom = std::clamp(zoom, 0.1, 8.0);
  const int page = CurrentPage();
  zoom_ = zoom;
  Relayout();
  GoToPage(page);
  viewport()->update();
}

double ReportPageView::FitWidthZoom() const {
  if (!report_ || report_->pages.empty()) return 1.0;
  double widest = 0;
  for (const Page& p : report_->pages) widest = std::max(widest, p.width);
  const double lifeSize = logicalDpiX() / 25.4;
  return std::max(0.1, (viewport()->width() - 2.0 * kGap) / (widest * lifeSize));
}

double ReportPageView::WholePageZoom() const {
  if (!report_ || report_->pages.empty()) return 1.0;
  const Page& p = report_->pages[static_cast<size_t>(std::max(0, CurrentPage()))];
  const double lifeSize = logicalDpiX() / 25.4;
  return std::max(0.1, std::min((viewport()->width() - 2.0 * kGap) / (p.width * lifeSize),
                                (viewport()->height() - 2.0 * kGap) / (p.height * lifeSize)));
}

int ReportPageView::CurrentPage() const {
  if (!report_ || report_->pages.empty()) return -1;
  const qint64 y = verticalScrollBar()->value() + kGap;
  auto it = std::upper_bound(tops_.begin(), tops_.end() - 1, y);
  return std::clamp(static_cast<int>(it - tops_.begin()) - 1, 0, static_cast<int>(report_->pages.size()) - 1);
}

void ReportPageView::GoToPage(int page) {
  if (!report_ || report_->pages.empty()) return;
  page = std::clamp(page, 0, static_cast<int>(report_->pages.size()) - 1);
  verticalScrollBar()->setValue(static_cast<int>(std::min<qint64>(tops_[static_cast<size_t>(page)] - kGap, INT_MAX)));
  viewport()->update();
}

QRect ReportPageView::PageRect(int page) const {
  if (!report_ || page < 0 || page >= static_cast<int>(report_->pages.size())) return {};
  const Page& p = report_->pages[static_cast<size_t>(page)];
  const double k = PxPerMm();
  const int w = static_cast<int>(p.width * k + 0.5);
  const int h = static_cast<int>(p.height * k + 0.5);
  const int contentWidth = horizontalScrollBar()->maximum() + viewport()->width();
  const int x = std::max(kGap, (contentWidth - w) / 2) - horizontalScrollBar()->value();
  const qint64 y = tops_[static_cast<size_t>(page)] - verticalScrollBar()->value();
  return QRect(x, static_cast<int>(y), w, h);
}

void ReportPageView::Highlight(int page, const RectF& box) {
  highlightPage_ = page;
  highlight_ = box;
  const QRect r = PageRect(page);
  const double k = PxPerMm();
  // Bring the found text into sight.
  const int y = r.y() + static_cast<int>(box.y * k);
  if (y < 0 || y + box.height * k > viewport()->height())
    verticalScrollBar()->setValue(verticalScrollBar()->value() + y - viewport()->height() / 3);
  viewport()->update();
}

void ReportPageView::paintEvent(QPaintEvent* event) {
  Guard(this, [&] {
    QPainter p(viewport());
    p.fillRect(event->rect(), QColor(0x80, 0x80, 0x80));
    if (!report_ || report_->pages.empty()) return;
    const qint64 top = verticalScrollBar()->value();
    const qint64 bottom = top + viewport()->height();
    auto it = std::upper_bound(tops_.begin(), tops_.end() - 1, top);
    int first = std::max(0, static_cast<int>(it - tops_.begin()) - 1);
    for (int i = first; i < static_cast<int>(report_->pages.size()) && tops_[static_cast<size_t>(i)] < bottom; ++i) {
      const QRect r = PageRect(i);
      if (!r.intersects(event->rect())) continue;
      p.fillRect(r.translated(3, 3), QColor(0x40, 0x40, 0x40));
      p.fillRect(r, Qt::white);
      painter_->Paint(p, report_->pages[static_cast<size_t>(i)], QRectF(r));
      ++pagesPainted_;
      if (i == highlightPage_) {
        const double k = PxPerMm();
        QRectF h(r.x() + highlight_.x * k, r.y() + highlight_.y * k, highlight_.width * k, highlight_.height * k);
        p.fillRect(h, QColor(255, 200, 0, 90));
        p.setPen(QPen(QColor(230, 120, 0), 1.5));
        p.drawRect(h);
      }
    }
  });
}

void ReportPageView::resizeEvent(QResizeEvent* event) {
  Guard(this, [&] {
    QAbstractScrollArea::resizeEvent(event);
    Relayout();
  });
}

void ReportPageView::scrollContentsBy(int, int) {
  viewport()->update();
  const int page = CurrentPage();
  if (page != lastPage_) {
    lastPage_ = page;
    emit CurrentPageChanged(page);
  }
}

// ------------------------------------------------------------------ window

TReportPreview::TReportPreview(const PreparedReport& report, QWidget* parent)
    : QDialog(parent), report_(&report), printer_(QPrinter::HighResolution) {
  setObjectName("TReportPreview");
  setWindowTitle(U("打印预览"));
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  resize(1000, 760);

  auto tool = [this](const char* name, const char* caption, const char* tip = nullptr) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(U(caption));
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (tip) b->setToolTip(U(tip));
    return b;
  };
  btnFitWidth = tool("btnFitWidth", "页宽", "按页宽显示");
  btnWholePage = tool("btnWholePage", "整页", "显示整页");
  btnZoomOut = tool("btnZoomOut", "缩小");
  cboZoom = new QComboBox(this);
  cboZoom->setObjectName("cboZoom");
  for (int z : kZoomSteps) cboZoom->addItem(QString::number(z) + "%", z);
  btnZoomIn = tool("btnZoomIn", "放大");
  btnFirst = tool("btnFirst", "首页");
  btnPrior = tool("btnPrior", "上页");
  spnPage = new QSpinBox(this);
  spnPage->setObjectName("spnPage");
  lblPageCount = new QLabel(this);
  lblPageCount->setObjectName("lblPageCount");
  btnNext = tool("btnNext", "下页");
  btnLast = tool("btnLast", "末页");
  edtFind = new QLineEdit(this);
  edtFind->setObjectName("edtFind");
  edtFind->setPlaceholderText(U("查找文字"));
  edtFind->setMaximumWidth(160);
  btnFind = tool("btnFind", "查找", "查找下一处 (F3)");
  btnPageSetup = tool("btnPageSetup", "页面设置");
  btnOpen = tool("btnOpen", "打开");
  btnSave = tool("btnSave", "保存");
  btnPrint = tool("btnPrint", "打印");
  btnSaveXls = tool("btnSaveXls", "存为表格");
  btnExportPdf = tool("btnExportPdf", "导出PDF");
  btnExportPng = tool("btnExportPng", "导出图片");
  btnClose = tool("btnClose", "关闭");
  lblStatus = new QLabel(this);
  lblStatus->setObjectName("lblStatus");
  pageView = new ReportPageView(this);

  auto* bar = new QHBoxLayout;
  bar->setSpacing(2);
  for (QWidget* w : std::initializer_list<QWidget*>{btnFitWidth, btnWholePage, btnZoomOut, cboZoom, btnZoomIn})
    bar->addWidget(w);
  bar->addSpacing(10);
  for (QWidget* w : std::initializer_list<QWidget*>{btnFirst, btnPrior, spnPage, lblPageCount, btnNext, btnLast})
    bar->addWidget(w);
  bar->addSpacing(10);
  bar->addWidget(edtFind);
  bar->addWidget(btnFind);
  bar->addSpacing(10);
  for (QWidget* w : std::initializer_list<QWidget*>{btnPageSetup, btnOpen, btnSave, btnPrint, btnSaveXls, btnExportPdf,
                                                     btnExportPng, btnClose})
    bar->addWidget(w);
  bar->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(bar);
  layout->addWidget(pageView, 1);
  layout->addWidget(lblStatus);

  connect(btnFitWidth, &QToolButton::clicked, this, Guarded(this, [this] { pageView->SetZoom(pageView->FitWidthZoom()); UpdatePageControls(pageView->CurrentPage()); }));
  connect(btnWholePage, &QToolButton::clicked, this, Guarded(this, [this] { pageView->SetZoom(pageView->WholePageZoom()); UpdatePageControls(pageView->CurrentPage()); }));
  connect(btnZoomIn, &QToolButton::clicked, this, Guarded(this, [this] { StepZoom(+1); }));
  connect(btnZoomOut, &QToolButton::clicked, this, Guarded(this, [this] { StepZoom(-1); }));
  connect(cboZoom, qOverload<int>(&QComboBox::activated), this, Guarded(this, [this](int) { ZoomChosen(); }));
  connect(btnFirst, &QToolButton::clicked, this, Guarded(this, [this] { pageView->GoToPage(0); }));
  connect(btnPrior, &QToolButton::clicked, this, Guarded(this, [this] { pageView->GoToPage(pageView->CurrentPage() - 1); }));
  connect(btnNext, &QToolButton::clicked, this, Guarded(this, [this] { pageView->GoToPage(pageView->CurrentPage() + 1); }));
  connect(btnLast, &QToolButton::clicked, this, Guarded(this, [this] { pageView->GoToPage(static_cast<int>(report_->pages.size()) - 1); }));
  connect(spnPage, qOverload<int>(&QSpinBox::valueChanged), this, Guarded(this, [this](int v) {
    if (v - 1 != pageView->CurrentPage()) pageView->GoToPage(v - 1);
  }));
  connect(pageView, &ReportPageView::CurrentPageChanged, this, Guarded(this, [this](int page) { UpdatePageControls(page); }));
  connect(btnFind, &QToolButton::clicked, this, Guarded(this, [this] { FindClicked(); }));
  connect(edtFind, &QLineEdit::returnPressed, this, Guarded(this, [this] { FindClicked(); }));
  connect(btnPageSetup, &QToolButton::clicked, this, Guarded(this, [this] { PageSetupClicked(); }));
  connect(btnOpen, &QToolButton::clicked, this, Guarded(this, [this] { OpenClicked(); }));
  connect(btnSave, &QToolButton::clicked, this, Guarded(this, [this] { SaveClicked(); }));
  connect(btnPrint, &QToolButton::clicked, this, Guarded(this, [this] { PrintClicked(); }));
  connect(btnSaveXls, &QToolButton::clicked, this, Guarded(this, [this] { SaveXlsClicked(); }));
  connect(btnExportPdf, &QToolButton::clicked, this, Guarded(this, [this] { ExportPdfClicked(); }));
  connect(btnExportPng, &QToolButton::clicked, this, Guarded(this, [this] { ExportPngClicked(); }));
  connect(btnClose, &QToolButton::clicked, this, Guarded(this, [this] { reject(); }));

  cboZoom->setCurrentIndex(3);  // life size, the engine's default
  ShowReport(report_);
}

TReportPreview::~TReportPreview() = default;

void TReportPreview::reject() { done(ui::kResultCancel); }

void TReportPreview::ShowReport(const PreparedReport* report) {
  report_ = report;
  const int pages = static_cast<int>(report_->pages.size());
  if (!report_->title.empty()) setWindowTitle(U("打印预览 - ") + QString::fromStdString(report_->title));
  spnPage->blockSignals(true);
  spnPage->setRange(pages > 0 ? 1 : 0, std::max(pages, 0));
  spnPage->blockSignals(false);
  lblPageCount->setText(U("/ ") + QString::number(pages) + U(" 页"));
  for (QWidget* w : std::initializer_list<QWidget*>{btnFirst, btnPrior, spnPage, btnNext, btnLast, btnPrint,
                                                     btnExportPdf, btnExportPng, btnFind})
    w->setEnabled(pages > 0);
  QString status = U("共 ") + QString::number(pages) + U(" 页");
  if (!report_->warnings.empty())
    status += U("；") + QString::number(report_->warnings.size()) + U(" 处问题，第一处：") +
              QString::fromStdString(report_->warnings.front());
  lblStatus->setText(status);
  findPage_ = 0;
  findItem_ = -1;
  pageView->SetReport(report_);
  UpdatePageControls(pageView->CurrentPage());
}

void TReportPreview::UpdatePageControls(int page) {
  const int pages = static_cast<int>(report_->pages.size());
  spnPage->blockSignals(true);
  spnPage->setValue(page + 1);
  spnPage->blockSignals(false);
  btnFirst->setEnabled(page > 0);
  btnPrior->setEnabled(page > 0);
  btnNext->setEnabled(page + 1 < pages);
  btnLast->setEnabled(page + 1 < pages);
  const int percent = static_cast<int>(pageView->Zoom() * 100 + 0.5);
  int match = cboZoom->findData(percent);
  if (match >= 0) {
    cboZoom->setCurrentIndex(match);
  } else {
    cboZoom->setEditable(false);
    cboZoom->setCurrentIndex(-1);
    cboZoom->setPlaceholderText(QString::number(percent) + "%");
  }
}

void TReportPreview::SetZoomPercent(int percent) {
  pageView->SetZoom(percent / 100.0);
  UpdatePageControls(pageView->CurrentPage());
}

void TReportPreview::ZoomChosen() {
  if (cboZoom->currentIndex() >= 0) SetZoomPercent(cboZoom->currentData().toInt());
}

void TReportPreview::StepZoom(int direction) {
  const int now = static_cast<int>(pageView->Zoom() * 100 + 0.5);
  int next = now;
  if (direction > 0) {
    for (int z : kZoomSteps)
      if (z > now) { next = z; break; }
  } else {
    for (int z : kZoomSteps)
      if (z < now) next = z;
  }
  SetZoomPercent(next);
}

bool TReportPreview::FindNext(const QString& what) {
  const std::string needle = what.toStdString();
  if (needle.empty() || report_->pages.empty()) return false;
  if (needle != findText_.toStdString()) {
    findText_ = what;
    findPage_ = std::max(0, pageView->CurrentPage());
    findItem_ = -1;
  }
  const int pages = static_cast<int>(report_->pages.size());
  for (int p = findPage_; p < pages; ++p) {
    const auto& items = report_->pages[static_cast<size_t>(p)].items;
    for (int i = p == findPage_ ? findItem_ + 1 : 0; i < static_cast<int>(items.size()); ++i) {
      const auto* t = std::get_if<TextItem>(&items[static_cast<size_t>(i)]);
      if (!t || !ContainsFolded(t->text, needle)) continue;
      findPage_ = p;
      findItem_ = i;
      pageView->GoToPage(p);
      pageView->Highlight(p, t->box);
      return true;
    }
  }
  // The next search starts over from the first page.
  findPage_ = 0;
  findItem_ = -1;
  return false;
}

void TReportPreview::FindClicked() {
  const QString what = edtFind->text();
  if (what.isEmpty()) {
    edtFind->setFocus();
    return;
  }
  if (!FindNext(what))
    ui::ShowMessage(this, U("未找到“") + what + U("”"), U("提示"), ui::Icon::Information);
}

bool TReportPreview::Run(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& e) {
    ui::ShowMessage(this, QString::fromUtf8(e.what()), U("错误"), ui::Icon::Error);
  }
  return false;
}

void TReportPreview::PageSetupClicked() {
  QPageSetupDialog dialog(&printer_, this);
  if (ui::ExecModal(&dialog) == ui::kResultOk) paperChosen_ = true;
}

void TReportPreview::OpenClicked() {
  const QString path = ui::Handler().OpenFileName(this, U("打开报表"), U("报表文件 (*.ptrep);;所有文件 (*)"));
  if (path.isEmpty()) return;
  Run([&] {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw ModuleError("无法打开文件：" + path.toStdString());
    const QByteArray bytes = f.readAll();
    auto loaded = std::make_unique<PreparedReport>(LoadPreparedReport(std::string_view(bytes.constData(), bytes.size())));
    ShowReport(loaded.get());
    opened_ = std::move(loaded);  // the report shown before stays alive until replaced
  });
}

void TReportPreview::SaveClicked() {
  const QString path = ui::Handler().SaveFileName(this, U("保存报表"), U("报表.ptrep"), U("报表文件 (*.ptrep)"));
  if (path.isEmpty()) return;
  Run([&] {
    const std::string bytes = SavePreparedReport(*report_);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) || !f.flush())
      throw ModuleError("无法写入文件：" + path.toStdString());
  });
}

void TReportPreview::PrintClicked() {
  Run([&] { RunPrintDialog(this, *report_, printer_, !paperChosen_, calibration_); });
}

void TReportPreview::SaveXlsClicked() {
  const QString path = ui::Handler().SaveFileName(this, U("存为表格"), U("报表.xlsx"), U("Excel 文件 (*.xlsx)"));
  if (path.isEmpty()) return;
  Run([&] { ExportXlsx(*report_, path); });
}

void TReportPreview::ExportPdfClicked() {
  const QString path = ui::Handler().SaveFileName(this, U("导出 PDF"), U("报表.pdf"), U("PDF 文件 (*.pdf)"));
  if (path.isEmpty()) return;
  Run([&] { ExportPdf(*report_, path); });
}

void TReportPreview::ExportPngClicked() {
  const QString path = ui::Handler().SaveFileName(this, U("导出图片（当前页）"), U("报表.png"), U("PNG 图片 (*.png)"));
  if (path.isEmpty()) return;
  Run([&] { ExportPng(*report_, std::max(0, pageView->CurrentPage()), path); });
}

}  // namespace pt::report
