#pragma once
// TFrmRF ("调RF数据"): the chooser of pending RF handheld request batches. One row per batch and
// price type (employee code, name, batch time, price type, count), each with a check box; the
// main window fills the rows, runs the window modally and reads the ticks after 确定.
// The window has no logic of its own: 确定 ends it with the OK result, 放弃 and Esc with cancel.
#include <QDialog>

class QTreeWidget;

namespace pt {

class TFlatButton;

class TFrmRF : public QDialog {
  Q_OBJECT

 public:
  // Column positions of lsvRF.
  enum Column { ColEmployee = 0, ColName, ColTime, ColPriceType, ColCount, ColumnCount };

  explicit TFrmRF(QWidget* parent = nullptr);

  void reject() override;  // modal result 2

  // A report-style list: check boxes, grid lines, whole-row selection, read-only, no sorting.
  QTreeWidget* lsvRF = nullptr;
  TFlatButton* btnOK = nullptr;
  TFlatButton* btnCancel = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace pt
