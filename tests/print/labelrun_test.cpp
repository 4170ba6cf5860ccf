// Label printing as stores need it, from the main window on the seeded SQLite host: copies typed
// into the queue, the start position on a partly used sheet, a mixed queue through the stock
// template that switches layouts, rows lacking a required price, a queue kept in a file, and
// the log of printed tags: what a print records (read against the PDF), the pages a print
// dialog left out, the two sources that list the tags no longer right, a log that cannot be
// written.
#include <QPageRanges>
#include <QPrintDialog>
#include <QPrinter>
#include <QPointF>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>

#include "common/AdvDBEh.h"
#include "common/IniFile.h"
#include "common/MemTableModel.h"
#include "printing/UnitDyjjz.h"
#include "printing/UnitDysz.h"
#include "report_engine/ReportOutput.h"
#include "queue/QueueRecord.h"
#include "queue/ShelfTags.h"
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
  PrintQueueToPdf(pdf);
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
  PrintQueueToPdf(pdf);
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
  PrintQueueToPdf(pdf);
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

// The log of printed tags: one product with an ordinary promotion in force today and two
// without any, and what the main window shows of them.
class ShelfTagRun : public LabelRun {
 protected:
  std::unique_ptr<MemTable> Rows(const std::string& sql) {
    auto t = std::make_unique<MemTable>();
    t->LoadPacket(host_->db.QueryNativePacket(sql));
    return t;
  }
  void PickProducts() {
    const std::vector<std::string> promoted = Codes(
        1, "da.f_Spbm in (select f_spbm from tbsptj where f_tjlx=0 and f_qsrq<='20241210' and f_jsrq>='20241210' "
           "and f_bmbm='') and da.f_Spbm not in (select f_spbm from tbsptj where f_tjlx=1)");
    const std::vector<std::string> plain = Codes(2, "da.f_Spbm not in (select f_spbm from tbsptj)");
    ASSERT_EQ(promoted.size(), 1u);
    ASSERT_EQ(plain.size(), 2u);
    promoted_ = promoted[0];
    repriced_ = plain[0];
    unchanged_ = plain[1];
  }
  std::vector<std::string> QueueCodes() const {
    std::vector<std::string> out;
    const int f = window_->cdsSpda.FieldIndex("f_Spbm");
    for (int r = 0; r < window_->cdsSpda.RecordCount(); ++r) out.push_back(window_->cdsSpda.CellAt(r, f).ToText());
    std::sort(out.begin(), out.end());
    return out;
  }
  std::string Differs(const std::string& code) const {
    const MemTable& q = window_->cdsSpda;
    for (int r = 0; r < q.RecordCount(); ++r)
      if (q.CellAt(r, q.FieldIndex("f_Spbm")).ToText() == code) return q.CellAt(r, q.FieldIndex(queue::kDiffersField)).ToText();
    return "(not listed)";
  }
  bool TagColumnsVisible() const {
    return window_->dgdview->ColumnByField(queue::kDiffersField)->Visible() &&
           window_->dgdview->ColumnByField(queue::kTagPromotionField)->Visible();
  }
  // The words of each page of a PDF, joined by blanks.
  static std::vector<QString> PageTexts(const QString& pdf) {
    std::vector<QString> pages;
    for (const Word& w : PdfWords(pdf)) {
      if (static_cast<size_t>(w.page) >= pages.size()) pages.resize(static_cast<size_t>(w.page) + 1);
      pages[static_cast<size_t>(w.page)] += w.text + " ";
    }
    return pages;
  }

  std::string promoted_, repriced_, unchanged_;
};

TEST_F(ShelfTagRun, APrintIsLoggedAsThePdfShowsItAndTheSourcesListTheTagsNoLongerRight) {
  TFrmspbqdy* w = OpenOn("通用标价签");
  PickProducts();
  const int queueWidth = w->panLeft->width();

  // Before anything was printed there is no log: the sources find nothing, as sources say it.
  w->Njqbf->trigger();
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"没有与现价不符的价签！"}));
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "提示");
  ui_.messages.clear();

  Queue({promoted_, repriced_, unchanged_});
  ASSERT_EQ(w->cdsSpda.RecordCount(), 3);
  EXPECT_EQ(w->lblDyjl->text().toStdString(), "上次打印：无");
  const QString pdf = dir_.path() + "/labels.pdf";
  PrintQueueToPdf(pdf);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"是否清除打印内容?"})) << "recorded without a word";
  ui_.messages.clear();

  // One job, one row a label, holding what its page shows.
  const std::unique_ptr<MemTable> logRows = Rows(
      "select f_dyxh,f_hh,f_spbm,f_xsdj,f_tjjg,f_qsrq,f_jsrq,f_mbmc,f_zybm,f_dyrq,f_fs,f_bmbm,f_hyj,f_xsxm from tbBqdyrz "
      "order by f_hh");
  const MemTable& log = *logRows;
  const std::vector<QString> pages = PageTexts(pdf);
  ASSERT_EQ(log.RecordCount(), 3);
  ASSERT_EQ(pages.size(), 3u);
  for (int r = 0; r < 3; ++r) {
    SCOPED_TRACE(pages[static_cast<size_t>(r)].toStdString());
    auto cell = [&](const char* f) { return log.CellAt(r, log.FieldIndex(f)); };
    const QString& page = pages[static_cast<size_t>(r)];
    EXPECT_EQ(cell("f_dyxh").ToInt(), 1);
    EXPECT_EQ(cell("f_hh").ToInt(), r + 1);
    EXPECT_TRUE(page.contains(QString::fromStdString("编码:" + cell("f_spbm").ToText())));
    EXPECT_TRUE(page.contains(QString::number(cell("f_xsdj").ToFloat(), 'f', 2)));
    if (cell("f_spbm").ToText() == promoted_) {
      EXPECT_TRUE(page.contains(QString::number(cell("f_tjjg").ToFloat(), 'f', 2)));
      EXPECT_TRUE(page.contains(QString::fromStdString(cell("f_qsrq").ToText() + " 至 " + cell("f_jsrq").ToText())));
    } else {
      EXPECT_TRUE(cell("f_tjjg").IsNull());
      EXPECT_FALSE(page.contains(QString::fromUtf8("促"))) << "no promotion layout";
    }
    EXPECT_EQ(cell("f_mbmc").ToText(), "通用标价签");
    EXPECT_EQ(cell("f_zybm").ToText(), "0001");
    EXPECT_EQ(cell("f_dyrq").ToText(), "20241210") << "the server's date";
    EXPECT_EQ(cell("f_fs").ToInt(), 1);
    EXPECT_EQ(cell("f_bmbm").ToText(), "");
    EXPECT_TRUE(cell("f_hyj").IsNull()) << "the template prints no member price";
    EXPECT_EQ(cell("f_xsxm").ToText(), "售价,特价");
  }
  const std::string line = w->lblDyjl->text().toStdString();
  EXPECT_EQ(line.rfind("上次打印：2024-12-10 ", 0), 0u) << line;
  EXPECT_NE(line.find("模板：通用标价签"), std::string::npos) << line;

  // The till changes: one price goes up, one promotion ends early.
  host_->db.ExecNative("update tbSpda set f_Xsdj=f_Xsdj+1 where f_Spbm='" + repriced_ + "'");
  host_->db.ExecNative("update tbsptj set f_jsrq='20241209' where f_spbm='" + promoted_ +
                       "' and f_tjlx=0 and f_qsrq<='20241210' and f_jsrq>='20241210'");

  w->Njqbf->trigger();
  EXPECT_TRUE(ui_.messages.empty());
  std::vector<std::string> expected{promoted_, repriced_};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(QueueCodes(), expected);
  EXPECT_EQ(Differs(repriced_), "售价");
  EXPECT_EQ(Differs(promoted_), "特价");
  EXPECT_TRUE(TagColumnsVisible());
  EXPECT_GT(w->panLeft->width(), queueWidth) << "the queue makes room for the tag beside the product";
  EXPECT_EQ(w->Njqbf->isChecked(), true);

  w->Ntjdq->trigger();
  EXPECT_EQ(QueueCodes(), std::vector<std::string>{promoted_});
  EXPECT_EQ(Differs(promoted_), "特价到期");

  // Another source replaces the rows, and the columns go with them.
  w->N2->trigger();
  EXPECT_FALSE(TagColumnsVisible());
  EXPECT_EQ(w->panLeft->width(), queueWidth);
}

TEST_F(ShelfTagRun, ALogThatCannotBeWrittenLeavesThePrintWholeAndSaysSoOnce) {
  TFrmspbqdy* w = OpenOn("普通标价签");
  PickProducts();
  host_->db.ExecNative("create table tbBqdyrz (f_dyxh int, f_spbm varchar(15))");  // not the module's
  Queue({promoted_, repriced_, unchanged_});
  const QString pdf = dir_.path() + "/labels.pdf";
  PrintQueueToPdf(pdf);
  const std::vector<QString> pages = PageTexts(pdf);
  ASSERT_EQ(pages.size(), 3u);
  for (const std::string& code : {promoted_, repriced_, unchanged_})
    EXPECT_TRUE(pages[0].contains(QString::fromStdString("编码:" + code)) ||
                pages[1].contains(QString::fromStdString("编码:" + code)) ||
                pages[2].contains(QString::fromStdString("编码:" + code)))
        << code;
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "提示");
  EXPECT_EQ(ui_.messages[0].text.toStdString().rfind("标价签已打印，但未能写入打印记录：", 0), 0u)
      << ui_.messages[0].text.toStdString();
  EXPECT_EQ(ui_.messages[1].text.toStdString(), "是否清除打印内容?");
  EXPECT_EQ(w->cdsSpda.RecordCount(), 3);
}

TEST_F(ShelfTagRun, OnlyTheLabelsOnThePagesPrintedAreLoggedWithTheCopiesMade) {
  OpenOn("普通标价签");
  PickProducts();
  Queue({promoted_, repriced_, unchanged_});
  PrintQueueToPdf(dir_.path() + "/page2.pdf", [](QPrinter& p) {
    p.setPrintRange(QPrinter::PageRange);
    p.setPageRanges(QPageRanges::fromString("2"));
    p.setCopyCount(2);
  });
  const std::unique_ptr<MemTable> log = Rows("select f_spbm,f_fs from tbBqdyrz");
  ASSERT_EQ(log->RecordCount(), 1);
  EXPECT_EQ(log->CellAt(0, 0).ToText(), repriced_);
  EXPECT_EQ(log->CellAt(0, 1).ToInt(), 2);
}

}  // namespace
}  // namespace pt::test
