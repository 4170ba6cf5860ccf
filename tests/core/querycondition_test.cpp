#include <gtest/gtest.h>

#include <tuple>

#include "common/MemTable.h"
#include "common/ModuleError.h"
#include "dialogs/QueryCondition.h"

namespace pt {
namespace {

const char* const kAliases = " da,tm,Yhj,tj,plzj";

// Display names stand for the fields: 编码 a text field with Tag 1, 名称 a text field with Tag 0,
// 价格 a float with Tag 3, 标志 a boolean with Tag 257 (taken modulo 256: alias item 1).
std::vector<ConditionField> Fields() {
  return {{"code", "编码", 1, true},
          {"name", "名称", 0, true},
          {"price", "价格", 3, false},
          {"flag", "标志", 257, false}};
}

ExpressionRow F(const char* field, const char* op, const char* value) { return ExpressionRow::Field(field, op, value); }
ExpressionRow And() { return ExpressionRow::Logic(kLogicAnd); }
ExpressionRow Or() { return ExpressionRow::Logic(kLogicOr); }

struct Case {
  const char* what;
  ExpressionList rows;
  std::string aliases;
  bool filterMode;
  std::string expected;
};

class BuildConditionTable : public ::testing::TestWithParam<Case> {};

TEST_P(BuildConditionTable, ComposesTheConditionText) {
  const Case& c = GetParam();
  ConditionOptions o;
  o.aliasList = c.aliases;
  o.filterMode = c.filterMode;
  EXPECT_EQ(BuildCondition(c.rows, Fields(), o).text, c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BuildConditionTable,
    ::testing::Values(
        // Aliases by Tag.
        Case{"tag 1 takes da with its leading blank", {F("编码", "等于", "42")}, kAliases, false, "(  da.code = '42' )"},
        Case{"tag 0 takes the list's first character, a blank", {F("名称", "等于", "x")}, kAliases, false, "(  name = 'x' )"},
        Case{"tag 3 takes Yhj", {F("价格", "大于", "5")}, kAliases, false, "( Yhj.price > 5 )"},
        Case{"tag 257 counts as 1", {F("标志", "等于", "1")}, kAliases, false, "(  da.flag = 1 )"},
        Case{"a tag past the list gets no alias", {F("价格", "大于", "5")}, " da,tm", false, "( price > 5 )"},
        Case{"one alias without comma serves tag 1 and up", {F("编码", "等于", "1")}, "da", false, "( da.code = '1' )"},
        Case{"one alias without comma leaves tag 0 unqualified", {F("名称", "等于", "1")}, "da", false, "( name = '1' )"},
        Case{"tag 0 is never qualified by a first letter", {F("名称", "等于", "1")}, "da,tm", false, "( name = '1' )"},
        Case{"tag 0 keeps a leading blank of a one-alias list", {F("名称", "等于", "1")}, " da", false, "(  name = '1' )"},
        Case{"one alias with a leading blank serves tag 1", {F("编码", "等于", "1")}, " da", false, "(  da.code = '1' )"},
        Case{"an unknown display name uses the first field", {F("无此字段", "等于", "1")}, "", false, "( code = '1' )"},
        // Operators and quoting.
        Case{"numbers go bare", {F("价格", "大于", "5")}, "", false, "( price > 5 )"},
        Case{"texts are quoted", {F("名称", "不等于", "x")}, "", false, "( name <> 'x' )"},
        Case{"every comparison word", {F("价格", "大于等于", "1"), And(), F("价格", "小于", "2"), And(), F("价格", "小于等于", "-2.5")},
             "", false, "( price >= 1 ) And ( price < 2 ) And ( price <= -2.5 )"},
        Case{"left equals", {F("名称", "左等于", "69")}, "", false, "( name LIKE '69%' )"},
        Case{"contains", {F("名称", "部分等于", "69")}, "", false, "( name LIKE '%69%' )"},
        Case{"does not contain, query form", {F("名称", "部分不等于", "69")}, "", false, "( name NOT LIKE '%69%' )"},
        Case{"does not contain, filter form", {F("名称", "部分不等于", "69")}, "", true, "( name<>'temp@temp@temp' )"},
        Case{"blanks are a value", {F("名称", "等于", " ")}, "", false, "( name = ' ' )"},
        Case{"quotes are doubled", {F("名称", "等于", "O'Brien")}, "", false, "( name = 'O''Brien' )"},
        Case{"quotes are doubled in LIKE", {F("名称", "部分等于", "a'b")}, "", false, "( name LIKE '%a''b%' )"},
        Case{"a non-number for a number field is quoted", {F("价格", "等于", "5 or 1=1")}, "", false, "( price = '5 or 1=1' )"},
        Case{"a non-number with a quote cannot break out", {F("价格", "等于", "5'--")}, "", false, "( price = '5''--' )"},
        Case{"a field of the list goes bare: two columns compared", {F("价格", "大于", "code")}, kAliases, false, "( Yhj.price > code )"},
        Case{"field names match without regard to case", {F("价格", "小于", "PRICE")}, "", false, "( price < PRICE )"},
        Case{"a word that names no field is quoted", {F("价格", "大于", "codes")}, "", false, "( price > 'codes' )"},
        Case{"a display name is no field name", {F("价格", "大于", "编码")}, "", false, "( price > '编码' )"},
        Case{"a text field quotes a field name", {F("名称", "等于", "code")}, "", false, "( name = 'code' )"},
        // List form.
        Case{"a range, whatever the operator", {F("名称", "大于", "1|9")}, "", false, "( 1=1  And name Between '1' And '9' )"},
        Case{"two ranges joined by And", {F("名称", "等于", "1|9,20|29")}, "", false,
             "( 1=1  And name Between '1' And '9' And name Between '20' And '29' )"},
        Case{"a third bar ends the upper bound", {F("名称", "等于", "1|9|x")}, "", false, "( 1=1  And name Between '1' And '9' )"},
        Case{"quotes in a range are doubled", {F("名称", "等于", "a'|b")}, "", false, "( 1=1  And name Between 'a''' And 'b' )"},
        Case{"plain elements restrict to the values named", {F("名称", "等于", "1|9,15,17")}, "", false,
             "( 1=1  And name Between '1' And '9' And ( name = '15' Or name = '17' ) )"},
        Case{"a semicolon makes the list form", {F("名称", "等于", "a;b")}, "", false, "( 1=1  And ( name = 'a;b' ) )"},
        Case{"empty elements are skipped", {F("名称", "等于", "1|9,")}, "", false, "( 1=1  And name Between '1' And '9' )"},
        Case{"the alias reaches list terms", {F("编码", "等于", "1|9")}, kAliases, false, "( 1=1  And  da.code Between '1' And '9' )"},
        // Joins.
        Case{"或者 gives OR", {F("名称", "等于", "a"), Or(), F("价格", "大于", "1")}, "", false, "( name = 'a' ) OR ( price > 1 )"},
        Case{"并且 gives And", {F("名称", "等于", "a"), And(), F("价格", "大于", "1")}, "", false, "( name = 'a' ) And ( price > 1 )"},
        Case{"an empty list gives nothing", {}, kAliases, false, ""}));

TEST(BuildCondition, SubstitutionsReplaceTheFieldNameInLowerCase) {
  ConditionOptions o;
  o.substitutions = ParseSubstitutions(" CODE = Coalesce(da.f_Code,'') ; name=x.n");
  ASSERT_EQ(o.substitutions, (std::vector<std::string>{"CODE = Coalesce(da.f_Code,'')", "name=x.n"}));
  EXPECT_EQ(BuildCondition({F("编码", "等于", "7")}, Fields(), o).text, "(  coalesce(da.f_code,'') = '7' )");
  EXPECT_EQ(BuildCondition({F("价格", "等于", "7")}, Fields(), o).text, "( price = 7 )");
  EXPECT_TRUE(ParseSubstitutions("").empty());
}

TEST(BuildCondition, FilterFormRecordsTheLastExclusion) {
  ConditionOptions o;
  o.filterMode = true;
  ConditionResult r = BuildCondition({F("名称", "部分不等于", "69"), And(), F("编码", "部分不等于", "x'y")}, Fields(), o);
  EXPECT_EQ(r.text, "( name<>'temp@temp@temp' ) And ( code<>'temp@temp@temp' )");
  EXPECT_EQ(r.excludePattern, "code LIKE '%x''y%'");
  EXPECT_EQ(r.excludeField, "code");
  ASSERT_EQ(r.exclusions.size(), 2u);
  EXPECT_EQ(r.exclusions[0].pattern, "name LIKE '%69%'");
  EXPECT_EQ(r.text.substr(r.exclusions[1].placeholderOffset, r.exclusions[1].placeholderLength),
            "code<>'temp@temp@temp'");
  EXPECT_FALSE(r.hasOr);

  ConditionResult none = BuildCondition({F("名称", "部分等于", "69")}, Fields(), o);
  EXPECT_TRUE(none.excludePattern.empty());
  EXPECT_TRUE(none.exclusions.empty());
}

TEST(BuildCondition, RefusesWhatItCannotCompose) {
  EXPECT_THROW(BuildCondition({F("名称", "约等于", "1")}, Fields(), {}), ModuleError);
  EXPECT_THROW(BuildCondition({F("名称", "等于", "1")}, {}, {}), ModuleError);
}

TEST(ComposeFilterWithExclusions, AppendsGroupsWhenEverythingIsJoinedWithAnd) {
  ConditionOptions o;
  o.filterMode = true;
  ConditionResult one = BuildCondition({F("名称", "部分不等于", "69")}, Fields(), o);
  EXPECT_EQ(ComposeFilterWithExclusions(one, {{"a69", "O'69"}}),
            "( name<>'temp@temp@temp' ) and (name<>'a69' and name<>'O''69')");
  EXPECT_EQ(ComposeFilterWithExclusions(one, {{}}), "( name<>'temp@temp@temp' )") << "no match adds nothing";

  ConditionResult two = BuildCondition({F("名称", "部分不等于", "1"), And(), F("编码", "部分不等于", "2")}, Fields(), o);
  EXPECT_EQ(ComposeFilterWithExclusions(two, {{"x1"}, {"y2"}}),
            "( name<>'temp@temp@temp' ) And ( code<>'temp@temp@temp' ) and (name<>'x1') and (code<>'y2')");
}

TEST(ComposeFilterWithExclusions, KeepsEachGroupWithItsExpressionUnderOr) {
  ConditionOptions o;
  o.filterMode = true;
  ConditionResult r = BuildCondition({F("名称", "部分不等于", "1"), Or(), F("价格", "大于", "5")}, Fields(), o);
  EXPECT_TRUE(r.hasOr);
  EXPECT_EQ(ComposeFilterWithExclusions(r, {{"x1", "y1"}}),
            "( name<>'temp@temp@temp' and (name<>'x1' and name<>'y1') ) OR ( price > 5 )");
}

// What the filter form writes, exclusions included, is read by the table's filter language and
// selects what the clerk asked for.
TEST(BuildCondition, FilterFormTextsSelectTheRightRows) {
  MemTable t("t");
  t.AddField("code", FieldType::Text, 10, "编码");
  t.AddField("name", FieldType::Text, 20, "名称");
  t.AddField("price", FieldType::Float, 0, "价格");
  t.AddField("cost", FieldType::Float, 0, "进价");
  t.CreateDataSet();
  for (auto [code, name, price, cost] : {std::tuple{"1", "O'Brien", 1.0, 2.0}, {"15", "苹果", 6.0, 4.5}, {"5", "梨", 9.0, 9.0}}) {
    t.Append();
    t.Set("code", code);
    t.Set("name", name);
    t.Set("price", price);
    t.Set("cost", cost);
    t.Post();
  }
  ConditionOptions o;
  o.filterMode = true;
  auto fields = ConditionFieldsOf(t);
  auto rowsMatching = [&](const ExpressionList& rows) {
    ConditionResult r = BuildCondition(rows, fields, o);
    std::vector<std::vector<std::string>> values(r.exclusions.size());
    for (size_t i = 0; i < r.exclusions.size(); ++i) {
      CompiledFilter m = t.CompileFilter(r.exclusions[i].pattern);
      for (int k = 0; k < t.TotalRecordCount(); ++k)
        if (t.StoredRowMatches(k, m)) values[i].push_back(t.StoredCell(k, t.FieldIndex(r.exclusions[i].field)).ToText());
    }
    CompiledFilter f = t.CompileFilter(ComposeFilterWithExclusions(r, values));
    std::string codes;
    for (int k = 0; k < t.TotalRecordCount(); ++k)
      if (t.StoredRowMatches(k, f)) codes += t.StoredCell(k, 0).ToText() + " ";
    return codes;
  };
  EXPECT_EQ(rowsMatching({F("名称", "等于", "O'Brien")}), "1 ");
  EXPECT_EQ(rowsMatching({F("名称", "部分不等于", "'")}), "15 5 ");
  EXPECT_EQ(rowsMatching({F("编码", "等于", "1|3,15")}), "15 ") << "range and plain values both restrict";
  EXPECT_EQ(rowsMatching({F("编码", "等于", "4|9")}), "5 ") << "ranges compare texts as texts";
  EXPECT_EQ(rowsMatching({F("价格", "大于", "5"), And(), F("名称", "部分不等于", "果")}), "5 ");
  EXPECT_EQ(rowsMatching({F("名称", "部分不等于", "果"), Or(), F("价格", "大于", "5")}), "1 15 5 ");
  EXPECT_EQ(rowsMatching({F("名称", "部分不等于", "果"), Or(), F("价格", "大于", "7")}), "1 5 ")
      << "the exclusion applies to its own expression under OR";
  EXPECT_EQ(rowsMatching({F("价格", "等于", "abc")}), "") << "a non-number compares as text, no error";
  EXPECT_EQ(rowsMatching({F("价格", "大于", "cost")}), "15 ") << "two columns compared";
}

TEST(ExpressionListEditing, FindsDuplicatesByExactText) {
  ExpressionList rows{F("名称", "等于", "a"), And(), F("名称", "等于", "b ")};
  EXPECT_EQ(FindDuplicateExpression(rows, F("名称", "等于", "b ")), 2);
  EXPECT_EQ(FindDuplicateExpression(rows, F("名称", "等于", "b")), -1);
  EXPECT_EQ(FindDuplicateExpression(rows, F("名称", "不等于", "a")), -1);
}

TEST(ExpressionListEditing, DeleteTakesTheNeighbouringLogicRow) {
  const ExpressionList three{F("a", "等于", "1"), And(), F("b", "等于", "2"), Or(), F("c", "等于", "3")};
  struct { int selected; ExpressionList left; } cases[] = {
      {0, {F("b", "等于", "2"), Or(), F("c", "等于", "3")}},     // first: itself and the word after it
      {2, {F("a", "等于", "1"), Or(), F("c", "等于", "3")}},     // later: itself and the word before it
      {4, {F("a", "等于", "1"), And(), F("b", "等于", "2")}},
      {1, {F("a", "等于", "1"), Or(), F("c", "等于", "3")}},     // a logic word and the field after it
      {5, three},                                                 // nothing selected
  };
  for (const auto& c : cases) {
    ExpressionList rows = three;
    DeleteExpression(rows, c.selected);
    EXPECT_EQ(rows, c.left) << "selected " << c.selected;
  }
  ExpressionList single{F("a", "等于", "1")};
  DeleteExpression(single, 0);
  EXPECT_TRUE(single.empty());
}

TEST(ExpressionListEditing, OffersTheLastLogicWordFirst) {
  EXPECT_EQ(LogicChoices(false), (std::vector<std::string>{"并且", "或者"}));
  EXPECT_EQ(LogicChoices(true), (std::vector<std::string>{"或者", "并且"}));
}

TEST(ConditionFieldsOf, TakesLabelsTagsAndTextKind) {
  MemTable t("t");
  FieldDef a;
  a.name = "f_Spbm";
  a.label = "商品编码";
  a.tag = 1;
  t.AddField(a);
  t.AddField("f_Xsdj", FieldType::Float);
  auto f = ConditionFieldsOf(t);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].displayName, "商品编码");
  EXPECT_EQ(f[0].tag, 1);
  EXPECT_TRUE(f[0].isText);
  EXPECT_EQ(f[1].displayName, "f_Xsdj");
  EXPECT_FALSE(f[1].isText);
}

}  // namespace
}  // namespace pt
