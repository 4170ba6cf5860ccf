#pragma once
// TFrmChooseDBFields ("选择项目"): the clerk ticks which columns of a grid are shown. Opened only
// by the grid's ChooseColumns; the changes go to the grid's columns when 确定 is pressed.
// Columns whose Tag is not 0 are not offered (Tag 1 marks a column the window keeps hidden).
#include <QDialog>

class QListWidget;

namespace pt {

class TAdvDBGridEh;
class TFlatButton;
class TShape;

class TFrmChooseDBFields : public QDialog {
  Q_OBJECT

 public:
  // Applies the dialog colour scheme; a settings value that is not an integer throws
  // ModuleError and no dialog is made.
  explicit TFrmChooseDBFields(QWidget* parent = nullptr);

  void SetGrid(TAdvDBGridEh* grid) { grid_ = grid; }
  TAdvDBGridEh* Grid() const { return grid_; }

  // The list is filled from the grid each time the dialog is shown.
  void FormShow();
  void btnAllClick();
  void btnnoClick();
  void btnokClick();
  void reject() override;  // Esc and 取消: modal result 2

  QListWidget* ltvChoose = nullptr;
  TShape* qorShape = nullptr;
  TFlatButton* btnAll = nullptr;
  TFlatButton* btnno = nullptr;
  TFlatButton* btnok = nullptr;
  TFlatButton* btncancel = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  TAdvDBGridEh* grid_ = nullptr;
};

}  // namespace pt
