// The data service's operations with the argument shapes the module's wrappers use.
#include "HostFixture.h"

#include <gmock/gmock.h>

namespace pt::hostapp::testing {
namespace {

using ::testing::HasSubstr;

class Service : public HostFixture {};

TEST_P(Service, ClockAndDatabaseType) {
  EXPECT_EQ(host::GetDatabaseType(host).ToText(), "SQLSERVER");
  Variant month, date, stamp;
  ASSERT_TRUE(host::GetServerMonth(host, month));
  ASSERT_TRUE(host::GetServerDate(host, date));
  ASSERT_TRUE(host::GetServerDateTime(host, stamp));
  EXPECT_EQ(month.ToText(), "202405");
  EXPECT_EQ(date.ToText(), "20240515");
  EXPECT_EQ(stamp.ToText(), "20240515093000");
}

TEST_P(Service, LookupRowsGivesTheOperatorsName) {
  Variant ref("0001");
  ASSERT_TRUE(host::LookupRows(host, 1, ref));
  EXPECT_EQ(Column(DecodePacket(ref.AsPacket()), "f_zymc"), (std::vector<std::string>{"张伟"}));
  Variant unknown("9999");
  ASSERT_TRUE(host::LookupRows(host, 1, unknown));
  EXPECT_TRUE(DecodePacket(unknown.AsPacket()).rows.empty());
}

TEST_P(Service, ParametersAndTemplates) {
  Variant params;
  ASSERT_TRUE(host::GetSystemParameters(host, params));
  DecodedPacket p = DecodePacket(params.AsPacket());
  ASSERT_EQ(p.fields.size(), 2u);
  EXPECT_EQ(p.fields[0].name, "f_Csmc");
  EXPECT_EQ(p.fields[1].name, "f_csz");
  EXPECT_THAT(Texts(p), ::testing::Contains(std::vector<std::string>{"dwlx", "00"}));

  Variant templates;
  ASSERT_TRUE(host::GetReportTemplates(host, "标价签", templates));
  EXPECT_EQ(Texts(DecodePacket(templates.AsPacket())),
            (Rows{{"普通标价签", "7B7D#"}, {"促销标价签", "7B2278223A317D#"}}));
}

TEST_P(Service, DepartmentTreeRowsComeInTreeOrder) {
  Variant ref(std::string("0\t0001"));
  ASSERT_TRUE(host::QueryRows(host, 7, ref));
  DecodedPacket p = DecodePacket(ref.AsPacket());
  std::vector<std::string> got;
  for (size_t r = 0; r < p.rows.size(); ++r)
    got.push_back(Cell(p, r, "f_qt") + " " + Cell(p, r, "f_bmflbm") + " " + Cell(p, r, "f_jb") + " " + Cell(p, r, "f_mj") + " " +
                  Cell(p, r, "f_bmbm") + " " + Cell(p, r, "f_bmmc") + " " + Cell(p, r, "f_bmlx"));
  // 0001 is in charge of 01 only: each category row is followed by its departments; 012 is
  // attached to the top category directly.
  EXPECT_EQ(got, (std::vector<std::string>{"0 01 1 0   0", "0 0101 2 1   0", "0 0101 2 1 010 食品部 1", "0 0102 2 1   0",
                                           "0 0102 2 1 011 日化部 1", "1 01 1 0 012 果蔬部 1"}));
  EXPECT_EQ(Cell(p, 1, "f_bmflmc"), "食品类");

  Variant nobody(std::string("0\t0002"));
  ASSERT_TRUE(host::QueryRows(host, 7, nobody));
  EXPECT_TRUE(DecodePacket(nobody.AsPacket()).rows.empty());
}

TEST_P(Service, CallsTheHostCannotTakeAreRaisedNotAnswered) {
  std::vector<Variant> none;
  EXPECT_TRUE(host.Invoke(12345, none).IsError());
  std::vector<Variant> tooMany{Variant(1), Variant(2), Variant(3)};
  EXPECT_TRUE(host.Invoke(disp::OpenQuery, tooMany).IsError());
  Variant ref("0001");  // the "0" and the tab are missing: a refusal, not a raise
  EXPECT_FALSE(host::QueryRows(host, 7, ref));
  EXPECT_THAT(Errors(ref).front(), HasSubstr("制表符"));
}

TEST_P(Service, FailuresLeaveTheDatabasesMessageInTheErrorList) {
  struct Case {
    const char* sql;
    const char* message;
  } cases[] = {
      {"select * from tb202312_Xsmxzb",
       postgres() ? "relation \"tb202312_xsmxzb\" does not exist" : "no such table: tb202312_Xsmxzb"},
      {"selec f_Spbm from tbSpda", "syntax error"},
      {"select f_nosuch from tbSpda", postgres() ? "column \"f_nosuch\" does not exist" : "no such column: f_nosuch"},
      {"select 1; select 2", "查询只能是一条 SELECT 语句"},
      {"update tbZyda set f_Zymc='改' where f_Zybm='0001'", "does not return a result set"},
  };
  for (const Case& c : cases) {
    Variant ref;
    EXPECT_FALSE(host::OpenQuery(host, c.sql, ref)) << c.sql;
    std::vector<std::string> errors = Errors(ref);
    EXPECT_THAT(errors.front(), HasSubstr(c.message));
    EXPECT_THAT(errors.back(), HasSubstr(c.sql));
  }
  EXPECT_EQ(Cell(Open("select f_Zymc from tbZyda where f_Zybm='0001'"), 0, "f_Zymc"), "张伟");  // nothing ran
  Variant bad(std::string("update tbNoSuch set a=1"));
  EXPECT_FALSE(host::ExecuteCommand(host, bad));
  EXPECT_THAT(Errors(bad).front(),
              HasSubstr(postgres() ? "relation \"tbnosuch\" does not exist" : "no such table: tbNoSuch"));
}

// A server that drops the connection mid-session: the call that meets it fails with the
// database's message, the next one works on a new connection. A wrong URI is refused.
TEST_P(Service, ALostServerIsReportedAndTheNextCallConnectsAgain) {
  if (!postgres()) GTEST_SKIP() << "an SQLite file cannot go away";
  std::string pid = Cell(Open("select pg_backend_pid() v"), 0, "v");
  pt::test::PostgresAdmin("SELECT pg_terminate_backend(" + pid + ")");
  Variant ref;
  EXPECT_FALSE(host::OpenQuery(host, "select f_Zymc from tbZyda", ref));
  EXPECT_THAT(Errors(ref).front(), ::testing::AnyOf(HasSubstr("terminating connection"), HasSubstr("server closed the connection")));
  EXPECT_EQ(Cell(Open("select f_Zymc from tbZyda where f_Zybm='0001'"), 0, "f_Zymc"), "张伟");
  EXPECT_THROW(HostDatabase("postgresql://nobody@%2Fno%2Fsuch%2Ffolder:5999/none"), SqlError);
}

PT_INSTANTIATE_BACKENDS(Service);

}  // namespace
}  // namespace pt::hostapp::testing
