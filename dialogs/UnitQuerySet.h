#pragma once
// TFrmQuerySet: the query-condition builder. The clerk picks a field, an operator and a value,
// adds the expression to the list, joins expressions with "并且" / "或者" and confirms; the list
// becomes condition text (dialogs/QueryCondition.h composes it). Opened only by the data grid:
// in its query form (SQL for the product search) or its filter form (the grid's client-side
// filter, "does not contain" left to the grid as an exclusion pattern).
//
// Every box it shows is a flat dialog (common/FlatDialog.h) and so runs through the UI seam.
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/QueryCondition.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace pt {

class MemTable;
class TFlatButton;
class TLabel;
class TShape;

class TFrmQuerySet : public QDialog {
  Q_OBJECT

 public:
  // Both apply the dialog colour scheme first; a settings value that is not an integer throws
  // ModuleError and no dialog is made. `initial` may be null (an empty list).
  static std::unique_ptr<TFrmQuerySet> CreateForQuery(QWidget* owner, const std::string& caption,
                                                      const std::string& aliasList, const std::string& helpText,
                                                      const std::string& substitutionText,
                                                      const ExpressionList* initial);
  static std::unique_ptr<TFrmQuerySet> CreateForFilter(QWidget* owner, const std::string& caption,
                                                       const std::string& aliasList, const std::string& ignoredText,
                                                       const ExpressionList* initial, bool visibleFieldsOnly);
  ~TFrmQuerySet() override;

  // The table whose fields are offered; set by the opener before showing. Not owned.
  void SetSourceDataSet(MemTable* table) { sourceDataSet_ = table; }
  MemTable* SourceDataSet() const { return sourceDataSet_; }

  // ---- state
  int LastLogicIsOr() const { return lastLogicIsOr_; }
  const std::string& AliasList() const { return aliasList_; }
  const std::string& HelpText() const { return helpText_; }
  const std::vector<std::string>& FieldSubstitutions() const { return fieldSubstitutions_; }
  bool VisibleFieldsOnly() const { return visibleFieldsOnly_; }
  int FilterMode() const { return filterMode_; }

  // ---- results, read after the dialog closed
  ExpressionList Expressions() const;   // the rows of lvwLogic
  std::string ConditionText() const;    // the text of memSQL (the reader trims it)
  const std::string& ExcludePattern() const { return condition_.excludePattern; }
  const std::string& ExcludeField() const { return condition_.excludeField; }
  const ConditionResult& Condition() const { return condition_; }  // every exclusion, with offsets

  // Composes the condition from the list into memSQL. Throws ModuleError (no field to refer to,
  // an operator word it does not know).
  void BuildCondition();

  // ---- handlers, named after the controls
  void FormShow();  // fills cbxField from SourceDataSet
  void btnAddLogicClick();
  void btnModifyClick(int tag);  // btnModifyOK 0, btnModifyCancel 1
  void btnClearLogicClick();
  void btnOKClick();
  void btnHelpClick();
  void btnExitClick();
  void mnuFieldClick(int tag);  // mnuAddField 0, mnuModifyField 1, mnuDelField 2
  void mnuLogicClick(int tag);  // mnuLogicOR 0, mnuLogicAND 1
  void pmnuSetFieldPopup();     // enables the items that fit the selected row
  void TestCondition();         // Alt+F2
  void reject() override;       // Esc: modal result 2

  // ---- controls (objectName = member name)
  QGroupBox* gbxGoodsInfo = nullptr;
  TShape* qorShapeList = nullptr;
  TShape* qorShapevalue = nullptr;
  TShape* qorShapeLine = nullptr;
  TLabel* lblTemp = nullptr;
  TLabel* lblFactor = nullptr;
  TLabel* lblValue = nullptr;
  QComboBox* cbxField = nullptr;
  QComboBox* cbxFactor = nullptr;
  QLineEdit* editValue = nullptr;
  TFlatButton* btnAddLogic = nullptr;
  TFlatButton* btnModifyOK = nullptr;
  TFlatButton* btnModifyCancel = nullptr;
  TFlatButton* btnClearLogic = nullptr;
  TFlatButton* btnOK = nullptr;
  TFlatButton* btnHelp = nullptr;
  TFlatButton* btnExit = nullptr;
  TFlatButton* btnRunLogic = nullptr;
  QTreeWidget* lvwLogic = nullptr;
  QPlainTextEdit* memSQL = nullptr;
  QMenu* pmnuSetField = nullptr;
  QAction* mnuAddField = nullptr;
  QAction* mnuModifyField = nullptr;
  QAction* mnuModifyLogic = nullptr;
  QAction* mnuLogicOR = nullptr;
  QAction* mnuLogicAND = nullptr;
  QAction* mnuDelField = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  TFrmQuerySet(QWidget* owner, bool filterMode, const std::string& caption, const ExpressionList* initial);
  void AppendRow(const ExpressionRow& row);
  static ExpressionRow RowOf(const QTreeWidgetItem* item);
  static void WriteRow(QTreeWidgetItem* item, const ExpressionRow& row);
  QTreeWidgetItem* SelectedItem() const;
  void EndModify();
  bool ChosenFieldAndOperator();

  int lastLogicIsOr_ = 0;
  std::string aliasList_;
  std::string helpText_;
  std::vector<std::string> fieldSubstitutions_;
  bool visibleFieldsOnly_ = true;
  int filterMode_ = 0;
  MemTable* sourceDataSet_ = nullptr;
  ConditionResult condition_;
  QTreeWidgetItem* modifying_ = nullptr;  // the row a modification writes to
};

}  // namespace pt
