// The main window's department choice: the pricing-department tree and the department SQL that
// every product query carries.
#include "common/UiSeam.h"
#include "queue/Unitspbqdy.h"

namespace pt {

void TFrmspbqdy::LoadDeptTree() {}

void TFrmspbqdy::CollectTickedDepts(std::vector<std::string>& list) { list.clear(); }

void TFrmspbqdy::btnDeptClick() {
  ui::ShowMessage(this, QString::fromUtf8("部门选择功能尚未提供。"), "提示", ui::Icon::Information);
}

}  // namespace pt
