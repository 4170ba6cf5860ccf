#include <gtest/gtest.h>

#include "common/DataPacket.h"
#include "common/GbkCodec.h"
#include "common/Variant.h"

using namespace pt;

TEST(Variant, ConversionsAsHostCallsMakeThem) {
  EXPECT_EQ(Variant().ToText(), "");
  EXPECT_EQ(Variant(3.5).ToText(), "3.5");
  EXPECT_EQ(Variant(12.0).ToText(), "12");
  EXPECT_EQ(Variant(0.1 + 0.2).ToText(), "0.3");
  EXPECT_EQ(Variant(1e20).ToText(), "1E20");
  EXPECT_EQ(Variant("42").ToInt(), 42);
  EXPECT_EQ(Variant(" 7 ").ToFloat(), 7.0);
  EXPECT_TRUE(Variant("True").ToBool());
  EXPECT_TRUE(Variant(1).ToBool());
  EXPECT_THROW(Variant("abc").ToFloat(), ModuleError);
  EXPECT_THROW(Variant("12abc").ToInt(), ModuleError);
  EXPECT_THROW(Variant::MakeArray({}).ToText(), ModuleError);
  EXPECT_NE(Variant(""), Variant());
  EXPECT_NE(Variant(0), Variant());
}

TEST(DataPacket, EveryTypeRoundTripsWithNulls) {
  std::vector<PacketField> fields = {{"t", FieldType::Text, 20}, {"i", FieldType::Integer, 0},
                                     {"f", FieldType::Float, 0}, {"b", FieldType::Boolean, 0}};
  PacketWriter w(fields);
  w.AddRow({Variant("汉字"), Variant(-5), Variant(2.25), Variant(true)});
  w.AddRow({Variant(), Variant(), Variant(), Variant()});
  w.AddRow({Variant(""), Variant("9"), Variant("1.5"), Variant(false)});
  DecodedPacket p = DecodePacket(w.Finish());
  ASSERT_EQ(p.rows.size(), 3u);
  EXPECT_EQ(p.fields[0].name, "t");
  EXPECT_EQ(p.fields[0].size, 20u);
  EXPECT_EQ(p.rows[0][0], Variant("汉字"));
  EXPECT_EQ(p.rows[0][1], Variant(-5));
  EXPECT_EQ(p.rows[0][2], Variant(2.25));
  EXPECT_EQ(p.rows[0][3], Variant(true));
  for (const auto& c : p.rows[1]) EXPECT_TRUE(c.IsNull());
  EXPECT_EQ(p.rows[2][0], Variant(""));
  EXPECT_EQ(p.rows[2][1], Variant(9));
  EXPECT_THROW(PacketWriter(fields).AddRow({Variant("x")}), PacketError);
}

TEST(GbkCodec, RoundTripLengthsAndFiles) {
  bool ok = false;
  std::string gbk = Utf8ToGbk("价格￥12", &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(gbk.size(), 8u);
  EXPECT_EQ(GbkToUtf8(gbk), "价格￥12");
  EXPECT_EQ(GbkLength("价格￥12"), 8u);
  Utf8ToGbk("\xC2\xA5", &ok);  // the half-width yen sign has no GBK form
  EXPECT_FALSE(ok);
  GbkToUtf8("\x81", &ok);  // a lead byte with nothing after it
  EXPECT_FALSE(ok);
  EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF" "编码"), "编码");
  EXPECT_EQ(DecodeTextFile(Utf8ToGbk("编码")), "编码");
  EXPECT_EQ(TruncateToGbkBytes("a汉b", 2), "a");
  EXPECT_EQ(TruncateToGbkBytes("a汉b", 3), "a汉");
}
