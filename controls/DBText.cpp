#include "controls/DBText.h"

namespace pt {

TDBText::TDBText(MemTable* table, std::string field, QWidget* parent)
    : QLabel(parent), table_(table), field_(std::move(field)) {
  setObjectName(QString::fromStdString("DBText_" + field_));
  setTextInteractionFlags(Qt::TextSelectableByMouse);
  if (table_) table_->AddListener(this);
  Refresh();
}

TDBText::~TDBText() {
  if (table_) table_->RemoveListener(this);
}

void TDBText::Refresh() {
  QString text;
  if (table_ && table_->Active() && (!table_->IsEmpty() || table_->state() == MemTable::State::Insert)) {
    int f = table_->FieldIndex(field_);
    if (f >= 0) text = QString::fromStdString(table_->DisplayText(f));
  }
  setText(text);
}

}  // namespace pt
