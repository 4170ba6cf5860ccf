#include "printing/UnitDysz.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "common/ErrorGuard.h"
#include "common/IniFile.h"
#include "common/UiSeam.h"
#include "common/Variant.h"
#include "printing/PrintRecord.h"

namespace pt::printing {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

TfmDysz::TfmDysz(QWidget* owner) : QDialog(owner) {
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
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* root = new QVBoxLayout(this);
  root->addLayout(grid);
  root->addLayout(buttons);

  connect(btnOK, &QPushButton::clicked, this, Guarded(this, [this] { btnOKClick(); }));
  connect(btnCancel, &QPushButton::clicked, this, Guarded(this, [this] { done(2); }));
  ReadSettings();
}

void TfmDysz::ReadSettings() {
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
  try {
    WriteIniValues(kSettingsFile, kSettingsSection,
                   {{"Spdj", S(feSpdj->text())}, {"Jjyy", S(feJjyy->text())}, {"Dytj", std::to_string(cboDyLb->currentIndex())}},
                   "");
  } catch (const std::exception& e) {
    // Nothing was stored: the dialog stays open with what the clerk typed.
    ui::ShowMessage(this, Q(e.what()), "错误", ui::Icon::Error);
    return;
  }
  done(1);
}

bool TfmDysz::Edit(QWidget* owner, std::string& remark) {
  TfmDysz dlg(owner);
  dlg.edtbz->setText(Q(remark));
  if (ui::ExecModal(&dlg) != 1) return false;
  remark = S(dlg.edtbz->text());
  return true;
}

}  // namespace pt::printing
