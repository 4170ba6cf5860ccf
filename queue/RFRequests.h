#pragma once
// The SQL of RF handheld tag requests (server table tbRFBjq) and the rows of the batch chooser.
// A batch is one employee and one batch time; the chooser lists the pending batches split by the
// kind of price their products carry today, and each ticked row is read, fed to the code entry
// and deleted with the same price filter, so exactly the fed requests go.
//
// Pure functions: the main window sends the texts and fills the chooser.
#include <optional>
#include <string>
#include <vector>

#include "common/MemTable.h"

namespace pt::queue {

// Price-type labels of the chooser rows. The label also picks the transfer filter later, so the
// texts are fixed.
inline constexpr const char* kRfNormalPrice = "普通价";
inline constexpr const char* kRfSpecialPrice = "特价";
inline constexpr const char* kRfFlashSale = "惊爆价";   // time-limited sale, kind 0
inline constexpr const char* kRfMemberSale = "会员价";  // time-limited sale, kind 1
inline constexpr const char* kRfQuantityPrice = "批量价";

// Prefixes of the failure reports.
inline constexpr const char* kRfReadFailed = "取RF数据时出错!";
inline constexpr const char* kRfDeleteFailed = "删除RF数据时出错!";

// The four batch lists, in the order the chooser shows them.
enum class RfList { Normal, Special, TimedSale, Quantity };
inline constexpr RfList kRfLists[] = {RfList::Normal, RfList::Special, RfList::TimedSale, RfList::Quantity};

// "And RF.f_Spbm not in (...) " three times: no current special price, no current time-limited
// sale with a non-zero price, no quantity pricing. `today` is YYYYMMDD.
std::string RfExclusionClause(const std::string& today);

// The statement of one batch list: employee code, employee name, batch time and request count
// (distinct products, plus f_xc, in the time-limited list). Requests of employees missing from
// tbZyda never appear (the lists join the employee file).
std::string RfBatchListSql(RfList list, const std::string& today);

// The label of a row of a list; the time-limited list labels by the sale kind f_xc ("0", "1"),
// any other kind by its own text.
std::string RfRowLabel(RfList list, const std::string& saleKind);

// The transfer filter a label selects ("And f_Spbm ..."); none for a label the chooser never
// writes (such a row is skipped).
std::optional<std::string> RfTransferClause(const std::string& label, const std::string& today);

// A row's transfer first claims its requests: their employee code becomes a claim tag of this
// run, which no employee has, so the batch lists (which join the employee file) no longer show
// them to another workstation, and requests a handheld uploads to the batch meanwhile stay out of
// this transfer. The select and the delete below then name the tag in the employee code's place,
// and what the delete leaves under the tag goes back to the employee.
//
// "Update tbRFbjq set f_Zybm='<tag>' WHERE f_Zybm='…' and f_Sj='…' " + clause.
std::string RfClaimSql(const std::string& employee, const std::string& batchTime, const std::string& clause,
                       const std::string& tag);
// "Update tbRFbjq set f_Zybm='<employee>' WHERE f_Zybm='<tag>' and f_Sj='…' ".
std::string RfReleaseSql(const std::string& employee, const std::string& batchTime, const std::string& tag);
// A claim tag: 8 characters like an employee code, beginning with "#", so that it never equals
// one; random, so that two workstations never share one.
std::string RfNewClaimTag();

// "SELECT f_Spbm FROM tbRFBjq WHERE f_Zybm='…' and f_Sj='…' " + clause.
std::string RfBatchSelectSql(const std::string& employee, const std::string& batchTime, const std::string& clause);
// "Delete from tbRFbjq WHERE f_Zybm='…' and f_Sj='…' " + clause. Codes in `keep` (whose feed
// failed without the clerk being told) are left in the table: "And f_Spbm not in ('…') ".
std::string RfBatchDeleteSql(const std::string& employee, const std::string& batchTime, const std::string& clause,
                             const std::vector<std::string>& keep = {});

// A batch time YYYYMMDDHHNNSS as the chooser shows it: YYYY.MM.DD HH:NN:SS. Positions count GBK
// bytes as the stored text does; a short text gives what it has.
std::string RfBatchTimeText(const std::string& batchTime);

// One chooser row, in column order.
struct RfChooserRow {
  std::string employee;   // f_Zybm
  std::string name;       // f_Zymc
  std::string batchTime;  // f_Sj as stored
  std::string shownTime;  // RfBatchTimeText(f_Sj)
  std::string label;      // price type
  std::string count;      // f_Count as a whole number
};
// The row of the current record of a batch-list result. Throws ModuleError when the result lacks
// one of the list's fields.
RfChooserRow RfRowFromRecord(const MemTable& result, RfList list);

// Defines the batch keys of the chooser rows (f_Zybm text 8, f_Zymc text 8, f_Sj text 14) when
// the table has no fields yet, and opens it.
void PrepareRfBatchKeys(MemTable& keys);

}  // namespace pt::queue
