// The designer's real window driven offscreen as a shop's staff would drive it: fields dropped
// from the field list, objects moved with the mouse and the keys, properties set in the panel,
// the template saved to a seeded database and printed from the module's main window.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QFontComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QWheelEvent>

#include "designer/DesignCanvas.h"
#include "designer/PropertyPanel.h"
#include "designer/UnitBqsj.h"
#include "designer/UnitMbxz.h"
#include "designer/UnitYmsz.h"
#include "hostapp/TemplateStore.h"
#include "printing/PrintRecord.h"
#include "report_engine/ReportPreview.h"
#include "report_engine/StoredTemplate.h"
#include "tests/queue/MainWindowFixture.h"
#include "tests/designer/DesignerTestSupport.h"
#include "tests/queue/SeededHost.h"

namespace pt::test {
namespace {

using designer::DesignCanvas;
using designer::ObjectKind;
using designer::ObjectRef;
using designer::TFrmBqsj;

class DesignerWindow : public MainWindowFixture, public ::testing::WithParamInterface<Backend> {
 protected:
  // One seeded database per back end, shared by the suite's tests as a shop's database is.
  static void SetUpTestSuite() { masters_ = new SeededMasters(60, "01", "20240315"); }
  static void TearDownTestSuite() {
    delete masters_;
    masters_ = nullptr;
  }
  const SeededDatabaseFile& File() const { return masters_->For(GetParam()); }
  void SetUp() override {
    db_ = std::make_unique<hostapp::HostDatabase>(File().path(), hostapp::ServerClock::Pinned(File().serverDate()));
    designer_ = std::make_unique<TFrmBqsj>(db_.get());
    designer_->show();
  }
  void TearDown() override {
    designer_->Editor().MarkSaved();  // closing asks nothing
    designer_.reset();
    MainWindowFixture::TearDown();  // the module's window goes before the data service it holds
    host_.reset();
  }

  DesignCanvas* Canvas() const { return designer_->panCanvas; }
  const designer::TemplateDocument& Doc() const { return designer_->Editor().Document(); }

  // Drags a field list entry onto the label at (x, y) millimetres, as the mouse would.
  void Drop(const std::string& field, double x, double y, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTreeWidgetItem* item = designer_->tvFields->Find(field);
    ASSERT_NE(item, nullptr) << field;
    std::unique_ptr<QMimeData> data(designer_->tvFields->mimeData({item}));
    ASSERT_NE(data, nullptr);
    const QPointF at = Canvas()->ToView(Doc().MasterBand(), x, y);
    QWidget* viewport = Canvas()->viewport();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data.get(), Qt::LeftButton, mods);
    QCoreApplication::sendEvent(viewport, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, data.get(), Qt::LeftButton, mods);
    QCoreApplication::sendEvent(viewport, &move);
    QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, mods);
    QCoreApplication::sendEvent(viewport, &drop);
  }

  void Mouse(QEvent::Type type, const QPointF& at, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* viewport = Canvas()->viewport();
    QMouseEvent e(type, at, viewport->mapToGlobal(at), Qt::LeftButton, buttons, mods);
    QCoreApplication::sendEvent(viewport, &e);
  }
  // Presses on a point of the label and drags by (dx, dy) millimetres.
  void Drag(const QPointF& from, double dxMm, double dyMm, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const double k = Canvas()->PxPerMm();
    Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, mods);
    for (int step = 1; step <= 4; ++step)
      Mouse(QEvent::MouseMove, from + QPointF(dxMm * k * step / 4, dyMm * k * step / 4), Qt::LeftButton, mods);
    Mouse(QEvent::MouseButtonRelease, from + QPointF(dxMm * k, dyMm * k), Qt::NoButton, mods);
  }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(Canvas(), static_cast<Qt::Key>(key), mods); }

  std::vector<std::string> Messages() const { return MessageTexts(); }

  static SeededMasters* masters_;
  std::unique_ptr<hostapp::HostDatabase> db_;
  std::unique_ptr<TFrmBqsj> designer_;
  std::unique_ptr<SeededHost> host_;
  QTemporaryDir dir_;
};

SeededMasters* DesignerWindow::masters_ = nullptr;

std::string PdfText(const QString& pdf) {
  QProcess p;
  p.start("pdftotext", {"-layout", pdf, "-"});
  p.waitForFinished(30000);
  return QString::fromUtf8(p.readAllStandardOutput()).toStdString();
}

TEST_P(DesignerWindow, ANewLabelMadeWithTheMouseIsSavedAndTheMainWindowPrintsIt) {
  EXPECT_EQ(designer_->objectName(), "TFrmBqsj");
  designer_->NNew->trigger();
  Drop("f_Spmc", 2, 2);
  Drop("f_Sptm", 2, 12);
  Drop("f_Xsdj", 40, 2);
  ASSERT_EQ(Doc().ObjectCount(0), 3);
  EXPECT_EQ(Doc().Kind({0, 0}), ObjectKind::Text);
  EXPECT_EQ(Doc().Kind({0, 1}), ObjectKind::Barcode);
  EXPECT_EQ(Doc().Object({0, 1})["symbology"], "EAN13");

  // The price stays selected after its drop: its font is set in the property panel.
  designer::PropertyPanel* panel = designer_->panProperties;
  ASSERT_EQ(designer_->Editor().Selection(), (std::vector<ObjectRef>{{0, 2}}));
  panel->cboFontFamily->setCurrentFont(QFont("WenQuanYi Zen Hei"));
  panel->spnFontSize->setValue(16);
  panel->chkBold->setChecked(true);
  panel->spnHeight->setValue(9);
  EXPECT_EQ(Doc().Object({0, 2})["font"].dump(), R"({"family":"WenQuanYi Zen Hei","size":16,"bold":true})");
  EXPECT_EQ(Doc().Object({0, 2})["format"], "0.00");

  // The live preview shows the products of the database with the label as it stands.
  designer_->UpdatePreview();
  EXPECT_EQ(designer_->Preview().pages.size(), static_cast<size_t>(designer_->PreviewRecords().RecordCount()));
  EXPECT_TRUE(designer_->Problems().empty()) << designer::DescribeProblems(designer_->Problems());

  ui_.Then([](QDialog* d) {
    auto* chooser = qobject_cast<designer::TFrmMbxz*>(d);
    ASSERT_NE(chooser, nullptr);
    // The list taking the focus makes its first row current: the new label's name stays offered.
    chooser->lvTemplates->setCurrentItem(chooser->lvTemplates->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
    EXPECT_EQ(chooser->edtName->text(), QString::fromUtf8("新标价签"));
    chooser->lvTemplates->setCurrentItem(chooser->lvTemplates->topLevelItem(1));  // a row picked gives its name
    EXPECT_EQ(chooser->edtName->text(), chooser->lvTemplates->topLevelItem(1)->text(1));
    chooser->edtName->setText(QString::fromUtf8("设计器标签"));
    chooser->btnOK->click();
  });
  designer_->NSaveDb->trigger();
  ASSERT_TRUE(ui_.messages.empty()) << Messages()[0];
  EXPECT_FALSE(designer_->Editor().Modified());
  hostapp::TemplateStore store(*db_);
  EXPECT_EQ(store.Load("设计器标签"), Doc().Serialize());
  EXPECT_EQ(Doc().Name(), "设计器标签");

  // The module's main window, opened afresh, offers the template and prints with it.
  host_ = std::make_unique<SeededHost>(File());
  TFrmspbqdy* w = Open(host_->service);
  ASSERT_NE(w, nullptr);
  const int position = w->cboTemplate->findText(QString::fromUtf8("设计器标签"));
  ASSERT_GE(position, 0);
  w->cboTemplate->setCurrentIndex(position);
  const MemTable& samples = designer_->PreviewRecords();
  std::vector<std::string> codes;
  for (int i = 0; i < 3; ++i) codes.push_back(samples.CellAt(i, samples.FieldIndex("f_Spbm")).ToText());
  for (const std::string& code : codes) {
    Type(QString::fromStdString(code));
    Enter();
  }
  ASSERT_TRUE(ui_.messages.empty()) << Messages()[0];
  const QString pdf = dir_.path() + "/designed.pdf";
  PrintQueueToPdf(pdf);
  const std::string text = PdfText(pdf);
  // The print records the pass made from the queue, made again, say what to find.
  MemTable records("cdsPrint");
  printing::DefinePrintFields(records);
  records.CreateDataSet();
  bool detail = true;
  std::string failure;
  ASSERT_TRUE(printing::FillPrintRecords(w->cdsSpda, records, w->PeriodChoice, detail, failure));
  ASSERT_GE(records.RecordCount(), 3);
  for (int i = 0; i < records.RecordCount(); ++i) {
    const std::string name = records.CellAt(i, records.FieldIndex("f_Spmc")).ToText();
    const std::string price = records.DisplayTextAt(i, records.FieldIndex("f_Xsdj"));
    const std::string barcode = records.CellAt(i, records.FieldIndex("f_Sptm")).ToText();
    EXPECT_NE(text.find(name), std::string::npos) << name << "\n" << text;
    EXPECT_NE(text.find(FormatFloat("0.00", std::stod(price.empty() ? "0" : price))), std::string::npos) << price;
    EXPECT_NE(text.find(barcode.substr(1, 6)), std::string::npos) << barcode;
  }
}

TEST_P(DesignerWindow, MouseKeysAndMenusEditAndUndoRedoReturnTheExactJson) {
  designer_->NNew->trigger();
  std::vector<std::string> states{Doc().Serialize()};
  auto record = [&] { states.push_back(Doc().Serialize()); };
  Drop("f_Spmc", 2, 2);
  record();
  Drop("f_Spbm", 2, 20);
  record();
  Drop("f_Sptm", 10, 30, Qt::ControlModifier);  // Ctrl makes the barcode field a text
  EXPECT_EQ(Doc().Kind({0, 2}), ObjectKind::Text);
  record();

  // Drag the first text 5.3 mm right and 3 mm down: it snaps to the 1 mm grid.
  designer_->Editor().Select({});
  Drag(Canvas()->ObjectRect({0, 0}).center(), 5.3, 3);
  EXPECT_DOUBLE_EQ(Doc().Box({0, 0}).x, 7);
  EXPECT_DOUBLE_EQ(Doc().Box({0, 0}).y, 5);
  record();
  // Its bottom-right handle makes it larger.
  const QPointF corner = Canvas()->ObjectRect({0, 0}).bottomRight();
  Drag(corner, 4, 2);
  EXPECT_DOUBLE_EQ(Doc().Box({0, 0}).width, 39);
  EXPECT_DOUBLE_EQ(Doc().Box({0, 0}).height, 8);
  record();
  // Arrow keys move (three presses, one step), Shift with an arrow resizes.
  Key(Qt::Key_Left);
  Key(Qt::Key_Left);
  Key(Qt::Key_Left);
  EXPECT_DOUBLE_EQ(Doc().Box({0, 0}).x, 4);
  record();
  Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_DOUBLE_EQ(Doc().Box({0, 0}).height, 9);
  record();
  // A rubber band from the label's top-left corner takes the two texts it covers wholly.
  const QPointF origin = Canvas()->ToView(0, 0.5, 0.5);
  Mouse(QEvent::MouseButtonPress, origin, Qt::LeftButton);
  Mouse(QEvent::MouseMove, Canvas()->ToView(0, 59, 28), Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, Canvas()->ToView(0, 59, 28), Qt::NoButton);
  EXPECT_EQ(designer_->Editor().Selection(), (std::vector<ObjectRef>{{0, 0}, {0, 1}}));
  designer_->NAlignLeft->trigger();
  EXPECT_DOUBLE_EQ(Doc().Box({0, 1}).x, 2);
  record();
  designer_->NCopy->trigger();
  designer_->NPaste->trigger();
  EXPECT_EQ(Doc().ObjectCount(0), 5);
  record();
  Key(Qt::Key_Delete);
  EXPECT_EQ(Doc().ObjectCount(0), 3);
  record();
  designer_->panProperties->edtTemplateName->setText(QString::fromUtf8("改名"));
  emit designer_->panProperties->edtTemplateName->editingFinished();
  record();

  for (size_t i = states.size() - 1; i > 0; --i) {
    ASSERT_TRUE(designer_->NUndo->isEnabled());
    designer_->NUndo->trigger();
    ASSERT_EQ(Doc().Serialize(), states[i - 1]) << "undo to " << i - 1;
  }
  EXPECT_FALSE(designer_->NUndo->isEnabled());
  for (size_t i = 1; i < states.size(); ++i) {
    designer_->NRedo->trigger();
    ASSERT_EQ(Doc().Serialize(), states[i]) << "redo to " << i;
  }
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_P(DesignerWindow, DamagedTemplatesOpenWithAClearMessageAndNothingIsOverwritten) {
  ASSERT_TRUE(designer_->OpenFromDatabase(QString::fromUtf8("普通标价签")));
  const std::string shown = Doc().Serialize();
  const QString damaged = QString::fromStdString(DataDir() + "/report_damaged.json");
  EXPECT_FALSE(designer_->OpenFile(damaged));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, QString::fromUtf8("模板文件“") + damaged +
                                      QString::fromUtf8("”无法读取：\n报表模板已损坏，无法读取（第 1 行第 94 列）"));
  EXPECT_EQ(ui_.messages[0].caption, QString::fromUtf8("错误"));
  EXPECT_EQ(Doc().Serialize(), shown);

  // A damaged row in the database: reported, and no row is written.
  hostapp::HostDatabase writer(File().path());
  const std::string good = hostapp::TemplateStore(writer).Load("促销标价签");
  hostapp::Statement(writer, "UPDATE tbbbmb SET f_ReportInfo=?1 WHERE f_Reportname='促销标价签'")
      .Bind(1, report::EncodeStoredTemplate(good.substr(0, 120)))
      .Run();
  EXPECT_FALSE(designer_->OpenFromDatabase(QString::fromUtf8("促销标价签")));
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_TRUE(ui_.messages[1].text.startsWith(QString::fromUtf8("数据库中的模板“促销标价签”无法读取：\n报表模板已损坏，无法读取（第 ")))
      << ui_.messages[1].text.toStdString();
  EXPECT_EQ(Doc().Serialize(), shown);
  hostapp::TemplateStore(writer).Save("促销标价签", good);

  // A picture file that is not a picture changes nothing either.
  const QString notPicture = dir_.path() + "/not-a-picture.png";
  WriteBytes(notPicture.toStdString(), "plain text");
  ui_.openFileAnswers.push_back(notPicture);
  designer_->NAddPicture->trigger();
  ASSERT_EQ(ui_.messages.size(), 3u);
  EXPECT_TRUE(ui_.messages[2].text.startsWith(QString::fromUtf8("图片文件无法读取：") + notPicture));
  EXPECT_EQ(Doc().Serialize(), shown);
}

TEST_P(DesignerWindow, SavingAsksAboutProblemsAndAboutReplacingAnotherTemplate) {
  designer_->NNew->trigger();
  Drop("f_Spmc", 50, 35);  // hangs over the label's edge
  designer_->UpdatePreview();
  ASSERT_EQ(designer_->Problems().size(), 1u);
  EXPECT_EQ(designer_->lvProblems->topLevelItemCount(), 1);

  const QString path = dir_.path() + "/label.json";
  ui_.saveFileAnswers.push_back(path);
  ui_.messageAnswers.push_back(ui::kResultNo);
  designer_->NSaveFile->trigger();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_TRUE(ui_.messages[0].text.endsWith(QString::fromUtf8("仍要保存吗？")));
  EXPECT_TRUE(ui_.messages[0].text.contains(QString::fromUtf8("超出标签范围")));
  EXPECT_FALSE(QFile::exists(path));
  ui_.saveFileAnswers.push_back(path);
  ui_.messageAnswers.push_back(ui::kResultYes);
  designer_->NSaveFile->trigger();
  EXPECT_EQ(ReadBytes(path.toStdString()), Doc().Serialize());
  EXPECT_FALSE(designer_->Editor().Modified());

  // Saving under the name of another template asks first; No leaves that row alone.
  hostapp::HostDatabase reader(File().path());
  const std::string before = hostapp::TemplateStore(reader).Load("普通标价签");
  ui_.messageAnswers.push_back(ui::kResultNo);
  EXPECT_FALSE(designer_->SaveToDatabase(QString::fromUtf8("普通标价签")));
  EXPECT_EQ(ui_.messages.back().text, QString::fromUtf8("数据库中已有模板“普通标价签”，是否替换？"));
  EXPECT_EQ(hostapp::TemplateStore(reader).Load("普通标价签"), before);
}

TEST_P(DesignerWindow, PageSetupMakesASheetAndThePreviewFollows) {
  ASSERT_TRUE(designer_->OpenFromDatabase(QString::fromUtf8("普通标价签")));
  bool refused = false;
  ui_.Then([&](QDialog* d) {
    auto* setup = qobject_cast<designer::TFrmYmsz*>(d);
    ASSERT_NE(setup, nullptr);
    setup->cboKind->setCurrentIndex(1);
    setup->cboPaper->setCurrentIndex(0);
    emit setup->cboPaper->activated(0);
    setup->spnColumns->setValue(3);  // 3 × 80 mm do not fit A4
    refused = !setup->btnOK->isEnabled() && setup->lblFit->text().contains(QString::fromUtf8("超出了纸张宽度"));
    setup->spnColumns->setValue(2);
    setup->spnRows->setValue(5);
    setup->spnColumnGap->setValue(4);
    EXPECT_EQ(setup->Layout().cells.size(), 10u);
    setup->btnOK->click();
  });
  designer_->NPageSetup->trigger();
  EXPECT_TRUE(refused);
  const designer::PageSetup page = Doc().Page();
  EXPECT_FALSE(page.roll);
  EXPECT_EQ(page.columns, 2);
  EXPECT_DOUBLE_EQ(page.paperWidth, 210);
  designer_->edtCodes->clear();
  designer_->btnFirstRows->click();
  const int records = designer_->PreviewRecords().RecordCount();
  EXPECT_EQ(static_cast<int>(designer_->Preview().pages.size()), (records + 9) / 10);

  // Codes typed in the preview: the products found, and the ones not found named.
  const std::string code = designer_->PreviewRecords().CellAt(0, designer_->PreviewRecords().FieldIndex("f_Spbm")).ToText();
  designer_->edtCodes->setText(QString::fromStdString(code + " NOPE9"));
  designer_->btnLoadCodes->click();
  EXPECT_GE(designer_->PreviewRecords().RecordCount(), 1);
  EXPECT_TRUE(designer_->lblPreviewInfo->text().contains(QString::fromUtf8("没有找到：NOPE9")));
}

// The wheel over the property panel scrolls it; a box the pointer happens to cross keeps its value.
TEST_P(DesignerWindow, TheWheelOverThePanelChangesNoProperty) {
  designer_->NNew->trigger();
  Drop("f_Spmc", 2, 2);
  const std::string before = Doc().Serialize();
  designer::PropertyPanel* panel = designer_->panProperties;
  for (QWidget* box : std::vector<QWidget*>{panel->spnHeight, panel->cboAlign, panel->spnFontSize}) {
    const QPointF at = QRectF(box->rect()).center();
    QWheelEvent wheel(at, box->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &wheel);
    EXPECT_EQ(Doc().Serialize(), before) << box->objectName().toStdString();
  }
}

// Every control a user works is found by its name, in the house's style.
TEST_P(DesignerWindow, EveryControlHasItsName) {
  std::vector<std::string> unnamed;
  for (QWidget* w : designer_->findChildren<QWidget*>()) {
    const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                         qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                         qobject_cast<QAbstractItemView*>(w);
    // Parts Qt makes inside a control (a spin box's edit, a combo box's list) are the control's own.
    bool part = w->objectName().startsWith("qt_");
    for (QObject* up = w->parent(); up && !part; up = up->parent())
      part = qobject_cast<QComboBox*>(up) || qobject_cast<QAbstractSpinBox*>(up) || qobject_cast<QAbstractItemView*>(up);
    if (control && !part && w->objectName().isEmpty()) unnamed.push_back(w->metaObject()->className());
  }
  EXPECT_TRUE(unnamed.empty()) << unnamed.size() << " unnamed, the first a " << unnamed[0];
  for (QAction* a : designer_->findChildren<QAction*>()) {
    if (!a->menu() && !a->isSeparator() && a->parent() == designer_.get()) {
      EXPECT_TRUE(a->objectName().startsWith("N")) << a->text().toStdString();
    }
  }
}

PT_INSTANTIATE_BACKENDS(DesignerWindow);

}  // namespace
}  // namespace pt::test
