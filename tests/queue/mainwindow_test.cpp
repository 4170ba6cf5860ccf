// The main window against a scripted host: start-up, settings, keys, the code entry, imports,
// delete and the counter label.
#include <fcntl.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <fstream>
#include <iterator>

#include "common/GbkCodec.h"
#include "common/IniFile.h"
#include "common/AdvDBEh.h"
#include "dialogs/FlatControls.h"
#include "dialogs/UnitQuerySet.h"
#include "tests/queue/MainWindowFixture.h"

namespace pt::test {
namespace {

class MainWindowTest : public MainWindowFixture {
 protected:
  // Product queries answer one row per code found in `products`; histories answer one row.
  void AnswerProducts(std::vector<std::vector<std::pair<std::string, Variant>>> rows) {
    host_.Handle(disp::QueryProducts, [rows](std::vector<Variant>& args) {
      const int64_t mode = args[0].ToInt();
      if (mode == 5 || mode == 6)
        args[1] = Variant::MakePacket(HistoryPacket({{Variant("20241101"), Variant("20241107"), Variant(9.9), Variant(10.0)}}));
      else
        args[1] = Variant::MakePacket(QueuePacket(rows));
      return Variant(true);
    });
  }

  std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = dir_.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  static std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  QTemporaryDir dir_;
};

TEST_F(MainWindowTest, ShopStartUpHidesDepartmentsAndKeepsSettings) {
  settings_.Write("[SpBjqDy]\r\nMbwz=2\r\nYxsdj=0\r\nDytj=1\r\n");
  HealthyHostOptions o;
  o.templateNames = {"a", "b", "c"};
  TFrmspbqdy* w = OpenScripted(o);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->objectName(), "TFrmspbqdy");
  EXPECT_TRUE(w->btnDept->isHidden());
  EXPECT_FALSE(w->dgdview->Column(0)->Visible());
  EXPECT_FALSE(w->dgdview->Column(1)->Visible());
  EXPECT_EQ(w->panLeft->width(), 150);
  EXPECT_EQ(w->cboTemplate->currentIndex(), 2);
  EXPECT_FALSE(w->chkYxsdj->isChecked());
  EXPECT_EQ(ReadIniValue("Tallmerpos.ini", "SpBjqDy", "Dytj", "", ""), "0");
  EXPECT_EQ(w->cdsSend.RecordCount(), 1);
  EXPECT_EQ(w->cdsSend.GetText("f_Yxsdj"), "0");
  EXPECT_TRUE(ui_.messages.empty());
  // The operator's name was asked with the operator's code.
  ASSERT_EQ(host_.CallsOf(disp::LookupRows).size(), 1u);
  EXPECT_EQ(host_.CallsOf(disp::LookupRows)[0].argsIn[1], Variant("0001"));

  w->cboTemplate->setCurrentIndex(-1);
  w->chkYxsdj->setChecked(true);
  w->close();
  EXPECT_EQ(notify_.closeNotices, 1);
  EXPECT_EQ(ReadIniValue("Tallmerpos.ini", "SpBjqDy", "Mbwz", "", ""), "-1");
  EXPECT_EQ(ReadIniValue("Tallmerpos.ini", "SpBjqDy", "Yxsdj", "", ""), "1");
}

TEST_F(MainWindowTest, TemplatePositionThatIsNotAPositionSelectsNothing) {
  for (const char* mbwz : {"x", "5"}) {
    settings_.Write(std::string("[SpBjqDy]\r\nMbwz=") + mbwz + "\r\n");
    HealthyHostOptions o;
    o.templateNames = {"a", "b"};
    TFrmspbqdy* w = OpenScripted(o);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->cboTemplate->currentIndex(), -1) << mbwz;
    EXPECT_TRUE(ui_.messages.empty());
    w->close();
  }
}

TEST_F(MainWindowTest, HeadquartersInJobModeRunsAsAShop) {
  const int fd = shm_open(kHostMapName, O_CREAT | O_RDWR | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "job", 3), 3);
  close(fd);
  HealthyHostOptions o;
  o.unitType = "00";
  o.dchy = true;
  TFrmspbqdy* w = OpenScripted(o);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(session::UnitType, "01");
  EXPECT_EQ(w->SystemParams.dwlx, "01");
  EXPECT_TRUE(w->btnDept->isHidden());
}

TEST_F(MainWindowTest, HeadquartersWithoutDepartmentsRefusesQueriesBeforeAnyHostCall) {
  HealthyHostOptions o;
  o.unitType = "00";
  TFrmspbqdy* w = OpenScripted(o);
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(w->btnDept->isHidden());
  EXPECT_EQ(w->panLeft->width(), 300);
  Type("001");
  Enter();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text.toStdString(), "请先选择部门！");
  EXPECT_TRUE(ui_.messages[0].defaultErrorBox);
  EXPECT_TRUE(Queries().empty());
}

TEST_F(MainWindowTest, FailedStartUpsAreReportedAndTheWindowCloses) {
  struct Case { int failing; const char* message; };
  const std::string saved = "[SpBjqDy]\r\nMbwz=2\r\nYxsdj=0\r\n";
  for (const Case& c : {Case{disp::GetServerMonth, "取得当前年月时出错！"}, Case{disp::GetReportTemplates, "模板库不可用"}}) {
    host_ = RecordingHost();
    ui_.messages.clear();
    notify_.closeNotices = 0;
    settings_.Write(saved);
    ScriptHealthyHost(host_);
    host_.Handle(c.failing, [](std::vector<Variant>& args) {
      args.back() = Variant::MakeArray({Variant("模板库不可用")});
      return Variant(false);
    });
    QPointer<TFrmspbqdy> w = Open(host_);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull()) << "closed the moment it was shown";
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text.toStdString(), c.message);
    EXPECT_EQ(ui_.messages[0].caption.toStdString(), "错误");
    EXPECT_EQ(notify_.closeNotices, 1);
    EXPECT_EQ(ReadBytes(settings_.path()), saved) << "the clerk's saved settings were never read, so never written";
  }
}

TEST_F(MainWindowTest, ARefusedSettingsWriteIsReportedOnceAndTheWindowStaysUsable) {
  for (auto how : {SettingsDir::Refusal::FileIsAFolder, SettingsDir::Refusal::FolderNotWritable}) {
    SettingsDir refusing;
    refusing.Refuse(how);
    ui_.messages.clear();
    notify_.closeNotices = 0;
    QPointer<TFrmspbqdy> w = OpenScripted();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(w.isNull()) << "a settings file is no reason to close";
    ASSERT_EQ(ui_.messages.size(), 1u);
    const std::string text = ui_.messages[0].text.toStdString();
    EXPECT_EQ(text.rfind("无法写入设置文件 " + refusing.path() + "：", 0), 0u) << text;
    EXPECT_GT(text.size(), ("无法写入设置文件 " + refusing.path() + "：").size()) << "with the reason";
    EXPECT_EQ(ui_.messages[0].caption.toStdString(), "错误");

    AnswerProducts({{{"f_Spbm", "001"}}});
    Type("001");
    Enter();
    EXPECT_EQ(w->cdsSpda.RecordCount(), 1);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(ui_.messages.size(), 1u) << "the same refusal at closing is not shown again";
    EXPECT_EQ(notify_.closeNotices, 1);
  }
}

TEST_F(MainWindowTest, ACopyErrorInTheCodeEntryLoadsTheHistoriesOnce) {
  TFrmspbqdy* w = OpenScripted();
  const int text = static_cast<int>(FieldType::Text);
  // The second row's shelf life is no whole number: copying it into the queue fails.
  host_.Handle(disp::QueryProducts, [text](std::vector<Variant>& args) {
    const int64_t mode = args[0].ToInt();
    args[1] = Variant::MakePacket(mode == 5 || mode == 6
                                      ? HistoryPacket({})
                                      : MakePacket({{"f_Spbm", text}, {"f_bzq", text}},
                                                   {{Variant("001"), Variant("30")}, {Variant("002"), Variant("半年")}}));
    return Variant(true);
  });
  Type("001");
  Enter();
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "错误提示");
  EXPECT_EQ(w->cdsSpda.RecordCount(), 1) << "the rows posted before the error stay";
  const auto q = Queries();
  ASSERT_EQ(q.size(), 3u) << "the product query and one load of both histories";
  EXPECT_EQ(q[1].argsIn[0], Variant(5));
  EXPECT_EQ(q[2].argsIn[0], Variant(6));
  EXPECT_EQ(Counter(), "打印商品总计个数:1");
}

TEST_F(MainWindowTest, CodeEntryAppendsEveryReturnedRowAndLoadsTheLastRowsHistories) {
  TFrmspbqdy* w = OpenScripted();
  AnswerProducts({{{"f_Spbm", "001"}, {"f_Spmc", "可乐"}, {"f_Sptm", "6901"}},
                  {{"f_Spbm", "001"}, {"f_Spmc", "可乐"}, {"f_Sptm", "6902"}}});
  w->cboLb->setCurrentIndex(2);
  Type("  69'01 ");
  Enter();
  auto q = Queries();
  ASSERT_EQ(q.size(), 3u);  // the product query, then both histories of the last row
  EXPECT_EQ(q[0].argsIn[0], Variant(7));  // a shop with neither option ticked
  EXPECT_EQ(ConditionOf(q[0]), std::string(" tm.f_Sptm='69''01' ") + queue::kSaleClause);
  EXPECT_EQ(q[1].argsIn[0], Variant(5));
  EXPECT_EQ(ConditionOf(q[1]), "001");
  EXPECT_EQ(q[2].argsIn[0], Variant(6));
  EXPECT_EQ(w->cdsSpda.RecordCount(), 2);
  EXPECT_EQ(w->cdsSpda.GetText("f_Sptm"), "6902");
  EXPECT_EQ(w->cdsPTTJ.RecordCount(), 1);
  EXPECT_EQ(Counter(), "打印商品总计个数:2");
  EXPECT_EQ(w->edtName->selectedText(), w->edtName->text());

  // The same code again appends again; nothing is de-duplicated.
  Enter();
  EXPECT_EQ(w->cdsSpda.RecordCount(), 4);
}

TEST_F(MainWindowTest, CodeEntryEdgeCases) {
  TFrmspbqdy* w = OpenScripted();
  AnswerProducts({});
  Type("");
  Enter();
  Type("x");
  QTest::keyClick(w->edtName, Qt::Key_Tab);
  EXPECT_TRUE(Queries().empty()) << "an empty edit and other keys do nothing";

  Type(" ");
  Enter();
  EXPECT_TRUE(Queries().empty());
  ASSERT_EQ(w->cdsSpda.RecordCount(), 1) << "a blank amount-controlled line";
  EXPECT_EQ(w->cdsSpda.Get("f_spbm"), Variant(""));
  EXPECT_EQ(w->cdsSpda.GetText("f_jekz"), "1");
  EXPECT_EQ(Counter(), "打印商品总计个数：") << "the blank line leaves the label as it was";

  w->cboLb->setCurrentIndex(1);
  Type("X9");
  Enter();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text.toStdString(), "档案中无商品货号为X9的商品或商品不允许销售!");
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "警告");

  host_.Handle(disp::QueryProducts, [](std::vector<Variant>& args) {
    args[1] = Variant::MakeArray({Variant("连接中断"), Variant("请重试")});
    return Variant(false);
  });
  Type("001");
  Enter();
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[1].text.toStdString(), "连接中断\r\n请重试");
  EXPECT_EQ(ui_.messages[1].caption.toStdString(), "错误");
  EXPECT_EQ(w->cdsSpda.RecordCount(), 1);
}

TEST_F(MainWindowTest, MovingOntoAnAmountControlledRowAsksTheHostNothing) {
  TFrmspbqdy* w = OpenScripted();
  AnswerProducts({{{"f_Spbm", "001"}}});
  Type("001");
  Enter();
  Type(" ");
  Enter();
  host_.ClearCalls();
  w->cdsSpda.Last();
  EXPECT_TRUE(host_.calls().empty());
  w->cdsSpda.First();
  EXPECT_EQ(Queries().size(), 2u) << "an ordinary row loads both histories";
}

TEST_F(MainWindowTest, KeyTableActsBeforeTheFocusedControl) {
  TFrmspbqdy* w = OpenScripted();
  w->edtName->setFocus();
  QTest::keyClick(w->edtName, Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(w->chkDBzl->isChecked());
  QTest::keyClick(w->edtName, Qt::Key_T, Qt::ControlModifier);
  EXPECT_TRUE(w->chkDtm->isChecked());
  EXPECT_EQ(w->CurrentQueryMode(), 1);
  // Ctrl+F2 starts the query: its dialog opens (and is cancelled here).
  ui_.Then([](QDialog* d) { d->done(2); });
  QTest::keyClick(w->edtName, Qt::Key_F2, Qt::ControlModifier);
  EXPECT_EQ(ui_.dialogsRun, 1);
  EXPECT_TRUE(Queries().empty());
  QTest::keyClick(w->edtName, Qt::Key_Escape);
  EXPECT_EQ(notify_.closeNotices, 1);
}

TEST_F(MainWindowTest, DeletingRowsUpdatesTheCounterAndTheHistories) {
  TFrmspbqdy* w = OpenScripted();
  AnswerProducts({{{"f_Spbm", "001"}}, {{"f_Spbm", "002"}}});
  Type("001");
  Enter();
  ASSERT_EQ(w->cdsSpda.RecordCount(), 2);
  w->tbDelete->click();
  EXPECT_EQ(Counter(), "打印商品总计个数:1");
  w->tbDelete->click();
  EXPECT_EQ(Counter(), "打印商品总计个数:");
  EXPECT_TRUE(w->cdsPTTJ.IsEmpty());
  EXPECT_TRUE(w->cdsHYTJ.IsEmpty());
  Type("001");
  Enter();
  w->N2->trigger();
  EXPECT_TRUE(w->cdsSpda.IsEmpty());
  EXPECT_TRUE(w->cdsPTTJ.IsEmpty());
  EXPECT_EQ(Counter(), "打印商品总计个数:");
}

TEST_F(MainWindowTest, CodeImportSendsEachWholeCodeOnceAndReplacesTheQueue) {
  TFrmspbqdy* w = OpenScripted();
  AnswerProducts({{{"f_Spbm", "A"}}, {{"f_Spbm", "B"}}, {{"f_Spbm", "C"}}});
  Type(" ");
  Enter();  // a row the import replaces
  const std::string path = WriteFile("codes.txt", Utf8ToGbk("1234\r\n123\r\n1234\r\nO'K\r\n"));
  ui_.openFileAnswers.push_back(QString::fromStdString(path));
  w->btnimport->click();
  auto q = Queries();
  ASSERT_GE(q.size(), 1u);
  EXPECT_EQ(ConditionOf(q[0]), " da.f_Sphh in ('1234','123','O''K')") << "no sale clause on imports";
  EXPECT_EQ(w->cdsSpda.RecordCount(), 3);
  EXPECT_EQ(Counter(), "打印商品总计个数:3");

  host_.ClearCalls();
  ui_.openFileAnswers.push_back(QString::fromStdString(WriteFile("empty.txt", "")));
  w->btnimport->click();
  EXPECT_TRUE(Queries().empty());
  EXPECT_EQ(MessageTexts().back(), "导入文本不能为空!");
  EXPECT_EQ(w->cdsSpda.RecordCount(), 3);

  ui_.openFileAnswers.push_back(dir_.path() + "/missing.txt");
  w->btnimport->click();
  EXPECT_NE(MessageTexts().back().find("missing.txt"), std::string::npos);
  EXPECT_TRUE(ui_.messages.back().defaultErrorBox);

  ui_.openFileAnswers.push_back(QString());  // cancelled
  w->btnimport->click();
  EXPECT_TRUE(Queries().empty());
}

TEST_F(MainWindowTest, AmountControlledImportAppendsItsLinesAndStopsAtABadOne) {
  TFrmspbqdy* w = OpenScripted();
  w->Njekzsp->trigger();
  EXPECT_TRUE(w->Njekzsp->isChecked());
  EXPECT_FALSE(w->N4->isChecked());
  std::string body = "001,可乐,A1,690,500ml,一级,北京,瓶,3.50\r\n\r\n   \r\n002,雪碧,A2,691,1L,二级,上海,瓶,4,品牌,成份,备注,多余\r\n";
  ui_.openFileAnswers.push_back(QString::fromStdString(WriteFile("amount.txt", Utf8ToGbk(body))));
  w->btnimport->click();
  EXPECT_EQ(MessageTexts().back(), "成功导入,共2行数据!");
  ASSERT_EQ(w->cdsSpda.RecordCount(), 2);
  w->cdsSpda.First();
  EXPECT_EQ(w->cdsSpda.GetText("f_spmc"), "可乐");
  EXPECT_DOUBLE_EQ(w->cdsSpda.GetFloat("f_xsdj"), 3.5);
  EXPECT_TRUE(w->cdsSpda.IsNull("f_sppp"));
  EXPECT_EQ(w->cdsSpda.GetText("f_jekz"), "1");
  w->cdsSpda.Last();
  EXPECT_EQ(w->cdsSpda.GetText("f_cf"), "成份");
  EXPECT_EQ(w->cdsSpda.GetText("f_spbz"), "备注");
  EXPECT_EQ(w->LabelGrade, "二级");
  EXPECT_TRUE(Queries().empty()) << "amount-controlled rows never ask the host";
  EXPECT_EQ(Counter(), "打印商品总计个数：") << "this import leaves the label as it was";

  body = "003,芬达,A3,692,1L,三级,广州,瓶,5\r\n004,橙汁,A4,693,1L,特级,深圳,瓶,abc\r\n005,x,x,x,x,x,x,x,1\r\n";
  ui_.openFileAnswers.push_back(QString::fromStdString(WriteFile("amount2.txt", Utf8ToGbk(body))));
  w->btnimport->click();
  EXPECT_EQ(MessageTexts().back(), "第2行\"004,橙汁,A4,693,1L,特级,深圳,瓶,abc\",\r格式有误,,销售单价\"abc\"不是实数！");
  EXPECT_EQ(w->cdsSpda.RecordCount(), 3) << "rows before the bad line stay";
  EXPECT_TRUE(w->DetailRefresh);

  ui_.openFileAnswers.push_back(QString::fromStdString(WriteFile("amount3.txt", "1,2,3,4,5,6,7,8\r\n")));
  w->btnimport->click();
  EXPECT_EQ(MessageTexts().back(), "第1行\"1,2,3,4,5,6,7,8\",\r格式有误,导入失败！");
}

TEST_F(MainWindowTest, AmountControlledImportReportsProgressEveryHundredRows) {
  TFrmspbqdy* w = OpenScripted();
  w->Njekzsp->trigger();
  std::string body;
  for (int i = 0; i < 250; ++i) body += std::to_string(i) + ",n,h,t,g,d,c,u,1\r\n";
  ui_.openFileAnswers.push_back(QString::fromStdString(WriteFile("many.txt", body)));
  // Every progress text the hint shows: its first text, then each rewrite.
  struct HintTexts : QObject {
    std::vector<QString> seen;
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::Show && o->objectName() == "TFrmHint") {
        auto* hint = static_cast<TFrmHint*>(o);
        seen.push_back(hint->Label1->text());
        connect(hint, &TFrmHint::textChanged, this, [this](const QString& t) { seen.push_back(t); });
      }
      return false;
    }
  } texts;
  qApp->installEventFilter(&texts);
  w->btnimport->click();
  qApp->removeEventFilter(&texts);
  EXPECT_EQ(texts.seen, (std::vector<QString>{"正在导入数据,稍候...", "整理数据,已完成100行,稍候...",
                                               "整理数据,已完成200行,稍候..."}));
  EXPECT_EQ(MessageTexts().back(), "成功导入,共250行数据!");
  EXPECT_EQ(w->cdsSpda.RecordCount(), 250);
  EXPECT_TRUE(FrmHint.isNull()) << "the hint is freed";
}

TEST_F(MainWindowTest, TheQueryCommandAsksAgainForAnEmptyConditionAndStopsOnCancel) {
  TFrmspbqdy* w = OpenScripted();
  ui_.Then([](QDialog* d) { static_cast<TFrmQuerySet*>(d)->btnOK->click(); });  // no rows: empty
  ui_.Then([](QDialog* d) { d->done(2); });
  w->TbnSearch->click();
  EXPECT_EQ(ui_.dialogsRun, 2);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text.toStdString(), "请输入查询条件！");
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "提示信息");
  EXPECT_TRUE(Queries().empty());
}

TEST_F(MainWindowTest, TheQueueFilterCountsWhatItLeaves) {
  TFrmspbqdy* w = OpenScripted();
  AnswerProducts({{{"f_Spbm", "001"}}, {{"f_Spbm", "002"}}, {{"f_Spbm", "003"}}});
  Type("001");
  Enter();
  auto filterOn = [](const char* code) {
    return [code](QDialog* d) {
      auto* qs = static_cast<TFrmQuerySet*>(d);
      qs->btnClearLogic->click();
      qs->cbxField->setCurrentText(QString::fromUtf8("商品编码"));
      qs->cbxFactor->setCurrentIndex(0);
      qs->editValue->setText(code);
      qs->btnAddLogic->click();
      qs->btnOK->click();
    };
  };
  ui_.Then(filterOn("002"));
  w->TbnFilter->click();
  EXPECT_EQ(w->cdsSpda.RecordCount(), 1);
  EXPECT_EQ(Counter(), "打印商品总计个数:1");
  ui_.Then(filterOn("999"));
  w->TbnFilter->click();
  EXPECT_TRUE(w->cdsSpda.IsEmpty());
  EXPECT_EQ(Counter(), "打印商品总计个数:");
  EXPECT_TRUE(w->cdsPTTJ.IsEmpty());
}

TEST_F(MainWindowTest, AFailedHistoryIsReportedAndTheRowStays) {
  TFrmspbqdy* w = OpenScripted();
  host_.Handle(disp::QueryProducts, [](std::vector<Variant>& args) {
    if (args[0].ToInt() == 6) {
      args[1] = Variant::MakeArray({Variant("会员价表不可用")});
      return Variant(false);
    }
    args[1] = Variant::MakePacket(args[0].ToInt() == 5 ? HistoryPacket({{Variant("1"), Variant("2"), Variant(1.0), Variant()}})
                                                       : QueuePacket({{{"f_Spbm", "001"}}}));
    return Variant(true);
  });
  Type("001");
  Enter();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text.toStdString(), "\r\n会员价表不可用");
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "错误提示");
  EXPECT_EQ(w->cdsSpda.RecordCount(), 1);
  EXPECT_EQ(w->cdsPTTJ.RecordCount(), 1) << "the ordinary history still came";
}

}  // namespace
}  // namespace pt::test
