#include "report_engine/ReportSheet.h"

#include <algorithm>
#include <functional>

#include "common/TextRoutines.h"
#include "report_engine/ReportEngine.h"

namespace pt::report {

namespace {

// A caption names something when it holds a Latin letter or a Chinese character (U+4E00 to
// U+9FFF), not only signs such as "￥".
bool Names(const std::string& caption) {
  for (unsigned char c : caption)
    if ((c >= 0xE4 && c <= 0xE9) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  return false;
}

// "产地:" and "产地：" give 产地.
std::string Caption(std::string literal) {
  literal = Trim(literal);
  for (const char* colon : {"：", ":"}) {
    const std::string c = colon;
    while (literal.size() >= c.size() && literal.compare(literal.size() - c.size(), c.size(), c) == 0) {
      literal.resize(literal.size() - c.size());
      literal = Trim(literal);
    }
  }
  return literal;
}

// The name an expression's source text gives: cdsPrint."f_Spmc" gives f_Spmc, cdsPrint.f_Spmc
// also, dj gives dj.
std::string NameIn(const std::string& source) {
  const std::string s = Trim(source);
  size_t quote = s.find('"');
  if (quote != std::string::npos) {
    size_t end = s.find('"', quote + 1);
    return s.substr(quote + 1, end == std::string::npos ? std::string::npos : end - quote - 1);
  }
  size_t dot = s.find('.');
  return dot == std::string::npos ? s : s.substr(dot + 1);
}

bool EndsWithColon(const std::string& text) {
  const std::string t = TrimRight(text);
  for (const char* c : {"：", ":"}) {
    const std::string colon = c;
    if (t.size() >= colon.size() && t.compare(t.size() - colon.size(), colon.size(), colon) == 0) return true;
  }
  return false;
}

// The title of a text that shows several values: their captions when each has one
// ("单位:[…]  等级:[…]" gives 单位/等级), else the text with each value named in its place
// ("[…] 至 […]" gives 特价起始日期 至 特价结束日期).
std::string MixedTitle(const TextTemplate& text, const std::function<std::string(const Expression&)>& nameOf) {
  const std::string marked = text.WithExpressions([](const Expression&) { return std::string("\x01"); });
  std::vector<std::string> segments(1);
  for (char ch : marked) {
    if (ch == '\x01') segments.emplace_back();
    else segments.back() += ch;
  }
  std::string captions;
  for (size_t i = 0; i + 1 < segments.size(); ++i) {
    const std::string caption = Caption(segments[i]);
    if (!EndsWithColon(segments[i]) || !Names(caption)) return Trim(text.WithExpressions(nameOf));
    captions += (i ? "/" : "") + caption;
  }
  return captions;
}

struct LabelColumn {
  TemplateObject object;
  const Expression* sole = nullptr;  // into object.text, once bound
  std::string format;                // of a sole number
};

}  // namespace

bool ReportSheet::HasGroups() const {
  return std::any_of(columns.begin(), columns.end(), [](const SheetColumn& c) { return !c.group.empty(); });
}

std::shared_ptr<const ReportSheet> LabelSheet(const ReportTemplate& t, const VariableList& variables,
                                              ReportDataSource& source) {
  auto sheet = std::make_shared<ReportSheet>();
  std::vector<LabelColumn> columns;
  columns.reserve(t.masterData.objects.size());  // the kept objects stay put
  for (const TemplateObject& o : t.masterData.objects) {
    if (o.type != TemplateObject::Type::Text && o.type != TemplateObject::Type::Barcode) continue;
    if (o.text.Constant()) continue;
    LabelColumn c;
    c.object = o;
    c.object.text.Bind(&source, variables);
    if (c.object.visibleIf) c.object.visibleIf->Bind(&source, variables);
    c.sole = c.object.text.SoleExpression();
    auto nameOf = [&](const Expression& e) {
      const int field = e.SoleField();
      std::string label = field >= 0 ? source.DisplayLabel(field) : std::string();
      label.erase(std::remove(label.begin(), label.end(), '|'), label.end());
      return label.empty() ? NameIn(e.Source()) : label;
    };
    std::string title;
    if (c.sole) {
      const std::string caption = Caption(c.object.text.WithExpressions([](const Expression&) { return ""; }));
      title = Names(caption) ? caption : nameOf(*c.sole);
      c.format = o.format.empty() ? c.object.text.SoleFieldFormat() : o.format;
    } else {
      title = MixedTitle(c.object.text, nameOf);
    }
    if (title.empty()) title = o.name;
    // The same value shown twice on a label is one column.
    const bool repeated = std::any_of(columns.begin(), columns.end(), [&](const LabelColumn& other) {
      return other.sole && c.sole && other.sole->Source() == c.sole->Source() && other.format == c.format;
    });
    if (repeated) continue;
    sheet->columns.push_back({{}, title, o.type == TemplateObject::Type::Barcode ? std::string() : c.format});
    columns.push_back(std::move(c));
    columns.back().sole = columns.back().object.text.SoleExpression();  // into the copy kept
  }

  const int records = source.RecordCount();
  LabelGrid grid = TemplateGrid(t);
  const int pages = grid.PageCount(records);
  sheet->rows.reserve(static_cast<size_t>(records));
  for (int r = 0; r < records; ++r) {
    source.MoveTo(r);
    const PageContext ctx{grid.Place(r).page + 1, pages, r + 1};
    std::vector<Variant> row;
    row.reserve(columns.size());
    for (const LabelColumn& c : columns) {
      const TemplateObject& o = c.object;
      if (o.visibleIf && !o.visibleIf->IsTrue(&source, ctx)) {
        row.emplace_back();
        continue;
      }
      if (!c.sole) {
        row.emplace_back(o.text.Render(&source, ctx, o.format));
        continue;
      }
      Variant v = c.sole->Evaluate(&source, ctx);
      // A barcode's data is a code: text, whatever the field's type.
      if (o.type == TemplateObject::Type::Barcode && !v.IsText() && !v.IsNull()) v = FormatValue(v, {});
      if (!v.IsNumber() && !v.IsText() && !v.IsNull()) v = FormatValue(v, c.format);
      row.push_back(std::move(v));
    }
    sheet->rows.push_back(std::move(row));
  }
  return sheet;
}

std::string SheetNumberFormat(const std::string& displayFormat) {
  const std::string first = displayFormat.substr(0, displayFormat.find(';'));
  std::string out, literal;
  auto flush = [&] {
    if (literal.empty()) return;
    out += "\"" + literal + "\"";
    literal.clear();
  };
  for (char c : first) {
    if (c == '0' || c == '#' || c == ',' || c == '.') {
      flush();
      out += c;
    } else if (c != '"') {
      literal += c;
    }
  }
  flush();
  return out;
}

}  // namespace pt::report
