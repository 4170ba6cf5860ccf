#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "common/MemTable.h"
#include "dialogs/FlatControls.h"
#include "dialogs/UnitQuerySet.h"
#include "tests/widgets/ScriptedUi.h"
#include "tests/widgets/SettingsDir.h"

namespace pt {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }
ExpressionRow F(const char* f, const char* op, const char* v) { return ExpressionRow::Field(f, op, v); }
ExpressionRow L(const char* w) { return ExpressionRow::Logic(w); }

class QueryBuilder : public ::testing::Test {
 protected:
  QueryBuilder() {
    FieldDef code;
    code.name = "f_Spbm";
    code.label = "商品编码";
    code.tag = 1;
    src.AddField(code);
    src.AddField("f_Spmc", FieldType::Text, 60, "商品名称");
    src.AddField("f_Xsdj", FieldType::Float, 0, "销售单价");
    FieldDef hidden;
    hidden.name = "f_Spcd";
    hidden.label = "商品产地";
    hidden.visible = false;
    src.AddField(hidden);
    src.CreateDataSet();
  }

  std::unique_ptr<TFrmQuerySet> Open(bool filter, const ExpressionList& initial = {}) {
    auto q = filter ? TFrmQuerySet::CreateForFilter(nullptr, "", "", "ignored", &initial, false)
                    : TFrmQuerySet::CreateForQuery(nullptr, "", " da,tm", "help", "", &initial);
    q->SetSourceDataSet(&src);
    q->show();
    return q;
  }

  // Picks the field, operator and value and presses Enter in the value box.
  static void Enter(TFrmQuerySet* q, const char* field, const char* op, const char* value) {
    q->cbxField->setCurrentIndex(q->cbxField->findText(U(field)));
    q->cbxFactor->setCurrentIndex(q->cbxFactor->findText(U(op)));
    q->editValue->setText(U(value));
    QTest::keyClick(q->editValue, Qt::Key_Return);
  }

  // The next logic-word choice: records what was offered, picks `word` (or cancels with nullptr).
  void ChooseLogic(const char* word, QStringList* offered = nullptr) {
    ui.Then([=](QDialog* d) {
      EXPECT_EQ(d->objectName(), "FlatChoiceDialog");
      EXPECT_EQ(d->windowTitle(), U("选择框"));
      EXPECT_EQ(d->findChild<QLabel*>("Prompt")->text(), U("请选择一个逻辑关系："));
      auto* combo = d->findChild<QComboBox*>("Combo");
      if (offered)
        for (int i = 0; i < combo->count(); ++i) offered->push_back(combo->itemText(i));
      if (!word) {
        d->findChild<QPushButton*>("Cancel")->click();
        return;
      }
      combo->setCurrentIndex(combo->findText(U(word)));
      d->findChild<QPushButton*>("OK")->click();
    });
  }

  // The next flat message: records its text and presses the named button.
  void Answer(const char* button, QString* text = nullptr) {
    ui.Then([=](QDialog* d) {
      EXPECT_EQ(d->objectName(), "FlatMessageDialog");
      if (text) *text = d->findChild<QLabel*>("Message")->text();
      d->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    });
  }

  static void Select(TFrmQuerySet* q, int row) { q->lvwLogic->setCurrentItem(q->lvwLogic->topLevelItem(row)); }

  test::SettingsDir settings;
  test::ScriptedUi ui;
  MemTable src{"cdsSearch"};
};

TEST_F(QueryBuilder, BothFormsTakeTheirCaptionsAndOptions) {
  ExpressionList none;
  auto q = TFrmQuerySet::CreateForQuery(nullptr, "标价签打印查询", " da,tm", "\r\n特价类型", "f_Spbm = da.f_spbm ;x=y", nullptr);
  EXPECT_EQ(q->objectName(), "TFrmQuerySet");
  EXPECT_EQ(q->btnOK->text(), U("查  询(&O)"));
  EXPECT_EQ(q->gbxGoodsInfo->title(), U("标价签打印查询"));
  EXPECT_EQ(q->HelpText(), "字段名称值的要求:\r\n\r\n特价类型");
  EXPECT_EQ(q->FieldSubstitutions(), (std::vector<std::string>{"f_Spbm = da.f_spbm", "x=y"}));
  EXPECT_TRUE(q->VisibleFieldsOnly());
  EXPECT_EQ(q->FilterMode(), 0);
  EXPECT_EQ(q->LastLogicIsOr(), 0);

  auto f = TFrmQuerySet::CreateForFilter(nullptr, "  ", "", "preset", &none, false);
  EXPECT_EQ(f->btnOK->text(), U("过  滤(&O)"));
  EXPECT_EQ(f->gbxGoodsInfo->title(), U("查询过滤条件设置：")) << "a blank caption keeps the design caption";
  EXPECT_EQ(f->HelpText(), "字段名称值的要求:\r\n");
  EXPECT_TRUE(f->FieldSubstitutions().empty());
  EXPECT_FALSE(f->VisibleFieldsOnly());
  EXPECT_EQ(f->FilterMode(), 1);
  EXPECT_EQ(f->cbxFactor->count(), 9);
  EXPECT_EQ(f->cbxFactor->itemText(7), U("部分不等于"));
}

TEST_F(QueryBuilder, OffersVisibleFieldsOnlyWhenAsked) {
  auto q = Open(false);
  QStringList offered;
  for (int i = 0; i < q->cbxField->count(); ++i) offered << q->cbxField->itemText(i);
  EXPECT_EQ(offered, (QStringList{U("商品编码"), U("商品名称"), U("销售单价")}));
  auto f = Open(true);
  EXPECT_EQ(f->cbxField->count(), 4);
  f->editValue->setText("x");
  f->cbxField->setCurrentIndex(2);
  EXPECT_TRUE(f->editValue->text().isEmpty()) << "a new field empties the value";
}

TEST_F(QueryBuilder, AddsFieldAndLogicRowsOfferingTheLastWordFirst) {
  auto q = Open(false);
  Enter(q.get(), "商品编码", "等于", "42");
  EXPECT_EQ(ui.dialogsRun, 0) << "the first expression needs no logic word";
  QStringList first, second;
  ChooseLogic("或者", &first);
  Enter(q.get(), "商品名称", "部分等于", "苹果");
  ChooseLogic("并且", &second);
  Enter(q.get(), "销售单价", "大于", " ");  // blanks are a value
  EXPECT_EQ(first, (QStringList{U("并且"), U("或者")}));
  EXPECT_EQ(second, (QStringList{U("或者"), U("并且")}));
  EXPECT_EQ(q->LastLogicIsOr(), 0);
  EXPECT_EQ(q->Expressions(), (ExpressionList{F("商品编码", "等于", "42"), L("或者"), F("商品名称", "部分等于", "苹果"),
                                              L("并且"), F("销售单价", "大于", " ")}));
  EXPECT_EQ(q->editValue->text(), U(" ")) << "the input keeps its contents";
  EXPECT_TRUE(q->isVisible());
}

TEST_F(QueryBuilder, RefusesEmptyValuesCancelledWordsAndDuplicates) {
  auto q = Open(false, {F("商品编码", "等于", "1"), L("并且"), F("商品名称", "等于", "a")});
  QString text;
  Answer("OK", &text);
  Enter(q.get(), "商品编码", "等于", "");
  EXPECT_EQ(text, U("请输入一个值。"));

  ChooseLogic(nullptr);
  Enter(q.get(), "商品编码", "等于", "2");
  EXPECT_EQ(q->Expressions().size(), 3u) << "a cancelled logic word adds nothing";

  Answer("OK", &text);
  Enter(q.get(), "商品编码", "等于", "1");
  EXPECT_EQ(text, U("该逻辑表达式已经存在。"));
  EXPECT_EQ(q->Expressions().size(), 3u);

  // The same expression as the last row confirms the dialog (a second Enter).
  Enter(q.get(), "商品名称", "等于", "a");
  EXPECT_FALSE(q->isVisible());
  EXPECT_EQ(q->result(), 1);
  EXPECT_EQ(q->ConditionText(), "(  da.f_Spbm = '1' ) And (  f_Spmc = 'a' )");
}

TEST_F(QueryBuilder, ModifiesTheChosenFieldRowOnly) {
  auto q = Open(false, {F("商品编码", "等于", "1"), L("并且"), F("商品名称", "等于", "a")});
  QString text;
  Answer("OK", &text);
  q->mnuModifyField->trigger();
  EXPECT_EQ(text, U("请选择一个逻辑表达式。")) << "nothing selected";
  Select(q.get(), 1);
  Answer("OK", &text);
  q->mnuModifyField->trigger();
  EXPECT_EQ(text, U("请选择一个逻辑表达式。")) << "a logic row";

  Select(q.get(), 2);
  q->mnuModifyField->trigger();
  EXPECT_TRUE(q->btnAddLogic->isHidden());
  EXPECT_FALSE(q->btnModifyOK->isHidden());
  EXPECT_EQ(q->cbxField->currentText(), U("商品名称"));
  EXPECT_EQ(q->editValue->text(), U("a"));
  q->cbxFactor->setCurrentIndex(q->cbxFactor->findText(U("左等于")));
  q->editValue->setText("69");
  Select(q.get(), 0);  // the row being modified stays the target
  q->btnModifyOK->click();
  EXPECT_EQ(q->Expressions()[2], F("商品名称", "左等于", "69"));
  EXPECT_FALSE(q->btnAddLogic->isHidden());
  EXPECT_TRUE(q->btnModifyCancel->isHidden());

  Select(q.get(), 0);
  q->mnuModifyField->trigger();
  q->editValue->setText("changed");
  q->btnModifyCancel->click();
  EXPECT_EQ(q->Expressions()[0], F("商品编码", "等于", "1"));
}

TEST_F(QueryBuilder, DeleteAsksAndTakesTheNeighbouringRow) {
  const ExpressionList three{F("商品编码", "等于", "1"), L("并且"), F("商品名称", "等于", "a"), L("或者"),
                             F("销售单价", "大于", "5")};
  const char* askField = "您确认删除该逻辑表达式吗？";
  const char* askLogic = "删除该逻辑关系，将同时删除与之关联的逻辑表达式。\r\n您确认继续吗？";
  struct Case {
    int row;
    const char* answer;
    const char* question;
    ExpressionList left;
  } cases[] = {
      {0, "Yes", askField, {three[2], three[3], three[4]}},
      {2, "Yes", askField, {three[0], three[3], three[4]}},
      {3, "Yes", askLogic, {three[0], three[1], three[2]}},
      {2, "No", askField, three},
  };
  for (const Case& c : cases) {
    auto q = Open(false, three);
    Select(q.get(), c.row);
    QString text;
    Answer(c.answer, &text);
    q->mnuDelField->trigger();
    EXPECT_EQ(text, U(c.question)) << "row " << c.row;
    EXPECT_EQ(q->Expressions(), c.left) << "row " << c.row << " " << c.answer;
  }
  auto q = Open(false, three);
  QString text;
  Answer("OK", &text);
  q->mnuDelField->trigger();
  EXPECT_EQ(text, U("请选择一个逻辑表达式。"));
  q->btnClearLogic->click();
  EXPECT_TRUE(q->Expressions().empty());
}

TEST_F(QueryBuilder, PopupFitsTheRowAndChangesLogicWords) {
  auto q = Open(false, {F("商品编码", "等于", "1"), L("并且"), F("商品名称", "等于", "a")});
  q->pmnuSetFieldPopup();  // no selection: left as it was
  EXPECT_TRUE(q->mnuModifyField->isEnabled());
  EXPECT_TRUE(q->mnuModifyLogic->isEnabled());
  Select(q.get(), 1);
  q->pmnuSetFieldPopup();
  EXPECT_TRUE(q->mnuModifyLogic->isEnabled());
  EXPECT_FALSE(q->mnuModifyField->isEnabled());
  q->mnuLogicOR->trigger();
  EXPECT_EQ(q->Expressions()[1], L("或者"));
  q->mnuLogicAND->trigger();
  EXPECT_EQ(q->Expressions()[1], L("并且"));
  Select(q.get(), 2);
  q->pmnuSetFieldPopup();
  EXPECT_FALSE(q->mnuModifyLogic->isEnabled());
  EXPECT_TRUE(q->mnuModifyField->isEnabled());
  q->mnuLogicOR->trigger();
  EXPECT_EQ(q->Expressions()[2], F("商品名称", "等于", "a")) << "a field row never takes a logic word";
}

TEST_F(QueryBuilder, KeysAndBoxes) {
  auto q = Open(true, {F("商品名称", "部分不等于", "69")});
  QString caption, prompt, value;
  ui.Then([&](QDialog* d) {
    caption = d->windowTitle();
    prompt = d->findChild<QLabel*>("Prompt")->text();
    value = d->findChild<QLineEdit*>("Edit")->text();
    d->findChild<QPushButton*>("OK")->click();
  });
  QTest::keyClick(q->cbxFactor, Qt::Key_F2, Qt::AltModifier);
  EXPECT_EQ(caption, U("测试信息"));
  EXPECT_EQ(prompt, U("查询语句"));
  EXPECT_EQ(value, U("( f_Spmc<>'temp@temp@temp' )"));
  EXPECT_EQ(q->ExcludePattern(), "f_Spmc LIKE '%69%'");
  EXPECT_EQ(q->ExcludeField(), "f_Spmc");

  QString help;
  Answer("OK", &help);
  q->btnHelp->click();
  EXPECT_EQ(help, U("字段名称值的要求:\r\n"));

  QTest::keyClick(q->editValue, Qt::Key_Escape);
  EXPECT_FALSE(q->isVisible());
  EXPECT_EQ(q->result(), 2);

  auto e = Open(false);
  e->btnExit->click();
  EXPECT_EQ(e->result(), 2);
}

}  // namespace
}  // namespace pt
