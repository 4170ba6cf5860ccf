#include "common/ErrorGuard.h"

#include <exception>
#include <vector>

#include "common/ModuleError.h"
#include "common/UiSeam.h"

namespace pt {

namespace {

struct HandlerEntry {
  unsigned long long id;
  UnreportedErrorHandler handler;
};

// Innermost last. One thread (the user-interface thread) uses it.
std::vector<HandlerEntry>& Handlers() {
  static std::vector<HandlerEntry> handlers;
  return handlers;
}

unsigned long long g_nextId = 1;

const char* const kUnknownError = "未知错误！";

}  // namespace

void ShowDefaultErrorBox(QWidget* owner, const std::string& message) noexcept {
  try {
    ui::MessageRequest r;
    r.owner = owner;
    r.text = QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
    r.caption = ui::ApplicationTitle();
    r.icon = ui::Icon::Error;
    r.buttons = ui::Buttons::Ok;
    r.defaultErrorBox = true;
    ui::Handler().Message(r);
  } catch (...) {
    // Nowhere left to report to; the command has ended either way.
  }
}

void ReportUnhandledError(QWidget* owner, const std::string& message) noexcept {
  try {
    auto& handlers = Handlers();
    if (handlers.empty()) {
      ShowDefaultErrorBox(owner, message);
      return;
    }
    // A copy: the handler may end scopes (and so change the list) while it runs.
    UnreportedErrorHandler handler = handlers.back().handler;
    if (handler) handler(owner, message);
  } catch (...) {
  }
}

ErrorHandlerScope::ErrorHandlerScope(UnreportedErrorHandler handler) : id_(g_nextId++) {
  Handlers().push_back({id_, std::move(handler)});
}

ErrorHandlerScope::~ErrorHandlerScope() {
  auto& handlers = Handlers();
  for (auto it = handlers.begin(); it != handlers.end(); ++it) {
    if (it->id == id_) {
      handlers.erase(it);
      break;
    }
  }
}

UnreportedErrorHandler ErrorHandlerScope::Silent() {
  return [](QWidget*, const std::string&) {};
}

void Guard(QWidget* owner, const std::function<void()>& fn) noexcept {
  // Each catch reports after the handler block has released the exception object.
  std::string message;
  try {
    if (fn) fn();
    return;
  } catch (const ModuleError& e) {
    message = e.what();
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = kUnknownError;
  }
  ReportUnhandledError(owner, message);
}

}  // namespace pt
