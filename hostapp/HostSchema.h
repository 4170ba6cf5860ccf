#pragma once
// The server tables the module's SQL reads or changes, as the stand-in host keeps them. Text
// columns are collated CI (HostDatabase.h), so comparisons behave as on a case-insensitive SQL
// Server collation. See docs/host.md for what each table holds.
#include <string>
#include <string_view>
#include <vector>

#include "hostapp/HostDatabase.h"

namespace pt::hostapp {

// Creates every fixed table and index that is missing. The reference-price columns f_q7yxsdj,
// f_q8yxsdj and f_yxsdjbz of tbsptj and tbxsxl are not created: the module's pre-promotion
// price window adds them when it first runs, as it does on a real server.
void CreateSchema(HostDatabase& db);

// The monthly table suffixes, in creation order ("_Yhj", "_sptj", ...).
const std::vector<std::string>& MonthlySuffixes();

// Creates the monthly tables "tb" + YYYYMM + suffix of one month that are missing.
void CreateMonthTables(HostDatabase& db, std::string_view yyyymm);

}  // namespace pt::hostapp
