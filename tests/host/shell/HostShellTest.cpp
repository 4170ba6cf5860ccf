// The host shell drives a module of the tests' own through GetFormOne, the window messages and
// the shared-memory block, as it drives the real one.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPointer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/GbkCodec.h"
#include "hostapp/HostSchema.h"
#include "hostapp/HostWindow.h"
#include "hostapp/QtTranslations.h"
#include "hostapp/SharedModeBlock.h"
#include "hostapp/SqliteHostService.h"

namespace pt::hostapp {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

void Flush() {
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class HostShell : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateSchema(db);
    QString error;
    ASSERT_TRUE(module.Load(FAKE_MODULE_PATH, &error)) << error.toStdString();
  }
  void TearDown() override {
    delete window.data();
    Flush();
    module.Unload();
    EXPECT_EQ(service.RefCount(), 0);  // the module let go of the service on unload
  }
  HostMainWindow* Open(const std::string& operatorCode) {
    window = new HostMainWindow(&service, operatorCode);
    window->setLog([this](const QString& line) { log.push_back(line.toStdString()); });
    window->resize(800, 600);
    window->show();
    window->OpenModule(module.entry());
    return window;
  }

  HostDatabase db{":memory:", ServerClock::Pinned("20240515")};
  DbHostService service{db};
  ModuleLibrary module;
  QPointer<HostMainWindow> window;
  std::vector<std::string> log;
};

TEST_F(HostShell, HandsThePanelOverToTheModule) {
  SharedModeBlock block(kHostMapName, "job");
  HostMainWindow* w = Open("张伟01");
  QWidget* m = w->moduleWindow();
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->objectName(), "FakeMainWindow");
  EXPECT_EQ(m->parentWidget(), w->panel());
  EXPECT_EQ(m->property("operatorCode").toByteArray().toStdString(), Utf8ToGbk("张伟01"));
  EXPECT_EQ(m->property("modeTag").toString(), "job");
  EXPECT_EQ(m->property("serverDate").toString(), "20240515");
  EXPECT_EQ(m->property("appHandle").toInt(), HostMainWindow::kAppHandle);
  EXPECT_EQ(service.RefCount(), 1);
}

TEST_F(HostShell, APanelResizeSends1026WithHeightAndWidth) {
  HostMainWindow* w = Open("0001");
  QWidget* m = w->moduleWindow();
  ASSERT_NE(m, nullptr);
  int before = m->property("resizeCount").toInt();
  w->resize(900, 640);
  Flush();
  EXPECT_GT(m->property("resizeCount").toInt(), before);
  EXPECT_EQ(m->property("resizeHeight").toLongLong(), w->panel()->height());
  EXPECT_EQ(m->property("resizeWidth").toLongLong(), w->panel()->width());
}

TEST_F(HostShell, TheModulesCloseNoticeClosesTheHost) {
  HostMainWindow* w = Open("0001");
  QPointer<QWidget> m = w->moduleWindow();
  ASSERT_TRUE(m);
  m->close();
  Flush();
  EXPECT_FALSE(m);  // the module freed its window
  EXPECT_FALSE(w->isVisible());
  EXPECT_THAT(log, Contains(HasSubstr("window message 1028")));
}

TEST_F(HostShell, ClosingTheHostClosesTheModulesWindowFirst) {
  HostMainWindow* w = Open("0001");
  QPointer<QWidget> m = w->moduleWindow();
  w->close();
  Flush();
  EXPECT_FALSE(m);
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.find("1028") != std::string::npos; }), 1);
}

TEST(HostShellParts, ShortStringsHoldAtMost255BytesOfWholeCharacters) {
  struct Case {
    std::string utf8;
    size_t bytes;
  } cases[] = {{"", 0}, {"0001", 4}, {std::string(300, 'a'), 255}, {[] {
                                                                       std::string s;
                                                                       for (int i = 0; i < 200; ++i) s += "张";
                                                                       return s;
                                                                     }(),
                                                                     254}};
  for (const Case& c : cases) {
    std::string s = HostMainWindow::ShortString(c.utf8);
    ASSERT_EQ(static_cast<unsigned char>(s[0]), c.bytes);
    EXPECT_EQ(s.size(), c.bytes + 1);
    bool valid = true;
    GbkToUtf8(s.substr(1), &valid);
    EXPECT_TRUE(valid);
  }
}

TEST(HostShellParts, TheModeBlockHoldsTheTagAndGoesWithTheHost) {
  const char* name = "/pricetag-host-test-block";
  auto read = [&]() -> std::string {
    int fd = shm_open(name, O_RDONLY, 0);
    if (fd < 0) return "<absent>";
    char bytes[4] = {};
    void* view = mmap(nullptr, 4, PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    std::memcpy(bytes, view, 4);
    munmap(view, 4);
    return std::string(bytes, strnlen(bytes, 4));
  };
  {
    SharedModeBlock block(name, "job");
    EXPECT_EQ(read(), "job");
  }
  EXPECT_EQ(read(), "<absent>");
  {
    SharedModeBlock block(name, "");
    EXPECT_EQ(read(), "");
  }
}

TEST(HostShellParts, QtsOwnDialogsSpeakChineseOnceTheHostLoadsItsTranslations) {
  // The dialogs the module opens for files, printing and page set-up, as Qt builds them.
  auto texts = [](QWidget& dialog) {
    std::vector<std::string> out{dialog.windowTitle().toStdString()};
    for (auto* label : dialog.findChildren<QLabel*>()) out.push_back(label->text().toStdString());
    for (auto* button : dialog.findChildren<QAbstractButton*>()) out.push_back(button->text().toStdString());
    return out;
  };
  QPrinter printer;
  const auto englishFile = [&] { QFileDialog d; d.setOption(QFileDialog::DontUseNativeDialog); return texts(d); }();
  EXPECT_THAT(englishFile, Contains("Look in:"));

  ASSERT_TRUE(InstallQtChineseTranslations(*qApp)) << "qt6-translations-l10n";
  QFileDialog file;
  file.setOption(QFileDialog::DontUseNativeDialog);
  EXPECT_THAT(texts(file), Contains("查找范围："));
  QPrintDialog print(&printer);
  EXPECT_EQ(print.windowTitle().toStdString(), "打印");
  QPageSetupDialog setup(&printer);
  EXPECT_EQ(setup.windowTitle().toStdString(), "页面设置");
}

TEST(HostShellParts, AModuleThatDoesNotLoadIsReported) {
  ModuleLibrary m;
  QString error;
  EXPECT_FALSE(m.Load("/no/such/libdllmorvex.so", &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(m.Load("libsqlite3.so.0", &error));
  EXPECT_THAT(error.toStdString(), HasSubstr("no GetFormOne"));
}

}  // namespace
}  // namespace pt::hostapp

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
