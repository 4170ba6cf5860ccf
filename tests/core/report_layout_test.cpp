// Label-grid placement, band breaking and text measuring of the report layout.
#include <gtest/gtest.h>

#include "common/ModuleError.h"
#include "report_engine/PageLayout.h"
#include "report_engine/TextMeasure.h"

namespace pt::report {
namespace {

LabelGridSpec A4Sheet24() {
  LabelGridSpec s;
  s.left = 0;
  s.top = 0.5;
  s.areaWidth = 210;
  s.areaHeight = 296;
  s.cellWidth = 70;
  s.cellHeight = 37;
  s.columns = 3;
  return s;
}

TEST(LabelGrid, PlacesRecordsAcrossThenDownPageByPage) {
  LabelGrid grid(A4Sheet24());
  EXPECT_EQ(grid.Rows(), 8);
  EXPECT_EQ(grid.PerPage(), 24);
  EXPECT_EQ(grid.PageCount(25), 2);
  EXPECT_EQ(grid.PageCount(24), 1);
  EXPECT_EQ(grid.PageCount(0), 0);
  struct Case { int index, page, column, row; double x, y; };
  const Case cases[] = {
      {0, 0, 0, 0, 0, 0.5},   {1, 0, 1, 0, 70, 0.5},  {2, 0, 2, 0, 140, 0.5}, {3, 0, 0, 1, 0, 37.5},
      {23, 0, 2, 7, 140, 259.5}, {24, 1, 0, 0, 0, 0.5},
  };
  for (const Case& c : cases) {
    LabelGrid::Slot s = grid.Place(c.index);
    EXPECT_EQ(s.page, c.page) << c.index;
    EXPECT_EQ(s.column, c.column) << c.index;
    EXPECT_EQ(s.row, c.row) << c.index;
    EXPECT_DOUBLE_EQ(s.x, c.x) << c.index;
    EXPECT_DOUBLE_EQ(s.y, c.y) << c.index;
  }
}

TEST(LabelGrid, GapsOrderAndRollLabels) {
  LabelGridSpec s = A4Sheet24();
  s.cellWidth = 68;
  s.columnGap = 3;
  s.cellHeight = 35;
  s.rowGap = 2;  // 8 rows need 8*35 + 7*2 = 294 of 296
  s.downThenAcross = true;
  LabelGrid grid(s);
  EXPECT_EQ(grid.Rows(), 8);
  LabelGrid::Slot ninth = grid.Place(8);  // first of the second column
  EXPECT_EQ(ninth.column, 1);
  EXPECT_EQ(ninth.row, 0);
  EXPECT_DOUBLE_EQ(ninth.x, 71);
  EXPECT_DOUBLE_EQ(grid.Place(1).y, 0.5 + 37);

  LabelGridSpec roll;  // one label per page
  roll.areaWidth = roll.cellWidth = 80;
  roll.areaHeight = roll.cellHeight = 50;
  LabelGrid r(roll);
  EXPECT_EQ(r.PerPage(), 1);
  EXPECT_EQ(r.PageCount(3), 3);
  EXPECT_EQ(r.Place(2).page, 2);
}

TEST(LabelGrid, LabelsThatDoNotFitThePaperAreRefused) {
  struct Case { double cellW, cellH; int columns, rows; const char* message; };
  const Case cases[] = {
      {71, 37, 3, 0, "标签排列超出了纸张宽度：3 列共需 213 毫米，可用 210 毫米"},
      {70, 300, 3, 0, "标签高度 300 毫米超出了纸张可用高度 296 毫米"},
      {70, 37, 3, 9, "标签排列超出了纸张高度：9 行共需 333 毫米，可用 296 毫米"},
  };
  for (const Case& c : cases) {
    LabelGridSpec s = A4Sheet24();
    s.cellWidth = c.cellW;
    s.cellHeight = c.cellH;
    s.columns = c.columns;
    s.rows = c.rows;
    try {
      LabelGrid g(s);
      ADD_FAILURE() << c.message;
    } catch (const ModuleError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(BandBreaker, BandsGoWhereTheyFitAndTallOnesAreCut) {
  struct Case {
    double room;
    std::vector<double> heights;
    std::vector<std::pair<int, double>> expected;  // page, y
  };
  const Case cases[] = {
      {100, {40, 40, 40}, {{0, 0}, {0, 40}, {1, 0}}},
      {100, {50, 50, 50}, {{0, 0}, {0, 50}, {1, 0}}},     // exactly full stays on the page
      {100, {30, 150, 30}, {{0, 0}, {1, 0}, {2, 0}}},     // too tall: a page of its own
      {100, {}, {}},
  };
  for (const Case& c : cases) {
    auto placed = BandBreaker(c.room).Break(c.heights);
    ASSERT_EQ(placed.size(), c.expected.size());
    for (size_t i = 0; i < placed.size(); ++i) {
      EXPECT_EQ(placed[i].page, c.expected[i].first) << i;
      EXPECT_DOUBLE_EQ(placed[i].y, c.expected[i].second) << i;
    }
  }
  auto tall = BandBreaker(100).Break({150});
  EXPECT_DOUBLE_EQ(tall[0].height, 100);
}

// The fallback measurer: 10 pt is an em of 3.5278 mm; ASCII takes half of it.
TEST(TextLayout, LinesBreakAtBlanksOrBetweenChineseCharacters) {
  FallbackMeasurer m;
  FontSpec f{"WenQuanYi Zen Hei", 10};
  const double em = 10 * kMmPerPoint;
  auto lines = [&](std::string_view text, double width) {
    std::vector<std::string> out;
    for (const auto& l : BreakLines(m, f, text, width)) out.emplace_back(text.substr(l.start, l.length));
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(lines("金龙鱼调和油", em * 4), (V{"金龙鱼调", "和油"}));
  EXPECT_EQ(lines("abc defg hi", em * 2.5), (V{"abc", "defg", "hi"}));      // whole words where they fit
  EXPECT_EQ(lines("abcdefghij", em * 2), (V{"abcd", "efgh", "ij"}));       // one long word is cut
  EXPECT_EQ(lines("第一行\n第二行", em * 10), (V{"第一行", "第二行"}));
  EXPECT_EQ(lines("可口可乐Coca", em * 5), (V{"可口可乐", "Coca"}));
  EXPECT_EQ(lines("宽", em * 0.5), (V{"宽"}));                              // never an empty line
}

TEST(TextLayout, ShrinkToFitFindsTheLargestHalfPointThatFits) {
  FallbackMeasurer m;
  FontSpec f{"WenQuanYi Zen Hei", 20};
  // Eight Chinese characters at 20 pt need 56.4 mm; 40 mm takes 14 pt (39.5 mm).
  double size = ShrinkToFit(m, f, "农夫山泉饮用天然", 40, 20, false);
  EXPECT_DOUBLE_EQ(size, 14);
  EXPECT_DOUBLE_EQ(ShrinkToFit(m, f, "短", 40, 20, false), 20);  // fits: unchanged
  // Wrapped into a box two lines high.
  double wrapped = ShrinkToFit(m, f, "农夫山泉饮用天然", 30, 12, true);
  FontSpec w = f;
  w.size = wrapped;
  EXPECT_LE(BreakLines(m, w, "农夫山泉饮用天然", 30).size() * m.LineHeight(w), 12.0);
  w.size = wrapped + 0.5;
  EXPECT_GT(BreakLines(m, w, "农夫山泉饮用天然", 30).size() * m.LineHeight(w), 12.0);
}

}  // namespace
}  // namespace pt::report
