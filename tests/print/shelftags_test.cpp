// The log of printed tags from the main window on the seeded SQLite host: what a print records
// (read against the PDF), the pages a print dialog left out, the two sources that list the tags
// no longer right with their columns, the history line, and a log that cannot be written.
#include <QPageRanges>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include "common/AdvDBEh.h"
#include "queue/QueueRecord.h"
#include "queue/ShelfTags.h"
#include "tests/queue/MainWindowFixture.h"
#include "tests/queue/SeededHost.h"

namespace pt::test {
namespace {

// The text of every page of a PDF.
std::vector<QString> PdfPageTexts(const QString& pdf) {
  QProcess p;
  p.start("pdftotext", {"-layout", pdf, "-"});
  p.waitForFinished(60000);
  QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split('\f');
  if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.removeLast();
  return {pages.begin(), pages.end()};
}

class ShelfTagWindow : public MainWindowFixture {
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
    w->cboTemplate->setCurrentIndex(w->cboTemplate->findText(QString::fromUtf8(templateName)));
    return w;
  }
  std::unique_ptr<MemTable> Rows(const std::string& sql) {
    auto t = std::make_unique<MemTable>();
    t->LoadPacket(host_->db.QueryNativePacket(sql));
    return t;
  }
  // A selling product with a main EAN-13 barcode that the condition admits.
  std::string Product(const std::string& where) {
    const std::unique_ptr<MemTable> rows = Rows(
        "select da.f_Spbm from tbSpda da join tbSptm tm on tm.f_Spbm=da.f_Spbm and tm.f_xh=1 where da.f_Mj=1 and "
        "length(tm.f_Sptm)=13 and da.f_Spbm in (select f_spbm from tblsdkz k,tbspjyztda z where "
        "k.f_jyztbm=z.f_jyztbm and f_yxxs=1) and " + where + " order by da.f_Spbm limit 1");
    EXPECT_EQ(rows->RecordCount(), 1) << where;
    return rows->IsEmpty() ? std::string() : rows->CellAt(0, 0).ToText();
  }
  // One product with an ordinary promotion in force today and two without any.
  void PickProducts() {
    promoted_ = Product(
        "da.f_Spbm in (select f_spbm from tbsptj where f_tjlx=0 and f_qsrq<='20241210' and f_jsrq>='20241210' "
        "and f_bmbm='') and da.f_Spbm not in (select f_spbm from tbsptj where f_tjlx=1)");
    const std::string plain = "da.f_Spbm not in (select f_spbm from tbsptj)";
    repriced_ = Product(plain);
    unchanged_ = Product(plain + " and da.f_Spbm>'" + repriced_ + "'");
  }
  void Queue(const std::vector<std::string>& codes) {
    for (const std::string& c : codes) {
      Type(QString::fromStdString(c));
      Enter();
    }
  }
  // Prints through the print dialog into a PDF; `choose` may narrow the pages and add copies.
  void PrintToPdf(const QString& pdf, std::function<void(QPrinter&)> choose = {}) {
    ui_.Then([pdf, choose](QDialog* d) {
      auto* dialog = qobject_cast<QPrintDialog*>(d);
      ASSERT_NE(dialog, nullptr);
      dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
      dialog->printer()->setOutputFileName(pdf);
      if (choose) choose(*dialog->printer());
      dialog->done(QDialog::Accepted);
    });
    ui_.messageAnswers.push_back(ui::kResultNo);  // keep the queue
    window_->tbnPrint->click();
  }
  std::vector<std::string> QueueCodes() const {
    std::vector<std::string> out;
    const int f = window_->cdsSpda.FieldIndex("f_Spbm");
    for (int r = 0; r < window_->cdsSpda.RecordCount(); ++r) out.push_back(window_->cdsSpda.CellAt(r, f).ToText());
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

  QTemporaryDir dir_;
  std::unique_ptr<SeededDatabaseFile> file_;
  std::unique_ptr<SeededHost> host_;
  std::string promoted_, repriced_, unchanged_;
};

TEST_F(ShelfTagWindow, APrintIsLoggedAsThePdfShowsItAndTheSourcesListTheTagsNoLongerRight) {
  TFrmspbqdy* w = OpenOn("通用标价签");
  PickProducts();
  ASSERT_FALSE(promoted_.empty() || repriced_.empty() || unchanged_.empty());
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
  PrintToPdf(pdf);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"是否清除打印内容?"})) << "recorded without a word";
  ui_.messages.clear();

  // One job, one row a label, holding what its page shows.
  const std::unique_ptr<MemTable> logRows = Rows(
      "select f_dyxh,f_hh,f_spbm,f_xsdj,f_tjjg,f_qsrq,f_jsrq,f_mbmc,f_zybm,f_dyrq,f_fs,f_bmbm from tbBqdyrz order by f_hh");
  const MemTable& log = *logRows;
  const std::vector<QString> pages = PdfPageTexts(pdf);
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
      EXPECT_FALSE(page.contains(QString::fromUtf8("促销价")));
    }
    EXPECT_EQ(cell("f_mbmc").ToText(), "通用标价签");
    EXPECT_EQ(cell("f_zybm").ToText(), "0001");
    EXPECT_EQ(cell("f_dyrq").ToText(), "20241210") << "the server's date";
    EXPECT_EQ(cell("f_fs").ToInt(), 1);
    EXPECT_EQ(cell("f_bmbm").ToText(), "");
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
  std::vector<std::string> listed = QueueCodes();
  std::sort(listed.begin(), listed.end());
  std::vector<std::string> expected{promoted_, repriced_};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
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

TEST_F(ShelfTagWindow, ALogThatCannotBeWrittenLeavesThePrintWholeAndSaysSoOnce) {
  TFrmspbqdy* w = OpenOn("普通标价签");
  PickProducts();
  host_->db.ExecNative("create table tbBqdyrz (f_dyxh int, f_spbm varchar(15))");  // not the module's
  Queue({promoted_, repriced_, unchanged_});
  const QString pdf = dir_.path() + "/labels.pdf";
  PrintToPdf(pdf);
  const std::vector<QString> pages = PdfPageTexts(pdf);
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

TEST_F(ShelfTagWindow, OnlyTheLabelsOnThePagesPrintedAreLoggedWithTheCopiesMade) {
  OpenOn("普通标价签");
  PickProducts();
  Queue({promoted_, repriced_, unchanged_});
  PrintToPdf(dir_.path() + "/page2.pdf", [](QPrinter& p) {
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
