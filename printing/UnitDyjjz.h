#pragma once
// `TfmDyjjz`, "打印机校准": per printer of this workstation, how far its labels are shifted
// (millimetres, right and down positive) and scaled, kept in the settings file (section
// "SpBjqDyjz"). Applied when printing only. "打印校准页" prints a frame with millimetre rulers and
// the printer's name with the values as typed, so they can be tried before they are kept.
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

#include "printing/LabelJob.h"

namespace pt::printing {

class TfmDyjjz : public QDialog {
  Q_OBJECT

 public:
  // The calibration page takes the sheet's paper size (A4 when no template is known).
  TfmDyjjz(QWidget* owner, const LabelSheet& sheet);

  QComboBox* cboDyj;       // the printer: the workstation's queues, or a name typed
  QLineEdit* feSppy;       // "水平偏移(毫米)："
  QLineEdit* feCzpy;       // "垂直偏移(毫米)："
  QLineEdit* feSfbl;       // "缩放比例："
  QPushButton* btnDyjzy;   // "打印校准页"
  QPushButton* btnOK;
  QPushButton* btnCancel;

 protected:
  void reject() override { done(2); }

 private:
  void LoadPrinter();                     // the chosen printer's stored values into the edits
  std::optional<Calibration> ReadEdits();  // a message and nothing when they make no calibration
  void btnDyjzyClick();
  void btnOKClick();

  LabelSheet sheet_;
};

}  // namespace pt::printing
