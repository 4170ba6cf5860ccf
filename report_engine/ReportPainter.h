#pragma once
// Draws display lists with QPainter: the one adapter behind screen, printer, PDF and images.
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <vector>

#include "report_engine/DisplayList.h"

namespace pt::report {

class ReportPainter {
 public:
  explicit ReportPainter(const PreparedReport& report);
  // Draws the page into target (device coordinates; the page's millimetres are scaled to it).
  void Paint(QPainter& painter, const Page& page, const QRectF& target);

 private:
  const QImage& Image(uint32_t index);
  const PreparedReport& report_;
  std::vector<QImage> images_;  // decoded on first use
  std::vector<bool> decoded_;
};

}  // namespace pt::report
