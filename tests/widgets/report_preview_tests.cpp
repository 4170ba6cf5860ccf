// The preview window: opening a large report, zoom, navigation, find, save and open, exports.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "report_engine/PreparedFile.h"
#include "report_engine/ReportPreview.h"
#include "report_engine/ReportView.h"
#include "tests/widgets/report_support.h"

namespace pt::report {
namespace {

PreparedReport Sheet(int labels) {
  ReportEngine engine;
  engine.LoadTemplate(test::StockTemplate("a4-sheet-24.json"));
  engine.SetVariable("dj", "合格");
  RowsDataSource data = test::Labels(labels);
  return PrepareReport(engine, data);
}

void Show(TReportPreview& w) {
  w.show();
  QApplication::processEvents();
}

// How fast it opens is measured in bench/bench_report.cpp; here: that it paints only what shows.
TEST(ReportPreview, TenThousandLabelsPaintOnlyThePagesInSight) {
  PreparedReport report = Sheet(10000);
  ASSERT_EQ(report.pages.size(), 417u);
  TReportPreview w(report);
  Show(w);
  w.View()->viewport()->repaint();
  EXPECT_EQ(w.objectName(), "TReportPreview");
  EXPECT_EQ(w.lblPageCount->text(), QString::fromUtf8("/ 417 页"));
  EXPECT_EQ(w.spnPage->value(), 1);
  EXPECT_EQ(w.cboZoom->currentText(), "100%");  // the engine's default zoom
  EXPECT_LE(w.View()->PagesPainted(), 4);
  EXPECT_GE(w.View()->PagesPainted(), 1);
}

TEST(ReportPreview, NavigationAndZoom) {
  PreparedReport report = Sheet(24 * 5);
  TReportPreview w(report);
  Show(w);
  EXPECT_FALSE(w.btnPrior->isEnabled());
  QTest::mouseClick(w.btnNext, Qt::LeftButton);
  EXPECT_EQ(w.View()->CurrentPage(), 1);
  EXPECT_EQ(w.spnPage->value(), 2);
  QTest::mouseClick(w.btnLast, Qt::LeftButton);
  EXPECT_EQ(w.View()->CurrentPage(), 4);
  EXPECT_FALSE(w.btnNext->isEnabled());
  w.spnPage->setValue(3);
  EXPECT_EQ(w.View()->CurrentPage(), 2);
  QTest::mouseClick(w.btnFirst, Qt::LeftButton);
  EXPECT_EQ(w.View()->CurrentPage(), 0);

  QTest::mouseClick(w.btnZoomIn, Qt::LeftButton);
  EXPECT_DOUBLE_EQ(w.View()->Zoom(), 1.25);
  EXPECT_EQ(w.cboZoom->currentText(), "125%");
  QTest::mouseClick(w.btnZoomOut, Qt::LeftButton);
  QTest::mouseClick(w.btnZoomOut, Qt::LeftButton);
  EXPECT_DOUBLE_EQ(w.View()->Zoom(), 0.75);
  QTest::mouseClick(w.btnFitWidth, Qt::LeftButton);
  const QRect page = w.View()->PageRect(0);
  EXPECT_NEAR(page.width(), w.View()->viewport()->width() - 24, 2);
  QTest::mouseClick(w.btnWholePage, Qt::LeftButton);
  const QRect whole = w.View()->PageRect(w.View()->CurrentPage());
  EXPECT_LE(whole.height(), w.View()->viewport()->height());
  EXPECT_LE(whole.width(), w.View()->viewport()->width());
}

TEST(ReportPreview, FindMovesToTheNextMatchAndSaysWhenThereIsNone) {
  test::ReportUi ui;
  PreparedReport report = Sheet(60);
  TReportPreview w(report);
  Show(w);
  EXPECT_TRUE(w.FindNext(QString::fromUtf8("商品25")));
  EXPECT_EQ(w.View()->CurrentPage(), 1);
  // A new text searches on from the page shown: 商品50 is the first on the third page.
  EXPECT_TRUE(w.FindNext(QString::fromUtf8("商品5")));
  EXPECT_EQ(w.View()->CurrentPage(), 2);
  EXPECT_TRUE(w.FindNext(QString::fromUtf8("商品5")));  // 商品51, still there
  EXPECT_EQ(w.View()->CurrentPage(), 2);
  w.edtFind->setText(QString::fromUtf8("没有这个"));
  QTest::mouseClick(w.btnFind, Qt::LeftButton);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, QString::fromUtf8("未找到“没有这个”"));
  EXPECT_EQ(ui.messages[0].caption, QString::fromUtf8("提示"));
  // Letters match without regard to case.
  EXPECT_TRUE(w.FindNext("p100059"));
  EXPECT_EQ(w.View()->CurrentPage(), 2);
}

TEST(ReportPreview, SaveOpenAndExportThroughTheFileDialogs) {
  QTemporaryDir dir;
  test::ReportUi ui;
  PreparedReport report = Sheet(30);
  TReportPreview w(report);
  Show(w);
  const QString saved = dir.filePath("labels.ptrep");
  ui.fileAnswers = {saved, dir.filePath("labels.pdf"), dir.filePath("labels.png"), dir.filePath("labels.xlsx"), ""};
  QTest::mouseClick(w.btnSave, Qt::LeftButton);
  QTest::mouseClick(w.btnExportPdf, Qt::LeftButton);
  QTest::mouseClick(w.btnExportPng, Qt::LeftButton);
  QTest::mouseClick(w.btnSaveXls, Qt::LeftButton);
  QTest::mouseClick(w.btnSave, Qt::LeftButton);  // cancelled: nothing happens
  EXPECT_TRUE(ui.messages.empty());
  for (const char* f : {"labels.ptrep", "labels.pdf", "labels.png", "labels.xlsx"})
    EXPECT_GT(QFileInfo(dir.filePath(f)).size(), 0) << f;
  EXPECT_EQ(test::PdfPages(dir.filePath("labels.pdf")), 2);

  PreparedReport other = Sheet(1);
  TReportPreview second(other);
  Show(second);
  ui.fileAnswers = {saved};
  QTest::mouseClick(second.btnOpen, Qt::LeftButton);
  EXPECT_EQ(second.Report().pages.size(), 2u);
  EXPECT_EQ(second.lblPageCount->text(), QString::fromUtf8("/ 2 页"));
  EXPECT_EQ(SavePreparedReport(second.Report()), SavePreparedReport(report));

  QFile junk(dir.filePath("junk.ptrep"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a report");
  junk.close();
  ui.fileAnswers = {junk.fileName()};
  QTest::mouseClick(second.btnOpen, Qt::LeftButton);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, QString::fromUtf8("不是报表文件，无法打开"));
  EXPECT_EQ(second.Report().pages.size(), 2u);  // what was shown stays
}

TEST(ReportPreview, TheLabelPreviewSavesOneRowPerLabelWithTheValuesItShows) {
  QTemporaryDir dir;
  test::ReportUi ui;
  ReportEngine engine;
  engine.LoadTemplate(test::StockTemplate("a4-sheet-24.json"));
  engine.SetVariable("dj", "合格");
  RowsDataSource data = test::Labels(30);
  const QString xlsx = dir.filePath("labels.xlsx");
  ui.fileAnswers = {xlsx};
  ui.Then([](QDialog* d) {
    QTest::mouseClick(d->findChild<QToolButton*>("btnSaveXls"), Qt::LeftButton);
    d->reject();
  });
  ASSERT_TRUE(PreviewReport(nullptr, engine, data));
  EXPECT_TRUE(ui.messages.empty());
  test::XlsxSheet sheet = test::ReadXlsx(xlsx);
  EXPECT_EQ(sheet.name, "A4 标价签 24 张");
  EXPECT_EQ(sheet.frozenRows, 1);
  std::vector<std::string> titles;
  for (char c = 'A'; c <= 'G'; ++c) titles.push_back(sheet.Text(std::string(1, c) + "1"));
  EXPECT_EQ(titles, (std::vector<std::string>{"f_Spmc", "产地", "规格", "单位/等级", "编码", "f_Sptm", "f_Xsdj"}));
  // Row 31 is the thirtieth label; row 32 holds nothing.
  EXPECT_EQ(sheet.Text("A31"), "商品30");
  EXPECT_EQ(sheet.Text("B31"), "山东");
  EXPECT_EQ(sheet.Text("D31"), "单位:袋  等级:合格");
  EXPECT_EQ(sheet.Text("E31"), "P100029");
  EXPECT_EQ(sheet.Text("F31"), "690123456789");
  EXPECT_FALSE(sheet.IsNumber("F31"));
  EXPECT_TRUE(sheet.IsNumber("G31"));
  EXPECT_EQ(sheet.Text("G31"), "39");
  EXPECT_EQ(sheet.Format("G31"), "0.00");
  EXPECT_FALSE(sheet.At("A32"));
}

TEST(ReportPreview, PageSetupRunsThroughTheSeam) {
  test::ReportUi ui;
  PreparedReport report = Sheet(3);
  TReportPreview w(report);
  Show(w);
  ui.Then([](QDialog* d) { d->reject(); });
  QTest::mouseClick(w.btnPageSetup, Qt::LeftButton);
  EXPECT_EQ(ui.dialogsRun, 1);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(ReportPreview, ShowPreviewRunsModallyAndCloses) {
  test::ReportUi ui;
  PreparedReport report = Sheet(3);
  bool seen = false;
  ui.Then([&](QDialog* d) {
    seen = d->objectName() == "TReportPreview";
    QTest::mouseClick(d->findChild<QToolButton*>("btnClose"), Qt::LeftButton);
    EXPECT_EQ(d->result(), ui::kResultCancel);
  });
  ShowPreview(nullptr, report);
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace pt::report
