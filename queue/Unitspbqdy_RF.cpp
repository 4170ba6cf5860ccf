// The main window's RF handheld tag requests: list the pending batches by price type, let the
// clerk tick them, feed every requested product through the code entry and delete the fed
// requests.
#include <QTreeWidget>
#include <algorithm>
#include <memory>

#include "common/ErrorGuard.h"
#include "common/HostErrorBox.h"
#include "common/TextRoutines.h"
#include "common/UiSeam.h"
#include "common/UnitHint.h"
#include "host/HostOperations.h"
#include "module/ModuleSession.h"
#include "queue/ProductQuery.h"
#include "queue/RFRequests.h"
#include "queue/UnitRF.h"
#include "queue/Unitspbqdy.h"

namespace pt {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

Variant ErrorList(const std::string& message) { return Variant::MakeArray({Variant(message)}); }

// OpenQuery into a table that takes the packet's fields. A host that raises, or answers with
// something that is no readable packet, counts as a failed call: its message becomes the error
// list, so the clerk sees it under the step's prefix even while the busy hint silences errors.
bool OpenInto(const std::string& sql, MemTable& table, Variant& errors) {
  try {
    Variant ref;
    if (!host::OpenQuery(session::ActiveHostService(), sql, ref)) {
      errors = ref;
      return false;
    }
    if (!ref.IsPacket()) throw ModuleError("主机没有返回数据包");
    table.Close();
    table.ClearFields();
    table.LoadPacket(ref.AsPacket());
    return true;
  } catch (const std::exception& e) {
    errors = ErrorList(e.what());
    return false;
  }
}

// ExecuteCommand on one statement; on false `ref` holds the error list.
bool Execute(const std::string& sql, Variant& ref) {
  ref = Variant(sql);
  try {
    return host::ExecuteCommand(session::ActiveHostService(), ref);
  } catch (const std::exception& e) {
    ref = ErrorList(e.what());
    return false;
  }
}

void AddChooserRow(TFrmRF& chooser, MemTable& keys, const queue::RfChooserRow& row) {
  keys.Append();
  keys.Set("f_Zybm", row.employee);
  keys.Set("f_Zymc", row.name);
  keys.Set("f_Sj", row.batchTime);
  keys.Post();
  auto* item = new QTreeWidgetItem(chooser.lsvRF, QStringList{Q(row.employee), Q(row.name), Q(row.shownTime),
                                                              Q(row.label), Q(row.count)});
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(TFrmRF::ColEmployee, Qt::Unchecked);
}

}  // namespace

void TFrmspbqdy::btnRfClick() {
  const std::string today = SystemParams.CurrentDate;
  queue::PrepareRfBatchKeys(cdsRF_All);

  // The four lists, in the order the chooser shows them.
  std::unique_ptr<TFrmRF> chooser;
  for (queue::RfList list : queue::kRfLists) {
    Variant errors;
    if (!OpenInto(queue::RfBatchListSql(list, today), cdsRF, errors)) {
      ShowHostErrors(this, errors, queue::kRfReadFailed);
      return;
    }
    if (!chooser) {
      cdsRF_All.EmptyDataSet();
      chooser = std::make_unique<TFrmRF>(this);
      chooser->lsvRF->clear();
    }
    for (cdsRF.First(); !cdsRF.Eof(); cdsRF.Next()) AddChooserRow(*chooser, cdsRF_All, queue::RfRowFromRecord(cdsRF, list));
    cdsRF.EmptyDataSet();
  }

  if (ui::ExecModal(chooser.get()) != ui::kResultOk) return;

  // Every code entry would raise the department error, silently under the busy hint, and the
  // batches would then be deleted with nothing queued: refuse the transfer before it starts.
  if (queue::DepartmentMissing(session::UnitType, ChosenDeptNodes.size())) throw ModuleError(queue::kChooseDeptFirst);

  BusyHint hint(this, QString::fromUtf8("正在调入RF数据..."));
  if (hint.hint()) hint.hint()->Label1->repaint();

  QTreeWidget* rows = chooser->lsvRF;
  for (int row = 0; row < rows->topLevelItemCount(); ++row) {
    cdsRF_All.SetRecNo(row + 1);
    QTreeWidgetItem* item = rows->topLevelItem(row);
    if (item->checkState(TFrmRF::ColEmployee) != Qt::Checked) continue;
    const std::optional<std::string> clause =
        queue::RfTransferClause(item->text(TFrmRF::ColPriceType).toStdString(), today);
    if (!clause) continue;
    const std::string employee = cdsRF_All.GetText("f_Zybm");
    const std::string batchTime = cdsRF_All.GetText("f_Sj");

    // The row's requests are claimed first: what a handheld uploads to the batch from now on is
    // neither fed nor deleted by this run, and no other workstation lists what it claimed.
    const std::string tag = queue::RfNewClaimTag();
    Variant claim;
    if (!Execute(queue::RfClaimSql(employee, batchTime, *clause, tag), claim)) {
      hint.Hide();
      ShowHostErrors(this, claim, queue::kRfReadFailed);
      return;
    }

    if (CDSRF1.Active()) CDSRF1.EmptyDataSet();
    Variant errors;
    if (!OpenInto(queue::RfBatchSelectSql(tag, batchTime, *clause), CDSRF1, errors)) {
      Variant back;
      Execute(queue::RfReleaseSql(employee, batchTime, tag), back);  // nothing was fed: the requests wait again
      hint.Hide();
      ShowHostErrors(this, errors, queue::kRfReadFailed);
      return;
    }
    // The codes are read before any is fed: the code entry may show boxes and run the event loop.
    std::vector<std::string> codes;
    const int codeField = CDSRF1.FieldIndexOrThrow("f_Spbm");
    for (int i = 0; i < CDSRF1.RecordCount(); ++i) codes.push_back(CDSRF1.CellAt(i, codeField).ToText());

    // Codes whose entry raised an error were dropped without a word: their requests stay.
    std::vector<std::string> keep;
    const int total = static_cast<int>(codes.size());
    for (int n = 1; n <= total; ++n) {
      const std::string& code = codes[static_cast<size_t>(n - 1)];
      hint.SetText(QString::fromUtf8("正在调入RF数据") + QString::number(n) + "/" + QString::number(total) + "...");
      cboLb->setCurrentIndex(0);
      // A blank code would make the code entry add a blank amount-controlled label; no handheld
      // asks for that.
      if (Trim(code).empty()) continue;
      edtName->setText(Q(code));
      bool raised = false;
      Guard(this, [&] {
        try {
          edtNameKeyDown(Qt::Key_Return, {});
        } catch (...) {
          raised = true;
          throw;
        }
      });
      if (raised && std::find(keep.begin(), keep.end(), code) == keep.end()) keep.push_back(code);
    }

    // One call, so one transaction: the fed requests go, the rest of the claim goes back.
    Variant ref;
    if (!Execute(queue::RfBatchDeleteSql(tag, batchTime, *clause, keep) + ";" +
                     queue::RfReleaseSql(employee, batchTime, tag),
                 ref)) {
      Variant back;
      Execute(queue::RfReleaseSql(employee, batchTime, tag), back);  // the claim goes back as it was
      hint.Hide();
      ShowHostErrors(this, ref, queue::kRfDeleteFailed);
      return;
    }
  }
}

}  // namespace pt
