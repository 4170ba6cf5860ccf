#pragma once
// `TfmDysz`, the print settings dialog: grade, reduction reason, promotion period and remark.
// The first three live in the settings file (section "SpBjqDy"); the remark only in the main
// window's memory. Below them: the start position on a partly used sheet ("Qswz", checked
// against the chosen template's sheet) and the way to the printer calibration.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "printing/LabelJob.h"

namespace pt::printing {

class TfmDysz : public QDialog {
  Q_OBJECT

 public:
  explicit TfmDysz(QWidget* owner, const LabelSheet& sheet = {});

  QLineEdit* feSpdj;
  QLineEdit* feJjyy;
  QComboBox* cboDyLb;
  QLineEdit* edtbz;
  QLineEdit* feQswz;   // "起始位置："
  QLabel* lblQswz;     // what positions the chosen template's sheet has
  QPushButton* btnJz;  // "打印机校准..."
  QPushButton* btnOK;
  QPushButton* btnCancel;

  // Shows the dialog with the remark preset; on OK writes the settings and returns true with
  // the new remark in `remark`; on cancel nothing is written and `remark` is untouched.
  static bool Edit(QWidget* owner, std::string& remark, const LabelSheet& sheet = {});

 protected:
  void reject() override { done(2); }

 private:
  void btnOKClick();
  void btnJzClick();
  void ReadSettings();
  LabelSheet sheet_;
};

}  // namespace pt::printing
