#include "designer/DesignCanvas.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "common/ErrorGuard.h"
#include "designer/DesignRender.h"
#include "designer/FieldCatalog.h"
#include "report_engine/QtTextMeasurer.h"
#include "report_engine/ReportPainter.h"

namespace pt::designer {

namespace {

constexpr int kRuler = 22;       // ruler breadth in pixels
constexpr int kMargin = 28;      // around the bands
constexpr int kCaption = 20;     // band caption above each band
constexpr int kBandGap = 18;     // between bands
constexpr double kHandle = 7;    // handle size in pixels
constexpr double kLineHit = 4;   // how near a line a click counts as on it

const QColor kDesk(0x7d, 0x86, 0x93);
const QColor kSelection(0x1e, 0x6f, 0xd9);

QString Mm(double v) { return QString::number(std::round(v * 10) / 10, 'f', 1); }

double DistanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
  const QPointF ab = b - a;
  const double len2 = ab.x() * ab.x() + ab.y() * ab.y();
  double t = len2 > 0 ? ((p - a).x() * ab.x() + (p - a).y() * ab.y()) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  const QPointF q = a + t * ab;
  return std::hypot(p.x() - q.x(), p.y() - q.y());
}

Qt::CursorShape CursorFor(Handle h) {
  switch (h) {
    case Handle::TopLeft:
    case Handle::BottomRight: return Qt::SizeFDiagCursor;
    case Handle::TopRight:
    case Handle::BottomLeft: return Qt::SizeBDiagCursor;
    case Handle::Top:
    case Handle::Bottom: return Qt::SizeVerCursor;
    case Handle::Left:
    case Handle::Right: return Qt::SizeHorCursor;
    case Handle::LineStart:
    case Handle::LineEnd: return Qt::CrossCursor;
    case Handle::None: break;
  }
  return Qt::ArrowCursor;
}

}  // namespace

// ------------------------------------------------------------------------------ rulers

class DesignRuler : public QWidget {
 public:
  DesignRuler(DesignCanvas* canvas, Qt::Orientation o, const char* name) : QWidget(canvas), canvas_(canvas), o_(o) {
    setObjectName(name);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    Guard(this, [&] {
      QPainter p(this);
      p.fillRect(rect(), QColor(0xf3, 0xf4, 0xf6));
      p.setPen(QColor(0xa0, 0xa6, 0xb0));
      if (o_ == Qt::Horizontal) p.drawLine(0, height() - 1, width(), height() - 1);
      else p.drawLine(width() - 1, 0, width() - 1, height());
      QFont f = font();
      f.setPixelSize(9);
      p.setFont(f);
      const double k = canvas_->PxPerMm();
      const int tickEvery = k >= 4 ? 1 : (k >= 1.5 ? 5 : 10);
      const int numberEvery = k * 10 >= 24 ? 10 : (k * 20 >= 24 ? 20 : 50);
      p.setPen(QColor(0x55, 0x5c, 0x66));
      for (const auto& [start, length] : canvas_->RulerSpans(o_)) {
        for (int mm = 0; mm <= static_cast<int>(length + 0.001); mm += tickEvery) {
          const double at = start + mm * k;
          const int tick = mm % 10 == 0 ? 9 : (mm % 5 == 0 ? 6 : 3);
          if (o_ == Qt::Horizontal) {
            p.drawLine(QPointF(at, height() - 1), QPointF(at, height() - 1 - tick));
            if (mm % numberEvery == 0) p.drawText(QPointF(at + 2, 10), QString::number(mm));
          } else {
            p.drawLine(QPointF(width() - 1, at), QPointF(width() - 1 - tick, at));
            if (mm % numberEvery == 0) {
              p.save();
              p.translate(4, at + 2);
              p.rotate(90);
              p.drawText(QPointF(0, 0), QString::number(mm));
              p.restore();
            }
          }
        }
      }
    });
  }

 private:
  DesignCanvas* canvas_;
  Qt::Orientation o_;
};

// ------------------------------------------------------------------------------ canvas

DesignCanvas::DesignCanvas(TemplateEditor& editor, QWidget* parent)
    : QAbstractScrollArea(parent),
      editor_(editor),
      measurer_(std::make_unique<report::QtTextMeasurer>()),
      rulerTop_(new DesignRuler(this, Qt::Horizontal, "panRulerTop")),
      rulerLeft_(new DesignRuler(this, Qt::Vertical, "panRulerLeft")) {
  setObjectName("panCanvas");
  setViewportMargins(kRuler, kRuler, 0, 0);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  setFocusPolicy(Qt::StrongFocus);
  verticalScrollBar()->setSingleStep(20);
  horizontalScrollBar()->setSingleStep(20);
  report::InstallFontSubstitutes();
  Refresh();
}

DesignCanvas::~DesignCanvas() = default;

double DesignCanvas::PxPerMm() const { return zoom_ * logicalDpiX() / 25.4; }

void DesignCanvas::SetZoom(double zoom) {
  zoom_ = std::clamp(zoom, 0.25, 16.0);
  Relayout();
  viewport()->update();
  rulerTop_->update();
  rulerLeft_->update();
}

double DesignCanvas::FitZoom() const {
  const TemplateDocument& doc = editor_.Document();
  double width = 1, height = 0;
  for (int b = 0; b < doc.BandCount(); ++b) {
    width = std::max(width, doc.BandArea(b).width);
    height += doc.BandArea(b).height;
  }
  const double perMm = logicalDpiX() / 25.4;
  const double across = (viewport()->width() - 2.0 * kMargin) / (width * perMm);
  const double down = (viewport()->height() - 2.0 * kMargin - doc.BandCount() * (kCaption + kBandGap)) /
                      (std::max(height, 1.0) * perMm);
  return std::clamp(std::min(across, down), 0.25, 16.0);
}

void DesignCanvas::SetGrid(double mm) {
  grid_ = std::max(0.1, mm);
  viewport()->update();
}

void DesignCanvas::SetGridShown(bool on) {
  showGrid_ = on;
  viewport()->update();
}

const TemplateDocument& DesignCanvas::Shown() const { return dragged_ ? *dragged_ : editor_.Document(); }

void DesignCanvas::Refresh() {
  if (editor_.Revision() != shownRevision_ || dragged_) {
    shownRevision_ = editor_.Revision();
    Render();
    Relayout();
  }
  viewport()->update();
  rulerTop_->update();
  rulerLeft_->update();
}

void DesignCanvas::Render() {
  try {
    design_ = RenderDesign(Shown(), *measurer_);
  } catch (const std::exception&) {
    // A move in progress that the engine would refuse: the last picture stays.
  }
  painter_ = std::make_unique<report::ReportPainter>(design_);
}

void DesignCanvas::Relayout() {
  const TemplateDocument& doc = Shown();
  const double k = PxPerMm();
  bands_.clear();
  double y = kMargin, widest = 0;
  for (int b = 0; b < doc.BandCount(); ++b) {
    const RectF area = doc.BandArea(b);
    y += kCaption;
    bands_.emplace_back(kMargin, y, area.width * k, area.height * k);
    widest = std::max(widest, area.width * k);
    y += area.height * k + kBandGap;
  }
  content_ = QSize(static_cast<int>(widest + 2 * kMargin), static_cast<int>(y + kMargin - kBandGap));
  const QSize v = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, content_.width() - v.width()));
  horizontalScrollBar()->setPageStep(v.width());
  verticalScrollBar()->setRange(0, std::max(0, content_.height() - v.height()));
  verticalScrollBar()->setPageStep(v.height());
}

QRectF DesignCanvas::BandRect(int band) const {
  if (band < 0 || band >= static_cast<int>(bands_.size())) return {};
  const QSize v = viewport()->size();
  const double dx = content_.width() < v.width() ? (v.width() - content_.width()) / 2.0 : -horizontalScrollBar()->value();
  const double dy = content_.height() < v.height() ? (v.height() - content_.height()) / 2.0 : -verticalScrollBar()->value();
  return bands_[static_cast<size_t>(band)].translated(dx, dy);
}

QPointF DesignCanvas::ToView(int band, double xmm, double ymm) const {
  const QRectF r = BandRect(band);
  return QPointF(r.left() + xmm * PxPerMm(), r.top() + ymm * PxPerMm());
}

QRectF DesignCanvas::ObjectRect(ObjectRef ref) const {
  const TemplateDocument& doc = Shown();
  if (!doc.Valid(ref)) return {};
  const RectF b = Normalized(doc.Box(ref));
  return QRectF(ToView(ref.band, b.x, b.y), ToView(ref.band, b.Right(), b.Bottom()));
}

int DesignCanvas::BandAt(const QPointF& view, double& xmm, double& ymm) const {
  // A point in the gap below a band still counts for it: objects may hang over its edge.
  for (int b = 0; b < static_cast<int>(bands_.size()); ++b) {
    const QRectF r = BandRect(b).adjusted(-kMargin, -kCaption, kMargin, kBandGap);
    if (!r.contains(view)) continue;
    const QRectF band = BandRect(b);
    xmm = (view.x() - band.left()) / PxPerMm();
    ymm = (view.y() - band.top()) / PxPerMm();
    return b;
  }
  return -1;
}

std::vector<std::pair<double, double>> DesignCanvas::RulerSpans(Qt::Orientation o) const {
  std::vector<std::pair<double, double>> out;
  const TemplateDocument& doc = Shown();
  for (int b = 0; b < doc.BandCount() && b < static_cast<int>(bands_.size()); ++b) {
    const QRectF r = BandRect(b);
    const RectF area = doc.BandArea(b);
    if (o == Qt::Vertical) out.emplace_back(r.top(), area.height);
    else if (doc.Band(b) == BandKind::MasterData) out.emplace_back(r.left(), area.width);
  }
  return out;
}

std::vector<std::pair<Handle, QPointF>> DesignCanvas::Handles(ObjectRef ref) const {
  const TemplateDocument& doc = Shown();
  if (!doc.Valid(ref)) return {};
  const RectF b = doc.Box(ref);
  if (doc.Kind(ref) == ObjectKind::Line)
    return {{Handle::LineStart, ToView(ref.band, b.x, b.y)}, {Handle::LineEnd, ToView(ref.band, b.Right(), b.Bottom())}};
  const QRectF r = ObjectRect(ref);
  const QPointF c = r.center();
  return {{Handle::TopLeft, r.topLeft()},       {Handle::Top, QPointF(c.x(), r.top())},
          {Handle::TopRight, r.topRight()},     {Handle::Right, QPointF(r.right(), c.y())},
          {Handle::BottomRight, r.bottomRight()}, {Handle::Bottom, QPointF(c.x(), r.bottom())},
          {Handle::BottomLeft, r.bottomLeft()}, {Handle::Left, QPointF(r.left(), c.y())}};
}

Handle DesignCanvas::HitHandle(const QPointF& view) const {
  if (editor_.Selection().size() != 1) return Handle::None;
  for (const auto& [h, at] : Handles(editor_.Selection()[0]))
    if (std::fabs(view.x() - at.x()) <= kHandle / 2 + 1 && std::fabs(view.y() - at.y()) <= kHandle / 2 + 1) return h;
  return Handle::None;
}

ObjectRef DesignCanvas::HitObject(const QPointF& view) const {
  const TemplateDocument& doc = Shown();
  for (int b = doc.BandCount() - 1; b >= 0; --b) {
    for (int i = doc.ObjectCount(b) - 1; i >= 0; --i) {
      const ObjectRef ref{b, i};
      if (doc.Kind(ref) == ObjectKind::Line) {
        const RectF box = doc.Box(ref);
        if (DistanceToSegment(view, ToView(b, box.x, box.y), ToView(b, box.Right(), box.Bottom())) <= kLineHit)
          return ref;
      } else if (ObjectRect(ref).adjusted(-1, -1, 1, 1).contains(view)) {
        return ref;
      }
    }
  }
  return ObjectRef{-1, -1};
}

// ------------------------------------------------------------------------------ painting

void DesignCanvas::paintEvent(QPaintEvent*) {
  Guard(this, [&] {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), kDesk);
    const TemplateDocument& doc = Shown();
    const double k = PxPerMm();
    const PageSetup page = doc.Page();
    QFont captionFont = font();
    captionFont.setPixelSize(12);
    for (int b = 0; b < doc.BandCount() && b < static_cast<int>(design_.pages.size()); ++b) {
      const QRectF r = BandRect(b);
      const RectF area = doc.BandArea(b);
      QString caption;
      switch (doc.Band(b)) {
        case BandKind::PageHeader: caption = QString::fromUtf8("页眉（每页一次）"); break;
        case BandKind::PageFooter: caption = QString::fromUtf8("页脚（每页一次）"); break;
        case BandKind::MasterData:
          caption = QString::fromUtf8(page.roll ? "卷筒标签 " : "标签 ") + Mm(area.width) + " × " + Mm(area.height) +
                    QString::fromUtf8(" 毫米");
          if (!page.roll)
            caption += QString::fromUtf8("（整张纸每行 %1 张）").arg(page.columns);
          break;
      }
      p.setFont(captionFont);
      p.setPen(Qt::white);
      p.drawText(QRectF(r.left(), r.top() - kCaption, std::max(r.width(), 400.0), kCaption - 3),
                 Qt::AlignLeft | Qt::AlignBottom, caption);
      p.fillRect(r.translated(3, 3), QColor(0, 0, 0, 60));
      p.fillRect(r, Qt::white);
      if (showGrid_) {
        double step = grid_;
        while (step * k < 6) step *= 2;
        p.setPen(QPen(QColor(0xe3, 0xe9, 0xf2), 0));
        for (double x = step; x < area.width; x += step) p.drawLine(QPointF(r.left() + x * k, r.top()), QPointF(r.left() + x * k, r.bottom()));
        for (double y = step; y < area.height; y += step) p.drawLine(QPointF(r.left(), r.top() + y * k), QPointF(r.right(), r.top() + y * k));
      }
      p.save();
      p.setClipRect(r.adjusted(-kMargin, -2, kMargin, kBandGap));
      painter_->Paint(p, design_.pages[static_cast<size_t>(b)], r);
      p.restore();
      // Boxes that print nothing of their own (texts, barcodes, pictures) get a faint outline
      // so they can be found and grabbed.
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(QColor(0x9a, 0xa7, 0xb8), 0, Qt::DashLine));
      for (int i = 0; i < doc.ObjectCount(b); ++i) {
        const ObjectKind kind = doc.Kind({b, i});
        if (kind == ObjectKind::Text || kind == ObjectKind::Barcode || kind == ObjectKind::Picture)
          p.drawRect(ObjectRect({b, i}));
      }
      p.setPen(QPen(QColor(0x4a, 0x52, 0x5e), 0));
      p.drawRect(r);
    }

    const auto& sel = editor_.Selection();
    p.setBrush(Qt::NoBrush);
    for (const ObjectRef& ref : sel) {
      p.setPen(QPen(kSelection, 1.5));
      if (doc.Valid(ref) && doc.Kind(ref) == ObjectKind::Line) {
        const RectF b = doc.Box(ref);
        p.setPen(QPen(QColor(0x1e, 0x6f, 0xd9, 90), 5));
        p.drawLine(ToView(ref.band, b.x, b.y), ToView(ref.band, b.Right(), b.Bottom()));
      } else {
        p.drawRect(ObjectRect(ref));
      }
    }
    if (sel.size() == 1) {
      p.setPen(QPen(kSelection, 1));
      p.setBrush(Qt::white);
      for (const auto& [h, at] : Handles(sel[0]))
        p.drawRect(QRectF(at.x() - kHandle / 2, at.y() - kHandle / 2, kHandle, kHandle));
    }
    if (mode_ == Mode::Rubber) {
      p.setPen(QPen(kSelection, 1, Qt::DashLine));
      p.setBrush(QColor(0x1e, 0x6f, 0xd9, 40));
      p.drawRect(rubber_.normalized());
    }
  });
}

void DesignCanvas::resizeEvent(QResizeEvent* event) {
  Guard(this, [&] {
    QAbstractScrollArea::resizeEvent(event);
    Relayout();
    const QRect v = viewport()->geometry();
    rulerTop_->setGeometry(v.left(), v.top() - kRuler, v.width(), kRuler);
    rulerLeft_->setGeometry(v.left() - kRuler, v.top(), kRuler, v.height());
  });
}

void DesignCanvas::scrollContentsBy(int, int) {
  viewport()->update();
  rulerTop_->update();
  rulerLeft_->update();
}

// ------------------------------------------------------------------------------ mouse

void DesignCanvas::mousePressEvent(QMouseEvent* event) { Guard(this, [&] { Press(event); }); }

void DesignCanvas::Press(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() != Qt::LeftButton) return;
  const QPointF at = event->position();
  pressAt_ = at;
  const bool adding = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
  if (Handle h = HitHandle(at); h != Handle::None && !adding) {
    mode_ = Mode::Resize;
    handle_ = h;
    pressed_ = editor_.Selection()[0];
    return;
  }
  const ObjectRef hit = HitObject(at);
  std::vector<ObjectRef> sel = editor_.Selection();
  const bool selected = std::find(sel.begin(), sel.end(), hit) != sel.end();
  if (hit.band >= 0) {
    if (adding) {
      if (selected) sel.erase(std::find(sel.begin(), sel.end(), hit));
      else sel.push_back(hit);
      editor_.Select(sel);
      mode_ = Mode::None;
    } else {
      if (!selected) editor_.Select({hit});
      mode_ = Mode::Press;
      pressed_ = hit;
    }
  } else {
    if (!adding) editor_.Select({});
    mode_ = Mode::Rubber;
    rubber_ = QRectF(at, at);
  }
  emit SelectionChanged();
  viewport()->update();
}

void DesignCanvas::mouseMoveEvent(QMouseEvent* event) {
  Guard(this, [&] {
    const QPointF at = event->position();
    double x = 0, y = 0;
    if (BandAt(at, x, y) >= 0 && mode_ == Mode::None)
      emit CursorMoved(QString::fromUtf8("X %1  Y %2 毫米").arg(Mm(x), Mm(y)));
    if (mode_ == Mode::Press && (at - pressAt_).manhattanLength() >= QApplication::startDragDistance()) mode_ = Mode::Move;
    switch (mode_) {
      case Mode::Move:
      case Mode::Resize: DragTo(at, event->modifiers()); break;
      case Mode::Rubber:
        rubber_.setBottomRight(at);
        viewport()->update();
        break;
      case Mode::Press: break;
      case Mode::None: {
        Handle h = HitHandle(at);
        viewport()->setCursor(h != Handle::None ? CursorFor(h)
                              : HitObject(at).band >= 0 ? Qt::SizeAllCursor
                                                        : Qt::ArrowCursor);
        break;
      }
    }
  });
}

void DesignCanvas::DragTo(const QPointF& at, Qt::KeyboardModifiers mods) {
  const TemplateDocument& doc = editor_.Document();
  double dx = (at.x() - pressAt_.x()) / PxPerMm();
  double dy = (at.y() - pressAt_.y()) / PxPerMm();
  // Alt holds snapping off for one move.
  const double grid = snap_ && !(mods & Qt::AltModifier) ? grid_ : 0;
  draggedBoxes_.clear();
  if (mode_ == Mode::Move) {
    std::vector<RectF> boxes;
    for (const ObjectRef& r : editor_.Selection()) boxes.push_back(doc.Box(r));
    SnapMove(Bounds(boxes), dx, dy, grid);
    for (const ObjectRef& r : editor_.Selection()) {
      RectF b = doc.Box(r);
      b.x += dx;
      b.y += dy;
      draggedBoxes_.emplace_back(r, b);
    }
  } else {
    draggedBoxes_.emplace_back(pressed_, ResizeBox(doc.Box(pressed_), handle_, dx, dy, grid));
  }
  dragged_ = doc;
  for (const auto& [ref, box] : draggedBoxes_) dragged_->SetBox(ref, box);
  if (!draggedBoxes_.empty()) {
    const RectF b = Normalized(draggedBoxes_.front().second);
    emit CursorMoved(QString::fromUtf8("X %1  Y %2  宽 %3  高 %4 毫米").arg(Mm(b.x), Mm(b.y), Mm(b.width), Mm(b.height)));
  }
  Render();
  viewport()->update();
}

void DesignCanvas::mouseReleaseEvent(QMouseEvent* event) {
  Guard(this, [&] {
    if (event->button() != Qt::LeftButton) return;
    const Mode mode = mode_;
    mode_ = Mode::None;
    if ((mode == Mode::Move || mode == Mode::Resize) && dragged_) {
      dragged_.reset();
      const auto boxes = std::move(draggedBoxes_);
      draggedBoxes_.clear();
      Run([&] { editor_.SetBoxes(boxes, mode == Mode::Move ? "移动" : "改变大小"); });
    } else if (mode == Mode::Rubber) {
      const QRectF area = rubber_.normalized();
      std::vector<ObjectRef> sel = editor_.Selection();
      if (area.width() > 2 || area.height() > 2)
        for (const ObjectRef& ref : editor_.Document().Objects())
          if (area.contains(ObjectRect(ref)) && std::find(sel.begin(), sel.end(), ref) == sel.end()) sel.push_back(ref);
      editor_.Select(sel);
      emit SelectionChanged();
    }
    Refresh();
  });
}

void DesignCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
  Guard(this, [&] {
    const ObjectRef hit = HitObject(event->position());
    if (hit.band < 0) return;
    editor_.Select({hit});
    emit SelectionChanged();
    const ObjectKind kind = editor_.Document().Kind(hit);
    if (kind == ObjectKind::Text || kind == ObjectKind::Barcode) emit TextEditRequested();
  });
}

void DesignCanvas::wheelEvent(QWheelEvent* event) {
  Guard(this, [&] {
    if (!(event->modifiers() & Qt::ControlModifier)) {
      QAbstractScrollArea::wheelEvent(event);
      return;
    }
    SetZoom(zoom_ * (event->angleDelta().y() > 0 ? 1.25 : 0.8));
    event->accept();
  });
}

void DesignCanvas::Run(const std::function<void()>& edit) {
  const uint64_t before = editor_.Revision();
  try {
    edit();
  } catch (const std::exception& e) {
    emit EditRefused(QString::fromUtf8(e.what()));
  }
  Refresh();
  if (editor_.Revision() != before) emit Edited();
}

// ------------------------------------------------------------------------------ keys

double DesignCanvas::Step(Qt::KeyboardModifiers mods) const {
  if (mods & Qt::ControlModifier) return 0.1;
  return snap_ ? grid_ : 0.5;
}

void DesignCanvas::keyPressEvent(QKeyEvent* event) { Guard(this, [&] { KeyPress(event); }); }

void DesignCanvas::KeyPress(QKeyEvent* event) {
  double dx = 0, dy = 0;
  const double step = Step(event->modifiers());
  switch (event->key()) {
    case Qt::Key_Left: dx = -step; break;
    case Qt::Key_Right: dx = step; break;
    case Qt::Key_Up: dy = -step; break;
    case Qt::Key_Down: dy = step; break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
      Run([&] { editor_.DeleteSelection(); });
      emit SelectionChanged();
      return;
    case Qt::Key_Escape:
      editor_.Select({});
      emit SelectionChanged();
      Refresh();
      return;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  if (editor_.Selection().empty()) return;
  if (event->modifiers() & Qt::ShiftModifier) {
    // Shift with an arrow key resizes: right and down grow the box, left and up shrink it.
    std::vector<std::pair<ObjectRef, RectF>> boxes;
    for (const ObjectRef& r : editor_.Selection()) {
      RectF b = editor_.Document().Box(r);
      b.width = editor_.Document().Kind(r) == ObjectKind::Line ? b.width + dx : std::max(0.5, b.width + dx);
      b.height = editor_.Document().Kind(r) == ObjectKind::Line ? b.height + dy : std::max(0.5, b.height + dy);
      boxes.emplace_back(r, b);
    }
    Run([&] { editor_.SetBoxes(boxes, "改变大小", "key-size"); });
  } else {
    Run([&] { editor_.MoveSelection(dx, dy, "key-move"); });
  }
}

// ------------------------------------------------------------------------------ drops

void DesignCanvas::dragEnterEvent(QDragEnterEvent* event) {
  Guard(this, [&] {
    if (event->mimeData()->hasFormat(kCatalogMime)) event->acceptProposedAction();
  });
}

void DesignCanvas::dragMoveEvent(QDragMoveEvent* event) {
  Guard(this, [&] {
    double x = 0, y = 0;
    if (event->mimeData()->hasFormat(kCatalogMime) && BandAt(event->position(), x, y) >= 0) event->acceptProposedAction();
    else event->ignore();
  });
}

void DesignCanvas::dropEvent(QDropEvent* event) {
  Guard(this, [&] {
    const std::string name = event->mimeData()->data(kCatalogMime).toStdString();
    const CatalogEntry* entry = FindField(name);
    if (!entry) entry = FindVariable(name);
    double x = 0, y = 0;
    int band = BandAt(event->position(), x, y);
    if (!entry || band < 0) {
      event->ignore();
      return;
    }
    if (snap_) {
      x = Snap(x, grid_);
      y = Snap(y, grid_);
    }
    // The product barcode becomes a barcode, anything else a text; Ctrl makes the other one.
    bool barcode = report::SameName(entry->name, "f_Sptm");
    if (event->modifiers() & Qt::ControlModifier) barcode = !barcode;
    Json object = ObjectForEntry(*entry, barcode, std::max(0.0, x), std::max(0.0, y));
    Run([&] { editor_.AddObject(band, std::move(object), "添加“" + entry->caption + "”"); });
    emit SelectionChanged();
    event->acceptProposedAction();
    setFocus(Qt::OtherFocusReason);
  });
}

}  // namespace pt::designer
