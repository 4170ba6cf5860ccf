#pragma once
// `TFrmModiSpinfo`, "修改商品信息": the clerk corrects the label data of one queue row before
// printing. Its bound edits work on the queue's current row, held in edit state while the
// window is open; OK posts the row, every other way out cancels it.
#include <QDialog>
#include <QLineEdit>
#include <string>
#include <vector>

#include "common/MemTable.h"
#include "queue/ProductSources.h"

namespace pt {

class TFlatButton;

// A line edit bound to one field of a table's row being edited: it shows the field's value
// and writes what the clerk types into the row. Texts are held to the field's size in GBK
// bytes; a number field takes the text once it reads as a number.
class TDBEdit : public QLineEdit {
  Q_OBJECT

 public:
  TDBEdit(std::string field, QWidget* parent = nullptr);
  const std::string& FieldName() const { return field_; }
  // Binds the edit to the table (nullptr unbinds) and shows the field's value.
  void Bind(MemTable* table);
  void Refresh();
  // Writes the text into the row; false, with the clerk's message, when a number field holds
  // text that is not a number.
  bool WriteBack(std::string& problem);

 private:
  MemTable* table_ = nullptr;
  std::string field_;
  bool refreshing_ = false;
};

class TFrmModiSpinfo : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmModiSpinfo(QWidget* owner = nullptr);

  TDBEdit* DBEdit12 = nullptr;  // f_Spbm
  TDBEdit* DBEdit1 = nullptr;   // f_Sphh
  TDBEdit* DBEdit2 = nullptr;   // f_Spmc
  TDBEdit* DBEdit6 = nullptr;   // f_Spcd
  TDBEdit* DBEdit8 = nullptr;   // f_Ggxh
  TDBEdit* DBEdit3 = nullptr;   // f_sppp
  TDBEdit* DBEdit10 = nullptr;  // f_cf
  QLineEdit* edtdj = nullptr;   // the label grade
  TDBEdit* DBEdit5 = nullptr;   // f_Jldw
  TDBEdit* edtxsdj = nullptr;   // f_Xsdj, digits only
  TDBEdit* DBEdit4 = nullptr;   // f_BqPtXsdj, digits only
  TDBEdit* DBEdit9 = nullptr;   // f_BqPtQsrq
  TDBEdit* DBEdit7 = nullptr;   // f_BqPtJsrq
  TDBEdit* DBEdit11 = nullptr;  // f_spbz
  QLineEdit* edtbz = nullptr;   // the label remark
  TFlatButton* btnok = nullptr;
  TFlatButton* btncancel = nullptr;

  // Edits the queue's current row: puts it into edit state, fills its empty fields from the
  // defaults, presets grade and remark, and shows the window modally. On OK the row is posted
  // and grade and remark take the window's texts; on any other close the row's edit, defaults
  // included, is cancelled. Returns the modal result (1 OK).
  int Execute(MemTable& queue, const queue::ProductInfoDefaults& defaults, std::string& labelGrade,
              std::string& labelRemark);

  void btnokClick();
  void btncancelClick();
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CancelRowEdit();
  std::vector<TDBEdit*> BoundEdits() const;

  MemTable* table_ = nullptr;
  std::string* grade_ = nullptr;
  std::string* remark_ = nullptr;
};

}  // namespace pt
