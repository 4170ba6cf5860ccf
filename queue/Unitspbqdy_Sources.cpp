// The main window's product sources ("调商品") and the product info edit.
#include <functional>
#include <memory>

#include "common/FlatDialog.h"
#include "common/HostErrorBox.h"
#include "common/TextRoutines.h"
#include "common/UiSeam.h"
#include "common/UnitHint.h"
#include "dialogs/UnitDate.h"
#include "dialogs/UnitModiSpinfo.h"
#include "dialogs/UnitSelectBill.h"
#include "host/HostOperations.h"
#include "module/ModuleSession.h"
#include "queue/ProductSources.h"
#include "queue/Unitspbqdy.h"

namespace pt {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

HostService& SourceHost() { return session::ActiveHostService(); }

// A packet the host returned by reference; anything else is the host's fault, not the clerk's.
const std::string& PacketOf(const Variant& ref) {
  if (!ref.IsPacket()) throw ModuleError("主机没有返回数据包");
  return ref.AsPacket();
}

// Puts a text back as it was when the scope ends, however it ends.
class RestoreText {
 public:
  explicit RestoreText(std::string& target) : target_(target), kept_(target) {}
  ~RestoreText() { target_ = std::move(kept_); }
  RestoreText(const RestoreText&) = delete;
  RestoreText& operator=(const RestoreText&) = delete;

 private:
  std::string& target_;
  std::string kept_;
};

}  // namespace

// ============================================================== the source menu

void TFrmspbqdy::btngetspClick() {
  if (Njg->isChecked()) {
    tbnjgClick();
  } else if (Nxp->isChecked()) {
    tbnXpClick();
  } else if (Ntj->isChecked()) {
    tbTjspClick();
  } else if (Nxs->isChecked()) {
    GetTimedSales();
  } else if (Npl->isChecked()) {
    GetQuantityPricing();
  } else if (NRF->isChecked()) {
    btnRfClick();
  } else if (Nyd->isChecked()) {
    GetChangedProducts();
  } else if (ndj->isChecked()) {
    GetPricingBill();
  } else if (Njqbf->isChecked()) {
    GetShelfTags(queue::ShelfTagSource::Mismatch);
  } else if (Ntjdq->isChecked()) {
    GetShelfTags(queue::ShelfTagSource::ExpiredPromotion);
  }
}

void TFrmspbqdy::NjgClick(QAction* item) {
  item->setChecked(true);
  btngetspClick();
}

// ============================================================== "新    品" and "调价商品"

void TFrmspbqdy::ReplaceQueueFromSource(const std::string& condition, const std::string& emptyMessage) {
  ReplaceQueueWith(
      [&](Variant& errors) {
        Variant ref = ConditionPacket(condition, DeptRestriction);
        if (!host::QueryProducts(SourceHost(), CurrentQueryMode(), ref)) {
          errors = std::move(ref);
          return false;
        }
        cdsSpda.LoadPacket(PacketOf(ref));
        return true;
      },
      emptyMessage);
}

void TFrmspbqdy::ReplaceQueueWith(const std::function<bool(Variant& errors)>& fill, const std::string& emptyMessage) {
  auto hint = std::make_unique<BusyHint>(this);
  try {
    Variant errors;
    const bool ok = fill(errors);
    hint.reset();
    if (!ok) {
      ShowHostErrors(this, errors, "");
      return;
    }
    UpdateCounterLabel();
    if (cdsSpda.IsEmpty()) {
      EmptyHistories();
      ui::ShowMessage(this, Q(emptyMessage), "提示", ui::Icon::Information);
    }
  } catch (const std::exception& e) {
    hint.reset();
    ui::ShowMessage(this, Q(e.what()), "错误", ui::Icon::Error);
  }
}

void TFrmspbqdy::tbnXpClick() {
  if (queue::DepartmentMissing(session::UnitType, ChosenDeptNodes.size())) throw ModuleError(queue::kChooseDeptFirst);
  std::string date;
  try {
    TfrmDate chooser(this, SourceHost(), SystemParams.CurrentDate);
    chooser.Label1->setText(QString::fromUtf8("建档日期:"));
    ui::ExecModal(&chooser);
    if (!chooser.Confirmed()) return;
    date = chooser.DateText();
  } catch (const std::exception& e) {
    ui::ShowMessage(this, Q(e.what()), "错误", ui::Icon::Error);
    return;
  }
  ReplaceQueueFromSource(queue::NewProductsCondition(date), queue::NewProductsEmptyMessage(date));
}

void TFrmspbqdy::tbTjspClick() {
  if (queue::DepartmentMissing(session::UnitType, ChosenDeptNodes.size())) throw ModuleError(queue::kChooseDeptFirst);
  std::string condition;
  try {
    const bool fromLog = queue::UsePriceChangeLog(SystemParams.dchy, SystemParams.dybm, session::UnitType);
    TfrmDate chooser(this, SourceHost(), SystemParams.CurrentDate);
    chooser.Label1->setText(QString::fromUtf8("调价日期:"));
    if (fromLog) {
      chooser.labtjdjh->show();
      chooser.cbtjdjh->show();
      // The bills of the server date, whatever date the clerk then picks.
      Variant ref;
      if (!host::OpenQuery(SourceHost(), queue::PriceChangeBillListSql(SystemParams.CurrentDate), ref)) {
        ShowHostErrors(this, ref, "");
        return;
      }
      MemTable bills("cdsBills");
      bills.LoadPacket(PacketOf(ref));
      const int billField = bills.FieldIndexOrThrow("f_djh");
      chooser.cbtjdjh->addItem(QString::fromUtf8(queue::kAllBills));
      for (int r = 0; r < bills.RecordCount(); ++r) chooser.cbtjdjh->addItem(Q(bills.CellAt(r, billField).ToText()));
      chooser.cbtjdjh->setCurrentIndex(chooser.cbtjdjh->count() > 1 ? 1 : -1);
    }
    ui::ExecModal(&chooser);
    if (!chooser.Confirmed()) return;
    const std::string date = chooser.DateText();
    condition = fromLog ? queue::PriceChangeLogCondition(date, S(chooser.cbtjdjh->currentText()), chooser.cb0slsp->isChecked())
                        : queue::PricingBillCondition(date, SystemParams.dybm);
  } catch (const std::exception& e) {
    ui::ShowMessage(this, Q(e.what()), "错误", ui::Icon::Error);
    return;
  }
  ReplaceQueueFromSource(condition, queue::kNoPriceChanges);
}

// ============================================================== what starts today

void TFrmspbqdy::GetTimedSales() { RunProductQuery(queue::TimedSaleCondition(SystemParams.CurrentDate), false); }

void TFrmspbqdy::GetQuantityPricing() {
  RunProductQuery(queue::QuantityPricingCondition(SystemParams.CurrentDate), false);
}

// ============================================================== "调异动商品"

void TFrmspbqdy::GetChangedProducts() {
  QString answer = Q(queue::ChangeListPreset(SystemParams.CurrentDate));
  if (!FlatInputQuery(QString::fromUtf8("输入"), QString::fromUtf8("请输入入账日期(得到该日期最小单号):"), answer)) return;
  if (Trim(S(answer)).empty()) return;
  std::string date;
  switch (queue::ReadChangeListDate(S(answer), SystemParams.qyny, date)) {
    case queue::ChangeListDate::NotADate:
      ui::ShowMessage(this, QString::fromUtf8(queue::kBadDate), "错误", ui::Icon::Error);
      return;
    case queue::ChangeListDate::BeforeSystemStart:
      ui::ShowMessage(this, QString::fromUtf8(queue::kBeforeSystemStart), "错误", ui::Icon::Error);
      return;
    case queue::ChangeListDate::Ok:
      break;
  }
  RunProductQuery(queue::ChangeListCondition(date), false);
}

// ============================================================== "调定价单"

void TFrmspbqdy::GetPricingBill() {
  if (!FrmSelectBill) FrmSelectBill = new TFrmSelectBill(this);
  auto* selector = static_cast<TFrmSelectBill*>(FrmSelectBill);
  const std::string yearMonth = SystemParams.CurrentYearMonth;
  Variant ref;
  if (!host::OpenQuery(SourceHost(), queue::PricingBillListSql(yearMonth), ref)) {
    ShowHostErrors(this, ref, "");
    return;
  }
  selector->cdsbills.LoadPacket(PacketOf(ref));
  if (selector->cdsbills.IsEmpty()) {
    FlatMessageDlg(QString::fromUtf8(queue::kNoExecutedBills), MsgDlgType::Information, MsgDlgBtn::OK);
    return;
  }
  if (ui::ExecModal(selector) != ui::kResultOk) return;
  const std::string bill = selector->cdsbills.GetText("f_djh");
  const long long type = selector->cdsbills.GetInt("f_djlx");
  const std::string lineTable = queue::BillLineTable(type);
  if (lineTable.empty()) throw ModuleError("不能调入该类型的定价单：" + std::to_string(type));
  // The bill's departments stand in for the clerk's choice during this one query only.
  RestoreText keep(DeptRestriction);
  DeptRestriction = queue::BillDepartmentSql(yearMonth, lineTable, bill);
  RunProductQuery(queue::kBillCondition, true);
}

// ============================================================== the log of printed tags

void TFrmspbqdy::GetShelfTags(queue::ShelfTagSource source) {
  if (queue::DepartmentMissing(session::UnitType, ChosenDeptNodes.size())) throw ModuleError(queue::kChooseDeptFirst);
  queue::ShelfTagRequest request;
  request.source = source;
  request.mode = CurrentQueryMode();
  request.originalPrice = chkYxsdj->isChecked();
  request.deptSql = DeptRestriction;
  request.currentDate = SystemParams.CurrentDate;
  ReplaceQueueWith(
      [&](Variant& errors) {
        if (!queue::FillFromShelfTags(SourceHost(), cdsSend, request, cdsSpda, errors)) return false;
        ShowTagColumns(!cdsSpda.IsEmpty());
        return true;
      },
      queue::EmptyMessage(source));
}

// ============================================================== double click on the queue

void TFrmspbqdy::dgdviewDblClick() {
  if (!cdsSpda.Active() || cdsSpda.IsEmpty() || cdsSpda.Eof()) return;
  if (cdsSpda.IsNull("f_spbm")) return;
  if (cdsSpda.GetText("f_spbm").empty() || cdsSpda.GetText("f_jekz") == "1") {
    EditProductInfo();
    return;
  }
  const QString origin = Q(cdsSpda.GetText("f_spcd"));
  const QString answer = FlatInputBox(QString::fromUtf8("修改"), QString::fromUtf8("商品产地"), origin);
  if (answer == origin) return;
  cdsSpda.Edit();
  try {
    cdsSpda.Set("f_Spcd", S(answer));
    cdsSpda.Post();
  } catch (...) {
    if (cdsSpda.state() == MemTable::State::Edit) cdsSpda.Cancel();
    throw;
  }
}

void TFrmspbqdy::EditProductInfo() {
  if (!FrmModiSpinfo) FrmModiSpinfo = new TFrmModiSpinfo(this);
  auto* edit = static_cast<TFrmModiSpinfo*>(FrmModiSpinfo);
  if (edit->Execute(cdsSpda, LastProductInfo, LabelGrade, LabelRemark) == ui::kResultOk)
    LastProductInfo = queue::CaptureProductInfo(cdsSpda);
}

}  // namespace pt
