#pragma once
// The data of a report as a spreadsheet wants it: titled columns and one row of values per
// record (a grid printout's rows, a label report's labels). Numbers stay numbers and carry the
// display format the report shows them in; codes, barcodes and dates stay texts as shown.
#include <memory>
#include <string>
#include <vector>

#include "common/Variant.h"
#include "report_engine/Expression.h"
#include "report_engine/ReportDataSource.h"
#include "report_engine/ReportTemplate.h"

namespace pt::report {

struct SheetColumn {
  std::string group;   // the upper title over neighbouring columns of the same group; "" none
  std::string title;
  std::string format;  // of the column's numbers ("0.00"); "" the general form
};

struct ReportSheet {
  std::vector<SheetColumn> columns;
  std::vector<std::vector<Variant>> rows;  // null, numbers (Int, Float) or texts; as wide as columns
  bool HasGroups() const;
};

// One row per label: a column for every text or barcode object of the master data band that
// shows record data or variables. An object that shows one value gives that value (a number
// stays a number, with the object's display format) under its caption ("产地:" gives 产地) or
// else the field's label or name; an object that mixes several values gives its text as printed,
// under its captions ("单位/等级") or its text with the values named. A label that hides an
// object leaves its cell empty; a value shown twice is one column. The objects are bound to the
// source here; the source's current record moves.
std::shared_ptr<const ReportSheet> LabelSheet(const ReportTemplate& t, const VariableList& variables,
                                              ReportDataSource& source);

// The spreadsheet format code of a display format: placeholders, separators and the decimal
// point as they are, any other character quoted ("￥0.00" gives "\"￥\"0.00"); only the first
// section counts, as in the report.
std::string SheetNumberFormat(const std::string& displayFormat);

}  // namespace pt::report
