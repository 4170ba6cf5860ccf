#pragma once
// Draws display lists with QPainter: the one adapter behind screen, printer, PDF and images.
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <map>
#include <memory>
#include <tuple>
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
  // The report's fonts at the scale of the page drawn, kept from page to page while the scale and
  // the list stay.
  const std::vector<QFont>& Fonts(double pointScale);
  // A barcode's digits: its font at a point size and its metrics on the device.
  struct DigitFont {
    QFont font;
    std::unique_ptr<QFontMetricsF> metrics;
  };
  const DigitFont& DigitFontOf(uint32_t font, double pointSize, QPaintDevice* device);

  const PreparedReport& report_;
  std::vector<QImage> images_;  // decoded on first use
  std::vector<bool> decoded_;
  std::vector<QFont> fonts_;
  double fontsScale_ = -1;
  std::map<std::tuple<uint32_t, double, QPaintDevice*>, DigitFont> digitFonts_;
};

}  // namespace pt::report
