// Report outputs drawn by Qt: PDF read back with pdftotext, PNG, spreadsheet, and printing
// through the print dialog.
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPageLayout>
#include <QPrinter>
#include <QTemporaryDir>
#include <QPageRanges>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <gtest/gtest.h>

#include "common/ModuleError.h"
#include "report_engine/Barcode.h"
#include "report_engine/QtTextMeasurer.h"
#include "report_engine/ReportSheet.h"
#include "report_engine/ReportView.h"
#include "tests/widgets/report_support.h"

namespace pt::report {
namespace {

using test::PdfPages;
using test::PdfText;

struct Product { const char* name; double price; const char* price2; const char* barcode12; };
const Product kProducts[] = {
    {"金龙鱼调和油", 59.9, "59.90", "690123456789"},
    {"农夫山泉饮用天然水", 2, "2.00", "692116850925"},
    {"可口可乐", 3.5, "3.50", "690102803695"},
};

RowsDataSource Shelf() {
  RowsDataSource s("cdsPrint", {{"f_Spbm"}, {"f_Spmc"}, {"f_Spcd"}, {"f_Ggxh"}, {"f_Jldw"}, {"f_Xsdj"}, {"f_Sptm"}});
  int code = 1;
  for (const Product& p : kProducts)
    s.AddRow({"SP" + std::to_string(code++), p.name, "中国", "1瓶", "瓶", p.price, p.barcode12});
  return s;
}

TEST(ReportPdf, NamesPricesAndBarcodeDigitsReadBackInOrder) {
  QTemporaryDir dir;
  ReportEngine engine;
  engine.LoadTemplate(test::StockTemplate("ordinary-label.json"));
  engine.SetVariable("dj", "合格");
  RowsDataSource data = Shelf();
  PreparedReport report = PrepareReport(engine, data);
  ASSERT_EQ(report.pages.size(), 3u);
  const QString pdf = dir.filePath("labels.pdf");
  ExportPdf(report, pdf);
  EXPECT_EQ(PdfPages(pdf), 3);
  const std::string text = PdfText(pdf);
  size_t at = 0;
  for (const Product& p : kProducts) {
    std::string digits = std::string(p.barcode12) + EanCheckDigit(p.barcode12);
    for (const std::string& want : {std::string(p.name), std::string("等级:合格"), std::string(p.price2),
                                    digits.substr(1, 6), digits.substr(7, 6)}) {
      size_t found = text.find(want, at);
      ASSERT_NE(found, std::string::npos) << want << " after " << at << " in\n" << text;
      at = found + want.size();
    }
  }
}

TEST(ReportPdf, RefusedBarcodeShowsItsMarkAndTheOtherLabelsPrint) {
  QTemporaryDir dir;
  ReportEngine engine;
  engine.LoadTemplate(test::StockTemplate("a4-sheet-24.json"));
  RowsDataSource data("cdsPrint", {{"f_Spbm"}, {"f_Spmc"}, {"f_Spcd"}, {"f_Ggxh"}, {"f_Jldw"}, {"f_Xsdj"},
                                   {"f_Sptm"}});
  data.AddRow({"1", "好条码", "", "", "", 1.0, "6901234567892"});
  data.AddRow({"2", "坏条码", "", "", "", 2.0, "6901234567891"});
  PreparedReport report = PrepareReport(engine, data);
  const QString pdf = dir.filePath("sheet.pdf");
  ExportPdf(report, pdf);
  const std::string text = PdfText(pdf);
  EXPECT_NE(text.find("好条码"), std::string::npos);
  EXPECT_NE(text.find("坏条码"), std::string::npos);
  EXPECT_NE(text.find("条码错误"), std::string::npos) << text;
  EXPECT_NE(text.find("6901234567891"), std::string::npos);
}

TEST(ReportPng, PagesRenderAtTheirSizeWithBarsInTheBarcodeBox) {
  QTemporaryDir dir;
  ReportEngine engine;
  engine.LoadTemplate(test::StockTemplate("ordinary-label.json"));
  RowsDataSource data = Shelf();
  PreparedReport report = PrepareReport(engine, data);
  const QString png = dir.filePath("label.png");
  ExportPng(report, 1, png, 254);  // 10 pixels per millimetre
  QImage image(png);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), 800);
  EXPECT_EQ(image.height(), 500);
  // Dark bars inside the barcode box (x 2.5..39.5, y 27.5..46.5 mm), white beside the label.
  int dark = 0;
  for (int x = 30; x < 390; ++x)
    if (qGray(image.pixel(x, 330)) < 100) ++dark;
  EXPECT_GT(dark, 60);
  EXPECT_EQ(qGray(image.pixel(5, 5)), 255);
  EXPECT_THROW(ExportPng(report, 7, png), ModuleError);
}

TEST(ReportPng, EmbeddedPicturesAreDrawnKeepingTheirAspect) {
  QImage red(4, 2, QImage::Format_RGB32);  // twice as wide as high
  red.fill(Qt::red);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  red.save(&buffer, "PNG");
  ReportEngine engine;
  engine.LoadTemplate(R"({"format":"pricetag-report","version":1,"page":{"width":40,"height":40},
      "bands":[{"type":"masterData","height":40,"objects":[
        {"type":"picture","x":0,"y":0,"width":40,"height":40,"png":")" + png.toBase64().toStdString() + R"("}]}]})");
  RowsDataSource data = test::Labels(1);
  PreparedReport report = PrepareReport(engine, data);
  QTemporaryDir dir;
  ExportPng(report, 0, dir.filePath("picture.png"), 254);
  QImage out(dir.filePath("picture.png"));
  ASSERT_EQ(out.size(), QSize(400, 400));
  EXPECT_EQ(QColor(out.pixel(200, 200)), QColor(Qt::red));   // centre of the fitted picture
  EXPECT_EQ(QColor(out.pixel(200, 20)), QColor(Qt::white));  // above it: the aspect is kept
}

TEST(ReportXlsx, GridRowsKeepNumbersAsNumbersCodesAsTextsUnderFrozenBoldTitles) {
  QTemporaryDir dir;
  RowsDataSource data("cdsPrint", {{"f_Spbm"}, {"f_Spmc"}, {"f_Sptm"}, {"f_Xsdj", "0.00"}, {"f_Dwbl"}, {"f_Qsrq"},
                                   {"f_BqPtXsdj", "0.00"}, {"f_BqPtQsrq"}, {"f_Plsl"}});
  data.AddRow({"000123", "苹果", "6901234567892", 3.5, 1.5, "20240301", 2.5, "20240305", Variant(12)});
  data.AddRow({"000124", "金龙鱼食用调和油五升装", "6901234567908", 59.9, 1.0, "20240302", Variant(), Variant(), Variant()});
  GridReportSpec spec;
  spec.columns = {{"商品编码", "f_Spbm"},       {"商品名称", "f_Spmc"}, {"商品条码", "f_Sptm"},
                  {"销售单价", "f_Xsdj"},       {"单位比率", "f_Dwbl"}, {"建档日期", "f_Qsrq"},
                  {"本期普通|特价价格", "f_BqPtXsdj"}, {"本期普通|特价起始日期", "f_BqPtQsrq"},
                  {"批量数量", "f_Plsl"}};
  VariableList vars;
  vars.Set("Title", "商品特价详细信息");
  QtTextMeasurer m;
  PreparedReport report = BuildGridReport(spec, data, vars, m);
  const QString xlsx = dir.filePath("grid.xlsx");
  ExportXlsx(report, xlsx);
  test::XlsxSheet sheet = test::ReadXlsx(xlsx);
  EXPECT_EQ(sheet.name, "商品特价详细信息");
  // Two title rows (the group over its columns), bold, frozen above the data.
  EXPECT_EQ(sheet.frozenRows, 2);
  EXPECT_EQ(sheet.frozenColumns, 0);
  EXPECT_EQ(sheet.Text("A1"), "商品编码");
  EXPECT_EQ(sheet.Text("G1"), "本期普通");
  EXPECT_EQ(sheet.Text("G2"), "特价价格");
  EXPECT_EQ(sheet.Text("H2"), "特价起始日期");
  for (const char* merged : {"A1:A2", "G1:H1", "I1:I2"})
    EXPECT_NE(std::find(sheet.merged.begin(), sheet.merged.end(), merged), sheet.merged.end()) << merged;
  EXPECT_TRUE(sheet.Bold("A1") && sheet.Bold("G1") && sheet.Bold("G2"));
  EXPECT_FALSE(sheet.Bold("A3"));
  // Codes keep their zeros and barcodes their digits; dates are texts as the grid shows them.
  struct Case { const char* ref; bool number; const char* value; const char* format; };
  const Case cases[] = {
      {"A3", false, "000123", "General"},       {"C3", false, "6901234567892", "General"},
      {"D3", true, "3.5", "0.00"},              {"E3", true, "1.5", "General"},
      {"F3", false, "20240301", "General"},     {"G3", true, "2.5", "0.00"},
      {"I3", true, "12", "General"},            {"D4", true, "59.9", "0.00"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(sheet.At(c.ref)) << c.ref;
    EXPECT_EQ(sheet.IsNumber(c.ref), c.number) << c.ref;
    EXPECT_EQ(sheet.Text(c.ref), c.value) << c.ref;
    EXPECT_EQ(sheet.Format(c.ref), c.format) << c.ref;
  }
  EXPECT_FALSE(sheet.At("G4")) << "an empty price stays an empty cell";
  // Columns as wide as their content: the barcode's 13 digits, the long name's 11 characters.
  EXPECT_GE(sheet.widths[3], 13);
  EXPECT_GE(sheet.widths[2], 22);
  EXPECT_LT(sheet.widths[9], sheet.widths[2]);
}

TEST(ReportXlsx, AFailedOrRefusedExportLeavesNothingHalfWritten) {
  QTemporaryDir dir;
  RowsDataSource none("cdsPrint", {{"f_Spbm"}});
  GridReportSpec spec;
  spec.columns = {{"商品编码", "f_Spbm"}};
  QtTextMeasurer m;
  PreparedReport empty = BuildGridReport(spec, none, {}, m);
  const QString existing = dir.filePath("kept.xlsx");
  {
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("the clerk's file");
  }
  try {
    ExportXlsx(empty, existing);
    FAIL() << "a list without rows is not exported";
  } catch (const ModuleError& e) {
    EXPECT_STREQ(e.what(), kNothingToExport);
  }
  QFile kept(existing);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("the clerk's file"));
  kept.close();

  RowsDataSource one("cdsPrint", {{"f_Spbm"}});
  one.AddRow({"0001"});
  PreparedReport report = BuildGridReport(spec, one, {}, m);
  const QString nowhere = dir.filePath("no/such/folder/grid.xlsx");
  try {
    ExportXlsx(report, nowhere);
    FAIL();
  } catch (const ModuleError& e) {
    EXPECT_NE(std::string(e.what()).find("无法写入文件：" + nowhere.toStdString()), std::string::npos) << e.what();
  }
  // Replacing a file the clerk agreed to overwrite leaves one complete workbook and no leftovers.
  ExportXlsx(report, existing);
  EXPECT_EQ(test::ReadXlsx(existing).Text("A2"), "0001");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.xlsx"});
}

// The print dialog answered by a script: a page range (or all pages), copies and collation.
// (A list of pages typed into the dialog reaches the printer only through a print server;
// the list itself is covered below through the printer's page ranges.)
void ChooseRange(QDialog* d, int from, int to, int copies, bool collate) {
  // With a print server about, the dialog opens on its default printer; these jobs go to the file
  // the test's printer names (the dialog's last entry).
  auto* printers = d->findChild<QComboBox*>("printers");
  ASSERT_NE(printers, nullptr);
  if (printers->currentIndex() != printers->count() - 1) {
    printers->setCurrentIndex(printers->count() - 1);
    d->findChild<QLineEdit*>("filename")->setText(static_cast<QPrintDialog*>(d)->printer()->outputFileName());
  }
  EXPECT_FALSE(d->findChild<QRadioButton*>("printCurrentPage")->isVisibleTo(d));
  if (from > 0) {
    d->findChild<QRadioButton*>("printRange")->setChecked(true);
    d->findChild<QSpinBox*>("to")->setValue(to);
    d->findChild<QSpinBox*>("from")->setValue(from);
  }
  d->findChild<QSpinBox*>("copies")->setValue(copies);
  d->findChild<QCheckBox*>("collate")->setChecked(collate);
  d->accept();
}

void ExpectPagesInOrder(const QString& pdf, const std::vector<std::string>& order, const char* what) {
  ASSERT_EQ(PdfPages(pdf), static_cast<int>(order.size())) << what;
  const std::string text = PdfText(pdf);
  size_t at = 0;
  for (const std::string& name : order) {
    size_t found = text.find(name + "\n", at);
    ASSERT_NE(found, std::string::npos) << what << ": " << name;
    at = found + name.size();
  }
}

TEST(ReportPrint, DialogPrintsTheChosenPagesWithCopiesCollatedOrNot) {
  QTemporaryDir dir;
  test::ReportUi ui;
  ReportEngine engine;
  engine.LoadTemplate(test::StockTemplate("ordinary-label.json"));
  RowsDataSource data = test::Labels(4);
  PreparedReport report = PrepareReport(engine, data);
  struct Case { int from, to, copies; bool collate; std::vector<std::string> order; };
  const Case cases[] = {
      {2, 3, 2, true, {"商品2", "商品3", "商品2", "商品3"}},
      {2, 3, 2, false, {"商品2", "商品2", "商品3", "商品3"}},
      {0, 0, 1, false, {"商品1", "商品2", "商品3", "商品4"}},  // all pages
  };
  int n = 0;
  for (const Case& c : cases) {
    QPrinter printer(QPrinter::HighResolution);
    const QString out = dir.filePath(QString("print%1.pdf").arg(n++));
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(out);
    ui.Then([&](QDialog* d) { ChooseRange(d, c.from, c.to, c.copies, c.collate); });
    ASSERT_TRUE(RunPrintDialog(nullptr, report, printer));
    ExpectPagesInOrder(out, c.order, "dialog");
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST(ReportPrint, JobsCarryTheTemplatesNameAndLabelsGoUprightAtTheirOwnSize) {
  QTemporaryDir dir;
  struct Case { const char* stock; QSizeF paperMm; };
  // A roll label 80 mm wide and 50 mm long is one upright page of that size, never a turned
  // 50 x 80 page; an A4 sheet stays A4.
  for (const Case& c : {Case{"ordinary-label.json", {80, 50}}, Case{"a4-sheet-24.json", {210, 297}}}) {
    ReportEngine engine;
    engine.LoadTemplate(test::StockTemplate(c.stock));
    engine.SetTemplateName("店内标价签");
    RowsDataSource data = test::Labels(2);
    PreparedReport report = PrepareReport(engine, data);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("job.pdf"));
    ASSERT_TRUE(PrintPages(report, printer, {0}));
    EXPECT_EQ(printer.docName().toStdString(), "店内标价签") << c.stock;
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait) << c.stock;
    const QSizeF paper = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
    EXPECT_NEAR(paper.width(), c.paperMm.width(), 0.5) << c.stock;
    EXPECT_NEAR(paper.height(), c.paperMm.height(), 0.5) << c.stock;
  }
}

TEST(ReportPrint, AListOfPagesPrintsEachListedPageOnceInPageOrder) {
  QTemporaryDir dir;
  ReportEngine engine;
  engine.LoadTemplate(test::StockTemplate("ordinary-label.json"));
  RowsDataSource data = test::Labels(5);
  PreparedReport report = PrepareReport(engine, data);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("list.pdf"));
  printer.setPrintRange(QPrinter::PageRange);
  printer.setPageRanges(QPageRanges::fromString("4,1-2,9"));
  std::vector<int> pages = ChosenPages(printer, 5);
  EXPECT_EQ(pages, (std::vector<int>{0, 1, 3}));  // page 9 does not exist
  ASSERT_TRUE(PrintPages(report, printer, pages));
  ExpectPagesInOrder(dir.filePath("list.pdf"), {"商品1", "商品2", "商品4"}, "list");
  printer.setPrintRange(QPrinter::AllPages);
  EXPECT_EQ(ChosenPages(printer, 3), (std::vector<int>{0, 1, 2}));
}

TEST(ReportPrint, CancellingPrintsNothingAndSaysNothing) {
  QTemporaryDir dir;
  test::ReportUi ui;
  ReportEngine engine;
  engine.LoadTemplate(test::StockTemplate("ordinary-label.json"));
  RowsDataSource data = test::Labels(2);
  PreparedReport report = PrepareReport(engine, data);
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("cancelled.pdf"));
  ui.Then([](QDialog* d) { d->reject(); });
  EXPECT_FALSE(RunPrintDialog(nullptr, report, printer));
  EXPECT_FALSE(QFile::exists(dir.filePath("cancelled.pdf")));
  EXPECT_TRUE(ui.messages.empty());
  // No pages: no dialog at all.
  PreparedReport empty;
  EXPECT_FALSE(PrintWithDialog(nullptr, empty));
  EXPECT_EQ(ui.dialogsRun, 1);
}

TEST(ReportPrepareFailure, IsShownAsAnExceptionalErrorWithItsReason) {
  test::ReportUi ui;
  ReportEngine engine;
  engine.LoadTemplate(R"({"format":"pricetag-report","version":1,"bands":[{"type":"masterData","height":20,
      "objects":[{"type":"text","x":0,"y":0,"width":40,"height":5,"text":"[cdsPrint.\"f_Nothing\"]"}]}]})");
  RowsDataSource data = test::Labels(1);
  EXPECT_FALSE(PreviewReport(nullptr, engine, data));
  EXPECT_FALSE(PrintReport(nullptr, engine, data));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text, QString::fromUtf8("异常错误,原因:报表模板引用了不存在的字段：cdsPrint.\"f_Nothing\""));
  EXPECT_EQ(ui.messages[0].icon, ui::Icon::Error);
  EXPECT_EQ(ui.dialogsRun, 0);  // neither preview nor print dialog opened
}

TEST(ReportPrint, GridReportWithoutAnyPrinterSaysSo) {
  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a default printer is installed";
  test::ReportUi ui;
  RowsDataSource data = test::Labels(3);
  GridReportSpec spec;
  spec.columns = {{"商品名称", "f_Spmc"}};
  EXPECT_FALSE(PrintGridReport(nullptr, spec, data, {}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, QString::fromUtf8("没有可用的打印机，无法打印。"));
}

}  // namespace
}  // namespace pt::report
