#include "reports/UnitSearch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "common/AdvDBEh.h"
#include "common/ErrorGuard.h"
#include "common/FlatDialog.h"
#include "controls/ToolButtons.h"
#include "queue/QueueRecord.h"
#include "reports/GridPrint.h"
#include "reports/ListWindowKeys.h"

namespace pt {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }


}  // namespace

TFrmBjqSearch::TFrmBjqSearch(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("TFrmBjqSearch"));
  setWindowTitle(U("商品特价打印"));
  resize(1000, 600);
  DefineFields();
  BuildToolBar();
  BuildGrid();
  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(0, 0, 0, 0);
  box->setSpacing(0);
  box->addWidget(ToolBar);
  box->addWidget(dgdView, 1);
  PrintDG = reports::ReportWindowPageSettings();
  qApp->installEventFilter(this);
}

TFrmBjqSearch::~TFrmBjqSearch() { qApp->removeEventFilter(this); }

void TFrmBjqSearch::DefineFields() {
  struct Def {
    const char* name;
    FieldType type;
    uint32_t size;
    const char* label;
    const char* format;
  };
  constexpr FieldType T = FieldType::Text, F = FieldType::Float, I = FieldType::Integer;
  const Def defs[] = {
      {"xsxl.f_jgfs", T, 20, "限时限量价格方式", ""},
      {"xsxl.f_qsrq", T, 8, "限时限量起始日期", ""},
      {"xsxl.f_jsrq", T, 8, "限时限量结束日期", ""},
      {"xsxl.f_qssj", T, 4, "限时限量起始时间", ""},
      {"xsxl.f_jssj", T, 4, "限时限量结束时间", ""},
      {"xsxl.f_xlsl", F, 0, "限时限量限量数量", ""},
      {"xsxl.f_xdsl", F, 0, "限时限量每单限量数量", ""},
      {"xsxl.f_xsdj", F, 0, "限时限量销售单价", "0.00"},
      {"f_Spbm", T, 15, "商品编码", ""},
      {"f_Spmc", T, 60, "商品名称", ""},
      {"f_Sphh", T, 15, "商品货号", ""},
      {"f_Spcd", T, 12, "商品产地", ""},
      {"f_Ggxh", T, 20, "规格型号", ""},
      {"f_Sppp", T, 20, "商品品牌", ""},
      {"f_Jldw", T, 10, "计量单位", ""},
      {"f_Bzq", I, 0, "保质期", ""},
      {"f_Xsdj", F, 0, "销售单价", "0.00"},
      {"f_Hyj", F, 0, "会员价", "0.00"},
      {"f_Jdrq", T, 8, "建档日期", ""},
      {"f_Sptm", T, 20, "商品条码", ""},
      {"f_Dwbl", F, 0, "单位比率", ""},
      {"f_Kc", F, 0, "库存", "0.00"},
      {"f_Pljg", F, 0, "批量价格", "0.00"},
      {"f_Plsl", I, 0, "批量数量", ""},
      {"f_Plfs", T, 6, "批量方式", ""},
      {"f_Plqsrq", T, 8, "批量作价起始日期", ""},
      {"f_Pljsrq", T, 8, "批量作价结束日期", ""},
      {"f_BqPtQsrq", T, 8, "本期普通|特价起始日期", ""},
      {"f_BqPtJsrq", T, 8, "本期普通|特价结束日期", ""},
      {"f_BqPtXsdj", F, 0, "本期普通|特价价格", "0.00"},
      {"f_BqHyQsrq", T, 8, "本期会员|特价起始日期", ""},
      {"f_BqHyjsrq", T, 8, "本期会员|特价结束日期", ""},
      {"f_BqHyXsdj", F, 0, "本期会员|特价价格", "0.00"},
      {"f_XqPtQsrq", T, 8, "下期普通|特价起始日期", ""},
      {"f_XqPtJsrq", T, 8, "下期普通|特价结束日期", ""},
      {"f_XqPtXsdj", F, 0, "下期普通|特价价格", "0.00"},
      {"f_XqHyQsrq", T, 8, "下期会员|特价起始日期", ""},
      {"f_XqHyJsrq", T, 8, "下期会员|特价结束日期", ""},
      {"f_XqHyXsdj", F, 0, "下期会员|特价价格", "0.00"},
      {"f_Yxsdj", F, 0, "原销售单价", "0.00"},
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
  // The rest of the queue's fields, hidden: a queue filter may name any of them.
  MemTable queue;
  queue::DefineQueueFields(queue);
  for (int i = 0; i < queue.FieldCount(); ++i) {
    if (cdsPrint.FieldIndex(queue.Field(i).name) >= 0) continue;
    FieldDef f = queue.Field(i);
    f.visible = false;
    cdsPrint.AddField(std::move(f));
  }
}

void TFrmBjqSearch::BuildToolBar() {
  ToolBar = new QToolBar(this);
  ToolBar->setObjectName("ToolBar");
  ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  btnChoose = MakeToolButton(ToolBar, "btnChoose", "选  项", "F3");
  btnPreview = MakeToolButton(ToolBar, "btnPreview", "预  览", "Ctrl+V");
  btnPrint = MakeToolButton(ToolBar, "btnPrint", "打  印", "Ctrl+P");
  ToolBar->addSeparator();
  btnExit = MakeToolButton(ToolBar, "btnExit", "退  出");
  connect(btnChoose, &QToolButton::clicked, this, Guarded(this, [this] { btnChooseClick(); }));
  connect(btnPreview, &QToolButton::clicked, this, Guarded(this, [this] { btnPreviewClick(); }));
  connect(btnPrint, &QToolButton::clicked, this, Guarded(this, [this] { btnPrintClick(); }));
  connect(btnExit, &QToolButton::clicked, this, Guarded(this, [this] { btnExitClick(); }));
}

void TFrmBjqSearch::BuildGrid() {
  dgdView = new TAdvDBGridEh(this);
  dgdView->setObjectName("dgdView");
  dgdView->SetDataSet(&cdsPrint);
  const char* order[] = {"f_Spbm",     "f_Spmc",     "f_Sphh",     "f_Spcd",      "f_Ggxh",      "f_Sppp",
                         "f_Jldw",     "f_Bzq",      "f_Xsdj",     "f_Yxsdj",     "f_Hyj",       "f_Jdrq",
                         "f_Sptm",     "f_Dwbl",     "f_Kc",       "f_Pljg",      "f_Plsl",      "f_Plfs",
                         "f_Plqsrq",   "f_Pljsrq",   "f_BqPtQsrq", "f_BqPtJsrq",  "f_BqPtXsdj",  "f_BqHyQsrq",
                         "f_BqHyjsrq", "f_BqHyXsdj", "f_XqPtQsrq", "f_XqPtJsrq",  "f_XqPtXsdj",  "f_XqHyQsrq",
                         "f_XqHyJsrq", "f_XqHyXsdj", "xsxl.f_jgfs", "xsxl.f_qsrq", "xsxl.f_jsrq", "xsxl.f_qssj",
                         "xsxl.f_jssj", "xsxl.f_xlsl", "xsxl.f_xdsl", "xsxl.f_xsdj"};
  for (const char* field : order) dgdView->AddColumn(field, cdsPrint.Field(cdsPrint.FieldIndexOrThrow(field)).label);
  dgdView->Column(0)->SetFooterStaticText("合计:0条");
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

void TFrmBjqSearch::LoadQueue(const MemTable& queue) {
  cdsPrint.SetFiltered(false);
  // Only a filter in force on the queue is carried over.
  cdsPrint.SetFilter(queue.Filtered() ? queue.Filter() : std::string());
  cdsPrint.SetFiltered(true);
  // The whole queue, the fields it keeps for itself (f_cf, f_jekz) included: the filter may name them.
  cdsPrint.LoadPacket(queue.ToPacket(true));
  cdsPrint.First();
}

void TFrmBjqSearch::btnChooseClick() { dgdView->ChooseColumns(); }

void TFrmBjqSearch::btnPreviewClick() {
  reports::PrintGridList(this, *dgdView, PrintDG, ReportVariables, "商品特价详细信息", true);
}

void TFrmBjqSearch::btnPrintClick() {
  reports::PrintGridList(this, *dgdView, PrintDG, ReportVariables, "商品特价详细信息", false);
}

void TFrmBjqSearch::btnExitClick() { close(); }

bool TFrmBjqSearch::eventFilter(QObject* watched, QEvent* event) {
  return Guard(this, true, [&] {
    if (reports::RouteListWindowKey(this, {btnPrint, btnPreview, btnExit, btnChoose}, watched, event)) return true;
    return QDialog::eventFilter(watched, event);
  });
}

bool TFrmBjqSearch::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
  return reports::ListWindowKeyDown({btnPrint, btnPreview, btnExit, btnChoose}, key, shift);
}

}  // namespace pt
