#pragma once
// What the PostgreSQL translation of the module's SQL calls, installed in the database once:
// the collation ci, the date functions (pt_datetime, pt_datediff, pt_dateadd, pt_datepart,
// pt_datename, getdate), CONVERT styles (pt_convert), len, charindex, pt_replace, "+" on texts,
// round of a float, object_id and the views syscolumns / sysobjects.
namespace pt::hostapp {

const char* PgSupportSql();

}  // namespace pt::hostapp
