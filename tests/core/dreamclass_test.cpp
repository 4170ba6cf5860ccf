#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <sstream>

#include "common/DataPacket.h"
#include "common/UnitDreamClass.h"
#include "host/HostService.h"
#include "tests/support/RecordingHost.h"

using namespace pt;
using pt::test::RecordingHost;

namespace {

constexpr int kText = static_cast<int>(FieldType::Text);

using ParamRows = std::vector<std::pair<std::string, Variant>>;

Variant ParamPacket(const ParamRows& rows) {
  std::vector<std::vector<Variant>> cells;
  for (const auto& [key, value] : rows) cells.push_back({Variant(key), value});
  return Variant::MakePacket(test::MakePacket({{"f_Csmc", kText}, {"f_csz", kText}}, cells));
}

// Every key a full read needs, with values that convert.
ParamRows RequiredRows() {
  ParamRows rows = {{"dwlx", "00"}, {"dybm", "9001"}, {"sljd", "2"}, {"ysqr", "1"}, {"sphsfs", "1"}};
  for (const char* k : {"qyny", "dwmc", "sh", "dz", "lxdh", "khh", "zh", "brdhscfs", "bcdhscfs", "dbdhscfs",
                        "jgdhscfs", "sgdhscfs", "rqssj", "tbdhscfs", "ykdhscfs", "sydhscfs", "ysdhscfs", "pdbhscfs",
                        "thcpbxxdythqd", "zjdyfs", "ddysfs", "hsdwh", "dpckbm", "dpjfs", "thjjclfs", "hykls", "sjkbbh",
                        "ysjscdjdbm", "khzqqy", "zkhwlqy", "hyklwms", "yckqzj"})
    rows.emplace_back(k, std::string("v_") + k);
  for (const char* k : {"fgckjb", "jjcbhsff", "sjcbhsff", "cbjzfs", "dddyhs", "brddyhs", "bcddyhs", "dbddyhs",
                        "jgddyhs", "sgddyhs", "tbddyhs", "ykddyhs", "syddyhs", "ysddyhs", "pdbdyhs", "thddyhs",
                        "ptfpdyhs", "tjddyhs", "jsxtfs", "ddyszzfs", "ddyxrqqy", "ysfs", "xsfkz", "jhddyhs"})
    rows.emplace_back(k, "7");
  for (const char* k : {"lskz", "cskz", "zrrkz", "psysjscdjd"}) rows.emplace_back(k, "1");
  return rows;
}

// Sets (or, with nullopt, removes) rows by exact key.
ParamRows With(ParamRows rows, const std::vector<std::pair<std::string, std::optional<Variant>>>& changes) {
  for (const auto& change : changes) {
    const std::string& key = change.first;  // a named reference: clang 14 captures no binding
    std::erase_if(rows, [&](const auto& r) { return r.first == key; });
    if (change.second) rows.emplace_back(key, *change.second);
  }
  return rows;
}

SystemParamItems AllItems() {
  SystemParamItems s;
  for (int i = 0; i <= SystemParamItems::kMaxItem; ++i) s.Add(i);
  return s;
}

std::string Str(const std::string& s) { return s; }
std::string Str(int32_t i) { return std::to_string(i); }
std::string Str(bool b) { return b ? "true" : "false"; }
std::string Str(double d) {
  std::ostringstream o;
  o << d;
  return o.str();
}

// Replaces whatever was scripted for an operation: from now on it succeeds with this value.
void Rescript(RecordingHost& h, int dispId, Variant refOut) {
  h.Handle(dispId, [refOut](std::vector<Variant>& args) {
    args.back() = refOut;
    return Variant(true);
  });
}

std::vector<int> DispIds(const RecordingHost& h) {
  std::vector<int> ids;
  for (const auto& c : h.calls()) ids.push_back(c.dispId);
  return ids;
}

class DreamClassTest : public ::testing::Test {
 protected:
  void SetUp() override { host.Queue(disp::GetDatabaseType, {Variant("DB2")}); }

  TDreamClass& Dream() {
    if (!dream)
      dream = std::make_unique<TDreamClass>(host, 0, [this](const std::string& text, const std::string& caption) {
        warnings.push_back(caption + "|" + text);
      });
    return *dream;
  }
  bool Read(const SystemParamItems& items) { return Dream().ReadSystemParams(rec, items, message); }

  RecordingHost host;
  std::unique_ptr<TDreamClass> dream;
  std::vector<std::string> warnings;
  TSystemParams rec;
  std::string message;
};

}  // namespace

// ---------------------------------------------------------------- item set

TEST(SystemParamItems, BitLayoutAndRange) {
  SystemParamItems s{0, 9, 135};
  EXPECT_EQ(s.Bytes()[0], 0x01);
  EXPECT_EQ(s.Bytes()[1], 0x02);
  EXPECT_EQ(s.Bytes()[16], 0x80);
  EXPECT_TRUE(s.Contains(9));
  EXPECT_FALSE(s.Contains(8));
  EXPECT_FALSE(s.Contains(136));
  EXPECT_FALSE(s.Contains(-1));
  EXPECT_EQ(SystemParamItems::FromBytes(s.Bytes()), s);
  EXPECT_THROW(SystemParamItems({136}), ModuleError);
  EXPECT_THROW(s.Add(-1), ModuleError);
  EXPECT_TRUE(SystemParamItems({1, 3}).OnlyWithin({1, 3, 4}));
  EXPECT_FALSE(SystemParamItems({1, 2}).OnlyWithin({1, 3, 4}));
  EXPECT_TRUE(SystemParamItems().OnlyWithin({}));
}

// ---------------------------------------------------------------- database type

TEST_F(DreamClassTest, DatabaseTypeIsReadOnceAndCopiedIntoEveryRecord) {
  EXPECT_EQ(Dream().DatabaseType(), "DB2");
  EXPECT_TRUE(warnings.empty());
  EXPECT_TRUE(Read({}));
  EXPECT_EQ(rec.DatabaseType, "DB2");
  EXPECT_EQ(DispIds(host), std::vector<int>{disp::GetDatabaseType});
}

TEST(DreamClass, DatabaseTypeFailureWarnsAndFallsBackToSqlServer) {
  RecordingHost host;
  host.Raise(disp::GetDatabaseType, "数据服务已断开");
  std::vector<std::pair<std::string, std::string>> boxes;
  {
    TDreamClass d(host, 0, [&](const std::string& t, const std::string& c) { boxes.emplace_back(t, c); });
    EXPECT_EQ(d.DatabaseType(), "SQLSERVER");
    EXPECT_EQ(host.refs(), 1);  // the host is held for the object's life
  }
  EXPECT_EQ(host.refs(), 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].first, "获取数据库类型失败!");
  EXPECT_EQ(boxes[0].second, "警告");
}

// ---------------------------------------------------------------- clock and preparer

TEST_F(DreamClassTest, MonthAndDateAloneMakeExactlyTwoCallsAndSkipTheTable) {
  host.Succeed(disp::GetServerMonth, "202403");
  host.Succeed(disp::GetServerDate, "20240315 10:22:33");
  Dream();
  host.ClearCalls();
  ASSERT_TRUE(Read({1, 3})) << message;
  EXPECT_EQ(DispIds(host), (std::vector<int>{disp::GetServerMonth, disp::GetServerDate}));
  EXPECT_EQ(rec.CurrentYearMonth, "202403");
  EXPECT_EQ(rec.CurrentDate, "20240315");
  EXPECT_EQ(rec.dwlx, "");
}

TEST_F(DreamClassTest, DateTimeAloneStillReadsTheTable) {
  host.Succeed(disp::GetServerDateTime, "2024-03-15 10:22:33");
  host.Succeed(disp::GetSystemParameters, ParamPacket({{"dwlx", "01"}}));
  ASSERT_TRUE(Read({2})) << message;
  EXPECT_EQ(rec.CurrentDateTime, "2024-03-15 10:22:33");
  EXPECT_EQ(rec.dwlx, "01");
  EXPECT_EQ(host.CallsOf(disp::GetSystemParameters).size(), 1u);
}

TEST_F(DreamClassTest, PreparerNameIsLookedUpByCodeAndSkippedWithoutOne) {
  host.Succeed(disp::LookupRows,
               Variant::MakePacket(test::MakePacket({{"f_zybm", kText}, {"f_zymc", kText}}, {{"0001", "王芳"}})));
  rec.PreparerCode = "0001";
  ASSERT_TRUE(Read({4})) << message;
  EXPECT_EQ(rec.PreparerName, "王芳");
  auto calls = host.CallsOf(disp::LookupRows);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].argsIn, (std::vector<Variant>{Variant(1), Variant("0001")}));

  host.ClearCalls();
  rec.PreparerCode.clear();
  rec.PreparerName = "上次的名字";
  ASSERT_TRUE(Read({4})) << message;
  EXPECT_TRUE(host.calls().empty());
  EXPECT_EQ(rec.PreparerName, "上次的名字");
}

// ---------------------------------------------------------------- host failures

struct HostFailureCase {
  const char* name;
  int failing;
  enum { Refuse, Raise, NotAPacket, DamagedPacket, WrongColumns } how;
  std::string message;
};

class DreamClassHostFailure : public DreamClassTest, public ::testing::WithParamInterface<HostFailureCase> {};

TEST_P(DreamClassHostFailure, StopsWithItsMessageAndKeepsWhatWasRead) {
  const auto& c = GetParam();
  const std::vector<std::pair<int, Variant>> answers = {
      {disp::GetServerMonth, "202403"},
      {disp::GetServerDateTime, "20240315102233"},
      {disp::GetServerDate, "20240315"},
      {disp::LookupRows, Variant::MakePacket(test::MakePacket({{"f_zymc", kText}}, {{"王芳"}}))},
      {disp::GetSystemParameters, ParamPacket(RequiredRows())}};
  for (const auto& [id, ref] : answers)
    if (id != c.failing) host.Succeed(id, ref);
  switch (c.how) {
    case HostFailureCase::Refuse: host.Fail(c.failing, {"连接超时"}); break;
    case HostFailureCase::Raise: host.Raise(c.failing, "主机内部错误"); break;
    case HostFailureCase::NotAPacket: host.Succeed(c.failing, "not a packet"); break;
    case HostFailureCase::DamagedPacket: host.Succeed(c.failing, Variant::MakePacket("PTPK\x01")); break;
    case HostFailureCase::WrongColumns:
      host.Succeed(c.failing, Variant::MakePacket(test::MakePacket({{"name", kText}}, {{"x"}})));
      break;
  }
  rec.PreparerCode = "0001";
  rec.qyny = "untouched";
  EXPECT_FALSE(Read({0, 1, 2, 3, 4}));
  EXPECT_EQ(message.substr(0, c.message.size()), c.message);
  EXPECT_EQ(rec.qyny, "untouched");
  // Nothing after the failing call is asked for.
  EXPECT_EQ(host.calls().back().dispId, c.failing);
  if (c.failing != disp::GetServerMonth) {
    EXPECT_EQ(rec.CurrentYearMonth, "202403");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, DreamClassHostFailure,
    ::testing::Values(
        HostFailureCase{"MonthRefused", disp::GetServerMonth, HostFailureCase::Refuse, "取得当前年月时出错！"},
        HostFailureCase{"DateTimeRefused", disp::GetServerDateTime, HostFailureCase::Refuse, "取得当前日期时间时出错！"},
        HostFailureCase{"DateRefused", disp::GetServerDate, HostFailureCase::Refuse, "取得当前日期时出错！"},
        HostFailureCase{"PreparerRefused", disp::LookupRows, HostFailureCase::Refuse, "取得制单人名称时出错！！"},
        HostFailureCase{"ParamsRefused", disp::GetSystemParameters, HostFailureCase::Refuse, "取得系统参数时出错！"},
        HostFailureCase{"MonthRaised", disp::GetServerMonth, HostFailureCase::Raise, "主机内部错误"},
        HostFailureCase{"DateRaised", disp::GetServerDate, HostFailureCase::Raise, "主机内部错误"},
        HostFailureCase{"PreparerRaised", disp::LookupRows, HostFailureCase::Raise, "主机内部错误"},
        HostFailureCase{"ParamsRaised", disp::GetSystemParameters, HostFailureCase::Raise, "主机内部错误"},
        HostFailureCase{"PreparerNotAPacket", disp::LookupRows, HostFailureCase::NotAPacket,
                        "数据包格式错误：主机没有返回数据包"},
        HostFailureCase{"ParamsNotAPacket", disp::GetSystemParameters, HostFailureCase::NotAPacket,
                        "数据包格式错误：主机没有返回数据包"},
        HostFailureCase{"ParamsDamaged", disp::GetSystemParameters, HostFailureCase::DamagedPacket,
                        "数据包格式错误："},
        HostFailureCase{"PreparerWithoutName", disp::LookupRows, HostFailureCase::WrongColumns,
                        "ParamData: 找不到字段 'f_zymc'"},
        HostFailureCase{"ParamsWithoutKeys", disp::GetSystemParameters, HostFailureCase::WrongColumns,
                        "ParamData: 找不到字段 'f_Csmc'"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- parameter rows

struct ParamCase {
  const char* name;
  std::vector<int> items;
  std::vector<std::pair<std::string, std::optional<Variant>>> changes;  // nullopt removes the row
  bool ok;
  std::string expected;  // the field's value as text, or the message
  std::function<std::string(const TSystemParams&)> field;
};

#define FIELD(f) [](const TSystemParams& p) { return Str(p.f); }

class DreamClassParam : public DreamClassTest, public ::testing::WithParamInterface<ParamCase> {};

TEST_P(DreamClassParam, ReadsTheRowByItsRule) {
  const auto& c = GetParam();
  host.Succeed(disp::GetSystemParameters, ParamPacket(With(RequiredRows(), c.changes)));
  SystemParamItems items;
  for (int i : c.items) items.Add(i);
  bool ok = Read(items);
  EXPECT_EQ(ok, c.ok) << message;
  if (c.ok) {
    EXPECT_EQ(c.field(rec), c.expected);
  } else {
    EXPECT_EQ(message, c.expected);
  }
}

const std::optional<Variant> kMissing = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Rows, DreamClassParam,
    ::testing::Values(
        // Required keys and their messages; kinds.
        ParamCase{"TextRead", {0}, {{"qyny", "202001"}}, true, "202001", FIELD(qyny)},
        ParamCase{"TextMissing", {0}, {{"qyny", kMissing}}, false, "没有可利用的启用年月！"},
        ParamCase{"TextMissingAddress", {7}, {{"dz", kMissing}}, false, "没有可利用的单位地址！"},
        ParamCase{"NullTextIsEmpty", {5}, {{"dwmc", Variant()}}, true, "", FIELD(dwmc)},
        ParamCase{"IntegerMissing", {18}, {{"fgckjb", kMissing}}, false, "没有可利用的分割仓库级别！"},
        ParamCase{"IntegerMissingPickList", {115}, {{"jhddyhs", kMissing}}, false, "没有可利用的拣货单打印行数！"},
        ParamCase{"IntegerTakesVariantConversion", {18}, {{"fgckjb", "4.0"}}, true, "4", FIELD(fgckjb)},
        ParamCase{"IntegerFromTextRejectsFraction", {61}, {{"jsxtfs", "4.0"}}, false, "'4.0' 不是有效的整数"},
        ParamCase{"IntegerFromTextAllowsPadding", {61}, {{"jsxtfs", " 3  "}}, true, "3", FIELD(jsxtfs)},
        ParamCase{"IntegerOutOfRange", {26}, {{"dddyhs", "3000000000"}}, false, "'3000000000' 超出整数范围"},
        ParamCase{"IntegerLetters", {26}, {{"dddyhs", "abc"}}, false, "'abc' 不是有效的整数"},
        ParamCase{"FlagMissing", {15}, {{"lskz", kMissing}}, false, "没有可利用的连锁控制！"},
        ParamCase{"FlagOnlyForOne", {17}, {{"cskz", "true"}}, true, "false", FIELD(cskz)},
        ParamCase{"FlagOne", {25}, {{"zrrkz", "1"}}, true, "true", FIELD(zrrkz)},
        // Defaults of optional keys.
        ParamCase{"DefaultTextZero", {76}, {}, true, "0", FIELD(djfgfs)},
        ParamCase{"DefaultTextOne", {50}, {}, true, "1", FIELD(psdahsfg)},
        ParamCase{"DefaultEmptyText", {100}, {}, true, "", FIELD(zbbm)},
        ParamCase{"DefaultFlagFalse", {90}, {}, true, "false", FIELD(dchy)},
        ParamCase{"DefaultFlagTrue", {73}, {}, true, "true", FIELD(kpyxcfsp)},
        ParamCase{"DefaultInteger25", {103}, {}, true, "25", FIELD(psfpbdyhs)},
        ParamCase{"DefaultNumber17", {99}, {}, true, "17", FIELD(xpdjmrsl)},
        ParamCase{"NumberRead", {99}, {{"xpdjmrsl", "12.5"}}, true, "12.5", FIELD(xpdjmrsl)},
        ParamCase{"OptionalPresent", {90}, {{"dchy", "1"}}, true, "true", FIELD(dchy)},
        // Keys are found without regard to case...
        ParamCase{"KeyCaseIgnored", {0}, {{"qyny", kMissing}, {"QYNY", "201901"}}, true, "201901", FIELD(qyny)},
        ParamCase{"KeyCaseIgnoredFlag", {90}, {{"DcHy", "1"}}, true, "true", FIELD(dchy)},
        ParamCase{"KeyCaseIgnoredMixedName", {123}, {{"psdjzycts", "9"}}, true, "9", FIELD(Psdjzycts)},
        // ...except ypthphkz.
        ParamCase{"YpthphkzOne", {22}, {{"ypthphkz", "1"}}, true, "1", FIELD(ypthphkz)},
        ParamCase{"YpthphkzOther", {22}, {{"ypthphkz", "5"}}, true, "0", FIELD(ypthphkz)},
        ParamCase{"YpthphkzMissing", {22}, {}, true, "1", FIELD(ypthphkz)},
        ParamCase{"YpthphkzCaseMatters", {22}, {{"YPTHPHKZ", "0"}}, true, "1", FIELD(ypthphkz)},
        // dybm by unit type.
        ParamCase{"DybmPresent", {13}, {{"dwlx", "01"}, {"dybm", "9001"}}, true, "9001", FIELD(dybm)},
        ParamCase{"DybmMissingUnit01", {13}, {{"dwlx", "01"}, {"dybm", kMissing}}, false,
                  "没有可利用的连锁编码及前台销售柜组编码！"},
        ParamCase{"DybmMissingUnit02", {13}, {{"dwlx", "02"}, {"dybm", kMissing}}, false,
                  "没有可利用的连锁编码及前台销售柜组编码！"},
        ParamCase{"DybmMissingUnit11", {13}, {{"dwlx", "11"}, {"dybm", kMissing}}, false,
                  "没有可利用的连锁编码及前台销售柜组编码！"},
        ParamCase{"DybmMissingUnit00", {13}, {{"dwlx", "00"}, {"dybm", kMissing}}, true, "", FIELD(dybm)},
        ParamCase{"DybmMissingUnit03", {13}, {{"dwlx", "03"}, {"dybm", kMissing}}, true, "", FIELD(dybm)},
        // sphsfs by unit type.
        ParamCase{"SphsfsRead", {19}, {{"sphsfs", "2"}}, true, "2", FIELD(sphsfs)},
        ParamCase{"SphsfsMissingUnit00", {19}, {{"dwlx", "00"}, {"sphsfs", kMissing}}, true, "1", FIELD(sphsfs)},
        ParamCase{"SphsfsMissingUnit01", {19}, {{"dwlx", "01"}, {"sphsfs", kMissing}}, false,
                  "没有可利用的商品核算方式！"},
        // sljd is a display format.
        ParamCase{"Sljd3", {14}, {{"sljd", "3"}}, true, "0.000", FIELD(sljd)},
        ParamCase{"Sljd0", {14}, {{"sljd", "0"}}, true, "0.", FIELD(sljd)},
        ParamCase{"SljdNegative", {14}, {{"sljd", "-2"}}, true, "0.", FIELD(sljd)},
        ParamCase{"SljdMissing", {14}, {{"sljd", kMissing}}, false, "没有可利用的数量精度！"},
        ParamCase{"SljdLetters", {14}, {{"sljd", "x"}}, false, "'x' 不是有效的整数"},
        ParamCase{"SljdAbsurd", {14}, {{"sljd", "2000000000"}}, false, "数量精度 2000000000 超出范围"},
        // ysqr is "1" or "0".
        ParamCase{"YsqrOne", {11}, {{"ysqr", "1"}}, true, "1", FIELD(ysqr)},
        ParamCase{"YsqrOther", {11}, {{"ysqr", "Y"}}, true, "0", FIELD(ysqr)},
        ParamCase{"YsqrMissing", {11}, {{"ysqr", kMissing}}, false, "没有可利用的验收确认！"},
        // spfzflx and hykxc: empty is 0.
        ParamCase{"SpfzflxEmpty", {75}, {{"spfzflx", ""}}, true, "0", FIELD(spfzflx)},
        ParamCase{"SpfzflxRead", {75}, {{"spfzflx", "3"}}, true, "3", FIELD(spfzflx)},
        ParamCase{"HykxcMissing", {83}, {}, true, "0", FIELD(hykxc)},
        ParamCase{"HykxcBlankIsNotEmpty", {83}, {{"hykxc", " "}}, false, "' ' 不是有效的整数"},
        // Quantity limits: blank is 100000.
        ParamCase{"PsxzslBlanks", {77}, {{"psxzsl", "   "}}, true, "100000", FIELD(psxzsl)},
        ParamCase{"PsxzslLetters", {77}, {{"psxzsl", "abc"}}, false, "'abc' 不是有效的整数"},
        ParamCase{"PsxzslRead", {77}, {{"psxzsl", "500"}}, true, "500", FIELD(psxzsl)},
        ParamCase{"XsxzslMissing", {78}, {}, true, "100000", FIELD(xsxzsl)},
        ParamCase{"JhxzslEmpty", {79}, {{"jhxzsl", ""}}, true, "100000", FIELD(jhxzsl)},
        // mdzdyjj only counts when mdzdysj is on.
        ParamCase{"MdzdBothOn", {89}, {{"mdzdysj", "1"}, {"mdzdyjj", "1"}}, true, "true/true",
                  [](const TSystemParams& p) { return Str(p.mdzdysj) + "/" + Str(p.mdzdyjj); }},
        ParamCase{"MdzdPurchaseMissing", {89}, {{"mdzdysj", "1"}}, true, "true/false",
                  [](const TSystemParams& p) { return Str(p.mdzdysj) + "/" + Str(p.mdzdyjj); }},
        ParamCase{"MdzdSaleOff", {89}, {{"mdzdysj", "0"}, {"mdzdyjj", "1"}}, true, "false/false",
                  [](const TSystemParams& p) { return Str(p.mdzdysj) + "/" + Str(p.mdzdyjj); }},
        ParamCase{"MdzdSaleMissing", {89}, {{"mdzdyjj", "1"}}, true, "false/false",
                  [](const TSystemParams& p) { return Str(p.mdzdysj) + "/" + Str(p.mdzdyjj); }},
        // tmzbmcqz: blank is "2".
        ParamCase{"TmzbmcqzMissing", {128}, {}, true, "2", FIELD(tmzbmcqz)},
        ParamCase{"TmzbmcqzBlank", {128}, {{"tmzbmcqz", "  "}}, true, "2", FIELD(tmzbmcqz)},
        ParamCase{"TmzbmcqzRead", {128}, {{"tmzbmcqz", "1"}}, true, "1", FIELD(tmzbmcqz)},
        // dwlx comes first whatever was asked; then the fixed order decides the message.
        ParamCase{"UnitTypeMissing", {0}, {{"dwlx", kMissing}, {"qyny", kMissing}}, false, "没有可利用的单位类型！"},
        ParamCase{"OrderRqssjBeforeDwmc", {5, 39}, {{"dwmc", kMissing}, {"rqssj", kMissing}}, false,
                  "取得日起始时间时出错！"},
        ParamCase{"OrderSljdBeforeCskz", {17, 14}, {{"cskz", kMissing}, {"sljd", kMissing}}, false,
                  "没有可利用的数量精度！"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- what a read leaves alone

TEST_F(DreamClassTest, ItemTwelveAloneReadsTheTableButStoresOnlyTheUnitType) {
  host.Succeed(disp::GetSystemParameters, ParamPacket(With(RequiredRows(), {{"dwlx", "01"}})));
  rec.qyny = "keep";
  rec.dybm = "keep";
  rec.dchy = true;
  rec.sljd = "keep";
  TSystemParams before = rec;
  ASSERT_TRUE(Read({12})) << message;
  before.DatabaseType = "DB2";
  before.dwlx = "01";
  EXPECT_EQ(rec, before);
  EXPECT_EQ(Dream().UnitType(), "01");

  Rescript(host, disp::GetSystemParameters, ParamPacket({{"qyny", "202001"}}));
  EXPECT_FALSE(Read({12}));
  EXPECT_EQ(message, "没有可利用的单位类型！");
}

TEST_F(DreamClassTest, AFailedReadKeepsEarlierValuesAndLeavesLaterOnesAlone) {
  host.Succeed(disp::GetSystemParameters, ParamPacket(With(RequiredRows(), {{"sh", kMissing}})));
  rec.dz = "keep";
  EXPECT_FALSE(Read({5, 6, 7}));
  EXPECT_EQ(message, "没有可利用的税号！");
  EXPECT_EQ(rec.dwmc, "v_dwmc");
  EXPECT_EQ(rec.dz, "keep");
}

TEST_F(DreamClassTest, EveryItemReadsFromARequiredOnlyTable) {
  host.Succeed(disp::GetServerMonth, "202403");
  host.Succeed(disp::GetServerDateTime, "20240315102233");
  host.Succeed(disp::GetServerDate, "20240315");
  host.Succeed(disp::GetSystemParameters, ParamPacket(RequiredRows()));
  ASSERT_TRUE(Read(AllItems())) << message;
  EXPECT_EQ(rec.khzqqy, "v_khzqqy");
  EXPECT_EQ(rec.ysfs, 7);
  EXPECT_TRUE(rec.psysjscdjd);
  EXPECT_EQ(rec.sljd, "0.00");
  EXPECT_EQ(rec.ddzxsqdtqhb, "1");
  EXPECT_TRUE(rec.zysqzlyx);
  EXPECT_EQ(rec.hykkhxe, 0);
  // Each call asks the host again.
  ASSERT_TRUE(Read({0}));
  EXPECT_EQ(host.CallsOf(disp::GetSystemParameters).size(), 2u);
}

// ---------------------------------------------------------------- the main window's request

TEST_F(DreamClassTest, MainWindowRequestEndToEnd) {
  host.Succeed(disp::GetServerMonth, "202403");
  host.Succeed(disp::GetServerDate, "20240315");
  host.Succeed(disp::LookupRows, Variant::MakePacket(test::MakePacket({{"f_zymc", kText}}, {{"王芳"}})));
  host.Succeed(disp::GetSystemParameters,
               ParamPacket({{"dwlx", "00"}, {"qyny", "201901"}, {"dwmc", "测试超市"}, {"dybm", "9001"},
                            {"dchy", "1"}, {"jzsjzdtj", "0"}, {"unrelated", "x"}}));
  rec.PreparerCode = "0001";
  const SystemParamItems mainWindowItems{0, 1, 3, 4, 5, 12, 13, 90, 113};
  ASSERT_TRUE(Read(mainWindowItems)) << message;
  EXPECT_EQ(DispIds(host), (std::vector<int>{disp::GetDatabaseType, disp::GetServerMonth, disp::GetServerDate,
                                             disp::LookupRows, disp::GetSystemParameters}));
  EXPECT_EQ(rec.DatabaseType, "DB2");
  EXPECT_EQ(rec.qyny, "201901");
  EXPECT_EQ(rec.CurrentYearMonth, "202403");
  EXPECT_EQ(rec.CurrentDate, "20240315");
  EXPECT_EQ(rec.PreparerName, "王芳");
  EXPECT_EQ(rec.dwmc, "测试超市");
  EXPECT_EQ(rec.dwlx, "00");
  EXPECT_EQ(rec.dybm, "9001");
  EXPECT_TRUE(rec.dchy);
  EXPECT_FALSE(rec.jzsjzdtj);
  EXPECT_EQ(rec.sljd, "");  // not asked for
  EXPECT_EQ(Dream().UnitType(), "00");

  // A chain store without its chain code cannot start.
  Rescript(host, disp::GetSystemParameters, ParamPacket({{"dwlx", "02"}, {"qyny", "201901"}, {"dwmc", "测试超市"}}));
  EXPECT_FALSE(Read(mainWindowItems));
  EXPECT_EQ(message, "没有可利用的连锁编码及前台销售柜组编码！");
}
