#include "report_engine/ReportTable.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace pt::report {

namespace {
constexpr double kSnap = 1.0;  // edges closer than a millimetre share a row or column

// Sorted distinct positions, near ones merged into the first of them.
std::vector<double> Snap(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  std::vector<double> out;
  for (double x : v)
    if (out.empty() || x - out.back() >= kSnap) out.push_back(x);
  return out;
}

size_t Slot(const std::vector<double>& edges, double x) {
  auto it = std::upper_bound(edges.begin(), edges.end(), x + 1e-9);
  return it == edges.begin() ? 0 : static_cast<size_t>(it - edges.begin()) - 1;
}

std::string WholeText(const TextItem& t) {
  if (t.lines.empty()) return t.text;
  // A wrapped text exports as written; lines the box cut off are dropped as on paper.
  const auto& last = t.lines.back();
  return t.text.substr(0, last.start + last.length);
}

}  // namespace

ReportTable TabulateReport(const PreparedReport& report) {
  ReportTable table;
  std::vector<double> lefts;
  for (const Page& p : report.pages)
    for (const Item& item : p.items)
      if (const auto* t = std::get_if<TextItem>(&item)) lefts.push_back(t->box.x);
  std::vector<double> columns = Snap(std::move(lefts));
  if (columns.empty()) return table;
  double pageWidth = report.pages.empty() ? 210 : report.pages.front().width;
  for (size_t i = 0; i < columns.size(); ++i)
    table.columnWidths.push_back((i + 1 < columns.size() ? columns[i + 1] : pageWidth) - columns[i]);

  for (const Page& p : report.pages) {
    std::vector<const TextItem*> texts;
    std::vector<double> tops;
    for (const Item& item : p.items)
      if (const auto* t = std::get_if<TextItem>(&item)) {
        texts.push_back(t);
        tops.push_back(t->box.y);
      }
    std::vector<double> rows = Snap(std::move(tops));
    size_t base = table.rows.size();
    table.rows.resize(base + rows.size(), std::vector<std::string>(columns.size()));
    for (const TextItem* t : texts) {
      std::string& cell = table.rows[base + Slot(rows, t->box.y)][Slot(columns, t->box.x)];
      std::string text = WholeText(*t);
      cell = cell.empty() ? text : cell + " " + text;
    }
  }
  return table;
}

}  // namespace pt::report
