#include "queue/Unitspbqdy.h"

#include <algorithm>

#include <QActionGroup>
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

#include "common/AdvDBEh.h"
#include "common/ErrorGuard.h"
#include "common/HostErrorBox.h"
#include "common/HostErrors.h"
#include "common/IniFile.h"
#include "common/TextFile.h"
#include "common/TextRoutines.h"
#include "common/UiSeam.h"
#include "common/UnitHint.h"
#include "controls/DBText.h"
#include "controls/ToolButtons.h"
#include "host/HostOperations.h"
#include "module/ModuleSession.h"
#include "printing/LabelPrintPass.h"
#include "printing/PrintLog.h"
#include "printing/PrintLogRecorder.h"
#include "printing/PrintRecord.h"
#include "printing/UnitDysz.h"
#include "queue/DeptChoice.h"
#include "queue/QueueFile.h"
#include "queue/QueueFill.h"
#include "queue/QueueRecord.h"

namespace pt {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

constexpr const char* kIni = "Tallmerpos.ini";
constexpr const char* kSection = "SpBjqDy";
constexpr const char* kCounter = "打印商品总计个数:";

HostService& Host() { return session::ActiveHostService(); }


QAction* MakeRadio(QMenu* menu, QActionGroup* group, const char* name, const char* caption, bool checked) {
  QAction* a = menu->addAction(QString::fromUtf8(caption));
  a->setObjectName(name);
  a->setCheckable(true);
  a->setChecked(checked);
  a->setActionGroup(group);
  return a;
}

QLabel* TitleLabel(const char* text, QWidget* parent) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->setAlignment(Qt::AlignCenter);
  l->setFrameShape(QFrame::StyledPanel);
  QFont f = l->font();
  f.setBold(true);
  l->setFont(f);
  return l;
}

// Caption and bound value side by side, as the detail panels show them.
void AddBoundLine(QGridLayout* grid, int row, int column, const char* caption, MemTable* table,
                  const std::string& field, const QString& namePrefix, QWidget* parent) {
  grid->addWidget(new QLabel(QString::fromUtf8(caption), parent), row, column * 2, Qt::AlignRight);
  auto* value = new TDBText(table, field, parent);
  if (!namePrefix.isEmpty()) value->setObjectName(namePrefix + Q(field));
  value->setMinimumWidth(70);
  grid->addWidget(value, row, column * 2 + 1);
}

// Hides the tag columns once the rows that carry a tag are replaced: every such row has its
// differences filled, so the first row tells.
class TagColumnsWatch : public MemTableListener {
 public:
  explicit TagColumnsWatch(TFrmspbqdy& window) : w_(window) {}
  void OnDataChanged(MemTable& queue) override {
    if (!w_.TagColumnsShown()) return;
    const int f = queue.FieldIndex(queue::kDiffersField);
    if (!queue.Active() || queue.IsEmpty() || f < 0 || queue.CellAt(0, f).IsNull()) w_.ShowTagColumns(false);
  }

 private:
  TFrmspbqdy& w_;
};

}  // namespace

// ============================================================== creation

TFrmspbqdy::TFrmspbqdy(QWidget* owner) : TFrmBase(owner) {
  setObjectName(QStringLiteral("TFrmspbqdy"));
  setWindowTitle(QString::fromUtf8("商品标价签打印"));
  queue::DefineQueueFields(cdsSpda);
  queue::DefineHistoryFields(cdsPTTJ);
  queue::DefineHistoryFields(cdsHYTJ);
  queue::DefineConditionFields(cdsSend);
  queue::DefineSearchFields(cdsSearch);
  printing::DefinePrintFields(cdsPrint);
  queue::DefineChoiceFields(cdsbm);
  cdsPTTJ.CreateDataSet();
  cdsHYTJ.CreateDataSet();
  cdsSearch.CreateDataSet();
  BuildToolBar();
  BuildPanels();
  cdsSpda.afterScroll = [this](MemTable&) { cdsSpdaAfterScroll(); };
  tagColumnsWatch_ = std::make_unique<TagColumnsWatch>(*this);
  cdsSpda.AddListener(tagColumnsWatch_.get());
  qApp->installEventFilter(this);
  keyFilterInstalled_ = true;
  FormCreate();
}

TFrmspbqdy::~TFrmspbqdy() {
  if (keyFilterInstalled_) qApp->removeEventFilter(this);
  cdsSpda.afterScroll = nullptr;
  cdsSpda.RemoveListener(tagColumnsWatch_.get());
}

void TFrmspbqdy::BuildToolBar() {
  ToolBar = new QToolBar(PanelMain);
  ToolBar->setObjectName("ToolBar");
  ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);

  chkDBzl = new QCheckBox(QString::fromUtf8("多包装率"), ToolBar);
  chkDBzl->setObjectName("chkDBzl");
  chkDtm = new QCheckBox(QString::fromUtf8("多条码"), ToolBar);
  chkDtm->setObjectName("chkDtm");
  chkYxsdj = new QCheckBox(QString::fromUtf8("原销售单价"), ToolBar);
  chkYxsdj->setObjectName("chkYxsdj");
  ToolBar->addWidget(chkDBzl);
  ToolBar->addWidget(chkDtm);
  ToolBar->addWidget(chkYxsdj);
  btnDept = MakeToolButton(ToolBar, "btnDept", "部  门");
  btnDeptAction = ToolBar->actions().back();
  ToolBar->addSeparator();
  TbnSearch = MakeToolButton(ToolBar, "TbnSearch", "查  询", "查询 Ctrl+Q");

  btnimport = MakeToolButton(ToolBar, "btnimport", "导\u3000入");
  PopupMenu1 = new QMenu(btnimport);
  PopupMenu1->setObjectName("PopupMenu1");
  auto* importGroup = new QActionGroup(PopupMenu1);
  N3 = MakeRadio(PopupMenu1, importGroup, "N3", "商品编码", false);
  N4 = MakeRadio(PopupMenu1, importGroup, "N4", "商品货号", true);
  N5 = MakeRadio(PopupMenu1, importGroup, "N5", "商品条码", false);
  Njekzsp = MakeRadio(PopupMenu1, importGroup, "Njekzsp", "金额控制商品", false);
  // A kept queue: after the import kinds, since opening one fills the queue as an import does.
  PopupMenu1->addSeparator();
  NDkdl = PopupMenu1->addAction(QString::fromUtf8("打开队列文件..."));
  NDkdl->setObjectName("NDkdl");
  NBcdl = PopupMenu1->addAction(QString::fromUtf8("保存队列文件..."));
  NBcdl->setObjectName("NBcdl");
  btnimport->setMenu(PopupMenu1);
  btnimport->setPopupMode(QToolButton::MenuButtonPopup);

  TbnFilter = MakeToolButton(ToolBar, "TbnFilter", "过  滤");
  tbDelete = MakeToolButton(ToolBar, "tbDelete", "删  除");
  pmDelete = new QMenu(tbDelete);
  pmDelete->setObjectName("pmDelete");
  N1 = pmDelete->addAction(QString::fromUtf8("删除当前商品"));
  N1->setObjectName("N1");
  N2 = pmDelete->addAction(QString::fromUtf8("删除全部商品"));
  N2->setObjectName("N2");
  tbDelete->setMenu(pmDelete);
  tbDelete->setPopupMode(QToolButton::MenuButtonPopup);
  ToolBar->addSeparator();

  TbnModify = MakeToolButton(ToolBar, "TbnModify", "设  置");
  auto* templateCaption = new QLabel(QString::fromUtf8("选择打印模板"), ToolBar);
  templateCaption->setObjectName("lblTemplate");
  ToolBar->addWidget(templateCaption);
  cboTemplate = new QComboBox(ToolBar);
  cboTemplate->setObjectName("cboTemplate");
  cboTemplate->setEditable(false);
  cboTemplate->setMinimumWidth(140);
  ToolBar->addWidget(cboTemplate);
  tbnPreview = MakeToolButton(ToolBar, "tbnPreview", "预  览");
  tbnPrint = MakeToolButton(ToolBar, "tbnPrint", "打  印");

  btngetsp = MakeToolButton(ToolBar, "btngetsp", "调商品");
  pmjgxx = new QMenu(btngetsp);
  pmjgxx->setObjectName("pmjgxx");
  auto* sourceGroup = new QActionGroup(pmjgxx);
  Njg = MakeRadio(pmjgxx, sourceGroup, "Njg", "价格信息", true);
  Nxp = MakeRadio(pmjgxx, sourceGroup, "Nxp", "新    品", false);
  Ntj = MakeRadio(pmjgxx, sourceGroup, "Ntj", "调价商品", false);
  Nxs = MakeRadio(pmjgxx, sourceGroup, "Nxs", "限时限量", false);
  Npl = MakeRadio(pmjgxx, sourceGroup, "Npl", "批量作价", false);
  NRF = MakeRadio(pmjgxx, sourceGroup, "NRF", "调 RF", false);
  Nyd = MakeRadio(pmjgxx, sourceGroup, "Nyd", "调异动商品", false);
  ndj = MakeRadio(pmjgxx, sourceGroup, "ndj", "调定价单", false);
  // The log of printed tags: after the system's own sources.
  pmjgxx->addSeparator();
  Njqbf = MakeRadio(pmjgxx, sourceGroup, "Njqbf", queue::kMismatchCaption, false);
  Ntjdq = MakeRadio(pmjgxx, sourceGroup, "Ntjdq", queue::kExpiredCaption, false);
  btngetsp->setMenu(pmjgxx);
  btngetsp->setPopupMode(QToolButton::MenuButtonPopup);
  ToolBar->addSeparator();
  btnyjg = MakeToolButton(ToolBar, "btnyjg", "原  价");
  ToolBar->addSeparator();
  tbnAssistant = MakeToolButton(ToolBar, "tbnAssistant", "助  手", "按编号刷新 Ctrl+R");
  TbnExit = MakeToolButton(ToolBar, "TbnExit", "退  出", "退出 Esc");

  connect(btnDept, &QToolButton::clicked, this, Guarded(this, [this] { btnDeptClick(); }));
  connect(TbnSearch, &QToolButton::clicked, this, Guarded(this, [this] { TbnSearchClick(); }));
  connect(btnimport, &QToolButton::clicked, this, Guarded(this, [this] { btnimportClick(); }));
  for (QAction* a : {N3, N4, N5, Njekzsp})
    connect(a, &QAction::triggered, this, Guarded(this, [this, a] { N3Click(a); }));
  connect(NDkdl, &QAction::triggered, this, Guarded(this, [this] { NDkdlClick(); }));
  connect(NBcdl, &QAction::triggered, this, Guarded(this, [this] { NBcdlClick(); }));
  connect(TbnFilter, &QToolButton::clicked, this, Guarded(this, [this] { TbnFilterClick(); }));
  connect(tbDelete, &QToolButton::clicked, this, Guarded(this, [this] { tbDeleteClick(); }));
  connect(N1, &QAction::triggered, this, Guarded(this, [this] { tbDeleteClick(); }));
  connect(N2, &QAction::triggered, this, Guarded(this, [this] { N2Click(); }));
  connect(TbnModify, &QToolButton::clicked, this, Guarded(this, [this] { TbnModifyClick(); }));
  connect(tbnPreview, &QToolButton::clicked, this, Guarded(this, [this] { tbnPreviewClick(); }));
  connect(tbnPrint, &QToolButton::clicked, this, Guarded(this, [this] { tbnPrintClick(); }));
  connect(btngetsp, &QToolButton::clicked, this, Guarded(this, [this] { btngetspClick(); }));
  for (QAction* a : {Njg, Nxp, Ntj, Nxs, Npl, NRF, Nyd, ndj, Njqbf, Ntjdq})
    connect(a, &QAction::triggered, this, Guarded(this, [this, a] { NjgClick(a); }));
  connect(btnyjg, &QToolButton::clicked, this, Guarded(this, [this] { btnyjgClick(); }));
  connect(tbnAssistant, &QToolButton::clicked, this, Guarded(this, [this] { tbnAssistantClick(); }));
  connect(TbnExit, &QToolButton::clicked, this, Guarded(this, [this] { TbnExitClick(); }));
}

void TFrmspbqdy::BuildPanels() {
  auto* root = new QVBoxLayout(PanelMain);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(2);
  root->addWidget(ToolBar);

  panTop = new QWidget(PanelMain);
  panTop->setObjectName("panTop");
  auto* top = new QHBoxLayout(panTop);
  top->setContentsMargins(6, 2, 6, 2);
  lblSpSum = new QLabel(QString::fromUtf8("打印商品总计个数："), panTop);
  lblSpSum->setObjectName("lblSpSum");
  lblSpSum->setMinimumWidth(180);
  edtName = new QLineEdit(panTop);
  edtName->setObjectName("edtName");
  auto* lbCaption = new QLabel(QString::fromUtf8("类 别:"), panTop);
  cboLb = new QComboBox(panTop);
  cboLb->setObjectName("cboLb");
  cboLb->addItems({QString::fromUtf8("商品编码"), QString::fromUtf8("商品货号"), QString::fromUtf8("商品条码")});
  cboLb->setCurrentIndex(0);
  top->addWidget(lblSpSum);
  top->addWidget(edtName, 1);
  top->addWidget(lbCaption);
  top->addWidget(cboLb);
  root->addWidget(panTop);

  auto* body = new QHBoxLayout;
  body->setSpacing(2);
  root->addLayout(body, 1);

  panLeft = new QWidget(PanelMain);
  panLeft->setObjectName("panLeft");
  panLeft->setFixedWidth(300);
  auto* left = new QVBoxLayout(panLeft);
  left->setContentsMargins(0, 0, 0, 0);
  left->addWidget(TitleLabel("商品标价签打印队列", panLeft));
  dgdview = new TAdvDBGridEh(panLeft);
  dgdview->setObjectName("dgdview");
  dgdview->SetDataSet(&cdsSpda);
  dgdview->AddColumn("f_bmbm")->SetFooterStaticText("合计:0条");
  dgdview->AddColumn("f_bmmc");
  dgdview->AddColumn("f_Spbm");
  dgdview->AddColumn("f_Spmc");
  // The copies are the one value the clerk types into the queue: a number key on the column
  // starts it (a double-click stays the product info edit).
  dgdview->AddColumn(queue::kCopiesField, {}, 60);
  // A row's tag beside the product now, for the sources of the log of printed tags.
  struct TagColumn {
    const char* field;
    const char* caption;  // the field's own when null
    int width;
  };
  // A promotion ("9.90 20241201-20241215") is shown whole.
  const int promotion = dgdview->fontMetrics().horizontalAdvance(QStringLiteral("9999.99 20241231-20241231")) + 16;
  const TagColumn tagColumns[] = {
      {queue::kDiffersField, nullptr, 100},                 {queue::kTagPriceField, nullptr, 70},
      {"f_Xsdj", "现售价", 70},                             {queue::kTagMemberPriceField, nullptr, 80},
      {"f_hyj", "现会员价", 70},                            {queue::kTagPromotionField, nullptr, promotion},
      {queue::kNowPromotionField, nullptr, promotion},      {queue::kTagMemberPromotionField, nullptr, promotion},
      {queue::kNowMemberPromotionField, nullptr, promotion}, {queue::kTagPrintedField, nullptr, 120}};
  for (const TagColumn& c : tagColumns) {
    tagColumns_.push_back(dgdview->ColumnCount());
    dgdview->AddColumn(c.field, c.caption ? c.caption : std::string(), c.width)->SetVisible(false);
  }
  dgdview->SetReadOnly(false);
  for (int c = 0; c < dgdview->ColumnCount(); ++c)
    dgdview->Column(c)->SetReadOnly(dgdview->Column(c)->FieldName() != queue::kCopiesField);
  dgdview->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  dgdview->SetRowSelect(true);
  dgdview->SetSortMarking(true);
  dgdview->SetAutoSorted(true);
  dgdview->SetShowSumCount(true);
  connect(dgdview, &QTableView::doubleClicked, this, Guarded(this, [this] { dgdviewDblClick(); }));
  left->addWidget(dgdview, 1);
  body->addWidget(panLeft);

  PanRight = new QWidget(PanelMain);
  PanRight->setObjectName("PanRight");
  auto* right = new QVBoxLayout(PanRight);
  right->setContentsMargins(0, 0, 0, 0);
  auto* splitter = new QSplitter(Qt::Vertical, PanRight);
  splitter->setObjectName("Splitter1");
  PanRTop = new QWidget(splitter);
  PanRTop->setObjectName("PanRTop");
  BuildDetailPanel(PanRTop);
  PagTjxx = new QTabWidget(splitter);
  PagTjxx->setObjectName("PagTjxx");
  PagTjxx->addTab(BuildPromotionTab(false), QString::fromUtf8("普通特价"));
  PagTjxx->addTab(BuildPromotionTab(true), QString::fromUtf8("会员特价"));
  splitter->addWidget(PanRTop);
  splitter->addWidget(PagTjxx);
  right->addWidget(splitter);
  body->addWidget(PanRight, 1);

  // The field source of the query dialog only; never shown.
  dgdSearch = new TAdvDBGridEh(PanelMain);
  dgdSearch->setObjectName("dgdSearch");
  dgdSearch->SetDataSet(&cdsSearch);
  dgdSearch->hide();
}

void TFrmspbqdy::BuildDetailPanel(QWidget* host) {
  auto* box = new QVBoxLayout(host);
  box->setContentsMargins(0, 0, 0, 0);
  box->addWidget(TitleLabel("商  品   基   本   信   息", host));
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(2);
  struct Line { const char* caption; const char* field; };
  const Line first[] = {{"商品货号：", "f_Sphh"}, {"商品条码：", "f_Sptm"}, {"商品产地：", "f_Spcd"},
                        {"规格型号：", "f_Ggxh"}, {"商品品牌：", "f_sppp"}, {"计量单位：", "f_Jldw"},
                        {"单位比率：", "f_dwbl"}, {"中包装率：", "f_zDwbl"}, {"整件包装：", "f_zjbz"},
                        {"保 质 期：", "f_bzq"},   {"建档日期：", "f_jdrq"}, {"商品备注：", "f_spbz"},
                        {"订货方式：", "f_dhfs"}};
  const Line second[] = {{"库    存：", "f_Kc"},         {"销售单价：", "f_Xsdj"},      {"原销售单价：", "f_Yxsdj"},
                         {"会 员 价：", "f_hyj"},        {"批量价格：", "f_Pljg"},      {"整批量：", "f_zpl"},
                         {"批量数量：", "f_Plsl"},        {"批量方式：", "f_Plfs"},      {"批量起始日期：", "f_Plqsrq"},
                         {"批量结束日期：", "f_Pljsrq"}, {"限时类型编码：", "xsxl.f_lxbm"}, {"限时档期：", "xsxl.f_dqbm"}};
  const Line third[] = {{"限时价格方式：", "xsxl.f_jgfs"}, {"限时起始日期：", "xsxl.f_qsrq"},
                        {"限时结束日期：", "xsxl.f_jsrq"}, {"限时起始时间：", "xsxl.f_qssj"},
                        {"限时结束时间：", "xsxl.f_jssj"}, {"限时限量数量：", "xsxl.f_xlsl"},
                        {"限时每单数量：", "xsxl.f_xdsl"}, {"限时销售单价：", "xsxl.f_xsdj"},
                        {"限购天数    ：", "xsxl.f_xc"},   {"限时类型名称：", "xsxl.f_lxmc"},
                        {"限时时段限量：", "xsxl.f_sdxl"}, {"限时开始日期前七天最低价  ：", "xsxl.f_q7yxsdj"}};
  int r = 0;
  for (const Line& l : first) AddBoundLine(grid, r++, 0, l.caption, &cdsSpda, l.field, {}, host);
  r = 0;
  for (const Line& l : second) AddBoundLine(grid, r++, 1, l.caption, &cdsSpda, l.field, {}, host);
  r = 0;
  for (const Line& l : third) AddBoundLine(grid, r++, 2, l.caption, &cdsSpda, l.field, {}, host);
  box->addLayout(grid);
  lblDyjl = new QLabel(host);
  lblDyjl->setObjectName("lblDyjl");
  lblDyjl->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // A long line is cut at the panel's edge (its tooltip holds it whole), never widens the panel.
  lblDyjl->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  lblDyjl->setContentsMargins(6, 2, 6, 2);
  box->addWidget(lblDyjl);
  box->addStretch();
}

QWidget* TFrmspbqdy::BuildPromotionTab(bool member) {
  auto* page = new QWidget;
  page->setObjectName(member ? "TabHytj" : "TabPttj");
  auto* box = new QVBoxLayout(page);
  box->setContentsMargins(2, 2, 2, 2);
  auto* panel = new QWidget(page);
  panel->setObjectName(member ? "PanHyyxtj" : "PanPtyxtj");
  auto* pbox = new QVBoxLayout(panel);
  pbox->setContentsMargins(0, 0, 0, 0);
  pbox->addWidget(TitleLabel("商   品   有   效   特   价", panel));
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QString::fromUtf8("本 期 特 价"), panel), 0, 0, 1, 2, Qt::AlignCenter);
  grid->addWidget(new QLabel(QString::fromUtf8("下 期 特 价"), panel), 0, 2, 1, 2, Qt::AlignCenter);
  const char* captions[] = {"起始日期：", "结束日期：", "特价价格：", "档期编码：", "特价类型编码：", "特价类型名称：",
                            "特价开始日期前七天最低价："};
  const char* current[] = {member ? "f_BqHyQsrq" : "f_BqPtQsrq", member ? "f_BqHyJsrq" : "f_BqPtJsrq",
                           member ? "f_BqHyXsdj" : "f_BqPtXsdj", "bqpttj.f_dqbm", "bqpttj.f_lxbm",
                           "bqpttj.f_lxmc", "f_Bqq7yxsdj"};
  const char* next[] = {member ? "f_XqHyQsrq" : "f_XqPtQsrq", member ? "f_XqHyJsrq" : "f_XqPtJsrq",
                        member ? "f_XqHyXsdj" : "f_XqPtXsdj", "xqpttj.f_dqbm", "xqpttj.f_lxbm",
                        "xqpttj.f_lxmc", "f_Xqq7yxsdj"};
  const QString prefix = member ? "HY_" : "PT_";
  for (int i = 0; i < 7; ++i) {
    AddBoundLine(grid, i + 1, 0, captions[i], &cdsSpda, current[i], prefix, panel);
    AddBoundLine(grid, i + 1, 1, captions[i], &cdsSpda, next[i], prefix, panel);
  }
  pbox->addLayout(grid);
  box->addWidget(panel);

  auto* history = new QWidget(page);
  history->setObjectName(member ? "PanHytjls" : "PanPttjls");
  auto* hbox = new QVBoxLayout(history);
  hbox->setContentsMargins(0, 0, 0, 0);
  hbox->addWidget(TitleLabel("商  品   特  价   历   史", history));
  auto* grid2 = new TAdvDBGridEh(history);
  grid2->setObjectName(member ? "dgdHYTJ" : "dgdPTTJ");
  grid2->SetDataSet(member ? &cdsHYTJ : &cdsPTTJ);
  grid2->AddColumn("f_Qsrq", "起始日期", 80);
  grid2->AddColumn("f_jsrq", "结束日期", 80);
  grid2->AddColumn("f_Xsdj", member ? "会员特价价格" : "普通特价价格", 100);
  grid2->AddColumn("f_q7yxsdj", {}, 180);
  grid2->SetReadOnly(true);
  grid2->SetRowSelect(true);
  hbox->addWidget(grid2, 1);
  box->addWidget(history, 1);
  (member ? dgdHYTJ : dgdPTTJ) = grid2;
  return page;
}

// The window's start-up, in order. A failed step is reported and the window closes itself the
// moment it is shown.
void TFrmspbqdy::FormCreate() {
  session::CloseOnShow = false;
  try {
    // System parameters and server clock.
    dreamClass_ = std::make_unique<TDreamClass>(Host(), 0, [this](const std::string& text, const std::string& caption) {
      ui::ShowMessage(this, Q(text), Q(caption), ui::Icon::Warning);
    });
    SystemParams.PreparerCode = session::OperatorCode;
    std::string message;
    if (!dreamClass_->ReadSystemParams(SystemParams, SystemParamItems{0, 1, 3, 4, 5, 12, 13, 90, 113}, message)) {
      ui::ShowMessage(this, Q(message), "错误", ui::Icon::Error);
      session::CloseOnShow = true;
      return;
    }
    session::UnitType = SystemParams.dwlx;
    session::YearMonth = SystemParams.CurrentYearMonth;
    // A headquarters host running in job mode is served as a shop.
    if (session::UnitType == "00" && SystemParams.dchy && session::HostModeTag == "job") {
      session::UnitType = "01";
      SystemParams.dwlx = "01";
    }
    if (session::UnitType == "00") {
      ChosenDeptNodes.clear();
      LoadDeptTree();
      cdsbm.CreateDataSet();
    } else {
      btnDeptAction->setVisible(false);
      dgdview->Column(0)->SetVisible(false);
      dgdview->Column(1)->SetVisible(false);
      panLeft->setFixedWidth(150);
    }
    if (!FillTemplateList()) return;
    if (!CdsTemplate.IsEmpty()) {
      int64_t position = 0;
      if (TextToInt(ReadIniValue(kIni, kSection, "Mbwz", "0", ""), position))
        cboTemplate->setCurrentIndex(position >= 0 && position < cboTemplate->count() ? static_cast<int>(position) : -1);
    }
    cdsPrint.CreateDataSet();
    cdsSpda.CreateDataSet();
    cdsSend.CreateDataSet();
    const std::string yxsdj = ReadIniValue(kIni, kSection, "Yxsdj", "1", "");
    chkYxsdj->setChecked(yxsdj == "1");
    cdsSend.EmptyDataSet();
    cdsSend.Append();
    cdsSend.Set("f_Tj", "");
    cdsSend.Set("f_Yxsdj", yxsdj == "1" ? "1" : "0");
    cdsSend.Set("f_DeptSql", DeptRestriction);
    cdsSend.Post();
    settingsRead_ = true;
    DetailRefresh = true;
    PagTjxx->setCurrentIndex(0);
    StoreSettings({{"Dytj", "0"}});
    CreatePromotionDetailWindow();
  } catch (const std::exception& e) {
    ui::ShowMessage(this, Q(e.what()), "错误", ui::Icon::Error);
    session::CloseOnShow = true;
  }
}

bool TFrmspbqdy::FillTemplateList() {
  Variant ref;
  if (!host::GetReportTemplates(Host(), "标价签", ref)) {
    ShowHostErrors(this, ref, "");
    session::CloseOnShow = true;
    return false;
  }
  if (!ref.IsPacket()) throw ModuleError("主机没有返回模板数据包");
  printing::LoadTemplateList(CdsTemplate, ref.AsPacket());
  cboTemplate->clear();
  const int nameField = CdsTemplate.FieldIndexOrThrow("f_reportname");
  for (int i = 0; i < CdsTemplate.RecordCount(); ++i) cboTemplate->addItem(Q(CdsTemplate.CellAt(i, nameField).ToText()));
  cboTemplate->setCurrentIndex(-1);
  return true;
}

void TFrmspbqdy::showEvent(QShowEvent* event) {
  Guard(this, [&] {
    TFrmBase::showEvent(event);
    if (session::CloseOnShow) close();
  });
}

void TFrmspbqdy::FormClose() {
  TFrmBase::FormClose();
  delete FrmSelectBill;
  FrmSelectBill = nullptr;
  delete FrmSelectBM;
  FrmSelectBM = nullptr;
  // A window whose start-up failed never read the clerk's settings: it keeps them as they are.
  if (settingsRead_)
    StoreSettings({{"Mbwz", std::to_string(cboTemplate->currentIndex())}, {"Yxsdj", chkYxsdj->isChecked() ? "1" : "0"}});
}

void TFrmspbqdy::StoreSettings(const std::vector<std::pair<std::string, std::string>>& values) {
  try {
    WriteIniValues(kIni, kSection, values, "");
  } catch (const std::exception& e) {
    if (settingsRefusal_ == e.what()) return;
    settingsRefusal_ = e.what();
    ui::ShowMessage(this, Q(settingsRefusal_), "错误", ui::Icon::Error);
  }
}

// ============================================================== keys

bool TFrmspbqdy::eventFilter(QObject* watched, QEvent* event) {
  return Guard(this, true, [&] {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      auto* widget = qobject_cast<QWidget*>(watched);
      if (watched == edtName) {
        // The code entry first sees its own keys only after the window's key table.
        if (FormKeyDown(key->key(), key->modifiers())) return true;
        const int code = key->key();
        Guard(this, [&] { edtNameKeyDown(code, key->modifiers()); });
        return code == Qt::Key_Return || code == Qt::Key_Enter;
      }
      if (watched == cboLb && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        edtName->setFocus();
        return true;
      }
      if (widget && (widget == this || isAncestorOf(widget)) && !QApplication::activeModalWidget()) {
        bool handled = false;
        Guard(this, [&] { handled = FormKeyDown(key->key(), key->modifiers()); });
        if (handled) return true;
      }
    }
    return TFrmBase::eventFilter(watched, event);
  });
}

bool TFrmspbqdy::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
  if (shift & Qt::ControlModifier) {
    switch (key) {
      case Qt::Key_D: tbDelete->click(); return true;
      case Qt::Key_M: chkDBzl->toggle(); return true;
      case Qt::Key_P: tbnPrint->click(); return true;
      case Qt::Key_T: chkDtm->toggle(); return true;
      case Qt::Key_W: tbnPreview->click(); return true;
      default: break;
    }
  }
  switch (key) {
    case Qt::Key_Escape: TbnExit->click(); return true;
    case Qt::Key_F1: tbnAssistant->click(); return true;
    case Qt::Key_F2: TbnSearch->click(); return true;
    case Qt::Key_F3: TbnFilter->click(); return true;
    default: return false;
  }
}

// ============================================================== counter and details

QString TFrmspbqdy::CounterText() const {
  QString text = QString::fromUtf8(kCounter);
  if (cdsSpda.Active() && !cdsSpda.IsEmpty()) text += QString::number(cdsSpda.RecordCount());
  return text;
}

void TFrmspbqdy::UpdateCounterLabel() { lblSpSum->setText(CounterText()); }

void TFrmspbqdy::EmptyHistories() {
  cdsPTTJ.EmptyDataSet();
  cdsHYTJ.EmptyDataSet();
}

void TFrmspbqdy::cdsSpdaAfterScroll() {
  if (!DetailRefresh) return;
  if (cdsSpda.IsEmpty()) {
    EmptyHistories();
    lblDyjl->clear();
    lblSpSum->setText(QString::fromUtf8(kCounter));
    return;
  }
  const std::string code = cdsSpda.GetText("f_Spbm");
  const std::string dept = cdsSpda.GetText("f_bmbm");
  if (code == " " || cdsSpda.GetText("f_jekz") == "1") {
    lblDyjl->clear();
    return;
  }
  std::string message;
  if (!LoadPromotionHistory(code, dept, message)) ui::ShowMessage(this, Q(message), "错误", ui::Icon::Error);
  ShowLastTag();
}

void TFrmspbqdy::ShowLastTag() {
  lblDyjl->clear();
  lblDyjl->setToolTip({});
  if (!cdsSpda.Active() || cdsSpda.IsEmpty()) return;
  const std::string code = Trim(cdsSpda.GetText("f_Spbm"));
  if (code.empty() || cdsSpda.GetText("f_jekz") == "1") return;
  // The line never interrupts moving through the queue: what cannot be read is said on it.
  try {
    if (!printLogExists_) {
      Variant ref;
      printLogExists_ = false;
      if (host::OpenQuery(Host(), printing::PrintLogColumnsSql(), ref) && ref.IsPacket()) {
        MemTable count;
        count.LoadPacket(ref.AsPacket());
        printLogExists_ = !count.IsEmpty() && !count.CellAt(0, 0).IsNull() && count.CellAt(0, 0).ToInt() > 0;
      }
    }
    std::optional<printing::LastTag> tag;
    if (*printLogExists_) {
      Variant ref;
      if (!host::OpenQuery(Host(), printing::LastTagOfSql(code, cdsSpda.GetText("f_bmbm")), ref)) {
        lblDyjl->setText(QString::fromUtf8("上次打印：无法读取打印记录"));
        lblDyjl->setToolTip(Q(ComposeHostErrors(ref, "")));
        return;
      }
      if (!ref.IsPacket()) throw ModuleError("主机没有返回数据包");
      MemTable rows;
      rows.LoadPacket(ref.AsPacket());
      const std::vector<printing::LastTag> tags = printing::ReadLastTags(rows);
      if (!tags.empty()) tag = tags.front();
    }
    const QString line = Q(printing::LastTagLine(tag));
    lblDyjl->setText(line);
    lblDyjl->setToolTip(line);
  } catch (const std::exception& e) {
    lblDyjl->setText(QString::fromUtf8("上次打印：无法读取打印记录"));
    lblDyjl->setToolTip(Q(e.what()));
  }
}

void TFrmspbqdy::ShowTagColumns(bool shown) {
  if (shown == tagColumnsShown_) return;
  tagColumnsShown_ = shown;
  if (shown) queueWidth_ = panLeft->width();
  int width = 0;
  for (int c = 0; c < dgdview->ColumnCount(); ++c) {
    GridColumn* column = dgdview->Column(c);
    if (std::find(tagColumns_.begin(), tagColumns_.end(), c) != tagColumns_.end()) column->SetVisible(shown);
    if (column->Visible()) width += column->Width();
  }
  // The queue grows to hold the tag beside the product, up to half the window: the detail panel
  // keeps room for its three columns. Beyond that the grid scrolls.
  if (shown) {
    panLeft->setFixedWidth(std::clamp(width + 40, queueWidth_, std::max(queueWidth_, PanelMain->width() / 2)));
  } else {
    panLeft->setFixedWidth(queueWidth_);
  }
}

// ============================================================== product query

Variant TFrmspbqdy::ConditionPacket(const std::string& condition, const std::string& deptSql) {
  return queue::ConditionPacket(cdsSend, condition, chkYxsdj->isChecked(), deptSql);
}

int TFrmspbqdy::CurrentQueryMode() const {
  return queue::QueryMode(chkDtm->isChecked(), chkDBzl->isChecked(), session::UnitType);
}

void TFrmspbqdy::TbnSearchClick() {
  const std::string help = std::string("\r\n特价类型：\r\n0：普通特价  1：会员特价\r\n") + "\r\n" + "批量作价价格方式：" +
                           "\r\n" + "0：定  价    1：折扣率";
  std::string condition;
  while (true) {
    if (!dgdSearch->QueryDialog(condition, "标价签打印查询", queue::kSearchAliases, help, "")) return;
    if (!condition.empty()) break;
    ui::ShowMessage(this, QString::fromUtf8("请输入查询条件！"), "提示信息", ui::Icon::Information);
  }
  RunProductQuery(condition, false);
}

void TFrmspbqdy::RunProductQuery(const std::string& condition, bool skipDeptCheck) {
  if (!skipDeptCheck && queue::DepartmentMissing(session::UnitType, ChosenDeptNodes.size()))
    throw ModuleError(queue::kChooseDeptFirst);
  auto hint = std::make_unique<BusyHint>(this);
  repaint();
  try {
    const int mode = CurrentQueryMode();
    const std::string text = queue::ComposeProductCondition(condition, session::UnitType, session::YearMonth);
    Variant ref = ConditionPacket(text, DeptRestriction);
    if (host::QueryProducts(Host(), mode, ref)) {
      hint.reset();
      if (!ref.IsPacket()) throw ModuleError("主机没有返回商品数据包");
      cdsSpda.LoadPacket(ref.AsPacket());
      if (cdsSpda.IsEmpty()) EmptyHistories();
      UpdateCounterLabel();
    } else {
      hint.reset();
      ShowHostErrors(this, ref, "");
    }
  } catch (const std::exception& e) {
    hint.reset();
    ui::ShowMessage(this, Q(e.what()), "错误", ui::Icon::Error);
  }
}

bool TFrmspbqdy::LoadPromotionHistory(const std::string& productCode, const std::string& deptCode,
                                      std::string& message) {
  message.clear();
  try {
    Variant ref = ConditionPacket(productCode, deptCode);
    if (host::QueryProducts(Host(), 5, ref)) {
      if (!ref.IsPacket()) throw ModuleError("主机没有返回特价历史数据包");
      cdsPTTJ.LoadPacket(ref.AsPacket());
    } else {
      message = ShowHostErrors(nullptr, ref, "");
    }
    Variant ref2 = Variant::MakePacket(cdsSend.ToPacket());
    if (host::QueryProducts(Host(), 6, ref2)) {
      if (!ref2.IsPacket()) throw ModuleError("主机没有返回特价历史数据包");
      cdsHYTJ.LoadPacket(ref2.AsPacket());
    } else {
      message += "\r\n" + ShowHostErrors(nullptr, ref2, "");
    }
    return Trim(message).empty();
  } catch (const std::exception& e) {
    message = e.what();
    return false;
  }
}

// ============================================================== code entry

queue::CodeKind TFrmspbqdy::ImportKind() const {
  using queue::CodeKind;
  if (N3->isChecked()) return CodeKind::ProductCode;
  if (N5->isChecked()) return CodeKind::Barcode;
  return CodeKind::ArticleNumber;
}

void TFrmspbqdy::AppendBlankAmountRow() {
  DetailRefresh = false;
  try {
    cdsSpda.Append();
    cdsSpda.Set("f_spbm", "");
    cdsSpda.Set("f_jekz", "1");
    cdsSpda.Post();
  } catch (...) {
    DetailRefresh = true;
    throw;
  }
  DetailRefresh = true;
}

void TFrmspbqdy::edtNameKeyDown(int key, Qt::KeyboardModifiers) {
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  if (enter && edtName->text() == " ") {
    AppendBlankAmountRow();
    return;
  }
  if (!enter) return;
  const std::string code = Trim(S(edtName->text()));
  if (code.empty()) return;
  if (cboLb->currentIndex() < 0) {
    ui::ShowMessage(this, QString::fromUtf8("请选择要查询的类别!"), "警告", ui::Icon::Warning);
    cboLb->setFocus();
    return;
  }
  const auto kind = static_cast<queue::CodeKind>(cboLb->currentIndex());
  std::string condition = queue::CodeEntryCondition(kind, code);
  if (session::UnitType != "00") condition += queue::kSaleClause;
  const int mode = CurrentQueryMode();
  if (queue::DepartmentMissing(session::UnitType, ChosenDeptNodes.size())) throw ModuleError(queue::kChooseDeptFirst);
  Variant ref = ConditionPacket(condition, DeptRestriction);
  if (!host::QueryProducts(Host(), mode, ref)) {
    ShowHostErrors(this, ref, "");
    return;
  }
  if (!ref.IsPacket()) throw ModuleError("主机没有返回商品数据包");
  MemTable found("cdsTemp");
  found.LoadPacket(ref.AsPacket());
  if (found.IsEmpty()) {
    ui::ShowMessage(this, Q(queue::CodeNotFoundMessage(kind, code)), "警告", ui::Icon::Warning);
    return;
  }
  try {
    DetailRefresh = false;
    queue::AppendRows(found, cdsSpda);
    DetailRefresh = true;
  } catch (const std::exception& e) {
    // The half-copied row goes while the detail refresh is still off: its row change would load
    // the histories once more before the step below loads them.
    if (cdsSpda.state() == MemTable::State::Insert) cdsSpda.Cancel();
    DetailRefresh = true;
    ui::ShowMessage(this, Q(e.what()), "错误提示", ui::Icon::Warning);
  }
  if (!cdsSpda.IsEmpty()) {
    std::string message;
    if (!LoadPromotionHistory(cdsSpda.GetText("f_Spbm"), cdsSpda.GetText("f_bmbm"), message))
      ui::ShowMessage(this, Q(message), "错误提示", ui::Icon::Warning);
    ShowLastTag();
  }
  UpdateCounterLabel();
  edtName->selectAll();
}

// ============================================================== import

void TFrmspbqdy::N3Click(QAction* item) { item->setChecked(true); }

void TFrmspbqdy::btnimportClick() {
  if (queue::DepartmentMissing(session::UnitType, ChosenDeptNodes.size())) throw ModuleError(queue::kChooseDeptFirst);
  if (Njekzsp->isChecked()) {
    ImportAmountControlled();
    return;
  }
  ImportCodes();
}

namespace {

// The lines of a chosen import file; an unreadable file is the clerk's error.
std::vector<std::string> ReadImportFile(const QString& path) {
  std::vector<std::string> lines;
  if (!ReadTextFileLines(S(path), lines)) throw ModuleError("无法打开文件 " + S(path));
  return lines;
}

const QString kImportFilter = QString::fromUtf8("文本文件 (*.txt);;所有文件 (*)");

}  // namespace

void TFrmspbqdy::ImportCodes() {
  const int mode = CurrentQueryMode();
  const queue::CodeKind kind = ImportKind();
  const QString path = ui::Handler().OpenFileName(this, QString::fromUtf8("打开"), kImportFilter);
  if (path.isEmpty()) return;
  const std::vector<std::string> lines = ReadImportFile(path);
  auto hint = std::make_unique<BusyHint>(this);
  queue::ImportCodeList list;
  for (const auto& line : lines) list.Add(line);
  if (list.Empty()) {
    hint.reset();
    ui::ShowMessage(this, QString::fromUtf8("导入文本不能为空!"), "提示", ui::Icon::Information);
    return;
  }
  Variant ref = ConditionPacket(list.Condition(kind), DeptRestriction);
  const bool ok = host::QueryProducts(Host(), mode, ref);
  hint.reset();
  if (!ok) {
    ShowHostErrors(this, ref, "");
    return;
  }
  if (!ref.IsPacket()) throw ModuleError("主机没有返回商品数据包");
  cdsSpda.LoadPacket(ref.AsPacket());
  if (cdsSpda.IsEmpty()) EmptyHistories();
  UpdateCounterLabel();
  ReportMissingCodes(list, kind);
}

// Tells the clerk which imported codes found no product, and offers to save them all.
void TFrmspbqdy::ReportMissingCodes(const queue::ImportCodeList& list, queue::CodeKind kind) {
  std::vector<std::string> missing = queue::CodesNotReturned(list, kind, cdsSpda);
  if (missing.empty()) return;
  if (kind == queue::CodeKind::Barcode) {
    Variant ref;
    if (!host::OpenQuery(Host(), queue::BarcodeOwnersSql(missing), ref)) {
      ShowHostErrors(this, ref, "无法核对没有找到商品的条码:");
      return;
    }
    if (!ref.IsPacket()) throw ModuleError("主机没有返回条码数据包");
    MemTable owners("cdsOwners");
    owners.LoadPacket(ref.AsPacket());
    missing = queue::BarcodesWithoutProduct(missing, owners, cdsSpda);
    if (missing.empty()) return;
  }
  const auto codes = static_cast<size_t>(
      std::count_if(list.Codes().begin(), list.Codes().end(), [](const std::string& c) { return !c.empty(); }));
  if (ui::ShowMessage(this, Q(queue::MissingCodesMessage(kind, codes, missing)), "提示", ui::Icon::Information,
                      ui::Buttons::YesNo) != ui::kResultYes)
    return;
  const std::string what = queue::CodeKindCaption(kind);
  const QString path = ui::Handler().SaveFileName(this, Q("保存没有找到商品的" + what), Q("没有找到的" + what + ".txt"),
                                                  QString::fromUtf8("文本文件 (*.txt)"));
  if (path.isEmpty()) return;
  if (!WriteTextFileLines(S(path), missing)) {
    ui::ShowMessage(this, Q("无法写入文件 " + S(path)), "错误", ui::Icon::Error);
    return;
  }
  ui::ShowMessage(this, Q("已把" + std::to_string(missing.size()) + "个" + what + "保存到 " + S(path)), "提示",
                  ui::Icon::Information);
}

void TFrmspbqdy::ImportAmountControlled() {
  const QString path = ui::Handler().OpenFileName(this, QString::fromUtf8("打开"), kImportFilter);
  if (path.isEmpty()) return;
  const std::vector<std::string> lines = ReadImportFile(path);
  repaint();
  auto hint = std::make_unique<BusyHint>(this, QString::fromUtf8("正在导入数据,稍候..."));
  int n = 0;
  DetailRefresh = false;
  struct RestoreDetail {
    bool& flag;
    ~RestoreDetail() { flag = true; }
  } restore{DetailRefresh};
  // Reads the lines into the queue; returns the message that ends the import. The grid and the
  // bound labels catch up once, before that message, not after every line.
  auto importLines = [&]() -> std::string {
    ControlsDisabledScope quiet(cdsSpda);
    for (const auto& raw : lines) {
      const std::string line = Trim(raw);
      if (line.empty()) continue;
      queue::AmountLine item;
      std::string message;
      const auto status = queue::ParseAmountLine(line, n + 1, item, message);
      if (status == queue::AmountLineStatus::BadFormat) return message;
      // The grade is the line's before its price is read; a line with a bad price is not queued.
      LabelGrade = item.items[5];
      if (status == queue::AmountLineStatus::BadPrice) return message;
      const auto& it = item.items;
      cdsSpda.Append();
      cdsSpda.Set("f_jekz", "1");
      cdsSpda.Set("f_spbm", it[0]);
      cdsSpda.Set("f_spmc", it[1]);
      cdsSpda.Set("f_sphh", it[2]);
      cdsSpda.Set("f_sptm", it[3]);
      cdsSpda.Set("f_ggxh", it[4]);
      cdsSpda.Set("f_spcd", it[6]);
      cdsSpda.Set("f_jldw", it[7]);
      cdsSpda.Set("f_xsdj", item.price);
      if (it.size() > 9) cdsSpda.Set("f_sppp", it[9]);
      if (it.size() > 10) cdsSpda.Set("f_cf", it[10]);
      if (it.size() > 11) cdsSpda.Set("f_spbz", it[11]);
      cdsSpda.Post();
      ++n;
      if (n % 100 == 0)
        hint->SetText(QString::fromUtf8("整理数据,已完成") + QString::number(n) + QString::fromUtf8("行,稍候..."));
    }
    return "成功导入,共" + std::to_string(n) + "行数据!";
  };
  const std::string message = importLines();
  hint->Hide();
  ui::ShowMessage(this, Q(message), "提示", ui::Icon::Information);
}

// ============================================================== delete and filter

void TFrmspbqdy::tbDeleteClick() {
  if (cdsSpda.IsEmpty()) return;
  cdsSpda.Delete();
  UpdateCounterLabel();
}

void TFrmspbqdy::N2Click() {
  if (cdsSpda.IsEmpty()) return;
  cdsSpda.EmptyDataSet();
  EmptyHistories();
  UpdateCounterLabel();
}

void TFrmspbqdy::TbnFilterClick() {
  if (!dgdview->FilterDialog("商品标价签打印", false, "")) return;
  if (cdsSpda.IsEmpty()) EmptyHistories();
  UpdateCounterLabel();
}

// ============================================================== help and exit

const std::string& TFrmspbqdy::HelpPopupText() const {
  static const std::string text = [] {
    std::string t = "可输出项：\r\n";
    for (const printing::FieldCaption& i : printing::PrintFieldCaptions())
      t += std::string("[cdsPrint.\"") + i.name + "\"]  " + i.caption + "\r\n";
    for (const printing::FieldCaption& i : printing::ReportVariableCaptions())
      t += std::string("[") + i.name + "]  " + i.caption + "\r\n";
    t += "\r\n";
    t += "快捷键：\r\n";
    t += "删除当前: Ctrl+D\r\n多包装率: Ctrl+M\r\n打    印: Ctrl+P\r\n多 条 码: Ctrl+T\r\n预    览: Ctrl+W\r\n";
    t += "关  闭: ESC\r\n助    手: F1\r\n查    询: F2\r\n过    滤: F3\r\n\r\n";
    t += "普通商品导入：\r\n文本文件每行一个商品编码、商品货号或商品条码（按导入菜单所选）\r\n\r\n";
    t += "金额控制商品导入：\r\n文本文件每行一个商品，各项以逗号分隔：\r\n"
         "商品编码,商品名称,商品货号,商品条码,规格型号,等级,商品产地,计量单位,销售单价[,商品品牌,成份,商品备注]\r\n";
    return t;
  }();
  return text;
}

void TFrmspbqdy::tbnAssistantClick() {
  auto* popup = findChild<QFrame*>("AssistantPopup", Qt::FindDirectChildrenOnly);
  if (!popup) {
    popup = new QFrame(this, Qt::Popup);
    popup->setObjectName("AssistantPopup");
    popup->setFrameShape(QFrame::Box);
    auto* box = new QVBoxLayout(popup);
    auto* text = new QPlainTextEdit(popup);
    text->setObjectName("AssistantText");
    text->setReadOnly(true);
    text->setPlainText(Q(HelpPopupText()).replace("\r\n", "\n"));
    box->addWidget(text);
    popup->resize(460, 520);
  }
  const QPoint at = tbnAssistant->mapToGlobal(QPoint(0, tbnAssistant->height()));
  popup->move(at);
  popup->show();
}

void TFrmspbqdy::TbnExitClick() { close(); }

// ============================================================== kept queues

namespace {
const QString kQueueFilter = QString::fromUtf8("打印队列 (*.ptq);;所有文件 (*)");
}

void TFrmspbqdy::NDkdlClick() {
  const QString path = ui::Handler().OpenFileName(this, QString::fromUtf8("打开打印队列"), kQueueFilter);
  if (path.isEmpty()) return;
  try {
    queue::LoadQueueFile(S(path), cdsSpda);
  } catch (const std::exception& e) {
    ui::ShowMessage(this, Q(e.what()), "错误", ui::Icon::Error);
    return;
  }
  if (cdsSpda.IsEmpty()) EmptyHistories();
  UpdateCounterLabel();
}

void TFrmspbqdy::NBcdlClick() {
  if (!cdsSpda.Active() || cdsSpda.IsEmpty()) {
    ui::ShowMessage(this, QString::fromUtf8("打印队列中没有商品，无需保存。"), "提示", ui::Icon::Information);
    return;
  }
  QString path = ui::Handler().SaveFileName(this, QString::fromUtf8("保存打印队列"), QString::fromUtf8("打印队列.ptq"),
                                            kQueueFilter);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += queue::kQueueFileExtension;
  try {
    queue::SaveQueueFile(cdsSpda, S(path));
  } catch (const std::exception& e) {
    ui::ShowMessage(this, Q(e.what()), "错误", ui::Icon::Error);
    return;
  }
  ui::ShowMessage(this, QString::fromUtf8("打印队列已保存（") + QString::number(cdsSpda.RecordCount()) +
                            QString::fromUtf8(" 个商品）。"),
                  "提示", ui::Icon::Information);
}

// ============================================================== printing

void TFrmspbqdy::TbnModifyClick() { printing::TfmDysz::Edit(this, LabelRemark, SelectedSheet()); }

printing::LabelSheet TFrmspbqdy::SelectedSheet() const {
  printing::LabelSheet sheet;
  const printing::TemplateChoice choice = printing::ChooseTemplate(CdsTemplate, S(cboTemplate->currentText()));
  if (!choice.Found()) return sheet;
  try {
    report::ReportEngine engine;
    printing::LoadChosenTemplate(engine, CdsTemplate, choice);
    sheet = printing::SheetOf(engine.Template());
  } catch (const std::exception&) {
    // A template that cannot be read says so when it prints; the dialog only lacks its sheet.
  }
  return sheet;
}
void TFrmspbqdy::tbnPreviewClick() { PrintLabels(false); }
void TFrmspbqdy::tbnPrintClick() { PrintLabels(true); }

void TFrmspbqdy::PrintLabels(bool printDirectly) {
  printing::PassState state{cdsSpda,      cdsPrint,    CdsTemplate,              RMReport1,    LabelGrade,
                            ReductionReason, PeriodChoice, LabelRemark, SystemParams.CurrentDate, DetailRefresh};
  printing::MessageBoxPassDialog dialog(this);
  printing::PrintLogRecorder log(Host(), {{}, session::OperatorCode, SystemParams.PreparerName, printing::WorkstationName()});
  state.recorder = &log;
  const auto output = printDirectly ? printing::LabelOutput::PrintDialog(this) : printing::LabelOutput::Preview(this);
  const printing::PassOutcome outcome =
      printing::RunPrintPass(state, S(cboTemplate->currentText()), output, dialog).outcome;
  if (outcome == printing::PassOutcome::Printed && log.HasJob()) {
    const std::string failure = log.Write();
    if (failure.empty()) {
      printLogExists_ = true;
      ShowLastTag();
    } else {
      ui::ShowMessage(this, Q(failure), "提示", ui::Icon::Information);
    }
  }
  // The question follows the print step whether the clerk printed or cancelled the dialog.
  if (outcome != printing::PassOutcome::Printed && outcome != printing::PassOutcome::NotPrinted) return;
  if (ui::ShowMessage(this, QString::fromUtf8("是否清除打印内容?"), "提示信息", ui::Icon::Question,
                      ui::Buttons::YesNo) != ui::kResultYes)
    return;
  cdsSpda.EmptyDataSet();
  EmptyHistories();
  lblSpSum->setText(QString::fromUtf8(kCounter));
}

}  // namespace pt
