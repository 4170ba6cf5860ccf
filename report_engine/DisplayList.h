#pragma once
// Display lists: what a prepared report is made of. Every page is a list of drawing primitives
// in millimetres from the page's top-left corner; one Qt adapter (ReportPainter) draws them on
// screen, printer, PDF and images, so every output shows the same layout.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pt::report {

struct RectF {
  double x = 0, y = 0, width = 0, height = 0;
  double Right() const { return x + width; }
  double Bottom() const { return y + height; }
};

// Colours are 0xRRGGBB.
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

struct FontSpec {
  std::string family;
  double size = 9;  // points
  bool bold = false;
  bool italic = false;
  bool operator==(const FontSpec&) const = default;
};

enum class HAlign : uint8_t { Left, Center, Right };
enum class VAlign : uint8_t { Top, Center, Bottom };

// A block of text already broken into lines by the layout. An empty line list means one line
// holding the whole text (the common case, kept small).
struct TextItem {
  struct Line {
    uint32_t start = 0, length = 0;  // byte range in text
  };
  RectF box;                // the object's box; lines start at top
  double top = 0;           // y of the first line
  double lineHeight = 0;
  uint32_t font = 0;        // index into PreparedReport::fonts
  uint32_t color = kBlack;
  HAlign hAlign = HAlign::Left;
  std::string text;
  std::vector<Line> lines;

  size_t LineCount() const { return lines.empty() ? 1 : lines.size(); }
  std::string_view LineText(size_t i) const {
    if (lines.empty()) return text;
    return std::string_view(text).substr(lines[i].start, lines[i].length);
  }
};

struct LineItem {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  double width = 0.2;
  uint32_t color = kBlack;
};

struct RectItem {
  RectF box;
  double lineWidth = 0.2;  // 0: no outline
  uint32_t lineColor = kBlack;
  bool filled = false;
  uint32_t fillColor = kWhite;
};

// A barcode as vector geometry: filled bars and the human-readable texts.
struct BarcodeItem {
  struct Bar {
    float x, y, width, height;
  };
  struct Text {
    float x = 0, baseline = 0;  // x is the anchor given by hAlign
    float size = 2;             // font size in millimetres (em height)
    HAlign hAlign = HAlign::Center;
    std::string text;
  };
  RectF box;
  uint32_t font = 0;
  std::vector<Bar> bars;
  std::vector<Text> texts;
};

struct ImageItem {
  RectF box;
  uint32_t image = 0;  // index into PreparedReport::images
  bool keepAspect = true;
};

using Item = std::variant<TextItem, LineItem, RectItem, BarcodeItem, ImageItem>;

struct Page {
  double width = 210, height = 297;  // millimetres
  std::vector<Item> items;
};

struct ReportSheet;  // ReportSheet.h

struct PreparedReport {
  std::string title;
  std::vector<FontSpec> fonts;
  std::vector<std::shared_ptr<const std::string>> images;  // PNG or other encoded image bytes
  std::vector<Page> pages;
  // Problems that did not stop the report, such as barcode data a symbology refused; each is
  // also marked visibly on its page.
  std::vector<std::string> warnings;
  // The report's data for spreadsheet export, when the report knows it (grid printouts, label
  // previews); without it the export tabulates the pages' texts.
  std::shared_ptr<const ReportSheet> sheet;

  uint32_t AddFont(const FontSpec& font);  // the index of an equal font, added when new
};

}  // namespace pt::report
