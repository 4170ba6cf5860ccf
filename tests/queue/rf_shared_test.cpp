// One database shared by a store: two workstations (processes of their own, each running the
// module's RF transfer with every chooser row ticked, again and again) and a handheld that keeps
// uploading requests to the same batches meanwhile. Every request must end either fed to exactly
// one queue or still waiting, never deleted unfed.
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "hostapp/HostDatabase.h"
#include "hostapp/SqliteHostService.h"
#include "dialogs/FlatControls.h"
#include "queue/UnitRF.h"
#include "tests/queue/MainWindowFixture.h"
#include "tests/queue/SeededHost.h"

namespace pt::test {
namespace {

constexpr const char* kToday = "20241210";
constexpr const char* kWorkstationDb = "PRICETAG_RF_WORKSTATION_DB";
constexpr const char* kWorkstationOut = "PRICETAG_RF_WORKSTATION_OUT";

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string Trimmed(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// The workstation: started by the test below as a process of its own. It transfers every listed
// batch, writes the codes its queue received to its output file, empties the queue and starts
// again, until a few rounds in a row find nothing to transfer.
class RfWorkstation : public MainWindowFixture {
 protected:
  void TearDown() override {
    MainWindowFixture::TearDown();  // the module lets go of the service first
    service_.reset();
    db_.reset();
  }
  std::unique_ptr<hostapp::HostDatabase> db_;
  std::unique_ptr<hostapp::DbHostService> service_;
};

TEST_F(RfWorkstation, TransfersUntilNothingIsLeft) {
  const std::string target = Env(kWorkstationDb);
  if (target.empty()) GTEST_SKIP() << "started only as a workstation of RfSharedByAStore";
  db_ = std::make_unique<hostapp::HostDatabase>(target, hostapp::ServerClock::Pinned(kToday));
  service_ = std::make_unique<hostapp::DbHostService>(*db_);
  TFrmspbqdy* w = Open(*service_);
  ASSERT_NE(w, nullptr);
  std::ofstream out(Env(kWorkstationOut), std::ios::app);
  int idle = 0;
  for (int round = 0; round < 200 && idle < 4; ++round) {
    int rows = 0;
    ui_.Then([&rows](QDialog* d) {
      auto* rf = qobject_cast<TFrmRF*>(d);
      ASSERT_NE(rf, nullptr);
      rows = rf->lsvRF->topLevelItemCount();
      for (int i = 0; i < rows; ++i) rf->lsvRF->topLevelItem(i)->setCheckState(TFrmRF::ColEmployee, Qt::Checked);
      rf->btnOK->click();
    });
    w->NRF->trigger();
    for (const auto& m : ui_.messages) ADD_FAILURE() << m.text.toStdString();
    ui_.messages.clear();
    for (int i = 0; i < w->cdsSpda.RecordCount(); ++i)
      out << w->cdsSpda.CellAt(i, w->cdsSpda.FieldIndex("f_Spbm")).ToText() << "\n";
    out.flush();
    w->cdsSpda.EmptyDataSet();
    idle = rows == 0 ? idle + 1 : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(rows == 0 ? 150 : 20));
  }
}

class RfSharedByAStore : public ::testing::TestWithParam<Backend> {};

TEST_P(RfSharedByAStore, EveryRequestIsFedOnceOrStillWaiting) {
  hostapp::SeedOptions o;
  o.products = 400;
  o.serverDate = kToday;
  o.unitType = "02";
  o.salesLines = 0;
  SeededDatabaseFile file(o, GetParam());
  std::vector<std::string> codes;
  {
    hostapp::HostDatabase db(file.path(), hostapp::ServerClock::Pinned(kToday));
    db.ExecNative("delete from tbRFBjq");
    // Products the code entry queues (their business status allows sale), each requested once.
    hostapp::Statement st(db,
                          "select da.f_Spbm from tbSpda da where f_Mj=1 and da.f_Spbm in (select f_spbm from tblsdkz k, "
                          "tbspjyztda z where k.f_jyztbm=z.f_jyztbm and f_yxxs=1) order by da.f_Spbm");
    while (st.Step() && codes.size() < 150) codes.push_back(st.Text(0));
  }
  ASSERT_EQ(codes.size(), 150u);

  QTemporaryDir dir;
  auto startWorkstation = [&](const std::string& name) {
    auto* p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kWorkstationDb, QString::fromStdString(file.path()));
    env.insert(kWorkstationOut, dir.filePath(QString::fromStdString(name)));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    p->start(QCoreApplication::applicationFilePath(), {"--gtest_filter=RfWorkstation.TransfersUntilNothingIsLeft"});
    return p;
  };
  // The handheld uploads the first requests, the workstations start, and it goes on uploading to
  // the same three batches while they transfer.
  const char* batches[][2] = {{"0004", "20241210091500"}, {"0005", "20241210093000"}, {"0004", "20241210101500"}};
  hostapp::HostDatabase handheld(file.path(), hostapp::ServerClock::Pinned(kToday));
  auto upload = [&](size_t i) {
    const auto& b = batches[i % 3];
    handheld.ExecNative(std::string("insert into tbRFBjq(f_Zybm,f_Sj,f_Spbm) values('") + b[0] + "','" + b[1] + "','" +
                        codes[i] + "')");
  };
  for (size_t i = 0; i < 30; ++i) upload(i);
  std::unique_ptr<QProcess> a(startWorkstation("a.txt")), b(startWorkstation("b.txt"));
  ASSERT_TRUE(a->waitForStarted() && b->waitForStarted());
  for (size_t i = 30; i < codes.size(); ++i) {
    upload(i);
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  ASSERT_TRUE(a->waitForFinished(300000) && b->waitForFinished(300000));
  EXPECT_EQ(a->exitCode(), 0);
  EXPECT_EQ(b->exitCode(), 0);

  std::multiset<std::string> fed;
  std::map<std::string, int> perWorkstation;
  for (const char* name : {"a.txt", "b.txt"}) {
    std::ifstream in(dir.filePath(name).toStdString());
    for (std::string line; std::getline(in, line);) {
      fed.insert(Trimmed(line));
      ++perWorkstation[name];
    }
  }
  std::multiset<std::string> waiting;
  {
    hostapp::Statement st(handheld, "select f_Spbm from tbRFBjq");
    while (st.Step()) waiting.insert(Trimmed(st.Text(0)));
  }
  std::multiset<std::string> all = fed;
  all.insert(waiting.begin(), waiting.end());
  EXPECT_EQ(all, std::multiset<std::string>(codes.begin(), codes.end()));  // nothing lost, nothing twice
  for (const std::string& c : fed) EXPECT_EQ(fed.count(c), 1u) << c << " was fed more than once";
  EXPECT_GT(perWorkstation["a.txt"] + perWorkstation["b.txt"], 100) << "the transfers fed too little to show anything";
}

PT_INSTANTIATE_BACKENDS(RfSharedByAStore);

}  // namespace
}  // namespace pt::test
