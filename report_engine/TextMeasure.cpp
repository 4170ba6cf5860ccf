#include "report_engine/TextMeasure.h"

#include <algorithm>
#include <cmath>

namespace pt::report {

namespace {

size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead >> 5) == 0x6) return 2;
  if ((lead >> 4) == 0xE) return 3;
  if ((lead >> 3) == 0x1E) return 4;
  return 1;  // a stray byte counts as one character
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

double FallbackMeasurer::Width(const FontSpec& font, std::string_view utf8) {
  double em = font.size * kMmPerPoint;
  double w = 0;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t n = Utf8Length(c);
    w += c < 0x80 ? em * 0.5 : em;
    i += n;
  }
  return w;
}

double FallbackMeasurer::LineHeight(const FontSpec& font) { return font.size * kMmPerPoint * 1.2; }

std::vector<TextItem::Line> BreakLines(TextMeasurer& m, const FontSpec& font, std::string_view text,
                                       double width) {
  std::vector<TextItem::Line> lines;
  auto push = [&](size_t start, size_t end) {
    // Blanks at a wrapped line's end take no room.
    while (end > start && IsBlank(text[end - 1])) --end;
    lines.push_back({static_cast<uint32_t>(start), static_cast<uint32_t>(end - start)});
  };
  size_t paraStart = 0;
  while (paraStart <= text.size()) {
    size_t paraEnd = text.find('\n', paraStart);
    if (paraEnd == std::string_view::npos) paraEnd = text.size();
    size_t contentEnd = paraEnd;
    if (contentEnd > paraStart && text[contentEnd - 1] == '\r') --contentEnd;

    size_t start = paraStart;
    while (start < contentEnd) {
      std::string_view rest = text.substr(start, contentEnd - start);
      if (m.Width(font, rest) <= width + 1e-9) {
        push(start, contentEnd);
        start = contentEnd;
        break;
      }
      // Character boundaries of the rest; find the longest prefix that fits (widths grow with
      // length, so a binary search over the boundaries does).
      std::vector<size_t> ends;
      for (size_t i = start; i < contentEnd;) {
        i += Utf8Length(static_cast<unsigned char>(text[i]));
        ends.push_back(std::min(i, contentEnd));
      }
      size_t lo = 0, hi = ends.size();  // ends[0..lo) fit
      while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (m.Width(font, text.substr(start, ends[mid] - start)) <= width + 1e-9) lo = mid + 1;
        else hi = mid;
      }
      size_t fit = lo == 0 ? ends[0] : ends[lo - 1];  // at least one character
      size_t cut = fit;
      // Prefer to break after a blank when the line holds one and the next character is not a
      // blank already; a word of Latin letters stays whole where it can.
      if (fit < contentEnd && !IsBlank(text[fit]) && static_cast<unsigned char>(text[fit]) < 0x80) {
        size_t b = fit;
        while (b > start && !IsBlank(text[b - 1]) && static_cast<unsigned char>(text[b - 1]) < 0x80) --b;
        if (b > start && IsBlank(text[b - 1])) cut = b;
        // Between a Latin word and a Chinese character a break is fine as it is.
        else if (b > start && static_cast<unsigned char>(text[b - 1]) >= 0x80) cut = b;
      }
      push(start, cut);
      start = cut;
      while (start < contentEnd && IsBlank(text[start])) ++start;
    }
    if (start == paraStart && paraStart == contentEnd) push(paraStart, paraStart);  // empty paragraph
    if (paraEnd >= text.size()) break;
    paraStart = paraEnd + 1;
  }
  return lines;
}

double ShrinkToFit(TextMeasurer& m, FontSpec font, std::string_view text, double width, double height,
                   bool wrap, double minSize) {
  const double original = font.size;
  auto fits = [&](double size) {
    font.size = size;
    if (m.LineHeight(font) > height + 1e-9 && size > minSize) return false;
    if (!wrap) return m.Width(font, text) <= width + 1e-9;
    size_t lines = BreakLines(m, font, text, width).size();
    // Each line must also be no wider than the box (one character may be wider still).
    return lines * m.LineHeight(font) <= height + 1e-9;
  };
  if (fits(original)) return original;
  double size = original;
  if (!wrap) {
    // Widths scale with the size: start near the answer and step down from there.
    font.size = original;
    double w = m.Width(font, text);
    if (w > 0) size = std::floor(original * width / w * 2) / 2 + 0.5;
  }
  size = std::min(size, original);
  while (size > minSize) {
    size = std::max(minSize, std::floor(size * 2 - 1e-9) / 2);  // next half point down
    if (fits(size)) return size;
  }
  return minSize;
}

}  // namespace pt::report

namespace pt::report {

TextItem LayoutText(TextMeasurer& m, const FontSpec& font, std::string text, const RectF& box, HAlign hAlign,
                    VAlign vAlign, bool wrap, bool shrink, FontSpec* used) {
  FontSpec f = font;
  if (shrink) f.size = ShrinkToFit(m, f, text, box.width, box.height, wrap);
  TextItem item;
  item.box = box;
  item.hAlign = hAlign;
  item.lineHeight = m.LineHeight(f);
  if (wrap) {
    item.lines = BreakLines(m, f, text, box.width);
    // Lines below the box are left out, but the first line always shows.
    size_t room = static_cast<size_t>(std::max(1.0, std::floor((box.height + 1e-6) / item.lineHeight)));
    if (item.lines.size() > room) item.lines.resize(room);
    if (item.lines.size() == 1 && item.lines[0].start == 0 && item.lines[0].length == text.size())
      item.lines.clear();
  } else if (text.find('\n') != std::string::npos) {
    item.lines = BreakLines(m, f, text, 1e9);  // explicit line breaks only
  }
  double block = static_cast<double>(item.LineCount()) * item.lineHeight;
  switch (vAlign) {
    case VAlign::Top: item.top = box.y; break;
    case VAlign::Center: item.top = box.y + (box.height - block) / 2; break;
    case VAlign::Bottom: item.top = box.y + box.height - block; break;
  }
  item.text = std::move(text);
  if (used) *used = f;
  return item;
}

}  // namespace pt::report
