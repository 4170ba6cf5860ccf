#pragma once
// Barcodes encoded by zint and turned into vector geometry fitted to a box. Data a symbology
// refuses is not an exception: the result says why, and layout draws a visible mark instead.
#include <string>
#include <string_view>

#include "report_engine/DisplayList.h"
#include "report_engine/ReportTemplate.h"

namespace pt::report {

struct BarcodeResult {
  bool ok = false;
  BarcodeItem item;     // when ok: bars and texts in page millimetres
  std::string error;    // when not ok: why, for the clerk
};

// EAN-13 takes 12 digits (the check digit is added) or 13 with a correct check digit; EAN-8
// 7 or 8; UPC-A 11 or 12. Code 128 takes Latin-1 text, QR any text (UTF-8 with its ECI).
BarcodeResult EncodeBarcode(Symbology symbology, std::string_view data, bool showText, const RectF& box);

// The check digit of the EAN/UPC family for the digits given (without the check digit).
char EanCheckDigit(std::string_view digits);

}  // namespace pt::report
