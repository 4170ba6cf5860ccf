// The main window's report windows: pre-promotion reference prices and the promotion details.
#include "common/UiSeam.h"
#include "queue/Unitspbqdy.h"

namespace pt {

void TFrmspbqdy::CreatePromotionDetailWindow() {}

void TFrmspbqdy::btnyjgClick() {
  ui::ShowMessage(this, QString::fromUtf8("商品原价功能尚未提供。"), "提示", ui::Icon::Information);
}

void TFrmspbqdy::tbnjgClick() {
  ui::ShowMessage(this, QString::fromUtf8("价格信息功能尚未提供。"), "提示", ui::Icon::Information);
}

}  // namespace pt
