#pragma once
// The ready-made product lists of "调商品": the conditions and list queries each source sends,
// the dates they work from, and the label data the product info edit carries from one row to
// the next. Pure functions over texts; the main window sends what they compose.
//
// Dates are eight-digit texts YYYYMMDD, months six digits YYYYMM, as the server writes them.
// Values placed between quotes have their own quotes doubled.
#include <string>

namespace pt {
class MemTable;
}

namespace pt::queue {

// ---- dates

// True when the text is eight digits naming a real calendar day.
bool IsDateText(const std::string& yyyymmdd);
// The calendar day before; "" when the text is not a date.
std::string DayBefore(const std::string& yyyymmdd);

// The workstation's short date format on this platform: yyyy-MM-dd (2024-03-01).
inline constexpr const char* kShortDateFormat = "yyyy-MM-dd";
// "20240301" -> "2024-03-01"; "" when the text is not a date.
std::string ToShortDate(const std::string& yyyymmdd);
// Reads a date in the short date format, as a clerk types it: year of four digits, month and
// day of one or two, separated by "-", blanks around the whole allowed ("2024-3-1"). False when
// the text is not a real calendar day.
bool ParseShortDate(const std::string& text, std::string& yyyymmdd);

// ---- "新    品": products entered since a date

std::string NewProductsCondition(const std::string& date);       // " Da.f_Jdrq>='20240301' "
std::string NewProductsEmptyMessage(const std::string& date);    // "2024-03-01以后无新品！"

// ---- "调价商品": price changes of a day

inline constexpr const char* kNoPriceChanges = "当天无调价商品！";
inline constexpr const char* kAllBills = "全部";

// The price-change log is read where the unit keeps one: dchy off, dybm not "9001" and not at
// headquarters; everyone else reads the executed pricing bills.
bool UsePriceChangeLog(bool dchy, const std::string& dybm, const std::string& unitType);
// The price-change bills posted on the server date, newest first.
std::string PriceChangeBillListSql(const std::string& currentDate);
// The products whose price the log shows changed on the date; a bill (trimmed, not "全部")
// narrows them to that bill's lines, and skipZeroQuantities to lines with a quantity.
std::string PriceChangeLogCondition(const std::string& date, const std::string& bill, bool skipZeroQuantities);
// The products of the ordinary pricing bills executed on the date whose price really changed,
// priced for the unit's department directly or for a category mapped to it.
std::string PricingBillCondition(const std::string& date, const std::string& dybm);

// ---- "限时限量" and "批量作价": what starts today

std::string TimedSaleCondition(const std::string& currentDate);
std::string QuantityPricingCondition(const std::string& currentDate);

// ---- "调异动商品": the change list of a posting date

inline constexpr const char* kBadDate = "日期不合法！";
inline constexpr const char* kBeforeSystemStart = "异动日期不能小于系统启用日期！";
enum class ChangeListDate { Ok, NotADate, BeforeSystemStart };
// The preset of the date prompt: the day before the server date in the short date format.
std::string ChangeListPreset(const std::string& currentDate);
// Reads the clerk's answer; Ok puts the date into yyyymmdd. A date whose month lies before
// the system's start month qyny is refused; the start month itself is accepted.
ChangeListDate ReadChangeListDate(const std::string& answer, const std::string& qyny, std::string& yyyymmdd);
std::string ChangeListCondition(const std::string& date);

// ---- "调定价单": one executed pricing bill of the month

inline constexpr const char* kNoExecutedBills = "当月没有已执行的定价单！";
std::string PricingBillListSql(const std::string& yearMonth);
// The table of a bill's lines by bill type: 0 "lsdjg", 1 "sptj", 3 "xsxl", 4 "plzj"; "" otherwise.
std::string BillLineTable(long long billType);
// The departments a bill prices, with the bill's products, in the shape of the department SQL
// (code, name) plus f_spbm; the product query joins it as dept.
std::string BillDepartmentSql(const std::string& yearMonth, const std::string& lineTable, const std::string& bill);
inline constexpr const char* kBillCondition = " dept.f_spbm=da.f_spbm ";
// Names of the bill types -1..8 ("普通定价单"...); "" for any other number.
const char* BillTypeName(long long billType);

// ---- product info edit: the label data confirmed last

struct ProductInfoDefaults {
  std::string sphh, spmc, spcd, ggxh, jldw, BqPtqsrq, BqPtjsrq;
  double xsdj = 0, BqPtxsdj = 0;
};
// Fills the empty texts and zero prices of the table's row being edited with the defaults.
// A default that is itself empty (or 0) leaves the field as it is, so a missing value stays
// missing rather than becoming an empty text or a price of 0.
void ApplyProductInfoDefaults(MemTable& queue, const ProductInfoDefaults& defaults);
// The values of the table's current row, to serve as the next defaults.
ProductInfoDefaults CaptureProductInfo(const MemTable& queue);

}  // namespace pt::queue
