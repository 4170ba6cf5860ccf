#include "designer/DesignerIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cstring>

namespace pt::designer {

namespace {

const QColor kInk(0x33, 0x3d, 0x4a);
const QColor kAccent(0x1e, 0x6f, 0xd9);
const QColor kSoft(0xc9, 0xdc, 0xf7);

// Draws on a 20 × 20 grid whatever the pixmap's size.
void Draw(QPainter& p, const char* n) {
  auto is = [n](const char* s) { return std::strcmp(n, s) == 0; };
  p.setRenderHint(QPainter::Antialiasing);
  QPen ink(kInk, 1.4);
  ink.setJoinStyle(Qt::RoundJoin);
  ink.setCapStyle(Qt::RoundCap);
  p.setPen(ink);
  if (is("new") || is("page")) {
    QPainterPath page;
    page.moveTo(4, 2);
    page.lineTo(12, 2);
    page.lineTo(16, 6);
    page.lineTo(16, 18);
    page.lineTo(4, 18);
    page.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(12, 2), QPointF(12, 6));
    p.drawLine(QPointF(12, 6), QPointF(16, 6));
    if (is("page")) {
      p.setBrush(kSoft);
      p.setPen(QPen(kAccent, 1));
      for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c) p.drawRect(QRectF(5.5 + c * 4.7, 7.5 + r * 3.4, 3.8, 2.6));
    }
  } else if (is("open")) {
    p.setBrush(QColor(0xf2, 0xc9, 0x4c));
    QPainterPath folder;
    folder.moveTo(2, 5);
    folder.lineTo(8, 5);
    folder.lineTo(10, 7);
    folder.lineTo(18, 7);
    folder.lineTo(18, 16);
    folder.lineTo(2, 16);
    folder.closeSubpath();
    p.drawPath(folder);
  } else if (is("save")) {
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(3, 3, 14, 14), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6, 3, 8, 5));
    p.drawRect(QRectF(5.5, 11, 9, 6));
  } else if (is("database") || is("database-save")) {
    p.setBrush(kSoft);
    p.drawRect(QRectF(3, 5, 12, 11));
    p.drawEllipse(QRectF(3, 13, 12, 5));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(3.7, 5, 10.6, 10.5));
    p.setPen(ink);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(3, 2.5, 12, 5));
    if (is("database-save")) {
      p.setPen(QPen(kAccent, 2, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(16.5, 8), QPointF(16.5, 17));
      p.drawLine(QPointF(13.5, 14), QPointF(16.5, 17.5));
      p.drawLine(QPointF(19.5, 14), QPointF(16.5, 17.5));
    }
  } else if (is("undo") || is("redo")) {
    if (is("redo")) {
      p.translate(20, 0);
      p.scale(-1, 1);
    }
    p.setPen(QPen(kAccent, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath arc;
    arc.moveTo(5, 8);
    arc.cubicTo(9, 3, 18, 5, 16, 13);
    arc.cubicTo(15, 16, 12, 17, 9, 16);
    p.drawPath(arc);
    p.setBrush(kAccent);
    QPolygonF head({QPointF(2, 8), QPointF(8, 4), QPointF(8, 11)});
    p.drawPolygon(head);
  } else if (is("delete")) {
    p.setPen(QPen(QColor(0xc0, 0x30, 0x30), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(15, 15));
    p.drawLine(QPointF(15, 5), QPointF(5, 15));
  } else if (is("text")) {
    QFont f("WenQuanYi Zen Hei");
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(0, 0, 20, 20), Qt::AlignCenter, QString::fromUtf8("文"));
  } else if (is("barcode")) {
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    const double bars[][2] = {{2, 1}, {4, 2}, {7, 1}, {9, 1}, {11, 2.5}, {14.5, 1}, {16, 2}};
    for (const auto& b : bars) p.drawRect(QRectF(b[0], 3, b[1], 14));
  } else if (is("line")) {
    p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 16), QPointF(17, 4));
  } else if (is("rectangle")) {
    p.setBrush(kSoft);
    p.drawRect(QRectF(3, 5, 14, 10));
  } else if (is("picture")) {
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 3.5, 15, 13));
    p.setBrush(QColor(0x4c, 0xa3, 0x5a));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(3.5, 15.5), QPointF(8, 9), QPointF(11, 13), QPointF(13, 11), QPointF(16.5, 15.5)}));
    p.setBrush(QColor(0xf2, 0xb1, 0x34));
    p.drawEllipse(QPointF(13.5, 7), 1.8, 1.8);
  } else if (std::strncmp(n, "align-", 6) == 0) {
    const bool vertical = is("align-left") || is("align-hcenter") || is("align-right");
    if (!vertical) {
      p.translate(20, 0);
      p.rotate(90);
    }
    const double guide = is("align-left") || is("align-top") ? 3 : is("align-right") || is("align-bottom") ? 17 : 10;
    p.setPen(QPen(kAccent, 1.6));
    p.drawLine(QPointF(guide, 1.5), QPointF(guide, 18.5));
    p.setPen(QPen(kInk, 1));
    p.setBrush(kSoft);
    const double widths[] = {12, 8};
    for (int i = 0; i < 2; ++i) {
      const double w = widths[i];
      const double x = guide == 3 ? 3 : guide == 17 ? 17 - w : 10 - w / 2;
      p.drawRect(QRectF(x, 4 + i * 7, w, 5));
    }
  } else if (is("distribute-h") || is("distribute-v")) {
    if (is("distribute-v")) {
      p.translate(20, 0);
      p.rotate(90);
    }
    p.setPen(QPen(kInk, 1));
    p.setBrush(kSoft);
    for (int i = 0; i < 3; ++i) p.drawRect(QRectF(1.5 + i * 6.5, 5 + (i % 2) * 3, 4, 7));
    p.setPen(QPen(kAccent, 1.2));
    p.drawLine(QPointF(1, 18), QPointF(19, 18));
  } else if (is("forward") || is("backward") || is("front") || is("back")) {
    const bool up = is("forward") || is("front");
    p.setPen(QPen(kInk, 1));
    p.setBrush(up ? QColor(Qt::white) : kAccent);
    p.drawRect(QRectF(2.5, 2.5, 10, 10));
    p.setBrush(up ? kAccent : QColor(Qt::white));
    p.drawRect(QRectF(7.5, 7.5, 10, 10));
    if (!up) {
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(kInk, 1, Qt::DotLine));
      p.drawRect(QRectF(2.5, 2.5, 10, 10));
    }
  } else if (is("check")) {
    p.setPen(QPen(QColor(0x2e, 0x9a, 0x4b), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(3.5, 10.5), QPointF(8, 15), QPointF(16.5, 4.5)}));
  }
}

}  // namespace

QIcon DesignerIcon(const char* name) {
  QIcon icon;
  for (int size : {20, 40}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.scale(size / 20.0, size / 20.0);
    Draw(p, name);
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace pt::designer
