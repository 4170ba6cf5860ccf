#pragma once
// A prepared report as a table of texts, for the spreadsheet export of reports that carry no
// data of their own (ReportSheet.h; prepared files of version 1): the texts of each page
// sorted into rows by their top edge and into columns by their left edge, pages one below the
// other. A grid report comes out as its grid; a label sheet as its labels side by side.
#include <string>
#include <vector>

#include "report_engine/DisplayList.h"

namespace pt::report {

struct ReportTable {
  std::vector<double> columnWidths;             // millimetres, per column
  std::vector<std::vector<std::string>> rows;   // each row as wide as columnWidths; "" for none
};

ReportTable TabulateReport(const PreparedReport& report);

}  // namespace pt::report
