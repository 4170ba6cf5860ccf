#include <gtest/gtest.h>

#include "common/TextRoutines.h"

namespace pt {
namespace {

TEST(TextRoutines, TrimTakesEveryCharacterUpToBlank) {
  EXPECT_EQ(Trim(" \t\r\n a b \x01"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a \t"), "  a");
  EXPECT_EQ(Trim("\xE3\x80\x80中\xE3\x80\x80"), "\xE3\x80\x80中\xE3\x80\x80");  // ideographic space is no blank
  EXPECT_EQ(Trim("   "), "");
}

TEST(TextRoutines, IsIntegerText) {
  struct Case { const char* text; bool expected; };
  const Case cases[] = {
      {"0", true}, {"-12", true}, {"+7", true}, {"9223372036854775807", true},
      {"-9223372036854775808", true}, {"0000000000000000000000042", true},
      {"9223372036854775808", false}, {"", false}, {"  ", false}, {"-", false},
      {" 12", false}, {"12 ", false}, {"1.0", false}, {"1e3", false}, {"0x10", false}, {"１２", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsIntegerText(c.text), c.expected) << "'" << c.text << "'";
}

TEST(TextRoutines, ZeroPadInt) {
  struct Case { int64_t value; int width; bool keepRight; const char* expected; };
  const Case cases[] = {
      {7, 3, false, "007"},       {12345, 3, true, "345"},  {12345, 3, false, "12345"},
      {0, 2, true, "00"},         {0, 0, true, ""},         {0, -1, true, ""},
      {123, 3, true, "123"},      {-5, 3, false, "-05"},    {-12345, 3, true, "345"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ZeroPadInt(c.value, c.width, c.keepRight), c.expected) << c.value << " w" << c.width;
}

TEST(TextRoutines, CountFieldsAndGetField) {
  EXPECT_EQ(CountFields("", ','), 0);
  EXPECT_EQ(CountFields("abc", ','), 1);
  EXPECT_EQ(CountFields("a,,b,", ','), 4);

  struct Case { const char* text; int index; const char* expected; };
  const Case cases[] = {
      {"a,b,c", 1, "a"}, {"a,b,c", 2, "b"}, {"a,b,c", 3, "c"}, {"a,b,c", 4, ""},
      {"abc", 1, ""},    {"a,b,", 3, ""},   {",b", 1, ""},     {"a,b", -1, ""},
      // index 0 is the first character, which the query builder's alias rule relies on
      {" da,tm,Yhj", 0, " "}, {"da", 0, "d"}, {"x", 0, ""}, {"中,国", 0, "中"},
      {" da,tm,Yhj,tj,plzj", 1, " da"}, {"甲,乙丙,丁", 2, "乙丙"},
  };
  for (const Case& c : cases) EXPECT_EQ(GetField(c.text, ',', c.index), c.expected) << c.text << " #" << c.index;
}

TEST(TextRoutines, SplitTextTrimsPiecesAndFlagsEmptyOnes) {
  std::vector<std::string> pieces{"left over"};
  EXPECT_TRUE(SplitText(",", " a , b ,c", pieces));
  EXPECT_EQ(pieces, (std::vector<std::string>{"a", "b", "c"}));

  EXPECT_FALSE(SplitText(",", "a,,b", pieces));
  EXPECT_EQ(pieces, (std::vector<std::string>{"a", "", "b"}));

  EXPECT_FALSE(SplitText(",", "a,", pieces));  // the last piece counts too
  EXPECT_EQ(pieces, (std::vector<std::string>{"a", ""}));

  EXPECT_TRUE(SplitText("||", "f_a=x||f_b = y", pieces));  // separators longer than one character
  EXPECT_EQ(pieces, (std::vector<std::string>{"f_a=x", "f_b = y"}));

  EXPECT_FALSE(SplitText(";", "", pieces));
  EXPECT_EQ(pieces, (std::vector<std::string>{""}));
}

TEST(TextRoutines, FirstWordIfThenStrReplaceAll) {
  EXPECT_EQ(FirstWord("01 食品部"), "01");
  EXPECT_EQ(FirstWord("其它"), "");
  EXPECT_EQ(FirstWord(" x"), "");
  EXPECT_EQ(IfThenStr(true, "a", "b"), "a");
  EXPECT_EQ(IfThenStr(false, "a", "b"), "b");

  EXPECT_EQ(ReplaceAll("f_Pljg>0 and f_Pljg<f_Tjjg", "f_Pljg", "f_Xsdj"), "f_Xsdj>0 and f_Xsdj<f_Tjjg");
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "aa");        // non-overlapping, from the left
  EXPECT_EQ(ReplaceAll("F_PLJG f_Pljg", "f_Pljg", "x"), "F_PLJG x");  // case-sensitive
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("ab", "ab", "abab"), "abab");     // replacements are not scanned again
}

}  // namespace
}  // namespace pt
