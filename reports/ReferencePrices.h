#pragma once
// Pre-promotion reference prices: the SQL the "商品原价打印" window sends to compute, store and
// list, for every promotion of a period, the lowest price paid in the 7 days before its start
// (f_q7yxsdj) and the last price paid 8 to 90 days before it (f_q8yxsdj).
//
// The database does the arithmetic: one statement per calendar month of sales tables and pass.
// The texts go to the server as they are; blanks inside them are part of the statements the
// server side has always received, so they are kept exactly.
#include <string>
#include <vector>

namespace pt::reports {

// "本期": promotions in force on the current date; "下期": promotions starting after it.
enum class PricePeriod { Current, Next };

// tbsptj (ordinary promotions, f_tjlx=0) or tbxsxl (time-limited flash and member prices).
enum class PromotionTable { Ordinary, TimeLimited };

// True when the text is a calendar date YYYYMMDD (eight digits, a real day of a real month).
bool IsValidDate(const std::string& ymd);

// The period condition on f_qsrq / f_jsrq for the current date D. A D that is not a valid date
// throws ModuleError and nothing is composed.
std::string PeriodCondition(PricePeriod period, const std::string& currentDate);

// The month `months` after (negative: before) a month YYYYMM. A text that is not a month
// throws ModuleError.
std::string ShiftMonth(const std::string& yyyymm, int months);

// Every month from `first` to `last`, both included, ascending; empty when first is after last.
// Either text not being a month throws ModuleError.
std::vector<std::string> MonthsFromTo(const std::string& first, const std::string& last);

// Adds the three reference-price columns to tbsptj and tbxsxl where they are missing.
const std::string& StructureCheckSql();

// The earliest and latest start month (f_minrq, f_maxrq) of the period's open promotions.
std::string StartMonthRangeSql(PromotionTable table, const std::string& condition);

// One month's seven-day pass: lowers the stored lowest price (or sets it when unset) from the
// sales of that month booked 1 to 7 days before each open promotion's start.
std::string SevenDaySql(PromotionTable table, const std::string& month, const std::string& condition);

// One month's eight-to-ninety-day pass: stores the paid price of that month's latest sale booked
// 8 to 90 days before each open promotion's start. Months run oldest first, so after the last
// month the column holds the last price paid in the window.
std::string EightToNinetySql(PromotionTable table, const std::string& month, const std::string& condition);

// Marks the period's promotions final (f_yxsdjbz='1'), both tables in one batch.
std::string FinalFlagSql(const std::string& condition);

// Every promotion of the period with its product and main barcode and the stored prices.
std::string ReferencePriceListSql(const std::string& condition);

enum class PassKind { SevenDay, EightToNinety };

struct PricePass {
  PassKind kind = PassKind::SevenDay;
  std::string month;  // YYYYMM of the sales tables the statement reads
};

// The passes of one table, in the order they run, for open promotions starting from month
// `minMonth` to `maxMonth`: the seven-day pass over the month before minMonth up to maxMonth,
// then the eight-to-ninety-day pass over two months before minMonth up to maxMonth.
// Either month being empty gives no passes; a text that is not a month throws ModuleError.
// Statements are composed one at a time (PassSql), as they run: a promotion dated far ahead
// makes a long list of months, and the first month without sales tables ends the search.
std::vector<PricePass> ReferencePricePasses(const std::string& minMonth, const std::string& maxMonth);

// What the busy hint says while the pass runs ("202405特价前七天原价...").
std::string PassBusyText(PromotionTable table, const PricePass& pass);
std::string PassSql(PromotionTable table, const PricePass& pass, const std::string& condition);

}  // namespace pt::reports
