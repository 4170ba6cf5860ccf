#include "queue/ProductSources.h"

#include "common/MemTable.h"
#include "common/TextRoutines.h"
#include "queue/ProductQuery.h"

namespace pt::queue {

namespace {

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && LeapYear(y) ? 29 : days[m - 1];
}

bool ValidDay(int y, int m, int d) { return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m); }

// y 1..9999, m 1..12, d 1..31.
std::string Ymd(int y, int m, int d) {
  std::string s = std::to_string(y * 10000 + m * 100 + d);
  return std::string(8 - s.size(), '0') + s;
}

bool SplitDate(const std::string& yyyymmdd, int& y, int& m, int& d) {
  if (yyyymmdd.size() != 8 || !AllDigits(yyyymmdd)) return false;
  y = std::stoi(yyyymmdd.substr(0, 4));
  m = std::stoi(yyyymmdd.substr(4, 2));
  d = std::stoi(yyyymmdd.substr(6, 2));
  return ValidDay(y, m, d);
}

std::string Month(const std::string& date) { return date.substr(0, 6); }

}  // namespace

// ============================================================== dates

bool IsDateText(const std::string& yyyymmdd) {
  int y, m, d;
  return SplitDate(yyyymmdd, y, m, d);
}

std::string DayBefore(const std::string& yyyymmdd) {
  int y, m, d;
  if (!SplitDate(yyyymmdd, y, m, d)) return {};
  if (--d == 0) {
    if (--m == 0) {
      m = 12;
      --y;
    }
    if (y < 1) return {};
    d = DaysInMonth(y, m);
  }
  return Ymd(y, m, d);
}

std::string ToShortDate(const std::string& yyyymmdd) {
  if (!IsDateText(yyyymmdd)) return {};
  return yyyymmdd.substr(0, 4) + "-" + yyyymmdd.substr(4, 2) + "-" + yyyymmdd.substr(6, 2);
}

bool ParseShortDate(const std::string& text, std::string& yyyymmdd) {
  const std::string t = Trim(text);
  const size_t first = t.find('-');
  if (first == std::string::npos) return false;
  const size_t second = t.find('-', first + 1);
  if (second == std::string::npos || t.find('-', second + 1) != std::string::npos) return false;
  const std::string ys = t.substr(0, first), ms = t.substr(first + 1, second - first - 1), ds = t.substr(second + 1);
  if (ys.size() != 4 || ms.empty() || ms.size() > 2 || ds.empty() || ds.size() > 2) return false;
  if (!AllDigits(ys) || !AllDigits(ms) || !AllDigits(ds)) return false;
  const int y = std::stoi(ys), m = std::stoi(ms), d = std::stoi(ds);
  if (!ValidDay(y, m, d)) return false;
  yyyymmdd = Ymd(y, m, d);
  return true;
}

// ============================================================== new products

std::string NewProductsCondition(const std::string& date) { return " Da.f_Jdrq>='" + QuoteSql(date) + "' "; }

std::string NewProductsEmptyMessage(const std::string& date) {
  const std::string shown = ToShortDate(date);
  return (shown.empty() ? date : shown) + "以后无新品！";
}

// ============================================================== price changes

bool UsePriceChangeLog(bool dchy, const std::string& dybm, const std::string& unitType) {
  return !dchy && dybm != "9001" && unitType != "00";
}

std::string PriceChangeBillListSql(const std::string& currentDate) {
  return "select distinct f_djh from tb" + Month(currentDate) + "_sptj where f_Rzrq='" + QuoteSql(currentDate) +
         "' order by f_djh desc";
}

std::string PriceChangeLogCondition(const std::string& date, const std::string& bill, bool skipZeroQuantities) {
  const std::string ym = Month(date);
  std::string inner = "SELECT DISTINCT da.f_Spbm FROM tbSpda da ,tb" + ym + "_tjrz tjrz where tjrz.f_Spbm" +
                      "=da.f_Spbm and f_Mj=1 AND tjrz.f_Tjrq='" + QuoteSql(date) + "' ";
  const std::string chosen = Trim(bill);
  if (!chosen.empty() && chosen != kAllBills)
    inner += "and tjrz.f_spbm in (select f_spbm from  tb" + ym + "_sptj " + "where f_djh='" + QuoteSql(chosen) + "' " +
             (skipZeroQuantities ? "and abs(f_tjsl)>0.005" : "") + ")";
  return "da.f_Spbm in (" + inner + ")";
}

std::string PricingBillCondition(const std::string& date, const std::string& dybm) {
  const std::string ym = Month(date);
  const std::string unit = QuoteSql(dybm);
  const std::string inner = "select distinct lsdjg.f_spbm from tb" + ym + "_spdj_zb zb,tb" + ym + "_spdj_lsdjg lsdjg " +
                            "where zb.f_djh=lsdjg.f_djh and zb.f_djlx=0 and zb.f_zxbz=1 and zb.f_zxrq='" + QuoteSql(date) +
                            "' " + "and abs(lsdjg.f_yxsdj-lsdjg.f_xsdj)>0.005 " +
                            "and ((lsdjg.f_bmlx=1 and lsdjg.f_bmbm='" + unit + "') or " +
                            "(lsdjg.f_bmlx=0 and lsdjg.f_bmbm in (select f_bmflbm from tbdjbmfldz where f_dzbm='" + unit +
                            "')))";
  return "da.f_Spbm in (" + inner + ")";
}

// ============================================================== what starts today

std::string TimedSaleCondition(const std::string& currentDate) {
  return " xsxl.f_qsrq='" + QuoteSql(currentDate) + "' and xsxl.f_xsdj>0 ";
}

std::string QuantityPricingCondition(const std::string& currentDate) {
  return " plzj.f_qsrq='" + QuoteSql(currentDate) + "' and plzj.f_xsdj>0 ";
}

// ============================================================== change list

std::string ChangeListPreset(const std::string& currentDate) { return ToShortDate(DayBefore(currentDate)); }

ChangeListDate ReadChangeListDate(const std::string& answer, const std::string& qyny, std::string& yyyymmdd) {
  std::string date;
  if (!ParseShortDate(answer, date)) return ChangeListDate::NotADate;
  if (qyny > Month(date)) return ChangeListDate::BeforeSystemStart;
  yyyymmdd = date;
  return ChangeListDate::Ok;
}

std::string ChangeListCondition(const std::string& date) {
  return " da.f_spbm in (select f_spbm from tb" + Month(date) + "_spyd where F_Ydrq='" + QuoteSql(date) + "') ";
}

// ============================================================== pricing bills

std::string PricingBillListSql(const std::string& yearMonth) {
  return "select f_djlx,f_djh,f_zdrq,f_zdrbm,f_zdrmc from tb" + yearMonth + "_spdj_zb " +
         "where f_djlx in (0,1,3,4) and f_zxbz=1  order by f_djh desc";
}

std::string BillLineTable(long long billType) {
  switch (billType) {
    case 0: return "lsdjg";
    case 1: return "sptj";
    case 3: return "xsxl";
    case 4: return "plzj";
    default: return {};
  }
}

std::string BillDepartmentSql(const std::string& yearMonth, const std::string& lineTable, const std::string& bill) {
  return "select f_dzbm f_bmbm,b.f_bmmc,dj.f_spbm from tbdjbmfldz z,tbbmda b,tb" + yearMonth + "_spdj_" + lineTable +
         " dj " + "where z.f_dzbm=b.f_bmbm and dj.f_djh='" + QuoteSql(bill) + "' " +
         "and ((dj.f_bmlx=1 and b.f_bmbm=dj.f_bmbm) or (dj.f_bmlx=0 and z.f_bmflbm=dj.f_bmbm)) ";
}

const char* BillTypeName(long long billType) {
  switch (billType) {
    case -1: return "商品基本信息单";
    case 0: return "普通定价单";
    case 1: return "特价定价单";
    case 2: return "控制信息定价单";
    case 3: return "限时限量定价单";
    case 4: return "批量作价定价单";
    case 5: return "客户价格定价单";
    case 6: return "配送定价单";
    case 7: return "客户账期定价单";
    case 8: return "门店自定价单";
    default: return "";
  }
}

// ============================================================== product info defaults

void ApplyProductInfoDefaults(MemTable& queue, const ProductInfoDefaults& d) {
  const std::pair<const char*, const std::string*> texts[] = {
      {"f_sphh", &d.sphh}, {"f_spmc", &d.spmc}, {"f_spcd", &d.spcd}, {"f_ggxh", &d.ggxh},
      {"f_jldw", &d.jldw}, {"f_BqPtqsrq", &d.BqPtqsrq}, {"f_BqPtjsrq", &d.BqPtjsrq}};
  for (const auto& [field, value] : texts)
    if (queue.GetText(field).empty() && !value->empty()) queue.Set(field, *value);
  const std::pair<const char*, double> numbers[] = {{"f_xsdj", d.xsdj}, {"f_BqPtxsdj", d.BqPtxsdj}};
  for (const auto& [field, value] : numbers)
    if (queue.GetFloat(field) == 0 && value != 0) queue.Set(field, value);
}

ProductInfoDefaults CaptureProductInfo(const MemTable& queue) {
  ProductInfoDefaults d;
  d.sphh = queue.GetText("f_sphh");
  d.spmc = queue.GetText("f_spmc");
  d.spcd = queue.GetText("f_spcd");
  d.ggxh = queue.GetText("f_ggxh");
  d.jldw = queue.GetText("f_jldw");
  d.BqPtqsrq = queue.GetText("f_BqPtqsrq");
  d.BqPtjsrq = queue.GetText("f_BqPtjsrq");
  d.xsdj = queue.GetFloat("f_xsdj");
  d.BqPtxsdj = queue.GetFloat("f_BqPtxsdj");
  return d;
}

}  // namespace pt::queue
