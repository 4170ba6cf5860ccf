#pragma once
// The field layouts of the main window's tables: the print queue, the promotion histories, the
// condition record and the query field source. The host fills the queue by field name and label
// templates address the same names, so names (dotted ones included) are fixed.
#include "common/MemTable.h"

namespace pt::queue {

// `cdsSpda`: 66 fields; f_cf and f_jekz are kept by the table only, never part of a packet.
void DefineQueueFields(MemTable& t);
// `cdsPTTJ` / `cdsHYTJ`: one product's ordinary or member promotion history.
void DefineHistoryFields(MemTable& t);
// `cdsSend`: the condition record of every product request.
void DefineConditionFields(MemTable& t);
// `cdsSearch`: the fields the query dialog offers, with the tags that pick their aliases.
void DefineSearchFields(MemTable& t);

// The alias text the query dialog qualifies `cdsSearch` fields with (tag 1 da, 2 tm, ...).
inline constexpr const char* kSearchAliases = " da,tm,Yhj,tj,plzj";

}  // namespace pt::queue
