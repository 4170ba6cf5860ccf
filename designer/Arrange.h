#pragma once
// Geometry of the designer's arranging commands, on plain boxes in millimetres: alignment,
// distribution, grid snapping and resizing by a handle. A line's box may have a negative width
// or height (it runs from its first point to its second); these functions keep its direction.
#include <vector>

#include "report_engine/DisplayList.h"

namespace pt::designer {

using report::RectF;

enum class Align { Left, HCenter, Right, Top, VCenter, Bottom };

// The box with a non-negative width and height.
RectF Normalized(const RectF& r);
RectF Bounds(const std::vector<RectF>& boxes);  // of the normalized boxes

// Aligns every box to the reference (the common bounds of several boxes, or the label for a
// single one), moving only, never resizing.
std::vector<RectF> AlignBoxes(const std::vector<RectF>& boxes, Align how, const RectF& reference);

// Spreads three or more boxes so that the gaps between neighbours are equal; the first and the
// last (by position) stay where they are. Fewer boxes are returned as they are.
std::vector<RectF> DistributeBoxes(const std::vector<RectF>& boxes, bool horizontal);

// The nearest multiple of grid (grid <= 0: the value itself).
double Snap(double value, double grid);

// Resize handles, clockwise from the top-left corner; a line has only its two end points.
enum class Handle { None = -1, TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left, LineStart, LineEnd };

// The box after its handle moved by (dx, dy), the moved edges snapped to grid. Boxes never turn
// inside out: an edge stops minSize short of the opposite one.
RectF ResizeBox(const RectF& box, Handle handle, double dx, double dy, double grid, double minSize = 0.5);

// The move of a group so that its bounds' top-left corner lands on the grid.
void SnapMove(const RectF& bounds, double& dx, double& dy, double grid);

}  // namespace pt::designer
