// Templates in the host database: the store the designer and the template command write
// through, and `pricetag-template` itself run as a shop would run it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "common/MemTable.h"
#include "common/ModuleError.h"
#include "designer/TemplateDocument.h"
#include "host/HostOperations.h"
#include "hostapp/SqliteHostService.h"
#include "hostapp/TemplateStore.h"
#include "report_engine/StoredTemplate.h"
#include "tests/designer/DesignerTestSupport.h"

namespace pt::hostapp {
namespace {

using test::ReadBytes;
using test::StockTemplate;

struct Row {
  std::string name, info;
  int64_t order;
  bool operator==(const Row&) const = default;
};

std::vector<Row> AllRows(HostDatabase& db) {
  Statement st(db, "SELECT f_Reportname, f_ReportInfo, f_xh FROM tbbbmb ORDER BY f_lb, f_xh, f_Reportname");
  std::vector<Row> rows;
  while (st.Step()) rows.push_back({st.Text(0), st.Text(1), st.Int(2)});
  return rows;
}

std::string Failure(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

std::string Renamed(const std::string& bytes, const std::string& name) {
  designer::TemplateDocument doc = designer::TemplateDocument::Parse(bytes);
  doc.SetName(name);
  return doc.Serialize();
}

TEST(TemplateStore, SavingInsertsOrReplacesOneRowByNameAndTheModuleListsIt) {
  test::SeededFile file;
  HostDatabase db(file.path());
  TemplateStore store(db);
  const std::vector<Row> before = AllRows(db);
  ASSERT_GE(before.size(), 3u);  // the stock templates
  const size_t stock = before.size();

  const std::string mine = Renamed(StockTemplate("ordinary-label.json"), "Shelf");
  EXPECT_FALSE(store.Save(" Shelf ", mine));
  std::vector<Row> after = AllRows(db);
  ASSERT_EQ(after.size(), stock + 1);
  EXPECT_EQ(std::vector<Row>(after.begin(), after.begin() + static_cast<long>(stock)), before) << "other rows untouched";
  EXPECT_EQ(after[stock].name, "Shelf");
  EXPECT_EQ(after[stock].order, before.back().order + 1);
  EXPECT_EQ(after[stock].info, report::EncodeStoredTemplate(mine));
  EXPECT_EQ(store.Load("shelf"), mine);

  // The same name in other letters replaces the row where it stands.
  const std::string changed = Renamed(mine, "SHELF");
  EXPECT_TRUE(store.Save("SHELF", changed));
  after = AllRows(db);
  ASSERT_EQ(after.size(), stock + 1);
  EXPECT_EQ(after[stock].name, "SHELF");
  EXPECT_EQ(after[stock].order, before.back().order + 1);
  EXPECT_EQ(store.Load("Shelf"), changed);
  EXPECT_EQ(std::vector<Row>(after.begin(), after.begin() + static_cast<long>(stock)), before);

  // What the module's template list (host operation 17) then holds.
  SqliteHostService service(db);
  Variant ref;
  ASSERT_TRUE(host::GetReportTemplates(service, "标价签", ref));
  MemTable list;
  list.LoadPacket(ref.AsPacket());
  ASSERT_EQ(list.RecordCount(), static_cast<int>(stock + 1));
  list.Last();
  EXPECT_EQ(list.GetText("f_Reportname"), "SHELF");
  EXPECT_EQ(report::DecodeStoredTemplate(list.GetText("f_ReportInfo")), changed);

  EXPECT_TRUE(store.Remove("shelf"));
  EXPECT_FALSE(store.Remove("shelf"));
  EXPECT_EQ(AllRows(db), before);
}

// 31 Chinese characters: 62 GBK bytes, two more than the column holds.
std::string LongName() {
  std::string name;
  for (int i = 0; i < 31; ++i) name += "签";
  return name;
}

TEST(TemplateStore, BadInputIsRefusedWithItsReasonAndTheDatabaseStaysAsItWas) {
  test::SeededFile file;
  HostDatabase db(file.path());
  TemplateStore store(db);
  const std::vector<Row> before = AllRows(db);
  struct Case { std::string name, bytes, message; };
  const Case cases[] = {
      {"坏模板", ReadBytes(test::DataDir() + "/report_damaged.json"), "报表模板已损坏，无法读取（第 94 个字节处）"},
      {"别家的", ReadBytes(test::DataDir() + "/report_not_ours.json"), "不是本系统的报表模板，无法读取"},
      {"  ", StockTemplate("ordinary-label.json"), "模板名称不能为空"},
      {LongName(), StockTemplate("ordinary-label.json"),
       "模板名称“" + LongName() + "”太长：最多 60 个字节（一个汉字占两个字节）"},
  };
  for (const Case& c : cases) EXPECT_EQ(Failure([&] { store.Save(c.name, c.bytes); }), c.message) << c.name;
  EXPECT_EQ(Failure([&] { store.Load("没有"); }), "数据库中没有名为“没有”的标价签模板");
  EXPECT_EQ(AllRows(db), before);

  // A damaged row reads back as it is; opening it in the designer says where it is broken.
  Statement(db, "UPDATE tbbbmb SET f_ReportInfo=?1 WHERE f_Reportname='普通标价签'")
      .Bind(1, report::EncodeStoredTemplate("{\"format\": \"pricetag-report\",\n \"version\": 1, \"bands\": [").substr(0, 90) + "#")
      .Run();
  EXPECT_EQ(Failure([&] { designer::TemplateDocument::Parse(store.Load("普通标价签")); }),
            "报表模板已损坏，无法读取（第 2 行第 16 列）");

  // A database without the template table is reported and not given one.
  HostDatabase other(file.File("other.db"));
  other.ExecNative("CREATE TABLE t(a)");
  EXPECT_EQ(Failure([&] { TemplateStore s(other); }),
            "数据库中没有报表模板表（tbbbmb），无法读写标价签模板；数据库未作任何改动");
  EXPECT_FALSE(other.TableExists("tbbbmb"));
}

// ------------------------------------------------------------------ pricetag-template

struct Result {
  int rc = -1;
  std::string out, err;
};

Result Tool(const test::SeededFile& dir, const std::string& args) {
  const std::string out = dir.File("out.txt"), err = dir.File("err.txt");
  const std::string command = std::string(PRICETAG_TEMPLATE_TOOL) + " " + args + " >" + out + " 2>" + err + " </dev/null";
  const int status = std::system(command.c_str());
  return Result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(out), ReadBytes(err)};
}

TEST(TemplateCommand, InstallListExportRemoveOnADatabase) {
  test::SeededFile file;
  const std::string db = "--db " + file.path();
  const std::string json = file.File("shelf.json");
  test::WriteBytes(json, Renamed(StockTemplate("promotion-label.json"), "货架签"));

  Result r = Tool(file, "install " + db + " " + json);
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "已安装模板“货架签”\n");
  r = Tool(file, "install " + db + " --name 特价签 " + json);
  EXPECT_EQ(r.out, "已安装模板“特价签”\n");
  std::vector<TemplateRow> rows;
  {
    HostDatabase reader(file.path());
    rows = TemplateStore(reader).List();
  }
  ASSERT_GE(rows.size(), 5u);
  EXPECT_EQ(rows[rows.size() - 2].name, "货架签") << "new names come last, in the order they were installed";
  EXPECT_EQ(rows.back().name, "特价签");
  std::string listed;
  for (const TemplateRow& row : rows) listed += std::to_string(row.order) + "\t" + row.name + "\n";
  r = Tool(file, "list " + db);
  EXPECT_EQ(r.out, listed);

  // An existing name is replaced only when asked to.
  HostDatabase reader(file.path());
  const std::vector<Row> before = AllRows(reader);
  r = Tool(file, "install " + db + " --name 普通标价签 " + json);
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "数据库中已有模板“普通标价签”，没有替换（要替换请加 --replace）\n");
  EXPECT_EQ(AllRows(reader), before);
  r = Tool(file, "install " + db + " --replace --name 普通标价签 " + json);
  EXPECT_EQ(r.out, "已替换模板“普通标价签”\n");

  r = Tool(file, "export " + db + " 货架签");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.out, ReadBytes(json));
  r = Tool(file, "export " + db + " -o " + file.File("back.json") + " 普通标价签");
  EXPECT_EQ(ReadBytes(file.File("back.json")), ReadBytes(json));

  r = Tool(file, "remove " + db + " 货架签");
  EXPECT_EQ(r.out, "已删除模板“货架签”\n");
  r = Tool(file, "remove " + db + " 货架签");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "数据库中没有名为“货架签”的标价签模板\n");
}

TEST(TemplateCommand, CheckAndBadInputGiveTheReasonAndChangeNothing) {
  test::SeededFile file;
  const std::string db = "--db " + file.path();
  Result r = Tool(file, "check " + test::DataDir() + "/report_damaged.json");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "报表模板已损坏，无法读取（第 1 行第 94 列）\n");

  const std::string odd = file.File("odd.json");
  std::string bytes = StockTemplate("ordinary-label.json");
  bytes.replace(bytes.find("f_Spcd"), 6, "f_Cd");
  bytes.replace(bytes.find("\"x\": 41, \"y\": 27"), 16, "\"x\": 61, \"y\": 27");
  test::WriteBytes(odd, bytes);
  r = Tool(file, "check " + odd);
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.out, "模板：普通标价签，纸张 80 × 50 毫米，每页 1 列 × 1 行\n");
  EXPECT_EQ(r.err,
            "模板有 2 个问题：\norigin：报表模板引用了不存在的字段：cdsPrint.\"f_Cd\"\n"
            "price：超出标签范围：标签 80 × 50 毫米，对象在 (61, 27) 至 (98, 42)\n");
  r = Tool(file, "check " + db + " " + hostapp::DefaultTemplateDir() + "/ordinary-label.json");
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "模板正常：普通标价签，纸张 80 × 50 毫米，每页 1 列 × 1 行\n");

  HostDatabase reader(file.path());
  const std::vector<Row> before = AllRows(reader);
  r = Tool(file, "install " + db + " " + odd.substr(0, odd.size() - 5) + "-missing.json");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "无法打开文件：" + file.File("odd-missing.json") + "\n");
  r = Tool(file, "install " + db + " " + test::DataDir() + "/report_not_ours.json");
  EXPECT_EQ(r.err, "不是本系统的报表模板，无法读取\n");
  EXPECT_EQ(AllRows(reader), before);

  HostDatabase other(file.File("other.db"));
  other.ExecNative("CREATE TABLE t(a)");
  r = Tool(file, "list --db " + file.File("other.db"));
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "数据库中没有报表模板表（tbbbmb），无法读写标价签模板；数据库未作任何改动\n");
  EXPECT_FALSE(other.TableExists("tbbbmb"));
  EXPECT_EQ(Tool(file, "list").rc, 2);
  EXPECT_EQ(Tool(file, "install --db x").rc, 2);
}

}  // namespace
}  // namespace pt::hostapp
