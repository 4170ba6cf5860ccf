#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/IniFile.h"
#include "printing/PrintRecord.h"
#include "queue/QueueRecord.h"

using namespace pt;
using namespace pt::printing;

namespace {

struct Tables {
  MemTable queue{"cdsSpda"};
  MemTable print{"cdsPrint"};
  Tables() {
    queue::DefineQueueFields(queue);
    queue.CreateDataSet();
    DefinePrintFields(print);
    print.CreateDataSet();
  }
  void Row(const std::vector<std::pair<const char*, Variant>>& values) {
    queue.Append();
    for (const auto& [k, v] : values) queue.Set(k, v);
    queue.Post();
  }
};

}  // namespace

TEST(PrintRecord, SevenDayRuleKeepsOnlyAPriceEqualToTheSalePrice) {
  struct Case { Variant lowest; double sale; double want; };
  for (const Case& c : {Case{Variant(12.50), 12.504, 12.50}, {Variant(12.50), 12.51, 0}, {Variant(), 12.5, 0},
                        {Variant(12.50), 12.496, 12.50}, {Variant(0.0), 0.0, 0.0}}) {
    Variant got = SevenDayPrice(c.lowest, Variant(c.sale));
    ASSERT_FALSE(got.IsNull());
    EXPECT_DOUBLE_EQ(got.AsFloat(), c.want) << c.sale;
  }
}

TEST(PrintRecord, OneRecordPerRowInOrderWithTheCurrentPeriod) {
  Tables t;
  t.Row({{"f_Spbm", "001"}, {"f_Spmc", "可乐"}, {"f_Xsdj", 12.504}, {"f_Bqq7yxsdj", 12.50},
         {"xsxl.f_q7yxsdj", 12.51}, {"f_BqPtQsrq", "20240301"}, {"f_BqPtXsdj", 9.9}, {"f_Bqjgfs", "0"},
         {"f_XqPtQsrq", "20240401"}, {"f_sppp", "牌"}, {"f_jyzt", "正常"}});
  t.Row({{"f_Spbm", "002"}, {"f_Xsdj", 5.0}});
  t.Row({{"f_Spbm", "003"}, {"f_Xsdj", 5.0}, {"xsxl.f_q7yxsdj", 5.004}});
  t.queue.SetRecNo(2);
  bool detail = true;
  std::string failure;
  ASSERT_TRUE(FillPrintRecords(t.queue, t.print, "0", detail, failure));
  EXPECT_TRUE(detail);
  EXPECT_EQ(t.queue.RecNo(), 2);
  ASSERT_EQ(t.print.RecordCount(), 3);
  t.print.First();
  EXPECT_EQ(t.print.GetText("f_spbm"), "001");
  EXPECT_DOUBLE_EQ(t.print.GetFloat("f_q7yxsdj"), 12.50);
  EXPECT_EQ(t.print.DisplayText(t.print.FieldIndex("f_q7yxsdj")), "12.50");
  EXPECT_DOUBLE_EQ(t.print.GetFloat("xsxl.f_q7yxsdj"), 0.0);
  EXPECT_EQ(t.print.GetText("f_Qsrq"), "20240301");
  EXPECT_DOUBLE_EQ(t.print.GetFloat("f_Tjjg"), 9.9);
  EXPECT_EQ(t.print.GetText("f_jgfs"), "0");
  EXPECT_EQ(t.print.GetText("f_Sppp"), "牌");
  EXPECT_EQ(t.print.GetText("f_jyzt"), "正常");
  EXPECT_TRUE(t.print.IsNull("f_hyj"));  // missing stays missing
  t.print.Next();
  EXPECT_EQ(t.print.GetText("f_spbm"), "002");
  EXPECT_FALSE(t.print.IsNull("f_q7yxsdj"));
  EXPECT_DOUBLE_EQ(t.print.GetFloat("xsxl.f_q7yxsdj"), 0.0);
  t.print.Next();
  EXPECT_DOUBLE_EQ(t.print.GetFloat("xsxl.f_q7yxsdj"), 5.004);
}

TEST(PrintRecord, NextPeriodTakesEveryPromotionFieldFromTheNextColumns) {
  Tables t;
  t.Row({{"f_Spbm", "001"}, {"f_Xsdj", 8.0}, {"f_BqPtQsrq", "20240301"}, {"f_BqPtXsdj", 7.0},
         {"f_BqHyXsdj", 6.0}, {"f_Bqjgfs", "1"}, {"f_Bqq7yxsdj", 8.0}});
  bool detail = true;
  std::string failure;
  ASSERT_TRUE(FillPrintRecords(t.queue, t.print, "1", detail, failure));
  t.print.First();
  EXPECT_EQ(t.print.Get("f_jgfs"), Variant(""));
  EXPECT_TRUE(t.print.IsNull("f_Qsrq"));
  EXPECT_TRUE(t.print.IsNull("f_Tjjg"));
  EXPECT_TRUE(t.print.IsNull("f_HyTjjg"));
  EXPECT_DOUBLE_EQ(t.print.GetFloat("f_q7yxsdj"), 0.0);
  EXPECT_FALSE(t.print.IsNull("f_q7yxsdj"));
}

TEST(PrintRecord, SettingsComeFromTheFileWithDefaults) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / "pt_printsettings";
  fs::create_directories(dir);
  fs::remove(dir / kSettingsFile);
  SetHostExecutableDirForTesting(dir.string());
  PrintSettings s = LoadPrintSettings(kSettingsFile, kSettingsSection, "");
  EXPECT_EQ(s.labelGrade, "合格");
  EXPECT_EQ(s.reductionReason, "酬宾");
  EXPECT_EQ(s.periodChoice, "0");
  WriteIniValue(kSettingsFile, kSettingsSection, "Spdj", "", "");
  WriteIniValue(kSettingsFile, kSettingsSection, "Dytj", "1", "");
  s = LoadPrintSettings(kSettingsFile, kSettingsSection, "");
  EXPECT_EQ(s.labelGrade, "");  // an empty value is a value: the default is only for a missing key
  EXPECT_EQ(s.periodChoice, "1");
  SetHostExecutableDirForTesting("");
  fs::remove_all(dir);
}
