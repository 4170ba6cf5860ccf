#include <gtest/gtest.h>

#include "queue/ProductQuery.h"

using namespace pt::queue;
using pt::FieldType;
using pt::MemTable;
using pt::Variant;

TEST(ProductQuery, ModeTable) {
  struct Case { bool tm, bz; const char* unit; int mode; };
  for (const Case& c : {Case{true, true, "01", 1}, {true, true, "00", 1}, {true, false, "00", 2},
                        {false, true, "01", 3}, {false, false, "01", 7}, {false, false, "00", 4},
                        {false, false, "02", 4}}) {
    EXPECT_EQ(QueryMode(c.tm, c.bz, c.unit), c.mode) << c.tm << c.bz << c.unit;
  }
}

TEST(ProductQuery, DepartmentCheckOnlyAtHeadquarters) {
  EXPECT_TRUE(DepartmentMissing("00", 0));
  EXPECT_TRUE(DepartmentMissing("00", 1));
  EXPECT_FALSE(DepartmentMissing("00", 2));
  EXPECT_FALSE(DepartmentMissing("01", 0));
}

TEST(ProductQuery, SubqueryCarriesOnlyTheJoinsTheConditionNames) {
  const std::string sale = kSaleClause;
  struct Case { std::string cond, unit, want; };
  const Case cases[] = {
      // product-master fields alone go out unchanged
      {" da.f_Spbm='001' ", "00", " da.f_Spbm='001' "},
      {" da.f_Spbm='001' ", "01", " da.f_Spbm='001' " + sale},
      // the barcode in the Exists form; two blanks between the join and WHERE
      {"( tm.f_Sptm LIKE '69%' )", "00",
       " Exists (SELECT * FROM (SELECT DISTINCT da.f_Spbm,tm.f_Sptm FROM tbSpda da LEFT JOIN tbSptm tm ON "
       "da.f_Spbm=tm.f_Spbm  WHERE f_Mj=1 AND ( tm.f_Sptm LIKE '69%' )) a WHERE a.f_Spbm=da.f_Spbm AND "
       "a.f_Sptm=tm.f_Sptm)"},
      // quantity pricing in the in form, with the dialog's column name substituted
      {"(  plzj.f_Pljg > 0 )", "00",
       " da.f_Spbm in (SELECT DISTINCT da.f_Spbm FROM tbSpda da LEFT JOIN tbPlzj plzj ON da.f_Spbm=plzj.f_Spbm  "
       "WHERE f_Mj=1 AND (  plzj.f_Xsdj > 0 )) "},
      // promotion before stock, stock from the current month
      {"( tj.f_Tjjg > 1 ) And ( Yhj.f_Kc > 0 )", "00",
       " da.f_Spbm in (SELECT DISTINCT da.f_Spbm FROM tbSpda da LEFT JOIN (select tj.*,f_lxmc from tbsptj tj left "
       "join  tbtjlxda lx on tj.f_lxbm=lx.f_lxbm) tj ON da.f_Spbm=tj.f_Spbm LEFT JOIN (SELECT "
       "f_Spbm,Round(Sum(f_Qcsl+f_Jhsl+f_Brsl+f_Sysl+f_Pssl-f_Xssl-f_Bcsl-f_Shsl-f_Phsl),2) f_Kc FROM "
       "tb200901_Yhj GROUP BY f_Spbm) Yhj ON da.f_Spbm=Yhj.f_Spbm  WHERE f_Mj=1 AND ( tj.f_Xsdj > 1 ) And ( Yhj.f_Kc "
       "> 0 )) "},
      {" xsxl.f_qsrq='20240301' and csda.f_csbm='7' ", "01",
       " da.f_Spbm in (SELECT DISTINCT da.f_Spbm FROM tbSpda da LEFT JOIN (select xsxl.*,f_lxmc from tbxsxl xsxl "
       "left join  tbtjlxda lx on xsxl.f_lxbm=lx.f_lxbm) xsxl ON da.f_Spbm=xsxl.f_Spbm LEFT JOIN (select "
       "f_csbm,f_csmc,f_spbm from tbgysdz,tbcsda where f_csbm=f_gysbm) csda ON da.f_Spbm=csda.f_Spbm  WHERE "
       "f_Mj=1 AND  xsxl.f_qsrq='20240301' and csda.f_csbm='7' ) " + sale},
      // every substitution, in order, over the whole text
      {" plzj.f_Plfs=1 and plzj.f_Plqsrq>'1' and plzj.f_Pljsrq<'2' ", "00",
       " da.f_Spbm in (SELECT DISTINCT da.f_Spbm FROM tbSpda da LEFT JOIN tbPlzj plzj ON da.f_Spbm=plzj.f_Spbm  "
       "WHERE f_Mj=1 AND  plzj.f_Jgfs=1 and plzj.f_qsrq>'1' and plzj.f_jsrq<'2' ) "},
  };
  for (const Case& c : cases) EXPECT_EQ(ComposeProductCondition(c.cond, c.unit, "200901"), c.want) << c.cond;
}

TEST(ProductQuery, CodeEntryConditionsDoubleQuotes) {
  EXPECT_EQ(CodeEntryCondition(CodeKind::ProductCode, "001"), " da.f_Spbm='001' ");
  EXPECT_EQ(CodeEntryCondition(CodeKind::ArticleNumber, "A1"), " da.f_Sphh='A1' ");
  EXPECT_EQ(CodeEntryCondition(CodeKind::Barcode, "69'1"), " tm.f_Sptm='69''1' ");
  EXPECT_EQ(CodeNotFoundMessage(CodeKind::ArticleNumber, "X9"), "档案中无商品货号为X9的商品或商品不允许销售!");
}

TEST(ProductQuery, ImportListKeepsWholeCodesOnceInFileOrder) {
  ImportCodeList list;
  // Blanks around a code and a carriage return left at a line's end are not part of it.
  for (const char* line : {"1234", "123", "1234", " 5 ", "", "", "O'K", "5\r", "\t77\r"}) list.Add(line);
  EXPECT_EQ(list.Condition(CodeKind::ProductCode), " da.f_Spbm in ('1234','123','5','','O''K','77')");
  EXPECT_EQ(list.Condition(CodeKind::Barcode).substr(0, 15), " tm.f_Sptm in (");
  EXPECT_TRUE(ImportCodeList().Empty());
}

void Fill(MemTable& t, const std::vector<std::vector<const char*>>& rows, std::vector<const char*> fields) {
  for (const char* f : fields) t.AddField(f, FieldType::Text, 20);
  t.CreateDataSet();
  for (const auto& row : rows) {
    t.Append();
    for (size_t i = 0; i < row.size(); ++i)
      if (row[i]) t.Set(fields[i], Variant(row[i]));
    t.Post();
  }
}

TEST(ProductQuery, ImportedCodesThatFoundNoProduct) {
  ImportCodeList list;
  for (const char* line : {"h1", "H2 ", "", "H3", "H4", "h1"}) list.Add(line);
  // Article numbers come back as the server has them: case and trailing blanks aside, equal.
  MemTable rows;
  Fill(rows, {{"001", "H1", "690001"}, {"002", "H2", nullptr}, {"004", "H4 ", "690004"}}, {"f_Spbm", "f_Sphh", "f_Sptm"});
  rows.SetFilter("f_Spbm='001'");  // a filter on the queue hides nothing from the count
  rows.SetFiltered(true);
  EXPECT_EQ(CodesNotReturned(list, CodeKind::ArticleNumber, rows), (std::vector<std::string>{"H3"}));
  EXPECT_EQ(CodesNotReturned(list, CodeKind::ProductCode, rows), (std::vector<std::string>{"h1", "H2", "H3", "H4"}));

  // A barcode counts as found when its product came back under another of its barcodes.
  const std::vector<std::string> barcodes{"690002", "690009", "690'5"};
  EXPECT_EQ(BarcodeOwnersSql(barcodes), "select f_sptm,f_spbm from tbSptm where f_sptm in ('690002','690009','690''5')");
  MemTable owners;
  Fill(owners, {{"690002", "002"}, {"690009", "009"}}, {"f_sptm", "f_spbm"});
  EXPECT_EQ(BarcodesWithoutProduct(barcodes, owners, rows), (std::vector<std::string>{"690009", "690'5"}));
}

TEST(ProductQuery, MissingCodesMessageShowsTheFirstTwentyAndOffersTheList) {
  std::vector<std::string> missing;
  for (int i = 1; i <= 3; ++i) missing.push_back("C" + std::to_string(i));
  EXPECT_EQ(MissingCodesMessage(CodeKind::Barcode, 10, missing),
            "导入的10个商品条码中，有3个没有找到商品：\r\nC1\r\nC2\r\nC3\r\n\r\n是否把这3个商品条码保存到文本文件？");
  for (int i = 4; i <= 25; ++i) missing.push_back("C" + std::to_string(i));
  const std::string text = MissingCodesMessage(CodeKind::ProductCode, 30, missing);
  EXPECT_NE(text.find("\r\nC20\r\n……另有5个\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("C21"), std::string::npos);
}

TEST(ProductQuery, AmountControlledLines) {
  AmountLine line;
  std::string msg;
  ASSERT_EQ(ParseAmountLine("001,可乐, A1 ,690,500ml,一级,北京,瓶,3.50", 1, line, msg), AmountLineStatus::Ok);
  EXPECT_EQ(line.items.size(), 9u);
  EXPECT_EQ(line.items[2], "A1");
  EXPECT_DOUBLE_EQ(line.price, 3.5);
  ASSERT_EQ(ParseAmountLine("1,,,,,,,,2,,,", 1, line, msg), AmountLineStatus::Ok);  // empty items are accepted
  EXPECT_EQ(line.items.size(), 12u);

  EXPECT_EQ(ParseAmountLine("1,2,3,4,5,6,7,8", 4, line, msg), AmountLineStatus::BadFormat);
  EXPECT_EQ(msg, "第4行\"1,2,3,4,5,6,7,8\",\r格式有误,导入失败！");
  EXPECT_EQ(ParseAmountLine("1,2,3,4,5,6,7,8,abc", 3, line, msg), AmountLineStatus::BadPrice);
  EXPECT_EQ(line.items[5], "6");
  EXPECT_EQ(msg, "第3行\"1,2,3,4,5,6,7,8,abc\",\r格式有误,,销售单价\"abc\"不是实数！");
}
