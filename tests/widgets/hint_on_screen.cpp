// The busy hint as the clerk sees it on an X display: right after BusyHint is made the caller
// blocks (a long host request), so whatever the hint shows must already be on the screen by then.
// The screen is read the way a screenshot tool reads it, by another X client: this program runs
// itself again with --grab-root while the first copy is blocked in that call.
//
// Runs under its own Xvfb (see CMakeLists.txt); without an X display it skips.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

#include "common/UnitHint.h"

namespace pt {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// The whole screen as another X client reads it at this moment. The caller is blocked meanwhile,
// as it is during a host request.
QImage ScreenNow() {
  QTemporaryDir dir;
  const QString file = dir.filePath("root.png");
  QProcess grab;
  grab.start(QCoreApplication::applicationFilePath(), {"--grab-root", file});
  if (!grab.waitForFinished(20000) || grab.exitCode() != 0) {
    ADD_FAILURE() << "the screenshot failed: " << grab.readAllStandardError().toStdString();
    return {};
  }
  return QImage(file).convertToFormat(QImage::Format_RGB32);
}

// How many pixels of `area` on the screen match the widget's own rendering of the same area.
double Matching(const QImage& screen, QWidget* widget, const QRect& area) {
  const QImage expected = widget->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
  const QPoint origin = widget->mapToGlobal(area.topLeft()) - widget->screen()->geometry().topLeft();
  int same = 0;
  for (int y = 0; y < expected.height(); ++y)
    for (int x = 0; x < expected.width(); ++x) {
      const QRgb a = expected.pixel(x, y), b = screen.pixel(origin.x() + x, origin.y() + y);
      if (qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)) < 24) ++same;
    }
  return double(same) / (expected.width() * expected.height());
}

int CountColour(const QImage& screen, const QRect& globalArea, QRgb colour) {
  int n = 0;
  for (int y = globalArea.top(); y <= globalArea.bottom(); ++y)
    for (int x = globalArea.left(); x <= globalArea.right(); ++x)
      if (screen.pixel(x, y) == colour) ++n;
  return n;
}

// A window of one colour at a place on the screen.
void ShowPlain(QWidget& w, const QColor& colour, const QRect& geometry) {
  w.setAutoFillBackground(true);
  QPalette p = w.palette();
  p.setColor(QPalette::Window, colour);
  w.setPalette(p);
  w.setGeometry(geometry);
  w.show();
}

class HintOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X display";
  }
};

TEST_F(HintOnScreen, TextAnimationAndTheWindowBehindArePaintedBeforeTheCallerBlocks) {
  // The calling window, a plain colour, and a dialog over it that has just closed (the query
  // builder, say) when the request starts.
  QWidget owner, dialog;
  ShowPlain(owner, QColor(0, 200, 0), QRect(100, 100, 700, 500));
  ShowPlain(dialog, QColor(200, 0, 200), QRect(150, 150, 300, 200));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QTest::qWait(100);
  dialog.hide();

  BusyHint hint(&owner);
  TFrmHint* h = hint.hint();
  ASSERT_NE(h, nullptr);
  const QImage screen = ScreenNow();
  ASSERT_FALSE(screen.isNull());
  EXPECT_GT(Matching(screen, h, h->Label1->geometry()), 0.97) << "the text is on the screen";
  const QRect animation(h->mapToGlobal(h->Animate1->pos()), h->Animate1->size());
  EXPECT_GT(CountColour(screen, animation, qRgb(250, 214, 90)), 100) << "the first frame's folder is on the screen";
  const QRect closed(150, 150, 300, 200);
  ASSERT_FALSE(closed.intersects(h->frameGeometry()));
  EXPECT_EQ(CountColour(screen, closed, qRgb(200, 0, 200)), 0) << "nothing of the closed dialog is left";
  EXPECT_EQ(CountColour(screen, closed, qRgb(0, 200, 0)), 300 * 200) << "the window behind is painted";

  // Progress texts a caller writes between its blocking steps reach the screen as well.
  hint.SetText(U("整理数据,已完成100行,稍候..."));
  EXPECT_GT(Matching(ScreenNow(), h, h->Label1->geometry()), 0.97);
}

}  // namespace
}  // namespace pt

int main(int argc, char** argv) {
  // The screenshot helper: a second X client that writes the root window to a file.
  if (argc == 3 && std::string(argv[1]) == "--grab-root") {
    QGuiApplication app(argc, argv);
    return QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
  }
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
