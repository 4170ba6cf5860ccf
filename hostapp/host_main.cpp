// pricetag-host: the stand-in host application. Opens the database, creates the shared-memory
// block, loads the module library and hands it the panel, then runs until its window closes.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <QMessageBox>
#include <QSocketNotifier>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "hostapp/DemoPrint.h"
#include "hostapp/HostOptions.h"
#include "hostapp/HostWindow.h"
#include "hostapp/QtTranslations.h"
#include "hostapp/SharedModeBlock.h"
#include "hostapp/SqliteHostService.h"
#include "hostapp/TraceHostService.h"

namespace {

using namespace pt::hostapp;

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
  char c = 1;
  [[maybe_unused]] ssize_t n = write(signalPipe[1], &c, 1);
}

// Ctrl+C or a kill closes the windows as the close button does (the module does its closing
// work), and the block is unlinked and the module unloaded on the way out.
void QuitOnSignals(QApplication& app) {
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
    char c;
    [[maybe_unused]] ssize_t n = read(signalPipe[0], &c, 1);
    QApplication::closeAllWindows();
    QCoreApplication::quit();
  });
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

// PRICETAG_HOST_CALL_DELAY_MS: every data service call takes that much longer, as on a slow
// server; for trying what the clerk sees during a long request (the busy hint).
class DelayedHostService final : public pt::HostService {
 public:
  DelayedHostService(pt::HostService& inner, int ms) : inner_(inner), ms_(ms) {}
  void AddRef() override { inner_.AddRef(); }
  void Release() override { inner_.Release(); }
  pt::Variant Invoke(int dispId, std::vector<pt::Variant>& args) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms_));
    return inner_.Invoke(dispId, args);
  }

 private:
  pt::HostService& inner_;
  int ms_;
};

int Fail(const QString& message) {
  std::fprintf(stderr, "pricetag-host: %s\n", message.toLocal8Bit().constData());
  const QString platform = QGuiApplication::platformName();
  if (platform != "offscreen" && platform != "minimal") QMessageBox::critical(nullptr, "pricetag-host", message);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  HostOptions options;
  std::string error;
  if (!ParseHostOptions(args, options, error)) {
    std::fprintf(stderr, "pricetag-host: %s\n%s", error.c_str(), HostUsage().c_str());
    return 2;
  }
  if (options.help) {
    std::printf("%s", HostUsage().c_str());
    return 0;
  }

  // Without a display the main job is the demo print run, offscreen.
  const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                         qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
  if (noDisplay) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (options.printPdf.empty()) options.printPdf = DemoPdfPath();
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName("pricetag-host");
  if (!InstallQtChineseTranslations(app))
    std::fprintf(stderr, "pricetag-host: Qt's Chinese translations are missing (qt6-translations-l10n); Qt's dialogs stay in English\n");
  QuitOnSignals(app);

  std::unique_ptr<HostDatabase> db;
  try {
    std::string note;
    db = OpenHostDatabase(options, &note);
    if (!note.empty()) std::fprintf(stderr, "pricetag-host: %s\n", note.c_str());
  } catch (const std::exception& e) {
    return Fail(QString::fromUtf8(e.what()));
  }
  DbHostService service(*db);
  pt::HostService* served = &service;
  std::unique_ptr<TraceHostService> trace;  // no trace asked for: no file, nothing in between
  if (std::string file = ChooseTraceFile(options.traceFile); !file.empty()) {
    try {
      trace = std::make_unique<TraceHostService>(service, file);
    } catch (const std::exception& e) {
      return Fail(QString::fromUtf8(e.what()));
    }
    served = trace.get();
  }
  std::unique_ptr<DelayedHostService> delayed;
  if (const int ms = qEnvironmentVariableIntValue("PRICETAG_HOST_CALL_DELAY_MS"); ms > 0) {
    delayed = std::make_unique<DelayedHostService>(*served, ms);
    served = delayed.get();
  }

  std::unique_ptr<SharedModeBlock> block;
  try {
    block = std::make_unique<SharedModeBlock>(pt::kHostMapName, options.modeTag);
  } catch (const std::exception& e) {
    return Fail(QString::fromUtf8(e.what()));
  }

  ModuleLibrary module;
  QString path = ModuleLibrary::Locate(QString::fromStdString(options.modulePath));
  QString loadError;
  if (!module.Load(path, &loadError)) return Fail("cannot load the module: " + loadError);

  int rc = 0;
  {
    auto* window = new HostMainWindow(served, options.operatorCode);
    window->setWindowTitle(QStringLiteral("商品标价签打印 - 演示宿主 (服务器日期 %1, 职员 %2)")
                               .arg(QString::fromStdString(db->clock().Date()), QString::fromStdString(options.operatorCode)));
    window->show();
    window->OpenModule(module.entry());
    if (!options.printPdf.empty()) {
      const QString pdf = QFileInfo(QString::fromStdString(options.printPdf)).absoluteFilePath();
      QTimer::singleShot(0, window, [&rc, window, pdf, &db] {
        const DemoPrintResult r = RunDemoPrint(window->moduleWindow(), DemoProductCodes(*db, 4),
                                               QString::fromUtf8("普通标价签"), pdf);
        for (const QString& m : r.messages) std::fprintf(stderr, "pricetag-host: the module said: %s\n", m.toUtf8().constData());
        if (r.ok) {
          std::printf("%s\n", r.pdfPath.toUtf8().constData());
          std::fprintf(stderr, "pricetag-host: printed %d labels to %s\n", r.labels, r.pdfPath.toUtf8().constData());
        } else {
          std::fprintf(stderr, "pricetag-host: the demo print failed: %s\n", r.error.toUtf8().constData());
          rc = 1;
        }
        std::fflush(stdout);
        window->close();
      });
    }
    const int loop = app.exec();
    if (rc == 0) rc = loop;
    // Every widget the module made goes before its library does.
    delete window;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets()) delete w;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  module.Unload();
  if (service.RefCount() != 0)
    std::fprintf(stderr, "pricetag-host: the module still holds %d reference(s) to the data service\n", service.RefCount());
  return rc;
}
