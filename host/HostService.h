#pragma once
// The host data service as the module sees it: one late-bound dispatch surface. Arguments are
// positional; every argument is passed by reference, so an operation's "Ref" argument carries
// its input in and its result (or the host's error list) out.
//
// Implementations must not throw: a failure inside the host is a false result with an error
// list, and an exception the host would have raised is returned as Variant::MakeError(text).
#include <utility>
#include <vector>

#include "common/Variant.h"

namespace pt {

class HostService {
 public:
  virtual void AddRef() = 0;
  virtual void Release() = 0;
  virtual Variant Invoke(int dispId, std::vector<Variant>& args) = 0;

 protected:
  ~HostService() = default;
};

// Dispatch identifiers of the operations the module calls.
namespace disp {
constexpr int GetDatabaseType = 20;
constexpr int GetServerMonth = 4;
constexpr int GetServerDate = 5;
constexpr int GetServerDateTime = 6;
constexpr int LookupRows = 10;
constexpr int GetSystemParameters = 100;
constexpr int GetReportTemplates = 17;
constexpr int QueryProducts = 143;
constexpr int QueryRows = 607;
constexpr int OpenQuery = 1610743808;
constexpr int ExecuteSql = 852;
constexpr int ExecuteCommand = 2;
}  // namespace disp

// A counted reference to a host service: AddRef on taking, Release on dropping.
class HostRef {
 public:
  HostRef() = default;
  explicit HostRef(HostService* s) : s_(s) { if (s_) s_->AddRef(); }
  HostRef(const HostRef& o) : HostRef(o.s_) {}
  HostRef(HostRef&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
  HostRef& operator=(HostRef o) noexcept { std::swap(s_, o.s_); return *this; }
  ~HostRef() { if (s_) s_->Release(); }
  void Reset() { HostRef().swap(*this); }
  void swap(HostRef& o) noexcept { std::swap(s_, o.s_); }
  HostService* get() const { return s_; }
  HostService* operator->() const { return s_; }
  HostService& operator*() const { return *s_; }
  explicit operator bool() const { return s_ != nullptr; }

 private:
  HostService* s_ = nullptr;
};

}  // namespace pt
