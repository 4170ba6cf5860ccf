#pragma once
// The field layouts of the main window's tables: the print queue, the promotion histories, the
// condition record and the query field source. The host fills the queue by field name and label
// templates address the same names, so names (dotted ones included) are fixed.
#include <optional>
#include <string>

#include "common/MemTable.h"

namespace pt::queue {

// `cdsSpda`: 67 fields; f_cf, f_jekz and the copies f_Dyfs are kept by the table only, never
// part of a packet.
void DefineQueueFields(MemTable& t);

// "打印份数": how many labels the print pass makes of a row, next to each other. New rows and rows
// from the host hold 1; the field refuses anything but a whole number from 1 to 999.
inline constexpr const char* kCopiesField = "f_Dyfs";
inline constexpr int kMaxCopies = 999;
// The copies a value stands for; none when the field refuses it.
std::optional<int> CopiesValue(const Variant& value);
// "打印份数“abc”无效：请输入 1 到 999 之间的整数"
std::string CopiesRefusedMessage(const Variant& value);
// `cdsPTTJ` / `cdsHYTJ`: one product's ordinary or member promotion history.
void DefineHistoryFields(MemTable& t);
// `cdsSend`: the condition record of every product request.
void DefineConditionFields(MemTable& t);
// `cdsSearch`: the fields the query dialog offers, with the tags that pick their aliases.
void DefineSearchFields(MemTable& t);

// The alias text the query dialog qualifies `cdsSearch` fields with (tag 1 da, 2 tm, ...).
inline constexpr const char* kSearchAliases = " da,tm,Yhj,tj,plzj";

}  // namespace pt::queue
