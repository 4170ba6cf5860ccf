#pragma once
// The designer's sample records: real products of the host database, looked up through the
// host's own product query and made into print records by the print pass's record builder, so
// the preview shows what the main window would print.
#include <string>
#include <string_view>
#include <vector>

#include "common/MemTable.h"
#include "hostapp/HostDatabase.h"
#include "report_engine/Expression.h"

namespace pt::designer {

// Codes separated by blanks, commas, semicolons or line breaks; each once, in order.
std::vector<std::string> SplitCodes(std::string_view text);

// Fills `print` (given the print record's fields here) with the products whose product code or
// barcode is in `codes`, in the host's order, or with the first `firstProducts` products when
// there are no codes. Returns the codes no product answered to. Throws SqlError / ModuleError.
std::vector<std::string> LoadPreviewRecords(hostapp::HostDatabase& db, const std::vector<std::string>& codes,
                                            int firstProducts, MemTable& print);

// The variables the print pass sets, with the values a clerk's first print would have: the
// default grade and reduction reason, no remark, the server date.
report::VariableList PreviewVariables(hostapp::HostDatabase& db);

}  // namespace pt::designer
