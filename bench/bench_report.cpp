// Report engine speed: preparing and writing 10,000 ordinary labels (texts and EAN-13) to PDF,
// opening the preview of 10,000 labels, a list of 10,000 rows and 40 columns, and spreadsheets
// of both. Times and the label rate are wall-clock; on a shared
// machine compare the CPU column as well.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <sstream>

#include "report_engine/QtTextMeasurer.h"
#include "report_engine/ReportPreview.h"
#include "report_engine/ReportSheet.h"
#include "report_engine/ReportView.h"

namespace {

using namespace pt::report;

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench_report";
  static char* argv[] = {name, nullptr};
  static std::unique_ptr<QApplication> app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
  }();
  return *app;
}

std::string Template(const char* file) {
  std::ifstream in(std::string(PRICETAG_SOURCE_DIR) + "/report_engine/templates/" + file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

RowsDataSource Labels(int count) {
  RowsDataSource s("cdsPrint", {{"f_Spbm"}, {"f_Spmc"}, {"f_Spcd"}, {"f_Ggxh"}, {"f_Jldw"}, {"f_Xsdj"}, {"f_Sptm"}});
  static const char* names[] = {"金龙鱼黄金比例食用调和油5L", "农夫山泉饮用天然水550ml", "可口可乐", "蒙牛纯牛奶250ml*24盒",
                                "海天金标生抽500ml"};
  for (int i = 0; i < count; ++i) {
    std::string digits = std::to_string(690000000000LL + i * 7919LL);
    s.AddRow({"SP" + std::to_string(100000 + i), names[i % 5], "山东青岛", "500g", "袋", 1.0 + (i % 997) * 0.37, digits});
  }
  return s;
}

ReportEngine Engine(const char* file) {
  ReportEngine e;
  e.LoadTemplate(Template(file));
  e.SetVariable("dj", "合格");
  return e;
}

void BM_PrepareAndWritePdf(benchmark::State& state, const char* file) {
  App();
  const int labels = static_cast<int>(state.range(0));
  ReportEngine engine = Engine(file);
  RowsDataSource data = Labels(labels);
  QTemporaryDir dir;
  for (auto _ : state) {
    PreparedReport report = PrepareReport(engine, data);
    ExportPdf(report, dir.filePath("labels.pdf"));
    benchmark::DoNotOptimize(report.pages.size());
  }
  state.counters["labels_per_s"] =
      benchmark::Counter(static_cast<double>(labels) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BM_PrepareAndWritePdf, roll, "ordinary-label.json")->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK_CAPTURE(BM_PrepareAndWritePdf, a4_sheet, "a4-sheet-24.json")->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_Prepare(benchmark::State& state) {
  App();
  ReportEngine engine = Engine("ordinary-label.json");
  RowsDataSource data = Labels(10000);
  for (auto _ : state) benchmark::DoNotOptimize(PrepareReport(engine, data).pages.size());
  state.counters["labels_per_s"] = benchmark::Counter(10000.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Prepare)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// From a prepared report of 10,000 labels to the first pages on screen.
void BM_OpenPreview(benchmark::State& state, const char* file) {
  App();
  ReportEngine engine = Engine(file);
  RowsDataSource data = Labels(10000);
  PreparedReport report = PrepareReport(engine, data);
  for (auto _ : state) {
    TReportPreview preview(report);
    preview.show();
    QApplication::processEvents();
    preview.View()->viewport()->repaint();
    benchmark::DoNotOptimize(preview.View()->PagesPainted());
  }
}
BENCHMARK_CAPTURE(BM_OpenPreview, roll, "ordinary-label.json")->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK_CAPTURE(BM_OpenPreview, a4_sheet, "a4-sheet-24.json")->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// One row per label with the values it shows, written as a workbook.
void BM_LabelSheetToXlsx(benchmark::State& state) {
  App();
  ReportEngine engine = Engine("ordinary-label.json");
  RowsDataSource data = Labels(10000);
  QTemporaryDir dir;
  PreparedReport report;
  report.title = "普通标价签";
  for (auto _ : state) {
    report.sheet = LabelSheet(engine.Template(), engine.Variables(), data);
    ExportXlsx(report, dir.filePath("labels.xlsx"));
  }
}
BENCHMARK(BM_LabelSheetToXlsx)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// A grid of 10,000 rows and 40 columns (codes, names, dates, prices) printed as a list: column
// planning and pages, then the same rows as a workbook.
struct WideGrid {
  RowsDataSource data{"cdsPrint", {}};
  GridReportSpec spec;
  WideGrid() {
    std::vector<RowsDataSource::Column> fields;
    for (int c = 0; c < 40; ++c) {
      fields.push_back({"f_" + std::to_string(c), c % 4 == 3 ? "0.00" : ""});
      spec.columns.push_back({c == 0 ? "商品编码" : c == 1 ? "商品名称" : "第" + std::to_string(c) + "列",
                              fields.back().name, "", true, c < 2});
    }
    data = RowsDataSource("cdsPrint", fields);
    static const char* names[] = {"金龙鱼黄金比例食用调和油5L", "可口可乐", "蒙牛纯牛奶250ml*24盒"};
    for (int r = 0; r < 10000; ++r) {
      std::vector<pt::Variant> row;
      for (int c = 0; c < 40; ++c) {
        if (c == 0) row.emplace_back(std::to_string(100000 + r));
        else if (c == 1) row.emplace_back(names[r % 3]);
        else if (c % 4 == 3) row.emplace_back(1.0 + (r * c % 997) * 0.37);
        else if (c % 4 == 1) row.emplace_back("202403" + std::to_string(10 + r % 20));
        else row.emplace_back(std::to_string(690000000000LL + r * 7919LL + c));
      }
      data.AddRow(std::move(row));
    }
  }
};

void BM_WideGridList(benchmark::State& state) {
  App();
  WideGrid grid;
  pt::report::VariableList vars;
  size_t pages = 0;
  for (auto _ : state) {
    QtTextMeasurer m;
    pages = BuildGridReport(grid.spec, grid.data, vars, m).pages.size();
  }
  state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_WideGridList)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_WideGridXlsx(benchmark::State& state) {
  App();
  WideGrid grid;
  QtTextMeasurer m;
  PreparedReport report = BuildGridReport(grid.spec, grid.data, {}, m);
  QTemporaryDir dir;
  for (auto _ : state) ExportXlsx(report, dir.filePath("grid.xlsx"));
}
BENCHMARK(BM_WideGridXlsx)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
