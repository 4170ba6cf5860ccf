#pragma once
// Column planning of a grid printout: the paper's orientation, the font size and which columns
// go on which page across. Columns are sized from what they hold: numbers, dates and codes keep
// their cells on one line, names may wrap, titles may take up to three lines. Portrait when the
// columns fit it at the grid's own font size; otherwise landscape, with the font shrunk as far
// as needed (never below a floor); when even that is too narrow, the columns continue on further
// pages across, each of which repeats the key columns (code and name) at its left.
#include <cstddef>
#include <string_view>
#include <vector>

#include "report_engine/TextMeasure.h"

namespace pt::report {

// What one column needs, measured at the grid's own font size, in millimetres without padding.
struct ColumnNeeds {
  double least = 0;      // narrower, a number, date or code would break, or the title take more than three lines
  double preferred = 0;  // the cells on one line (long names still wrap), the title on up to three
  double natural = 0;    // every cell on one line and the title on at most two
  bool key = false;      // repeated at the left of every continuation page
};

struct GridPlanSpec {
  double pageWidth = 210, pageHeight = 297;  // the paper upright
  double margin = 3.8;
  double padding = 1.6;        // per cell, both sides together; does not shrink with the font
  double fontSize = 9;         // the size the needs were measured at
  double minFontSize = 7;      // the floor of shrinking
  double rowNumberNeed = 0;    // the row-number column, as a column's least need
};

struct GridPanel {
  std::vector<size_t> columns;  // indexes into the needs, in the order printed
  std::vector<double> widths;   // millimetres, padding included, filling the printable width
};

struct GridPlan {
  bool landscape = false;
  double pageWidth = 0, pageHeight = 0;
  double fontSize = 0;
  double rowNumberWidth = 0;      // padding included
  std::vector<GridPanel> panels;  // one: every column side by side; more: pages across
};

// Throws nothing; a column wider than the printable width on its own is squeezed into it.
GridPlan PlanGridColumns(const std::vector<ColumnNeeds>& columns, const GridPlanSpec& spec);

// The narrowest width at which the text breaks into at most maxLines lines (between words where
// it has blanks, between any two characters elsewhere).
double NarrowestWidth(TextMeasurer& m, const FontSpec& font, std::string_view text, size_t maxLines);

}  // namespace pt::report
