// The department tree of a large headquarters: 20 divisions of 50 categories with 20
// departments each (20,000 departments): building it from the host's rows, switching the
// division, applying a saved selection, and ticking the remembered choice again.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "common/MemTable.h"
#include "dialogs/DeptTree.h"
#include "queue/DeptChoice.h"
#include "tests/support/DeptRows.h"

namespace {

using namespace pt;

constexpr int kDivisions = 20, kCategories = 50, kDepartments = 20;

void Rows(MemTable& t) {
  test::DefineDeptRows(t);
  auto add = [&](int jb, int mj, const std::string& cat, const std::string& dept, int kind) {
    t.Append();
    t.Set("f_qt", 0);
    t.Set("f_bmflbm", cat);
    t.Set("f_bmflmc", "分类" + cat);
    t.Set("f_jb", jb);
    t.Set("f_mj", mj);
    t.Set("f_bmbm", dept);
    t.Set("f_bmmc", dept.empty() ? "" : "部门" + dept);
    t.Set("f_bmlx", kind);
    t.Post();
  };
  for (int d = 0; d < kDivisions; ++d) {
    const std::string div = std::to_string(10 + d);
    add(1, 0, div, "", 0);
    for (int c = 0; c < kCategories; ++c) {
      const std::string cat = div + std::to_string(100 + c);
      add(2, 1, cat, "", 0);
      for (int k = 0; k < kDepartments; ++k) add(2, 1, cat, cat + std::to_string(10 + k), 1);
    }
  }
}

struct Fixture {
  MemTable rows{"rows"};
  dept::DeptTree tree;
  Fixture() {
    Rows(rows);
    queue::BuildDeptTree(rows, tree);
  }
};

void BM_BuildTree(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) {
    queue::BuildDeptTree(f.rows, f.tree);
    benchmark::DoNotOptimize(f.tree.TreeOrder().size());
  }
  state.counters["nodes"] = f.tree.Count();
}
BENCHMARK(BM_BuildTree)->Unit(benchmark::kMillisecond);

// Ticking a division clears the ticks of every other one.
void BM_SwitchDivision(benchmark::State& state) {
  Fixture f;
  f.tree.SetRulesActive(true);
  const auto tops = f.tree.TopCategories();
  size_t i = 0;
  for (auto _ : state) {
    const auto top = tops[++i % tops.size()];
    f.tree.SetTicked(top, true);
    f.tree.SetTicked(f.tree.Children(top)[0], true);
  }
}
BENCHMARK(BM_SwitchDivision)->Unit(benchmark::kMicrosecond);

// A saved selection of a whole division (1,000 departments and 50 categories) loaded again.
void BM_ApplySelection(benchmark::State& state) {
  Fixture f;
  f.tree.SetRulesActive(true);
  for (auto c : f.tree.Children(f.tree.TopCategories()[0])) f.tree.SetTicked(c, true);
  const std::vector<std::string> lines = f.tree.SelectionLines();
  for (auto _ : state) {
    for (auto c : f.tree.Children(f.tree.TopCategories()[0])) f.tree.SetTicked(c, false);
    f.tree.ApplySelectionLines(lines);
  }
  state.counters["lines"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_ApplySelection)->Unit(benchmark::kMillisecond);

// The department button before showing the selector: the remembered choice ticked again.
void BM_PreTickAndCompose(benchmark::State& state) {
  Fixture f;
  for (auto c : f.tree.Children(f.tree.TopCategories()[0])) f.tree.SetTicked(c, true);
  MemTable cdsbm("cdsbm");
  queue::DefineChoiceFields(cdsbm);
  queue::PrepareChoiceTable(cdsbm);
  cdsbm.CreateDataSet();
  const queue::DeptChoice choice = queue::ComposeDeptChoice(f.tree, queue::CollectTickedDepts(f.tree));
  queue::StoreDeptChoice(choice, cdsbm);
  for (auto _ : state) {
    queue::PreTickFromChoice(f.tree, cdsbm);
    benchmark::DoNotOptimize(queue::ComposeDeptChoice(f.tree, queue::CollectTickedDepts(f.tree)).restriction.size());
  }
  state.counters["rows"] = cdsbm.RecordCount();
}
BENCHMARK(BM_PreTickAndCompose)->Unit(benchmark::kMillisecond);

}  // namespace
