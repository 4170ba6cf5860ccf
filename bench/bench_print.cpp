// The print pass over a 50,000-row queue: one print record per row with the period and the
// seven-day price rules.
#include <benchmark/benchmark.h>

#include <random>

#include "printing/PrintRecord.h"
#include "queue/QueueRecord.h"

namespace {

void FillQueue(pt::MemTable& q, int rows) {
  pt::queue::DefineQueueFields(q);
  q.CreateDataSet();
  std::mt19937 rng(11);
  for (int i = 0; i < rows; ++i) {
    q.Append();
    q.Set("f_Spbm", std::to_string(100000 + i));
    q.Set("f_Spmc", "可口可乐汽水500毫升瓶装");
    q.Set("f_Sptm", "69" + std::to_string(10000000000 + i));
    const double price = static_cast<double>(rng() % 10000) / 100.0;
    q.Set("f_Xsdj", price);
    q.Set("f_BqPtQsrq", "20241201");
    q.Set("f_BqPtJsrq", "20241231");
    q.Set("f_BqPtXsdj", price * 0.9);
    q.Set("f_Bqq7yxsdj", rng() % 2 ? price : price + 1);
    q.Set("xsxl.f_q7yxsdj", price);
    q.Set("f_Bqjgfs", "0");
    q.Post();
  }
}

void BM_PrintPass50k(benchmark::State& state) {
  pt::MemTable queue("cdsSpda");
  FillQueue(queue, 50000);
  pt::MemTable print("cdsPrint");
  pt::printing::DefinePrintFields(print);
  print.CreateDataSet();
  bool detail = true;
  std::string failure;
  for (auto _ : state) {
    pt::printing::FillPrintRecords(queue, print, "0", detail, failure);
    benchmark::DoNotOptimize(print.RecordCount());
  }
  state.counters["records"] = print.RecordCount();
}
BENCHMARK(BM_PrintPass50k)->Unit(benchmark::kMillisecond);

}  // namespace
