// The stand-in host on a seeded database of 50,000 products, on SQLite and, when
// PRICETAG_BENCH_PG names a PostgreSQL server, on PostgreSQL (a schema of its own, dropped at
// the end): the product price query in mode 4 (every product, and one code), and the monthly
// reference-price statements of the pre-promotion price window over about 12,500 open
// promotions and 5,000,000 sales lines (PRICETAG_BENCH_SALES sets another number).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <string>
#include <vector>

#include "common/DataPacket.h"
#include "host/HostOperations.h"
#include "hostapp/SeedData.h"
#include "hostapp/SqliteHostService.h"

namespace {

using namespace pt;
using namespace pt::hostapp;

constexpr const char* kDate = "20240315";

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

struct Seeded {
  std::string target;
  std::filesystem::path file;  // SQLite
  std::string baseUri, schema;  // PostgreSQL
  std::unique_ptr<HostDatabase> db;
  std::unique_ptr<DbHostService> host;
  double seedSeconds = 0;
  ~Seeded() {
    host.reset();
    db.reset();
    std::error_code ec;
    if (!file.empty())
      for (const char* s : {"", "-wal", "-shm"}) std::filesystem::remove(file.string() + s, ec);
    if (!schema.empty()) {
      try {
        HostDatabase admin(baseUri);
        admin.ExecNative("DROP SCHEMA IF EXISTS " + schema + " CASCADE");
      } catch (...) {
      }
    }
  }
};

// Back end 0: SQLite; 1: PostgreSQL.
Seeded* Database(benchmark::State& state) {
  static Seeded sqlite, postgres;
  const bool pg = state.range(0) == 1;
  Seeded& s = pg ? postgres : sqlite;
  if (s.db) return &s;
  if (pg) {
    s.baseUri = Env("PRICETAG_BENCH_PG");
    if (s.baseUri.empty()) {
      state.SkipWithError("PRICETAG_BENCH_PG names no PostgreSQL server");
      return nullptr;
    }
    s.schema = "pt_bench_" + std::to_string(::getpid());
    {
      HostDatabase admin(s.baseUri);
      admin.ExecNative("CREATE SCHEMA " + s.schema);
    }
    s.target = s.baseUri + (s.baseUri.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + s.schema;
  } else {
    s.file = std::filesystem::temp_directory_path() / ("pricetag-bench-host-" + std::to_string(::getpid()) + ".db");
    s.target = s.file.string();
  }
  auto start = std::chrono::steady_clock::now();
  s.db = std::make_unique<HostDatabase>(s.target, ServerClock::Pinned(kDate));
  SeedOptions o;
  o.products = 50000;
  o.serverDate = kDate;
  o.seed = 2024;
  o.salesLines = Env("PRICETAG_BENCH_SALES").empty() ? 5000000 : std::atoll(Env("PRICETAG_BENCH_SALES").c_str());
  SeedDatabase(*s.db, o);
  s.seedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "seeded %s in %.1f s\n", pg ? "PostgreSQL" : "SQLite", s.seedSeconds);
  s.host = std::make_unique<DbHostService>(*s.db);
  return &s;
}

Variant Condition(const std::string& tj) {
  PacketWriter w({{"f_Tj", FieldType::Text, 20000}, {"f_Yxsdj", FieldType::Text, 1}, {"f_DeptSql", FieldType::Text, 20000}});
  w.AddRow({tj, "1", ""});
  return Variant::MakePacket(w.Finish());
}

size_t Query(benchmark::State& state, Seeded& s, const std::string& tj) {
  Variant ref = Condition(tj);
  if (!host::QueryProducts(*s.host, 4, ref)) {
    state.SkipWithError("QueryProducts failed");
    return 0;
  }
  return DecodePacket(ref.AsPacket()).rows.size();
}

void BM_QueryProductsMode4AllProducts(benchmark::State& state) {
  Seeded* s = Database(state);
  if (!s) return;
  size_t rows = 0;
  for (auto _ : state) rows = Query(state, *s, " Da.f_Jdrq>='19000101' ");
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_QueryProductsMode4AllProducts)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_QueryProductsMode4OneCode(benchmark::State& state) {
  Seeded* s = Database(state);
  if (!s) return;
  size_t rows = 0;
  for (auto _ : state)
    rows = Query(state, *s, " da.f_Spbm='125000'  and da.f_Spbm in (select f_spbm from tblsdkz k,tbspjyztda z where "
                        "k.f_jyztbm=z.f_jyztbm and f_yxxs=1) ");
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_QueryProductsMode4OneCode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The monthly statements as the pre-promotion price window sends them, for the current period.
std::string Cond() { return std::string(" f_qsrq<='") + kDate + "' and f_jsrq>='" + kDate + "' "; }

std::string Seven(const std::string& t, const std::string& m) {
  bool ordinary = t == "tbsptj";
  std::string s = "update " + t + " set f_q7yxsdj=(  select min(ceiling((f_ssje+f_sssj)/f_xssl*10)/10) from tb" + m +
                  "_Xsmxzb z,tb" + m + "_Xsmxcb c " + "  where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh " +
                  "  and  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 1 and 7 and f_xssl<>0 ";
  if (ordinary) s += "  and  (ceiling((f_ssje+f_sssj)/f_xssl*10)/10 <f_q7yxsdj or f_q7yxsdj<0.005)";
  s += "  and c.f_spbm=" + t + ".f_spbm " + ") where " + Cond() + (ordinary ? " and f_tjlx=0 and f_yxsdjbz='0' " : " and f_yxsdjbz='0' ") +
       "and exists ( " + "  select 1 from tb" + m + "_Xsmxzb z,tb" + m + "_Xsmxcb c where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh " +
       "  and  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 1 and 7 and f_xssl<>0 " +
       "  and  (ceiling((f_ssje+f_sssj)/f_xssl*10)/10 <f_q7yxsdj  or f_q7yxsdj<0.005)" + "  and c.f_spbm=" + t + ".f_spbm " + ");";
  return s;
}

std::string Eight(const std::string& t, const std::string& m) {
  bool ordinary = t == "tbsptj";
  return "update " + t + " set f_q8yxsdj=coalesce((  select top 1 ceiling((f_ssje+f_sssj)/f_xssl*10)/10 from tb" + m +
         "_Xsmxzb z,tb" + m + "_Xsmxcb c " + "  where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh " +
         "  and  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 8 and 90 and f_xssl<>0 " +
         "  and c.f_spbm=" + t + ".f_spbm order by f_rzrq desc" + "),0.0) where " + Cond() +
         (ordinary ? " and f_tjlx=0 and f_yxsdjbz='0' " : " and f_yxsdjbz='0' ") + "and exists ( " + "  select 1 from tb" + m +
         "_Xsmxzb z,tb" + m + "_Xsmxcb c where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh " +
         "  and  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 8 and 90 and f_xssl<>0 " +
         "  and  (ceiling((f_ssje+f_sssj)/f_xssl*10)/10 <f_q8yxsdj  or f_q8yxsdj<0.005)" + "  and c.f_spbm=" + t + ".f_spbm " +
         ");";
}

bool Run(benchmark::State& state, Seeded& s, const std::string& sql) {
  Variant ref(sql);
  if (host::ExecuteSql(*s.host, ref)) return true;
  state.SkipWithError(ref.AsArray().front().ToText().c_str());
  return false;
}

// Structure check, range query and both passes over both promotion tables, as one search does
// them; each iteration starts from unset reference prices.
void BM_ReferencePriceStatements(benchmark::State& state) {
  Seeded* sp = Database(state);
  if (!sp) return;
  Seeded& s = *sp;
  const char* check =
      "if not (exists (select 1 from syscolumns where name='f_q7yxsdj' and id= object_id('tbsptj')))   alter table tbsptj add "
      "f_q7yxsdj float not null default  0;if not (exists (select 1 from syscolumns where name='f_q8yxsdj' and id= "
      "object_id('tbsptj')))   alter table tbsptj add f_q8yxsdj float not null default  0;if not (exists (select 1 from "
      "syscolumns where name='f_yxsdjbz' and id= object_id('tbsptj')))   alter table tbsptj add f_yxsdjbz varchar(1) not null "
      "default '0';if not (exists (select 1 from syscolumns where name='f_q7yxsdj' and id= object_id('tbxsxl')))    alter table "
      "tbxsxl add f_q7yxsdj float not null default  0;if not (exists (select 1 from syscolumns where name='f_q8yxsdj' and id= "
      "object_id('tbxsxl')))   alter table tbxsxl add f_q8yxsdj float not null default  0;if not (exists (select 1 from "
      "syscolumns where name='f_yxsdjbz' and id= object_id('tbxsxl')))   alter table tbxsxl add f_yxsdjbz varchar(1) not null "
      "default '0';";
  if (!Run(state, s, check)) return;
  int64_t open = 0, lines = 0;
  {
    Statement st(*s.db, "SELECT count(*) FROM tbsptj WHERE f_tjlx=0 AND f_qsrq<=?1 AND f_jsrq>=?1");
    st.Bind(1, std::string_view(kDate));
    st.Step();
    open = st.Int(0);
    Statement x(*s.db, "SELECT count(*) FROM tbxsxl WHERE f_qsrq<=?1 AND f_jsrq>=?1");
    x.Bind(1, std::string_view(kDate));
    x.Step();
    open += x.Int(0);
    for (const char* m : {"202312", "202401", "202402", "202403"}) {
      Statement c(*s.db, std::string("SELECT count(*) FROM tb") + m + "_Xsmxcb");
      c.Step();
      lines += c.Int(0);
    }
  }
  int statements = 0;
  for (auto _ : state) {
    state.PauseTiming();
    s.db->ExecNative("UPDATE tbsptj SET f_q7yxsdj=0, f_q8yxsdj=0; UPDATE tbxsxl SET f_q7yxsdj=0, f_q8yxsdj=0;");
    state.ResumeTiming();
    statements = 0;
    for (const char* t : {"tbsptj", "tbxsxl"}) {
      Variant range;
      std::string where = std::string(t) == "tbsptj" ? " and f_tjlx=0 " : "";
      if (!host::OpenQuery(*s.host, std::string("select min(left(f_qsrq,6)) f_minrq,max(left(f_qsrq,6)) f_maxrq from ") + t +
                                          " where f_yxsdjbz='0' and " + Cond() + where,
                           range)) {
        state.SkipWithError("range query failed");
        return;
      }
      DecodedPacket p = DecodePacket(range.AsPacket());
      std::string min = p.rows[0][0].ToText(), max = p.rows[0][1].ToText();
      for (std::string m = AddMonths(min, -1); m <= max; m = AddMonths(m, 1), ++statements)
        if (!Run(state, s, Seven(t, m))) return;
      for (std::string m = AddMonths(min, -2); m <= max; m = AddMonths(m, 1), ++statements)
        if (!Run(state, s, Eight(t, m))) return;
    }
  }
  state.counters["open_promotions"] = static_cast<double>(open);
  state.counters["sales_lines"] = static_cast<double>(lines);
  state.counters["statements"] = statements;
}
BENCHMARK(BM_ReferencePriceStatements)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
