#include "queue/ProductQuery.h"

#include <algorithm>
#include <set>

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
  std::string code = Trim(line);
  auto it = std::lower_bound(sorted_.begin(), sorted_.end(), code);
  if (it != sorted_.end() && *it == code) return;
  sorted_.insert(it, code);
  codes_.push_back(std::move(code));
}

namespace {

// A code as the server compares it: letter case and trailing blanks do not count.
std::string CodeKey(const std::string& code) {
  std::string key = TrimRight(code);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return key;
}

std::set<std::string> KeysOf(const MemTable& rows, const char* field) {
  std::set<std::string> keys;
  const int f = rows.FieldIndex(field);
  if (f < 0) return keys;
  for (int r = 0; r < rows.TotalRecordCount(); ++r) {
    const Variant& v = rows.StoredCell(r, f);
    if (!v.IsNull()) keys.insert(CodeKey(v.ToText()));
  }
  return keys;
}

}  // namespace

std::vector<std::string> CodesNotReturned(const ImportCodeList& list, CodeKind kind, const MemTable& rows) {
  const char* field = kind == CodeKind::ProductCode ? "f_Spbm" : kind == CodeKind::ArticleNumber ? "f_Sphh" : "f_Sptm";
  const std::set<std::string> found = KeysOf(rows, field);
  std::vector<std::string> missing;
  for (const std::string& code : list.Codes())
    if (!code.empty() && !found.count(CodeKey(code))) missing.push_back(code);
  return missing;
}

std::string BarcodeOwnersSql(const std::vector<std::string>& barcodes) {
  std::string sql = "select f_sptm,f_spbm from tbSptm where f_sptm in (";
  for (size_t i = 0; i < barcodes.size(); ++i) sql += (i ? ",'" : "'") + QuoteSql(barcodes[i]) + "'";
  return sql + ")";
}

std::vector<std::string> BarcodesWithoutProduct(const std::vector<std::string>& barcodes, const MemTable& owners,
                                                const MemTable& rows) {
  const std::set<std::string> products = KeysOf(rows, "f_Spbm");
  std::set<std::string> queued;  // barcodes whose product came back
  const int code = owners.FieldIndex("f_sptm"), product = owners.FieldIndex("f_spbm");
  if (code >= 0 && product >= 0)
    for (int r = 0; r < owners.TotalRecordCount(); ++r)
      if (products.count(CodeKey(owners.StoredCell(r, product).ToText())))
        queued.insert(CodeKey(owners.StoredCell(r, code).ToText()));
  std::vector<std::string> missing;
  for (const std::string& b : barcodes)
    if (!queued.count(CodeKey(b))) missing.push_back(b);
  return missing;
}

std::string MissingCodesMessage(CodeKind kind, size_t imported, const std::vector<std::string>& missing) {
  const std::string what = CodeKindCaption(kind);
  std::string text = "导入的" + std::to_string(imported) + "个" + what + "中，有" + std::to_string(missing.size()) +
                     "个没有找到商品：";
  for (size_t i = 0; i < missing.size() && i < kMissingCodesShown; ++i) text += "\r\n" + missing[i];
  if (missing.size() > kMissingCodesShown)
    text += "\r\n……另有" + std::to_string(missing.size() - kMissingCodesShown) + "个";
  return text + "\r\n\r\n是否把这" + std::to_string(missing.size()) + "个" + what + "保存到文本文件？";
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
