#pragma once
// The host data service of the stand-in host: the twelve operations the module calls, answered
// from its database (SQLite or PostgreSQL, HostDatabase.h) with the argument shapes of
// host/HostOperations.cpp. Statements that change data run in one transaction per call: a
// batch that fails changes nothing. Every operation
// returns true or false; on false its by-reference argument holds the error list (an array of
// message texts, the database's own message first). A call with the wrong number of arguments
// or an unknown dispatch id is what a late-bound call would raise: Variant::MakeError.
#include <atomic>
#include <string>
#include <vector>

#include "host/HostService.h"
#include "hostapp/HostDatabase.h"

namespace pt::hostapp {

class DbHostService final : public HostService {
 public:
  // The database must outlive the service. The current month's monthly tables are created
  // when missing, as the server's month roll-over does.
  explicit DbHostService(HostDatabase& db);
  ~DbHostService() = default;

  void AddRef() override { refs_.fetch_add(1); }
  void Release() override { refs_.fetch_sub(1); }
  Variant Invoke(int dispId, std::vector<Variant>& args) override;

  // Counted references taken by callers (the module holds one while it is loaded).
  int RefCount() const { return refs_.load(); }
  HostDatabase& database() { return db_; }

 private:
  Variant Dispatch(int dispId, std::vector<Variant>& args);
  std::string DepartmentTree(const std::string& operatorCode);

  HostDatabase& db_;
  std::atomic<int> refs_{0};
};

// The name the service had while SQLite was its only back end.
using SqliteHostService = DbHostService;

// Error list of a failure: the messages as an array of texts.
Variant ErrorList(const std::vector<std::string>& messages);

}  // namespace pt::hostapp
