#pragma once
// Text measuring for layout. Layout needs widths only where it wraps or shrinks text; the Qt
// layer answers with font metrics (QtTextMeasurer), tests and tools use the fallback.
#include <string>
#include <string_view>
#include <vector>

#include "report_engine/DisplayList.h"

namespace pt::report {

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  virtual double Width(const FontSpec& font, std::string_view utf8) = 0;  // millimetres
  virtual double LineHeight(const FontSpec& font) = 0;                    // millimetres
};

// A fixed-pitch estimate: half an em for ASCII, a full em for every other character, lines of
// 1.2 em. Predictable, so layout tests can state exact line breaks.
class FallbackMeasurer : public TextMeasurer {
 public:
  double Width(const FontSpec& font, std::string_view utf8) override;
  double LineHeight(const FontSpec& font) override;
};

// Millimetres per point.
constexpr double kMmPerPoint = 25.4 / 72.0;

// Breaks text into lines no wider than width: at explicit line breaks, after blanks where a
// line holds them, otherwise between any two characters (Chinese has no blanks). A single
// character wider than the line still gets a line of its own.
std::vector<TextItem::Line> BreakLines(TextMeasurer& m, const FontSpec& font, std::string_view text,
                                       double width);

// The largest size, not above the font's and not below minSize, at which the text fits the box
// (on one line, or wrapped when wrap is set). Sizes step by half a point.
double ShrinkToFit(TextMeasurer& m, FontSpec font, std::string_view text, double width, double height,
                   bool wrap, double minSize = 4);

}  // namespace pt::report

namespace pt::report {

// Lays a text out in its box: wrapped into lines when wrap is set, shrunk when shrink is set,
// placed vertically by vAlign. The item's font index is left for the caller; *used receives the
// font as laid out (smaller than the given one after shrinking).
TextItem LayoutText(TextMeasurer& m, const FontSpec& font, std::string text, const RectF& box, HAlign hAlign,
                    VAlign vAlign, bool wrap, bool shrink, FontSpec* used);

}  // namespace pt::report
