#include <gtest/gtest.h>

#include "common/MemTable.h"
#include "queue/ProductSources.h"
#include "queue/QueueRecord.h"

using namespace pt;
using namespace pt::queue;

TEST(ProductSources, Dates) {
  struct Case { const char* date; const char* before; const char* shown; };
  const Case cases[] = {
      {"20240301", "20240229", "2024-03-01"},  // leap year
      {"20230301", "20230228", "2023-03-01"},
      {"20240101", "20231231", "2024-01-01"},
      {"20241210", "20241209", "2024-12-10"},
      {"20240230", "", ""},  // no such day
      {"2024031", "", ""},
      {"2024-03-01", "", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DayBefore(c.date), c.before) << c.date;
    EXPECT_EQ(ToShortDate(c.date), c.shown) << c.date;
  }
}

TEST(ProductSources, ShortDatesAsAClerkTypesThem) {
  struct Case { const char* text; const char* date; };
  const Case cases[] = {
      {"2024-03-01", "20240301"}, {"2024-3-1", "20240301"}, {" 2024-12-31 ", "20241231"},
      {"2024-02-29", "20240229"}, {"2023-02-29", nullptr},  {"2024-13-01", nullptr},
      {"2024-00-10", nullptr},    {"24-03-01", nullptr},    {"2024/03/01", nullptr},
      {"20240301", nullptr},      {"2024-03-01-", nullptr}, {"2024-03-1x", nullptr},
      {"abc", nullptr},           {"", nullptr},            {"2024--01", nullptr},
  };
  for (const Case& c : cases) {
    std::string got = "unchanged";
    EXPECT_EQ(ParseShortDate(c.text, got), c.date != nullptr) << c.text;
    if (c.date) {
      EXPECT_EQ(got, c.date) << c.text;
    }
  }
}

TEST(ProductSources, NewProductsSinceADate) {
  EXPECT_EQ(NewProductsCondition("20240301"), " Da.f_Jdrq>='20240301' ");
  EXPECT_EQ(NewProductsEmptyMessage("20240301"), "2024-03-01以后无新品！");
}

TEST(ProductSources, WhichPriceChangeVariant) {
  struct Case { bool dchy; const char* dybm; const char* unit; bool log; };
  const Case cases[] = {
      {false, "010", "01", true},  {false, "010", "02", true}, {true, "010", "01", false},
      {false, "9001", "01", false}, {false, "010", "00", false},
  };
  for (const Case& c : cases) EXPECT_EQ(UsePriceChangeLog(c.dchy, c.dybm, c.unit), c.log) << c.dchy << c.dybm << c.unit;
}

TEST(ProductSources, PriceChangeLogCondition) {
  const std::string head =
      "da.f_Spbm in (SELECT DISTINCT da.f_Spbm FROM tbSpda da ,tb202403_tjrz tjrz where tjrz.f_Spbm=da.f_Spbm and "
      "f_Mj=1 AND tjrz.f_Tjrq='20240301' ";
  const std::string bill = "and tjrz.f_spbm in (select f_spbm from  tb202403_sptj where f_djh='TJ001' ";
  struct Case { const char* what; std::string bill; bool skipZero; std::string want; };
  const Case cases[] = {
      {"no bill", "", true, head + ")"},
      {"all bills", "全部", true, head + ")"},
      {"blank bill text", "   ", true, head + ")"},
      {"a bill, zero quantities skipped", "TJ001", true, head + bill + "and abs(f_tjsl)>0.005)" + ")"},
      // the bill clause ends right after the quoted bill number
      {"a bill, zero quantities kept", "TJ001", false, head + bill + ")" + ")"},
      {"a typed bill with blanks", " TJ001 ", false, head + bill + ")" + ")"},
      {"a quote in a typed bill", "TJ'1", false,
       head + "and tjrz.f_spbm in (select f_spbm from  tb202403_sptj where f_djh='TJ''1' )" + ")"},
  };
  for (const Case& c : cases) EXPECT_EQ(PriceChangeLogCondition("20240301", c.bill, c.skipZero), c.want) << c.what;
  EXPECT_EQ(PriceChangeBillListSql("20241210"),
            "select distinct f_djh from tb202412_sptj where f_Rzrq='20241210' order by f_djh desc");
}

TEST(ProductSources, PricingBillConditionUsesTheUnitCodeTwice) {
  EXPECT_EQ(PricingBillCondition("20240301", "010"),
            "da.f_Spbm in (select distinct lsdjg.f_spbm from tb202403_spdj_zb zb,tb202403_spdj_lsdjg lsdjg where "
            "zb.f_djh=lsdjg.f_djh and zb.f_djlx=0 and zb.f_zxbz=1 and zb.f_zxrq='20240301' and "
            "abs(lsdjg.f_yxsdj-lsdjg.f_xsdj)>0.005 and ((lsdjg.f_bmlx=1 and lsdjg.f_bmbm='010') or (lsdjg.f_bmlx=0 and "
            "lsdjg.f_bmbm in (select f_bmflbm from tbdjbmfldz where f_dzbm='010'))))");
}

TEST(ProductSources, WhatStartsToday) {
  EXPECT_EQ(TimedSaleCondition("20241210"), " xsxl.f_qsrq='20241210' and xsxl.f_xsdj>0 ");
  EXPECT_EQ(QuantityPricingCondition("20241210"), " plzj.f_qsrq='20241210' and plzj.f_xsdj>0 ");
}

TEST(ProductSources, ChangeListDateAndStartMonth) {
  EXPECT_EQ(ChangeListPreset("20240301"), "2024-02-29");
  EXPECT_EQ(ChangeListPreset("bad"), "");
  struct Case { const char* answer; ChangeListDate want; const char* date; };
  const Case cases[] = {
      {"2022-01-01", ChangeListDate::Ok, "20220101"},  // the start month itself
      {"2022-01-31", ChangeListDate::Ok, "20220131"},
      {"2021-12-31", ChangeListDate::BeforeSystemStart, nullptr},
      {"2024-12-09", ChangeListDate::Ok, "20241209"},
      {"2024-02-30", ChangeListDate::NotADate, nullptr},
      {"yesterday", ChangeListDate::NotADate, nullptr},
  };
  for (const Case& c : cases) {
    std::string date;
    EXPECT_EQ(ReadChangeListDate(c.answer, "202201", date), c.want) << c.answer;
    if (c.date) {
      EXPECT_EQ(date, c.date) << c.answer;
    }
  }
  EXPECT_EQ(ChangeListCondition("20241209"),
            " da.f_spbm in (select f_spbm from tb202412_spyd where F_Ydrq='20241209') ");
}

TEST(ProductSources, PricingBillListAndTheBillsDepartments) {
  EXPECT_EQ(PricingBillListSql("202412"),
            "select f_djlx,f_djh,f_zdrq,f_zdrbm,f_zdrmc from tb202412_spdj_zb where f_djlx in (0,1,3,4) and f_zxbz=1  "
            "order by f_djh desc");
  struct Case { long long type; const char* table; const char* name; };
  const Case cases[] = {{-1, "", "商品基本信息单"}, {0, "lsdjg", "普通定价单"}, {1, "sptj", "特价定价单"},
                        {2, "", "控制信息定价单"},  {3, "xsxl", "限时限量定价单"}, {4, "plzj", "批量作价定价单"},
                        {5, "", "客户价格定价单"},  {6, "", "配送定价单"},       {7, "", "客户账期定价单"},
                        {8, "", "门店自定价单"},    {9, "", ""},               {-2, "", ""}};
  for (const Case& c : cases) {
    EXPECT_EQ(BillLineTable(c.type), c.table) << c.type;
    EXPECT_STREQ(BillTypeName(c.type), c.name) << c.type;
  }
  EXPECT_EQ(BillDepartmentSql("202412", "sptj", "DJ202412002"),
            "select f_dzbm f_bmbm,b.f_bmmc,dj.f_spbm from tbdjbmfldz z,tbbmda b,tb202412_spdj_sptj dj where "
            "z.f_dzbm=b.f_bmbm and dj.f_djh='DJ202412002' and ((dj.f_bmlx=1 and b.f_bmbm=dj.f_bmbm) or (dj.f_bmlx=0 "
            "and z.f_bmflbm=dj.f_bmbm)) ");
}

TEST(ProductSources, ProductInfoDefaultsFillOnlyWhatIsEmpty) {
  MemTable q;
  DefineQueueFields(q);
  q.CreateDataSet();
  q.Append();
  q.Set("f_spmc", "");          // empty text: filled
  q.Set("f_sphh", "H1");        // kept
  q.Set("f_xsdj", 0.0);         // zero: filled
  q.Set("f_BqPtXsdj", 3.5);     // kept
  q.Post();
  ProductInfoDefaults d;
  d.spmc = "可乐";
  d.sphh = "H9";
  d.spcd = "";                   // an empty default leaves the missing value missing
  d.jldw = "瓶";
  d.xsdj = 2.5;
  d.BqPtxsdj = 1.0;
  d.BqPtqsrq = "20241201";
  q.Edit();
  ApplyProductInfoDefaults(q, d);
  EXPECT_EQ(q.GetText("f_spmc"), "可乐");
  EXPECT_EQ(q.GetText("f_sphh"), "H1");
  EXPECT_TRUE(q.IsNull("f_spcd"));
  EXPECT_EQ(q.GetText("f_jldw"), "瓶");
  EXPECT_EQ(q.GetFloat("f_xsdj"), 2.5);
  EXPECT_EQ(q.GetFloat("f_BqPtXsdj"), 3.5);
  EXPECT_EQ(q.GetText("f_BqPtQsrq"), "20241201");
  EXPECT_TRUE(q.IsNull("f_BqPtJsrq"));
  q.Post();
  ProductInfoDefaults c = CaptureProductInfo(q);
  EXPECT_EQ(c.spmc, "可乐");
  EXPECT_EQ(c.sphh, "H1");
  EXPECT_EQ(c.spcd, "");
  EXPECT_EQ(c.xsdj, 2.5);
  EXPECT_EQ(c.BqPtxsdj, 3.5);
  EXPECT_EQ(c.BqPtqsrq, "20241201");
}
