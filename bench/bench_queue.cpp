// The print queue end to end, offscreen, on the stand-in host's SQLite data service: importing a
// file of 10,000 codes, appending one typed code, and the amount-controlled import of 50,000
// lines.
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>

#include "common/IniFile.h"
#include "common/MemTable.h"
#include "common/UiSeam.h"
#include "hostapp/HostDatabase.h"
#include "hostapp/SeedData.h"
#include "hostapp/SqliteHostService.h"
#include "module/ModuleSession.h"
#include "queue/Unitspbqdy.h"

namespace {

// Answers file dialogs with a fixed path and counts messages instead of showing them.
class BenchUi : public pt::ui::UiHandler {
 public:
  QString file;
  int messages = 0;
  int Message(const pt::ui::MessageRequest&) override { ++messages; return pt::ui::kResultOk; }
  QString OpenFileName(QWidget*, const QString&, const QString&) override { return file; }
};

struct World {
  QTemporaryDir dir;
  std::unique_ptr<pt::hostapp::HostDatabase> db;
  std::unique_ptr<pt::hostapp::DbHostService> service;
  QWidget panel;
  pt::TFrmspbqdy* window = nullptr;
  BenchUi ui;
  std::vector<std::string> codes;

  World() {
    pt::SetHostExecutableDirForTesting(dir.path().toStdString());
    pt::ui::InstallHandler(&ui);
    const std::string path = dir.path().toStdString() + "/bench.db";
    db = std::make_unique<pt::hostapp::HostDatabase>(path, pt::hostapp::ServerClock::Pinned("20241210"));
    pt::hostapp::SeedOptions o;
    o.products = 10000;
    o.serverDate = "20241210";
    o.unitType = "02";
    pt::hostapp::SeedDatabase(*db, o);
    service = std::make_unique<pt::hostapp::DbHostService>(*db);
    pt::MemTable t;
    t.LoadPacket(db->QueryNativePacket("select f_Spbm from tbSpda where f_Mj=1 order by f_Spbm"));
    for (t.First(); !t.Eof(); t.Next()) codes.push_back(t.GetText("f_Spbm"));
    panel.resize(1000, 700);
    std::vector<unsigned char> op = {4, '0', '0', '0', '1'};
    window = pt::session::OpenMainWindow(1, nullptr, op.data(), &panel, service.get());
  }
  std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string p = dir.path().toStdString() + "/" + name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
};

World& TheWorld() {
  static World* w = new World;
  return *w;
}

void BM_ImportTenThousandCodes(benchmark::State& state) {
  World& w = TheWorld();
  std::string body;
  for (size_t i = 0; i < 10000; ++i) body += w.codes[i % w.codes.size()] + (i < w.codes.size() ? "" : "x") + "\r\n";
  w.ui.file = QString::fromStdString(w.WriteFile("codes.txt", body));
  w.window->N3->trigger();
  w.window->Njekzsp->setChecked(false);
  w.window->N3->setChecked(true);
  for (auto _ : state) {
    w.window->btnimport->click();
    benchmark::DoNotOptimize(w.window->cdsSpda.RecordCount());
  }
  state.counters["queue_rows"] = w.window->cdsSpda.RecordCount();
}
BENCHMARK(BM_ImportTenThousandCodes)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_AppendOneTypedCode(benchmark::State& state) {
  World& w = TheWorld();
  w.window->cboLb->setCurrentIndex(0);
  w.window->edtName->setText(QString::fromStdString(w.codes[w.codes.size() / 2]));
  for (auto _ : state) {
    w.window->edtNameKeyDown(Qt::Key_Return, Qt::NoModifier);
    state.PauseTiming();
    if (w.window->cdsSpda.RecordCount() > 5000) w.window->N2Click();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AppendOneTypedCode)->Unit(benchmark::kMillisecond);

void BM_AmountControlledImport50k(benchmark::State& state) {
  World& w = TheWorld();
  std::string body;
  for (int i = 0; i < 50000; ++i)
    body += "A" + std::to_string(i) + ",可口可乐500ml,H" + std::to_string(i) + ",690123456789" + std::to_string(i % 10) +
            ",500ml,一级,杭州,瓶," + std::to_string(1 + i % 50) + ".50,可口可乐,水、糖,备注\r\n";
  w.ui.file = QString::fromStdString(w.WriteFile("amount.txt", body));
  w.window->Njekzsp->setChecked(true);
  for (auto _ : state) {
    state.PauseTiming();
    w.window->N2Click();
    state.ResumeTiming();
    w.window->btnimportClick();
  }
  state.counters["queue_rows"] = w.window->cdsSpda.RecordCount();
  w.window->Njekzsp->setChecked(false);
  w.window->N4->setChecked(true);
}
BENCHMARK(BM_AmountControlledImport50k)->Unit(benchmark::kMillisecond)->MinTime(3);

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
