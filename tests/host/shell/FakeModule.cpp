// A module library of the tests' own, loaded by the host shell in place of the real one. It does
// what the host may rely on of a module and records what it received, in properties of its
// window: the operator code, the mode tag, the last 1026 message, the server date it asked for.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>
#include <cstring>

#include "module/HostContract.h"

namespace {

pt::HostService* heldService = nullptr;

std::string ModeTag() {
  int fd = shm_open(pt::kHostMapName, O_RDONLY, 0);
  if (fd < 0) return "<absent>";
  void* view = mmap(nullptr, 3, PROT_READ, MAP_SHARED, fd, 0);
  close(fd);
  if (view == MAP_FAILED) return "<unmapped>";
  std::string tag(static_cast<const char*>(view), strnlen(static_cast<const char*>(view), 3));
  munmap(view, 3);
  return tag;
}

class FakeMainWindow : public QWidget {
 public:
  FakeMainWindow(QWidget* parent, QWidget* notify) : QWidget(parent), notify_(notify) {
    setObjectName("FakeMainWindow");
    setAttribute(Qt::WA_DeleteOnClose);
  }

 protected:
  bool event(QEvent* e) override {
    if (e->type() == pt::kWindowMessageEvent) {
      auto* m = static_cast<pt::WindowMessage*>(e);
      if (m->message == pt::kMsgPanelResize) {
        setProperty("resizeHeight", static_cast<qlonglong>(m->wParam));
        setProperty("resizeWidth", static_cast<qlonglong>(m->lParam));
        setProperty("resizeCount", property("resizeCount").toInt() + 1);
      }
      return true;
    }
    return QWidget::event(e);
  }
  void closeEvent(QCloseEvent* e) override {
    if (notify_) {
      pt::WindowMessage m(pt::kMsgWindowClosed, 0, 0);
      QCoreApplication::sendEvent(notify_, &m);
    }
    e->accept();
  }

 private:
  QPointer<QWidget> notify_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) void GetFormOne(int32_t hostAppHandle, QWidget* notifyControl,
                                                                   const unsigned char* operatorCode,
                                                                   QWidget* parentControl, pt::HostService* service) {
  if (heldService) heldService->Release();
  heldService = service;
  service->AddRef();
  auto* w = new FakeMainWindow(parentControl, notifyControl);
  w->setProperty("appHandle", hostAppHandle);
  w->setProperty("operatorCode", QByteArray(reinterpret_cast<const char*>(operatorCode + 1), operatorCode[0]));
  w->setProperty("modeTag", QString::fromStdString(ModeTag()));
  std::vector<pt::Variant> args{pt::Variant()};
  pt::Variant ok = service->Invoke(pt::disp::GetServerDate, args);
  w->setProperty("serverDate", QString::fromStdString(ok.ToBool() ? args[0].ToText() : "<failed>"));
  w->resize(parentControl->size());
  w->show();
}

__attribute__((destructor)) static void UnloadFakeModule() {
  if (heldService) heldService->Release();
  heldService = nullptr;
}
