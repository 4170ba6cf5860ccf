#pragma once
// A label that shows one field of a table's current row, with the field's display format, and
// follows the table as it moves or changes.
#include <QLabel>
#include <string>

#include "common/MemTable.h"

namespace pt {

class TDBText : public QLabel, private MemTableListener {
  Q_OBJECT

 public:
  TDBText(MemTable* table, std::string field, QWidget* parent = nullptr);
  ~TDBText() override;
  const std::string& FieldName() const { return field_; }
  void Refresh();

 private:
  void OnActiveChanged(MemTable&) override { Refresh(); }
  void OnDataChanged(MemTable&) override { Refresh(); }
  void OnRecordChanged(MemTable&, int) override { Refresh(); }
  void OnCurrentChanged(MemTable&) override { Refresh(); }
  void OnTableDestroyed(MemTable&) override { table_ = nullptr; }

  MemTable* table_;
  std::string field_;
};

}  // namespace pt
