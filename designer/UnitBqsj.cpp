#include "designer/UnitBqsj.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRawFont>
#include <QSaveFile>
#include <QScrollArea>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/ErrorGuard.h"
#include "common/ModuleError.h"
#include "common/UiSeam.h"
#include "designer/DesignCanvas.h"
#include "designer/DesignerIcons.h"
#include "designer/FieldCatalog.h"
#include "designer/PreviewRecords.h"
#include "designer/PropertyPanel.h"
#include "designer/UnitMbxz.h"
#include "designer/UnitYmsz.h"
#include "hostapp/TemplateStore.h"
#include "printing/PrintRecord.h"
#include "report_engine/MemTableSource.h"
#include "report_engine/QtTextMeasurer.h"
#include "report_engine/ReportPreview.h"
#include "report_engine/ReportView.h"

namespace pt::designer {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }
QString U(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

constexpr int kFirstProducts = 10;
constexpr int kPreviewDelayMs = 250;
const char* const kFileFilter = "标价签模板 (*.json);;所有文件 (*)";

}  // namespace

// ------------------------------------------------------------------------------ field list

FieldTree::FieldTree(QWidget* parent) : QTreeWidget(parent) {
  setObjectName("tvFields");
  setHeaderLabels({U("名称"), U("字段")});
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setRootIsDecorated(true);
  setToolTip(U("把字段拖到标签上：商品条码成为条码，其余成为文字（按住 Ctrl 拖则反过来）。双击也可添加。"));
  struct Group { CatalogEntry::Kind kind; const char* title; };
  for (const Group& g : {Group{CatalogEntry::Kind::Field, "商品字段"}, Group{CatalogEntry::Kind::Variable, "报表变量"},
                         Group{CatalogEntry::Kind::PageValue, "页面"}}) {
    auto* top = new QTreeWidgetItem(this, {U(g.title)});
    top->setFlags(Qt::ItemIsEnabled);
    for (const CatalogEntry& e : LabelCatalog()) {
      if (e.kind != g.kind) continue;
      auto* item = new QTreeWidgetItem(top, {U(e.caption), U(e.name)});
      item->setData(0, Qt::UserRole, U(e.name));
      item->setToolTip(0, U("[" + e.Expression() + "]"));
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
    }
    top->setExpanded(true);
  }
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  setMinimumWidth(300);
}

QTreeWidgetItem* FieldTree::Find(const std::string& name) const {
  for (int g = 0; g < topLevelItemCount(); ++g)
    for (int i = 0; i < topLevelItem(g)->childCount(); ++i) {
      QTreeWidgetItem* item = topLevelItem(g)->child(i);
      if (report::SameName(S(item->data(0, Qt::UserRole).toString()), name)) return item;
    }
  return nullptr;
}

QMimeData* FieldTree::mimeData(const QList<QTreeWidgetItem*>& items) const {
  if (items.isEmpty() || items.front()->data(0, Qt::UserRole).toString().isEmpty()) return nullptr;
  auto* data = new QMimeData;
  data->setData(kCatalogMime, items.front()->data(0, Qt::UserRole).toString().toUtf8());
  data->setText(items.front()->toolTip(0));
  return data;
}

QStringList FieldTree::mimeTypes() const { return {QString::fromUtf8(kCatalogMime)}; }

bool FontDrawsText(const std::string& family, const std::string& text) {
  const QRawFont raw = QRawFont::fromFont(report::MakeQFont(report::FontSpec{family, 12, false, false}, 12));
  if (!raw.isValid()) return true;
  for (char32_t c : QString::fromStdString(text).toUcs4())
    if (c > 0x20 && !raw.supportsCharacter(c)) return false;
  return true;
}

// ------------------------------------------------------------------------------ window

TFrmBqsj::TFrmBqsj(hostapp::HostDatabase* db, QWidget* parent) : QMainWindow(parent), db_(db) {
  setObjectName("TFrmBqsj");
  setAttribute(Qt::WA_DeleteOnClose, false);
  report::InstallFontSubstitutes();
  panCanvas = new DesignCanvas(editor_, this);
  setCentralWidget(panCanvas);
  tmrPreview = new QTimer(this);
  tmrPreview->setObjectName("tmrPreview");
  tmrPreview->setSingleShot(true);
  tmrPreview->setInterval(kPreviewDelayMs);
  BuildActions();
  BuildToolBars();
  BuildDocks();
  lblCursor = new QLabel(this);
  lblCursor->setObjectName("lblCursor");
  lblCursor->setMinimumWidth(260);
  lblStatus = new QLabel(this);
  lblStatus->setObjectName("lblStatus");
  statusBar()->setObjectName("panStatus");
  statusBar()->addWidget(lblStatus, 1);
  statusBar()->addPermanentWidget(lblCursor);
  Wire();
  if (db_) {
    variables_ = PreviewVariables(*db_);
    LoadPreviewProducts({});
  } else {
    LoadPreviewProducts({});
  }
  const QRect screenArea = screen() ? screen()->availableGeometry() : QRect(0, 0, 1600, 1000);
  resize(std::min(1500, screenArea.width() * 19 / 20), std::min(960, screenArea.height() * 19 / 20));
  panCanvas->SetZoom(3.0);
  Changed();
  editor_.MarkSaved();
  UpdateTitle();
}

TFrmBqsj::~TFrmBqsj() = default;

void TFrmBqsj::BuildActions() {
  auto make = [this](QAction*& into, const char* name, const char* caption, const char* icon = nullptr,
                     QKeySequence key = {}) {
    into = new QAction(U(caption), this);
    into->setObjectName(name);
    if (icon) into->setIcon(DesignerIcon(icon));
    if (!key.isEmpty()) into->setShortcut(key);
  };
  make(NNew, "NNew", "新建标签(&N)", "new", QKeySequence::New);
  make(NOpenFile, "NOpenFile", "打开文件(&O)…", "open", QKeySequence::Open);
  make(NOpenDb, "NOpenDb", "从数据库打开(&D)…", "database", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
  make(NSave, "NSave", "保存(&S)", "save", QKeySequence::Save);
  make(NSaveFile, "NSaveFile", "另存为文件(&A)…", nullptr, QKeySequence::SaveAs);
  make(NSaveDb, "NSaveDb", "保存到数据库(&B)…", "database-save");
  make(NExit, "NExit", "退出(&X)", nullptr, QKeySequence(Qt::CTRL | Qt::Key_Q));
  make(NUndo, "NUndo", "撤销(&U)", "undo", QKeySequence::Undo);
  make(NRedo, "NRedo", "重做(&R)", "redo", QKeySequence::Redo);
  make(NCut, "NCut", "剪切(&T)", nullptr, QKeySequence::Cut);
  make(NCopy, "NCopy", "复制(&C)", nullptr, QKeySequence::Copy);
  make(NPaste, "NPaste", "粘贴(&P)", nullptr, QKeySequence::Paste);
  make(NDelete, "NDelete", "删除(&D)", "delete");
  make(NSelectAll, "NSelectAll", "全选(&A)", nullptr, QKeySequence::SelectAll);
  make(NAddText, "NAddText", "文本", "text");
  make(NAddBarcode, "NAddBarcode", "条码", "barcode");
  make(NAddLine, "NAddLine", "线条", "line");
  make(NAddRect, "NAddRect", "矩形", "rectangle");
  make(NAddPicture, "NAddPicture", "图片…", "picture");
  make(NAlignLeft, "NAlignLeft", "左对齐", "align-left");
  make(NAlignHCenter, "NAlignHCenter", "水平居中", "align-hcenter");
  make(NAlignRight, "NAlignRight", "右对齐", "align-right");
  make(NAlignTop, "NAlignTop", "顶端对齐", "align-top");
  make(NAlignVCenter, "NAlignVCenter", "垂直居中", "align-vcenter");
  make(NAlignBottom, "NAlignBottom", "底端对齐", "align-bottom");
  make(NDistributeH, "NDistributeH", "水平等距分布", "distribute-h");
  make(NDistributeV, "NDistributeV", "垂直等距分布", "distribute-v");
  make(NBringForward, "NBringForward", "上移一层", "forward", QKeySequence(Qt::CTRL | Qt::Key_BracketRight));
  make(NSendBackward, "NSendBackward", "下移一层", "backward", QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
  make(NBringToFront, "NBringToFront", "置于顶层", "front", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketRight));
  make(NSendToBack, "NSendToBack", "置于底层", "back", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketLeft));
  make(NPageSetup, "NPageSetup", "页面设置(&G)…", "page");
  make(NCheck, "NCheck", "检查模板(&K)", "check", QKeySequence(Qt::Key_F7));
  make(NZoomIn, "NZoomIn", "放大", nullptr, QKeySequence::ZoomIn);
  make(NZoomOut, "NZoomOut", "缩小", nullptr, QKeySequence::ZoomOut);
  make(NZoomFit, "NZoomFit", "适合窗口", nullptr, QKeySequence(Qt::CTRL | Qt::Key_0));
  NAddText->setToolTip(U("添加文本"));
  NAddBarcode->setToolTip(U("添加条码"));
  NAddLine->setToolTip(U("添加线条"));
  NAddRect->setToolTip(U("添加矩形"));
  NAddPicture->setToolTip(U("添加图片"));

  QMenuBar* bar = menuBar();
  bar->setObjectName("mnuMain");
  auto menu = [&](const char* name, const char* title, std::initializer_list<QAction*> actions) {
    QMenu* m = bar->addMenu(U(title));
    m->setObjectName(name);
    for (QAction* a : actions) {
      if (a) m->addAction(a);
      else m->addSeparator();
    }
  };
  menu("NFile", "文件(&F)", {NNew, NOpenFile, NOpenDb, nullptr, NSave, NSaveFile, NSaveDb, nullptr, NExit});
  menu("NEdit", "编辑(&E)", {NUndo, NRedo, nullptr, NCut, NCopy, NPaste, NDelete, nullptr, NSelectAll});
  menu("NInsert", "插入(&I)", {NAddText, NAddBarcode, NAddLine, NAddRect, NAddPicture});
  menu("NArrange", "排列(&A)",
       {NAlignLeft, NAlignHCenter, NAlignRight, NAlignTop, NAlignVCenter, NAlignBottom, nullptr, NDistributeH,
        NDistributeV, nullptr, NBringForward, NSendBackward, NBringToFront, NSendToBack});
  menu("NView", "视图(&V)", {NZoomIn, NZoomOut, NZoomFit});
  menu("NTemplate", "模板(&T)", {NPageSetup, NCheck});
}

void TFrmBqsj::BuildToolBars() {
  // One row for each button: its action, its name, and whether its caption shows beside the
  // icon; a null action is a separator.
  struct Tool { QAction* action; const char* name; bool caption; };
  auto bar = [this](const char* name, const char* title, std::initializer_list<Tool> tools) {
    QToolBar* b = addToolBar(U(title));
    b->setObjectName(name);
    b->setIconSize(QSize(20, 20));
    for (const Tool& t : tools) {
      if (!t.action) {
        b->addSeparator();
        continue;
      }
      auto* button = new QToolButton(b);
      button->setObjectName(t.name);
      button->setDefaultAction(t.action);
      button->setAutoRaise(true);
      button->setToolButtonStyle(t.caption ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
      b->addWidget(button);
    }
    return b;
  };
  bar("panFileBar", "文件",
      {{NNew, "btnNew", false}, {NOpenFile, "btnOpenFile", false}, {NOpenDb, "btnOpenDb", false},
       {NSave, "btnSave", false}, {NSaveDb, "btnSaveDb", false}, {nullptr, nullptr, false},
       {NUndo, "btnUndo", false}, {NRedo, "btnRedo", false}, {NDelete, "btnDelete", false}});
  bar("panInsertBar", "插入",
      {{NAddText, "btnAddText", true}, {NAddBarcode, "btnAddBarcode", true}, {NAddLine, "btnAddLine", true},
       {NAddRect, "btnAddRect", true}, {NAddPicture, "btnAddPicture", true}});
  addToolBarBreak();
  bar("panArrangeBar", "排列",
      {{NAlignLeft, "btnAlignLeft", false}, {NAlignHCenter, "btnAlignHCenter", false},
       {NAlignRight, "btnAlignRight", false}, {NAlignTop, "btnAlignTop", false},
       {NAlignVCenter, "btnAlignVCenter", false}, {NAlignBottom, "btnAlignBottom", false},
       {NDistributeH, "btnDistributeH", false}, {NDistributeV, "btnDistributeV", false}, {nullptr, nullptr, false},
       {NBringToFront, "btnBringToFront", false}, {NSendToBack, "btnSendToBack", false}});
  QToolBar* view = bar("panViewBar", "视图",
                       {{NPageSetup, "btnPageSetup", true}, {NCheck, "btnCheckTemplate", true}, {nullptr, nullptr, false}});
  cboZoom = new QComboBox(view);
  cboZoom->setObjectName("cboZoom");
  for (int z : {50, 100, 150, 200, 300, 400, 600, 800}) cboZoom->addItem(QString("%1%").arg(z), z);
  cboZoom->addItem(U("适合窗口"), 0);
  cboZoom->setCurrentIndex(cboZoom->findData(300));
  view->addWidget(cboZoom);
  chkGrid = new QCheckBox(U("网格"), view);
  chkGrid->setObjectName("chkGrid");
  chkGrid->setChecked(true);
  view->addWidget(chkGrid);
  chkSnap = new QCheckBox(U("吸附"), view);
  chkSnap->setObjectName("chkSnap");
  chkSnap->setChecked(true);
  chkSnap->setToolTip(U("移动和改变大小时对齐网格（按住 Alt 暂不吸附）"));
  view->addWidget(chkSnap);
  spnGrid = new QDoubleSpinBox(view);
  spnGrid->setObjectName("spnGrid");
  spnGrid->setRange(0.1, 20);
  spnGrid->setDecimals(1);
  spnGrid->setSingleStep(0.5);
  spnGrid->setValue(1.0);
  spnGrid->setSuffix(" mm");
  spnGrid->setToolTip(U("网格间距"));
  view->addWidget(spnGrid);
}

void TFrmBqsj::BuildDocks() {
  auto dock = [this](const char* name, const char* title, QWidget* content, Qt::DockWidgetArea area) {
    auto* d = new QDockWidget(U(title), this);
    d->setObjectName(name);
    d->setWidget(content);
    d->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    addDockWidget(area, d);
    return d;
  };
  tvFields = new FieldTree(this);
  QDockWidget* fieldDock = dock("panFieldDock", "字段", tvFields, Qt::LeftDockWidgetArea);

  panProperties = new PropertyPanel(editor_, this);
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName("panPropertyScroll");
  scroll->setWidget(panProperties);
  scroll->setWidgetResizable(true);
  scroll->setMinimumWidth(300);
  QDockWidget* propertyDock = dock("panPropertyDock", "属性", scroll, Qt::RightDockWidgetArea);

  auto* preview = new QWidget(this);
  preview->setObjectName("panPreview");
  edtCodes = new QLineEdit(preview);
  edtCodes->setObjectName("edtCodes");
  edtCodes->setPlaceholderText(U("商品编码或条码，空格或逗号分隔"));
  btnLoadCodes = new QPushButton(U("取数"), preview);
  btnLoadCodes->setObjectName("btnLoadCodes");
  btnFirstRows = new QPushButton(U("前 %1 个商品").arg(kFirstProducts), preview);
  btnFirstRows->setObjectName("btnFirstRows");
  lblPreviewInfo = new QLabel(preview);
  lblPreviewInfo->setObjectName("lblPreviewInfo");
  lblPreviewInfo->setWordWrap(true);
  pageView = new report::ReportPageView(preview);
  pageView->setObjectName("pageView");
  auto* codes = new QHBoxLayout;
  codes->addWidget(edtCodes, 1);
  codes->addWidget(btnLoadCodes);
  codes->addWidget(btnFirstRows);
  auto* previewLayout = new QVBoxLayout(preview);
  previewLayout->setContentsMargins(4, 4, 4, 4);
  previewLayout->addLayout(codes);
  previewLayout->addWidget(lblPreviewInfo);
  previewLayout->addWidget(pageView, 1);
  panPreviewDock = dock("panPreviewDock", "预览（真实商品）", preview, Qt::RightDockWidgetArea);

  auto* checks = new QWidget(this);
  checks->setObjectName("panChecks");
  lvProblems = new QTreeWidget(checks);
  lvProblems->setObjectName("lvProblems");
  lvProblems->setHeaderLabels({U("对象"), U("问题")});
  lvProblems->setRootIsDecorated(false);
  lvProblems->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  btnCheck = new QPushButton(U("重新检查"), checks);
  btnCheck->setObjectName("btnCheck");
  // The button beside the list, so the list keeps the dock's whole height.
  auto* checkLayout = new QHBoxLayout(checks);
  checkLayout->setContentsMargins(4, 4, 4, 4);
  checkLayout->addWidget(lvProblems, 1);
  checkLayout->addWidget(btnCheck, 0, Qt::AlignTop);
  panCheckDock = dock("panCheckDock", "检查", checks, Qt::BottomDockWidgetArea);
  resizeDocks({panCheckDock}, {120}, Qt::Vertical);
  resizeDocks({propertyDock, panPreviewDock}, {520, 380}, Qt::Vertical);
  resizeDocks({fieldDock}, {250}, Qt::Horizontal);
}

void TFrmBqsj::Wire() {
  auto on = [this](QAction* a, auto fn) { connect(a, &QAction::triggered, this, Guarded(this, fn)); };
  on(NNew, [this] { NewLabel(); });
  on(NOpenFile, [this] { OpenFileClicked(); });
  on(NOpenDb, [this] { OpenDbClicked(); });
  on(NSave, [this] { Save(); });
  on(NSaveFile, [this] { SaveFileClicked(); });
  on(NSaveDb, [this] { SaveDbClicked(); });
  on(NExit, [this] { close(); });
  on(NUndo, [this] { Run([this] { editor_.Undo(); }); });
  on(NRedo, [this] { Run([this] { editor_.Redo(); }); });
  on(NCut, [this] {
    CopySelection();
    Run([this] { editor_.DeleteSelection(); });
  });
  on(NCopy, [this] { CopySelection(); });
  on(NPaste, [this] { Paste(); });
  on(NDelete, [this] { Run([this] { editor_.DeleteSelection(); }); });
  on(NSelectAll, [this] {
    editor_.SelectAll();
    SelectionChanged();
  });
  on(NAddText, [this] { AddObject(ObjectKind::Text); });
  on(NAddBarcode, [this] { AddObject(ObjectKind::Barcode); });
  on(NAddLine, [this] { AddObject(ObjectKind::Line); });
  on(NAddRect, [this] { AddObject(ObjectKind::Rectangle); });
  on(NAddPicture, [this] { AddObject(ObjectKind::Picture); });
  on(NAlignLeft, [this] { Run([this] { editor_.AlignSelection(Align::Left); }); });
  on(NAlignHCenter, [this] { Run([this] { editor_.AlignSelection(Align::HCenter); }); });
  on(NAlignRight, [this] { Run([this] { editor_.AlignSelection(Align::Right); }); });
  on(NAlignTop, [this] { Run([this] { editor_.AlignSelection(Align::Top); }); });
  on(NAlignVCenter, [this] { Run([this] { editor_.AlignSelection(Align::VCenter); }); });
  on(NAlignBottom, [this] { Run([this] { editor_.AlignSelection(Align::Bottom); }); });
  on(NDistributeH, [this] { Run([this] { editor_.DistributeSelection(true); }); });
  on(NDistributeV, [this] { Run([this] { editor_.DistributeSelection(false); }); });
  on(NBringForward, [this] { Run([this] { editor_.BringForward(); }); });
  on(NSendBackward, [this] { Run([this] { editor_.SendBackward(); }); });
  on(NBringToFront, [this] { Run([this] { editor_.BringToFront(); }); });
  on(NSendToBack, [this] { Run([this] { editor_.SendToBack(); }); });
  on(NPageSetup, [this] { PageSetup(); });
  on(NCheck, [this] {
    UpdatePreview();
    panCheckDock->raise();
    ShowStatus(problems_.empty() ? U("模板检查完毕：没有发现问题") : U("模板有 %1 个问题").arg(problems_.size()),
               !problems_.empty());
  });
  on(NZoomIn, [this] { panCanvas->SetZoom(panCanvas->Zoom() * 1.25); });
  on(NZoomOut, [this] { panCanvas->SetZoom(panCanvas->Zoom() / 1.25); });
  on(NZoomFit, [this] { panCanvas->SetZoom(panCanvas->FitZoom()); });

  connect(cboZoom, &QComboBox::activated, this, Guarded(this, [this] { ZoomChosen(); }));
  connect(chkGrid, &QCheckBox::toggled, this, Guarded(this, [this](bool on) { panCanvas->SetGridShown(on); }));
  connect(chkSnap, &QCheckBox::toggled, this, Guarded(this, [this](bool on) { panCanvas->SetSnap(on); }));
  connect(spnGrid, &QDoubleSpinBox::valueChanged, this, Guarded(this, [this](double v) { panCanvas->SetGrid(v); }));

  connect(panCanvas, &DesignCanvas::Edited, this, Guarded(this, [this] { Changed(); }));
  connect(panCanvas, &DesignCanvas::SelectionChanged, this, Guarded(this, [this] { SelectionChanged(); }));
  connect(panCanvas, &DesignCanvas::EditRefused, this, Guarded(this, [this](const QString& why) { ShowStatus(why, true); }));
  connect(panCanvas, &DesignCanvas::CursorMoved, this, Guarded(this, [this](const QString& at) { lblCursor->setText(at); }));
  connect(panCanvas, &DesignCanvas::TextEditRequested, this, Guarded(this, [this] { panProperties->FocusText(); }));
  connect(panProperties, &PropertyPanel::Edited, this, Guarded(this, [this] { Changed(); }));
  connect(panProperties, &PropertyPanel::EditRefused, this,
          Guarded(this, [this](const QString& why) { ShowStatus(why, true); }));
  connect(tvFields, &QTreeWidget::itemDoubleClicked, this, Guarded(this, [this](QTreeWidgetItem* item, int) {
            const QString name = item->data(0, Qt::UserRole).toString();
            if (!name.isEmpty()) AddEntry(S(name));
          }));
  connect(tmrPreview, &QTimer::timeout, this, Guarded(this, [this] { UpdatePreview(); }));
  connect(btnLoadCodes, &QPushButton::clicked, this, Guarded(this, [this] { LoadPreviewProducts(edtCodes->text()); }));
  connect(edtCodes, &QLineEdit::returnPressed, this, Guarded(this, [this] { LoadPreviewProducts(edtCodes->text()); }));
  connect(btnFirstRows, &QPushButton::clicked, this, Guarded(this, [this] {
            edtCodes->clear();
            LoadPreviewProducts({});
          }));
  connect(btnCheck, &QPushButton::clicked, this, Guarded(this, [this] { UpdatePreview(); }));
  connect(lvProblems, &QTreeWidget::itemClicked, this, Guarded(this, [this](QTreeWidgetItem* item, int) {
            const int band = item->data(0, Qt::UserRole).toInt();
            const int index = item->data(0, Qt::UserRole + 1).toInt();
            if (band >= 0) {
              editor_.Select({ObjectRef{band, index}});
              SelectionChanged();
            }
          }));
}

// ------------------------------------------------------------------------------ refreshing

void TFrmBqsj::Changed() {
  panCanvas->Refresh();
  panProperties->Refresh();
  UpdateActions();
  UpdateTitle();
  tmrPreview->start();
}

void TFrmBqsj::SelectionChanged() {
  panCanvas->Refresh();
  panProperties->Refresh();
  UpdateActions();
}

void TFrmBqsj::UpdateActions() {
  const size_t selected = editor_.Selection().size();
  NUndo->setEnabled(editor_.CanUndo());
  NUndo->setText(editor_.CanUndo() ? U("撤销 ") + U(editor_.UndoLabel()) : U("撤销(&U)"));
  NRedo->setEnabled(editor_.CanRedo());
  NRedo->setText(editor_.CanRedo() ? U("重做 ") + U(editor_.RedoLabel()) : U("重做(&R)"));
  for (QAction* a : {NCut, NCopy, NDelete, NAlignLeft, NAlignHCenter, NAlignRight, NAlignTop, NAlignVCenter,
                     NAlignBottom, NBringForward, NSendBackward, NBringToFront, NSendToBack})
    a->setEnabled(selected > 0);
  NDistributeH->setEnabled(selected >= 3);
  NDistributeV->setEnabled(selected >= 3);
  NOpenDb->setEnabled(db_ != nullptr);
  NSaveDb->setEnabled(db_ != nullptr);
}

void TFrmBqsj::UpdateTitle() {
  QString where;
  switch (target_) {
    case Target::Database: where = U("（数据库）"); break;
    case Target::File: where = U("（") + QFileInfo(filePath_).fileName() + U("）"); break;
    case Target::None: where = U("（未保存）"); break;
  }
  const QString name = editor_.Document().Name().empty() ? U("无名模板") : U(editor_.Document().Name());
  setWindowTitle(U("标价签设计 - ") + name + where + "[*]");
  setWindowModified(editor_.Modified());
}

void TFrmBqsj::ShowStatus(const QString& text, bool problem) {
  lblStatus->setStyleSheet(problem ? "color: #b00000;" : "");
  lblStatus->setText(text);
}

void TFrmBqsj::Run(const std::function<void()>& edit) {
  try {
    edit();
  } catch (const std::exception& e) {
    ShowStatus(QString::fromUtf8(e.what()), true);
  }
  Changed();
}

void TFrmBqsj::UpdatePreview() {
  tmrPreview->stop();
  const int scroll = pageView->verticalScrollBar()->value();
  QString info = previewNote_;
  try {
    report::ReportEngine engine;
    engine.SetTemplate(editor_.Document().Model());
    for (const auto& [name, value] : variables_.Items()) engine.SetVariable(name, value);
    report::MemTableSource source(cdsPrint, "cdsPrint");
    preview_ = report::PrepareReport(engine, source);
    if (!preview_.warnings.empty())
      info += U("；%1 个警告：").arg(preview_.warnings.size()) + U(preview_.warnings.front());
    lblPreviewInfo->setStyleSheet(preview_.warnings.empty() ? "" : "color: #b00000;");
  } catch (const std::exception& e) {
    preview_ = report::PreparedReport{};
    info = U("预览失败：") + QString::fromUtf8(e.what());
    lblPreviewInfo->setStyleSheet("color: #b00000;");
  }
  lblPreviewInfo->setText(info);
  pageView->SetReport(&preview_);
  pageView->SetZoom(std::min(pageView->FitWidthZoom(), 3.0));
  pageView->verticalScrollBar()->setValue(scroll);

  CheckContext context;
  report::MemTableSource samples(cdsPrint, "cdsPrint");
  if (db_) context.samples = &samples;
  context.variables = &variables_;
  context.fontDrawsText = FontDrawsText;
  try {
    problems_ = CheckTemplate(editor_.Document(), context);
  } catch (const std::exception& e) {
    problems_ = {Problem{{-1, -1}, {}, e.what()}};
  }
  ShowProblems();
}

void TFrmBqsj::ShowProblems() {
  lvProblems->clear();
  for (const Problem& p : problems_) {
    auto* item = new QTreeWidgetItem(lvProblems, {U(p.object), U(p.message)});
    item->setData(0, Qt::UserRole, p.ref.band);
    item->setData(0, Qt::UserRole + 1, p.ref.index);
    item->setToolTip(1, U(p.message));
  }
  panCheckDock->setWindowTitle(problems_.empty() ? U("检查：没有问题") : U("检查：%1 个问题").arg(problems_.size()));
}

void TFrmBqsj::LoadPreviewProducts(const QString& codes) {
  cdsPrint.Close();
  cdsPrint.ClearFields();
  printing::DefinePrintFields(cdsPrint);
  cdsPrint.CreateDataSet();
  if (!db_) {
    // Without products the preview still shows the label once, with its fixed parts.
    cdsPrint.Append();
    cdsPrint.Post();
    previewNote_ = U("没有数据库：预览只显示标签上的固定内容");
  } else {
    try {
      const std::vector<std::string> wanted = SplitCodes(S(codes));
      const std::vector<std::string> missing = LoadPreviewRecords(*db_, wanted, kFirstProducts, cdsPrint);
      std::vector<std::string> products;
      for (int r = 0; r < cdsPrint.RecordCount(); ++r) {
        const std::string code = cdsPrint.CellAt(r, cdsPrint.FieldIndex("f_Spbm")).ToText();
        if (std::find(products.begin(), products.end(), code) == products.end()) products.push_back(code);
      }
      // A product with several barcodes or package units prints one label for each.
      previewNote_ = (wanted.empty() ? U("前 %1 个商品") : U("%1 个商品")).arg(products.size()) +
                     U("，%1 张标签").arg(cdsPrint.RecordCount());
      if (!missing.empty()) {
        QStringList list;
        for (const std::string& m : missing) list << U(m);
        previewNote_ += U("；没有找到：") + list.join(U("、"));
      }
    } catch (const std::exception& e) {
      previewNote_ = U("商品查询失败：") + QString::fromUtf8(e.what());
    }
  }
  UpdatePreview();
}

// ------------------------------------------------------------------------------ editing

void TFrmBqsj::AddObject(ObjectKind kind) {
  const int band = editor_.Selection().empty() ? editor_.Document().MasterBand() : editor_.Selection().front().band;
  if (band < 0) return;
  Json object = NewObject(kind, 2, 2);
  if (kind == ObjectKind::Picture) {
    std::optional<std::string> png = AskPicture(this);
    if (!png) return;
    object["png"] = *png;
  }
  static const char* const kLabels[] = {"添加文本", "添加条码", "添加线条", "添加矩形", "添加图片"};
  Run([&] { editor_.AddObject(band, std::move(object), kLabels[static_cast<int>(kind)]); });
  panCanvas->setFocus();
}

void TFrmBqsj::AddEntry(const std::string& name) {
  const CatalogEntry* entry = FindField(name);
  if (!entry) entry = FindVariable(name);
  const int band = editor_.Document().MasterBand();
  if (!entry || band < 0) return;
  // Each added field a little lower than the last, so they do not land on one another.
  const double y = std::min(2.0 + 6.0 * editor_.Document().ObjectCount(band),
                            std::max(0.0, editor_.Document().BandArea(band).height - 6));
  Run([&] {
    editor_.AddObject(band, ObjectForEntry(*entry, report::SameName(entry->name, "f_Sptm"), 2, y),
                      "添加“" + entry->caption + "”");
  });
}

void TFrmBqsj::CopySelection() {
  const std::string text = editor_.CopySelection();
  if (text.empty()) return;
  auto* data = new QMimeData;
  data->setText(U(text));
  QGuiApplication::clipboard()->setMimeData(data);
  ShowStatus(U("已复制 %1 个对象").arg(editor_.Selection().size()));
}

void TFrmBqsj::Paste() {
  const QString text = QGuiApplication::clipboard()->text();
  bool pasted = false;
  Run([&] { pasted = editor_.Paste(S(text)); });
  if (!pasted) ShowStatus(U("剪贴板中没有标签对象"), true);
}

void TFrmBqsj::PageSetup() {
  const TemplateDocument& doc = editor_.Document();
  const int header = doc.FindBand(BandKind::PageHeader), footer = doc.FindBand(BandKind::PageFooter);
  TFrmYmsz dialog(doc.Page(), header >= 0 ? doc.BandArea(header).height : 0,
                  footer >= 0 ? doc.BandArea(footer).height : 0, this);
  if (ui::ExecModal(&dialog) != QDialog::Accepted) return;
  const designer::PageSetup chosen = dialog.Setup();
  Run([&] { editor_.SetPage(chosen); });
}

void TFrmBqsj::ZoomChosen() {
  const int percent = cboZoom->currentData().toInt();
  panCanvas->SetZoom(percent > 0 ? percent / 100.0 : panCanvas->FitZoom());
}

// ------------------------------------------------------------------------------ files and database

bool TFrmBqsj::MaybeSave() {
  if (!editor_.Modified()) return true;
  const int answer = ui::ShowMessage(this, U("模板“%1”已修改，是否保存？").arg(U(editor_.Document().Name())), U("提示信息"),
                                     ui::Icon::Question, ui::Buttons::YesNoCancel);
  if (answer == ui::kResultYes) return Save();
  return answer == ui::kResultNo;
}

bool TFrmBqsj::Save() {
  switch (target_) {
    case Target::Database: return SaveToDatabase(dbName_);
    case Target::File: return SaveToFile(filePath_);
    case Target::None: break;
  }
  if (db_) {
    SaveDbClicked();
    return !editor_.Modified();
  }
  SaveFileClicked();
  return !editor_.Modified();
}

bool TFrmBqsj::NewLabel() {
  if (!MaybeSave()) return false;
  editor_.Reset(TemplateDocument());
  target_ = Target::None;
  filePath_.clear();
  dbName_.clear();
  Changed();
  ShowStatus(U("新标签：60 × 40 毫米卷筒标签，可在“页面设置”中更改"));
  return true;
}

bool TFrmBqsj::ConfirmProblems() {
  UpdatePreview();
  if (problems_.empty()) return true;
  QString text = U("模板有 %1 个问题：\n").arg(problems_.size());
  const size_t shown = std::min<size_t>(problems_.size(), 8);
  for (size_t i = 0; i < shown; ++i)
    text += U("· ") + U(problems_[i].object.empty() ? problems_[i].message : problems_[i].object + "：" + problems_[i].message) + "\n";
  if (shown < problems_.size()) text += U("……\n");
  text += U("\n仍要保存吗？");
  if (ui::ShowMessage(this, text, U("提示信息"), ui::Icon::Question, ui::Buttons::YesNo) == ui::kResultYes) return true;
  panCheckDock->raise();
  ShowStatus(U("没有保存：请先看“检查”中的问题"), true);
  return false;
}

bool TFrmBqsj::OpenFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ui::ShowMessage(this, U("模板文件无法打开：") + path + "\n" + file.errorString(), U("错误"), ui::Icon::Error);
    return false;
  }
  const QByteArray bytes = file.readAll();
  try {
    TemplateDocument doc = TemplateDocument::Parse(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    editor_.Reset(std::move(doc));
  } catch (const std::exception& e) {
    ui::ShowMessage(this, U("模板文件“") + path + U("”无法读取：\n") + QString::fromUtf8(e.what()), U("错误"),
                    ui::Icon::Error);
    return false;
  }
  target_ = Target::File;
  filePath_ = path;
  dbName_.clear();
  Changed();
  panCanvas->SetZoom(panCanvas->FitZoom());
  ShowStatus(U("已打开 ") + path);
  return true;
}

bool TFrmBqsj::OpenFromDatabase(const QString& name) {
  if (!NeedDatabase()) return false;
  try {
    hostapp::TemplateStore store(*db_);
    const std::string stored = store.Find(S(name));
    const std::string bytes = store.Load(S(name));
    TemplateDocument doc;
    try {
      doc = TemplateDocument::Parse(bytes);
    } catch (const std::exception& e) {
      throw ModuleError("数据库中的模板“" + stored + "”无法读取：\n" + e.what());
    }
    editor_.Reset(std::move(doc));
    dbName_ = U(stored);
  } catch (const std::exception& e) {
    ui::ShowMessage(this, QString::fromUtf8(e.what()), U("错误"), ui::Icon::Error);
    return false;
  }
  target_ = Target::Database;
  filePath_.clear();
  Changed();
  panCanvas->SetZoom(panCanvas->FitZoom());
  ShowStatus(U("已从数据库打开“") + dbName_ + U("”"));
  return true;
}

bool TFrmBqsj::SaveToFile(const QString& path) {
  if (!ConfirmProblems()) return false;
  QSaveFile file(path);
  const std::string bytes = editor_.Document().Serialize();
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), static_cast<qint64>(bytes.size())) < 0 ||
      !file.commit()) {
    ui::ShowMessage(this, U("模板文件无法保存：") + path + "\n" + file.errorString(), U("错误"), ui::Icon::Error);
    return false;
  }
  editor_.MarkSaved();
  target_ = Target::File;
  filePath_ = path;
  dbName_.clear();
  Changed();
  ShowStatus(U("已保存到文件 ") + path);
  return true;
}

bool TFrmBqsj::SaveToDatabase(const QString& name) {
  if (!NeedDatabase()) return false;
  try {
    const std::string chosen = hostapp::CheckTemplateName(S(name));
    hostapp::TemplateStore store(*db_);
    const std::string existing = store.Find(chosen);
    // Saving back under the name it came from replaces without asking; any other row asks.
    if (!existing.empty() && existing != S(dbName_) &&
        QString::fromStdString(existing).compare(dbName_, Qt::CaseInsensitive) != 0 &&
        ui::ShowMessage(this, U("数据库中已有模板“%1”，是否替换？").arg(U(existing)), U("提示信息"), ui::Icon::Question,
                        ui::Buttons::YesNo) != ui::kResultYes)
      return false;
    if (!ConfirmProblems()) return false;
    if (editor_.Document().Name() != chosen) editor_.SetName(chosen);
    store.Save(chosen, editor_.Document().Serialize());
    dbName_ = U(chosen);
  } catch (const hostapp::SqlError& e) {
    ui::ShowMessage(this, U("模板没有保存：数据库出错\n") + QString::fromUtf8(e.dbMessage().c_str()), U("错误"),
                    ui::Icon::Error);
    return false;
  } catch (const std::exception& e) {
    ui::ShowMessage(this, U("模板没有保存：") + QString::fromUtf8(e.what()), U("错误"), ui::Icon::Error);
    return false;
  }
  editor_.MarkSaved();
  target_ = Target::Database;
  filePath_.clear();
  Changed();
  ShowStatus(U("已保存到数据库“") + dbName_ + U("”；主窗口下次打开时可选用"));
  return true;
}

bool TFrmBqsj::NeedDatabase() {
  if (db_) return true;
  ui::ShowMessage(this, U("没有打开数据库：模板只能存为文件"), U("提示"), ui::Icon::Information);
  return false;
}

void TFrmBqsj::OpenFileClicked() {
  if (!MaybeSave()) return;
  const QString path = ui::Handler().OpenFileName(this, U("打开标价签模板"), U(kFileFilter));
  if (!path.isEmpty()) OpenFile(path);
}

void TFrmBqsj::OpenDbClicked() {
  if (!NeedDatabase() || !MaybeSave()) return;
  std::vector<hostapp::TemplateRow> rows;
  try {
    rows = hostapp::TemplateStore(*db_).List();
  } catch (const std::exception& e) {
    ui::ShowMessage(this, QString::fromUtf8(e.what()), U("错误"), ui::Icon::Error);
    return;
  }
  TFrmMbxz dialog(TFrmMbxz::Mode::Open, rows, dbName_, this);
  if (ui::ExecModal(&dialog) == QDialog::Accepted) OpenFromDatabase(dialog.ChosenName());
}

void TFrmBqsj::SaveFileClicked() {
  QString name = filePath_;
  if (name.isEmpty()) name = U(editor_.Document().Name()) + ".json";
  const QString path = ui::Handler().SaveFileName(this, U("保存标价签模板"), name, U(kFileFilter));
  if (!path.isEmpty()) SaveToFile(path);
}

void TFrmBqsj::SaveDbClicked() {
  if (!NeedDatabase()) return;
  std::vector<hostapp::TemplateRow> rows;
  try {
    rows = hostapp::TemplateStore(*db_).List();
  } catch (const std::exception& e) {
    ui::ShowMessage(this, QString::fromUtf8(e.what()), U("错误"), ui::Icon::Error);
    return;
  }
  const QString name = dbName_.isEmpty() ? U(editor_.Document().Name()) : dbName_;
  TFrmMbxz dialog(TFrmMbxz::Mode::Save, rows, name, this);
  if (ui::ExecModal(&dialog) == QDialog::Accepted) SaveToDatabase(dialog.ChosenName());
}

void TFrmBqsj::closeEvent(QCloseEvent* event) {
  Guard(this, [&] {
    if (MaybeSave()) event->accept();
    else event->ignore();
  });
}

}  // namespace pt::designer
