// The label run in the core: copies per queue row, pages laid out one at a time with positions
// left empty on a partly used sheet, what a template requires of a record, the kept queue file,
// printer calibration and the printable area.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/ModuleError.h"
#include "printing/LabelJob.h"
#include "printing/PrintRecord.h"
#include "queue/QueueFile.h"
#include "queue/QueueRecord.h"
#include "report_engine/ReportEngine.h"

namespace pt::printing {
namespace {

std::string StockTemplate(const std::string& name) {
  const char* d = std::getenv("PRICETAG_TEST_DATA");
  std::ifstream in((d ? std::string(d) : std::filesystem::path(__FILE__).parent_path().parent_path().string() + "/data") +
                       "/../../report_engine/templates/" + name,
                   std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A queue of products 001, 002, ... with a sale price each.
struct Queue {
  MemTable table{"cdsSpda"};
  Queue() {
    queue::DefineQueueFields(table);
    table.CreateDataSet();
  }
  void Add(const std::string& code, double price, const std::vector<std::pair<const char*, Variant>>& more = {}) {
    table.Append();
    table.Set("f_Spbm", code);
    table.Set("f_Spmc", "商品" + code);
    table.Set("f_Xsdj", price);
    for (const auto& [k, v] : more) table.Set(k, v);
    table.Post();
  }
};

// Keeps every page handed over, noting how many were laid out before each arrived.
struct Pages : report::PageSink {
  std::vector<report::Page> pages;
  int announced = -1;
  void Begin(const report::PreparedReport&, int count) override { announced = count; }
  void TakePage(const report::PreparedReport&, report::Page&& page) override { pages.push_back(std::move(page)); }
};

std::vector<std::string> Texts(const report::Page& page) {
  std::vector<std::string> out;
  for (const report::Item& item : page.items)
    if (const auto* t = std::get_if<report::TextItem>(&item)) out.push_back(t->text);
  return out;
}

// The boxes of the text items reading exactly `text`.
std::vector<report::RectF> BoxesOf(const report::Page& page, const std::string& text) {
  std::vector<report::RectF> out;
  for (const report::Item& item : page.items)
    if (const auto* t = std::get_if<report::TextItem>(&item); t && t->text == text) out.push_back(t->box);
  return out;
}

report::ReportEngine SheetEngine() {
  // 2 x 3 labels of 50 x 30 mm on a 100 x 90 mm sheet, filled across then down.
  report::ReportEngine e;
  e.LoadTemplate(R"({"format":"pricetag-report","version":1,"page":{"width":100,"height":90},
    "bands":[{"type":"masterData","height":30,"width":50,"columns":2,"rows":3,"objects":[
      {"type":"text","name":"code","x":1,"y":1,"width":40,"height":5,"text":"[cdsPrint.f_Spbm]/[Line#]"}]}]})");
  return e;
}

TEST(LabelRun, CopiesComeNextToEachOtherInQueueOrderAndTheStartPositionLeavesTheFirstPlacesEmpty) {
  Queue q;
  q.Add("001", 1.0, {{"f_Dyfs", 3}});
  q.Add("002", 2.0);
  q.Add("003", 3.0, {{"f_Dyfs", "2"}});
  QueueRecordSource records(q.table, "0");
  const LabelPlan plan = PlanLabels(records, q.table, nullptr);
  ASSERT_EQ(plan.rows.size(), 3u);
  EXPECT_EQ(plan.labels, 6);
  LabelSequence labels(records, plan);

  report::ReportEngine e = SheetEngine();
  report::LayoutOptions start;
  start.skipSlots = 4;  // the fifth position of the sheet
  Pages sink;
  report::FallbackMeasurer m;
  e.Stream(labels, m, start, sink);
  ASSERT_EQ(sink.announced, 2);
  ASSERT_EQ(sink.pages.size(), 2u);
  EXPECT_EQ(Texts(sink.pages[0]), (std::vector<std::string>{"001/1", "001/2"}));
  EXPECT_EQ(Texts(sink.pages[1]), (std::vector<std::string>{"001/3", "002/4", "003/5", "003/6"}));
  // The fifth and sixth positions: the bottom row of the first sheet.
  EXPECT_DOUBLE_EQ(BoxesOf(sink.pages[0], "001/1")[0].x, 1);
  EXPECT_DOUBLE_EQ(BoxesOf(sink.pages[0], "001/1")[0].y, 61);
  EXPECT_DOUBLE_EQ(BoxesOf(sink.pages[0], "001/2")[0].x, 51);
  EXPECT_DOUBLE_EQ(BoxesOf(sink.pages[1], "001/3")[0].y, 1);

  // Laying out at once gives the same pages; a roll template ignores the start position.
  EXPECT_EQ(e.Prepare(labels, m, start).pages.size(), 2u);
  report::ReportEngine roll;
  roll.LoadTemplate(StockTemplate("ordinary-label.json"));
  EXPECT_EQ(roll.Prepare(labels, m, start).pages.size(), 6u);
}

TEST(LabelRun, TheCopiesFieldTakesWholeNumbersFrom1To999AndKeepsItsValueOtherwise) {
  Queue q;
  q.Add("001", 1.0);
  EXPECT_EQ(q.table.Get(queue::kCopiesField), Variant(int64_t{1})) << "a new row prints once";
  for (const Variant& bad : {Variant("0"), Variant("abc"), Variant("1000"), Variant("1.5"), Variant(""), Variant(),
                             Variant(-2), Variant(2.5)}) {
    q.table.Edit();
    EXPECT_THROW(q.table.Set(queue::kCopiesField, bad), ModuleError) << bad.ToText();
    q.table.Post();
    EXPECT_EQ(q.table.GetInt(queue::kCopiesField), 1);
  }
  try {
    q.table.Edit();
    q.table.Set(queue::kCopiesField, "abc");
  } catch (const ModuleError& e) {
    EXPECT_STREQ(e.what(), "打印份数“abc”无效：请输入 1 到 999 之间的整数");
  }
  q.table.Cancel();
  for (const Variant& good : {Variant(" 7 "), Variant(999), Variant(3.0), Variant("1")}) {
    q.table.Edit();
    q.table.Set(queue::kCopiesField, good);
    q.table.Post();
    EXPECT_EQ(q.table.GetInt(queue::kCopiesField), good.IsText() ? std::stoi(good.AsText()) : good.ToInt());
  }
  // Rows from the host never carry the field: they print once.
  MemTable answer("cdsTemp");
  answer.AddField("f_Spbm", FieldType::Text, 15);
  for (const PacketField& f : Queue().table.PacketFields())
    if (f.name != "f_Spbm") answer.AddField(f.name, f.type, f.size);
  answer.CreateDataSet();
  answer.Append();
  answer.Set("f_Spbm", "009");
  answer.Post();
  Queue fresh;
  fresh.table.LoadPacket(answer.ToPacket());
  EXPECT_EQ(fresh.table.GetInt(queue::kCopiesField), 1);
}

TEST(LabelRun, RowsLackingARequiredValueAreLeftOutWithTheirCodes) {
  // The stock template for mixed queues: the promotion layout while a promotion is in force on
  // the server date, the regular one otherwise.
  report::ReportEngine e;
  e.LoadTemplate(StockTemplate("universal-label.json"));
  e.SetVariable("CurDate", "20241210");
  Queue q;
  q.Add("001", 5.0, {{"f_BqPtQsrq", "20241201"}, {"f_BqPtJsrq", "20241231"}, {"f_BqPtXsdj", 4.5}});  // in force
  q.Add("002", 0.0);                                                                                 // no price
  q.Add("003", 6.0, {{"f_BqPtQsrq", "20241220"}, {"f_BqPtJsrq", "20241231"}, {"f_BqPtXsdj", 5.5}});  // not yet
  q.Add("004", 7.0, {{"f_BqPtQsrq", "20241201"}, {"f_BqPtJsrq", "20241231"}});  // a period without a price
  q.Add("005", 0.0, {{"f_BqPtQsrq", "20241201"}, {"f_BqPtJsrq", "20241231"}, {"f_BqPtXsdj", 4.0}});  // no regular price
  QueueRecordSource records(q.table, "0");
  e.CheckSource(records);
  const RequiredValues required(e.Template(), records, e.Variables());
  const LabelPlan plan = PlanLabels(records, q.table, &required);
  ASSERT_EQ(plan.rows.size(), 3u);
  EXPECT_EQ(plan.rows[0].record, 0);
  EXPECT_EQ(plan.rows[1].record, 2);
  EXPECT_EQ(plan.rows[2].record, 3);
  ASSERT_EQ(plan.leftOut.size(), 2u);
  EXPECT_EQ(plan.leftOut[0].code, "002");
  EXPECT_EQ(plan.leftOut[0].fields, (std::vector<std::string>{"f_Xsdj"}));
  EXPECT_EQ(plan.leftOut[1].code, "005");
  const std::string message = LeftOutMessage(plan, "通用标价签", 1);
  EXPECT_NE(message.find("以下 2 个商品缺少模板“通用标价签”必须打印的内容"), std::string::npos) << message;
  EXPECT_NE(message.find("002：缺少 f_Xsdj"), std::string::npos) << message;
  EXPECT_NE(message.find("……等共 2 个商品"), std::string::npos) << message;

  // The labels show the layout the day calls for.
  LabelSequence labels(records, plan);
  report::FallbackMeasurer m;
  const report::PreparedReport r = e.Prepare(labels, m);
  ASSERT_EQ(r.pages.size(), 3u);
  const auto promo = Texts(r.pages[0]);
  EXPECT_NE(std::find(promo.begin(), promo.end(), "4.50"), promo.end());
  EXPECT_NE(std::find(promo.begin(), promo.end(), "原价:5.00"), promo.end());
  const auto regular = Texts(r.pages[1]);
  EXPECT_NE(std::find(regular.begin(), regular.end(), "6.00"), regular.end());
  EXPECT_EQ(std::find(regular.begin(), regular.end(), "5.50"), regular.end());
  EXPECT_EQ(std::find(regular.begin(), regular.end(), "促销价(元)"), regular.end());
}

TEST(LabelRun, APrintRecordThatCannotBeMadeStopsThePlanThere) {
  struct Failing : report::RowsDataSource {
    Failing() : RowsDataSource("cdsPrint", {{"f_Spbm"}}) {
      for (const char* c : {"1", "2", "3"}) AddRow({c});
    }
    void MoveTo(int r) override {
      if (r == 2) throw ModuleError("无法读取");
      RowsDataSource::MoveTo(r);
    }
  } records;
  Queue q;
  for (int i = 0; i < 3; ++i) q.Add(std::to_string(i), 1);
  const LabelPlan plan = PlanLabels(records, q.table, nullptr);
  EXPECT_EQ(plan.rows.size(), 2u);
  EXPECT_EQ(plan.failure, "无法读取");
}

TEST(LabelRun, StartPositionsAreCheckedAgainstTheSheet) {
  struct Case { const char* text; int perSheet; int skip; bool ok; };
  for (const Case& c : {Case{"1", 24, 0, true}, {"24", 24, 23, true}, {" 5 ", 24, 4, true}, {"25", 24, 0, false},
                        {"0", 24, 0, false}, {"x", 24, 0, false}, {"2.5", 24, 0, false}, {"30", 1, 0, true}}) {
    const StartPosition s = ReadStartPosition(c.text, c.perSheet);
    EXPECT_EQ(s.message.empty(), c.ok) << c.text;
    EXPECT_EQ(s.skip, c.skip) << c.text;
  }
  EXPECT_EQ(ReadStartPosition("25", 24).message, "起始位置“25”无效：每张标签纸有 24 个位置，请输入 1 到 24 之间的整数");
}

TEST(LabelRun, CalibrationValuesAreThreeNumbersWithinBounds) {
  std::string message;
  const std::optional<Calibration> c = ParseCalibration("1.5,-0.8,1.02", message);
  ASSERT_TRUE(c);
  EXPECT_DOUBLE_EQ(c->offsetX, 1.5);
  EXPECT_DOUBLE_EQ(c->offsetY, -0.8);
  EXPECT_DOUBLE_EQ(c->scale, 1.02);
  EXPECT_EQ(CalibrationText(*c), "1.50,-0.80,1.0200");
  for (const char* bad : {"", "1,2", "1,2,3,4", "a,0,1", "0,0,0.2", "60,0,1", "0,0,nan"})
    EXPECT_FALSE(ParseCalibration(bad, message)) << bad;
}

TEST(LabelRun, ObjectsOutsideThePrintableAreaAreNamedWithHowFarTheyReach) {
  report::ReportEngine e;
  e.LoadTemplate(StockTemplate("a4-sheet-24.json"));
  // A4 sheet, labels 70 mm wide from the left edge: a printer that cannot print the outer 4 mm
  // loses the frames of the outer columns (at 1 mm from the edge) and the top row's frame.
  std::vector<Overflow> out = OutsidePrintableArea(e.Template(), 4, 4, 4, 4, {});
  auto frame = std::find_if(out.begin(), out.end(), [](const Overflow& o) { return o.object == "frame"; });
  ASSERT_NE(frame, out.end());
  EXPECT_NEAR(frame->left, 3, 1e-9);
  EXPECT_NEAR(frame->right, 3, 1e-9);
  EXPECT_NEAR(frame->top, 2.5, 1e-9);
  const std::string text = OutsideAreaMessage(out, "A4 标价签 24 张", "PDF");
  EXPECT_NE(text.find("frame：左边超出 3.0 毫米，上边超出 2.5 毫米，右边超出 3.0 毫米"), std::string::npos) << text;
  // A printer that prints to the edge loses nothing, until it is calibrated past it.
  EXPECT_TRUE(OutsidePrintableArea(e.Template(), 0, 0, 0, 0, {}).empty());
  out = OutsidePrintableArea(e.Template(), 0, 0, 0, 0, {2, 0, 1});
  ASSERT_FALSE(out.empty());
  EXPECT_NEAR(out[0].right, 1, 1e-9);
}

// ---------------------------------------------------------------- kept queues

TEST(QueueFile, EveryColumnComesBackAndCopiesToo) {
  Queue q;
  q.Add("001", 12.5, {{"f_Dyfs", 4}, {"f_Spcd", "山东·烟台（栖霞）"}, {"f_cf", "小麦粉、白砂糖"}, {"f_jekz", "1"},
                      {"xsxl.f_qsrq", "20241201"}, {"f_bzq", 180}});
  q.Add("002", 3.0);
  const std::string bytes = queue::QueueFileBytes(q.table);
  EXPECT_EQ(bytes.substr(0, 10), "PTQUEUE 1 ");
  Queue back;
  back.Add("999", 1.0);
  queue::LoadQueueBytes(bytes, back.table);
  ASSERT_EQ(back.table.RecordCount(), 2);
  for (int f = 0; f < q.table.FieldCount(); ++f)
    for (int r = 0; r < 2; ++r)
      EXPECT_EQ(back.table.CellAt(r, f), q.table.CellAt(r, f)) << q.table.Field(f).name << " row " << r;
}

TEST(QueueFile, AForeignOrDamagedFileIsRefusedAndTheQueueKeepsItsRows) {
  Queue q;
  q.Add("001", 12.5, {{"f_Dyfs", 2}});
  const std::string good = queue::QueueFileBytes(q.table);
  std::string flipped = good;
  flipped[flipped.size() - 3] ^= 0x20;
  std::string badCopies;
  {
    // A file whose packet is whole but holds copies the field refuses.
    MemTable t("x");
    queue::DefineQueueFields(t);
    t.MutableField(t.FieldIndex(queue::kCopiesField)).check = nullptr;
    t.CreateDataSet();
    t.Append();
    t.Set(queue::kCopiesField, 0);
    t.Post();
    badCopies = queue::QueueFileBytes(t);
  }
  std::string version2 = good;
  version2[8] = '2';
  struct Case { std::string bytes; const char* message; };
  const Case cases[] = {
      {"商品编码\r\n100001\r\n", queue::kNotAQueueFile},
      {"", queue::kNotAQueueFile},
      {good.substr(0, good.size() - 10), queue::kDamagedQueueFile},
      {flipped, queue::kDamagedQueueFile},
      {badCopies, queue::kDamagedQueueFile},
      {version2, "打印队列文件的版本 2 不受支持，无法打开"},
  };
  for (const Case& c : cases) {
    Queue target;
    target.Add("kept", 1.0);
    try {
      queue::LoadQueueBytes(c.bytes, target.table);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const ModuleError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    ASSERT_EQ(target.table.RecordCount(), 1);
    EXPECT_EQ(target.table.GetText("f_Spbm"), "kept");
  }
}

TEST(QueueFile, SavingReplacesTheFileWholeAndLoadingNamesAFileItCannotRead) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "pt_queuefile";
  fs::create_directories(dir);
  const std::string path = (dir / "队列.ptq").string();
  Queue q;
  q.Add("001", 1.0);
  queue::SaveQueueFile(q.table, path);
  EXPECT_FALSE(fs::exists(path + ".partial"));
  Queue back;
  EXPECT_EQ(queue::LoadQueueFile(path, back.table), 1);
  EXPECT_THROW(queue::SaveQueueFile(q.table, (dir / "missing" / "q.ptq").string()), ModuleError);
  try {
    queue::LoadQueueFile((dir / "none.ptq").string(), back.table);
    ADD_FAILURE();
  } catch (const ModuleError& e) {
    EXPECT_EQ(std::string(e.what()), "无法打开文件 " + (dir / "none.ptq").string());
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace pt::printing
