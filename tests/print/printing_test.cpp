// Printing from the main window: template choice, the print settings dialog, the print pass into
// the print record, the print dialog, and labels printed to PDF on the seeded SQLite host.
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <optional>

#include "common/IniFile.h"
#include "hostapp/SeedData.h"
#include "printing/PrintRecord.h"
#include "printing/UnitDysz.h"
#include "report_engine/ReportPreview.h"
#include "tests/queue/MainWindowFixture.h"
#include "tests/queue/SeededHost.h"

namespace pt::test {
namespace {

class PrintingTest : public MainWindowFixture {
 protected:
  TFrmspbqdy* OpenWithTemplates(const std::vector<std::string>& names) {
    HealthyHostOptions o;
    o.templateNames = names;
    return OpenScripted(o);
  }
  void QueueAmountRows(TFrmspbqdy* w, int n) {
    for (int i = 0; i < n; ++i) {
      w->cdsSpda.Append();
      w->cdsSpda.Set("f_spbm", "A" + std::to_string(i));
      w->cdsSpda.Set("f_jekz", "1");
      w->cdsSpda.Set("f_xsdj", 3.5);
      w->cdsSpda.Post();
    }
  }
};

TEST_F(PrintingTest, TheTemplateMustBeChosenAndKnown) {
  TFrmspbqdy* w = OpenWithTemplates({"普通标价签"});
  w->tbnPrint->click();
  EXPECT_TRUE(ui_.messages.empty()) << "an empty queue prints nothing and says nothing";
  QueueAmountRows(w, 1);
  w->cboTemplate->setCurrentIndex(-1);
  w->tbnPreview->click();
  ASSERT_EQ(MessageTexts(), (std::vector<std::string>{"未选择打印模板！"}));
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "错误");
  w->cboTemplate->addItem("  别的模板  ");
  w->cboTemplate->setCurrentIndex(1);
  w->tbnPreview->click();
  EXPECT_EQ(MessageTexts().back(), "别的模板打印模板不存在！");
  EXPECT_TRUE(w->cdsPrint.IsEmpty());
  // A damaged template is named in the message, whatever the JSON reader found wrong.
  w->CdsTemplate.First();
  w->CdsTemplate.Edit();
  w->CdsTemplate.Set("f_ReportInfo", hostapp::HexTemplate(
      R"({"format":"pricetag-report","version":1,"page":{"width":1e400},"bands":[]})"));
  w->CdsTemplate.Post();
  w->cboTemplate->setCurrentIndex(0);
  w->tbnPreview->click();
  EXPECT_EQ(MessageTexts().back(), "打印模板“普通标价签”无法装入：报表模板已损坏，无法读取（第 61 个字节处）");
}

TEST_F(PrintingTest, SettingsDialogKeepsGradeReasonAndPeriodInTheFileAndTheRemarkInMemory) {
  TFrmspbqdy* w = OpenWithTemplates({"普通标价签"});
  ui_.Then([](QDialog* d) {
    auto* dlg = static_cast<printing::TfmDysz*>(d);
    EXPECT_EQ(dlg->feSpdj->text().toStdString(), "合格");
    EXPECT_EQ(dlg->feJjyy->text().toStdString(), "酬宾");
    EXPECT_EQ(dlg->cboDyLb->currentIndex(), 0);
    dlg->feSpdj->setText("");
    dlg->cboDyLb->setCurrentIndex(1);
    dlg->edtbz->setText("新品上市");
    dlg->btnOK->click();
  });
  w->TbnModify->click();
  EXPECT_EQ(ReadIniValue("Tallmerpos.ini", "SpBjqDy", "Spdj", "x", ""), "");
  EXPECT_EQ(ReadIniValue("Tallmerpos.ini", "SpBjqDy", "Dytj", "x", ""), "1");
  EXPECT_EQ(w->LabelRemark, "新品上市");
  ui_.Then([](QDialog* d) {
    auto* dlg = static_cast<printing::TfmDysz*>(d);
    EXPECT_EQ(dlg->edtbz->text().toStdString(), "新品上市");
    dlg->edtbz->setText("丢弃");
    dlg->btnCancel->click();
  });
  w->TbnModify->click();
  EXPECT_EQ(w->LabelRemark, "新品上市");

  // The next pass prints the next period and the empty grade; the remark stays.
  w->cdsSpda.Append();
  w->cdsSpda.Set("f_spbm", "001");
  w->cdsSpda.Set("f_xsdj", 5.0);
  w->cdsSpda.Set("f_BqPtXsdj", 4.0);
  w->cdsSpda.Set("f_XqPtXsdj", 3.0);
  w->cdsSpda.Post();
  w->LabelGrade = "手填";
  ui_.Then([](QDialog* d) { d->done(2); });  // the preview
  w->tbnPreview->click();
  EXPECT_EQ(w->PeriodChoice, "1");
  EXPECT_EQ(w->LabelGrade, "");
  EXPECT_DOUBLE_EQ(w->cdsPrint.GetFloat("f_Tjjg"), 3.0);
  ASSERT_NE(w->RMReport1.Variables().Find("bz"), nullptr);
  EXPECT_EQ(*w->RMReport1.Variables().Find("bz"), "新品上市");

  // A "Dytj" that is not a number is reported; the dialog opens on the current period.
  settings_.Write("[SpBjqDy]\r\nDytj=x\r\n");
  ui_.Then([](QDialog* d) {
    EXPECT_EQ(static_cast<printing::TfmDysz*>(d)->cboDyLb->currentIndex(), 0);
    d->done(2);
  });
  const size_t before = ui_.messages.size();
  w->TbnModify->click();
  EXPECT_EQ(ui_.messages.size(), before + 1);
}

TEST_F(PrintingTest, ARefusedSettingsWriteKeepsTheDialogOpenAndTheFileAsItWas) {
  TFrmspbqdy* w = OpenWithTemplates({"普通标价签"});
  w->LabelRemark = "旧备注";
  using Refusal = SettingsDir::Refusal;
  struct Case {
    const char* what;
    std::optional<Refusal> refusal;
    const char* grade;
    const char* reason;
  };
  const Case cases[] = {
      {"the file is a folder", Refusal::FileIsAFolder, "一等品", "清仓"},
      {"the folder cannot be written", Refusal::FolderNotWritable, "一等品", "清仓"},
      {"a grade with no GBK form", std::nullopt, "\u00A5", "清仓"},
      {"a reason with no GBK form after a good grade", std::nullopt, "一等品", "\xF0\x9F\x98\x80"},
  };
  for (const Case& c : cases) {
    SettingsDir dir;
    const std::string saved = "[SpBjqDy]\r\nSpdj=A\r\nDytj=0\r\n";
    if (c.refusal != Refusal::FileIsAFolder) dir.Write(saved);
    if (c.refusal) dir.Refuse(*c.refusal);
    auto onDisk = [&] {
      if (std::filesystem::is_directory(dir.path())) return std::string("<a folder>");
      std::ifstream in(dir.path(), std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = onDisk();
    ui_.messages.clear();
    bool openAfterOk = false;
    ui_.Then([&](QDialog* d) {
      auto* dlg = static_cast<printing::TfmDysz*>(d);
      dlg->feSpdj->setText(QString::fromUtf8(c.grade));
      dlg->feJjyy->setText(QString::fromUtf8(c.reason));
      dlg->cboDyLb->setCurrentIndex(1);
      dlg->edtbz->setText("新备注");
      dlg->btnOK->click();
      openAfterOk = d->isVisible();
      EXPECT_EQ(dlg->feSpdj->text().toStdString(), c.grade) << c.what << ": what the clerk typed stays";
      dlg->btnCancel->click();
    });
    w->TbnModify->click();
    EXPECT_TRUE(openAfterOk) << c.what;
    ASSERT_EQ(ui_.messages.size(), 1u) << c.what;
    const std::string text = ui_.messages[0].text.toStdString();
    EXPECT_EQ(text.rfind("无法写入设置文件 " + dir.path() + "：", 0), 0u) << c.what << ": " << text;
    EXPECT_EQ(ui_.messages[0].caption.toStdString(), "错误") << c.what;
    EXPECT_EQ(onDisk(), before) << c.what;
    EXPECT_EQ(w->LabelRemark, "旧备注") << c.what;
  }
}

TEST_F(PrintingTest, ThePassKeepsTheQueuePositionAndPreviewShowsOneLabelPerRow) {
  TFrmspbqdy* w = OpenWithTemplates({"Ordinary"});
  // The list's template text is what the seeded host stores; here a real stock template.
  QueueAmountRows(w, 3);
  w->cdsSpda.SetRecNo(2);
  w->CdsTemplate.First();
  w->CdsTemplate.Edit();
  w->CdsTemplate.Set("f_Reportname", "ORDINARY");
  w->CdsTemplate.Set("f_ReportInfo", hostapp::HexTemplate(R"({"format":"pricetag-report","version":1,"name":"t",
    "page":{"width":60,"height":40},"bands":[{"type":"masterData","height":40,"objects":[
    {"type":"text","x":1,"y":1,"width":50,"height":8,"text":"[cdsPrint.\"f_Spbm\"]"}]}]})"));
  w->CdsTemplate.Post();
  w->cboTemplate->setItemText(0, "ordinary   ");
  int pages = -1;
  ui_.Then([&](QDialog* d) {
    if (auto* preview = qobject_cast<report::TReportPreview*>(d)) pages = static_cast<int>(preview->Report().pages.size());
    d->done(2);
  });
  w->tbnPreview->click();
  EXPECT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  EXPECT_EQ(pages, 3);
  EXPECT_EQ(w->cdsPrint.RecordCount(), 3);
  EXPECT_EQ(w->cdsSpda.RecNo(), 2);
  EXPECT_TRUE(w->DetailRefresh);
  EXPECT_EQ(*w->RMReport1.Variables().Find("CurDate"), "20241210");
  EXPECT_EQ(*w->RMReport1.Variables().Find("dj"), "合格");
}

// Labels of real products through a stock template to a PDF, read back with pdftotext.
class PrintToPdf : public MainWindowFixture, public ::testing::WithParamInterface<Backend> {
 protected:
  void SetUp() override {
    file_ = std::make_unique<SeededDatabaseFile>(300, "02", "20241210", GetParam());
    host_ = std::make_unique<SeededHost>(*file_);
    db_ = &host_->db;
    service_ = &host_->service;
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    host_.reset();
  }
  QTemporaryDir dir_;
  std::unique_ptr<SeededDatabaseFile> file_;
  std::unique_ptr<SeededHost> host_;
  hostapp::HostDatabase* db_ = nullptr;
  hostapp::DbHostService* service_ = nullptr;
};

TEST_P(PrintToPdf, PdftotextFindsNamesPricesAndBarcodesInQueueOrder) {
  TFrmspbqdy* w = Open(*service_);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  const int ordinary = w->cboTemplate->findText("普通标价签");
  ASSERT_GE(ordinary, 0);
  w->cboTemplate->setCurrentIndex(ordinary);
  MemTable codes;
  codes.LoadPacket(db_->QueryNativePacket(
      "select da.f_Spbm from tbSpda da join tbSptm tm on tm.f_Spbm=da.f_Spbm and tm.f_xh=1 where da.f_Mj=1 and "
      "length(tm.f_Sptm)=13 and da.f_Spbm in (select f_spbm from tblsdkz k,tbspjyztda z where "
      "k.f_jyztbm=z.f_jyztbm and f_yxxs=1) order by da.f_Spbm limit 3"));
  ASSERT_EQ(codes.RecordCount(), 3);
  for (codes.First(); !codes.Eof(); codes.Next()) {
    Type(QString::fromStdString(codes.GetText("f_Spbm")));
    Enter();
  }
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  ASSERT_GE(w->cdsSpda.RecordCount(), 3);

  const QString pdf = dir_.path() + "/labels.pdf";
  PrintQueueToPdf(pdf);
  ASSERT_EQ(MessageTexts(), (std::vector<std::string>{"是否清除打印内容?"}));
  EXPECT_EQ(ui_.messages[0].caption.toStdString(), "提示信息");
  EXPECT_FALSE(w->cdsSpda.IsEmpty()) << "No keeps the queue";

  QProcess p;
  p.start("pdftotext", {"-layout", pdf, "-"});
  ASSERT_TRUE(p.waitForFinished(30000));
  const std::string text = QString::fromUtf8(p.readAllStandardOutput()).toStdString();
  // Printing makes the print records as it goes; the same records, made again, say what to find.
  MemTable records("cdsPrint");
  printing::DefinePrintFields(records);
  records.CreateDataSet();
  bool detail = true;
  std::string failure;
  ASSERT_TRUE(printing::FillPrintRecords(w->cdsSpda, records, w->PeriodChoice, detail, failure));
  size_t at = 0;
  for (int i = 0; i < records.RecordCount(); ++i) {
    const std::string name = records.CellAt(i, records.FieldIndex("f_Spmc")).ToText();
    const std::string price = records.DisplayTextAt(i, records.FieldIndex("f_Xsdj"));
    const std::string barcode = records.CellAt(i, records.FieldIndex("f_Sptm")).ToText();
    const size_t n = text.find(name, at);
    ASSERT_NE(n, std::string::npos) << name << "\n" << text;
    EXPECT_NE(text.find(FormatFloat("0.00", std::stod(price.empty() ? "0" : price)), n), std::string::npos) << price;
    const size_t b = text.find(barcode.substr(1, 6), n);
    EXPECT_NE(b, std::string::npos) << barcode;
    at = n + name.size();
  }

  // Printing again and answering Yes empties the queue.
  ui_.Then([&](QDialog* d) {
    auto* dialog = qobject_cast<QPrintDialog*>(d);
    dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
    dialog->printer()->setOutputFileName(pdf);
    dialog->done(QDialog::Accepted);
  });
  ui_.messageAnswers.push_back(ui::kResultYes);
  w->tbnPrint->click();
  EXPECT_TRUE(w->cdsSpda.IsEmpty());
  EXPECT_EQ(Counter(), "打印商品总计个数:");

  // A cancelled print dialog prints nothing; the question still follows.
  Type(QString::fromStdString(codes.GetText("f_Spbm")));
  Enter();
  ui_.Then([](QDialog* d) { d->done(QDialog::Rejected); });
  ui_.messageAnswers.push_back(ui::kResultNo);
  const size_t asked = ui_.messages.size();
  w->tbnPrint->click();
  EXPECT_EQ(ui_.messages.size(), asked + 1);
}

PT_INSTANTIATE_BACKENDS(PrintToPdf);

}  // namespace
}  // namespace pt::test
