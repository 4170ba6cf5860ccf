#include "report_engine/GridReport.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "common/ModuleError.h"
#include "report_engine/GridLayout.h"
#include "report_engine/PageLayout.h"
#include "report_engine/ReportSheet.h"

namespace pt::report {

namespace {

constexpr double kPad = 0.8;      // millimetres between a cell's lines and its text
constexpr double kGap = 1.0;      // between the page header and the column titles
constexpr double kRule = 0.15;    // grid line width
constexpr size_t kTitleLines = 3;
// A code wider than this (at the grid's own size) may wrap after all, rather than crowd out the
// other columns.
constexpr double kWidestUnbroken = 60;
// A wrapping column keeps room for this many Chinese characters a line, or its longest word,
// and asks for no more than kLongNameEms before the other columns' titles get their room.
constexpr double kWrapEms = 6;
constexpr double kLongNameEms = 14;
// Widths are measured once at the grid's own size and scaled to the size chosen; this much room
// is added to cells that must not wrap, against rounding in the font's metrics.
constexpr double kScaleSlack = 1.01;

struct Col {
  std::string group;  // empty: a one-level title
  std::string title;
  int field = -1;
  std::string format;
  bool key = false;
  bool single = true;  // cells stay on one line: numbers, dates, codes
};

struct HeaderCell {
  std::string text;
  RectF box;
};

// One page across: its columns with their places.
struct Panel {
  std::vector<size_t> cols;
  std::vector<double> x, width;
  std::vector<HeaderCell> header;
};

bool Unbreakable(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80 || c == ' ' || c == '\t') return false;
  return true;
}

// The longest run of Latin letters and digits: a word a wrapping cell should not cut.
std::string_view LongestWord(std::string_view text) {
  std::string_view best;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
    if (c >= 0x80 || c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (i - start > best.size()) best = text.substr(start, i - start);
      start = i + 1;
    }
  }
  return best;
}

class GridBuilder {
 public:
  GridBuilder(const GridReportSpec& spec, ReportDataSource& source, const VariableList& vars, TextMeasurer& m)
      : spec_(spec), source_(source), vars_(vars), m_(m) {}

  PreparedReport Run() {
    SetUpColumns();
    if (const std::string* title = vars_.Find("Title")) report_.title = *title;
    ReadRecords();
    Plan();

    cellFont_ = spec_.cellFont;
    cellFont_.size = plan_.fontSize;
    headerFont_ = spec_.headerFont;
    headerFont_.size = spec_.headerFont.size * plan_.fontSize / spec_.cellFont.size;
    fonts_.title = report_.AddFont(spec_.titleFont);
    fonts_.condition = report_.AddFont(spec_.conditionFont);
    fonts_.header = report_.AddFont(headerFont_);
    fonts_.cell = report_.AddFont(cellFont_);
    fonts_.footer = report_.AddFont(spec_.cellFont);
    cellLine_ = m_.LineHeight(cellFont_);

    const double left = spec_.margin;
    width_ = plan_.pageWidth - 2 * spec_.margin;
    double y = spec_.margin;
    titleBox_ = {left, y, width_, m_.LineHeight(spec_.titleFont)};
    y += titleBox_.height;
    conditionBox_ = {left, y, width_, m_.LineHeight(spec_.conditionFont)};
    y += conditionBox_.height + kGap;
    LayOutPanels(y);
    bodyTop_ = y + headerHeight_;
    const double footerHeight = m_.LineHeight(spec_.cellFont) + 2 * kPad;
    const double room = plan_.pageHeight - spec_.margin - footerHeight - bodyTop_;
    if (room < cellLine_ + 2 * kPad) throw ModuleError("纸张太小，放不下表格的标题和行");

    const int records = static_cast<int>(texts_.size());
    std::vector<double> heights(texts_.size());
    for (size_t r = 0; r < texts_.size(); ++r) heights[r] = static_cast<double>(LinesOf(r)) * cellLine_ + 2 * kPad;
    std::vector<BandBreaker::Placement> placed = BandBreaker(room).Break(heights);
    const int rowPages = placed.empty() ? 1 : placed.back().page + 1;
    const int across = static_cast<int>(panels_.size());
    const int pages = rowPages * across;

    // Pages across follow one another: the rows of one page, then the same rows' further columns.
    report_.pages.resize(static_cast<size_t>(pages));
    std::vector<size_t> rowsOn(static_cast<size_t>(rowPages), 0);
    for (const auto& p : placed) ++rowsOn[static_cast<size_t>(p.page)];
    for (int g = 0; g < rowPages; ++g)
      for (int a = 0; a < across; ++a)
        PageAt(g, a).items.reserve(rowsOn[static_cast<size_t>(g)] * (panels_[static_cast<size_t>(a)].cols.size() + 2) +
                                   3 * panels_[static_cast<size_t>(a)].header.size() + 8);
    std::vector<double> pageBottom(static_cast<size_t>(rowPages), bodyTop_);
    for (int r = 0; r < records; ++r) {
      const auto& p = placed[static_cast<size_t>(r)];
      const double top = bodyTop_ + p.y;
      for (int a = 0; a < across; ++a) DrawRow(PageAt(p.page, a), panels_[static_cast<size_t>(a)], r, top, p.height);
      pageBottom[static_cast<size_t>(p.page)] = top + p.height;
    }
    for (int g = 0; g < rowPages; ++g)
      for (int a = 0; a < across; ++a) {
        const int number = g * across + a;
        Page& page = PageAt(g, a);
        page.width = plan_.pageWidth;
        page.height = plan_.pageHeight;
        DrawFrame(page, panels_[static_cast<size_t>(a)], pageBottom[static_cast<size_t>(g)],
                  PageContext{number + 1, pages, 0});
      }
    report_.sheet = std::move(sheet_);
    return std::move(report_);
  }

 private:
  void SetUpColumns() {
    auto sheet = std::make_shared<ReportSheet>();
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
      c.key = gc.key;
      sheet->columns.push_back({c.group, c.title, c.format});
      cols_.push_back(std::move(c));
    }
    if (cols_.empty()) throw ModuleError("没有可打印的列");
    sheet_ = std::move(sheet);
  }

  // The cells as printed, their widths at the grid's own size, and the sheet's values.
  void ReadRecords() {
    const int records = source_.RecordCount();
    texts_.resize(static_cast<size_t>(records));
    widths_.resize(static_cast<size_t>(records));
    numeric_.resize(static_cast<size_t>(records));
    sheet_->rows.resize(static_cast<size_t>(records));
    // Widths measured once per distinct text of a column (dates, prices and units repeat).
    std::vector<std::unordered_map<std::string, double>> seen(cols_.size());
    for (auto& m : seen) m.reserve(static_cast<size_t>(records) * 2);
    for (int r = 0; r < records; ++r) {
      source_.MoveTo(r);
      auto& texts = texts_[static_cast<size_t>(r)];
      auto& widths = widths_[static_cast<size_t>(r)];
      auto& numeric = numeric_[static_cast<size_t>(r)];
      auto& values = sheet_->rows[static_cast<size_t>(r)];
      texts.reserve(cols_.size());
      widths.reserve(cols_.size());
      for (size_t c = 0; c < cols_.size(); ++c) {
        const Variant& v = source_.Value(cols_[c].field);
        numeric.push_back(v.IsNumber());
        values.push_back(v.IsNumber() || v.IsText() || v.IsNull() ? v : Variant(FormatValue(v, cols_[c].format)));
        texts.push_back(FormatValue(v, cols_[c].format));
        auto it = seen[c].find(texts.back());
        if (it == seen[c].end()) it = seen[c].emplace(texts.back(), m_.Width(spec_.cellFont, texts.back())).first;
        widths.push_back(static_cast<float>(it->second));
      }
    }
  }

  void Plan() {
    const FontSpec& cell = spec_.cellFont;
    const double em = cell.size * kMmPerPoint;
    std::vector<ColumnNeeds> needs;
    for (size_t c = 0; c < cols_.size(); ++c) {
      Col& col = cols_[c];
      double content = 0, word = 0;
      bool single = true;
      for (size_t r = 0; r < texts_.size(); ++r) {
        const std::string& text = texts_[r][c];
        if (text.empty()) continue;
        content = std::max(content, static_cast<double>(widths_[r][c]));
        if (!numeric_[r][c] && single && !Unbreakable(text)) single = false;
      }
      col.single = single && content <= kWidestUnbroken;
      if (!col.single)
        for (const auto& row : texts_) {
          std::string_view w = LongestWord(row[c]);
          if (w.size() > 1) word = std::max(word, m_.Width(cell, w));
        }
      ColumnNeeds n;
      n.key = col.key;
      const double titleLeast = NarrowestWidth(m_, spec_.headerFont, col.title, kTitleLines) * kScaleSlack;
      const double titleNatural = NarrowestWidth(m_, spec_.headerFont, col.title, 2) * kScaleSlack;
      n.least = col.single ? std::max(titleLeast, content * kScaleSlack)
                           : std::max(titleLeast, std::min(content, std::max(word, kWrapEms * em)));
      n.preferred = std::max(n.least, col.single ? content * kScaleSlack : std::min(content, kLongNameEms * em));
      n.natural = std::max({content * kScaleSlack, titleNatural, n.preferred});
      needs.push_back(n);
    }
    GridPlanSpec ps;
    ps.pageWidth = spec_.pageWidth;
    ps.pageHeight = spec_.pageHeight;
    ps.margin = spec_.margin;
    ps.padding = 2 * kPad;
    ps.fontSize = cell.size;
    ps.minFontSize = spec_.minFontSize;
    ps.rowNumberNeed = std::max(m_.Width(spec_.headerFont, spec_.rowNumberTitle),
                                m_.Width(cell, std::to_string(std::max<size_t>(texts_.size(), 1))) * kScaleSlack);
    plan_ = PlanGridColumns(needs, ps);
  }

  Page& PageAt(int rowPage, int across) {
    return report_.pages[static_cast<size_t>(rowPage * static_cast<int>(panels_.size()) + across)];
  }

  double Scale() const { return plan_.fontSize / spec_.cellFont.size; }

  // The lines of a record: its tallest cell over all pages across, so every page across holds
  // the same rows.
  size_t LinesOf(size_t r) {
    size_t lines = 1;
    for (const Panel& p : panels_)
      for (size_t k = 0; k < p.cols.size(); ++k) {
        const size_t c = p.cols[k];
        if (cols_[c].single) continue;
        const double inner = p.width[k] - 2 * kPad;
        if (inner <= 0 || widths_[r][c] * Scale() <= inner) continue;
        lines = std::max(lines, BreakLines(m_, cellFont_, texts_[r][c], inner).size());
      }
    return lines;
  }

  double HeaderNeed(const std::string& text, double width) {
    size_t lines = width - 2 * kPad > 0 ? BreakLines(m_, headerFont_, text, width - 2 * kPad).size() : 1;
    return static_cast<double>(std::max<size_t>(lines, 1)) * m_.LineHeight(headerFont_) + 2 * kPad;
  }

  // Places every page's columns and lays their titles out at one height for all pages.
  void LayOutPanels(double top) {
    const double rowNoX = spec_.margin;
    for (const GridPanel& gp : plan_.panels) {
      Panel p;
      double x = rowNoX + plan_.rowNumberWidth;
      for (size_t k = 0; k < gp.columns.size(); ++k) {
        p.cols.push_back(gp.columns[k]);
        p.x.push_back(x);
        p.width.push_back(gp.widths[k]);
        x += gp.widths[k];
      }
      panels_.push_back(std::move(p));
    }
    const bool twoLevels = std::any_of(cols_.begin(), cols_.end(), [](const Col& c) { return !c.group.empty(); });
    struct Span {
      size_t first, last;  // positions in the panel
    };
    std::vector<std::vector<Span>> groups(panels_.size());
    double upper = 0, lower = 0, single = HeaderNeed(spec_.rowNumberTitle, plan_.rowNumberWidth);
    for (size_t pi = 0; pi < panels_.size(); ++pi) {
      const Panel& p = panels_[pi];
      auto& spans = groups[pi];
      for (size_t k = 0; k < p.cols.size(); ++k) {
        const Col& c = cols_[p.cols[k]];
        if (c.group.empty()) continue;
        if (!spans.empty() && spans.back().last + 1 == k && cols_[p.cols[spans.back().first]].group == c.group)
          spans.back().last = k;
        else
          spans.push_back({k, k});
      }
      for (const Span& g : spans)
        upper = std::max(upper, HeaderNeed(cols_[p.cols[g.first]].group,
                                           p.x[g.last] + p.width[g.last] - p.x[g.first]));
      for (size_t k = 0; k < p.cols.size(); ++k) {
        const Col& c = cols_[p.cols[k]];
        if (twoLevels && !c.group.empty()) lower = std::max(lower, HeaderNeed(c.title, p.width[k]));
        else single = std::max(single, HeaderNeed(c.title, p.width[k]));
      }
    }
    if (twoLevels) {
      // Titles without a group span both levels and must fit in them.
      if (upper + lower < single) lower = single - upper;
      headerHeight_ = upper + lower;
    } else {
      headerHeight_ = single;
    }
    for (size_t pi = 0; pi < panels_.size(); ++pi) {
      Panel& p = panels_[pi];
      p.header.push_back({spec_.rowNumberTitle, {rowNoX, top, plan_.rowNumberWidth, headerHeight_}});
      for (size_t k = 0; k < p.cols.size(); ++k) {
        const Col& c = cols_[p.cols[k]];
        if (twoLevels && !c.group.empty())
          p.header.push_back({c.title, {p.x[k], top + upper, p.width[k], lower}});
        else
          p.header.push_back({c.title, {p.x[k], top, p.width[k], headerHeight_}});
      }
      for (const Span& g : groups[pi])
        p.header.push_back({cols_[p.cols[g.first]].group,
                            {p.x[g.first], top, p.x[g.last] + p.width[g.last] - p.x[g.first], upper}});
    }
  }

  void DrawRow(Page& page, const Panel& p, int r, double top, double height) {
    const auto& texts = texts_[static_cast<size_t>(r)];
    Cell(page, std::to_string(r + 1), {spec_.margin, top, plan_.rowNumberWidth, height}, HAlign::Center, fonts_.cell,
         true, false);
    for (size_t k = 0; k < p.cols.size(); ++k) {
      const size_t c = p.cols[k];
      const HAlign align = numeric_[static_cast<size_t>(r)][c] ? HAlign::Right : HAlign::Left;
      const bool wrap = !cols_[c].single && widths_[static_cast<size_t>(r)][c] * Scale() > p.width[k] - 2 * kPad;
      Cell(page, texts[c], {p.x[k], top, p.width[k], height}, align, fonts_.cell, true, wrap);
    }
    page.items.emplace_back(LineItem{spec_.margin, top + height, spec_.margin + width_, top + height, kRule, kBlack});
  }

  void Cell(Page& page, std::string text, const RectF& cell, HAlign align, uint32_t font, bool body, bool wrap) {
    if (text.empty()) return;
    RectF inner{cell.x + kPad, cell.y + kPad, std::max(0.0, cell.width - 2 * kPad), std::max(0.0, cell.height - 2 * kPad)};
    TextItem item = LayoutText(m_, report_.fonts[font], std::move(text), inner, align,
                               body ? VAlign::Top : VAlign::Center, wrap, false, nullptr);
    item.font = font;
    page.items.emplace_back(std::move(item));
  }

  // A title that wraps breaks into lines of even length ("商品|编码", not "商品编|码"): broken in
  // the narrowest width that holds it in as many lines, each line centred in the cell.
  void Title(Page& page, const std::string& title, const RectF& cell) {
    if (title.empty()) return;
    const RectF inner{cell.x + kPad, cell.y + kPad, std::max(0.0, cell.width - 2 * kPad),
                      std::max(0.0, cell.height - 2 * kPad)};
    RectF narrow = inner;
    if (inner.width > 0 && m_.Width(headerFont_, title) > inner.width) {
      const size_t lines = BreakLines(m_, headerFont_, title, inner.width).size();
      narrow.width = std::min(inner.width, NarrowestWidth(m_, headerFont_, title, lines) + 0.01);
    }
    TextItem item = LayoutText(m_, headerFont_, title, narrow, HAlign::Center, VAlign::Center,
                               narrow.width < m_.Width(headerFont_, title), false, nullptr);
    item.box = inner;
    item.font = fonts_.header;
    page.items.emplace_back(std::move(item));
  }

  // Page header, column titles, the vertical grid lines down to the last line of the page, and
  // the column footer below it.
  void DrawFrame(Page& page, const Panel& p, double bottom, const PageContext& ctx) {
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
    for (const HeaderCell& h : p.header) {
      RectItem r;
      r.box = h.box;
      r.lineWidth = kRule;
      page.items.emplace_back(r);
      Title(page, h.text, h.box);
    }
    if (bottom > bodyTop_) {
      page.items.emplace_back(LineItem{left, bodyTop_, left, bottom, kRule, kBlack});
      page.items.emplace_back(LineItem{left + plan_.rowNumberWidth, bodyTop_, left + plan_.rowNumberWidth, bottom,
                                       kRule, kBlack});
      for (size_t k = 0; k < p.cols.size(); ++k)
        page.items.emplace_back(LineItem{p.x[k] + p.width[k], bodyTop_, p.x[k] + p.width[k], bottom, kRule, kBlack});
    }
    double third = width_ / static_cast<double>(std::max<size_t>(1, spec_.footerTexts.size()));
    for (size_t i = 0; i < spec_.footerTexts.size(); ++i) {
      std::string text = render(spec_.footerTexts[i]);
      if (text.empty()) continue;
      RectF box{left + third * static_cast<double>(i), bottom + kPad, third, m_.LineHeight(spec_.cellFont)};
      TextItem t = LayoutText(m_, spec_.cellFont, std::move(text), box, HAlign::Left, VAlign::Center, false, false,
                              nullptr);
      t.font = fonts_.footer;
      page.items.emplace_back(std::move(t));
    }
  }

  const GridReportSpec& spec_;
  ReportDataSource& source_;
  const VariableList& vars_;
  TextMeasurer& m_;
  PreparedReport report_;
  std::shared_ptr<ReportSheet> sheet_;
  std::vector<Col> cols_;
  std::vector<std::vector<std::string>> texts_;  // per record, per column: as printed
  std::vector<std::vector<float>> widths_;       // their widths at the grid's own size
  std::vector<std::vector<bool>> numeric_;
  GridPlan plan_;
  std::vector<Panel> panels_;
  FontSpec cellFont_, headerFont_;
  struct {
    uint32_t title = 0, condition = 0, header = 0, cell = 0, footer = 0;
  } fonts_;
  double width_ = 0;
  double cellLine_ = 0, headerHeight_ = 0, bodyTop_ = 0;
  RectF titleBox_, conditionBox_;
};

}  // namespace

PreparedReport BuildGridReport(const GridReportSpec& spec, ReportDataSource& source, const VariableList& variables,
                               TextMeasurer& measurer) {
  return GridBuilder(spec, source, variables, measurer).Run();
}

}  // namespace pt::report
