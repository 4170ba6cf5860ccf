#include "designer/Arrange.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pt::designer {

RectF Normalized(const RectF& r) {
  RectF n = r;
  if (n.width < 0) {
    n.x += n.width;
    n.width = -n.width;
  }
  if (n.height < 0) {
    n.y += n.height;
    n.height = -n.height;
  }
  return n;
}

RectF Bounds(const std::vector<RectF>& boxes) {
  if (boxes.empty()) return {};
  RectF first = Normalized(boxes[0]);
  double left = first.x, top = first.y, right = first.Right(), bottom = first.Bottom();
  for (const RectF& b : boxes) {
    RectF n = Normalized(b);
    left = std::min(left, n.x);
    top = std::min(top, n.y);
    right = std::max(right, n.Right());
    bottom = std::max(bottom, n.Bottom());
  }
  return RectF{left, top, right - left, bottom - top};
}

std::vector<RectF> AlignBoxes(const std::vector<RectF>& boxes, Align how, const RectF& reference) {
  std::vector<RectF> out = boxes;
  for (RectF& b : out) {
    const RectF n = Normalized(b);
    double dx = 0, dy = 0;
    switch (how) {
      case Align::Left: dx = reference.x - n.x; break;
      case Align::HCenter: dx = reference.x + reference.width / 2 - (n.x + n.width / 2); break;
      case Align::Right: dx = reference.Right() - n.Right(); break;
      case Align::Top: dy = reference.y - n.y; break;
      case Align::VCenter: dy = reference.y + reference.height / 2 - (n.y + n.height / 2); break;
      case Align::Bottom: dy = reference.Bottom() - n.Bottom(); break;
    }
    b.x += dx;
    b.y += dy;
  }
  return out;
}

std::vector<RectF> DistributeBoxes(const std::vector<RectF>& boxes, bool horizontal) {
  std::vector<RectF> out = boxes;
  if (boxes.size() < 3) return out;
  std::vector<size_t> order(boxes.size());
  std::iota(order.begin(), order.end(), 0);
  auto start = [&](size_t i) { RectF n = Normalized(boxes[i]); return horizontal ? n.x : n.y; };
  auto extent = [&](size_t i) { RectF n = Normalized(boxes[i]); return horizontal ? n.width : n.height; };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return start(a) < start(b); });
  double total = 0;
  for (size_t i : order) total += extent(i);
  const double span = start(order.back()) + extent(order.back()) - start(order.front());
  const double gap = (span - total) / static_cast<double>(boxes.size() - 1);
  double at = start(order.front());
  for (size_t i : order) {
    const double d = at - start(i);
    if (horizontal) out[i].x += d;
    else out[i].y += d;
    at += extent(i) + gap;
  }
  return out;
}

double Snap(double value, double grid) {
  if (grid <= 0) return value;
  return std::round(value / grid) * grid;
}

RectF ResizeBox(const RectF& box, Handle handle, double dx, double dy, double grid, double minSize) {
  if (handle == Handle::LineStart || handle == Handle::LineEnd) {
    // A line's end point moves freely (it may cross the other one).
    double x1 = box.x, y1 = box.y, x2 = box.Right(), y2 = box.Bottom();
    if (handle == Handle::LineStart) {
      x1 = Snap(x1 + dx, grid);
      y1 = Snap(y1 + dy, grid);
    } else {
      x2 = Snap(x2 + dx, grid);
      y2 = Snap(y2 + dy, grid);
    }
    return RectF{x1, y1, x2 - x1, y2 - y1};
  }
  RectF n = Normalized(box);
  double left = n.x, top = n.y, right = n.Right(), bottom = n.Bottom();
  const bool moveLeft = handle == Handle::TopLeft || handle == Handle::Left || handle == Handle::BottomLeft;
  const bool moveRight = handle == Handle::TopRight || handle == Handle::Right || handle == Handle::BottomRight;
  const bool moveTop = handle == Handle::TopLeft || handle == Handle::Top || handle == Handle::TopRight;
  const bool moveBottom = handle == Handle::BottomLeft || handle == Handle::Bottom || handle == Handle::BottomRight;
  if (moveLeft) left = std::min(Snap(left + dx, grid), right - minSize);
  if (moveRight) right = std::max(Snap(right + dx, grid), left + minSize);
  if (moveTop) top = std::min(Snap(top + dy, grid), bottom - minSize);
  if (moveBottom) bottom = std::max(Snap(bottom + dy, grid), top + minSize);
  return RectF{left, top, right - left, bottom - top};
}

void SnapMove(const RectF& bounds, double& dx, double& dy, double grid) {
  if (grid <= 0) return;
  dx = Snap(bounds.x + dx, grid) - bounds.x;
  dy = Snap(bounds.y + dy, grid) - bounds.y;
}

}  // namespace pt::designer
