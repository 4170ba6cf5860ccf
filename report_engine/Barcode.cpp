#include "report_engine/Barcode.h"

#include <algorithm>
#include <memory>

#include <zint.h>

namespace pt::report {

namespace {

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Checks a member of the EAN/UPC family; returns the digits zint is to get (without the check
// digit, which zint then adds), or sets error.
std::string CheckEan(std::string_view data, size_t bare, std::string_view name, std::string& error) {
  const std::string label(name);
  if (!AllDigits(data)) {
    error = label + " 条码只能由数字组成";
    return {};
  }
  if (data.size() != bare && data.size() != bare + 1) {
    error = label + " 条码应为 " + std::to_string(bare) + " 位或 " + std::to_string(bare + 1) + " 位数字，实为 " +
            std::to_string(data.size()) + " 位";
    return {};
  }
  std::string digits(data.substr(0, bare));
  if (data.size() == bare + 1) {
    char expected = EanCheckDigit(digits);
    if (data[bare] != expected) {
      error = label + " 条码校验位错误：应为 " + std::string(1, expected) + "，实为 " + std::string(1, data[bare]);
      return {};
    }
  }
  return digits;
}

struct SymbolDeleter {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

}  // namespace

char EanCheckDigit(std::string_view digits) {
  int sum = 0;
  int weight = 3;  // the digit next to the check digit weighs 3
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    sum += (*it - '0') * weight;
    weight = weight == 3 ? 1 : 3;
  }
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

BarcodeResult EncodeBarcode(Symbology symbology, std::string_view data, bool showText, const RectF& box) {
  BarcodeResult result;
  if (data.empty()) {
    result.error = "条码数据为空";
    return result;
  }
  std::string input;
  int zintSymbology = 0;
  switch (symbology) {
    case Symbology::Ean13:
      input = CheckEan(data, 12, "EAN-13", result.error);
      zintSymbology = BARCODE_EANX;
      break;
    case Symbology::Ean8:
      input = CheckEan(data, 7, "EAN-8", result.error);
      zintSymbology = BARCODE_EANX;
      break;
    case Symbology::UpcA:
      input = CheckEan(data, 11, "UPC-A", result.error);
      zintSymbology = BARCODE_UPCA;
      break;
    case Symbology::Code128:
      input = std::string(data);
      zintSymbology = BARCODE_CODE128;
      break;
    case Symbology::Code39:
      input = std::string(data);
      zintSymbology = BARCODE_CODE39;
      break;
    case Symbology::Qr:
      input = std::string(data);
      zintSymbology = BARCODE_QRCODE;
      break;
  }
  if (!result.error.empty()) return result;

  std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
  if (!symbol) {
    result.error = "条码无法生成";
    return result;
  }
  symbol->symbology = zintSymbology;
  symbol->input_mode = UNICODE_MODE;
  symbol->show_hrt = showText ? 1 : 0;
  if (symbology == Symbology::Qr &&
      std::any_of(input.begin(), input.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    symbol->eci = 26;  // UTF-8, so Chinese text reads back as written
  int rc = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(input.data()),
                           static_cast<int>(input.size()));
  if (rc >= ZINT_ERROR) {
    // zint's own reason (English) after ours, for whoever looks into it.
    result.error = std::string(SymbologyName(symbology)) + " 条码无法容纳这些数据（" + symbol->errtxt + "）";
    return result;
  }
  rc = ZBarcode_Buffer_Vector(symbol.get(), 0);
  if (rc >= ZINT_ERROR || !symbol->vector || symbol->vector->width <= 0 || symbol->vector->height <= 0) {
    result.error = std::string(SymbologyName(symbology)) + " 条码无法生成（" + symbol->errtxt + "）";
    return result;
  }
  const zint_vector& v = *symbol->vector;
  double sx = box.width / v.width;
  double sy = box.height / v.height;
  double ox = box.x, oy = box.y;
  if (symbology == Symbology::Qr) {
    // A matrix symbol keeps its squares square: scale evenly and centre in the box.
    double s = std::min(sx, sy);
    ox += (box.width - v.width * s) / 2;
    oy += (box.height - v.height * s) / 2;
    sx = sy = s;
  }
  BarcodeItem& item = result.item;
  item.box = box;
  for (const zint_vector_rect* r = v.rectangles; r; r = r->next) {
    if (r->colour != -1 && r->colour != 7) continue;  // only foreground (or black) is drawn
    item.bars.push_back({static_cast<float>(ox + r->x * sx), static_cast<float>(oy + r->y * sy),
                         static_cast<float>(r->width * sx), static_cast<float>(r->height * sy)});
  }
  for (const zint_vector_string* s = v.strings; s; s = s->next) {
    BarcodeItem::Text t;
    t.x = static_cast<float>(ox + s->x * sx);
    t.baseline = static_cast<float>(oy + s->y * sy);
    t.size = static_cast<float>(s->fsize * std::min(sx, sy));
    t.hAlign = s->halign == 1 ? HAlign::Left : s->halign == 2 ? HAlign::Right : HAlign::Center;
    // NUL-terminated; its length field counts characters, not bytes.
    t.text = std::string(reinterpret_cast<const char*>(s->text));
    item.texts.push_back(std::move(t));
  }
  result.ok = true;
  return result;
}

}  // namespace pt::report
