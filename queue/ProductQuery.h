#pragma once
// Composition of the product requests the print queue sends to the host: the query mode, the
// product subquery wrapped around a free condition, the code-entry and import conditions, and
// the amount-controlled import lines. Pure functions: the windows call them and send the texts.
#include <string>
#include <vector>

#include "common/MemTable.h"

namespace pt::queue {

// Restricts a request to products whose business status allows sale; appended for every unit
// type other than "00".
inline constexpr const char* kSaleClause =
    " and da.f_Spbm in (select f_spbm from tblsdkz k,tbspjyztda z where k.f_jyztbm=z.f_jyztbm and f_yxxs=1) ";

// Mode of QueryProducts from "多条码", "多包装率" and the unit type.
int QueryMode(bool multiBarcode, bool multiPackage, const std::string& unitType);

// The department check: at headquarters (unit type "00") fewer than two chosen entries means
// no department is ticked.
bool DepartmentMissing(const std::string& unitType, size_t chosenDeptNodes);
inline constexpr const char* kChooseDeptFirst = "请先选择部门！";

// The condition as it goes to the host for a free query: the product subquery with only the
// joins the condition names, the sale clause for unit types other than "00", and the field-name
// substitutions of the dialog's quantity-pricing and promotion columns.
std::string ComposeProductCondition(const std::string& condition, const std::string& unitType,
                                    const std::string& yearMonth);

// A value placed between single quotes in SQL text: its own quotes doubled.
std::string QuoteSql(const std::string& value);

// Lookup categories of the code entry (`cboLb`) and of the import menu.
enum class CodeKind { ProductCode = 0, ArticleNumber = 1, Barcode = 2 };
const char* CodeKindCaption(CodeKind kind);  // "商品编码", "商品货号", "商品条码"

// " da.f_Spbm='…' ", " da.f_Sphh='…' " or " tm.f_Sptm='…' ".
std::string CodeEntryCondition(CodeKind kind, const std::string& code);
// "档案中无商品编码为…的商品或商品不允许销售!"
std::string CodeNotFoundMessage(CodeKind kind, const std::string& code);

// The list condition of a code-file import. Blanks around a line and a carriage return at its
// end are not part of the code (files saved on Windows, codes typed with a trailing blank); a
// code already in the list is not added again (whole codes are compared, so 123 after 1234 is
// kept).
class ImportCodeList {
 public:
  void Add(const std::string& line);
  bool Empty() const { return codes_.empty(); }
  size_t size() const { return codes_.size(); }
  const std::vector<std::string>& Codes() const { return codes_; }  // in file order
  // " da.f_Spbm in ('a','b')" etc.
  std::string Condition(CodeKind kind) const;

 private:
  std::vector<std::string> codes_;
  std::vector<std::string> sorted_;  // for the duplicate test
};

// The codes of an import that no row of `rows` (the query's result, also rows a filter hides)
// carries in the field of the lookup kind: f_Spbm, f_Sphh or f_Sptm. Compared as the server
// compares texts, without regard to letter case or trailing blanks; empty codes (blank lines)
// are left out. In file order.
std::vector<std::string> CodesNotReturned(const ImportCodeList& list, CodeKind kind, const MemTable& rows);

// A product may be queued under another of its barcodes than the one imported (one row per
// product, or per package unit). The statement that names the product of each of the barcodes,
// and of those barcodes the ones whose product (f_spbm in `owners`, rows of f_sptm and f_spbm)
// is not among the rows either.
std::string BarcodeOwnersSql(const std::vector<std::string>& barcodes);
std::vector<std::string> BarcodesWithoutProduct(const std::vector<std::string>& barcodes, const MemTable& owners,
                                                const MemTable& rows);

// What the clerk is told of the codes that found no product: how many of how many (blank lines
// are not codes), the first
// kMissingCodesShown of them, and the question whether to save the full list.
inline constexpr size_t kMissingCodesShown = 20;
std::string MissingCodesMessage(CodeKind kind, size_t imported, const std::vector<std::string>& missing);

// One line of an amount-controlled import ("金额控制商品导入").
struct AmountLine {
  std::vector<std::string> items;  // trimmed items, at least nine
  double price = 0;                // item 9
};
enum class AmountLineStatus { Ok, BadFormat, BadPrice };
// Parses the trimmed, non-blank line at position `ordinal` (1-based among the non-blank lines).
// On failure `message` holds the clerk's message: the format message when there are fewer than
// nine items, the price message when item 9 is not a real number (the items are then filled,
// since the line's grade is taken before its price is read).
AmountLineStatus ParseAmountLine(const std::string& trimmedLine, int ordinal, AmountLine& out,
                                 std::string& message);

}  // namespace pt::queue
