#include "report_engine/QtTextMeasurer.h"

#include <QString>
#include <QStringList>

namespace pt::report {

namespace {
constexpr double kMeasureDpi = 1200;
}

void InstallFontSubstitutes() {
  static const bool done = [] {
    // WenQuanYi first: its text reads back from PDF exactly; Noto CJK as the fallback.
    const QStringList sans{QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")};
    const QStringList serif{QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Serif CJK SC"),
                            QStringLiteral("Noto Sans CJK SC")};
    for (const char* family : {"黑体", "SimHei", "微软雅黑", "Microsoft YaHei", "幼圆"})
      if (QFont::substitutes(QString::fromUtf8(family)).isEmpty()) QFont::insertSubstitutions(QString::fromUtf8(family), sans);
    for (const char* family : {"宋体", "SimSun", "新宋体", "NSimSun", "仿宋", "楷体", "KaiTi"})
      if (QFont::substitutes(QString::fromUtf8(family)).isEmpty()) QFont::insertSubstitutions(QString::fromUtf8(family), serif);
    return true;
  }();
  (void)done;
}

QFont MakeQFont(const FontSpec& font, double pointSize) {
  QFont f(QString::fromStdString(font.family));
  f.setPointSizeF(pointSize > 0 ? pointSize : 1);
  f.setBold(font.bold);
  f.setItalic(font.italic);
  f.setStrikeOut(font.strikeOut);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setKerning(true);
  return f;
}

QtTextMeasurer::QtTextMeasurer() : device_(1, 1, QImage::Format_ARGB32_Premultiplied) {
  InstallFontSubstitutes();
  const int dpm = static_cast<int>(kMeasureDpi / 0.0254 + 0.5);
  device_.setDotsPerMeterX(dpm);
  device_.setDotsPerMeterY(dpm);
}

QtTextMeasurer::Font& QtTextMeasurer::FontOf(const FontSpec& font) {
  if (last_ && font == lastSpec_) return *last_;
  auto key = std::make_tuple(font.family, font.size, font.bold, font.italic);
  auto it = fonts_.find(key);
  if (it == fonts_.end()) {
    Font f;
    f.metrics = std::make_unique<QFontMetricsF>(MakeQFont(font, font.size), &device_);
    f.lineHeight = f.metrics->height() * 25.4 / kMeasureDpi;
    it = fonts_.emplace(std::move(key), std::move(f)).first;
  }
  lastSpec_ = font;
  last_ = &it->second;
  return it->second;
}

double QtTextMeasurer::Width(const FontSpec& font, std::string_view utf8) {
  Font& f = FontOf(font);
  if (auto it = f.widths.find(utf8); it != f.widths.end()) return it->second;
  const double px = f.metrics->horizontalAdvance(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
  const double mm = px * 25.4 / kMeasureDpi;
  if (f.widths.size() >= kKeptWidths) f.widths.clear();
  f.widths.emplace(std::string(utf8), mm);
  return mm;
}

double QtTextMeasurer::LineHeight(const FontSpec& font) { return FontOf(font).lineHeight; }

}  // namespace pt::report
