#include "dialogs/UnitSelectBM.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QStyleOptionButton>
#include <QStyleOptionViewItem>
#include <QTreeWidget>
#include <QWindow>

#include "common/ErrorGuard.h"
#include "common/ModuleError.h"
#include "common/TextFile.h"
#include "common/UiSeam.h"
#include "dialogs/FlatControls.h"

namespace pt {

using dept::DeptTree;
using NodeId = DeptTree::NodeId;

namespace {

constexpr int kNodeRole = Qt::UserRole + 1;   // the node id
constexpr int kRadioRole = Qt::UserRole + 2;  // the node's tick is radio-style
constexpr int kWidth = 320;
constexpr int kHeight = 440;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The top categories carry radio marks; the item views draw every check mark as a box, so the
// tree's style draws a radio button where the item asks for one.
class RadioMarkStyle : public QProxyStyle {
 public:
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (element == PE_IndicatorItemViewItemCheck) {
      const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option);
      if (item && item->index.data(kRadioRole).toBool()) {
        QStyleOptionButton radio;
        radio.QStyleOption::operator=(*option);
        QProxyStyle::drawPrimitive(PE_IndicatorRadioButton, &radio, painter, widget);
        return;
      }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
  }
};

// Small pictures of the four node kinds: category, department, "其它" group, root.
QIcon NodeIcon(int image) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  switch (image) {
    case dept::kImageCategory:  // a folder
      p.setPen(QColor(150, 110, 20));
      p.setBrush(QColor(245, 200, 80));
      p.drawRect(QRectF(1.5, 4.5, 13, 9));
      p.drawRect(QRectF(1.5, 2.5, 5, 2));
      break;
    case dept::kImageDepartment:  // a counter with a person behind it
      p.setPen(QColor(30, 80, 160));
      p.setBrush(QColor(90, 150, 230));
      p.drawEllipse(QRectF(5, 1.5, 6, 6));
      p.drawRect(QRectF(2.5, 8.5, 11, 6));
      break;
    case dept::kImageGroup:  // a grey folder
      p.setPen(QColor(100, 100, 100));
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(QRectF(1.5, 4.5, 13, 9));
      p.drawRect(QRectF(1.5, 2.5, 5, 2));
      break;
    default: {  // the root: a tree of three
      p.setPen(QColor(20, 110, 40));
      p.setBrush(QColor(70, 170, 90));
      p.drawRect(QRectF(5.5, 1.5, 5, 4));
      p.drawRect(QRectF(1.5, 10.5, 5, 4));
      p.drawRect(QRectF(9.5, 10.5, 5, 4));
      p.drawLine(QPointF(8, 5.5), QPointF(8, 8));
      p.drawLine(QPointF(4, 8), QPointF(12, 8));
      p.drawLine(QPointF(4, 8), QPointF(4, 10.5));
      p.drawLine(QPointF(12, 8), QPointF(12, 10.5));
      break;
    }
  }
  return QIcon(pm);
}

TFlatButton* SpeedButton(QWidget* parent, const char* name, const char* caption, int x, int width) {
  auto* b = new TFlatButton(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setGeometry(x, 3, width, 24);
  b->setFocusPolicy(Qt::NoFocus);  // speed buttons never take the focus
  b->SetColor(kDialogBack);
  return b;
}

}  // namespace

TFrmSelectBM::TFrmSelectBM(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("TFrmSelectBM"));
  setWindowTitle(QString::fromUtf8("部门选择"));
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  setModal(true);
  setFixedSize(kWidth, kHeight);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, WinColor(kDialogBack));
  setPalette(pal);
  setAutoFillBackground(true);

  Label1 = new TLabel(QString::fromUtf8("  部门选择"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(0, 0, kWidth, 24);
  Label1->SetColor(kClGreen);
  Label1->SetFontColor(kClWhite);
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);

  Panel1 = new QWidget(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(0, 24, kWidth, 30);
  btntj = SpeedButton(Panel1, "btntj", "统计", 4, 48);
  btnsave = SpeedButton(Panel1, "btnsave", "保存", 54, 48);
  btnget = SpeedButton(Panel1, "btnget", "导入", 104, 48);
  btnok = SpeedButton(Panel1, "btnok", "√", kWidth - 84, 38);
  btncancel = SpeedButton(Panel1, "btncancel", "×", kWidth - 42, 38);

  tnbm = new QTreeWidget(this);
  tnbm->setObjectName(QStringLiteral("tnbm"));
  tnbm->setGeometry(4, 58, kWidth - 8, kHeight - 62);
  tnbm->setHeaderHidden(true);
  tnbm->setColumnCount(1);
  tnbm->setRootIsDecorated(true);
  tnbm->setUniformRowHeights(true);  // even height
  tnbm->setIconSize(QSize(16, 16));
  tnbm->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tnbm->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tnbm->setAutoScroll(true);
  tnbm->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* style = new RadioMarkStyle;
  style->setParent(tnbm);
  tnbm->setStyle(style);
  // Hide the selection while the tree has no focus.
  QPalette tp = tnbm->palette();
  tp.setColor(QPalette::Inactive, QPalette::Highlight, tp.color(QPalette::Inactive, QPalette::Base));
  tp.setColor(QPalette::Inactive, QPalette::HighlightedText, tp.color(QPalette::Inactive, QPalette::Text));
  tnbm->setPalette(tp);
  tnbm->viewport()->installEventFilter(this);

  PopupMenu1 = new QMenu(tnbm);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  N1 = PopupMenu1->addAction(QString::fromUtf8("全选"));
  N1->setObjectName(QStringLiteral("N1"));
  N2 = PopupMenu1->addAction(QString::fromUtf8("全不选"));
  N2->setObjectName(QStringLiteral("N2"));

  connect(btntj, &QPushButton::clicked, this, Guarded(this, [this] { btntjClick(); }));
  connect(btnsave, &QPushButton::clicked, this, Guarded(this, [this] { btnsaveClick(); }));
  connect(btnget, &QPushButton::clicked, this, Guarded(this, [this] { btngetClick(); }));
  connect(btnok, &QPushButton::clicked, this, Guarded(this, [this] { done(ui::kResultOk); }));
  connect(btncancel, &QPushButton::clicked, this, Guarded(this, [this] { reject(); }));
  connect(N1, &QAction::triggered, this, Guarded(this, [this] { N1Click(); }));
  connect(N2, &QAction::triggered, this, Guarded(this, [this] { N2Click(); }));
  connect(tnbm, &QTreeWidget::itemChanged, this,
          Guarded(this, [this](QTreeWidgetItem* item, int column) { tnbmItemChanged(item, column); }));
  connect(tnbm, &QTreeWidget::itemExpanded, this, Guarded(this, [this](QTreeWidgetItem* item) {
    if (!syncing_ && NodeOf(item) != DeptTree::kNoNode) tree_.SetExpanded(NodeOf(item), true);
  }));
  connect(tnbm, &QTreeWidget::itemCollapsed, this, Guarded(this, [this](QTreeWidgetItem* item) {
    if (!syncing_ && NodeOf(item) != DeptTree::kNoNode) tree_.SetExpanded(NodeOf(item), false);
  }));
  // Auto expand: the node the clerk moves to opens.
  connect(tnbm, &QTreeWidget::currentItemChanged, this, Guarded(this, [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
    if (current && !syncing_) current->setExpanded(true);
  }));
  connect(tnbm, &QWidget::customContextMenuRequested, this,
          Guarded(this, [this](const QPoint& pos) { PopupMenu1->popup(tnbm->viewport()->mapToGlobal(pos)); }));
}

// ---------------------------------------------------------------- items

void TFrmSelectBM::RebuildItems() {
  syncing_ = true;
  tnbm->clear();
  items_.assign(static_cast<size_t>(tree_.Count()), nullptr);
  for (NodeId id : tree_.TreeOrder()) {
    const NodeId parent = tree_.Parent(id);
    auto* item = parent == DeptTree::kNoNode ? new QTreeWidgetItem(tnbm) : new QTreeWidgetItem(items_[static_cast<size_t>(parent)]);
    item->setText(0, Q(tree_.Text(id)));
    item->setIcon(0, NodeIcon(tree_.Image(id)));
    item->setData(0, kNodeRole, id);
    const dept::CheckType check = tree_.CheckTypeOf(id);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (check != dept::CheckType::None) flags |= Qt::ItemIsUserCheckable;
    item->setFlags(flags);
    if (check != dept::CheckType::None) item->setCheckState(0, tree_.Ticked(id) ? Qt::Checked : Qt::Unchecked);
    item->setData(0, kRadioRole, check == dept::CheckType::Radio);
    items_[static_cast<size_t>(id)] = item;
  }
  syncing_ = false;
  if (!tree_.Empty()) tree_.SetExpanded(tree_.Root(), true);
  RefreshItems();
}

void TFrmSelectBM::RefreshItems() {
  syncing_ = true;
  for (NodeId id = 0; id < tree_.Count() && static_cast<size_t>(id) < items_.size(); ++id) {
    QTreeWidgetItem* item = items_[static_cast<size_t>(id)];
    if (!item) continue;
    if (tree_.CheckTypeOf(id) != dept::CheckType::None) {
      const Qt::CheckState state = tree_.Ticked(id) ? Qt::Checked : Qt::Unchecked;
      if (item->checkState(0) != state) item->setCheckState(0, state);
    }
    if (item->isExpanded() != tree_.Expanded(id)) item->setExpanded(tree_.Expanded(id));
  }
  syncing_ = false;
}

QTreeWidgetItem* TFrmSelectBM::ItemOf(NodeId id) const {
  return id >= 0 && static_cast<size_t>(id) < items_.size() ? items_[static_cast<size_t>(id)] : nullptr;
}

NodeId TFrmSelectBM::NodeOf(const QTreeWidgetItem* item) const {
  if (!item) return DeptTree::kNoNode;
  bool ok = false;
  const int id = item->data(0, kNodeRole).toInt(&ok);
  return ok && ItemOf(id) == item ? id : DeptTree::kNoNode;
}

// A click (or the space key) has already flipped the item's mark: the model decides whether
// the change stands, and the items show what it decided.
void TFrmSelectBM::tnbmItemChanged(QTreeWidgetItem* item, int column) {
  if (syncing_ || column != 0) return;
  const NodeId id = NodeOf(item);
  if (id == DeptTree::kNoNode || tree_.CheckTypeOf(id) == dept::CheckType::None) return;
  const bool wanted = item->checkState(0) == Qt::Checked;
  if (wanted == tree_.Ticked(id)) return;
  Finish(tree_.SetTicked(id, wanted));
}

void TFrmSelectBM::Finish(const dept::TickReport& report) {
  RefreshItems();
  if (report.categoryChosen)
    ui::ShowMessage(this, QString::fromUtf8(dept::kCategoryChosenMessage), QString::fromUtf8("提示"), ui::Icon::Information);
}

// ---------------------------------------------------------------- commands

void TFrmSelectBM::SelectChildren(bool ticked) {
  const NodeId id = NodeOf(tnbm->currentItem());
  if (id == DeptTree::kNoNode || id == tree_.Root() || tree_.Children(id).empty()) return;
  Finish(tree_.SetChildrenTicked(id, ticked));
}

void TFrmSelectBM::N1Click() { SelectChildren(true); }
void TFrmSelectBM::N2Click() { SelectChildren(false); }

void TFrmSelectBM::btntjClick() {
  const dept::TickCount c = tree_.CountTicked();
  const QString text = QString::fromUtf8("共选中") + QString::number(c.total) + QString::fromUtf8("个,") + QChar('\r') +
                       QString::fromUtf8("其中分类") + QString::number(c.categories) + QString::fromUtf8("个,具体部门") +
                       QString::number(c.departments) + QString::fromUtf8("个！");
  ui::ShowMessage(this, text, QString::fromUtf8("提示"), ui::Icon::Information);
}

void TFrmSelectBM::btnsaveClick() {
  QString path = ui::Handler().SaveFileName(this, QString::fromUtf8(kSaveTitle), QString::fromUtf8(kDefaultFileName),
                                            QString::fromUtf8(kFileFilter));
  if (path.isEmpty()) return;
  const std::vector<std::string> lines = tree_.SelectionLines();
  if (lines.empty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".txt");
  if (!WriteTextFileLines(QFile::encodeName(path).toStdString(), lines))
    throw ModuleError("无法写入文件“" + path.toStdString() + "”");
}

void TFrmSelectBM::btngetClick() {
  const QString path = ui::Handler().OpenFileName(this, QString::fromUtf8("打开"), QString());
  if (path.isEmpty()) return;
  std::vector<std::string> lines;
  // The whole file is read before any node is touched: a file that cannot be read changes nothing.
  if (!ReadTextFileLines(QFile::encodeName(path).toStdString(), lines))
    throw ModuleError("无法打开文件“" + path.toStdString() + "”");
  Finish(tree_.ApplySelectionLines(lines));
}

void TFrmSelectBM::reject() { done(ui::kResultCancel); }

// ---------------------------------------------------------------- window

void TFrmSelectBM::showEvent(QShowEvent* event) {
  Guard(this, [&] {
    QDialog::showEvent(event);
    CentreOnScreen(this);
    tree_.SetRulesActive(true);
  });
}

void TFrmSelectBM::hideEvent(QHideEvent* event) {
  Guard(this, [&] {
    tree_.SetRulesActive(false);
    dragging_ = false;
    QDialog::hideEvent(event);
  });
}

void TFrmSelectBM::paintEvent(QPaintEvent* event) {
  Guard(this, [&] {
    QDialog::paintEvent(event);
    QPainter p(this);
    p.setPen(WinColor(kClGreen));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  });
}

// No caption bar: a press on the client area outside the controls moves the window.
void TFrmSelectBM::mousePressEvent(QMouseEvent* event) {
  Guard(this, [&] {
    QWidget* under = childAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && (!under || under == Label1)) {
      if (windowHandle() && windowHandle()->startSystemMove()) {
        event->accept();
        return;
      }
      dragging_ = true;
      dragOffset_ = event->globalPosition().toPoint() - pos();
      event->accept();
      return;
    }
    QDialog::mousePressEvent(event);
  });
}

void TFrmSelectBM::mouseMoveEvent(QMouseEvent* event) {
  Guard(this, [&] {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
      move(event->globalPosition().toPoint() - dragOffset_);
      event->accept();
      return;
    }
    QDialog::mouseMoveEvent(event);
  });
}

void TFrmSelectBM::mouseReleaseEvent(QMouseEvent* event) {
  Guard(this, [&] {
    if (dragging_ && event->button() == Qt::LeftButton) {
      dragging_ = false;
      event->accept();
      return;
    }
    QDialog::mouseReleaseEvent(event);
  });
}

// Any button pressed on the tree makes the node under the pointer the selected one (the popup
// menu works on it).
bool TFrmSelectBM::eventFilter(QObject* watched, QEvent* event) {
  return Guard(this, true, [&] {
    if (watched == tnbm->viewport() && event->type() == QEvent::MouseButtonPress) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (QTreeWidgetItem* item = tnbm->itemAt(mouse->position().toPoint())) tnbm->setCurrentItem(item);
    }
    return QDialog::eventFilter(watched, event);
  });
}

}  // namespace pt
