#include "report_engine/ReportPainter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPen>

#include "report_engine/QtTextMeasurer.h"

namespace pt::report {

namespace {

QColor Rgb(uint32_t c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

Qt::Alignment ToQt(HAlign a) {
  switch (a) {
    case HAlign::Center: return Qt::AlignHCenter;
    case HAlign::Right: return Qt::AlignRight;
    case HAlign::Left: break;
  }
  return Qt::AlignLeft;
}

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

ReportPainter::ReportPainter(const PreparedReport& report)
    : report_(report), images_(report.images.size()), decoded_(report.images.size(), false) {
  InstallFontSubstitutes();
}

const QImage& ReportPainter::Image(uint32_t index) {
  // A report laid out page by page gains images as it goes.
  if (index >= images_.size()) {
    images_.resize(report_.images.size());
    decoded_.resize(report_.images.size(), false);
  }
  if (!decoded_[index]) {
    const auto& bytes = report_.images[index];
    if (bytes) images_[index].loadFromData(reinterpret_cast<const uchar*>(bytes->data()), static_cast<int>(bytes->size()));
    decoded_[index] = true;
  }
  return images_[index];
}

void ReportPainter::Paint(QPainter& p, const Page& page, const QRectF& target) {
  const double sx = target.width() / page.width;
  const double sy = target.height() / page.height;
  const double ox = target.x(), oy = target.y();
  auto X = [&](double mm) { return ox + mm * sx; };
  auto Y = [&](double mm) { return oy + mm * sy; };
  auto R = [&](const RectF& r) { return QRectF(X(r.x), Y(r.y), r.width * sx, r.height * sy); };
  // A point is 1/72 inch on the device whatever its resolution: scale the report's points by
  // how much larger than life the page is drawn.
  const double dpi = p.device() ? p.device()->logicalDpiY() : 96;
  const double pointScale = sy * 25.4 / dpi;

  std::vector<QFont> fonts;
  fonts.reserve(report_.fonts.size());
  for (const FontSpec& f : report_.fonts) fonts.push_back(MakeQFont(f, f.size * pointScale));
  int currentFont = -1;

  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  for (const Item& item : page.items) {
    if (const auto* t = std::get_if<TextItem>(&item)) {
      if (t->font >= fonts.size()) continue;
      if (currentFont != static_cast<int>(t->font)) {
        p.setFont(fonts[t->font]);
        currentFont = static_cast<int>(t->font);
      }
      p.setPen(Rgb(t->color));
      const Qt::Alignment align = ToQt(t->hAlign) | Qt::AlignVCenter;
      for (size_t i = 0; i < t->LineCount(); ++i) {
        QRectF line(X(t->box.x), Y(t->top + static_cast<double>(i) * t->lineHeight), t->box.width * sx,
                    t->lineHeight * sy);
        p.drawText(line, static_cast<int>(align | Qt::TextDontClip | Qt::TextSingleLine), Utf8(t->LineText(i)));
      }
    } else if (const auto* l = std::get_if<LineItem>(&item)) {
      QPen pen(Rgb(l->color));
      pen.setWidthF(std::max(l->width * sx, 0.5));
      pen.setCapStyle(Qt::SquareCap);
      p.setPen(pen);
      p.drawLine(QPointF(X(l->x1), Y(l->y1)), QPointF(X(l->x2), Y(l->y2)));
    } else if (const auto* r = std::get_if<RectItem>(&item)) {
      if (r->lineWidth > 0) {
        QPen pen(Rgb(r->lineColor));
        pen.setWidthF(std::max(r->lineWidth * sx, 0.5));
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
      } else {
        p.setPen(Qt::NoPen);
      }
      p.setBrush(r->filled ? QBrush(Rgb(r->fillColor)) : QBrush(Qt::NoBrush));
      p.drawRect(R(r->box));
      p.setBrush(Qt::NoBrush);
    } else if (const auto* b = std::get_if<BarcodeItem>(&item)) {
      std::vector<QRectF> bars;
      bars.reserve(b->bars.size());
      for (const auto& bar : b->bars) bars.emplace_back(X(bar.x), Y(bar.y), bar.width * sx, bar.height * sy);
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::black);
      p.drawRects(bars.data(), static_cast<int>(bars.size()));
      p.setBrush(Qt::NoBrush);
      if (!b->texts.empty() && b->font < report_.fonts.size()) {
        p.setPen(Qt::black);
        for (const auto& t : b->texts) {
          // The size is an em height in millimetres.
          QFont f = MakeQFont(report_.fonts[b->font], t.size / (25.4 / 72.0) * pointScale);
          p.setFont(f);
          QString text = Utf8(t.text);
          double w = QFontMetricsF(f, p.device()).horizontalAdvance(text);
          double x = X(t.x);
          if (t.hAlign == HAlign::Center) x -= w / 2;
          else if (t.hAlign == HAlign::Right) x -= w;
          p.drawText(QPointF(x, Y(t.baseline)), text);
        }
        currentFont = -1;
      }
    } else if (const auto* im = std::get_if<ImageItem>(&item)) {
      QRectF box = R(im->box);
      const QImage& img = im->image < report_.images.size() ? Image(im->image) : QImage();
      if (img.isNull()) {
        // Not an image Qt can read: a crossed box shows where it should be.
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(box);
        p.drawLine(box.topLeft(), box.bottomRight());
        p.drawLine(box.bottomLeft(), box.topRight());
        continue;
      }
      QRectF dst = box;
      if (im->keepAspect && img.width() > 0 && img.height() > 0) {
        QSizeF s = QSizeF(img.size()).scaled(box.size(), Qt::KeepAspectRatio);
        dst = QRectF(box.x() + (box.width() - s.width()) / 2, box.y() + (box.height() - s.height()) / 2, s.width(),
                     s.height());
      }
      p.drawImage(dst, img);
    }
  }
  p.restore();
}

}  // namespace pt::report
