#pragma once
// A host data service for tests: answers by script and keeps every call with its arguments.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/Variant.h"
#include "host/HostService.h"

namespace pt::test {

class RecordingHost final : public HostService {
 public:
  struct Call {
    int dispId;
    std::vector<Variant> argsIn;   // as the module passed them
    std::vector<Variant> argsOut;  // as the host left them
    Variant result;
  };
  // One scripted answer: the result and, when set, the value left in the last (by-reference)
  // argument.
  struct Answer {
    Variant result;
    bool setRef = false;
    Variant ref;
  };
  using Handler = std::function<Variant(std::vector<Variant>& args)>;

  void AddRef() override { ++refs_; }
  void Release() override { --refs_; }
  int refs() const { return refs_; }

  // Answers for an operation are used in order; the last one repeats.
  void Queue(int dispId, Answer a) { answers_[dispId].push_back(std::move(a)); }
  void Succeed(int dispId, Variant refOut) { Queue(dispId, {Variant(true), true, std::move(refOut)}); }
  void Fail(int dispId, std::vector<std::string> messages);
  void Raise(int dispId, std::string message) { Queue(dispId, {Variant::MakeError(std::move(message)), false, {}}); }
  // A handler decides the answer itself (wins over queued answers).
  void Handle(int dispId, Handler h) { handlers_[dispId] = std::move(h); }

  Variant Invoke(int dispId, std::vector<Variant>& args) override;

  const std::vector<Call>& calls() const { return calls_; }
  std::vector<Call> CallsOf(int dispId) const;
  void ClearCalls() { calls_.clear(); }

 private:
  int refs_ = 0;
  std::map<int, std::deque<Answer>> answers_;
  std::map<int, Handler> handlers_;
  std::vector<Call> calls_;
};

// Builds a data packet from field names/types and rows, for scripted answers.
std::string MakePacket(const std::vector<std::pair<std::string, int>>& fields,  // name, FieldType as int
                       const std::vector<std::vector<Variant>>& rows);

}  // namespace pt::test

namespace pt::test {

// Forwards every call to a real host service and keeps it, with its arguments, like
// RecordingHost does for scripted answers.
class RecordingProxy final : public HostService {
 public:
  explicit RecordingProxy(HostService& inner) : inner_(inner) {}
  void AddRef() override { inner_.AddRef(); ++refs_; }
  void Release() override { --refs_; inner_.Release(); }
  int refs() const { return refs_; }
  Variant Invoke(int dispId, std::vector<Variant>& args) override {
    RecordingHost::Call c;
    c.dispId = dispId;
    c.argsIn = args;
    c.result = inner_.Invoke(dispId, args);
    c.argsOut = args;
    calls_.push_back(c);
    return c.result;
  }
  const std::vector<RecordingHost::Call>& calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }

 private:
  HostService& inner_;
  int refs_ = 0;
  std::vector<RecordingHost::Call> calls_;
};

}  // namespace pt::test
