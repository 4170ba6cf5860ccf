// The in-memory table at queue size: loading a 50,000-row packet of the 66 queue fields, an
// index over two fields, and the memory the whole table takes.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <random>

#include "common/MemTable.h"
#include "queue/QueueRecord.h"

namespace {

constexpr int kRows = 50000;

// A packet as the host sends it: every queue field filled the way a real product row is.
const std::string& QueuePacket() {
  static const std::string packet = [] {
    pt::MemTable t;
    pt::queue::DefineQueueFields(t);
    t.CreateDataSet();
    std::mt19937 rng(7);
    const char* names[] = {"可口可乐汽水500毫升瓶装", "农夫山泉天然饮用水550ml", "蒙牛纯牛奶250ml利乐包",
                           "康师傅红烧牛肉面五连包", "金龙鱼黄金比例食用调和油5L"};
    for (int i = 0; i < kRows; ++i) {
      t.Append();
      for (int f = 0; f < t.FieldCount(); ++f) {
        const pt::FieldDef& d = t.Field(f);
        if (!d.inPacket) continue;
        switch (d.type) {
          case pt::FieldType::Text:
            if (d.size == 8) t.Set(f, "2024" + std::to_string(1001 + rng() % 200));
            else if (d.size >= 60) t.Set(f, names[rng() % 5]);
            else t.Set(f, std::to_string(100000 + rng() % 900000));
            break;
          case pt::FieldType::Float: t.Set(f, static_cast<double>(rng() % 100000) / 100.0); break;
          case pt::FieldType::Integer: t.Set(f, static_cast<int64_t>(rng() % 365)); break;
          case pt::FieldType::Boolean: t.Set(f, rng() % 2 == 0); break;
        }
      }
      t.Post();
    }
    return t.ToPacket();
  }();
  return packet;
}

void BM_LoadQueuePacket(benchmark::State& state) {
  const std::string& packet = QueuePacket();
  for (auto _ : state) {
    pt::MemTable t("cdsSpda");
    pt::queue::DefineQueueFields(t);
    t.CreateDataSet();
    t.LoadPacket(packet);
    benchmark::DoNotOptimize(t.RecordCount());
  }
  state.counters["packet_MB"] = static_cast<double>(packet.size()) / 1e6;
}
BENCHMARK(BM_LoadQueuePacket)->Unit(benchmark::kMillisecond);

void BM_IndexOnTwoFields(benchmark::State& state) {
  pt::MemTable t("cdsSpda");
  pt::queue::DefineQueueFields(t);
  t.CreateDataSet();
  t.LoadPacket(QueuePacket());
  bool flip = false;
  for (auto _ : state) {
    t.AddIndex("customindex", flip ? "f_Spmc;f_Xsdj" : "f_bmbm;f_Xsdj", "f_Xsdj", true);
    t.SetIndexName("customindex");
    t.SetIndexName("");
    flip = !flip;
  }
}
BENCHMARK(BM_IndexOnTwoFields)->Unit(benchmark::kMillisecond);

// Heap in use by a loaded 50,000-row queue (mallinfo2: bytes the allocator has handed out).
void BM_QueueMemory(benchmark::State& state) {
  QueuePacket();
  double mb = 0;
  for (auto _ : state) {
    const size_t before = mallinfo2().uordblks;
    auto* t = new pt::MemTable("cdsSpda");
    pt::queue::DefineQueueFields(*t);
    t->CreateDataSet();
    t->LoadPacket(QueuePacket());
    const size_t after = mallinfo2().uordblks;
    mb = static_cast<double>(after - before) / (1024.0 * 1024.0);
    delete t;
  }
  state.counters["table_MiB"] = mb;
}
BENCHMARK(BM_QueueMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
