// The log of printed tags as text (the INSERT of a job, the history line) and the rules of the
// two sources that read it: which tags differ from the product now and which promotions ended.
#include <gtest/gtest.h>

#include "common/DataPacket.h"
#include "common/MemTable.h"
#include "printing/PrintLog.h"
#include "printing/PrintRecord.h"
#include "queue/QueueRecord.h"
#include "queue/ShelfTags.h"
#include "tests/support/RecordingHost.h"

using namespace pt;
using namespace pt::printing;
using namespace pt::queue;

namespace {

PrintedTag Tag(const std::string& code, Variant price) {
  PrintedTag t;
  t.productCode = code;
  t.salePrice = std::move(price);
  return t;
}

LastTag Shown(double price, Variant promo = {}, const char* start = nullptr, const char* end = nullptr) {
  LastTag t;
  t.productCode = "000101";
  t.salePrice = price;
  t.promotionPrice = std::move(promo);
  if (start) t.promotionStart = std::string(start);
  if (end) t.promotionEnd = std::string(end);
  return t;
}

ProductNow Now(double price, Variant promo = {}, const char* start = nullptr, const char* end = nullptr) {
  ProductNow n;
  n.salePrice = price;
  n.promotionPrice = std::move(promo);
  if (start) n.promotionStart = std::string(start);
  if (end) n.promotionEnd = std::string(end);
  return n;
}

}  // namespace

TEST(PrintLog, AJobIsOneInsertWithItsValuesQuotedAndMissingPricesNull) {
  PrintJob job{"O'Brien 标签", "0001", "张三", "ws-1"};
  PrintedTag a = Tag("0001'2", 12.5);
  a.deptCode = " 010 ";
  a.barcode = "6901234567892";
  a.promotionPrice = 9.9;
  a.promotionStart = std::string("20241201");
  a.promotionEnd = std::string("20241215");
  a.copies = 3;
  PrintedTag b = Tag("000102", Variant());
  b.shown = {true, false, false, false, false};
  const std::string sql = InsertPrintLogSql(job, 7, "2024-12-10 14:05:09.250", {a, b});
  EXPECT_EQ(sql,
            "insert into tbBqdyrz (f_dyxh,f_hh,f_spbm,f_bmbm,f_sptm,f_xsdj,f_yxsdj,f_hyj,f_tjjg,f_qsrq,f_jsrq,f_hytjjg,"
            "f_hytjqsrq,f_hytjjsrq,f_mbmc,f_zybm,f_zymc,f_gzz,f_dyrq,f_dysj,f_fs,f_xsxm) values "
            "(7,1,'0001''2','010','6901234567892',12.5,NULL,NULL,9.9,'20241201','20241215',NULL,NULL,NULL,"
            "'O''Brien 标签','0001','张三','ws-1','20241210','20241210140509',3,'售价,原价,会员价,特价,会员特价'),"
            "(7,2,'000102','','',NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,"
            "'O''Brien 标签','0001','张三','ws-1','20241210','20241210140509',1,'售价')");
}

TEST(PrintLog, ALargeJobIsSentAsStatementsOfAThousandRowsAndTextsFitTheirColumns) {
  std::vector<PrintedTag> tags(2500, Tag("1", 1.0));
  // 16 characters of two GBK bytes each: the code column holds 15 bytes, so 7 characters.
  tags[0].productCode = "一二三四五六七八九十一二三四五六";
  const std::string sql = InsertPrintLogSql({}, 1, "20241210140509", tags);
  size_t statements = 0;
  for (size_t at = sql.find("insert into"); at != std::string::npos; at = sql.find("insert into", at + 1)) ++statements;
  EXPECT_EQ(statements, 3u);
  EXPECT_NE(sql.find(";insert into tbBqdyrz"), std::string::npos);
  EXPECT_NE(sql.find("(1,1001,'1'"), std::string::npos) << "rows keep their numbers across statements";
  EXPECT_NE(sql.find("(1,1,'一二三四五六七',"), std::string::npos);
}

TEST(PrintLog, RecordingStopsAtTheFirstRefusalAndSaysSoWithTheHostsMessage) {
  test::RecordingHost host;
  const std::vector<PrintedTag> tags{Tag("000101", 12.5)};
  EXPECT_EQ(RecordPrintJob(host, {}, {}), "") << "nothing printed, nothing recorded";
  EXPECT_TRUE(host.calls().empty());

  test::RecordingHost refusing;
  refusing.Succeed(852, Variant());
  refusing.Succeed(1610743808, Variant::MakePacket(test::MakePacket({{"f_dyxh", static_cast<int>(FieldType::Integer)}}, {{Variant(41)}})));
  refusing.Succeed(6, Variant("20241210140509"));
  refusing.Handle(852, [n = 0](std::vector<Variant>& args) mutable {
    if (n++ == 0) return Variant(true);
    // The host quotes the statement: a large job's would fill the screen.
    args.back() = Variant::MakeArray({Variant("列名 'f_fs' 无效。"), Variant("语句：" + std::string(5000, 'x'))});
    return Variant(false);
  });
  EXPECT_EQ(RecordPrintJob(refusing, {}, tags),
            "标价签已打印，但未能写入打印记录：\r\n列名 'f_fs' 无效。\r\n语句：" + std::string(294, 'x') + "…");
  const auto inserts = refusing.CallsOf(852);
  ASSERT_EQ(inserts.size(), 2u);
  EXPECT_EQ(inserts[1].argsIn[0].ToText().rfind("insert into tbBqdyrz", 0), 0u);
  EXPECT_NE(inserts[1].argsIn[0].ToText().find("(42,1,'000101'"), std::string::npos) << "the next job number";
}

// Each case: what differs ("价签与现价不符") and which promotion ended ("特价到期"), on 20241210.
TEST(ShelfTags, WhatATagShowsAgainstTheProductNow) {
  struct Case {
    const char* what;
    LastTag tag;
    ProductNow now;
    const char* differs;
    const char* ended;
  };
  LastTag member = Shown(10);
  member.memberPrice = 9.5;
  ProductNow memberNow = Now(10);
  memberNow.memberPrice = 9.0;
  LastTag memberPromotion = Shown(10);
  memberPromotion.memberPromotionPrice = 7.0;
  memberPromotion.memberPromotionStart = std::string("20241201");
  memberPromotion.memberPromotionEnd = std::string("20241209");
  const auto promo = [](double price, const char* start, const char* end) { return Shown(10, price, start, end); };
  const auto now = [](double price, const char* start, const char* end) { return Now(10, price, start, end); };
  const Case cases[] = {
      {"same", Shown(10), Now(10.004), "", ""},
      {"sale price", Shown(10), Now(10.01), "售价", ""},
      {"price gone", Shown(10), Now(0), "售价", ""},
      {"member price", member, memberNow, "会员价", ""},
      {"same promotion", promo(8.8, "20241201", "20241215"), now(8.8, "20241201", "20241215"), "", ""},
      {"ends today", promo(8.8, "20241201", "20241210"), now(8.8, "20241201", "20241210"), "", ""},
      {"end date passed", promo(8.8, "20241201", "20241209"), Now(10), "特价", "特价到期"},
      {"ended early", promo(8.8, "20241201", "20241215"), Now(10), "特价", "特价到期"},
      {"another one now", promo(8.8, "20241201", "20241215"), now(8.5, "20241208", "20241220"), "特价", "特价到期"},
      {"promotion started", Shown(10), now(8.8, "20241210", "20241215"), "特价", ""},
      {"promotion extended", promo(8.8, "20241201", "20241215"), now(8.8, "20241201", "20241220"), "特价", ""},
      {"same one, new price", promo(8.8, "20241201", "20241215"), now(8.5, "20241201", "20241215"), "特价", ""},
      {"printed ahead", promo(8.8, "20241212", "20241220"), Now(10), "特价", ""},
      {"a zero price is none", promo(0.0, "20241201", "20241215"), Now(10), "", ""},
      {"member promotion", memberPromotion, Now(10), "会员特价", "会员特价到期"},
      {"several", promo(8.8, "20241201", "20241215"), Now(11), "售价、特价", "特价到期"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TagDifferences(c.tag, c.now), c.differs) << c.what;
    EXPECT_EQ(ExpiredPromotions(c.tag, c.now, "20241210"), c.ended) << c.what;
  }
}

// A tag holds only the prices its template prints: the others are neither logged nor compared.
TEST(ShelfTags, APriceTheTemplateDoesNotPrintIsNeitherLoggedNorCompared) {
  report::ReportTemplate t;
  for (const char* text : {"[cdsPrint.\"f_Spmc\"]", "￥[cdsPrint.\"F_XSDJ\"]", "促销 [cdsPrint.\"f_Tjjg\"] 至 [cdsPrint.\"f_Jsrq\"]"}) {
    report::TemplateObject o;
    o.text = report::TextTemplate::Parse(text);
    t.masterData.objects.push_back(std::move(o));
  }
  report::TemplateObject conditional;  // decides whether it shows, prints nothing of it
  conditional.visibleIf = report::Expression::Parse("[cdsPrint.\"f_Hyj\"] > 0");
  t.masterData.objects.push_back(std::move(conditional));
  const TagItems shown = ItemsShownBy(t);
  EXPECT_EQ(ItemsText(shown), "售价,特价");
  for (const char* stored : {"售价,特价", " 售价 , 特价"}) EXPECT_EQ(ItemsText(ItemsFromText(Variant(stored))), "售价,特价");
  EXPECT_EQ(ItemsText(ItemsFromText(Variant(""))), "");
  EXPECT_EQ(ItemsText(ItemsFromText(Variant())), "售价,原价,会员价,特价,会员特价");

  MemTable record;
  DefinePrintFields(record);
  record.CreateDataSet();
  record.Append();
  record.Set("f_Spbm", "000101");
  record.Set("f_Xsdj", 12.5);
  record.Set("f_Hyj", 11.0);
  record.Set("f_HyTjjg", 9.0);
  record.Post();
  const PrintedTag printed = TagFromRecord(record, 2, shown);
  EXPECT_EQ(printed.salePrice.ToFloat(), 12.5);
  EXPECT_TRUE(printed.memberPrice.IsNull());
  EXPECT_TRUE(printed.memberPromotionPrice.IsNull());
  EXPECT_NE(InsertPrintLogSql({}, 1, "20241210140509", {printed}).find(",2,'售价,特价')"), std::string::npos);

  LastTag tag = Shown(12.5);
  tag.shown = shown;
  ProductNow now = Now(12.5);
  now.memberPrice = 10.0;
  now.memberPromotionPrice = 8.0;
  EXPECT_EQ(TagDifferences(tag, now), "") << "the member prices are not on this tag";
  now.promotionPrice = 9.9;
  EXPECT_EQ(TagDifferences(tag, now), "特价") << "its promotion is";
  EXPECT_EQ(LastTagLine(tag).find("会员"), std::string::npos);
}

TEST(ShelfTags, OnlyPrintedProductsAreListedEachBesideItsLastTag) {
  MemTable found("found"), queue("cdsSpda");
  DefineQueueFields(found);
  DefineQueueFields(queue);
  found.CreateDataSet();
  queue.CreateDataSet();
  auto add = [&](const char* code, const char* dept, double price) {
    found.Append();
    found.Set("f_Spbm", code);
    if (dept) found.Set("f_bmbm", dept);
    found.Set("f_Xsdj", price);
    found.Post();
  };
  add("A1", nullptr, 10);   // its later tag is right
  add("B1", nullptr, 12);   // never printed
  add("C1", "D2", 8);       // printed for another department only
  add("c1 ", "d1", 8);      // codes compare as the server compares them
  std::vector<LastTag> tags;
  LastTag a = Shown(9);
  a.productCode = "A1";
  a.jobNumber = 3;
  a.printedAt = "20241209100000";
  tags.push_back(a);
  a.salePrice = 10.0;
  a.jobNumber = 4;  // the later job wins, wherever it comes
  tags.insert(tags.begin(), a);
  LastTag c = Shown(7.5);
  c.productCode = "C1";
  c.deptCode = "D1";
  c.printedAt = "20241208093000";
  tags.push_back(c);

  EXPECT_EQ(ReplaceWithListedRows(found, tags, ShelfTagSource::Mismatch, "20241210", queue), 1);
  ASSERT_EQ(queue.RecordCount(), 1);
  EXPECT_EQ(queue.GetText("f_Spbm"), "c1 ");
  EXPECT_EQ(queue.GetText(kDiffersField), "售价");
  EXPECT_EQ(queue.GetFloat(kTagPriceField), 7.5);
  EXPECT_EQ(queue.GetText(kTagPrintedField), "2024-12-08 09:30");
  EXPECT_EQ(queue.GetInt(kCopiesField), 1);
  EXPECT_TRUE(queue.ToPacket().find("dyrz.f_bfx") == std::string::npos) << "never sent to the host";
}

TEST(PrintLog, TheHistoryLineSaysWhenWhichPriceWhichTemplateAndWho) {
  EXPECT_EQ(LastTagLine(std::nullopt), "上次打印：无");
  LastTag t = Shown(12.5, 9.9, "20241201", "20241215");
  t.printedAt = "20241210140509";
  t.templateName = "促销标价签";
  t.operatorCode = "0001";
  t.operatorName = "张三";
  EXPECT_EQ(LastTagLine(t),
            "上次打印：2024-12-10 14:05　售价 12.50　特价 9.90（2024-12-01至2024-12-15）　模板：促销标价签　打印人：张三(0001)");
  t.promotionPrice = Variant();
  t.memberPrice = 11.0;
  t.operatorName.clear();
  EXPECT_EQ(LastTagLine(t), "上次打印：2024-12-10 14:05　售价 12.50　会员价 11.00　模板：促销标价签　打印人：0001");
}
