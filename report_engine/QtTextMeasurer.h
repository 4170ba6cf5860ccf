#pragma once
// Text measuring for layout with Qt font metrics. Metrics are taken without hinting at a high
// resolution, so line breaks do not depend on the device a report is later drawn on.
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "report_engine/TextMeasure.h"

namespace pt::report {

// Labels repeat the same texts in the same fonts ("规格:500g" on thousands of them, every copy of
// a product): each font keeps the widths it measured, up to kKeptWidths texts (then it starts
// again), and its line height.
class QtTextMeasurer : public TextMeasurer {
 public:
  QtTextMeasurer();
  double Width(const FontSpec& font, std::string_view utf8) override;
  double LineHeight(const FontSpec& font) override;

  static constexpr size_t kKeptWidths = 4096;

 private:
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  struct Font {
    std::unique_ptr<QFontMetricsF> metrics;
    double lineHeight = 0;  // mm
    std::unordered_map<std::string, double, TextHash, std::equal_to<>> widths;  // mm
  };
  Font& FontOf(const FontSpec& font);
  QImage device_;
  std::map<std::tuple<std::string, double, bool, bool>, Font> fonts_;
  // Layout asks for the same font many times in a row.
  FontSpec lastSpec_;
  Font* last_ = nullptr;
};

// The QFont of a report font at a point size; used by measuring and drawing alike.
QFont MakeQFont(const FontSpec& font, double pointSize);

// The Windows families templates and grid reports name ("黑体", "宋体", ...) are not installed
// here; they are mapped to installed Chinese fonts once per process.
void InstallFontSubstitutes();

}  // namespace pt::report
