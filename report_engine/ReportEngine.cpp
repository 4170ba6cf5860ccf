#include "report_engine/ReportEngine.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <unordered_map>

#include "common/ModuleError.h"
#include "report_engine/Barcode.h"
#include "report_engine/PageLayout.h"
#include "report_engine/StoredTemplate.h"

namespace pt::report {

namespace {

// Picture files are read when a report is prepared, and only regular files of at most this
// size: a device such as /dev/zero would exhaust memory, a named pipe would hang the window.
constexpr std::uintmax_t kMaxPictureBytes = 16u << 20;

// The bytes of a picture file, or the reason it was not read.
std::string ReadPictureFile(const std::string& path, std::string& bytes) {
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(st)) return "图片无法读取：" + path;
  if (!std::filesystem::is_regular_file(st)) return "图片不是普通文件：" + path;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && size > kMaxPictureBytes) return "图片超过 16 MB：" + path;
  std::ifstream in(path, std::ios::binary);
  if (!in) return "图片无法读取：" + path;
  // The file may have grown since: never read more than the limit and one byte.
  bytes.clear();
  char chunk[65536];
  while (bytes.size() <= kMaxPictureBytes && in.read(chunk, sizeof chunk).gcount() > 0)
    bytes.append(chunk, static_cast<size_t>(in.gcount()));
  if (in.bad() || bytes.empty()) return "图片无法读取：" + path;
  if (bytes.size() > kMaxPictureBytes) return "图片超过 16 MB：" + path;
  return {};
}

// One band's objects bound for this preparation.
struct BoundBand {
  const Band* band = nullptr;
  std::vector<TemplateObject> objects;
  std::vector<uint32_t> fonts;   // per object: index of its font in the report
  std::vector<int> images;       // per object: index of its picture, -1 when it could not be read
  std::vector<std::string> imageErrors;
  // Per object: the barcode made last, for the labels (copies, repeated products) that show the
  // same data in a box of the same size.
  std::vector<std::optional<std::pair<std::string, BarcodeResult>>> lastBarcode;
};

// The barcode of `data` in `box`: the one made last moved into place when it showed the same
// data in a box of the same size, else a new one.
BarcodeResult BarcodeFor(std::optional<std::pair<std::string, BarcodeResult>>& last, Symbology symbology,
                         const std::string& data, bool showText, const RectF& box) {
  if (last && last->first == data && last->second.item.box.width == box.width &&
      last->second.item.box.height == box.height) {
    BarcodeResult r = last->second;
    const float dx = static_cast<float>(box.x - r.item.box.x), dy = static_cast<float>(box.y - r.item.box.y);
    r.item.box = box;
    for (auto& bar : r.item.bars) {
      bar.x += dx;
      bar.y += dy;
    }
    for (auto& text : r.item.texts) {
      text.x += dx;
      text.baseline += dy;
    }
    return r;
  }
  BarcodeResult r = EncodeBarcode(symbology, data, showText, box);
  last.emplace(data, r);
  return r;
}

class Preparer {
 public:
  Preparer(const ReportTemplate& t, const VariableList& vars, ReportDataSource& source, TextMeasurer& m)
      : t_(t), vars_(vars), source_(source), m_(m) {}

  // Resolves every field and variable of the template against the source: a field the source
  // lacks stops the report here, before any page is made.
  void BindAll() {
    report_.title = t_.name;
    if (t_.pageHeader) header_ = Bind(*t_.pageHeader);
    master_ = Bind(t_.masterData);
    if (t_.pageFooter) footer_ = Bind(*t_.pageFooter);
  }

  // Lays the records out page by page; each page goes to the sink as soon as it is complete.
  PreparedReport Run(const LayoutOptions& options, PageSink& sink) {
    BindAll();
    LabelGrid grid = TemplateGrid(t_);
    // Positions left empty only make sense on a sheet; a roll label has one position a page.
    const int skip = grid.PerPage() > 1 ? std::clamp(options.skipSlots, 0, grid.PerPage() - 1) : 0;
    const int records = source_.RecordCount();
    const int pages = records > 0 ? grid.PageCount(skip + records) : 0;
    const double footerTop = t_.pageHeight - t_.marginBottom - (footer_ ? footer_->band->height : 0);
    sink.Begin(report_, pages);

    int current = -1;
    for (int i = 0; i < records; ++i) {
      LabelGrid::Slot slot = grid.Place(skip + i);
      if (slot.page != current) {
        if (current >= 0) FinishPage(i - 1, footerTop, current + 1, pages, sink);
        current = slot.page;
        page_ = Page{};
        page_.width = t_.pageWidth;
        page_.height = t_.pageHeight;
        source_.MoveTo(i);
        if (header_) Emit(*header_, t_.marginLeft, t_.marginTop, PageContext{slot.page + 1, pages, 0});
      } else {
        source_.MoveTo(i);
      }
      Emit(*master_, slot.x, slot.y, PageContext{slot.page + 1, pages, i + 1});
    }
    if (current >= 0) FinishPage(records - 1, footerTop, pages, pages, sink);
    return std::move(report_);
  }

 private:
  BoundBand Bind(const Band& band) {
    BoundBand b;
    b.band = &band;
    b.objects = band.objects;
    for (TemplateObject& o : b.objects) {
      o.text.Bind(&source_, vars_);
      if (o.visibleIf) o.visibleIf->Bind(&source_, vars_);
      b.fonts.push_back(report_.AddFont(o.font));
      int image = -1;
      std::string error;
      if (o.type == TemplateObject::Type::Picture) {
        std::string bytes = o.imageBytes;
        if (!o.imageFile.empty()) error = ReadPictureFile(o.imageFile, bytes);
        if (error.empty()) {
          report_.images.push_back(std::make_shared<const std::string>(std::move(bytes)));
          image = static_cast<int>(report_.images.size()) - 1;
        }
      }
      b.images.push_back(image);
      b.imageErrors.push_back(std::move(error));
    }
    b.lastBarcode.resize(b.objects.size());
    return b;
  }

  // The footer sees the page's last record; then the page is handed over and dropped.
  void FinishPage(int lastRecord, double footerTop, int pageNo, int pages, PageSink& sink) {
    if (footer_) {
      source_.MoveTo(lastRecord);
      Emit(*footer_, t_.marginLeft, footerTop, PageContext{pageNo, pages, 0});
    }
    sink.TakePage(report_, std::move(page_));
    page_ = Page{};
  }

  double LineHeight(uint32_t font) {
    auto it = lineHeights_.find(font);
    if (it != lineHeights_.end()) return it->second;
    double h = m_.LineHeight(report_.fonts[font]);
    lineHeights_.emplace(font, h);
    return h;
  }

  void Emit(BoundBand& band, double ox, double oy, const PageContext& ctx) {
    Page& page = page_;
    for (size_t k = 0; k < band.objects.size(); ++k) {
      const TemplateObject& o = band.objects[k];
      if (o.visibleIf && !o.visibleIf->IsTrue(&source_, ctx)) continue;
      RectF box{o.box.x + ox, o.box.y + oy, o.box.width, o.box.height};
      switch (o.type) {
        case TemplateObject::Type::Text: {
          std::string text = o.text.Render(&source_, ctx, o.format);
          if (text.empty()) break;
          if (o.wordWrap || o.shrinkToFit) {
            FontSpec used;
            TextItem item = LayoutText(m_, o.font, std::move(text), box, o.hAlign, o.vAlign, o.wordWrap,
                                       o.shrinkToFit, &used);
            item.font = used == o.font ? band.fonts[k] : report_.AddFont(used);
            item.color = o.color;
            page.items.emplace_back(std::move(item));
          } else {
            // One line needs no measuring beyond its height: the painter aligns it in the box.
            TextItem item;
            if (text.find('\n') != std::string::npos) {
              item = LayoutText(m_, o.font, std::move(text), box, o.hAlign, o.vAlign, false, false, nullptr);
            } else {
              item.box = box;
              item.hAlign = o.hAlign;
              item.lineHeight = LineHeight(band.fonts[k]);
              item.top = o.vAlign == VAlign::Top      ? box.y
                         : o.vAlign == VAlign::Center ? box.y + (box.height - item.lineHeight) / 2
                                                      : box.Bottom() - item.lineHeight;
              item.text = std::move(text);
            }
            item.font = band.fonts[k];
            item.color = o.color;
            page.items.emplace_back(std::move(item));
          }
          break;
        }
        case TemplateObject::Type::Barcode: {
          std::string data = o.text.Render(&source_, ctx, o.format);
          BarcodeResult r = BarcodeFor(band.lastBarcode[k], o.symbology, data, o.showText, box);
          if (r.ok) {
            r.item.font = band.fonts[k];
            page.items.emplace_back(std::move(r.item));
          } else {
            Mark(page, box, "条码错误", data, ctx, r.error);
          }
          break;
        }
        case TemplateObject::Type::Line: {
          LineItem l;
          l.x1 = box.x;
          l.y1 = box.y;
          l.x2 = box.Right();
          l.y2 = box.Bottom();
          l.width = o.lineWidth;
          l.color = o.color;
          page.items.emplace_back(l);
          break;
        }
        case TemplateObject::Type::Rectangle: {
          RectItem r;
          r.box = box;
          r.lineWidth = o.lineWidth;
          r.lineColor = o.color;
          r.filled = o.filled;
          r.fillColor = o.fillColor;
          page.items.emplace_back(r);
          break;
        }
        case TemplateObject::Type::Picture:
          if (band.images[k] < 0) {
            Mark(page, box, "图片错误", o.imageFile, ctx, band.imageErrors[k]);
          } else {
            ImageItem im;
            im.box = box;
            im.image = static_cast<uint32_t>(band.images[k]);
            im.keepAspect = o.keepAspect;
            page.items.emplace_back(im);
          }
          break;
      }
    }
  }

  // A crossed box with a short caption and the offending data, so the clerk sees on the very
  // label what is wrong; the reason also goes to the report's warnings.
  void Mark(Page& page, const RectF& box, const char* caption, const std::string& data, const PageContext& ctx,
            const std::string& reason) {
    RectItem frame;
    frame.box = box;
    frame.lineWidth = 0.3;
    page.items.emplace_back(frame);
    page.items.emplace_back(LineItem{box.x, box.y, box.Right(), box.Bottom(), 0.2, kBlack});
    page.items.emplace_back(LineItem{box.x, box.Bottom(), box.Right(), box.y, 0.2, kBlack});
    FontSpec font{"WenQuanYi Zen Hei", 7, true, false};
    FontSpec used;
    std::string text = std::string(caption) + (data.empty() ? "" : "\n" + data);
    TextItem item = LayoutText(m_, font, std::move(text), box, HAlign::Center, VAlign::Center, true, true, &used);
    item.font = report_.AddFont(used);
    page.items.emplace_back(std::move(item));
    std::string where = ctx.line > 0 ? "第 " + std::to_string(ctx.line) + " 条记录" : "第 " + std::to_string(ctx.page) + " 页";
    report_.warnings.push_back(where + "：" + reason);
  }

  const ReportTemplate& t_;
  const VariableList& vars_;
  ReportDataSource& source_;
  TextMeasurer& m_;
  PreparedReport report_;  // title, fonts, images and warnings; pages go to the sink
  std::optional<BoundBand> header_, master_, footer_;
  Page page_;  // the page being laid out
  std::unordered_map<uint32_t, double> lineHeights_;
};

}  // namespace

LabelGrid TemplateGrid(const ReportTemplate& t) {
  const Band& b = t.masterData;
  double header = t.pageHeader ? t.pageHeader->height : 0;
  double footer = t.pageFooter ? t.pageFooter->height : 0;
  LabelGridSpec spec;
  spec.left = t.marginLeft;
  spec.top = t.marginTop + header;
  spec.areaWidth = t.pageWidth - t.marginLeft - t.marginRight;
  spec.areaHeight = t.pageHeight - t.marginTop - t.marginBottom - header - footer;
  spec.columns = b.columns;
  spec.rows = b.rows;
  spec.columnGap = b.columnGap;
  spec.rowGap = b.rowGap;
  spec.cellHeight = b.height;
  spec.cellWidth = b.width > 0 ? b.width : (spec.areaWidth - (b.columns - 1) * b.columnGap) / b.columns;
  spec.downThenAcross = b.downThenAcross;
  return LabelGrid(spec);
}

ReportEngine::ReportEngine() = default;
ReportEngine::~ReportEngine() = default;
ReportEngine::ReportEngine(ReportEngine&&) noexcept = default;
ReportEngine& ReportEngine::operator=(ReportEngine&&) noexcept = default;

void ReportEngine::LoadStoredTemplate(const std::string& hexText) {
  std::string bytes = DecodeStoredTemplate(hexText);
  if (bytes.empty()) throw ModuleError("报表模板为空，无法读取");
  LoadTemplate(bytes);
}

void ReportEngine::LoadTemplate(std::string_view bytes) {
  ReportTemplate t = ParseTemplate(bytes);
  TemplateGrid(t);  // labels that cannot fit the paper are a template error, found at loading
  template_ = std::make_unique<ReportTemplate>(std::move(t));
}

void ReportEngine::SetTemplate(ReportTemplate t) {
  TemplateGrid(t);
  template_ = std::make_unique<ReportTemplate>(std::move(t));
}

void ReportEngine::SetTemplateName(std::string name) {
  if (!template_) throw ModuleError("未装入报表模板");
  template_->name = std::move(name);
}

const ReportTemplate& ReportEngine::Template() const {
  if (!template_) throw ModuleError("未装入报表模板");
  return *template_;
}

PreparedReport ReportEngine::Prepare(ReportDataSource& source) const {
  FallbackMeasurer m;
  return Prepare(source, m);
}

PreparedReport ReportEngine::Prepare(ReportDataSource& source, TextMeasurer& measurer,
                                     const LayoutOptions& options) const {
  struct Collect : PageSink {
    std::vector<Page> pages;
    void Begin(const PreparedReport&, int pageCount) override { pages.reserve(static_cast<size_t>(pageCount)); }
    void TakePage(const PreparedReport&, Page&& page) override { pages.push_back(std::move(page)); }
  } collect;
  PreparedReport report = Stream(source, measurer, options, collect);
  report.pages = std::move(collect.pages);
  return report;
}

PreparedReport ReportEngine::Stream(ReportDataSource& source, TextMeasurer& measurer, const LayoutOptions& options,
                                    PageSink& sink) const {
  return Preparer(Template(), variables_, source, measurer).Run(options, sink);
}

void ReportEngine::CheckSource(ReportDataSource& source) const {
  FallbackMeasurer m;
  Preparer(Template(), variables_, source, m).BindAll();
}

}  // namespace pt::report
