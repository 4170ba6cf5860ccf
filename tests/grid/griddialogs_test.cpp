#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "common/AdvDBEh.h"
#include "common/ModuleError.h"
#include "dialogs/FlatControls.h"
#include "dialogs/UnitChooseDBFields.h"
#include "dialogs/UnitQuerySet.h"
#include "tests/widgets/ScriptedUi.h"
#include "tests/widgets/SettingsDir.h"

namespace pt {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }
ExpressionRow F(const char* f, const char* op, const char* v) { return ExpressionRow::Field(f, op, v); }

// A small queue: code, name, price.
class GridDialogs : public ::testing::Test {
 protected:
  GridDialogs() {
    t.AddField("f_Spbm", FieldType::Text, 15, "商品编码");
    t.AddField("f_Spmc", FieldType::Text, 60, "商品名称");
    t.AddField("f_Xsdj", FieldType::Float, 0, "销售单价");
    t.CreateDataSet();
    for (auto [code, name, price] : {std::tuple{"001", "红富士苹果", 5.0}, {"002", "O'Brien 香梨", 3.5},
                                     {"003", "苹果汁", 8.0}, {"004", "香蕉", 2.0}}) {
      t.Append();
      t.Set("f_Spbm", code);
      t.Set("f_Spmc", name);
      t.Set("f_Xsdj", price);
      t.Post();
    }
    t.First();
    grid.SetDataSet(&t);
  }

  std::string Codes() {
    std::string out;
    for (int r = 0; r < t.RecordCount(); ++r) out += t.CellAt(r, 0).ToText() + " ";
    return out;
  }

  // The next query builder: adds the expressions (joined by 并且) and presses the given button.
  void Build(const std::vector<ExpressionRow>& add, const char* button, ExpressionList* shown = nullptr) {
    ui.Then([=, this](QDialog* d) {
      auto* q = qobject_cast<TFrmQuerySet*>(d);
      ASSERT_NE(q, nullptr);
      if (shown) *shown = q->Expressions();
      for (const ExpressionRow& r : add) {
        if (q->lvwLogic->topLevelItemCount() > 0) {
          ui.scripts.push_front([](QDialog* c) {
            auto* combo = c->findChild<QComboBox*>("Combo");
            combo->setCurrentIndex(combo->findText(U("并且")));
            c->findChild<QPushButton*>("OK")->click();
          });
        }
        q->cbxField->setCurrentIndex(q->cbxField->findText(QString::fromStdString(r.field)));
        q->cbxFactor->setCurrentIndex(q->cbxFactor->findText(QString::fromStdString(r.op)));
        q->editValue->setText(QString::fromStdString(r.value));
        q->btnAddLogic->click();
      }
      d->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    });
  }

  test::SettingsDir settings;
  test::ScriptedUi ui;
  MemTable t{"cdsSpda"};
  TAdvDBGridEh grid;
};

TEST_F(GridDialogs, FilterConfirmedReopensWithItsRowsAndCancelChangesNothing) {
  Build({F("商品名称", "部分等于", "苹果"), F("销售单价", "大于", "6")}, "btnOK");
  EXPECT_TRUE(grid.FilterDialog("商品标价签打印", false, ""));
  EXPECT_EQ(t.Filter(), "( f_Spmc LIKE '%苹果%' ) And ( f_Xsdj > 6 )");
  EXPECT_TRUE(t.Filtered());
  EXPECT_EQ(Codes(), "003 ");
  const ExpressionList confirmed = grid.FilterExpressions();
  EXPECT_EQ(confirmed.size(), 3u);

  ExpressionList shown;
  Build({F("商品编码", "等于", "004")}, "btnExit", &shown);
  EXPECT_FALSE(grid.FilterDialog("商品标价签打印", false, ""));
  EXPECT_EQ(shown, confirmed) << "the dialog reopens with the rows confirmed last";
  EXPECT_EQ(grid.FilterExpressions(), confirmed);
  EXPECT_EQ(t.Filter(), "( f_Spmc LIKE '%苹果%' ) And ( f_Xsdj > 6 )");
  EXPECT_EQ(Codes(), "003 ");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(GridDialogs, ExclusionsLeaveOutTheMatchingRecordsByValue) {
  Build({F("商品名称", "部分不等于", "菠萝")}, "btnOK");
  ASSERT_TRUE(grid.FilterDialog("", false, ""));
  EXPECT_EQ(t.Filter(), "( f_Spmc<>'temp@temp@temp' )") << "a pattern that matches nothing adds nothing";
  EXPECT_EQ(Codes(), "001 002 003 004 ");

  grid.FilterExpressions().clear();
  Build({F("商品名称", "部分不等于", "梨")}, "btnOK");
  ASSERT_TRUE(grid.FilterDialog("", false, ""));
  EXPECT_EQ(t.Filter(), "( f_Spmc<>'temp@temp@temp' ) and (f_Spmc<>'O''Brien 香梨')");
  EXPECT_EQ(Codes(), "001 003 004 ");
  EXPECT_EQ(t.RecNo(), 1);
}

TEST_F(GridDialogs, FilterErrorsAreReportedAndKeepTheOldFilter) {
  t.SetFilter("f_Xsdj > 3");
  t.SetFiltered(true);
  settings.Write("[ColorOption]\ncolorstyle=1\nbackcolor=blue\n");
  EXPECT_FALSE(grid.FilterDialog("", false, ""));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, U("错误"));
  EXPECT_EQ(ui.messages[0].icon, ui::Icon::Error);
  EXPECT_TRUE(ui.messages[0].text.contains("backcolor"));
  EXPECT_EQ(ui.dialogsRun, 0);
  EXPECT_EQ(t.Filter(), "f_Xsdj > 3");
  EXPECT_EQ(Codes(), "001 002 003 ");
}

TEST_F(GridDialogs, QueryReturnsTheConditionAndKeepsItsRows) {
  std::string condition = "stale";
  Build({}, "btnOK");
  EXPECT_TRUE(grid.QueryDialog(condition, "标价签打印查询", " da,tm", "", ""));
  EXPECT_EQ(condition, "") << "confirmed without rows";

  Build({F("商品名称", "等于", "O'Brien")}, "btnOK");
  EXPECT_TRUE(grid.QueryDialog(condition, "标价签打印查询", " da,tm", "", ""));
  EXPECT_EQ(condition, "(  f_Spmc = 'O''Brien' )") << "quote doubled; the blank of alias item 0 kept";

  condition = "stale";
  ExpressionList shown;
  Build({}, "btnExit", &shown);
  EXPECT_FALSE(grid.QueryDialog(condition, "标价签打印查询", " da,tm", "", ""));
  EXPECT_EQ(condition, "");
  EXPECT_EQ(shown, (ExpressionList{F("商品名称", "等于", "O'Brien")}));
  EXPECT_EQ(grid.QueryExpressions(), shown);
  EXPECT_EQ(t.Filter(), "") << "the query form never touches the table";

  settings.Write("[ColorOption]\ncolorstyle=x\n");
  EXPECT_THROW(grid.QueryDialog(condition, "", "", "", ""), ModuleError) << "reported by the opener";
}

// ---------------------------------------------------------------- field chooser

class FieldChooser : public GridDialogs {
 protected:
  FieldChooser() {
    grid.AddColumn("f_Spbm");
    grid.AddColumn("f_Spmc")->SetVisible(false);
    grid.AddColumn("f_Xsdj")->SetTag(1);
  }
  // Ticks the items as given (by caption) and presses the button; records what was offered.
  void Choose(std::vector<std::pair<const char*, bool>> ticks, const char* button, QStringList* offered = nullptr,
              QString* title = nullptr) {
    ui.Then([=](QDialog* d) {
      auto* list = d->findChild<QListWidget*>("ltvChoose");
      if (title) *title = d->windowTitle();
      for (int i = 0; offered && i < list->count(); ++i)
        *offered << list->item(i)->text() + (list->item(i)->checkState() == Qt::Checked ? "+" : "-");
      for (auto [caption, on] : ticks)
        list->findItems(U(caption), Qt::MatchExactly).front()->setCheckState(on ? Qt::Checked : Qt::Unchecked);
      d->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    });
  }
};

TEST_F(FieldChooser, OffersTagZeroColumnsWithTheirVisibility) {
  QStringList offered;
  QString title;
  Choose({{"商品名称", true}}, "btnok", &offered, &title);
  grid.ChooseColumns();
  EXPECT_EQ(title, U("选择项目"));
  EXPECT_EQ(offered, (QStringList{U("商品编码+"), U("商品名称-")}));
  EXPECT_TRUE(grid.Column(1)->Visible());
  EXPECT_FALSE(grid.isColumnHidden(1));

  Choose({{"商品编码", false}}, "btncancel");
  grid.ChooseColumns();
  EXPECT_TRUE(grid.Column(0)->Visible());
}

TEST_F(FieldChooser, RefusesNoMoreTickedColumnsThanFrozenOnes) {
  struct Case {
    int frozen;
    std::vector<std::pair<const char*, bool>> ticks;
    bool refused;
  } cases[] = {
      {1, {{"商品编码", true}, {"商品名称", false}}, true},
      {1, {{"商品编码", true}, {"商品名称", true}}, false},
      {0, {{"商品编码", false}, {"商品名称", false}}, true},
  };
  for (const Case& c : cases) {
    grid.SetFrozenCols(c.frozen);
    grid.Column(0)->SetVisible(true);
    grid.Column(1)->SetVisible(false);
    ui.messages.clear();
    int result = -1;
    ui.Then([&](QDialog* d) {
      auto* list = d->findChild<QListWidget*>("ltvChoose");
      for (auto [caption, on] : c.ticks)
        list->findItems(U(caption), Qt::MatchExactly).front()->setCheckState(on ? Qt::Checked : Qt::Unchecked);
      d->findChild<QPushButton*>("btnok")->click();
      result = d->isVisible() ? 0 : d->result();
    });
    grid.ChooseColumns();
    if (c.refused) {
      ASSERT_EQ(ui.messages.size(), 1u);
      EXPECT_EQ(ui.messages[0].text, U("所选列数必须大于固定列数!"));
      EXPECT_EQ(ui.messages[0].caption, U("警告"));
      EXPECT_EQ(ui.messages[0].icon, ui::Icon::Warning);
      EXPECT_EQ(result, 0) << "stays open";
      EXPECT_FALSE(grid.Column(1)->Visible());
      EXPECT_TRUE(grid.Column(0)->Visible());
    } else {
      EXPECT_TRUE(ui.messages.empty());
      EXPECT_EQ(result, 6);
      EXPECT_TRUE(grid.Column(1)->Visible());
    }
  }
}

TEST_F(FieldChooser, TicksAllOrNone) {
  QStringList after;
  ui.Then([&](QDialog* d) {
    auto* c = qobject_cast<TFrmChooseDBFields*>(d);
    c->btnAll->click();
    for (int i = 0; i < c->ltvChoose->count(); ++i) after << (c->ltvChoose->item(i)->checkState() == Qt::Checked ? "+" : "-");
    c->btnno->click();
    for (int i = 0; i < c->ltvChoose->count(); ++i) after << (c->ltvChoose->item(i)->checkState() == Qt::Checked ? "+" : "-");
    c->btncancel->click();
    EXPECT_EQ(c->result(), 2);
  });
  grid.ChooseColumns();
  EXPECT_EQ(after, (QStringList{"+", "+", "-", "-"}));
}

}  // namespace
}  // namespace pt
