#pragma once
// The module's main window, "商品标价签打印": the print queue inside the host panel, the price
// data of the current row, and the toolbar from which products are added, removed, filtered and
// printed.
#include <QCheckBox>
#include <QDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/MemTable.h"
#include "common/UnitBaseForm.h"
#include "common/UnitDreamClass.h"
#include "queue/ProductQuery.h"
#include "printing/LabelJob.h"
#include "queue/ProductSources.h"
#include "queue/ShelfTags.h"
#include "report_engine/ReportEngine.h"

class QShowEvent;

namespace pt {

class TAdvDBGridEh;

class TFrmspbqdy : public TFrmBase {
  Q_OBJECT

 public:
  explicit TFrmspbqdy(QWidget* owner = nullptr);
  ~TFrmspbqdy() override;

  // ---- toolbar
  QToolBar* ToolBar = nullptr;
  QCheckBox* chkDBzl = nullptr;
  QCheckBox* chkDtm = nullptr;
  QCheckBox* chkYxsdj = nullptr;
  QToolButton* btnDept = nullptr;
  QAction* btnDeptAction = nullptr;  // the toolbar's slot of btnDept: hiding goes through it
  QToolButton* TbnSearch = nullptr;
  QToolButton* btnimport = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* N3 = nullptr;
  QAction* N4 = nullptr;
  QAction* N5 = nullptr;
  QAction* Njekzsp = nullptr;
  QAction* NDkdl = nullptr;  // "打开队列文件..."
  QAction* NBcdl = nullptr;  // "保存队列文件..."
  QToolButton* TbnFilter = nullptr;
  QToolButton* tbDelete = nullptr;
  QMenu* pmDelete = nullptr;
  QAction* N1 = nullptr;
  QAction* N2 = nullptr;
  QToolButton* TbnModify = nullptr;
  QComboBox* cboTemplate = nullptr;
  QToolButton* tbnPreview = nullptr;
  QToolButton* tbnPrint = nullptr;
  QToolButton* btngetsp = nullptr;
  QMenu* pmjgxx = nullptr;
  QAction* Njg = nullptr;
  QAction* Nxp = nullptr;
  QAction* Ntj = nullptr;
  QAction* Nxs = nullptr;
  QAction* Npl = nullptr;
  QAction* NRF = nullptr;
  QAction* Nyd = nullptr;
  QAction* ndj = nullptr;
  QAction* Njqbf = nullptr;  // "价签与现价不符"
  QAction* Ntjdq = nullptr;  // "特价到期"
  QToolButton* btnyjg = nullptr;
  QToolButton* tbnAssistant = nullptr;
  QToolButton* TbnExit = nullptr;

  // ---- top, left and right panels
  QWidget* panTop = nullptr;
  QLabel* lblSpSum = nullptr;
  QLineEdit* edtName = nullptr;
  QComboBox* cboLb = nullptr;
  QWidget* panLeft = nullptr;
  TAdvDBGridEh* dgdview = nullptr;
  QWidget* PanRight = nullptr;
  QWidget* PanRTop = nullptr;
  QTabWidget* PagTjxx = nullptr;
  TAdvDBGridEh* dgdPTTJ = nullptr;
  TAdvDBGridEh* dgdHYTJ = nullptr;
  TAdvDBGridEh* dgdSearch = nullptr;
  QLabel* lblDyjl = nullptr;  // the current row's last printed tag, one line

  // ---- in-memory tables
  MemTable cdsSpda{"cdsSpda"};
  MemTable cdsPTTJ{"cdsPTTJ"};
  MemTable cdsHYTJ{"cdsHYTJ"};
  MemTable cdsSend{"cdsSend"};
  MemTable cdsSearch{"cdsSearch"};
  MemTable cdsPrint{"cdsPrint"};
  MemTable CdsTemplate{"CdsTemplate"};
  MemTable cdsbm{"cdsbm"};
  MemTable cdspub{"cdspub"};
  report::ReportEngine RMReport1;  // the label report: its template and report variables

  // ---- window state
  TSystemParams SystemParams;
  bool DetailRefresh = false;  // switched on at the end of the start-up
  std::string DeptRestriction;
  std::vector<std::string> ChosenDeptNodes;
  std::string LabelGrade;
  std::string ReductionReason;
  std::string PeriodChoice;
  std::string LabelRemark;

  // ---- commands
  void TbnSearchClick();
  void RunProductQuery(const std::string& condition, bool skipDeptCheck);
  bool LoadPromotionHistory(const std::string& productCode, const std::string& deptCode, std::string& message);
  void edtNameKeyDown(int key, Qt::KeyboardModifiers shift);
  void N3Click(QAction* item);
  void btnimportClick();
  void tbDeleteClick();
  void N2Click();
  void TbnFilterClick();
  void tbnAssistantClick();
  void TbnExitClick();
  // The key table: the window sees every key before the focused control. True when handled.
  bool FormKeyDown(int key, Qt::KeyboardModifiers shift);

  // ---- departments (Unitspbqdy_Dept.cpp)
  void btnDeptClick();
  // Loads the pricing-department tree into the department selector, once, at start-up.
  void LoadDeptTree();
  // Rebuilds a list like ChosenDeptNodes from the tick marks of the selector's tree.
  void CollectTickedDepts(std::vector<std::string>& list);
  QDialog* FrmSelectBM = nullptr;  // the department selector, alive as long as this window

  // ---- product sources (Unitspbqdy_Sources.cpp)
  void btngetspClick();
  void NjgClick(QAction* item);
  void tbnXpClick();
  void tbTjspClick();
  void dgdviewDblClick();
  void GetTimedSales();        // "限时限量"
  void GetQuantityPricing();   // "批量作价"
  void GetChangedProducts();   // "调异动商品"
  void GetPricingBill();       // "调定价单"
  // "价签与现价不符" and "特价到期": the products whose last printed tag is wrong now.
  void GetShelfTags(queue::ShelfTagSource source);
  QDialog* FrmSelectBill = nullptr;   // the bill selector, made on first use
  QDialog* FrmModiSpinfo = nullptr;   // the product info edit, made on first use
  // The label data confirmed last in the product info edit: defaults for the next empty row.
  queue::ProductInfoDefaults LastProductInfo;
  // Shared by "新    品" and "调价商品": sends the condition as it stands and replaces the
  // queue; emptyMessage is shown when nothing came back.
  void ReplaceQueueFromSource(const std::string& condition, const std::string& emptyMessage);
  // The same for any way of filling: `fill` replaces the queue, or returns false with the host's
  // error list.
  void ReplaceQueueWith(const std::function<bool(Variant& errors)>& fill, const std::string& emptyMessage);
  void EditProductInfo();

  // ---- report windows (Unitspbqdy_Reports.cpp)
  void btnyjgClick();
  void tbnjgClick();
  // Creates the promotion detail window, hidden, at start-up.
  void CreatePromotionDetailWindow();
  QDialog* FrmBjqSearch = nullptr;

  // ---- RF handheld requests (Unitspbqdy_RF.cpp)
  void btnRfClick();
  MemTable cdsRF{"cdsRF"};
  MemTable CDSRF1{"CDSRF1"};
  MemTable cdsRF_All{"cdsRF_All"};

  // Kept queues: a saved queue replaces the queue as an import does.
  void NDkdlClick();
  void NBcdlClick();

  // Printing.
  void TbnModifyClick();
  // The label sheet of the template the selector names (nothing known when none is chosen or it
  // cannot be read): what the print settings check the start position against.
  printing::LabelSheet SelectedSheet() const;
  void tbnPreviewClick();
  void tbnPrintClick();

  // The queue's columns of a row's tag beside the product now: shown while the queue holds the
  // rows of "价签与现价不符" or "特价到期", hidden when another source replaces them.
  void ShowTagColumns(bool shown);
  bool TagColumnsShown() const { return tagColumnsShown_; }
  // Reads the current row's last printed tag into lblDyjl.
  void ShowLastTag();

  // "打印商品总计个数:" with the queue's row count, or alone when the queue is empty.
  void UpdateCounterLabel();
  QString CounterText() const;
  queue::CodeKind ImportKind() const;
  int CurrentQueryMode() const;
  const std::string& HelpPopupText() const;

 protected:
  void FormClose() override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void BuildToolBar();
  void BuildPanels();
  void BuildDetailPanel(QWidget* host);
  QWidget* BuildPromotionTab(bool member);
  bool FillTemplateList();  // false (reported) when the host refuses the list
  void cdsSpdaAfterScroll();
  void EmptyHistories();
  // Puts the condition and the option into `cdsSend` and returns its packet.
  Variant ConditionPacket(const std::string& condition, const std::string& deptSql);
  void ImportCodes();
  void ReportMissingCodes(const queue::ImportCodeList& list, queue::CodeKind kind);
  void ImportAmountControlled();
  void AppendBlankAmountRow();
  void PrintLabels(bool printDirectly);

  // Writes values of section "SpBjqDy"; a refusal is shown once in the window's life (the same
  // refusal at closing is not shown again) and the window goes on.
  void StoreSettings(const std::vector<std::pair<std::string, std::string>>& values);

  std::unique_ptr<TDreamClass> dreamClass_;
  bool keyFilterInstalled_ = false;
  // The log of printed tags: whether it exists, once asked (none until then).
  std::optional<bool> printLogExists_;
  std::vector<int> tagColumns_;  // dgdview's columns of the tag beside the product now
  bool tagColumnsShown_ = false;
  int queueWidth_ = 0;           // panLeft's width while they are hidden
  std::unique_ptr<MemTableListener> tagColumnsWatch_;
  // "Mbwz" and "Yxsdj" were read at start-up: only then does closing write them back.
  bool settingsRead_ = false;
  std::string settingsRefusal_;  // the refusal already shown
};

}  // namespace pt
