#pragma once
// Page set-up of a label template (页面设置): roll labels (the label's width and height) or
// sheets of labels (paper, orientation, margins, label size, columns, rows, gaps and the order
// labels are filled in), with a picture of the sheet. OK stays off while the labels do not fit.
#include <QDialog>

#include "designer/TemplateDocument.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace pt::designer {

class TFrmYmsz : public QDialog {
  Q_OBJECT

 public:
  // Header and footer heights take room on every page of a sheet.
  TFrmYmsz(const PageSetup& page, double headerHeight, double footerHeight, QWidget* parent = nullptr);
  PageSetup Setup() const;
  const SheetLayout& Layout() const { return layout_; }

  QComboBox* cboKind;
  QComboBox* cboPaper;
  QDoubleSpinBox* spnPaperWidth;
  QDoubleSpinBox* spnPaperHeight;
  QComboBox* cboOrientation;
  QDoubleSpinBox* spnMarginLeft;
  QDoubleSpinBox* spnMarginTop;
  QDoubleSpinBox* spnMarginRight;
  QDoubleSpinBox* spnMarginBottom;
  QDoubleSpinBox* spnLabelWidth;
  QDoubleSpinBox* spnLabelHeight;
  QSpinBox* spnColumns;
  QSpinBox* spnRows;
  QDoubleSpinBox* spnColumnGap;
  QDoubleSpinBox* spnRowGap;
  QComboBox* cboOrder;
  QWidget* panPicture;
  QLabel* lblFit;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 private:
  void Load(const PageSetup& page);
  void Update();
  void PaperChosen(int index);

  double header_, footer_;
  SheetLayout layout_;
  bool loading_ = false;
};

}  // namespace pt::designer
