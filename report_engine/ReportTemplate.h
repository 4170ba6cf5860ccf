#pragma once
// The template model and its file format ("pricetag-report", version 1; docs/report-template.md
// describes it with a worked example). Reading is defensive: anything unknown or damaged is a
// ModuleError whose message a clerk can pass on, never a crash.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report_engine/DisplayList.h"
#include "report_engine/Expression.h"

namespace pt::report {

enum class Symbology : uint8_t { Ean13, Ean8, UpcA, Code128, Code39, Qr };

struct TemplateObject {
  enum class Type : uint8_t { Text, Barcode, Line, Rectangle, Picture };
  Type type = Type::Text;
  std::string name;
  RectF box;                    // relative to the band (for lines: x1,y1 = x,y; x2,y2 = right,bottom)
  std::optional<Expression> visibleIf;
  // The fields the object prints must hold a value whenever it is shown: a record without one
  // is reported before printing instead of giving a label with an empty price.
  bool required = false;

  // text
  TextTemplate text;
  std::string format;           // display format for numbers, e.g. "0.00"
  FontSpec font;
  uint32_t color = kBlack;
  HAlign hAlign = HAlign::Left;
  VAlign vAlign = VAlign::Top;
  bool wordWrap = false;
  bool shrinkToFit = false;

  // barcode (data in `text`, font for its human-readable digits)
  Symbology symbology = Symbology::Ean13;
  bool showText = true;

  // line and rectangle
  double lineWidth = 0.2;
  bool filled = false;
  uint32_t fillColor = kWhite;

  // picture
  std::string imageBytes;       // decoded from "png" (base64)
  std::string imageFile;        // or read from "file" when the report is prepared
  bool keepAspect = true;
};

struct Band {
  enum class Type : uint8_t { PageHeader, MasterData, PageFooter };
  Type type = Type::MasterData;
  double height = 0;
  std::vector<TemplateObject> objects;
  // master data only: the label grid
  double width = 0;             // 0: the printable width shared out among the columns
  int columns = 1;
  int rows = 0;                 // 0: as many as fit
  double columnGap = 0;
  double rowGap = 0;
  bool downThenAcross = false;  // order of filling: across then down unless set
};

struct ReportTemplate {
  std::string name;
  double pageWidth = 210, pageHeight = 297;  // after orientation
  double marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
  std::optional<Band> pageHeader;
  Band masterData;
  std::optional<Band> pageFooter;
};

// Parses template bytes (UTF-8 JSON). Throws ModuleError with a clerk-readable message.
ReportTemplate ParseTemplate(std::string_view bytes);

std::string_view SymbologyName(Symbology s);

}  // namespace pt::report
