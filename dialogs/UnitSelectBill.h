#pragma once
// `TFrmSelectBill`, "单据选择": the clerk picks one executed pricing bill of the month. The
// opener fills `cdsbills` and, after OK, reads "f_djh" and "f_djlx" of its current row.
#include <QDialog>

#include "common/MemTable.h"

namespace pt {

class TAdvDBGridEh;
class TFlatButton;

class TFrmSelectBill : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmSelectBill(QWidget* owner = nullptr);
  ~TFrmSelectBill() override;

  MemTable cdsbills{"cdsbills"};
  TAdvDBGridEh* dgdView = nullptr;
  TFlatButton* FlatButton1 = nullptr;  // "确  定(&O)"
  TFlatButton* FlatButton2 = nullptr;  // "取  消(&C)"

  // Closes with OK when the current row carries a bill number; otherwise nothing happens.
  void dgdViewDblClick();
  void reject() override { done(2); }

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace pt
