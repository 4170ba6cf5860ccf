#include "tests/support/RecordingHost.h"

#include "common/DataPacket.h"

namespace pt::test {

void RecordingHost::Fail(int dispId, std::vector<std::string> messages) {
  std::vector<Variant> items;
  for (auto& m : messages) items.emplace_back(std::move(m));
  Queue(dispId, {Variant(false), true, Variant::MakeArray(std::move(items))});
}

Variant RecordingHost::Invoke(int dispId, std::vector<Variant>& args) {
  Call c;
  c.dispId = dispId;
  c.argsIn = args;
  Variant result;
  auto h = handlers_.find(dispId);
  if (h != handlers_.end()) {
    result = h->second(args);
  } else {
    auto it = answers_.find(dispId);
    if (it == answers_.end() || it->second.empty()) {
      result = Variant(false);
      if (!args.empty()) args.back() = Variant::MakeArray({Variant("no scripted answer for " + std::to_string(dispId))});
    } else {
      Answer a = it->second.front();
      if (it->second.size() > 1) it->second.pop_front();
      result = a.result;
      if (a.setRef && !args.empty()) args.back() = a.ref;
    }
  }
  c.argsOut = args;
  c.result = result;
  calls_.push_back(std::move(c));
  return result;
}

std::vector<RecordingHost::Call> RecordingHost::CallsOf(int dispId) const {
  std::vector<Call> out;
  for (const auto& c : calls_)
    if (c.dispId == dispId) out.push_back(c);
  return out;
}

std::string MakePacket(const std::vector<std::pair<std::string, int>>& fields,
                       const std::vector<std::vector<Variant>>& rows) {
  std::vector<PacketField> defs;
  for (const auto& [name, type] : fields) defs.push_back({name, static_cast<FieldType>(type), type == 1 ? 255u : 0u});
  PacketWriter w(defs);
  for (const auto& r : rows) w.AddRow(r);
  return w.Finish();
}

}  // namespace pt::test
