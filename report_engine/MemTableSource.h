#pragma once
// The module's in-memory table as a report data source. Records are the table's visible rows in
// its current order (filter and index applied). Values are read by row without moving the
// table, so preparing a report fires no after-scroll notifications and leaves the clerk's
// current row where it was.
#include <string>

#include "common/MemTable.h"
#include "report_engine/ReportDataSource.h"

namespace pt::report {

class MemTableSource : public ReportDataSource {
 public:
  // name: what templates call the table ("cdsPrint"); empty takes the table's own name.
  explicit MemTableSource(MemTable& table, std::string name = {});
  MemTableSource(const MemTableSource&) = delete;
  MemTableSource& operator=(const MemTableSource&) = delete;

  std::string Name() const override { return name_; }
  int RecordCount() const override;
  void MoveTo(int record) override;
  int FieldIndex(std::string_view name) const override { return table_.FieldIndex(name); }
  const Variant& Value(int field) const override;
  std::string DisplayFormat(int field) const override;
  std::string DisplayLabel(int field) const override;

 private:
  MemTable& table_;
  std::string name_;
  int row_ = 0;
};

}  // namespace pt::report
