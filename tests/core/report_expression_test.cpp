// Expressions, text templates, display formats and report variables of the report engine.
#include <gtest/gtest.h>

#include "common/ModuleError.h"
#include "report_engine/Expression.h"

namespace pt::report {
namespace {

RowsDataSource PrintRecord() {
  RowsDataSource s("cdsPrint", {{"f_Spmc", ""}, {"f_Xsdj", "0.00"}, {"f_q7yxsdj", ""}, {"f_Tjjg", ""},
                                {"xsxl.f_qsrq", ""}, {"f_Bzq", ""}, {"f_cf", ""}});
  s.AddRow({"苹果 Apple", 12.5, 0.0, Variant(), "20240301", 180, "   "});
  s.MoveTo(0);
  return s;
}

std::string Render(std::string_view text, const VariableList& vars = {}, const std::string& format = {},
                   PageContext page = {}) {
  RowsDataSource s = PrintRecord();
  TextTemplate t = TextTemplate::Parse(text);
  t.Bind(&s, vars);
  return t.Render(&s, page, format);
}

TEST(ReportText, FieldsVariablesAndLiteralsRenderInPlace) {
  VariableList vars;
  vars.Set("dj", "合格");
  struct Case { const char* text; const char* format; const char* expected; };
  const Case cases[] = {
      {"品名:[cdsPrint.\"f_Spmc\"]", "", "品名:苹果 Apple"},
      {"[CDSPRINT.\"F_SPMC\"]", "", "苹果 Apple"},               // names without regard to case
      {"[cdsPrint.f_spmc]", "", "苹果 Apple"},                   // unquoted simple names
      {"[cdsPrint.\"xsxl.f_qsrq\"]", "", "20240301"},            // dotted field names
      {"等级:[dj] / [DJ]", "", "等级:合格 / 合格"},
      {"[bz]", "", ""},                                          // a variable never set prints nothing
      {"[cdsPrint.\"f_Xsdj\"]", "", "12.50"},                    // the field's own display format
      {"￥[cdsPrint.\"f_Xsdj\"]", "0.0", "￥12.5"},               // the object's format wins
      {"[cdsPrint.\"f_Tjjg\"]", "0.00", ""},                     // null prints nothing, not 0.00
      {"[cdsPrint.\"f_Bzq\"]天", "", "180天"},
      {"[cdsPrint.\"f_Xsdj\" * 2]", "0.00", "25.00"},
      {"第[Page#]页/共[TotalPages#]页", "", "第3页/共7页"},
      {"no brackets at all", "", "no brackets at all"},
      {"[cdsPrint.\"f_Spmc\" + '!']", "", "苹果 Apple!"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Render(c.text, vars, c.format, PageContext{3, 7, 1}), c.expected) << c.text;
}

TEST(ReportText, SyntaxAndBindingErrorsNameTheProblem) {
  struct Case { const char* text; const char* message; };
  const Case cases[] = {
      {"[cdsPrint.\"f_Spmc\"", "报表模板有误：文本“[cdsPrint.\"f_Spmc\"”中的“[”没有对应的“]”"},
      {"[]", "报表模板有误：表达式“”为空"},
      {"[a +]", "报表模板有误：表达式“a +”不完整"},
      {"[cdsPrint.\"f_Spmc]", "报表模板有误：文本“[cdsPrint.\"f_Spmc]”中的“[”没有对应的“]”"},
      {"[a b]", "报表模板有误：表达式“a b”在“b”处多出内容"},
  };
  for (const Case& c : cases) {
    try {
      TextTemplate::Parse(c.text);
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const ModuleError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_THROW(Expression::Parse(std::string(5000, '(') + "1" + std::string(5000, ')')), ModuleError);
  EXPECT_THROW(Expression::Parse(std::string(5000, '-') + "1"), ModuleError);
  RowsDataSource s = PrintRecord();
  auto bindError = [&](const char* text) {
    TextTemplate t = TextTemplate::Parse(text);
    try {
      t.Bind(&s, {});
    } catch (const ModuleError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(bindError("[cdsPrint.\"f_Nothing\"]"), "报表模板引用了不存在的字段：cdsPrint.\"f_Nothing\"");
  EXPECT_EQ(bindError("[cdsOther.\"f_Spmc\"]"), "报表模板引用了不存在的数据集：cdsOther");
}

TEST(ReportExpression, VisibleIfShowsOnlyPresentValues) {
  RowsDataSource s = PrintRecord();
  VariableList vars;
  vars.Set("bz", "");
  vars.Set("Jjyy", "酬宾");
  struct Case { const char* expr; bool expected; };
  const Case cases[] = {
      {"[cdsPrint.\"f_q7yxsdj\"]", false},   // a seven-day price of 0
      {"cdsPrint.\"f_Tjjg\"", false},        // missing
      {"cdsPrint.\"f_Xsdj\"", true},
      {"cdsPrint.\"f_cf\"", false},          // blanks only
      {"cdsPrint.\"f_Spmc\"", true},
      {"bz", false},
      {"Jjyy", true},
      {"nobody_set_me", false},
      {"0.004", false},                      // within the suite's 0.005 of zero
      {"0.006", true},
      {"cdsPrint.\"f_Xsdj\" = 12.504", true},  // prices equal within 0.005
      {"cdsPrint.\"f_Xsdj\" > 12.51", false},
      {"cdsPrint.\"xsxl.f_qsrq\" >= '20240301' and not cdsPrint.\"f_Tjjg\"", true},
      {"cdsPrint.\"f_Tjjg\" or cdsPrint.\"f_q7yxsdj\"", false},
      {"(cdsPrint.\"f_Bzq\" - 80) / 100 = 1", true},
  };
  for (const Case& c : cases) {
    Expression e = Expression::Parse(c.expr);
    e.Bind(&s, vars);
    EXPECT_EQ(e.IsTrue(&s, {}), c.expected) << c.expr;
  }
}

TEST(ReportExpression, ArithmeticOnTextThatIsNoNumberIsAClearError) {
  RowsDataSource s = PrintRecord();
  Expression e = Expression::Parse("cdsPrint.\"f_Spmc\" * 2");
  e.Bind(&s, {});
  try {
    e.Evaluate(&s, {});
    FAIL();
  } catch (const ModuleError& err) {
    EXPECT_STREQ(err.what(), "表达式“cdsPrint.\"f_Spmc\" * 2”中的“苹果 Apple”不是数字");
  }
  // "and" and "or" leave their right side alone once the left one decides.
  for (const char* text : {"0 and cdsPrint.\"f_Spmc\" * 2", "1 or -cdsPrint.\"f_Spmc\""}) {
    Expression decided = Expression::Parse(text);
    decided.Bind(&s, {});
    EXPECT_EQ(decided.IsTrue(&s, {}), text[0] == '1') << text;
  }
  Expression undecided = Expression::Parse("1 and -cdsPrint.\"f_Spmc\"");
  undecided.Bind(&s, {});
  EXPECT_THROW(undecided.IsTrue(&s, {}), ModuleError);
}

TEST(ReportVariables, AddedWhenMissingReplacedWhenPresentKeptUntilSetAgain) {
  VariableList vars;
  vars.Set("dj", "合格");
  vars.Set("bz", "新品");
  vars.Set("DJ", "一等品");
  ASSERT_EQ(vars.Items().size(), 2u);
  EXPECT_EQ(*vars.Find("dj"), "一等品");
  EXPECT_EQ(*vars.Find("bz"), "新品");
  EXPECT_EQ(vars.Find("Jjyy"), nullptr);
}

TEST(ReportFormat, NumbersFollowTheDisplayFormat) {
  struct Case { Variant value; const char* format; const char* expected; };
  const Case cases[] = {
      {12.5, "0.00", "12.50"},
      {12.345, "0.00", "12.35"},  // half away from zero on the decimal form
      {-3.0, "0.00", "-3.00"},
      {1234567.891, "#,##0.00", "1,234,567.89"},
      {7, "0.00", "7.00"},
      {3.5, "", "3.5"},
      {12.0, "", "12"},
      {Variant(), "0.00", ""},
      {"abc", "0.00", "abc"},  // texts are printed as they are
  };
  for (const Case& c : cases) EXPECT_EQ(FormatValue(c.value, c.format), c.expected) << c.format;
}

}  // namespace
}  // namespace pt::report
