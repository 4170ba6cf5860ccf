#include "dialogs/UnitModiSpinfo.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QVBoxLayout>

#include "common/ErrorGuard.h"
#include "common/GbkCodec.h"
#include "common/TextRoutines.h"
#include "common/UiSeam.h"
#include "dialogs/FlatControls.h"

namespace pt {

namespace {

// Holds a text to the field's size as the suite counts it: GBK bytes.
class GbkSizeValidator : public QValidator {
 public:
  GbkSizeValidator(size_t bytes, QObject* parent) : QValidator(parent), bytes_(bytes) {}
  State validate(QString& input, int&) const override {
    return GbkLength(input.toStdString()) <= bytes_ ? Acceptable : Invalid;
  }

 private:
  size_t bytes_;
};

bool IsEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

// The keys a price edit takes: digits, the decimal point, backspace and Enter. Keys that type
// nothing (arrows, Delete, Tab) are not typing and pass.
bool PriceKeyAccepted(const QKeyEvent* e) {
  if (IsEnter(e->key()) || e->key() == Qt::Key_Backspace) return true;
  const QString text = e->text();
  if (text.isEmpty()) return true;
  const QChar c = text.at(0);
  if ((c >= u'0' && c <= u'9') || c == u'.') return true;
  // Tab, Esc and Delete type nothing; every other character, control characters included
  // (Ctrl+V pastes through one), is dropped.
  return c == u'\t' || c == u'\x1b' || c == u'\x7f';
}

}  // namespace

// ============================================================== bound edit

TDBEdit::TDBEdit(std::string field, QWidget* parent) : QLineEdit(parent), field_(std::move(field)) {
  connect(this, &QLineEdit::textEdited, this, Guarded(this, [this](const QString&) {
    if (refreshing_ || !table_) return;
    if (table_->state() != MemTable::State::Edit && table_->state() != MemTable::State::Insert) return;
    std::string ignored;
    WriteBack(ignored);  // a number that does not read yet is checked again on OK
  }));
}

void TDBEdit::Bind(MemTable* table) {
  table_ = table;
  if (table_) {
    const int f = table_->FieldIndexOrThrow(field_);
    const FieldDef& def = table_->Field(f);
    if (def.type == FieldType::Text && def.size > 0 && !validator()) setValidator(new GbkSizeValidator(def.size, this));
  }
  Refresh();
}

void TDBEdit::Refresh() {
  refreshing_ = true;
  setText(table_ && table_->Active() && !table_->IsEmpty() ? QString::fromStdString(table_->GetText(field_)) : QString());
  refreshing_ = false;
}

bool TDBEdit::WriteBack(std::string& problem) {
  if (!table_) return true;
  const std::string value = text().toStdString();
  const FieldDef& def = table_->Field(table_->FieldIndexOrThrow(field_));
  const std::string trimmed = Trim(value);
  switch (def.type) {
    case FieldType::Float: {
      double number = 0;
      if (trimmed.empty()) {
        table_->Set(field_, Variant());
      } else if (TextToFloat(trimmed, number)) {
        table_->Set(field_, number);
      } else {
        problem = "'" + value + "'不是有效的浮点数值";
        return false;
      }
      return true;
    }
    case FieldType::Integer: {
      int64_t number = 0;
      if (trimmed.empty()) {
        table_->Set(field_, Variant());
      } else if (TextToInt(trimmed, number)) {
        table_->Set(field_, static_cast<long long>(number));
      } else {
        problem = "'" + value + "'不是有效的整数值";
        return false;
      }
      return true;
    }
    default:
      table_->Set(field_, value);
      return true;
  }
}

// ============================================================== the window

TFrmModiSpinfo::TFrmModiSpinfo(QWidget* owner) : QDialog(owner) {
  setObjectName("TFrmModiSpinfo");
  setWindowTitle(QString::fromUtf8("修改商品信息"));
  setModal(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, WinColor(kDialogBack));
  setPalette(pal);
  setAutoFillBackground(true);

  auto bound = [this](const char* name, const char* field) {
    auto* e = new TDBEdit(field, this);
    e->setObjectName(name);
    return e;
  };
  DBEdit12 = bound("DBEdit12", "f_Spbm");
  DBEdit1 = bound("DBEdit1", "f_Sphh");
  DBEdit2 = bound("DBEdit2", "f_Spmc");
  DBEdit6 = bound("DBEdit6", "f_Spcd");
  DBEdit8 = bound("DBEdit8", "f_Ggxh");
  DBEdit3 = bound("DBEdit3", "f_sppp");
  DBEdit10 = bound("DBEdit10", "f_cf");
  edtdj = new QLineEdit(this);
  edtdj->setObjectName("edtdj");
  DBEdit5 = bound("DBEdit5", "f_Jldw");
  edtxsdj = bound("edtxsdj", "f_Xsdj");
  DBEdit4 = bound("DBEdit4", "f_BqPtXsdj");
  DBEdit9 = bound("DBEdit9", "f_BqPtQsrq");
  DBEdit7 = bound("DBEdit7", "f_BqPtJsrq");
  DBEdit11 = bound("DBEdit11", "f_spbz");
  edtbz = new QLineEdit(this);
  edtbz->setObjectName("edtbz");
  // Pasting goes past the key filter: the price edits take only what a price can be made of.
  for (QLineEdit* price : {static_cast<QLineEdit*>(edtxsdj), static_cast<QLineEdit*>(DBEdit4)})
    price->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9.]*"), price));

  btnok = new TFlatButton(QString::fromUtf8("确定(&O)"), this);
  btnok->setObjectName("btnok");
  btncancel = new TFlatButton(QString::fromUtf8("取消(&C)"), this);
  btncancel->setObjectName("btncancel");
  for (TFlatButton* b : {btnok, btncancel}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }

  struct Line { const char* caption; QLineEdit* edit; };
  const Line lines[] = {{"商品编码：", DBEdit12}, {"商品货号：", DBEdit1},   {"商品名称：", DBEdit2},
                        {"商品产地：", DBEdit6},  {"规格型号：", DBEdit8},   {"商品品牌：", DBEdit3},
                        {"成    份：", DBEdit10}, {"等　　级：", edtdj},     {"计量单位：", DBEdit5},
                        {"销售单价：", edtxsdj},  {"特价价格：", DBEdit4},   {"特价起始日期：", DBEdit9},
                        {"特价结束日期：", DBEdit7}, {"商品备注：", DBEdit11}, {"备　  注：", edtbz}};
  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(3);
  int row = 0;
  QWidget* previous = nullptr;
  for (const Line& l : lines) {
    auto* caption = new QLabel(QString::fromUtf8(l.caption), this);
    caption->setBuddy(l.edit);
    grid->addWidget(caption, row, 0, Qt::AlignRight);
    grid->addWidget(l.edit, row, 1);
    l.edit->setMinimumWidth(260);
    l.edit->installEventFilter(this);
    if (previous) setTabOrder(previous, l.edit);
    previous = l.edit;
    ++row;
  }
  setTabOrder(previous, btnok);
  setTabOrder(btnok, btncancel);
  btnok->installEventFilter(this);
  btncancel->installEventFilter(this);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnok);
  buttons->addWidget(btncancel);
  auto* root = new QVBoxLayout(this);
  root->addLayout(grid);
  root->addLayout(buttons);

  connect(btnok, &QPushButton::clicked, this, Guarded(this, [this] { btnokClick(); }));
  connect(btncancel, &QPushButton::clicked, this, Guarded(this, [this] { btncancelClick(); }));
}

std::vector<TDBEdit*> TFrmModiSpinfo::BoundEdits() const {
  return {DBEdit12, DBEdit1, DBEdit2, DBEdit6, DBEdit8, DBEdit3, DBEdit10,
          DBEdit5,  edtxsdj, DBEdit4, DBEdit9, DBEdit7, DBEdit11};
}

int TFrmModiSpinfo::Execute(MemTable& queue, const queue::ProductInfoDefaults& defaults, std::string& labelGrade,
                            std::string& labelRemark) {
  if (!queue.Active() || queue.IsEmpty()) return ui::kResultCancel;
  table_ = &queue;
  grade_ = &labelGrade;
  remark_ = &labelRemark;
  int result = ui::kResultCancel;
  try {
    queue.Edit();
    queue::ApplyProductInfoDefaults(queue, defaults);
    for (TDBEdit* e : BoundEdits()) e->Bind(&queue);
    edtdj->setText(QString::fromStdString(labelGrade));
    edtbz->setText(QString::fromStdString(labelRemark));
    DBEdit12->setFocus();
    result = ui::ExecModal(this);
  } catch (...) {
    CancelRowEdit();
    for (TDBEdit* e : BoundEdits()) e->Bind(nullptr);
    table_ = nullptr;
    throw;
  }
  // However the window went, a row still in edit state is not kept.
  CancelRowEdit();
  for (TDBEdit* e : BoundEdits()) e->Bind(nullptr);
  table_ = nullptr;
  grade_ = remark_ = nullptr;
  return result;
}

void TFrmModiSpinfo::CancelRowEdit() {
  if (table_ && (table_->state() == MemTable::State::Edit || table_->state() == MemTable::State::Insert)) table_->Cancel();
}

void TFrmModiSpinfo::btnokClick() {
  if (!table_) return;
  for (TDBEdit* e : BoundEdits()) {
    std::string problem;
    if (!e->WriteBack(problem)) {
      // The clerk corrects the value; the row stays in edit state.
      ui::ShowMessage(this, QString::fromStdString(problem), "错误", ui::Icon::Error);
      e->setFocus();
      e->selectAll();
      return;
    }
  }
  // The edited ordinary promotion prints whichever period the print settings choose.
  table_->Set("f_xqPtXsdj", table_->Get("f_BqPtXsdj"));
  table_->Set("f_xqPtqsrq", table_->Get("f_BqPtqsrq"));
  table_->Set("f_xqPtjsrq", table_->Get("f_BqPtjsrq"));
  table_->Post();
  if (grade_) *grade_ = edtdj->text().toStdString();
  if (remark_) *remark_ = edtbz->text().toStdString();
  done(ui::kResultOk);
}

void TFrmModiSpinfo::btncancelClick() {
  CancelRowEdit();
  done(ui::kResultCancel);
}

void TFrmModiSpinfo::reject() {
  // Qt calls this from its own Esc key and close button; cancelling the edit moves the clerk's
  // queue, whose handlers may fail.
  Guard(this, [&] {
    CancelRowEdit();
    done(ui::kResultCancel);
  });
}

bool TFrmModiSpinfo::eventFilter(QObject* watched, QEvent* event) {
  return Guard(this, true, [&] {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if ((watched == edtxsdj || watched == DBEdit4) && !PriceKeyAccepted(key)) return true;
      if (IsEnter(key->key())) {
        focusNextPrevChild(true);
        return true;
      }
    }
    return QDialog::eventFilter(watched, event);
  });
}

void TFrmModiSpinfo::keyPressEvent(QKeyEvent* event) {
  Guard(this, [&] {
    if (IsEnter(event->key())) {
      focusNextPrevChild(true);
      return;
    }
    QDialog::keyPressEvent(event);
  });
}

void TFrmModiSpinfo::showEvent(QShowEvent* event) {
  Guard(this, [&] {
    QDialog::showEvent(event);
    CentreOnScreen(this);
  });
}

}  // namespace pt
