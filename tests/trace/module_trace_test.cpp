// The main window on the seeded SQLite host behind the call trace: a typed code, an import and
// a free query leave their conditions and modes in the trace file, in order, one JSON line per
// call, each complete before the call returned.
#include <QTemporaryDir>
#include <fstream>
#include <nlohmann/json.hpp>

#include "dialogs/FlatControls.h"
#include "dialogs/UnitQuerySet.h"
#include "hostapp/TraceHostService.h"
#include "tests/queue/MainWindowFixture.h"
#include "tests/queue/SeededHost.h"

namespace pt::test {
namespace {

class ModuleTrace : public MainWindowFixture, public ::testing::WithParamInterface<Backend> {
 protected:
  void SetUp() override {
    file_ = std::make_unique<SeededDatabaseFile>(200, "02", "20241210", GetParam());
    host_ = std::make_unique<SeededHost>(*file_);
    db_ = &host_->db;
    service_ = &host_->service;
    tracePath_ = dir_.path().toStdString() + "/calls.jsonl";
    trace_ = std::make_unique<hostapp::TraceHostService>(*service_, tracePath_);
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    trace_.reset();
    host_.reset();
  }
  std::vector<nlohmann::json> Records() const {
    std::vector<nlohmann::json> out;
    std::ifstream in(tracePath_);
    std::string line;
    while (std::getline(in, line)) out.push_back(nlohmann::json::parse(line));
    return out;
  }
  std::string FirstCode() {
    MemTable t;
    t.LoadPacket(db_->QueryNativePacket("select f_Spbm from tbSpda where f_Mj=1 order by f_Spbm limit 2"));
    t.Last();
    return t.GetText("f_Spbm");
  }

  QTemporaryDir dir_;
  std::unique_ptr<SeededDatabaseFile> file_;
  std::unique_ptr<SeededHost> host_;
  hostapp::HostDatabase* db_ = nullptr;
  hostapp::DbHostService* service_ = nullptr;
  std::string tracePath_;
  std::unique_ptr<hostapp::TraceHostService> trace_;
};

TEST_P(ModuleTrace, ConditionsAndModesReachTheTraceInOrder) {
  TFrmspbqdy* w = Open(*trace_);
  ASSERT_NE(w, nullptr);
  const std::string code = FirstCode();
  Type(QString::fromStdString(code));
  Enter();
  w->N3->trigger();
  const std::string file = dir_.path().toStdString() + "/codes.txt";
  std::ofstream(file, std::ios::binary) << code << "\r\n" << "O'K\r\n";
  ui_.openFileAnswers.push_back(QString::fromStdString(file));
  w->btnimport->click();
  // O'K found no product: the clerk is told, and declines to save it (no host call either).
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text.toStdString().rfind("导入的2个商品编码中，有1个没有找到商品：\r\nO'K", 0), 0u);
  ui_.messages.clear();
  w->chkDtm->setChecked(true);
  ui_.Then([&](QDialog* d) {
    auto* qs = static_cast<TFrmQuerySet*>(d);
    qs->cbxField->setCurrentText(QString::fromUtf8("商品名称"));
    qs->cbxFactor->setCurrentIndex(6);
    qs->editValue->setText("可");
    qs->btnAddLogic->click();
    qs->btnOK->click();
  });
  w->TbnSearch->click();
  ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text.toStdString();

  const auto records = Records();
  ASSERT_FALSE(records.empty());
  // Start-up first: database type, month, date, the operator's name, parameters, templates.
  std::vector<std::string> startup;
  for (size_t i = 0; i < 6; ++i) startup.push_back(records[i]["op"]);
  EXPECT_EQ(startup, (std::vector<std::string>{"GetDatabaseType", "GetServerMonth", "GetServerDate", "LookupRows",
                                               "GetSystemParameters", "GetReportTemplates"}));
  struct Sent { int64_t mode; std::string condition; };
  std::vector<Sent> queries;
  for (size_t i = 0; i < records.size(); ++i) {
    const auto& r = records[i];
    EXPECT_EQ(r["seq"].get<int64_t>(), static_cast<int64_t>(i + 1));
    EXPECT_TRUE(r.contains("ms"));
    if (r["op"] != "QueryProducts") continue;
    EXPECT_EQ(r["disp"].get<int>(), 143);
    EXPECT_TRUE(r["result"].get<bool>());
    queries.push_back({r["args"][0].get<int64_t>(), r["args"][1]["record"]["f_Tj"].get<std::string>()});
  }
  const std::string sale = queue::kSaleClause;
  const std::vector<std::pair<int64_t, std::string>> want = {
      {4, " da.f_Spbm='" + code + "' " + sale},  // the typed code
      {5, code},                                  // its histories
      {6, code},
      {4, " da.f_Spbm in ('" + code + "','O''K')"},  // the import, no sale clause
      {5, code},
      {6, code},
      {2, "(  da.f_Spmc LIKE '%可%' )" + sale},  // the free query with "多条码" ticked
  };
  ASSERT_GE(queries.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(queries[i].mode, want[i].first) << i;
    EXPECT_EQ(queries[i].condition, want[i].second) << i;
  }
}

TEST_P(ModuleTrace, TheTraceFileIsAppendedNotTruncated) {
  { std::ofstream(tracePath_, std::ios::app) << R"({"earlier":true})" << "\n"; }
  trace_ = std::make_unique<hostapp::TraceHostService>(*service_, tracePath_);
  Open(*trace_);
  const auto records = Records();
  ASSERT_GT(records.size(), 1u);
  EXPECT_TRUE(records[0]["earlier"].get<bool>());
}

PT_INSTANTIATE_BACKENDS(ModuleTrace);

}  // namespace
}  // namespace pt::test
