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

TEST_P(Dialect, ExpressionsGiveSqlServersAnswers) {
  const ExprCase cases[] = {
      {"DATEDIFF(day,cast('20240301' as datetime),cast('20240308' as datetime))", "7"},
      {"DATEDIFF(day,cast('20240229' as datetime),cast('20240301' as datetime))", "1"},  // leap day
      {"DATEDIFF(day,'20231231','20240101')", "1"},  // the end of a month and the start of the next
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

TEST_P(Dialect, TextComparesLikeACaseInsensitiveCollation) {
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

TEST_P(Dialect, TopBecomesALimitOfItsOwnSelect) {
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
TEST_P(Dialect, InSubqueryKeepsThreeValuedLogic) {
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

TEST_P(Dialect, IfNotExistsAlterTableAddsAColumnOnce) {
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

TEST_P(Dialect, IfNotExistsCreateTableMakesTheTableOnceWithTextsComparedWithoutCase) {
  const std::string batch =
      "if not (exists (select 1 from syscolumns where id= object_id('tbTest')))   create table tbTest "
      "(f_bm varchar(10) not null default '',f_mc varchar(20) collate Chinese_PRC_BIN,f_sl int,"
      "primary key (f_bm),unique (f_mc,f_bm));";
  Exec(batch);
  Exec("insert into tbTest (f_bm,f_mc,f_sl) values ('a1','Xy',1),('B2','xy',2)");
  Exec(batch);  // the table is there: nothing happens
  EXPECT_EQ(Cell(Open("select f_sl from tbTest where f_bm='A1 '"), 0, "f_sl"), "1");
  EXPECT_EQ(Open("select f_sl from tbTest where f_mc='xy'").rows.size(), 1u) << "a binary collation stays binary";
  Variant ref(std::string("insert into tbTest (f_bm,f_sl) values ('A1',3)"));
  EXPECT_FALSE(host::ExecuteSql(host, ref)) << "the key compares without case too";
}

// A batch runs in order and in one transaction: the first failure stops it and undoes it.
TEST_P(Dialect, BatchesRunInOrderAndAFailureChangesNothing) {
  Exec("update tbZyda set f_Zymc='甲;乙' where f_Zybm='0002'; -- a comment; not a statement\n"
       "delete tbRFBjq where f_Zybm='0099';");
  EXPECT_EQ(Cell(Open("select f_Zymc from tbZyda where f_Zybm='0002'"), 0, "f_Zymc"), "甲;乙");
  EXPECT_TRUE(Open("select * from tbRFBjq where f_Zybm='0099'").rows.empty());

  Variant ref(std::string("update tbZyda set f_Zymc='丙' where f_Zybm='0002';update tb202312_Xsmxzb set f_sj='1';"
                          "update tbZyda set f_Zymc='丁' where f_Zybm='0004'"));
  EXPECT_FALSE(host::ExecuteSql(host, ref));
  EXPECT_THAT(Errors(ref).front(),
              HasSubstr(postgres() ? "relation \"tb202312_xsmxzb\" does not exist" : "no such table: tb202312_Xsmxzb"));
  EXPECT_EQ(Cell(Open("select f_Zymc from tbZyda where f_Zybm='0002'"), 0, "f_Zymc"), "甲;乙");  // undone
  EXPECT_EQ(Cell(Open("select f_Zymc from tbZyda where f_Zybm='0004'"), 0, "f_Zymc"), "刘洋");  // never reached
}

TEST(DialectText, UnreadableTextIsAnError) {
  for (const char* bad : {"select 'open", "select (1", "select 1)", "if exists (select 1) begin update t set a=1 end",
                          "select top 10 percent * from t", "/* no end",
                          // the word top is reserved: no select list starts with it
                          "select top 1 top from t", "select top (1) top from t", "select '' top 5 a from t",
                          "select a from t where top=1"})
    EXPECT_THROW(TranslateBatch(bad), DialectError) << bad;
  // SQLite would stop reading at the NUL and run "delete from tbRFBjq" on every row.
  EXPECT_THROW(TranslateBatch(std::string("delete from tbRFBjq\0 where f_Zybm='0001'", 40)), DialectError);
}

TEST_P(Dialect, ADateThatIsNoDateFailsTheStatement) {
  for (const char* text : {"2024-13-01", "20241301", "20240230", "20240100", "17521231"}) {
    SCOPED_TRACE(text);
    Variant ref;
    EXPECT_FALSE(host::OpenQuery(host, std::string("select cast('") + text + "' as datetime) v", ref));
    ASSERT_TRUE(ref.IsArray());
    EXPECT_THAT(Errors(ref).front(), HasSubstr("Conversion failed when converting date and/or time"));
  }
}

// What SQLite would answer otherwise, answered as the server does, or refused with the
// database's message naming the construct (the server's own wording on SQLite).
TEST_P(Dialect, StrictWhereTheServerIsStrict) {
  struct Case {
    const char* sql;
    const char* value;        // the answer, or nullptr when the statement must fail
    const char* sqliteError;  // a part of the message on each back end
    const char* pgError;
  } cases[] = {
      {"select 'ab'+'cd' v", "abcd", nullptr, nullptr},
      {"select f_Spbm+f_Spmc v from tbSpda where f_Spbm='000101'", "000101可口可乐", nullptr, nullptr},
      {"select '1'+1 v", "2", nullptr, nullptr},
      {"select convert(varchar(8), cast('20240515 09:30' as datetime), 112) v", "20240515", nullptr, nullptr},
      {"select convert(varchar(10), getdate(), 23) v", "2024-05-15", nullptr, nullptr},
      {"select convert(varchar(8), f_Jdrq, 23) v from tbSpda where f_Spbm='000101'", "20230101", nullptr, nullptr},
      {"select cast('abcdefgh' as varchar(6)) v", "abcdef", nullptr, nullptr},
      {"select datename(month, '20240515') v", "May", nullptr, nullptr},
      {"select f_Spbm v from tbSpda where f_Spmc=5", nullptr, "Conversion failed when converting the varchar value",
       "operator does not exist: character varying = integer"},
      {"select f_bmbm, f_Spmc, count(*) v from tbSpda group by f_bmbm", nullptr, "is invalid in the select list",
       "must appear in the GROUP BY clause"},
      {"select f_Spmc, count(*) v from tbSpda", nullptr, "is invalid in the select list", "must appear in the GROUP BY clause"},
      {"select (select f_Spbm from tbSptm) v", nullptr, "Subquery returned more than 1 value",
       "more than one row returned by a subquery"},
      {"select 'a' v union select 1", nullptr, "Conversion failed when converting the varchar value 'a'",
       "invalid input syntax for type integer"},
      {"select convert(varchar(8), getdate(), 999) v", nullptr, "is not a valid style number", "is not a valid style number"},
      // A select-list alias is known to ORDER BY only; elsewhere a name is a column of the tables.
      {"select f_Spbm v from tbSpda where v='000101'", nullptr, "Invalid column name 'v': a select-list alias",
       "column \"v\" does not exist"},
      {"select f_bmbm b, count(*) v from tbSpda group by b", nullptr, "Invalid column name 'b': a select-list alias",
       "column \"b\" does not exist"},
      {"select f_Spbm v from tbSpda where f_Spbm in ('000101','000102') order by v desc", "000102", nullptr, nullptr},
      {"select f_Spbm v, f_Spmc f_Spbm from tbSpda where f_Spbm='000101'", "000101", nullptr, nullptr},
      {"select x.v from (select f_Spbm v from tbSpda where f_Spbm='000101') x", "000101", nullptr, nullptr},
      {"select f_Spmc 'v' from tbSpda where f_Spbm='000101'", "可口可乐", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    Variant ref;
    bool ok = host::OpenQuery(host, c.sql, ref);
    if (c.value) {
      ASSERT_TRUE(ok) << c.sql << "\n" << Errors(ref).front();
      EXPECT_EQ(Cell(DecodePacket(ref.AsPacket()), 0, "v"), c.value) << c.sql;
    } else {
      EXPECT_FALSE(ok) << c.sql;
      if (!ok) {
        EXPECT_THAT(Errors(ref).front(), HasSubstr(postgres() ? c.pgError : c.sqliteError)) << c.sql;
      }
    }
  }
  // A text longer than its column is refused (the server counts bytes; PostgreSQL characters).
  Variant tooLong(std::string("update tbZyda set f_Zymc='abcdefghij' where f_Zybm='0001'"));
  EXPECT_FALSE(host::ExecuteSql(host, tooLong));
  EXPECT_THAT(Errors(tooLong).front(), HasSubstr(postgres() ? "value too long for type character varying(8)"
                                                            : "String or binary data would be truncated"));
  EXPECT_EQ(Cell(Open("select f_Zymc from tbZyda where f_Zybm='0001'"), 0, "f_Zymc"), "张伟");
}

PT_INSTANTIATE_BACKENDS(Dialect);

}  // namespace
}  // namespace pt::hostapp::testing
