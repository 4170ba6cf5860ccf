#pragma once
// Typed wrappers of the twelve host operations, with the argument shapes the host expects.
// Each returns the host's boolean (20 returns its value). The by-reference argument goes in as
// `ref` and comes back with the host's answer: a value, a data packet, or on false the host's
// error list (an array of message texts, see ComposeHostErrors).
// An exception raised inside the host reaches the caller as a ModuleError.
#include <string>

#include "host/HostService.h"

namespace pt::host {

Variant GetDatabaseType(HostService& h);
bool GetServerMonth(HostService& h, Variant& ref);
bool GetServerDate(HostService& h, Variant& ref);
bool GetServerDateTime(HostService& h, Variant& ref);
bool LookupRows(HostService& h, int selector, Variant& ref);          // 10: selector 1, ref: operator code
bool GetSystemParameters(HostService& h, Variant& ref);
bool GetReportTemplates(HostService& h, const std::string& category, Variant& ref);
bool QueryProducts(HostService& h, int mode, Variant& ref);           // ref: condition packet
bool QueryRows(HostService& h, int selector, Variant& ref);           // 607: selector 7
bool OpenQuery(HostService& h, const std::string& sql, Variant& ref);
bool ExecuteSql(HostService& h, Variant& ref);                        // ref: SQL text
bool ExecuteCommand(HostService& h, Variant& ref);                    // ref: SQL text

// Name of an operation by dispatch id ("QueryProducts"), for traces and messages.
const char* OperationName(int dispId);

}  // namespace pt::host
