// The module's own SQL texts, composed exactly as the module composes them with realistic
// values, run against the fixture with known answers.
#include "HostFixture.h"

#include <gmock/gmock.h>

#include <algorithm>

namespace pt::hostapp::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

const std::string kSaleClause =
    " and da.f_Spbm in (select f_spbm from tblsdkz k,tbspjyztda z where k.f_jyztbm=z.f_jyztbm and f_yxxs=1) ";

// ---- product sources ------------------------------------------------------------------------

std::string LogVariant(const std::string& d, const std::string& bill, bool skipZero) {
  std::string ym = d.substr(0, 6);
  std::string inner = "SELECT DISTINCT da.f_Spbm FROM tbSpda da ,tb" + ym + "_tjrz tjrz where tjrz.f_Spbm" +
                      "=da.f_Spbm and f_Mj=1 AND tjrz.f_Tjrq='" + d + "' ";
  if (!bill.empty())
    inner += "and tjrz.f_spbm in (select f_spbm from  tb" + ym + "_sptj " + "where f_djh='" + bill + "' " +
             (skipZero ? "and abs(f_tjsl)>0.005" : "") + ")";
  return "da.f_Spbm in (" + inner + ")";
}

std::string PricingBillVariant(const std::string& d, const std::string& dybm) {
  std::string ym = d.substr(0, 6);
  std::string inner = "select distinct lsdjg.f_spbm from tb" + ym + "_spdj_zb zb,tb" + ym + "_spdj_lsdjg lsdjg " +
                      "where zb.f_djh=lsdjg.f_djh and zb.f_djlx=0 and zb.f_zxbz=1 and zb.f_zxrq='" + d + "' " +
                      "and abs(lsdjg.f_yxsdj-lsdjg.f_xsdj)>0.005 " + "and ((lsdjg.f_bmlx=1 and lsdjg.f_bmbm='" + dybm +
                      "') or " + "(lsdjg.f_bmlx=0 and lsdjg.f_bmbm in (select f_bmflbm from tbdjbmfldz where f_dzbm='" +
                      dybm + "')))";
  return "da.f_Spbm in (" + inner + ")";
}

// The product-query wrapping of a condition that names joined aliases.
std::string Wrapped(const std::string& joins, const std::string& c) {
  return " da.f_Spbm in (SELECT DISTINCT da.f_Spbm FROM tbSpda da " + joins + " WHERE f_Mj=1 AND " + c + ") ";
}
const std::string kXsxlJoin =
    "LEFT JOIN (select xsxl.*,f_lxmc from tbxsxl xsxl left join  tbtjlxda lx on xsxl.f_lxbm=lx.f_lxbm) xsxl ON "
    "da.f_Spbm=xsxl.f_Spbm ";
const std::string kTjJoin =
    "LEFT JOIN (select tj.*,f_lxmc from tbsptj tj left join  tbtjlxda lx on tj.f_lxbm=lx.f_lxbm) tj ON da.f_Spbm=tj.f_Spbm ";
std::string YhjJoin(const std::string& ym) {
  return std::string("LEFT JOIN (SELECT f_Spbm,Round(Sum(f_Qcsl+f_Jhsl+f_Brsl+f_Sysl+f_Pssl-") +
         "f_Xssl-f_Bcsl-f_Shsl-f_Phsl),2) f_Kc FROM tb" + ym + "_Yhj GROUP BY f_Spbm) Yhj " + "ON da.f_Spbm=Yhj.f_Spbm ";
}

class SqlTexts : public HostFixture {};

TEST_P(SqlTexts, ProductSourceListsRunAsOnTheServer) {
  EXPECT_EQ(Column(Open("select distinct f_djh from tb202405_sptj where f_Rzrq='20240515' order by f_djh desc"), "f_djh"),
            (std::vector<std::string>{"TJ20240515002", "TJ20240515001"}));
  DecodedPacket bills = Open(
      "select f_djlx,f_djh,f_zdrq,f_zdrbm,f_zdrmc from tb202405_spdj_zb where f_djlx in (0,1,3,4) and f_zxbz=1  order by f_djh desc");
  EXPECT_EQ(Texts(bills), (Rows{{"1", "DJ202405002", "20240510", "0001", "张伟"}, {"0", "DJ202405001", "20240514", "0001", "张伟"}}));
  EXPECT_EQ(bills.fields[0].type, FieldType::Integer);
  EXPECT_EQ(bills.fields[1].type, FieldType::Text);
  EXPECT_EQ(bills.fields[1].size, 20u);
  DecodedPacket dept = Open(
      "select f_bmbm,f_bmmc from tbbmda where f_bmbm in ('010','011') union select f_dzbm f_bmbm,f_bmmc from tbdjbmfldz z,tbbmda "
      "b where z.f_dzbm=b.f_bmbm and  left(f_bmflbm,2)='01' and f_bmflbm in ('0101')");
  EXPECT_THAT(Texts(dept), UnorderedElementsAre(std::vector<std::string>{"010", "食品部"}, std::vector<std::string>{"011", "日化部"}));
}

struct SourceCase {
  const char* what;
  std::string condition;
  std::vector<std::string> codes;
};

TEST_P(SqlTexts, ProductSourceConditionsSelectTheRightProducts) {
  const SourceCase cases[] = {
      {"price-change log, all bills", LogVariant("20240515", "", false), {"000101", "000102", "000201"}},
      {"price-change log, one bill, zero quantities kept", LogVariant("20240515", "TJ20240515001", false), {"000101", "000102"}},
      {"price-change log, one bill, zero quantities skipped", LogVariant("20240515", "TJ20240515001", true), {"000101"}},
      {"pricing bills for unit 010", PricingBillVariant("20240515", "010"), {"000101", "A0301"}},
      {"new products", " Da.f_Jdrq>='20240514' ", {"000102"}},
      {"time-limited sales starting today", Wrapped(kXsxlJoin, " xsxl.f_qsrq='20240515' and xsxl.f_xsdj>0 "), {"000101"}},
      {"quantity pricing starting today",
       Wrapped("LEFT JOIN tbPlzj plzj ON da.f_Spbm=plzj.f_Spbm ", " plzj.f_qsrq='20240515' and plzj.f_xsdj>0 "), {"000101"}},
      {"change list", " da.f_spbm in (select f_spbm from tb202405_spyd where F_Ydrq='20240514') ", {"000101", "000201"}},
      {"promotion and stock joins", Wrapped(kTjJoin + YhjJoin("202405"), "tj.f_Xsdj<3 and Yhj.f_Kc>50"), {"000101"}},
      {"supplier join",
       Wrapped("LEFT JOIN (select f_csbm,f_csmc,f_spbm from tbgysdz,tbcsda where f_csbm=f_gysbm) csda ON da.f_Spbm=csda.f_Spbm ",
               "csda.f_csbm='G001'"),
       {"000101", "000102"}},
      {"sale clause of a store", " da.f_Sphh like '%' " + kSaleClause, {"000101", "000102", "000201", "A0301"}},
  };
  for (const SourceCase& c : cases) EXPECT_EQ(Column(Products(4, c.condition), "f_Spbm"), c.codes) << c.what;
}

TEST_P(SqlTexts, PricingBillDepartmentsJoinAsDept) {
  std::string dept =
      "select f_dzbm f_bmbm,b.f_bmmc,dj.f_spbm from tbdjbmfldz z,tbbmda b,tb202405_spdj_sptj dj where z.f_dzbm=b.f_bmbm and "
      "dj.f_djh='DJ202405002' and ((dj.f_bmlx=1 and b.f_bmbm=dj.f_bmbm) or (dj.f_bmlx=0 and z.f_bmflbm=dj.f_bmbm)) ";
  DecodedPacket p = Products(4, " dept.f_spbm=da.f_spbm ", dept);
  ASSERT_EQ(p.rows.size(), 2u);
  EXPECT_EQ(Column(p, "f_Spbm"), (std::vector<std::string>{"000101", "000201"}));
  EXPECT_EQ(Column(p, "f_bmbm"), (std::vector<std::string>{"010", "011"}));
  EXPECT_EQ(Column(p, "f_bmmc"), (std::vector<std::string>{"食品部", "日化部"}));
}

// ---- RF requests ------------------------------------------------------------------------------

std::string Exclusion(const std::string& today, const char* alias) {
  std::string a = alias;
  return "And " + a + "f_Spbm not in (Select f_Spbm from tbSptj Where f_Jsrq>='" + today + "') " + "And " + a +
         "f_Spbm not in (Select f_Spbm from tbxsxl Where f_Jsrq>='" + today + "' and abs(f_xsdj)>0.005 ) " + "And " + a +
         "f_Spbm not in (Select f_Spbm from tbPlzj) ";
}
std::string BatchList(const std::string& clause) {
  return "Select RF.f_Zybm f_Zybm,Zyda.f_Zymc f_Zymc,RF.f_Sj f_Sj,Count(*) f_Count from tbRFBjq RF,tbZyda Zyda Where "
         "RF.f_Zybm=Zyda.f_Zybm " +
         clause + "Group by RF.f_Zybm,Zyda.f_Zymc,RF.f_Sj ";
}


Rows Sorted(Rows r) {
  std::sort(r.begin(), r.end());
  return r;
}
// Employee codes of RF requests are fixed-width: they come back padded, as from the server.
const std::string k0004 = "0004    ";

TEST_P(SqlTexts, RfBatchListsSplitByPriceType) {
  const std::string t = kToday;
  EXPECT_EQ(Texts(Open(BatchList(Exclusion(t, "RF.")))), (Rows{{k0004, "刘洋", "20240515091500", "1"}}));
  // The server returns groups in no particular order.
  EXPECT_EQ(Sorted(Texts(Open(BatchList("And RF.f_Spbm in (Select f_Spbm from tbSptj Where f_Jsrq>='" + t + "') ")))),
            (Rows{{k0004, "刘洋", "20240514160000", "1"}, {k0004, "刘洋", "20240515091500", "4"}}));
  DecodedPacket timed = Open(
      "Select RF.f_Zybm f_Zybm,Zyda.f_Zymc f_Zymc,RF.f_Sj f_Sj,count(distinct x.f_spbm) f_Count,x.f_xc from tbRFBjq RF,tbZyda "
      "Zyda,tbxsxl x Where RF.f_Zybm=Zyda.f_Zybm and rf.f_spbm=x.f_spbm and f_Jsrq>='" +
      t + "' and abs(f_xsdj)>0.005 and f_xc in (0,1) " + "Group by RF.f_Zybm,Zyda.f_Zymc,RF.f_Sj,x.f_xc ");
  EXPECT_EQ(Sorted(Texts(timed)), (Rows{{k0004, "刘洋", "20240514160000", "1", "0"}, {k0004, "刘洋", "20240515091500", "1", "0"}}));
  EXPECT_EQ(timed.fields[4].name, "f_xc");
  EXPECT_EQ(Sorted(Texts(Open(BatchList("And RF.f_Spbm in (Select f_Spbm from tbPlzj) ")))),
            (Rows{{k0004, "刘洋", "20240514160000", "1"}, {k0004, "刘洋", "20240515091500", "1"}}));
}

// The product codes of RF requests, without the blanks their fixed-width column pads them with.
std::vector<std::string> Codes(const DecodedPacket& p) {
  std::vector<std::string> out = Column(p, "f_Spbm");
  for (std::string& c : out) c.erase(c.find_last_not_of(' ') + 1);
  return out;
}

TEST_P(SqlTexts, RfTransferSelectsAndDeletesExactlyTheFedRequests) {
  const std::string t = kToday;
  const std::string batch = "WHERE f_Zybm='0004' and f_Sj='20240515091500' ";
  const std::string special = "And f_Spbm in (Select f_Spbm from tbSptj Where f_Jsrq>='" + t + "') ";
  EXPECT_THAT(Codes(Open("SELECT f_Spbm FROM tbRFBjq " + batch + special)),
              UnorderedElementsAre("000101", "000102", "000201", "000201"));
  EXPECT_EQ(Codes(Open("SELECT f_Spbm FROM tbRFBjq " + batch + Exclusion(t, ""))), (std::vector<std::string>{"A0301"}));
  const std::pair<std::string, std::vector<std::string>> others[] = {
      {"And f_Spbm in (Select f_Spbm from tbxsxl Where f_Jsrq>='" + t + "' " + "and abs(f_xsdj)>0.005 and f_xc=0 ) ", {"000101"}},
      {"And f_Spbm in (Select f_Spbm from tbxsxl Where f_Jsrq>='" + t + "' " + "and abs(f_xsdj)>0.005 and f_xc=1 ) ", {}},
      {"And f_Spbm in (Select f_Spbm from tbPlzj) ", {"000101"}},
  };
  for (const auto& [clause, codes] : others)
    EXPECT_EQ(Codes(Open("SELECT f_Spbm FROM tbRFBjq " + batch + clause)), codes) << clause;
  Variant del(std::string("Delete from tbRFbjq " + batch + special));
  ASSERT_TRUE(host::ExecuteCommand(host, del));
  EXPECT_THAT(Codes(Open("select f_Spbm from tbRFBjq where f_Zybm='0004' and f_Sj='20240515091500'")),
              ElementsAre("A0301"));
  EXPECT_EQ(Open("select * from tbRFBjq").rows.size(), 3u);  // the other batches stay
}

// ---- pre-promotion reference prices -------------------------------------------------------------

const char* kStructureCheck =
    "if not (exists (select 1 from syscolumns where name='f_q7yxsdj' and id= object_id('tbsptj')))   alter table tbsptj add "
    "f_q7yxsdj float not null default  0;if not (exists (select 1 from syscolumns where name='f_q8yxsdj' and id= "
    "object_id('tbsptj')))   alter table tbsptj add f_q8yxsdj float not null default  0;if not (exists (select 1 from "
    "syscolumns where name='f_yxsdjbz' and id= object_id('tbsptj')))   alter table tbsptj add f_yxsdjbz varchar(1) not null "
    "default '0';if not (exists (select 1 from syscolumns where name='f_q7yxsdj' and id= object_id('tbxsxl')))    alter table "
    "tbxsxl add f_q7yxsdj float not null default  0;if not (exists (select 1 from syscolumns where name='f_q8yxsdj' and id= "
    "object_id('tbxsxl')))   alter table tbxsxl add f_q8yxsdj float not null default  0;if not (exists (select 1 from "
    "syscolumns where name='f_yxsdjbz' and id= object_id('tbxsxl')))   alter table tbxsxl add f_yxsdjbz varchar(1) not null "
    "default '0';";

std::string Current(const std::string& d) { return " f_qsrq<='" + d + "' and f_jsrq>='" + d + "' "; }
std::string Next(const std::string& d) { return " f_qsrq>'" + d + "' "; }


// Seven-day pass of one month; `ordinary` picks tbsptj (with f_tjlx=0) over tbxsxl.
std::string SevenDay(const std::string& t, const std::string& m, const std::string& cond) {
  bool ordinary = t == "tbsptj";
  std::string s = "update " + t + " set f_q7yxsdj=(  select min(ceiling((f_ssje+f_sssj)/f_xssl*10)/10) from tb" + m +
                  "_Xsmxzb z,tb" + m + "_Xsmxcb c " + "  where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh " +
                  "  and  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 1 and 7 and f_xssl<>0 ";
  if (ordinary) s += "  and  (ceiling((f_ssje+f_sssj)/f_xssl*10)/10 <f_q7yxsdj or f_q7yxsdj<0.005)";
  s += "  and c.f_spbm=" + t + ".f_spbm " + ") where " + cond + (ordinary ? " and f_tjlx=0 and f_yxsdjbz='0' " : " and f_yxsdjbz='0' ") +
       "and exists ( " + "  select 1 from tb" + m + "_Xsmxzb z,tb" + m + "_Xsmxcb c where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh " +
       "  and  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 1 and 7 and f_xssl<>0 " +
       "  and  (ceiling((f_ssje+f_sssj)/f_xssl*10)/10 <f_q7yxsdj  or f_q7yxsdj<0.005)" + "  and c.f_spbm=" + t + ".f_spbm " + ");";
  return s;
}

std::string EightToNinety(const std::string& t, const std::string& m, const std::string& cond) {
  bool ordinary = t == "tbsptj";
  return "update " + t + " set f_q8yxsdj=coalesce((  select top 1 ceiling((f_ssje+f_sssj)/f_xssl*10)/10 from tb" + m +
         "_Xsmxzb z,tb" + m + "_Xsmxcb c " + "  where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh " +
         "  and  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 8 and 90 and f_xssl<>0 " +
         "  and c.f_spbm=" + t + ".f_spbm order by f_rzrq desc" + "),0.0) where " + cond +
         (ordinary ? " and f_tjlx=0 and f_yxsdjbz='0' " : " and f_yxsdjbz='0' ") + "and exists ( " + "  select 1 from tb" + m +
         "_Xsmxzb z,tb" + m + "_Xsmxcb c where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh " +
         "  and  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 8 and 90 and f_xssl<>0 " +
         "  and  (ceiling((f_ssje+f_sssj)/f_xssl*10)/10 <f_q8yxsdj  or f_q8yxsdj<0.005)" + "  and c.f_spbm=" + t + ".f_spbm " +
         ");";
}

std::string ReferencePriceList(const std::string& cond) {
  return "select '特价' f_lx,t.f_spbm,f_sphh,f_sptm,f_spmc,f_spcd,f_jldw,f_dwbl,f_ggxh,f_sppp,t.f_xsdj f_zxjg,f_q7yxsdj,f_q8yxsdj,"
         "f_qsrq,f_jsrq,cast(null as float) f_Xdsl,s.f_xsdj from tbsptj t,tbspda s left join (select f_sptm,f_spbm,f_dwbl from "
         "tbsptm where f_xh=1) tm on s.f_spbm=tm.f_spbm  where t.f_spbm=s.f_spbm and " +
         cond + " and f_tjlx=0 " + "union " + "select case when f_xc=0 then '惊爆价' when f_xc=1 then '会员价' end f_lx," +
         "t.f_spbm,f_sphh,f_sptm,f_spmc,f_spcd,f_jldw,f_dwbl,f_ggxh,f_sppp,t.f_xsdj f_zxjg,f_q7yxsdj,f_q8yxsdj," +
         "f_qsrq,f_jsrq,f_Xdsl,s.f_xsdj " + "from tbxsxl t,tbspda s " +
         "left join (select f_sptm,f_spbm,f_dwbl from tbsptm where f_xh=1) tm on s.f_spbm=tm.f_spbm  " + "where t.f_spbm=s.f_spbm and " +
         cond;
}

TEST_P(SqlTexts, ReferencePricesOfTheCurrentPeriod) {
  Exec(kStructureCheck);
  Exec(kStructureCheck);  // a second search finds the columns in place
  const std::string cond = Current(kToday);
  Rows range = Texts(Open("select min(left(f_qsrq,6)) f_minrq,max(left(f_qsrq,6)) f_maxrq from tbsptj where f_yxsdjbz='0' and " +
                          cond + " and f_tjlx=0 "));
  ASSERT_EQ(range, (Rows{{"202405", "202405"}}));
  // The window's month loops: the seven-day pass from the month before MIN, the other from two
  // months before; the February sale (71 days before a start) is never consulted.
  for (const char* m : {"202404", "202405"}) Exec(SevenDay("tbsptj", m, cond));
  for (const char* m : {"202403", "202404", "202405"}) Exec(EightToNinety("tbsptj", m, cond));
  EXPECT_EQ(Texts(Open("select min(left(f_qsrq,6)) f_minrq,max(left(f_qsrq,6)) f_maxrq from tbxsxl where f_yxsdjbz='0' and " +
                       cond)),
            (Rows{{"202405", "202405"}}));
  for (const char* m : {"202404", "202405"}) Exec(SevenDay("tbxsxl", m, cond));
  for (const char* m : {"202403", "202404", "202405"}) Exec(EightToNinety("tbxsxl", m, cond));
  Exec("update tbsptj set f_yxsdjbz='1' where " + cond + " and f_tjlx=0 ;" + "update tbxsxl set f_yxsdjbz='1' where " + cond + " ;");

  DecodedPacket list = Open(ReferencePriceList(cond));
  std::vector<std::string> got;
  for (size_t r = 0; r < list.rows.size(); ++r)
    got.push_back(Cell(list, r, "f_lx") + " " + Cell(list, r, "f_spbm") + " " + Cell(list, r, "f_qsrq") + " zxjg " +
                  Cell(list, r, "f_zxjg") + " q7 " + Cell(list, r, "f_q7yxsdj") + " q8 " + Cell(list, r, "f_q8yxsdj") + " xdsl " +
                  Cell(list, r, "f_Xdsl") + " tm " + Cell(list, r, "f_sptm"));
  // 000101 from 10 May: 3.4 (3 units for 10.00) and 3.0 in the week before; the last cheaper
  // month before that is April, whose latest sale paid 2.5. From 14 May: the week holds 3.0 only.
  EXPECT_THAT(got, UnorderedElementsAre(
                       "特价 000101 20240510 zxjg 2.5 q7 3 q8 2.5 xdsl <null> tm " + E(1),
                       "特价 000101 20240514 zxjg 2.4 q7 3 q8 2.5 xdsl <null> tm " + E(1),
                       "特价 000102 20240501 zxjg 4 q7 4.5 q8 0 xdsl <null> tm " + E(5),
                       "特价 000201 20240502 zxjg 35 q7 0 q8 0 xdsl <null> tm <null>",
                       "惊爆价 000101 20240515 zxjg 1.99 q7 2.8 q8 2.5 xdsl 2 tm " + E(1),
                       "<null> 000102 20240510 zxjg 3.5 q7 0 q8 4.5 xdsl 1 tm " + E(5),
                       "会员价 000201 20240513 zxjg 0 q7 0 q8 0 xdsl 1 tm <null>"));
  // Final rows are left out of the next search's range.
  EXPECT_EQ(Texts(Open("select min(left(f_qsrq,6)) f_minrq,max(left(f_qsrq,6)) f_maxrq from tbsptj where f_yxsdjbz='0' and " +
                       cond + " and f_tjlx=0 ")),
            (Rows{{"<null>", "<null>"}}));
}

TEST_P(SqlTexts, NextPeriodStopsAtAMonthWithoutSalesTables) {
  Exec(kStructureCheck);
  const std::string cond = Next(kToday);
  EXPECT_EQ(Texts(Open("select min(left(f_qsrq,6)) f_minrq,max(left(f_qsrq,6)) f_maxrq from tbsptj where f_yxsdjbz='0' and " +
                       cond + " and f_tjlx=0 ")),
            (Rows{{"202406", "202406"}}));
  Exec(SevenDay("tbsptj", "202405", cond));
  Variant ref(SevenDay("tbsptj", "202406", cond));
  EXPECT_FALSE(host::ExecuteSql(host, ref));
  EXPECT_THAT(Errors(ref), ElementsAre(HasSubstr(postgres() ? "relation \"tb202406_xsmxzb\" does not exist"
                                                             : "no such table: tb202406_Xsmxzb"),
                                       HasSubstr("update tbsptj set f_q7yxsdj")));
}

PT_INSTANTIATE_BACKENDS(SqlTexts);

}  // namespace
}  // namespace pt::hostapp::testing
