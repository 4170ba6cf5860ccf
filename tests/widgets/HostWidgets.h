#pragma once
// Host-side widgets for tests of the module entry: the panel that holds the main window and the
// control that receives the close notice (1028).
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QCoreApplication>
#include <functional>
#include <string>
#include <vector>

#include "module/HostContract.h"

namespace pt::test {

class NotifyControl : public QWidget {
 public:
  int closeNotices = 0;
  intptr_t lastWParam = -1, lastLParam = -1;
  // Asked at the moment each notice arrives (e.g. "is the window still there?").
  std::function<void()> onNotice;

  bool event(QEvent* e) override {
    if (e->type() == kWindowMessageEvent) {
      const auto* m = static_cast<const WindowMessage*>(e);
      if (m->message == kMsgWindowClosed) {
        ++closeNotices;
        lastWParam = m->wParam;
        lastLParam = m->lParam;
        if (onNotice) onNotice();
        return true;
      }
    }
    return QWidget::event(e);
  }
};

// A short string as the host passes it: a length byte and the bytes.
inline std::vector<unsigned char> ShortString(const std::string& bytes) {
  std::vector<unsigned char> s;
  s.push_back(static_cast<unsigned char>(bytes.size()));
  s.insert(s.end(), bytes.begin(), bytes.end());
  return s;
}

inline void SendWindowMessage(QWidget* to, int message, intptr_t wParam, intptr_t lParam) {
  WindowMessage m(message, wParam, lParam);
  QCoreApplication::sendEvent(to, &m);
}

}  // namespace pt::test
