// The data grid over a 50,000-row queue, offscreen: sorting by two clicked titles, and scrolling
// (the model is asked only for the rows in sight).
#include <QApplication>
#include <QScrollBar>
#include <benchmark/benchmark.h>

#include <random>

#include "common/AdvDBEh.h"
#include "common/MemTableModel.h"

namespace {

constexpr int kRows = 50000;

// A queue-like table: department, code, Chinese name, price, stock.
std::unique_ptr<pt::MemTable> MakeQueue() {
  auto t = std::make_unique<pt::MemTable>("cdsSpda");
  t->AddField("f_bmbm", pt::FieldType::Text, 20, "部门编码");
  t->AddField("f_Spbm", pt::FieldType::Text, 15, "商品编码");
  t->AddField("f_Spmc", pt::FieldType::Text, 60, "商品名称");
  t->AddField("f_Xsdj", pt::FieldType::Float, 0, "销售单价");
  t->AddField("f_Kc", pt::FieldType::Float, 0, "库存");
  t->MutableField(3).displayFormat = "0.00";
  t->CreateDataSet();
  const char* words[] = {"苹果", "香梨", "牛奶", "面包", "饼干", "矿泉水", "酸奶", "大米", "食用油", "洗发水"};
  std::mt19937 rng(42);
  std::vector<int> codes(kRows);
  for (int i = 0; i < kRows; ++i) codes[static_cast<size_t>(i)] = i + 1;
  std::shuffle(codes.begin(), codes.end(), rng);
  for (int i = 0; i < kRows; ++i) {
    t->Append();
    t->Set(0, "0" + std::to_string(1 + rng() % 12));
    t->Set(1, std::to_string(1000000 + codes[static_cast<size_t>(i)]));
    t->Set(2, std::string(words[rng() % 10]) + std::to_string(rng() % 500) + "号");
    t->Set(3, static_cast<double>(rng() % 10000) / 100.0);
    t->Set(4, static_cast<double>(rng() % 300));
    t->Post();
  }
  t->First();
  return t;
}

void BM_SortTwoColumns(benchmark::State& state) {
  auto t = MakeQueue();
  pt::TAdvDBGridEh grid;
  grid.SetDataSet(t.get());
  grid.SetAutoSorted(true);
  grid.SetShowSumCount(true);
  grid.SetRowSelect(true);
  grid.resize(800, 600);
  grid.show();
  QCoreApplication::processEvents();
  grid.TitleClicked(0, false);  // department, ascending
  grid.TitleClicked(2, true);   // then name
  QCoreApplication::processEvents();
  for (auto _ : state) {
    grid.TitleClicked(2, true);  // the name flips between ascending and descending: a new two-field sort
    QCoreApplication::processEvents();
  }
  state.counters["rows"] = t->RecordCount();
  state.SetLabel(grid.ComposeSortTexts().orderText);
}
BENCHMARK(BM_SortTwoColumns)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SortTwoColumnsNumeric(benchmark::State& state) {
  auto t = MakeQueue();
  pt::TAdvDBGridEh grid;
  grid.SetDataSet(t.get());
  grid.SetAutoSorted(true);
  grid.resize(800, 600);
  grid.show();
  grid.TitleClicked(3, false);  // price
  grid.TitleClicked(1, true);   // then code
  for (auto _ : state) {
    grid.TitleClicked(1, true);
    QCoreApplication::processEvents();
  }
  state.SetLabel(grid.ComposeSortTexts().orderText);
}
BENCHMARK(BM_SortTwoColumnsNumeric)->Unit(benchmark::kMillisecond)->Iterations(20);

// One scroll step and the repaint it causes; counts the cells the model was asked for.
void BM_ScrollAndPaint(benchmark::State& state) {
  auto t = MakeQueue();
  pt::TAdvDBGridEh grid;
  grid.SetDataSet(t.get());
  grid.resize(800, 600);
  grid.show();
  QCoreApplication::processEvents();
  std::mt19937 rng(7);
  long long cells = 0, frames = 0;
  int highest = 0;
  for (auto _ : state) {
    grid.Model()->ResetRequestCounters();
    grid.verticalScrollBar()->setValue(static_cast<int>(rng() % static_cast<unsigned>(grid.verticalScrollBar()->maximum() + 1)));
    grid.viewport()->repaint();
    cells += grid.Model()->CellRequests();
    highest = std::max(highest, grid.Model()->HighestRowRequested());
    ++frames;
  }
  state.counters["cells_per_frame"] = static_cast<double>(cells) / static_cast<double>(std::max(1LL, frames));
  state.counters["rows_in_sight"] = grid.viewport()->height() / grid.verticalHeader()->defaultSectionSize() + 1;
  state.counters["columns"] = grid.ColumnCount();
}
BENCHMARK(BM_ScrollAndPaint)->Unit(benchmark::kMicrosecond);

// Moving the table's current row: the grid follows (selects and scrolls) and repaints.
void BM_TableMovesGridFollows(benchmark::State& state) {
  auto t = MakeQueue();
  pt::TAdvDBGridEh grid;
  grid.SetDataSet(t.get());
  grid.SetRowSelect(true);
  grid.resize(800, 600);
  grid.show();
  QCoreApplication::processEvents();
  std::mt19937 rng(9);
  for (auto _ : state) {
    t->SetRecNo(1 + static_cast<int>(rng() % kRows));
    grid.viewport()->repaint();
  }
  grid.Model()->ResetRequestCounters();
  grid.viewport()->repaint();
  state.counters["cells_last_frame"] = static_cast<double>(grid.Model()->CellRequests());
}
BENCHMARK(BM_TableMovesGridFollows)->Unit(benchmark::kMicrosecond);

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
