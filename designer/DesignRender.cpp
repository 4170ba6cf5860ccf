#include "designer/DesignRender.h"

#include <fstream>
#include <sstream>

#include "designer/FieldCatalog.h"
#include "report_engine/Barcode.h"

namespace pt::designer {

namespace {

using report::TemplateObject;

class DesignPainter {
 public:
  DesignPainter(report::PreparedReport& out, report::TextMeasurer& m) : out_(out), m_(m) {}

  void Object(report::Page& page, const TemplateObject& o, const Json& raw) {
    switch (o.type) {
      case TemplateObject::Type::Text: Text(page, o, TextOr(raw, "text")); break;
      case TemplateObject::Type::Barcode: Barcode(page, o); break;
      case TemplateObject::Type::Line:
        page.items.emplace_back(report::LineItem{o.box.x, o.box.y, o.box.Right(), o.box.Bottom(), o.lineWidth, o.color});
        break;
      case TemplateObject::Type::Rectangle: {
        report::RectItem r;
        r.box = o.box;
        r.lineWidth = o.lineWidth;
        r.lineColor = o.color;
        r.filled = o.filled;
        r.fillColor = o.fillColor;
        page.items.emplace_back(r);
        break;
      }
      case TemplateObject::Type::Picture: Picture(page, o); break;
    }
  }

 private:
  void Text(report::Page& page, const TemplateObject& o, const std::string& written) {
    std::string text = DesignText(written);
    if (text.empty()) return;
    report::FontSpec used;
    report::TextItem item =
        report::LayoutText(m_, o.font, std::move(text), o.box, o.hAlign, o.vAlign, o.wordWrap, o.shrinkToFit, &used);
    item.font = out_.AddFont(used);
    item.color = o.color;
    page.items.emplace_back(std::move(item));
  }

  void Barcode(report::Page& page, const TemplateObject& o) {
    std::string data = o.text.Constant() ? o.text.Render(nullptr, report::PageContext{}, o.format)
                                         : SampleBarcodeData(o.symbology);
    report::BarcodeResult r = report::EncodeBarcode(o.symbology, data, o.showText, o.box);
    if (!r.ok) {
      Crossed(page, o.box, "条码错误\n" + r.error);
      return;
    }
    r.item.font = out_.AddFont(o.font);
    page.items.emplace_back(std::move(r.item));
  }

  void Picture(report::Page& page, const TemplateObject& o) {
    std::string bytes = o.imageBytes;
    if (!o.imageFile.empty()) {
      std::ifstream in(o.imageFile, std::ios::binary);
      std::ostringstream s;
      if (in) s << in.rdbuf();
      bytes = s.str();
    }
    if (bytes.empty()) {
      Crossed(page, o.box, "图片错误\n" + o.imageFile);
      return;
    }
    out_.images.push_back(std::make_shared<const std::string>(std::move(bytes)));
    report::ImageItem im;
    im.box = o.box;
    im.image = static_cast<uint32_t>(out_.images.size() - 1);
    im.keepAspect = o.keepAspect;
    page.items.emplace_back(im);
  }

  void Crossed(report::Page& page, const report::RectF& box, std::string text) {
    report::RectItem frame;
    frame.box = box;
    frame.lineWidth = 0.3;
    frame.lineColor = 0xC00000;
    page.items.emplace_back(frame);
    page.items.emplace_back(report::LineItem{box.x, box.y, box.Right(), box.Bottom(), 0.2, 0xC00000});
    page.items.emplace_back(report::LineItem{box.x, box.Bottom(), box.Right(), box.y, 0.2, 0xC00000});
    report::FontSpec font{kDefaultFontFamily, 7, false, false};
    report::FontSpec used;
    report::TextItem item = report::LayoutText(m_, font, std::move(text), box, report::HAlign::Center,
                                               report::VAlign::Center, true, true, &used);
    item.font = out_.AddFont(used);
    item.color = 0xC00000;
    page.items.emplace_back(std::move(item));
  }

  report::PreparedReport& out_;
  report::TextMeasurer& m_;
};

}  // namespace

std::string SampleBarcodeData(report::Symbology symbology) {
  switch (symbology) {
    case report::Symbology::Ean13: return "690123456789";
    case report::Symbology::Ean8: return "6901234";
    case report::Symbology::UpcA: return "01234567890";
    case report::Symbology::Code128: return "A1234567";
    case report::Symbology::Code39: return "A1234567";
    case report::Symbology::Qr: return "6901234567892";
  }
  return "0";
}

report::PreparedReport RenderDesign(const TemplateDocument& doc, report::TextMeasurer& measurer) {
  const report::ReportTemplate model = doc.Model();
  report::PreparedReport out;
  out.title = model.name;
  DesignPainter painter(out, measurer);
  for (int b = 0; b < doc.BandCount(); ++b) {
    report::Page page;
    const RectF area = doc.BandArea(b);
    page.width = area.width;
    page.height = area.height;
    if (const report::Band* band = ModelBand(model, doc.Band(b)))
      for (size_t i = 0; i < band->objects.size(); ++i)
        painter.Object(page, band->objects[i], doc.Object({b, static_cast<int>(i)}));
    out.pages.push_back(std::move(page));
  }
  return out;
}

}  // namespace pt::designer
