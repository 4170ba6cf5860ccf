// The two report windows offscreen on the stand-in host's SQLite data service (10,000 products,
// 100,000 sales lines): a "本期" reference-price search from unset prices and the same search
// once everything is final; the promotion detail list taking a queue of 10,000 rows with a
// filter, and preparing its preview.
#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "common/IniFile.h"
#include "common/MemTable.h"
#include "common/UiSeam.h"
#include "hostapp/HostDatabase.h"
#include "hostapp/SeedData.h"
#include "hostapp/SqliteHostService.h"
#include "module/ModuleSession.h"
#include "queue/QueueRecord.h"
#include "reports/UnitSearch.h"
#include "reports/Unityjg.h"

namespace {

constexpr const char* kDate = "20241210";

// Counts messages and modal dialogs instead of showing them.
class BenchUi : public pt::ui::UiHandler {
 public:
  int messages = 0;
  int dialogs = 0;
  int Message(const pt::ui::MessageRequest&) override { ++messages; return pt::ui::kResultOk; }
  int ExecModal(QDialog*) override { ++dialogs; return pt::ui::kResultOk; }
};

struct World {
  QTemporaryDir dir;
  std::string seeded;
  BenchUi ui;
  World() {
    pt::SetHostExecutableDirForTesting(dir.path().toStdString());
    pt::ui::InstallHandler(&ui);
    seeded = dir.path().toStdString() + "/seed.db";
    pt::hostapp::HostDatabase db(seeded, pt::hostapp::ServerClock::Pinned(kDate));
    pt::hostapp::SeedOptions o;
    o.products = 10000;
    o.serverDate = kDate;
    o.unitType = "02";
    pt::hostapp::SeedDatabase(db, o);
  }
};

World& TheWorld() {
  static World w;
  return w;
}

// A fresh copy of the seeded database behind the session's data service.
struct Host {
  std::unique_ptr<pt::hostapp::HostDatabase> db;
  std::unique_ptr<pt::hostapp::DbHostService> service;
  explicit Host(const std::string& name) {
    const std::string path = TheWorld().dir.path().toStdString() + "/" + name;
    std::filesystem::copy_file(TheWorld().seeded, path, std::filesystem::copy_options::overwrite_existing);
    db = std::make_unique<pt::hostapp::HostDatabase>(path, pt::hostapp::ServerClock::Pinned(kDate));
    service = std::make_unique<pt::hostapp::DbHostService>(*db);
    pt::session::HostService = pt::HostRef(service.get());
  }
  ~Host() { pt::session::HostService.Reset(); }
};

void BM_ReferencePriceSearchFromUnsetPrices(benchmark::State& state) {
  World& w = TheWorld();
  int rows = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto host = std::make_unique<Host>("first.db");
    w.ui.messages = 0;
    state.ResumeTiming();
    pt::TFrmyjg window(nullptr, kDate);
    window.btnsearch->click();
    rows = window.cdsPrint.RecordCount();
    state.PauseTiming();
    if (w.ui.messages) state.SkipWithError("the search reported a failure");
    host.reset();
    state.ResumeTiming();
  }
  state.counters["listed"] = rows;
}
BENCHMARK(BM_ReferencePriceSearchFromUnsetPrices)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReferencePriceSearchAllFinal(benchmark::State& state) {
  World& w = TheWorld();
  Host host("final.db");
  w.ui.messages = 0;
  { pt::TFrmyjg(nullptr, kDate).btnsearch->click(); }
  int rows = 0;
  for (auto _ : state) {
    pt::TFrmyjg window(nullptr, kDate);
    window.btnsearch->click();
    rows = window.cdsPrint.RecordCount();
  }
  if (w.ui.messages) state.SkipWithError("the search reported a failure");
  state.counters["listed"] = rows;
}
BENCHMARK(BM_ReferencePriceSearchAllFinal)->Unit(benchmark::kMillisecond);

// A queue of 10,000 rows, a third of them filtered out.
pt::MemTable& Queue() {
  static pt::MemTable q("cdsSpda");
  if (!q.Active()) {
    pt::queue::DefineQueueFields(q);
    q.CreateDataSet();
    for (int i = 0; i < 10000; ++i) {
      q.Append();
      q.Set("f_Spbm", std::to_string(100000 + i));
      q.Set("f_Spmc", "商品" + std::to_string(i));
      q.Set("f_bmbm", i % 3 == 0 ? "011" : "010");
      q.Set("f_Xsdj", 3.5 + i % 50);
      q.Set("f_BqPtQsrq", "20241201");
      q.Set("f_BqPtJsrq", "20241231");
      q.Set("f_BqPtXsdj", 2.5 + i % 40);
      q.Post();
    }
    q.SetFilter("f_bmbm='010'");
    q.SetFiltered(true);
  }
  return q;
}

void BM_PromotionDetailTakesTheQueue10k(benchmark::State& state) {
  pt::MemTable& q = Queue();
  pt::TFrmBjqSearch window(nullptr);
  for (auto _ : state) {
    window.LoadQueue(q);
    benchmark::DoNotOptimize(window.cdsPrint.RecordCount());
  }
  state.counters["shown"] = window.cdsPrint.RecordCount();
}
BENCHMARK(BM_PromotionDetailTakesTheQueue10k)->Unit(benchmark::kMillisecond);

void BM_PromotionDetailPreview10k(benchmark::State& state) {
  World& w = TheWorld();
  pt::TFrmBjqSearch window(nullptr);
  window.LoadQueue(Queue());
  for (auto _ : state) window.btnPreview->click();
  state.counters["rows"] = window.cdsPrint.RecordCount();
  state.counters["previews"] = w.ui.dialogs;
}
BENCHMARK(BM_PromotionDetailPreview10k)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
