#include "printing/PrintRecord.h"

#include <cmath>

#include "common/IniFile.h"

namespace pt::printing {

namespace {

constexpr FieldType T = FieldType::Text;
constexpr FieldType I = FieldType::Integer;
constexpr FieldType D = FieldType::Float;

struct PrintField {
  const char* name;
  FieldType type;
  uint32_t size;
  const char* from;  // queue field copied as it stands, or nullptr for a rule
  const char* format = "";
};

const PrintField kFields[] = {
    {"f_bmbm", T, 20, "f_bmbm"},
    {"f_bmmc", T, 20, "f_bmmc"},
    {"f_Spbm", T, 15, "f_Spbm"},
    {"f_Spmc", T, 60, "f_Spmc"},
    {"f_Sphh", T, 15, "f_Sphh"},
    {"f_Spcd", T, 12, "f_Spcd"},
    {"f_Ggxh", T, 20, "f_Ggxh"},
    {"f_Sppp", T, 20, "f_Sppp"},
    {"f_spbz", T, 255, "f_Spbz"},
    {"f_Jldw", T, 10, "f_Jldw"},
    {"f_Bzq", I, 0, "f_Bzq"},
    {"f_Xsdj", D, 0, "f_Xsdj"},
    {"f_Yxsdj", D, 0, "f_Yxsdj"},
    {"f_Hyj", D, 0, "f_Hyj"},
    {"f_Jdrq", T, 8, "f_Jdrq"},
    {"f_Sptm", T, 20, "f_Sptm"},
    {"f_Dwbl", D, 0, "f_Dwbl"},
    {"f_Kc", D, 0, "f_Kc"},
    {"f_Pljg", D, 0, "f_Pljg"},
    {"f_zpl", T, 1, "f_zPl"},
    {"f_Plsl", I, 0, "f_Plsl"},
    {"f_Plfs", T, 6, "f_Plfs"},
    {"f_Qsrq", T, 8, nullptr},
    {"f_Jsrq", T, 8, nullptr},
    {"f_Tjjg", D, 0, nullptr},
    {"f_q7yxsdj", D, 0, nullptr, "0.00"},
    {"f_HytjQsrq", T, 8, nullptr},
    {"f_HytjJsrq", T, 8, nullptr},
    {"f_HyTjjg", D, 0, nullptr},
    {"f_Plqsrq", T, 8, "f_Plqsrq"},
    {"f_Pljsrq", T, 8, "f_Pljsrq"},
    {"xsxl.f_jgfs", T, 20, "xsxl.f_jgfs"},
    {"xsxl.f_qsrq", T, 8, "xsxl.f_qsrq"},
    {"xsxl.f_jsrq", T, 8, "xsxl.f_jsrq"},
    {"xsxl.f_qssj", T, 4, "xsxl.f_qssj"},
    {"xsxl.f_jssj", T, 4, "xsxl.f_jssj"},
    {"xsxl.f_xlsl", D, 0, "xsxl.f_xlsl"},
    {"xsxl.f_sdxl", D, 0, "xsxl.f_sdxl"},
    {"xsxl.f_xdsl", D, 0, "xsxl.f_xdsl"},
    {"xsxl.f_xsdj", D, 0, "xsxl.f_xsdj", "0.00"},
    {"xsxl.f_q7yxsdj", D, 0, nullptr, "0.00"},
    {"xsxl.f_xc", I, 0, "xsxl.f_xc"},
    {"f_jgfs", T, 20, nullptr},
    {"f_zjbz", D, 0, "f_zjbz"},
    {"f_zDwbl", D, 0, "f_zDwbl"},
    {"f_cf", T, 50, "f_cf"},
    {"f_jyzt", T, 50, "f_Jyzt"},
    {"f_dhfs", T, 50, "f_dhfs"},
};

// Promotion fields by period: print field, current-period source, next-period source.
struct PeriodField { const char* print; const char* current; const char* next; };
const PeriodField kPeriodFields[] = {
    {"f_Qsrq", "f_BqPtQsrq", "f_XqPtQsrq"},   {"f_Jsrq", "f_BqPtJsrq", "f_XqPtJsrq"},
    {"f_Tjjg", "f_BqPtXsdj", "f_XqPtXsdj"},   {"f_HytjQsrq", "f_BqHyQsrq", "f_XqHyQsrq"},
    {"f_HytjJsrq", "f_BqHyJsrq", "f_XqHyJsrq"}, {"f_HyTjjg", "f_BqHyXsdj", "f_XqHyXsdj"},
    {"f_q7yxsdj", "f_Bqq7yxsdj", "f_Xqq7yxsdj"},
};

std::string WithBackslash(std::string dir) {
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  return dir;
}

}  // namespace

// What the fields are called where a person reads them (a label preview saved as a spreadsheet).
const std::pair<const char*, const char*> kLabels[] = {
    {"f_bmbm", "部门编码"},       {"f_bmmc", "部门名称"},           {"f_Spbm", "商品编码"},
    {"f_Spmc", "商品名称"},       {"f_Sphh", "商品货号"},           {"f_Spcd", "商品产地"},
    {"f_Ggxh", "规格型号"},       {"f_Sppp", "商品品牌"},           {"f_spbz", "商品备注"},
    {"f_Jldw", "计量单位"},       {"f_Bzq", "保质期"},              {"f_Xsdj", "销售单价"},
    {"f_Yxsdj", "原销售单价"},    {"f_Hyj", "会员价"},              {"f_Jdrq", "建档日期"},
    {"f_Sptm", "商品条码"},       {"f_Dwbl", "单位比率"},           {"f_Kc", "库存"},
    {"f_Pljg", "批量价格"},       {"f_zpl", "整批量"},              {"f_Plsl", "批量数量"},
    {"f_Plfs", "批量方式"},       {"f_Qsrq", "特价起始日期"},       {"f_Jsrq", "特价结束日期"},
    {"f_Tjjg", "特价价格"},       {"f_q7yxsdj", "前七天最低价"},    {"f_HytjQsrq", "会员特价起始日期"},
    {"f_HytjJsrq", "会员特价结束日期"}, {"f_HyTjjg", "会员特价价格"}, {"f_Plqsrq", "批量作价起始日期"},
    {"f_Pljsrq", "批量作价结束日期"}, {"xsxl.f_jgfs", "限时限量价格方式"}, {"xsxl.f_qsrq", "限时限量起始日期"},
    {"xsxl.f_jsrq", "限时限量结束日期"}, {"xsxl.f_qssj", "限时限量起始时间"}, {"xsxl.f_jssj", "限时限量结束时间"},
    {"xsxl.f_xlsl", "限时限量限量数量"}, {"xsxl.f_sdxl", "限时限量时段限量"}, {"xsxl.f_xdsl", "限时限量每单限量数量"},
    {"xsxl.f_xsdj", "限时限量销售单价"}, {"xsxl.f_q7yxsdj", "限时前七天最低价"}, {"xsxl.f_xc", "限购天数"},
    {"f_jgfs", "价格方式"},       {"f_zjbz", "整件包装"},           {"f_zDwbl", "中包装率"},
    {"f_cf", "成份"},             {"f_jyzt", "经营状态"},           {"f_dhfs", "订货方式"},
};

void DefinePrintFields(MemTable& t) {
  for (const PrintField& f : kFields) {
    FieldDef d;
    d.name = f.name;
    d.type = f.type;
    d.size = f.size;
    d.displayFormat = f.format;
    for (const auto& [name, label] : kLabels)
      if (d.name == name) d.label = label;
    t.AddField(std::move(d));
  }
}

Variant SevenDayPrice(const Variant& lowest, const Variant& salePrice) {
  if (lowest.IsNull()) return Variant(0.0);
  double low = lowest.ToFloat();
  if (std::fabs(low - salePrice.ToFloat()) <= 0.005) return Variant(low);
  return Variant(0.0);
}

PrintSettings LoadPrintSettings(const std::string& file, const std::string& section, std::string directory) {
  directory = WithBackslash(std::move(directory));
  PrintSettings s;
  s.labelGrade = ReadIniValue(file, section, "Spdj", "合格", directory);
  s.reductionReason = ReadIniValue(file, section, "Jjyy", "酬宾", directory);
  s.periodChoice = ReadIniValue(file, section, "Dytj", "0", directory);
  return s;
}

PrintRecordFiller::PrintRecordFiller(const MemTable& queue, const MemTable& print, const std::string& periodChoice)
    : current_(periodChoice == "0") {
  for (const PrintField& f : kFields)
    if (f.from) copies_.push_back({print.FieldIndexOrThrow(f.name), queue.FieldIndexOrThrow(f.from)});
  for (const PeriodField& p : kPeriodFields)
    period_.push_back({print.FieldIndexOrThrow(p.print), queue.FieldIndexOrThrow(current_ ? p.current : p.next)});
  toJgfs_ = print.FieldIndexOrThrow("f_jgfs");
  fromJgfs_ = queue.FieldIndexOrThrow(current_ ? "f_Bqjgfs" : "f_Xqjgfs");
  toXsdj_ = print.FieldIndexOrThrow("f_Xsdj");
  toQ7_ = print.FieldIndexOrThrow("f_q7yxsdj");
  toXsxlQ7_ = print.FieldIndexOrThrow("xsxl.f_q7yxsdj");
  fromXsxlQ7_ = queue.FieldIndexOrThrow("xsxl.f_q7yxsdj");
}

void PrintRecordFiller::Append(const MemTable& queue, int row, MemTable& print) const {
  print.Append();
  for (const Copy& c : copies_) print.Set(c.to, queue.CellAt(row, c.from));
  print.Set(toXsxlQ7_, SevenDayPrice(queue.CellAt(row, fromXsxlQ7_), print.Get(toXsdj_)));
  for (const Copy& p : period_) print.Set(p.to, queue.CellAt(row, p.from));
  const Variant& jgfs = queue.CellAt(row, fromJgfs_);
  // The next period's price mode is taken as text: a missing one prints as empty text.
  print.Set(toJgfs_, current_ ? jgfs : Variant(jgfs.ToText()));
  print.Set(toQ7_, SevenDayPrice(print.Get(toQ7_), print.Get(toXsdj_)));
  print.Post();
}

bool FillPrintRecords(MemTable& queue, MemTable& print, const std::string& periodChoice, bool& detailRefresh,
                      std::string& failure) {
  failure.clear();
  const PrintRecordFiller filler(queue, print, periodChoice);
  print.EmptyDataSet();
  detailRefresh = false;
  const int keepRecNo = queue.RecNo();
  queue.DisableControls();

  bool ok = true;
  try {
    for (int row = 0; row < queue.RecordCount(); ++row) filler.Append(queue, row, print);
  } catch (const std::exception& e) {
    ok = false;
    failure = e.what();
    if (print.state() == MemTable::State::Insert) print.Post();
  }
  if (keepRecNo > 0 && queue.RecNo() != keepRecNo) queue.SetRecNo(keepRecNo);
  queue.EnableControls();
  detailRefresh = true;
  return ok;
}

}  // namespace pt::printing
