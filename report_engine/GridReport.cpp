#include "report_engine/GridReport.h"

#include <algorithm>
#include <cmath>

#include "common/ModuleError.h"
#include "report_engine/PageLayout.h"

namespace pt::report {

namespace {

constexpr double kPad = 0.8;      // millimetres between a cell's lines and its text
constexpr double kGap = 1.0;      // between the page header and the column titles
constexpr double kRule = 0.15;    // grid line width

struct Col {
  std::string group;  // empty: a one-level title
  std::string title;
  int field = -1;
  std::string format;
  double x = 0, width = 0;
};

// Cells of the column titles: a group title spans the neighbouring columns of the same group.
struct HeaderCell {
  std::string text;
  RectF box;
};

class GridBuilder {
 public:
  GridBuilder(const GridReportSpec& spec, ReportDataSource& source, const VariableList& vars, TextMeasurer& m)
      : spec_(spec), source_(source), vars_(vars), m_(m) {}

  PreparedReport Run() {
    SetUpColumns();
    if (const std::string* title = vars_.Find("Title")) report_.title = *title;
    fonts_.title = report_.AddFont(spec_.titleFont);
    fonts_.condition = report_.AddFont(spec_.conditionFont);
    fonts_.header = report_.AddFont(spec_.headerFont);
    fonts_.cell = report_.AddFont(spec_.cellFont);
    cellLine_ = m_.LineHeight(spec_.cellFont);

    const double left = spec_.margin;
    double y = spec_.margin;
    titleBox_ = {left, y, width_, m_.LineHeight(spec_.titleFont)};
    y += titleBox_.height;
    conditionBox_ = {left, y, width_, m_.LineHeight(spec_.conditionFont)};
    y += conditionBox_.height + kGap;
    LayOutHeader(y);
    y += headerHeight_;
    bodyTop_ = y;
    footerHeight_ = cellLine_ + 2 * kPad;
    double room = spec_.pageHeight - spec_.margin - footerHeight_ - bodyTop_;
    if (room < cellLine_ + 2 * kPad) throw ModuleError("纸张太小，放不下表格的标题和行");

    // Lines are measured first so the page count is known before any page is drawn.
    const int records = source_.RecordCount();
    std::vector<std::vector<std::string>> texts(static_cast<size_t>(records));
    std::vector<double> heights(static_cast<size_t>(records));
    for (int r = 0; r < records; ++r) {
      source_.MoveTo(r);
      auto& row = texts[static_cast<size_t>(r)];
      row.reserve(cols_.size() + 1);
      row.push_back(std::to_string(r + 1));
      size_t lines = 1;
      for (const Col& c : cols_) {
        row.push_back(FormatValue(source_.Value(c.field), c.format));
        if (c.width - 2 * kPad > 0 && m_.Width(spec_.cellFont, row.back()) > c.width - 2 * kPad)
          lines = std::max(lines, BreakLines(m_, spec_.cellFont, row.back(), c.width - 2 * kPad).size());
      }
      heights[static_cast<size_t>(r)] = static_cast<double>(lines) * cellLine_ + 2 * kPad;
    }
    std::vector<BandBreaker::Placement> placed = BandBreaker(room).Break(heights);
    const int pages = placed.empty() ? 1 : placed.back().page + 1;

    report_.pages.resize(static_cast<size_t>(pages));
    std::vector<double> pageBottom(static_cast<size_t>(pages), bodyTop_);
    std::vector<bool> numeric(cols_.size(), false);
    for (int r = 0; r < records; ++r) {
      const auto& p = placed[static_cast<size_t>(r)];
      Page& page = report_.pages[static_cast<size_t>(p.page)];
      double top = bodyTop_ + p.y;
      source_.MoveTo(r);
      auto& row = texts[static_cast<size_t>(r)];
      Cell(page, std::move(row[0]), {rowNoX_, top, rowNoWidth_, p.height}, HAlign::Center, fonts_.cell, true);
      for (size_t c = 0; c < cols_.size(); ++c) {
        HAlign align = source_.Value(cols_[c].field).IsNumber() ? HAlign::Right : HAlign::Left;
        Cell(page, std::move(row[c + 1]), {cols_[c].x, top, cols_[c].width, p.height}, align, fonts_.cell, true);
      }
      page.items.emplace_back(LineItem{left, top + p.height, left + width_, top + p.height, kRule, kBlack});
      pageBottom[static_cast<size_t>(p.page)] = top + p.height;
    }
    for (int p = 0; p < pages; ++p) {
      Page& page = report_.pages[static_cast<size_t>(p)];
      page.width = spec_.pageWidth;
      page.height = spec_.pageHeight;
      DrawFrame(page, pageBottom[static_cast<size_t>(p)], PageContext{p + 1, pages, 0});
    }
    return std::move(report_);
  }

 private:
  void SetUpColumns() {
    double total = spec_.rowNumberWidth;
    for (const GridColumn& gc : spec_.columns) {
      if (!gc.visible) continue;
      Col c;
      size_t bar = gc.title.find('|');
      if (bar != std::string::npos) {
        c.group = gc.title.substr(0, bar);
        c.title = gc.title.substr(bar + 1);
      } else {
        c.title = gc.title;
      }
      c.field = source_.FieldIndex(gc.field);
      if (c.field < 0) throw ModuleError("打印的列“" + gc.field + "”在数据中不存在");
      c.format = gc.displayFormat.empty() ? source_.DisplayFormat(c.field) : gc.displayFormat;
      c.width = std::max(gc.width, 1.0);
      total += c.width;
      cols_.push_back(std::move(c));
    }
    if (cols_.empty()) throw ModuleError("没有可打印的列");
    width_ = spec_.pageWidth - 2 * spec_.margin;
    double scale = width_ / total;  // stretched to the page width
    rowNoX_ = spec_.margin;
    rowNoWidth_ = spec_.rowNumberWidth * scale;
    double x = rowNoX_ + rowNoWidth_;
    for (Col& c : cols_) {
      c.x = x;
      c.width *= scale;
      x += c.width;
    }
  }

  double NeedHeight(const std::string& text, double width) {
    size_t lines = width - 2 * kPad > 0 ? BreakLines(m_, spec_.headerFont, text, width - 2 * kPad).size() : 1;
    return static_cast<double>(std::max<size_t>(lines, 1)) * m_.LineHeight(spec_.headerFont) + 2 * kPad;
  }

  void LayOutHeader(double top) {
    bool twoLevels = std::any_of(cols_.begin(), cols_.end(), [](const Col& c) { return !c.group.empty(); });
    // Group spans: neighbouring columns with the same group title.
    struct Span { size_t first, last; };
    std::vector<Span> groups;
    for (size_t i = 0; i < cols_.size(); ++i) {
      if (cols_[i].group.empty()) continue;
      if (!groups.empty() && groups.back().last + 1 == i && cols_[groups.back().first].group == cols_[i].group)
        groups.back().last = i;
      else
        groups.push_back({i, i});
    }
    double upper = 0, lower = 0, single = NeedHeight(spec_.rowNumberTitle, rowNoWidth_);
    for (const Span& g : groups) {
      double w = cols_[g.last].x + cols_[g.last].width - cols_[g.first].x;
      upper = std::max(upper, NeedHeight(cols_[g.first].group, w));
    }
    for (const Col& c : cols_) {
      if (twoLevels && !c.group.empty()) lower = std::max(lower, NeedHeight(c.title, c.width));
      else single = std::max(single, NeedHeight(c.title, c.width));
    }
    if (twoLevels) {
      // Titles without a group span both levels and must fit in them.
      if (upper + lower < single) lower = single - upper;
      headerHeight_ = upper + lower;
    } else {
      headerHeight_ = single;
    }
    headerCells_.push_back({spec_.rowNumberTitle, {rowNoX_, top, rowNoWidth_, headerHeight_}});
    for (const Col& c : cols_) {
      if (twoLevels && !c.group.empty())
        headerCells_.push_back({c.title, {c.x, top + upper, c.width, lower}});
      else
        headerCells_.push_back({c.title, {c.x, top, c.width, headerHeight_}});
    }
    for (const Span& g : groups) {
      double w = cols_[g.last].x + cols_[g.last].width - cols_[g.first].x;
      headerCells_.push_back({cols_[g.first].group, {cols_[g.first].x, top, w, upper}});
    }
  }

  void Cell(Page& page, std::string text, const RectF& cell, HAlign align, uint32_t font, bool body) {
    if (text.empty()) return;
    RectF inner{cell.x + kPad, cell.y + kPad, std::max(0.0, cell.width - 2 * kPad), std::max(0.0, cell.height - 2 * kPad)};
    const FontSpec& f = report_.fonts[font];
    bool wrap = m_.Width(f, text) > inner.width;
    TextItem item = LayoutText(m_, f, std::move(text), inner, align, body ? VAlign::Top : VAlign::Center, wrap,
                               false, nullptr);
    item.font = font;
    page.items.emplace_back(std::move(item));
  }

  // Page header, column titles, the vertical grid lines down to the last line of the page, and
  // the column footer below it.
  void DrawFrame(Page& page, double bottom, const PageContext& ctx) {
    const double left = spec_.margin;
    auto render = [&](const std::string& text) {
      TextTemplate t = TextTemplate::Parse(text);
      t.Bind(nullptr, vars_);
      return t.Render(nullptr, ctx, {});
    };
    std::string title = render("[Title]");
    if (!title.empty()) {
      TextItem t = LayoutText(m_, spec_.titleFont, title, titleBox_, HAlign::Center, VAlign::Center, false, false,
                              nullptr);
      t.font = fonts_.title;
      page.items.emplace_back(std::move(t));
    }
    std::string condition = render("[Condi]");
    if (!condition.empty()) {
      TextItem t = LayoutText(m_, spec_.conditionFont, condition, conditionBox_, HAlign::Left, VAlign::Center, false,
                              false, nullptr);
      t.font = fonts_.condition;
      page.items.emplace_back(std::move(t));
    }
    for (const HeaderCell& h : headerCells_) {
      RectItem r;
      r.box = h.box;
      r.lineWidth = kRule;
      page.items.emplace_back(r);
      Cell(page, h.text, h.box, HAlign::Center, fonts_.header, false);
    }
    if (bottom > bodyTop_) {
      page.items.emplace_back(LineItem{rowNoX_, bodyTop_, rowNoX_, bottom, kRule, kBlack});
      for (const Col& c : cols_)
        page.items.emplace_back(LineItem{c.x + c.width, bodyTop_, c.x + c.width, bottom, kRule, kBlack});
    }
    double third = width_ / static_cast<double>(std::max<size_t>(1, spec_.footerTexts.size()));
    for (size_t i = 0; i < spec_.footerTexts.size(); ++i) {
      std::string text = render(spec_.footerTexts[i]);
      if (text.empty()) continue;
      RectF box{left + third * static_cast<double>(i), bottom + kPad, third, cellLine_};
      TextItem t = LayoutText(m_, spec_.cellFont, std::move(text), box, HAlign::Left, VAlign::Center, false, false,
                              nullptr);
      t.font = fonts_.cell;
      page.items.emplace_back(std::move(t));
    }
  }

  const GridReportSpec& spec_;
  ReportDataSource& source_;
  const VariableList& vars_;
  TextMeasurer& m_;
  PreparedReport report_;
  std::vector<Col> cols_;
  std::vector<HeaderCell> headerCells_;
  struct {
    uint32_t title = 0, condition = 0, header = 0, cell = 0;
  } fonts_;
  double width_ = 0, rowNoX_ = 0, rowNoWidth_ = 0;
  double cellLine_ = 0, headerHeight_ = 0, bodyTop_ = 0, footerHeight_ = 0;
  RectF titleBox_, conditionBox_;
};

}  // namespace

PreparedReport BuildGridReport(const GridReportSpec& spec, ReportDataSource& source, const VariableList& variables,
                               TextMeasurer& measurer) {
  return GridBuilder(spec, source, variables, measurer).Run();
}

}  // namespace pt::report
