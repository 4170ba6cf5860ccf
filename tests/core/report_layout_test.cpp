// Label-grid placement, band breaking, grid-printout column planning and text measuring of the
// report layout.
#include <gtest/gtest.h>

#include <numeric>

#include "common/ModuleError.h"
#include "report_engine/GridLayout.h"
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

// A4 with margins of 3.8 mm: 202.4 mm printable upright, 289.4 mm turned. Each column costs
// its least need scaled by the font plus 1.6 mm of padding; the row numbers need 5 mm at 9 pt.
TEST(GridPlan, PortraitThenLandscapeThenASmallerFontThenPagesAcross) {
  GridPlanSpec spec;
  spec.rowNumberNeed = 5;
  auto columns = [](size_t n, double least, double natural, size_t keys) {
    std::vector<ColumnNeeds> c(n, ColumnNeeds{least, least, natural, false});
    for (size_t i = 0; i < keys; ++i) c[i].key = true;
    return c;
  };
  auto range = [](size_t from, size_t to) {
    std::vector<size_t> v(to - from);
    std::iota(v.begin(), v.end(), from);
    return v;
  };
  auto keysAnd = [&](size_t from, size_t to) {
    std::vector<size_t> v{0, 1};
    for (size_t i : range(from, to)) v.push_back(i);
    return v;
  };
  struct Case {
    const char* what;
    std::vector<ColumnNeeds> columns;
    bool landscape;
    double fontSize;
    std::vector<std::vector<size_t>> panels;
  };
  const Case cases[] = {
      {"fits upright", columns(3, 20, 40, 0), false, 9, {range(0, 3)}},
      // 10 x 21.6 + 6.6 = 222.6 mm: too wide upright, fits turned.
      {"turned", columns(10, 20, 20, 0), true, 9, {range(0, 10)}},
      // 14 columns fit turned only at 8 pt (277.4 mm; 293.2 mm at 8.5 pt).
      {"smaller font", columns(14, 20, 20, 0), true, 8, {range(0, 14)}},
      // 40 columns take three pages across at the floor and at 7.5 pt (13 besides the two keys
      // on each), four at 8 pt.
      {"pages across", columns(40, 20, 30, 2), true, 7.5, {keysAnd(2, 15), keysAnd(15, 28), keysAnd(28, 40)}},
      // A column wider than the page on its own: the floor, and squeezed into the page.
      {"too wide", columns(1, 400, 400, 0), true, 7, {range(0, 1)}},
  };
  GridPlan plan;
  for (const Case& c : cases) {
    plan = PlanGridColumns(c.columns, spec);
    EXPECT_EQ(plan.landscape, c.landscape) << c.what;
    EXPECT_DOUBLE_EQ(plan.pageWidth, c.landscape ? 297 : 210) << c.what;
    EXPECT_DOUBLE_EQ(plan.fontSize, c.fontSize) << c.what;
    ASSERT_EQ(plan.panels.size(), c.panels.size()) << c.what;
    for (size_t p = 0; p < plan.panels.size(); ++p) {
      EXPECT_EQ(plan.panels[p].columns, c.panels[p]) << c.what << " page across " << p;
      // Every page across fills the printable width exactly, none below its least needs
      // unless squeezed.
      const auto& w = plan.panels[p].widths;
      EXPECT_NEAR(std::accumulate(w.begin(), w.end(), plan.rowNumberWidth), plan.pageWidth - 7.6, 1e-9) << c.what;
      for (size_t k = 0; k < w.size() && std::string(c.what) != "too wide"; ++k) {
        EXPECT_GE(w[k] + 1e-9, c.columns[plan.panels[p].columns[k]].least * plan.fontSize / 9 + 1.6) << c.what;
      }
    }
  }
  // Pages across give their key columns one width, the narrowest, so the rows line up.
  std::vector<ColumnNeeds> wide = columns(40, 20, 30, 2);
  wide[1] = {20, 60, 60, true};
  plan = PlanGridColumns(wide, spec);
  ASSERT_EQ(plan.panels.size(), 3u);
  EXPECT_DOUBLE_EQ(plan.panels[0].widths[1], plan.panels[2].widths[1]);
  EXPECT_LT(plan.panels[0].widths[1], 60 * 7.5 / 9 + 1.6) << "the first page across is the fullest";
  EXPECT_GT(plan.panels[2].widths[2], plan.panels[0].widths[2]) << "the last one's other columns get the rest";

  // Upright room beyond the natural widths is shared out in their proportion.
  std::vector<ColumnNeeds> three{{20, 20, 20}, {20, 20, 60}, {10, 10, 10}};
  plan = PlanGridColumns(three, spec);
  const auto& w = plan.panels[0].widths;
  EXPECT_NEAR(w[1] / w[0], 61.6 / 21.6, 1e-9);
  // Short of room, the cells come before the titles: a name gets its line (preferred) before a
  // title is spared its third line (natural).
  std::vector<ColumnNeeds> tight(10, ColumnNeeds{20, 20, 20});
  tight[4] = {20, 130, 130};
  tight[5] = {20, 20, 100};
  plan = PlanGridColumns(tight, spec);
  ASSERT_TRUE(plan.landscape);
  const double room = 289.4 - 6.6;
  EXPECT_DOUBLE_EQ(plan.panels[0].widths[0], 21.6);
  EXPECT_NEAR(plan.panels[0].widths[4], room - 9 * 21.6, 1e-9) << "all the room to the name";
  EXPECT_DOUBLE_EQ(plan.panels[0].widths[5], 21.6);
  tight[4] = {20, 40, 40};
  plan = PlanGridColumns(tight, spec);
  EXPECT_NEAR(plan.panels[0].widths[4], 41.6, 1e-9) << "the name on one line";
  EXPECT_NEAR(plan.panels[0].widths[5], room - 41.6 - 8 * 21.6, 1e-9) << "the rest to the title";
}

TEST(GridPlan, TitlesTakeTheNarrowestWidthForTheirLines) {
  FallbackMeasurer m;
  FontSpec f{"宋体", 10};
  const double em = 10 * kMmPerPoint;
  struct Case {
    const char* title;
    size_t lines;
    double ems;
  };
  const Case cases[] = {
      {"商品编码", 1, 4},
      {"商品编码", 3, 2},                                    // two, one and one would also do
      {"特价开始日期前七天最低成交价格", 3, 5},
      {"特价开始日期前八天到前三个月之间最后一笔成交价格", 3, 8},
      {"No", 3, 1},                                          // a word stays whole
      {"Sale price", 2, 2.5},                                // broken between words
  };
  for (const Case& c : cases) {
    const double w = NarrowestWidth(m, f, c.title, c.lines);
    EXPECT_NEAR(w, c.ems * em, 0.011) << c.title;
    EXPECT_LE(BreakLines(m, f, c.title, w).size(), c.lines) << c.title;
  }
}

}  // namespace
}  // namespace pt::report
