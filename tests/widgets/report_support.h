#pragma once
// Helpers of the report engine's widget suites: a scripted UI that also answers file dialogs,
// reading PDFs back with pdftotext, and small print records.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "report_engine/ReportDataSource.h"
#include "tests/widgets/ScriptedUi.h"

namespace pt::test {

class ReportUi : public ScriptedUi {
 public:
  QString OpenFileName(QWidget*, const QString& title, const QString&) override {
    fileTitles.push_back(title);
    return Next();
  }
  QString SaveFileName(QWidget*, const QString& title, const QString&, const QString&) override {
    fileTitles.push_back(title);
    return Next();
  }
  std::deque<QString> fileAnswers;  // "" answers as a cancelled dialog
  std::vector<QString> fileTitles;

 private:
  QString Next() {
    if (fileAnswers.empty()) return {};
    QString a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
  }
};

inline std::string PdfText(const QString& path, bool raw = true) {
  QProcess p;
  QStringList args;
  if (raw) args << "-raw";
  args << path << "-";
  p.start("pdftotext", args);
  p.waitForFinished(60000);
  return p.readAllStandardOutput().toStdString();
}

inline int PdfPages(const QString& path) {
  QProcess p;
  p.start("pdfinfo", {path});
  p.waitForFinished(60000);
  for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
    if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
  return -1;
}

inline std::string StockTemplate(const std::string& name) {
  const char* d = std::getenv("PRICETAG_TEST_DATA");
  std::ifstream in((d ? std::string(d) : std::filesystem::path(__FILE__).parent_path().parent_path().string() + "/data") + "/../../report_engine/templates/" + name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline report::RowsDataSource Labels(int count) {
  report::RowsDataSource s("cdsPrint", {{"f_Spbm"}, {"f_Spmc"}, {"f_Spcd"}, {"f_Ggxh"}, {"f_Jldw"}, {"f_Xsdj"},
                                        {"f_Sptm"}});
  for (int i = 0; i < count; ++i)
    s.AddRow({"P" + std::to_string(100000 + i), "商品" + std::to_string(i + 1), "山东", "500g", "袋", 10.0 + i % 90,
              "690123456789"});
  return s;
}

}  // namespace pt::test
