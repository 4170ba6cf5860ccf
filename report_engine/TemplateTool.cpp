// pricetag-template: packs a template file into the text the database stores, unpacks stored
// text back into the template, and checks a template.
//   pricetag-template pack FILE.json      prints the stored text ("...#")
//   pricetag-template unpack [FILE]       reads stored text from FILE or stdin, prints the JSON
//   pricetag-template check FILE          FILE holds a template or its stored text
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "common/MemTable.h"
#include "common/ModuleError.h"
#include "printing/PrintRecord.h"
#include "report_engine/MemTableSource.h"
#include "report_engine/ReportEngine.h"
#include "report_engine/StoredTemplate.h"

namespace {

using namespace pt::report;

std::string ReadAll(std::istream& in) {
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw pt::ModuleError("无法打开文件：" + path);
  return ReadAll(in);
}

// A template file or stored text: stored text starts with a hexadecimal digit.
std::string TemplateBytes(const std::string& content) {
  size_t first = content.find_first_not_of(" \t\r\n");
  if (first != std::string::npos && std::isxdigit(static_cast<unsigned char>(content[first])))
    return DecodeStoredTemplate(std::string_view(content).substr(first));
  return content;
}

// One label from an empty print record, prepared as the print pass prepares it: fields the print
// record lacks are found, and every expression of the template is evaluated once, so a template
// that this check calls sound does not fail when a label is printed from it.
void TrialPrint(ReportEngine& engine) {
  pt::MemTable record("cdsPrint");
  pt::printing::DefinePrintFields(record);
  record.CreateDataSet();
  record.Append();
  record.Post();
  for (const char* variable : {"dj", "bz", "Jjyy", "CurDate"}) engine.SetVariable(variable, "");
  MemTableSource source(record, "cdsPrint");
  engine.Prepare(source);
}

int Usage() {
  std::cerr << "用法：pricetag-template pack FILE.json | unpack [FILE] | check FILE\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string command = argv[1];
  try {
    if (command == "pack" && argc == 3) {
      std::string bytes = ReadFile(argv[2]);
      ParseTemplate(bytes);  // a broken template is not stored
      std::cout << EncodeStoredTemplate(bytes) << "\n";
      return 0;
    }
    if (command == "unpack" && argc <= 3) {
      std::string text = argc == 3 ? ReadFile(argv[2]) : ReadAll(std::cin);
      size_t first = text.find_first_not_of(" \t\r\n");
      std::string bytes = DecodeStoredTemplate(first == std::string::npos ? "" : text.substr(first));
      if (bytes.empty()) throw pt::ModuleError("输入中没有模板数据（应为十六进制文字，以“#”结束）");
      std::cout << bytes;
      if (bytes.back() != '\n') std::cout << "\n";
      return 0;
    }
    if (command == "check" && argc == 3) {
      ReportEngine engine;
      engine.LoadTemplate(TemplateBytes(ReadFile(argv[2])));
      TrialPrint(engine);
      const ReportTemplate& t = engine.Template();
      LabelGrid grid = TemplateGrid(t);
      std::cout << "模板正常：" << (t.name.empty() ? std::string(argv[2]) : t.name) << "，纸张 "
                << pt::FloatToText(t.pageWidth) << " × " << pt::FloatToText(t.pageHeight) << " 毫米，每页 "
                << grid.Columns() << " 列 × " << grid.Rows() << " 行\n";
      return 0;
    }
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return Usage();
}
