// The main window's product sources ("调商品") and the product info edit.
#include "common/UiSeam.h"
#include "queue/Unitspbqdy.h"

namespace pt {

void TFrmspbqdy::btngetspClick() {
  if (NRF->isChecked()) {
    btnRfClick();
    return;
  }
  if (Njg->isChecked()) {
    tbnjgClick();
    return;
  }
  ui::ShowMessage(this, QString::fromUtf8("调商品功能尚未提供。"), "提示", ui::Icon::Information);
}

void TFrmspbqdy::NjgClick(QAction* item) {
  item->setChecked(true);
  btngetspClick();
}

void TFrmspbqdy::tbnXpClick() {}
void TFrmspbqdy::tbTjspClick() {}
void TFrmspbqdy::dgdviewDblClick() {}

}  // namespace pt
