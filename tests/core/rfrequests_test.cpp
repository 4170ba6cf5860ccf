#include <gtest/gtest.h>

#include <set>

#include "queue/RFRequests.h"

using namespace pt;
using namespace pt::queue;

namespace {

const std::string kExclusion =
    "And RF.f_Spbm not in (Select f_Spbm from tbSptj Where f_Jsrq>='20241210') "
    "And RF.f_Spbm not in (Select f_Spbm from tbxsxl Where f_Jsrq>='20241210' and abs(f_xsdj)>0.005 ) "
    "And RF.f_Spbm not in (Select f_Spbm from tbPlzj) ";

std::string List(const std::string& clause) {
  return "Select RF.f_Zybm f_Zybm,Zyda.f_Zymc f_Zymc,RF.f_Sj f_Sj,Count(*) f_Count from tbRFBjq RF,tbZyda Zyda Where "
         "RF.f_Zybm=Zyda.f_Zybm " + clause + "Group by RF.f_Zybm,Zyda.f_Zymc,RF.f_Sj ";
}

}  // namespace

TEST(RfRequests, BatchListStatements) {
  EXPECT_EQ(RfExclusionClause("20241210"), kExclusion);
  struct Case { RfList list; std::string sql; };
  const Case cases[] = {
      {RfList::Normal, List(kExclusion)},
      {RfList::Special, List("And RF.f_Spbm in (Select f_Spbm from tbSptj Where f_Jsrq>='20241210') ")},
      {RfList::TimedSale,
       "Select RF.f_Zybm f_Zybm,Zyda.f_Zymc f_Zymc,RF.f_Sj f_Sj,count(distinct x.f_spbm) f_Count,x.f_xc from tbRFBjq "
       "RF,tbZyda Zyda,tbxsxl x Where RF.f_Zybm=Zyda.f_Zybm and rf.f_spbm=x.f_spbm and f_Jsrq>='20241210' and "
       "abs(f_xsdj)>0.005 and f_xc in (0,1) Group by RF.f_Zybm,Zyda.f_Zymc,RF.f_Sj,x.f_xc "},
      {RfList::Quantity, List("And RF.f_Spbm in (Select f_Spbm from tbPlzj) ")},
  };
  for (const Case& c : cases) EXPECT_EQ(RfBatchListSql(c.list, "20241210"), c.sql) << static_cast<int>(c.list);
  // A date is placed between quotes like any other value.
  EXPECT_NE(RfBatchListSql(RfList::Special, "2024'12").find("f_Jsrq>='2024''12')"), std::string::npos);
}

TEST(RfRequests, LabelsAndTheTransferFiltersTheySelect) {
  struct Case { RfList list; const char* kind; const char* label; std::optional<std::string> clause; };
  const Case cases[] = {
      {RfList::Normal, "", "普通价",
       "And f_Spbm not in (Select f_Spbm from tbSptj Where f_Jsrq>='20241210') "
       "And f_Spbm not in (Select f_Spbm from tbxsxl Where f_Jsrq>='20241210' and abs(f_xsdj)>0.005 ) "
       "And f_Spbm not in (Select f_Spbm from tbPlzj) "},
      {RfList::Special, "", "特价", "And f_Spbm in (Select f_Spbm from tbSptj Where f_Jsrq>='20241210') "},
      {RfList::TimedSale, "0", "惊爆价",
       "And f_Spbm in (Select f_Spbm from tbxsxl Where f_Jsrq>='20241210' and abs(f_xsdj)>0.005 and f_xc=0 ) "},
      {RfList::TimedSale, "1", "会员价",
       "And f_Spbm in (Select f_Spbm from tbxsxl Where f_Jsrq>='20241210' and abs(f_xsdj)>0.005 and f_xc=1 ) "},
      {RfList::Quantity, "", "批量价", "And f_Spbm in (Select f_Spbm from tbPlzj) "},
      // a sale kind of its own is shown as it reads and never transferred
      {RfList::TimedSale, "2", "2", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RfRowLabel(c.list, c.kind), c.label);
    EXPECT_EQ(RfTransferClause(c.label, "20241210"), c.clause) << c.label;
  }
  EXPECT_EQ(RfTransferClause("", "20241210"), std::nullopt);
}

TEST(RfRequests, BatchSelectAndDeleteDoubleQuotesOfTheKeys) {
  const std::string clause = "And f_Spbm in (Select f_Spbm from tbPlzj) ";
  EXPECT_EQ(RfBatchSelectSql("0004", "20241210091500", clause),
            "SELECT f_Spbm FROM tbRFBjq WHERE f_Zybm='0004' and f_Sj='20241210091500' " + clause);
  EXPECT_EQ(RfBatchDeleteSql("0004", "20241210091500", clause),
            "Delete from tbRFbjq WHERE f_Zybm='0004' and f_Sj='20241210091500' " + clause);
  EXPECT_EQ(RfBatchSelectSql("O'k", "x' or '1'='1", clause),
            "SELECT f_Spbm FROM tbRFBjq WHERE f_Zybm='O''k' and f_Sj='x'' or ''1''=''1' " + clause);
  // Codes whose feed failed silently stay in the table.
  EXPECT_EQ(RfBatchDeleteSql("0004", "1", clause, {"A1", "B'2"}),
            "Delete from tbRFbjq WHERE f_Zybm='0004' and f_Sj='1' " + clause + "And f_Spbm not in ('A1','B''2') ");
}

// A transfer claims a row's requests under a tag no employee code can be, reads and deletes them
// by it, and gives back what is left.
TEST(RfRequests, ClaimTagsAreFreshAndNoEmployeeCode) {
  const std::string clause = "And f_Spbm in (Select f_Spbm from tbPlzj) ";
  std::set<std::string> tags;
  for (int i = 0; i < 200; ++i) {
    std::string tag = RfNewClaimTag();
    ASSERT_EQ(tag.size(), 8u);  // the width of f_Zybm
    ASSERT_EQ(tag[0], '#');
    tags.insert(tag);
  }
  EXPECT_EQ(tags.size(), 200u);
  EXPECT_EQ(RfClaimSql("0004", "20241210091500", clause, "#ABC1234"),
            "Update tbRFbjq set f_Zybm='#ABC1234' WHERE f_Zybm='0004' and f_Sj='20241210091500' " + clause);
  EXPECT_EQ(RfReleaseSql("0004", "20241210091500", "#ABC1234"),
            "Update tbRFbjq set f_Zybm='0004' WHERE f_Zybm='#ABC1234' and f_Sj='20241210091500' ");
}

TEST(RfRequests, BatchTimeText) {
  struct Case { const char* stored; const char* shown; };
  for (const Case& c : {Case{"20241210091500", "2024.12.10 09:15:00"},
                        {"202412100915", "2024.12.10 09:15:"},
                        {"2024121009150099", "2024.12.10 09:15:00"},
                        {"", ".. ::"},
                        // a double-byte character goes where its first byte lies, never split
                        {"202年1210091500", "202年.1.21 00:91:50"},
                        {"2024年210091500", "2024.年.21 00:91:50"}})
    EXPECT_EQ(RfBatchTimeText(c.stored), c.shown) << c.stored;
}

TEST(RfRequests, ChooserRowFromAListRecord) {
  MemTable t;
  t.AddField("f_Zybm", FieldType::Text, 8);
  t.AddField("f_Zymc", FieldType::Text, 8);
  t.AddField("f_Sj", FieldType::Text, 14);
  t.AddField("f_Count", FieldType::Float);
  t.AddField("f_xc", FieldType::Integer);
  t.CreateDataSet();
  t.Append();
  t.Set("f_Zybm", "0004");
  t.Set("f_Zymc", "刘洋");
  t.Set("f_Sj", "20241210143000");
  t.Set("f_Count", 3.0);
  t.Set("f_xc", 1);
  t.Post();
  RfChooserRow row = RfRowFromRecord(t, RfList::TimedSale);
  EXPECT_EQ(row.employee, "0004");
  EXPECT_EQ(row.name, "刘洋");
  EXPECT_EQ(row.batchTime, "20241210143000");
  EXPECT_EQ(row.shownTime, "2024.12.10 14:30:00");
  EXPECT_EQ(row.label, "会员价");
  EXPECT_EQ(row.count, "3");
  EXPECT_EQ(RfRowFromRecord(t, RfList::Quantity).label, "批量价");

  MemTable noCount;
  noCount.AddField("f_Zybm", FieldType::Text, 8);
  noCount.AddField("f_Zymc", FieldType::Text, 8);
  noCount.AddField("f_Sj", FieldType::Text, 14);
  noCount.CreateDataSet();
  noCount.Append();
  noCount.Post();
  EXPECT_THROW(RfRowFromRecord(noCount, RfList::Normal), ModuleError);
}

TEST(RfRequests, BatchKeysTakeTheirSizes) {
  MemTable keys("cdsRF_All");
  PrepareRfBatchKeys(keys);
  PrepareRfBatchKeys(keys);  // a second run keeps the structure
  ASSERT_EQ(keys.FieldCount(), 3);
  EXPECT_TRUE(keys.Active());
  keys.Append();
  keys.Set("f_Zymc", "欧阳明月清风");
  keys.Set("f_Sj", "20241210091500");
  keys.Post();
  EXPECT_EQ(keys.GetText("f_Zymc"), "欧阳明月");  // 8 GBK bytes
  EXPECT_EQ(keys.GetText("f_Sj"), "20241210091500");
}
