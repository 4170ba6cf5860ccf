#pragma once
// What the host and the module share, and nothing more: the entry point, the window messages
// and the shared-memory block's name. Host and module run in one process on one Qt, so host
// controls are QWidget pointers and window messages are synchronous Qt events.
#include <QEvent>
#include <QWidget>
#include <cstdint>

#include "host/HostService.h"

namespace pt {

constexpr int kWmUser = 0x0400;
constexpr int kMsgPanelResize = kWmUser + 2;  // 1026, host -> main window: wParam height, lParam width
constexpr int kMsgWindowClosed = kWmUser + 4;  // 1028, module -> host notify control, 0/0

// Both sides use this fixed event type, so no registration order can make them disagree.
constexpr QEvent::Type kWindowMessageEvent = static_cast<QEvent::Type>(QEvent::User + 1026);

// A window message delivered with QCoreApplication::sendEvent (the sender waits until the
// receiver has handled it). Receivers test type() == kWindowMessageEvent and static_cast: the
// class is compiled into both sides, so dynamic_cast across the library boundary is not used.
class WindowMessage : public QEvent {
 public:
  WindowMessage(int message, intptr_t wParam, intptr_t lParam)
      : QEvent(kWindowMessageEvent), message(message), wParam(wParam), lParam(lParam) {}
  int message;
  intptr_t wParam;
  intptr_t lParam;
};

// POSIX shared-memory name of the host's block; its first three bytes are the mode tag.
constexpr const char* kHostMapName = "/TallmisMapName";

}  // namespace pt

// The module's one exported entry point. operatorCode is a short string: a length byte followed
// by at most 255 bytes of GBK text. The module takes its own counted reference to `service`.
extern "C" typedef void (*GetFormOneFn)(int32_t hostAppHandle, QWidget* notifyControl,
                                        const unsigned char* operatorCode, QWidget* parentControl,
                                        pt::HostService* service);
