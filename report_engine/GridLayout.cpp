#include "report_engine/GridLayout.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace pt::report {

namespace {

constexpr double kStep = 0.5;  // font sizes are tried in half points

class Planner {
 public:
  Planner(const std::vector<ColumnNeeds>& columns, const GridPlanSpec& spec) : cols_(columns), spec_(spec) {}

  GridPlan Run() {
    GridPlan plan;
    const double portrait = spec_.pageWidth - 2 * spec_.margin;
    if (Fits(AllColumns(), 1.0, portrait)) {
      plan.pageWidth = spec_.pageWidth;
      plan.pageHeight = spec_.pageHeight;
      Finish(plan, 1.0, portrait);
      return plan;
    }
    plan.landscape = true;
    plan.pageWidth = spec_.pageHeight;
    plan.pageHeight = spec_.pageWidth;
    const double landscape = spec_.pageHeight - 2 * spec_.margin;
    // The fewest pages across come at the floor; of the sizes that give as few, the largest.
    // A page that must squeeze its columns even at the floor stays at the floor.
    const double floor = std::min(spec_.minFontSize, spec_.fontSize);
    const size_t fewest = Split(floor / spec_.fontSize, landscape).size();
    double size = floor;
    if (!Squeezed(floor / spec_.fontSize, landscape))
      for (double s = spec_.fontSize; s > floor + 1e-9; s -= kStep) {
        const double f = s / spec_.fontSize;
        if (Split(f, landscape).size() <= fewest && !Squeezed(f, landscape)) {
          size = s;
          break;
        }
      }
    Finish(plan, size / spec_.fontSize, landscape);
    return plan;
  }

 private:
  double Least(size_t i, double f) const { return cols_[i].least * f + spec_.padding; }
  double Preferred(size_t i, double f) const {
    return std::max(cols_[i].preferred, cols_[i].least) * f + spec_.padding;
  }
  double Natural(size_t i, double f) const {
    return std::max({cols_[i].natural, cols_[i].preferred, cols_[i].least}) * f + spec_.padding;
  }
  double RowNumber(double f) const { return spec_.rowNumberNeed * f + spec_.padding; }

  std::vector<size_t> AllColumns() const {
    std::vector<size_t> all(cols_.size());
    std::iota(all.begin(), all.end(), size_t{0});
    return all;
  }

  bool Fits(const std::vector<size_t>& panel, double f, double printable) const {
    double used = RowNumber(f);
    for (size_t i : panel) used += Least(i, f);
    return used <= printable + 1e-9;
  }

  bool Squeezed(double f, double printable) const {
    for (const auto& panel : Split(f, printable))
      if (!Fits(panel, f, printable)) return true;
    return false;
  }

  // The columns of each page across: all in order when they fit; otherwise every page starts
  // with the key columns and takes the others in order while they fit (at least one each).
  std::vector<std::vector<size_t>> Split(double f, double printable) const {
    std::vector<size_t> all = AllColumns();
    if (Fits(all, f, printable)) return {all};
    std::vector<size_t> keys, rest;
    for (size_t i : all) (cols_[i].key ? keys : rest).push_back(i);
    if (rest.empty()) return {all};
    double keyWidth = RowNumber(f);
    for (size_t i : keys) keyWidth += Least(i, f);
    std::vector<std::vector<size_t>> panels;
    for (size_t next = 0; next < rest.size();) {
      std::vector<size_t> panel = keys;
      double used = keyWidth + Least(rest[next], f);
      panel.push_back(rest[next++]);
      while (next < rest.size() && used + Least(rest[next], f) <= printable + 1e-9) {
        used += Least(rest[next], f);
        panel.push_back(rest[next++]);
      }
      panels.push_back(std::move(panel));
    }
    return panels;
  }

  void Finish(GridPlan& plan, double f, double printable) const {
    plan.fontSize = spec_.fontSize * f;
    plan.rowNumberWidth = RowNumber(f);
    const double room = printable - plan.rowNumberWidth;
    for (std::vector<size_t>& columns : Split(f, printable)) {
      GridPanel panel;
      panel.widths = Widths(columns, f, room);
      panel.columns = std::move(columns);
      plan.panels.push_back(std::move(panel));
    }
    if (plan.panels.size() < 2) return;
    // A key column is as wide on every page across (the narrowest it got), so its cells wrap
    // alike and the rows line up; what that leaves goes to the page's other columns.
    std::map<size_t, double> keyWidth;
    for (const GridPanel& p : plan.panels)
      for (size_t k = 0; k < p.columns.size(); ++k)
        if (cols_[p.columns[k]].key) {
          auto [it, added] = keyWidth.emplace(p.columns[k], p.widths[k]);
          if (!added) it->second = std::min(it->second, p.widths[k]);
        }
    for (GridPanel& p : plan.panels) {
      std::vector<size_t> others;
      double left = room;
      for (size_t i : p.columns) {
        if (cols_[i].key) left -= keyWidth[i];
        else others.push_back(i);
      }
      std::vector<double> w = Widths(others, f, left);
      for (size_t k = 0, o = 0; k < p.columns.size(); ++k)
        p.widths[k] = cols_[p.columns[k]].key ? keyWidth[p.columns[k]] : w[o++];
    }
  }

  // Natural widths stretched to the room when they fit. Otherwise the room goes first to the
  // cells (up to the preferred widths), then to the titles (up to the natural ones), each step
  // shared out in proportion to what the columns still want; a page too narrow for the least
  // widths squeezes them alike.
  std::vector<double> Widths(const std::vector<size_t>& panel, double f, double room) const {
    double least = 0, preferred = 0, natural = 0;
    for (size_t i : panel) {
      least += Least(i, f);
      preferred += Preferred(i, f);
      natural += Natural(i, f);
    }
    auto between = [&](double from, double to, double fromSum, double toSum) {
      return toSum > fromSum ? from + (room - fromSum) * (to - from) / (toSum - fromSum) : from;
    };
    std::vector<double> w;
    w.reserve(panel.size());
    for (size_t i : panel) {
      if (natural <= room) w.push_back(Natural(i, f) * room / natural);
      else if (preferred <= room) w.push_back(between(Preferred(i, f), Natural(i, f), preferred, natural));
      else if (least <= room) w.push_back(between(Least(i, f), Preferred(i, f), least, preferred));
      else w.push_back(Least(i, f) * room / least);
    }
    return w;
  }

  const std::vector<ColumnNeeds>& cols_;
  const GridPlanSpec& spec_;
};

}  // namespace

GridPlan PlanGridColumns(const std::vector<ColumnNeeds>& columns, const GridPlanSpec& spec) {
  return Planner(columns, spec).Run();
}

double NarrowestWidth(TextMeasurer& m, const FontSpec& font, std::string_view text, size_t maxLines) {
  const double whole = m.Width(font, text);
  if (maxLines <= 1 || text.empty()) return whole;
  // Words of Latin letters are not cut.
  double word = 0;
  for (size_t i = 0; i < text.size();) {
    size_t j = i;
    while (j < text.size() && static_cast<unsigned char>(text[j]) < 0x80 && text[j] != ' ' && text[j] != '\t') ++j;
    if (j > i) word = std::max(word, m.Width(font, text.substr(i, j - i)));
    i = j + 1;
  }
  // The line count only falls as the width grows: bisect down to a hundredth of a millimetre.
  double lo = word, hi = whole;
  if (BreakLines(m, font, text, lo).size() <= maxLines) return lo;
  while (hi - lo > 0.01) {
    double mid = (lo + hi) / 2;
    if (BreakLines(m, font, text, mid).size() <= maxLines) hi = mid;
    else lo = mid;
  }
  return hi;
}

}  // namespace pt::report
