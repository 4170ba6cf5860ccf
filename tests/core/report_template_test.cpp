// Stored template text, the template file format and the stock templates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/ModuleError.h"
#include "report_engine/ReportEngine.h"
#include "report_engine/StoredTemplate.h"

namespace pt::report {
namespace {

std::string DataDir() {
  const char* d = std::getenv("PRICETAG_TEST_DATA");
  return d ? std::string(d) : std::filesystem::path(__FILE__).parent_path().parent_path().string() + "/data";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string StockTemplate(const std::string& name) {
  return ReadFile(DataDir() + "/../../report_engine/templates/" + name);
}

std::string ParseError(std::string_view bytes) {
  try {
    ParseTemplate(bytes);
  } catch (const ModuleError& e) {
    return e.what();
  }
  return "no error";
}

TEST(StoredTemplate, DecodingStopsAtTheEndMarkOrAtTheFirstNonHexCharacter) {
  struct Case { const char* text; std::string bytes; };
  const Case cases[] = {
      {"7B7D#", "{}"},
      {"7b7d#", "{}"},
      {"41#4243", "A"},            // what follows "#" is not read
      {"4142ZZ43#", "AB"},         // a damaged character ends the template
      {"41 42#", "A"},             // so does a blank
      {"414#", "A"},               // a half byte before the end is dropped
      {"4142", "AB"},              // a missing "#" loses nothing
      {"#", ""},
      {"", ""},
      {"00FF#", std::string("\x00\xFF", 2)},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeStoredTemplate(c.text), c.bytes) << c.text;
}

TEST(StoredTemplate, EncodingWritesTwoUpperCaseDigitsPerByteAndTheEndMark) {
  EXPECT_EQ(EncodeStoredTemplate("{}"), "7B7D#");
  EXPECT_EQ(EncodeStoredTemplate(""), "#");
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string text = EncodeStoredTemplate(all);
  EXPECT_EQ(text.size(), 513u);
  EXPECT_EQ(DecodeStoredTemplate(text), all);
  std::string chinese = "{\"name\":\"普通标价签\"}";
  EXPECT_EQ(DecodeStoredTemplate(EncodeStoredTemplate(chinese)), chinese);
}

TEST(TemplateFormat, DamagedOrForeignFilesGiveAClearMessage) {
  struct Case { const char* file; const char* message; };
  const Case cases[] = {
      {"report_damaged.json", "报表模板已损坏，无法读取（第 94 个字节处）"},
      {"report_not_ours.json", "不是本系统的报表模板，无法读取"},
      {"report_version2.json", "报表模板版本 2 不受支持"},
      {"report_bad_object.json", "报表模板有误：第 1 个区（band）第 2 个对象“price”“x”应为数字，实为文字"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseError(ReadFile(DataDir() + "/" + c.file)), c.message) << c.file;
}

TEST(TemplateFormat, EveryPartIsCheckedWithItsPlaceInTheMessage) {
  const std::string head = R"({"format":"pricetag-report","version":1,)";
  struct Case { std::string body; const char* message; };
  const Case cases[] = {
      {"", "报表模板为空，无法读取"},
      {"[1,2]", "不是本系统的报表模板，无法读取"},
      {R"({"format":"pricetag-report"})", "报表模板缺少版本号，无法读取"},
      {head + R"("bands":[]})", "报表模板有误：缺少主数据区（masterData）"},
      {head + R"("bands":{}})", "报表模板有误：缺少“bands”列表"},
      {head + R"("bands":[{"type":"detail","height":5}]})",
       "报表模板有误：第 1 个区（band）“type”的值“detail”无法识别（可用：pageHeader、masterData、pageFooter）"},
      {head + R"("bands":[{"type":"masterData","height":0}]})", "报表模板有误：第 1 个区（band）“height”应大于 0"},
      {head + R"("bands":[{"type":"masterData","height":5},{"type":"masterData","height":5}]})",
       "报表模板有误：第 2 个区（band）主数据区重复"},
      {head + R"("page":{"width":80,"height":50,"margins":{"left":40,"right":40}},"bands":[{"type":"masterData","height":5}]})",
       "报表模板有误：“page”页边距超出了纸张"},
      {head + R"("page":{"orientation":"sideways"},"bands":[]})",
       "报表模板有误：“page”“orientation”的值“sideways”无法识别（可用：portrait、landscape）"},
      {head + R"("bands":[{"type":"masterData","height":5,"objects":[{"type":"circle"}]}]})",
       "报表模板有误：第 1 个区（band）第 1 个对象“type”的值“circle”无法识别（可用：text、barcode、line、rectangle、picture）"},
      {head + R"("bands":[{"type":"masterData","height":5,"objects":[{"type":"text","x":0,"y":0,"width":5,"height":5}]}]})",
       "报表模板有误：第 1 个区（band）第 1 个对象缺少“text”"},
      {head + R"("bands":[{"type":"masterData","height":5,"objects":[{"type":"barcode","x":0,"y":0,"width":5,"height":5,"symbology":"PDF417","data":""}]}]})",
       "报表模板有误：第 1 个区（band）第 1 个对象“symbology”的值“PDF417”无法识别（可用：EAN13、EAN-13、EAN8、EAN-8、UPCA、UPC-A、CODE128、CODE39、QR）"},
      {head + R"("bands":[{"type":"masterData","height":5,"objects":[{"type":"text","x":0,"y":0,"width":5,"height":5,"text":"a","color":"red"}]}]})",
       "报表模板有误：第 1 个区（band）第 1 个对象“color”应为“#RRGGBB”形式的颜色，实为“red”"},
      {head + R"("bands":[{"type":"masterData","height":5,"objects":[{"type":"picture","x":0,"y":0,"width":5,"height":5,"png":"@@@"}]}]})",
       "报表模板有误：第 1 个区（band）第 1 个对象“png”不是有效的 base64 数据"},
      {head + R"("bands":[{"type":"masterData","height":5,"objects":[{"type":"text","x":0,"y":0,"width":5,"height":5,"text":"[a"}]}]})",
       "报表模板有误：文本“[a”中的“[”没有对应的“]”"},
      {head + R"("bands":[{"type":"masterData","height":5,"objects":[{"type":"text","x":0,"y":0,"width":-5,"height":5,"text":""}]}]})",
       "报表模板有误：第 1 个区（band）第 1 个对象“width”的值 -5 超出范围（0 至 5000）"},
      // What the JSON reader refuses is a damaged template, never the reader's own text.
      {head + R"("page":{"width":1e400},"bands":[]})", "报表模板已损坏，无法读取（第 61 个字节处）"},
      {head + R"("page":{"width":-1e400},"bands":[]})", "报表模板已损坏，无法读取（第 62 个字节处）"},
      {head + "\"name\":\"\xFF\"}", "报表模板已损坏，无法读取（第 49 个字节处）"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseError(c.body), c.message) << c.body;
}

TEST(TemplateFormat, LandscapeSwapsThePageAndDefaultsApply) {
  ReportTemplate t = ParseTemplate(R"({"format":"pricetag-report","version":1,
      "page":{"width":210,"height":297,"orientation":"landscape"},
      "bands":[{"type":"pageHeader","height":10},{"type":"masterData","height":20,
        "objects":[{"type":"text","x":1,"y":2,"width":30,"height":5,"text":"x"}]}]})");
  EXPECT_DOUBLE_EQ(t.pageWidth, 297);
  EXPECT_DOUBLE_EQ(t.pageHeight, 210);
  ASSERT_TRUE(t.pageHeader.has_value());
  EXPECT_FALSE(t.pageFooter.has_value());
  const TemplateObject& o = t.masterData.objects.at(0);
  EXPECT_EQ(o.font.family, "WenQuanYi Zen Hei");
  EXPECT_DOUBLE_EQ(o.font.size, 9);
  EXPECT_EQ(o.hAlign, HAlign::Left);
  EXPECT_FALSE(o.wordWrap);
}

TEST(StockTemplates, LoadFromTheirStoredTextWithTheirLabelGrids) {
  struct Case { const char* file; const char* name; double w, h; int columns, rows; };
  const Case cases[] = {
      {"ordinary-label.json", "普通标价签", 80, 50, 1, 1},
      {"promotion-label.json", "促销标价签", 80, 50, 1, 1},
      {"a4-sheet-24.json", "A4 标价签 24 张", 210, 297, 3, 8},
  };
  for (const Case& c : cases) {
    std::string json = StockTemplate(c.file);
    ASSERT_FALSE(json.empty()) << c.file;
    ReportEngine engine;
    engine.LoadStoredTemplate(EncodeStoredTemplate(json));
    const ReportTemplate& t = engine.Template();
    EXPECT_EQ(t.name, c.name);
    EXPECT_DOUBLE_EQ(t.pageWidth, c.w);
    EXPECT_DOUBLE_EQ(t.pageHeight, c.h);
    LabelGrid grid = TemplateGrid(t);
    EXPECT_EQ(grid.Columns(), c.columns) << c.file;
    EXPECT_EQ(grid.Rows(), c.rows) << c.file;
  }
}

TEST(ReportEngineLoading, ADamagedTemplateKeepsThePreviousOne) {
  ReportEngine engine;
  EXPECT_THROW(engine.Template(), ModuleError);
  engine.LoadStoredTemplate(EncodeStoredTemplate(StockTemplate("ordinary-label.json")));
  std::string stored = EncodeStoredTemplate(StockTemplate("promotion-label.json"));
  // A stray character halfway cuts the template short: the engine reports it and keeps the old.
  stored[stored.size() / 2] = 'x';
  try {
    engine.LoadStoredTemplate(stored);
    FAIL();
  } catch (const ModuleError& e) {
    EXPECT_NE(std::string(e.what()).find("报表模板已损坏，无法读取"), std::string::npos) << e.what();
  }
  EXPECT_EQ(engine.Template().name, "普通标价签");
  EXPECT_THROW(engine.LoadStoredTemplate("#"), ModuleError);
}

}  // namespace
}  // namespace pt::report
