#pragma once
// The host's product price query behind QueryProducts (see docs/host.md for what each mode
// multiplies). The module sends a condition over tbSpda as `da` and tbSptm as `tm`, the option
// "previous sale price" and a department SELECT; the host picks the product rows, then the
// current and next promotions by the server date, the time-limited sale, quantity pricing,
// stock and the previous sale price of each row.
#include <string>
#include <vector>

#include "common/DataPacket.h"
#include "hostapp/HostDatabase.h"

namespace pt::hostapp {

struct ProductCondition {
  std::string tj;       // f_Tj: the condition (modes 5/6: the product code)
  std::string yxsdj;    // f_Yxsdj: "1" asks for the previous sale price
  std::string deptSql;  // f_DeptSql: department SELECT joined as `dept` (modes 5/6: the department code)
};

// Reads the condition packet (fields matched without regard to case). Throws ModuleError with
// a message for the clerk when the packet is not one.
ProductCondition ReadCondition(const Variant& ref);

// The fields of a queue packet: the queue record without f_cf and f_jekz, in record order.
const std::vector<PacketField>& QueueFields();
// The fields of a promotion history packet.
const std::vector<PacketField>& HistoryFields();

// Modes 1, 2, 3, 4 and 7. Throws SqlError (a statement the database refused) or ModuleError.
std::string QueryQueueRows(HostDatabase& db, int mode, const ProductCondition& cond);
// Modes 5 (ordinary, member = false) and 6 (member = true).
std::string QueryPromotionHistory(HostDatabase& db, bool member, const ProductCondition& cond);

}  // namespace pt::hostapp
