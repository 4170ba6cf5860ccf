#include "report_engine/MemTableSource.h"

#include "common/ModuleError.h"

namespace pt::report {

MemTableSource::MemTableSource(MemTable& table, std::string name)
    : table_(table), name_(name.empty() ? table.Name() : std::move(name)) {}

int MemTableSource::RecordCount() const { return table_.Active() ? table_.RecordCount() : 0; }

void MemTableSource::MoveTo(int record) {
  if (record < 0 || record >= RecordCount()) throw ModuleError("记录号越界");
  row_ = record;
}

const Variant& MemTableSource::Value(int field) const { return table_.CellAt(row_, field); }

std::string MemTableSource::DisplayFormat(int field) const {
  if (field < 0 || field >= table_.FieldCount()) return {};
  return table_.Field(field).displayFormat;
}

std::string MemTableSource::DisplayLabel(int field) const {
  if (field < 0 || field >= table_.FieldCount()) return {};
  return table_.Field(field).label;
}

}  // namespace pt::report
