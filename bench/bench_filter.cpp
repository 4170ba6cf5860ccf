// Client-side filter over a full queue: 50,000 rows of 66 cells, compiled once, evaluated per row.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "common/FilterExpression.h"

namespace {

using pt::CompiledFilter;
using pt::FieldType;
using pt::FilterFieldInfo;
using pt::Variant;

constexpr int kRows = 50000;
constexpr int kCells = 66;
constexpr int kName = 1, kBarcode = 5, kPrice = 13;

const std::vector<std::vector<Variant>>& Rows() {
  static const std::vector<std::vector<Variant>> rows = [] {
    std::mt19937 rng(42);
    const char* names[] = {"红富士苹果", "香蕉", "Apple Juice 1L", "苹果汁", "矿泉水550ml", "可口可乐", "康师傅红烧牛肉面",
                           "青岛啤酒", "富士苹果礼盒", "旺仔牛奶"};
    std::vector<std::vector<Variant>> out(kRows);
    for (int r = 0; r < kRows; ++r) {
      auto& row = out[static_cast<size_t>(r)];
      row.reserve(kCells);
      for (int c = 0; c < kCells; ++c) {
        if (c == kName) row.emplace_back(std::string(names[rng() % 10]) + " " + std::to_string(r));
        else if (c == kBarcode) row.emplace_back("69" + std::to_string(1000000000 + r) + "0");
        else if (c == kPrice) row.emplace_back(static_cast<double>(rng() % 2000) / 100.0);
        else if (c % 3 == 0) row.emplace_back(static_cast<double>(c));
        else row.emplace_back("cell" + std::to_string(c));
      }
    }
    return out;
  }();
  return rows;
}

pt::FilterFieldResolver Resolver() {
  return [](std::string_view name) -> std::optional<FilterFieldInfo> {
    if (name == "f_Spmc") return FilterFieldInfo{kName, FieldType::Text};
    if (name == "f_Sptm") return FilterFieldInfo{kBarcode, FieldType::Text};
    if (name == "f_Xsdj") return FilterFieldInfo{kPrice, FieldType::Float};
    return std::nullopt;
  };
}

void RunOver(benchmark::State& state, const std::string& text) {
  const auto& rows = Rows();
  CompiledFilter f = CompiledFilter::Compile(text, Resolver());
  int hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (const auto& row : rows) hits += f.Matches(row.data()) ? 1 : 0;
    benchmark::DoNotOptimize(hits);
  }
  state.counters["hits"] = hits;
  state.counters["rows"] = static_cast<double>(rows.size());
}

void BM_ThreeTermFilter50kRows(benchmark::State& state) {
  RunOver(state, "( f_Spmc LIKE '%苹果%' ) And ( f_Xsdj > 5 ) OR ( f_Sptm = '6901234567890' )");
}
BENCHMARK(BM_ThreeTermFilter50kRows)->Unit(benchmark::kMillisecond);

// What the grid's exclusion step produces: the placeholder term and one "<>" term per excluded row.
void BM_ExclusionFilter200Terms50kRows(benchmark::State& state) {
  std::string text = "( f_Spmc<>'temp@temp@temp' ) and (";
  for (int i = 0; i < 200; ++i) text += (i ? " and " : "") + std::string("f_Sptm<>'69") + std::to_string(1000000000 + i * 7) + "0'";
  text += ")";
  RunOver(state, text);
}
BENCHMARK(BM_ExclusionFilter200Terms50kRows)->Unit(benchmark::kMillisecond);

void BM_CompileThreeTermFilter(benchmark::State& state) {
  auto resolve = Resolver();
  for (auto _ : state) {
    CompiledFilter f = CompiledFilter::Compile(
        "( f_Spmc LIKE '%苹果%' ) And ( f_Xsdj > 5 ) OR ( f_Sptm = '6901234567890' )", resolve);
    benchmark::DoNotOptimize(f);
  }
}
BENCHMARK(BM_CompileThreeTermFilter)->Unit(benchmark::kMicrosecond);

}  // namespace
