#pragma once
// Toolbar buttons of the windows: a flat text button with its name, caption and hint.
#include <QString>
#include <QToolBar>
#include <QToolButton>

namespace pt {

inline QToolButton* MakeToolButton(QToolBar* bar, const char* name, const char* caption, const char* hint = nullptr) {
  auto* b = new QToolButton(bar);
  b->setObjectName(name);
  b->setText(QString::fromUtf8(caption));
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  b->setAutoRaise(true);
  if (hint) b->setToolTip(QString::fromUtf8(hint));
  bar->addWidget(b);
  return b;
}

}  // namespace pt
