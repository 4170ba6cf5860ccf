// The department tree without a window: building from the host's rows, the ticking rules, the
// count, the selection file lines, and the remembered choice with its department SQL.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/MemTable.h"
#include "common/ModuleError.h"
#include "dialogs/DeptTree.h"
#include "queue/DeptChoice.h"
#include "tests/support/DeptRows.h"

namespace pt {
namespace {

using dept::CheckType;
using dept::DeptTree;
using dept::TickOutcome;
using NodeId = DeptTree::NodeId;

struct Row {
  int qt;
  const char* flbm;
  const char* flmc;
  int jb, mj;
  const char* bmbm;
  const char* bmmc;
  int bmlx;
};

void Fill(MemTable& t, const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    t.Append();
    t.Set("f_qt", r.qt);
    t.Set("f_bmflbm", r.flbm);
    t.Set("f_bmflmc", r.flmc);
    t.Set("f_jb", r.jb);
    t.Set("f_mj", r.mj);
    t.Set("f_bmbm", r.bmbm);
    t.Set("f_bmmc", r.bmmc);
    t.Set("f_bmlx", r.bmlx);
    t.Post();
  }
}

// Two divisions: categories nest by grade, 0103 holds categories only, 012 stands in two
// categories, 019 and 029 hang directly on their division.
const std::vector<Row> kRows = {
    {0, "01", "超市事业部", 1, 0, "", "", 0},     {0, "0101", "食品类", 2, 1, "", "", 0},
    {0, "0101", "食品类", 2, 1, "010", "食品部", 1}, {0, "0102", "日化类", 2, 1, "", "", 0},
    {0, "0102", "日化类", 2, 1, "011", "日化部", 1}, {0, "0103", "生鲜类", 2, 0, "", "", 0},
    {0, "010301", "果蔬", 3, 1, "", "", 0},        {0, "010301", "果蔬", 3, 1, "012", "果蔬部", 1},
    {0, "010302", "肉禽", 3, 1, "", "", 0},        {0, "010302", "肉禽", 3, 1, "012", "果蔬部", 1},
    {0, "010302", "肉禽", 3, 1, "013", "肉禽部", 1}, {0, "02", "百货事业部", 1, 0, "", "", 0},
    {0, "0201", "服装类", 2, 1, "", "", 0},        {0, "0201", "服装类", 2, 1, "020", "服装部", 1},
    {1, "01", "超市事业部", 1, 0, "019", "超市综合部", 1}, {1, "02", "百货事业部", 1, 0, "029", "百货综合部", 1},
};

class DeptTreeTest : public ::testing::Test {
 protected:
  void SetUp() override { Build(kRows); }
  void Build(const std::vector<Row>& rows) {
    MemTable t("rows");
    test::DefineDeptRows(t);
    Fill(t, rows);
    queue::BuildDeptTree(t, tree_);
  }
  // The node at an absolute index, checked against its text's code.
  NodeId At(int index, const std::string& code) {
    NodeId id = tree_.NodeAt(index);
    EXPECT_EQ(dept::NodeCode(tree_.Text(id)), code) << "at " << index;
    return id;
  }
  std::vector<std::string> TickedCodes() {
    std::vector<std::string> out;
    for (NodeId id : tree_.TreeOrder())
      if (tree_.Ticked(id)) out.push_back(std::to_string(tree_.AbsoluteIndex(id)));
    return out;
  }
  // Ticks as the program does before the window shows, then switches the rules on.
  void Prepare(const std::vector<int>& ticks) {
    tree_.SetRulesActive(false);
    for (int i : ticks) tree_.SetTicked(tree_.NodeAt(i), true);
    tree_.SetRulesActive(true);
  }

  DeptTree tree_;
};

// Absolute indexes of the fixture tree.
enum : int {
  kRoot = 0, k01 = 1, k0101 = 2, k010 = 3, k0102 = 4, k011 = 5, k0103 = 6, k010301 = 7, k012a = 8,
  k010302 = 9, k012b = 10, k013 = 11, kOther01 = 12, k019 = 13, k02 = 14, k0201 = 15, k020 = 16,
  kOther02 = 17, k029 = 18
};

TEST_F(DeptTreeTest, BuildsTheTreeInRowOrderWithGroupsLast) {
  struct Expect {
    int index;
    const char* text;
    int image, level;
    CheckType check;
  };
  const Expect expected[] = {
      {kRoot, "所有部门及分类", 3, 0, CheckType::None},  {k01, "01 超市事业部", 0, 1, CheckType::Radio},
      {k0101, "0101 食品类", 0, 2, CheckType::CheckBox}, {k010, "010 食品部", 1, 3, CheckType::CheckBox},
      {k0103, "0103 生鲜类", 0, 2, CheckType::CheckBox}, {k010301, "010301 果蔬", 0, 3, CheckType::CheckBox},
      {k012a, "012 果蔬部", 1, 4, CheckType::CheckBox},  {k013, "013 肉禽部", 1, 4, CheckType::CheckBox},
      {kOther01, "其它", 2, 2, CheckType::CheckBox},     {k019, "019 超市综合部", 1, 3, CheckType::CheckBox},
      {k02, "02 百货事业部", 0, 1, CheckType::Radio},    {k020, "020 服装部", 1, 3, CheckType::CheckBox},
      {kOther02, "其它", 2, 2, CheckType::CheckBox},     {k029, "029 百货综合部", 1, 3, CheckType::CheckBox},
  };
  ASSERT_EQ(tree_.Count(), 19);
  for (const Expect& e : expected) {
    NodeId id = tree_.NodeAt(e.index);
    SCOPED_TRACE(e.text);
    EXPECT_EQ(tree_.Text(id), e.text);
    EXPECT_EQ(tree_.Image(id), e.image);
    EXPECT_EQ(tree_.Level(id), e.level);
    EXPECT_EQ(tree_.CheckTypeOf(id), e.check);
    EXPECT_EQ(tree_.AbsoluteIndex(id), e.index);
  }
  EXPECT_EQ(TickedCodes(), std::vector<std::string>{"1"});  // the first top category
  EXPECT_EQ(tree_.SelectionKey(tree_.NodeAt(kOther01)), "2 其它");
}

TEST_F(DeptTreeTest, RowsThatCannotBePlacedAreRefusedWithTheirReason) {
  struct Case {
    std::vector<Row> rows;
    std::string message;
  } cases[] = {
      {{{0, "01", "A", 13, 0, "", "", 0}}, "定价部门分类“01”的级别13不在 1 到 12 之间"},
      {{{0, "01", "A", 0, 0, "", "", 0}}, "定价部门分类“01”的级别0不在 1 到 12 之间"},
      {{{0, "", "", 1, 0, "010", "x", 1}}, "第1行没有定价部门分类编码"},
      {{{0, "01", "A", 1, 0, "", "", 0}, {0, "01", "A", 1, 0, "010", "x", 7}}, "第2行的节点类别“7”不是 0 或 1"},
  };
  for (const Case& c : cases) {
    try {
      Build(c.rows);
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const ModuleError& e) {
      EXPECT_EQ(e.what(), c.message);
    }
    EXPECT_TRUE(tree_.Empty());
  }
  MemTable missing("rows");
  missing.AddField("f_qt", FieldType::Integer);
  missing.CreateDataSet();
  EXPECT_THROW(queue::BuildDeptTree(missing, tree_), ModuleError);
}

TEST_F(DeptTreeTest, ACategoryWithoutItsParentGradeHangsUnderTheNearestGradeAbove) {
  Build({{0, "01", "A", 1, 0, "", "", 0}, {0, "010101", "C", 3, 1, "", "", 0}, {0, "010101", "C", 3, 1, "9", "x", 1}});
  EXPECT_EQ(tree_.Level(tree_.NodeAt(2)), 2);
  EXPECT_EQ(tree_.Text(tree_.NodeAt(3)), "9 x");
}

// A department row without a code names nothing a choice or a selection file could hold.
TEST_F(DeptTreeTest, DepartmentRowsWithoutACodeAddNoNode) {
  Build({{0, "01", "A", 1, 0, "", "", 0}, {0, "0101", "B", 2, 1, "", "", 0}, {0, "0101", "B", 2, 1, "", "x", 1},
         {1, "01", "A", 1, 0, "", "y", 1}, {1, "01", "A", 1, 0, "019", "z", 1}});
  std::vector<std::string> texts;
  for (NodeId id : tree_.TreeOrder()) texts.push_back(tree_.Text(id));
  EXPECT_EQ(texts, (std::vector<std::string>{dept::kRootText, "01 A", "0101 B", dept::kGroupText, "019 z"}));
}

TEST_F(DeptTreeTest, TickingRules) {
  struct Case {
    const char* what;
    std::vector<int> before;  // ticked by the program (rules off), top category 01 included or not
    int node;
    bool tick;
    TickOutcome outcome;
    bool categoryChosen;
    std::vector<int> after;  // every ticked node afterwards
  };
  const Case cases[] = {
      {"department in an unticked top category", {k01}, k020, true, TickOutcome::Refused, false, {k01}},
      {"the same department once its top category is ticked", {k02}, k020, true, TickOutcome::Changed, false, {k02, k020}},
      {"a second top category clears the first and all inside it", {k01, k0102, k011}, k02, true, TickOutcome::Changed,
       false, {k02}},
      {"a ticked top category cannot be unticked directly", {k01}, k01, false, TickOutcome::Refused, false, {k01}},
      {"the root has no tick", {k01}, kRoot, true, TickOutcome::Refused, false, {k01}},
      {"the group node never changes", {k01}, kOther01, true, TickOutcome::Refused, false, {k01}},
      {"a department in the group node", {k01}, k019, true, TickOutcome::Changed, false, {k01, k019}},
      {"a category holding categories", {k01}, k0103, true, TickOutcome::Refused, false, {k01}},
      {"a leaf category carries its departments", {k01}, k010302, true, TickOutcome::Changed, false,
       {k01, k010302, k012b, k013}},
      {"unticking the category takes them out again", {k01, k010302}, k010302, false, TickOutcome::Changed, false, {k01}},
      {"a department of a ticked category stays", {k01, k0101}, k010, false, TickOutcome::Refused, true,
       {k01, k0101, k010}},
      {"a department of an unticked category goes", {k01, k011}, k011, false, TickOutcome::Changed, false, {k01}},
      {"a department under the top category itself", {k01, k019}, k019, false, TickOutcome::Changed, false, {k01}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    Prepare(c.before);
    const dept::TickReport r = tree_.SetTicked(tree_.NodeAt(c.node), c.tick);
    EXPECT_EQ(r.outcome, c.outcome);
    EXPECT_EQ(r.categoryChosen, c.categoryChosen);
    std::vector<std::string> after;
    for (int i : c.after) after.push_back(std::to_string(i));
    EXPECT_EQ(TickedCodes(), after);
  }
}

TEST_F(DeptTreeTest, TheProgramTicksFreelyWhileTheWindowIsHidden) {
  tree_.SetRulesActive(false);
  EXPECT_EQ(tree_.SetTicked(tree_.NodeAt(k020), true).outcome, TickOutcome::Changed);  // top 02 unticked
  EXPECT_EQ(tree_.SetTicked(tree_.NodeAt(k0103), true).outcome, TickOutcome::Changed);
  // The top level stays radio-style and keeps every tick inside the ticked top category.
  EXPECT_EQ(tree_.SetTicked(tree_.NodeAt(k02), true).outcome, TickOutcome::Changed);
  EXPECT_EQ(TickedCodes(), (std::vector<std::string>{"14", "16"}));
}

TEST_F(DeptTreeTest, CountLeavesOutTheTopLevel) {
  Prepare({k01, k0101, k011});
  const dept::TickCount c = tree_.CountTicked();
  EXPECT_EQ(c.total, 3);
  EXPECT_EQ(c.categories, 1);
  EXPECT_EQ(c.departments, 2);
  // The second division is not counted as one of its own categories either.
  Prepare({k02, k0201, k029});
  const dept::TickCount d = tree_.CountTicked();
  EXPECT_EQ(d.total, 3);
  EXPECT_EQ(d.categories, 1);
  EXPECT_EQ(d.departments, 2);
}

TEST_F(DeptTreeTest, SelectionLinesRoundTripInsideTheTickedTopCategory) {
  Prepare({k01, k0101, k011, k019});
  const std::vector<std::string> lines = tree_.SelectionLines();
  EXPECT_EQ(lines, (std::vector<std::string>{"0 01", "0 0101", "1 010", "1 011", "1 019"}));
  tree_.SetTicked(tree_.NodeAt(k02), true);
  tree_.SetTicked(tree_.NodeAt(k01), true);
  ASSERT_EQ(TickedCodes(), std::vector<std::string>{"1"});

  const dept::TickReport r = tree_.ApplySelectionLines(lines);
  EXPECT_FALSE(r.categoryChosen);
  EXPECT_EQ(TickedCodes(), (std::vector<std::string>{"1", "2", "3", "5", "13"}));
}

TEST_F(DeptTreeTest, SelectionLinesAreTrimmedAndMatchedWithoutCaseAndTheFirstNeverApplies) {
  Build({{0, "A1", "甲", 1, 0, "", "", 0}, {0, "A101", "乙", 2, 1, "", "", 0}, {0, "A101", "乙", 2, 1, "d1", "丙", 1},
         {0, "B1", "丁", 1, 0, "", "", 0}, {0, "B101", "戊", 2, 1, "", "", 0}, {0, "B101", "戊", 2, 1, "e1", "己", 1}});
  tree_.SetRulesActive(true);
  // The first line names the other top category: it is never applied, and the lines of that
  // category are refused; the one line of the ticked top category ticks its department.
  tree_.ApplySelectionLines({"0 b1", "", "  1 D1  ", "0 B101", "1 e1"});
  EXPECT_EQ(TickedCodes(), (std::vector<std::string>{"1", "3"}));
  // No line that counts: nothing changes.
  tree_.ApplySelectionLines({"  ", ""});
  EXPECT_EQ(TickedCodes(), (std::vector<std::string>{"1", "3"}));
  // A file that names another top category further down does not switch the division either.
  tree_.ApplySelectionLines({"0 A1", "0 B1", "1 e1", "1 d1"});
  EXPECT_EQ(TickedCodes(), (std::vector<std::string>{"1", "3"}));
}

TEST_F(DeptTreeTest, LoadingCannotTakeADepartmentOutOfATickedCategory) {
  Prepare({k01});
  const dept::TickReport r = tree_.ApplySelectionLines({"0 01", "0 0101"});
  EXPECT_TRUE(r.categoryChosen);
  EXPECT_EQ(TickedCodes(), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(DeptTreeTest, SelectAllAndNone) {
  Prepare({k02});
  EXPECT_EQ(tree_.SetChildrenTicked(tree_.NodeAt(k0101), true).changes, 0);  // top 01 unticked
  tree_.SetTicked(tree_.NodeAt(k01), true);
  EXPECT_EQ(tree_.SetChildrenTicked(tree_.NodeAt(k010302), true).changes, 2);
  EXPECT_EQ(tree_.SetChildrenTicked(tree_.NodeAt(k010302), false).changes, 2);
  EXPECT_EQ(tree_.SetChildrenTicked(tree_.NodeAt(kOther01), true).changes, 1);
  EXPECT_EQ(tree_.SetChildrenTicked(tree_.Root(), true).changes, 0);
  tree_.SetTicked(tree_.NodeAt(k0101), true);
  const dept::TickReport none = tree_.SetChildrenTicked(tree_.NodeAt(k0101), false);
  EXPECT_TRUE(none.categoryChosen);
  EXPECT_EQ(TickedCodes(), (std::vector<std::string>{"1", "2", "3", "13"}));
}

// ---------------------------------------------------------------- the remembered choice

class DeptChoiceTest : public DeptTreeTest {
 protected:
  DeptChoiceTest() {
    queue::DefineChoiceFields(cdsbm_);
    queue::PrepareChoiceTable(cdsbm_);
    cdsbm_.CreateDataSet();
  }
  // Confirms the ticks as the department dialog does and returns the department SQL.
  std::string Confirm() {
    const queue::DeptChoice choice = queue::ComposeDeptChoice(tree_, queue::CollectTickedDepts(tree_));
    queue::StoreDeptChoice(choice, cdsbm_);
    return choice.restriction;
  }
  MemTable cdsbm_{"cdsbm"};
};

TEST_F(DeptChoiceTest, DepartmentsAndACategoryOfTheTopCategory) {
  Prepare({k01, k0101, k011});
  EXPECT_EQ(queue::CollectTickedDepts(tree_), (std::vector<std::string>{"1", "2", "3", "5"}));
  EXPECT_EQ(Confirm(),
            "select f_bmbm,f_bmmc from tbbmda where f_bmbm in ('010','011') union select f_dzbm f_bmbm,f_bmmc from "
            "tbdjbmfldz z,tbbmda b where z.f_dzbm=b.f_bmbm and  left(f_bmflbm,2)='01' and f_bmflbm in ('0101')");
  struct Expect {
    int plxh, bmlx;
    const char *bmbm, *flbm, *bmmc;
  } rows[] = {{2, 0, "0101", "0101", "食品类"}, {3, 1, "010", "0101", "食品部"}, {5, 1, "011", "0102", "日化部"}};
  ASSERT_EQ(cdsbm_.RecordCount(), 3);
  cdsbm_.First();
  for (const Expect& e : rows) {
    EXPECT_EQ(cdsbm_.GetInt("f_plxh"), e.plxh);
    EXPECT_EQ(cdsbm_.GetInt("f_bmlx"), e.bmlx);
    EXPECT_EQ(cdsbm_.GetText("f_bmbm"), e.bmbm);
    EXPECT_EQ(cdsbm_.GetText("f_flbm"), e.flbm);
    EXPECT_EQ(cdsbm_.GetText("f_bmmc"), e.bmmc);
    cdsbm_.Next();
  }
}

TEST_F(DeptChoiceTest, TheSqlTakesOnlyTheListsThereAre) {
  Prepare({k01, k019});
  EXPECT_EQ(Confirm(), "select f_bmbm,f_bmmc from tbbmda where f_bmbm in ('019')");
  EXPECT_EQ(cdsbm_.GetText("f_flbm"), "其它");  // the group node has no code of its own
  EXPECT_EQ(queue::DeptRestrictionSql({}, {"0201", "0202"}, "02"),
            "select f_dzbm f_bmbm,f_bmmc from tbdjbmfldz z,tbbmda b where z.f_dzbm=b.f_bmbm and  "
            "left(f_bmflbm,2)='02' and f_bmflbm in ('0201','0202')");
  EXPECT_EQ(queue::DeptRestrictionSql({}, {}, "02"), "");
  EXPECT_EQ(queue::DeptRestrictionSql({"0'1"}, {"a'b"}, "x'"),
            "select f_bmbm,f_bmmc from tbbmda where f_bmbm in ('0''1') union select f_dzbm f_bmbm,f_bmmc from "
            "tbdjbmfldz z,tbbmda b where z.f_dzbm=b.f_bmbm and  left(f_bmflbm,2)='x''' and f_bmflbm in ('a''b')");
}

TEST_F(DeptChoiceTest, APositionOutsideTheTreeIsAnError) {
  EXPECT_THROW(queue::ComposeDeptChoice(tree_, {"1", "99"}), ModuleError);
  EXPECT_THROW(queue::ComposeDeptChoice(tree_, {"1", "x"}), ModuleError);
  EXPECT_TRUE(queue::ComposeDeptChoice(tree_, {}).rows.empty());
}

TEST_F(DeptChoiceTest, PreTickingRestoresExactlyTheConfirmedChoice) {
  const std::vector<std::vector<int>> choices = {
      {k01, k0101, k011, k010302},  // categories and departments in the first division
      {k02, k029},                  // a department alone in the second division
      {k02, k0201},                 // a category of the second division
  };
  for (const auto& ticks : choices) {
    SetUp();
    Prepare(ticks);
    const std::vector<std::string> confirmed = queue::CollectTickedDepts(tree_);
    Confirm();
    // The clerk changes everything and cancels; the next opening starts from the confirmed choice.
    tree_.SetTicked(tree_.NodeAt(k01), true);
    tree_.SetTicked(tree_.NodeAt(k0102), true);
    tree_.SetRulesActive(false);
    queue::PreTickFromChoice(tree_, cdsbm_);
    EXPECT_EQ(queue::CollectTickedDepts(tree_), confirmed);
  }
  EXPECT_TRUE(tree_.Expanded(tree_.NodeAt(k0201)));
}

// Rows that start with a last-level category whose top category is missing hang it under the
// root; the top level stays one of many, and the confirmed choice comes back in its own division.
TEST_F(DeptChoiceTest, RowsWithoutTheirTopCategoryKeepTheTopLevelOneOfMany) {
  Build({{0, "0101", "食品类", 2, 1, "", "", 0}, {0, "0101", "食品类", 2, 1, "010", "食品部", 1},
         {0, "02", "百货事业部", 1, 0, "", "", 0}, {0, "0201", "服装类", 2, 1, "", "", 0},
         {0, "0201", "服装类", 2, 1, "020", "服装部", 1}});
  const NodeId orphan = At(1, "0101"), division = At(3, "02"), clothes = At(5, "020");
  for (NodeId top : tree_.TopCategories()) EXPECT_EQ(tree_.CheckTypeOf(top), dept::CheckType::Radio);
  tree_.SetRulesActive(true);
  tree_.SetTicked(division, true);
  EXPECT_FALSE(tree_.Ticked(orphan));
  tree_.SetTicked(clothes, true);
  const std::vector<std::string> confirmed = queue::CollectTickedDepts(tree_);
  EXPECT_EQ(confirmed, (std::vector<std::string>{"3", "5"}));
  Confirm();
  tree_.SetTicked(orphan, true);  // the clerk switches division and cancels
  tree_.SetRulesActive(false);
  queue::PreTickFromChoice(tree_, cdsbm_);
  EXPECT_EQ(queue::CollectTickedDepts(tree_), confirmed);
}

TEST_F(DeptChoiceTest, NothingRememberedTicksTheFirstTopCategoryAlone) {
  Prepare({k02, k020});
  tree_.SetRulesActive(false);
  queue::PreTickFromChoice(tree_, cdsbm_);
  EXPECT_EQ(queue::CollectTickedDepts(tree_), std::vector<std::string>{"1"});
  DeptTree empty;
  EXPECT_TRUE(queue::CollectTickedDepts(empty).empty());
  queue::PreTickFromChoice(empty, cdsbm_);
  EXPECT_EQ(queue::DeptTreeArgument("0001"), "0\t0001");
}

// The print command's choice: codes or a selection file, ticked with the selector's rules.
TEST_F(DeptChoiceTest, ChoosingByCodeOrSelectionFileTicksAsTheSelectorDoes) {
  struct Case {
    bool byCode;
    std::vector<std::string> given;
    std::vector<std::string> ticked;  // collected positions, or empty when `error` is expected
    const char* error;
  };
  const Case cases[] = {
      // A category carries its departments along; a department in two categories is ticked in both.
      {true, {"010", "0102"}, {"1", "3", "4", "5"}, nullptr},
      {true, {"012"}, {"1", "8", "10"}, nullptr},
      {true, {" 013 ", "013", ""}, {"1", "11"}, nullptr},
      {true, {"02", "029"}, {"14", "18"}, nullptr},  // the second division, picked by what it holds
      {false, {"0 02", "", " 1 029 "}, {"14", "18"}, nullptr},
      {true, {"999", "010"}, {}, "没有编码为“999”的定价部门或分类"},
      {true, {"010", "020"}, {}, "不在同一个顶层分类下"},
      {true, {"0103"}, {}, "不能选择“0103”"},  // holds categories only
      {true, {"01"}, {}, queue::kDeptRequired},
      {true, {}, {}, queue::kDeptRequired},
      {false, {"0 01", "1 020"}, {}, "定价部门分类“01 超市事业部”下没有“1 020”"},
      {false, {"1 010"}, {}, "不是定价部门的顶层分类"},
  };
  for (const Case& c : cases) {
    SetUp();
    SCOPED_TRACE(testing::PrintToString(c.given));
    try {
      const queue::DeptChoice choice =
          c.byCode ? queue::ChooseDeptsByCode(tree_, c.given) : queue::ChooseDeptsFromSelection(tree_, c.given);
      EXPECT_EQ(c.error, nullptr);
      EXPECT_EQ(queue::CollectTickedDepts(tree_), c.ticked);
      EXPECT_EQ(choice.rows.size() + 1, c.ticked.size());
    } catch (const ModuleError& e) {
      ASSERT_NE(c.error, nullptr) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
    }
  }
  SetUp();
  EXPECT_EQ(queue::ChooseDeptsByCode(tree_, {"010", "0102"}).restriction,
            "select f_bmbm,f_bmmc from tbbmda where f_bmbm in ('010','011') union select f_dzbm f_bmbm,f_bmmc from "
            "tbdjbmfldz z,tbbmda b where z.f_dzbm=b.f_bmbm and  left(f_bmflbm,2)='01' and f_bmflbm in ('0102')");
  EXPECT_FALSE(tree_.RulesActive());
}

}  // namespace
}  // namespace pt
