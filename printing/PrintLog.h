#pragma once
// The log of printed tags, table tbBqdyrz of the module's own: one row per printed queue row of a
// print job, with what its labels showed (prices, member price, promotions and their periods),
// the template, the operator, the workstation, the server's date and time and the copies. It
// tells which tag hangs on which shelf, so that tags that no longer match the price can be found.
//
// The table is created through the host when it is missing. A job is one INSERT of many rows
// (a statement holds at most 1000 rows, the server's limit of a VALUES list; a larger job is
// sent as one batch of such statements). Jobs are numbered f_dyxh by the server's highest
// number plus one, rows within a job f_hh from 1; the last tag of a product in a department is
// the row of its highest job number, then its highest row number.
//
// Texts of SQL are the server dialect every request of the module is written in; values
// between quotes have their quotes doubled.
#include <optional>
#include <string>
#include <vector>

#include "common/MemTable.h"
#include "host/HostService.h"
#include "report_engine/ReportTemplate.h"

namespace pt::printing {

inline constexpr const char* kPrintLogTable = "tbBqdyrz";
// Heads every message about a job that printed but could not be recorded.
inline constexpr const char* kPrintLogFailed = "标价签已打印，但未能写入打印记录：";

// Which of a product's prices a label shows: those its template prints. A template that never
// prints the member price leaves it off every tag, so the log holds none and nothing compares it.
// Stored as the words of kTagItemWords present, joined by "," (f_xsxm); a row without it shows all.
struct TagItems {
  bool salePrice = true, previousPrice = true, memberPrice = true, promotion = true, memberPromotion = true;
};
// The items whose field (f_Xsdj, f_Yxsdj, f_Hyj, f_Tjjg, f_HyTjjg) some object of the template
// prints, in any band; a field used only in a condition is not printed.
TagItems ItemsShownBy(const report::ReportTemplate& t);
std::string ItemsText(const TagItems& items);
TagItems ItemsFromText(const Variant& text);

// What the labels of one printed queue row showed. Values missing on the record stay missing.
struct PrintedTag {
  std::string productCode;  // f_Spbm
  std::string deptCode;     // f_bmbm ("" outside headquarters)
  std::string barcode;      // f_Sptm
  Variant salePrice, previousPrice, memberPrice;                           // f_Xsdj, f_Yxsdj, f_Hyj
  Variant promotionPrice, promotionStart, promotionEnd;                    // f_Tjjg, f_Qsrq, f_Jsrq
  Variant memberPromotionPrice, memberPromotionStart, memberPromotionEnd;  // f_HyTjjg, f_HytjQsrq, f_HytjJsrq
  TagItems shown;  // what is not shown is left missing
  int copies = 1;
};
// From a print record (cdsPrint's fields, its current row), as a template showing `shown` prints it.
PrintedTag TagFromRecord(const MemTable& record, int copies, const TagItems& shown = {});

// Who printed, where and through which template.
struct PrintJob {
  std::string templateName;
  std::string operatorCode, operatorName;
  std::string workstation;
};

// ---------------------------------------------------------------- writing

// Creates the table when it is missing.
std::string CreatePrintLogSql();
// One row, f_dyxh: the highest job number so far (null on an empty log).
std::string LastJobNumberSql();
// The INSERT statements of a job, ";"-separated, rows numbered from 1 in the order given. The
// server date and time is the host's text (its digits YYYYMMDDHHNNSS are kept).
std::string InsertPrintLogSql(const PrintJob& job, long long jobNumber, const std::string& serverDateTime,
                              const std::vector<PrintedTag>& tags);

// Records a job through the host: the table when it is missing, the job number, the server's
// date and time, the rows. Never throws; returns "" when recorded, else what went wrong (the
// host's messages included) for the clerk. A job without tags is not recorded.
std::string RecordPrintJob(HostService& host, const PrintJob& job, const std::vector<PrintedTag>& tags);

// ---------------------------------------------------------------- reading

// One row, f_sl: how many columns the table has (0 when the log table does not exist).
std::string PrintLogColumnsSql();

// The last printed tag of a product in a department, as read back.
struct LastTag {
  std::string productCode, deptCode, barcode;
  Variant salePrice, memberPrice;
  Variant promotionPrice, promotionStart, promotionEnd;
  Variant memberPromotionPrice, memberPromotionStart, memberPromotionEnd;
  std::string templateName, operatorCode, operatorName, workstation;
  TagItems shown;
  std::string printedAt;  // YYYYMMDDHHNNSS, the server's
  long long jobNumber = 0, row = 0;
  int copies = 0;
};

// Every product's last tag (with promotionsOnly: those of them that showed a promotion).
std::string LastTagsSql(bool promotionsOnly);
// The last tag of one product in one department.
std::string LastTagOfSql(const std::string& productCode, const std::string& deptCode);
// The rows of either query, one LastTag each, in their order.
std::vector<LastTag> ReadLastTags(const MemTable& rows);

// A price is present when its magnitude exceeds 0.005; two prices are the same when both are
// absent or both present within 0.005 of each other.
bool PricePresent(const Variant& price);
bool SamePrice(const Variant& a, const Variant& b);

// A missing department (null, or blanks) is the empty code, as the log stores it.
std::string DeptKey(const std::string& deptCode);

// The detail panel's line: "上次打印：" and when, which price (and promotion), template, who;
// "上次打印：无" when the product was never printed.
std::string LastTagLine(const std::optional<LastTag>& tag);
// "2024-12-10 14:05" from YYYYMMDDHHNNSS; the text as it is when it is not one.
std::string PrintedAtText(const std::string& printedAt);
// A price as the log shows it: two decimals; "" when missing.
std::string PriceText(const Variant& price);

}  // namespace pt::printing
