#include "queue/ProductQuery.h"

#include <algorithm>

#include "common/TextRoutines.h"
#include "common/Variant.h"

namespace pt::queue {

int QueryMode(bool multiBarcode, bool multiPackage, const std::string& unitType) {
  if (multiBarcode && multiPackage) return 1;
  if (multiBarcode) return 2;
  if (multiPackage) return 3;
  return unitType == "01" ? 7 : 4;
}

bool DepartmentMissing(const std::string& unitType, size_t chosenDeptNodes) {
  return unitType == "00" && chosenDeptNodes < 2;
}

std::string ComposeProductCondition(const std::string& condition, const std::string& unitType,
                                    const std::string& yearMonth) {
  const std::string s0 = "SELECT DISTINCT da.f_Spbm FROM tbSpda da ";
  std::string q = s0;
  auto has = [&](const char* alias) { return condition.find(alias) != std::string::npos; };
  const bool barcode = has("tm.");
  if (barcode) {
    q = "SELECT DISTINCT da.f_Spbm,tm.f_Sptm FROM tbSpda da ";
    q += "LEFT JOIN tbSptm tm ON da.f_Spbm=tm.f_Spbm ";
  }
  if (has("tj.")) {
    q += "LEFT JOIN (select tj.*,f_lxmc from tbsptj tj left join  tbtjlxda lx on tj.f_lxbm=lx.f_lxbm) tj "
         "ON da.f_Spbm=tj.f_Spbm ";
  }
  if (has("Yhj.")) {
    q += "LEFT JOIN (SELECT f_Spbm,Round(Sum(f_Qcsl+f_Jhsl+f_Brsl+f_Sysl+f_Pssl-";
    q += "f_Xssl-f_Bcsl-f_Shsl-f_Phsl),2) f_Kc FROM tb";
    q += yearMonth;
    q += "_Yhj GROUP BY f_Spbm) Yhj ";
    q += "ON da.f_Spbm=Yhj.f_Spbm ";
  }
  if (has("plzj.")) q += "LEFT JOIN tbPlzj plzj ON da.f_Spbm=plzj.f_Spbm ";
  if (has("xsxl.")) {
    q += "LEFT JOIN (select xsxl.*,f_lxmc from tbxsxl xsxl left join  tbtjlxda lx on xsxl.f_lxbm=lx.f_lxbm) xsxl "
         "ON da.f_Spbm=xsxl.f_Spbm ";
  }
  if (has("csda.")) {
    q += "LEFT JOIN (select f_csbm,f_csmc,f_spbm from tbgysdz,tbcsda where f_csbm=f_gysbm) csda";
    q += " ON da.f_Spbm=csda.f_Spbm ";
  }
  std::string c = condition;
  if (q != s0) {
    if (barcode) {
      c = " Exists (SELECT * FROM (" + q + " WHERE f_Mj=1 AND " + c + ") a " +
          "WHERE a.f_Spbm=da.f_Spbm AND a.f_Sptm=tm.f_Sptm)";
    } else {
      c = " da.f_Spbm in (" + q + " WHERE f_Mj=1 AND " + c + ") ";
    }
  }
  if (unitType != "00") c += kSaleClause;
  c = ReplaceAll(c, "f_Pljg", "f_Xsdj");
  c = ReplaceAll(c, "f_Tjjg", "f_Xsdj");
  c = ReplaceAll(c, "f_Plfs", "f_Jgfs");
  c = ReplaceAll(c, "f_Plqsrq", "f_qsrq");
  c = ReplaceAll(c, "f_Pljsrq", "f_jsrq");
  return c;
}

std::string QuoteSql(const std::string& value) { return ReplaceAll(value, "'", "''"); }

const char* CodeKindCaption(CodeKind kind) {
  switch (kind) {
    case CodeKind::ProductCode: return "商品编码";
    case CodeKind::ArticleNumber: return "商品货号";
    case CodeKind::Barcode: return "商品条码";
  }
  return "";
}

std::string CodeEntryCondition(CodeKind kind, const std::string& code) {
  switch (kind) {
    case CodeKind::ProductCode: return " da.f_Spbm='" + QuoteSql(code) + "' ";
    case CodeKind::ArticleNumber: return " da.f_Sphh='" + QuoteSql(code) + "' ";
    case CodeKind::Barcode: return " tm.f_Sptm='" + QuoteSql(code) + "' ";
  }
  return {};
}

std::string CodeNotFoundMessage(CodeKind kind, const std::string& code) {
  return std::string("档案中无") + CodeKindCaption(kind) + "为" + code + "的商品或商品不允许销售!";
}

void ImportCodeList::Add(const std::string& line) {
  auto it = std::lower_bound(sorted_.begin(), sorted_.end(), line);
  if (it != sorted_.end() && *it == line) return;
  sorted_.insert(it, line);
  codes_.push_back(line);
}

std::string ImportCodeList::Condition(CodeKind kind) const {
  std::string out;
  switch (kind) {
    case CodeKind::ProductCode: out = " da.f_Spbm in ("; break;
    case CodeKind::ArticleNumber: out = " da.f_Sphh in ("; break;
    case CodeKind::Barcode: out = " tm.f_Sptm in ("; break;
  }
  for (size_t i = 0; i < codes_.size(); ++i) {
    if (i) out += ",";
    out += "'" + QuoteSql(codes_[i]) + "'";
  }
  out += ")";
  return out;
}

AmountLineStatus ParseAmountLine(const std::string& line, int ordinal, AmountLine& out, std::string& message) {
  std::vector<std::string> items;
  SplitText(",", line, items);  // empty items are accepted: the flag is not used
  const std::string head = "第" + std::to_string(ordinal) + "行" + "\"" + line + "\"" + "," + "\r";
  if (items.size() < 9) {
    message = head + "格式有误,导入失败！";
    return AmountLineStatus::BadFormat;
  }
  double price = 0;
  const bool priced = TextToFloat(items[8], price);
  out.items = std::move(items);
  out.price = price;
  if (!priced) {
    message = head + "格式有误,,销售单价" + "\"" + out.items[8] + "\"" + "不是实数！";
    return AmountLineStatus::BadPrice;
  }
  return AmountLineStatus::Ok;
}

}  // namespace pt::queue
