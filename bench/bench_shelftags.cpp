// The log of printed tags on the stand-in host: a seeded database of 20,000 products whose log
// holds 100,000 rows (every product printed five times), then: recording a job of 1,000 rows,
// the last tag of one product (the detail panel's line), and the source "价签与现价不符" over every
// printed product (the log's last tags, the product query of 20,000 rows, the comparison).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/MemTable.h"
#include "host/HostOperations.h"
#include "hostapp/SeedData.h"
#include "hostapp/SqliteHostService.h"
#include "printing/PrintLog.h"
#include "queue/QueueRecord.h"
#include "queue/ShelfTags.h"

namespace {

using namespace pt;
using namespace pt::hostapp;

constexpr const char* kDate = "20240315";
constexpr int kProducts = 20000;
constexpr int kJobsPerProduct = 5;

// The database and its data service, made and dropped together.
struct Served {
  explicit Served(const std::string& path) : db(path, ServerClock::Pinned(kDate)), host(db) {}
  HostDatabase db;
  SqliteHostService host;
};

struct Seeded {
  std::filesystem::path file;
  std::unique_ptr<Served> served;
  std::vector<std::string> codes;
  ~Seeded() {
    served.reset();
    std::error_code ec;
    for (const char* s : {"", "-wal", "-shm"}) std::filesystem::remove(file.string() + s, ec);
  }
};

std::vector<printing::PrintedTag> Tags(const std::vector<std::string>& codes, size_t from, size_t count, double price) {
  std::vector<printing::PrintedTag> tags;
  for (size_t i = from; i < from + count && i < codes.size(); ++i) {
    printing::PrintedTag t;
    t.productCode = codes[i];
    t.salePrice = price;
    tags.push_back(std::move(t));
  }
  return tags;
}

Seeded& Database() {
  static Seeded s;
  if (!s.served) {
    s.file = std::filesystem::temp_directory_path() / ("pricetag-bench-tags-" + std::to_string(::getpid()) + ".db");
    {
      HostDatabase db(s.file.string(), ServerClock::Pinned(kDate));
      SeedOptions o;
      o.products = kProducts;
      o.serverDate = kDate;
      o.seed = 2024;
      SeedDatabase(db, o);
    }
    s.served = std::make_unique<Served>(s.file.string());
    MemTable t;
    t.LoadPacket(s.served->db.QueryNativePacket("select f_Spbm from tbSpda where f_Mj=1 order by f_Spbm"));
    for (int r = 0; r < t.RecordCount(); ++r) s.codes.push_back(t.CellAt(r, 0).ToText());
    const printing::PrintJob job{"普通标价签", "0001", "系统管理员", "bench"};
    for (int round = 0; round < kJobsPerProduct; ++round)
      for (size_t from = 0; from < s.codes.size(); from += 1000) {
        // Tags of 1.00 and 2.00: nearly every product's last tag differs from its price now.
        const std::string failure =
            printing::RecordPrintJob(s.served->host, job, Tags(s.codes, from, 1000, round == kJobsPerProduct - 1 ? 1.0 : 2.0));
        if (!failure.empty()) std::fprintf(stderr, "%s\n", failure.c_str());
      }
  }
  return s;
}

void BM_RecordJobOf1000Rows(benchmark::State& state) {
  Seeded& s = Database();
  const printing::PrintJob job{"普通标价签", "0001", "系统管理员", "bench"};
  const auto tags = Tags(s.codes, 0, 1000, 3.0);
  for (auto _ : state)
    if (!printing::RecordPrintJob(s.served->host, job, tags).empty()) state.SkipWithError("not recorded");
}
BENCHMARK(BM_RecordJobOf1000Rows)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LastTagOfOneProduct(benchmark::State& state) {
  Seeded& s = Database();
  const std::string sql = printing::LastTagOfSql(s.codes[s.codes.size() / 2], "");
  for (auto _ : state) {
    Variant ref;
    if (!host::OpenQuery(s.served->host, sql, ref)) state.SkipWithError("query failed");
  }
}
BENCHMARK(BM_LastTagOfOneProduct)->Unit(benchmark::kMicrosecond);

void BM_MismatchedTagsOfEveryPrintedProduct(benchmark::State& state) {
  Seeded& s = Database();
  MemTable send("cdsSend"), queue("cdsSpda");
  queue::DefineConditionFields(send);
  send.CreateDataSet();
  send.Append();
  send.Post();
  queue::DefineQueueFields(queue);
  queue.CreateDataSet();
  queue::ShelfTagRequest request;
  request.currentDate = kDate;
  for (auto _ : state) {
    Variant errors;
    if (!queue::FillFromShelfTags(s.served->host, send, request, queue, errors)) state.SkipWithError("source failed");
  }
  state.counters["listed"] = queue.RecordCount();
  MemTable log;
  log.LoadPacket(s.served->db.QueryNativePacket("select count(*) from tbBqdyrz"));
  state.counters["log rows"] = static_cast<double>(log.CellAt(0, 0).ToInt());
}
BENCHMARK(BM_MismatchedTagsOfEveryPrintedProduct)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
