// The demo data: the same options give the same database, and it holds what the module's
// roads need around the server date.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <fstream>
#include <sstream>

#include "common/DataPacket.h"
#include "host/HostOperations.h"
#include "hostapp/SeedData.h"
#include "hostapp/SqliteHostService.h"
#include "tests/support/backends/TestBackends.h"

namespace pt::hostapp {
namespace {

constexpr const char* kDate = "20240315";

SeedOptions Options(uint64_t seed = 7) {
  SeedOptions o;
  o.products = 300;
  o.serverDate = kDate;
  o.seed = seed;
  return o;
}

// Every row of every table, in order: equal digests mean equal databases.
std::string Dump(HostDatabase& db) {
  std::vector<std::string> tables;
  {
    Statement st(db, db.kind() == Backend::Sqlite
                         ? "SELECT name FROM sqlite_schema WHERE type='table' AND name NOT LIKE 'sqlite_%' ORDER BY name"
                         : "SELECT tablename FROM pg_tables WHERE schemaname = current_schema() ORDER BY 1");
    while (st.Step()) tables.push_back(st.Text(0));
  }
  std::string out;
  for (const std::string& t : tables) {
    // Rows in the order they were written.
    Statement st(db, "SELECT * FROM " + t + (db.kind() == Backend::Sqlite ? " ORDER BY rowid" : " ORDER BY ctid"));
    out += "#" + t + "\n";
    while (st.Step()) {
      for (int c = 0; c < st.Columns(); ++c) out += (st.IsNull(c) ? std::string("~") : st.Text(c)) + "|";
      out += "\n";
    }
  }
  return out;
}

// A count in the module's dialect.
int64_t Count(HostDatabase& db, const std::string& sql) {
  DecodedPacket p = DecodePacket(db.QueryPacket(sql));
  return p.rows.at(0).at(0).ToInt();
}

class Seed : public ::testing::TestWithParam<Backend> {
 protected:
  // A fresh database of the back end under test; kept until the test ends.
  HostDatabase& Fresh(ServerClock clock = ServerClock()) {
    scratch_.push_back(std::make_unique<pt::test::ScratchDatabase>(GetParam()));
    dbs_.push_back(std::make_unique<HostDatabase>(scratch_.back()->target(), std::move(clock)));
    return *dbs_.back();
  }

 private:
  std::vector<std::unique_ptr<pt::test::ScratchDatabase>> scratch_;
  std::vector<std::unique_ptr<HostDatabase>> dbs_;
};

TEST_P(Seed, IsDeterministicForAGivenSeed) {
  HostDatabase &a = Fresh(), &b = Fresh(), &c = Fresh();
  SeedDatabase(a, Options(7));
  SeedDatabase(b, Options(7));
  SeedDatabase(c, Options(8));
  std::string da = Dump(a);
  EXPECT_EQ(da, Dump(b));
  EXPECT_NE(da, Dump(c));
  EXPECT_EQ(SeededServerDate(a), kDate);
  EXPECT_THROW(SeedDatabase(a, Options(7)), std::invalid_argument);  // never over existing products
}

TEST_P(Seed, HoldsWhatTheModulesRoadsNeed) {
  HostDatabase& db = Fresh(ServerClock::Pinned(kDate));
  SeedSummary s = SeedDatabase(db, Options());
  EXPECT_EQ(s.products, 300);
  const std::string d = kDate;
  {
    Statement st(db, "SELECT f_Sptm FROM tbSptm");
    int n = 0;
    while (st.Step()) {
      std::string code = st.Text(0);
      ++n;
      ASSERT_EQ(code.size(), 13u);
      EXPECT_EQ(Ean13(code.substr(0, 12)), code) << "check digit of " << code;
    }
    EXPECT_EQ(n, s.barcodes);
  }

  struct Present {
    const char* what;
    std::string sql;
  } present[] = {
      {"several barcodes", "SELECT count(*) FROM (SELECT f_Spbm FROM tbSptm GROUP BY f_Spbm HAVING count(*)>1) x"},
      {"several package units", "SELECT count(*) FROM (SELECT f_Spbm FROM tbSptm GROUP BY f_Spbm HAVING count(DISTINCT f_dwbl)>1) x"},
      {"current ordinary promotion", "SELECT count(*) FROM tbsptj WHERE f_tjlx=0 AND f_qsrq<='" + d + "' AND f_jsrq>='" + d + "'"},
      {"next ordinary promotion", "SELECT count(*) FROM tbsptj WHERE f_tjlx=0 AND f_qsrq>'" + d + "'"},
      {"current member promotion", "SELECT count(*) FROM tbsptj WHERE f_tjlx=1 AND f_qsrq<='" + d + "' AND f_jsrq>='" + d + "'"},
      {"next member promotion", "SELECT count(*) FROM tbsptj WHERE f_tjlx=1 AND f_qsrq>'" + d + "'"},
      {"promotion ending today", "SELECT count(*) FROM tbsptj WHERE f_jsrq='" + d + "'"},
      {"flash sale (kind 0)", "SELECT count(*) FROM tbxsxl WHERE f_xc=0 AND f_jsrq>='" + d + "' AND abs(f_xsdj)>0.005"},
      {"member price (kind 1)", "SELECT count(*) FROM tbxsxl WHERE f_xc=1 AND f_jsrq>='" + d + "' AND abs(f_xsdj)>0.005"},
      {"time-limited sale of another kind", "SELECT count(*) FROM tbxsxl WHERE f_xc NOT IN (0,1)"},
      {"quantity pricing", "SELECT count(*) FROM tbPlzj"},
      {"stock", "SELECT count(*) FROM tb202403_Yhj"},
      {"price-change bill of the day", "SELECT count(*) FROM tb202403_sptj WHERE f_Rzrq='" + d + "'"},
      {"price-change log of the day", "SELECT count(*) FROM tb202403_tjrz WHERE f_Tjrq='" + d + "'"},
      {"pricing bill executed today",
       "SELECT count(*) FROM tb202403_spdj_zb zb JOIN tb202403_spdj_lsdjg l ON l.f_djh=zb.f_djh WHERE zb.f_zxbz=1 AND zb.f_zxrq='" +
           d + "'"},
      {"change list of the day before", "SELECT count(*) FROM tb202403_spyd WHERE F_Ydrq='20240314'"},
      {"new products", "SELECT count(*) FROM tbSpda WHERE f_Mj=1 AND f_Jdrq>='20240305'"},
      {"sales three months back", "SELECT count(*) FROM tb202312_Xsmxcb"},
      {"sales in the week before a current promotion",
       "SELECT count(*) FROM tbsptj t WHERE f_tjlx=0 AND f_qsrq<='" + d + "' AND f_jsrq>='" + d +
           "' AND EXISTS (SELECT 1 FROM tb202403_Xsmxzb z JOIN tb202403_Xsmxcb c ON z.f_bmbm=c.f_bmbm AND z.f_djh=c.f_djh "
           "WHERE c.f_spbm=t.f_spbm AND DATEDIFF(day,f_rzrq,f_qsrq) BETWEEN 1 AND 7)"},
      {"RF batches", "SELECT count(*) FROM (SELECT DISTINCT f_Zybm, f_Sj FROM tbRFBjq) x"},
      {"RF requests of an employee missing from tbZyda",
       "SELECT count(*) FROM tbRFBjq WHERE f_Zybm NOT IN (SELECT f_Zybm FROM tbZyda)"},
      {"departments attached to a top category", "SELECT count(*) FROM tbdjbmfldz z JOIN tbdjbmfl f USING(f_bmflbm) WHERE f_jb=1"},
      {"unit type", "SELECT count(*) FROM tbxtcs WHERE f_Csmc='dwlx' AND f_csz='00'"},
      {"label templates", "SELECT count(*) FROM tbbbmb WHERE f_lb='标价签' AND f_ReportInfo LIKE '%#'"},
      {"two ordinary promotions of one product in force",
       "SELECT count(*) FROM (SELECT f_spbm FROM tbsptj WHERE f_tjlx=0 AND f_qsrq<='" + d + "' AND f_jsrq>='" + d +
           "' GROUP BY f_spbm HAVING count(*)>1) x"},
      {"a department's promotion beside a general one",
       "SELECT count(*) FROM tbsptj a, tbsptj b WHERE a.f_spbm=b.f_spbm AND a.f_tjlx=0 AND b.f_tjlx=0 AND a.f_bmbm='' "
       "AND b.f_bmbm<>'' AND a.f_qsrq<='" + d + "' AND a.f_jsrq>='" + d + "' AND b.f_qsrq<='" + d + "' AND b.f_jsrq>='" + d + "'"},
      {"an RF request of a member-price sale",
       "SELECT count(*) FROM tbRFBjq r, tbZyda e, tbxsxl x WHERE r.f_Zybm=e.f_Zybm AND x.f_spbm=r.f_Spbm AND x.f_xc=1 "
       "AND x.f_jsrq>='" + d + "' AND abs(x.f_xsdj)>0.005"},
      {"a pricing-bill line for another department", "SELECT count(*) FROM tb202403_spdj_lsdjg WHERE f_bmlx=1 AND f_bmbm<>'010'"},
  };
  for (const Present& p : present) EXPECT_GT(Count(db, p.sql), 0) << p.what;
  EXPECT_GE(Count(db, "SELECT count(*) FROM (SELECT DISTINCT f_Zybm, f_Sj FROM tbRFBjq) x"), 3);
  // Fixed-width codes come back with their trailing blanks, as from the server.
  Statement rf(db, "SELECT f_Zybm, f_Spbm FROM tbRFBjq");
  ASSERT_TRUE(rf.Step());
  EXPECT_EQ(rf.Text(0).size(), 8u);
  EXPECT_EQ(rf.Text(1).size(), 15u);
}

TEST_P(Seed, StoresEachTemplateFileAsHexText) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / "pricetag-seed-templates";
  fs::create_directories(dir);
  std::string bytes = "{\"name\":\"测试标签\",\"version\":1}";
  std::ofstream(dir / "test.json", std::ios::binary) << bytes;
  SeedOptions o = Options();
  o.products = 5;
  o.templateDir = dir.string();
  HostDatabase& db = Fresh();
  SeedSummary s = SeedDatabase(db, o);
  fs::remove_all(dir);
  EXPECT_EQ(s.templates, 1);
  EXPECT_FALSE(s.placeholderTemplate);
  Statement st(db, "SELECT f_Reportname, f_ReportInfo FROM tbbbmb WHERE f_lb='标价签'");
  ASSERT_TRUE(st.Step());
  EXPECT_EQ(st.Text(0), "测试标签");
  EXPECT_EQ(st.Text(1), HexTemplate(bytes));
  EXPECT_EQ(HexTemplate("{\xE6"), "7BE6#");  // high digit first, upper case, ended by "#"
}

TEST_P(Seed, ServesTheModulesStartUpCalls) {
  HostDatabase& db = Fresh(ServerClock::Pinned(kDate));
  SeedDatabase(db, Options());
  DbHostService service(db);
  Variant name("0001");
  ASSERT_TRUE(host::LookupRows(service, 1, name));
  Variant tree(std::string("0\t0001"));
  ASSERT_TRUE(host::QueryRows(service, 7, tree));
  EXPECT_GT(DecodePacket(tree.AsPacket()).rows.size(), 5u);
  Variant templates;
  ASSERT_TRUE(host::GetReportTemplates(service, "标价签", templates));
  EXPECT_FALSE(DecodePacket(templates.AsPacket()).rows.empty());
}

// A large selection reads the detail tables whole, a small one joins them; both must give the
// same rows.
TEST_P(Seed, LargeAndSmallSelectionsGiveTheSameRows) {
  HostDatabase& db = Fresh(ServerClock::Pinned(kDate));
  SeedOptions o = Options();
  o.products = 4400;
  o.salesLines = 0;
  SeedDatabase(db, o);
  DbHostService service(db);
  auto query = [&](const std::string& tj, const std::string& dept) {
    PacketWriter w({{"f_Tj", FieldType::Text, 0}, {"f_Yxsdj", FieldType::Text, 0}, {"f_DeptSql", FieldType::Text, 0}});
    w.AddRow({tj, "1", dept});
    Variant ref = Variant::MakePacket(w.Finish());
    EXPECT_TRUE(host::QueryProducts(service, 1, ref));
    return DecodePacket(ref.AsPacket());
  };
  for (const std::string dept : {"", "select f_bmbm,f_bmmc from tbbmda where f_bmbm in ('010','011')"}) {
    DecodedPacket all = query(" da.f_Spbm like '1%' ", dept);
    std::map<std::string, std::vector<std::vector<Variant>>> byCode;
    for (const auto& row : all.rows) byCode[row[2].ToText()].push_back(row);
    ASSERT_GT(byCode.size(), 2000u);  // past the join limit of the host's selection
    int compared = 0;
    for (auto it = byCode.begin(); it != byCode.end(); std::advance(it, std::min<ptrdiff_t>(61, std::distance(it, byCode.end())))) {
      DecodedPacket one = query(" da.f_Spbm='" + it->first + "' ", dept);
      EXPECT_EQ(one.rows, it->second) << it->first;
      ++compared;
    }
    EXPECT_GT(compared, 30);
  }
}

PT_INSTANTIATE_BACKENDS(Seed);

}  // namespace
}  // namespace pt::hostapp
