#include "printing/UnitDysz.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "common/ErrorGuard.h"
#include "common/IniFile.h"
#include "common/TextRoutines.h"
#include "common/UiSeam.h"
#include "common/Variant.h"
#include "printing/PrintRecord.h"
#include "printing/UnitDyjjz.h"

namespace pt::printing {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

TfmDysz::TfmDysz(QWidget* owner, const LabelSheet& sheet) : QDialog(owner), sheet_(sheet) {
  setObjectName("TfmDysz");
  setWindowTitle("打印设置");
  setModal(true);
  setFont(QFont("宋体", 9));

  feSpdj = new QLineEdit(this);
  feSpdj->setObjectName("feSpdj");
  feJjyy = new QLineEdit(this);
  feJjyy->setObjectName("feJjyy");
  cboDyLb = new QComboBox(this);
  cboDyLb->setObjectName("cboDyLb");
  cboDyLb->addItems({"本期特价", "下期特价"});
  cboDyLb->setCurrentIndex(0);
  edtbz = new QLineEdit(this);
  edtbz->setObjectName("edtbz");
  feQswz = new QLineEdit(this);
  feQswz->setObjectName("feQswz");
  lblQswz = new QLabel(this);
  lblQswz->setObjectName("lblQswz");
  lblQswz->setText(sheet_.labelsPerSheet > 1 ? Q("（1-" + std::to_string(sheet_.labelsPerSheet) + "）")
                   : sheet_.labelsPerSheet == 1 ? QString("（卷式标签不用）")
                                                : QString());
  btnJz = new QPushButton("打印机校准...", this);
  btnJz->setObjectName("btnJz");
  btnOK = new QPushButton("确定 [&O]", this);
  btnOK->setObjectName("btnOK");
  btnCancel = new QPushButton("放弃 [&C]", this);
  btnCancel->setObjectName("btnCancel");

  auto* grid = new QGridLayout;
  const char* captions[] = {"商品等级：", "降价原因：", "打印特价：", "备　　注："};
  QWidget* edits[] = {feSpdj, feJjyy, cboDyLb, edtbz};
  for (int i = 0; i < 4; ++i) {
    grid->addWidget(new QLabel(captions[i], this), i, 0);
    grid->addWidget(edits[i], i, 1);
  }
  auto* start = new QHBoxLayout;
  start->addWidget(feQswz, 1);
  start->addWidget(lblQswz);
  grid->addWidget(new QLabel("起始位置：", this), 4, 0);
  grid->addLayout(start, 4, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnJz);
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* root = new QVBoxLayout(this);
  root->addLayout(grid);
  root->addLayout(buttons);

  connect(btnOK, &QPushButton::clicked, this, Guarded(this, [this] { btnOKClick(); }));
  connect(btnCancel, &QPushButton::clicked, this, Guarded(this, [this] { done(2); }));
  connect(btnJz, &QPushButton::clicked, this, Guarded(this, [this] { btnJzClick(); }));
  ReadSettings();
}

void TfmDysz::ReadSettings() {
  feQswz->setText(Q(StartPositionSetting()));
  feSpdj->setText(Q(ReadIniValue(kSettingsFile, kSettingsSection, "Spdj", "合格", "")));
  feJjyy->setText(Q(ReadIniValue(kSettingsFile, kSettingsSection, "Jjyy", "酬宾", "")));
  const std::string dytj = ReadIniValue(kSettingsFile, kSettingsSection, "Dytj", "0", "");
  int64_t position = 0;
  if (!TextToInt(dytj, position)) {
    // The dialog still opens, on the current period.
    ui::MessageRequest r;
    r.owner = this;
    r.text = Q("'" + dytj + "'不是有效的整数值");
    r.caption = ui::ApplicationTitle();
    r.icon = ui::Icon::Error;
    r.defaultErrorBox = true;
    ui::Handler().Message(r);
    return;
  }
  cboDyLb->setCurrentIndex(position >= 0 && position < cboDyLb->count() ? static_cast<int>(position) : -1);
}

void TfmDysz::btnOKClick() {
  // The start position is checked against the chosen template's sheet before anything is kept.
  const std::string start = Trim(S(feQswz->text()));
  std::string refused = ReadStartPosition(start, sheet_.labelsPerSheet).message;
  int64_t n = 0;
  if (refused.empty() && (!IsIntegerText(start) || !TextToInt(start, n) || n < 1))
    refused = "起始位置“" + start + "”无效：请输入从 1 起的整数";
  if (!refused.empty()) {
    ui::ShowMessage(this, Q(refused), "提示", ui::Icon::Warning);
    feQswz->setFocus();
    return;
  }
  try {
    WriteIniValues(kSettingsFile, kSettingsSection,
                   {{"Spdj", S(feSpdj->text())},
                    {"Jjyy", S(feJjyy->text())},
                    {"Dytj", std::to_string(cboDyLb->currentIndex())},
                    {kStartPositionKey, start}},
                   "");
  } catch (const std::exception& e) {
    // Nothing was stored: the dialog stays open with what the clerk typed.
    ui::ShowMessage(this, Q(e.what()), "错误", ui::Icon::Error);
    return;
  }
  done(1);
}

void TfmDysz::btnJzClick() {
  TfmDyjjz calibration(this, sheet_);
  ui::ExecModal(&calibration);
}

bool TfmDysz::Edit(QWidget* owner, std::string& remark, const LabelSheet& sheet) {
  TfmDysz dlg(owner, sheet);
  dlg.edtbz->setText(Q(remark));
  if (ui::ExecModal(&dlg) != 1) return false;
  remark = S(dlg.edtbz->text());
  return true;
}

}  // namespace pt::printing
