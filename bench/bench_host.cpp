// The stand-in host on a seeded database of 50,000 products: the product price query in mode 4
// (every product, and one code), and the monthly reference-price statements of the
// pre-promotion price window over about 10,000 open promotions and 500,000 sales lines.
#include <benchmark/benchmark.h>

#include <cstdio>
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

struct Seeded {
  std::filesystem::path file;
  std::unique_ptr<HostDatabase> db;
  std::unique_ptr<SqliteHostService> host;
  ~Seeded() {
    host.reset();
    db.reset();
    std::error_code ec;
    for (const char* s : {"", "-wal", "-shm"}) std::filesystem::remove(file.string() + s, ec);
  }
};

Seeded& Database() {
  static Seeded s;
  if (!s.db) {
    s.file = std::filesystem::temp_directory_path() / ("pricetag-bench-host-" + std::to_string(::getpid()) + ".db");
    s.db = std::make_unique<HostDatabase>(s.file.string(), ServerClock::Pinned(kDate));
    SeedOptions o;
    o.products = 50000;
    o.serverDate = kDate;
    o.seed = 2024;
    o.salesLines = 500000;
    SeedDatabase(*s.db, o);
    s.host = std::make_unique<SqliteHostService>(*s.db);
  }
  return s;
}

Variant Condition(const std::string& tj) {
  PacketWriter w({{"f_Tj", FieldType::Text, 20000}, {"f_Yxsdj", FieldType::Text, 1}, {"f_DeptSql", FieldType::Text, 20000}});
  w.AddRow({tj, "1", ""});
  return Variant::MakePacket(w.Finish());
}

size_t Query(benchmark::State& state, const std::string& tj) {
  Variant ref = Condition(tj);
  if (!host::QueryProducts(*Database().host, 4, ref)) {
    state.SkipWithError("QueryProducts failed");
    return 0;
  }
  return DecodePacket(ref.AsPacket()).rows.size();
}

void BM_QueryProductsMode4AllProducts(benchmark::State& state) {
  Database();
  size_t rows = 0;
  for (auto _ : state) rows = Query(state, " Da.f_Jdrq>='19000101' ");
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_QueryProductsMode4AllProducts)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_QueryProductsMode4OneCode(benchmark::State& state) {
  Database();
  size_t rows = 0;
  for (auto _ : state)
    rows = Query(state, " da.f_Spbm='125000'  and da.f_Spbm in (select f_spbm from tblsdkz k,tbspjyztda z where "
                        "k.f_jyztbm=z.f_jyztbm and f_yxxs=1) ");
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_QueryProductsMode4OneCode)->Unit(benchmark::kMillisecond);

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

bool Run(benchmark::State& state, const std::string& sql) {
  Variant ref(sql);
  if (host::ExecuteSql(*Database().host, ref)) return true;
  state.SkipWithError(ref.AsArray().front().ToText().c_str());
  return false;
}

// Structure check, range query and both passes over both promotion tables, as one search does
// them; each iteration starts from unset reference prices.
void BM_ReferencePriceStatements(benchmark::State& state) {
  Seeded& s = Database();
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
  if (!Run(state, check)) return;
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
        if (!Run(state, Seven(t, m))) return;
      for (std::string m = AddMonths(min, -2); m <= max; m = AddMonths(m, 1), ++statements)
        if (!Run(state, Eight(t, m))) return;
    }
  }
  state.counters["open_promotions"] = static_cast<double>(open);
  state.counters["sales_lines"] = static_cast<double>(lines);
  state.counters["statements"] = statements;
}
BENCHMARK(BM_ReferencePriceStatements)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
