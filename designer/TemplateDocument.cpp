#include "designer/TemplateDocument.h"

#include <algorithm>
#include <cmath>

#include "common/ModuleError.h"
#include "report_engine/PageLayout.h"
#include "report_engine/ReportDataSource.h"
#include "report_engine/ReportEngine.h"

namespace pt::designer {

namespace {

constexpr double kTolerance = 0.005;

bool Near(double a, double b) { return std::fabs(a - b) < kTolerance; }

// The paper as the engine lays it out: orientation applied.
struct PageDims {
  double width = 210, height = 297;
  double left = 0, top = 0, right = 0, bottom = 0;
  double PrintableWidth() const { return width - left - right; }
  double PrintableHeight() const { return height - top - bottom; }
};

const Json& EmptyObject() {
  static const Json empty = Json::object();
  return empty;
}

const Json& Member(const Json& j, const char* key) {
  if (j.is_object()) {
    auto it = j.find(key);
    if (it != j.end() && it->is_object()) return *it;
  }
  return EmptyObject();
}

PageDims Dims(const Json& root) {
  const Json& page = Member(root, "page");
  PageDims d;
  double w = NumberOr(page, "width", 210), h = NumberOr(page, "height", 297);
  bool landscape = report::SameName(TextOr(page, "orientation", "portrait"), "landscape");
  d.width = landscape ? h : w;
  d.height = landscape ? w : h;
  const Json& m = Member(page, "margins");
  d.left = NumberOr(m, "left", 0);
  d.top = NumberOr(m, "top", 0);
  d.right = NumberOr(m, "right", 0);
  d.bottom = NumberOr(m, "bottom", 0);
  return d;
}

BandKind KindOfBand(const Json& band) {
  std::string type = TextOr(band, "type");
  if (report::SameName(type, "pageHeader")) return BandKind::PageHeader;
  if (report::SameName(type, "pageFooter")) return BandKind::PageFooter;
  return BandKind::MasterData;
}

void EraseKey(Json& j, const char* key) {
  if (j.is_object()) j.erase(key);
}

// Writes a value, or drops the key when it holds the default, so templates stay as short as
// the hand-written ones.
void SetOrDrop(Json& j, const char* key, double value, double fallback) {
  if (Near(value, fallback)) EraseKey(j, key);
  else j[key] = Number(value);
}

}  // namespace

const report::Band* ModelBand(const report::ReportTemplate& t, BandKind kind) {
  switch (kind) {
    case BandKind::PageHeader: return t.pageHeader ? &*t.pageHeader : nullptr;
    case BandKind::PageFooter: return t.pageFooter ? &*t.pageFooter : nullptr;
    case BandKind::MasterData: return &t.masterData;
  }
  return nullptr;
}

const std::vector<PaperSize>& PaperSizes() {
  static const std::vector<PaperSize> sizes = {
      {"A4", 210, 297}, {"A5", 148, 210}, {"A3", 297, 420}, {"B5", 176, 250}, {"Letter", 215.9, 279.4},
  };
  return sizes;
}

Json Number(double value) {
  double r = std::round(value * 100) / 100;
  if (r == 0) r = 0;  // no "-0"
  if (std::fabs(r) < 1e12 && r == std::floor(r)) return Json(static_cast<int64_t>(r));
  return Json(r);
}

double NumberOr(const Json& object, const char* key, double fallback) {
  if (!object.is_object()) return fallback;
  auto it = object.find(key);
  return it != object.end() && it->is_number() ? it->get<double>() : fallback;
}

std::string TextOr(const Json& object, const char* key, const std::string& fallback) {
  if (!object.is_object()) return fallback;
  auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : fallback;
}

bool FlagOr(const Json& object, const char* key, bool fallback) {
  if (!object.is_object()) return fallback;
  auto it = object.find(key);
  return it != object.end() && it->is_boolean() ? it->get<bool>() : fallback;
}

std::string JsonSyntaxPlace(std::string_view bytes) {
  try {
    const nlohmann::json parsed = nlohmann::json::parse(bytes.begin(), bytes.end());
    return {};
  } catch (const nlohmann::json::parse_error& e) {
    // e.byte counts from 1 and points at the character where reading failed.
    size_t at = std::min<size_t>(e.byte > 0 ? e.byte - 1 : 0, bytes.size());
    int line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < at; ++i)
      if (bytes[i] == '\n') {
        ++line;
        lineStart = i + 1;
      }
    int column = 1;
    for (size_t i = lineStart; i < at; ++i)
      if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) ++column;  // UTF-8 lead bytes only
    return "第 " + std::to_string(line) + " 行第 " + std::to_string(column) + " 列";
  }
}

// ------------------------------------------------------------------------------ document

TemplateDocument::TemplateDocument() : TemplateDocument(NewRollLabel(60, 40, "新标价签")) {}

TemplateDocument TemplateDocument::NewRollLabel(double width, double height, std::string_view name) {
  Json root = Json::object();
  root["format"] = "pricetag-report";
  root["version"] = 1;
  root["name"] = std::string(name);
  root["page"] = Json::object({{"width", Number(width)}, {"height", Number(height)}});
  Json band = Json::object();
  band["type"] = "masterData";
  band["height"] = Number(height);
  band["objects"] = Json::array();
  root["bands"] = Json::array({band});
  return TemplateDocument(std::move(root));
}

TemplateDocument TemplateDocument::Parse(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (bytes.find_first_not_of(" \t\r\n") != std::string_view::npos) {
    std::string place = JsonSyntaxPlace(bytes);
    if (!place.empty()) throw ModuleError("报表模板已损坏，无法读取（" + place + "）");
  }
  report::ReportEngine().LoadTemplate(bytes);  // the engine's own reading decides, with its message
  return TemplateDocument(Json::parse(bytes.begin(), bytes.end()));
}

std::string TemplateDocument::Serialize() const { return root_.dump(2) + "\n"; }

report::ReportTemplate TemplateDocument::Model() const { return report::ParseTemplate(Serialize()); }

std::string TemplateDocument::Name() const { return TextOr(root_, "name"); }

void TemplateDocument::SetName(std::string_view name) { root_["name"] = std::string(name); }

const Json& TemplateDocument::Bands() const { return root_.at("bands"); }
Json& TemplateDocument::MutableBands() { return root_.at("bands"); }

int TemplateDocument::BandCount() const { return static_cast<int>(Bands().size()); }

BandKind TemplateDocument::Band(int band) const { return KindOfBand(Bands().at(static_cast<size_t>(band))); }

int TemplateDocument::FindBand(BandKind kind) const {
  for (int i = 0; i < BandCount(); ++i)
    if (Band(i) == kind) return i;
  return -1;
}

int TemplateDocument::MasterBand() const { return FindBand(BandKind::MasterData); }

RectF TemplateDocument::BandArea(int band) const {
  const Json& b = Bands().at(static_cast<size_t>(band));
  const PageDims d = Dims(root_);
  RectF area{0, 0, d.PrintableWidth(), NumberOr(b, "height", 0)};
  if (KindOfBand(b) == BandKind::MasterData) {
    double width = NumberOr(b, "width", 0);
    int columns = std::max(1, static_cast<int>(NumberOr(b, "columns", 1)));
    if (width <= 0) width = (d.PrintableWidth() - (columns - 1) * NumberOr(b, "columnGap", 0)) / columns;
    area.width = width;
  }
  return area;
}

int TemplateDocument::ObjectCount(int band) const {
  const Json& b = Bands().at(static_cast<size_t>(band));
  auto it = b.find("objects");
  return it != b.end() && it->is_array() ? static_cast<int>(it->size()) : 0;
}

std::vector<ObjectRef> TemplateDocument::Objects() const {
  std::vector<ObjectRef> out;
  for (int b = 0; b < BandCount(); ++b)
    for (int i = 0; i < ObjectCount(b); ++i) out.push_back({b, i});
  return out;
}

bool TemplateDocument::Valid(ObjectRef ref) const {
  return ref.band >= 0 && ref.band < BandCount() && ref.index >= 0 && ref.index < ObjectCount(ref.band);
}

const Json& TemplateDocument::Object(ObjectRef ref) const {
  if (!Valid(ref)) throw ModuleError("模板中没有这个对象");
  return Bands()[static_cast<size_t>(ref.band)]["objects"][static_cast<size_t>(ref.index)];
}

Json& TemplateDocument::MutableObject(ObjectRef ref) {
  if (!Valid(ref)) throw ModuleError("模板中没有这个对象");
  return ObjectList(ref.band)[static_cast<size_t>(ref.index)];
}

Json& TemplateDocument::ObjectList(int band) {
  Json& b = MutableBands().at(static_cast<size_t>(band));
  auto it = b.find("objects");
  if (it == b.end() || !it->is_array()) b["objects"] = Json::array();
  return b["objects"];
}

ObjectKind TemplateDocument::Kind(ObjectRef ref) const {
  std::string type = TextOr(Object(ref), "type");
  if (report::SameName(type, "barcode")) return ObjectKind::Barcode;
  if (report::SameName(type, "line")) return ObjectKind::Line;
  if (report::SameName(type, "rectangle")) return ObjectKind::Rectangle;
  if (report::SameName(type, "picture")) return ObjectKind::Picture;
  return ObjectKind::Text;
}

RectF TemplateDocument::Box(ObjectRef ref) const {
  const Json& o = Object(ref);
  if (Kind(ref) == ObjectKind::Line) {
    double x1 = NumberOr(o, "x1", 0), y1 = NumberOr(o, "y1", 0);
    return RectF{x1, y1, NumberOr(o, "x2", 0) - x1, NumberOr(o, "y2", 0) - y1};
  }
  return RectF{NumberOr(o, "x", 0), NumberOr(o, "y", 0), NumberOr(o, "width", 0), NumberOr(o, "height", 0)};
}

void TemplateDocument::SetBox(ObjectRef ref, const RectF& box) {
  const ObjectKind kind = Kind(ref);
  Json& o = MutableObject(ref);
  if (kind == ObjectKind::Line) {
    o["x1"] = Number(box.x);
    o["y1"] = Number(box.y);
    o["x2"] = Number(box.x + box.width);
    o["y2"] = Number(box.y + box.height);
    return;
  }
  RectF r = box;
  if (r.width < 0) r = RectF{r.x + r.width, r.y, -r.width, r.height};
  if (r.height < 0) r = RectF{r.x, r.y + r.height, r.width, -r.height};
  o["x"] = Number(r.x);
  o["y"] = Number(r.y);
  o["width"] = Number(r.width);
  o["height"] = Number(r.height);
}

std::string TemplateDocument::Label(ObjectRef ref) const {
  std::string name = TextOr(Object(ref), "name");
  if (!name.empty()) return name;
  static const char* const kCaptions[] = {"文本", "条码", "线条", "矩形", "图片"};
  return std::string(kCaptions[static_cast<int>(Kind(ref))]) + " " + std::to_string(ref.index + 1);
}

ObjectRef TemplateDocument::Insert(int band, int index, Json object) {
  Json& list = ObjectList(band);
  const int count = static_cast<int>(list.size());
  if (index < 0 || index > count) index = count;
  list.insert(list.begin() + index, std::move(object));
  return {band, index};
}

void TemplateDocument::Erase(std::vector<ObjectRef> refs) {
  std::sort(refs.begin(), refs.end());
  refs.erase(std::unique(refs.begin(), refs.end()), refs.end());
  for (auto it = refs.rbegin(); it != refs.rend(); ++it) {
    if (!Valid(*it)) continue;
    Json& list = ObjectList(it->band);
    list.erase(list.begin() + it->index);
  }
}

ObjectRef TemplateDocument::Reorder(ObjectRef ref, int toIndex) {
  Json object = Object(ref);
  Json& list = ObjectList(ref.band);
  list.erase(list.begin() + ref.index);
  return Insert(ref.band, std::clamp(toIndex, 0, static_cast<int>(list.size())), std::move(object));
}

PageSetup TemplateDocument::Page() const {
  const Json& page = Member(root_, "page");
  const Json& margins = Member(page, "margins");
  PageSetup p;
  p.paperWidth = NumberOr(page, "width", 210);
  p.paperHeight = NumberOr(page, "height", 297);
  p.landscape = report::SameName(TextOr(page, "orientation", "portrait"), "landscape");
  p.marginLeft = NumberOr(margins, "left", 0);
  p.marginTop = NumberOr(margins, "top", 0);
  p.marginRight = NumberOr(margins, "right", 0);
  p.marginBottom = NumberOr(margins, "bottom", 0);
  const int master = MasterBand();
  const Json& band = master >= 0 ? Bands()[static_cast<size_t>(master)] : EmptyObject();
  p.labelHeight = NumberOr(band, "height", 40);
  p.labelWidth = master >= 0 ? BandArea(master).width : 60;
  p.columns = static_cast<int>(NumberOr(band, "columns", 1));
  p.rows = static_cast<int>(NumberOr(band, "rows", 0));
  p.columnGap = NumberOr(band, "columnGap", 0);
  p.rowGap = NumberOr(band, "rowGap", 0);
  p.downThenAcross = report::SameName(TextOr(band, "order", "acrossThenDown"), "downThenAcross");

  const PageDims d = Dims(root_);
  double bands = 0;
  for (BandKind k : {BandKind::PageHeader, BandKind::PageFooter})
    if (int b = FindBand(k); b >= 0) bands += BandArea(b).height;
  p.roll = p.columns == 1 && p.rows <= 1 && Near(d.PrintableWidth(), p.labelWidth) &&
           Near(d.PrintableHeight() - bands, p.labelHeight);
  return p;
}

void TemplateDocument::SetPage(const PageSetup& p) {
  Json& page = root_["page"];
  if (!page.is_object()) page = Json::object();
  double bands = 0;
  for (BandKind k : {BandKind::PageHeader, BandKind::PageFooter})
    if (int b = FindBand(k); b >= 0) bands += BandArea(b).height;

  int master = MasterBand();
  if (master < 0) {
    MutableBands().push_back(Json::object({{"type", "masterData"}, {"height", 40}, {"objects", Json::array()}}));
    master = BandCount() - 1;
  }
  Json& band = MutableBands()[static_cast<size_t>(master)];
  band["height"] = Number(p.labelHeight);

  if (p.roll) {
    page["width"] = Number(p.labelWidth + p.marginLeft + p.marginRight);
    page["height"] = Number(p.labelHeight + p.marginTop + p.marginBottom + bands);
    if (page.contains("orientation")) page["orientation"] = "portrait";
    for (const char* key : {"width", "columns", "rows", "columnGap", "rowGap", "order"}) EraseKey(band, key);
  } else {
    page["width"] = Number(p.paperWidth);
    page["height"] = Number(p.paperHeight);
    if (p.landscape) page["orientation"] = "landscape";
    else if (page.contains("orientation")) page["orientation"] = "portrait";
    band["width"] = Number(p.labelWidth);
    SetOrDrop(band, "columns", p.columns, 1);
    SetOrDrop(band, "rows", p.rows, 0);
    SetOrDrop(band, "columnGap", p.columnGap, 0);
    SetOrDrop(band, "rowGap", p.rowGap, 0);
    if (p.downThenAcross) band["order"] = "downThenAcross";
    else EraseKey(band, "order");
  }
  if (Near(p.marginLeft, 0) && Near(p.marginTop, 0) && Near(p.marginRight, 0) && Near(p.marginBottom, 0)) {
    if (page.contains("margins")) {
      Json& m = page["margins"];
      for (const char* key : {"left", "top", "right", "bottom"}) m[key] = 0;
    }
  } else {
    Json& m = page["margins"];
    if (!m.is_object()) m = Json::object();
    m["left"] = Number(p.marginLeft);
    m["top"] = Number(p.marginTop);
    m["right"] = Number(p.marginRight);
    m["bottom"] = Number(p.marginBottom);
  }
}

SheetLayout LayOutSheet(const PageSetup& p, double headerHeight, double footerHeight) {
  SheetLayout out;
  report::ReportTemplate t;
  if (p.roll) {
    t.pageWidth = p.labelWidth + p.marginLeft + p.marginRight;
    t.pageHeight = p.labelHeight + p.marginTop + p.marginBottom + headerHeight + footerHeight;
  } else {
    t.pageWidth = p.landscape ? p.paperHeight : p.paperWidth;
    t.pageHeight = p.landscape ? p.paperWidth : p.paperHeight;
  }
  t.marginLeft = p.marginLeft;
  t.marginTop = p.marginTop;
  t.marginRight = p.marginRight;
  t.marginBottom = p.marginBottom;
  out.pageWidth = t.pageWidth;
  out.pageHeight = t.pageHeight;
  if (headerHeight > 0) t.pageHeader = report::Band{report::Band::Type::PageHeader, headerHeight, {}};
  if (footerHeight > 0) t.pageFooter = report::Band{report::Band::Type::PageFooter, footerHeight, {}};
  t.masterData.height = p.labelHeight;
  t.masterData.width = p.labelWidth;
  t.masterData.columns = p.roll ? 1 : p.columns;
  t.masterData.rows = p.roll ? 0 : p.rows;
  t.masterData.columnGap = p.roll ? 0 : p.columnGap;
  t.masterData.rowGap = p.roll ? 0 : p.rowGap;
  t.masterData.downThenAcross = p.downThenAcross;
  if (p.labelWidth <= 0 || p.labelHeight <= 0) {
    out.message = "标签的宽度和高度应大于 0";
    return out;
  }
  if (p.columns < 1) {
    out.message = "每行至少一张标签";
    return out;
  }
  if (t.marginLeft + t.marginRight >= t.pageWidth || t.marginTop + t.marginBottom >= t.pageHeight) {
    out.message = "页边距超出了纸张";
    return out;
  }
  try {
    report::LabelGrid grid = report::TemplateGrid(t);
    for (int i = 0; i < grid.PerPage(); ++i) {
      report::LabelGrid::Slot s = grid.Place(i);
      out.cells.push_back(RectF{s.x, s.y, p.labelWidth, p.labelHeight});
    }
    out.ok = true;
  } catch (const std::exception& e) {
    out.message = e.what();
  }
  return out;
}

}  // namespace pt::designer
