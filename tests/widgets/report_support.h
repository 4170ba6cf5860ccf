#pragma once
// Helpers of the report engine's widget suites: a scripted UI that also answers file dialogs,
// reading PDFs back with pdftotext, and small print records.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

// An .xlsx file read back through unzip and its XML: the first sheet's cells with their styles,
// column widths, frozen panes and merged ranges.
struct XlsxSheet {
  struct Cell {
    std::string type;   // "s" shared string, "n" number, "str", "inlineStr"
    std::string value;  // the text (shared strings resolved) or the number as written
    int style = 0;
  };
  std::string name;
  std::map<std::string, Cell> cells;  // by reference, "B2"
  std::map<int, double> widths;       // column (from 1) -> width in characters
  std::map<int, double> heights;      // row (from 1) -> height in points, where set
  int frozenRows = 0, frozenColumns = 0;
  std::vector<std::string> merged;
  std::vector<std::string> formatOfStyle;  // per cell style: its number format code
  std::vector<bool> boldOfStyle;

  const Cell* At(const std::string& ref) const {
    auto it = cells.find(ref);
    return it == cells.end() ? nullptr : &it->second;
  }
  bool IsNumber(const std::string& ref) const { return At(ref) && (At(ref)->type.empty() || At(ref)->type == "n"); }
  std::string Text(const std::string& ref) const { return At(ref) ? At(ref)->value : std::string(); }
  std::string Format(const std::string& ref) const {
    const Cell* c = At(ref);
    return c && c->style < static_cast<int>(formatOfStyle.size()) ? formatOfStyle[static_cast<size_t>(c->style)] : "General";
  }
  bool Bold(const std::string& ref) const {
    const Cell* c = At(ref);
    return c && c->style < static_cast<int>(boldOfStyle.size()) && boldOfStyle[static_cast<size_t>(c->style)];
  }
};

inline QByteArray ZipMember(const QString& zip, const QString& member) {
  QProcess unzip;
  unzip.start("unzip", {"-p", zip, member});
  unzip.waitForFinished(30000);
  return unzip.readAllStandardOutput();
}

inline XlsxSheet ReadXlsx(const QString& path) {
  XlsxSheet sheet;
  auto attr = [](const QXmlStreamReader& x, const char* name) { return x.attributes().value(QLatin1String(name)).toString(); };
  std::vector<std::string> strings;
  {
    QXmlStreamReader x(ZipMember(path, "xl/sharedStrings.xml"));
    std::string current;
    bool inSi = false;
    while (!x.atEnd()) {
      x.readNext();
      if (x.isStartElement() && x.name() == QLatin1String("si")) { inSi = true; current.clear(); }
      else if (x.isStartElement() && x.name() == QLatin1String("t") && inSi) current += x.readElementText().toStdString();
      else if (x.isEndElement() && x.name() == QLatin1String("si")) { inSi = false; strings.push_back(current); }
    }
  }
  {
    QXmlStreamReader x(ZipMember(path, "xl/styles.xml"));
    std::map<int, std::string> formats{{0, "General"}, {1, "0"}, {2, "0.00"}, {3, "#,##0"}, {4, "#,##0.00"}, {49, "@"}};
    std::vector<bool> boldFonts;
    bool inFonts = false, inXfs = false;
    while (!x.atEnd()) {
      x.readNext();
      if (x.isStartElement()) {
        const auto n = x.name();
        if (n == QLatin1String("numFmt")) formats[attr(x, "numFmtId").toInt()] = attr(x, "formatCode").toStdString();
        else if (n == QLatin1String("fonts")) inFonts = true;
        else if (n == QLatin1String("font") && inFonts) boldFonts.push_back(false);
        else if (n == QLatin1String("b") && inFonts && !boldFonts.empty()) boldFonts.back() = true;
        else if (n == QLatin1String("cellXfs")) inXfs = true;
        else if (n == QLatin1String("xf") && inXfs) {
          const size_t font = static_cast<size_t>(attr(x, "fontId").toInt());
          sheet.formatOfStyle.push_back(formats[attr(x, "numFmtId").toInt()]);
          sheet.boldOfStyle.push_back(font < boldFonts.size() && boldFonts[font]);
        }
      } else if (x.isEndElement()) {
        if (x.name() == QLatin1String("fonts")) inFonts = false;
        if (x.name() == QLatin1String("cellXfs")) inXfs = false;
      }
    }
  }
  {
    QXmlStreamReader x(ZipMember(path, "xl/workbook.xml"));
    while (!x.atEnd())
      if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("sheet") && sheet.name.empty())
        sheet.name = attr(x, "name").toStdString();
  }
  QXmlStreamReader x(ZipMember(path, "xl/worksheets/sheet1.xml"));
  std::string ref;
  while (!x.atEnd()) {
    x.readNext();
    if (!x.isStartElement()) continue;
    const auto n = x.name();
    if (n == QLatin1String("pane") && attr(x, "state") == QLatin1String("frozen")) {
      sheet.frozenRows = attr(x, "ySplit").toInt();
      sheet.frozenColumns = attr(x, "xSplit").toInt();
    } else if (n == QLatin1String("col")) {
      for (int c = attr(x, "min").toInt(); c <= attr(x, "max").toInt(); ++c) sheet.widths[c] = attr(x, "width").toDouble();
    } else if (n == QLatin1String("row") && !attr(x, "ht").isEmpty()) {
      sheet.heights[attr(x, "r").toInt()] = attr(x, "ht").toDouble();
    } else if (n == QLatin1String("c")) {
      ref = attr(x, "r").toStdString();
      XlsxSheet::Cell& c = sheet.cells[ref];
      c.type = attr(x, "t").toStdString();
      c.style = attr(x, "s").toInt();
    } else if ((n == QLatin1String("v") || n == QLatin1String("t")) && !ref.empty()) {
      XlsxSheet::Cell& c = sheet.cells[ref];
      c.value = x.readElementText().toStdString();
      if (c.type == "s") c.value = strings.at(std::stoul(c.value));
    } else if (n == QLatin1String("mergeCell")) {
      sheet.merged.push_back(attr(x, "ref").toStdString());
    }
  }
  return sheet;
}

}  // namespace pt::test
