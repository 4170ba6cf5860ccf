#pragma once
// `TfmDysz`, the print settings dialog: grade, reduction reason, promotion period and remark.
// The first three live in the settings file (section "SpBjqDy"); the remark only in the main
// window's memory.
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

namespace pt::printing {

class TfmDysz : public QDialog {
  Q_OBJECT

 public:
  explicit TfmDysz(QWidget* owner);

  QLineEdit* feSpdj;
  QLineEdit* feJjyy;
  QComboBox* cboDyLb;
  QLineEdit* edtbz;
  QPushButton* btnOK;
  QPushButton* btnCancel;

  // Shows the dialog with the remark preset; on OK writes the settings and returns true with
  // the new remark in `remark`; on cancel nothing is written and `remark` is untouched.
  static bool Edit(QWidget* owner, std::string& remark);

 protected:
  void reject() override { done(2); }

 private:
  void btnOKClick();
  void ReadSettings();
};

}  // namespace pt::printing
