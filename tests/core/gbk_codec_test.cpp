// The UTF-8 check and the GBK sort key.
#include <gtest/gtest.h>

#include <string>

#include "common/GbkCodec.h"

namespace pt {
namespace {

TEST(Utf8Check, OnlyWellFormedTextPasses) {
  struct Case { std::string bytes; bool valid; };
  const Case cases[] = {
      {"", true},
      {"abc", true},
      {"合格 ￥3.50", true},
      {"\xF0\x9F\x98\x80", true},          // U+1F600, four bytes
      {"\xF4\x8F\xBF\xBF", true},          // U+10FFFF, the last character
      {"\xED\x9F\xBF", true},              // U+D7FF, just below the surrogates
      {"\xEE\x80\x80", true},              // U+E000, just above them
      {"\xED\xA0\x80", false},             // U+D800, a surrogate
      {"\xED\xBF\xBF", false},             // U+DFFF
      {"\xC0\xAF", false},                 // "/" in two bytes (overlong)
      {"\xE0\x80\xAF", false},             // "/" in three bytes
      {"\xF0\x80\x80\xAF", false},         // "/" in four bytes
      {"\xE0\x9F\xBF", false},             // U+07FF in three bytes
      {"\xF0\x8F\xBF\xBF", false},         // U+FFFF in four bytes
      {"\xF4\x90\x80\x80", false},         // U+110000
      {"\xF5\x80\x80\x80", false},
      {"\xFF", false},
      {"\x80", false},                     // a continuation byte alone
      {"\xE5\x90", false},                 // cut short
      {"\xE5\x90" "a", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
}

// Transliteration writes more than it reads ("½" is " 1/2 " in the key): names that differ only
// after many such characters must not sort as equal.
TEST(GbkSortKey, KeysAreNeverCutWhenTransliterationExpands) {
  std::string many;
  for (int i = 0; i < 40; ++i) many += "½™";
  const std::string a = GbkSortKey(many + "甲", false);
  const std::string b = GbkSortKey(many + "乙", false);
  EXPECT_NE(a, b);
  EXPECT_LT(a, b);  // 甲 before 乙 in GBK order
  EXPECT_EQ(a.substr(a.size() - 2), Utf8ToGbk("甲"));
  // The key is the keys of its pieces: nothing is lost at any length.
  for (const char* piece : {"½", "™", "可乐", "A"})
    EXPECT_EQ(GbkSortKey(many + piece, true), GbkSortKey(many, true) + GbkSortKey(piece, true)) << piece;
}

// The euro sign is one byte in GBK: the letter after it is a letter, not the second byte of a pair.
TEST(GbkSortKey, LettersAfterTheEuroSignFoldToLowerCase) {
  EXPECT_EQ(GbkSortKey("€U1", true), GbkSortKey("€u1", true));
  EXPECT_EQ(GbkSortKey("可U", true), GbkSortKey("可u", true));
  EXPECT_NE(GbkSortKey("€U1", false), GbkSortKey("€u1", false));
}

}  // namespace
}  // namespace pt
