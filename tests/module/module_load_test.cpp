// Loads the real module library the way the host does and drives it through its one entry point,
// the window messages and the shared-memory block. Only what the host can see is checked: the
// widgets in its panel, the notices it receives and the calls on its data service.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "module/HostContract.h"
#include "tests/support/HealthyHost.h"
#include "tests/support/RecordingHost.h"
#include "tests/widgets/HostWidgets.h"

namespace pt {
namespace {

// Texts of modal dialogs the module opened; they are closed so a test never hangs on one.
std::vector<QString>& ModalTexts() {
  static std::vector<QString> texts;
  return texts;
}

void CloseModalDialogs() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(w);
    if (!dialog || !dialog->isVisible() || !dialog->isModal()) continue;
    auto* box = qobject_cast<QMessageBox*>(dialog);
    ModalTexts().push_back(box ? box->text() : dialog->objectName());
    dialog->reject();
  }
}

void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class ModuleLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shm_unlink(kHostMapName);
    ModalTexts().clear();
    test::ScriptHealthyHost(host_);
    LoadModule();
  }

  // The host's start: the library, then its panel.
  void LoadModule() {
    lib_ = dlopen(DLLMORVEX_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib_, nullptr) << dlerror();
    getFormOne_ = reinterpret_cast<GetFormOneFn>(dlsym(lib_, "GetFormOne"));
    ASSERT_NE(getFormOne_, nullptr);
    panel_ = new QWidget;
    panel_->resize(800, 600);
    panel_->show();
  }

  void TearDown() override {
    UnloadModule();
    shm_unlink(kHostMapName);
    EXPECT_TRUE(ModalTexts().empty()) << "the module opened a modal dialog: "
                                      << ModalTexts().front().toStdString();
  }

  // The host's shut-down: its panel goes (and the module's windows with it), then the library.
  void UnloadModule() {
    delete panel_.data();
    FlushDeletes();
    if (lib_) dlclose(lib_);
    lib_ = nullptr;
  }

  void GetFormOne(const std::string& operatorCode, HostService* service) {
    const auto code = test::ShortString(operatorCode);
    getFormOne_(0x2a, &notify_, code.data(), panel_, service);
  }

  std::vector<QWidget*> MainWindows() const {
    std::vector<QWidget*> out;
    for (QWidget* w : panel_->findChildren<QWidget*>(QStringLiteral("TFrmspbqdy"),
                                                     Qt::FindDirectChildrenOnly))
      out.push_back(w);
    return out;
  }

  QWidget* MainWindow() const {
    auto all = MainWindows();
    return all.empty() ? nullptr : all.back();
  }

  void Block(const std::string& bytes) {
    const int fd = shm_open(kHostMapName, O_CREAT | O_RDWR | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(bytes.size())), 0);
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
  }

  void* lib_ = nullptr;
  GetFormOneFn getFormOne_ = nullptr;
  QPointer<QWidget> panel_;
  test::NotifyControl notify_;
  test::RecordingHost host_;
};

TEST_F(ModuleLoadTest, WithoutTheBlockTheTagIsEmptyAndTheWindowStarts) {
  GetFormOne("0001", &host_);
  QWidget* w = MainWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->property("hostModeTag").toString(), "");
}

TEST_F(ModuleLoadTest, TheTagIsTheFirstThreeBytesOfTheHostBlock) {
  for (const char* block : {"job", "jobs for tomorrow"}) {
    Block(block);
    GetFormOne("0001", &host_);
    ASSERT_NE(MainWindow(), nullptr);
    EXPECT_EQ(MainWindow()->property("hostModeTag").toString(), "job") << block;
  }
}

TEST_F(ModuleLoadTest, PanelMainTakesThePanelSizeAndFollowsTheResizeMessage) {
  GetFormOne("0001", &host_);
  QWidget* w = MainWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->parentWidget(), panel_.data());
  auto* main = w->findChild<QFrame*>(QStringLiteral("PanelMain"));
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->size(), QSize(800, 600));
  test::SendWindowMessage(w, kMsgPanelResize, 400, 600);
  EXPECT_EQ(main->height(), 400);
  EXPECT_EQ(main->width(), 600);
}

TEST_F(ModuleLoadTest, ClosingSendsExactlyOneNoticeBeforeTheWindowGoes) {
  GetFormOne("0001", &host_);
  QPointer<QWidget> w = MainWindow();
  ASSERT_TRUE(w);
  bool aliveAtNotice = false;
  notify_.onNotice = [&] { aliveAtNotice = !w.isNull(); };
  w->close();
  FlushDeletes();
  EXPECT_EQ(notify_.closeNotices, 1);
  EXPECT_TRUE(aliveAtNotice);
  EXPECT_EQ(notify_.lastWParam, 0);
  EXPECT_EQ(notify_.lastLParam, 0);
  EXPECT_TRUE(w.isNull());
}

TEST_F(ModuleLoadTest, ASecondCallReplacesTheHeldReferenceAndUnloadReleasesIt) {
  test::RecordingHost second;
  test::ScriptHealthyHost(second);
  GetFormOne("0001", &host_);
  // The session holds one reference; the window's parameter accessor holds one for its life.
  const int firstRefs = host_.refs();
  EXPECT_GE(firstRefs, 1);
  GetFormOne("0002", &second);
  EXPECT_EQ(MainWindows().size(), 2u) << "a second window; the first stays";
  EXPECT_EQ(host_.refs(), firstRefs - 1) << "the session's reference moved to the second host";
  EXPECT_EQ(second.refs(), firstRefs);

  UnloadModule();
  EXPECT_EQ(dlopen(DLLMORVEX_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library unloaded";
  EXPECT_EQ(second.refs(), 0);
  EXPECT_EQ(notify_.closeNotices, 0) << "only a close notifies";
}

TEST_F(ModuleLoadTest, OperatorCodesOf255BytesAndOfNoneAreStoredAsGiven) {
  const std::string longCode(255, 'A');
  GetFormOne(longCode, &host_);
  ASSERT_NE(MainWindow(), nullptr);
  EXPECT_EQ(MainWindow()->property("operatorCode").toString().toStdString(), longCode);
  GetFormOne("", &host_);
  EXPECT_EQ(MainWindow()->property("operatorCode").toString(), "");
}

// Each unload frees the session values the library made: in the sanitizer build LeakSanitizer
// reports every one left behind (the pointers to them go with the unmapped library). Each new load
// gets fresh values and comes up with the hand-over of its own call.
TEST_F(ModuleLoadTest, LoadingAndUnloadingAgainAndAgainStartsAfreshEachTime) {
  for (int i = 0; i < 20; ++i) {
    const std::string code = std::to_string(i) + std::string(250, 'A');
    GetFormOne(code, &host_);
    ASSERT_NE(MainWindow(), nullptr) << "load " << i;
    EXPECT_EQ(MainWindow()->property("operatorCode").toString().toStdString(), code) << "load " << i;
    UnloadModule();
    LoadModule();
  }
}

}  // namespace
}  // namespace pt

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, &pt::CloseModalDialogs);
  closer.start(50);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
