#pragma once
// What a label can print: the print record's fields, the report variables the print pass sets
// and the page values, each with the caption shop staff know it by, and the objects the
// designer makes when one is dropped on the label.
#include <string>
#include <string_view>
#include <vector>

#include "designer/TemplateDocument.h"

namespace pt::designer {

struct CatalogEntry {
  enum class Kind { Field, Variable, PageValue };
  Kind kind = Kind::Field;
  std::string name;           // f_Spmc, dj, Page#
  std::string caption;        // 商品名称, 等级, 页码
  bool numeric = false;       // a number field (prices, quantities)
  std::string displayFormat;  // the print record's own format, e.g. "0.00"
  // The expression templates write: cdsPrint."f_Spmc", dj, Page#.
  std::string Expression() const;
};

inline constexpr const char* kPrintDataset = "cdsPrint";

const std::vector<CatalogEntry>& LabelCatalog();
// Matched without regard to letter case; nullptr when unknown.
const CatalogEntry* FindField(std::string_view name);
const CatalogEntry* FindVariable(std::string_view name);  // variables and page values

// The object a dropped entry makes at (x, y): a text bound to it, or a barcode of its data
// (EAN-13 for the product barcode, Code 128 for anything else) printed only when there is data.
Json ObjectForEntry(const CatalogEntry& entry, bool barcode, double x, double y);
// New objects of each kind, as the insert commands make them (a picture still needs its "png").
Json NewObject(ObjectKind kind, double x, double y);

// A template text as the design view shows it: a bracketed field or variable the catalogue
// knows appears as its caption ("￥[销售单价]"); anything else stays as written.
std::string DesignText(std::string_view templateText);

// The font templates use unless told otherwise; its text reads back exactly from PDF.
inline constexpr const char* kDefaultFontFamily = "WenQuanYi Zen Hei";

}  // namespace pt::designer
