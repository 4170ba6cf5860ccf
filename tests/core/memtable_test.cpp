#include <gtest/gtest.h>

#include "common/DataPacket.h"
#include "common/MemTable.h"

using namespace pt;

namespace {

// code, name, price
void MakeProducts(MemTable& t) {
  t.AddField("f_Spbm", FieldType::Text, 15, "商品编码");
  t.AddField("f_Spmc", FieldType::Text, 10, "商品名称");
  t.AddField("f_Xsdj", FieldType::Float);
  t.AddField("f_bzq", FieldType::Integer);
  t.CreateDataSet();
}

void Add(MemTable& t, const char* code, const char* name, double price) {
  t.Append();
  t.Set("f_spbm", code);
  t.Set("F_SPMC", name);
  t.Set("f_Xsdj", price);
  t.Post();
}

std::vector<std::string> Codes(MemTable& t) {
  std::vector<std::string> out;
  for (int i = 0; i < t.RecordCount(); ++i) out.push_back(t.CellAt(i, 0).ToText());
  return out;
}

}  // namespace

TEST(MemTable, FieldsAreFoundWithoutRegardToCaseAndNullDiffersFromEmpty) {
  MemTable t("q");
  MakeProducts(t);
  EXPECT_EQ(t.FieldIndex("F_spBM"), 0);
  EXPECT_EQ(t.FieldIndex("nope"), -1);
  EXPECT_THROW(t.FieldIndexOrThrow("nope"), ModuleError);
  t.Append();
  t.Set("f_Spbm", "");
  t.Post();
  EXPECT_FALSE(t.IsNull("f_spbm"));
  EXPECT_EQ(t.GetText("f_spbm"), "");
  EXPECT_TRUE(t.IsNull("f_spmc"));
  EXPECT_TRUE(t.IsNull("f_xsdj"));
  EXPECT_EQ(t.GetFloat("f_xsdj"), 0.0);
}

TEST(MemTable, TextIsCutToItsGbkSizeAtACharacterBoundary) {
  MemTable t;
  MakeProducts(t);  // f_Spmc holds 10 GBK bytes
  t.Append();
  t.Set("f_spmc", "可口可乐饮料abc");  // 12 GBK bytes of Chinese first
  EXPECT_EQ(t.GetText("f_spmc"), "可口可乐饮");
  t.Set("f_spmc", "ab可口可乐饮料");  // 2 + 12: the fifth character would straddle byte 10
  EXPECT_EQ(t.GetText("f_spmc"), "ab可口可乐");
  t.Cancel();
  EXPECT_EQ(t.RecordCount(), 0);
}

TEST(MemTable, ConversionsIntoTypedFields) {
  MemTable t;
  MakeProducts(t);
  t.Append();
  t.Set("f_xsdj", "3.50");
  t.Set("f_bzq", "12");
  EXPECT_DOUBLE_EQ(t.GetFloat("f_xsdj"), 3.5);
  EXPECT_EQ(t.GetInt("f_bzq"), 12);
  t.Set("f_xsdj", "");  // empty text into a number is null
  EXPECT_TRUE(t.IsNull("f_xsdj"));
  EXPECT_THROW(t.Set("f_bzq", "abc"), ModuleError);
  EXPECT_THROW(MemTable().Append(), ModuleError);
}

TEST(MemTable, EditPostCancelDeleteAndRecordNumbers) {
  MemTable t;
  MakeProducts(t);
  Add(t, "001", "甲", 1);
  Add(t, "002", "乙", 2);
  Add(t, "003", "丙", 3);
  EXPECT_EQ(t.RecNo(), 3);
  t.SetRecNo(2);
  t.Edit();
  t.Set("f_spmc", "改");
  EXPECT_EQ(t.GetText("f_spmc"), "改");
  t.Cancel();
  EXPECT_EQ(t.GetText("f_spmc"), "乙");
  t.Edit();
  t.Set("f_spmc", "改");
  t.Post();
  EXPECT_EQ(t.GetText("f_spmc"), "改");
  EXPECT_EQ(Codes(t), (std::vector<std::string>{"001", "002", "003"})) << "an edited row keeps its place";
  EXPECT_EQ(t.RecNo(), 2);
  t.Delete();
  EXPECT_EQ(Codes(t), (std::vector<std::string>{"001", "003"}));
  EXPECT_EQ(t.RecNo(), 2);  // the row after the deleted one
  t.Delete();
  EXPECT_EQ(t.RecNo(), 1);
  t.Delete();
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_EQ(t.RecNo(), 0);
  EXPECT_THROW(t.Delete(), ModuleError);
}

TEST(MemTable, NavigationSetsBofAndEof) {
  MemTable t;
  MakeProducts(t);
  Add(t, "1", "a", 1);
  Add(t, "2", "b", 2);
  t.First();
  EXPECT_TRUE(t.Bof());
  std::vector<std::string> seen;
  while (!t.Eof()) {
    seen.push_back(t.GetText("f_spbm"));
    t.Next();
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(t.RecNo(), 2);
}

TEST(MemTable, IndexOrdersRowsWithDescendingFieldsAndKeepsNewRowsInPlace) {
  MemTable t;
  MakeProducts(t);
  Add(t, "b", "x", 1);
  Add(t, "a", "y", 1);
  Add(t, "A", "z", 2);
  Add(t, "c", "w", 2);
  t.AddIndex("customindex", "f_Xsdj;f_Spbm", "f_Spbm", true);
  t.SetIndexName("customindex");
  EXPECT_EQ(Codes(t), (std::vector<std::string>{"b", "a", "c", "A"}));
  Add(t, "d", "v", 1);
  EXPECT_EQ(Codes(t), (std::vector<std::string>{"d", "b", "a", "c", "A"}));
  EXPECT_EQ(t.GetText("f_spbm"), "d");  // the posted row stays current
  t.SetIndexName("");
  EXPECT_EQ(Codes(t), (std::vector<std::string>{"b", "a", "A", "c", "d"}));
  EXPECT_THROW(t.SetIndexName("missing"), ModuleError);
}

TEST(MemTable, ChineseTextsSortInPinyinOrder) {
  MemTable t;
  MakeProducts(t);
  Add(t, "1", "香蕉", 1);  // xiang
  Add(t, "2", "苹果", 1);  // ping
  Add(t, "3", "阿胶", 1);  // a
  t.SetIndexFieldNames("f_Spmc");
  EXPECT_EQ(Codes(t), (std::vector<std::string>{"3", "2", "1"}));
}

TEST(MemTable, FilterOnAndOffAndPostedRowsFollowIt) {
  MemTable t;
  MakeProducts(t);
  Add(t, "001", "甲", 1);
  Add(t, "002", "乙", 5);
  Add(t, "003", "丙", 9);
  t.SetFilter("f_Xsdj > 2");
  EXPECT_EQ(t.RecordCount(), 3);  // not yet switched on
  t.SetFiltered(true);
  EXPECT_EQ(Codes(t), (std::vector<std::string>{"002", "003"}));
  EXPECT_EQ(t.TotalRecordCount(), 3);
  Add(t, "004", "丁", 0.5);  // hidden by the filter
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_THROW(t.SetFilter("f_Xsdj >"), FilterError);
  EXPECT_EQ(t.Filter(), "f_Xsdj > 2");  // a bad filter changes nothing
  EXPECT_EQ(t.RecordCount(), 2);
  t.SetFiltered(false);
  EXPECT_EQ(t.RecordCount(), 4);
}

TEST(MemTable, PacketsRoundTripAndMapFieldsByName) {
  MemTable src;
  MakeProducts(src);
  Add(src, "001", "可乐", 3.5);
  src.Append();
  src.Set("f_spbm", "002");
  src.Post();
  std::string bytes = src.ToPacket();

  MemTable adopt;  // no fields: takes the packet's
  adopt.LoadPacket(bytes);
  EXPECT_EQ(adopt.FieldCount(), 4);
  EXPECT_EQ(adopt.RecordCount(), 2);
  EXPECT_EQ(adopt.RecNo(), 1);
  EXPECT_EQ(adopt.GetText("f_spmc"), "可乐");
  adopt.Next();
  EXPECT_TRUE(adopt.IsNull("f_xsdj"));

  MemTable queue;  // own order and an extra table-only field
  queue.AddField("F_XSDJ", FieldType::Float);
  queue.AddField("f_spbm", FieldType::Text, 15);
  FieldDef jekz;
  jekz.name = "f_jekz";
  jekz.size = 1;
  jekz.inPacket = false;
  queue.AddField(jekz);
  queue.CreateDataSet();
  queue.LoadPacket(bytes);
  EXPECT_DOUBLE_EQ(queue.GetFloat("f_xsdj"), 3.5);
  EXPECT_TRUE(queue.IsNull("f_jekz"));
  EXPECT_EQ(DecodePacket(queue.ToPacket()).fields.size(), 2u);

  MemTable strict;
  strict.AddField("f_missing", FieldType::Text);
  strict.CreateDataSet();
  EXPECT_THROW(strict.LoadPacket(bytes), ModuleError);
}

TEST(MemTable, DamagedPacketsAreErrorsAndChangeNothing) {
  MemTable src;
  MakeProducts(src);
  Add(src, "001", "可乐", 3.5);
  std::string good = src.ToPacket();
  MemTable t;
  MakeProducts(t);
  Add(t, "keep", "x", 1);
  std::vector<std::string> bad = {
      "", "PTPK", good.substr(0, good.size() - 3), good + "x", "XXXX" + good.substr(4),
  };
  std::string badType = good;
  badType[4 + 2 + 2 + 4 + 4 + 2 + 6] = 9;  // first field's type byte
  bad.push_back(badType);
  std::string hugeRows = good;
  hugeRows[12] = '\xff';
  hugeRows[13] = '\xff';
  hugeRows[14] = '\xff';
  bad.push_back(hugeRows);
  for (const auto& b : bad) {
    EXPECT_THROW(t.LoadPacket(b), PacketError) << b.size();
    EXPECT_EQ(t.RecordCount(), 1);
  }
}

TEST(MemTable, ControlNotificationsWaitWhileDisabledButScrollEventsDoNot) {
  struct Counter : MemTableListener {
    int data = 0;
    void OnDataChanged(MemTable&) override { ++data; }
  } counter;
  MemTable t;
  MakeProducts(t);
  t.AddListener(&counter);
  int scrolls = 0;
  t.afterScroll = [&](MemTable&) { ++scrolls; };
  {
    ControlsDisabledScope off(t);
    Add(t, "1", "a", 1);
    Add(t, "2", "b", 1);
    t.First();
    t.Next();
  }
  EXPECT_EQ(counter.data, 1);  // one notice when controls come back
  EXPECT_EQ(scrolls, 4);       // two appends, First, Next
  t.RemoveListener(&counter);
}

TEST(MemTable, LocateFindsVisibleRows) {
  MemTable t;
  MakeProducts(t);
  Add(t, "001", "甲", 1);
  Add(t, "ABC", "乙", 2);
  EXPECT_TRUE(t.Locate("f_spbm", "abc", true));
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_FALSE(t.Locate("f_spbm", "abc"));
  EXPECT_TRUE(t.Locate("f_xsdj", 1.0));
  EXPECT_EQ(t.RecNo(), 1);
}

TEST(FormatFloat, SuiteFormats) {
  struct Case { const char* fmt; double v; const char* want; };
  for (const Case& c : {Case{"0.00", 12.5, "12.50"}, {"0.00", 12.505, "12.51"}, {"0.00", 12.504, "12.50"},
                        {"0.00", 0.0, "0.00"}, {"0.00", -0.001, "0.00"}, {"0.00", -3.456, "-3.46"},
                        {"#,##0.00", 1234567.891, "1,234,567.89"}, {"0.###", 2.5, "2.5"}, {"0", 2.5, "3"},
                        {"0.00", 0.005, "0.01"}, {"0.000", 1.0005, "1.001"}, {"#.00", 0.5, ".50"}}) {
    EXPECT_EQ(FormatFloat(c.fmt, c.v), c.want) << c.fmt << " " << c.v;
  }
}
