#include "common/HostErrorBox.h"

#include <gtest/gtest.h>

#include "tests/widgets/ScriptedUi.h"

namespace pt {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

TEST(HostErrorBoxTest, ShowsTheComposedTextUnderErrorWhenAnOwnerIsGiven) {
  test::ScriptedUi ui;
  QWidget owner;
  const Variant list = Variant::MakeArray({Variant("连接中断"), Variant("请重试")});
  EXPECT_EQ(ShowHostErrors(&owner, list, "读取模板失败"), "读取模板失败\r\n连接中断\r\n请重试");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, U("读取模板失败\r\n连接中断\r\n请重试"));
  EXPECT_EQ(ui.messages[0].caption, U("错误"));
  EXPECT_EQ(ui.messages[0].icon, ui::Icon::Error);
  EXPECT_EQ(ui.messages[0].buttons, ui::Buttons::Ok);
  EXPECT_EQ(ui.messages[0].owner, &owner);
  EXPECT_FALSE(ui.messages[0].defaultErrorBox);
}

TEST(HostErrorBoxTest, WithoutOwnerNothingIsShownAndTheTextIsReturned) {
  test::ScriptedUi ui;
  struct Case {
    Variant list;
    std::string prefix;
    std::string text;
  };
  const Case cases[] = {
      {Variant::MakeArray({Variant("甲")}), "", "甲"},
      {Variant::MakeArray({}), "前缀", "前缀"},
      {Variant("不是列表"), "", "未知错误！"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShowHostErrors(nullptr, c.list, c.prefix), c.text);
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace pt
