// The designer's logic without a display: the template document, the editor and its undo
// history, arranging, the field catalogue, the checks and the sample records.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "common/MemTable.h"
#include "common/ModuleError.h"
#include "designer/Arrange.h"
#include "designer/DesignRender.h"
#include "designer/FieldCatalog.h"
#include "designer/PreviewRecords.h"
#include "designer/TemplateChecks.h"
#include "designer/TemplateDocument.h"
#include "designer/TemplateEditor.h"
#include "printing/PrintRecord.h"
#include "report_engine/ReportEngine.h"
#include "tests/designer/DesignerTestSupport.h"

namespace pt::designer {
namespace {

using test::ReadBytes;
using test::StockTemplate;

std::string OpenError(std::string_view bytes) {
  try {
    TemplateDocument::Parse(bytes);
  } catch (const ModuleError& e) {
    return e.what();
  }
  return "no error";
}

Json Text(double x, double y, double w, double h, const std::string& text) {
  return Json::object({{"type", "text"}, {"x", x}, {"y", y}, {"width", w}, {"height", h}, {"text", text}});
}

// ------------------------------------------------------------------ document

TEST(TemplateDocument, StockTemplatesComeBackWithTheirKeysInOrderAndUnknownKeysKept) {
  for (const char* file : {"ordinary-label.json", "promotion-label.json", "a4-sheet-24.json"}) {
    const std::string bytes = StockTemplate(file);
    const TemplateDocument doc = TemplateDocument::Parse(bytes);
    EXPECT_EQ(doc.Serialize(), Json::parse(bytes).dump(2) + "\n") << file;
    EXPECT_EQ(TemplateDocument::Parse(doc.Serialize()), doc) << file;
  }
  const std::string withExtra = R"({"format":"pricetag-report","version":1,"author":"门店","bands":[
    {"type":"masterData","height":20,"objects":[{"type":"line","x1":0,"y1":1,"x2":30,"y2":1,"dash":"dot"}]}]})";
  const std::string out = TemplateDocument::Parse(withExtra).Serialize();
  EXPECT_NE(out.find("\"author\": \"门店\""), std::string::npos);
  EXPECT_NE(out.find("\"dash\": \"dot\""), std::string::npos);
  EXPECT_LT(out.find("\"format\""), out.find("\"author\""));
}

TEST(TemplateDocument, WhatCannotBeReadSaysWhyAndWhere) {
  struct Case { std::string bytes; std::string message; };
  const Case cases[] = {
      {ReadBytes(test::DataDir() + "/report_damaged.json"), "报表模板已损坏，无法读取（第 1 行第 94 列）"},
      {"{\n  \"format\": \"pricetag-report\",\n  \"version\": 1\n  \"bands\": []\n}",
       "报表模板已损坏，无法读取（第 4 行第 9 列）"},
      {"{\"name\": \"价签\",, }", "报表模板已损坏，无法读取（第 1 行第 15 列）"},
      {ReadBytes(test::DataDir() + "/report_not_ours.json"), "不是本系统的报表模板，无法读取"},
      {ReadBytes(test::DataDir() + "/report_version2.json"), "报表模板版本 2 不受支持"},
      {ReadBytes(test::DataDir() + "/report_bad_object.json"),
       "报表模板有误：第 1 个区（band）第 2 个对象“price”“x”应为数字，实为文字"},
      {"", "报表模板为空，无法读取"},
  };
  for (const Case& c : cases) EXPECT_EQ(OpenError(c.bytes), c.message) << c.bytes;
  EXPECT_EQ(JsonSyntaxPlace("[1, 2]"), "");
}

TEST(TemplateDocument, BoxesOfLinesKeepTheirDirectionAndNumbersAreWrittenShort) {
  TemplateDocument doc;
  const ObjectRef line = doc.Insert(0, -1, Json::object({{"type", "line"}, {"x1", 30}, {"y1", 5}, {"x2", 10}, {"y2", 5}}));
  const ObjectRef box = doc.Insert(0, -1, Text(1, 1, 10, 5, "a"));
  const RectF l = doc.Box(line);
  EXPECT_DOUBLE_EQ(l.width, -20);
  doc.SetBox(line, RectF{31.004, 6, -20, 0});
  EXPECT_EQ(doc.Object(line)["x1"].dump(), "31");
  EXPECT_EQ(doc.Object(line)["x2"].dump(), "11");
  doc.SetBox(box, RectF{12.345, 2, -4, 3});  // turned inside out: written the right way round
  EXPECT_EQ(doc.Object(box)["x"].dump(), "8.35");
  EXPECT_EQ(doc.Object(box)["width"].dump(), "4");
  EXPECT_EQ(Number(-0.001).dump(), "0");
  EXPECT_EQ(doc.Label(box), "文本 2");
}

TEST(TemplateDocument, PageSetupReadsAndWritesRollsAndSheets) {
  const TemplateDocument roll = TemplateDocument::Parse(StockTemplate("ordinary-label.json"));
  PageSetup p = roll.Page();
  EXPECT_TRUE(p.roll);
  EXPECT_DOUBLE_EQ(p.labelWidth, 80);
  EXPECT_DOUBLE_EQ(p.labelHeight, 50);

  const TemplateDocument sheet = TemplateDocument::Parse(StockTemplate("a4-sheet-24.json"));
  const PageSetup s = sheet.Page();
  EXPECT_FALSE(s.roll);
  EXPECT_EQ(s.columns, 3);
  EXPECT_EQ(LayOutSheet(s).cells.size(), 24u);

  // A roll label made a sheet of 2 × 5 on A4 and back again.
  TemplateDocument doc = roll;
  PageSetup a4 = p;
  a4.roll = false;
  a4.paperWidth = 210;
  a4.paperHeight = 297;
  a4.columns = 2;
  a4.rows = 5;
  a4.columnGap = 5;
  doc.SetPage(a4);
  EXPECT_EQ(doc.Page(), a4);
  EXPECT_EQ(doc.Model().masterData.columns, 2);
  const SheetLayout layout = LayOutSheet(doc.Page());
  ASSERT_TRUE(layout.ok) << layout.message;
  ASSERT_EQ(layout.cells.size(), 10u);
  EXPECT_DOUBLE_EQ(layout.cells[1].x, 85);  // 80 wide, then the 5 mm gap
  EXPECT_DOUBLE_EQ(layout.cells[2].y, 50);
  doc.SetPage(p);
  EXPECT_TRUE(doc.Page().roll);
  EXPECT_EQ(Json::parse(doc.Serialize()), Json::parse(roll.Serialize()));

  PageSetup tooWide = a4;
  tooWide.columns = 3;
  const SheetLayout refused = LayOutSheet(tooWide);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message, "标签排列超出了纸张宽度：3 列共需 250 毫米，可用 210 毫米");
}

// ------------------------------------------------------------------ editor

TEST(TemplateEditor, UndoAndRedoReturnTheExactDocumentAfterEveryKindOfChange) {
  TemplateEditor e(TemplateDocument::Parse(StockTemplate("ordinary-label.json")));
  std::vector<std::string> states{e.Document().Serialize()};
  auto step = [&](const std::function<bool()>& change) {
    ASSERT_TRUE(change());
    states.push_back(e.Document().Serialize());
  };
  step([&] { return e.AddObject(0, Text(2, 30, 20, 6, "新品"), "添加文本").index == 12; });
  step([&] { return e.MoveSelection(1.5, -2); });
  step([&] { return e.SetProperty({"font", "size"}, 14, {ObjectKind::Text}, "字号"); });
  e.Select({{0, 1}, {0, 3}, {0, 12}});
  step([&] { return e.AlignSelection(Align::Left); });
  step([&] { return e.BringToFront(); });
  step([&] { return e.Paste(e.CopySelection()); });
  step([&] { return e.DeleteSelection(); });
  PageSetup page = e.Document().Page();
  page.labelHeight = 45;
  step([&] { return e.SetPage(page); });
  step([&] { return e.SetName("我的标签"); });

  for (size_t i = states.size() - 1; i > 0; --i) {
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.Document().Serialize(), states[i - 1]) << "undo to state " << i - 1;
  }
  EXPECT_FALSE(e.CanUndo());
  EXPECT_FALSE(e.Modified());
  for (size_t i = 1; i < states.size(); ++i) {
    ASSERT_TRUE(e.Redo());
    EXPECT_EQ(e.Document().Serialize(), states[i]) << "redo to state " << i;
  }
  EXPECT_FALSE(e.CanRedo());
}

TEST(TemplateEditor, RepeatedKeysMakeOneStepAndANewChangeDropsTheRedoSteps) {
  TemplateEditor e;
  e.AddObject(0, Text(1, 1, 10, 5, "a"), "添加文本");
  const std::string added = e.Document().Serialize();
  for (int i = 0; i < 5; ++i) e.MoveSelection(0.5, 0, "key-move");
  EXPECT_EQ(e.Document().Box({0, 0}).x, 3.5);
  EXPECT_EQ(e.UndoLabel(), "移动");
  e.Undo();
  EXPECT_EQ(e.Document().Serialize(), added) << "five presses of an arrow key are one step";
  e.Redo();
  e.Undo();
  e.MoveSelection(0, 1, "key-move");  // after an undo a new step starts
  EXPECT_FALSE(e.CanRedo());
  e.Undo();
  EXPECT_EQ(e.Document().Serialize(), added);

  e.MarkSaved();
  EXPECT_FALSE(e.Modified());
  e.MoveSelection(1, 0, "key-move");
  EXPECT_TRUE(e.Modified());
  e.Undo();
  EXPECT_FALSE(e.Modified());
}

TEST(TemplateEditor, AChangeTheEngineCannotReadIsRefusedAndChangesNothing) {
  TemplateEditor e;
  e.AddObject(0, Text(1, 1, 10, 5, "a"), "添加文本");
  const std::string before = e.Document().Serialize();
  const std::string undo = e.UndoLabel();
  EXPECT_THROW(e.SetProperty({"text"}, "价格 [cdsPrint.", {}, "内容"), ModuleError);
  EXPECT_THROW(e.SetProperty({"visibleIf"}, "a <", {}, "显示条件"), ModuleError);
  PageSetup page = e.Document().Page();
  page.roll = false;
  page.columns = 5;
  page.labelWidth = 60;
  EXPECT_THROW(e.SetPage(page), ModuleError);
  EXPECT_EQ(e.Document().Serialize(), before);
  EXPECT_EQ(e.UndoLabel(), undo);
  EXPECT_FALSE(e.SetProperty({"text"}, "a", {}, "内容")) << "the same value is no change";
}

TEST(TemplateEditor, DrawingOrderMovesTheChosenObjectsAndKeepsThemChosen) {
  struct Case { const char* what; std::function<bool(TemplateEditor&)> run; std::vector<std::string> order; std::vector<int> chosen; };
  const std::vector<Case> cases = {
      {"forward", [](TemplateEditor& e) { return e.BringForward(); }, {"a", "c", "b", "e", "d"}, {2, 4}},
      {"backward", [](TemplateEditor& e) { return e.SendBackward(); }, {"b", "a", "d", "c", "e"}, {0, 2}},
      {"front", [](TemplateEditor& e) { return e.BringToFront(); }, {"a", "c", "e", "b", "d"}, {3, 4}},
      {"back", [](TemplateEditor& e) { return e.SendToBack(); }, {"b", "d", "a", "c", "e"}, {0, 1}},
  };
  for (const Case& c : cases) {
    TemplateDocument doc;
    for (const char* t : {"a", "b", "c", "d", "e"}) doc.Insert(0, -1, Text(0, 0, 5, 5, t));
    TemplateEditor e(doc);
    e.Select({{0, 1}, {0, 3}});
    ASSERT_TRUE(c.run(e)) << c.what;
    std::vector<std::string> order;
    for (int i = 0; i < 5; ++i) order.push_back(e.Document().Object({0, i})["text"]);
    EXPECT_EQ(order, c.order) << c.what;
    std::vector<int> chosen;
    for (const ObjectRef& r : e.Selection()) chosen.push_back(r.index);
    EXPECT_EQ(chosen, c.chosen) << c.what;
  }
}

TEST(TemplateEditor, PastingPlacesCopiesFurtherOnEachTimeAndIgnoresForeignText) {
  TemplateEditor e;
  e.AddObject(0, Text(4, 4, 10, 5, "a"), "添加文本");
  const std::string clip = e.CopySelection();
  ASSERT_TRUE(e.Paste(clip));
  ASSERT_TRUE(e.Paste(clip));
  EXPECT_EQ(e.Document().ObjectCount(0), 3);
  EXPECT_DOUBLE_EQ(e.Document().Box({0, 1}).x, 6);
  EXPECT_DOUBLE_EQ(e.Document().Box({0, 2}).x, 8);
  EXPECT_EQ(e.Selection(), (std::vector<ObjectRef>{{0, 2}}));
  EXPECT_FALSE(e.Paste("hello"));
  EXPECT_FALSE(e.Paste(R"({"format":"pricetag-objects","objects":[]})"));
  EXPECT_THROW(e.Paste(R"({"format":"pricetag-objects","objects":[{"type":"text"}]})"), ModuleError);
  EXPECT_EQ(e.Document().ObjectCount(0), 3);
}

// ------------------------------------------------------------------ arranging

TEST(Arrange, AlignmentMovesBoxesToTheReference) {
  const std::vector<RectF> boxes{{10, 10, 20, 5}, {40, 30, 10, 10}, {25, 20, -10, 4}};  // the last is a line
  const RectF ref = Bounds(boxes);
  EXPECT_DOUBLE_EQ(ref.x, 10);
  EXPECT_DOUBLE_EQ(ref.Right(), 50);
  struct Case { Align how; std::vector<double> xs, ys; };
  const Case cases[] = {
      {Align::Left, {10, 10, 20}, {10, 30, 20}},     {Align::Right, {30, 40, 50}, {10, 30, 20}},
      {Align::HCenter, {20, 25, 35}, {10, 30, 20}},  {Align::Top, {10, 40, 25}, {10, 10, 10}},
      {Align::Bottom, {10, 40, 25}, {35, 30, 36}},   {Align::VCenter, {10, 40, 25}, {22.5, 20, 23}},
  };
  for (const Case& c : cases) {
    const std::vector<RectF> out = AlignBoxes(boxes, c.how, ref);
    for (size_t i = 0; i < boxes.size(); ++i) {
      EXPECT_DOUBLE_EQ(out[i].x, c.xs[i]) << static_cast<int>(c.how) << " box " << i;
      EXPECT_DOUBLE_EQ(out[i].y, c.ys[i]) << static_cast<int>(c.how) << " box " << i;
      EXPECT_DOUBLE_EQ(out[i].width, boxes[i].width);
    }
  }
}

TEST(Arrange, DistributionEvensTheGapsSnappingAndResizingFollowTheGrid) {
  const std::vector<RectF> boxes{{50, 0, 10, 5}, {0, 0, 10, 5}, {14, 0, 20, 5}};
  const std::vector<RectF> out = DistributeBoxes(boxes, true);
  EXPECT_DOUBLE_EQ(out[1].x, 0);
  EXPECT_DOUBLE_EQ(out[2].x, 20);  // gaps of 10 on each side
  EXPECT_DOUBLE_EQ(out[0].x, 50);
  EXPECT_DOUBLE_EQ(DistributeBoxes({{0, 0, 1, 1}, {5, 0, 1, 1}}, true)[1].x, 5);

  EXPECT_DOUBLE_EQ(Snap(12.26, 0.5), 12.5);
  EXPECT_DOUBLE_EQ(Snap(12.26, 0), 12.26);
  double dx = 3.3, dy = 0.2;
  SnapMove(RectF{10.4, 5, 3, 3}, dx, dy, 1);
  EXPECT_NEAR(dx, 3.6, 1e-9);
  EXPECT_DOUBLE_EQ(dy, 0);

  struct Case { Handle h; double dx, dy; RectF want; };
  const RectF box{10, 10, 20, 10};
  const Case cases[] = {
      {Handle::BottomRight, 4.3, 2.2, {10, 10, 24, 12}},
      {Handle::Left, 3, 0, {13, 10, 17, 10}},
      {Handle::Top, 0, 30, {10, 19.5, 20, 0.5}},  // stops short of turning inside out
      {Handle::LineEnd, -30, 0, {10, 10, -10, 10}},  // a line may turn round
  };
  for (const Case& c : cases) {
    const RectF r = ResizeBox(box, c.h, c.dx, c.dy, c.h == Handle::Top ? 0 : 1);
    EXPECT_DOUBLE_EQ(r.x, c.want.x) << static_cast<int>(c.h);
    EXPECT_DOUBLE_EQ(r.y, c.want.y) << static_cast<int>(c.h);
    EXPECT_DOUBLE_EQ(r.width, c.want.width) << static_cast<int>(c.h);
    EXPECT_DOUBLE_EQ(r.height, c.want.height) << static_cast<int>(c.h);
  }
}

// ------------------------------------------------------------------ field catalogue

TEST(FieldCatalog, EveryPrintFieldAndVariableHasACaptionAndDropsAsAValidObject) {
  MemTable print;
  printing::DefinePrintFields(print);
  std::vector<std::string> fields;
  for (const CatalogEntry& e : LabelCatalog())
    if (e.kind == CatalogEntry::Kind::Field) fields.push_back(e.name);
  ASSERT_EQ(static_cast<int>(fields.size()), print.FieldCount());
  for (int i = 0; i < print.FieldCount(); ++i) EXPECT_EQ(fields[static_cast<size_t>(i)], print.Field(i).name);
  for (const char* v : {"dj", "bz", "Jjyy", "CurDate", "Page#"}) EXPECT_NE(FindVariable(v), nullptr) << v;
  EXPECT_EQ(FindVariable("dj")->caption, "等级");

  TemplateDocument doc;
  for (const CatalogEntry& e : LabelCatalog())
    for (bool barcode : {false, true}) doc.Insert(0, -1, ObjectForEntry(e, barcode, 1, 1));
  report::ReportEngine engine;
  EXPECT_NO_THROW(engine.LoadTemplate(doc.Serialize()));
  const Json price = ObjectForEntry(*FindField("f_xsdj"), false, 2, 3);
  EXPECT_EQ(price["text"], "[cdsPrint.\"f_Xsdj\"]");
  EXPECT_EQ(price["format"], "0.00");
  EXPECT_EQ(ObjectForEntry(*FindField("f_Sptm"), true, 0, 0)["symbology"], "EAN13");
}

TEST(FieldCatalog, TheDesignViewShowsKnownFieldsByCaption) {
  struct Case { const char* written; const char* shown; };
  const Case cases[] = {
      {"￥[cdsPrint.\"f_Xsdj\"]", "￥[销售单价]"},
      {"等级:[dj]  第[Page#]页", "等级:[等级]  第[页码]页"},
      {"[cdsPrint.f_spmc]", "[商品名称]"},
      {"[cdsPrint.\"f_Xsdj\" * 0.9]", "[cdsPrint.\"f_Xsdj\" * 0.9]"},
      {"[other.\"f_Spmc\"] [nope]", "[other.\"f_Spmc\"] [nope]"},
      {"[broken", "[broken"},
  };
  for (const Case& c : cases) EXPECT_EQ(DesignText(c.written), c.shown) << c.written;
}

TEST(DesignRender, EveryBandIsAPageAndFieldBarcodesShowSampleData) {
  const TemplateDocument doc = TemplateDocument::Parse(StockTemplate("ordinary-label.json"));
  report::FallbackMeasurer m;
  const report::PreparedReport r = RenderDesign(doc, m);
  ASSERT_EQ(r.pages.size(), 1u);
  EXPECT_DOUBLE_EQ(r.pages[0].width, 80);
  bool barcode = false, name = false;
  for (const report::Item& item : r.pages[0].items) {
    if (std::holds_alternative<report::BarcodeItem>(item)) barcode = true;
    if (const auto* t = std::get_if<report::TextItem>(&item); t && t->text == "[商品名称]") name = true;
  }
  EXPECT_TRUE(barcode);
  EXPECT_TRUE(name);
}

// ------------------------------------------------------------------ checks

class Rows : public report::RowsDataSource {
 public:
  Rows() : RowsDataSource("cdsPrint", {{"f_Spbm", ""}, {"f_Spmc", ""}, {"f_Sptm", ""}, {"f_Xsdj", "0.00"}}) {}
};

TEST(TemplateChecks, ProblemsNameTheirObject) {
  TemplateDocument doc = TemplateDocument::NewRollLabel(60, 40, "检查");
  doc.Insert(0, -1, Json::object({{"type", "text"}, {"name", "产地"}, {"x", 1}, {"y", 1}, {"width", 20}, {"height", 5},
                                  {"text", "[cdsPrint.\"f_Nope\"] [grade]"}}));
  doc.Insert(0, -1, Json::object({{"type", "text"}, {"name", "价格"}, {"x", 45}, {"y", 30}, {"width", 20}, {"height", 12},
                                  {"text", "[cdsPrint.\"f_Xsdj\"]"}, {"visibleIf", "[other.\"x\"]"}}));
  doc.Insert(0, -1, Json::object({{"type", "barcode"}, {"name", "固定条码"}, {"x", 1}, {"y", 10}, {"width", 30},
                                  {"height", 10}, {"symbology", "EAN13"}, {"data", "6901234567891"}}));
  doc.Insert(0, -1, Json::object({{"type", "barcode"}, {"name", "条码"}, {"x", 1}, {"y", 22}, {"width", 30},
                                  {"height", 10}, {"symbology", "EAN13"}, {"data", "[cdsPrint.\"f_Sptm\"]"}}));
  doc.Insert(0, -1, Json::object({{"type", "text"}, {"name", "名称"}, {"x", 1}, {"y", 34}, {"width", 30},
                                  {"height", 5}, {"text", "[cdsPrint.\"f_Spmc\"]"}, {"font", {{"family", "Latin Only"}}}}));
  doc.Insert(0, -1, Json::object({{"type", "picture"}, {"x", 40}, {"y", 1}, {"width", 10}, {"height", 10},
                                  {"file", "/nonexistent/logo.png"}}));

  Rows rows;
  rows.AddRow({Variant("001"), Variant("可乐"), Variant("6901234567892"), Variant(3.5)});
  rows.AddRow({Variant("002"), Variant("Cola"), Variant("12345"), Variant(2.0)});
  rows.AddRow({Variant("003"), Variant("雪碧"), Variant("abc"), Variant(2.0)});
  CheckContext context;
  context.samples = &rows;
  context.fontDrawsText = [](const std::string& family, const std::string& text) {
    return family != "Latin Only" || std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
  };
  std::vector<std::string> found;
  for (const Problem& p : CheckTemplate(doc, context)) found.push_back(p.object + "：" + p.message);
  const std::vector<std::string> expected = {
      "产地：报表模板引用了不存在的字段：cdsPrint.\"f_Nope\"",
      "产地：引用了未知的报表变量“grade”（打印时没有值，印出为空）",
      "价格：报表模板引用了不存在的数据集：other（标签的数据是 cdsPrint）",
      "价格：超出标签范围：标签 60 × 40 毫米，对象在 (45, 30) 至 (65, 42)",
      "固定条码：条码数据“6901234567891”无法编码：EAN-13 条码校验位错误：应为 2，实为 1",
      "条码：第 2 条样本记录（商品 002）的条码数据“12345”无法编码：EAN-13 条码应为 12 位或 13 位数字，实为 5 位（共 2 "
      "条记录无法编码）",
      "名称：字体“Latin Only”缺少“可乐”中的字形（没有中文字形的字体印出方框或别的字体）",
      "图片 6：图片文件“/nonexistent/logo.png”无法读取",
  };
  EXPECT_EQ(found, expected);

  const TemplateDocument stock = TemplateDocument::Parse(StockTemplate("ordinary-label.json"));
  EXPECT_TRUE(CheckTemplate(stock).empty()) << DescribeProblems(CheckTemplate(stock));
}

// ------------------------------------------------------------------ sample records

TEST(PreviewRecords, ProductsComeThroughTheHostsQueryAsPrintRecords) {
  test::SeededFile file;
  hostapp::HostDatabase db(file.path(), hostapp::ServerClock::Pinned("20240315"));
  MemTable print("cdsPrint");
  EXPECT_TRUE(LoadPreviewRecords(db, {}, 5, print).empty());
  std::set<std::string> products;
  for (int r = 0; r < print.RecordCount(); ++r) products.insert(print.CellAt(r, print.FieldIndex("f_Spbm")).ToText());
  EXPECT_EQ(products.size(), 5u) << "one record for each barcode of the first five products";
  EXPECT_GE(print.FieldIndex("xsxl.f_q7yxsdj"), 0);
  const std::string first = print.CellAt(0, print.FieldIndex("f_Spbm")).ToText();
  const std::string barcode = print.CellAt(1, print.FieldIndex("f_Sptm")).ToText();
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(barcode.empty());

  const std::vector<std::string> missing = LoadPreviewRecords(db, SplitCodes(first + ", " + barcode + "\nNOPE'1"), 5, print);
  EXPECT_EQ(missing, (std::vector<std::string>{"NOPE'1"}));
  EXPECT_GE(print.RecordCount(), 2);
  EXPECT_EQ(*PreviewVariables(db).Find("CurDate"), "20240315");
  EXPECT_EQ(SplitCodes(" a,b;;a\tc "), (std::vector<std::string>{"a", "b", "c"}));
}

}  // namespace
}  // namespace pt::designer
