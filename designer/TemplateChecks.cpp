#include "designer/TemplateChecks.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>

#include "common/Variant.h"
#include "designer/Arrange.h"
#include "designer/FieldCatalog.h"
#include "report_engine/Barcode.h"

namespace pt::designer {

namespace {

using report::TemplateObject;
using Kind = report::Expression::Node::Kind;

constexpr double kTolerance = 0.01;

std::string Mm(double v) { return FloatToText(std::round(v * 100) / 100); }

class Checker {
 public:
  Checker(const TemplateDocument& doc, const CheckContext& c) : doc_(doc), c_(c) {}

  std::vector<Problem> Run() {
    const report::ReportTemplate model = doc_.Model();
    for (int b = 0; b < doc_.BandCount(); ++b) {
      const report::Band* band = ModelBand(model, doc_.Band(b));
      if (!band) continue;
      for (size_t i = 0; i < band->objects.size(); ++i) {
        ref_ = ObjectRef{b, static_cast<int>(i)};
        TemplateObject o = band->objects[i];  // bound below: a copy of our own
        const bool known = References(o);
        Placement(o);
        if (o.type == TemplateObject::Type::Barcode) BarcodeData(o, known);
        if (o.type == TemplateObject::Type::Text) Fonts(o, known);
        if (o.type == TemplateObject::Type::Picture) PictureFile(o);
      }
    }
    return std::move(out_);
  }

 private:
  void Add(std::string message) { out_.push_back(Problem{ref_, doc_.Label(ref_), std::move(message)}); }

  // Fields and variables the print pass does not provide. True when every reference is known.
  bool References(const TemplateObject& o) {
    std::vector<const report::Expression*> exprs = o.text.Expressions();
    if (o.visibleIf) exprs.push_back(&*o.visibleIf);
    std::set<std::string> seen;
    bool known = true;
    for (const report::Expression* e : exprs)
      for (const report::Expression::Node& n : e->Nodes()) {
        std::string message;
        if (n.kind == Kind::Field && !report::SameName(n.dataset, kPrintDataset))
          message = "报表模板引用了不存在的数据集：" + n.dataset + "（标签的数据是 cdsPrint）";
        else if (n.kind == Kind::Field && !FindField(n.name))
          message = "报表模板引用了不存在的字段：" + n.dataset + ".\"" + n.name + "\"";
        else if (n.kind == Kind::Variable && !FindVariable(n.name))
          message = "引用了未知的报表变量“" + n.name + "”（打印时没有值，印出为空）";
        if (message.empty() || !seen.insert(message).second) continue;
        if (n.kind == Kind::Field) known = false;
        Add(message);
      }
    return known;
  }

  void Placement(const TemplateObject& o) {
    const RectF area = doc_.BandArea(ref_.band);
    const RectF box = Normalized(o.box);
    const bool line = o.type == TemplateObject::Type::Line;
    if (!line && (box.width <= 0 || box.height <= 0)) {
      Add("宽度或高度为 0，印不出来");
      return;
    }
    if (box.x < -kTolerance || box.y < -kTolerance || box.Right() > area.width + kTolerance ||
        box.Bottom() > area.height + kTolerance) {
      const char* where = doc_.Band(ref_.band) == BandKind::PageHeader   ? "页眉区"
                          : doc_.Band(ref_.band) == BandKind::PageFooter ? "页脚区"
                                                                         : "标签";
      Add(std::string("超出") + where + "范围：" + where + " " + Mm(area.width) + " × " + Mm(area.height) +
          " 毫米，对象在 (" + Mm(box.x) + ", " + Mm(box.y) + ") 至 (" + Mm(box.Right()) + ", " + Mm(box.Bottom()) +
          ")");
    }
  }

  // Binds an object's expressions to the sample records; false when there are none to try.
  bool Bind(TemplateObject& o) {
    if (!c_.samples || c_.samples->RecordCount() == 0) return false;
    static const report::VariableList kNone;
    const report::VariableList& vars = c_.variables ? *c_.variables : kNone;
    o.text.Bind(c_.samples, vars);
    if (o.visibleIf) o.visibleIf->Bind(c_.samples, vars);
    return true;
  }

  int SampleCount() const { return std::min(c_.samples->RecordCount(), std::max(0, c_.maxSamples)); }

  std::string RecordName(int record) {
    const int f = c_.samples->FieldIndex("f_Spbm");
    std::string code = f >= 0 ? c_.samples->Value(f).ToText() : std::string();
    return "第 " + std::to_string(record + 1) + " 条样本记录" + (code.empty() ? "" : "（商品 " + code + "）");
  }

  void BarcodeData(TemplateObject& o, bool known) {
    const report::PageContext page;
    if (o.text.Constant()) {
      const std::string data = o.text.Render(nullptr, page, o.format);
      report::BarcodeResult r = report::EncodeBarcode(o.symbology, data, o.showText, o.box);
      if (!r.ok) Add("条码数据“" + data + "”无法编码：" + r.error);
      return;
    }
    if (!known || !Bind(o)) return;
    int failures = 0;
    std::string first;
    for (int i = 0; i < SampleCount(); ++i) {
      c_.samples->MoveTo(i);
      const report::PageContext ctx{1, 1, i + 1};
      if (o.visibleIf && !o.visibleIf->IsTrue(c_.samples, ctx)) continue;
      const std::string data = o.text.Render(c_.samples, ctx, o.format);
      report::BarcodeResult r = report::EncodeBarcode(o.symbology, data, o.showText, o.box);
      if (r.ok) continue;
      if (failures++ == 0) first = RecordName(i) + "的条码数据“" + data + "”无法编码：" + r.error;
    }
    if (failures == 1) Add(first);
    else if (failures > 1) Add(first + "（共 " + std::to_string(failures) + " 条记录无法编码）");
  }

  void Fonts(TemplateObject& o, bool known) {
    if (!c_.fontDrawsText) return;
    std::vector<std::string> texts{o.text.Render(nullptr, report::PageContext{}, o.format)};
    if (known && Bind(o))
      for (int i = 0; i < SampleCount(); ++i) {
        c_.samples->MoveTo(i);
        texts.push_back(o.text.Render(c_.samples, report::PageContext{1, 1, i + 1}, o.format));
      }
    for (const std::string& text : texts)
      if (!text.empty() && !c_.fontDrawsText(o.font.family, text)) {
        Add("字体“" + o.font.family + "”缺少“" + text + "”中的字形（没有中文字形的字体印出方框或别的字体）");
        return;
      }
  }

  void PictureFile(const TemplateObject& o) {
    if (o.imageFile.empty()) return;
    std::ifstream in(o.imageFile, std::ios::binary);
    if (!in || in.peek() == std::ifstream::traits_type::eof()) Add("图片文件“" + o.imageFile + "”无法读取");
  }

  const TemplateDocument& doc_;
  const CheckContext& c_;
  ObjectRef ref_;
  std::vector<Problem> out_;
};

}  // namespace

std::vector<Problem> CheckTemplate(const TemplateDocument& doc, const CheckContext& context) {
  return Checker(doc, context).Run();
}

std::string DescribeProblems(const std::vector<Problem>& problems) {
  std::string out;
  for (const Problem& p : problems) out += (p.object.empty() ? std::string() : p.object + "：") + p.message + "\n";
  return out;
}

}  // namespace pt::designer
