// The main window's RF handheld tag requests.
#include "common/UiSeam.h"
#include "queue/Unitspbqdy.h"

namespace pt {

void TFrmspbqdy::btnRfClick() {
  ui::ShowMessage(this, QString::fromUtf8("调RF数据功能尚未提供。"), "提示", ui::Icon::Information);
}

}  // namespace pt
