#include "printing/UnitDyjjz.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QVBoxLayout>

#include "common/ErrorGuard.h"
#include "common/TextRoutines.h"
#include "common/UiSeam.h"
#include "report_engine/ReportOutput.h"
#include "report_engine/ReportView.h"

namespace pt::printing {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

TfmDyjjz::TfmDyjjz(QWidget* owner, const LabelSheet& sheet) : QDialog(owner), sheet_(sheet) {
  setObjectName("TfmDyjjz");
  setWindowTitle("打印机校准");
  setModal(true);

  cboDyj = new QComboBox(this);
  cboDyj->setObjectName("cboDyj");
  cboDyj->setEditable(true);
  cboDyj->addItems(QPrinterInfo::availablePrinterNames());
  const QString preferred = QPrinterInfo::defaultPrinterName();
  if (!preferred.isEmpty()) cboDyj->setCurrentText(preferred);
  feSppy = new QLineEdit(this);
  feSppy->setObjectName("feSppy");
  feCzpy = new QLineEdit(this);
  feCzpy->setObjectName("feCzpy");
  feSfbl = new QLineEdit(this);
  feSfbl->setObjectName("feSfbl");
  btnDyjzy = new QPushButton("打印校准页", this);
  btnDyjzy->setObjectName("btnDyjzy");
  btnOK = new QPushButton("确定 [&O]", this);
  btnOK->setObjectName("btnOK");
  btnCancel = new QPushButton("放弃 [&C]", this);
  btnCancel->setObjectName("btnCancel");

  auto* grid = new QGridLayout;
  const char* captions[] = {"打 印 机：", "水平偏移(毫米)：", "垂直偏移(毫米)：", "缩放比例："};
  QWidget* edits[] = {cboDyj, feSppy, feCzpy, feSfbl};
  for (int i = 0; i < 4; ++i) {
    grid->addWidget(new QLabel(captions[i], this), i, 0);
    grid->addWidget(edits[i], i, 1);
  }
  auto* hint = new QLabel("偏移以向右、向下为正；校准页的外框应距纸边 5 毫米。", this);
  hint->setObjectName("lblJzsm");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnDyjzy);
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* root = new QVBoxLayout(this);
  root->addLayout(grid);
  root->addWidget(hint);
  root->addLayout(buttons);

  connect(cboDyj, &QComboBox::currentTextChanged, this, Guarded(this, [this] { LoadPrinter(); }));
  connect(btnDyjzy, &QPushButton::clicked, this, Guarded(this, [this] { btnDyjzyClick(); }));
  connect(btnOK, &QPushButton::clicked, this, Guarded(this, [this] { btnOKClick(); }));
  connect(btnCancel, &QPushButton::clicked, this, Guarded(this, [this] { done(2); }));
  LoadPrinter();
}

void TfmDyjjz::LoadPrinter() {
  Calibration c;
  try {
    c = LoadCalibration(S(cboDyj->currentText()));
  } catch (const std::exception& e) {
    // A damaged value is shown and can be typed over.
    ui::ShowMessage(this, Q(e.what()), "提示", ui::Icon::Warning);
  }
  feSppy->setText(Q(FloatToText(c.offsetX)));
  feCzpy->setText(Q(FloatToText(c.offsetY)));
  feSfbl->setText(Q(FloatToText(c.scale)));
}

std::optional<Calibration> TfmDyjjz::ReadEdits() {
  if (Trim(S(cboDyj->currentText())).empty()) {
    ui::ShowMessage(this, "请选择打印机", "提示", ui::Icon::Warning);
    return std::nullopt;
  }
  std::string message;
  std::optional<Calibration> c = ParseCalibration(
      Trim(S(feSppy->text())) + "," + Trim(S(feCzpy->text())) + "," + Trim(S(feSfbl->text())), message);
  if (!c) ui::ShowMessage(this, Q(message), "提示", ui::Icon::Warning);
  return c;
}

void TfmDyjjz::btnDyjzyClick() {
  const std::optional<Calibration> c = ReadEdits();
  if (!c) return;
  const std::string name = Trim(S(cboDyj->currentText()));
  const QPrinterInfo info = QPrinterInfo::printerInfo(Q(name));
  if (info.isNull()) {
    ui::ShowMessage(this, Q("找不到打印机“" + name + "”"), "错误", ui::Icon::Error);
    return;
  }
  const double width = sheet_.paperWidth > 0 ? sheet_.paperWidth : 210;
  const double height = sheet_.paperHeight > 0 ? sheet_.paperHeight : 297;
  const report::PreparedReport page = CalibrationPage(name, *c, width, height);
  QPrinter printer(info, QPrinter::HighResolution);
  printer.setDocName("打印机校准页");
  if (!report::PrintPages(page, printer, {0}, true, {c->offsetX, c->offsetY, c->scale}))
    ui::ShowMessage(this, report::kPrinterWouldNotStart, "错误", ui::Icon::Error);
}

void TfmDyjjz::btnOKClick() {
  const std::optional<Calibration> c = ReadEdits();
  if (!c) return;
  StoreCalibration(Trim(S(cboDyj->currentText())), *c);
  done(1);
}

}  // namespace pt::printing
