// Writes the seed corpus of every fuzz target from the project's own material: packets, department
// rows and templates of a freshly seeded stand-in host database, the stock templates, the test
// fixtures, the SQL and conditions the module composes, and the expressions of the stock
// templates. Usage: fuzz_seeds OUTPUT_DIR SOURCE_DIR
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/DataPacket.h"
#include "common/GbkCodec.h"
#include "common/MemTable.h"
#include "host/HostOperations.h"
#include "hostapp/HostDatabase.h"
#include "hostapp/SeedData.h"
#include "hostapp/SqliteHostService.h"
#include "queue/DeptChoice.h"
#include "queue/ProductQuery.h"
#include "queue/ProductSources.h"
#include "queue/RFRequests.h"
#include "reports/ReferencePrices.h"
#include "report_engine/StoredTemplate.h"

namespace fs = std::filesystem;
using namespace pt;

namespace {

fs::path out;
int written = 0;

void Seed(const std::string& target, const std::string& name, const std::string& bytes) {
  fs::create_directories(out / target);
  std::ofstream(out / target / name, std::ios::binary) << bytes;
  ++written;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Join(const std::vector<std::string>& parts) {
  std::string s;
  for (size_t i = 0; i < parts.size(); ++i) s += (i ? std::string(1, '\0') : "") + parts[i];
  return s;
}

// Every text in brackets and every visibleIf of a template.
void CollectExpressions(const nlohmann::json& j, std::vector<std::string>& exprs) {
  if (j.is_object()) {
    for (auto it = j.begin(); it != j.end(); ++it) {
      if (it.value().is_string()) {
        const std::string s = it.value().get<std::string>();
        if (it.key() == "visibleIf") exprs.push_back(s);
        static const std::regex bracket(R"(\[([^\[\]]*)\])");
        for (auto m = std::sregex_iterator(s.begin(), s.end(), bracket); m != std::sregex_iterator(); ++m)
          exprs.push_back((*m)[1]);
      } else {
        CollectExpressions(it.value(), exprs);
      }
    }
  } else if (j.is_array()) {
    for (const auto& e : j) CollectExpressions(e, exprs);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fuzz_seeds OUTPUT_DIR SOURCE_DIR\n";
    return 2;
  }
  out = argv[1];
  const fs::path src = argv[2];

  // A small seeded host: its packets, templates and department rows.
  hostapp::HostDatabase db(":memory:", hostapp::ServerClock::Pinned("20240515"));
  hostapp::SeedOptions options;
  options.products = 30;
  options.serverDate = "20240515";
  options.templateDir = (src / "report_engine/templates").string();
  hostapp::SeedDatabase(db, options);
  const char* queries[] = {"select * from tbSpda limit 6", "select * from tbSptm limit 6", "select * from tbsptj limit 4",
                           "select * from tbxsxl limit 3", "select * from tbbmda", "select * from tbZyda limit 0"};
  int n = 0;
  for (const char* q : queries) Seed("packet", "host" + std::to_string(n++), db.QueryNativePacket(q));
  {
    MemTable t("types");
    t.AddField("f_t", FieldType::Text, 8);
    t.AddField("f_i", FieldType::Integer);
    t.AddField("f_f", FieldType::Float);
    t.AddField("f_b", FieldType::Boolean);
    t.CreateDataSet();
    t.Append();
    t.Set("f_t", "可乐");
    t.Set("f_i", Variant(int64_t{-7}));
    t.Set("f_f", 3.5);
    t.Set("f_b", Variant(true));
    t.Post();
    t.Append();
    t.Post();  // a row of nulls
    Seed("packet", "types", t.ToPacket());
  }

  hostapp::SqliteHostService service(db);
  Variant rows(queue::DeptTreeArgument("0001"));
  if (host::QueryRows(service, queue::kDeptTreeSelector, rows) && rows.IsPacket()) {
    const DecodedPacket p = DecodePacket(rows.AsPacket());
    // Field order of the host's rows is its own: map them to the target's order by name.
    std::string mapped;
    const char* order[] = {"f_qt", "f_bmflbm", "f_bmflmc", "f_jb", "f_mj", "f_bmbm", "f_bmmc", "f_bmlx"};
    for (const auto& row : p.rows) {
      for (int f = 0; f < 8; ++f) {
        std::string cell;
        for (size_t k = 0; k < p.fields.size(); ++k)
          if (SameName(p.fields[k].name, order[f])) cell = row[k].ToText();
        mapped += (f ? "|" : "") + cell;
      }
      mapped += "\n";
    }
    Seed("dept", "host", Join({mapped, std::string("\x02\x85\x03\x04", 4), Utf8ToGbk("0 01\r\n0 0101\r\n1 010\r\n")}));
  }
  Seed("dept", "fixture", Join({"0|01|超市事业部|1|0|||0\n0|0101|食品类|2|1|||0\n0|0101|食品类|2|1|010|食品部|1\n"
                                "0|0103|生鲜类|2|0|||0\n0|010301|果蔬|3|1|||0\n0|010301|果蔬|3|1|012|果蔬部|1\n"
                                "0|02|百货事业部|1|0|||0\n0|0201|服装类|2|1|020|服装部|1\n1|01|超市事业部|1|0|019|超市综合部|1\n",
                                "\x0e\x02\x90", Utf8ToGbk("0 02\r\n0 0201\r\n1 020\r\n1 019\r\n")}));

  // Templates: the stock files as JSON and as stored text, what the seeded host stores, the
  // engine's bad-input fixtures.
  std::vector<std::string> exprs;
  for (const auto& e : fs::directory_iterator(src / "report_engine/templates")) {
    const std::string json = ReadFile(e.path());
    Seed("template", e.path().stem().string() + ".json", json);
    Seed("template", e.path().stem().string() + ".hex", report::EncodeStoredTemplate(json));
    CollectExpressions(nlohmann::json::parse(json), exprs);
  }
  for (const auto& e : fs::directory_iterator(src / "tests/data"))
    if (e.path().extension() == ".json") Seed("template", e.path().filename().string(), ReadFile(e.path()));
  const DecodedPacket stored = DecodePacket(db.QueryNativePacket("select f_ReportInfo from tbbbmb limit 2"));
  n = 0;
  for (const auto& row : stored.rows) Seed("template", "stored" + std::to_string(n++), row[0].ToText());

  n = 0;
  for (const std::string& e : exprs) Seed("expression", "stock" + std::to_string(n++), e);
  for (const char* e : {"1+1+1+1", "not (a and b) or -3*2/4 >= 0.005", "'a''b' + cdsPrint.\"f_Spmc\"",
                        "Page# = TotalPages# and Line# <> 0", "[dj] = '合格'"})
    Seed("expression", "form" + std::to_string(n++), e);

  // Filters: what the query builder writes and what the grid's exclusion step adds.
  n = 0;
  for (const char* f : {" f_spbm='000101'", "( f_spmc Like '%可乐%'  And f_xsdj Between 1 And 5 )",
                        "f_xsdj<>'3.5' OR NOT f_sptm like '69%'", "f_spbm<>'temp@temp@temp' and 1=1",
                        "f_spmc not between 'a' and '中' or f_xsdj >= -2.50"})
    Seed("filter", "builder" + std::to_string(n++), f);

  // Settings: the fixture with the keys the module writes.
  const std::string ini = ReadFile(src / "tests/data/ini/settings_gbk.ini");
  Seed("ini", "fixture", Join({ini, "SpBjqDy", "Dytj", "1"}));
  Seed("ini", "fixture-rewrite", Join({ini, "spbjqdy", "MBWZ", "12"}));
  Seed("ini", "cr-ending", Join({"[a]\r\nx=1\r", "a", "k", "v"}));
  Seed("ini", "utf8", Join({"\xEF\xBB\xBF[ColorOption]\nbackcolor=15528176\n", "ColorOption", "linecolor", "合格"}));

  // Import files: codes, and amount-controlled lines, in GBK as clerks save them.
  Seed("import", "codes", Utf8ToGbk("000101\r\n000102\r\n000101\r\nA0301\r\n'quote\r\n"));
  Seed("import", "amount", Utf8ToGbk("000101,可口可乐,KL500,6901234567892,500ml,合格,上海,瓶,3.50,可口可乐,1,备注\r\n"
                                     "000102,康师傅,KSF120,6901234567908,120g,一等品,天津,袋,4.5\r\n"));
  Seed("import", "utf8-bom", "\xEF\xBB\xBF" "A0301,苹果,PG01,,一级,合格,烟台,千克,12.80\n");

  // GBK: names of the seeded products in both encodings.
  const DecodedPacket names = DecodePacket(db.QueryNativePacket("select f_Spmc from tbSpda limit 8"));
  n = 0;
  for (const auto& row : names.rows) {
    Seed("gbk", "utf8-" + std::to_string(n), row[0].ToText());
    Seed("gbk", "gbk-" + std::to_string(n++), Utf8ToGbk(row[0].ToText()));
  }
  Seed("gbk", "translit", "½™…«№€");

  // SQL the module sends through the host, as its composition functions write it.
  const std::vector<std::string> sql = {
      queue::PriceChangeBillListSql("20240515"),
      "select * from tbSpda da where " + queue::PricingBillCondition("20240515", "001"),
      "select * from tbSpda da where " + queue::ComposeProductCondition(" da.f_Spbm like '0001%' ", "01", "202405"),
      queue::PricingBillListSql("202405"),
      queue::BillDepartmentSql("202405", "lsdjg", "DJ001"),
      queue::DeptRestrictionSql({"010", "011"}, {"0101"}, "01"),
      queue::RfBatchListSql(queue::RfList::Normal, "20240515"),
      "select top 5 f_Spbm from tbSpda order by f_Spbm desc",
      "if not (exists (select 1 from syscolumns where name='f_q7yxsdj' and id= object_id('tbsptj'))) "
      "alter table tbsptj add f_q7yxsdj numeric(12,2) null, f_q8yxsdj numeric(12,2) null",
      "update tbZyda set f_Zymc=N'张伟' where f_Zybm='0001'; delete tbRFBjq where DATEDIFF(day,cast(f_Rq as datetime),getdate())>7",
      "select top (select count(*) from tbZyda) left(f_Spbm,2), isnull(f_Sphh,'') from tbSpda -- the end",
  };
  n = 0;
  for (const std::string& s : sql) Seed("sql", "module" + std::to_string(n++), s);
  n = 0;
  for (const reports::PricePass& pass : reports::ReferencePricePasses("202403", "202405"))
    if (n < 4) Seed("sql", "reference" + std::to_string(n++), reports::PassSql(reports::PromotionTable::Ordinary, pass, "tbsptj.f_spbm='000101'"));
  std::cout << written << " seeds in " << out << "\n";
  return 0;
}
