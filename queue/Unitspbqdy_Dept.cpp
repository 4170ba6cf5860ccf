// The main window's department choice: the pricing-department tree and the department SQL that
// every product query carries.
#include "common/HostErrorBox.h"
#include "common/ModuleError.h"
#include "common/UiSeam.h"
#include "dialogs/UnitSelectBM.h"
#include "host/HostOperations.h"
#include "module/ModuleSession.h"
#include "queue/DeptChoice.h"
#include "queue/Unitspbqdy.h"

namespace pt {

namespace {

HostService& Host() { return session::ActiveHostService(); }

TFrmSelectBM* Selector(QDialog* dialog) { return qobject_cast<TFrmSelectBM*>(dialog); }

}  // namespace

void TFrmspbqdy::LoadDeptTree() {
  delete FrmSelectBM;
  auto* selector = new TFrmSelectBM(this);
  FrmSelectBM = selector;
  if (!cdsbm.Active()) queue::PrepareChoiceTable(cdsbm);

  Variant ref(queue::DeptTreeArgument(session::OperatorCode));
  if (!host::QueryRows(Host(), queue::kDeptTreeSelector, ref)) {
    ShowHostErrors(this, ref, queue::kDeptTreeErrorPrefix);
    return;
  }
  try {
    if (!ref.IsPacket()) throw ModuleError("主机没有返回定价部门数据包");
    MemTable rows("cdspub");
    rows.LoadPacket(ref.AsPacket());
    if (rows.IsEmpty()) {
      ui::ShowMessage(this, QString::fromUtf8(queue::kNoManagedDepts), QString::fromUtf8("提示"), ui::Icon::Information);
      session::CloseOnShow = true;
      return;
    }
    queue::BuildDeptTree(rows, selector->Tree());
  } catch (const std::exception& e) {
    // Rows the tree cannot hold are reported like a failed request: the window opens without a
    // tree, and every source that needs a department stops at the department check.
    ui::ShowMessage(this, QString::fromStdString(std::string(queue::kDeptTreeErrorPrefix) + "\r\n" + e.what()),
                    QString::fromUtf8("错误"), ui::Icon::Error);
  }
  selector->RebuildItems();
}

void TFrmspbqdy::CollectTickedDepts(std::vector<std::string>& list) {
  list.clear();
  if (TFrmSelectBM* selector = Selector(FrmSelectBM)) list = queue::CollectTickedDepts(selector->Tree());
}

void TFrmspbqdy::btnDeptClick() {
  TFrmSelectBM* selector = Selector(FrmSelectBM);
  if (!selector) throw ModuleError(queue::kDeptRequired);
  queue::PreTickFromChoice(selector->Tree(), cdsbm);
  selector->RefreshItems();
  CollectTickedDepts(ChosenDeptNodes);
  if (ui::ExecModal(selector) != ui::kResultOk) return;

  // The choice in force changes only when a new one is confirmed: an empty confirmation leaves
  // the list, the remembered rows and the department SQL as they were.
  std::vector<std::string> chosen;
  CollectTickedDepts(chosen);
  if (chosen.size() < 2) throw ModuleError(queue::kDeptRequired);
  const queue::DeptChoice choice = queue::ComposeDeptChoice(selector->Tree(), chosen);
  queue::StoreDeptChoice(choice, cdsbm);
  DeptRestriction = choice.restriction;
  ChosenDeptNodes = std::move(chosen);
}

}  // namespace pt
