// Preparing reports in the core: label templates, barcodes and their error marks, the grid
// report, the prepared-report file, the in-memory table adapter and spreadsheet tabulation.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <fstream>
#include <sstream>

#include "common/MemTable.h"
#include "common/ModuleError.h"
#include "report_engine/Barcode.h"
#include "report_engine/GridReport.h"
#include "report_engine/MemTableSource.h"
#include "report_engine/PreparedFile.h"
#include "report_engine/ReportEngine.h"
#include "report_engine/ReportSheet.h"
#include "report_engine/ReportTable.h"
#include "report_engine/StoredTemplate.h"

namespace pt::report {
namespace {

std::string StockTemplate(const std::string& name) {
  const char* d = std::getenv("PRICETAG_TEST_DATA");
  std::ifstream in((d ? std::string(d) : std::filesystem::path(__FILE__).parent_path().parent_path().string() + "/data") + "/../../report_engine/templates/" + name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

RowsDataSource Products(int count, std::string barcode = "690123456789") {
  RowsDataSource s("cdsPrint", {{"f_Spbm"}, {"f_Spmc"}, {"f_Spcd"}, {"f_Ggxh"}, {"f_Jldw"}, {"f_Xsdj"},
                                {"f_Sptm"}, {"f_Tjjg"}, {"f_Qsrq"}, {"f_Jsrq"}, {"f_q7yxsdj", "0.00"}});
  for (int i = 0; i < count; ++i)
    s.AddRow({"P" + std::to_string(1000 + i), "商品" + std::to_string(i + 1), "山东", "500g", "袋",
              10.0 + i, barcode, 8.8, "20240301", "20240331", 0.0});
  return s;
}

std::vector<std::string> Texts(const Page& page) {
  std::vector<std::string> out;
  for (const Item& item : page.items)
    if (const auto* t = std::get_if<TextItem>(&item)) out.push_back(t->text);
  return out;
}

bool Contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

template <typename T>
std::vector<const T*> ItemsOf(const Page& page) {
  std::vector<const T*> out;
  for (const Item& item : page.items)
    if (const auto* x = std::get_if<T>(&item)) out.push_back(x);
  return out;
}

ReportEngine EngineWith(const std::string& file) {
  ReportEngine e;
  e.LoadTemplate(StockTemplate(file));
  e.SetVariable("dj", "合格");
  return e;
}

TEST(PrepareLabels, OrdinaryRollLabelsOnePerRecordInOrder) {
  ReportEngine engine = EngineWith("ordinary-label.json");
  RowsDataSource data = Products(3);
  PreparedReport r = engine.Prepare(data);
  ASSERT_EQ(r.pages.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const Page& p = r.pages[static_cast<size_t>(i)];
    EXPECT_DOUBLE_EQ(p.width, 80);
    EXPECT_DOUBLE_EQ(p.height, 50);
    std::vector<std::string> texts = Texts(p);
    EXPECT_TRUE(Contains(texts, "商品" + std::to_string(i + 1)));
    EXPECT_TRUE(Contains(texts, "编码:P" + std::to_string(1000 + i)));
    EXPECT_TRUE(Contains(texts, "产地:山东"));
    EXPECT_TRUE(Contains(texts, "等级:合格"));
    EXPECT_TRUE(Contains(texts, FormatValue(10.0 + i, "0.00")));
    EXPECT_FALSE(Contains(texts, ""));  // the unset remark is left out, not drawn empty
    auto barcodes = ItemsOf<BarcodeItem>(p);
    ASSERT_EQ(barcodes.size(), 1u);
    EXPECT_EQ(barcodes[0]->bars.size(), 30u);
    ASSERT_EQ(barcodes[0]->texts.size(), 3u);
    EXPECT_EQ(barcodes[0]->texts[0].text + barcodes[0]->texts[1].text + barcodes[0]->texts[2].text,
              "6901234567892");
    for (const auto& bar : barcodes[0]->bars) {  // fitted to the object's box
      EXPECT_GE(bar.x, 2.5 - 1e-4);
      EXPECT_LE(bar.x + bar.width, 2.5 + 37 + 1e-4);
      EXPECT_LE(bar.y + bar.height, 27.5 + 19 + 1e-4);
    }
  }
  EXPECT_TRUE(r.warnings.empty());
}

TEST(PrepareLabels, SheetOf24PlacesTwentyFiveRecordsOnTwoPagesInOrder) {
  ReportEngine engine = EngineWith("a4-sheet-24.json");
  RowsDataSource data = Products(25);
  PreparedReport r = engine.Prepare(data);
  ASSERT_EQ(r.pages.size(), 2u);
  // Names in page order: across the first row, then down.
  std::vector<std::pair<double, double>> firstPage;
  int names = 0;
  for (const auto* t : ItemsOf<TextItem>(r.pages[0])) {
    if (t->text.rfind("商品", 0) != 0) continue;
    ++names;
    EXPECT_EQ(t->text, "商品" + std::to_string(names));
    int i = names - 1;
    EXPECT_NEAR(t->box.x, 2 + (i % 3) * 70, 1e-9);
    EXPECT_NEAR(t->box.y, 0.5 + 1.5 + (i / 3) * 37, 1e-9);
  }
  EXPECT_EQ(names, 24);
  EXPECT_TRUE(Contains(Texts(r.pages[1]), "商品25"));
  EXPECT_EQ(ItemsOf<BarcodeItem>(r.pages[1]).size(), 1u);
}

TEST(PrepareLabels, SevenDayPriceAndPeriodOnlyWhenPresent) {
  ReportEngine engine = EngineWith("promotion-label.json");
  engine.SetVariable("Jjyy", "酬宾");
  RowsDataSource data("cdsPrint", {{"f_Spbm"}, {"f_Spmc"}, {"f_Jldw"}, {"f_Ggxh"}, {"f_Xsdj"}, {"f_Sptm"},
                                   {"f_Tjjg"}, {"f_Qsrq"}, {"f_Jsrq"}, {"f_q7yxsdj"}});
  data.AddRow({"1", "牛奶", "盒", "250ml", 12.5, "6901234567892", 9.9, "20240301", "20240331", 12.5});
  data.AddRow({"2", "面包", "个", "", 6.0, Variant(), 4.5, Variant(), Variant(), 0.0});
  PreparedReport r = engine.Prepare(data);
  ASSERT_EQ(r.pages.size(), 2u);
  auto first = Texts(r.pages[0]);
  EXPECT_TRUE(Contains(first, "促  销  酬宾"));
  EXPECT_TRUE(Contains(first, "9.90"));
  EXPECT_TRUE(Contains(first, "原价:12.50"));
  EXPECT_TRUE(Contains(first, "前7天最低价:12.50"));
  EXPECT_TRUE(Contains(first, "20240301 至 20240331"));
  auto second = Texts(r.pages[1]);
  EXPECT_TRUE(Contains(second, "4.50"));
  for (const std::string& t : second) {
    EXPECT_EQ(t.find("前7天最低价"), std::string::npos) << t;
    EXPECT_EQ(t.find(" 至 "), std::string::npos) << t;
  }
  EXPECT_TRUE(ItemsOf<BarcodeItem>(r.pages[1]).empty());  // no barcode: no barcode object
  EXPECT_TRUE(r.warnings.empty());
}

TEST(Barcodes, SymbologiesAcceptTheirDataAndRefuseTheRestWithAReason) {
  struct Case { Symbology s; const char* data; const char* error; };
  const Case cases[] = {
      {Symbology::Ean13, "690123456789", ""},
      {Symbology::Ean13, "6901234567892", ""},
      {Symbology::Ean13, "6901234567891", "EAN-13 条码校验位错误：应为 2，实为 1"},
      {Symbology::Ean13, "69012345", "EAN-13 条码应为 12 位或 13 位数字，实为 8 位"},
      {Symbology::Ean13, "69012345678A", "EAN-13 条码只能由数字组成"},
      {Symbology::Ean13, "", "条码数据为空"},
      {Symbology::Ean8, "1234567", ""},
      {Symbology::Ean8, "12345670", ""},
      {Symbology::Ean8, "12345678", "EAN-8 条码校验位错误：应为 0，实为 8"},
      {Symbology::UpcA, "012345678905", ""},
      {Symbology::Code128, "P-1000/ab", ""},
      {Symbology::Code39, "ABC-123", ""},
      {Symbology::Qr, "https://example.com/商品?id=1", ""},
  };
  RectF box{10, 20, 40, 15};
  for (const Case& c : cases) {
    BarcodeResult r = EncodeBarcode(c.s, c.data, true, box);
    EXPECT_EQ(r.error, c.error) << c.data;
    EXPECT_EQ(r.ok, std::string(c.error).empty()) << c.data;
    if (!r.ok) continue;
    EXPECT_FALSE(r.item.bars.empty());
    for (const auto& b : r.item.bars) {
      EXPECT_GE(b.x, box.x - 1e-4);
      EXPECT_LE(b.x + b.width, box.Right() + 1e-4);
      EXPECT_GE(b.y, box.y - 1e-4);
      EXPECT_LE(b.y + b.height, box.Bottom() + 1e-4);
    }
  }
  BarcodeResult chinese = EncodeBarcode(Symbology::Code128, "中文", true, box);
  EXPECT_FALSE(chinese.ok);
  EXPECT_EQ(chinese.error.rfind("Code 128 条码无法容纳这些数据（", 0), 0u) << chinese.error;
  EXPECT_TRUE(EncodeBarcode(Symbology::Ean13, "690123456789", false, box).item.texts.empty());
}

TEST(Barcodes, RefusedDataMarksItsLabelAndTheOthersPrint) {
  ReportEngine engine = EngineWith("ordinary-label.json");
  RowsDataSource data = Products(0);
  data.AddRow({"P1", "好条码", "", "", "", 1.0, "6901234567892"});
  data.AddRow({"P2", "坏条码", "", "", "", 2.0, "6901234567891"});
  PreparedReport r = engine.Prepare(data);
  ASSERT_EQ(r.pages.size(), 2u);
  EXPECT_EQ(ItemsOf<BarcodeItem>(r.pages[0]).size(), 1u);
  const Page& bad = r.pages[1];
  EXPECT_TRUE(ItemsOf<BarcodeItem>(bad).empty());
  EXPECT_TRUE(Contains(Texts(bad), "条码错误\n6901234567891"));
  EXPECT_TRUE(Contains(Texts(bad), "坏条码"));  // the rest of the label is there
  // The mark is a crossed box over the barcode's place.
  bool framed = false;
  for (const auto* rect : ItemsOf<RectItem>(bad))
    framed |= rect->box.x == 2.5 && rect->box.y == 27.5 && rect->box.width == 37;
  EXPECT_TRUE(framed);
  EXPECT_GE(ItemsOf<LineItem>(bad).size(), 3u);  // the label's own line and the two diagonals
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0], "第 2 条记录：EAN-13 条码校验位错误：应为 2，实为 1");
}

TEST(PrepareLabels, HeaderAndFooterCarryPageNumbersAndAMissingFieldStopsTheReport) {
  ReportEngine engine;
  engine.LoadTemplate(R"({"format":"pricetag-report","version":1,
      "page":{"width":100,"height":100,"margins":{"left":5,"top":5,"right":5,"bottom":5}},
      "bands":[
        {"type":"pageHeader","height":10,"objects":[{"type":"text","x":0,"y":0,"width":90,"height":10,
           "text":"[Title] 第[Page#]页/共[TotalPages#]页"}]},
        {"type":"masterData","height":20,"columns":2,
           "objects":[{"type":"text","x":0,"y":0,"width":40,"height":5,"text":"[Line#]:[cdsPrint.f_Spmc]"}]},
        {"type":"pageFooter","height":10,"objects":[{"type":"text","x":0,"y":0,"width":90,"height":10,
           "text":"至 [cdsPrint.\"f_Spmc\"]"}]}]})");
  engine.SetVariable("Title", "清单");
  RowsDataSource data = Products(9);  // 2 columns x 3 rows of 20 in the 70 left: 6 a page
  PreparedReport r = engine.Prepare(data);
  ASSERT_EQ(r.pages.size(), 2u);
  auto p1 = Texts(r.pages[0]);
  EXPECT_EQ(p1.front(), "清单 第1页/共2页");
  EXPECT_EQ(p1.back(), "至 商品6");  // the footer sees the page's last record
  EXPECT_TRUE(Contains(p1, "6:商品6"));
  auto p2 = Texts(r.pages[1]);
  EXPECT_EQ(p2.front(), "清单 第2页/共2页");
  EXPECT_EQ(p2.back(), "至 商品9");
  for (const auto* t : ItemsOf<TextItem>(r.pages[0])) {
    if (t->text == "至 商品6") {
      EXPECT_DOUBLE_EQ(t->box.y, 85);
    }
  }

  ReportEngine broken;
  broken.LoadTemplate(R"({"format":"pricetag-report","version":1,"bands":[{"type":"masterData","height":20,
      "objects":[{"type":"text","x":0,"y":0,"width":40,"height":5,"text":"[cdsPrint.\"f_Nothing\"]"}]}]})");
  try {
    broken.Prepare(data);
    FAIL();
  } catch (const ModuleError& e) {
    EXPECT_STREQ(e.what(), "报表模板引用了不存在的字段：cdsPrint.\"f_Nothing\"");
  }
}

// A chain of operators is as deep as it is long: 100,000 terms must neither exhaust the stack
// when a label is prepared nor change what the chain means.
TEST(PrepareLabels, LongOperatorChainsInATemplatePrint) {
  const int terms = 100000;
  std::string sum = "1", conjunction = "cdsPrint.f_Xsdj", disjunction = "0";
  for (int i = 1; i < terms; ++i) {
    sum += "+1";
    conjunction += " and 1";
    disjunction += " or 0";
  }
  ReportEngine engine;
  engine.LoadStoredTemplate(EncodeStoredTemplate(
      R"({"format":"pricetag-report","version":1,"page":{"width":50,"height":30},
      "bands":[{"type":"masterData","height":30,"objects":[
        {"type":"text","x":0,"y":0,"width":40,"height":5,"text":"[)" + sum + R"(]"},
        {"type":"text","x":0,"y":5,"width":40,"height":5,"text":"all","visibleIf":")" + conjunction + R"("},
        {"type":"text","x":0,"y":10,"width":40,"height":5,"text":"none","visibleIf":")" + disjunction + R"("}]}]})"));
  RowsDataSource data = Products(1);
  PreparedReport r = engine.Prepare(data);
  ASSERT_EQ(r.pages.size(), 1u);
  EXPECT_EQ(Texts(r.pages[0]), (std::vector<std::string>{std::to_string(terms), "all"}));
}

TEST(PrepareLabels, PictureFileThatCannotBeReadIsMarked) {
  ReportEngine engine;
  engine.LoadTemplate(R"({"format":"pricetag-report","version":1,"page":{"width":50,"height":30},
      "bands":[{"type":"masterData","height":30,"objects":[
        {"type":"picture","x":1,"y":1,"width":10,"height":10,"file":"/nonexistent/logo.png"},
        {"type":"picture","x":20,"y":1,"width":10,"height":10,"png":"iVBORw0KGgo="}]}]})");
  RowsDataSource data = Products(2);
  PreparedReport r = engine.Prepare(data);
  ASSERT_EQ(r.images.size(), 1u);  // embedded once, shared by every label
  EXPECT_EQ(*r.images[0], std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(ItemsOf<ImageItem>(r.pages[1]).size(), 1u);
  EXPECT_TRUE(Contains(Texts(r.pages[0]), "图片错误\n/nonexistent/logo.png"));
  ASSERT_EQ(r.warnings.size(), 2u);
  EXPECT_EQ(r.warnings[0], "第 1 条记录：图片无法读取：/nonexistent/logo.png");
}

TEST(PrepareLabels, PicturesAreReadOnlyFromRegularFilesUpTo16MB) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("pt_pictures_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string fifo = (dir / "pipe.png").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string big = (dir / "big.png").string();
  std::ofstream(big).close();
  std::filesystem::resize_file(big, (16u << 20) + 1);  // sparse: no disk is used
  const std::string small = (dir / "logo.png").string();
  std::ofstream(small, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n", 8);
  struct Case { std::string file; std::string warning; };
  const Case cases[] = {
      {"/dev/zero", "图片不是普通文件：/dev/zero"},
      {fifo, "图片不是普通文件：" + fifo},
      {dir.string(), "图片不是普通文件：" + dir.string()},
      {big, "图片超过 16 MB：" + big},
      {small, ""},
  };
  for (const Case& c : cases) {
    ReportEngine engine;
    engine.LoadTemplate(R"({"format":"pricetag-report","version":1,"page":{"width":50,"height":30},
        "bands":[{"type":"masterData","height":30,"objects":[
          {"type":"picture","x":1,"y":1,"width":10,"height":10,"file":")" + c.file + R"("}]}]})");
    RowsDataSource data = Products(1);
    PreparedReport r = engine.Prepare(data);
    if (c.warning.empty()) {
      EXPECT_TRUE(r.warnings.empty()) << c.file;
      ASSERT_EQ(r.images.size(), 1u);
      EXPECT_EQ(r.images[0]->size(), 8u);
    } else {
      EXPECT_EQ(r.warnings, std::vector<std::string>{"第 1 条记录：" + c.warning}) << c.file;
      EXPECT_TRUE(r.images.empty());
    }
  }
  std::filesystem::remove_all(dir);
}

TEST(PreparedFile, RoundTripsAndRefusesDamagedFiles) {
  ReportEngine engine = EngineWith("promotion-label.json");
  RowsDataSource data = Products(3, "6901234567891");  // with marks and warnings
  PreparedReport r = engine.Prepare(data);
  r.images.push_back(std::make_shared<const std::string>("PNGDATA"));
  r.pages[0].items.emplace_back(ImageItem{{1, 2, 3, 4}, 0, false});
  std::string bytes = SavePreparedReport(r);
  PreparedReport back = LoadPreparedReport(bytes);
  EXPECT_EQ(back.title, "促销标价签");
  EXPECT_EQ(back.fonts, r.fonts);
  EXPECT_EQ(back.warnings, r.warnings);
  ASSERT_EQ(back.pages.size(), r.pages.size());
  EXPECT_EQ(Texts(back.pages[2]), Texts(r.pages[2]));
  EXPECT_EQ(back.pages[0].items.size(), r.pages[0].items.size());
  EXPECT_EQ(SavePreparedReport(back), bytes);
  // The sheet goes along; a file of version 1 (no sheet) still opens.
  auto sheet = std::make_shared<ReportSheet>();
  sheet->columns = {{"", "商品编码", ""}, {"本期普通", "特价价格", "0.00"}, {"", "批量数量", ""}};
  sheet->rows = {{"000123", 2.5, Variant(12)}, {"6901234567892", Variant(), Variant(-3)}};
  r.sheet = sheet;
  back = LoadPreparedReport(SavePreparedReport(r));
  ASSERT_TRUE(back.sheet);
  EXPECT_EQ(back.sheet->columns[1].group, "本期普通");
  EXPECT_EQ(back.sheet->columns[1].format, "0.00");
  EXPECT_EQ(back.sheet->rows, sheet->rows);
  std::string v1 = bytes.substr(0, bytes.size() - 1);  // without the "no sheet" mark
  v1[6] = 1;
  back = LoadPreparedReport(v1);
  EXPECT_FALSE(back.sheet);
  EXPECT_EQ(back.pages.size(), r.pages.size());

  struct Case { std::string bytes; const char* message; };
  std::string badFont = SavePreparedReport([] {
    PreparedReport p;
    p.pages.push_back(Page{});
    TextItem t;
    t.font = 5;  // no such font
    t.text = "x";
    p.pages[0].items.emplace_back(t);
    return p;
  }());
  const Case cases[] = {
      {"", "不是报表文件，无法打开"},
      {"PK\x03\x04 a spreadsheet", "不是报表文件，无法打开"},
      {bytes.substr(0, bytes.size() / 2), "报表文件已损坏，无法打开"},
      {bytes + "x", "报表文件已损坏，无法打开"},
      {std::string("PTPREP\x03\x00", 8), "报表文件版本 3 不受支持"},
      {badFont, "报表文件已损坏，无法打开"},
  };
  for (const Case& c : cases) {
    try {
      LoadPreparedReport(c.bytes);
      ADD_FAILURE() << c.message;
    } catch (const ModuleError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  // A count that claims more than the file holds is refused before anything is allocated.
  std::string huge = bytes;
  huge[8 + 4 + r.title.size()] = '\xFF';
  huge[8 + 4 + r.title.size() + 3] = '\x7F';
  EXPECT_THROW(LoadPreparedReport(huge), ModuleError);
}

RowsDataSource Promotions(int count) {
  RowsDataSource s("cdsPrint", {{"f_Spbm"}, {"f_Spmc"}, {"f_BqPtQsrq"}, {"f_BqPtXsdj", "0.00"}, {"f_XqPtXsdj"}});
  for (int i = 0; i < count; ++i)
    s.AddRow({"P" + std::to_string(i + 1), "商品" + std::to_string(i + 1), "20240301", 9.5 + i, Variant()});
  return s;
}

GridReportSpec PromotionGrid() {
  GridReportSpec spec;
  spec.columns = {{"商品编码", "f_Spbm"},
                  {"商品名称", "f_Spmc"},
                  {"本期普通|特价起始日期", "f_BqPtQsrq"},
                  {"本期普通|特价价格", "f_BqPtXsdj"},
                  {"下期普通|特价价格", "f_XqPtXsdj", "0.00"},
                  {"隐藏", "f_Spbm", "", false}};
  return spec;
}

const TextItem* Find(const Page& page, const std::string& text) {
  for (const auto* t : ItemsOf<TextItem>(page))
    if (t->text == text) return t;
  return nullptr;
}

TEST(GridReport, TitlesGroupsRowNumbersAndColumnsSizedFromTheirContent) {
  RowsDataSource data = Promotions(3);
  VariableList vars;
  vars.Set("Title", "商品特价详细信息");
  vars.Set("Date", "2024-03-05");
  vars.Set("Time", "10:20:30");
  FallbackMeasurer m;
  PreparedReport r = BuildGridReport(PromotionGrid(), data, vars, m);
  ASSERT_EQ(r.pages.size(), 1u);
  const Page& p = r.pages[0];
  EXPECT_DOUBLE_EQ(p.width, 210);
  auto texts = Texts(p);
  for (const char* t : {"商品特价详细信息", "No", "商品编码", "本期普通", "特价起始日期", "下期普通", "1", "2", "3",
                        "P1", "商品3", "10.50", "打印日期:2024-03-05  打印时间:10:20:30", "操 作 员:",
                        "页    数:第1页/共1页"})
    EXPECT_TRUE(Contains(texts, t)) << t;
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "本期普通"), 1);  // one group title over two columns
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "特价价格"), 2);
  EXPECT_FALSE(Contains(texts, "隐藏"));
  EXPECT_EQ(r.fonts[Find(p, "商品特价详细信息")->font], (FontSpec{"黑体", 22, false, false}));
  EXPECT_EQ(Find(p, "商品特价详细信息")->hAlign, HAlign::Center);
  EXPECT_EQ(Find(p, "10.50")->hAlign, HAlign::Right);
  // The group cell spans its two columns; the table fills the width between the margins; the
  // columns stand in the proportion of what they hold (the name of two characters more than
  // the code, the date of eight digits more than the price).
  double right = 0;
  for (const auto* rect : ItemsOf<RectItem>(p)) right = std::max(right, rect->box.Right());
  EXPECT_NEAR(right, 210 - 3.8, 1e-9);
  const double group = Find(p, "本期普通")->box.width + 1.6, date = Find(p, "特价起始日期")->box.width + 1.6,
               price = Find(p, "10.50")->box.width + 1.6;
  EXPECT_NEAR(group, date + price, 1e-9);
  EXPECT_GT(Find(p, "商品3")->box.width, Find(p, "P3")->box.width);
  EXPECT_GT(date, price);
  // The sheet keeps the values as they are, under the titles and formats.
  ASSERT_TRUE(r.sheet);
  ASSERT_EQ(r.sheet->columns.size(), 5u);
  EXPECT_EQ(r.sheet->columns[2].group, "本期普通");
  EXPECT_EQ(r.sheet->columns[2].title, "特价起始日期");
  EXPECT_EQ(r.sheet->columns[3].format, "0.00");
  ASSERT_EQ(r.sheet->rows.size(), 3u);
  EXPECT_EQ(r.sheet->rows[1], (std::vector<Variant>{"P2", "商品2", "20240301", 10.5, Variant()}));
}

TEST(GridReport, ManyRowsBreakIntoPagesWithTheFooterOnEach) {
  RowsDataSource data = Promotions(120);
  FallbackMeasurer m;
  PreparedReport r = BuildGridReport(PromotionGrid(), data, {}, m);
  ASSERT_GE(r.pages.size(), 2u);
  const std::string total = std::to_string(r.pages.size());
  int rows = 0;
  for (size_t i = 0; i < r.pages.size(); ++i) {
    auto texts = Texts(r.pages[i]);
    EXPECT_TRUE(Contains(texts, "页    数:第" + std::to_string(i + 1) + "页/共" + total + "页"));
    EXPECT_TRUE(Contains(texts, "No"));  // titles on every page
    for (const auto& t : texts) rows += t.rfind("P", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(rows, 120);
  // An empty list still prints its titles.
  RowsDataSource none = Promotions(0);
  PreparedReport empty = BuildGridReport(PromotionGrid(), none, {}, m);
  ASSERT_EQ(empty.pages.size(), 1u);
  EXPECT_TRUE(Contains(Texts(empty.pages[0]), "商品名称"));

  GridReportSpec wrong = PromotionGrid();
  wrong.columns.push_back({"x", "f_Missing"});
  try {
    BuildGridReport(wrong, data, {}, m);
    FAIL();
  } catch (const ModuleError& e) {
    EXPECT_STREQ(e.what(), "打印的列“f_Missing”在数据中不存在");
  }
}

// The pre-promotion price list as the window shows it: seventeen columns, long titles.
RowsDataSource OriginalPrices(int count) {
  RowsDataSource s("cdsPrint", {{"f_lx"}, {"f_spbm"}, {"f_sphh"}, {"f_sptm"}, {"f_spmc"}, {"f_jldw"}, {"f_ggxh"},
                                {"f_dwbl"}, {"f_spcd"}, {"f_sppp"}, {"f_xsdj", "0.00"}, {"f_qsrq"}, {"f_jsrq"},
                                {"f_Xdsl"}, {"f_zxjg", "0.00"}, {"f_q7yxsdj", "0.00"}, {"f_q8yxsdj", "0.00"}});
  const char* names[] = {"测试可乐", "金龙鱼食用调和油五升装特惠", "农夫山泉饮用天然水550ml"};
  for (int i = 0; i < count; ++i)
    s.AddRow({i % 3 ? "惊爆价" : "特价", "00" + std::to_string(1000 + i), "H00" + std::to_string(1000 + i),
              "69012345" + std::to_string(10000 + i), names[i % 3], "瓶", "500ml", 1.0, "广州", "测试",
              116.0 + i, "20240311", "20240331", i % 3 ? Variant(2.0) : Variant(), 99.5, 103.4, 112.6});
  return s;
}

GridReportSpec OriginalPriceGrid() {
  GridReportSpec spec;
  const char* cols[][2] = {{"特价类型", "f_lx"}, {"商品编码", "f_spbm"}, {"商品货号", "f_sphh"},
                           {"商品条码", "f_sptm"}, {"商品名称", "f_spmc"}, {"计量单位", "f_jldw"},
                           {"规格型号", "f_ggxh"}, {"单位比率", "f_dwbl"}, {"商品产地", "f_spcd"},
                           {"商品品牌", "f_sppp"}, {"销售单价", "f_xsdj"}, {"起始日期", "f_qsrq"},
                           {"结束日期", "f_jsrq"}, {"每单限量", "f_Xdsl"}, {"执行价", "f_zxjg"},
                           {"特价开始日期前七天最低成交价格", "f_q7yxsdj"},
                           {"特价开始日期前八天到前三个月之间最后一笔成交价格", "f_q8yxsdj"}};
  for (const auto& c : cols) spec.columns.push_back({c[0], c[1], "", true, c[1] == std::string("f_spbm") || c[1] == std::string("f_spmc")});
  return spec;
}

// Numbers, dates and codes on one line, titles on at most three, nothing beyond the margin.
void ExpectReadable(const PreparedReport& r, const std::set<std::string>& titles, const char* what) {
  for (size_t i = 0; i < r.pages.size(); ++i) {
    const Page& page = r.pages[i];
    for (const auto* t : ItemsOf<TextItem>(page)) {
      EXPECT_LE(t->box.Right(), page.width - 3.8 + 1e-6) << what << ": " << t->text;
      const bool unbroken = std::all_of(t->text.begin(), t->text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80 && c != ' ';
      });
      if (unbroken) {
        EXPECT_EQ(t->LineCount(), 1u) << what << ": " << t->text << " on page " << i + 1;
      }
      if (titles.count(t->text)) {
        EXPECT_LE(t->LineCount(), 3u) << what << ": " << t->text;
      }
    }
  }
}

TEST(GridReport, TheOriginalPriceListKeepsNumbersDatesAndCodesWhole) {
  RowsDataSource data = OriginalPrices(60);
  FallbackMeasurer m;
  GridReportSpec spec = OriginalPriceGrid();
  PreparedReport r = BuildGridReport(spec, data, {}, m);
  std::set<std::string> titles;
  for (const auto& c : spec.columns) titles.insert(c.title);
  ExpectReadable(r, titles, "original prices");
  // Every column on every page, its title included: no pages across are needed.
  for (const Page& page : r.pages)
    for (const auto& t : titles) EXPECT_TRUE(Contains(Texts(page), t)) << t;
  EXPECT_TRUE(Contains(Texts(r.pages.back()), "6901234510059"));
  EXPECT_TRUE(Contains(Texts(r.pages[0]), "001000"));
}

// The promotion detail list: forty columns, eight of them in two-level groups.
TEST(GridReport, FortyColumnsContinueOnPagesAcrossThatRepeatTheCodeAndName) {
  std::vector<RowsDataSource::Column> fields;
  GridReportSpec spec;
  std::vector<Variant> row;
  for (int c = 0; c < 40; ++c) {
    const std::string field = "f_" + std::to_string(c);
    fields.push_back({field, c % 5 == 3 ? "0.00" : ""});
    std::string title = c == 0 ? "商品编码" : c == 1 ? "商品名称" : "第" + std::to_string(c) + "列的标题";
    if (c >= 20 && c < 32) title = (c < 26 ? "本期普通" : "下期会员") + std::string("|") + title;
    spec.columns.push_back({title, field, "", true, c < 2});
  }
  RowsDataSource data("cdsPrint", fields);
  for (int r = 0; r < 30; ++r) {
    row.clear();
    for (int c = 0; c < 40; ++c) {
      if (c == 0) row.emplace_back("00" + std::to_string(1000 + r));
      else if (c == 1) row.emplace_back("商品名称" + std::to_string(r));
      else if (c % 5 == 3) row.emplace_back(100.0 + r + c);
      else if (c % 5 == 1) row.emplace_back("202403" + std::to_string(10 + r % 20));
      else row.emplace_back("V" + std::to_string(r) + "-" + std::to_string(c));
    }
    data.AddRow(row);
  }
  FallbackMeasurer m;
  PreparedReport r = BuildGridReport(spec, data, {}, m);
  ASSERT_GE(r.pages.size(), 2u);
  const size_t total = r.pages.size();
  std::map<std::string, int> seen;
  for (size_t i = 0; i < total; ++i) {
    const Page& page = r.pages[i];
    EXPECT_DOUBLE_EQ(page.width, 297) << "turned";
    auto texts = Texts(page);
    for (const char* key : {"No", "商品编码", "商品名称", "001000", "商品名称0"}) EXPECT_TRUE(Contains(texts, key)) << key;
    EXPECT_TRUE(Contains(texts, "页    数:第" + std::to_string(i + 1) + "页/共" + std::to_string(total) + "页"));
    for (const auto& t : texts) ++seen[t];
  }
  // Each of the other cells is printed once, on one page across.
  for (int c = 2; c < 40; ++c)
    if (c % 5 != 1 && c % 5 != 3) {
      EXPECT_EQ(seen["V7-" + std::to_string(c)], 1) << c;
    }
  EXPECT_EQ(seen["商品名称7"], static_cast<int>(total));
  ExpectReadable(r, {}, "forty columns");
  for (const FontSpec& f : r.fonts) EXPECT_GE(f.size, 7) << f.family;
}

TEST(GridReport, LongNamesWrapAndTheTabulatedPagesKeepTheGrid) {
  RowsDataSource data("cdsPrint", {{"f_Spbm"}, {"f_Spmc"}});
  std::string longName;
  for (int i = 0; i < 4; ++i) longName += "特别长的商品名称需要折成好几行才能放得下";
  data.AddRow({"P1", longName});
  data.AddRow({"P2", "短"});
  GridReportSpec spec;
  spec.columns = {{"编码", "f_Spbm"}, {"名称", "f_Spmc"}};
  FallbackMeasurer m;
  PreparedReport r = BuildGridReport(spec, data, {}, m);
  EXPECT_DOUBLE_EQ(r.pages[0].width, 210);
  const TextItem* wrapped = Find(r.pages[0], longName);
  ASSERT_NE(wrapped, nullptr);
  EXPECT_GT(wrapped->LineCount(), 1u);

  ReportTable table = TabulateReport(r);
  // No | 编码 | 名称 columns; rows: titles, two lines of data, the footer.
  auto find = [&](const std::string& text) {
    for (size_t i = 0; i < table.rows.size(); ++i)
      for (size_t j = 0; j < table.rows[i].size(); ++j)
        if (table.rows[i][j] == text) return std::make_pair(static_cast<int>(i), static_cast<int>(j));
    return std::make_pair(-1, -1);
  };
  auto no = find("No"), code = find("编码"), name = find("名称"), p1 = find("P1"), longCell = find(longName),
       p2 = find("P2"), row2 = find("2");
  EXPECT_EQ(no.first, code.first);
  EXPECT_EQ(code.first, name.first);
  EXPECT_EQ(p1.second, code.second);
  EXPECT_EQ(longCell.second, name.second);
  EXPECT_EQ(longCell.first, p1.first);
  EXPECT_EQ(p2.first, p1.first + 1);
  EXPECT_EQ(row2.first, p2.first);
  EXPECT_EQ(row2.second, no.second);
}

TEST(LabelSheet, OneRowPerLabelWithTheValuesItShows) {
  ReportEngine engine = EngineWith("promotion-label.json");
  engine.SetVariable("Jjyy", "清仓");
  RowsDataSource data = Products(3);
  auto sheet = LabelSheet(engine.Template(), engine.Variables(), data);
  std::vector<std::string> titles;
  for (const SheetColumn& c : sheet->columns) titles.push_back(c.title);
  // Captions name the values; a value without one goes by its field; mixed texts by their
  // fields in place.
  EXPECT_EQ(titles, (std::vector<std::string>{"促  销", "f_Spmc", "f_Tjjg", "原价", "前7天最低价",
                                              "单位/规格", "f_Qsrq 至 f_Jsrq", "编码", "f_Sptm"}));
  EXPECT_EQ(sheet->columns[2].format, "0.00");
  EXPECT_EQ(sheet->columns[8].format, "");
  ASSERT_EQ(sheet->rows.size(), 3u);
  // The seven-day price is hidden on these labels (none known): its cell stays empty.
  EXPECT_EQ(sheet->rows[1], (std::vector<Variant>{"清仓", "商品2", 8.8, 11.0, Variant(), "单位:袋  规格:500g",
                                                  "20240301 至 20240331", "P1001", "690123456789"}));
}

TEST(LabelSheet, DisplayFormatsBecomeSpreadsheetFormatCodes) {
  const std::pair<const char*, const char*> cases[] = {
      {"0.00", "0.00"}, {"#,##0.00", "#,##0.00"}, {"0.##", "0.##"}, {"", ""},
      {"￥0.00", "\"￥\"0.00"}, {"0.00元;-0.00元", "0.00\"元\""}};
  for (const auto& [display, sheet] : cases) EXPECT_EQ(SheetNumberFormat(display), sheet) << display;
}

TEST(MemTableSource, ReadsVisibleRowsWithFormatsWithoutMovingTheTable) {
  MemTable t("cdsPrint");
  t.AddField("f_Spmc", FieldType::Text, 60);
  FieldDef price;
  price.name = "f_Xsdj";
  price.type = FieldType::Float;
  price.displayFormat = "0.00";
  t.AddField(price);
  t.CreateDataSet();
  for (auto [name, p] : {std::pair{"甲", 1.5}, {"乙", 2.0}, {"丙", 3.25}}) {
    t.Append();
    t.Set("f_Spmc", Variant(name));
    t.Set("f_Xsdj", Variant(p));
    t.Post();
  }
  t.SetRecNo(2);
  int scrolls = 0;
  t.afterScroll = [&](MemTable&) { ++scrolls; };

  MemTableSource source(t);
  EXPECT_EQ(source.Name(), "cdsPrint");
  EXPECT_EQ(source.RecordCount(), 3);
  EXPECT_EQ(source.FieldIndex("F_SPMC"), 0);
  EXPECT_EQ(source.DisplayFormat(1), "0.00");
  ReportEngine engine;
  engine.LoadTemplate(R"({"format":"pricetag-report","version":1,"page":{"width":50,"height":10},
      "bands":[{"type":"masterData","height":10,"objects":[
        {"type":"text","x":0,"y":0,"width":50,"height":10,"text":"[cdsPrint.\"F_SPMC\"] [cdsPrint.\"f_xsdj\"]"}]}]})");
  PreparedReport r = engine.Prepare(source);
  ASSERT_EQ(r.pages.size(), 3u);
  EXPECT_EQ(Texts(r.pages[0]), std::vector<std::string>{"甲 1.50"});
  EXPECT_EQ(Texts(r.pages[2]), std::vector<std::string>{"丙 3.25"});
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_EQ(scrolls, 0);
}

}  // namespace
}  // namespace pt::report
