#include "common/ErrorGuard.h"

#include <QPushButton>
#include <gtest/gtest.h>
#include <stdexcept>

#include "common/ModuleError.h"
#include "tests/widgets/ScriptedUi.h"

namespace pt {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

TEST(ErrorGuardTest, EveryKindOfErrorEndsInTheDefaultErrorBox) {
  struct Case {
    const char* what;
    std::function<void()> fn;
    const char* text;
  };
  const Case cases[] = {
      {"module error", [] { throw ModuleError("请先选择部门！"); }, "请先选择部门！"},
      {"standard exception", [] { throw std::out_of_range("下标越界"); }, "下标越界"},
      {"anything else", [] { throw 42; }, "未知错误！"},
  };
  QWidget owner;
  for (const Case& c : cases) {
    test::ScriptedUi ui;
    Guard(&owner, c.fn);
    ASSERT_EQ(ui.messages.size(), 1u) << c.what;
    const ui::MessageRequest& m = ui.messages[0];
    EXPECT_TRUE(m.defaultErrorBox) << c.what;
    EXPECT_EQ(m.text, U(c.text)) << c.what;
    EXPECT_EQ(m.caption, U("零售后台")) << c.what;
    EXPECT_EQ(m.icon, ui::Icon::Error) << c.what;
    EXPECT_EQ(m.buttons, ui::Buttons::Ok) << c.what;
    EXPECT_EQ(m.owner, &owner) << c.what;
  }
  test::ScriptedUi quiet;
  Guard(&owner, [] {});
  EXPECT_TRUE(quiet.messages.empty());
}

TEST(ErrorGuardTest, GuardedSlotsKeepErrorsInsideTheEventHandler) {
  test::ScriptedUi ui;
  auto* owner = new QWidget;
  QPushButton button;
  button.setCheckable(true);
  bool seenChecked = false;
  QObject::connect(&button, &QPushButton::clicked, owner, Guarded(owner, [&](bool checked) {
                     seenChecked = checked;
                     throw ModuleError("打印失败");
                   }));
  QObject::connect(&button, &QPushButton::clicked, Guarded(owner, [] { throw ModuleError("第二个"); }));
  button.click();
  EXPECT_TRUE(seenChecked);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text, U("打印失败"));
  EXPECT_EQ(ui.messages[0].owner, owner);

  // A handler that outlives its window reports without an owner.
  delete owner;
  button.click();
  ASSERT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.messages[2].text, U("第二个"));
  EXPECT_EQ(ui.messages[2].owner, nullptr);
}

TEST(ErrorGuardTest, HandlerScopesEndInAnyOrder) {
  test::ScriptedUi ui;
  std::vector<std::string> recorded;
  auto raise = [] { Guard(nullptr, [] { throw ModuleError("错"); }); };
  {
    auto silent = std::make_unique<ErrorHandlerScope>(ErrorHandlerScope::Silent());
    raise();
    EXPECT_TRUE(ui.messages.empty());
    auto recorder = std::make_unique<ErrorHandlerScope>(
        [&](QWidget*, const std::string& m) { recorded.push_back(m); });
    raise();
    EXPECT_EQ(recorded.size(), 1u);
    silent.reset();  // the outer scope ends first: the inner handler stays in force
    raise();
    EXPECT_EQ(recorded.size(), 2u);
    EXPECT_TRUE(ui.messages.empty());
  }
  raise();
  EXPECT_EQ(ui.messages.size(), 1u) << "the default box is back";
}

TEST(ErrorGuardTest, AThrowingHandlerDoesNotEscape) {
  ErrorHandlerScope bad([](QWidget*, const std::string&) { throw std::runtime_error("again"); });
  Guard(nullptr, [] { throw ModuleError("x"); });
  SUCCEED();
}

}  // namespace
}  // namespace pt
