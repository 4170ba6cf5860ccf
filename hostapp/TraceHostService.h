#pragma once
// A call trace of the data service: a decorator that appends one JSON line (UTF-8) per call to
// a file, written before the call returns to the module, so a crash or a kill leaves every
// completed call in the file. The file is opened for appending and never truncated.
//
// A record: {"time": workstation time of the call, "seq": call number, "disp": dispatch id,
// "op": operation name, "args": every argument as the module passed it, "result": true/false or
// the returned value (an exception the host raised as {"error": text}), then "rows" (the packet
// returned by reference), "value" (a value returned by reference) or "errors" (the error list),
// and "ms": elapsed milliseconds}.
// Arguments: texts whole (SQL included); a data packet as {"fields": [...], "rows": n}, and for
// a one-record packet (the condition record) also "record": {field: value}; an array as its
// items. Packets that do not decode appear as {"packet": "damaged", "bytes": n}.
#include <cstdint>
#include <string>
#include <vector>

#include "host/HostService.h"

namespace pt::hostapp {

class TraceHostService final : public HostService {
 public:
  // Throws std::runtime_error naming the file and the system's reason when it cannot be opened.
  TraceHostService(HostService& inner, const std::string& path);
  ~TraceHostService();
  TraceHostService(const TraceHostService&) = delete;
  TraceHostService& operator=(const TraceHostService&) = delete;

  void AddRef() override { inner_.AddRef(); }
  void Release() override { inner_.Release(); }
  Variant Invoke(int dispId, std::vector<Variant>& args) override;

  const std::string& path() const { return path_; }

 private:
  void Append(const std::string& line);

  HostService& inner_;
  std::string path_;
  int fd_ = -1;
  int64_t seq_ = 0;
  bool warned_ = false;
};

// The trace file to use: the --trace option, else PRICETAG_HOST_TRACE, else none.
std::string ChooseTraceFile(const std::string& option);

}  // namespace pt::hostapp
