#include "queue/QueueRecord.h"

#include <cmath>

#include "common/TextRoutines.h"

namespace pt::queue {

namespace {

struct F {
  const char* name;
  FieldType type;
  uint32_t size;
  const char* label;
  const char* format = "";
  bool visible = true;
  bool inPacket = true;
};

constexpr FieldType T = FieldType::Text;
constexpr FieldType I = FieldType::Integer;
constexpr FieldType D = FieldType::Float;

void Define(MemTable& t, std::initializer_list<F> fields, int tag = 0) {
  for (const F& f : fields) {
    FieldDef d;
    d.name = f.name;
    d.type = f.type;
    d.size = f.size;
    d.label = f.label;
    d.displayFormat = f.format;
    d.visible = f.visible;
    d.inPacket = f.inPacket;
    d.tag = tag;
    t.AddField(std::move(d));
  }
}

}  // namespace

void DefineQueueFields(MemTable& t) {
  Define(t, {
      {"f_bmbm", T, 20, "部门编码"},
      {"f_bmmc", T, 20, "部门名称"},
      {"f_Spbm", T, 15, "商品编码"},
      {"f_Spmc", T, 60, "商品名称"},
      {"f_Sphh", T, 15, "商品货号"},
      {"f_Spcd", T, 12, "商品产地", "", false},
      {"f_Ggxh", T, 20, "规格型号", "", false},
      {"f_sppp", T, 20, "商品品牌"},
      {"f_Jldw", T, 10, "计量单位", "", false},
      {"f_spbz", T, 255, ""},
      {"f_bzq", I, 0, "保质期(天数)"},
      {"f_Xsdj", D, 0, "销售单价", "0.00", false},
      {"f_Yxsdj", D, 0, "原销售单价"},
      {"f_hyj", D, 0, "会员价", "0.00"},
      {"f_Jdrq", T, 8, "建档日期"},
      {"f_Sptm", T, 15, "商品条码"},
      {"f_dwbl", D, 0, "单位比率"},
      {"f_BqPtQsrq", T, 8, "本期普通特价|起始日期"},
      {"f_BqPtJsrq", T, 8, "本期普通特价|结束日期"},
      {"f_BqPtXsdj", D, 0, "本期普通特价|特价价格", "0.00"},
      {"f_Bqq7yxsdj", D, 0, "特价开始日期前七天最低价", "0.00"},
      {"f_BqHyQsrq", T, 8, "本期会员特价|起始日期"},
      {"f_BqHyJsrq", T, 8, "本期会员特价|结束日期"},
      {"f_BqHyXsdj", D, 0, "本期会员特价|特价价格", "0.00"},
      {"f_XqPtQsrq", T, 8, "下期普通特价|起始日期"},
      {"f_XqPtJsrq", T, 8, "下期普通特价|结束日期"},
      {"f_XqPtXsdj", D, 0, "下期普通特价|特价价格", "0.00"},
      {"f_Xqq7yxsdj", D, 0, "特价开始日期前七天最低价", "0.00"},
      {"f_XqHyQsrq", T, 8, "下期会员特价|起始日期"},
      {"f_XqHyJsrq", T, 8, "下期会员特价|结束日期"},
      {"f_XqHyXsdj", D, 0, "下期会员特价|特价价格", "0.00"},
      {"f_Kc", D, 0, "库存", "0.00"},
      {"f_Pljg", D, 0, "批量价格", "0.00"},
      {"f_zpl", T, 1, "整批量"},
      {"f_Plsl", I, 0, "批量数量"},
      {"f_Plfs", T, 6, "批量作价价格方式"},
      {"f_Plqsrq", T, 8, "批量作价起始日期"},
      {"f_Pljsrq", T, 8, "批量作价结束日期"},
      {"xsxl.f_jgfs", T, 20, ""},
      {"xsxl.f_qsrq", T, 8, "限时限量起始日期"},
      {"xsxl.f_jsrq", T, 8, "限时限量结束日期"},
      {"xsxl.f_qssj", T, 4, "限时限量起始时间"},
      {"xsxl.f_jssj", T, 4, "限时限量结束时间"},
      {"xsxl.f_xlsl", D, 0, "限时限量限量数量"},
      {"xsxl.f_sdxl", D, 0, "限时限量时段限量"},
      {"xsxl.f_xdsl", D, 0, "限时限量每单限量数量"},
      {"xsxl.f_xsdj", D, 0, "限时限量销售单价", "0.00"},
      {"xsxl.f_q7yxsdj", D, 0, "特价开始日期前七天最低价", "0.00"},
      {"xsxl.f_xc", I, 0, ""},
      {"f_Bqjgfs", T, 20, ""},
      {"f_Xqjgfs", T, 20, ""},
      {"f_zDwbl", D, 0, ""},
      {"f_zjbz", D, 0, ""},
      {"bqpttj.f_lxbm", T, 20, "特价类型编码"},
      {"bqpttj.f_lxmc", T, 20, "特价类型名称"},
      {"bqpttj.f_dqbm", T, 20, "特价档期编码"},
      {"xqpttj.f_lxbm", T, 20, "特价类型编码"},
      {"xqpttj.f_lxmc", T, 20, "特价类型名称"},
      {"xqpttj.f_dqbm", T, 20, "特价档期编码"},
      {"xsxl.f_lxbm", T, 20, "限时类型编码"},
      {"xsxl.f_lxmc", T, 20, "限时类型名称"},
      {"xsxl.f_dqbm", T, 20, "限时档期编码"},
      {"f_cf", T, 50, "成份", "", true, false},
      {"f_jyzt", T, 50, "经营状态"},
      {"f_dhfs", T, 50, ""},
      {"f_jekz", T, 1, "", "", true, false},
  });
  // Labels printed for the row: kept by the table, never sent to the host; 1 unless the clerk
  // says otherwise.
  Define(t, {{kCopiesField, I, 0, "打印份数", "", true, false}});
  FieldDef& copies = t.MutableField(t.FieldCount() - 1);
  copies.defaultValue = Variant(1);
  copies.check = [](const Variant& value) {
    if (!CopiesValue(value)) throw ModuleError(CopiesRefusedMessage(value));
  };
}

std::optional<int> CopiesValue(const Variant& value) {
  int64_t n = 0;
  switch (value.kind()) {
    case Variant::Kind::Int: n = value.AsInt(); break;
    case Variant::Kind::Float:
      if (value.AsFloat() != std::floor(value.AsFloat()) || std::fabs(value.AsFloat()) > 1e9) return std::nullopt;
      n = static_cast<int64_t>(value.AsFloat());
      break;
    case Variant::Kind::Text:
      if (!TextToInt(Trim(value.AsText()), n) || !IsIntegerText(Trim(value.AsText()))) return std::nullopt;
      break;
    default: return std::nullopt;
  }
  if (n < 1 || n > kMaxCopies) return std::nullopt;
  return static_cast<int>(n);
}

std::string CopiesRefusedMessage(const Variant& value) {
  std::string shown = value.IsNull() ? "" : value.kind() == Variant::Kind::Text ? value.AsText() : value.ToText();
  return "打印份数“" + shown + "”无效：请输入 1 到 " + std::to_string(kMaxCopies) + " 之间的整数";
}

void DefineHistoryFields(MemTable& t) {
  Define(t, {
      {"f_Qsrq", T, 8, ""},
      {"f_jsrq", T, 8, ""},
      {"f_Xsdj", D, 0, "特价价格", "0.00", false},
      {"f_q7yxsdj", D, 0, "特价开始日期前七天最低价", "0.00"},
  });
}

void DefineConditionFields(MemTable& t) {
  // The condition and the department SQL are not limited: an import of ten thousand codes makes
  // a condition far beyond 20,000 bytes, and a condition cut short is a broken statement.
  Define(t, {
      {"f_Tj", T, 0, ""},
      {"f_Yxsdj", T, 1, ""},
      {"f_DeptSql", T, 0, ""},
  });
}

void DefineSearchFields(MemTable& t) {
  Define(t, {
      {"f_Spbm", T, 15, "商品编码"},
      {"f_Spmc", T, 60, "商品名称"},
      {"f_Sphh", T, 15, "商品货号"},
      {"f_Spcd", T, 12, "商品产地"},
      {"f_Ggxh", T, 20, "规格型号"},
      {"f_sppp", T, 20, "商品品牌"},
      {"f_Jldw", T, 10, "计量单位"},
      {"f_bzq", I, 0, "保质期(天数)"},
      {"f_Xsdj", D, 0, "销售单价"},
      {"f_hyj", D, 0, "会员价"},
      {"f_jdrq", T, 8, "建档日期"},
      {"f_ydrq", T, 8, "异动日期"},
  }, 1);
  Define(t, {
      {"csda.f_csbm", T, 0, "供应商编码"},
      {"csda.f_csmc", T, 20, "供应商名称"},
  }, 0);
  Define(t, {
      {"f_Sptm", T, 15, "商品条码"},
      {"f_dwbl", D, 0, "单位比率"},
  }, 2);
  Define(t, {{"f_Kc", D, 0, "库存"}}, 3);
  Define(t, {
      {"f_Qsrq", T, 8, "特价起始日期"},
      {"f_Jsrq", T, 8, "特价结束日期"},
      {"f_Tjjg", D, 0, "特价价格"},
      {"f_Tjlx", I, 0, "特价类型"},
  }, 4);
  Define(t, {
      {"f_Pljg", D, 0, "批量价格"},
      {"f_zpl", T, 1, "整批量"},
      {"f_Plsl", I, 0, "批量数量"},
      {"f_Plfs", I, 0, "批量作价价格方式"},
      {"f_Plqsrq", T, 8, "批量作价起始日期"},
      {"f_Pljsrq", T, 8, "批量作价结束日期"},
  }, 5);
  Define(t, {
      {"xsxl.f_jgfs", I, 0, "限时限量价格方式"},
      {"xsxl.f_qsrq", T, 8, "限时限量起始日期"},
      {"xsxl.f_jsrq", T, 8, "限时限量结束日期"},
      {"xsxl.f_qssj", T, 4, "限时限量起始时间"},
      {"xsxl.f_jssj", T, 4, "限时限量结束时间"},
      {"xsxl.f_xlsl", T, 20, "限时限量限量数量"},
      {"xsxl.f_xdsl", T, 20, "限时限量每单限量数量"},
      {"xsxl.f_sdxl", T, 20, "限时限量时段限量"},
      {"xsxl.f_xsdj", T, 20, "限时限量销售单价"},
      {"xsxl.f_xc", I, 0, "限购天数"},
      {"tj.f_lxbm", T, 20, "特价类型编码"},
      {"tj.f_lxmc", T, 20, "特价类型名称"},
      {"tj.f_dqbm", T, 20, "特价档期编码"},
      {"xsxl.f_lxbm", T, 20, "限时类型编码"},
      {"xsxl.f_lxmc", T, 20, "限时类型名称"},
      {"xsxl.f_dqbm", T, 20, "限时档期编码"},
  }, 0);
}

}  // namespace pt::queue
