// The SQL of the pre-promotion reference prices, text for text: the server has always received
// exactly these statements, blanks included.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ModuleError.h"
#include "reports/ReferencePrices.h"

namespace pt::reports {
namespace {

const std::string kInForce = " f_qsrq<='20240515' and f_jsrq>='20240515' ";

TEST(ReferencePriceSql, PeriodConditions) {
  EXPECT_EQ(PeriodCondition(PricePeriod::Current, "20240515"), kInForce);
  EXPECT_EQ(PeriodCondition(PricePeriod::Next, "20240515"), " f_qsrq>'20240515' ");
  EXPECT_EQ(PeriodCondition(PricePeriod::Next, "20240229"), " f_qsrq>'20240229' ");
}

TEST(ReferencePriceSql, ADateThatIsNotADateComposesNothing) {
  for (const char* d : {"", "2024051", "202405150", "2024-5-1", "20241301", "20240001", "20240230", "20230229",
                        "21000229", "00000101", "2024051'"}) {
    EXPECT_THROW(PeriodCondition(PricePeriod::Current, d), ModuleError) << d;
    EXPECT_THROW(PeriodCondition(PricePeriod::Next, d), ModuleError) << d;
  }
  try {
    PeriodCondition(PricePeriod::Current, "20240230");
  } catch (const ModuleError& e) {
    EXPECT_STREQ(e.what(), "'20240230' 不是有效的日期");
  }
}

TEST(ReferencePriceSql, MonthArithmetic) {
  struct Case {
    const char* month;
    int shift;
    const char* expected;
  };
  const Case cases[] = {{"202405", -1, "202404"}, {"202401", -1, "202312"}, {"202402", -2, "202312"},
                        {"202412", 1, "202501"},  {"202403", -14, "202301"}, {"000202", -1, "000201"}};
  for (const Case& c : cases) EXPECT_EQ(ShiftMonth(c.month, c.shift), c.expected) << c.month << " " << c.shift;
  for (const char* bad : {"", "20245", "2024055", "202413", "202400", "2024-5", "abcdef", "000012", "000101"})
    EXPECT_THROW(ShiftMonth(bad, -1), ModuleError) << bad;

  EXPECT_EQ(MonthsFromTo("202311", "202402"), (std::vector<std::string>{"202311", "202312", "202401", "202402"}));
  EXPECT_EQ(MonthsFromTo("202405", "202405"), (std::vector<std::string>{"202405"}));
  EXPECT_TRUE(MonthsFromTo("202406", "202405").empty());
  EXPECT_THROW(MonthsFromTo("202405", "2024-6"), ModuleError);
}

// Open promotions starting in May and June: the week before a start can lie in April, the 8 to
// 90 days before it reach back to March (never to February, although a start on 1 May would
// reach it).
TEST(ReferencePriceSql, MonthsVisitedForStartsInMayAndJune) {
  struct Expect {
    PassKind kind;
    const char* month;
    const char* ordinaryText;
    const char* timedText;
  };
  const Expect expected[] = {
      {PassKind::SevenDay, "202404", "202404特价前七天原价...", "202404会员价七天前原价格..."},
      {PassKind::SevenDay, "202405", "202405特价前七天原价...", "202405会员价七天前原价格..."},
      {PassKind::SevenDay, "202406", "202406特价前七天原价...", "202406会员价七天前原价格..."},
      {PassKind::EightToNinety, "202403", "202403特价八天前原价格...", "202403会员价八天前原价格..."},
      {PassKind::EightToNinety, "202404", "202404特价八天前原价格...", "202404会员价八天前原价格..."},
      {PassKind::EightToNinety, "202405", "202405特价八天前原价格...", "202405会员价八天前原价格..."},
      {PassKind::EightToNinety, "202406", "202406特价八天前原价格...", "202406会员价八天前原价格..."},
  };
  const std::vector<PricePass> passes = ReferencePricePasses("202405", "202406");
  ASSERT_EQ(passes.size(), std::size(expected));
  for (size_t i = 0; i < passes.size(); ++i) {
    EXPECT_EQ(passes[i].kind, expected[i].kind) << i;
    EXPECT_EQ(passes[i].month, expected[i].month) << i;
    EXPECT_EQ(PassBusyText(PromotionTable::Ordinary, passes[i]), expected[i].ordinaryText) << i;
    EXPECT_EQ(PassBusyText(PromotionTable::TimeLimited, passes[i]), expected[i].timedText) << i;
    const std::string sql = PassSql(PromotionTable::Ordinary, passes[i], kInForce);
    EXPECT_EQ(sql, passes[i].kind == PassKind::SevenDay ? SevenDaySql(PromotionTable::Ordinary, passes[i].month, kInForce)
                                                        : EightToNinetySql(PromotionTable::Ordinary, passes[i].month, kInForce));
  }
  // Across a year end, and with no open promotion at all.
  const std::vector<PricePass> january = ReferencePricePasses("202501", "202501");
  ASSERT_EQ(january.size(), 5u);
  EXPECT_EQ(january[0].month, "202412");
  EXPECT_EQ(january[2].month, "202411");
  EXPECT_TRUE(ReferencePricePasses("", "").empty());
  EXPECT_TRUE(ReferencePricePasses("202405", "").empty());
  EXPECT_THROW(ReferencePricePasses("2024-0", "202405"), ModuleError);
}

TEST(ReferencePriceSql, StatementTexts) {
  struct Case {
    const char* what;
    std::string actual;
    std::string expected;
  };
  const Case cases[] = {
      {"structure check", StructureCheckSql(),
       "if not (exists (select 1 from syscolumns where name='f_q7yxsdj' and id= object_id('tbsptj')))"
       "   alter table tbsptj add f_q7yxsdj float not null default  0;if not (exists (select 1 from"
       " syscolumns where name='f_q8yxsdj' and id= object_id('tbsptj')))   alter table tbsptj add"
       " f_q8yxsdj float not null default  0;if not (exists (select 1 from syscolumns where"
       " name='f_yxsdjbz' and id= object_id('tbsptj')))   alter table tbsptj add f_yxsdjbz varchar(1)"
       " not null default '0';if not (exists (select 1 from syscolumns where name='f_q7yxsdj' and id="
       " object_id('tbxsxl')))    alter table tbxsxl add f_q7yxsdj float not null default  0;if not"
       " (exists (select 1 from syscolumns where name='f_q8yxsdj' and id= object_id('tbxsxl')))   alter"
       " table tbxsxl add f_q8yxsdj float not null default  0;if not (exists (select 1 from syscolumns"
       " where name='f_yxsdjbz' and id= object_id('tbxsxl')))   alter table tbxsxl add f_yxsdjbz"
       " varchar(1) not null default '0';"},
      {"ordinary start months", StartMonthRangeSql(PromotionTable::Ordinary, kInForce),
       "select min(left(f_qsrq,6)) f_minrq,max(left(f_qsrq,6)) f_maxrq from tbsptj where f_yxsdjbz='0' and "
       " f_qsrq<='20240515' and f_jsrq>='20240515'  and f_tjlx=0 "},
      {"time-limited start months", StartMonthRangeSql(PromotionTable::TimeLimited, " f_qsrq>'20240515' "),
       "select min(left(f_qsrq,6)) f_minrq,max(left(f_qsrq,6)) f_maxrq from tbxsxl where f_yxsdjbz='0' and "
       " f_qsrq>'20240515' "},
      {"ordinary seven days", SevenDaySql(PromotionTable::Ordinary, "202405", kInForce),
       "update tbsptj set f_q7yxsdj=(  select min(ceiling((f_ssje+f_sssj)/f_xssl*10)/10) from"
       " tb202405_Xsmxzb z,tb202405_Xsmxcb c   where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh   and"
       "  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 1 and 7 and f_xssl<>0"
       "   and  (ceiling((f_ssje+f_sssj)/f_xssl*10)/10 <f_q7yxsdj or f_q7yxsdj<0.005)  and"
       " c.f_spbm=tbsptj.f_spbm ) where  f_qsrq<='20240515' and f_jsrq>='20240515'  and f_tjlx=0 and"
       " f_yxsdjbz='0' and exists (   select 1 from tb202405_Xsmxzb z,tb202405_Xsmxcb c where"
       " z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh   and  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq"
       " as datetime)) between 1 and 7 and f_xssl<>0   and  (ceiling((f_ssje+f_sssj)/f_xssl*10)/10"
       " <f_q7yxsdj  or f_q7yxsdj<0.005)  and c.f_spbm=tbsptj.f_spbm );"},
      {"ordinary 8 to 90 days", EightToNinetySql(PromotionTable::Ordinary, "202405", kInForce),
       "update tbsptj set f_q8yxsdj=coalesce((  select top 1 ceiling((f_ssje+f_sssj)/f_xssl*10)/10 from"
       " tb202405_Xsmxzb z,tb202405_Xsmxcb c   where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh   and"
       "  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 8 and 90 and"
       " f_xssl<>0   and c.f_spbm=tbsptj.f_spbm order by f_rzrq desc),0.0) where  f_qsrq<='20240515'"
       " and f_jsrq>='20240515'  and f_tjlx=0 and f_yxsdjbz='0' and exists (   select 1 from"
       " tb202405_Xsmxzb z,tb202405_Xsmxcb c where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh   and"
       "  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 8 and 90 and"
       " f_xssl<>0   and  (ceiling((f_ssje+f_sssj)/f_xssl*10)/10 <f_q8yxsdj  or f_q8yxsdj<0.005)  and"
       " c.f_spbm=tbsptj.f_spbm );"},
      {"time-limited seven days", SevenDaySql(PromotionTable::TimeLimited, "202405", kInForce),
       "update tbxsxl set f_q7yxsdj=(  select min(ceiling((f_ssje+f_sssj)/f_xssl*10)/10) from"
       " tb202405_Xsmxzb z,tb202405_Xsmxcb c   where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh   and"
       "  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 1 and 7 and f_xssl<>0"
       "   and c.f_spbm=tbxsxl.f_spbm ) where  f_qsrq<='20240515' and f_jsrq>='20240515'  and"
       " f_yxsdjbz='0' and exists (   select 1 from tb202405_Xsmxzb z,tb202405_Xsmxcb c where"
       " z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh   and  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq"
       " as datetime)) between 1 and 7 and f_xssl<>0   and  (ceiling((f_ssje+f_sssj)/f_xssl*10)/10"
       " <f_q7yxsdj  or f_q7yxsdj<0.005)  and c.f_spbm=tbxsxl.f_spbm );"},
      {"time-limited 8 to 90 days", EightToNinetySql(PromotionTable::TimeLimited, "202405", kInForce),
       "update tbxsxl set f_q8yxsdj=coalesce((  select top 1 ceiling((f_ssje+f_sssj)/f_xssl*10)/10 from"
       " tb202405_Xsmxzb z,tb202405_Xsmxcb c   where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh   and"
       "  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 8 and 90 and"
       " f_xssl<>0   and c.f_spbm=tbxsxl.f_spbm order by f_rzrq desc),0.0) where  f_qsrq<='20240515'"
       " and f_jsrq>='20240515'  and f_yxsdjbz='0' and exists (   select 1 from tb202405_Xsmxzb"
       " z,tb202405_Xsmxcb c where z.f_bmbm=c.f_bmbm and z.f_djh=c.f_djh   and"
       "  DATEDIFF(day,cast(f_rzrq as datetime),cast(f_qsrq as datetime)) between 8 and 90 and"
       " f_xssl<>0   and  (ceiling((f_ssje+f_sssj)/f_xssl*10)/10 <f_q8yxsdj  or f_q8yxsdj<0.005)  and"
       " c.f_spbm=tbxsxl.f_spbm );"},
      {"final flags", FinalFlagSql(kInForce),
       "update tbsptj set f_yxsdjbz='1' where  f_qsrq<='20240515' and f_jsrq>='20240515'  and f_tjlx=0 ;"
       "update tbxsxl set f_yxsdjbz='1' where  f_qsrq<='20240515' and f_jsrq>='20240515'  ;"},
      {"list", ReferencePriceListSql(kInForce),
       "select '特价' f_lx,t.f_spbm,f_sphh,f_sptm,f_spmc,f_spcd,f_jldw,f_dwbl,f_ggxh,f_sppp,t.f_xsdj"
       " f_zxjg,f_q7yxsdj,f_q8yxsdj,f_qsrq,f_jsrq,cast(null as float) f_Xdsl,s.f_xsdj from tbsptj"
       " t,tbspda s left join (select f_sptm,f_spbm,f_dwbl from tbsptm where f_xh=1) tm on"
       " s.f_spbm=tm.f_spbm  where t.f_spbm=s.f_spbm and  f_qsrq<='20240515' and f_jsrq>='20240515'"
       "  and f_tjlx=0 union select case when f_xc=0 then '惊爆价' when f_xc=1 then '会员价' end"
       " f_lx,t.f_spbm,f_sphh,f_sptm,f_spmc,f_spcd,f_jldw,f_dwbl,f_ggxh,f_sppp,t.f_xsdj"
       " f_zxjg,f_q7yxsdj,f_q8yxsdj,f_qsrq,f_jsrq,f_Xdsl,s.f_xsdj from tbxsxl t,tbspda s left join"
       " (select f_sptm,f_spbm,f_dwbl from tbsptm where f_xh=1) tm on s.f_spbm=tm.f_spbm  where"
       " t.f_spbm=s.f_spbm and  f_qsrq<='20240515' and f_jsrq>='20240515' "},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

}  // namespace
}  // namespace pt::reports
