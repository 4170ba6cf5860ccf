// The headquarters department choice end to end: the selector window driven through the UI
// seam (ticking, count, select all/none, selection files, dragging), the main window's
// department button, and the choice carried by a typed code's query on a seeded host (SQLite and PostgreSQL).
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <fstream>
#include <iterator>

#include "dialogs/FlatControls.h"
#include "dialogs/UnitSelectBM.h"
#include "hostapp/HostDatabase.h"
#include "hostapp/SeedData.h"
#include "hostapp/SqliteHostService.h"
#include "queue/DeptChoice.h"
#include "tests/queue/MainWindowFixture.h"
#include "tests/queue/SeededHost.h"

namespace pt::test {
namespace {

constexpr int kInt = static_cast<int>(FieldType::Integer);
constexpr int kText = static_cast<int>(FieldType::Text);

// Two divisions as the host lists them: categories with their departments, then the
// departments attached to a division directly.
std::string TwoDivisions() {
  auto row = [](int qt, const char* flbm, const char* flmc, int jb, int mj, const char* bmbm, const char* bmmc, int bmlx) {
    return std::vector<Variant>{Variant(qt), Variant(flbm), Variant(flmc), Variant(jb), Variant(mj),
                                Variant(bmbm), Variant(bmmc), Variant(bmlx)};
  };
  return MakePacket({{"f_qt", kInt}, {"f_bmflbm", kText}, {"f_bmflmc", kText}, {"f_jb", kInt}, {"f_mj", kInt},
                     {"f_bmbm", kText}, {"f_bmmc", kText}, {"f_bmlx", kInt}},
                    {row(0, "01", "超市事业部", 1, 0, "", "", 0), row(0, "0101", "食品类", 2, 1, "", "", 0),
                     row(0, "0101", "食品类", 2, 1, "010", "食品部", 1), row(0, "0102", "日化类", 2, 1, "", "", 0),
                     row(0, "0102", "日化类", 2, 1, "011", "日化部", 1), row(0, "0103", "生鲜类", 2, 0, "", "", 0),
                     row(0, "010302", "肉禽", 3, 1, "", "", 0), row(0, "010302", "肉禽", 3, 1, "012", "果蔬部", 1),
                     row(0, "010302", "肉禽", 3, 1, "013", "肉禽部", 1), row(0, "02", "百货事业部", 1, 0, "", "", 0),
                     row(0, "0201", "服装类", 2, 1, "", "", 0), row(0, "0201", "服装类", 2, 1, "020", "服装部", 1),
                     row(1, "01", "超市事业部", 1, 0, "019", "超市综合部", 1)});
}

// Absolute indexes in that tree.
enum : int {
  k01 = 1, k0101 = 2, k010 = 3, k0102 = 4, k011 = 5, k0103 = 6, k010302 = 7, k012 = 8, k013 = 9, kOther = 10,
  k019 = 11, k02 = 12, k0201 = 13, k020 = 14
};

class DeptTest : public MainWindowFixture {
 protected:
  TFrmspbqdy* OpenAtHeadquarters(const std::string& rows = TwoDivisions()) {
    HealthyHostOptions o;
    o.unitType = "00";
    ScriptHealthyHost(host_, o);
    Answer(disp::QueryRows, true, Variant::MakePacket(rows));
    return Open(host_);
  }
  // Wins over the healthy host's own answer.
  void Answer(int dispId, bool ok, Variant ref) {
    host_.Handle(dispId, [ok, ref](std::vector<Variant>& args) {
      args.back() = ref;
      return Variant(ok);
    });
  }
  TFrmSelectBM* Selector() const { return qobject_cast<TFrmSelectBM*>(window_->FrmSelectBM); }
  static QTreeWidgetItem* Item(TFrmSelectBM* s, int index) { return s->ItemOf(s->Tree().NodeAt(index)); }
  // What the clerk sees ticked, by absolute index.
  static std::vector<int> Ticked(TFrmSelectBM* s) {
    std::vector<int> out;
    for (int i = 0; i < s->Tree().Count(); ++i) {
      QTreeWidgetItem* item = Item(s, i);
      if (item->data(0, Qt::CheckStateRole).isValid() && item->checkState(0) == Qt::Checked) out.push_back(i);
    }
    return out;
  }
  // The space key on the node, as the clerk toggles a tick from the keyboard.
  static void Toggle(TFrmSelectBM* s, int index) {
    QTreeWidgetItem* item = Item(s, index);
    s->tnbm->scrollToItem(item);
    s->tnbm->setCurrentItem(item);
    QTest::keyClick(s->tnbm, Qt::Key_Space);
  }
  // Opens the department dialog with a script and returns what the window then holds.
  void ChooseWith(std::function<void(TFrmSelectBM*)> script) {
    ui_.Then([script](QDialog* d) {
      auto* s = qobject_cast<TFrmSelectBM*>(d);
      ASSERT_NE(s, nullptr);
      script(s);
    });
    window_->btnDept->click();
  }
  std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = dir_.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  QTemporaryDir dir_;
};

const char* const kEdgeCaseSql =
    "select f_bmbm,f_bmmc from tbbmda where f_bmbm in ('010','011') union select f_dzbm f_bmbm,f_bmmc from "
    "tbdjbmfldz z,tbbmda b where z.f_dzbm=b.f_bmbm and  left(f_bmflbm,2)='01' and f_bmflbm in ('0101')";

TEST_F(DeptTest, TheSelectorHoldsTheOperatorsTreeWithItsControls) {
  TFrmspbqdy* w = OpenAtHeadquarters();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(ui_.messages.empty());
  const auto calls = host_.CallsOf(disp::QueryRows);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].argsIn[0], Variant(7));
  EXPECT_EQ(calls[0].argsIn[1], Variant("0\t0001"));

  TFrmSelectBM* s = Selector();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->parent(), w);
  EXPECT_EQ(s->objectName(), "TFrmSelectBM");
  EXPECT_EQ(s->windowTitle(), "部门选择");
  EXPECT_TRUE(s->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(s->Label1->text(), "  部门选择");
  EXPECT_TRUE(s->Label1->font().bold());
  EXPECT_EQ(s->Label1->FontColor(), kClWhite);
  struct Control { const char* name; const char* caption; } controls[] = {
      {"btntj", "统计"}, {"btnsave", "保存"}, {"btnget", "导入"}, {"btnok", "√"}, {"btncancel", "×"}};
  for (const Control& c : controls) {
    auto* b = s->Panel1->findChild<TFlatButton*>(c.name);
    ASSERT_NE(b, nullptr) << c.name;
    EXPECT_EQ(b->text(), QString::fromUtf8(c.caption));
  }
  EXPECT_EQ(s->findChild<QTreeWidget*>("tnbm"), s->tnbm);
  EXPECT_EQ(s->PopupMenu1->objectName(), "PopupMenu1");
  EXPECT_EQ(s->N1->text(), "全选");
  EXPECT_EQ(s->N2->text(), "全不选");

  const char* texts[] = {"所有部门及分类", "01 超市事业部", "0101 食品类", "010 食品部", "0102 日化类", "011 日化部",
                         "0103 生鲜类", "010302 肉禽", "012 果蔬部", "013 肉禽部", "其它", "019 超市综合部",
                         "02 百货事业部", "0201 服装类", "020 服装部"};
  ASSERT_EQ(s->Tree().Count(), 15);
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(Item(s, i)->text(0), QString::fromUtf8(texts[i]));
    EXPECT_FALSE(Item(s, i)->icon(0).isNull());
  }
  EXPECT_FALSE(Item(s, 0)->data(0, Qt::CheckStateRole).isValid());  // the root has no tick
  EXPECT_EQ(Ticked(s), std::vector<int>{k01});
}

TEST_F(DeptTest, ATreeThatCannotBeHadIsReported) {
  struct Case {
    const char* what;
    bool ok;
    Variant ref;
    std::string message, caption;
    bool closes;
  };
  const std::string badLevel = MakePacket({{"f_qt", kInt}, {"f_bmflbm", kText}, {"f_bmflmc", kText}, {"f_jb", kInt},
                                           {"f_mj", kInt}, {"f_bmbm", kText}, {"f_bmmc", kText}, {"f_bmlx", kInt}},
                                          {{Variant(0), Variant("01"), Variant("A"), Variant(13), Variant(0), Variant(""),
                                            Variant(""), Variant(0)}});
  const std::string none = MakePacket({{"f_qt", kInt}, {"f_bmflbm", kText}}, {});
  const Case cases[] = {
      {"the host fails", false, Variant::MakeArray({Variant("部门表不可用")}), "获取定价部门分类时出错！\r\n部门表不可用",
       "错误", false},
      {"rows the tree cannot hold", true, Variant::MakePacket(badLevel),
       "获取定价部门分类时出错！\r\n定价部门分类“01”的级别13不在 1 到 12 之间", "错误", false},
      {"no departments in the operator's charge", true, Variant::MakePacket(none),
       "没有您分管的定价部门，请先在“职员权限模块”中加入，才能进行定价！", "提示", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host_ = RecordingHost();
    ui_.messages.clear();
    HealthyHostOptions o;
    o.unitType = "00";
    ScriptHealthyHost(host_, o);
    Answer(disp::QueryRows, c.ok, c.ref);
    QPointer<TFrmspbqdy> w = Open(host_);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text.toStdString(), c.message);
    EXPECT_EQ(ui_.messages[0].caption.toStdString(), c.caption);
    EXPECT_EQ(ui_.messages[0].icon, c.closes ? ui::Icon::Information : ui::Icon::Error);
    EXPECT_EQ(w.isNull(), c.closes) << "closed the moment it was shown";
    if (!c.closes && w) {
      EXPECT_TRUE(w->isVisible());
      // The window works without a tree; no department can be chosen.
      ASSERT_NE(Selector(), nullptr);
      EXPECT_TRUE(Selector()->Tree().Empty());
      ui_.Then([](QDialog* d) { qobject_cast<TFrmSelectBM*>(d)->btnok->click(); });
      w->btnDept->click();
      ASSERT_EQ(ui_.messages.size(), 2u);
      EXPECT_EQ(ui_.messages[1].text.toStdString(), "不能不选定价部门，请先选择部门！");
      EXPECT_TRUE(w->DeptRestriction.empty());
    }
    if (w) w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(DeptTest, TicksFollowTheRulesOnlyWhileTheWindowShows) {
  ASSERT_NE(OpenAtHeadquarters(), nullptr);
  ChooseWith([this](TFrmSelectBM* s) {
    Toggle(s, k020);  // its division is not ticked
    EXPECT_EQ(Ticked(s), std::vector<int>{k01});
    Toggle(s, k02);   // the other division goes, with every tick inside it
    EXPECT_EQ(Ticked(s), std::vector<int>{k02});
    Toggle(s, k02);   // a ticked division stays ticked
    EXPECT_EQ(Ticked(s), std::vector<int>{k02});
    Toggle(s, k020);
    EXPECT_EQ(Ticked(s), (std::vector<int>{k02, k020}));
    Toggle(s, k01);
    Toggle(s, kOther);  // the group node never changes...
    Toggle(s, k019);    // ...but its departments do
    Toggle(s, k0103);   // a category of categories cannot be ticked
    Toggle(s, k010302);  // a category brings its departments along
    EXPECT_EQ(Ticked(s), (std::vector<int>{k01, k010302, k012, k013, k019}));
    EXPECT_TRUE(ui_.messages.empty());
    Toggle(s, k013);  // and keeps them
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text.toStdString(), "分类已选,具体部门无需再选！");
    EXPECT_EQ(ui_.messages[0].caption.toStdString(), "提示");
    EXPECT_EQ(ui_.messages[0].icon, ui::Icon::Information);
    EXPECT_EQ(Ticked(s), (std::vector<int>{k01, k010302, k012, k013, k019}));
    s->btncancel->click();
  });
  EXPECT_FALSE(Selector()->isVisible());
  EXPECT_TRUE(window_->DeptRestriction.empty());
  EXPECT_EQ(window_->cdsbm.RecordCount(), 0);
  // Hidden, the window lets the program tick anything.
  EXPECT_EQ(Selector()->Tree().SetTicked(Selector()->Tree().NodeAt(k0103), true).outcome, dept::TickOutcome::Changed);
}

TEST_F(DeptTest, AMouseClickOnTheMarkTicksAndAnyButtonSelects) {
  ASSERT_NE(OpenAtHeadquarters(), nullptr);
  ChooseWith([](TFrmSelectBM* s) {
    QTreeWidgetItem* item = Item(s, k0102);
    s->tnbm->scrollToItem(item);
    const QRect r = s->tnbm->visualItemRect(item);
    QTest::mousePress(s->tnbm->viewport(), Qt::RightButton, {}, r.center());
    QTest::mouseRelease(s->tnbm->viewport(), Qt::RightButton, {}, r.center());
    EXPECT_EQ(s->tnbm->currentItem(), item);
    // The mark sits at the left of the row, before the picture.
    const QPoint mark(r.left() + s->tnbm->style()->pixelMetric(QStyle::PM_IndicatorWidth) / 2 + 3, r.center().y());
    QTest::mouseClick(s->tnbm->viewport(), Qt::LeftButton, {}, mark);
    EXPECT_EQ(Ticked(s), (std::vector<int>{k01, k0102, k011}));
    s->btnok->click();
  });
  EXPECT_EQ(window_->DeptRestriction,
            "select f_bmbm,f_bmmc from tbbmda where f_bmbm in ('011') union select f_dzbm f_bmbm,f_bmmc from "
            "tbdjbmfldz z,tbbmda b where z.f_dzbm=b.f_bmbm and  left(f_bmflbm,2)='01' and f_bmflbm in ('0102')");
}

TEST_F(DeptTest, CountSelectAllAndNone) {
  ASSERT_NE(OpenAtHeadquarters(), nullptr);
  ChooseWith([this](TFrmSelectBM* s) {
    s->tnbm->setCurrentItem(Item(s, k0101));
    s->N1->trigger();
    Toggle(s, k011);
    s->btntj->click();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text.toStdString(), "共选中2个,\r其中分类0个,具体部门2个！");
    Toggle(s, k0101);
    s->btntj->click();
    EXPECT_EQ(ui_.messages[1].text.toStdString(), "共选中3个,\r其中分类1个,具体部门2个！");
    EXPECT_EQ(ui_.messages[1].caption.toStdString(), "提示");
    EXPECT_EQ(ui_.messages[1].icon, ui::Icon::Information);
    // None on a ticked category's departments is refused, once, with the reason.
    s->N2->trigger();
    EXPECT_EQ(ui_.messages.size(), 3u);
    EXPECT_EQ(Ticked(s), (std::vector<int>{k01, k0101, k010, k011}));
    // All on a category of another division does nothing; on the root neither.
    s->tnbm->setCurrentItem(Item(s, k0201));
    s->N1->trigger();
    s->tnbm->setCurrentItem(Item(s, 0));
    s->N2->trigger();
    EXPECT_EQ(Ticked(s), (std::vector<int>{k01, k0101, k010, k011}));
    s->tnbm->setCurrentItem(Item(s, kOther));
    s->N1->trigger();
    EXPECT_EQ(Ticked(s), (std::vector<int>{k01, k0101, k010, k011, k019}));
    s->btncancel->click();
  });
}

TEST_F(DeptTest, SavingAndLoadingASelectionFile) {
  ASSERT_NE(OpenAtHeadquarters(), nullptr);
  const std::string saved = dir_.path().toStdString() + "/定价部门选择设置";
  ChooseWith([&](TFrmSelectBM* s) {
    Toggle(s, k0101);
    Toggle(s, k011);
    ui_.saveFileAnswers.push_back(QString::fromStdString(saved));
    s->btnsave->click();
    ASSERT_FALSE(ui_.fileDialogTitles.empty());
    EXPECT_EQ(ui_.fileDialogTitles.back(), "保存部门设置数据");
    EXPECT_EQ(ReadBytes(saved + ".txt"), "0 01\r\n0 0101\r\n1 010\r\n1 011\r\n");

    Toggle(s, k0101);
    Toggle(s, k011);
    ASSERT_EQ(Ticked(s), std::vector<int>{k01});
    ui_.openFileAnswers.push_back(QString::fromStdString(saved + ".txt"));
    s->btnget->click();
    EXPECT_EQ(Ticked(s), (std::vector<int>{k01, k0101, k010, k011}));

    // A hand-made file: blanks trimmed, empty lines dropped, lines of another division refused.
    const std::string edited = WriteFile("edited.txt", "0 02\r\n\r\n  1 011 \r\n0 0201\r\n1 020\r\n");
    ui_.openFileAnswers.push_back(QString::fromStdString(edited));
    s->btnget->click();
    EXPECT_EQ(Ticked(s), (std::vector<int>{k01, k011}));

    // A file that cannot be read changes nothing and says so.
    ui_.messages.clear();
    ui_.openFileAnswers.push_back(QString::fromStdString(dir_.path().toStdString() + "/missing.txt"));
    s->btnget->click();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_TRUE(ui_.messages[0].defaultErrorBox);
    EXPECT_EQ(ui_.messages[0].text.toStdString(), "无法打开文件“" + dir_.path().toStdString() + "/missing.txt”");
    EXPECT_EQ(Ticked(s), (std::vector<int>{k01, k011}));

    // Nor is a failed save reported as done.
    ui_.saveFileAnswers.push_back(QString::fromStdString(dir_.path().toStdString() + "/no/such/dir/a.txt"));
    s->btnsave->click();
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[1].text.toStdString(), "无法写入文件“" + dir_.path().toStdString() + "/no/such/dir/a.txt”");
    // Cancelled dialogs do nothing.
    s->btnsave->click();
    s->btnget->click();
    EXPECT_EQ(ui_.messages.size(), 2u);
    s->btncancel->click();
  });
}

TEST_F(DeptTest, ConfirmingBuildsTheChoiceAndReopeningTicksItAgain) {
  ASSERT_NE(OpenAtHeadquarters(), nullptr);
  ChooseWith([](TFrmSelectBM* s) {
    Toggle(s, k0101);
    Toggle(s, k011);
    s->btnok->click();
  });
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(window_->DeptRestriction, kEdgeCaseSql);
  EXPECT_EQ(window_->ChosenDeptNodes, (std::vector<std::string>{"1", "2", "3", "5"}));
  EXPECT_EQ(window_->cdsbm.RecordCount(), 3);

  // Reopening shows the confirmed ticks; changes that are cancelled are forgotten.
  ChooseWith([](TFrmSelectBM* s) {
    EXPECT_EQ(Ticked(s), (std::vector<int>{k01, k0101, k010, k011}));
    EXPECT_TRUE(Item(s, k0101)->isExpanded());
    Toggle(s, k02);
    s->btncancel->click();
  });
  EXPECT_EQ(window_->DeptRestriction, kEdgeCaseSql);
  // Confirming nothing is refused and leaves the choice in force.
  ChooseWith([](TFrmSelectBM* s) {
    EXPECT_EQ(Ticked(s), (std::vector<int>{k01, k0101, k010, k011}));
    Toggle(s, k0101);
    Toggle(s, k011);
    s->btnok->click();
  });
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text.toStdString(), "不能不选定价部门，请先选择部门！");
  EXPECT_TRUE(ui_.messages[0].defaultErrorBox);
  EXPECT_EQ(window_->DeptRestriction, kEdgeCaseSql);
  EXPECT_EQ(window_->ChosenDeptNodes, (std::vector<std::string>{"1", "2", "3", "5"}));
  // A choice in the second division comes back in the second division.
  ChooseWith([](TFrmSelectBM* s) {
    EXPECT_EQ(Ticked(s), (std::vector<int>{k01, k0101, k010, k011}));
    Toggle(s, k02);
    Toggle(s, k020);
    s->btnok->click();
  });
  EXPECT_EQ(window_->DeptRestriction, "select f_bmbm,f_bmmc from tbbmda where f_bmbm in ('020')");
  ChooseWith([](TFrmSelectBM* s) {
    EXPECT_EQ(Ticked(s), (std::vector<int>{k02, k020}));
    s->btncancel->click();
  });
}

TEST_F(DeptTest, TheWindowIsDraggedByItsClientArea) {
  ASSERT_NE(OpenAtHeadquarters(), nullptr);
  ChooseWith([](TFrmSelectBM* s) {
    auto drag = [](QWidget* target, QPoint local, QPoint by) {
      const QPoint global = target->mapToGlobal(local);
      QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), QPointF(global), Qt::LeftButton, Qt::LeftButton, {});
      QCoreApplication::sendEvent(target, &press);
      QMouseEvent move(QEvent::MouseMove, QPointF(local + by), QPointF(global + by), Qt::NoButton, Qt::LeftButton, {});
      QCoreApplication::sendEvent(target, &move);
      QMouseEvent release(QEvent::MouseButtonRelease, QPointF(local + by), QPointF(global + by), Qt::LeftButton,
                          Qt::NoButton, {});
      QCoreApplication::sendEvent(target, &release);
    };
    const QPoint start = s->pos();
    drag(s, QPoint(2, 56), QPoint(30, 20));  // the strip between the panel and the tree
    EXPECT_EQ(s->pos(), start + QPoint(30, 20));
    drag(s->Label1, QPoint(100, 10), QPoint(-10, 5));  // the title passes the press on
    EXPECT_EQ(s->pos(), start + QPoint(20, 25));
    drag(s->btntj, QPoint(5, 5), QPoint(40, 40));  // a control does not
    EXPECT_EQ(s->pos(), start + QPoint(20, 25));
    s->btncancel->click();
  });
}

// ---------------------------------------------------------------- on the seeded host

class DeptOnSeededHost : public DeptTest, public ::testing::WithParamInterface<Backend> {
 protected:
  static void SetUpTestSuite() {
    masters_ = new SeededMasters(400, "00", "20241210");
  }
  static void TearDownTestSuite() { delete masters_; }
  void SetUp() override {
    db_ = std::make_unique<hostapp::HostDatabase>(masters_->For(GetParam()).path(), hostapp::ServerClock::Pinned("20241210"));
    service_ = std::make_unique<hostapp::DbHostService>(*db_);
    proxy_ = std::make_unique<RecordingProxy>(*service_);
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    proxy_.reset();
    service_.reset();
    db_.reset();
  }
  std::string ProductOf(const std::string& dept) {
    MemTable t;
    t.LoadPacket(db_->QueryNativePacket("select f_Spbm from tbSpda where f_Mj=1 and f_bmbm='" + dept +
                                        "' order by f_Spbm limit 1"));
    return t.GetText("f_Spbm");
  }
  std::vector<RecordingHost::Call> ProductQueries() const {
    std::vector<RecordingHost::Call> out;
    for (const auto& c : proxy_->calls())
      if (c.dispId == disp::QueryProducts && c.argsIn[0].ToInt() != 5 && c.argsIn[0].ToInt() != 6) out.push_back(c);
    return out;
  }
  int IndexOf(TFrmSelectBM* s, const std::string& text) {
    for (int i = 0; i < s->Tree().Count(); ++i)
      if (s->Tree().Text(s->Tree().NodeAt(i)) == text) return i;
    ADD_FAILURE() << "no node " << text;
    return 0;
  }

  static SeededMasters* masters_;
  std::unique_ptr<hostapp::HostDatabase> db_;
  std::unique_ptr<hostapp::DbHostService> service_;
  std::unique_ptr<RecordingProxy> proxy_;
};

SeededMasters* DeptOnSeededHost::masters_ = nullptr;

TEST_P(DeptOnSeededHost, TheChosenDepartmentsTravelWithATypedCode) {
  TFrmspbqdy* w = Open(*proxy_);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  TFrmSelectBM* s = Selector();
  std::vector<std::string> texts;
  for (int i = 0; i < s->Tree().Count(); ++i) texts.push_back(s->Tree().Text(s->Tree().NodeAt(i)));
  EXPECT_EQ(texts, (std::vector<std::string>{"所有部门及分类", "01 超市事业部", "0101 食品类", "010 食品部", "0102 日化类",
                                              "011 日化部", "0103 生鲜类", "010301 果蔬", "012 果蔬部", "010302 肉禽",
                                              "012 果蔬部", "013 肉禽部", "其它", "019 超市综合部", "02 百货事业部",
                                              "0201 服装类", "020 服装部", "0202 家电类", "021 家电部", "其它",
                                              "029 百货综合部"}));

  const std::string inFood = ProductOf("010");
  const std::string inHomeCare = ProductOf("011");
  const std::string inClothing = ProductOf("020");
  ASSERT_FALSE(inFood.empty());
  ASSERT_FALSE(inHomeCare.empty());
  ASSERT_FALSE(inClothing.empty());
  ChooseWith([this](TFrmSelectBM* sel) {
    Toggle(sel, IndexOf(sel, "0101 食品类"));
    Toggle(sel, IndexOf(sel, "011 日化部"));
    sel->btnok->click();
  });
  ASSERT_EQ(w->DeptRestriction, kEdgeCaseSql);

  for (const std::string& code : {inFood, inHomeCare}) {
    proxy_->ClearCalls();
    Type(QString::fromStdString(code));
    Enter();
    ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
    const auto q = ProductQueries();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(DeptSqlOf(q[0]), kEdgeCaseSql);
    EXPECT_TRUE(q[0].result.ToBool());
  }
  ASSERT_GE(w->cdsSpda.RecordCount(), 2);
  w->cdsSpda.First();
  EXPECT_EQ(w->cdsSpda.GetText("f_Spbm"), inFood);
  EXPECT_EQ(w->cdsSpda.GetText("f_bmbm"), "010");
  EXPECT_EQ(w->cdsSpda.GetText("f_bmmc"), "食品部");
  w->cdsSpda.Last();
  EXPECT_EQ(w->cdsSpda.GetText("f_bmbm"), "011");

  // A product of a department outside the choice is not found.
  Type(QString::fromStdString(inClothing));
  Enter();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "警告");
}

TEST_P(DeptOnSeededHost, EachOperatorGetsTheDivisionsInHisCharge) {
  struct Case {
    const char* operatorCode;
    std::vector<std::string> tops;  // empty: none in his charge, the window closes
  } cases[] = {{"0001", {"01 超市事业部", "02 百货事业部"}}, {"0002", {"01 超市事业部"}}, {"0003", {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.operatorCode);
    ui_.messages.clear();
    QPointer<TFrmspbqdy> w = Open(*proxy_, c.operatorCode);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (c.tops.empty()) {
      EXPECT_TRUE(w.isNull());
      ASSERT_EQ(ui_.messages.size(), 1u);
      EXPECT_EQ(ui_.messages[0].text.toStdString(), queue::kNoManagedDepts);
      continue;
    }
    ASSERT_FALSE(w.isNull());
    EXPECT_TRUE(ui_.messages.empty());
    std::vector<std::string> tops;
    for (auto id : Selector()->Tree().TopCategories()) tops.push_back(Selector()->Tree().Text(id));
    EXPECT_EQ(tops, c.tops);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

PT_INSTANTIATE_BACKENDS(DeptOnSeededHost);

}  // namespace
}  // namespace pt::test
