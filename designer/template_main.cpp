// pricetag-template: label templates from the command line.
//   pricetag-template pack FILE.json                  prints the stored text ("...#")
//   pricetag-template unpack [FILE]                   stored text from FILE or stdin, printed as JSON
//   pricetag-template check [--db DB] FILE            FILE holds a template or its stored text
//   pricetag-template install --db DB [--name N] [--replace] FILE.json
//   pricetag-template list --db DB
//   pricetag-template export --db DB [-o FILE] NAME
//   pricetag-template remove --db DB NAME
// Exit status 0 on success, 1 with the reason on standard error, 2 for wrong usage.
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "common/ModuleError.h"
#include "common/TextRoutines.h"
#include "common/MemTable.h"
#include "designer/PreviewRecords.h"
#include "designer/TemplateChecks.h"
#include "designer/TemplateDocument.h"
#include "hostapp/HostOptions.h"
#include "hostapp/TemplateStore.h"
#include "printing/PrintRecord.h"
#include "report_engine/MemTableSource.h"
#include "report_engine/ReportEngine.h"
#include "report_engine/StoredTemplate.h"

namespace {

using namespace pt;
using namespace pt::report;

std::string ReadAll(std::istream& in) {
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ModuleError("无法打开文件：" + path);
  return ReadAll(in);
}

// A template file or stored text: stored text starts with a hexadecimal digit.
std::string TemplateBytes(const std::string& content) {
  size_t first = content.find_first_not_of(" \t\r\n");
  if (first != std::string::npos && std::isxdigit(static_cast<unsigned char>(content[first])))
    return DecodeStoredTemplate(std::string_view(content).substr(first));
  return content;
}

// One label from an empty print record, prepared as the print pass prepares it: every expression
// of the template is evaluated once, so a template that this check calls sound does not fail
// when a label is printed from it.
void TrialPrint(ReportEngine& engine) {
  MemTable record("cdsPrint");
  printing::DefinePrintFields(record);
  record.CreateDataSet();
  record.Append();
  record.Post();
  for (const char* variable : {"dj", "bz", "Jjyy", "CurDate"}) engine.SetVariable(variable, "");
  MemTableSource source(record, "cdsPrint");
  engine.Prepare(source);
}

int Usage() {
  std::cerr << "用法：pricetag-template pack FILE.json\n"
               "                         unpack [FILE]\n"
               "                         check [--db DB] FILE\n"
               "                         install --db DB [--name NAME] [--replace] FILE.json\n"
               "                         list --db DB\n"
               "                         export --db DB [-o FILE] NAME\n"
               "                         remove --db DB NAME\n";
  return 2;
}

struct Args {
  std::string db, name, output;
  bool replace = false;
  std::vector<std::string> positional;
};

bool ParseArgs(int argc, char** argv, Args& a) {
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    if (arg == "--db") {
      if (!value(a.db)) return false;
    } else if (arg == "--name") {
      if (!value(a.name)) return false;
    } else if (arg == "-o" || arg == "--output") {
      if (!value(a.output)) return false;
    } else if (arg == "--replace") {
      a.replace = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return false;
    } else {
      a.positional.push_back(arg);
    }
  }
  return true;
}

// The host's database as it stands: a missing file or table is reported, nothing is created.
std::unique_ptr<hostapp::HostDatabase> OpenDatabase(const std::string& db) {
  hostapp::HostOptions options;
  options.database = db;
  options.createMissingTables = false;
  return hostapp::OpenHostDatabase(options);
}

bool AskYes(const std::string& question) {
  if (!isatty(STDIN_FILENO)) return false;
  std::cerr << question << " [y/N] " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  return answer == "y" || answer == "Y" || answer == "yes";
}

int Check(const Args& a) {
  const std::string path = a.positional[0];
  designer::TemplateDocument doc = designer::TemplateDocument::Parse(TemplateBytes(ReadFile(path)));
  const ReportTemplate t = doc.Model();
  LabelGrid grid = TemplateGrid(t);

  designer::CheckContext context;
  MemTable print("cdsPrint");
  std::unique_ptr<MemTableSource> samples;
  VariableList variables;
  std::unique_ptr<hostapp::HostDatabase> db;
  if (!a.db.empty()) {
    db = OpenDatabase(a.db);
    designer::LoadPreviewRecords(*db, {}, context.maxSamples, print);
    samples = std::make_unique<MemTableSource>(print, "cdsPrint");
    variables = designer::PreviewVariables(*db);
    context.samples = samples.get();
    context.variables = &variables;
  }
  std::vector<designer::Problem> problems = designer::CheckTemplate(doc, context);
  if (problems.empty()) {
    try {
      ReportEngine engine;
      engine.SetTemplate(t);
      TrialPrint(engine);
    } catch (const std::exception& e) {
      problems.push_back(designer::Problem{{-1, -1}, {}, e.what()});
    }
  }
  const std::string summary = (t.name.empty() ? path : t.name) + "，纸张 " + FloatToText(t.pageWidth) + " × " +
                              FloatToText(t.pageHeight) + " 毫米，每页 " + std::to_string(grid.Columns()) + " 列 × " +
                              std::to_string(grid.Rows()) + " 行";
  if (problems.empty()) {
    std::cout << "模板正常：" << summary << "\n";
    return 0;
  }
  std::cout << "模板：" << summary << "\n";
  std::cerr << "模板有 " << problems.size() << " 个问题：\n" << designer::DescribeProblems(problems);
  return 1;
}

int Install(const Args& a) {
  const std::string path = a.positional[0];
  const std::string bytes = ReadFile(path);
  designer::TemplateDocument doc = designer::TemplateDocument::Parse(bytes);
  std::string name = a.name.empty() ? doc.Name() : a.name;
  if (pt::Trim(name).empty()) name = std::filesystem::path(path).stem().string();
  name = hostapp::CheckTemplateName(name);
  auto db = OpenDatabase(a.db);
  hostapp::TemplateStore store(*db);
  if (std::string existing = store.Find(name); !existing.empty() && !a.replace &&
      !AskYes("数据库中已有模板“" + existing + "”，替换它吗？"))
    throw ModuleError("数据库中已有模板“" + existing + "”，没有替换（要替换请加 --replace）");
  const bool replaced = store.Save(name, bytes);
  std::cout << (replaced ? "已替换模板“" : "已安装模板“") << name << "”\n";
  return 0;
}

int List(const Args& a) {
  auto db = OpenDatabase(a.db);
  hostapp::TemplateStore store(*db);
  for (const hostapp::TemplateRow& row : store.List()) std::cout << row.order << "\t" << row.name << "\n";
  return 0;
}

int Export(const Args& a) {
  auto db = OpenDatabase(a.db);
  hostapp::TemplateStore store(*db);
  const std::string bytes = store.Load(a.positional[0]);
  try {
    ParseTemplate(bytes);
  } catch (const std::exception& e) {
    // Exported all the same: this is how a damaged row is taken out to be mended.
    std::cerr << "注意：" << e.what() << "\n";
  }
  if (a.output.empty()) {
    std::cout << bytes;
    if (bytes.back() != '\n') std::cout << "\n";
    return 0;
  }
  std::ofstream out(a.output, std::ios::binary | std::ios::trunc);
  if (!out) throw ModuleError("无法写入文件：" + a.output);
  out << bytes;
  out.close();
  if (!out) throw ModuleError("写入文件失败：" + a.output);
  return 0;
}

int Remove(const Args& a) {
  auto db = OpenDatabase(a.db);
  hostapp::TemplateStore store(*db);
  const std::string stored = store.Find(a.positional[0]);
  if (stored.empty() || !store.Remove(stored))
    throw ModuleError("数据库中没有名为“" + a.positional[0] + "”的标价签模板");
  std::cout << "已删除模板“" << stored << "”\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  Args a;
  if (!ParseArgs(argc, argv, a)) return Usage();
  const size_t n = a.positional.size();
  const bool needsDb = command == "install" || command == "list" || command == "export" || command == "remove";
  if (needsDb && a.db.empty()) return Usage();
  try {
    if (command == "pack" && n == 1) {
      std::string bytes = ReadFile(a.positional[0]);
      designer::TemplateDocument::Parse(bytes);  // a broken template is not stored
      std::cout << EncodeStoredTemplate(bytes) << "\n";
      return 0;
    }
    if (command == "unpack" && n <= 1) {
      std::string text = n == 1 ? ReadFile(a.positional[0]) : ReadAll(std::cin);
      size_t first = text.find_first_not_of(" \t\r\n");
      std::string bytes = DecodeStoredTemplate(first == std::string::npos ? "" : text.substr(first));
      if (bytes.empty()) throw ModuleError("输入中没有模板数据（应为十六进制文字，以“#”结束）");
      std::cout << bytes;
      if (bytes.back() != '\n') std::cout << "\n";
      return 0;
    }
    if (command == "check" && n == 1) return Check(a);
    if (command == "install" && n == 1) return Install(a);
    if (command == "list" && n == 0) return List(a);
    if (command == "export" && n == 1) return Export(a);
    if (command == "remove" && n == 1) return Remove(a);
  } catch (const pt::hostapp::SqlError& e) {
    std::cerr << "数据库无法读写：" << e.dbMessage() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return Usage();
}
