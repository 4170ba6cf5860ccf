// The main window's report windows: pre-promotion reference prices and the promotion details.
#include <memory>

#include "common/UiSeam.h"
#include "queue/Unitspbqdy.h"
#include "reports/UnitSearch.h"
#include "reports/Unityjg.h"

namespace pt {

void TFrmspbqdy::CreatePromotionDetailWindow() {
  if (FrmBjqSearch) return;
  // Owned by this window: it lives hidden between showings and goes when this window goes.
  FrmBjqSearch = new TFrmBjqSearch(this);
  FrmBjqSearch->hide();
}

void TFrmspbqdy::btnyjgClick() {
  // No owner: a window of its own for this one opening, destroyed when it closes.
  auto window = std::make_unique<TFrmyjg>(nullptr, SystemParams.CurrentDate);
  ui::ExecModal(window.get());
}

void TFrmspbqdy::tbnjgClick() {
  if (!cdsSpda.Active()) return;
  auto* window = qobject_cast<TFrmBjqSearch*>(FrmBjqSearch);
  if (!window) return;
  window->LoadQueue(cdsSpda);
  ui::ExecModal(window);
}

}  // namespace pt
