#pragma once
// Placement on pages: the label grid of multi-up sheets (and of roll labels: one cell per page)
// and band breaking for bands of varying height (the lines of a grid report).
#include <vector>

namespace pt::report {

struct LabelGridSpec {
  double left = 0, top = 0;              // where the first cell's corner goes on the page
  double areaWidth = 0, areaHeight = 0;  // room for cells below and right of that corner
  double cellWidth = 0, cellHeight = 0;
  double columnGap = 0, rowGap = 0;
  int columns = 1;
  int rows = 0;                          // 0: as many as fit
  bool downThenAcross = false;
};

class LabelGrid {
 public:
  struct Slot {
    int page = 0, column = 0, row = 0;
    double x = 0, y = 0;
  };
  // Throws ModuleError when the cells do not fit the area.
  explicit LabelGrid(const LabelGridSpec& spec);
  int Columns() const { return spec_.columns; }
  int Rows() const { return spec_.rows; }
  int PerPage() const { return spec_.columns * spec_.rows; }
  int PageCount(int records) const { return records <= 0 ? 0 : (records + PerPage() - 1) / PerPage(); }
  Slot Place(int index) const;

 private:
  LabelGridSpec spec_;
};

class BandBreaker {
 public:
  struct Placement {
    int page = 0;
    double y = 0;       // from the top of the page's band area
    double height = 0;  // as placed: a band taller than a page is cut to the page
  };
  explicit BandBreaker(double pageRoom) : room_(pageRoom) {}
  // Bands in order, each on the page where it fits below the one before; one that does not fit
  // starts the next page. A page never stays empty.
  std::vector<Placement> Break(const std::vector<double>& heights) const;

 private:
  double room_;
};

}  // namespace pt::report
