#include "report_engine/ReportDataSource.h"

#include "common/ModuleError.h"

namespace pt::report {

namespace {
const Variant kNull;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

RowsDataSource::RowsDataSource(std::string name, std::vector<Column> columns)
    : name_(std::move(name)), columns_(std::move(columns)) {}

void RowsDataSource::AddRow(std::vector<Variant> values) {
  if (values.size() > columns_.size()) throw ModuleError("数据行的值多于字段数");
  values.resize(columns_.size());
  rows_.push_back(std::move(values));
}

void RowsDataSource::MoveTo(int record) {
  if (record < 0 || record >= RecordCount()) throw ModuleError("记录号越界");
  current_ = record;
}

int RowsDataSource::FieldIndex(std::string_view name) const {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (SameName(columns_[i].name, name)) return static_cast<int>(i);
  return -1;
}

const Variant& RowsDataSource::Value(int field) const {
  if (rows_.empty() || field < 0 || field >= static_cast<int>(columns_.size())) return kNull;
  return rows_[static_cast<size_t>(current_)][static_cast<size_t>(field)];
}

std::string RowsDataSource::DisplayFormat(int field) const {
  if (field < 0 || field >= static_cast<int>(columns_.size())) return {};
  return columns_[static_cast<size_t>(field)].displayFormat;
}

}  // namespace pt::report
