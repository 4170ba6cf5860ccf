#pragma once
// The property panel: the selected objects' position and size in millimetres, text and its
// number format, font, colour, alignment, wrapping and shrinking, the visibility rule, barcode
// options, line and fill, and pictures; with nothing selected, the template's name. Several
// selected objects show what they have in common, and an edit applies to each of them that
// has the property. Every edit is one step of the editor's undo history.
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "designer/TemplateEditor.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace pt::designer {

// Asks for a picture file and reads it: its bytes as base64, or nothing when the clerk cancelled
// or the file is not a picture (which is then reported).
std::optional<std::string> AskPicture(QWidget* owner);

class PropertyPanel : public QWidget {
  Q_OBJECT

 public:
  explicit PropertyPanel(TemplateEditor& editor, QWidget* parent = nullptr);
  // Shows the selection's values (after any change of document or selection).
  void Refresh();
  // Puts the cursor into the text box (a double click on a text object asks for it).
  void FocusText();

  QLineEdit* edtTemplateName;
  QLabel* lblSelection;
  QLineEdit* edtObjectName;
  QDoubleSpinBox* spnX;
  QDoubleSpinBox* spnY;
  QDoubleSpinBox* spnWidth;
  QDoubleSpinBox* spnHeight;
  QLineEdit* edtText;
  QToolButton* btnInsertField;
  QComboBox* cboFormat;
  QFontComboBox* cboFontFamily;
  QDoubleSpinBox* spnFontSize;
  QCheckBox* chkBold;
  QCheckBox* chkItalic;
  QCheckBox* chkStrikeOut;
  QToolButton* btnColor;
  QComboBox* cboAlign;
  QComboBox* cboVAlign;
  QCheckBox* chkWordWrap;
  QCheckBox* chkShrinkToFit;
  QComboBox* cboSymbology;
  QCheckBox* chkShowText;
  QDoubleSpinBox* spnLineWidth;
  QCheckBox* chkFill;
  QToolButton* btnFillColor;
  QToolButton* btnPicture;
  QLabel* lblPicture;
  QCheckBox* chkKeepAspect;
  QLineEdit* edtVisibleIf;

 signals:
  void Edited();
  void EditRefused(const QString& reason);

 protected:
  // The wheel over a number or list box that is not being edited scrolls the panel instead of
  // changing the object under the pointer.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build();
  void Wire();
  // Runs one edit through the editor; a refused one is reported and the panel shows the
  // document again.
  void Run(const std::function<bool()>& edit);
  void Set(const std::vector<std::string>& path, const Json& value, const std::vector<ObjectKind>& kinds,
           const std::string& label, const std::string& mergeKey = {});
  void SetBoxPart(int part, double value);
  void ChooseColor(const char* key, const std::vector<ObjectKind>& kinds);
  void ChoosePicture();
  void InsertExpression(const std::string& bracketed);

  TemplateEditor& editor_;
  bool loading_ = false;
  QGroupBox* grpTemplate;
  QGroupBox* grpBox;
  QGroupBox* grpText;
  QGroupBox* grpFont;
  QGroupBox* grpColor;
  QGroupBox* grpBarcode;
  QGroupBox* grpLine;
  QGroupBox* grpPicture;
  QGroupBox* grpVisible;
};

}  // namespace pt::designer
