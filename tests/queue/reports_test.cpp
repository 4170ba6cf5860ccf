// The two report windows on the stand-in host's seeded database (SQLite and PostgreSQL): the pre-promotion
// reference prices computed, stored, closed and listed; the promotion detail list of the queue;
// both lists previewed and printed through the UI seam.
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>

#include "common/AdvDBEh.h"
#include "common/Clock.h"
#include "common/IniFile.h"
#include "dialogs/FlatControls.h"
#include "dialogs/UnitQuerySet.h"
#include "hostapp/HostDatabase.h"
#include "hostapp/HostSchema.h"
#include "hostapp/SeedData.h"
#include "hostapp/SqliteHostService.h"
#include "report_engine/ReportPreview.h"
#include "reports/ReferencePrices.h"
#include "reports/UnitSearch.h"
#include "reports/Unityjg.h"
#include "tests/queue/MainWindowFixture.h"
#include "tests/queue/SeededHost.h"

namespace pt::test {
namespace {

constexpr const char* kToday = "20240515";

// Products of our own beside the seeded ones, with sales whose reference prices are known:
// 900001 from 10 May: 3 units for 10.00 (3.4) and 3.50 in the week before; 2.60 on 20 March and
//   4.00 on 28 April, 8 to 90 days before: March sets 2.60 and April, with no cheaper sale,
//   leaves it.
// 900002 from 3 May: its only sale, on 5 February, lies in the third month before May and is
//   never read; both prices stay 0.
// 900003 from 20 May (the next period): 2 units for 19.00 on 14 May.
// 900002 again from 3 June: a coming promotion whose week before reaches June's tables.
// Time-limited: 900001 flash price from 12 May (limit 2 a sale), 900002 kind 2 from 14 May.
constexpr const char* kOwnRows = R"SQL(
INSERT INTO tbSpda(f_Spbm,f_Spmc,f_Sphh,f_Spcd,f_Ggxh,f_sppp,f_Jldw,f_Xsdj,f_hyj,f_Jdrq,f_bmbm,f_Mj) VALUES
 ('900001','测试可乐','H900001','广州','500ml','测试','瓶',3.8,3.6,'20240101','010',1),
 ('900002','测试饼干','H900002','上海','200g','测试','袋',6.5,6.0,'20240101','010',1),
 ('900003','测试牛奶','H900003','北京','1L','测试','盒',9.9,9.5,'20240101','010',1);
INSERT INTO tblsdkz(f_spbm,f_jyztbm) SELECT f_Spbm, (SELECT f_jyztbm FROM tbspjyztda WHERE f_yxxs=1 ORDER BY f_jyztbm LIMIT 1)
 FROM tbSpda WHERE f_Spbm IN ('900001','900002','900003');
INSERT INTO tbSptm(f_Sptm,f_Spbm,f_dwbl,f_xh) VALUES ('2990000000011','900001',1,1),('2990000000028','900002',1,1);
INSERT INTO tbsptj(f_djh,f_spbm,f_bmbm,f_tjlx,f_qsrq,f_jsrq,f_xsdj,f_jgfs,f_lxbm,f_dqbm) VALUES
 ('RT1','900001','',0,'20240510','20240520',2.5,0,'01','DQ202405A'),
 ('RT2','900002','',0,'20240503','20240525',5.5,0,'01','DQ202405A'),
 ('RT3','900003','',0,'20240520','20240531',8.8,0,'01','DQ202405B'),
 ('RT4','900002','',0,'20240603','20240610',5.9,0,'01','DQ202406A');
INSERT INTO tbxsxl(f_djh,f_spbm,f_bmbm,f_jgfs,f_qsrq,f_jsrq,f_qssj,f_jssj,f_xlsl,f_sdxl,f_xdsl,f_xsdj,f_xc,f_lxbm,f_dqbm) VALUES
 ('RX1','900001','',0,'20240512','20240516','0800','1000',100,20,2,1.99,0,'05','DQ202405A'),
 ('RX2','900002','',0,'20240514','20240518','1800','2100',50,10,1,4.99,2,'05','DQ202405A');
INSERT INTO tb202405_Xsmxzb(f_bmbm,f_djh,f_rzrq,f_sj,f_syybm) VALUES
 ('010','RTS1','20240506','101500','0002'),('010','RTS2','20240508','111000','0002'),('010','RTS3','20240514','090000','0002');
INSERT INTO tb202405_Xsmxcb(f_bmbm,f_djh,f_xh,f_spbm,f_xssl,f_xsdj,f_ssje,f_sssj) VALUES
 ('010','RTS1',1,'900001',3,3.8,10.00,0.00),('010','RTS2',1,'900001',1,3.8,3.50,0.00),
 ('010','RTS2',2,'900001',0,3.8,0,0),('010','RTS3',1,'900003',2,9.9,19.00,0.00);
INSERT INTO tb202404_Xsmxzb(f_bmbm,f_djh,f_rzrq,f_sj,f_syybm) VALUES ('010','RTS4','20240428','100000','0002');
INSERT INTO tb202404_Xsmxcb(f_bmbm,f_djh,f_xh,f_spbm,f_xssl,f_xsdj,f_ssje,f_sssj) VALUES ('010','RTS4',1,'900001',1,3.8,3.60,0.40);
INSERT INTO tb202403_Xsmxzb(f_bmbm,f_djh,f_rzrq,f_sj,f_syybm) VALUES ('010','RTS5','20240320','100000','0002');
INSERT INTO tb202403_Xsmxcb(f_bmbm,f_djh,f_xh,f_spbm,f_xssl,f_xsdj,f_ssje,f_sssj) VALUES ('010','RTS5',1,'900001',1,3.8,2.60,0.00);
INSERT INTO tb202402_Xsmxzb(f_bmbm,f_djh,f_rzrq,f_sj,f_syybm) VALUES ('010','RTS6','20240205','100000','0002');
INSERT INTO tb202402_Xsmxcb(f_bmbm,f_djh,f_xh,f_spbm,f_xssl,f_xsdj,f_ssje,f_sssj) VALUES ('010','RTS6',1,'900002',1,6.5,5.00,0.00);
)SQL";

// Every text the busy hint shows while it lives: its first text, then each rewrite.
struct HintTexts : QObject {
  std::vector<std::string> seen;
  HintTexts() { qApp->installEventFilter(this); }
  ~HintTexts() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show && o->objectName() == "TFrmHint") {
      auto* hint = static_cast<TFrmHint*>(o);
      seen.push_back(hint->Label1->text().toStdString());
      connect(hint, &TFrmHint::textChanged, this, [this](const QString& t) { seen.push_back(t.toStdString()); });
    }
    return false;
  }
};

std::vector<std::string> PageTexts(const report::PreparedReport& r) {
  std::vector<std::string> out;
  for (const report::Page& page : r.pages)
    for (const report::Item& item : page.items)
      if (const auto* t = std::get_if<report::TextItem>(&item)) out.push_back(t->text);
  return out;
}

bool Has(const std::vector<std::string>& texts, const std::string& t) {
  return std::find(texts.begin(), texts.end(), t) != texts.end();
}

class ReportsOnSeededHost : public MainWindowFixture, public ::testing::WithParamInterface<Backend> {
 protected:
  static void SetUpTestSuite() {
    masters_ = new SeededMasters(300, "02", kToday);
  }
  static void TearDownTestSuite() { delete masters_; }

  // Every test works on a copy of the seeded database: searches change it.
  void SetUp() override {
    copy_ = std::make_unique<SeededCopy>(masters_->For(GetParam()));
    db_ = std::make_unique<hostapp::HostDatabase>(copy_->path(), hostapp::ServerClock::Pinned(kToday));
    db_->ExecNative(kOwnRows);
    service_ = std::make_unique<hostapp::DbHostService>(*db_);
    proxy_ = std::make_unique<RecordingProxy>(*service_);
    SetWorkstationClockForTesting([] { return LocalDateTime{2024, 3, 5, 10, 20, 30}; });
  }
  void TearDown() override {
    SetWorkstationClockForTesting({});
    MainWindowFixture::TearDown();
    proxy_.reset();
    service_.reset();
    db_.reset();
    copy_.reset();
  }

  TFrmspbqdy* OpenOnSeededHost() {
    TFrmspbqdy* w = Open(*proxy_);
    EXPECT_TRUE(ui_.messages.empty()) << (ui_.messages.empty() ? "" : ui_.messages[0].text.toStdString());
    proxy_->ClearCalls();
    return w;
  }

  std::vector<std::string> SqlSent(int dispId) const {
    std::vector<std::string> out;
    for (const auto& c : proxy_->calls())
      if (c.dispId == dispId) out.push_back(c.argsIn[0].ToText());
    return out;
  }

  // The first value of a statement the test runs on the database itself.
  std::string One(const std::string& sql) {
    MemTable t;
    t.LoadPacket(db_->QueryNativePacket(sql));
    return t.RecordCount() ? t.CellAt(0, 0).ToText() : std::string("<none>");
  }

  // The listed row of one promotion: its type, code and start date, then the shown prices.
  static std::string ListedRow(MemTable& t, const std::string& code, const std::string& start) {
    for (int r = 0; r < t.RecordCount(); ++r) {
      auto cell = [&](const char* f) { return t.DisplayTextAt(r, t.FieldIndexOrThrow(f)); };
      if (cell("f_spbm") == code && cell("f_qsrq") == start)
        return cell("f_lx") + "|" + cell("f_sptm") + "|" + cell("f_zxjg") + "|" + cell("f_q7yxsdj") + "|" +
               cell("f_q8yxsdj") + "|" + (t.CellAt(r, t.FieldIndexOrThrow("f_Xdsl")).IsNull() ? "null" : cell("f_Xdsl"));
    }
    return "<not listed>";
  }

  static SeededMasters* masters_;
  std::unique_ptr<SeededCopy> copy_;
  std::unique_ptr<hostapp::HostDatabase> db_;
  std::unique_ptr<hostapp::DbHostService> service_;
  std::unique_ptr<RecordingProxy> proxy_;
};

SeededMasters* ReportsOnSeededHost::masters_ = nullptr;

// ---- pre-promotion reference prices ------------------------------------------------------------

TEST_P(ReportsOnSeededHost, ACurrentPeriodSearchComputesStoresClosesAndLists) {
  TFrmspbqdy* w = OpenOnSeededHost();
  TFrmyjg y(nullptr, w->SystemParams.CurrentDate);
  ASSERT_EQ(y.CurrentDate(), kToday);
  EXPECT_EQ(y.cbdq->currentText().toStdString(), "本期");
  HintTexts hints;
  y.btnsearch->click();
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  EXPECT_TRUE(FrmHint.isNull());

  // Every open promotion of the period starts in May: the week before reaches April, the 8 to
  // 90 days before reach March; February is never read.
  using reports::PromotionTable;
  const std::string cond = " f_qsrq<='20240515' and f_jsrq>='20240515' ";
  std::vector<std::string> statements{reports::StructureCheckSql()};
  std::vector<std::string> busy{"正检查数据结构..."};
  for (PromotionTable t : {PromotionTable::Ordinary, PromotionTable::TimeLimited}) {
    const bool ordinary = t == PromotionTable::Ordinary;
    for (const char* m : {"202404", "202405"}) {
      statements.push_back(reports::SevenDaySql(t, m, cond));
      busy.push_back(m + std::string(ordinary ? "特价前七天原价..." : "会员价七天前原价格..."));
    }
    for (const char* m : {"202403", "202404", "202405"}) {
      statements.push_back(reports::EightToNinetySql(t, m, cond));
      busy.push_back(m + std::string(ordinary ? "特价八天前原价格..." : "会员价八天前原价格..."));
    }
  }
  statements.push_back(reports::FinalFlagSql(cond));
  busy.insert(busy.end(), {"正置原价格标志...", "正查询原价格..."});
  EXPECT_EQ(SqlSent(disp::ExecuteSql), statements);
  EXPECT_EQ(hints.seen, busy);
  EXPECT_EQ(SqlSent(disp::OpenQuery),
            (std::vector<std::string>{reports::StartMonthRangeSql(PromotionTable::Ordinary, cond),
                                      reports::StartMonthRangeSql(PromotionTable::TimeLimited, cond),
                                      reports::ReferencePriceListSql(cond)}));

  // type | main barcode | promotion price | 7 days | 8 to 90 days | limit a sale
  EXPECT_EQ(ListedRow(y.cdsPrint, "900001", "20240510"), "特价|2990000000011|2.50|3.40|2.60|null");
  EXPECT_EQ(ListedRow(y.cdsPrint, "900002", "20240503"), "特价|2990000000028|5.50|0.00|0.00|null");
  EXPECT_EQ(ListedRow(y.cdsPrint, "900001", "20240512"), "惊爆价|2990000000011|1.99|3.40|2.60|2");
  EXPECT_EQ(ListedRow(y.cdsPrint, "900002", "20240514"), "|2990000000028|4.99|0.00|0.00|1");
  EXPECT_EQ(ListedRow(y.cdsPrint, "900003", "20240520"), "<not listed>");  // the next period's

  // Every promotion in force is listed and final; the coming one stays open.
  const std::string inForce = "f_qsrq<='20240515' and f_jsrq>='20240515'";
  const int listed = std::stoi(One("select count(*) from tbsptj t join tbSpda s on s.f_Spbm=t.f_spbm where f_tjlx=0 and " +
                                   inForce)) +
                     std::stoi(One("select count(*) from tbxsxl t join tbSpda s on s.f_Spbm=t.f_spbm where " + inForce));
  EXPECT_GT(listed, 20);
  EXPECT_EQ(y.cdsPrint.RecordCount(), listed);
  EXPECT_EQ(y.dgdView->FooterDisplayText(0).toStdString(), "合计:" + std::to_string(listed) + "条");
  EXPECT_EQ(One("select count(*) from tbsptj where f_tjlx=0 and f_yxsdjbz<>'1' and " + inForce), "0");
  EXPECT_EQ(One("select count(*) from tbxsxl where f_yxsdjbz<>'1' and " + inForce), "0");
  EXPECT_EQ(One("select f_yxsdjbz from tbsptj where f_djh='RT3'"), "0");
  EXPECT_EQ(One("select count(*) from tbsptj where f_tjlx<>0 and f_yxsdjbz='1'"), "0");

  // The next search finds nothing open: no pass runs, and the stored prices are listed.
  proxy_->ClearCalls();
  y.btnsearch->click();
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  EXPECT_EQ(SqlSent(disp::ExecuteSql), (std::vector<std::string>{reports::StructureCheckSql(), reports::FinalFlagSql(cond)}));
  EXPECT_EQ(y.cdsPrint.RecordCount(), listed);
  EXPECT_EQ(ListedRow(y.cdsPrint, "900001", "20240510"), "特价|2990000000011|2.50|3.40|2.60|null");
}

TEST_P(ReportsOnSeededHost, TheNextPeriodComputesButLeavesRowsOpenUntilTheyAreInForce) {
  TFrmspbqdy* w = OpenOnSeededHost();
  hostapp::CreateMonthTables(*db_, "202406");  // coming promotions start up to early June
  {
    TFrmyjg y(nullptr, w->SystemParams.CurrentDate);
    y.cbdq->setCurrentIndex(1);
    y.btnsearch->click();
    ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
    for (const std::string& sql : SqlSent(disp::ExecuteSql)) EXPECT_EQ(sql.find("f_yxsdjbz='1'"), std::string::npos) << sql;
    EXPECT_EQ(ListedRow(y.cdsPrint, "900003", "20240520"), "特价||8.80|9.50|0.00|null");
    EXPECT_EQ(ListedRow(y.cdsPrint, "900002", "20240603"), "特价|2990000000028|5.90|0.00|0.00|null");
    EXPECT_EQ(ListedRow(y.cdsPrint, "900001", "20240510"), "<not listed>");
    EXPECT_EQ(One("select count(*) from tbsptj where f_yxsdjbz='1'"), "0");
    EXPECT_EQ(One("select count(*) from tbxsxl where f_yxsdjbz='1'"), "0");
    EXPECT_EQ(y.dgdView->FooterDisplayText(0).toStdString(), "合计:" + std::to_string(y.cdsPrint.RecordCount()) + "条");
  }
  // A cheaper sale booked later, two days before the start; after the start a current search
  // recomputes the open row and closes it.
  db_->ExecNative("INSERT INTO tb202405_Xsmxzb VALUES ('010','RTS7','20240518','100000','0002');"
                  "INSERT INTO tb202405_Xsmxcb VALUES ('010','RTS7',1,'900003',1,9.9,9.00,0.00);");
  TFrmyjg later(nullptr, "20240521");
  later.btnsearch->click();
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  EXPECT_EQ(ListedRow(later.cdsPrint, "900003", "20240520"), "特价||8.80|9.00|0.00|null");
  EXPECT_EQ(One("select f_yxsdjbz from tbsptj where f_djh='RT3'"), "1");
}

TEST_P(ReportsOnSeededHost, AMissingMonthlyTableStopsTheSearchWithTheHostsErrors) {
  TFrmspbqdy* w = OpenOnSeededHost();
  TFrmyjg y(nullptr, w->SystemParams.CurrentDate);
  y.cbdq->setCurrentIndex(1);  // coming promotions reach June, which has no sales tables yet
  y.btnsearch->click();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "错误");
  EXPECT_EQ(ui_.messages[0].icon, ui::Icon::Error);
  EXPECT_NE(ui_.messages[0].text.toStdString().find(GetParam() == Backend::Postgres
                                                       ? "relation \"tb202406_xsmxzb\" does not exist"
                                                       : "no such table: tb202406_Xsmxzb"),
            std::string::npos);
  EXPECT_TRUE(FrmHint.isNull()) << "the busy hint is gone before the message";
  const std::vector<std::string> sent = SqlSent(disp::ExecuteSql);
  ASSERT_EQ(sent.size(), 4u);  // the check, April, May, then June fails
  EXPECT_EQ(sent.back(), reports::SevenDaySql(reports::PromotionTable::Ordinary, "202406", " f_qsrq>'20240515' "));
  EXPECT_EQ(SqlSent(disp::OpenQuery).size(), 1u) << "nothing after the failed statement";
  EXPECT_FALSE(y.cdsPrint.Active());
  // What ran before the failure stays: May's pass set the coming promotion's price.
  EXPECT_EQ(One("select f_q7yxsdj from tbsptj where f_djh='RT3'"), "9.5");
  EXPECT_EQ(One("select f_yxsdjbz from tbsptj where f_djh='RT3'"), "0");
  // Nothing loaded: preview and print do nothing, without a word.
  y.btnPreview->click();
  y.btnPrint->click();
  EXPECT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.dialogsRun, 0);
}

TEST_P(ReportsOnSeededHost, AnUnreadableCurrentDateSendsNothing) {
  OpenOnSeededHost();
  TFrmyjg y(nullptr, "2024051");
  y.btnsearch->click();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_TRUE(ui_.messages[0].defaultErrorBox);
  EXPECT_EQ(ui_.messages[0].text.toStdString(), "'2024051' 不是有效的日期");
  EXPECT_TRUE(proxy_->calls().empty());
}

TEST_P(ReportsOnSeededHost, TheOriginalPriceButtonOpensAWindowOfItsOwnWithTheLayoutKept) {
  settings_.Write("[FrmyjgDgdView]\nf_sphh=0,120\nf_spmc=1,240\n");
  TFrmspbqdy* w = OpenOnSeededHost();
  QPointer<TFrmyjg> seen;
  ui_.Then([&](QDialog* d) {
    seen = qobject_cast<TFrmyjg*>(d);
    ASSERT_TRUE(seen);
    EXPECT_EQ(d->parent(), nullptr);
    EXPECT_EQ(d->windowTitle().toStdString(), "商品原价打印");
    EXPECT_EQ(seen->CurrentDate(), kToday);
    EXPECT_FALSE(seen->dgdView->ColumnByField("f_sphh")->Visible());
    EXPECT_EQ(seen->dgdView->ColumnByField("f_spmc")->Width(), 240);
    seen->dgdView->ColumnByField("f_spbm")->SetWidth(99);
    QTest::keyClick(seen->dgdView, Qt::Key_Escape);  // closes, as 退  出 does
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), 2);
  });
  w->btnyjg->click();
  EXPECT_EQ(ui_.dialogsRun, 1);
  EXPECT_TRUE(seen.isNull()) << "destroyed after closing";
  EXPECT_EQ(ReadIniValue("Tallmerpos.ini", "FrmyjgDgdView", "f_spbm", "", ""), "1,99");
  EXPECT_EQ(ReadIniValue("Tallmerpos.ini", "FrmyjgDgdView", "f_sphh", "", ""), "0,120");
}

TEST_P(ReportsOnSeededHost, TheOriginalPriceWindowClosesQuietlyWhenItsLayoutCannotBeStored) {
  TFrmspbqdy* w = OpenOnSeededHost();
  for (auto how : {SettingsDir::Refusal::FileIsAFolder, SettingsDir::Refusal::FolderNotWritable}) {
    SettingsDir refusing;
    refusing.Refuse(how);
    ui_.messages.clear();
    bool closed = false;
    ui_.Then([&](QDialog* d) {
      qobject_cast<TFrmyjg*>(d)->btnExit->click();
      closed = !d->isVisible();
    });
    w->btnyjg->click();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(ui_.messages.empty()) << "a grid layout is kept quietly or not at all";
  }
}

TEST_P(ReportsOnSeededHost, TheFilterCountsWhatItLeaves) {
  TFrmspbqdy* w = OpenOnSeededHost();
  TFrmyjg y(nullptr, w->SystemParams.CurrentDate);
  y.btnsearch->click();
  ASSERT_TRUE(ui_.messages.empty());
  ui_.Then([](QDialog* d) {
    auto* qs = qobject_cast<TFrmQuerySet*>(d);
    ASSERT_TRUE(qs);
    EXPECT_EQ(d->windowTitle().toStdString(), "过滤条件");
    qs->cbxField->setCurrentText(QString::fromUtf8("商品编码"));
    qs->cbxFactor->setCurrentIndex(0);
    qs->editValue->setText("900001");
    qs->btnAddLogic->click();
    qs->btnOK->click();
  });
  y.ToolButton3->click();
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  EXPECT_EQ(y.cdsPrint.RecordCount(), 2);  // its ordinary promotion and its flash price
  EXPECT_EQ(y.dgdView->FooterDisplayText(0).toStdString(), "合计:2条");
}

// ---- promotion detail list ---------------------------------------------------------------------

class PromotionDetail : public ReportsOnSeededHost {
 protected:
  // Three products of our own in the queue, through the code entry.
  TFrmspbqdy* OpenWithQueue() {
    TFrmspbqdy* w = OpenOnSeededHost();
    for (const char* code : {"900001", "900002", "900003"}) {
      Type(code);
      Enter();
    }
    EXPECT_TRUE(ui_.messages.empty()) << (ui_.messages.empty() ? "" : ui_.messages[0].text.toStdString());
    EXPECT_EQ(w->cdsSpda.RecordCount(), 3);
    return w;
  }
  static TFrmBjqSearch* Detail(TFrmspbqdy* w) { return qobject_cast<TFrmBjqSearch*>(w->FrmBjqSearch); }
};

TEST_P(PromotionDetail, ShowsOnlyTheFilteredQueueAndCountsIt) {
  TFrmspbqdy* w = OpenWithQueue();
  TFrmBjqSearch* s = Detail(w);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->parent(), w);
  EXPECT_FALSE(s->isVisible());
  EXPECT_EQ(s->windowTitle().toStdString(), "商品特价打印");
  // A filter on a field the list does not show still reads here.
  w->cdsSpda.SetFilter("f_Spbm='900001' or f_bmbm='nowhere' or f_Spbm='900003'");
  w->cdsSpda.SetFiltered(true);
  std::vector<std::string> codes;
  ui_.Then([&](QDialog* d) {
    EXPECT_EQ(d, s);
    for (int r = 0; r < s->cdsPrint.RecordCount(); ++r) codes.push_back(s->cdsPrint.CellAt(r, s->cdsPrint.FieldIndexOrThrow("f_Spbm")).ToText());
    EXPECT_EQ(s->dgdView->FooterDisplayText(0).toStdString(), "合计:2条");
    EXPECT_EQ(s->cdsPrint.TotalRecordCount(), 3) << "the whole packet, the filter applied here";
    s->btnExit->click();
  });
  w->btngetsp->click();  // "价格信息" is the source checked on opening
  EXPECT_EQ(codes, (std::vector<std::string>{"900001", "900003"}));
  EXPECT_EQ(ui_.dialogsRun, 1);
  ASSERT_EQ(Detail(w), s) << "kept, hidden, for the next showing";
  EXPECT_FALSE(s->isVisible());

  // The next showing replaces everything with the queue as it is now.
  w->cdsSpda.SetFiltered(false);
  int shown = -1;
  ui_.Then([&](QDialog*) { shown = s->cdsPrint.RecordCount(); });
  w->tbnjgClick();
  EXPECT_EQ(shown, 3);
}

TEST_P(PromotionDetail, AFilterOnFieldsTheQueueKeepsForItselfListsTheSameRows) {
  TFrmspbqdy* w = OpenWithQueue();
  TFrmBjqSearch* s = Detail(w);
  ASSERT_TRUE(w->cdsSpda.Locate("f_Spbm", Variant(std::string("900002"))));
  w->cdsSpda.Edit();
  w->cdsSpda.Set("f_cf", "棉");
  w->cdsSpda.Post();
  Type(" ");
  Enter();  // a blank amount-controlled row
  struct Case { const char* filter; std::vector<std::string> codes; };
  for (const Case& c : {Case{"f_cf='棉'", {"900002"}}, Case{"f_jekz='1'", {""}}}) {
    w->cdsSpda.SetFilter(c.filter);
    w->cdsSpda.SetFiltered(true);
    ASSERT_EQ(w->cdsSpda.RecordCount(), 1) << c.filter;
    std::vector<std::string> codes;
    ui_.Then([&](QDialog*) {
      for (int r = 0; r < s->cdsPrint.RecordCount(); ++r)
        codes.push_back(s->cdsPrint.CellAt(r, s->cdsPrint.FieldIndexOrThrow("f_Spbm")).ToText());
    });
    w->tbnjgClick();
    EXPECT_EQ(codes, c.codes) << c.filter;
  }
}

TEST_P(PromotionDetail, TheListCarriesTheQueuesPromotionDetailsUnderTwoLevelTitles) {
  TFrmspbqdy* w = OpenWithQueue();
  TFrmBjqSearch* s = Detail(w);
  w->tbnjgClick();
  s->cdsPrint.Locate("f_Spbm", Variant(std::string("900001")));
  EXPECT_EQ(s->cdsPrint.GetText("f_Spmc"), "测试可乐");
  EXPECT_EQ(s->cdsPrint.DisplayText(s->cdsPrint.FieldIndexOrThrow("f_BqPtXsdj")), "2.50");
  EXPECT_EQ(s->cdsPrint.GetText("f_BqPtQsrq"), "20240510");
  EXPECT_EQ(s->dgdView->Column(0)->FieldName(), "f_Spbm");
  EXPECT_EQ(s->dgdView->Column(9)->FieldName(), "f_Yxsdj");
  EXPECT_EQ(s->dgdView->Column(20)->Title(), "本期普通|特价起始日期");
  EXPECT_EQ(s->dgdView->Column(32)->FieldName(), "xsxl.f_jgfs");
  EXPECT_EQ(s->dgdView->ColumnCount(), 40);
}

TEST_P(PromotionDetail, PreviewAndPrintGoThroughTheSeam) {
  TFrmspbqdy* w = OpenWithQueue();
  TFrmBjqSearch* s = Detail(w);
  std::vector<std::string> texts;
  QColor titleWhilePreviewing;
  size_t pages = 0;
  ui_.Then([&](QDialog*) {
    ui_.Then([&](QDialog* d) {
      auto* p = qobject_cast<report::TReportPreview*>(d);
      ASSERT_TRUE(p);
      texts = PageTexts(p->Report());
      pages = p->Report().pages.size();
      titleWhilePreviewing = s->dgdView->TitleFontColor();
    });
    QTest::keyClick(s->dgdView, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ui_.dialogsRun, 2);
    // Forty columns continue on a page across that repeats the code and the name.
    ASSERT_EQ(pages, 2u);
    for (const char* t : {"商品特价详细信息", "No", "商品编码", "本期普通", "特价起始日期", "测试可乐", "20240510", "2.50",
                          "打印日期:2024-03-05  打印时间:10:20:30", "操 作 员:", "页    数:第1页/共2页",
                          "页    数:第2页/共2页", "限时限量销售单价"})
      EXPECT_TRUE(Has(texts, t)) << t;
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "测试可乐"), 2);
    EXPECT_EQ(titleWhilePreviewing, QColor(Qt::black));
    EXPECT_EQ(s->dgdView->TitleFontColor(), QColor(Qt::white));
    EXPECT_TRUE(ui_.messages.empty());

    // Print asks first; cancelling prints nothing.
    ui_.messageAnswers.push_back(ui::kResultCancel);
    QTest::keyClick(s->dgdView, Qt::Key_P, Qt::ControlModifier);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text.toStdString(), "请准备好打印机，进行打印!");
    EXPECT_EQ(ui_.messages[0].caption.toStdString(), "提示");
    EXPECT_EQ(ui_.messages[0].icon, ui::Icon::Information);
    EXPECT_EQ(ui_.messages[0].buttons, ui::Buttons::OkCancel);
    EXPECT_EQ(ui_.dialogsRun, 2);
    EXPECT_EQ(s->dgdView->TitleFontColor(), QColor(Qt::white));
    // Confirmed, it goes to the default printer without a dialog.
    if (QPrinterInfo::defaultPrinter().isNull()) {
      s->btnPrint->click();
      ASSERT_EQ(ui_.messages.size(), 3u);
      EXPECT_EQ(ui_.messages[2].text.toStdString(), "没有可用的打印机，无法打印。");
      EXPECT_EQ(ui_.dialogsRun, 2);
    }
    QTest::keyClick(s->dgdView, Qt::Key_Escape);
    EXPECT_FALSE(s->isVisible());
  });
  w->tbnjgClick();
  EXPECT_EQ(ui_.dialogsRun, 2);
}

TEST_P(PromotionDetail, AnEmptyQueueStillOpensAndPreviewsItsTitles) {
  TFrmspbqdy* w = OpenOnSeededHost();
  TFrmBjqSearch* s = Detail(w);
  ui_.Then([&](QDialog*) {
    EXPECT_EQ(s->cdsPrint.RecordCount(), 0);
    EXPECT_EQ(s->dgdView->FooterDisplayText(0).toStdString(), "合计:0条");
    std::vector<std::string> texts;
    ui_.Then([&](QDialog* d) { texts = PageTexts(static_cast<report::TReportPreview*>(d)->Report()); });
    s->btnPreview->click();
    EXPECT_TRUE(Has(texts, "商品特价详细信息"));
    EXPECT_TRUE(Has(texts, "本期普通"));
    EXPECT_FALSE(Has(texts, "1"));
    QTest::keyClick(s->dgdView, Qt::Key_Escape);
    EXPECT_FALSE(s->isVisible());
  });
  w->tbnjgClick();
  EXPECT_EQ(ui_.dialogsRun, 2);
}

TEST_P(ReportsOnSeededHost, TheOriginalPriceListPreviewsWithItsTitle) {
  TFrmspbqdy* w = OpenOnSeededHost();
  TFrmyjg y(nullptr, w->SystemParams.CurrentDate);
  y.btnsearch->click();
  std::vector<std::string> texts;
  size_t pages = 0;
  ui_.Then([&](QDialog* d) {
    const auto& r = static_cast<report::TReportPreview*>(d)->Report();
    texts = PageTexts(r);
    pages = r.pages.size();
  });
  y.btnPreview->click();
  ASSERT_GE(pages, 1u);
  for (const std::string& t : std::vector<std::string>{"商品原价详细信息", "特价类型", "特价开始日期前七天最低成交价格",
                                                      "测试可乐", "3.40", "页    数:第1页/共" + std::to_string(pages) + "页"})
    EXPECT_TRUE(Has(texts, t)) << t;
  EXPECT_EQ(y.dgdView->TitleFontColor(), QColor(Qt::white));
}

PT_INSTANTIATE_BACKENDS(ReportsOnSeededHost);
PT_INSTANTIATE_BACKENDS(PromotionDetail);

}  // namespace
}  // namespace pt::test
