#include "reports/ReferencePrices.h"

#include "common/ModuleError.h"
#include "queue/ProductQuery.h"

namespace pt::reports {

namespace {

bool AllDigits(const std::string& s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return !s.empty();
}

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return days[month - 1];
}

// Year and month of a YYYYMM text; throws when it is not one.
void ParseMonth(const std::string& yyyymm, int& year, int& month) {
  if (yyyymm.size() != 6 || !AllDigits(yyyymm)) throw ModuleError("'" + yyyymm + "' 不是有效的年月");
  year = std::stoi(yyyymm.substr(0, 4));
  month = std::stoi(yyyymm.substr(4, 2));
  if (year < 1 || month < 1 || month > 12) throw ModuleError("'" + yyyymm + "' 不是有效的年月");
}

std::string FormatMonth(int year, int month) {
  std::string y = std::to_string(year);
  while (y.size() < 4) y.insert(0, "0");
  return y + (month < 10 ? "0" : "") + std::to_string(month);
}

const char* TableName(PromotionTable table) { return table == PromotionTable::Ordinary ? "tbsptj" : "tbxsxl"; }

// Which rows a pass may touch: the period's open promotions (ordinary ones only in tbsptj).
std::string OpenRows(PromotionTable table) {
  return table == PromotionTable::Ordinary ? " and f_tjlx=0 and f_yxsdjbz='0' " : " and f_yxsdjbz='0' ";
}

std::string SalesTables(const std::string& m) { return "tb" + m + "_Xsmxzb z,tb" + m + "_Xsmxcb c "; }

constexpr const char* kBillJoin = "  where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh ";
constexpr const char* kPaidPrice = "ceiling((f_ssje+f_sssj)/f_xssl*10)/10";
constexpr const char* kWeekBefore =
    "  and  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 1 and 7 and f_xssl<>0 ";
constexpr const char* kEightToNinetyBefore =
    "  and  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 8 and 90 and f_xssl<>0 ";

}  // namespace

bool IsValidDate(const std::string& ymd) {
  if (ymd.size() != 8 || !AllDigits(ymd)) return false;
  const int year = std::stoi(ymd.substr(0, 4));
  const int month = std::stoi(ymd.substr(4, 2));
  const int day = std::stoi(ymd.substr(6, 2));
  return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

std::string PeriodCondition(PricePeriod period, const std::string& currentDate) {
  if (!IsValidDate(currentDate)) throw ModuleError("'" + currentDate + "' 不是有效的日期");
  const std::string d = queue::QuoteSql(currentDate);
  if (period == PricePeriod::Current) return " f_qsrq<='" + d + "' and f_jsrq>='" + d + "' ";
  return " f_qsrq>'" + d + "' ";
}

std::string ShiftMonth(const std::string& yyyymm, int months) {
  int year = 0, month = 0;
  ParseMonth(yyyymm, year, month);
  int index = year * 12 + (month - 1) + months;
  if (index < 12) throw ModuleError("'" + yyyymm + "' 前后的年月超出了日期范围");
  return FormatMonth(index / 12, index % 12 + 1);
}

std::vector<std::string> MonthsFromTo(const std::string& first, const std::string& last) {
  int y = 0, m = 0, ly = 0, lm = 0;
  ParseMonth(first, y, m);
  ParseMonth(last, ly, lm);
  std::vector<std::string> out;
  for (int i = y * 12 + m - 1, end = ly * 12 + lm - 1; i <= end; ++i) out.push_back(FormatMonth(i / 12, i % 12 + 1));
  return out;
}

const std::string& StructureCheckSql() {
  static const std::string sql =
      "if not (exists (select 1 from syscolumns where name='f_q7yxsdj' and id= object_id('tbsptj')))   alter table "
      "tbsptj add f_q7yxsdj float not null default  0;"
      "if not (exists (select 1 from syscolumns where name='f_q8yxsdj' and id= object_id('tbsptj')))   alter table "
      "tbsptj add f_q8yxsdj float not null default  0;"
      "if not (exists (select 1 from syscolumns where name='f_yxsdjbz' and id= object_id('tbsptj')))   alter table "
      "tbsptj add f_yxsdjbz varchar(1) not null default '0';"
      "if not (exists (select 1 from syscolumns where name='f_q7yxsdj' and id= object_id('tbxsxl')))    alter table "
      "tbxsxl add f_q7yxsdj float not null default  0;"
      "if not (exists (select 1 from syscolumns where name='f_q8yxsdj' and id= object_id('tbxsxl')))   alter table "
      "tbxsxl add f_q8yxsdj float not null default  0;"
      "if not (exists (select 1 from syscolumns where name='f_yxsdjbz' and id= object_id('tbxsxl')))   alter table "
      "tbxsxl add f_yxsdjbz varchar(1) not null default '0';";
  return sql;
}

std::string StartMonthRangeSql(PromotionTable table, const std::string& condition) {
  std::string sql = "select min(left(f_qsrq,6)) f_minrq,max(left(f_qsrq,6)) f_maxrq from " + std::string(TableName(table)) +
                    " where f_yxsdjbz='0' and " + condition;
  if (table == PromotionTable::Ordinary) sql += " and f_tjlx=0 ";
  return sql;
}

std::string SevenDaySql(PromotionTable table, const std::string& month, const std::string& condition) {
  const std::string t = TableName(table);
  std::string sql = "update " + t + " set f_q7yxsdj=(  select min(" + kPaidPrice + ") from " + SalesTables(month) +
                    kBillJoin + kWeekBefore;
  // The time-limited table's statement has no such line here; the exists clause below already
  // keeps it from running unless a cheaper sale is there, which gives the same minimum.
  if (table == PromotionTable::Ordinary)
    sql += std::string("  and  (") + kPaidPrice + " <f_q7yxsdj or f_q7yxsdj<0.005)";
  sql += "  and c.f_spbm=" + t + ".f_spbm " + ") where " + condition + OpenRows(table) + "and exists ( " +
         "  select 1 from " + SalesTables(month) + "where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh " + kWeekBefore +
         "  and  (" + kPaidPrice + " <f_q7yxsdj  or f_q7yxsdj<0.005)" + "  and c.f_spbm=" + t + ".f_spbm " + ");";
  return sql;
}

std::string EightToNinetySql(PromotionTable table, const std::string& month, const std::string& condition) {
  const std::string t = TableName(table);
  // A month rewrites the value only when one of its sales is cheaper than the one stored (or
  // none is stored yet), and then stores the price of its latest sale.
  return "update " + t + " set f_q8yxsdj=coalesce((  select top 1 " + kPaidPrice + " from " + SalesTables(month) +
         kBillJoin + kEightToNinetyBefore + "  and c.f_spbm=" + t + ".f_spbm order by f_rzrq desc" + "),0.0) where " +
         condition + OpenRows(table) + "and exists ( " + "  select 1 from " + SalesTables(month) +
         "where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh " + kEightToNinetyBefore + "  and  (" + kPaidPrice +
         " <f_q8yxsdj  or f_q8yxsdj<0.005)" + "  and c.f_spbm=" + t + ".f_spbm " + ");";
}

std::string FinalFlagSql(const std::string& condition) {
  return "update tbsptj set f_yxsdjbz='1' where " + condition + " and f_tjlx=0 ;" +
         "update tbxsxl set f_yxsdjbz='1' where " + condition + " ;";
}

std::string ReferencePriceListSql(const std::string& condition) {
  return "select '特价' f_lx,t.f_spbm,f_sphh,f_sptm,f_spmc,f_spcd,f_jldw,f_dwbl,f_ggxh,f_sppp,t.f_xsdj f_zxjg,f_q7yxsdj,"
         "f_q8yxsdj,f_qsrq,f_jsrq,cast(null as float) f_Xdsl,s.f_xsdj from tbsptj t,tbspda s left join (select f_sptm,"
         "f_spbm,f_dwbl from tbsptm where f_xh=1) tm on s.f_spbm=tm.f_spbm  where t.f_spbm=s.f_spbm and " +
         condition + " and f_tjlx=0 " + "union " +
         "select case when f_xc=0 then '惊爆价' when f_xc=1 then '会员价' end f_lx," +
         "t.f_spbm,f_sphh,f_sptm,f_spmc,f_spcd,f_jldw,f_dwbl,f_ggxh,f_sppp,t.f_xsdj f_zxjg,f_q7yxsdj,f_q8yxsdj," +
         "f_qsrq,f_jsrq,f_Xdsl,s.f_xsdj " + "from tbxsxl t,tbspda s " +
         "left join (select f_sptm,f_spbm,f_dwbl from tbsptm where f_xh=1) tm on s.f_spbm=tm.f_spbm  " +
         "where t.f_spbm=s.f_spbm and " + condition;
}

std::vector<PricePass> ReferencePricePasses(const std::string& minMonth, const std::string& maxMonth) {
  std::vector<PricePass> passes;
  if (minMonth.empty() || maxMonth.empty()) return passes;
  for (std::string& m : MonthsFromTo(ShiftMonth(minMonth, -1), maxMonth))
    passes.push_back({PassKind::SevenDay, std::move(m)});
  for (std::string& m : MonthsFromTo(ShiftMonth(minMonth, -2), maxMonth))
    passes.push_back({PassKind::EightToNinety, std::move(m)});
  return passes;
}

std::string PassBusyText(PromotionTable table, const PricePass& pass) {
  const bool ordinary = table == PromotionTable::Ordinary;
  if (pass.kind == PassKind::SevenDay) return pass.month + (ordinary ? "特价前七天原价..." : "会员价七天前原价格...");
  return pass.month + (ordinary ? "特价八天前原价格..." : "会员价八天前原价格...");
}

std::string PassSql(PromotionTable table, const PricePass& pass, const std::string& condition) {
  return pass.kind == PassKind::SevenDay ? SevenDaySql(table, pass.month, condition)
                                         : EightToNinetySql(table, pass.month, condition);
}

}  // namespace pt::reports
