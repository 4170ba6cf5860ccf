#include "dialogs/UnitChooseDBFields.h"

#include <QListWidget>

#include "common/AdvDBEh.h"
#include "common/ErrorGuard.h"
#include "common/ModuleError.h"
#include "common/UiSeam.h"
#include "dialogs/ColorScheme.h"
#include "dialogs/FlatControls.h"

namespace pt {

namespace {
constexpr int kColumnRole = Qt::UserRole + 1;  // the column's position in the grid
}

TFrmChooseDBFields::TFrmChooseDBFields(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TFrmChooseDBFields"));
  setWindowTitle(QStringLiteral("选择项目"));
  setFixedSize(360, 300);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, WinColor(kDialogBack));
  setPalette(pal);
  setAutoFillBackground(true);

  ltvChoose = new QListWidget(this);
  ltvChoose->setObjectName(QStringLiteral("ltvChoose"));
  ltvChoose->setViewMode(QListView::ListMode);
  ltvChoose->setFlow(QListView::TopToBottom);
  ltvChoose->setWrapping(true);
  ltvChoose->setResizeMode(QListView::Adjust);
  ltvChoose->setGeometry(8, 8, 344, 238);
  QPalette lp = ltvChoose->palette();
  lp.setColor(QPalette::Base, WinColor(kDialogBack));
  ltvChoose->setPalette(lp);
  ltvChoose->setProperty("Color", QVariant::fromValue<qint64>(kDialogBack));

  qorShape = new TShape(this);
  qorShape->setObjectName(QStringLiteral("qorShape"));
  qorShape->setGeometry(8, 254, 344, 1);

  auto makeButton = [this](const char* name, const char* caption, int x) {
    auto* b = new TFlatButton(QString::fromUtf8(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, 264, 78, 26);
    b->SetColor(kDialogBack);
    return b;
  };
  btnAll = makeButton("btnAll", "全  选(&A)", 8);
  btnno = makeButton("btnno", "全不选(&N)", 96);
  btnok = makeButton("btnok", "确  定(&O)", 186);
  btncancel = makeButton("btncancel", "取  消(&C)", 274);

  connect(btnAll, &QPushButton::clicked, this, Guarded(this, [this] { btnAllClick(); }));
  connect(btnno, &QPushButton::clicked, this, Guarded(this, [this] { btnnoClick(); }));
  connect(btnok, &QPushButton::clicked, this, Guarded(this, [this] { btnokClick(); }));
  connect(btncancel, &QPushButton::clicked, this, Guarded(this, [this] { reject(); }));

  ApplyColorScheme(this);
}

void TFrmChooseDBFields::showEvent(QShowEvent* event) {
  Guard(this, [&] {
    QDialog::showEvent(event);
    CentreOnScreen(this);
    Guard(this, [this] { FormShow(); });
  });
}

void TFrmChooseDBFields::paintEvent(QPaintEvent* event) {
  Guard(this, [&] {
    QDialog::paintEvent(event);
    PaintDialogBorder(this);
  });
}

void TFrmChooseDBFields::FormShow() {
  ltvChoose->clear();
  if (!grid_) return;
  for (int i = 0; i < grid_->ColumnCount(); ++i) {
    const GridColumn* c = grid_->Column(i);
    if (c->Tag() != 0) continue;
    auto* item = new QListWidgetItem(QString::fromStdString(c->Title()), ltvChoose);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(c->Visible() ? Qt::Checked : Qt::Unchecked);
    item->setData(kColumnRole, i);
  }
}

void TFrmChooseDBFields::btnAllClick() {
  for (int i = 0; i < ltvChoose->count(); ++i) ltvChoose->item(i)->setCheckState(Qt::Checked);
}

void TFrmChooseDBFields::btnnoClick() {
  for (int i = 0; i < ltvChoose->count(); ++i) ltvChoose->item(i)->setCheckState(Qt::Unchecked);
}

void TFrmChooseDBFields::btnokClick() {
  int ticked = 0;
  for (int i = 0; i < ltvChoose->count(); ++i)
    if (ltvChoose->item(i)->checkState() == Qt::Checked) ++ticked;
  if (grid_ && grid_->FrozenCols() >= ticked) {
    ui::ShowMessage(this, QStringLiteral("所选列数必须大于固定列数!"), QStringLiteral("警告"), ui::Icon::Warning);
    return;
  }
  try {
    for (int i = 0; grid_ && i < ltvChoose->count(); ++i) {
      QListWidgetItem* item = ltvChoose->item(i);
      GridColumn* c = grid_->Column(item->data(kColumnRole).toInt());
      if (!c) throw ModuleError("找不到列“" + item->text().toStdString() + "”");
      c->SetVisible(item->checkState() == Qt::Checked);
    }
  } catch (const std::exception& e) {
    ui::ShowMessage(this, QString::fromUtf8(e.what()), QStringLiteral("错误"), ui::Icon::Error);
  }
  done(ui::kResultYes);
}

void TFrmChooseDBFields::reject() { done(ui::kResultCancel); }

}  // namespace pt
