#include "report_engine/PreparedFile.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "common/ModuleError.h"
#include "report_engine/ReportSheet.h"

namespace pt::report {

namespace {

constexpr char kMagic[] = "PTPREP";
constexpr size_t kMagicSize = 6;
constexpr uint16_t kVersion = 2;  // 1: without the sheet; still read

enum ItemKind : uint8_t { kText = 1, kLine = 2, kRect = 3, kBarcode = 4, kImage = 5 };

class Writer {
 public:
  void U8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(uint16_t v) { Raw(&v, 2); }
  void U32(uint32_t v) { Raw(&v, 4); }
  void F32(float v) { Raw(&v, 4); }
  void F64(double v) { Raw(&v, 8); }
  void I64(int64_t v) { Raw(&v, 8); }
  void Str(std::string_view s) {
    U32(static_cast<uint32_t>(s.size()));
    out_.append(s.data(), s.size());
  }
  void Rect(const RectF& r) { F64(r.x); F64(r.y); F64(r.width); F64(r.height); }
  std::string Take() { return std::move(out_); }

 private:
  // The layout is little-endian; so is every platform this module runs on.
  void Raw(const void* p, size_t n) { out_.append(static_cast<const char*>(p), n); }
  std::string out_;
};

class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  uint8_t U8() { uint8_t v; Raw(&v, 1); return v; }
  uint16_t U16() { uint16_t v; Raw(&v, 2); return v; }
  uint32_t U32() { uint32_t v; Raw(&v, 4); return v; }
  float F32() { float v; Raw(&v, 4); return v; }
  double F64() { double v; Raw(&v, 8); return v; }
  int64_t I64() { int64_t v; Raw(&v, 8); return v; }
  std::string Str() {
    uint32_t n = U32();
    Need(n);
    std::string s(in_.substr(pos_, n));
    pos_ += n;
    return s;
  }
  RectF Rect() { RectF r; r.x = F64(); r.y = F64(); r.width = F64(); r.height = F64(); return r; }
  // A count of elements each at least minBytes long must fit in what is left.
  uint32_t Count(size_t minBytes) {
    uint32_t n = U32();
    if (minBytes > 0 && n > (in_.size() - pos_) / minBytes) Fail();
    return n;
  }
  bool AtEnd() const { return pos_ == in_.size(); }
  [[noreturn]] static void Fail() { throw ModuleError("报表文件已损坏，无法打开"); }

 private:
  void Need(size_t n) const {
    if (n > in_.size() - pos_) Fail();
  }
  void Raw(void* p, size_t n) {
    Need(n);
    std::memcpy(p, in_.data() + pos_, n);
    pos_ += n;
  }
  std::string_view in_;
  size_t pos_ = 0;
};

HAlign ReadAlign(Reader& r) {
  uint8_t v = r.U8();
  if (v > 2) Reader::Fail();
  return static_cast<HAlign>(v);
}

enum CellKind : uint8_t { kNull = 0, kInt = 1, kFloat = 2, kString = 3 };

void WriteSheet(Writer& w, const ReportSheet* sheet) {
  w.U8(sheet ? 1 : 0);
  if (!sheet) return;
  w.U32(static_cast<uint32_t>(sheet->columns.size()));
  for (const SheetColumn& c : sheet->columns) {
    w.Str(c.group);
    w.Str(c.title);
    w.Str(c.format);
  }
  w.U32(static_cast<uint32_t>(sheet->rows.size()));
  for (const auto& row : sheet->rows) {
    for (size_t c = 0; c < sheet->columns.size(); ++c) {
      const Variant& v = c < row.size() ? row[c] : Variant();
      if (v.kind() == Variant::Kind::Int) {
        w.U8(kInt);
        w.I64(v.AsInt());
      } else if (v.kind() == Variant::Kind::Float) {
        w.U8(kFloat);
        w.F64(v.AsFloat());
      } else if (v.IsText()) {
        w.U8(kString);
        w.Str(v.AsText());
      } else {
        w.U8(kNull);
      }
    }
  }
}

std::shared_ptr<const ReportSheet> ReadSheet(Reader& r) {
  const uint8_t present = r.U8();
  if (present > 1) Reader::Fail();
  if (!present) return nullptr;
  auto sheet = std::make_shared<ReportSheet>();
  const uint32_t columns = r.Count(12);
  for (uint32_t i = 0; i < columns; ++i) {
    SheetColumn c;
    c.group = r.Str();
    c.title = r.Str();
    c.format = r.Str();
    sheet->columns.push_back(std::move(c));
  }
  const uint32_t rows = r.Count(std::max<uint32_t>(columns, 1));
  sheet->rows.reserve(rows);
  for (uint32_t i = 0; i < rows; ++i) {
    std::vector<Variant> row;
    row.reserve(columns);
    for (uint32_t c = 0; c < columns; ++c) {
      switch (r.U8()) {
        case kNull: row.emplace_back(); break;
        case kInt: row.emplace_back(static_cast<long long>(r.I64())); break;
        case kFloat: row.emplace_back(r.F64()); break;
        case kString: row.emplace_back(r.Str()); break;
        default: Reader::Fail();
      }
    }
    sheet->rows.push_back(std::move(row));
  }
  return sheet;
}

}  // namespace

std::string SavePreparedReport(const PreparedReport& report) {
  Writer w;
  for (size_t i = 0; i < kMagicSize; ++i) w.U8(static_cast<uint8_t>(kMagic[i]));
  w.U16(kVersion);
  w.Str(report.title);
  w.U32(static_cast<uint32_t>(report.fonts.size()));
  for (const FontSpec& f : report.fonts) {
    w.Str(f.family);
    w.F64(f.size);
    w.U8(static_cast<uint8_t>((f.bold ? 1 : 0) | (f.italic ? 2 : 0)));
  }
  w.U32(static_cast<uint32_t>(report.images.size()));
  for (const auto& img : report.images) w.Str(img ? std::string_view(*img) : std::string_view());
  w.U32(static_cast<uint32_t>(report.warnings.size()));
  for (const auto& s : report.warnings) w.Str(s);
  w.U32(static_cast<uint32_t>(report.pages.size()));
  for (const Page& page : report.pages) {
    w.F64(page.width);
    w.F64(page.height);
    w.U32(static_cast<uint32_t>(page.items.size()));
    for (const Item& item : page.items) {
      if (const auto* t = std::get_if<TextItem>(&item)) {
        w.U8(kText);
        w.Rect(t->box);
        w.F64(t->top);
        w.F64(t->lineHeight);
        w.U32(t->font);
        w.U32(t->color);
        w.U8(static_cast<uint8_t>(t->hAlign));
        w.Str(t->text);
        w.U32(static_cast<uint32_t>(t->lines.size()));
        for (const auto& l : t->lines) { w.U32(l.start); w.U32(l.length); }
      } else if (const auto* l = std::get_if<LineItem>(&item)) {
        w.U8(kLine);
        w.F64(l->x1); w.F64(l->y1); w.F64(l->x2); w.F64(l->y2);
        w.F64(l->width);
        w.U32(l->color);
      } else if (const auto* r = std::get_if<RectItem>(&item)) {
        w.U8(kRect);
        w.Rect(r->box);
        w.F64(r->lineWidth);
        w.U32(r->lineColor);
        w.U8(r->filled ? 1 : 0);
        w.U32(r->fillColor);
      } else if (const auto* b = std::get_if<BarcodeItem>(&item)) {
        w.U8(kBarcode);
        w.Rect(b->box);
        w.U32(b->font);
        w.U32(static_cast<uint32_t>(b->bars.size()));
        for (const auto& bar : b->bars) { w.F32(bar.x); w.F32(bar.y); w.F32(bar.width); w.F32(bar.height); }
        w.U32(static_cast<uint32_t>(b->texts.size()));
        for (const auto& t : b->texts) {
          w.F32(t.x); w.F32(t.baseline); w.F32(t.size);
          w.U8(static_cast<uint8_t>(t.hAlign));
          w.Str(t.text);
        }
      } else if (const auto* im = std::get_if<ImageItem>(&item)) {
        w.U8(kImage);
        w.Rect(im->box);
        w.U32(im->image);
        w.U8(im->keepAspect ? 1 : 0);
      }
    }
  }
  WriteSheet(w, report.sheet.get());
  return w.Take();
}

PreparedReport LoadPreparedReport(std::string_view bytes) {
  if (bytes.size() < kMagicSize + 2 || bytes.substr(0, kMagicSize) != std::string_view(kMagic, kMagicSize))
    throw ModuleError("不是报表文件，无法打开");
  Reader r(bytes.substr(kMagicSize));
  uint16_t version = r.U16();
  if (version != 1 && version != kVersion)
    throw ModuleError("报表文件版本 " + std::to_string(version) + " 不受支持");
  PreparedReport rep;
  rep.title = r.Str();
  uint32_t fonts = r.Count(13);
  for (uint32_t i = 0; i < fonts; ++i) {
    FontSpec f;
    f.family = r.Str();
    f.size = r.F64();
    uint8_t flags = r.U8();
    f.bold = flags & 1;
    f.italic = flags & 2;
    if (!(f.size > 0 && f.size < 1000)) Reader::Fail();
    rep.fonts.push_back(std::move(f));
  }
  uint32_t images = r.Count(4);
  for (uint32_t i = 0; i < images; ++i) rep.images.push_back(std::make_shared<const std::string>(r.Str()));
  uint32_t warnings = r.Count(4);
  for (uint32_t i = 0; i < warnings; ++i) rep.warnings.push_back(r.Str());
  auto checkFont = [&](uint32_t f) { if (f >= rep.fonts.size()) Reader::Fail(); };
  uint32_t pages = r.Count(20);
  rep.pages.reserve(pages);
  for (uint32_t p = 0; p < pages; ++p) {
    Page page;
    page.width = r.F64();
    page.height = r.F64();
    if (!(page.width > 0 && page.width < 10000 && page.height > 0 && page.height < 100000)) Reader::Fail();
    uint32_t items = r.Count(1);
    page.items.reserve(items);
    for (uint32_t i = 0; i < items; ++i) {
      switch (r.U8()) {
        case kText: {
          TextItem t;
          t.box = r.Rect();
          t.top = r.F64();
          t.lineHeight = r.F64();
          t.font = r.U32();
          checkFont(t.font);
          t.color = r.U32();
          t.hAlign = ReadAlign(r);
          t.text = r.Str();
          uint32_t lines = r.Count(8);
          for (uint32_t k = 0; k < lines; ++k) {
            TextItem::Line l;
            l.start = r.U32();
            l.length = r.U32();
            if (l.start > t.text.size() || l.length > t.text.size() - l.start) Reader::Fail();
            t.lines.push_back(l);
          }
          page.items.emplace_back(std::move(t));
          break;
        }
        case kLine: {
          LineItem l;
          l.x1 = r.F64(); l.y1 = r.F64(); l.x2 = r.F64(); l.y2 = r.F64();
          l.width = r.F64();
          l.color = r.U32();
          page.items.emplace_back(l);
          break;
        }
        case kRect: {
          RectItem x;
          x.box = r.Rect();
          x.lineWidth = r.F64();
          x.lineColor = r.U32();
          x.filled = r.U8() != 0;
          x.fillColor = r.U32();
          page.items.emplace_back(x);
          break;
        }
        case kBarcode: {
          BarcodeItem b;
          b.box = r.Rect();
          b.font = r.U32();
          checkFont(b.font);
          uint32_t bars = r.Count(16);
          b.bars.reserve(bars);
          for (uint32_t k = 0; k < bars; ++k) {
            BarcodeItem::Bar bar;
            bar.x = r.F32(); bar.y = r.F32(); bar.width = r.F32(); bar.height = r.F32();
            b.bars.push_back(bar);
          }
          uint32_t texts = r.Count(17);
          for (uint32_t k = 0; k < texts; ++k) {
            BarcodeItem::Text t;
            t.x = r.F32(); t.baseline = r.F32(); t.size = r.F32();
            t.hAlign = ReadAlign(r);
            t.text = r.Str();
            b.texts.push_back(std::move(t));
          }
          page.items.emplace_back(std::move(b));
          break;
        }
        case kImage: {
          ImageItem im;
          im.box = r.Rect();
          im.image = r.U32();
          if (im.image >= rep.images.size()) Reader::Fail();
          im.keepAspect = r.U8() != 0;
          page.items.emplace_back(im);
          break;
        }
        default:
          Reader::Fail();
      }
    }
    rep.pages.push_back(std::move(page));
  }
  if (version >= 2) rep.sheet = ReadSheet(r);
  if (!r.AtEnd()) Reader::Fail();
  return rep;
}

}  // namespace pt::report
