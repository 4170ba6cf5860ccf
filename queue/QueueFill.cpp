#include "queue/QueueFill.h"

#include <vector>

namespace pt::queue {

Variant ConditionPacket(MemTable& send, const std::string& condition, bool originalPrice, const std::string& deptSql) {
  send.First();
  send.Edit();
  send.Set("f_Tj", condition);
  send.Set("f_Yxsdj", originalPrice ? "1" : "0");
  send.Set("f_DeptSql", deptSql);
  send.Post();
  return Variant::MakePacket(send.ToPacket());
}

void AppendRows(const MemTable& found, MemTable& queue) {
  // Field positions of the queue for each returned field, resolved once.
  std::vector<int> target(static_cast<size_t>(found.FieldCount()));
  for (int f = 0; f < found.FieldCount(); ++f) target[static_cast<size_t>(f)] = queue.FieldIndexOrThrow(found.Field(f).name);
  try {
    for (int r = 0; r < found.RecordCount(); ++r) {
      queue.Append();
      for (int f = 0; f < found.FieldCount(); ++f) queue.Set(target[static_cast<size_t>(f)], found.CellAt(r, f));
      queue.Post();
    }
  } catch (...) {
    if (queue.state() == MemTable::State::Insert) queue.Cancel();
    throw;
  }
}

}  // namespace pt::queue
