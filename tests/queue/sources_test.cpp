// The product sources of "调商品" with the bill selector and the date chooser: against a
// scripted host (what is sent, what is shown, what stays) and against the stand-in host's
// SQLite data service on seeded databases (the texts run and the queue fills with the right
// products).
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <set>

#include "common/AdvDBEh.h"
#include "common/FlatDialog.h"
#include "dialogs/FlatControls.h"
#include "dialogs/UnitDate.h"
#include "dialogs/UnitSelectBill.h"
#include "hostapp/HostDatabase.h"
#include "hostapp/SeedData.h"
#include "hostapp/SqliteHostService.h"
#include "printing/PrintLog.h"
#include "queue/ProductSources.h"
#include "tests/queue/MainWindowFixture.h"
#include "tests/queue/SeededHost.h"

namespace pt::test {
namespace {

constexpr int kText = static_cast<int>(FieldType::Text);
constexpr int kInt = static_cast<int>(FieldType::Integer);

std::string BillListPacket(const std::vector<std::string>& bills) {
  std::vector<std::vector<Variant>> rows;
  for (const auto& b : bills) rows.push_back({Variant(b)});
  return MakePacket({{"f_djh", kText}}, rows);
}

struct Bill { int type; const char* number; const char* made; };
std::string PricingBillsPacket(const std::vector<Bill>& bills) {
  std::vector<std::vector<Variant>> rows;
  for (const Bill& b : bills)
    rows.push_back({Variant(b.type), b.number ? Variant(b.number) : Variant(), Variant(b.made), Variant("0001"), Variant("张伟")});
  return MakePacket({{"f_djlx", kInt}, {"f_djh", kText}, {"f_zdrq", kText}, {"f_zdrbm", kText}, {"f_zdrmc", kText}}, rows);
}

QPushButton* Button(QDialog* d, const char* name) { return d->findChild<QPushButton*>(name); }

class SourcesTest : public MainWindowFixture {
 protected:
  // Opens the window on the scripted host; product queries and list queries then answer from
  // the fixture's members, which a test changes between commands.
  TFrmspbqdy* OpenAs(const std::string& unitType, bool dchy = false) {
    HealthyHostOptions o;
    o.unitType = unitType;
    o.dchy = dchy;
    TFrmspbqdy* w = OpenScripted(o);
    if (w && unitType == "00") w->ChosenDeptNodes = {"1", "2"};
    host_.Handle(disp::QueryProducts, [this](std::vector<Variant>& args) {
      const int64_t mode = args[0].ToInt();
      if (mode == 5 || mode == 6) {
        args[1] = Variant::MakePacket(HistoryPacket({}));
        return Variant(true);
      }
      if (!productError_.empty()) {
        args[1] = Variant::MakeArray({Variant(productError_)});
        return Variant(false);
      }
      if (!productPacket_.empty()) {
        args[1] = Variant::MakePacket(productPacket_);
        return Variant(true);
      }
      std::vector<std::vector<std::pair<std::string, Variant>>> r;
      for (int i = 1; i <= rows_; ++i) r.push_back({{"f_Spbm", Variant("P" + std::to_string(i))}});
      args[1] = Variant::MakePacket(QueuePacket(r));
      return Variant(true);
    });
    host_.Handle(disp::OpenQuery, [this](std::vector<Variant>& args) {
      if (!listError_.empty()) {
        args[1] = Variant::MakeArray({Variant(listError_)});
        return Variant(false);
      }
      args[1] = Variant::MakePacket(listPacket_);
      return Variant(true);
    });
    return w;
  }
  std::vector<RecordingHost::Call> ProductQueries() const {
    std::vector<RecordingHost::Call> out;
    for (const auto& c : host_.CallsOf(disp::QueryProducts))
      if (c.argsIn[0].ToInt() != 5 && c.argsIn[0].ToInt() != 6) out.push_back(c);
    return out;
  }
  // Answers the date chooser: picks the date, lets the test look and change more, confirms.
  void ChooseDate(QDate date, std::function<void(TfrmDate*)> more = {}) {
    ui_.Then([date, more](QDialog* d) {
      auto* f = qobject_cast<TfrmDate*>(d);
      ASSERT_NE(f, nullptr);
      f->FlatDateTimePicker1->setDate(date);
      if (more) more(f);
      f->btnOK->click();
    });
  }
  void Run(QAction* source) { source->trigger(); }
  void ExpectPricingBillVariant(const std::string& unit, bool dchy);

  int rows_ = 0;                // rows each product query returns
  std::string productError_;    // when set, product queries fail with it
  std::string productPacket_;   // when set, product queries return it
  std::string listPacket_ = BillListPacket({});
  std::string listError_;       // when set, list queries fail with it
};

// ---------------------------------------------------------------- department check

TEST_F(SourcesTest, HeadquartersWithoutDepartmentsStopsBeforeAnyDialog) {
  TFrmspbqdy* w = OpenAs("00");
  ASSERT_NE(w, nullptr);
  w->ChosenDeptNodes.clear();
  host_.ClearCalls();
  for (QAction* source : {w->Nxp, w->Ntj, w->Nxs, w->Npl, w->Njqbf, w->Ntjdq}) {
    ui_.messages.clear();
    Run(source);
    ASSERT_EQ(ui_.messages.size(), 1u) << source->objectName().toStdString();
    EXPECT_EQ(ui_.messages[0].text.toStdString(), "请先选择部门！");
    EXPECT_TRUE(ui_.messages[0].defaultErrorBox);
  }
  EXPECT_EQ(ui_.dialogsRun, 0);
  EXPECT_TRUE(host_.calls().empty());
}

// ---------------------------------------------------------------- "新    品"

TEST_F(SourcesTest, NewProductsSinceTheChosenDate) {
  TFrmspbqdy* w = OpenAs("01");
  ASSERT_NE(w, nullptr);
  rows_ = 0;
  ui_.Then([](QDialog* d) {
    auto* f = qobject_cast<TfrmDate*>(d);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle().toStdString(), "日期设置");
    EXPECT_EQ(f->Label1->text().toStdString(), "建档日期:");
    EXPECT_EQ(f->FlatDateTimePicker1->date(), QDate(2024, 12, 10)) << "starts at the server date";
    EXPECT_FALSE(f->labtjdjh->isVisible());
    EXPECT_FALSE(f->cbtjdjh->isVisible());
    EXPECT_TRUE(f->cb0slsp->isVisible());
    f->FlatDateTimePicker1->setDate(QDate(2024, 3, 1));
    f->btnOK->click();
  });
  Run(w->Nxp);
  ASSERT_EQ(ProductQueries().size(), 1u);
  EXPECT_EQ(ConditionOf(ProductQueries()[0]), " Da.f_Jdrq>='20240301' ");
  EXPECT_EQ(ProductQueries()[0].argsIn[0], Variant(7));
  ASSERT_EQ(MessageTexts(), std::vector<std::string>{"2024-03-01以后无新品！"});
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "提示");
  EXPECT_EQ(ui_.messages[0].icon, ui::Icon::Information);
  EXPECT_EQ(Counter(), "打印商品总计个数:");
  EXPECT_TRUE(w->Nxp->isChecked()) << "the menu item chosen last decides what the button does";

  // The button now runs the same source; rows replace the queue without a message.
  rows_ = 2;
  ui_.messages.clear();
  ChooseDate(QDate(2024, 12, 1));
  w->btngetsp->click();
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(ConditionOf(ProductQueries().back()), " Da.f_Jdrq>='20241201' ");
  EXPECT_EQ(w->cdsSpda.RecordCount(), 2);
  EXPECT_EQ(Counter(), "打印商品总计个数:2");

  // Cancelling the chooser, by its button or by Esc, sends nothing.
  const size_t sent = ProductQueries().size();
  ui_.Then([](QDialog* d) { qobject_cast<TfrmDate*>(d)->btnCancel->click(); });
  ui_.Then([](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
  w->btngetsp->click();
  w->btngetsp->click();
  EXPECT_EQ(ProductQueries().size(), sent);
  EXPECT_EQ(w->cdsSpda.RecordCount(), 2);
}

TEST_F(SourcesTest, AFailedSourceQueryKeepsTheQueue) {
  TFrmspbqdy* w = OpenAs("01");
  ASSERT_NE(w, nullptr);
  rows_ = 3;
  ChooseDate(QDate(2024, 12, 1));
  Run(w->Nxp);
  ASSERT_EQ(w->cdsSpda.RecordCount(), 3);

  productError_ = "数据库连接中断";
  ChooseDate(QDate(2024, 12, 1));
  ui_.messages.clear();
  w->btngetsp->click();
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_NE(MessageTexts()[0].find("数据库连接中断"), std::string::npos);
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "错误");
  EXPECT_EQ(w->cdsSpda.RecordCount(), 3);
  EXPECT_EQ(Counter(), "打印商品总计个数:3");
  EXPECT_EQ(FrmHint.data(), nullptr) << "the busy hint is gone";

  // A packet the queue cannot take is shown under "错误" and changes nothing either.
  productError_.clear();
  productPacket_ = MakePacket({{"f_Spbm", kText}}, {{Variant("X")}});
  ChooseDate(QDate(2024, 12, 1));
  ui_.messages.clear();
  w->btngetsp->click();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "错误");
  EXPECT_EQ(ui_.messages[0].icon, ui::Icon::Error);
  EXPECT_EQ(w->cdsSpda.RecordCount(), 3);
}

// ---------------------------------------------------------------- "调价商品"

TEST_F(SourcesTest, PriceChangeLogOffersTheBillsOfTheServerDate) {
  TFrmspbqdy* w = OpenAs("01");
  ASSERT_NE(w, nullptr);
  rows_ = 0;
  listPacket_ = BillListPacket({"TJ3", "TJ2", "TJ1"});
  const std::string head =
      "da.f_Spbm in (SELECT DISTINCT da.f_Spbm FROM tbSpda da ,tb202403_tjrz tjrz where tjrz.f_Spbm=da.f_Spbm and "
      "f_Mj=1 AND tjrz.f_Tjrq='20240301' ";
  const std::string bill = "and tjrz.f_spbm in (select f_spbm from  tb202403_sptj where f_djh=";
  struct Case {
    const char* what;
    int index;           // bill box item to choose; -1 leaves the preselection
    const char* typed;   // typed into the box instead, when set
    bool skipZero;
    std::string want;
  };
  const Case cases[] = {
      {"the newest bill is preselected", -1, nullptr, true, head + bill + "'TJ3' and abs(f_tjsl)>0.005)" + ")"},
      {"zero quantities kept", 2, nullptr, false, head + bill + "'TJ2' )" + ")"},
      {"全部 has no bill clause", 0, nullptr, true, head + ")"},
      {"a typed bill is used as typed", -1, "TJ9", false, head + bill + "'TJ9' )" + ")"},
  };
  for (const Case& c : cases) {
    ui_.Then([&](QDialog* d) {
      auto* f = qobject_cast<TfrmDate*>(d);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f->Label1->text().toStdString(), "调价日期:");
      EXPECT_TRUE(f->labtjdjh->isVisible());
      EXPECT_TRUE(f->cbtjdjh->isVisible());
      ASSERT_EQ(f->cbtjdjh->count(), 4);
      EXPECT_EQ(f->cbtjdjh->itemText(0).toStdString(), "全部");
      EXPECT_EQ(f->cbtjdjh->itemText(3).toStdString(), "TJ1");
      EXPECT_EQ(f->cbtjdjh->currentText().toStdString(), "TJ3");
      EXPECT_TRUE(f->cb0slsp->isChecked());
      f->FlatDateTimePicker1->setDate(QDate(2024, 3, 1));
      if (c.index >= 0) f->cbtjdjh->setCurrentIndex(c.index);
      if (c.typed) f->cbtjdjh->setEditText(QString::fromUtf8(c.typed));
      f->cb0slsp->setChecked(c.skipZero);
      f->btnOK->click();
    });
    ui_.messages.clear();
    Run(w->Ntj);
    EXPECT_EQ(ConditionOf(ProductQueries().back()), c.want) << c.what;
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"当天无调价商品！"}) << c.what;
  }
  // The bill list always asks for the server date's bills.
  const auto lists = host_.CallsOf(disp::OpenQuery);
  ASSERT_EQ(lists.size(), 4u);
  EXPECT_EQ(lists[0].argsIn[0].ToText(),
            "select distinct f_djh from tb202412_sptj where f_Rzrq='20241210' order by f_djh desc");
}

TEST_F(SourcesTest, PriceChangeLogWithoutBillsOrWithoutTheList) {
  TFrmspbqdy* w = OpenAs("01");
  ASSERT_NE(w, nullptr);
  rows_ = 1;
  listPacket_ = BillListPacket({});
  ChooseDate(QDate(2024, 3, 1), [](TfrmDate* f) {
    EXPECT_EQ(f->cbtjdjh->count(), 1);
    EXPECT_EQ(f->cbtjdjh->currentText().toStdString(), "") << "with no bills the box stays empty";
  });
  Run(w->Ntj);
  EXPECT_EQ(ConditionOf(ProductQueries().back()).find("tb202403_sptj"), std::string::npos);
  EXPECT_EQ(w->cdsSpda.RecordCount(), 1);

  // A failed bill list is reported and the chooser is never shown.
  listError_ = "没有表 tb202412_sptj";
  const int dialogs = ui_.dialogsRun;
  const size_t sent = ProductQueries().size();
  ui_.messages.clear();
  w->btngetsp->click();
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_NE(MessageTexts()[0].find("没有表 tb202412_sptj"), std::string::npos);
  EXPECT_EQ(ui_.dialogsRun, dialogs);
  EXPECT_EQ(ProductQueries().size(), sent);
  EXPECT_EQ(w->cdsSpda.RecordCount(), 1);
}

void SourcesTest::ExpectPricingBillVariant(const std::string& unit, bool dchy) {
  TFrmspbqdy* w = OpenAs(unit, dchy);
  ASSERT_NE(w, nullptr);
  host_.ClearCalls();
  ChooseDate(QDate(2024, 3, 1), [](TfrmDate* f) {
    EXPECT_FALSE(f->labtjdjh->isVisible());
    EXPECT_FALSE(f->cbtjdjh->isVisible());
  });
  Run(w->Ntj);
  EXPECT_TRUE(host_.CallsOf(disp::OpenQuery).empty());
  ASSERT_EQ(ProductQueries().size(), 1u);
  EXPECT_EQ(ConditionOf(ProductQueries()[0]), queue::PricingBillCondition("20240301", "010"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"当天无调价商品！"});
}

TEST_F(SourcesTest, PricingBillVariantAtHeadquarters) { ExpectPricingBillVariant("00", false); }
TEST_F(SourcesTest, PricingBillVariantWhereTheHostKeepsNoLog) { ExpectPricingBillVariant("01", true); }

// ---------------------------------------------------------------- what starts today, change list

TEST_F(SourcesTest, TimedSalesAndQuantityPricingStartingToday) {
  TFrmspbqdy* w = OpenAs("01");
  ASSERT_NE(w, nullptr);
  rows_ = 2;
  Run(w->Nxs);
  Run(w->Npl);
  const auto q = ProductQueries();
  ASSERT_EQ(q.size(), 2u);
  EXPECT_EQ(ConditionOf(q[0]),
            queue::ComposeProductCondition(" xsxl.f_qsrq='20241210' and xsxl.f_xsdj>0 ", "01", "202412"));
  EXPECT_EQ(ConditionOf(q[1]),
            queue::ComposeProductCondition(" plzj.f_qsrq='20241210' and plzj.f_xsdj>0 ", "01", "202412"));
  EXPECT_EQ(Counter(), "打印商品总计个数:2");
  EXPECT_EQ(ui_.dialogsRun, 0);
}

TEST_F(SourcesTest, ChangeListAsksForAPostingDate) {
  TFrmspbqdy* w = OpenAs("01");
  ASSERT_NE(w, nullptr);
  rows_ = 1;
  struct Case { const char* answer; bool confirm; const char* message; const char* date; };
  const Case cases[] = {
      {nullptr, true, nullptr, "20241209"},  // the preset: the day before the server date
      {"2022-01-01", true, nullptr, "20220101"},  // the start month itself is accepted
      {"2021-12-31", true, "异动日期不能小于系统启用日期！", nullptr},
      {"2024-13-01", true, "日期不合法！", nullptr},
      {"12/09/2024", true, "日期不合法！", nullptr},
      {"   ", true, nullptr, nullptr},  // blank: nothing happens
      {"2024-12-01", false, nullptr, nullptr},  // cancelled
  };
  for (const Case& c : cases) {
    ui_.Then([&](QDialog* d) {
      EXPECT_EQ(d->windowTitle().toStdString(), "输入");
      EXPECT_EQ(d->findChild<QLabel*>("Prompt")->text().toStdString(), "请输入入账日期(得到该日期最小单号):");
      auto* edit = d->findChild<QLineEdit*>("Edit");
      EXPECT_EQ(edit->text().toStdString(), "2024-12-09");
      if (c.answer) edit->setText(QString::fromUtf8(c.answer));
      Button(d, c.confirm ? "OK" : "Cancel")->click();
    });
    const size_t sent = ProductQueries().size();
    ui_.messages.clear();
    Run(w->Nyd);
    if (c.message) {
      ASSERT_EQ(MessageTexts(), std::vector<std::string>{c.message}) << c.answer;
      EXPECT_EQ(ui_.messages[0].caption.toStdString(), "错误");
      EXPECT_EQ(ui_.messages[0].icon, ui::Icon::Error);
    } else {
      EXPECT_TRUE(ui_.messages.empty()) << (c.answer ? c.answer : "preset");
    }
    if (c.date) {
      ASSERT_EQ(ProductQueries().size(), sent + 1);
      EXPECT_EQ(ConditionOf(ProductQueries().back()),
                queue::ComposeProductCondition(queue::ChangeListCondition(c.date), "01", "202412"));
    } else {
      EXPECT_EQ(ProductQueries().size(), sent) << (c.answer ? c.answer : "");
    }
  }
}

// ---------------------------------------------------------------- "调定价单" and the bill selector

TEST_F(SourcesTest, PricingBillQueriesWithTheBillsDepartmentsAndRestoresTheChoice) {
  TFrmspbqdy* w = OpenAs("00");
  ASSERT_NE(w, nullptr);
  rows_ = 2;
  const std::string chosen = "select f_bmbm,f_bmmc from tbbmda where f_bmbm in ('010')";
  w->DeptRestriction = chosen;
  w->ChosenDeptNodes.clear();  // the bill's departments stand alone: no department check
  listPacket_ = PricingBillsPacket({{1, "DJ202412002", "20241208"}, {0, "DJ202412001", "20241209"}});
  ui_.Then([](QDialog* d) {
    auto* s = qobject_cast<TFrmSelectBill*>(d);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->windowTitle().toStdString(), "单据选择");
    EXPECT_FALSE(s->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(s->FlatButton1->text().toStdString(), "确  定(&O)");
    EXPECT_EQ(s->FlatButton2->text().toStdString(), "取  消(&C)");
    ASSERT_EQ(s->cdsbills.RecordCount(), 2);
    const QModelIndex type = s->dgdView->model()->index(0, 0);
    auto* delegate = static_cast<QStyledItemDelegate*>(s->dgdView->itemDelegateForColumn(0));
    EXPECT_EQ(delegate->displayText(type.data(), QLocale()).toStdString(), "特价定价单");
    EXPECT_EQ(s->dgdView->model()->index(0, 1).data().toString().toStdString(), "DJ202412002");
    EXPECT_EQ(s->dgdView->model()->headerData(1, Qt::Horizontal).toString().toStdString(), "单据号");
    s->FlatButton1->click();
  });
  Run(w->ndj);
  EXPECT_EQ(host_.CallsOf(disp::OpenQuery).at(0).argsIn[0].ToText(),
            "select f_djlx,f_djh,f_zdrq,f_zdrbm,f_zdrmc from tb202412_spdj_zb where f_djlx in (0,1,3,4) and f_zxbz=1  "
            "order by f_djh desc");
  ASSERT_EQ(ProductQueries().size(), 1u);
  EXPECT_EQ(ConditionOf(ProductQueries()[0]), " dept.f_spbm=da.f_spbm ");
  EXPECT_EQ(DeptSqlOf(ProductQueries()[0]), queue::BillDepartmentSql("202412", "sptj", "DJ202412002"));
  EXPECT_EQ(w->DeptRestriction, chosen);
  EXPECT_EQ(w->cdsSpda.RecordCount(), 2);

  // The selector is made once; the second bill, chosen by a double click, names its own table.
  QDialog* selector = w->FrmSelectBill;
  ui_.Then([](QDialog* d) {
    auto* s = static_cast<TFrmSelectBill*>(d);
    s->cdsbills.SetRecNo(2);
    s->dgdViewDblClick();
  });
  productError_ = "查询失败";
  w->btngetsp->click();
  EXPECT_EQ(w->FrmSelectBill, selector);
  EXPECT_EQ(DeptSqlOf(host_.CallsOf(disp::QueryProducts).back()), queue::BillDepartmentSql("202412", "lsdjg", "DJ202412001"));
  EXPECT_EQ(w->DeptRestriction, chosen) << "restored after a failed query too";
  EXPECT_EQ(w->cdsSpda.RecordCount(), 2);
}

TEST_F(SourcesTest, PricingBillStopsWithoutBillsOrWhenCancelled) {
  TFrmspbqdy* w = OpenAs("01");
  ASSERT_NE(w, nullptr);
  rows_ = 1;
  listPacket_ = PricingBillsPacket({});
  ui_.Then([](QDialog* d) {
    EXPECT_EQ(d->objectName(), "FlatMessageDialog");
    EXPECT_EQ(d->findChild<QLabel*>("Message")->text().toStdString(), "当月没有已执行的定价单！");
    Button(d, "OK")->click();
  });
  Run(w->ndj);
  EXPECT_EQ(ui_.dialogsRun, 1) << "the selector is not shown";

  listPacket_ = PricingBillsPacket({{0, "DJ1", "20241209"}});
  ui_.Then([](QDialog* d) { static_cast<TFrmSelectBill*>(d)->FlatButton2->click(); });
  ui_.Then([](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
  w->btngetsp->click();
  w->btngetsp->click();

  listError_ = "没有表 tb202412_spdj_zb";
  ui_.messages.clear();
  w->btngetsp->click();
  EXPECT_EQ(MessageTexts().size(), 1u);
  EXPECT_TRUE(ProductQueries().empty());
  EXPECT_EQ(w->DeptRestriction, "");
}

TEST(BillSelector, DoubleClickNeedsABillNumberAndTheTypeDoesNotSort) {
  ScriptedUi ui;
  TFrmSelectBill s;
  s.cdsbills.LoadPacket(PricingBillsPacket({{0, "DJ2", "20241209"}, {3, nullptr, "20241201"}, {4, "DJ1", "20241203"}}));
  s.show();
  s.cdsbills.SetRecNo(2);
  s.dgdViewDblClick();
  EXPECT_TRUE(s.isVisible()) << "a row without a bill number does not close the selector";
  s.cdsbills.SetRecNo(3);
  s.dgdViewDblClick();
  EXPECT_FALSE(s.isVisible());
  EXPECT_EQ(s.result(), ui::kResultOk);

  s.dgdView->TitleClicked(0, false);
  EXPECT_TRUE(s.dgdView->SortMarkedColumns().empty());
  s.dgdView->TitleClicked(2, false);
  s.dgdView->TitleClicked(1, true);
  ASSERT_EQ(s.dgdView->SortMarkedColumns().size(), 2u);
  s.cdsbills.First();
  EXPECT_EQ(s.cdsbills.GetText("f_zdrq"), "20241201");
  s.cdsbills.Last();
  EXPECT_EQ(s.cdsbills.GetText("f_djh"), "DJ2");
}

TEST(DateChooser, FlagAndServerDate) {
  ScriptedUi ui;
  RecordingHost host;
  Variant serverDate("20240301 08:00:00");
  bool fails = false;
  host.Handle(disp::GetServerDate, [&](std::vector<Variant>& args) {
    args[0] = fails ? Variant::MakeArray({Variant("服务器没有响应")}) : serverDate;
    return Variant(!fails);
  });
  {
    TfrmDate d(nullptr, host);
    EXPECT_EQ(d.DateText(), "20240301");
    EXPECT_FALSE(d.Confirmed());
    EXPECT_TRUE(d.cb0slsp->isChecked());
    EXPECT_TRUE(d.FlatDateTimePicker1->calendarPopup());
    d.show();
    d.btnOK->click();
    EXPECT_TRUE(d.Confirmed());
    EXPECT_EQ(d.result(), ui::kResultOk);
    d.show();
    d.close();  // any other way out leaves the flag false
    EXPECT_FALSE(d.Confirmed());
  }
  EXPECT_TRUE(ui.messages.empty());

  // A server date that is no date is reported; the picker starts at the fallback.
  serverDate = Variant("2024130108:00:00");
  TfrmDate bad(nullptr, host, "20241210");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text.toStdString(), "'2024-13-01'不是有效的日期");
  EXPECT_EQ(ui.messages[0].caption.toStdString(), "错误");
  EXPECT_EQ(bad.DateText(), "20241210");

  fails = true;
  TfrmDate failed(nullptr, host, "");
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_NE(ui.messages[1].text.toStdString().find("服务器没有响应"), std::string::npos);
  EXPECT_EQ(failed.DateText(), "20000101");
}

// ---------------------------------------------------------------- on the seeded host

class SourcesOnSeededHost : public MainWindowFixture, public ::testing::WithParamInterface<Backend> {
 protected:
  static void SetUpTestSuite() {
    for (const char* unit : {"01", "00"}) {
      masters_[unit] = std::make_unique<SeededMasters>(600, unit, "20241210");
    }
  }
  static void TearDownTestSuite() { masters_.clear(); }

  TFrmspbqdy* OpenOn(const std::string& unit) {
    db_ = std::make_unique<hostapp::HostDatabase>(masters_.at(unit)->For(GetParam()).path(),
                                                  hostapp::ServerClock::Pinned("20241210"));
    service_ = std::make_unique<hostapp::DbHostService>(*db_);
    proxy_ = std::make_unique<RecordingProxy>(*service_);
    TFrmspbqdy* w = Open(*proxy_);
    if (w && unit == "00") w->ChosenDeptNodes = {"1", "2"};
    return w;
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    proxy_.reset();
    service_.reset();
    db_.reset();
  }

  // The distinct product codes a native query of the seeded database returns.
  std::set<std::string> Codes(const std::string& sqliteSql) {
    MemTable t;
    t.LoadPacket(db_->QueryNativePacket(sqliteSql));
    std::set<std::string> out;
    for (t.First(); !t.Eof(); t.Next()) out.insert(t.Get(0).ToText());
    return out;
  }
  std::set<std::string> Queued(TFrmspbqdy* w) {
    std::set<std::string> out;
    for (int i = 0; i < w->cdsSpda.RecordCount(); ++i) out.insert(w->cdsSpda.CellAt(i, w->cdsSpda.FieldIndex("f_Spbm")).ToText());
    return out;
  }
  // What the sources sent; the detail panel's queries of the current row (promotion histories,
  // the last printed tag) are left out.
  std::vector<RecordingHost::Call> Sent(int dispId) const {
    std::vector<RecordingHost::Call> out;
    for (const auto& c : proxy_->calls())
      if (c.dispId == dispId && !(dispId == disp::QueryProducts && (c.argsIn[0].ToInt() == 5 || c.argsIn[0].ToInt() == 6)) &&
          !(dispId == disp::OpenQuery && c.argsIn[0].ToText().find(printing::kPrintLogTable) != std::string::npos))
        out.push_back(c);
    return out;
  }
  void ExpectNoMessages() {
    for (const auto& m : ui_.messages) ADD_FAILURE() << m.text.toStdString();
    ui_.messages.clear();
  }
  void ExpectQueued(TFrmspbqdy* w, const std::set<std::string>& want, const char* what) {
    ASSERT_FALSE(want.empty()) << what << ": the seed gives this source nothing to find";
    EXPECT_EQ(Queued(w), want) << what;
    EXPECT_EQ(Counter(), "打印商品总计个数:" + std::to_string(w->cdsSpda.RecordCount())) << what;
  }

  static constexpr const char* kSelling =
      " and da.f_Spbm in (select f_spbm from tblsdkz k,tbspjyztda z where k.f_jyztbm=z.f_jyztbm and f_yxxs=1)";

  static std::map<std::string, std::unique_ptr<SeededMasters>> masters_;
  std::unique_ptr<hostapp::HostDatabase> db_;
  std::unique_ptr<hostapp::DbHostService> service_;
  std::unique_ptr<RecordingProxy> proxy_;
};

std::map<std::string, std::unique_ptr<SeededMasters>> SourcesOnSeededHost::masters_;

TEST_P(SourcesOnSeededHost, StoreSourcesFillTheQueueWithTheirProducts) {
  TFrmspbqdy* w = OpenOn("01");
  ASSERT_NE(w, nullptr);
  ExpectNoMessages();

  // New products of the last sixty days.
  ui_.Then([](QDialog* d) {
    auto* f = static_cast<TfrmDate*>(d);
    EXPECT_EQ(f->FlatDateTimePicker1->date(), QDate(2024, 12, 10));
    f->FlatDateTimePicker1->setDate(QDate(2024, 10, 11));
    f->btnOK->click();
  });
  w->Nxp->trigger();
  ExpectNoMessages();
  ExpectQueued(w, Codes("select f_Spbm from tbSpda where f_Mj=1 and f_Jdrq>='20241011'"), "new products");

  // The price-change log of the server date, one bill with its quantities, then all bills.
  const std::set<std::string> bills = Codes("select distinct f_djh from tb202412_sptj where f_Rzrq='20241210'");
  ASSERT_EQ(bills.size(), 3u);
  ui_.Then([&](QDialog* d) {
    auto* f = static_cast<TfrmDate*>(d);
    ASSERT_EQ(f->cbtjdjh->count(), 4);
    EXPECT_EQ(f->cbtjdjh->currentText().toStdString(), *bills.rbegin());
    f->cbtjdjh->setCurrentIndex(3);  // the oldest bill of the day
    f->btnOK->click();
  });
  w->Ntj->trigger();
  ExpectNoMessages();
  EXPECT_EQ(Sent(disp::OpenQuery).back().argsIn[0].ToText(),
            "select distinct f_djh from tb202412_sptj where f_Rzrq='20241210' order by f_djh desc");
  ExpectQueued(w,
               Codes("select distinct s.f_spbm from tb202412_sptj s join tb202412_tjrz r on r.f_Spbm=s.f_spbm and "
                     "r.f_Tjrq='20241210' join tbSpda da on da.f_Spbm=s.f_spbm where da.f_Mj=1 and s.f_djh='" +
                     *bills.begin() + "' and abs(s.f_tjsl)>0.005"),
               "price changes of one bill");
  ui_.Then([](QDialog* d) {
    auto* f = static_cast<TfrmDate*>(d);
    f->cbtjdjh->setCurrentIndex(0);
    f->btnOK->click();
  });
  w->btngetsp->click();
  ExpectNoMessages();
  ExpectQueued(w,
               Codes("select distinct r.f_Spbm from tb202412_tjrz r join tbSpda da on da.f_Spbm=r.f_Spbm where "
                     "da.f_Mj=1 and r.f_Tjrq='20241210'"),
               "price changes of the day");

  // The last bill of the day moved no stock: with the check box nothing is left.
  ui_.Then([](QDialog* d) {
    auto* f = static_cast<TfrmDate*>(d);
    f->cbtjdjh->setCurrentIndex(1);
    f->btnOK->click();
  });
  w->btngetsp->click();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"当天无调价商品！"});
  ui_.messages.clear();
  EXPECT_EQ(w->cdsSpda.RecordCount(), 0);
  EXPECT_EQ(Counter(), "打印商品总计个数:");

  // Time-limited sales and quantity pricing starting today, sellable products only.
  w->Nxs->trigger();
  ExpectNoMessages();
  ExpectQueued(w,
               Codes(std::string("select distinct x.f_spbm from tbxsxl x join tbSpda da on da.f_Spbm=x.f_spbm where "
                                 "da.f_Mj=1 and x.f_qsrq='20241210' and x.f_xsdj>0") + kSelling),
               "time-limited sales");
  w->Npl->trigger();
  ExpectNoMessages();
  ExpectQueued(w,
               Codes(std::string("select distinct p.f_spbm from tbPlzj p join tbSpda da on da.f_Spbm=p.f_spbm where "
                                 "da.f_Mj=1 and p.f_qsrq='20241210' and p.f_xsdj>0") + kSelling),
               "quantity pricing");

  // The change list of the preset day, the day before the server date.
  ui_.Then([](QDialog* d) {
    EXPECT_EQ(d->findChild<QLineEdit*>("Edit")->text().toStdString(), "2024-12-09");
    Button(d, "OK")->click();
  });
  w->Nyd->trigger();
  ExpectNoMessages();
  ExpectQueued(w,
               Codes(std::string("select distinct y.f_spbm from tb202412_spyd y join tbSpda da on da.f_Spbm=y.f_spbm "
                                 "where da.f_Mj=1 and y.F_Ydrq='20241209'") + kSelling),
               "change list");
}

TEST_P(SourcesOnSeededHost, HeadquartersReadsPricingBills) {
  TFrmspbqdy* w = OpenOn("00");
  ASSERT_NE(w, nullptr);
  ExpectNoMessages();

  // "调价商品" at headquarters: the ordinary bills executed today that changed a price for 010.
  ui_.Then([](QDialog* d) {
    auto* f = static_cast<TfrmDate*>(d);
    EXPECT_FALSE(f->cbtjdjh->isVisible());
    f->btnOK->click();
  });
  w->Ntj->trigger();
  ExpectNoMessages();
  EXPECT_TRUE(Sent(disp::OpenQuery).empty());
  ExpectQueued(w,
               Codes("select distinct l.f_spbm from tb202412_spdj_lsdjg l join tb202412_spdj_zb z on z.f_djh=l.f_djh "
                     "join tbSpda da on da.f_Spbm=l.f_spbm where da.f_Mj=1 and z.f_djlx=0 and z.f_zxbz=1 and "
                     "z.f_zxrq='20241210' and abs(l.f_yxsdj-l.f_xsdj)>0.005 and ((l.f_bmlx=1 and l.f_bmbm='010') or "
                     "(l.f_bmlx=0 and l.f_bmbm in (select f_bmflbm from tbdjbmfldz where f_dzbm='010')))"),
               "pricing bills of the day");

  // "调定价单": each executed bill of the month, every row carrying a department the bill prices.
  const std::string chosen = "select f_bmbm,f_bmmc from tbbmda where f_bmbm in ('010','011')";
  w->DeptRestriction = chosen;
  MemTable list;
  list.LoadPacket(db_->QueryPacket(queue::PricingBillListSql("202412")));
  ASSERT_GE(list.RecordCount(), 4);
  int filled = 0;
  for (int r = 1; r <= list.RecordCount(); ++r) {
    list.SetRecNo(r);
    const std::string bill = list.GetText("f_djh");
    const std::string deptSql = queue::BillDepartmentSql("202412", queue::BillLineTable(list.GetInt("f_djlx")), bill);
    ui_.Then([r](QDialog* d) {
      auto* s = static_cast<TFrmSelectBill*>(d);
      s->cdsbills.SetRecNo(r);
      s->FlatButton1->click();
    });
    w->ndj->trigger();
    ExpectNoMessages();
    EXPECT_EQ(DeptSqlOf(Sent(disp::QueryProducts).back()), deptSql);
    EXPECT_EQ(w->DeptRestriction, chosen);
    // Each row of the queue is a (product, department) pair the bill prices.
    MemTable want;
    want.LoadPacket(db_->QueryPacket("select distinct da.f_Spbm, dept.f_bmbm from tbSpda da join (" + deptSql +
                                     ") dept on dept.f_bmbm=da.f_bmbm and dept.f_spbm=da.f_spbm where da.f_Mj=1"));
    std::set<std::string> wanted, got;
    for (want.First(); !want.Eof(); want.Next()) wanted.insert(want.Get(0).ToText() + "/" + want.Get(1).ToText());
    for (w->cdsSpda.First(); !w->cdsSpda.Eof(); w->cdsSpda.Next())
      got.insert(w->cdsSpda.GetText("f_Spbm") + "/" + w->cdsSpda.GetText("f_bmbm"));
    EXPECT_EQ(got, wanted) << bill;
    filled += got.empty() ? 0 : 1;
  }
  EXPECT_GE(filled, 3) << "the seed's bills price products of the chosen departments";
}

PT_INSTANTIATE_BACKENDS(SourcesOnSeededHost);

}  // namespace
}  // namespace pt::test
