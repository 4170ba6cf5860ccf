// SQL Server dialect on SQLite: expressions give SQL Server's answers, batches run statement by
// statement, and what cannot run is an error, never a wrong answer.
#include "HostFixture.h"

#include <gmock/gmock.h>

#include "hostapp/SqlDialect.h"

namespace pt::hostapp::testing {
namespace {

using ::testing::HasSubstr;

class Dialect : public HostFixture {};

struct ExprCase {
  const char* expr;
  const char* expected;
};

TEST_F(Dialect, ExpressionsGiveSqlServersAnswers) {
  const ExprCase cases[] = {
      {"DATEDIFF(day,cast('20240301' as datetime),cast('20240308' as datetime))", "7"},
      {"DATEDIFF(day,cast('20240229' as datetime),cast('20240301' as datetime))", "1"},  // leap day
      {"DATEDIFF(day,cast('20240308' as datetime),cast('20240301' as datetime))", "-7"},
      {"DATEDIFF(dd,'2024-03-01 23:59:00','2024-03-02 00:01:00')", "1"},  // day boundaries, not 24 hours
      {"DATEDIFF(month,'20231231','20240101')", "1"},
      {"DATEDIFF(year,'20231231','20240101')", "1"},
      {"cast('20240515' as datetime)", "2024-05-15 00:00:00"},
      {"cast('' as datetime)", "1900-01-01 00:00:00"},
      {"convert(datetime,'2024/5/15')", "2024-05-15 00:00:00"},
      {"DATEADD(day,1,'20240228')", "2024-02-29 00:00:00"},
      {"DATEADD(month,1,'20240131')", "2024-02-29 00:00:00"},
      {"ceiling((10.00+0.00)/3*10)/10", "3.4"},  // 3 units paid 10.00
      {"ceiling((2.65+0.35)/1*10)/10", "3"},
      {"ceiling(0.7*10)/10", "0.7"},             // exact on money, 7.000000000000001 on floats
      {"ceiling(7)", "7"},
      {"coalesce(null,0.0)", "0"},
      {"isnull(null,'x')", "x"},
      {"left('0101',2)", "01"},
      {"left('食品类',2)", "食品"},  // characters, not bytes
      {"right('20240515',4)", "0515"},
      {"len('ab  ')", "2"},
      {"charindex('b','abc')", "2"},
      {"N'中文'", "中文"},
      {"(select top 1 f_qsrq from tbsptj where f_spbm='000101' order by f_qsrq desc)", "20240601"},
      {"(select count(*) from syscolumns where name='f_spbm' and id= object_id('tbsptj'))", "1"},
      {"(select count(*) from syscolumns where name='F_SPBM' and id= object_id('TBSPTJ'))", "1"},
      {"(select count(*) from syscolumns where name='f_q7yxsdj' and id= object_id('tbsptj'))", "0"},
      {"object_id('no_such_table')", "<null>"},
  };
  for (const ExprCase& c : cases) {
    DecodedPacket p = Open(std::string("select ") + c.expr + " v");
    ASSERT_EQ(p.rows.size(), 1u) << c.expr;
    EXPECT_EQ(Cell(p, 0, "v"), c.expected) << c.expr;
  }
}

TEST_F(Dialect, TextComparesLikeACaseInsensitiveCollation) {
  struct Case {
    const char* where;
    size_t rows;
  } cases[] = {
      {"f_Spbm='a0301'", 1},      // letters without case
      {"f_Spbm='000101  '", 1},   // trailing blanks ignored
      {"f_Spbm=' 000101'", 0},    // leading blanks count
      {"f_Spbm like 'a03%'", 1},
      {"f_Spbm in ('A0301','000102 ')", 2},
  };
  for (const Case& c : cases) EXPECT_EQ(Open(std::string("select f_Spbm from tbSpda where ") + c.where).rows.size(), c.rows) << c.where;
  // Grouping and distinct follow the collation too.
  Exec("insert into tbRFBjq values ('0004','20240515091500','a0301 ')");
  EXPECT_EQ(Open("select distinct f_Spbm from tbRFBjq where f_Spbm like 'a%'").rows.size(), 1u);
}

TEST_F(Dialect, TopBecomesALimitOfItsOwnSelect) {
  EXPECT_EQ(Column(Open("select top 2 f_Spbm from tbSpda where f_Mj=1 order by f_Spbm desc"), "f_Spbm"),
            (std::vector<std::string>{"A0301", "000201"}));
  EXPECT_EQ(Open("select distinct top (1) f_bmbm from tbSpda order by f_bmbm").rows.size(), 1u);
  // A member of a union gets its own limit, the last one too.
  EXPECT_EQ(Open("select top 1 f_Spbm from tbSpda where f_Spbm='000101' union select f_Spbm from tbSpda where f_Spbm='A0301'")
                .rows.size(),
            2u);
  EXPECT_EQ(Open("select f_Spbm from tbSpda where f_Spbm='000101' union all select top 1 f_Spbm from tbSpda").rows.size(), 2u);
  // A comment after the count, or ending the text, keeps the limit; a count may be a subquery,
  // itself with a top.
  ASSERT_GT(Open("select f_Spbm from tbSpda").rows.size(), 2u);
  struct Case { const char* sql; size_t rows; } cases[] = {
      {"select top 2 f_Spbm from tbSpda --", 2},
      {"select top 2 -- two\n f_Spbm from tbSpda /* no more */ -- really", 2},
      {"select top (select count(*) from tbZyda where f_Zybm in ('0001','0002')) f_Spbm from tbSpda", 2},
      {"select top (select top 1 count(*) from tbZyda where f_Zybm='0001') f_Spbm from tbSpda order by f_Spbm", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(Open(c.sql).rows.size(), c.rows) << c.sql;
  // Where the limit cannot be kept to its own select, the statement is refused, never run another way.
  EXPECT_THROW(TranslateBatch("select f_Spbm from tbSpda union select top 1 f_Spbm from tbSpda order by 1"), DialectError);
}

// alias.col IN (SELECT ...) is answered through EXISTS; NULLs must come out as on the server.
TEST_F(Dialect, InSubqueryKeepsThreeValuedLogic) {
  struct Case {
    const char* where;
    const char* count;
  } cases[] = {
      {"da.f_Spbm in (select k.f_spbm from tblsdkz k,tbspjyztda z where k.f_jyztbm=z.f_jyztbm and f_yxxs=1)", "4"},
      {"not (da.f_Spbm in (select k.f_spbm from tblsdkz k where k.f_jyztbm='02'))", "5"},
      // The article numbers include a NULL (the category row): no code matches, so every
      // answer is unknown and NOT keeps none.
      {"not (da.f_Spbm in (select x.f_Sphh from tbSpda x))", "0"},
      {"(da.f_Spbm in (select x.f_Sphh from tbSpda x)) is null", "6"},
      {"da.f_Spbm in (select f_spbm from tbgysdz where f_gysbm='G001') and da.f_Spbm not in (select f_spbm from tbPlzj)",
       "1"},
      // A top inside the subquery gets its limit there.
      {"da.f_Spbm in (select k.f_spbm from tblsdkz k where k.f_spbm in (select top 1 x.f_Spbm from tbSpda x order by x.f_Spbm))",
       "1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Cell(Open(std::string("select count(*) n from tbSpda da where ") + c.where), 0, "n"), c.count) << c.where;
}

TEST_F(Dialect, IfNotExistsAlterTableAddsAColumnOnce) {
  const std::string batch =
      "if not (exists (select 1 from syscolumns where name='f_test' and id= object_id('tbZyda')))   "
      "alter table tbZyda add f_test varchar(1) not null default '0';";
  Exec(batch);
  Exec(batch);  // the second run finds the column and does nothing
  EXPECT_TRUE(db.ColumnExists("tbZyda", "f_test"));
  // The new text column compares without case like the others.
  Exec("update tbZyda set f_test='A' where f_Zybm='0001'");
  EXPECT_EQ(Open("select f_Zybm from tbZyda where f_test='a'").rows.size(), 1u);
}

TEST_F(Dialect, BatchesRunInOrderAndStopAtTheFirstFailure) {
  Exec("update tbZyda set f_Zymc='甲;乙' where f_Zybm='0002'; -- a comment; not a statement\n"
       "delete tbRFBjq where f_Zybm='0099';");
  EXPECT_EQ(Cell(Open("select f_Zymc from tbZyda where f_Zybm='0002'"), 0, "f_Zymc"), "甲;乙");
  EXPECT_TRUE(Open("select * from tbRFBjq where f_Zybm='0099'").rows.empty());

  Variant ref(std::string("update tbZyda set f_Zymc='丙' where f_Zybm='0002';update tb202312_Xsmxzb set f_sj='1';"
                          "update tbZyda set f_Zymc='丁' where f_Zybm='0004'"));
  EXPECT_FALSE(host::ExecuteSql(host, ref));
  EXPECT_THAT(Errors(ref).front(), HasSubstr("no such table: tb202312_Xsmxzb"));
  EXPECT_EQ(Cell(Open("select f_Zymc from tbZyda where f_Zybm='0002'"), 0, "f_Zymc"), "丙");    // done before
  EXPECT_EQ(Cell(Open("select f_Zymc from tbZyda where f_Zybm='0004'"), 0, "f_Zymc"), "刘洋");  // never reached
}

TEST(DialectText, UnreadableTextIsAnError) {
  for (const char* bad : {"select 'open", "select (1", "select 1)", "if exists (select 1) begin update t set a=1 end",
                          "select top 10 percent * from t", "/* no end",
                          // the word top is reserved: no select list starts with it
                          "select top 1 top from t", "select top (1) top from t"})
    EXPECT_THROW(TranslateBatch(bad), DialectError) << bad;
  // SQLite would stop reading at the NUL and run "delete from tbRFBjq" on every row.
  EXPECT_THROW(TranslateBatch(std::string("delete from tbRFBjq\0 where f_Zybm='0001'", 40)), DialectError);
}

TEST_F(Dialect, ADateThatIsNoDateFailsTheStatement) {
  Variant ref;
  EXPECT_FALSE(host::OpenQuery(host, "select cast('2024-13-01' as datetime) v", ref));
  EXPECT_THAT(Errors(ref).front(), HasSubstr("Conversion failed when converting date and/or time"));
}

}  // namespace
}  // namespace pt::hostapp::testing
