// The double click on the print queue: the place-of-origin box for ordinary products and the
// product info edit for amount-controlled rows.
#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "common/AdvDBEh.h"
#include "common/FlatDialog.h"
#include "dialogs/FlatControls.h"
#include "dialogs/UnitModiSpinfo.h"
#include "tests/queue/MainWindowFixture.h"

namespace pt::test {
namespace {

class ProductInfoEditTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    w_ = OpenScripted();
    ASSERT_NE(w_, nullptr);
    w_->LabelGrade = "合格";
    w_->LabelRemark = "";
  }
  // Rows: an ordinary product, two amount-controlled rows (the second with an empty name),
  // and a row without a product code.
  void FillQueue() {
    MemTable& q = w_->cdsSpda;
    q.LoadPacket(QueuePacket({{{"f_Spbm", Variant("000101")}, {"f_Spmc", Variant("可乐")}, {"f_Spcd", Variant("杭州")}},
                              {}, {}, {}}));
    q.DisableControls();
    q.SetRecNo(2);
    q.Edit();
    q.Set("f_Spbm", "J1");
    q.Set("f_jekz", "1");
    q.Set("f_Spmc", "散装大米");
    q.Set("f_Xsdj", 4.5);
    q.Set("f_BqPtXsdj", 3.9);
    q.Set("f_BqPtQsrq", "20241201");
    q.Set("f_BqPtJsrq", "20241231");
    q.Post();
    q.SetRecNo(3);
    q.Edit();
    q.Set("f_Spbm", "");
    q.Set("f_jekz", "1");
    q.Post();
    q.EnableControls();
  }
  // Double-clicks the queue row whose product code is `code` (nullptr: the row without one).
  void DoubleClickRow(const char* code) {
    MemTable& q = w_->cdsSpda;
    const int f = q.FieldIndex("f_Spbm");
    int row = -1;
    for (int i = 0; i < q.RecordCount() && row < 0; ++i) {
      const Variant& v = q.CellAt(i, f);
      if (code ? (!v.IsNull() && v.ToText() == code) : v.IsNull()) row = i;
    }
    ASSERT_GE(row, 0) << (code ? code : "null");
    q.SetRecNo(row + 1);
    emit w_->dgdview->doubleClicked(w_->dgdview->model()->index(row, 2));
  }
  // Types characters one key at a time, as a keyboard (or an input method) sends them.
  static void TypeText(QWidget* widget, const QString& text) {
    for (QChar c : text) QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
  static TFrmModiSpinfo* Edit(QDialog* d) {
    auto* e = qobject_cast<TFrmModiSpinfo*>(d);
    EXPECT_NE(e, nullptr);
    return e;
  }

  TFrmspbqdy* w_ = nullptr;
};

TEST_F(ProductInfoEditTest, AnOrdinaryProductAsksOnlyForThePlaceOfOrigin) {
  FillQueue();
  int asked = 0;
  ui_.Then([&](QDialog* d) {
    ++asked;
    EXPECT_EQ(d->objectName(), "FlatInputDialog");
    EXPECT_EQ(d->windowTitle().toStdString(), "修改");
    EXPECT_EQ(d->findChild<QLabel*>("Prompt")->text().toStdString(), "商品产地");
    EXPECT_EQ(d->findChild<QLineEdit*>("Edit")->text().toStdString(), "杭州");
    d->findChild<QPushButton*>("OK")->click();  // the same text
  });
  DoubleClickRow("000101");
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(w_->cdsSpda.state(), MemTable::State::Browse);
  EXPECT_EQ(w_->cdsSpda.GetText("f_Spcd"), "杭州");

  ui_.Then([](QDialog* d) {
    d->findChild<QLineEdit*>("Edit")->setText(QString::fromUtf8("宁波"));
    d->findChild<QPushButton*>("OK")->click();
  });
  DoubleClickRow("000101");
  EXPECT_EQ(w_->cdsSpda.state(), MemTable::State::Browse);
  EXPECT_EQ(w_->cdsSpda.GetText("f_Spcd"), "宁波");

  ui_.Then([](QDialog* d) {
    d->findChild<QLineEdit*>("Edit")->setText(QString::fromUtf8("温州"));
    d->findChild<QPushButton*>("Cancel")->click();
  });
  DoubleClickRow("000101");
  EXPECT_EQ(w_->cdsSpda.GetText("f_Spcd"), "宁波") << "cancelling changes nothing";

  // A row without a product code value: nothing at all.
  const int dialogs = ui_.dialogsRun;
  DoubleClickRow(nullptr);
  EXPECT_EQ(ui_.dialogsRun, dialogs);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(ProductInfoEditTest, ConfirmingPostsTheRowAndRemembersItsLabelData) {
  FillQueue();
  ui_.Then([this](QDialog* d) {
    TFrmModiSpinfo* e = Edit(d);
    EXPECT_EQ(e->windowTitle().toStdString(), "修改商品信息");
    EXPECT_EQ(w_->cdsSpda.state(), MemTable::State::Edit) << "the row is held in edit state";
    EXPECT_EQ(e->DBEdit12->text().toStdString(), "J1");
    EXPECT_EQ(e->DBEdit2->text().toStdString(), "散装大米");
    EXPECT_EQ(e->edtxsdj->text().toStdString(), "4.5");
    EXPECT_EQ(e->edtdj->text().toStdString(), "合格");
    e->DBEdit6->setText(QString::fromUtf8("东北"));
    TypeText(e->DBEdit6, QString::fromUtf8("五常"));
    e->DBEdit4->setText("3.5");
    e->edtdj->setText(QString::fromUtf8("一级"));
    e->edtbz->setText(QString::fromUtf8("新米上市"));
    e->btnok->click();
  });
  DoubleClickRow("J1");
  MemTable& q = w_->cdsSpda;
  EXPECT_EQ(q.state(), MemTable::State::Browse);
  EXPECT_EQ(q.GetText("f_Spbm"), "J1");
  EXPECT_EQ(q.GetText("f_Spcd"), "东北五常");
  EXPECT_EQ(q.GetFloat("f_BqPtXsdj"), 3.5);
  // The next-period ordinary promotion equals the current one.
  EXPECT_EQ(q.GetFloat("f_XqPtXsdj"), 3.5);
  EXPECT_EQ(q.GetText("f_XqPtQsrq"), "20241201");
  EXPECT_EQ(q.GetText("f_XqPtJsrq"), "20241231");
  EXPECT_EQ(w_->LabelGrade, "一级");
  EXPECT_EQ(w_->LabelRemark, "新米上市");
  EXPECT_EQ(w_->LastProductInfo.spmc, "散装大米");
  EXPECT_EQ(w_->LastProductInfo.spcd, "东北五常");
  EXPECT_EQ(w_->LastProductInfo.xsdj, 4.5);

  // The next amount-controlled row with an empty name is preset with the name confirmed
  // before; cancelling leaves that row as it was.
  ui_.Then([](QDialog* d) {
    TFrmModiSpinfo* e = Edit(d);
    EXPECT_EQ(e->DBEdit2->text().toStdString(), "散装大米");
    EXPECT_EQ(e->DBEdit6->text().toStdString(), "东北五常");
    EXPECT_EQ(e->edtxsdj->text().toStdString(), "4.5");
    EXPECT_EQ(e->edtdj->text().toStdString(), "一级");
    EXPECT_EQ(e->edtbz->text().toStdString(), "新米上市");
    e->btncancel->click();
  });
  DoubleClickRow("");
  EXPECT_EQ(q.state(), MemTable::State::Browse);
  EXPECT_TRUE(q.IsNull("f_Spmc"));
  EXPECT_TRUE(q.IsNull("f_Xsdj"));
  EXPECT_EQ(w_->LabelGrade, "一级");
  EXPECT_EQ(w_->LastProductInfo.spmc, "散装大米");

  // The window is made once; Esc and the close box cancel too.
  QDialog* first = w_->FrmModiSpinfo;
  ui_.Then([](QDialog* d) {
    Edit(d)->DBEdit2->setText("X");
    QTest::keyClick(d, Qt::Key_Escape);
  });
  ui_.Then([](QDialog* d) {
    Edit(d)->DBEdit2->setText("Y");
    d->close();
  });
  DoubleClickRow("");
  DoubleClickRow("");
  EXPECT_EQ(w_->FrmModiSpinfo, first);
  EXPECT_EQ(q.state(), MemTable::State::Browse);
  EXPECT_TRUE(q.IsNull("f_Spmc"));
}

TEST_F(ProductInfoEditTest, AFailureWhileTheCloseBoxCancelsIsReportedAndTheWindowStays) {
  FillQueue();
  // Something following the queue fails once when the held row is given back.
  struct FailingOnce : MemTableListener {
    bool armed = false;
    void OnRecordChanged(MemTable&, int) override {
      if (armed) {
        armed = false;
        throw ModuleError("队列刷新失败");
      }
    }
  } failing;
  MemTable& q = w_->cdsSpda;
  q.AddListener(&failing);
  bool openAfterFailure = false;
  ui_.Then([&](QDialog* d) {
    failing.armed = true;
    d->close();  // the close box: Qt calls reject() itself
    openAfterFailure = d->isVisible();
    d->close();
  });
  DoubleClickRow("");
  q.RemoveListener(&failing);
  EXPECT_TRUE(openAfterFailure);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"队列刷新失败"});
  EXPECT_EQ(q.state(), MemTable::State::Browse);
}

TEST_F(ProductInfoEditTest, PriceEditsTakeDigitsAndEnterMovesOn) {
  FillQueue();
  ui_.Then([this](QDialog* d) {
    TFrmModiSpinfo* e = Edit(d);
    QApplication::setActiveWindow(d);
    e->edtxsdj->setFocus();
    e->edtxsdj->clear();
    QTest::keyClicks(e->edtxsdj, "a1b2.5");
    EXPECT_EQ(e->edtxsdj->text().toStdString(), "12.5");
    QTest::keyClick(e->edtxsdj, Qt::Key_Backspace);
    EXPECT_EQ(e->edtxsdj->text().toStdString(), "12.");
    QTest::keyClick(e->edtxsdj, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(e->edtxsdj->text().toStdString(), "12.");
    e->DBEdit4->clear();
    TypeText(e->DBEdit4, QString::fromUtf8("价"));
    EXPECT_EQ(e->DBEdit4->text().toStdString(), "");
    QTest::keyClicks(e->DBEdit1, "A-1");
    EXPECT_EQ(e->DBEdit1->text().toStdString(), "A-1") << "other edits take any text";

    // Enter walks the controls in the order of the captions, the buttons last.
    const std::vector<QWidget*> order = {e->DBEdit12, e->DBEdit1,  e->DBEdit2, e->DBEdit6, e->DBEdit8, e->DBEdit3,
                                         e->DBEdit10, e->edtdj,    e->DBEdit5, e->edtxsdj, e->DBEdit4, e->DBEdit9,
                                         e->DBEdit7,  e->DBEdit11, e->edtbz,   e->btnok,   e->btncancel};
    e->DBEdit12->setFocus();
    for (size_t i = 1; i < order.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      EXPECT_EQ(QApplication::focusWidget(), order[i]) << i;
    }
    EXPECT_TRUE(d->isVisible()) << "Enter on a button moves on too";

    // A price that does not read as a number is refused and the row stays in edit.
    e->edtxsdj->setText("1.2.3");
    e->btnok->click();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(w_->cdsSpda.state(), MemTable::State::Edit);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text.toStdString(), "'1.2.3'不是有效的浮点数值");
    e->edtxsdj->setText("12.");
    e->btnok->click();
  });
  DoubleClickRow("J1");
  EXPECT_EQ(w_->cdsSpda.GetFloat("f_Xsdj"), 12.0);
  EXPECT_EQ(w_->cdsSpda.GetText("f_Sphh"), "A-1");
}

TEST_F(ProductInfoEditTest, TextsAreHeldToTheirFieldSizeInGbkBytes) {
  FillQueue();
  ui_.Then([](QDialog* d) {
    TFrmModiSpinfo* e = Edit(d);
    e->DBEdit6->clear();
    // f_Spcd holds 12 bytes: six Chinese characters, the seventh is refused.
    TypeText(e->DBEdit6, QString::fromUtf8("一二三四五六七"));
    EXPECT_EQ(e->DBEdit6->text().toStdString(), "一二三四五六");
    e->btnok->click();
  });
  DoubleClickRow("J1");
  EXPECT_EQ(w_->cdsSpda.GetText("f_Spcd"), "一二三四五六");
}

}  // namespace
}  // namespace pt::test
