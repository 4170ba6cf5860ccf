// RF handheld tag requests on the stand-in host's SQLite data service: the chooser lists the
// pending batches by price type, ticked batches reach the queue through the code entry and their
// requests leave the server table, and nothing else does.
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "common/UnitHint.h"
#include "dialogs/FlatControls.h"
#include "hostapp/HostDatabase.h"
#include "hostapp/SeedData.h"
#include "hostapp/SqliteHostService.h"
#include "printing/PrintLog.h"
#include "queue/UnitRF.h"
#include "tests/queue/MainWindowFixture.h"
#include "tests/queue/SeededHost.h"

namespace pt::test {
namespace {

constexpr const char* kToday = "20241210";

// Forwards to the real data service, keeps every call and fails or raises where a test asks.
class RfHost final : public HostService {
 public:
  struct Call {
    int dispId;
    std::vector<Variant> argsIn;
    std::string hintText;  // the busy hint's text when the call came
  };
  explicit RfHost(HostService& inner) : inner_(inner) {}
  void AddRef() override { inner_.AddRef(); }
  void Release() override { inner_.Release(); }
  Variant Invoke(int dispId, std::vector<Variant>& args) override {
    calls.push_back({dispId, args, FrmHint ? FrmHint->Label1->text().toStdString() : std::string()});
    // The detail panel's look at the log of printed tags is not the transfer's.
    const bool printLog = dispId == disp::OpenQuery && args[0].ToText().find(printing::kPrintLogTable) != std::string::npos;
    if (dispId == disp::OpenQuery && !printLog && ++openQueries == failOpenQueryAt) return Fail(args, "查询超时");
    if (dispId == disp::ExecuteCommand && ++commands == failCommandAt) return Fail(args, "删除被拒绝");
    if (dispId == disp::QueryProducts && !raiseFor.empty() && ConditionOf(args[1]).find("'" + raiseFor + "'") != std::string::npos)
      return Variant::MakeError("主机内部错误");
    return inner_.Invoke(dispId, args);
  }

  static std::string ConditionOf(const Variant& packet) {
    MemTable t;
    t.LoadPacket(packet.AsPacket());
    return t.GetText("f_Tj");
  }
  std::vector<std::string> Sql(int dispId) const {
    std::vector<std::string> out;
    for (const Call& c : calls)
      if (c.dispId == dispId) out.push_back(c.argsIn[0].ToText());
    return out;
  }
  // The product queries of the code entry (not the promotion histories, modes 5 and 6).
  std::vector<const Call*> CodeEntries() const {
    std::vector<const Call*> out;
    for (const Call& c : calls)
      if (c.dispId == disp::QueryProducts && c.argsIn[0].ToInt() != 5 && c.argsIn[0].ToInt() != 6) out.push_back(&c);
    return out;
  }

  std::vector<Call> calls;
  int failOpenQueryAt = 0, failCommandAt = 0;
  std::string raiseFor;

 private:
  static Variant Fail(std::vector<Variant>& args, const char* message) {
    args.back() = Variant::MakeArray({Variant(message)});
    return Variant(false);
  }
  HostService& inner_;
  int openQueries = 0, commands = 0;
};

// One chooser row as the clerk sees it.
using Row = std::vector<std::string>;

class RfOnSeededHost : public MainWindowFixture, public ::testing::WithParamInterface<Backend> {
 protected:
  static void SetUpTestSuite() {
    masters_ = new SeededMasters(300, "02", kToday);
  }
  static void TearDownTestSuite() { delete masters_; }

  // Every test works on its own copy of the seeded database, with promotions and requests of
  // its own:
  //   batch 0004 (刘洋) today 09:15   n1 s2 n1 s1 q sq x2    s2's special price ended yesterday
  //   batch 0005 (陈静) yesterday      n2 f0 m1               n2's timed sale has a zero price
  //   batch 0099 (not an employee)     n1 s1
  void SetUp() override {
    copy_ = std::make_unique<SeededCopy>(masters_->For(GetParam()));
    db_ = std::make_unique<hostapp::HostDatabase>(copy_->path(), hostapp::ServerClock::Pinned(kToday));
    MemTable t;
    t.LoadPacket(db_->QueryNativePacket(
        "select da.f_Spbm from tbSpda da where f_Mj=1 and da.f_Spbm in (select f_spbm from tblsdkz k,tbspjyztda z "
        "where k.f_jyztbm=z.f_jyztbm and f_yxxs=1) order by da.f_Spbm limit 9"));
    ASSERT_EQ(t.RecordCount(), 9);
    std::vector<std::string> c;
    for (t.First(); !t.Eof(); t.Next()) c.push_back(t.GetText("f_Spbm"));
    n1 = c[0], n2 = c[1], s1 = c[2], s2 = c[3], f0 = c[4], m1 = c[5], x2 = c[6], q = c[7], sq = c[8];
    db_->ExecNative("delete from tbsptj; delete from tbxsxl; delete from tbPlzj; delete from tbRFBjq;");
    using Ends = std::vector<std::pair<std::string, std::string>>;
    for (const auto& [code, end] : Ends{{s1, "20241210"}, {s2, "20241209"}, {sq, "20241231"}})
      db_->ExecNative("insert into tbsptj(f_spbm,f_tjlx,f_qsrq,f_jsrq,f_xsdj) values('" + code + "',0,'20241201','" +
                      end + "',5.5)");
    using Sales = std::vector<std::tuple<std::string, std::string, int>>;
    for (const auto& [code, price, kind] : Sales{{f0, "3", 0}, {m1, "4", 1}, {x2, "4", 2}, {n2, "0", 0}})
      db_->ExecNative("insert into tbxsxl(f_spbm,f_qsrq,f_jsrq,f_qssj,f_jssj,f_xsdj,f_xc) values('" + code +
                      "','20241201','20241220','0000','2359'," + price + "," + std::to_string(kind) + ")");
    for (const std::string& code : std::vector<std::string>{q, sq})
      db_->ExecNative("insert into tbPlzj(f_spbm,f_xsdj,f_zpl,f_plsl,f_qsrq,f_jsrq) values('" + code +
                      "',2,'1',10,'20241201','20241231')");
    AddRequests("0004", "20241210091500", {n1, s2, n1, s1, q, sq, x2});
    AddRequests("0005", "20241209164500", {n2, f0, m1});
    AddRequests("0099", "20241210100000", {n1, s1});
    service_ = std::make_unique<hostapp::DbHostService>(*db_);
    host_rf_ = std::make_unique<RfHost>(*service_);
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    host_rf_.reset();
    service_.reset();
    db_.reset();
  }

  void AddRequests(const std::string& who, const std::string& when, const std::vector<std::string>& codes) {
    for (const std::string& code : codes)
      db_->ExecNative("insert into tbRFBjq(f_Zybm,f_Sj,f_Spbm) values('" + who + "','" + when + "','" + code + "')");
  }
  // The requests left on the server, as "employee/product", in table order.
  std::multiset<std::string> Requests() {
    MemTable t;
    t.LoadPacket(db_->QueryNativePacket("select rtrim(f_Zybm)||'/'||rtrim(f_Spbm) as k from tbRFBjq"));
    std::multiset<std::string> out;
    for (t.First(); !t.Eof(); t.Next()) out.insert(t.GetText("k"));
    return out;
  }
  using Batches = std::vector<std::pair<std::string, std::vector<std::string>>>;
  static std::multiset<std::string> RequestsOf(const Batches& batches) {
    std::multiset<std::string> out;
    for (const auto& [who, codes] : batches)
      for (const std::string& code : codes) out.insert(who + "/" + code);
    return out;
  }
  // The codes the code entry looked up, in order.
  std::vector<std::string> Fed() const {
    std::vector<std::string> out;
    for (const RfHost::Call* c : host_rf_->CodeEntries()) {
      const std::string cond = RfHost::ConditionOf(c->argsIn[1]);
      const size_t a = cond.find('\''), b = cond.find('\'', a + 1);
      out.push_back(cond.substr(a + 1, b - a - 1));
    }
    return out;
  }
  std::vector<std::string> QueuedCodes() const {
    std::vector<std::string> out;
    for (int i = 0; i < window_->cdsSpda.RecordCount(); ++i)
      out.push_back(window_->cdsSpda.CellAt(i, window_->cdsSpda.FieldIndex("f_Spbm")).ToText());
    return out;
  }
  static std::vector<Row> RowsOf(TFrmRF* rf) {
    std::vector<Row> out;
    for (int i = 0; i < rf->lsvRF->topLevelItemCount(); ++i) {
      Row r;
      for (int c = 0; c < TFrmRF::ColumnCount; ++c) r.push_back(rf->lsvRF->topLevelItem(i)->text(c).toStdString());
      out.push_back(r);
    }
    return out;
  }
  // Runs the command with the chooser answered: the given rows ticked, then 确定.
  void RunTicking(std::vector<int> ticked) {
    ui_.Then([ticked](QDialog* d) {
      auto* rf = qobject_cast<TFrmRF*>(d);
      ASSERT_NE(rf, nullptr);
      for (int i : ticked) rf->lsvRF->topLevelItem(i)->setCheckState(TFrmRF::ColEmployee, Qt::Checked);
      rf->btnOK->click();
    });
    window_->NRF->trigger();
  }
  TFrmspbqdy* OpenWindow() {
    TFrmspbqdy* w = Open(*host_rf_);
    EXPECT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
    host_rf_->calls.clear();
    return w;
  }

  static SeededMasters* masters_;
  std::unique_ptr<SeededCopy> copy_;
  std::string n1, n2, s1, s2, f0, m1, x2, q, sq;
  std::unique_ptr<hostapp::HostDatabase> db_;
  std::unique_ptr<hostapp::DbHostService> service_;
  std::unique_ptr<RfHost> host_rf_;
};

SeededMasters* RfOnSeededHost::masters_ = nullptr;

// Row positions of the chooser for the fixture's requests.
enum { kNormal0004, kNormal0005, kSpecial0004, kFlash0005, kMember0005, kQuantity0004 };

TEST_P(RfOnSeededHost, ChooserListsTheBatchesInListOrderAndCancelChangesNothing) {
  TFrmspbqdy* w = OpenWindow();
  const auto before = Requests();
  std::vector<Row> rows;
  ui_.Then([&](QDialog* d) {
    auto* rf = qobject_cast<TFrmRF*>(d);
    ASSERT_NE(rf, nullptr);
    EXPECT_EQ(rf->objectName(), "TFrmRF");
    EXPECT_EQ(rf->windowTitle().toStdString(), "调RF数据");
    EXPECT_EQ(rf->btnOK->text().toStdString(), "确定 [&O]");
    EXPECT_EQ(rf->btnCancel->text().toStdString(), "放弃 [&C]");
    EXPECT_EQ(rf->btnOK->BorderColor(), kClGreen);
    EXPECT_EQ(rf->btnCancel->cursor().shape(), Qt::PointingHandCursor);
    ASSERT_EQ(rf->lsvRF->columnCount(), 5);
    EXPECT_EQ(rf->lsvRF->headerItem()->text(3).toStdString(), "价格类型");
    EXPECT_FALSE(rf->lsvRF->isSortingEnabled());
    for (int i = 0; i < rf->lsvRF->topLevelItemCount(); ++i) {
      EXPECT_EQ(rf->lsvRF->topLevelItem(i)->checkState(0), Qt::Unchecked);
      EXPECT_TRUE(rf->lsvRF->topLevelItem(i)->flags() & Qt::ItemIsUserCheckable);
      EXPECT_FALSE(rf->lsvRF->topLevelItem(i)->flags() & Qt::ItemIsEditable);
    }
    rows = RowsOf(rf);
    rf->lsvRF->topLevelItem(0)->setCheckState(0, Qt::Checked);
    rf->btnCancel->click();
  });
  w->NRF->trigger();
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  EXPECT_EQ(ui_.dialogsRun, 1);
  const std::string a = "2024.12.10 09:15:00", b = "2024.12.09 16:45:00";
  // Employee codes are fixed-width on the server: they come with their blanks.
  const std::string e4 = "0004    ", e5 = "0005    ";
  EXPECT_EQ(rows, (std::vector<Row>{{e4, "刘洋", a, "普通价", "3"},
                                    {e5, "陈静", b, "普通价", "1"},
                                    {e4, "刘洋", a, "特价", "2"},
                                    {e5, "陈静", b, "惊爆价", "1"},
                                    {e5, "陈静", b, "会员价", "1"},
                                    {e4, "刘洋", a, "批量价", "2"}}));
  // The batch keys follow the rows one for one.
  ASSERT_EQ(w->cdsRF_All.RecordCount(), 6);
  w->cdsRF_All.SetRecNo(4);
  EXPECT_EQ(w->cdsRF_All.GetText("f_Zybm"), e5);
  EXPECT_EQ(w->cdsRF_All.GetText("f_Sj"), "20241209164500");
  EXPECT_EQ(w->cdsRF_All.GetText("f_Zymc"), "陈静");
  // The four lists went out in order, and cancel sent nothing more.
  const auto lists = host_rf_->Sql(disp::OpenQuery);
  ASSERT_EQ(lists.size(), 4u);
  EXPECT_EQ(lists[0].rfind("Select RF.f_Zybm f_Zybm,Zyda.f_Zymc f_Zymc,RF.f_Sj f_Sj,Count(*) f_Count from tbRFBjq "
                           "RF,tbZyda Zyda Where RF.f_Zybm=Zyda.f_Zybm And RF.f_Spbm not in (Select f_Spbm from "
                           "tbSptj Where f_Jsrq>='20241210') ", 0), 0u);
  EXPECT_NE(lists[2].find("count(distinct x.f_spbm) f_Count,x.f_xc"), std::string::npos);
  EXPECT_TRUE(host_rf_->Sql(disp::ExecuteCommand).empty());
  EXPECT_TRUE(Fed().empty());
  EXPECT_EQ(Requests(), before);
  EXPECT_EQ(w->cdsSpda.RecordCount(), 0);

  // A second run starts afresh: the same six rows, not twelve.
  ui_.Then([&](QDialog* d) { rows = RowsOf(qobject_cast<TFrmRF*>(d)); d->reject(); });
  w->NRF->trigger();
  EXPECT_EQ(rows.size(), 6u);
  EXPECT_EQ(w->cdsRF_All.RecordCount(), 6);
  EXPECT_EQ(Requests(), before);
}

TEST_P(RfOnSeededHost, ATickedBatchQueuesItsProductsAndDeletesExactlyItsRequests) {
  TFrmspbqdy* w = OpenWindow();
  w->cboLb->setCurrentIndex(2);  // left on the barcode: the transfer looks up product codes
  const auto before = Requests();
  RunTicking({kNormal0004, kFlash0005});
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  // The batch's normal-price products, the same product twice, then the other ticked row.
  EXPECT_EQ(Fed(), (std::vector<std::string>{n1, s2, n1, f0}));
  const auto entries = host_rf_->CodeEntries();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0]->hintText, "正在调入RF数据1/3...");
  EXPECT_EQ(entries[2]->hintText, "正在调入RF数据3/3...");
  EXPECT_EQ(entries[3]->hintText, "正在调入RF数据1/1...");
  EXPECT_EQ(RfHost::ConditionOf(entries[0]->argsIn[1]), " da.f_Spbm='" + n1 + "' " + queue::kSaleClause);
  std::vector<std::string> queued = QueuedCodes();
  queued.erase(std::unique(queued.begin(), queued.end()), queued.end());
  EXPECT_EQ(queued, (std::vector<std::string>{n1, s2, n1, f0}));
  EXPECT_EQ(Counter(), "打印商品总计个数:" + std::to_string(w->cdsSpda.RecordCount()));
  EXPECT_EQ(w->cboLb->currentIndex(), 0);
  EXPECT_EQ(w->edtName->text().toStdString(), f0 + std::string(15 - f0.size(), ' '));  // as its fixed-width column gave it
  // Batch 0005 keeps its member-price request; 0004 keeps everything but its normal prices.
  auto expected = before;
  for (const std::string& gone : {"0004/" + n1, "0004/" + s2, "0004/" + n1, "0005/" + f0})
    expected.erase(expected.find(gone));
  EXPECT_EQ(Requests(), expected);
  // Each row claims its requests under a tag of its own in the employee code's place, reads and
  // deletes them by the tag, and gives back what the delete left; the employee code comes padded
  // from its fixed-width column.
  const auto commands = host_rf_->Sql(disp::ExecuteCommand);
  ASSERT_EQ(commands.size(), 4u);
  const std::string clause =
      "And f_Spbm in (Select f_Spbm from tbxsxl Where f_Jsrq>='20241210' and abs(f_xsdj)>0.005 and f_xc=0 ) ";
  const std::string claim = commands[2];
  ASSERT_EQ(claim.rfind("Update tbRFbjq set f_Zybm='#", 0), 0u) << claim;
  const std::string tag = claim.substr(27, 8);
  EXPECT_EQ(claim, "Update tbRFbjq set f_Zybm='" + tag + "' WHERE f_Zybm='0005    ' and f_Sj='20241209164500' " + clause);
  EXPECT_NE(tag, commands[0].substr(27, 8));
  const auto selects = host_rf_->Sql(disp::OpenQuery);
  EXPECT_EQ(selects.back(), "SELECT f_Spbm FROM tbRFBjq WHERE f_Zybm='" + tag + "' and f_Sj='20241209164500' " + clause);
  EXPECT_EQ(commands[3], "Delete from tbRFbjq WHERE f_Zybm='" + tag + "' and f_Sj='20241209164500' " + clause +
                             ";Update tbRFbjq set f_Zybm='0005    ' WHERE f_Zybm='" + tag + "' and f_Sj='20241209164500' ");
  EXPECT_EQ(FrmHint.data(), nullptr);
}

TEST_P(RfOnSeededHost, AProductInTwoTickedListsIsFedOnce) {
  OpenWindow();
  RunTicking({kSpecial0004, kQuantity0004});
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  // sq has a special price and quantity pricing: the special-price row takes it first.
  EXPECT_EQ(Fed(), (std::vector<std::string>{s1, sq, q}));
  EXPECT_EQ(Requests(), RequestsOf({{"0004", {n1, s2, n1, x2}}, {"0005", {n2, f0, m1}}, {"0099", {n1, s1}}}));
}

TEST_P(RfOnSeededHost, EveryRowTickedLeavesOnlyWhatNoListShows) {
  OpenWindow();
  RunTicking({0, 1, 2, 3, 4, 5});
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  // sq is fed by the special-price row only.
  EXPECT_EQ(Fed(), (std::vector<std::string>{n1, s2, n1, n2, s1, sq, f0, m1, q}));
  // The unknown employee's requests, and x2 whose timed sale is of a kind no list shows.
  EXPECT_EQ(Requests(), RequestsOf({{"0004", {x2}}, {"0099", {n1, s1}}}));
  for (const std::string& sql : host_rf_->Sql(disp::ExecuteCommand)) EXPECT_EQ(sql.find("0099"), std::string::npos);
}

TEST_P(RfOnSeededHost, OkWithNothingTickedChangesNothing) {
  TFrmspbqdy* w = OpenWindow();
  const auto before = Requests();
  RunTicking({});
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(Fed().empty());
  EXPECT_EQ(host_rf_->Sql(disp::OpenQuery).size(), 4u);
  EXPECT_TRUE(host_rf_->Sql(disp::ExecuteCommand).empty());
  EXPECT_EQ(Requests(), before);
  EXPECT_EQ(w->cdsSpda.RecordCount(), 0);
}

TEST_P(RfOnSeededHost, FailuresStopTheRunWithTheirMessage) {
  struct Case {
    const char* what;
    int failOpenQueryAt, failCommandAt;
    std::string message;
    int dialogs;
    size_t fed;
    int batchesDeleted;
  };
  const Case cases[] = {
      {"first list", 1, 0, "取RF数据时出错!\r\n查询超时", 0, 0, 0},
      {"time-limited list", 3, 0, "取RF数据时出错!\r\n查询超时", 0, 0, 0},
      {"second batch's select", 6, 0, "取RF数据时出错!\r\n查询超时", 1, 3, 1},
      {"first batch's claim", 0, 1, "取RF数据时出错!\r\n删除被拒绝", 1, 0, 0},
      {"first batch's delete", 0, 2, "删除RF数据时出错!\r\n删除被拒绝", 1, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    ui_.messages.clear();
    ui_.dialogsRun = 0;
    TFrmspbqdy* w = OpenWindow();
    host_rf_->failOpenQueryAt = c.failOpenQueryAt;
    host_rf_->failCommandAt = c.failCommandAt;
    const auto before = Requests();
    RunTicking({kNormal0004, kNormal0005});
    if (!c.dialogs) ui_.scripts.clear();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text.toStdString(), c.message);
    EXPECT_EQ(ui_.messages[0].caption.toStdString(), "错误");
    EXPECT_EQ(ui_.dialogsRun, c.dialogs);
    EXPECT_EQ(Fed().size(), c.fed);  // the second batch is never reached
    EXPECT_EQ(w->cdsSpda.IsEmpty(), c.fed == 0);
    auto expected = before;
    if (c.batchesDeleted)
      for (const std::string& gone : {"0004/" + n1, "0004/" + s2, "0004/" + n1}) expected.erase(expected.find(gone));
    EXPECT_EQ(Requests(), expected);
    EXPECT_EQ(FrmHint.data(), nullptr);
  }
}

TEST_P(RfOnSeededHost, RefusedCodesGoOnAndSilentFailuresKeepTheirRequests) {
  TFrmspbqdy* w = OpenWindow();
  AddRequests("0005", "20241209164500", {"NOPE"});
  host_rf_->raiseFor = s2;  // the host raises for s2's lookup: dropped without a word
  RunTicking({kNormal0004, kNormal0005});
  // The unknown product gets the code entry's own message; the run goes on.
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text.toStdString(), "档案中无商品编码为NOPE的商品或商品不允许销售!");
  EXPECT_EQ(Fed(), (std::vector<std::string>{n1, s2, n1, n2, "NOPE"}));
  std::vector<std::string> queued = QueuedCodes();
  queued.erase(std::unique(queued.begin(), queued.end()), queued.end());
  EXPECT_EQ(queued, (std::vector<std::string>{n1, n2}));
  // The refused code's request goes with its batch; s2, which never reached the queue, stays.
  EXPECT_EQ(Requests(), RequestsOf({{"0004", {s2, s1, q, sq, x2}}, {"0005", {f0, m1}}, {"0099", {n1, s1}}}));
  EXPECT_EQ(Counter(), "打印商品总计个数:" + std::to_string(w->cdsSpda.RecordCount()));
}

// At headquarters without a department every code entry would fail silently: the transfer is
// refused before any request is read or deleted.
TEST_F(MainWindowFixture, RfTransferAtHeadquartersNeedsADepartment) {
  HealthyHostOptions o;
  o.unitType = "00";
  ScriptHealthyHost(host_, o);
  const std::string batch = MakePacket({{"f_Zybm", 1}, {"f_Zymc", 1}, {"f_Sj", 1}, {"f_Count", 2}},
                                       {{Variant("0004"), Variant("刘洋"), Variant("20241210091500"), Variant(2)}});
  const std::string none = MakePacket({{"f_Zybm", 1}, {"f_Zymc", 1}, {"f_Sj", 1}, {"f_Count", 2}}, {});
  const std::string noneTimed = MakePacket({{"f_Zybm", 1}, {"f_Zymc", 1}, {"f_Sj", 1}, {"f_Count", 2}, {"f_xc", 2}}, {});
  TFrmspbqdy* w = Open(host_);
  ASSERT_NE(w, nullptr);
  // The normal-price list has one batch, the others none.
  host_.Handle(disp::OpenQuery, [&](std::vector<Variant>& args) {
    const std::string sql = args[0].ToText();
    const std::string& answer = sql.find("count(distinct") != std::string::npos ? noneTimed
                                : sql.find("RF.f_Spbm not in") != std::string::npos ? batch
                                                                                     : none;
    args.back() = Variant::MakePacket(answer);
    return Variant(true);
  });
  ui_.Then([](QDialog* d) {
    auto* rf = qobject_cast<TFrmRF*>(d);
    ASSERT_EQ(rf->lsvRF->topLevelItemCount(), 1);
    rf->lsvRF->topLevelItem(0)->setCheckState(0, Qt::Checked);
    rf->btnOK->click();
  });
  w->NRF->trigger();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text.toStdString(), "请先选择部门！");
  EXPECT_TRUE(ui_.messages[0].defaultErrorBox);
  EXPECT_EQ(host_.CallsOf(disp::OpenQuery).size(), 4u);
  EXPECT_TRUE(host_.CallsOf(disp::ExecuteCommand).empty());
  EXPECT_TRUE(Queries().empty());
}

PT_INSTANTIATE_BACKENDS(RfOnSeededHost);

}  // namespace
}  // namespace pt::test
