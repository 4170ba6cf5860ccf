#include "module/ModuleSession.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFrame>
#include <gtest/gtest.h>

#include "common/GbkCodec.h"
#include "common/UnitBaseForm.h"
#include "queue/Unitspbqdy.h"
#include "tests/support/HealthyHost.h"
#include "tests/support/RecordingHost.h"
#include "tests/widgets/ScriptedUi.h"
#include "tests/widgets/HostWidgets.h"

namespace pt {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class ModuleSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ScriptHealthyHost(host);
    panel.resize(640, 480);
    panel.show();
  }
  void TearDown() override {
    qDeleteAll(panel.findChildren<TFrmspbqdy*>(Qt::FindDirectChildrenOnly));
    session::Unload();
    session::HostNotifyControl = nullptr;
  }
  TFrmspbqdy* Open(const std::string& operatorCode, HostService* service) {
    const auto code = test::ShortString(operatorCode);
    return session::OpenMainWindow(0x1234, &notify, code.data(), &panel, service);
  }

  test::ScriptedUi ui;  // no box may wait for a click
  QWidget panel;
  test::NotifyControl notify;
  test::RecordingHost host;
};

TEST_F(ModuleSessionTest, OpenMainWindowRecordsTheHandOverAndEmbedsTheWindow) {
  TFrmspbqdy* w = Open("0001", &host);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(session::Frmspbqdy.data(), w);
  EXPECT_EQ(session::HostAppHandle, 0x1234);
  EXPECT_EQ(session::ApplicationHandle, 0x1234) << "the base creation adopts the host window";
  EXPECT_EQ(session::HostNotifyControl.data(), &notify);
  EXPECT_EQ(session::OperatorCode, "0001");
  EXPECT_EQ(session::HostService.get(), &host);
  // The session's reference and the parameter accessor's; the call's own is dropped.
  EXPECT_EQ(host.refs(), 2) << "the call's own reference is dropped";
  EXPECT_FALSE(session::CloseOnShow);

  EXPECT_EQ(w->objectName(), "TFrmspbqdy");
  EXPECT_EQ(w->windowTitle(), U("商品标价签打印"));
  EXPECT_EQ(w->parentWidget(), &panel);
  EXPECT_FALSE(w->isWindow());
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->geometry(), panel.rect());
  EXPECT_EQ(w->PanelMain->size(), QSize(640, 480));
  EXPECT_EQ(w->PanelMain->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(w->font().family(), U("宋体"));
  EXPECT_EQ(w->font().pointSize(), 9);

  // The window fills the panel as it changes; PanelMain waits for the host's message.
  panel.resize(700, 500);
  EXPECT_EQ(w->size(), QSize(700, 500));
  EXPECT_EQ(w->PanelMain->size(), QSize(640, 480));
}

TEST_F(ModuleSessionTest, OperatorCodesAreStoredWholeAndConvertedFromGbk) {
  std::string longChinese;  // 127 double-byte characters and one digit: 255 GBK bytes
  for (int i = 0; i < 127; ++i) longChinese += "码";
  longChinese += "9";
  struct Case {
    std::string utf8;
  };
  const Case cases[] = {{std::string(255, '7')}, {"收银员张三"}, {longChinese}, {""}};
  for (const Case& c : cases) {
    const std::string gbk = Utf8ToGbk(c.utf8);
    ASSERT_LE(gbk.size(), 255u);
    Open(gbk, &host);
    EXPECT_EQ(session::OperatorCode, c.utf8) << gbk.size() << " bytes";
  }
  EXPECT_EQ(Utf8ToGbk(longChinese).size(), 255u);
  session::OpenMainWindow(0, &notify, nullptr, &panel, &host);
  EXPECT_EQ(session::OperatorCode, "");
}

TEST_F(ModuleSessionTest, ASecondCallCreatesASecondWindowAndReplacesTheHostReference) {
  test::RecordingHost second;
  test::ScriptHealthyHost(second);
  TFrmspbqdy* first = Open("a", &host);
  TFrmspbqdy* next = Open("b", &second);
  ASSERT_TRUE(first && next);
  EXPECT_NE(first, next);
  EXPECT_TRUE(first->isVisible()) << "the earlier window is not touched";
  EXPECT_EQ(session::Frmspbqdy.data(), next);
  EXPECT_EQ(host.refs(), 1) << "only the first window's accessor still holds the first host";
  EXPECT_EQ(second.refs(), 2);

  session::Unload();
  EXPECT_EQ(second.refs(), 1) << "the session's reference is released; the open window keeps its own";
  qDeleteAll(panel.findChildren<TFrmspbqdy*>(Qt::FindDirectChildrenOnly));  // before `second` goes
  EXPECT_EQ(second.refs(), 0);
  EXPECT_FALSE(session::HostService);
  EXPECT_EQ(session::OperatorCode, "");
}

TEST_F(ModuleSessionTest, UnloadClearsTheSessionTexts) {
  Open("op", &host);
  session::HostModeTag = "job";
  session::UnitType = "00";
  session::YearMonth = "202612";
  session::Unload();
  EXPECT_EQ(session::HostModeTag, "");
  EXPECT_EQ(session::OperatorCode, "");
  EXPECT_EQ(session::UnitType, "");
  EXPECT_EQ(session::YearMonth, "");
  EXPECT_EQ(host.refs(), 1) << "the session's reference is released";
}

TEST_F(ModuleSessionTest, ResizeMessageSetsPanelMainHeightThenWidth) {
  TFrmspbqdy* w = Open("op", &host);
  struct Case {
    intptr_t wParam, lParam;
    QSize size;
  };
  const Case cases[] = {{400, 600, QSize(600, 400)}, {0, 0, QSize(0, 0)}, {-5, 1 << 30, QSize(QWIDGETSIZE_MAX, 0)}};
  for (const Case& c : cases) {
    test::SendWindowMessage(w, kMsgPanelResize, c.wParam, c.lParam);
    EXPECT_EQ(w->PanelMain->size(), c.size) << c.wParam << "/" << c.lParam;
  }
  test::SendWindowMessage(w, kMsgWindowClosed, 10, 10);  // not for the module: ignored
  EXPECT_EQ(w->PanelMain->size(), QSize(QWIDGETSIZE_MAX, 0));
}

TEST_F(ModuleSessionTest, ClosingSendsOneNoticeBeforeTheWindowIsFreed) {
  QPointer<TFrmspbqdy> w = Open("op", &host);
  bool aliveAtNotice = false;
  notify.onNotice = [&] { aliveAtNotice = !w.isNull(); };
  w->close();
  w->close();
  EXPECT_EQ(notify.closeNotices, 1);
  EXPECT_TRUE(aliveAtNotice);
  EXPECT_EQ(notify.lastWParam, 0);
  EXPECT_EQ(notify.lastLParam, 0);
  FlushDeletes();
  EXPECT_TRUE(w.isNull()) << "the close frees the window";
  EXPECT_EQ(notify.closeNotices, 1);
}

TEST_F(ModuleSessionTest, AFailedStartUpClosesTheWindowAsSoonAsItIsShown) {
  auto* w = new TFrmspbqdy(&panel);
  QPointer<TFrmspbqdy> alive(w);
  session::HostNotifyControl = &notify;
  session::CloseOnShow = true;  // what a failed start-up leaves
  w->show();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(notify.closeNotices, 1);
  FlushDeletes();
  EXPECT_TRUE(alive.isNull());
  session::CloseOnShow = false;
}

// Shared-memory blocks under a name of this test process.
class HostTagTest : public ::testing::Test {
 protected:
  void TearDown() override {
    shm_unlink(name_.c_str());
    ReleaseHostModeTagView();
  }
  void Block(const std::string& bytes) {
    const int fd = shm_open(name_.c_str(), O_CREAT | O_RDWR | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(bytes.size())), 0);
    if (!bytes.empty()) {
      ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    close(fd);
  }
  std::string name_ = "/pricetag-tag-test-" + std::to_string(getpid());
};

TEST_F(HostTagTest, TheTagIsTheFirstThreeBytesOfTheBlock) {
  struct Case {
    std::string block;
    std::string tag;
  };
  const Case cases[] = {
      {"job", "job"},
      {"jobs and more", "job"},
      {"jo", "jo"},
      {std::string("j\0b", 3), "j"},
      {"", ""},
      {std::string(70000, 'x'), "xxx"},
  };
  for (const Case& c : cases) {
    Block(c.block);
    std::string tag = "old";
    EXPECT_TRUE(ReadHostModeTag(name_.c_str(), tag)) << c.block.size();
    EXPECT_EQ(tag, c.tag) << c.block.size();
  }
}

TEST_F(HostTagTest, AnAbsentBlockLeavesTheTagAsItWas) {
  shm_unlink(name_.c_str());
  std::string tag = "job";
  EXPECT_FALSE(ReadHostModeTag(name_.c_str(), tag));
  EXPECT_EQ(tag, "job");
}

}  // namespace
}  // namespace pt
