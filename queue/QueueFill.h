#pragma once
// Filling the print queue from the host's answers, as the main window and the print command do
// it: the condition record every product request carries, and rows of a product answer added
// to the queue.
#include <string>

#include "common/MemTable.h"
#include "common/Variant.h"

namespace pt::queue {

// Puts the condition, the option "原销售单价" ("1" or "0") and the department SQL into the one row
// of the condition record `cdsSend` and returns its packet, ready for QueryProducts.
Variant ConditionPacket(MemTable& send, const std::string& condition, bool originalPrice, const std::string& deptSql);

// Appends every row of a product answer to the queue, field by field by name (a field the
// queue lacks throws ModuleError before anything is added; a row that fails is cancelled).
void AppendRows(const MemTable& found, MemTable& queue);

}  // namespace pt::queue
