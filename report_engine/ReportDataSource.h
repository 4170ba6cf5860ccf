#pragma once
// What the engine reads records through. Kept to the little a report needs, so the engine does
// not depend on any particular table class (MemTableSource adapts the module's in-memory table).
#include <string>
#include <string_view>
#include <vector>

#include "common/Variant.h"

namespace pt::report {

class ReportDataSource {
 public:
  virtual ~ReportDataSource() = default;
  // The name templates address the records by, as in [cdsPrint."f_Spbm"]; compared without
  // regard to letter case.
  virtual std::string Name() const = 0;
  virtual int RecordCount() const = 0;
  virtual void MoveTo(int record) = 0;                          // 0-based
  virtual int FieldIndex(std::string_view name) const = 0;      // case-insensitive; -1: none
  virtual const Variant& Value(int field) const = 0;            // of the current record
  virtual std::string DisplayFormat(int field) const { return {}; }  // "" when none
  virtual std::string DisplayLabel(int field) const { return {}; }   // "" when none
};

// Records held in memory: for callers that build their rows themselves, tests and benchmarks.
class RowsDataSource : public ReportDataSource {
 public:
  struct Column {
    std::string name;
    std::string displayFormat;
  };
  RowsDataSource(std::string name, std::vector<Column> columns);

  void AddRow(std::vector<Variant> values);  // one value per column; missing trailing ones are null
  std::string Name() const override { return name_; }
  int RecordCount() const override { return static_cast<int>(rows_.size()); }
  void MoveTo(int record) override;
  int FieldIndex(std::string_view name) const override;
  const Variant& Value(int field) const override;
  std::string DisplayFormat(int field) const override;

 private:
  std::string name_;
  std::vector<Column> columns_;
  std::vector<std::vector<Variant>> rows_;
  int current_ = 0;
};

// ASCII case-insensitive equality: field and variable names are matched this way.
bool SameName(std::string_view a, std::string_view b);

}  // namespace pt::report
