#pragma once
// Text measuring for layout with Qt font metrics. Metrics are taken without hinting at a high
// resolution, so line breaks do not depend on the device a report is later drawn on.
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <map>
#include <memory>
#include <tuple>

#include "report_engine/TextMeasure.h"

namespace pt::report {

class QtTextMeasurer : public TextMeasurer {
 public:
  QtTextMeasurer();
  double Width(const FontSpec& font, std::string_view utf8) override;
  double LineHeight(const FontSpec& font) override;

 private:
  const QFontMetricsF& Metrics(const FontSpec& font);
  QImage device_;
  std::map<std::tuple<std::string, double, bool, bool>, std::unique_ptr<QFontMetricsF>> metrics_;
};

// The QFont of a report font at a point size; used by measuring and drawing alike.
QFont MakeQFont(const FontSpec& font, double pointSize);

// The Windows families templates and grid reports name ("黑体", "宋体", ...) are not installed
// here; they are mapped to installed Chinese fonts once per process.
void InstallFontSubstitutes();

}  // namespace pt::report
