#pragma once
// The designer's drawing surface: the template's bands (the label, and page header and footer
// when the template has them) at a zoom, with rulers in millimetres, a grid with snapping,
// selection handles, moving and resizing with the mouse and the arrow keys, a rubber band for
// choosing several objects, and fields dropped from the field list. Every edit goes to the
// TemplateEditor; the canvas only shows a move or resize in progress before it is committed.
#include <QAbstractScrollArea>
#include <QPointer>
#include <memory>
#include <optional>

#include "designer/Arrange.h"
#include "designer/TemplateEditor.h"
#include "report_engine/DisplayList.h"

namespace pt::report {
class QtTextMeasurer;
class ReportPainter;
}  // namespace pt::report

namespace pt::designer {

// The drag-and-drop form of a field list entry: its name in the catalogue.
inline constexpr const char* kCatalogMime = "application/x-pricetag-catalog-entry";

class DesignRuler;

class DesignCanvas : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit DesignCanvas(TemplateEditor& editor, QWidget* parent = nullptr);
  ~DesignCanvas() override;

  // Redraws from the editor's document and selection when they changed.
  void Refresh();

  double Zoom() const { return zoom_; }
  void SetZoom(double zoom);  // 1.0 is life size
  double FitZoom() const;     // the whole label in sight
  double Grid() const { return grid_; }
  void SetGrid(double mm);
  bool SnapOn() const { return snap_; }
  void SetSnap(bool on) { snap_ = on; }
  bool GridShown() const { return showGrid_; }
  void SetGridShown(bool on);

  // Geometry, for the rulers and for tests that point at things as a user would.
  double PxPerMm() const;
  QRectF BandRect(int band) const;  // viewport coordinates
  QPointF ToView(int band, double xmm, double ymm) const;
  QRectF ObjectRect(ObjectRef ref) const;
  // The band under a viewport point and the point in its millimetres; -1 outside every band.
  int BandAt(const QPointF& view, double& xmm, double& ymm) const;
  // What a ruler marks: where each band starts in viewport pixels and its length in mm (the
  // label's width across, every band's height down).
  std::vector<std::pair<double, double>> RulerSpans(Qt::Orientation o) const;

 signals:
  void Edited();            // the canvas changed the document
  void SelectionChanged();  // the canvas changed the selection
  void EditRefused(const QString& reason);
  void CursorMoved(const QString& where);
  void TextEditRequested();  // a text or barcode was double-clicked

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  enum class Mode { None, Press, Move, Resize, Rubber };

  void Relayout();
  void Render();
  const TemplateDocument& Shown() const;  // the document as drawn: a drag in progress included
  ObjectRef HitObject(const QPointF& view) const;
  Handle HitHandle(const QPointF& view) const;
  std::vector<std::pair<Handle, QPointF>> Handles(ObjectRef ref) const;
  void DragTo(const QPointF& view, Qt::KeyboardModifiers mods);
  void Commit();
  void Run(const std::function<void()>& edit);  // an edit the editor may refuse
  void KeyPress(QKeyEvent* event);
  void Press(QMouseEvent* event);
  double Step(Qt::KeyboardModifiers mods) const;

  TemplateEditor& editor_;
  std::unique_ptr<report::QtTextMeasurer> measurer_;
  std::unique_ptr<report::ReportPainter> painter_;
  double zoom_ = 3.0;
  double grid_ = 1.0;
  bool snap_ = true;
  bool showGrid_ = true;

  uint64_t shownRevision_ = ~0ull;
  report::PreparedReport design_;  // one page per band
  std::vector<QRectF> bands_;      // band rectangles in content pixels
  QSize content_;

  Mode mode_ = Mode::None;
  QPointF pressAt_;
  ObjectRef pressed_{-1, -1};
  Handle handle_ = Handle::None;
  QRectF rubber_;
  std::optional<TemplateDocument> dragged_;  // the document with the move or resize applied
  std::vector<std::pair<ObjectRef, RectF>> draggedBoxes_;

  DesignRuler* rulerTop_;
  DesignRuler* rulerLeft_;
};

}  // namespace pt::designer
