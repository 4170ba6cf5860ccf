#pragma once
// The one wrapper every event handler runs inside. An error that no operation caught ends the
// current command and goes to the module's handler of unreported errors: normally the
// application's default error box (caption the application title, error icon, OK), silence
// while a busy hint exists. No exception ever leaves a Qt event handler.
//
//   connect(btnRf, &QPushButton::clicked, this, pt::Guarded(this, [this] { btnRfClick(); }));
//   void TFrmX::keyPressEvent(QKeyEvent* e) { pt::Guard(this, [&] { FormKeyDown(e); }); }
//   bool TFrmX::eventFilter(QObject* o, QEvent* e) { return pt::Guard(this, true, [&] { ... }); }
//
// An event override's whole body is one such call, and so is a dialog's reject() or accept()
// (Qt calls them from its Esc key and close box) unless it calls nothing but done();
// tests/core/handler_guard_test.cpp checks every connect() and every override of the module's
// sources for it.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace pt {

// Receives the text of an error that no operation caught, with the window it arose in.
using UnreportedErrorHandler = std::function<void(QWidget* owner, const std::string& message)>;

// Sends an uncaught error to the handler in force: the innermost ErrorHandlerScope, else the
// default error box. Never throws.
void ReportUnhandledError(QWidget* owner, const std::string& message) noexcept;

// The default error box itself (through the UI seam, MessageRequest::defaultErrorBox set).
void ShowDefaultErrorBox(QWidget* owner, const std::string& message) noexcept;

// Puts a handler in force for the scope's lifetime. Scopes may end in any order: ending one
// removes exactly its own handler, and the innermost remaining one is in force again.
class ErrorHandlerScope {
 public:
  explicit ErrorHandlerScope(UnreportedErrorHandler handler);
  ~ErrorHandlerScope();
  ErrorHandlerScope(const ErrorHandlerScope&) = delete;
  ErrorHandlerScope& operator=(const ErrorHandlerScope&) = delete;

  // A handler that drops every error (the busy hint's).
  static UnreportedErrorHandler Silent();

 private:
  unsigned long long id_;
};

// Runs fn; ModuleError, any std::exception and anything else thrown are reported through
// ReportUnhandledError and end there.
void Guard(QWidget* owner, const std::function<void()>& fn) noexcept;

namespace detail {
// Calls fn with the signal's arguments when it takes them, else without. A function template of
// its own, so the branch not taken is never instantiated (clang checks a call that does not
// depend on a generic lambda's parameters as soon as the lambda is defined).
template <class F, class... Args>
void CallHandler(F& fn, Args&&... args) {
  if constexpr (std::is_invocable_v<F&, Args...>)
    fn(std::forward<Args>(args)...);
  else
    fn();
}
}  // namespace detail

// For overrides that answer (event, eventFilter): runs fn inside Guard and returns its answer,
// or `onError` when it threw (true: the event counts as handled, its command has ended).
template <class R, class F>
R Guard(QWidget* owner, R onError, F&& fn) noexcept {
  R answer = onError;
  Guard(owner, [&] { answer = fn(); });
  return answer;
}

// Wraps a handler for QObject::connect: the result accepts the signal's arguments, passes them
// on when fn takes them, and runs fn inside Guard. The owner is tracked, so a handler that
// outlives its window reports without an owner.
template <class F>
auto Guarded(QWidget* owner, F fn) {
  return [owner = QPointer<QWidget>(owner), fn = std::move(fn)](auto&&... args) mutable {
    Guard(owner.data(), [&] { detail::CallHandler(fn, std::forward<decltype(args)>(args)...); });
  };
}

}  // namespace pt
