#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "common/AdvDBEh.h"
#include "common/IniFile.h"
#include "common/MemTableModel.h"
#include "dialogs/FlatControls.h"
#include "tests/widgets/SettingsDir.h"

namespace pt {
namespace {

// A table of products: code (text), name (text), qty (integer); rows as given.
struct Products {
  MemTable t{"cdsTest"};
  explicit Products(std::vector<std::tuple<std::string, std::string, int>> rows = {}) {
    t.AddField("code", FieldType::Text, 10, "编码");
    t.AddField("name", FieldType::Text, 20, "名称");
    t.AddField("qty", FieldType::Integer, 0, "数量");
    t.CreateDataSet();
    for (auto& [c, n, q] : rows) Add(c, n, q);
    if (!rows.empty()) t.First();
  }
  void Add(const std::string& c, const std::string& n, int q) {
    t.Append();
    t.Set("code", c);
    t.Set("name", n);
    t.Set("qty", q);
    t.Post();
  }
  std::string Codes() {
    std::string out;
    for (int r = 0; r < t.RecordCount(); ++r) out += t.CellAt(r, 0).ToText() + " ";
    return out;
  }
};

QPoint TitleCentre(TAdvDBGridEh& g, int column) {
  QHeaderView* h = g.horizontalHeader();
  return QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2);
}

TEST(GridSort, MarkersBecomeTheCustomIndexAndItsDescendingFields) {
  Products p({{"b", "x", 2}, {"a", "y", 1}, {"A", "z", 3}, {"b", "w", 5}});
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  g.AddColumn("code");
  g.AddColumn("qty");
  g.SetAutoSorted(true);
  g.resize(300, 200);
  g.show();

  p.t.SetRecNo(3);  // the record "A", 3: it stays current through every sort
  QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, Qt::NoModifier, TitleCentre(g, 0));
  EXPECT_EQ(g.Column(0)->Marker(), SortMarker::Up);
  QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, Qt::ControlModifier, TitleCentre(g, 1));
  QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, Qt::ControlModifier, TitleCentre(g, 1));
  EXPECT_EQ(g.Column(1)->Marker(), SortMarker::Down);
  EXPECT_EQ(g.Column(0)->SortIndex(), 1);
  EXPECT_EQ(g.Column(1)->SortIndex(), 2);

  SortTexts t = g.ComposeSortTexts();
  EXPECT_EQ(t.fields, "code;qty");
  EXPECT_EQ(t.descFields, "qty");
  EXPECT_EQ(t.orderText, "code ASC,qty DESC");
  EXPECT_EQ(p.t.IndexName(), "customindex");
  const MemTable::IndexDef* idx = p.t.ActiveIndex();
  ASSERT_NE(idx, nullptr);
  EXPECT_EQ(idx->fields, (std::vector<int>{0, 2}));
  EXPECT_EQ(idx->descending, (std::vector<bool>{false, true}));
  EXPECT_TRUE(idx->caseInsensitive);
  // "a" and "A" tie without regard to case, so qty (descending) orders them, as within "b".
  EXPECT_EQ(p.Codes(), "A a b b ");
  EXPECT_EQ(p.t.CellAt(2, 2).ToInt(), 5);
  EXPECT_EQ(p.t.GetInt("qty"), 3);
  EXPECT_EQ(g.currentIndex().row(), p.t.RecNo() - 1);

  // A plain click starts over with that column alone.
  QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, Qt::NoModifier, TitleCentre(g, 1));
  EXPECT_EQ(g.Column(0)->Marker(), SortMarker::None);
  EXPECT_EQ(g.ComposeSortTexts().orderText, "qty ASC");
  EXPECT_EQ(p.Codes(), "a b A b ");
}

TEST(GridSort, EmptyTableGetsTheMarkerOnly) {
  Products p;
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  g.SetAutoSorted(true);
  g.TitleClicked(0, false);
  EXPECT_EQ(g.Column(0)->Marker(), SortMarker::Up);
  EXPECT_FALSE(p.t.HasIndex("customindex"));
}

TEST(GridSort, WithoutAutoSortTheWindowIsToldInstead) {
  Products p({{"b", "x", 2}, {"a", "y", 1}});
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  int told = 0;
  QObject::connect(&g, &TAdvDBGridEh::sortMarkingChanged, [&] { ++told; });
  g.TitleClicked(0, false);
  EXPECT_EQ(told, 1);
  EXPECT_FALSE(p.t.HasIndex("customindex"));
  g.Column(1)->SetTitleSortable(false);
  g.TitleClicked(1, true);
  EXPECT_EQ(g.Column(1)->Marker(), SortMarker::None);
}

TEST(GridSort, OpeningOrClosingTheTableClearsTheMarkers) {
  Products p({{"b", "x", 2}});
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  g.SetAutoSorted(true);
  g.TitleClicked(0, false);
  p.t.Close();
  EXPECT_EQ(g.Column(0)->Marker(), SortMarker::None);
  g.TitleClicked(0, false);
  p.t.CreateDataSet();
  EXPECT_EQ(g.Column(0)->Marker(), SortMarker::None);
}

// ---------------------------------------------------------------- record-count footer

struct FooterCase {
  const char* what;
  std::vector<bool> visible;
  std::vector<FooterValueType> types;
  std::vector<std::string> texts;
  std::vector<std::string> expected;  // footer texts afterwards
};

class GridCountFooter : public ::testing::TestWithParam<FooterCase> {};

TEST_P(GridCountFooter, GoesToTheFirstFreeVisibleColumn) {
  const FooterCase& c = GetParam();
  Products p;
  for (int i = 0; i < 25; ++i) p.Add("c" + std::to_string(i), "n", i);
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  for (size_t i = 0; i < c.visible.size(); ++i) {
    GridColumn* col = g.AddColumn(i == 2 ? "qty" : i == 1 ? "name" : "code");
    col->SetVisible(c.visible[i]);
    col->SetFooter(c.types[i], c.texts[i]);
  }
  g.SetShowSumCount(true);
  std::vector<std::string> got;
  for (int i = 0; i < g.ColumnCount(); ++i) got.push_back(g.Column(i)->FooterText());
  EXPECT_EQ(got, c.expected) << c.what;
}

using FV = FooterValueType;
INSTANTIATE_TEST_SUITE_P(
    Cases, GridCountFooter,
    ::testing::Values(
        FooterCase{"first column free", {true, true}, {FV::None, FV::None}, {"", ""}, {"合计:25条", ""}},
        FooterCase{"hidden columns are skipped", {false, true}, {FV::None, FV::StaticText}, {"", "x"}, {"", "合计:25条"}},
        FooterCase{"a value footer stops the search", {true, true}, {FV::Sum, FV::None}, {"", ""}, {"", ""}},
        FooterCase{"an old count is cleared, also where it no longer goes", {false, true, true},
                   {FV::StaticText, FV::StaticText, FV::None}, {"合计:0条", "合计:0条", ""}, {"", "合计:25条", ""}}));

TEST(GridCountFooter, FollowsTheRowsTheTableShows) {
  Products p({{"a", "x", 1}, {"b", "y", 2}, {"c", "z", 3}});
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  g.AddColumn("code")->SetFooterStaticText("合计:0条");
  g.AddColumn("qty")->SetFooter(FooterValueType::Sum);
  g.SetShowSumCount(true);
  EXPECT_EQ(g.FooterDisplayText(0), "合计:3条");
  EXPECT_EQ(g.FooterDisplayText(1), "6");
  p.Add("d", "w", 4);
  EXPECT_EQ(g.FooterDisplayText(0), "合计:4条");
  p.t.SetFilter("qty > 2");
  p.t.SetFiltered(true);
  EXPECT_EQ(g.FooterDisplayText(0), "合计:2条");
  EXPECT_EQ(g.FooterDisplayText(1), "7");
  g.Column(0)->SetVisible(false);
  EXPECT_EQ(g.FooterDisplayText(0), "") << "the count leaves a column that is hidden";
  EXPECT_EQ(g.FooterDisplayText(1), "7") << "and does not take a value footer's place";
  EXPECT_GT(g.FooterRowCount(), 0);
}

// ---------------------------------------------------------------- saved layout

TEST(GridLayout, SavesVisibilityAndWidthPerField) {
  test::SettingsDir dir;
  Products p;
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  g.AddColumn("code", "", 120);
  g.AddColumn("name", "", 80)->SetVisible(false);
  g.SaveColumnLayout("Tallmerpos.ini", "FrmyjgDgdView", "");
  EXPECT_EQ(ReadIniValue("Tallmerpos.ini", "FrmyjgDgdView", "code", "", ""), "1,120");
  EXPECT_EQ(ReadIniValue("Tallmerpos.ini", "FrmyjgDgdView", "name", "", ""), "0,80");
}

TEST(GridLayout, LoadsValuesWithTheirRules) {
  test::SettingsDir dir;
  dir.Write("[FrmyjgDgdView]\ncode=0,120\nname=1,0\nqty=1,55\n[Other]\nqty=0,9\n");
  Products p;
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  g.AddColumn("code", "", 70);
  g.AddColumn("name", "", 90)->SetVisible(false);
  GridColumn* kept = g.AddColumn("qty", "", 40);
  kept->SetTag(1);
  kept->SetVisible(true);
  // An explicit directory without its trailing separator reaches the same file.
  g.LoadColumnLayout("Tallmerpos.ini", "FrmyjgDgdView", dir.dir().toStdString());
  EXPECT_FALSE(g.Column(0)->Visible());
  EXPECT_EQ(g.Column(0)->Width(), 120);
  EXPECT_TRUE(g.Column(1)->Visible());
  EXPECT_EQ(g.Column(1)->Width(), 90) << "1,0 keeps the design width";
  EXPECT_FALSE(g.Column(2)->Visible()) << "Tag 1 stays hidden";
  EXPECT_EQ(g.Column(2)->Width(), 55);
  EXPECT_TRUE(g.isColumnHidden(0));
  EXPECT_FALSE(g.isColumnHidden(1));
  EXPECT_EQ(g.columnWidth(1), 90);
}

TEST(GridLayout, MissingOrDamagedValuesShowTheColumnAtItsWidth) {
  test::SettingsDir dir;
  dir.Write("[V]\nname=1,abc\nqty=1,-40\n");
  Products p;
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  g.AddColumn("code", "", 70)->SetVisible(false);
  g.AddColumn("name", "", 90);
  g.AddColumn("qty", "", 40);
  g.LoadColumnLayout("Tallmerpos.ini", "V", "");
  EXPECT_TRUE(g.Column(0)->Visible());
  EXPECT_EQ(g.Column(0)->Width(), 70);
  EXPECT_EQ(g.Column(1)->Width(), 90);
  EXPECT_EQ(g.Column(2)->Width(), 40);
}

// ---------------------------------------------------------------- columns, titles, current row

TEST(GridColumns, DefaultToTheTableFieldsAndFollowStructure) {
  MemTable t("t");
  FieldDef hidden;
  hidden.name = "f_Spcd";
  hidden.label = "商品产地";
  hidden.visible = false;
  t.AddField("f_Spbm", FieldType::Text, 15, "商品编码");
  t.AddField(hidden);
  t.AddField("f_BqPtQsrq", FieldType::Text, 8, "本期普通特价|起始日期");
  t.AddField("f_BqPtJsrq", FieldType::Text, 8, "本期普通特价|结束日期");
  t.CreateDataSet();
  TAdvDBGridEh g;
  g.SetDataSet(&t);
  ASSERT_EQ(g.ColumnCount(), 4);
  EXPECT_EQ(g.Column(0)->Title(), "商品编码");
  EXPECT_FALSE(g.Column(1)->Visible());
  EXPECT_TRUE(g.TwoLevelTitles());
  EXPECT_EQ(g.Model()->headerData(2, Qt::Horizontal).toString(), QString::fromUtf8("本期普通特价|起始日期"));
  int oneLine = g.fontMetrics().height() + 6;
  EXPECT_EQ(g.horizontalHeader()->sizeHint().height(), 2 * oneLine);
  g.resize(500, 200);
  g.show();
  EXPECT_FALSE(g.grab().isNull());  // paints the spanning group title without trouble

  g.Column(2)->SetVisible(false);
  g.Column(3)->SetVisible(false);
  EXPECT_FALSE(g.TwoLevelTitles());
  EXPECT_EQ(g.horizontalHeader()->sizeHint().height(), oneLine);
}

TEST(GridColumns, OutliveTheirTable) {
  TAdvDBGridEh g;
  {
    Products p({{"a", "x", 1}});
    g.SetDataSet(&p.t);
    g.AddColumn("code");
    g.SetShowSumCount(true);
    g.resize(200, 100);
    g.show();
  }
  EXPECT_EQ(g.DataSet(), nullptr);
  EXPECT_EQ(g.Model()->rowCount(), 0);
  EXPECT_FALSE(g.grab().isNull());
  g.TitleClicked(0, false);
  EXPECT_TRUE(g.FooterDisplayText(0).startsWith(QString::fromUtf8("合计")));
}

TEST(GridColumns, MovingATitleMovesTheColumn) {
  Products p({{"a", "x", 1}});
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  g.Column(0)->SetWidth(77);
  g.horizontalHeader()->moveSection(0, 2);
  EXPECT_EQ(g.Column(2)->FieldName(), "code");
  EXPECT_EQ(g.Column(2)->Width(), 77);
  EXPECT_EQ(g.Column(0)->FieldName(), "name");
  EXPECT_EQ(g.horizontalHeader()->logicalIndex(2), 2) << "the header keeps a plain mapping";
  EXPECT_EQ(g.Model()->index(0, 2).data().toString(), "a");
  EXPECT_EQ(g.columnWidth(2), 77);
}

TEST(GridCurrentRow, FollowsTheTableBothWays) {
  Products p;
  for (int i = 0; i < 200; ++i) p.Add("c" + std::to_string(i), "n", i);
  p.t.First();
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  g.SetRowSelect(true);
  g.resize(300, 200);
  g.show();
  int scrolls = 0;
  p.t.afterScroll = [&](MemTable&) { ++scrolls; };

  QRect second = g.visualRect(g.Model()->index(1, 0));
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
  EXPECT_EQ(p.t.RecNo(), 2);
  EXPECT_EQ(scrolls, 1);

  p.t.SetRecNo(150);
  EXPECT_EQ(g.currentIndex().row(), 149);
  EXPECT_TRUE(g.viewport()->rect().intersects(g.visualRect(g.currentIndex()))) << "the grid scrolled to it";
  EXPECT_TRUE(g.selectionModel()->isRowSelected(149, {}));

  // With a footer row the last row still comes fully into sight above it.
  g.SetShowSumCount(true);
  p.t.Last();
  EXPECT_TRUE(g.viewport()->rect().contains(g.visualRect(g.currentIndex())));
  EXPECT_EQ(g.Footer()->geometry().top(), g.viewport()->geometry().bottom() + 1);
  p.t.SetRecNo(150);
  EXPECT_TRUE(g.viewport()->rect().intersects(g.visualRect(g.currentIndex()))) << "the grid scrolled to it";
  EXPECT_TRUE(g.selectionModel()->isRowSelected(149, {}));

  {
    ControlsDisabledScope off(p.t);
    p.t.SetRecNo(10);
    EXPECT_EQ(g.currentIndex().row(), 149) << "the grid does not follow while controls are disabled";
  }
  EXPECT_EQ(g.currentIndex().row(), 9);
}

TEST(GridFrozenColumns, KeepTheFirstColumnsInPlace) {
  Products p({{"a", "x", 1}});
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  g.SetFrozenCols(1);
  g.resize(120, 150);
  g.show();
  ASSERT_NE(g.FrozenView(), nullptr);
  EXPECT_FALSE(g.FrozenView()->isColumnHidden(0));
  EXPECT_TRUE(g.FrozenView()->isColumnHidden(1));
  EXPECT_EQ(g.FrozenView()->width(), g.Column(0)->Width());
  g.horizontalScrollBar()->setValue(g.horizontalScrollBar()->maximum());
  EXPECT_EQ(g.FrozenView()->columnViewportPosition(0), 0);
  g.SetFrozenCols(0);
  EXPECT_EQ(g.FrozenView(), nullptr);
}

TEST(GridModel, AsksOnlyForTheRowsItShows) {
  Products p;
  for (int i = 0; i < 50000; ++i) p.Add("c" + std::to_string(i), "名称", i);
  p.t.First();
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  g.resize(400, 300);
  g.show();
  g.Model()->ResetRequestCounters();
  g.grab();
  EXPECT_GT(g.Model()->CellRequests(), 0);
  EXPECT_LT(g.Model()->HighestRowRequested(), 40);
  g.verticalScrollBar()->setValue(30000);
  g.Model()->ResetRequestCounters();
  g.grab();
  EXPECT_LT(g.Model()->CellRequests(), 40 * 3 * 2);
}

TEST(GridModel, AlternateRowColoursGoByRecordNumber) {
  Products p({{"a", "x", 1}, {"b", "y", 2}});
  TAdvDBGridEh g;
  g.SetDataSet(&p.t);
  g.SetAlternateRowColors(WinColor(16762052), WinColor(16768477));
  EXPECT_EQ(g.Model()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0xC4, 0xC4, 0xFF));
  EXPECT_EQ(g.Model()->index(1, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0xDD, 0xDD, 0xFF));
}

}  // namespace
}  // namespace pt
