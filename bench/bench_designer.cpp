// The designer's responsiveness: one edit (change, check by the engine's reading, history step),
// undo, the design view of a label and the checks against 50 sample records, on a sheet label
// with 60 objects. An edit should stay well inside one frame of the screen (16 ms).
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "designer/DesignRender.h"
#include "designer/FieldCatalog.h"
#include "designer/TemplateChecks.h"
#include "designer/TemplateEditor.h"

namespace {

using namespace pt::designer;

TemplateDocument Busy(int objects) {
  std::ifstream in(std::string(PRICETAG_SOURCE_DIR) + "/report_engine/templates/a4-sheet-24.json", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  TemplateDocument doc = TemplateDocument::Parse(s.str());
  const int band = doc.MasterBand();
  const auto& catalog = LabelCatalog();
  for (int i = doc.ObjectCount(band); i < objects; ++i)
    doc.Insert(band, -1, ObjectForEntry(catalog[static_cast<size_t>(i) % 20], false, i % 5 * 12, i % 6 * 5));
  return doc;
}

void BM_EditStep(benchmark::State& state) {
  TemplateEditor editor(Busy(static_cast<int>(state.range(0))));
  editor.Select({{editor.Document().MasterBand(), 3}});
  double dx = 0.5;
  for (auto _ : state) {
    editor.MoveSelection(dx, 0);
    dx = -dx;
  }
  state.counters["document_bytes"] = static_cast<double>(editor.Document().Serialize().size());
}
BENCHMARK(BM_EditStep)->Arg(60)->Unit(benchmark::kMillisecond);

void BM_UndoRedo(benchmark::State& state) {
  TemplateEditor editor(Busy(60));
  editor.Select({{editor.Document().MasterBand(), 3}});
  for (int i = 0; i < 100; ++i) editor.MoveSelection(0.5, 0);
  for (auto _ : state) {
    editor.Undo();
    editor.Redo();
  }
}
BENCHMARK(BM_UndoRedo)->Unit(benchmark::kMicrosecond);

void BM_DesignView(benchmark::State& state) {
  const TemplateDocument doc = Busy(60);
  pt::report::FallbackMeasurer m;
  for (auto _ : state) benchmark::DoNotOptimize(RenderDesign(doc, m));
}
BENCHMARK(BM_DesignView)->Unit(benchmark::kMillisecond);

void BM_Checks(benchmark::State& state) {
  const TemplateDocument doc = Busy(60);
  std::vector<pt::report::RowsDataSource::Column> columns;
  for (const CatalogEntry& e : LabelCatalog())
    if (e.kind == CatalogEntry::Kind::Field) columns.push_back({e.name, e.displayFormat});
  pt::report::RowsDataSource rows("cdsPrint", columns);
  for (int i = 0; i < 50; ++i) {
    std::vector<pt::Variant> values(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) values[c] = pt::Variant(std::string("6901234567892"));
    rows.AddRow(values);
  }
  CheckContext context;
  context.samples = &rows;
  for (auto _ : state) benchmark::DoNotOptimize(CheckTemplate(doc, context));
}
BENCHMARK(BM_Checks)->Unit(benchmark::kMillisecond);

}  // namespace
