#include <gtest/gtest.h>

#include "common/HostErrors.h"

namespace pt {
namespace {

TEST(HostErrors, ComposesPrefixAndMessagesWithoutFinalBreak) {
  Variant list = Variant::MakeArray({Variant("连接中断"), Variant("请重试")});
  EXPECT_EQ(ComposeHostErrors(list, "查询失败"), "查询失败\r\n连接中断\r\n请重试");
  EXPECT_EQ(ComposeHostErrors(list, ""), "连接中断\r\n请重试");
  EXPECT_EQ(ComposeHostErrors(Variant::MakeArray({}), "查询失败"), "查询失败");
  EXPECT_EQ(ComposeHostErrors(Variant::MakeArray({}), ""), "");
  // Elements convert as the host's late-bound calls convert them.
  EXPECT_EQ(ComposeHostErrors(Variant::MakeArray({Variant(42), Variant()}), ""), "42\r\n");
}

TEST(HostErrors, UnreadableListsSayUnknownError) {
  EXPECT_EQ(ComposeHostErrors(Variant(), "保存失败"), "保存失败\r\n未知错误！");
  EXPECT_EQ(ComposeHostErrors(Variant("not a list"), ""), "未知错误！");
  Variant nested = Variant::MakeArray({Variant("第一条"), Variant::MakeArray({Variant("x")}), Variant("第三条")});
  EXPECT_EQ(ComposeHostErrors(nested, ""), "第一条\r\n未知错误！");
}

}  // namespace
}  // namespace pt
