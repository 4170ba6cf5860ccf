#include "printing/LabelJob.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/IniFile.h"
#include "common/ModuleError.h"
#include "common/TextRoutines.h"
#include "queue/QueueRecord.h"
#include "report_engine/PageLayout.h"

namespace pt::printing {

void LoadTemplateList(MemTable& list, std::string_view packet) {
  list.Close();
  list.ClearFields();
  list.AddField("f_Reportname", FieldType::Text, 0);
  list.AddField("f_ReportInfo", FieldType::Text, 0);
  list.CreateDataSet();
  list.LoadPacket(packet);
}

TemplateChoice ChooseTemplate(const MemTable& templates, const std::string& selectorText) {
  TemplateChoice choice;
  choice.name = Trim(selectorText);
  if (choice.name.empty()) {
    choice.message = kNoTemplateChosen;
    return choice;
  }
  const int nameField = templates.FieldIndexOrThrow("f_Reportname");
  for (int i = 0; i < templates.RecordCount(); ++i)
    if (report::SameName(templates.CellAt(i, nameField).ToText(), choice.name)) {
      choice.row = i;
      return choice;
    }
  choice.message = choice.name + kTemplateMissing;
  return choice;
}

void LoadChosenTemplate(report::ReportEngine& engine, const MemTable& templates, const TemplateChoice& choice) {
  try {
    engine.LoadStoredTemplate(templates.CellAt(choice.row, templates.FieldIndexOrThrow("f_ReportInfo")).ToText());
  } catch (const ModuleError& e) {
    // The engine's message says what is wrong; the clerk also needs to know which template.
    throw ModuleError("打印模板“" + choice.name + "”无法装入：" + e.what());
  }
}

void SetLabelVariables(report::ReportEngine& engine, const LabelTexts& texts) {
  engine.SetVariable("dj", texts.grade);
  engine.SetVariable("bz", texts.remark);
  engine.SetVariable("Jjyy", texts.reductionReason);
  engine.SetVariable("CurDate", texts.currentDate);
}

// ============================================================== print records on demand

QueueRecordSource::QueueRecordSource(const MemTable& queue, const std::string& periodChoice) : queue_(queue) {
  DefinePrintFields(record_);
  record_.CreateDataSet();
  filler_.emplace(queue_, record_, periodChoice);
}

void QueueRecordSource::MoveTo(int record) {
  if (record == current_) return;
  if (record < 0 || record >= RecordCount()) throw ModuleError("记录号越界");
  current_ = -1;
  record_.EmptyDataSet();
  try {
    filler_->Append(queue_, record, record_);
  } catch (...) {
    if (record_.state() == MemTable::State::Insert) record_.Cancel();
    throw;
  }
  current_ = record;
}

const Variant& QueueRecordSource::Value(int field) const {
  static const Variant kNone;
  return current_ < 0 ? kNone : record_.CellAt(0, field);
}

std::string QueueRecordSource::DisplayFormat(int field) const {
  return field >= 0 && field < record_.FieldCount() ? record_.Field(field).displayFormat : std::string();
}

// ============================================================== the plan of a run

RequiredValues::RequiredValues(const report::ReportTemplate& t, const report::ReportDataSource& source,
                               const report::VariableList& variables) {
  for (const report::TemplateObject& o : t.masterData.objects) {
    if (!o.required) continue;
    Object r;
    if (o.visibleIf) {
      r.visibleIf = *o.visibleIf;
      r.visibleIf->Bind(&source, variables);
    }
    report::TextTemplate text = o.text;
    text.Bind(&source, variables);
    text.CollectFields(r.fields);
    if (!r.fields.empty()) objects_.push_back(std::move(r));
  }
}

std::vector<std::string> RequiredValues::Missing(const report::ReportDataSource& source) const {
  std::vector<std::string> missing;
  const report::PageContext page;
  for (const Object& o : objects_) {
    if (o.visibleIf && !o.visibleIf->IsTrue(&source, page)) continue;
    for (const auto& [field, name] : o.fields) {
      if (!report::IsPresent(source.Value(field)) && std::find(missing.begin(), missing.end(), name) == missing.end()) missing.push_back(name);
    }
  }
  return missing;
}

LabelPlan PlanLabels(report::ReportDataSource& records, const MemTable& queue, const RequiredValues* required) {
  LabelPlan plan;
  const int copiesField = queue.FieldIndex(queue::kCopiesField);
  const int codeField = records.FieldIndex("f_Spbm");
  const bool check = required && !required->Empty();
  for (int r = 0; r < records.RecordCount(); ++r) {
    try {
      if (check || codeField >= 0) records.MoveTo(r);
    } catch (const std::exception& e) {
      plan.failure = e.what();
      break;
    }
    if (check) {
      std::vector<std::string> missing = required->Missing(records);
      if (!missing.empty()) {
        plan.leftOut.push_back({r, codeField >= 0 ? records.Value(codeField).ToText() : std::string(), std::move(missing)});
        continue;
      }
    }
    int copies = 1;
    if (copiesField >= 0 && r < queue.RecordCount())
      copies = queue::CopiesValue(queue.CellAt(r, copiesField)).value_or(1);
    plan.rows.push_back({r, copies});
    plan.labels += copies;
  }
  return plan;
}

std::string LeftOutMessage(const LabelPlan& plan, const std::string& templateName, size_t listed) {
  std::string text = "以下 " + std::to_string(plan.leftOut.size()) + " 个商品缺少模板“" + templateName +
                     "”必须打印的内容，不能打印它们的标签：\r\n";
  for (size_t i = 0; i < plan.leftOut.size() && i < listed; ++i) {
    const LeftOutRow& row = plan.leftOut[i];
    std::string fields;
    for (const std::string& f : row.fields) fields += (fields.empty() ? "" : "、") + f;
    text += (row.code.empty() ? "（无商品编码）" : row.code) + "：缺少 " + fields + "\r\n";
  }
  if (plan.leftOut.size() > listed) text += "……等共 " + std::to_string(plan.leftOut.size()) + " 个商品\r\n";
  return text;
}

LabelSequence::LabelSequence(report::ReportDataSource& records, const LabelPlan& plan) : records_(records), plan_(plan) {
  firstLabel_.reserve(plan.rows.size());
  int label = 0;
  for (const PlannedRow& r : plan.rows) {
    firstLabel_.push_back(label);
    label += r.copies;
  }
}

void LabelSequence::MoveTo(int label) {
  if (label < 0 || label >= plan_.labels) throw ModuleError("记录号越界");
  // The layout walks forward: the row of the label before, or the next one, is the usual answer.
  auto covers = [&](size_t row) {
    return label >= firstLabel_[row] && label < firstLabel_[row] + plan_.rows[row].copies;
  };
  if (!covers(row_)) {
    if (row_ + 1 < firstLabel_.size() && covers(row_ + 1)) {
      ++row_;
    } else {
      auto it = std::upper_bound(firstLabel_.begin(), firstLabel_.end(), label);
      row_ = static_cast<size_t>(it - firstLabel_.begin()) - 1;
    }
  }
  records_.MoveTo(plan_.rows[row_].record);
}

// ============================================================== start position

LabelSheet SheetOf(const report::ReportTemplate& t) {
  return {t.name, report::TemplateGrid(t).PerPage(), t.pageWidth, t.pageHeight};
}

StartPosition ReadStartPosition(const std::string& text, int labelsPerSheet) {
  StartPosition s;
  if (labelsPerSheet <= 1) return s;
  int64_t n = 0;
  const std::string t = Trim(text);
  if (!IsIntegerText(t) || !TextToInt(t, n) || n < 1 || n > labelsPerSheet) {
    s.message = "起始位置“" + t + "”无效：每张标签纸有 " + std::to_string(labelsPerSheet) + " 个位置，请输入 1 到 " +
                std::to_string(labelsPerSheet) + " 之间的整数";
    return s;
  }
  s.skip = static_cast<int>(n) - 1;
  return s;
}

std::string StartPositionSetting() { return ReadIniValue(kSettingsFile, kSettingsSection, kStartPositionKey, "1", ""); }

// ============================================================== printers

std::optional<Calibration> ParseCalibration(const std::string& text, std::string& message) {
  std::vector<std::string> parts;
  Calibration c;
  double* slots[] = {&c.offsetX, &c.offsetY, &c.scale};
  SplitText(",", text, parts);
  bool ok = parts.size() == 3;
  for (size_t i = 0; ok && i < 3; ++i) ok = TextToFloat(parts[i], *slots[i]) && std::isfinite(*slots[i]);
  if (ok && (std::fabs(c.offsetX) > kMaxOffset || std::fabs(c.offsetY) > kMaxOffset || c.scale < kMinScale ||
             c.scale > kMaxScale))
    ok = false;
  if (!ok) {
    message = "校准值“" + text + "”无效：应为水平偏移、垂直偏移（-50 到 50 毫米）和缩放比例（0.5 到 1.5），以逗号分隔";
    return std::nullopt;
  }
  return c;
}

std::string CalibrationText(const Calibration& c) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.2f,%.2f,%.4f", c.offsetX, c.offsetY, c.scale);
  return buf;
}

Calibration LoadCalibration(const std::string& printer) {
  if (Trim(printer).empty()) return {};
  const std::string text = ReadIniValue(kSettingsFile, kCalibrationSection, printer, "", "");
  if (Trim(text).empty()) return {};
  std::string message;
  std::optional<Calibration> c = ParseCalibration(text, message);
  if (!c) throw ModuleError("打印机“" + printer + "”的" + message);
  return *c;
}

void StoreCalibration(const std::string& printer, const Calibration& c) {
  WriteIniValue(kSettingsFile, kCalibrationSection, printer, CalibrationText(c), "");
}

namespace {

std::string ObjectName(const report::TemplateObject& o, const char* band, size_t index) {
  if (!o.name.empty()) return o.name;
  return std::string(band) + "第 " + std::to_string(index + 1) + " 个对象";
}

std::string Mm(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

}  // namespace

std::vector<Overflow> OutsidePrintableArea(const report::ReportTemplate& t, double marginLeft, double marginTop,
                                           double marginRight, double marginBottom, const Calibration& c) {
  std::vector<Overflow> out;
  const double right = t.pageWidth - marginRight, bottom = t.pageHeight - marginBottom;
  auto look = [&](const std::string& name, report::RectF box) {
    // Lines may run right to left or bottom to top.
    double x1 = std::min(box.x, box.Right()), x2 = std::max(box.x, box.Right());
    double y1 = std::min(box.y, box.Bottom()), y2 = std::max(box.y, box.Bottom());
    // Where the printer puts it: shifted and scaled about the page's corner.
    x1 = c.offsetX + x1 * c.scale;
    x2 = c.offsetX + x2 * c.scale;
    y1 = c.offsetY + y1 * c.scale;
    y2 = c.offsetY + y2 * c.scale;
    Overflow o{name, std::max(0.0, marginLeft - x1), std::max(0.0, marginTop - y1), std::max(0.0, x2 - right),
               std::max(0.0, y2 - bottom)};
    constexpr double kSlack = 0.05;
    if (o.left <= kSlack && o.top <= kSlack && o.right <= kSlack && o.bottom <= kSlack) return;
    auto it = std::find_if(out.begin(), out.end(), [&](const Overflow& e) { return e.object == name; });
    if (it == out.end()) {
      out.push_back(o);
      return;
    }
    it->left = std::max(it->left, o.left);
    it->top = std::max(it->top, o.top);
    it->right = std::max(it->right, o.right);
    it->bottom = std::max(it->bottom, o.bottom);
  };
  auto band = [&](const report::Band& b, const char* caption, double ox, double oy) {
    for (size_t k = 0; k < b.objects.size(); ++k) {
      const report::TemplateObject& o = b.objects[k];
      look(ObjectName(o, caption, k), {o.box.x + ox, o.box.y + oy, o.box.width, o.box.height});
    }
  };
  if (t.pageHeader) band(*t.pageHeader, "页眉", t.marginLeft, t.marginTop);
  if (t.pageFooter)
    band(*t.pageFooter, "页脚", t.marginLeft, t.pageHeight - t.marginBottom - t.pageFooter->height);
  const report::LabelGrid grid = report::TemplateGrid(t);
  for (int i = 0; i < grid.PerPage(); ++i) {
    const report::LabelGrid::Slot slot = grid.Place(i);
    band(t.masterData, "标签", slot.x, slot.y);
  }
  return out;
}

std::string OutsideAreaMessage(const std::vector<Overflow>& overflows, const std::string& templateName,
                               const std::string& printer) {
  std::string text = "模板“" + templateName + "”的下列内容超出了打印机“" + printer + "”的可打印区域，打印时会被裁掉：\r\n";
  for (const Overflow& o : overflows) {
    std::string sides;
    auto side = [&](const char* caption, double mm) {
      if (mm > 0.05) sides += (sides.empty() ? "" : "，") + std::string(caption) + " " + Mm(mm) + " 毫米";
    };
    side("左边超出", o.left);
    side("上边超出", o.top);
    side("右边超出", o.right);
    side("下边超出", o.bottom);
    text += o.object + "：" + sides + "\r\n";
  }
  return text;
}

report::PreparedReport CalibrationPage(const std::string& printer, const Calibration& c, double width,
                                       double height) {
  using namespace report;
  PreparedReport r;
  r.title = "打印机校准页";
  const uint32_t small = r.AddFont(FontSpec{"WenQuanYi Zen Hei", 5, false, false});
  const uint32_t big = r.AddFont(FontSpec{"WenQuanYi Zen Hei", 9, true, false});
  Page page;
  page.width = width;
  page.height = height;
  constexpr double inset = 5;
  page.items.emplace_back(RectItem{{inset, inset, width - 2 * inset, height - 2 * inset}, 0.2, kBlack, false, kWhite});
  auto text = [&](double x, double y, double w, double h, std::string s, uint32_t font, HAlign align) {
    TextItem t;
    t.box = {x, y, w, h};
    t.top = y;
    t.lineHeight = h;
    t.font = font;
    t.hAlign = align;
    t.text = std::move(s);
    page.items.emplace_back(std::move(t));
  };
  // Rulers from the frame's corner: every millimetre, longer every 5, numbered every 10.
  for (int mm = 0; inset + mm <= width - inset + 0.001; ++mm) {
    const double len = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.2;
    page.items.emplace_back(LineItem{inset + mm, inset, inset + mm, inset + len, 0.1, kBlack});
    if (mm % 10 == 0 && mm > 0) text(inset + mm - 4, inset + 4.2, 8, 2.5, std::to_string(mm), small, HAlign::Center);
  }
  for (int mm = 0; inset + mm <= height - inset + 0.001; ++mm) {
    const double len = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.2;
    page.items.emplace_back(LineItem{inset, inset + mm, inset + len, inset + mm, 0.1, kBlack});
    if (mm % 10 == 0 && mm > 0) text(inset + 4.5, inset + mm - 1.25, 8, 2.5, std::to_string(mm), small, HAlign::Left);
  }
  const double cx = width / 2, cy = height / 2;
  page.items.emplace_back(LineItem{cx - 5, cy, cx + 5, cy, 0.1, kBlack});
  page.items.emplace_back(LineItem{cx, cy - 5, cx, cy + 5, 0.1, kBlack});
  const double w = width - 2 * inset - 20;
  text(inset + 10, cy + 6, w, 4, "打印机：" + printer, big, HAlign::Center);
  text(inset + 10, cy + 10.5, w, 3,
       "水平偏移 " + Mm(c.offsetX) + " 毫米  垂直偏移 " + Mm(c.offsetY) + " 毫米  缩放 " + FloatToText(c.scale), small,
       HAlign::Center);
  text(inset + 10, cy + 14, w, 3, "外框应距纸边 5 毫米", small, HAlign::Center);
  r.pages.push_back(std::move(page));
  return r;
}

}  // namespace pt::printing
