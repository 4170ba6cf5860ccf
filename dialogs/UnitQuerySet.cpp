#include "dialogs/UnitQuerySet.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <algorithm>

#include "common/ErrorGuard.h"
#include "common/FlatDialog.h"
#include "common/MemTable.h"
#include "common/TextRoutines.h"
#include "common/UiSeam.h"
#include "dialogs/ColorScheme.h"
#include "dialogs/FlatControls.h"

namespace pt {

namespace {

constexpr const char* kHelpHead = "字段名称值的要求:\r\n";

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toStdString(); }

void Tell(const char* text, MsgDlgType type = MsgDlgType::Information) {
  FlatMessageDlg(QString::fromUtf8(text), type, MsgDlgBtn::OK);
}

}  // namespace

// ---------------------------------------------------------------- construction

std::unique_ptr<TFrmQuerySet> TFrmQuerySet::CreateForQuery(QWidget* owner, const std::string& caption,
                                                           const std::string& aliasList, const std::string& helpText,
                                                           const std::string& substitutionText,
                                                           const ExpressionList* initial) {
  std::unique_ptr<TFrmQuerySet> f(new TFrmQuerySet(owner, false, caption, initial));
  f->btnOK->setText(QStringLiteral("查  询(&O)"));
  f->aliasList_ = aliasList;
  f->helpText_ = std::string(kHelpHead) + helpText;
  f->fieldSubstitutions_ = ParseSubstitutions(substitutionText);
  f->visibleFieldsOnly_ = true;
  f->filterMode_ = 0;
  return f;
}

std::unique_ptr<TFrmQuerySet> TFrmQuerySet::CreateForFilter(QWidget* owner, const std::string& caption,
                                                            const std::string& aliasList, const std::string&,
                                                            const ExpressionList* initial, bool visibleFieldsOnly) {
  std::unique_ptr<TFrmQuerySet> f(new TFrmQuerySet(owner, true, caption, initial));
  f->btnOK->setText(QStringLiteral("过  滤(&O)"));
  f->aliasList_ = aliasList;
  f->helpText_ = kHelpHead;
  f->visibleFieldsOnly_ = visibleFieldsOnly;
  f->filterMode_ = 1;
  return f;
}

TFrmQuerySet::TFrmQuerySet(QWidget* owner, bool filterMode, const std::string& caption, const ExpressionList* initial)
    : QDialog(owner) {
  setObjectName(QStringLiteral("TFrmQuerySet"));
  filterMode_ = filterMode ? 1 : 0;
  setFixedSize(560, 384);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, WinColor(kDialogBack));
  setPalette(pal);
  setAutoFillBackground(true);

  gbxGoodsInfo = new QGroupBox(QStringLiteral("查询过滤条件设置："), this);
  gbxGoodsInfo->setObjectName(QStringLiteral("gbxGoodsInfo"));
  gbxGoodsInfo->setGeometry(8, 6, 544, 370);
  if (!Trim(caption).empty()) gbxGoodsInfo->setTitle(Q(caption));
  setWindowTitle(gbxGoodsInfo->title());
  QWidget* g = gbxGoodsInfo;

  auto label = [g](const char* name, const char* text, int x, int y) {
    auto* l = new TLabel(QString::fromUtf8(text), g);
    l->setObjectName(QString::fromLatin1(name));
    l->SetFontColor(kClGreen);
    l->move(x, y);
    l->adjustSize();
    return l;
  };
  auto button = [g](const char* name, const char* text, int x, int y, int w) {
    auto* b = new TFlatButton(QString::fromUtf8(text), g);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, y, w, 24);
    b->SetColor(kDialogBack);
    return b;
  };

  lblTemp = label("lblTemp", "字段名称：", 12, 28);
  cbxField = new QComboBox(g);
  cbxField->setObjectName(QStringLiteral("cbxField"));
  cbxField->setEditable(false);
  cbxField->setGeometry(78, 24, 156, 22);

  lblFactor = label("lblFactor", "条件：", 244, 28);
  cbxFactor = new QComboBox(g);
  cbxFactor->setObjectName(QStringLiteral("cbxFactor"));
  cbxFactor->setEditable(false);
  cbxFactor->setGeometry(284, 24, 104, 22);
  for (const std::string& w : ConditionOperatorWords()) cbxFactor->addItem(Q(w));

  lblValue = label("lblValue", "值：", 396, 28);
  qorShapevalue = new TShape(g);
  qorShapevalue->setObjectName(QStringLiteral("qorShapevalue"));
  qorShapevalue->SetBrushColor(kClInfoBk);
  qorShapevalue->setGeometry(420, 22, 112, 26);
  editValue = new QLineEdit(g);
  editValue->setObjectName(QStringLiteral("editValue"));
  editValue->setFrame(false);
  editValue->setGeometry(422, 24, 108, 22);

  btnAddLogic = button("btnAddLogic", "加  入(&A)", 420, 56, 112);
  btnAddLogic->setToolTip(QStringLiteral("加入逻辑表达式"));
  btnModifyOK = button("btnModifyOK", "修改 &M", 420, 56, 54);
  btnModifyOK->setToolTip(QStringLiteral("确认对逻辑表达式的修改"));
  btnModifyOK->setProperty("Tag", 0);
  btnModifyCancel = button("btnModifyCancel", "放弃", 478, 56, 54);
  btnModifyCancel->setToolTip(QStringLiteral("放弃对逻辑表达式的修改"));
  btnModifyCancel->setProperty("Tag", 1);
  btnModifyOK->hide();
  btnModifyCancel->hide();

  qorShapeLine = new TShape(g);
  qorShapeLine->setObjectName(QStringLiteral("qorShapeLine"));
  qorShapeLine->setGeometry(12, 88, 520, 1);

  qorShapeList = new TShape(g);
  qorShapeList->setObjectName(QStringLiteral("qorShapeList"));
  qorShapeList->setGeometry(12, 96, 520, 228);
  lvwLogic = new QTreeWidget(g);
  lvwLogic->setObjectName(QStringLiteral("lvwLogic"));
  lvwLogic->setGeometry(13, 97, 518, 226);
  lvwLogic->setFrameShape(QFrame::NoFrame);
  lvwLogic->setColumnCount(4);
  lvwLogic->setHeaderLabels({QStringLiteral("字段名称"), QStringLiteral("条件"), QStringLiteral("值"), QStringLiteral("逻辑关系")});
  lvwLogic->setRootIsDecorated(false);
  lvwLogic->setItemsExpandable(false);
  lvwLogic->setUniformRowHeights(true);
  lvwLogic->setSelectionMode(QAbstractItemView::SingleSelection);
  lvwLogic->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvwLogic->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvwLogic->header()->setSectionsMovable(false);
  lvwLogic->setColumnWidth(0, 160);
  lvwLogic->setColumnWidth(1, 90);
  lvwLogic->setColumnWidth(2, 170);
  lvwLogic->setContextMenuPolicy(Qt::CustomContextMenu);
  QPalette lp = lvwLogic->palette();
  lp.setColor(QPalette::Base, WinColor(kClWhite));
  lvwLogic->setPalette(lp);

  btnClearLogic = button("btnClearLogic", "清  空(&C)", 12, 334, 96);
  btnOK = button("btnOK", "", 220, 334, 96);
  btnHelp = button("btnHelp", "帮  助(&H)", 326, 334, 96);
  btnExit = button("btnExit", "退  出(&X)", 436, 334, 96);
  btnRunLogic = button("btnRunLogic", "运行 &R", 120, 334, 90);
  btnRunLogic->hide();

  memSQL = new QPlainTextEdit(g);
  memSQL->setObjectName(QStringLiteral("memSQL"));
  memSQL->hide();

  pmnuSetField = new QMenu(this);
  pmnuSetField->setObjectName(QStringLiteral("pmnuSetField"));
  mnuAddField = pmnuSetField->addAction(QStringLiteral("加入字段表达式"));
  mnuAddField->setObjectName(QStringLiteral("mnuAddField"));
  mnuAddField->setData(0);
  mnuModifyField = pmnuSetField->addAction(QStringLiteral("修改字段表达式"));
  mnuModifyField->setObjectName(QStringLiteral("mnuModifyField"));
  mnuModifyField->setData(1);
  QMenu* logic = pmnuSetField->addMenu(QStringLiteral("修改逻辑表达式"));
  logic->setObjectName(QStringLiteral("mnuModifyLogicMenu"));
  mnuModifyLogic = logic->menuAction();
  mnuModifyLogic->setObjectName(QStringLiteral("mnuModifyLogic"));
  mnuLogicOR = logic->addAction(QStringLiteral("A 或者 B"));
  mnuLogicOR->setObjectName(QStringLiteral("mnuLogicOR"));
  mnuLogicOR->setData(0);
  mnuLogicAND = logic->addAction(QStringLiteral("A 并且 B"));
  mnuLogicAND->setObjectName(QStringLiteral("mnuLogicAND"));
  mnuLogicAND->setData(1);
  mnuDelField = pmnuSetField->addAction(QStringLiteral("删除字段表达式"));
  mnuDelField->setObjectName(QStringLiteral("mnuDelField"));
  mnuDelField->setData(2);

  for (QAction* a : {mnuAddField, mnuModifyField, mnuDelField})
    connect(a, &QAction::triggered, this, Guarded(this, [this, a] { mnuFieldClick(a->data().toInt()); }));
  for (QAction* a : {mnuLogicOR, mnuLogicAND})
    connect(a, &QAction::triggered, this, Guarded(this, [this, a] { mnuLogicClick(a->data().toInt()); }));
  connect(lvwLogic, &QWidget::customContextMenuRequested, this, Guarded(this, [this](const QPoint& pos) {
            pmnuSetFieldPopup();
            pmnuSetField->popup(lvwLogic->viewport()->mapToGlobal(pos));
          }));
  connect(btnAddLogic, &QPushButton::clicked, this, Guarded(this, [this] { btnAddLogicClick(); }));
  for (TFlatButton* b : {btnModifyOK, btnModifyCancel})
    connect(b, &QPushButton::clicked, this, Guarded(this, [this, b] { btnModifyClick(b->property("Tag").toInt()); }));
  connect(btnClearLogic, &QPushButton::clicked, this, Guarded(this, [this] { btnClearLogicClick(); }));
  connect(btnOK, &QPushButton::clicked, this, Guarded(this, [this] { btnOKClick(); }));
  connect(btnHelp, &QPushButton::clicked, this, Guarded(this, [this] { btnHelpClick(); }));
  connect(btnExit, &QPushButton::clicked, this, Guarded(this, [this] { btnExitClick(); }));
  connect(btnRunLogic, &QPushButton::clicked, this, Guarded(this, [this] { BuildCondition(); }));
  connect(cbxField, &QComboBox::currentIndexChanged, editValue, &QLineEdit::clear);

  // Key preview: the form sees Alt+F2 before whichever control has the focus.
  installEventFilter(this);
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);

  if (initial)
    for (const ExpressionRow& row : *initial) AppendRow(row);

  RemoveCaptionBar(this);
  ApplyColorScheme(this);
}

TFrmQuerySet::~TFrmQuerySet() = default;

void TFrmQuerySet::showEvent(QShowEvent* event) {
  Guard(this, [&] {
    QDialog::showEvent(event);
    CentreOnScreen(this);
    Guard(this, [this] { FormShow(); });
  });
}

void TFrmQuerySet::paintEvent(QPaintEvent* event) {
  Guard(this, [&] {
    QDialog::paintEvent(event);
    PaintDialogBorder(this);
  });
}

void TFrmQuerySet::FormShow() {
  cbxField->clear();
  if (sourceDataSet_) {
    for (int i = 0; i < sourceDataSet_->FieldCount(); ++i) {
      const FieldDef& f = sourceDataSet_->Field(i);
      if (visibleFieldsOnly_ && !f.visible) continue;
      cbxField->addItem(Q(f.label.empty() ? f.name : f.label));
    }
  }
  if (cbxField->count() > 0) cbxField->setCurrentIndex(0);
  if (cbxFactor->currentIndex() < 0) cbxFactor->setCurrentIndex(0);
  editValue->setFocus();
}

bool TFrmQuerySet::eventFilter(QObject* watched, QEvent* event) {
  return Guard(this, true, [&] {
    if (event->type() == QEvent::KeyPress) {
      auto* k = static_cast<QKeyEvent*>(event);
      if (k->key() == Qt::Key_F2 && (k->modifiers() & Qt::AltModifier)) {
        Guard(this, [this] { TestCondition(); });
        return true;
      }
      if (watched == editValue && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
        Guard(this, [this] { btnAddLogicClick(); });
        return true;  // the Enter itself goes nowhere
      }
    } else if (event->type() == QEvent::KeyRelease && watched == editValue) {
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Up) editValue->selectAll();
    }
    return QDialog::eventFilter(watched, event);
  });
}

// ---------------------------------------------------------------- the list

ExpressionRow TFrmQuerySet::RowOf(const QTreeWidgetItem* item) {
  return {S(item->text(0)), S(item->text(1)), S(item->text(2)), S(item->text(3))};
}

void TFrmQuerySet::WriteRow(QTreeWidgetItem* item, const ExpressionRow& row) {
  item->setText(0, Q(row.field));
  item->setText(1, Q(row.op));
  item->setText(2, Q(row.value));
  item->setText(3, Q(row.logic));
}

void TFrmQuerySet::AppendRow(const ExpressionRow& row) { WriteRow(new QTreeWidgetItem(lvwLogic), row); }

ExpressionList TFrmQuerySet::Expressions() const {
  ExpressionList rows;
  rows.reserve(static_cast<size_t>(lvwLogic->topLevelItemCount()));
  for (int i = 0; i < lvwLogic->topLevelItemCount(); ++i) rows.push_back(RowOf(lvwLogic->topLevelItem(i)));
  return rows;
}

std::string TFrmQuerySet::ConditionText() const { return S(memSQL->toPlainText()); }

QTreeWidgetItem* TFrmQuerySet::SelectedItem() const {
  const QList<QTreeWidgetItem*> sel = lvwLogic->selectedItems();
  return sel.isEmpty() ? nullptr : sel.front();
}

bool TFrmQuerySet::ChosenFieldAndOperator() {
  if (cbxField->currentIndex() < 0) {
    Tell("请选择一个字段。", MsgDlgType::Warning);
    cbxField->setFocus();
    return false;
  }
  if (cbxFactor->currentIndex() < 0) {
    Tell("请选择一个条件。", MsgDlgType::Warning);
    cbxFactor->setFocus();
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- handlers

void TFrmQuerySet::btnAddLogicClick() {
  if (editValue->text().isEmpty()) {
    Tell("请输入一个值。", MsgDlgType::Warning);
    editValue->setFocus();
    return;
  }
  if (!ChosenFieldAndOperator()) return;
  ExpressionRow row = ExpressionRow::Field(S(cbxField->currentText()), S(cbxFactor->currentText()), S(editValue->text()));
  ExpressionList rows = Expressions();
  int dup = FindDuplicateExpression(rows, row);
  if (dup >= 0) {
    // A second Enter on the expression just added confirms the dialog.
    if (dup == static_cast<int>(rows.size()) - 1 && !btnAddLogic->isHidden())
      btnOKClick();
    else
      Tell("该逻辑表达式已经存在。");
    return;
  }
  if (!rows.empty()) {
    QStringList items;
    for (const std::string& w : LogicChoices(lastLogicIsOr_ == 1)) items << Q(w);
    QString chosen;
    if (!FlatChooseItem(QStringLiteral("选择框"), QStringLiteral("请选择一个逻辑关系："), items, chosen, 0)) return;
    if (!items.contains(chosen)) return;
    lastLogicIsOr_ = chosen == QString::fromUtf8(kLogicOr) ? 1 : 0;
    AppendRow(ExpressionRow::Logic(S(chosen)));
  }
  AppendRow(row);
}

void TFrmQuerySet::btnModifyClick(int tag) {
  if (tag == 0) {
    // The row the modification started on, even when the selection moved since.
    if (!modifying_ || lvwLogic->indexOfTopLevelItem(modifying_) < 0) {
      EndModify();
      Tell("请选择一个逻辑表达式。");
      lvwLogic->setFocus();
      return;
    }
    if (!ChosenFieldAndOperator()) return;
    WriteRow(modifying_, ExpressionRow::Field(S(cbxField->currentText()), S(cbxFactor->currentText()), S(editValue->text())));
  }
  EndModify();
}

void TFrmQuerySet::EndModify() {
  modifying_ = nullptr;
  btnModifyOK->hide();
  btnModifyCancel->hide();
  btnAddLogic->show();
}

void TFrmQuerySet::btnClearLogicClick() {
  lvwLogic->clear();
  if (modifying_) EndModify();
}

void TFrmQuerySet::BuildCondition() {
  ConditionOptions o;
  o.aliasList = aliasList_;
  o.substitutions = fieldSubstitutions_;
  o.filterMode = filterMode_ == 1;
  std::vector<ConditionField> fields;
  if (sourceDataSet_) fields = ConditionFieldsOf(*sourceDataSet_);
  condition_ = pt::BuildCondition(Expressions(), fields, o);
  memSQL->setPlainText(Q(condition_.text));
}

void TFrmQuerySet::btnOKClick() {
  BuildCondition();
  done(ui::kResultOk);
}

void TFrmQuerySet::btnHelpClick() { FlatMessageDlg(Q(helpText_), MsgDlgType::Information, MsgDlgBtn::OK); }

void TFrmQuerySet::btnExitClick() { done(ui::kResultCancel); }

void TFrmQuerySet::reject() { done(ui::kResultCancel); }

void TFrmQuerySet::TestCondition() {
  BuildCondition();
  FlatInputBox(QStringLiteral("测试信息"), QStringLiteral("查询语句"), memSQL->toPlainText());
}

void TFrmQuerySet::pmnuSetFieldPopup() {
  QTreeWidgetItem* item = SelectedItem();
  if (!item) return;
  bool logic = RowOf(item).IsLogic();
  mnuModifyLogic->setEnabled(logic);
  mnuModifyField->setEnabled(!logic);
}

void TFrmQuerySet::mnuFieldClick(int tag) {
  if (tag == 0) {
    cbxField->setFocus();
    return;
  }
  QTreeWidgetItem* item = SelectedItem();
  if (tag == 1) {
    if (!item || RowOf(item).IsLogic()) {
      Tell("请选择一个逻辑表达式。");
      lvwLogic->setFocus();
      return;
    }
    ExpressionRow row = RowOf(item);
    modifying_ = item;
    btnModifyOK->show();
    btnModifyCancel->show();
    btnAddLogic->hide();
    cbxField->setCurrentIndex(cbxField->findText(Q(row.field)));
    cbxFactor->setCurrentIndex(cbxFactor->findText(Q(row.op)));
    editValue->setText(Q(row.value));
    return;
  }
  if (!item) {
    Tell("请选择一个逻辑表达式。");
    lvwLogic->setFocus();
    return;
  }
  int index = lvwLogic->indexOfTopLevelItem(item);
  ExpressionList rows = Expressions();
  const char* question = rows[static_cast<size_t>(index)].IsLogic()
                             ? "删除该逻辑关系，将同时删除与之关联的逻辑表达式。\r\n您确认继续吗？"
                             : "您确认删除该逻辑表达式吗？";
  if (FlatMessageDlg(QString::fromUtf8(question), MsgDlgType::Confirmation, MsgDlgBtn::Yes | MsgDlgBtn::No) ==
      ui::kResultNo)
    return;
  std::vector<int> gone = RowsRemovedByDelete(rows, index);
  std::sort(gone.rbegin(), gone.rend());
  for (int i : gone) {
    QTreeWidgetItem* it = lvwLogic->topLevelItem(i);
    if (it == modifying_) EndModify();
    delete it;
  }
}

void TFrmQuerySet::mnuLogicClick(int tag) {
  QTreeWidgetItem* item = SelectedItem();
  // Only a logic row takes a logic word: on a field row it would turn the expression into one.
  if (!item || !RowOf(item).IsLogic()) return;
  item->setText(3, QString::fromUtf8(tag == 0 ? kLogicOr : kLogicAnd));
}

}  // namespace pt
