#include "common/UnitBaseForm.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPointer>
#include <algorithm>
#include <cstring>

#include "common/ErrorGuard.h"
#include "module/HostContract.h"
#include "module/ModuleSession.h"

namespace pt {

namespace {

struct MappedView {
  void* address = nullptr;
  size_t size = 0;
};

MappedView& KeptView() {
  static MappedView view;
  return view;
}

int ClampSize(intptr_t v) {
  return static_cast<int>(std::clamp<intptr_t>(v, 0, QWIDGETSIZE_MAX));
}

}  // namespace

bool ReadHostModeTag(const char* name, std::string& tag) {
  const int fd = shm_open(name, O_RDWR, 0);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || st.st_size < 0) {
    close(fd);
    return false;
  }
  const size_t size = static_cast<size_t>(st.st_size);
  if (size == 0) {  // nothing to map: the block holds no tag
    close(fd);
    tag.clear();
    return true;
  }
  void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);  // the view, when there is one, outlives the descriptor
  if (view == MAP_FAILED) return false;
  const char* bytes = static_cast<const char*>(view);
  const size_t n = std::min<size_t>(3, size);
  const void* nul = std::memchr(bytes, '\0', n);
  tag.assign(bytes, nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : n);
  ReleaseHostModeTagView();
  KeptView() = {view, size};
  return true;
}

void ReleaseHostModeTagView() {
  MappedView& v = KeptView();
  if (v.address) munmap(v.address, v.size);
  v = {};
}

TFrmBase::TFrmBase(QWidget* owner) : QWidget(owner) {
  setObjectName(QStringLiteral("TFrmBase"));
  QFont f(QString::fromUtf8("宋体"));
  f.setPointSize(9);
  setFont(f);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  setAutoFillBackground(true);

  PanelMain = new QFrame(this);
  PanelMain->setObjectName(QStringLiteral("PanelMain"));
  PanelMain->setFrameShape(QFrame::NoFrame);
  PanelMain->move(0, 0);

  if (owner) {
    owner->installEventFilter(this);
    FollowParent();
  }
  FormCreate();
}

TFrmBase::~TFrmBase() = default;

void TFrmBase::FormCreate() {
  // Top-level dialogs and message boxes of the module then belong to the host application.
  session::ApplicationHandle = session::HostAppHandle;
  ReadHostModeTag(kHostMapName, session::HostModeTag);
}

void TFrmBase::FormClose() {
  if (!closeNoticeSent_) {
    closeNoticeSent_ = true;
    if (QWidget* notify = session::HostNotifyControl.data()) {
      WindowMessage notice(kMsgWindowClosed, 0, 0);
      QCoreApplication::sendEvent(notify, &notice);
    }
  }
  setAttribute(Qt::WA_DeleteOnClose);
}

void TFrmBase::closeEvent(QCloseEvent* event) {
  Guard(this, [&] {
    // The close goes on whatever the closing work runs into: the host has been told.
    setAttribute(Qt::WA_DeleteOnClose);
    event->accept();
    FormClose();
  });
}

bool TFrmBase::event(QEvent* event) {
  return Guard(this, true, [&] {
    if (event->type() == kWindowMessageEvent) {
      const auto* m = static_cast<const WindowMessage*>(event);
      if (m->message == kMsgPanelResize) {
        // Height first, then width; the controls inside follow their own alignment.
        PanelMain->resize(PanelMain->width(), ClampSize(m->wParam));
        PanelMain->resize(ClampSize(m->lParam), PanelMain->height());
        return true;
      }
    }
    if (event->type() == QEvent::ParentChange && parentWidget()) {
      parentWidget()->installEventFilter(this);  // filters left on an earlier parent stay inert
      FollowParent();
    }
    return QWidget::event(event);
  });
}

bool TFrmBase::eventFilter(QObject* watched, QEvent* event) {
  return Guard(this, false, [&] {
    if (watched == parentWidget() && event->type() == QEvent::Resize) FollowParent();
    return QWidget::eventFilter(watched, event);
  });
}

void TFrmBase::FollowParent() {
  if (QWidget* p = parentWidget()) setGeometry(p->rect());
}

QString TFrmBase::hostModeTag() const { return QString::fromLatin1(session::HostModeTag.c_str()); }

QString TFrmBase::operatorCode() const { return QString::fromStdString(session::OperatorCode); }

}  // namespace pt
