#include <QListWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "common/ModuleError.h"
#include "dialogs/ColorScheme.h"
#include "dialogs/FlatControls.h"
#include "dialogs/UnitChooseDBFields.h"
#include "dialogs/UnitQuerySet.h"
#include "tests/widgets/SettingsDir.h"

namespace pt {
namespace {

// A form with one widget of each kind the scheme looks at, in its design colours.
struct Form {
  QWidget form;
  TShape* shape = new TShape(&form);
  QListWidget* list = new QListWidget(&form);
  TLabel* faceLabel = new TLabel("a", &form);    // button face, green text
  TLabel* keptLabel = new TLabel("b", &form);    // 14084846, black text
  TLabel* backLabel = new TLabel("c", &form);    // dialog back colour
  TFlatButton* green = new TFlatButton("d", &form);
  TFlatButton* black = new TFlatButton("e", &form);
  Form() {
    faceLabel->SetFontColor(kClGreen);
    keptLabel->SetColor(14084846);
    backLabel->SetColor(kDialogBack);
    black->SetBorderColor(kClBlack);
    black->SetColorHighlight(kClBlack);
  }
  qint64 FormColor() const { return form.property("Color").isValid() ? form.property("Color").toLongLong() : -1; }
};

TEST(ColorScheme, StyleZeroOrMissingKeepsTheDesign) {
  for (const char* content : {"", "[ColorOption]\ncolorstyle=0\nbackcolor=255\n"}) {
    test::SettingsDir settings;
    settings.Write(content);
    Form f;
    ApplyColorScheme(&f.form);
    EXPECT_EQ(f.FormColor(), -1);
    EXPECT_EQ(f.shape->PenColor(), kClGreen);
    EXPECT_EQ(f.green->Color(), kClBtnFace);
    EXPECT_EQ(f.green->BorderColor(), kClGreen);
    EXPECT_EQ(f.backLabel->Color(), kDialogBack);
  }
}

TEST(ColorScheme, StyleOnRecoloursByKindWithTheDefaults) {
  test::SettingsDir settings;
  settings.Write("[ColorOption]\ncolorstyle=1\n");
  Form f;
  ApplyColorScheme(&f.form);
  EXPECT_EQ(f.FormColor(), 15528176);
  EXPECT_EQ(f.form.palette().color(QPalette::Window), WinColor(15528176));
  EXPECT_EQ(f.shape->PenColor(), 12349763);
  EXPECT_EQ(f.list->palette().color(QPalette::Base), WinColor(15528176));
  EXPECT_EQ(f.faceLabel->Color(), kClBtnFace) << "a button-face label keeps it";
  EXPECT_EQ(f.faceLabel->FontColor(), 12349763) << "green text takes the title colour";
  EXPECT_EQ(f.keptLabel->Color(), 14084846);
  EXPECT_EQ(f.keptLabel->FontColor(), kClBlack);
  EXPECT_EQ(f.backLabel->Color(), 15528176);
  EXPECT_EQ(f.green->Color(), 15528176);
  EXPECT_EQ(f.green->BorderColor(), 12349763);
  EXPECT_EQ(f.green->ColorHighlight(), 12349763);
  EXPECT_EQ(f.green->ColorFocused(), kClWhite);
  EXPECT_EQ(f.black->Color(), 15528176);
  EXPECT_EQ(f.black->BorderColor(), kClBlack) << "only green borders follow the line colour";
  EXPECT_EQ(f.black->ColorFocused(), kClBtnFace);
}

TEST(ColorScheme, OwnValuesAndTheDialogsThatUseThem) {
  test::SettingsDir settings;
  settings.Write("[ColorOption]\ncolorstyle=2\nbackcolor=255\nlinecolor=65280\ntitlecolor=16711680\n");
  auto q = TFrmQuerySet::CreateForFilter(nullptr, "", "", "", nullptr, true);
  EXPECT_EQ(q->property("Color").toLongLong(), 255);
  EXPECT_EQ(q->qorShapeList->PenColor(), 65280);
  EXPECT_EQ(q->qorShapevalue->BrushColor(), kClInfoBk) << "fills keep their colour";
  EXPECT_EQ(q->lblTemp->FontColor(), 16711680);
  EXPECT_EQ(q->btnOK->BorderColor(), 65280);
  EXPECT_EQ(q->lvwLogic->palette().color(QPalette::Base), QColor(255, 0, 0));
  TFrmChooseDBFields c;
  EXPECT_EQ(c.ltvChoose->palette().color(QPalette::Base), QColor(255, 0, 0));
  EXPECT_EQ(c.qorShape->PenColor(), 65280);
}

TEST(ColorScheme, AValueThatIsNotAnIntegerStopsTheDialog) {
  test::SettingsDir settings;
  settings.Write("[ColorOption]\ncolorstyle=1\nlinecolor=12a\n");
  try {
    ReadColorScheme();
    FAIL() << "no error";
  } catch (const ModuleError& e) {
    EXPECT_NE(std::string(e.what()).find("linecolor"), std::string::npos);
  }
  EXPECT_THROW(TFrmQuerySet::CreateForQuery(nullptr, "", "", "", "", nullptr), ModuleError);
  EXPECT_THROW(TFrmChooseDBFields(), ModuleError);
}

}  // namespace
}  // namespace pt
