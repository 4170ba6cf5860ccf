#include "dialogs/UnitSelectBill.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "common/AdvDBEh.h"
#include "common/ErrorGuard.h"
#include "dialogs/FlatControls.h"
#include "queue/ProductSources.h"

namespace pt {

namespace {

// The bill type column shows the type's name; a number without a name shows as it is.
class BillTypeDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QString displayText(const QVariant& value, const QLocale& locale) const override {
    bool ok = false;
    const long long type = value.toString().trimmed().toLongLong(&ok);
    if (ok) {
      const char* name = queue::BillTypeName(type);
      if (*name) return QString::fromUtf8(name);
    }
    return QStyledItemDelegate::displayText(value, locale);
  }
};

}  // namespace

TFrmSelectBill::TFrmSelectBill(QWidget* owner) : QDialog(owner) {
  setObjectName("TFrmSelectBill");
  setWindowTitle(QString::fromUtf8("单据选择"));
  // A fixed dialog frame: the caption stays, its buttons go.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, WinColor(kDialogBack));
  setPalette(pal);
  setAutoFillBackground(true);

  cdsbills.AddField("f_djlx", FieldType::Integer, 0, "单据类型");
  // Bill numbers are kept whole: one cut short would name another bill, or none.
  cdsbills.AddField("f_djh", FieldType::Text, 20, "单据号");
  cdsbills.AddField("f_zdrq", FieldType::Text, 8, "制单日期");
  cdsbills.AddField("f_zdrbm", FieldType::Text, 8, "制单人编码");
  cdsbills.AddField("f_zdrmc", FieldType::Text, 8, "制单人名称");
  cdsbills.CreateDataSet();

  dgdView = new TAdvDBGridEh(this);
  dgdView->setObjectName("dgdView");
  dgdView->SetDataSet(&cdsbills);
  for (const char* f : {"f_djlx", "f_djh", "f_zdrq", "f_zdrbm", "f_zdrmc"}) dgdView->AddColumn(f);
  dgdView->Column(0)->SetWidth(110);
  dgdView->Column(0)->SetTitleSortable(false);
  dgdView->Column(1)->SetWidth(100);
  dgdView->Column(2)->SetWidth(70);
  dgdView->Column(4)->SetWidth(80);
  dgdView->SetReadOnly(true);
  dgdView->SetRowSelect(true);
  dgdView->SetSortMarking(true);
  dgdView->SetAutoSorted(true);
  dgdView->setItemDelegateForColumn(0, new BillTypeDelegate(dgdView));

  FlatButton1 = new TFlatButton(QString::fromUtf8("确  定(&O)"), this);
  FlatButton1->setObjectName("FlatButton1");
  FlatButton1->setDefault(true);
  FlatButton2 = new TFlatButton(QString::fromUtf8("取  消(&C)"), this);
  FlatButton2->setObjectName("FlatButton2");
  FlatButton2->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(FlatButton1);
  buttons->addWidget(FlatButton2);
  auto* root = new QVBoxLayout(this);
  root->addWidget(dgdView, 1);
  root->addLayout(buttons);

  connect(FlatButton1, &QPushButton::clicked, this, Guarded(this, [this] { done(1); }));
  connect(FlatButton2, &QPushButton::clicked, this, Guarded(this, [this] { done(2); }));
  connect(dgdView, &QTableView::doubleClicked, this, Guarded(this, [this] { dgdViewDblClick(); }));
  setFixedSize(500, 320);
}

TFrmSelectBill::~TFrmSelectBill() {
  // The grid goes with the window's children, after this table: let it go first.
  delete dgdView;
  dgdView = nullptr;
}

void TFrmSelectBill::dgdViewDblClick() {
  if (!cdsbills.Active() || cdsbills.IsEmpty()) return;
  if (cdsbills.IsNull("f_djh")) return;
  done(1);
}

void TFrmSelectBill::showEvent(QShowEvent* event) {
  Guard(this, [&] {
    QDialog::showEvent(event);
    CentreOnScreen(this);
  });
}

}  // namespace pt
