// The main window inside a host panel on the stand-in host's SQLite data service, on a seeded
// database: what a clerk types reaches the queue with the host's data, and the module sends the
// conditions it should.
#include <QTemporaryDir>
#include <fstream>
#include <set>

#include "common/AdvDBEh.h"
#include "dialogs/FlatControls.h"
#include "dialogs/UnitQuerySet.h"
#include "tests/queue/MainWindowFixture.h"
#include "tests/queue/SeededHost.h"

namespace pt::test {
namespace {

class QueueOnSeededHost : public MainWindowFixture, public ::testing::WithParamInterface<Backend> {
 protected:
  static void SetUpTestSuite() {
    masters_ = new SeededMasters(10000, "02", "20241210");
  }
  static void TearDownTestSuite() { delete masters_; }

  void SetUp() override {
    host_ = std::make_unique<SeededHost>(masters_->For(GetParam()));
    db_ = &host_->db;
    proxy_ = &host_->proxy;
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    host_.reset();
  }

  // Product codes the seeded database sells (business status allows sale), in code order.
  std::vector<std::string> SellingCodes(int limit) {
    MemTable t;
    t.LoadPacket(db_->QueryNativePacket(
        "select da.f_Spbm, da.f_Spmc from tbSpda da where f_Mj=1 and da.f_Spbm in (select f_spbm from tblsdkz "
        "k,tbspjyztda z where k.f_jyztbm=z.f_jyztbm and f_yxxs=1) order by da.f_Spbm limit " +
        std::to_string(limit)));
    std::vector<std::string> out;
    for (t.First(); !t.Eof(); t.Next()) out.push_back(t.GetText("f_Spbm"));
    return out;
  }
  std::string NameOf(const std::string& code) {
    MemTable t;
    t.LoadPacket(db_->QueryNativePacket("select f_Spmc from tbSpda where f_Spbm='" + code + "'"));
    return t.GetText("f_Spmc");
  }
  std::vector<RecordingHost::Call> ProductQueries() const {
    std::vector<RecordingHost::Call> out;
    for (const auto& c : proxy_->calls())
      if (c.dispId == disp::QueryProducts && c.argsIn[0].ToInt() != 5 && c.argsIn[0].ToInt() != 6) out.push_back(c);
    return out;
  }

  static SeededMasters* masters_;
  std::unique_ptr<SeededHost> host_;
  hostapp::HostDatabase* db_ = nullptr;
  RecordingProxy* proxy_ = nullptr;
};

SeededMasters* QueueOnSeededHost::masters_ = nullptr;

TEST_P(QueueOnSeededHost, ATypedCodeReachesTheQueueWithTheHostsData) {
  TFrmspbqdy* w = Open(*proxy_);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  EXPECT_GE(w->cboTemplate->count(), 3);
  const std::string code = SellingCodes(1).at(0);
  Type(QString::fromStdString(code));
  Enter();
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  auto q = ProductQueries();
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(q[0].argsIn[0], Variant(4));
  EXPECT_EQ(ConditionOf(q[0]), " da.f_Spbm='" + code + "' " + queue::kSaleClause);
  ASSERT_GE(w->cdsSpda.RecordCount(), 1);
  w->cdsSpda.First();
  EXPECT_EQ(w->cdsSpda.GetText("f_Spbm"), code);
  EXPECT_EQ(w->cdsSpda.GetText("f_Spmc"), NameOf(code));
  EXPECT_FALSE(w->cdsSpda.IsNull("f_Xsdj"));
  EXPECT_EQ(Counter(), "打印商品总计个数:" + std::to_string(w->cdsSpda.RecordCount()));
}

TEST_P(QueueOnSeededHost, AFreeQueryReplacesTheQueue) {
  TFrmspbqdy* w = Open(*proxy_);
  const std::string code = SellingCodes(1).at(0);
  Type(" ");
  Enter();
  ui_.Then([&](QDialog* d) {
    auto* qs = static_cast<TFrmQuerySet*>(d);
    qs->cbxField->setCurrentText(QString::fromUtf8("商品编码"));
    qs->cbxFactor->setCurrentIndex(0);
    qs->editValue->setText(QString::fromStdString(code));
    qs->btnAddLogic->click();
    qs->btnOK->click();
  });
  w->TbnSearch->click();
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();
  auto q = ProductQueries();
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(ConditionOf(q[0]), "(  da.f_Spbm = '" + code + "' )" + queue::kSaleClause);
  ASSERT_GE(w->cdsSpda.RecordCount(), 1);
  for (int i = 0; i < w->cdsSpda.RecordCount(); ++i) EXPECT_EQ(w->cdsSpda.CellAt(i, 2).ToText(), code);
}

TEST_P(QueueOnSeededHost, AnImportOfTenThousandCodesReplacesTheQueue) {
  TFrmspbqdy* w = Open(*proxy_);
  w->N3->trigger();
  const auto codes = SellingCodes(20000);
  ASSERT_GE(codes.size(), 5000u);
  QTemporaryDir files;
  const std::string path = files.path().toStdString() + "/codes.txt";
  {
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < 10000; ++i) out << (i < codes.size() ? codes[i] : "NO" + std::to_string(i)) << "\r\n";
  }
  ui_.openFileAnswers.push_back(QString::fromStdString(path));
  ui_.messageAnswers.push_back(ui::kResultNo);
  w->btnimport->click();
  // The codes the database does not sell found no product; the clerk is told, after the import.
  const size_t unknown = 10000 - std::min<size_t>(codes.size(), 10000);
  if (unknown > 0) {
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(MessageTexts()[0].rfind("导入的10000个商品编码中，有" + std::to_string(unknown) + "个没有找到商品：\r\nNO", 0), 0u)
        << MessageTexts()[0];
  } else {
    EXPECT_TRUE(ui_.messages.empty());
  }
  auto q = ProductQueries();
  ASSERT_EQ(q.size(), 1u);
  const std::string condition = ConditionOf(q[0]);
  EXPECT_EQ(condition.rfind(" da.f_Spbm in ('" + codes[0] + "','" + codes[1] + "',", 0), 0u);
  std::set<std::string> queued;
  for (int i = 0; i < w->cdsSpda.RecordCount(); ++i) queued.insert(w->cdsSpda.CellAt(i, 2).ToText());
  EXPECT_EQ(queued.size(), std::min<size_t>(codes.size(), 10000));
  EXPECT_EQ(Counter(), "打印商品总计个数:" + std::to_string(w->cdsSpda.RecordCount()));
}

TEST_P(QueueOnSeededHost, AnImportSaysWhichCodesFoundNoProductAndSavesThemOnRequest) {
  // A product with a second barcode: importing that one queues the product under its main one.
  MemTable second;
  second.LoadPacket(db_->QueryNativePacket(
      "select f_Sptm, f_Spbm from tbSptm where f_xh=0 and f_dwbl=1 and f_Spbm in (select f_Spbm from tbSptm where "
      "f_xh=1 and f_dwbl=1) order by f_Spbm limit 1"));
  ASSERT_EQ(second.RecordCount(), 1);
  const std::string barcode = second.GetText("f_Sptm");
  TFrmspbqdy* w = Open(*proxy_);
  w->N5->trigger();
  QTemporaryDir files;
  const std::string path = files.path().toStdString() + "/codes.txt";
  // A file saved on Windows, a code typed with blanks around it, and two barcodes nobody has.
  std::ofstream(path, std::ios::binary) << barcode << " \r\n  6900000000000\r\n\r\n6911111111111\r\r\n";
  const std::string saved = files.path().toStdString() + "/missing.txt";
  ui_.openFileAnswers.push_back(QString::fromStdString(path));
  ui_.messageAnswers = {ui::kResultYes};
  ui_.saveFileAnswers.push_back(QString::fromStdString(saved));
  w->btnimport->click();
  auto q = ProductQueries();
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(ConditionOf(q[0]), " tm.f_Sptm in ('" + barcode + "','6900000000000','','6911111111111')");
  ASSERT_GE(w->cdsSpda.RecordCount(), 1);
  EXPECT_EQ(w->cdsSpda.GetText("f_Spbm"), second.GetText("f_Spbm"));
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(MessageTexts()[0],
            "导入的3个商品条码中，有2个没有找到商品：\r\n6900000000000\r\n6911111111111\r\n\r\n"
            "是否把这2个商品条码保存到文本文件？");
  EXPECT_EQ(ui_.messages[0].buttons, ui::Buttons::YesNo);
  EXPECT_EQ(MessageTexts()[1], "已把2个商品条码保存到 " + saved);
  std::ifstream in(saved, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "6900000000000\r\n6911111111111\r\n");

  // Every code found: nothing more is said.
  ui_.messages.clear();
  std::ofstream(path, std::ios::binary) << barcode << "\r\n";
  ui_.openFileAnswers.push_back(QString::fromStdString(path));
  w->btnimport->click();
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_GE(w->cdsSpda.RecordCount(), 1);
}

PT_INSTANTIATE_BACKENDS(QueueOnSeededHost);

}  // namespace
}  // namespace pt::test
