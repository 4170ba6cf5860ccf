// Printing labels at store scale: 1,000, 10,000 and 100,000 labels of a queue through the stock
// A4 sheet of 24 to a PDF file, three ways:
//   pass      the real print path: the print pass, print records made as the layout reaches
//             them, pages handed to the printer as they are laid out;
//   whole     the way it was done before: every print record, then every page, then printing;
//   bare      a bare QPainter + zint program drawing the same sheets (the yardstick).
// Each measurement runs in a process of its own (this program started again with --measure), so
// that the peak memory it reports is its own: "peak_MiB" is the peak resident size beyond what
// the process held once the queue was built, "first_page_s" the time from the start of printing
// until the first page was handed to the printer, and the iteration time the whole print.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "common/IniFile.h"
#include "printing/LabelPrintPass.h"
#include "printing/PrintRecord.h"
#include "queue/QueueRecord.h"
#include "report_engine/Barcode.h"
#include "report_engine/MemTableSource.h"
#include "report_engine/ReportOutput.h"
#include "report_engine/ReportView.h"
#include "report_engine/StoredTemplate.h"

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

long StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
  return -1;
}

std::string Template(const char* file) {
  std::ifstream in(std::string(PRICETAG_SOURCE_DIR) + "/report_engine/templates/" + file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void FillQueue(pt::MemTable& q, int rows) {
  pt::queue::DefineQueueFields(q);
  q.CreateDataSet();
  static const char* names[] = {"金龙鱼黄金比例食用调和油5L", "农夫山泉饮用天然水550ml", "可口可乐", "蒙牛纯牛奶250ml*24盒",
                                "海天金标生抽500ml"};
  for (int i = 0; i < rows; ++i) {
    q.Append();
    q.Set("f_Spbm", std::to_string(100000 + i));
    q.Set("f_Spmc", names[i % 5]);
    q.Set("f_Spcd", "山东青岛");
    q.Set("f_Ggxh", "500g");
    q.Set("f_Jldw", "袋");
    q.Set("f_Sptm", std::to_string(690000000000LL + i * 7919LL));
    q.Set("f_Xsdj", 1.0 + (i % 997) * 0.37);
    q.Post();
  }
}

struct Result {
  double peakMiB = 0, firstPage = 0, total = 0;
  int pages = 0;
};

// ---------------------------------------------------------------- the three ways

Result ThePass(pt::MemTable& queue, const QString& pdf) {
  pt::MemTable print("cdsPrint"), templates("CdsTemplate");
  pt::printing::DefinePrintFields(print);
  print.CreateDataSet();
  templates.AddField("f_Reportname", pt::FieldType::Text, 0);
  templates.AddField("f_ReportInfo", pt::FieldType::Text, 0);
  templates.CreateDataSet();
  templates.Append();
  templates.Set("f_Reportname", "A4");
  templates.Set("f_ReportInfo", pt::report::EncodeStoredTemplate(Template("a4-sheet-24.json")));
  templates.Post();
  pt::report::ReportEngine engine;
  std::string grade, reason, period = "0";
  const std::string remark, date = "20241210";
  bool detail = true;
  pt::printing::PassState state{queue, print, templates, engine, grade, reason, period, remark, date, detail};
  struct Quiet : pt::printing::PassDialog {
    void Stopped(const std::string& m) override { std::cerr << m << "\n"; }
    bool FillFailed(const std::string& m) override {
      std::cerr << m << "\n";
      return false;
    }
    void PrepareFailed(const std::string& m) override { std::cerr << m << "\n"; }
    bool PrintOthers(const std::string&) override { return false; }
    bool PrintOutsideArea(const std::string&) override { return true; }
    void PrintFailed(const std::string& m) override { std::cerr << m << "\n"; }
  } dialog;
  const auto start = Clock::now();
  const pt::printing::PassResult r =
      pt::printing::RunPrintPass(state, "A4", pt::printing::LabelOutput::PdfFile(pdf.toStdString()), dialog);
  Result out;
  out.total = Since(start);
  out.firstPage = r.firstPageSeconds;
  out.pages = r.outcome == pt::printing::PassOutcome::Printed ? r.pages : -1;
  return out;
}

Result Whole(pt::MemTable& queue, const QString& pdf) {
  const auto start = Clock::now();
  pt::MemTable print("cdsPrint");
  pt::printing::DefinePrintFields(print);
  print.CreateDataSet();
  bool detail = true;
  std::string failure;
  pt::printing::FillPrintRecords(queue, print, "0", detail, failure);
  pt::report::ReportEngine engine;
  engine.LoadTemplate(Template("a4-sheet-24.json"));
  pt::report::MemTableSource source(print, "cdsPrint");
  const pt::report::PreparedReport report = pt::report::PrepareReport(engine, source);
  Result out;
  out.firstPage = Since(start);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  std::vector<int> all(report.pages.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
  pt::report::PrintPages(report, printer, all);
  out.total = Since(start);
  out.pages = static_cast<int>(report.pages.size());
  return out;
}

// What the stock sheet shows, drawn directly: the same texts (the name shrunk to fit its box, as
// the template asks), the frame, the EAN-13 bars and digits.
Result Bare(pt::MemTable& queue, const QString& pdf) {
  const auto start = Clock::now();
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  printer.setFullPage(true);
  printer.setPageSize(QPageSize(QPageSize::A4));
  QPainter p(&printer);
  const double mm = printer.logicalDpiX() / 25.4;
  auto font = [&](double points, bool bold) {
    QFont f("WenQuanYi Zen Hei");
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
  };
  const QFont small = font(7, false), price = font(26, true), digits = font(6, false);
  const int fName = queue.FieldIndex("f_Spmc"), fCode = queue.FieldIndex("f_Spbm"), fPrice = queue.FieldIndex("f_Xsdj"),
            fBarcode = queue.FieldIndex("f_Sptm"), fOrigin = queue.FieldIndex("f_Spcd"), fSpec = queue.FieldIndex("f_Ggxh"),
            fUnit = queue.FieldIndex("f_Jldw");
  auto text = [&](double x, double y, double w, double h, const QString& s, int flags = Qt::AlignLeft | Qt::AlignVCenter) {
    p.drawText(QRectF(x, y, w * mm, h * mm), flags, s);
  };
  Result out;
  for (int i = 0; i < queue.RecordCount(); ++i) {
    if (i % 24 == 0 && i > 0) printer.newPage();
    const double x = (i % 3) * 70 * mm, y = (0.5 + (i % 24) / 3 * 37) * mm;
    p.setPen(QPen(Qt::black, 0.2 * mm));
    p.drawRect(QRectF(x + mm, y + mm, 68 * mm, 35 * mm));
    const QString name = QString::fromStdString(queue.CellAt(i, fName).ToText());
    QFont nameFont = font(11, true);
    while (nameFont.pointSizeF() > 4 && QFontMetricsF(nameFont, &printer).horizontalAdvance(name) > 66 * mm)
      nameFont.setPointSizeF(nameFont.pointSizeF() - 0.5);
    p.setFont(nameFont);
    text(x + 2 * mm, y + 1.5 * mm, 66, 6, name, Qt::AlignCenter);
    p.setFont(small);
    text(x + 2 * mm, y + 8 * mm, 32, 4, "产地:" + QString::fromStdString(queue.CellAt(i, fOrigin).ToText()));
    text(x + 35 * mm, y + 8 * mm, 33, 4, "规格:" + QString::fromStdString(queue.CellAt(i, fSpec).ToText()));
    text(x + 2 * mm, y + 12 * mm, 32, 4, "单位:" + QString::fromStdString(queue.CellAt(i, fUnit).ToText()) + "  等级:合格");
    text(x + 35 * mm, y + 12 * mm, 33, 4, "编码:" + QString::fromStdString(queue.CellAt(i, fCode).ToText()));
    text(x + 35 * mm, y + 17 * mm, 33, 4, "零售价(元)", Qt::AlignRight | Qt::AlignVCenter);
    p.setFont(price);
    text(x + 35 * mm, y + 21 * mm, 33, 14, QString::number(queue.CellAt(i, fPrice).ToFloat(), 'f', 2),
         Qt::AlignRight | Qt::AlignVCenter);
    const pt::report::BarcodeResult bc = pt::report::EncodeBarcode(
        pt::report::Symbology::Ean13, queue.CellAt(i, fBarcode).ToText(), true, {2, 17, 32, 18});
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (const auto& bar : bc.item.bars)
      p.drawRect(QRectF(x + bar.x * mm, y + bar.y * mm, bar.width * mm, bar.height * mm));
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
    p.setFont(digits);
    for (const auto& t : bc.item.texts) p.drawText(QPointF(x + t.x * mm, y + t.baseline * mm), QString::fromStdString(t.text));
    if (i == 0) out.firstPage = Since(start);
  }
  p.end();
  out.total = Since(start);
  out.pages = (queue.RecordCount() + 23) / 24;
  return out;
}

// The child: one measurement, its figures on standard output.
int Measure(const std::string& way, int labels) {
  static int argc = 1;
  static char name[] = "bench_labels";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  pt::SetHostExecutableDirForTesting(dir.path().toStdString());
  pt::MemTable queue("cdsSpda");
  FillQueue(queue, labels);
  const long baseKb = StatusKb("VmRSS:");
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
  const QString pdf = dir.path() + "/labels.pdf";
  Result r = way == "pass" ? ThePass(queue, pdf) : way == "whole" ? Whole(queue, pdf) : Bare(queue, pdf);
  r.peakMiB = static_cast<double>(StatusKb("VmHWM:") - baseKb) / 1024.0;
  std::printf("%.1f %.4f %.4f %d %.1f\n", r.peakMiB, r.firstPage, r.total, r.pages, baseKb / 1024.0);
  return r.pages > 0 ? 0 : 1;
}

void BM_Labels(benchmark::State& state, const char* way) {
  const int labels = static_cast<int>(state.range(0));
  for (auto _ : state) {
    QProcess child;
    child.start(QString::fromLocal8Bit(program_invocation_name), {"--measure", way, QString::number(labels)});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
      state.SkipWithError("the measuring process failed");
      return;
    }
    double peak = 0, first = 0, total = 0, queueMiB = 0;
    int pages = 0;
    std::sscanf(child.readAllStandardOutput().constData(), "%lf %lf %lf %d %lf", &peak, &first, &total, &pages,
                &queueMiB);
    state.SetIterationTime(total);
    state.counters["peak_MiB"] = peak;
    state.counters["queue_MiB"] = queueMiB;
    state.counters["first_page_s"] = first;
    state.counters["pages"] = pages;
    state.counters["labels_per_s"] = labels / total;
  }
}
BENCHMARK_CAPTURE(BM_Labels, pass, "pass")->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Labels, whole, "whole")->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Labels, bare, "bare")->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--measure") return Measure(argv[2], std::atoi(argv[3]));
  QCoreApplication app(argc, argv);  // for QProcess
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
