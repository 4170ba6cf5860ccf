// pricetag-print end to end on a seeded database: every source to a PDF read back with
// pdftotext, copies and the start position in pages and places, calibration in the PDF's
// coordinates, bad input, and RF requests deleted only after their labels were written, kept by
// a host that fails half-way, and never printed twice.
#include <QCoreApplication>
#include <QFile>
#include <QPointF>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "common/IniFile.h"
#include "hostapp/BatchPrint.h"
#include "hostapp/HostDatabase.h"
#include "hostapp/SqliteHostService.h"
#include "queue/QueueFile.h"
#include "queue/QueueRecord.h"
#include "tests/queue/SeededHost.h"

namespace pt::test {
namespace {

constexpr double kPointsPerMm = 72 / 25.4;

QString Pdftotext(const QString& pdf, const QStringList& options = {"-layout"}) {
  QProcess p;
  p.start("pdftotext", QStringList(options) << pdf << "-");
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const QString& pdf) {
  QProcess p;
  p.start("pdfinfo", {pdf});
  p.waitForFinished(30000);
  const auto m = QRegularExpression(R"(Pages:\s+(\d+))").match(QString::fromUtf8(p.readAllStandardOutput()));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// xMin, yMin (points) of the first word reading exactly `text`.
std::optional<QPointF> WordAt(const QString& pdf, const QString& text) {
  const QString html = Pdftotext(pdf, {"-bbox"});
  const QRegularExpression word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re");
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    if (m.captured(3) == text) return QPointF(m.captured(1).toDouble(), m.captured(2).toDouble());
  }
  return std::nullopt;
}

struct Outcome {
  int status = -1;
  QString out, err;
};

class BatchPrint : public ::testing::TestWithParam<Backend> {
 protected:
  static void TearDownTestSuite() { masters_.clear(); }
  // The unit the seeded database is: a store, or headquarters in the suite below.
  virtual const char* UnitType() const { return "02"; }
  void SetUp() override {
    // Every test prints on a database of its own: RF requests are deleted along the way.
    auto& masters = masters_[UnitType()];
    if (!masters) masters = std::make_unique<SeededMasters>(300, UnitType(), kServerDate);
    copy_ = std::make_unique<SeededCopy>(masters->For(GetParam()));
    db_ = QString::fromStdString(copy_->path());
    // The RF journal of a server database goes to the per-user data folder: this test's own.
    qputenv("XDG_DATA_HOME", dir_.path().toUtf8());
  }
  void TearDown() override { qunsetenv("XDG_DATA_HOME"); }

  Outcome Print(QStringList args) {
    args = QStringList{"--db", db_, "--settings", dir_.path()} + args;
    QProcess p;
    p.start(PRICETAG_PRINT_EXE, args);
    EXPECT_TRUE(p.waitForFinished(180000)) << args.join(" ").toStdString();
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
  }

  std::string Query(const std::string& sql) {
    hostapp::HostDatabase db(db_.toStdString(), hostapp::ServerClock::Pinned(kServerDate));
    MemTable t;
    t.LoadPacket(db.QueryNativePacket(sql));
    std::string out;
    for (int r = 0; r < t.RecordCount(); ++r) out += (r ? "," : "") + t.CellAt(r, 0).ToText();
    return out;
  }
  int PendingRf() { return std::stoi(Query("select count(*) from tbRFBjq where f_Zybm in (select f_Zybm from tbZyda)")); }

  // A run that must print nothing: its status, a line on standard error, no file.
  struct Refusal {
    QStringList args;
    int status;
    const char* says;
  };
  Outcome ExpectRefused(const Refusal& c, const QString& pdf) {
    const Outcome r = Print(c.args);
    SCOPED_TRACE(c.args.join(" ").toStdString() + "\n" + r.err.toStdString());
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says)));
    EXPECT_FALSE(QFile::exists(pdf));
    return r;
  }

  void Settings(const std::string& text) {
    QFile f(dir_.path() + "/Tallmerpos.ini");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.c_str());
  }

  static constexpr const char* kServerDate = "20241210";
  static std::map<std::string, std::unique_ptr<SeededMasters>> masters_;
  QTemporaryDir dir_;
  std::unique_ptr<SeededCopy> copy_;
  QString db_;
};
std::map<std::string, std::unique_ptr<SeededMasters>> BatchPrint::masters_;

TEST_P(BatchPrint, EverySourcePrintsItsProductsAndSaysSoInOneLine) {
  const std::string someCodes = Query(
      "select f_spbm from tbSpda where f_Mj=1 and f_Spbm in (select f_spbm from tblsdkz where f_jyztbm='01') "
      "order by f_spbm limit 3");
  QFile codes(dir_.path() + "/codes.txt");
  ASSERT_TRUE(codes.open(QIODevice::WriteOnly));
  codes.write(QString::fromStdString(someCodes).replace(",", "\r\n").toUtf8() + "\r\n999999\r\n");
  codes.close();
  const std::string bill = Query("select min(f_djh) from tb202412_spdj_zb where f_zxbz=1 and f_djlx=0");
  // The last days something started on, for the sources that look at the server date.
  const QString timedDay = QString::fromStdString(
      Query("select max(f_qsrq) from tbxsxl where abs(f_xsdj)>0.005 and f_qsrq<='20241210'"));
  const QString quantityDay = QString::fromStdString(
      Query("select max(f_qsrq) from tbPlzj where f_xsdj>0 and f_qsrq<='20241210'"));
  const int pending = PendingRf();

  struct Case { QStringList source; QString name; };
  const Case cases[] = {
      {{"--codes", codes.fileName()}, "codes"},
      {{"--new-since", "20241130"}, "new-since"},
      {{"--price-changes", "20241210"}, "price-changes"},
      {{"--time-limited", "--server-date", timedDay}, "time-limited"},
      {{"--quantity-pricing", "--server-date", quantityDay}, "quantity-pricing"},
      {{"--bill", QString::fromStdString(bill)}, "bill"},
      {{"--rf"}, "rf"},
  };
  for (const Case& c : cases) {
    const QString pdf = dir_.path() + "/" + c.name + ".pdf";
    const Outcome r = Print(QStringList{"--template", "普通标价签", "--pdf", pdf} + c.source);
    SCOPED_TRACE(c.name.toStdString() + "\n" + r.err.toStdString());
    ASSERT_EQ(r.status, 0);
    const auto summary = QRegularExpression(R"(^pricetag-print: ([a-z-]+): (\d+) rows?, (\d+) labels?, (\d+) pages? -> (.+)\n$)")
                             .match(r.out);
    ASSERT_TRUE(summary.hasMatch()) << r.out.toStdString();
    EXPECT_EQ(summary.captured(1), c.name);
    EXPECT_EQ(summary.captured(5), pdf);
    const int pages = summary.captured(4).toInt();
    EXPECT_GT(pages, 0);
    EXPECT_EQ(PdfPages(pdf), pages);
    EXPECT_EQ(Pdftotext(pdf).count(QString::fromUtf8("零售价(元)")), pages) << "one roll label a page";
    if (c.name == "codes") {
      for (const QString& code : QString::fromStdString(someCodes).split(","))
        EXPECT_TRUE(Pdftotext(pdf).contains(QString::fromUtf8("编码:") + code)) << code.toStdString();
      EXPECT_TRUE(r.err.contains(QString::fromUtf8("档案中无商品编码为999999的商品或商品不允许销售!")));
    }
  }
  EXPECT_LT(PendingRf(), pending) << "the printed requests are gone";
  const Outcome again = Print({"--template", "普通标价签", "--pdf", dir_.path() + "/again.pdf", "--rf"});
  EXPECT_EQ(again.status, 1);
  EXPECT_TRUE(again.err.contains(QString::fromUtf8("没有待打印的RF标价签请求"))) << again.err.toStdString();
}

TEST_P(BatchPrint, CopiesFromAKeptQueueAndTheStartPositionShowInPagesAndPlaces) {
  const std::string codes = Query(
      "select f_spbm from tbSpda where f_Mj=1 and f_Spbm in (select f_spbm from tblsdkz where f_jyztbm='01') "
      "order by f_spbm limit 2");
  const QString queueFile = dir_.path() + "/kept.ptq";
  {
    // A queue made from the first two products, the first with 10 copies.
    MemTable q("cdsSpda");
    queue::DefineQueueFields(q);
    q.CreateDataSet();
    for (const QString& code : QString::fromStdString(codes).split(",")) {
      q.Append();
      q.Set("f_Spbm", code.toStdString());
      q.Set("f_Spmc", "商品" + code.toStdString());
      q.Set("f_Xsdj", 9.9);
      q.Post();
    }
    q.First();
    q.Edit();
    q.Set(queue::kCopiesField, 10);
    q.Post();
    queue::SaveQueueFile(q, queueFile.toStdString());
  }
  Settings("[SpBjqDy]\r\nQswz=20\r\n");
  const QString pdf = dir_.path() + "/sheet.pdf";
  const Outcome r = Print({"--template", "A4 标价签 24 张", "--pdf", pdf, "--queue", queueFile});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("2 rows, 11 labels, 2 pages")) << r.out.toStdString();
  EXPECT_EQ(PdfPages(pdf), 2);
  // Place 20 is the second of the seventh row: 70 mm in, 0.5 + 6 x 37 mm down.
  const QString first = QString::fromUtf8("编码:") + QString::fromStdString(codes).split(",")[0];
  const auto at = WordAt(pdf, first);
  ASSERT_TRUE(at);
  EXPECT_NEAR(at->x() / kPointsPerMm, 70 + 35, 3);
  EXPECT_NEAR(at->y() / kPointsPerMm, 0.5 + 6 * 37 + 12, 3);
  EXPECT_EQ(Pdftotext(pdf).count(first), 10);

  // A start position beyond the sheet prints nothing.
  Settings("[SpBjqDy]\r\nQswz=25\r\n");
  QFile::remove(pdf);
  const Outcome beyond = Print({"--template", "A4 标价签 24 张", "--pdf", pdf, "--queue", queueFile});
  EXPECT_EQ(beyond.status, 1);
  EXPECT_TRUE(beyond.err.contains(QString::fromUtf8("起始位置“25”无效"))) << beyond.err.toStdString();
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST_P(BatchPrint, TheCalibrationOfAPrinterShiftsAndScalesTheLabelsInThePdf) {
  const std::string code = Query(
      "select min(f_spbm) from tbSpda where f_Mj=1 and f_Spbm in (select f_spbm from tblsdkz where f_jyztbm='01')");
  QFile codes(dir_.path() + "/one.txt");
  ASSERT_TRUE(codes.open(QIODevice::WriteOnly));
  codes.write(QByteArray::fromStdString(code));
  codes.close();
  const QString plain = dir_.path() + "/plain.pdf", shifted = dir_.path() + "/shifted.pdf";
  Settings("[SpBjqDyjz]\r\nLabels=10,5,1\r\nHalf=0,0,0.5\r\n");
  ASSERT_EQ(Print({"--template", "普通标价签", "--pdf", plain, "--codes", codes.fileName()}).status, 0);
  const Outcome r = Print({"--template", "普通标价签", "--pdf", shifted, "--calibration", "Labels", "--codes", codes.fileName()});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const QString word = QString::fromUtf8("编码:") + QString::fromStdString(code);
  const auto a = WordAt(plain, word), b = WordAt(shifted, word);
  ASSERT_TRUE(a && b);
  EXPECT_NEAR((b->x() - a->x()) / kPointsPerMm, 10, 0.3);
  EXPECT_NEAR((b->y() - a->y()) / kPointsPerMm, 5, 0.3);
  // Shifted 10 mm right on an 80 mm label, the right column reaches past the paper.
  EXPECT_TRUE(r.err.contains(QString::fromUtf8("超出了打印机“Labels”的可打印区域"))) << r.err.toStdString();
  const QString half = dir_.path() + "/half.pdf";
  ASSERT_EQ(Print({"--template", "普通标价签", "--pdf", half, "--calibration", "Half", "--codes", codes.fileName()}).status, 0);
  const auto c = WordAt(half, word);
  ASSERT_TRUE(c);
  EXPECT_NEAR(c->x(), a->x() / 2, 1);
  EXPECT_NEAR(c->y(), a->y() / 2, 1);
}

TEST_P(BatchPrint, BadInputIsALineOnStandardErrorAndNothingIsPrintedOrDeleted) {
  const int pending = PendingRf();
  ASSERT_GT(pending, 0);
  const QString pdf = dir_.path() + "/out.pdf";
  const Refusal cases[] = {
      {{"--template", "没有的模板", "--pdf", pdf, "--rf"}, 1, "没有的模板打印模板不存在！"},
      {{"--template", "普通标价签", "--printer", "NoSuchPrinter", "--rf"}, 1, "找不到打印机“NoSuchPrinter”"},
      {{"--template", "普通标价签", "--pdf", pdf, "--codes", dir_.path() + "/none.txt"}, 1, "无法打开文件"},
      {{"--template", "普通标价签", "--pdf", pdf, "--new-since", "20990101"}, 1, "2099-01-01以后无新品！"},
      {{"--template", "普通标价签", "--pdf", pdf, "--new-since", "2024-12-01"}, 1, "需要日期 YYYYMMDD"},
      {{"--template", "普通标价签", "--pdf", pdf, "--bill", "NOBILL"}, 1, "当月没有已执行的定价单 NOBILL"},
      {{"--template", "普通标价签", "--pdf", dir_.path() + "/no/such/dir/out.pdf", "--rf"}, 1, "无法写入文件"},
      {{"--template", "普通标价签", "--pdf", pdf}, 2, "give exactly one source"},
      {{"--template", "普通标价签", "--pdf", pdf, "--rf", "--time-limited"}, 2, "give exactly one source"},
      {{"--template", "普通标价签", "--rf"}, 2, "give one of --pdf FILE and --printer NAME"},
      {{"--template", "普通标价签", "--pdf", pdf, "--rf", "--by", "code"}, 2, "--by goes with --codes"},
  };
  for (const Refusal& c : cases) {
    const Outcome r = ExpectRefused(c, pdf);
    if (c.status == 1) {
      EXPECT_TRUE(r.out.endsWith("nothing printed\n")) << c.args.join(" ").toStdString() << "\n" << r.out.toStdString();
    }
  }
  EXPECT_EQ(PendingRf(), pending);
  const Outcome help = Print({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--db", "--server-date", "--operator", "--template", "--pdf", "--printer", "--codes",
                             "--by", "--new-since", "--price-changes", "--time-limited", "--quantity-pricing",
                             "--bill", "--rf", "--queue", "--calibration", "--settings", "--print-others",
                             "--departments", "--department-file"})
    EXPECT_TRUE(help.out.contains(option)) << option;
}

TEST_P(BatchPrint, ADepartmentChoiceIsRefusedAwayFromHeadquarters) {
  const Outcome r = Print({"--template", "普通标价签", "--pdf", dir_.path() + "/out.pdf", "--departments", "010", "--rf"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.err.contains(QString::fromUtf8("只有总部（单位类型“00”）选择定价部门"))) << r.err.toStdString();
}

// At headquarters the product sources print what the chosen departments hold, as the main
// window's department selector chooses them.
class BatchPrintAtHeadquarters : public BatchPrint {
 protected:
  const char* UnitType() const override { return "00"; }

  // The codes "编码:" shows on the labels of a PDF.
  static QStringList PrintedCodes(const QString& pdf) {
    QStringList codes;
    const QRegularExpression code(QString::fromUtf8(R"(编码:(\d+))"));
    for (auto it = code.globalMatch(Pdftotext(pdf)); it.hasNext();) codes << it.next().captured(1);
    return codes;
  }
  std::string OneProductOf(const char* dept) {
    return Query(std::string("select min(f_spbm) from tbSpda where f_Mj=1 and f_bmbm='") + dept +
                 "' and f_Spbm in (select f_spbm from tblsdkz where f_jyztbm='01')");
  }
};

TEST_P(BatchPrintAtHeadquarters, EachSourcePrintsOnlyTheChosenDepartments) {
  // One product each of 010 (食品类), 011 (日化类) and 020 (服装类, the other division).
  const QString food = QString::fromStdString(OneProductOf("010")), daily = QString::fromStdString(OneProductOf("011")),
                clothes = QString::fromStdString(OneProductOf("020"));
  ASSERT_FALSE(food.isEmpty() || daily.isEmpty() || clothes.isEmpty());
  QFile codes(dir_.path() + "/codes.txt");
  ASSERT_TRUE(codes.open(QIODevice::WriteOnly));
  codes.write((food + "\n" + daily + "\n" + clothes + "\n").toUtf8());
  codes.close();
  QFile selection(dir_.path() + "/depts.txt");
  ASSERT_TRUE(selection.open(QIODevice::WriteOnly));
  selection.write("0 02\r\n1 020\r\n");  // as the selector saves a choice of 020
  selection.close();

  struct Case { QStringList choice; QStringList printed; QString notFound; };
  const Case cases[] = {
      {{"--departments", "010,0102"}, {food, daily}, clothes},  // a department and a category
      {{"--department-file", selection.fileName()}, {clothes}, food},
  };
  for (const Case& c : cases) {
    const QString pdf = dir_.path() + "/codes.pdf";
    const Outcome r = Print(QStringList{"--template", "普通标价签", "--pdf", pdf, "--codes", codes.fileName()} + c.choice);
    SCOPED_TRACE(c.choice.join(" ").toStdString() + "\n" + r.err.toStdString());
    ASSERT_EQ(r.status, 0);
    QStringList printed = PrintedCodes(pdf), expected = c.printed;
    printed.sort();
    expected.sort();
    EXPECT_EQ(printed, expected);
    EXPECT_TRUE(r.err.contains(QString::fromUtf8("档案中无商品编码为") + c.notFound));
  }

  // A query source: the new products of 食品类 only.
  const int newFood = std::stoi(
      Query("select count(*) from tbSpda where f_Mj=1 and f_bmbm='010' and f_Jdrq>='20241101'"));
  ASSERT_GT(newFood, 0);
  const QString pdf = dir_.path() + "/new.pdf";
  const Outcome r = Print({"--template", "普通标价签", "--pdf", pdf, "--new-since", "20241101", "--departments", "0101"});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const QStringList printed = PrintedCodes(pdf);
  EXPECT_FALSE(printed.isEmpty());
  for (const QString& code : printed)
    EXPECT_EQ(Query("select f_bmbm from tbSpda where f_Spbm='" + code.toStdString() + "'"), "010") << code.toStdString();
}

TEST_P(BatchPrintAtHeadquarters, AMissingOrWrongDepartmentChoiceStopsWithALine) {
  const QString pdf = dir_.path() + "/out.pdf";
  const QStringList run{"--template", "普通标价签", "--pdf", pdf, "--new-since", "20241101"};
  const Refusal cases[] = {
      {run, 1, "请先选择部门！"},
      {run + QStringList{"--departments", "999"}, 1, "没有编码为“999”的定价部门或分类"},
      {run + QStringList{"--departments", "010,020"}, 1, "不在同一个顶层分类下"},
      {run + QStringList{"--departments", "0103"}, 1, "不能选择“0103”"},
      {run + QStringList{"--department-file", dir_.path() + "/none.txt"}, 1, "无法打开文件"},
      {run + QStringList{"--departments", "010,"}, 2, "--departments takes department codes"},
      {run + QStringList{"--departments", "010", "--department-file", "x"}, 2, "give one of --departments"},
      {{"--template", "普通标价签", "--pdf", pdf, "--bill", "X", "--departments", "010"}, 2, "--bill takes no department"},
  };
  for (const Refusal& c : cases) ExpectRefused(c, pdf);
}

// Forwards to the real data service, but fails one operation after a number of good calls (only
// calls whose last argument holds `text`, when given).
class FailingHost : public HostService {
 public:
  FailingHost(HostService& inner, int dispId, int goodCalls, std::string text = {})
      : inner_(inner), dispId_(dispId), left_(goodCalls), text_(std::move(text)) {}
  void AddRef() override { inner_.AddRef(); }
  void Release() override { inner_.Release(); }
  Variant Invoke(int dispId, std::vector<Variant>& args) override {
    const bool named =
        text_.empty() || (!args.empty() && args.back().IsText() && args.back().ToText().find(text_) != std::string::npos);
    if (dispId == dispId_ && named && left_-- <= 0) {
      args.back() = Variant::MakeArray({Variant("数据库连接已断开")});
      return Variant(false);
    }
    return inner_.Invoke(dispId, args);
  }

 private:
  HostService& inner_;
  int dispId_;
  int left_;
  std::string text_;
};

TEST_P(BatchPrint, RfRequestsGoOnlyAfterTheirLabelsAreWrittenAndARepeatedRunPrintsNothingTwice) {
  hostapp::HostDatabase db(db_.toStdString(), hostapp::ServerClock::Pinned(kServerDate));
  hostapp::DbHostService service(db);
  UseSettingsDirectory(dir_.path().toStdString());
  hostapp::BatchPrintOptions o;
  o.database = db_.toStdString();
  o.templateName = "普通标价签";
  o.pdfFile = (dir_.path() + "/rf.pdf").toStdString();
  o.source = "rf";
  const int pending = PendingRf();
  ASSERT_GT(pending, 0);
  const std::string stored = Query("select count(*) from tbRFBjq");

  // The host fails half-way through feeding the requests: nothing printed, nothing deleted.
  {
    FailingHost failing(service, disp::QueryProducts, 3);
    std::ostringstream out, err;
    EXPECT_EQ(hostapp::RunBatchPrint(o, failing, out, err), hostapp::kExitFailed);
    EXPECT_NE(err.str().find("数据库连接已断开"), std::string::npos) << err.str();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(o.pdfFile)));
    EXPECT_EQ(PendingRf(), pending);
  }
  // The labels are written but the host refuses the deletion: the run says so and keeps a note.
  {
    FailingHost failing(service, disp::ExecuteCommand, 0, "Delete from tbRFbjq");
    std::ostringstream out, err;
    EXPECT_EQ(hostapp::RunBatchPrint(o, failing, out, err), hostapp::kExitRequestsKept) << err.str();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(o.pdfFile)));
    // Still stored, but held by the run's claim: no other workstation lists them meanwhile.
    EXPECT_EQ(Query("select count(*) from tbRFBjq"), stored);
    EXPECT_LT(PendingRf(), pending);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(hostapp::RfJournalPath(o.database))));
    EXPECT_NE(out.str().find("RF requests kept for the next run to delete"), std::string::npos) << out.str();
  }
  // The next run finishes the deletion first and prints none of those requests again.
  QFile::remove(QString::fromStdString(o.pdfFile));
  {
    std::ostringstream out, err;
    EXPECT_EQ(hostapp::RunBatchPrint(o, service, out, err), hostapp::kExitFailed);
    EXPECT_NE(err.str().find("deleted the RF requests of"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("没有待打印的RF标价签请求"), std::string::npos) << err.str();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(o.pdfFile)));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(hostapp::RfJournalPath(o.database))));
  }
  EXPECT_LT(std::stoi(Query("select count(*) from tbRFBjq")), std::stoi(stored));
  EXPECT_LT(PendingRf(), pending);
  EXPECT_EQ(Query("select count(*) from tbRFBjq where substr(f_Zybm,1,1)='#'"), "0") << "no claim is left behind";
  UseSettingsDirectory("");
}

TEST_P(BatchPrint, PrintedTagsAreLoggedAndTheTwoSourcesPrintTheTagsThatNoLongerMatch) {
  // A product with an ordinary promotion in force, two with none, all selling.
  const std::string selling = " and f_Spbm in (select f_spbm from tblsdkz where f_jyztbm='01') order by f_spbm limit ";
  const std::string promoted = Query(
      "select f_spbm from tbSpda where f_Mj=1 and f_Spbm in (select f_spbm from tbsptj where f_tjlx=0 and "
      "f_qsrq<='20241210' and f_jsrq>='20241210' and f_bmbm='') and f_Spbm not in (select f_spbm from tbsptj where "
      "f_tjlx=1)" + selling + "1");
  const QStringList plain = QString::fromStdString(
      Query("select f_spbm from tbSpda where f_Mj=1 and f_Spbm not in (select f_spbm from tbsptj)" + selling + "2"))
                                .split(",");
  ASSERT_FALSE(promoted.empty());
  ASSERT_EQ(plain.size(), 2);
  const std::string repriced = plain[0].toStdString(), unchanged = plain[1].toStdString();
  auto printed = [&](const QString& pdf, const std::string& code) {
    return Pdftotext(pdf).contains(QString::fromStdString("编码:" + code));
  };

  // Nothing printed yet: no log, nothing to list.
  const Outcome none = Print({"--template", "通用标价签", "--pdf", dir_.path() + "/none.pdf", "--stale-tags"});
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(none.err.contains(QString::fromUtf8("没有与现价不符的价签！"))) << none.err.toStdString();

  QFile codes(dir_.path() + "/codes.txt");
  ASSERT_TRUE(codes.open(QIODevice::WriteOnly));
  codes.write(QString::fromStdString(promoted + "\r\n" + repriced + "\r\n" + unchanged + "\r\n").toUtf8());
  codes.close();
  const QString first = dir_.path() + "/first.pdf";
  const Outcome r = Print({"--template", "通用标价签", "--pdf", first, "--codes", codes.fileName()});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_FALSE(r.err.contains(QString::fromUtf8("提示"))) << r.err.toStdString();
  // What the log holds of each product is what its label shows.
  const QString text = Pdftotext(first);
  for (const std::string& code : {promoted, repriced, unchanged}) {
    SCOPED_TRACE(code);
    const std::string row = " from tbBqdyrz where f_spbm='" + code + "'";
    EXPECT_EQ(Query("select count(*)" + row), "1");
    // A price as the label prints it: two decimals (formatted here, the same on both back ends).
    auto price = [&](const char* field) {
      return QString::number(std::stod(Query(std::string("select ") + field + row)), 'f', 2);
    };
    EXPECT_TRUE(text.contains(price("f_xsdj")));
    if (code == promoted) {
      EXPECT_TRUE(text.contains(price("f_tjjg")));
      EXPECT_TRUE(text.contains(QString::fromStdString(Query("select f_qsrq||' 至 '||f_jsrq" + row))));
    } else {
      EXPECT_EQ(Query("select count(*)" + row + " and f_tjjg is null"), "1");
    }
    EXPECT_EQ(Query("select f_mbmc||'/'||f_zybm||'/'||f_dyrq||'/'||f_fs" + row), "通用标价签/0001/20241210/1");
  }

  // The till changes under the shelf: a price goes up, a promotion ends early.
  {
    hostapp::HostDatabase db(db_.toStdString(), hostapp::ServerClock::Pinned(kServerDate));
    db.ExecNative("update tbSpda set f_Xsdj=f_Xsdj+1 where f_Spbm='" + repriced + "'");
    db.ExecNative("update tbsptj set f_jsrq='20241209' where f_spbm='" + promoted +
                  "' and f_tjlx=0 and f_qsrq<='20241210' and f_jsrq>='20241210'");
  }
  // Each run prints the right tags, and what it prints is the new tag on the shelf.
  const QString expired = dir_.path() + "/expired.pdf";
  const Outcome e = Print({"--template", "通用标价签", "--pdf", expired, "--expired-promotions"});
  ASSERT_EQ(e.status, 0) << e.err.toStdString();
  EXPECT_TRUE(e.out.contains("expired-promotions: 1 row,")) << e.out.toStdString();
  EXPECT_TRUE(printed(expired, promoted));
  const QString stale = dir_.path() + "/stale.pdf";
  const Outcome s = Print({"--template", "通用标价签", "--pdf", stale, "--stale-tags"});
  ASSERT_EQ(s.status, 0) << s.err.toStdString();
  EXPECT_TRUE(s.out.contains("stale-tags: 1 row,")) << s.out.toStdString();
  EXPECT_TRUE(printed(stale, repriced));
  const Outcome again = Print({"--template", "通用标价签", "--pdf", dir_.path() + "/again.pdf", "--stale-tags"});
  EXPECT_EQ(again.status, 1) << "every tag is right again";

  // A log that cannot take the rows: the labels are written all the same, and it is said once.
  {
    hostapp::HostDatabase db(db_.toStdString(), hostapp::ServerClock::Pinned(kServerDate));
    db.ExecNative("alter table tbBqdyrz drop column f_fs");
  }
  const QString broken = dir_.path() + "/broken.pdf";
  const Outcome b = Print({"--template", "通用标价签", "--pdf", broken, "--codes", codes.fileName()});
  EXPECT_EQ(b.status, 0);
  EXPECT_TRUE(b.out.endsWith("; not recorded in the print log\n")) << b.out.toStdString();
  EXPECT_EQ(b.err.count(QString::fromUtf8("提示：标价签已打印，但未能写入打印记录：")), 1) << b.err.toStdString();
  EXPECT_EQ(PdfPages(broken), 3);
  for (const std::string& code : {promoted, repriced, unchanged}) EXPECT_TRUE(printed(broken, code)) << code;
}

PT_INSTANTIATE_BACKENDS(BatchPrint);
PT_INSTANTIATE_BACKENDS(BatchPrintAtHeadquarters);

}  // namespace
}  // namespace pt::test
