#include "report_engine/PageLayout.h"

#include <cmath>

#include "common/ModuleError.h"
#include "common/Variant.h"

namespace pt::report {

namespace {
constexpr double kSlack = 0.01;  // a hundredth of a millimetre of rounding is no overflow

std::string Mm(double v) { return FloatToText(std::round(v * 100) / 100); }
}  // namespace

LabelGrid::LabelGrid(const LabelGridSpec& spec) : spec_(spec) {
  if (spec_.columns < 1) spec_.columns = 1;
  double needWidth = spec_.columns * spec_.cellWidth + (spec_.columns - 1) * spec_.columnGap;
  if (spec_.cellWidth <= 0 || needWidth > spec_.areaWidth + kSlack)
    throw ModuleError("标签排列超出了纸张宽度：" + std::to_string(spec_.columns) + " 列共需 " + Mm(needWidth) +
                      " 毫米，可用 " + Mm(spec_.areaWidth) + " 毫米");
  int fit = spec_.cellHeight <= 0
                ? 0
                : static_cast<int>(std::floor((spec_.areaHeight + spec_.rowGap + kSlack) / (spec_.cellHeight + spec_.rowGap)));
  if (fit < 1)
    throw ModuleError("标签高度 " + Mm(spec_.cellHeight) + " 毫米超出了纸张可用高度 " + Mm(spec_.areaHeight) + " 毫米");
  if (spec_.rows > fit)
    throw ModuleError("标签排列超出了纸张高度：" + std::to_string(spec_.rows) + " 行共需 " +
                      Mm(spec_.rows * spec_.cellHeight + (spec_.rows - 1) * spec_.rowGap) + " 毫米，可用 " +
                      Mm(spec_.areaHeight) + " 毫米");
  if (spec_.rows <= 0) spec_.rows = fit;
}

LabelGrid::Slot LabelGrid::Place(int index) const {
  Slot s;
  s.page = index / PerPage();
  int within = index % PerPage();
  if (spec_.downThenAcross) {
    s.column = within / spec_.rows;
    s.row = within % spec_.rows;
  } else {
    s.row = within / spec_.columns;
    s.column = within % spec_.columns;
  }
  s.x = spec_.left + s.column * (spec_.cellWidth + spec_.columnGap);
  s.y = spec_.top + s.row * (spec_.cellHeight + spec_.rowGap);
  return s;
}

std::vector<BandBreaker::Placement> BandBreaker::Break(const std::vector<double>& heights) const {
  std::vector<Placement> out;
  out.reserve(heights.size());
  int page = 0;
  double y = 0;
  for (double h : heights) {
    if (y > 0 && y + h > room_ + kSlack) {
      ++page;
      y = 0;
    }
    Placement p;
    p.page = page;
    p.y = y;
    p.height = std::min(h, room_);
    out.push_back(p);
    y += p.height;
  }
  return out;
}

}  // namespace pt::report
