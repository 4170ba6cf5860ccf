// Label printing as stores need it, from the main window on the seeded SQLite host: copies typed
// into the queue, the start position on a partly used sheet, a mixed queue through the stock
// template that switches layouts, rows lacking a required price, and a queue kept in a file.
#include <QPrintDialog>
#include <QPrinter>
#include <QPointF>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "common/AdvDBEh.h"
#include "common/IniFile.h"
#include "common/MemTableModel.h"
#include "printing/UnitDyjjz.h"
#include "printing/UnitDysz.h"
#include "report_engine/ReportOutput.h"
#include "queue/QueueRecord.h"
#include "report_engine/ReportPreview.h"
#include "tests/queue/MainWindowFixture.h"
#include "tests/queue/SeededHost.h"

namespace pt::test {
namespace {

// Text boxes read back from a PDF: pdftotext -bbox gives each word with its box in points.
struct Word {
  QString text;
  double xMin, yMin;
  int page;
};
std::vector<Word> PdfWords(const QString& pdf) {
  QProcess p;
  p.start("pdftotext", {"-bbox", pdf, "-"});
  p.waitForFinished(60000);
  const QString html = QString::fromUtf8(p.readAllStandardOutput());
  std::vector<Word> out;
  int page = -1;
  static const QRegularExpression tag(R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re");
  for (auto it = tag.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    if (m.captured(0).startsWith("<page")) {
      ++page;
      continue;
    }
    out.push_back({m.captured(3), m.captured(1).toDouble(), m.captured(2).toDouble(), page});
  }
  return out;
}
int PdfPages(const QString& pdf) {
  QProcess p;
  p.start("pdfinfo", {pdf});
  p.waitForFinished(30000);
  const QString info = QString::fromUtf8(p.readAllStandardOutput());
  const auto m = QRegularExpression(R"(Pages:\s+(\d+))").match(info);
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}
constexpr double kPointsPerMm = 72 / 25.4;

class LabelRun : public MainWindowFixture {
 protected:
  void SetUp() override {
    file_ = std::make_unique<SeededDatabaseFile>(300, "02");
    host_ = std::make_unique<SeededHost>(*file_);
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    host_.reset();
  }
  TFrmspbqdy* OpenOn(const char* templateName) {
    TFrmspbqdy* w = Open(host_->service);
    EXPECT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
    const int at = w->cboTemplate->findText(QString::fromUtf8(templateName));
    EXPECT_GE(at, 0) << templateName;
    w->cboTemplate->setCurrentIndex(at);
    return w;
  }
  // Product codes of selling products with a main EAN-13 barcode, in code order.
  std::vector<std::string> Codes(int n, const std::string& where = "1=1") {
    MemTable t;
    t.LoadPacket(host_->db.QueryNativePacket(
        "select da.f_Spbm from tbSpda da join tbSptm tm on tm.f_Spbm=da.f_Spbm and tm.f_xh=1 where da.f_Mj=1 and "
        "length(tm.f_Sptm)=13 and da.f_Spbm in (select f_spbm from tblsdkz k,tbspjyztda z where "
        "k.f_jyztbm=z.f_jyztbm and f_yxxs=1) and " + where + " order by da.f_Spbm limit " + std::to_string(n)));
    std::vector<std::string> out;
    for (int r = 0; r < t.RecordCount(); ++r) out.push_back(t.CellAt(r, 0).ToText());
    return out;
  }
  void Queue(const std::vector<std::string>& codes) {
    for (const std::string& c : codes) {
      Type(QString::fromStdString(c));
      Enter();
    }
  }
  void PrintToPdf(const QString& pdf) {
    ui_.Then([pdf](QDialog* d) {
      auto* dialog = qobject_cast<QPrintDialog*>(d);
      ASSERT_NE(dialog, nullptr);
      dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
      dialog->printer()->setOutputFileName(pdf);
      dialog->done(QDialog::Accepted);
    });
    ui_.messageAnswers.push_back(ui::kResultNo);  // keep the queue
    window_->tbnPrint->click();
  }
  QTemporaryDir dir_;
  std::unique_ptr<SeededDatabaseFile> file_;
  std::unique_ptr<SeededHost> host_;
};

TEST_F(LabelRun, CopiesTypedIntoTheQueuePrintAsManyLabelsNextToEachOther) {
  TFrmspbqdy* w = OpenOn("普通标价签");
  const std::vector<std::string> codes = Codes(2);
  Queue(codes);
  ASSERT_EQ(w->cdsSpda.RecordCount(), 2);
  MemTableModel* model = w->dgdview->Model();
  const int column = w->dgdview->ColumnByField(queue::kCopiesField)->Index();
  EXPECT_EQ(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(), "打印份数");
  EXPECT_TRUE(model->flags(model->index(0, column)) & Qt::ItemIsEditable);
  EXPECT_FALSE(model->flags(model->index(0, column - 1)) & Qt::ItemIsEditable) << "the rest stays read-only";
  EXPECT_EQ(model->data(model->index(0, column), Qt::DisplayRole).toString(), "1");

  for (const char* bad : {"abc", "0", "1000"}) {
    ui_.messages.clear();
    EXPECT_FALSE(model->setData(model->index(0, column), QString(bad)));
    ASSERT_EQ(ui_.messages.size(), 1u) << bad;
    EXPECT_EQ(ui_.messages[0].text.toStdString(), std::string("打印份数“") + bad + "”无效：请输入 1 到 999 之间的整数");
    EXPECT_EQ(w->cdsSpda.CellAt(0, w->cdsSpda.FieldIndex(queue::kCopiesField)).ToInt(), 1);
  }
  ui_.messages.clear();
  EXPECT_TRUE(model->setData(model->index(0, column), QString("3")));

  // The preview shows them; the print writes them, the first product three times over.
  int previewPages = -1;
  ui_.Then([&](QDialog* d) {
    if (auto* preview = qobject_cast<report::TReportPreview*>(d)) previewPages = static_cast<int>(preview->Report().pages.size());
    d->done(2);
  });
  w->tbnPreview->click();
  EXPECT_EQ(previewPages, 4);
  const QString pdf = dir_.path() + "/copies.pdf";
  PrintToPdf(pdf);
  ASSERT_EQ(PdfPages(pdf), 4);
  std::vector<int> pagesOfCode[2];
  for (const Word& word : PdfWords(pdf))
    for (int k = 0; k < 2; ++k)
      if (word.text == QString::fromStdString("编码:" + codes[static_cast<size_t>(k)])) pagesOfCode[k].push_back(word.page);
  EXPECT_EQ(pagesOfCode[0], (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(pagesOfCode[1], (std::vector<int>{3}));
}

TEST_F(LabelRun, TheStartPositionIsCheckedAgainstTheSheetKeptInTheSettingsAndLeavesPlacesEmpty) {
  TFrmspbqdy* w = OpenOn("A4 标价签 24 张");
  ui_.Then([&](QDialog* d) {
    auto* dlg = static_cast<printing::TfmDysz*>(d);
    EXPECT_EQ(dlg->feQswz->text().toStdString(), "1");
    EXPECT_EQ(dlg->lblQswz->text().toStdString(), "（1-24）");
    dlg->feQswz->setText("25");
    dlg->btnOK->click();
    EXPECT_TRUE(dlg->isVisible()) << "a position beyond the sheet keeps the dialog open";
    dlg->feQswz->setText("5");
    dlg->btnOK->click();
  });
  w->TbnModify->click();
  ASSERT_EQ(MessageTexts(),
            (std::vector<std::string>{"起始位置“25”无效：每张标签纸有 24 个位置，请输入 1 到 24 之间的整数"}));
  EXPECT_EQ(ReadIniValue("Tallmerpos.ini", "SpBjqDy", "Qswz", "", ""), "5");
  ui_.messages.clear();

  const std::vector<std::string> codes = Codes(21);
  Queue(codes);
  ASSERT_EQ(w->cdsSpda.RecordCount(), 21);
  const QString pdf = dir_.path() + "/sheet.pdf";
  PrintToPdf(pdf);
  ASSERT_EQ(PdfPages(pdf), 2) << "4 empty places and 21 labels need a second sheet";
  // Labels are 70 x 37 mm, three a row, from 0.5 mm down: the fifth place is the middle of the
  // second row.
  for (const Word& word : PdfWords(pdf)) {
    if (word.text == QString::fromStdString("编码:" + codes.front())) {
      EXPECT_EQ(word.page, 0);
      EXPECT_NEAR(word.xMin / kPointsPerMm, 70 + 35, 3);
      EXPECT_NEAR(word.yMin / kPointsPerMm, 0.5 + 37 + 12, 3);
    }
    if (word.text == QString::fromStdString("编码:" + codes.back())) {
      EXPECT_EQ(word.page, 1);
      EXPECT_NEAR(word.yMin / kPointsPerMm, 0.5 + 12, 3) << "the second sheet starts at its first place";
    }
  }
}

TEST_F(LabelRun, AMixedQueueSwitchesLayoutsAndRowsWithoutARequiredPriceAreReportedFirst) {
  TFrmspbqdy* w = OpenOn("通用标价签");
  // Products with an ordinary promotion in force today, and products without any.
  const std::vector<std::string> promoted =
      Codes(2, "da.f_Spbm in (select f_spbm from tbsptj where f_tjlx=0 and f_qsrq<='20241210' and f_jsrq>='20241210' "
               "and f_bmbm='')");
  const std::vector<std::string> plain = Codes(2, "da.f_Spbm not in (select f_spbm from tbsptj)");
  ASSERT_EQ(promoted.size(), 2u);
  ASSERT_EQ(plain.size(), 2u);
  Queue({promoted[0], plain[0], promoted[1], plain[1]});
  // A hand-made row without a price.
  w->cdsSpda.Append();
  w->cdsSpda.Set("f_spbm", "X1");
  w->cdsSpda.Set("f_jekz", "1");
  w->cdsSpda.Post();

  ui_.messageAnswers.push_back(ui::kResultNo);
  w->tbnPreview->click();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "提示信息");
  EXPECT_EQ(ui_.messages[0].text.toStdString(),
            "以下 1 个商品缺少模板“通用标价签”必须打印的内容，不能打印它们的标签：\r\nX1：缺少 f_Xsdj\r\n"
            "是否打印其余商品的标签？");
  EXPECT_EQ(ui_.dialogsRun, 0) << "No shows nothing";

  ui_.messages.clear();
  const QString pdf = dir_.path() + "/mixed.pdf";
  ui_.messageAnswers.push_back(ui::kResultYes);
  PrintToPdf(pdf);
  ASSERT_EQ(PdfPages(pdf), 4);
  QStringList banner;
  for (const Word& word : PdfWords(pdf))
    if (word.text == QString::fromUtf8("促")) banner << QString::number(word.page);
  EXPECT_EQ(banner.join(","), "0,2") << "the promotion layout for the promoted products only";
}

TEST_F(LabelRun, AQueueKeptInAFileComesBackWithItsCopiesAndADamagedOneIsRefused) {
  TFrmspbqdy* w = OpenOn("普通标价签");
  w->NBcdl->trigger();
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"打印队列中没有商品，无需保存。"}));
  ui_.messages.clear();
  Queue(Codes(3));
  w->cdsSpda.SetRecNo(2);
  w->cdsSpda.Edit();
  w->cdsSpda.Set(queue::kCopiesField, 5);
  w->cdsSpda.Post();
  const QString path = dir_.path() + "/队列";
  ui_.saveFileAnswers.push_back(path);
  w->NBcdl->trigger();
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"打印队列已保存（3 个商品）。"}));
  ASSERT_TRUE(QFile::exists(path + ".ptq"));

  w->N2->trigger();
  ASSERT_TRUE(w->cdsSpda.IsEmpty());
  ui_.openFileAnswers.push_back(path + ".ptq");
  w->NDkdl->trigger();
  ASSERT_EQ(w->cdsSpda.RecordCount(), 3);
  EXPECT_EQ(w->cdsSpda.CellAt(1, w->cdsSpda.FieldIndex(queue::kCopiesField)).ToInt(), 5);
  EXPECT_EQ(Counter(), "打印商品总计个数:3");

  // A code file is no queue file: refused, the queue as it was.
  ui_.messages.clear();
  QFile codes(dir_.path() + "/codes.txt");
  ASSERT_TRUE(codes.open(QIODevice::WriteOnly));
  codes.write("100001\r\n");
  codes.close();
  ui_.openFileAnswers.push_back(codes.fileName());
  w->NDkdl->trigger();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, QString::fromUtf8("不是标价签打印队列文件，无法打开：") + codes.fileName());
  EXPECT_EQ(w->cdsSpda.RecordCount(), 3);
}

TEST_F(LabelRun, PrinterCalibrationIsKeptPerPrinterAndItsPageHasRulersAndTheName) {
  TFrmspbqdy* w = OpenOn("A4 标价签 24 张");
  ui_.Then([&](QDialog* d) {
    auto* settings = static_cast<printing::TfmDysz*>(d);
    ui_.Then([&](QDialog* c) {
      auto* dlg = static_cast<printing::TfmDyjjz*>(c);
      EXPECT_EQ(dlg->objectName().toStdString(), "TfmDyjjz");
      dlg->cboDyj->setCurrentText("Labels-1");
      EXPECT_EQ(dlg->feSfbl->text().toStdString(), "1");
      dlg->feSppy->setText("1.5");
      dlg->feCzpy->setText("-0.8");
      dlg->feSfbl->setText("3");
      dlg->btnOK->click();  // refused: the scale is out of bounds
      EXPECT_TRUE(dlg->isVisible());
      dlg->feSfbl->setText("0.98");
      dlg->btnDyjzy->click();  // no such printer here
      dlg->btnOK->click();
    });
    settings->btnJz->click();
    settings->btnCancel->click();
  });
  w->TbnModify->click();
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_NE(ui_.messages[0].text.toStdString().find("缩放比例（0.5 到 1.5）"), std::string::npos);
  EXPECT_EQ(ui_.messages[1].text.toStdString(), "找不到打印机“Labels-1”");
  EXPECT_EQ(ReadIniValue("Tallmerpos.ini", "SpBjqDyjz", "Labels-1", "", ""), "1.50,-0.80,0.9800");
  const printing::Calibration c = printing::LoadCalibration("Labels-1");
  EXPECT_DOUBLE_EQ(c.scale, 0.98);

  // The page the button prints: the frame 5 mm in, rulers, the name, read back from a PDF.
  const QString pdf = dir_.path() + "/calibration.pdf";
  report::ExportPdf(printing::CalibrationPage("Labels-1", c, 210, 297), pdf);
  QProcess p;
  p.start("pdftotext", {"-layout", pdf, "-"});
  p.waitForFinished(30000);
  const QString text = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_TRUE(text.contains(QString::fromUtf8("打印机：Labels-1"))) << text.toStdString();
  for (const char* mark : {"10", "100", "190", "280"}) EXPECT_TRUE(text.contains(mark)) << mark;
}

}  // namespace
}  // namespace pt::test
