#include "designer/FieldCatalog.h"

#include "common/MemTable.h"
#include "printing/PrintRecord.h"
#include "report_engine/Expression.h"

namespace pt::designer {

namespace {

std::string WithoutBlanks(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != ' ') out.push_back(c);
  return out;
}

std::vector<CatalogEntry> BuildCatalog() {
  MemTable print;
  printing::DefinePrintFields(print);
  std::vector<CatalogEntry> out;
  for (const printing::FieldCaption& c : printing::PrintFieldCaptions()) {
    CatalogEntry e;
    e.name = c.name;
    e.caption = c.caption;
    if (int f = print.FieldIndex(c.name); f >= 0) {
      e.numeric = print.Field(f).type == FieldType::Float || print.Field(f).type == FieldType::Integer;
      e.displayFormat = print.Field(f).displayFormat;
    }
    out.push_back(std::move(e));
  }
  for (const printing::FieldCaption& c : printing::ReportVariableCaptions())
    out.push_back(CatalogEntry{CatalogEntry::Kind::Variable, c.name, WithoutBlanks(c.caption), false, {}});
  out.push_back(CatalogEntry{CatalogEntry::Kind::PageValue, "Page#", "页码", true, {}});
  out.push_back(CatalogEntry{CatalogEntry::Kind::PageValue, "TotalPages#", "总页数", true, {}});
  out.push_back(CatalogEntry{CatalogEntry::Kind::PageValue, "Line#", "序号", true, {}});
  return out;
}

// What one bracketed expression shows in the design view, or empty to leave it as written.
std::string CaptionOf(const report::Expression& e) {
  const auto& nodes = e.Nodes();
  if (nodes.size() != 1) return {};
  using Kind = report::Expression::Node::Kind;
  const report::Expression::Node& n = nodes[0];
  const CatalogEntry* entry = nullptr;
  switch (n.kind) {
    case Kind::Field:
      if (report::SameName(n.dataset, kPrintDataset)) entry = FindField(n.name);
      break;
    case Kind::Variable: entry = FindVariable(n.name); break;
    case Kind::PageNo: entry = FindVariable("Page#"); break;
    case Kind::TotalPages: entry = FindVariable("TotalPages#"); break;
    case Kind::LineNo: entry = FindVariable("Line#"); break;
    default: break;
  }
  return entry ? entry->caption : std::string();
}

}  // namespace

std::string CatalogEntry::Expression() const {
  if (kind == Kind::Field) return std::string(kPrintDataset) + ".\"" + name + "\"";
  return name;
}

const std::vector<CatalogEntry>& LabelCatalog() {
  static const std::vector<CatalogEntry> catalog = BuildCatalog();
  return catalog;
}

const CatalogEntry* FindField(std::string_view name) {
  for (const CatalogEntry& e : LabelCatalog())
    if (e.kind == CatalogEntry::Kind::Field && report::SameName(e.name, name)) return &e;
  return nullptr;
}

const CatalogEntry* FindVariable(std::string_view name) {
  for (const CatalogEntry& e : LabelCatalog())
    if (e.kind != CatalogEntry::Kind::Field && report::SameName(e.name, name)) return &e;
  return nullptr;
}

Json ObjectForEntry(const CatalogEntry& entry, bool barcode, double x, double y) {
  const std::string bracketed = "[" + entry.Expression() + "]";
  Json o = Json::object();
  if (barcode) {
    o["type"] = "barcode";
    o["name"] = entry.caption;
    o["x"] = Number(x);
    o["y"] = Number(y);
    o["width"] = 40;
    o["height"] = 15;
    o["symbology"] = report::SameName(entry.name, "f_Sptm") ? "EAN13" : "CODE128";
    o["data"] = bracketed;
    o["showText"] = true;
    o["visibleIf"] = bracketed;
    return o;
  }
  o["type"] = "text";
  o["name"] = entry.caption;
  o["x"] = Number(x);
  o["y"] = Number(y);
  o["width"] = entry.numeric ? 20 : 35;
  o["height"] = 6;
  o["text"] = bracketed;
  if (entry.numeric && entry.kind == CatalogEntry::Kind::Field) {
    o["format"] = entry.displayFormat.empty() ? "0.00" : entry.displayFormat;
    o["align"] = "right";
  }
  o["font"] = Json::object({{"family", kDefaultFontFamily}, {"size", 9}});
  return o;
}

Json NewObject(ObjectKind kind, double x, double y) {
  // Every kind but the line is a box at (x, y); a line runs 30 mm across from there.
  struct Shape { const char* type; double width, height; };
  static const Shape kShapes[] = {{"text", 30, 6}, {"barcode", 40, 15}, {"line", 30, 0}, {"rectangle", 30, 15},
                                  {"picture", 20, 20}};
  const Shape& shape = kShapes[static_cast<int>(kind)];
  Json o = Json::object();
  o["type"] = shape.type;
  if (kind == ObjectKind::Line) {
    o["x1"] = Number(x);
    o["y1"] = Number(y);
    o["x2"] = Number(x + shape.width);
    o["y2"] = Number(y);
  } else {
    o["x"] = Number(x);
    o["y"] = Number(y);
    o["width"] = shape.width;
    o["height"] = shape.height;
  }
  switch (kind) {
    case ObjectKind::Text:
      o["text"] = "文本";
      o["font"] = Json::object({{"family", kDefaultFontFamily}, {"size", 9}});
      break;
    case ObjectKind::Barcode:
      o["symbology"] = "EAN13";
      o["data"] = "[cdsPrint.\"f_Sptm\"]";
      o["visibleIf"] = "[cdsPrint.\"f_Sptm\"]";
      break;
    case ObjectKind::Line:
    case ObjectKind::Rectangle: o["lineWidth"] = 0.2; break;
    case ObjectKind::Picture: break;  // the caller adds the picture
  }
  return o;
}

std::string DesignText(std::string_view templateText) {
  try {
    return report::TextTemplate::Parse(templateText).WithExpressions([](const report::Expression& e) {
      const std::string caption = CaptionOf(e);
      return "[" + (caption.empty() ? e.Source() : caption) + "]";
    });
  } catch (const std::exception&) {
    return std::string(templateText);  // the editor never keeps such a text; shown as typed
  }
}

}  // namespace pt::designer
