#include "report_engine/ReportTemplate.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "common/ModuleError.h"

namespace pt::report {

namespace {

using nlohmann::json;

constexpr const char* kDefaultFamily = "WenQuanYi Zen Hei";

[[noreturn]] void Bad(const std::string& where, const std::string& what) {
  throw ModuleError("报表模板有误：" + where + what);
}

std::string TypeName(const json& v) {
  if (v.is_number()) return "数字";
  if (v.is_string()) return "文字";
  if (v.is_boolean()) return "真假值";
  if (v.is_array()) return "列表";
  if (v.is_object()) return "对象";
  return "空值";
}

// Reads the members of one JSON object with the place named in every message.
class Obj {
 public:
  // Keeps a reference: the JSON value must outlive the reader.
  Obj(const json& j, std::string where) : j_(j), where_(std::move(where)) {
    if (!j_.is_object()) Bad(where_, "应为对象，实为" + TypeName(j_));
  }
  const std::string& where() const { return where_; }
  bool Has(const char* key) const { return j_.contains(key) && !j_.at(key).is_null(); }
  const json& At(const char* key) const { return j_.at(key); }

  double Number(const char* key, std::optional<double> fallback = std::nullopt, double min = -1e6,
                double max = 1e6) const {
    if (!Has(key)) {
      if (fallback) return *fallback;
      Bad(where_, std::string("缺少“") + key + "”");
    }
    const json& v = j_.at(key);
    if (!v.is_number()) Bad(where_, std::string("“") + key + "”应为数字，实为" + TypeName(v));
    double d = v.get<double>();
    if (!std::isfinite(d) || d < min || d > max)
      Bad(where_, std::string("“") + key + "”的值 " + FloatToText(d) + " 超出范围（" + FloatToText(min) +
                      " 至 " + FloatToText(max) + "）");
    return d;
  }
  int Integer(const char* key, int fallback, int min, int max) const {
    double d = Number(key, fallback, min, max);
    if (d != std::floor(d)) Bad(where_, std::string("“") + key + "”应为整数");
    return static_cast<int>(d);
  }
  std::string Text(const char* key, std::optional<std::string> fallback = std::nullopt) const {
    if (!Has(key)) {
      if (fallback) return *fallback;
      Bad(where_, std::string("缺少“") + key + "”");
    }
    const json& v = j_.at(key);
    if (!v.is_string()) Bad(where_, std::string("“") + key + "”应为文字，实为" + TypeName(v));
    return v.get<std::string>();
  }
  bool Flag(const char* key, bool fallback) const {
    if (!Has(key)) return fallback;
    const json& v = j_.at(key);
    if (!v.is_boolean()) Bad(where_, std::string("“") + key + "”应为 true 或 false，实为" + TypeName(v));
    return v.get<bool>();
  }
  uint32_t Color(const char* key, uint32_t fallback) const {
    if (!Has(key)) return fallback;
    std::string s = Text(key);
    if (s.size() == 7 && s[0] == '#') {
      uint32_t c = 0;
      bool ok = true;
      for (size_t i = 1; i < 7; ++i) {
        char ch = s[i];
        int d = ch >= '0' && ch <= '9' ? ch - '0' : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10 : -1;
        if (d < 0) ok = false;
        c = c * 16 + static_cast<uint32_t>(std::max(d, 0));
      }
      if (ok) return c;
    }
    Bad(where_, std::string("“") + key + "”应为“#RRGGBB”形式的颜色，实为“" + s + "”");
  }
  template <typename E>
  E Choice(const char* key, E fallback, std::initializer_list<std::pair<const char*, E>> choices) const {
    if (!Has(key)) return fallback;
    std::string s = Text(key);
    std::string allowed;
    for (const auto& [name, value] : choices) {
      if (SameName(s, name)) return value;
      allowed += allowed.empty() ? "" : "、";
      allowed += name;
    }
    Bad(where_, std::string("“") + key + "”的值“" + s + "”无法识别（可用：" + allowed + "）");
  }

 private:
  const json& j_;
  std::string where_;
};

// Where the bytes stop being a JSON text the library accepts (the byte it read last, from 1).
size_t DamagedAt(std::string_view bytes) {
  struct Scan : nlohmann::json_sax<json> {
    size_t at = 0;
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return true; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t position, const std::string&, const json::exception&) override {
      at = position;
      return false;
    }
  } scan;
  json::sax_parse(bytes.begin(), bytes.end(), &scan);
  return scan.at;
}

std::string DecodeBase64(std::string_view in, const std::string& where) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+' || c == '-') return 62;
    if (c == '/' || c == '_') return 63;
    return -1;
  };
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  bool padding = false;
  for (char c : in) {
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
    if (c == '=') {
      padding = true;
      continue;
    }
    int v = value(c);
    if (v < 0 || padding) Bad(where, "“png”不是有效的 base64 数据");
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((acc >> bits) & 0xFF));
    }
  }
  if (out.empty()) Bad(where, "“png”中没有图片数据");
  return out;
}

FontSpec ReadFont(const Obj& o, const std::string& where) {
  FontSpec f;
  f.family = kDefaultFamily;
  if (!o.Has("font")) return f;
  Obj fo(o.At("font"), where + "“font”");
  f.family = fo.Text("family", std::string(kDefaultFamily));
  if (f.family.empty()) f.family = kDefaultFamily;
  f.size = fo.Number("size", 9.0, 1, 500);
  f.bold = fo.Flag("bold", false);
  f.italic = fo.Flag("italic", false);
  f.strikeOut = fo.Flag("strikeOut", false);
  return f;
}

void ReadBox(const Obj& o, TemplateObject& obj) {
  obj.box.x = o.Number("x", std::nullopt, -1000, 5000);
  obj.box.y = o.Number("y", std::nullopt, -1000, 5000);
  obj.box.width = o.Number("width", std::nullopt, 0, 5000);
  obj.box.height = o.Number("height", std::nullopt, 0, 5000);
}

TemplateObject ReadObject(const json& j, const std::string& where0) {
  Obj o(j, where0);
  TemplateObject obj;
  obj.type = o.Choice<TemplateObject::Type>("type", TemplateObject::Type::Text,
                                            {{"text", TemplateObject::Type::Text},
                                             {"barcode", TemplateObject::Type::Barcode},
                                             {"line", TemplateObject::Type::Line},
                                             {"rectangle", TemplateObject::Type::Rectangle},
                                             {"picture", TemplateObject::Type::Picture}});
  if (!o.Has("type")) Bad(where0, "缺少“type”");
  obj.name = o.Text("name", std::string());
  const std::string where = obj.name.empty() ? where0 : where0 + "“" + obj.name + "”";
  Obj ob(j, where);
  if (ob.Has("visibleIf")) {
    std::string cond = ob.Text("visibleIf");
    if (!cond.empty()) obj.visibleIf = Expression::Parse(cond);
  }
  obj.color = ob.Color("color", kBlack);
  obj.required = ob.Flag("required", false);
  switch (obj.type) {
    case TemplateObject::Type::Text:
      ReadBox(ob, obj);
      obj.text = TextTemplate::Parse(ob.Text("text"));
      obj.format = ob.Text("format", std::string());
      obj.font = ReadFont(ob, where);
      obj.hAlign = ob.Choice<HAlign>("align", HAlign::Left,
                                     {{"left", HAlign::Left}, {"center", HAlign::Center}, {"right", HAlign::Right}});
      obj.vAlign = ob.Choice<VAlign>("valign", VAlign::Top,
                                     {{"top", VAlign::Top}, {"center", VAlign::Center}, {"bottom", VAlign::Bottom}});
      obj.wordWrap = ob.Flag("wordWrap", false);
      obj.shrinkToFit = ob.Flag("shrinkToFit", false);
      break;
    case TemplateObject::Type::Barcode:
      ReadBox(ob, obj);
      if (obj.box.width <= 0 || obj.box.height <= 0) Bad(where, "条码的宽度和高度应大于 0");
      obj.symbology = ob.Choice<Symbology>("symbology", Symbology::Ean13,
                                           {{"EAN13", Symbology::Ean13}, {"EAN-13", Symbology::Ean13},
                                            {"EAN8", Symbology::Ean8}, {"EAN-8", Symbology::Ean8},
                                            {"UPCA", Symbology::UpcA}, {"UPC-A", Symbology::UpcA},
                                            {"CODE128", Symbology::Code128}, {"CODE39", Symbology::Code39},
                                            {"QR", Symbology::Qr}});
      if (!ob.Has("symbology")) Bad(where, "缺少“symbology”");
      obj.text = TextTemplate::Parse(ob.Text("data"));
      obj.showText = ob.Flag("showText", true);
      obj.font = ReadFont(ob, where);
      break;
    case TemplateObject::Type::Line:
      obj.box.x = ob.Number("x1", std::nullopt, -1000, 5000);
      obj.box.y = ob.Number("y1", std::nullopt, -1000, 5000);
      obj.box.width = ob.Number("x2", std::nullopt, -1000, 5000) - obj.box.x;
      obj.box.height = ob.Number("y2", std::nullopt, -1000, 5000) - obj.box.y;
      obj.lineWidth = ob.Number("lineWidth", 0.2, 0.01, 50);
      break;
    case TemplateObject::Type::Rectangle:
      ReadBox(ob, obj);
      obj.lineWidth = ob.Number("lineWidth", 0.2, 0, 50);
      obj.filled = ob.Has("fill");
      obj.fillColor = ob.Color("fill", kWhite);
      break;
    case TemplateObject::Type::Picture:
      ReadBox(ob, obj);
      if (ob.Has("png") == ob.Has("file")) Bad(where, "图片应有“png”或“file”之一");
      if (ob.Has("png")) obj.imageBytes = DecodeBase64(ob.Text("png"), where);
      else obj.imageFile = ob.Text("file");
      if (!ob.Has("png") && obj.imageFile.empty()) Bad(where, "“file”为空");
      obj.keepAspect = ob.Flag("keepAspect", true);
      break;
  }
  return obj;
}

Band ReadBand(const json& j, const std::string& where, Band::Type type) {
  Obj o(j, where);
  Band b;
  b.type = type;
  b.height = o.Number("height", type == Band::Type::MasterData ? std::nullopt : std::optional<double>(0),
                      0, 5000);
  if (type == Band::Type::MasterData) {
    if (b.height <= 0) Bad(where, "“height”应大于 0");
    b.width = o.Number("width", 0.0, 0, 5000);
    b.columns = o.Integer("columns", 1, 1, 100);
    b.rows = o.Integer("rows", 0, 0, 1000);
    b.columnGap = o.Number("columnGap", 0.0, 0, 1000);
    b.rowGap = o.Number("rowGap", 0.0, 0, 1000);
    b.downThenAcross = o.Choice<bool>("order", false, {{"acrossThenDown", false}, {"downThenAcross", true}});
  }
  if (o.Has("objects")) {
    const json& objs = o.At("objects");
    if (!objs.is_array()) Bad(where, "“objects”应为列表");
    for (size_t i = 0; i < objs.size(); ++i)
      b.objects.push_back(ReadObject(objs[i], where + "第 " + std::to_string(i + 1) + " 个对象"));
  }
  return b;
}

}  // namespace

std::string_view SymbologyName(Symbology s) {
  switch (s) {
    case Symbology::Ean13: return "EAN-13";
    case Symbology::Ean8: return "EAN-8";
    case Symbology::UpcA: return "UPC-A";
    case Symbology::Code128: return "Code 128";
    case Symbology::Code39: return "Code 39";
    case Symbology::Qr: return "QR";
  }
  return "?";
}

ReportTemplate ParseTemplate(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos) throw ModuleError("报表模板为空，无法读取");
  // Without exceptions: the library's own (English) texts never reach the clerk, whatever the
  // bytes hold (a broken structure, invalid UTF-8, a number beyond a double such as 1e400).
  json root = json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (root.is_discarded())
    throw ModuleError("报表模板已损坏，无法读取（第 " + std::to_string(DamagedAt(bytes)) + " 个字节处）");
  if (!root.is_object() || !root.contains("format") || !root["format"].is_string() ||
      root["format"].get<std::string>() != "pricetag-report")
    throw ModuleError("不是本系统的报表模板，无法读取");
  if (!root.contains("version") || !root["version"].is_number_integer())
    throw ModuleError("报表模板缺少版本号，无法读取");
  if (root["version"].get<int64_t>() != 1)
    throw ModuleError("报表模板版本 " + std::to_string(root["version"].get<int64_t>()) + " 不受支持");

  Obj top(root, "");
  ReportTemplate t;
  t.name = top.Text("name", std::string());

  const json noPage = json::object();
  Obj page(top.Has("page") ? top.At("page") : noPage, "“page”");
  double w = page.Number("width", 210.0, 5, 5000);
  double h = page.Number("height", 297.0, 5, 5000);
  bool landscape = page.Choice<bool>("orientation", false, {{"portrait", false}, {"landscape", true}});
  t.pageWidth = landscape ? h : w;
  t.pageHeight = landscape ? w : h;
  if (page.Has("margins")) {
    Obj m(page.At("margins"), "“page.margins”");
    t.marginLeft = m.Number("left", 0.0, 0, 1000);
    t.marginTop = m.Number("top", 0.0, 0, 1000);
    t.marginRight = m.Number("right", 0.0, 0, 1000);
    t.marginBottom = m.Number("bottom", 0.0, 0, 1000);
  }
  if (t.marginLeft + t.marginRight >= t.pageWidth || t.marginTop + t.marginBottom >= t.pageHeight)
    Bad("“page”", "页边距超出了纸张");

  if (!top.Has("bands") || !top.At("bands").is_array()) Bad("", "缺少“bands”列表");
  const json& bands = top.At("bands");
  bool haveMaster = false;
  for (size_t i = 0; i < bands.size(); ++i) {
    std::string where = "第 " + std::to_string(i + 1) + " 个区（band）";
    Obj b(bands[i], where);
    auto type = b.Choice<Band::Type>("type", Band::Type::MasterData,
                                     {{"pageHeader", Band::Type::PageHeader},
                                      {"masterData", Band::Type::MasterData},
                                      {"pageFooter", Band::Type::PageFooter}});
    if (!b.Has("type")) Bad(where, "缺少“type”");
    switch (type) {
      case Band::Type::PageHeader:
        if (t.pageHeader) Bad(where, "页眉区重复");
        t.pageHeader = ReadBand(bands[i], where, type);
        break;
      case Band::Type::PageFooter:
        if (t.pageFooter) Bad(where, "页脚区重复");
        t.pageFooter = ReadBand(bands[i], where, type);
        break;
      case Band::Type::MasterData:
        if (haveMaster) Bad(where, "主数据区重复");
        t.masterData = ReadBand(bands[i], where, type);
        haveMaster = true;
        break;
    }
  }
  if (!haveMaster) Bad("", "缺少主数据区（masterData）");
  return t;
}

}  // namespace pt::report
