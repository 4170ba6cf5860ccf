#include "dialogs/FlatControls.h"

#include <QEnterEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "common/ErrorGuard.h"
#include "common/FlatDialog.h"

namespace pt {

QColor WinColor(int64_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  if (v == static_cast<uint32_t>(kClInfoBk)) return QGuiApplication::palette().color(QPalette::ToolTipBase);
  return WinColorToQColor(value);
}

// ---------------------------------------------------------------- TShape

TShape::TShape(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

void TShape::SetPenColor(qint64 color) {
  pen_ = color;
  update();
}

void TShape::SetBrushColor(qint64 color) {
  if (color < 0)
    brush_.reset();
  else
    brush_ = color;
  update();
}

void TShape::paintEvent(QPaintEvent*) {
  Guard(this, [&] {
    QPainter p(this);
    if (brush_) p.fillRect(rect(), WinColor(*brush_));
    p.setPen(WinColor(pen_));
    if (height() <= 1 || width() <= 1)
      p.drawLine(0, 0, width() - 1, height() - 1);
    else
      p.drawRect(rect().adjusted(0, 0, -1, -1));
  });
}

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(const QString& text, QWidget* parent) : QLabel(text, parent) { SetFontColor(kClBlack); }

void TLabel::SetColor(qint64 color) {
  color_ = color;
  // The button face is the label's "no colour of its own": it shows what lies behind it.
  bool own = static_cast<uint32_t>(color) != static_cast<uint32_t>(kClBtnFace);
  setAutoFillBackground(own);
  if (own) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, WinColor(color));
    setPalette(pal);
  }
}

void TLabel::SetFontColor(qint64 color) {
  fontColor_ = color;
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, WinColor(color));
  setPalette(pal);
}

// ---------------------------------------------------------------- TFlatButton

TFlatButton::TFlatButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  setAutoDefault(false);
  setDefault(false);
  setFlat(true);
  setCursor(Qt::PointingHandCursor);
}

void TFlatButton::enterEvent(QEnterEvent* event) {
  Guard(this, [&] {
    hovered_ = true;
    update();
    QPushButton::enterEvent(event);
  });
}

void TFlatButton::leaveEvent(QEvent* event) {
  Guard(this, [&] {
    hovered_ = false;
    update();
    QPushButton::leaveEvent(event);
  });
}

void TFlatButton::paintEvent(QPaintEvent*) {
  Guard(this, [&] {
    QPainter p(this);
    QColor face = WinColor(hasFocus() ? focused_ : color_);
    if (isDown()) face = face.darker(115);
    p.fillRect(rect(), face);
    bool lit = (hovered_ || hasFocus()) && isEnabled();
    QPen pen(WinColor(lit ? highlight_ : border_));
    pen.setWidth(lit ? 2 : 1);
    p.setPen(pen);
    p.drawRect(lit ? rect().adjusted(1, 1, -1, -1) : rect().adjusted(0, 0, -1, -1));
    p.setPen(isEnabled() ? palette().color(QPalette::ButtonText) : palette().color(QPalette::Disabled, QPalette::ButtonText));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, text());
  });
}

// ---------------------------------------------------------------- forms

void RemoveCaptionBar(QWidget* form) {
  form->setWindowFlags((form->windowFlags() & ~(Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                 Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint)) |
                       Qt::FramelessWindowHint);
  form->setProperty("captionRemoved", true);
}

void PaintDialogBorder(QWidget* form) {
  if (!form->property("captionRemoved").toBool()) return;
  QPainter p(form);
  const QPalette& pal = form->palette();
  QRect r = form->rect().adjusted(0, 0, -1, -1);
  p.setPen(pal.color(QPalette::Light));
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(pal.color(QPalette::Shadow));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
  r.adjust(1, 1, -1, -1);
  p.setPen(pal.color(QPalette::Dark));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

}  // namespace pt
