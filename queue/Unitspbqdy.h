#pragma once
// The module's main window, "商品标价签打印": the print queue inside the host panel.
#include <QWidget>

#include "common/UnitBaseForm.h"

class QShowEvent;

namespace pt {

class TFrmspbqdy : public TFrmBase {
  Q_OBJECT
 public:
  explicit TFrmspbqdy(QWidget* owner = nullptr);

 protected:
  // Start-up; the base creation has run in TFrmBase's constructor.
  void FormCreate();
  // Base close (host notice, free on close), then the window's own closing work.
  void FormClose() override;
  void showEvent(QShowEvent* event) override;
};

}  // namespace pt
