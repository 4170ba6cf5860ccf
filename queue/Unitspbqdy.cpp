#include "queue/Unitspbqdy.h"

#include <QShowEvent>

#include "module/ModuleSession.h"

namespace pt {

TFrmspbqdy::TFrmspbqdy(QWidget* owner) : TFrmBase(owner) {
  setObjectName(QStringLiteral("TFrmspbqdy"));
  setWindowTitle(QString::fromUtf8("商品标价签打印"));
  FormCreate();
}

void TFrmspbqdy::FormCreate() {
  session::CloseOnShow = false;
}

void TFrmspbqdy::FormClose() {
  TFrmBase::FormClose();
}

void TFrmspbqdy::showEvent(QShowEvent* event) {
  TFrmBase::showEvent(event);
  // A start-up that failed has been reported; the window goes as soon as it appears.
  if (session::CloseOnShow) close();
}

}  // namespace pt
