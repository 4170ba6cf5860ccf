#include "host/HostOperations.h"

#include "common/ModuleError.h"

namespace pt::host {

namespace {

Variant Call(HostService& h, int dispId, std::vector<Variant>& args) {
  Variant result = h.Invoke(dispId, args);
  if (result.IsError()) throw ModuleError(result.AsError());
  return result;
}

bool CallBool(HostService& h, int dispId, std::vector<Variant>& args) {
  return Call(h, dispId, args).ToBool();
}

bool RefOnly(HostService& h, int dispId, Variant& ref) {
  std::vector<Variant> args{ref};
  bool ok = CallBool(h, dispId, args);
  ref = std::move(args[0]);
  return ok;
}

bool LeadAndRef(HostService& h, int dispId, Variant lead, Variant& ref) {
  std::vector<Variant> args{std::move(lead), ref};
  bool ok = CallBool(h, dispId, args);
  ref = std::move(args[1]);
  return ok;
}

}  // namespace

Variant GetDatabaseType(HostService& h) {
  std::vector<Variant> args;
  return Call(h, disp::GetDatabaseType, args);
}

bool GetServerMonth(HostService& h, Variant& ref) { return RefOnly(h, disp::GetServerMonth, ref); }
bool GetServerDate(HostService& h, Variant& ref) { return RefOnly(h, disp::GetServerDate, ref); }
bool GetServerDateTime(HostService& h, Variant& ref) { return RefOnly(h, disp::GetServerDateTime, ref); }
bool LookupRows(HostService& h, int selector, Variant& ref) { return LeadAndRef(h, disp::LookupRows, selector, ref); }
bool GetSystemParameters(HostService& h, Variant& ref) { return RefOnly(h, disp::GetSystemParameters, ref); }
bool GetReportTemplates(HostService& h, const std::string& category, Variant& ref) {
  return LeadAndRef(h, disp::GetReportTemplates, category, ref);
}
bool QueryProducts(HostService& h, int mode, Variant& ref) { return LeadAndRef(h, disp::QueryProducts, mode, ref); }
bool QueryRows(HostService& h, int selector, Variant& ref) { return LeadAndRef(h, disp::QueryRows, selector, ref); }
bool OpenQuery(HostService& h, const std::string& sql, Variant& ref) { return LeadAndRef(h, disp::OpenQuery, sql, ref); }
bool ExecuteSql(HostService& h, Variant& ref) { return RefOnly(h, disp::ExecuteSql, ref); }
bool ExecuteCommand(HostService& h, Variant& ref) { return RefOnly(h, disp::ExecuteCommand, ref); }

const char* OperationName(int dispId) {
  switch (dispId) {
    case disp::GetDatabaseType: return "GetDatabaseType";
    case disp::GetServerMonth: return "GetServerMonth";
    case disp::GetServerDate: return "GetServerDate";
    case disp::GetServerDateTime: return "GetServerDateTime";
    case disp::LookupRows: return "LookupRows";
    case disp::GetSystemParameters: return "GetSystemParameters";
    case disp::GetReportTemplates: return "GetReportTemplates";
    case disp::QueryProducts: return "QueryProducts";
    case disp::QueryRows: return "QueryRows";
    case disp::OpenQuery: return "OpenQuery";
    case disp::ExecuteSql: return "ExecuteSql";
    case disp::ExecuteCommand: return "ExecuteCommand";
    default: return "Unknown";
  }
}

}  // namespace pt::host
