#include "queue/UnitRF.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "common/ErrorGuard.h"
#include "common/UiSeam.h"
#include "dialogs/FlatControls.h"

namespace pt {

namespace {

// The grid lines of a report-style list: each cell drawn with its right and bottom edge.
class GridLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(option.palette.color(QPalette::Mid));
    const QRect r = option.rect;
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
  }
};

TFlatButton* MakeButton(QWidget* parent, const char* name, const char* caption, int x, int y) {
  auto* b = new TFlatButton(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setGeometry(x, y, 88, 26);
  b->SetColor(kDialogBack);
  b->SetBorderColor(kClGreen);
  b->setCursor(Qt::PointingHandCursor);
  return b;
}

}  // namespace

TFrmRF::TFrmRF(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TFrmRF"));
  setWindowTitle(QString::fromUtf8("调RF数据"));
  // A dialog border: caption and close box, no resizing.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(560, 320);
  setFont(QFont(QString::fromUtf8("宋体"), 9));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, WinColor(kDialogBack));
  setPalette(pal);
  setAutoFillBackground(true);

  lsvRF = new QTreeWidget(this);
  lsvRF->setObjectName(QStringLiteral("lsvRF"));
  lsvRF->setGeometry(8, 8, 544, 264);
  lsvRF->setColumnCount(ColumnCount);
  lsvRF->setHeaderLabels({QString::fromUtf8("操作员编码"), QString::fromUtf8("操作员名称"),
                          QString::fromUtf8("操作时间"), QString::fromUtf8("价格类型"), QString::fromUtf8("数量")});
  lsvRF->setRootIsDecorated(false);
  lsvRF->setItemsExpandable(false);
  lsvRF->setUniformRowHeights(true);
  lsvRF->setSelectionMode(QAbstractItemView::SingleSelection);
  lsvRF->setSelectionBehavior(QAbstractItemView::SelectRows);
  lsvRF->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lsvRF->setSortingEnabled(false);
  lsvRF->header()->setSectionsClickable(false);
  lsvRF->header()->setSectionsMovable(false);
  lsvRF->setItemDelegate(new GridLineDelegate(lsvRF));
  const int widths[ColumnCount] = {90, 110, 150, 90, 80};
  for (int c = 0; c < ColumnCount; ++c) lsvRF->setColumnWidth(c, widths[c]);
  lsvRF->setProperty("GridLines", true);
  lsvRF->setProperty("Checkboxes", true);

  btnOK = MakeButton(this, "btnOK", "确定 [&O]", 368, 284);
  btnCancel = MakeButton(this, "btnCancel", "放弃 [&C]", 464, 284);
  connect(btnOK, &QPushButton::clicked, this, Guarded(this, [this] { done(ui::kResultOk); }));
  connect(btnCancel, &QPushButton::clicked, this, Guarded(this, [this] { done(ui::kResultCancel); }));
}

void TFrmRF::reject() { done(ui::kResultCancel); }

void TFrmRF::showEvent(QShowEvent* event) {
  Guard(this, [&] {
    QDialog::showEvent(event);
    CentreOnScreen(this);
  });
}

}  // namespace pt
