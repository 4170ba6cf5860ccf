#pragma once
// The design view of a template: every band as a page of its own size, every object drawn as it
// will print, except that texts show their fields and variables by caption ("[商品名称]") and
// barcodes bound to a field show sample data of their symbology. The Qt canvas paints these
// pages with the report engine's one painter and draws its handles on top.
#include "designer/TemplateDocument.h"
#include "report_engine/DisplayList.h"
#include "report_engine/TextMeasure.h"

namespace pt::designer {

// One page per band of the document, in the document's band order; objects in drawing order.
report::PreparedReport RenderDesign(const TemplateDocument& doc, report::TextMeasurer& measurer);

// Data a symbology accepts, shown by barcodes whose data comes from a field.
std::string SampleBarcodeData(report::Symbology symbology);

}  // namespace pt::designer
