#include "reports/Unityjg.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "common/AdvDBEh.h"
#include "common/ErrorGuard.h"
#include "common/FlatDialog.h"
#include "common/HostErrorBox.h"
#include "common/UnitHint.h"
#include "controls/ToolButtons.h"
#include "host/HostOperations.h"
#include "module/ModuleSession.h"
#include "reports/GridPrint.h"
#include "reports/ListWindowKeys.h"
#include "reports/ReferencePrices.h"

namespace pt {

namespace {

constexpr const char* kIni = "Tallmerpos.ini";
constexpr const char* kLayoutSection = "FrmyjgDgdView";

QString U(const char* s) { return QString::fromUtf8(s); }

HostService& Host() { return session::ActiveHostService(); }


}  // namespace

TFrmyjg::TFrmyjg(QWidget* owner, std::string currentDate) : QDialog(owner), currentDate_(std::move(currentDate)) {
  setObjectName(QStringLiteral("TFrmyjg"));
  setWindowTitle(U("商品原价打印"));
  resize(900, 560);
  DefineFields();
  BuildToolBar();
  BuildGrid();
  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(0, 0, 0, 0);
  box->setSpacing(0);
  box->addWidget(ToolBar);
  box->addWidget(dgdView, 1);
  PrintDG = reports::ReportWindowPageSettings();
  dgdView->LoadColumnLayout(kIni, kLayoutSection, "");
  qApp->installEventFilter(this);
}

TFrmyjg::~TFrmyjg() {
  qApp->removeEventFilter(this);
  dgdView->SaveColumnLayout(kIni, kLayoutSection, "");  // keeps quiet about a file it cannot write
}

void TFrmyjg::DefineFields() {
  struct Def {
    const char* name;
    FieldType type;
    uint32_t size;
    const char* label;
    const char* format;
  };
  constexpr FieldType T = FieldType::Text, F = FieldType::Float;
  const Def defs[] = {
      {"f_lx", T, 20, "特价类型", ""},
      {"f_spbm", T, 20, "商品编码", ""},
      {"f_sphh", T, 20, "商品货号", ""},
      {"f_sptm", T, 20, "商品条码", ""},
      {"f_spmc", T, 60, "商品名称", ""},
      {"f_jldw", T, 20, "计量单位", ""},
      {"f_ggxh", T, 20, "规格型号", ""},
      {"f_dwbl", F, 0, "单位比率", ""},
      {"f_spcd", T, 20, "商品产地", ""},
      {"f_sppp", T, 20, "商品品牌", ""},
      {"f_xsdj", F, 0, "销售单价", "0.00"},
      {"f_qsrq", T, 20, "起始日期", ""},
      {"f_jsrq", T, 20, "结束日期", ""},
      {"f_Xdsl", F, 0, "每单限量", ""},
      {"f_zxjg", F, 0, "执行价", "0.00"},
      {"f_q7yxsdj", F, 0, "特价开始日期前七天最低成交价格", "0.00"},
      {"f_q8yxsdj", F, 0, "特价开始日期前八天到前三个月之间最后一笔成交价格", "0.00"},
  };
  for (const Def& d : defs) {
    FieldDef f;
    f.name = d.name;
    f.type = d.type;
    f.size = d.size;
    f.label = d.label;
    f.displayFormat = d.format;
    cdsPrint.AddField(std::move(f));
  }
}

void TFrmyjg::BuildToolBar() {
  ToolBar = new QToolBar(this);
  ToolBar->setObjectName("ToolBar");
  ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  cbdq = new QComboBox(ToolBar);
  cbdq->setObjectName("cbdq");
  cbdq->addItem(U("本期"));
  cbdq->addItem(U("下期"));
  cbdq->setCurrentIndex(0);
  cbdq->setEditable(false);
  ToolBar->addWidget(cbdq);
  btnsearch = MakeToolButton(ToolBar, "btnsearch", "查  询");
  ToolButton3 = MakeToolButton(ToolBar, "ToolButton3", "过  滤");
  btnChoose = MakeToolButton(ToolBar, "btnChoose", "选  项", "F3");
  btnPreview = MakeToolButton(ToolBar, "btnPreview", "预  览", "Ctrl+V");
  btnPrint = MakeToolButton(ToolBar, "btnPrint", "打  印", "Ctrl+P");
  ToolBar->addSeparator();
  btnExit = MakeToolButton(ToolBar, "btnExit", "退  出");
  connect(btnsearch, &QToolButton::clicked, this, Guarded(this, [this] { btnsearchClick(); }));
  connect(ToolButton3, &QToolButton::clicked, this, Guarded(this, [this] { ToolButton3Click(); }));
  connect(btnChoose, &QToolButton::clicked, this, Guarded(this, [this] { btnChooseClick(); }));
  connect(btnPreview, &QToolButton::clicked, this, Guarded(this, [this] { btnPreviewClick(); }));
  connect(btnPrint, &QToolButton::clicked, this, Guarded(this, [this] { btnPrintClick(); }));
  connect(btnExit, &QToolButton::clicked, this, Guarded(this, [this] { btnExitClick(); }));
}

void TFrmyjg::BuildGrid() {
  dgdView = new TAdvDBGridEh(this);
  dgdView->setObjectName("dgdView");
  dgdView->SetDataSet(&cdsPrint);
  for (int i = 0; i < cdsPrint.FieldCount(); ++i) dgdView->AddColumn(cdsPrint.Field(i).name, cdsPrint.Field(i).label);
  dgdView->SetAutoSorted(true);
  dgdView->SetShowSumCount(true);
  dgdView->SetFooterRowCount(1);
  dgdView->SetReadOnly(true);
  dgdView->SetRowSelect(true);
  dgdView->SetAlternateRowColors(WinColorToQColor(16762052), WinColorToQColor(16768477));
  QPalette titles = dgdView->horizontalHeader()->palette();
  titles.setColor(QPalette::Button, reports::kTitleBackground);
  dgdView->horizontalHeader()->setPalette(titles);
  dgdView->SetTitleFontColor(reports::kTitleFontOnScreen);
}

// ============================================================== compute and list

void TFrmyjg::btnsearchClick() {
  using reports::PromotionTable;
  const bool current = cbdq->currentIndex() != 1;
  // An unreadable date stops here, before anything is sent.
  const std::string cond =
      reports::PeriodCondition(current ? reports::PricePeriod::Current : reports::PricePeriod::Next, currentDate_);
  HostService& host = Host();

  BusyHint hint(this, U("正检查数据结构..."));
  auto failed = [&](const Variant& errors) {
    hint.Hide();
    ShowHostErrors(this, errors, "");
  };
  Variant check(reports::StructureCheckSql());
  if (!host::ExecuteSql(host, check)) return failed(check);

  for (PromotionTable table : {PromotionTable::Ordinary, PromotionTable::TimeLimited}) {
    Variant range;
    if (!host::OpenQuery(host, reports::StartMonthRangeSql(table, cond), range)) return failed(range);
    if (!range.IsPacket()) throw ModuleError("主机没有返回数据包");
    cdspub.Close();
    cdspub.ClearFields();
    cdspub.LoadPacket(range.AsPacket());
    std::string minMonth, maxMonth;
    if (cdspub.RecordCount() > 0 && cdspub.FieldCount() >= 2) {
      minMonth = cdspub.CellAt(0, 0).ToText();
      maxMonth = cdspub.CellAt(0, 1).ToText();
    }
    for (const reports::PricePass& pass : reports::ReferencePricePasses(minMonth, maxMonth)) {
      hint.SetText(QString::fromStdString(reports::PassBusyText(table, pass)));
      Variant statement(reports::PassSql(table, pass, cond));
      if (!host::ExecuteSql(host, statement)) return failed(statement);
    }
  }

  hint.SetText(U("正置原价格标志..."));
  // Promotions in force are final from now on; the days before a coming promotion's start may
  // still bring sales, so its rows stay open.
  if (current) {
    Variant flags(reports::FinalFlagSql(cond));
    if (!host::ExecuteSql(host, flags)) return failed(flags);
  }

  hint.SetText(U("正查询原价格..."));
  Variant list;
  if (!host::OpenQuery(host, reports::ReferencePriceListSql(cond), list)) return failed(list);
  if (!list.IsPacket()) throw ModuleError("主机没有返回数据包");
  cdsPrint.LoadPacket(list.AsPacket());
  hint.Hide();
  SetCountFooter();
}

void TFrmyjg::SetCountFooter() {
  if (dgdView->ColumnCount() == 0) return;
  dgdView->Column(0)->SetFooterStaticText("合计:" + std::to_string(cdsPrint.RecordCount()) + "条");
}

// ============================================================== filter, columns, print, exit

void TFrmyjg::ToolButton3Click() {
  if (dgdView->FilterDialog("过滤条件", false, "")) SetCountFooter();
}

void TFrmyjg::btnChooseClick() { dgdView->ChooseColumns(); }

void TFrmyjg::btnPreviewClick() {
  reports::PrintGridList(this, *dgdView, PrintDG, ReportVariables, "商品原价详细信息", true);
}

void TFrmyjg::btnPrintClick() {
  reports::PrintGridList(this, *dgdView, PrintDG, ReportVariables, "商品原价详细信息", false);
}

void TFrmyjg::btnExitClick() { close(); }

// ============================================================== keys

bool TFrmyjg::eventFilter(QObject* watched, QEvent* event) {
  return Guard(this, true, [&] {
    if (reports::RouteListWindowKey(this, {btnPrint, btnPreview, btnExit, btnChoose}, watched, event)) return true;
    return QDialog::eventFilter(watched, event);
  });
}

bool TFrmyjg::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
  return reports::ListWindowKeyDown({btnPrint, btnPreview, btnExit, btnChoose}, key, shift);
}

}  // namespace pt
