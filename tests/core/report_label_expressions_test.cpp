// What labels print beyond plain fields: dates in a format, text that depends on a condition,
// numbers in a format inside a text, and struck-through old prices.
#include <gtest/gtest.h>

#include "common/ModuleError.h"
#include "report_engine/Expression.h"
#include "report_engine/PreparedFile.h"
#include "report_engine/ReportEngine.h"

namespace pt::report {
namespace {

RowsDataSource Promotion() {
  RowsDataSource s("cdsPrint", {{"f_Qsrq", ""}, {"f_Jsrq", ""}, {"f_Xsdj", "0.00"}, {"f_Tjjg", ""}, {"f_Jdrq", ""}});
  s.AddRow({"20240312", "20240331", 12.5, 9.9, Variant()});
  s.AddRow({"", "", 8.0, Variant(), "2024/02/29"});
  return s;
}

std::string Render(std::string_view text, int record = 0) {
  RowsDataSource s = Promotion();
  s.MoveTo(record);
  TextTemplate t = TextTemplate::Parse(text);
  t.Bind(&s, VariableList{});
  return t.Render(&s, PageContext{}, {});
}

std::string Error(const std::function<void()>& f) {
  try {
    f();
  } catch (const ModuleError& e) {
    return e.what();
  }
  return "no error";
}

TEST(LabelExpressions, DatesConditionsAndNumbersRenderInPlace) {
  struct Case { const char* text; int record; const char* expected; };
  const Case cases[] = {
      {"[FormatDate('yyyy年mm月dd日', cdsPrint.\"f_Qsrq\")]", 0, "2024年03月12日"},
      {"[FormatDate('mm/dd', cdsPrint.\"f_Qsrq\")]-[formatdate('mm/dd', cdsPrint.\"f_Jsrq\")]", 0, "03/12-03/31"},
      {"[FormatDate('m月d日', '20240305')]", 0, "3月5日"},
      {"[FormatDate('YY.MM.DD', cdsPrint.\"f_Jdrq\")]", 1, "24.02.29"},
      {"[FormatDate('yyyy-mm-dd hh:nn:ss', '20240312093005')]", 0, "2024-03-12 09:30:05"},
      {"[FormatDate('mm/dd', cdsPrint.\"f_Qsrq\")]", 1, ""},              // no date: nothing
      {"[FormatDate('mm/dd', cdsPrint.\"f_Tjjg\")]", 1, ""},              // missing: nothing
      {"[FormatDate('mm/dd', '20230229')]", 0, "20230229"},              // not a date: as it stands
      {"[IIf(cdsPrint.\"f_Tjjg\", '特价', '原价')]", 0, "特价"},
      {"[IIf(cdsPrint.\"f_Tjjg\", '特价', '原价')]", 1, "原价"},
      {"[IIf(cdsPrint.\"f_Tjjg\" < cdsPrint.\"f_Xsdj\", '省' + FormatFloat('0.0', cdsPrint.\"f_Xsdj\" - cdsPrint.\"f_Tjjg\") + '元', '')]",
       0, "省2.6元"},
      {"[IIf(1, 'a', 1 / 'x')]", 0, "a"},  // only the chosen branch is evaluated
      {"折扣[FormatFloat('0.0', cdsPrint.\"f_Tjjg\" / cdsPrint.\"f_Xsdj\" * 10)]折", 0, "折扣7.9折"},
      {"[FormatFloat('#,##0.00', 12345.6)]", 0, "12,345.60"},
      {"[FormatFloat('￥0.00', cdsPrint.\"f_Tjjg\")]", 1, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Render(c.text, c.record), c.expected) << c.text;
}

TEST(LabelExpressions, WrongCallsAreFoundWhenTheTemplateIsLoaded) {
  struct Case { const char* text; const char* message; };
  const Case cases[] = {
      {"[Upper('a')]", "报表模板有误：表达式“Upper('a')”中的函数“Upper”不存在（可用：IIf、FormatDate、FormatFloat）"},
      {"[FormatDate('mm')]", "报表模板有误：表达式“FormatDate('mm')”中函数“FormatDate”应有 2 个参数，实有 1 个"},
      {"[IIf(1, 2]", "报表模板有误：表达式“IIf(1, 2”中函数“IIf”缺少“)”"},
  };
  for (const Case& c : cases) EXPECT_EQ(Error([&] { TextTemplate::Parse(c.text); }), c.message) << c.text;
  EXPECT_EQ(Error([&] { Render("[FormatFloat('0.0', 'abc')]"); }), "表达式“FormatFloat('0.0', 'abc')”中的“abc”不是数字");
}

TEST(LabelExpressions, AStruckOutOldPriceKeepsItsLineThroughLayoutAndSavedReports) {
  ReportEngine engine;
  engine.LoadTemplate(R"({"format":"pricetag-report","version":1,"page":{"width":60,"height":40},"bands":[
    {"type":"masterData","height":40,"objects":[
      {"type":"text","x":1,"y":1,"width":30,"height":6,"text":"原价[cdsPrint.\"f_Xsdj\"]","font":{"size":9,"strikeOut":true}},
      {"type":"text","x":1,"y":8,"width":30,"height":6,"text":"[cdsPrint.\"f_Tjjg\"]"}]}]})");
  EXPECT_TRUE(engine.Template().masterData.objects[0].font.strikeOut);
  EXPECT_FALSE(engine.Template().masterData.objects[1].font.strikeOut);
  RowsDataSource s = Promotion();
  const PreparedReport r = engine.Prepare(s);
  const auto& old = std::get<TextItem>(r.pages[0].items[0]);
  EXPECT_EQ(old.text, "原价12.50");
  EXPECT_TRUE(r.fonts[old.font].strikeOut);
  const PreparedReport back = LoadPreparedReport(SavePreparedReport(r));
  EXPECT_TRUE(back.fonts[old.font].strikeOut);
  EXPECT_FALSE(back.fonts[std::get<TextItem>(back.pages[0].items[1]).font].strikeOut);
}

}  // namespace
}  // namespace pt::report
