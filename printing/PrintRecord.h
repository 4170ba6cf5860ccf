#pragma once
// The print record `cdsPrint` and the label price rules: one print record per queue row, in
// queue order, with the promotion period chosen in the print settings and the seven-day lowest
// prices that may appear on a label.
#include <string>
#include <vector>

#include "common/MemTable.h"

namespace pt::printing {

// `cdsPrint`: the fields label templates address ([cdsPrint."f_Spbm"] and so on).
void DefinePrintFields(MemTable& t);

// A seven-day lowest price reaches the label only when it equals the sale price to within
// 0.005; otherwise, and when it is missing, the label gets 0 (never an empty field).
Variant SevenDayPrice(const Variant& lowest, const Variant& salePrice);

struct PrintSettings {
  std::string labelGrade = "合格";      // "Spdj"
  std::string reductionReason = "酬宾";  // "Jjyy"
  std::string periodChoice = "0";       // "Dytj": "0" current period, anything else the next
};
// Reads "Spdj", "Jjyy" and "Dytj" from the settings file. A directory without a final
// backslash gets one, so an empty directory reads the file beside the host's executable.
PrintSettings LoadPrintSettings(const std::string& file, const std::string& section, std::string directory);

inline constexpr const char* kSettingsFile = "Tallmerpos.ini";
inline constexpr const char* kSettingsSection = "SpBjqDy";

// Turns queue rows into print records (the fields taken as they stand, the two seven-day rules
// and the period rule), with the field positions of both tables resolved once. Rows are read by
// position, so the queue's current row never moves.
class PrintRecordFiller {
 public:
  // Throws ModuleError when either table lacks a field the record needs.
  PrintRecordFiller(const MemTable& queue, const MemTable& print, const std::string& periodChoice);
  // Appends the record of the queue's visible row `row` (0-based) to `print` and posts it. When
  // a value fails, the record stays appended (unposted) with what it had and the error goes on.
  void Append(const MemTable& queue, int row, MemTable& print) const;

 private:
  struct Copy { int to; int from; };
  std::vector<Copy> copies_;
  std::vector<Copy> period_;
  bool current_;
  int toJgfs_, fromJgfs_, toXsdj_, toQ7_, toXsxlQ7_, fromXsxlQ7_;
};

// Fills `print` from every queue row. The queue's current row, its controls and the caller's
// detail-refresh flag are restored on every way out. A row that fails stops the pass: the
// record being filled is kept with what it had, the failure's text is returned in `failure`
// and the records made so far stay. Returns true when every row was copied.
bool FillPrintRecords(MemTable& queue, MemTable& print, const std::string& periodChoice, bool& detailRefresh,
                      std::string& failure);

}  // namespace pt::printing
