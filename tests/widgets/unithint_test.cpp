#include "common/UnitHint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <fstream>

#include "common/ModuleError.h"
#include "tests/support/TestAvi.h"
#include "tests/widgets/ScriptedUi.h"

namespace pt {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// Runs each test in an empty current directory; a test may drop a clip into Resource/.
class UnitHintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
  }
  void TearDown() override { QDir::setCurrent(previous_); }

  void PutClip(const std::string& bytes) {
    QDir(dir_.path()).mkpath("Resource");
    std::ofstream(dir_.filePath("Resource/Turtle.avi").toStdString(), std::ios::binary) << bytes;
  }

  QTemporaryDir dir_;
  QString previous_;
};

// An 80 x 50 clip of solid frames: blue, then red; its first pixel colour is the background.
std::string TwoColourClip() {
  test::TestAviSpec spec;
  spec.width = 80;
  spec.height = 50;
  spec.microSecPerFrame = 50000;
  spec.palette = {0x000000, 0x0000FF, 0xFF0000};
  std::string blueWithBlackCorner(80 * 50, '\1');
  blueWithBlackCorner[49 * 80] = '\0';  // bottom-up: the last stored row is the top row
  spec.chunks = {{"00db", blueWithBlackCorner}, {"00db", std::string(80 * 50, '\2')}};
  return test::MakeTestAvi(spec);
}

TEST_F(UnitHintTest, WithoutAClipTheBuiltInAnimationPlaysAndTheTextSitsRight) {
  ASSERT_FALSE(FrmHint);
  {
    BusyHint hint(nullptr);
    ASSERT_TRUE(FrmHint);
    TFrmHint* w = FrmHint.data();
    EXPECT_EQ(w, hint.hint());
    EXPECT_EQ(w->objectName(), "TFrmHint");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->size(), QSize(332, 87));
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w->Label1->text(), U("正在统计，请稍候..."));
    EXPECT_EQ(w->Label1->font().pixelSize(), 14);
    EXPECT_EQ(w->Label1->font().family(), U("宋体"));
    EXPECT_EQ(w->Label1->pos(), QPoint(116, 40));
    EXPECT_EQ(w->Animate1->geometry(), QRect(16, 20, 80, 50));
    EXPECT_FALSE(w->Animate1->playingFile());
    EXPECT_EQ(w->Animate1->frameCount(), 30);
    EXPECT_TRUE(w->Animate1->active());
  }
  EXPECT_FALSE(FrmHint) << "freed with the scope";
}

TEST_F(UnitHintTest, AClipInResourceIsPlayedAndMovesTheText) {
  PutClip(TwoColourClip());
  BusyHint hint(nullptr, U("正在调入RF数据..."));
  TFrmHint* w = hint.hint();
  EXPECT_EQ(w->Label1->text(), U("正在调入RF数据..."));
  EXPECT_EQ(w->Label1->pos(), QPoint(93, 69));
  EXPECT_EQ(w->Animate1->geometry(), QRect(32, 2, 80, 50));
  ASSERT_TRUE(w->Animate1->playingFile());
  EXPECT_EQ(w->Animate1->frameCount(), 2);
  EXPECT_EQ(w->Animate1->intervalMs(), 50);
  const QImage shot = w->Animate1->grab().toImage();
  const int frame = w->Animate1->currentFrame();
  const QColor expected = frame == 0 ? QColor(0, 0, 255) : QColor(255, 0, 0);
  EXPECT_EQ(shot.pixelColor(40, 25), expected);
  if (frame == 0) {
    EXPECT_NE(shot.pixelColor(0, 0), QColor(0, 0, 0)) << "the first pixel's colour is background";
  }
}

TEST_F(UnitHintTest, AClipThatCannotBeDecodedStillTakesTheClipPlaces) {
  PutClip("RIFF\x04\0\0\0AVI ");
  BusyHint hint(nullptr);
  EXPECT_EQ(hint.hint()->Label1->pos(), QPoint(93, 69));
  EXPECT_EQ(hint.hint()->Animate1->pos(), QPoint(32, 2));
  EXPECT_FALSE(hint.hint()->Animate1->playingFile());
  EXPECT_TRUE(hint.hint()->Animate1->active());
}

TEST_F(UnitHintTest, ErrorsAreSilentWhileAHintExistsAndShownAgainAfterwards) {
  test::ScriptedUi ui;
  auto departmentCheck = [] { Guard(nullptr, [] { throw ModuleError("请先选择部门！"); }); };
  {
    BusyHint hint(nullptr);
    departmentCheck();
    EXPECT_TRUE(ui.messages.empty());
  }
  departmentCheck();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, U("请先选择部门！"));
  EXPECT_TRUE(ui.messages[0].defaultErrorBox);
}

TEST_F(UnitHintTest, SetTextHideAndAnOwnerThatGoesFirst) {
  auto* owner = new QWidget;
  owner->show();
  {
    BusyHint hint(owner);
    EXPECT_EQ(hint.hint()->parentWidget(), owner);
    hint.SetText(U("整理数据,已完成100行,稍候..."));
    EXPECT_EQ(FrmHint->Label1->text(), U("整理数据,已完成100行,稍候..."));
    EXPECT_GE(FrmHint->Label1->width(), FrmHint->Label1->sizeHint().width());
    hint.Hide();
    EXPECT_FALSE(hint.hint()->isVisible());
    delete owner;  // takes the hint with it
    EXPECT_FALSE(FrmHint);
    hint.SetText(U("无人"));  // no crash on a freed hint
  }
  test::ScriptedUi ui;
  Guard(nullptr, [] { throw ModuleError("错"); });
  EXPECT_EQ(ui.messages.size(), 1u) << "the freed hint gave the error handling back";
}

TEST_F(UnitHintTest, NestedHintsGiveFrmHintBack) {
  BusyHint outer(nullptr);
  {
    BusyHint inner(nullptr, U("正查询原价格..."));
    EXPECT_EQ(FrmHint.data(), inner.hint());
  }
  EXPECT_EQ(FrmHint.data(), outer.hint());
}

}  // namespace
}  // namespace pt
