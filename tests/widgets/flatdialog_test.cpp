#include "common/FlatDialog.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/widgets/ScriptedUi.h"
#include "tests/widgets/SettingsDir.h"

namespace pt {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

QPushButton* Button(QDialog* d, const char* name) {
  return d->findChild<QPushButton*>(QString::fromLatin1(name));
}

// Colour of the pixel in the middle of a widget's left edge, as drawn.
QColor LeftEdgeColor(QWidget* w) {
  return w->grab().toImage().pixelColor(0, w->height() / 2);
}

class FlatDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { FlatDialogColors() = DialogColors{}; }
  test::SettingsDir settings;
  test::ScriptedUi ui;
};

TEST_F(FlatDialogTest, CaptionAndIconFollowTheDialogType) {
  struct Case {
    MsgDlgType type;
    const char* caption;
    bool icon;
  };
  const Case cases[] = {
      {MsgDlgType::Warning, "警告", true},      {MsgDlgType::Error, "错误", true},
      {MsgDlgType::Information, "信息", true},  {MsgDlgType::Confirmation, "询问", true},
      {MsgDlgType::Custom, "零售后台", false},
  };
  for (const Case& c : cases) {
    QString caption, text;
    QLabel* image = nullptr;
    ui.Then([&](QDialog* d) {
      caption = d->windowTitle();
      text = d->findChild<QLabel*>("Message")->text();
      image = d->findChild<QLabel*>("Image");
      if (image) {
        EXPECT_EQ(image->size(), QSize(32, 32));
      }
      Button(d, "OK")->click();
    });
    EXPECT_EQ(FlatMessageDlg(U("数据已修改"), c.type, MsgDlgBtn::OK), ui::kResultOk);
    EXPECT_EQ(caption, U(c.caption));
    EXPECT_EQ(text, U("数据已修改"));
    EXPECT_EQ(image != nullptr, c.icon) << c.caption;
  }
}

TEST_F(FlatDialogTest, ButtonsAppearInOrderAndSetTheirResults) {
  const MsgDlgButtons all = MsgDlgBtn::All | MsgDlgBtn::Ignore | MsgDlgBtn::Retry |
                            MsgDlgBtn::Abort | MsgDlgBtn::Cancel | MsgDlgBtn::OK |
                            MsgDlgBtn::No | MsgDlgBtn::Yes;
  struct Expect {
    const char* name;
    const char* caption;
    int result;
  };
  const Expect order[] = {{"Yes", "是(&Y)", 6},     {"No", "不(&N)", 7},
                          {"OK", "确认(&O)", 1},    {"Cancel", "放弃(&C)", 2},
                          {"Abort", "&Abort", 3},   {"Retry", "&Retry", 4},
                          {"Ignore", "&Ignore", 5}, {"All", "&All", 8}};
  for (const Expect& pressed : order) {
    ui.Then([&](QDialog* d) {
      int lastX = -1, width = -1;
      for (const Expect& e : order) {
        QPushButton* b = Button(d, e.name);
        ASSERT_NE(b, nullptr) << e.name;
        EXPECT_EQ(b->text(), U(e.caption));
        EXPECT_GT(b->x(), lastX) << e.name << " is out of order";
        if (width >= 0) {
          EXPECT_EQ(b->width(), width) << "buttons share one width";
        }
        lastX = b->x();
        width = b->width();
      }
      Button(d, pressed.name)->click();
    });
    EXPECT_EQ(FlatMessageDlg(U("继续吗？"), MsgDlgType::Confirmation, all), pressed.result)
        << pressed.name;
  }
}

TEST_F(FlatDialogTest, OnlyRequestedButtonsAreShownCentredUnderTheText) {
  ui.Then([&](QDialog* d) {
    EXPECT_EQ(d->findChildren<QPushButton*>().size(), 2);
    QPushButton* yes = Button(d, "Yes");
    QPushButton* no = Button(d, "No");
    ASSERT_TRUE(yes && no);
    const int leftGap = yes->x();
    const int rightGap = d->width() - (no->x() + no->width());
    EXPECT_LE(std::abs(leftGap - rightGap), 1);
    EXPECT_GT(yes->y(), d->findChild<QLabel*>("Message")->geometry().bottom());
    EXPECT_GE(yes->width(), yes->height() * 2) << "at least 50 by 14 dialog units";
    no->click();
  });
  EXPECT_EQ(FlatMessageDlg(U("删除吗？"), MsgDlgType::Confirmation,
                           MsgDlgBtn::Yes | MsgDlgBtn::No),
            ui::kResultNo);
}

TEST_F(FlatDialogTest, LongMessageWrapsWithinHalfTheScreen) {
  const QString longText = U("这是一条很长的提示信息，").repeated(40);
  ui.Then([&](QDialog* d) {
    QLabel* label = d->findChild<QLabel*>("Message");
    const int half = QGuiApplication::primaryScreen()->geometry().width() / 2;
    EXPECT_LE(label->width(), half + 2);
    EXPECT_GT(label->height(), label->fontMetrics().height() * 3);
    EXPECT_LE(label->geometry().bottom(), d->height());
    d->done(ui::kResultOk);
  });
  FlatMessageDlg(longText, MsgDlgType::Information, MsgDlgBtn::OK);
}

TEST_F(FlatDialogTest, EnterMeansOkAndEscMeansCancelWhateverHasFocus) {
  ui.Then([](QDialog* d) {
    Button(d, "No")->setFocus();
    QTest::keyClick(Button(d, "No"), Qt::Key_Return);
  });
  EXPECT_EQ(FlatMessageDlg(U("保存吗？"), MsgDlgType::Confirmation, MsgDlgBtn::Yes | MsgDlgBtn::No),
            ui::kResultOk);
  ui.Then([](QDialog* d) { QTest::keyClick(Button(d, "Yes"), Qt::Key_Escape); });
  EXPECT_EQ(FlatMessageDlg(U("保存吗？"), MsgDlgType::Confirmation, MsgDlgBtn::Yes | MsgDlgBtn::No),
            ui::kResultCancel);
}

TEST_F(FlatDialogTest, MessageDialogTakesItsBackColourFromTheSettings) {
  struct Case {
    const char* ini;
    QColor back;
  };
  const Case cases[] = {
      {"[ColorOption]\nbackcolor=16711680\n", QColor(0, 0, 255)},  // 0x00BBGGRR: blue
      {"", QColor(0xF0, 0xF0, 0xEC)},                               // default 15528176
      {"[ColorOption]\nbackcolor=blue\n", QColor(0xF0, 0xF0, 0xEC)},  // junk keeps the last
  };
  for (const Case& c : cases) {
    settings.Write(c.ini);
    QColor seen;
    ui.Then([&](QDialog* d) {
      seen = d->palette().color(QPalette::Window);
      d->done(ui::kResultOk);
    });
    FlatMessageDlg(U("提示"), MsgDlgType::Information, MsgDlgBtn::OK);
    EXPECT_EQ(seen, c.back) << c.ini;
  }
  EXPECT_EQ(FlatDialogColors().back, 15528176) << "the family keeps the colour it last read";
  EXPECT_EQ(FlatDialogColors().line, 32768);
}

TEST_F(FlatDialogTest, WindowsColourValuesConvertRedInTheLowByte) {
  EXPECT_EQ(WinColorToQColor(14614267), QColor(0xFB, 0xFE, 0xDE));
  EXPECT_EQ(WinColorToQColor(32768), QColor(0, 0x80, 0));
  EXPECT_EQ(WinColorToQColor(12349763), QColor(0x43, 0x71, 0xBC));
  EXPECT_EQ(WinColorToQColor(static_cast<int32_t>(0xFF00000F)),
            QGuiApplication::palette().color(QPalette::Button));
}

TEST_F(FlatDialogTest, InputQueryStoresTheTextOnlyOnOk) {
  QString value = U("原值");
  ui.Then([](QDialog* d) {
    EXPECT_EQ(d->objectName(), "FlatInputDialog");
    EXPECT_EQ(d->windowTitle(), U("输入"));
    EXPECT_EQ(d->findChild<QLabel*>("Prompt")->text(), U("请输入编码:"));
    auto* edit = d->findChild<QLineEdit*>("Edit");
    EXPECT_EQ(edit->text(), U("原值"));
    edit->setText(U("新值"));
    Button(d, "OK")->click();
  });
  EXPECT_TRUE(FlatInputQuery(U("输入"), U("请输入编码:"), value));
  EXPECT_EQ(value, U("新值"));

  ui.Then([](QDialog* d) {
    d->findChild<QLineEdit*>("Edit")->setText(U("丢弃"));
    Button(d, "Cancel")->click();
  });
  EXPECT_FALSE(FlatInputQuery(U("输入"), U("请输入编码:"), value));
  EXPECT_EQ(value, U("新值"));
}

TEST_F(FlatDialogTest, InputBoxKeysFocusAndLimits) {
  ui.Then([](QDialog* d) {
    auto* edit = d->findChild<QLineEdit*>("Edit");
    EXPECT_EQ(d->focusWidget(), edit);
    EXPECT_EQ(edit->cursorPosition(), 3) << "caret after the text";
    EXPECT_FALSE(edit->hasSelectedText());
    EXPECT_EQ(edit->maxLength(), 255);
    EXPECT_EQ(edit->echoMode(), QLineEdit::Normal);
    QTest::keyClicks(edit, "45");
    QTest::keyClick(edit, Qt::Key_Enter);
  });
  EXPECT_EQ(FlatInputBox(U("编码"), U("编码:"), "123"), "12345");

  ui.Then([](QDialog* d) {
    auto* edit = d->findChild<QLineEdit*>("Edit");
    QTest::keyClicks(edit, "9");
    QTest::keyClick(edit, Qt::Key_Escape);
  });
  EXPECT_EQ(FlatInputBox(U("编码"), U("编码:"), "123"), "123") << "cancel returns the default";

  QString secret;
  ui.Then([](QDialog* d) {
    auto* edit = d->findChild<QLineEdit*>("Edit");
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    QTest::keyClicks(edit, "pw");
    QTest::keyClick(edit, Qt::Key_Return);
  });
  EXPECT_TRUE(FlatInputQuery(U("口令"), U("口令:"), secret, QLatin1Char('*')));
  EXPECT_EQ(secret, "pw");
}

TEST_F(FlatDialogTest, InputBoxSizeIsInDialogUnits) {
  ui.Then([](QDialog* d) {
    auto* edit = d->findChild<QLineEdit*>("Edit");
    // 180 units wide with an edit of 164 units and margins of 8 on both sides.
    EXPECT_NEAR(edit->width() * 180.0 / 164.0, d->width(), 2.0);
    EXPECT_NEAR(edit->x() * 2 + edit->width(), d->width(), 2);
    EXPECT_EQ(edit->font().family(), U("宋体"));
    EXPECT_EQ(edit->font().pointSize(), 9);
    QPushButton* ok = Button(d, "OK");
    QPushButton* cancel = Button(d, "Cancel");
    EXPECT_EQ(ok->text(), U("确认(&O)"));
    EXPECT_EQ(cancel->text(), U("放弃(&C)"));
    EXPECT_LT(ok->geometry().right(), cancel->x());
    EXPECT_LE(cancel->geometry().bottom(), d->height());
    d->done(ui::kResultCancel);
  });
  FlatInputBox(U("编码"), U("编码:"), "");
}

TEST_F(FlatDialogTest, InputBoxRefreshesBothColoursWhenTheColourStyleIsOn) {
  struct Case {
    const char* ini;
    QColor back, line;
  };
  const Case cases[] = {
      {"", WinColorToQColor(14614267), WinColorToQColor(32768)},  // style off: load colours
      {"[ColorOption]\ncolorstyle=1\n", WinColorToQColor(15528176), WinColorToQColor(12349763)},
      {"[ColorOption]\ncolorstyle=1\nlinecolor=255\nbackcolor=65280\n", QColor(0, 255, 0),
       QColor(255, 0, 0)},
  };
  for (const Case& c : cases) {
    FlatDialogColors() = DialogColors{};
    settings.Write(c.ini);
    ui.Then([&](QDialog* d) {
      EXPECT_EQ(d->palette().color(QPalette::Window), c.back) << c.ini;
      EXPECT_EQ(LeftEdgeColor(Button(d, "Cancel")), c.line) << c.ini;
      EXPECT_EQ(LeftEdgeColor(d->findChild<QLineEdit*>("Edit")), c.line) << c.ini;
      d->done(ui::kResultCancel);
    });
    FlatInputBox(U("编码"), U("编码:"), "");
  }
}

TEST_F(FlatDialogTest, ChooseItemOffersTheListFirstItemSelected) {
  const QStringList items{U("商品编码"), U("商品货号"), U("商品条码")};
  QString chosen = U("未动");
  ui.Then([](QDialog* d) {
    EXPECT_EQ(d->objectName(), "FlatChoiceDialog");
    auto* combo = d->findChild<QComboBox*>("Combo");
    EXPECT_FALSE(combo->isEditable());
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(d->focusWidget(), combo);
    Button(d, "Cancel")->click();
  });
  EXPECT_FALSE(FlatChooseItem(U("选择"), U("类别:"), items, chosen, 0));
  EXPECT_EQ(chosen, U("未动"));

  ui.Then([](QDialog* d) {
    d->findChild<QComboBox*>("Combo")->setCurrentIndex(2);
    Button(d, "OK")->click();
  });
  EXPECT_TRUE(FlatChooseItem(U("选择"), U("类别:"), items, chosen, 0));
  EXPECT_EQ(chosen, U("商品条码"));

  ui.Then([](QDialog* d) {
    auto* combo = d->findChild<QComboBox*>("Combo");
    EXPECT_TRUE(combo->isEditable());
    combo->lineEdit()->setText(U("自定义"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
  });
  EXPECT_TRUE(FlatChooseItem(U("选择"), U("类别:"), items, chosen, 1));
  EXPECT_EQ(chosen, U("自定义"));
}

TEST_F(FlatDialogTest, ChooseItemReadsTheStyleKeyNotColorstyle) {
  settings.Write("[ColorOption]\ncolorstyle=1\nbackcolor=255\n");
  QColor back;
  QString chosen;
  ui.Then([&](QDialog* d) {
    back = d->palette().color(QPalette::Window);
    d->done(ui::kResultCancel);
  });
  FlatChooseItem(U("选择"), U("类别:"), {U("甲")}, chosen, 0);
  EXPECT_EQ(back, WinColorToQColor(14614267));

  settings.Write("[ColorOption]\nstyle=1\nbackcolor=255\n");
  ui.Then([&](QDialog* d) {
    back = d->palette().color(QPalette::Window);
    d->done(ui::kResultCancel);
  });
  FlatChooseItem(U("选择"), U("类别:"), {U("甲")}, chosen, 0);
  EXPECT_EQ(back, QColor(255, 0, 0));
}

}  // namespace
}  // namespace pt
