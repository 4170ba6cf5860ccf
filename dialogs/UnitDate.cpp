#include "dialogs/UnitDate.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

#include "common/ErrorGuard.h"
#include "common/HostErrorBox.h"
#include "common/UiSeam.h"
#include "dialogs/FlatControls.h"
#include "host/HostOperations.h"
#include "queue/ProductSources.h"

namespace pt {

namespace {

QDate ToQDate(const std::string& yyyymmdd) { return QDate::fromString(QString::fromStdString(yyyymmdd), "yyyyMMdd"); }

}  // namespace

TfrmDate::TfrmDate(QWidget* owner, HostService& host, const std::string& fallbackDate) : QDialog(owner) {
  setObjectName("TfrmDate");
  setWindowTitle(QString::fromUtf8("日期设置"));
  setModal(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, WinColor(kDialogBack));
  setPalette(pal);
  setAutoFillBackground(true);

  Label1 = new QLabel(QString::fromUtf8("日期："), this);
  Label1->setObjectName("Label1");
  FlatDateTimePicker1 = new QDateEdit(this);
  FlatDateTimePicker1->setObjectName("FlatDateTimePicker1");
  FlatDateTimePicker1->setDisplayFormat(QString::fromLatin1(queue::kShortDateFormat));
  FlatDateTimePicker1->setCalendarPopup(true);
  labtjdjh = new QLabel(QString::fromUtf8("单据号："), this);
  labtjdjh->setObjectName("labtjdjh");
  cbtjdjh = new QComboBox(this);
  cbtjdjh->setObjectName("cbtjdjh");
  cbtjdjh->setEditable(true);
  cbtjdjh->setInsertPolicy(QComboBox::NoInsert);
  cbtjdjh->setMinimumWidth(140);
  labtjdjh->hide();
  cbtjdjh->hide();
  cb0slsp = new QCheckBox(QString::fromUtf8("过滤调价数量为零的商品"), this);
  cb0slsp->setObjectName("cb0slsp");
  cb0slsp->setChecked(true);
  btnOK = new TFlatButton(QString::fromUtf8("确定 [&O]"), this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  btnCancel = new TFlatButton(QString::fromUtf8("放弃 [&C]"), this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->addWidget(Label1, 0, 0, Qt::AlignRight);
  grid->addWidget(FlatDateTimePicker1, 0, 1);
  grid->addWidget(labtjdjh, 1, 0, Qt::AlignRight);
  grid->addWidget(cbtjdjh, 1, 1);
  grid->addWidget(cb0slsp, 2, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* root = new QVBoxLayout(this);
  root->addLayout(grid);
  root->addLayout(buttons);

  connect(btnOK, &QPushButton::clicked, this, Guarded(this, [this] {
    confirmed_ = true;
    done(1);
  }));
  connect(btnCancel, &QPushButton::clicked, this, Guarded(this, [this] {
    confirmed_ = false;
    done(2);
  }));
  StartAtServerDate(host, fallbackDate);
}

void TfrmDate::StartAtServerDate(HostService& host, const std::string& fallbackDate) {
  // The server date's first eight characters, written in the short date format and read back
  // in it, as the picker shows dates.
  std::string problem;
  std::string date;
  try {
    Variant ref;
    if (!host::GetServerDate(host, ref)) {
      ShowHostErrors(this, ref, "");
    } else {
      const std::string shown = ref.ToText().substr(0, 8);
      const std::string asShort = shown.size() == 8 ? shown.substr(0, 4) + "-" + shown.substr(4, 2) + "-" + shown.substr(6, 2)
                                                    : shown;
      if (!queue::ParseShortDate(asShort, date)) problem = "'" + asShort + "'不是有效的日期";
    }
  } catch (const std::exception& e) {
    problem = e.what();
  }
  if (!problem.empty()) ui::ShowMessage(this, QString::fromStdString(problem), "错误", ui::Icon::Error);
  QDate start = ToQDate(date);
  if (!start.isValid()) start = ToQDate(fallbackDate);
  if (!start.isValid()) start = QDate(2000, 1, 1);
  FlatDateTimePicker1->setDate(start);
}

std::string TfrmDate::DateText() const { return FlatDateTimePicker1->date().toString("yyyyMMdd").toStdString(); }

void TfrmDate::reject() {
  confirmed_ = false;
  done(2);
}

void TfrmDate::showEvent(QShowEvent* event) {
  Guard(this, [&] {
    QDialog::showEvent(event);
    CentreOnScreen(this);
  });
}

}  // namespace pt
