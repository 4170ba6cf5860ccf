// QueryProducts: the rows each mode gives, what a queue row carries, and the histories.
#include "HostFixture.h"

#include <gmock/gmock.h>

#include "hostapp/ProductQuery.h"

namespace pt::hostapp::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class QueryProducts : public HostFixture {};

// 000101 has two barcodes in each of two package units (E1, E2 of 1; E3, E4 of 12).
TEST_P(QueryProducts, ModesMultiplyByBarcodeAndPackageUnit) {
  struct Case {
    int mode;
    std::string condition;
    std::vector<std::string> barcodes;
  } cases[] = {
      {1, " da.f_Spbm='000101' ", {E(1), E(2), E(3), E(4)}},
      {2, " da.f_Spbm='000101' ", {E(1), E(2)}},
      {3, " da.f_Spbm='000101' ", {E(1), E(3)}},
      {4, " da.f_Spbm='000101' ", {E(1)}},
      {7, " da.f_Spbm='000101' ", {E(1)}},
      // A condition on a barcode keeps that barcode's row; mode 7 labels the product instead.
      {1, " tm.f_Sptm='" + E(3) + "' ", {E(3)}},
      {4, " tm.f_Sptm='" + E(4) + "' ", {E(4)}},
      {7, " tm.f_Sptm='" + E(4) + "' ", {E(1)}},
      // A product without barcodes still gives its one row.
      {1, " da.f_Spbm='000201' ", {"<null>"}},
      // Only leaf rows of the product master are products.
      {4, " da.f_Spbm='10' ", {}},
  };
  for (const Case& c : cases) {
    DecodedPacket p = Products(c.mode, c.condition);
    EXPECT_EQ(Column(p, "f_Sptm"), c.barcodes) << "mode " << c.mode << ":" << c.condition;
  }
  EXPECT_EQ(Column(Products(3, " da.f_Spbm='000101' "), "f_dwbl"), (std::vector<std::string>{"1", "12"}));
}

TEST_P(QueryProducts, TheExistsFormOfABarcodeConditionKeepsMatchingBarcodes) {
  std::string c =
      " Exists (SELECT * FROM (SELECT DISTINCT da.f_Spbm,tm.f_Sptm FROM tbSpda da LEFT JOIN tbSptm tm ON da.f_Spbm=tm.f_Spbm  "
      "WHERE f_Mj=1 AND tm.f_Sptm like '6901%') a WHERE a.f_Spbm=da.f_Spbm AND a.f_Sptm=tm.f_Sptm)";
  EXPECT_EQ(Column(Products(1, c), "f_Sptm"), (std::vector<std::string>{E(1), E(2), E(3), E(4)}));
}

TEST_P(QueryProducts, AQueuePacketCarriesExactlyTheQueueRecordFields) {
  const std::vector<std::string> expected = {
      "f_bmbm", "f_bmmc", "f_Spbm", "f_Spmc", "f_Sphh", "f_Spcd", "f_Ggxh", "f_sppp", "f_Jldw", "f_spbz", "f_bzq", "f_Xsdj",
      "f_Yxsdj", "f_hyj", "f_Jdrq", "f_Sptm", "f_dwbl", "f_BqPtQsrq", "f_BqPtJsrq", "f_BqPtXsdj", "f_Bqq7yxsdj", "f_BqHyQsrq",
      "f_BqHyJsrq", "f_BqHyXsdj", "f_XqPtQsrq", "f_XqPtJsrq", "f_XqPtXsdj", "f_Xqq7yxsdj", "f_XqHyQsrq", "f_XqHyJsrq",
      "f_XqHyXsdj", "f_Kc", "f_Pljg", "f_zpl", "f_Plsl", "f_Plfs", "f_Plqsrq", "f_Pljsrq", "xsxl.f_jgfs", "xsxl.f_qsrq",
      "xsxl.f_jsrq", "xsxl.f_qssj", "xsxl.f_jssj", "xsxl.f_xlsl", "xsxl.f_sdxl", "xsxl.f_xdsl", "xsxl.f_xsdj",
      "xsxl.f_q7yxsdj", "xsxl.f_xc", "f_Bqjgfs", "f_Xqjgfs", "f_zDwbl", "f_zjbz", "bqpttj.f_lxbm", "bqpttj.f_lxmc",
      "bqpttj.f_dqbm", "xqpttj.f_lxbm", "xqpttj.f_lxmc", "xqpttj.f_dqbm", "xsxl.f_lxbm", "xsxl.f_lxmc", "xsxl.f_dqbm",
      "f_jyzt", "f_dhfs"};
  DecodedPacket p = Products(4, " da.f_Spbm='000101' ");
  std::vector<std::string> names;
  for (const auto& f : p.fields) names.push_back(f.name);
  EXPECT_EQ(names, expected);
  EXPECT_EQ(p.fields[3].size, 60u);  // f_Spmc: text 60
  EXPECT_EQ(p.fields[10].type, FieldType::Integer);  // f_bzq
  EXPECT_EQ(p.fields[11].type, FieldType::Float);    // f_Xsdj
}

TEST_P(QueryProducts, ARowShowsThePricesInForceOnTheServerDate) {
  DecodedPacket p = Products(4, " da.f_Spbm='000101' ");
  ASSERT_EQ(p.rows.size(), 1u);
  const std::pair<const char*, const char*> expected[] = {
      {"f_bmbm", "<null>"}, {"f_Spmc", "可口可乐"}, {"f_Xsdj", "3"}, {"f_hyj", "2.8"},
      {"f_Yxsdj", "3.2"},  // the latest change up to today; the one of 20 May is still ahead
      // Current ordinary promotion: the one for every department, not 010's own.
      {"f_BqPtQsrq", "20240510"}, {"f_BqPtJsrq", "20240520"}, {"f_BqPtXsdj", "2.5"}, {"f_Bqjgfs", "0"},
      {"bqpttj.f_lxbm", "01"}, {"bqpttj.f_lxmc", "周末特价"}, {"bqpttj.f_dqbm", "DQ202405A"},
      {"f_Bqq7yxsdj", "<null>"},  // no reference prices computed yet
      {"f_BqHyQsrq", "20240512"}, {"f_BqHyXsdj", "2.3"},
      {"f_XqPtQsrq", "20240601"}, {"f_XqPtJsrq", "20240607"}, {"f_XqPtXsdj", "2.6"}, {"xqpttj.f_dqbm", "DQ202406A"},
      {"f_XqHyQsrq", "<null>"},
      {"f_Kc", "95"},  // all departments
      {"f_Pljg", "2.7"}, {"f_zpl", "1"}, {"f_Plsl", "6"}, {"f_Plfs", "0"}, {"f_Plqsrq", "20240515"}, {"f_Pljsrq", "20240531"},
      {"xsxl.f_qsrq", "20240515"}, {"xsxl.f_qssj", "0800"}, {"xsxl.f_jssj", "1000"}, {"xsxl.f_xlsl", "100"},
      {"xsxl.f_sdxl", "20"}, {"xsxl.f_xdsl", "2"}, {"xsxl.f_xsdj", "1.99"}, {"xsxl.f_xc", "0"}, {"xsxl.f_lxmc", "限时抢购"},
      {"f_zDwbl", "6"}, {"f_zjbz", "12"}, {"f_jyzt", "正常"}, {"f_dhfs", "统配"},
  };
  for (const auto& [field, value] : expected) EXPECT_EQ(Cell(p, 0, field), value) << field;
}

TEST_P(QueryProducts, ADepartmentRestrictionGivesRowsOfThatDepartment) {
  DecodedPacket p =
      Products(4, " da.f_Spbm='000101' ", "select f_bmbm,f_bmmc from tbbmda where f_bmbm in ('010','011')");
  ASSERT_EQ(p.rows.size(), 1u);
  EXPECT_EQ(Cell(p, 0, "f_bmbm"), "010");
  EXPECT_EQ(Cell(p, 0, "f_bmmc"), "食品部");
  EXPECT_EQ(Cell(p, 0, "f_BqPtXsdj"), "2.4");  // 010's own promotion wins
  EXPECT_EQ(Cell(p, 0, "f_Kc"), "90");         // 010's stock
  EXPECT_TRUE(Products(4, " da.f_Spbm='000101' ", "select f_bmbm,f_bmmc from tbbmda where f_bmbm='011'").rows.empty());
  // A department listed twice by the SELECT gives its rows once.
  EXPECT_EQ(Products(2, " da.f_Spbm='000101' ",
                     "select f_bmbm,f_bmmc from tbbmda where f_bmbm='010' union all select f_bmbm,f_bmmc from tbbmda where "
                     "f_bmbm='010'")
                .rows.size(),
            2u);
}

TEST_P(QueryProducts, PreviousSalePriceOnlyWhenAskedFor) {
  EXPECT_EQ(Column(Products(4, " da.f_Spbm in ('000102','A0301','000201') "), "f_Yxsdj"),
            (std::vector<std::string>{"4.8", "42", "13.5"}));
  EXPECT_EQ(Column(Products(4, " da.f_Spbm in ('000102','A0301') ", "", "0"), "f_Yxsdj"),
            (std::vector<std::string>{"<null>", "<null>"}));
}

TEST_P(QueryProducts, CodesCompareWithoutCaseAndTrailingBlanks) {
  EXPECT_EQ(Column(Products(4, " da.f_Spbm='a0301' "), "f_Spbm"), (std::vector<std::string>{"A0301"}));
  EXPECT_EQ(Column(Products(4, " da.f_Spbm in ('000101  ') "), "f_Spbm"), (std::vector<std::string>{"000101"}));
}

TEST_P(QueryProducts, HistoriesListAProductsPromotionsNewestFirst) {
  struct Case {
    int mode;
    const char* dept;
    std::vector<std::string> starts;
  } cases[] = {
      {5, "", {"20240601", "20240514", "20240510", "20240301"}},
      {5, "011", {"20240601", "20240510", "20240301"}},  // 010's own promotion left out
      {5, "010", {"20240601", "20240514", "20240510", "20240301"}},
      {6, "", {"20240512"}},
  };
  for (const Case& c : cases) {
    DecodedPacket p = Products(c.mode, "000101", c.dept);
    EXPECT_EQ(Column(p, "f_Qsrq"), c.starts) << c.mode << " " << c.dept;
    ASSERT_EQ(p.fields.size(), 4u);
    EXPECT_EQ(p.fields[1].name, "f_jsrq");
  }
}

TEST_P(QueryProducts, RefusedRequestsReturnFalseWithTheReason) {
  struct Case {
    int mode;
    Variant ref;
    const char* message;
  } cases[] = {
      {4, Condition(" da.f_nosuch=1 ", "1", ""),
       postgres() ? "column da.f_nosuch does not exist" : "no such column: da.f_nosuch"},
      {4, Condition(" da.f_Spbm='1' ", "1", "select f_bmbm from tbNoDepartments"),
       postgres() ? "relation \"tbnodepartments\" does not exist" : "no such table: tbNoDepartments"},
      {4, Condition(" da.f_Spbm='1", "1", ""), "Unclosed quotation mark"},
      {9, Condition("", "1", ""), "不支持的商品查询方式：9"},
      {4, Variant("da.f_Spbm='1'"), "查询条件必须是数据包"},
      {4, Variant::MakePacket("PTPK\x01"), "数据包格式错误"},
  };
  for (Case& c : cases) {
    EXPECT_FALSE(host::QueryProducts(host, c.mode, c.ref)) << c.message;
    EXPECT_THAT(Errors(c.ref).front(), HasSubstr(c.message));
  }
}

PT_INSTANTIATE_BACKENDS(QueryProducts);

}  // namespace
}  // namespace pt::hostapp::testing
