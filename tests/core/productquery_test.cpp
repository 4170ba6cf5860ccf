#include <gtest/gtest.h>

#include "queue/ProductQuery.h"

using namespace pt::queue;

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
  for (const char* line : {"1234", "123", "1234", " 5 ", "", "", "O'K"}) list.Add(line);
  EXPECT_EQ(list.Condition(CodeKind::ProductCode), " da.f_Spbm in ('1234','123',' 5 ','','O''K')");
  EXPECT_EQ(list.Condition(CodeKind::Barcode).substr(0, 15), " tm.f_Sptm in (");
  EXPECT_TRUE(ImportCodeList().Empty());
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
