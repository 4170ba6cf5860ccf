#include "hostapp/HostWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

#include "common/GbkCodec.h"

namespace pt::hostapp {

// ---- HostNotifyControl -----------------------------------------------------------------------

HostNotifyControl::HostNotifyControl(QWidget* parent) : QWidget(parent) {
  setObjectName("ctlNotify");
  hide();
}

bool HostNotifyControl::event(QEvent* e) {
  if (e->type() == kWindowMessageEvent) {
    auto* m = static_cast<WindowMessage*>(e);
    emit windowMessage(m->message, m->wParam, m->lParam);
    e->accept();
    return true;
  }
  return QWidget::event(e);
}

// ---- ModuleLibrary ---------------------------------------------------------------------------

QString ModuleLibrary::Locate(const QString& explicitPath) {
  if (!explicitPath.isEmpty()) return explicitPath;
  QString beside = QDir(QCoreApplication::applicationDirPath()).filePath("libdllmorvex.so");
#ifdef PRICETAG_MODULE_BUILD_PATH
  // In the build tree the module is built in its own folder.
  if (!QFileInfo::exists(beside)) return QStringLiteral(PRICETAG_MODULE_BUILD_PATH);
#endif
  return beside;
}

bool ModuleLibrary::Load(const QString& path, QString* error) {
  lib_.setFileName(path);
  lib_.setLoadHints(QLibrary::ResolveAllSymbolsHint);
  if (!lib_.load()) {
    if (error) *error = lib_.errorString();
    return false;
  }
  entry_ = reinterpret_cast<GetFormOneFn>(lib_.resolve("GetFormOne"));
  if (!entry_) {
    if (error) *error = path + ": no GetFormOne";
    lib_.unload();
    return false;
  }
  return true;
}

void ModuleLibrary::Unload() {
  entry_ = nullptr;
  if (lib_.isLoaded()) lib_.unload();
}

// ---- HostMainWindow --------------------------------------------------------------------------

HostMainWindow::HostMainWindow(HostService* service, std::string operatorCode, QWidget* parent)
    : QMainWindow(parent), service_(service), operatorCode_(std::move(operatorCode)) {
  setObjectName("HostMainWindow");
  auto* central = new QWidget(this);
  central->setObjectName("panClient");
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  panel_ = new QWidget(central);
  panel_->setObjectName("panHost");
  panel_->installEventFilter(this);
  layout->addWidget(panel_);
  notify_ = new HostNotifyControl(central);
  setCentralWidget(central);
  connect(notify_, &HostNotifyControl::windowMessage, this, &HostMainWindow::OnWindowMessage);
  resize(1280, 760);  // room for the whole toolbar of the module
}

std::string HostMainWindow::ShortString(const std::string& utf8) {
  std::string gbk = Utf8ToGbk(TruncateToGbkBytes(utf8, 255));
  if (gbk.size() > 255) gbk.resize(255);
  return std::string(1, static_cast<char>(static_cast<unsigned char>(gbk.size()))) + gbk;
}

void HostMainWindow::OpenModule(GetFormOneFn entry) {
  std::string code = ShortString(operatorCode_);
  moduleClosed_ = false;
  entry(kAppHandle, notify_, reinterpret_cast<const unsigned char*>(code.data()), panel_, service_);
}

QWidget* HostMainWindow::moduleWindow() const {
  const auto children = panel_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  return children.isEmpty() ? nullptr : children.last();
}

bool HostMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == panel_ && event->type() == QEvent::Resize) {
    if (QWidget* w = moduleWindow()) {
      WindowMessage m(kMsgPanelResize, panel_->height(), panel_->width());
      QCoreApplication::sendEvent(w, &m);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void HostMainWindow::OnWindowMessage(int message, qintptr wParam, qintptr lParam) {
  Log(QStringLiteral("window message %1 (wParam %2, lParam %3)").arg(message).arg(wParam).arg(lParam));
  if (message != kMsgWindowClosed || moduleClosed_) return;
  moduleClosed_ = true;
  Log(QStringLiteral("the module's window closed; closing the host"));
  // The notice arrives while the module is still closing its window: close once it is done.
  QTimer::singleShot(0, this, [this] { close(); });
}

void HostMainWindow::closeEvent(QCloseEvent* event) {
  // Closing the host closes the module's window first, so it does its own closing work.
  if (!moduleClosed_) {
    if (QWidget* w = moduleWindow(); w && w->isVisible() && !w->close()) {
      event->ignore();
      return;
    }
  }
  QMainWindow::closeEvent(event);
}

void HostMainWindow::Log(const QString& line) {
  if (log_) log_(line);
  else std::fprintf(stderr, "pricetag-host: %s\n", line.toLocal8Bit().constData());
}

}  // namespace pt::hostapp
