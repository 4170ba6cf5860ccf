#pragma once
// The keys of the two list windows, seen before the focused control: Ctrl+P prints, Ctrl+V
// previews, Esc closes, F3 opens the column chooser.
#include <QEvent>
#include <QKeyEvent>
#include <QToolButton>
#include <QWidget>

#include "common/ErrorGuard.h"

namespace pt::reports {

struct ListWindowButtons {
  QToolButton* print;
  QToolButton* preview;
  QToolButton* exit;
  QToolButton* choose;
};

// Clicks the button a key stands for; false when the key has no window-wide action.
inline bool ListWindowKeyDown(const ListWindowButtons& b, int key, Qt::KeyboardModifiers shift) {
  QToolButton* target = nullptr;
  if (shift & Qt::ControlModifier) {
    if (key == Qt::Key_P) target = b.print;
    if (key == Qt::Key_V) target = b.preview;
  } else if (key == Qt::Key_Escape) {
    target = b.exit;
  } else if (key == Qt::Key_F3) {
    target = b.choose;
  }
  if (!target) return false;
  target->click();
  return true;
}

// For an application-wide event filter: a key press inside the shown window goes to the key
// table first; true when the table handled it (the press is then consumed).
inline bool RouteListWindowKey(QWidget* window, const ListWindowButtons& b, QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || !window->isVisible() || !(widget == window || window->isAncestorOf(widget))) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  bool handled = false;
  Guard(window, [&] { handled = ListWindowKeyDown(b, key->key(), key->modifiers()); });
  return handled;
}

}  // namespace pt::reports
