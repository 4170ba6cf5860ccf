// Label templates as the database stores them (hexadecimal text ended by "#") or as files (JSON),
// loaded and prepared into labels as the print pass does. A template is loaded or refused with a
// ModuleError, whichever of its two forms is given; a refused one leaves the loaded template in
// place; a loaded one prepares its labels in its grid (or stops with a ModuleError), and the
// prepared pages survive the preview's file unchanged.
#include <cctype>

#include "common/MemTable.h"
#include "common/ModuleError.h"
#include "printing/PrintRecord.h"
#include "report_engine/MemTableSource.h"
#include "report_engine/PreparedFile.h"
#include "report_engine/ReportEngine.h"
#include "report_engine/StoredTemplate.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace pt;
using namespace pt::report;

namespace {

MemTable& PrintRecords() {
  static MemTable table("cdsPrint");
  static const bool filled = [] {
    printing::DefinePrintFields(table);
    table.CreateDataSet();
    struct Row { const char* spbm; const char* spmc; double xsdj; const char* sptm; const char* qsrq; };
    const Row rows[] = {{"000101", "可口可乐", 3.5, "6901234567892", "20240301"},
                        {"000102", "康师傅红烧牛肉面", 4.5, "690123456790", ""},
                        {"A0301", "红富士苹果", 12.8, "", "20240515"}};
    for (const Row& r : rows) {
      table.Append();
      table.Set("f_Spbm", r.spbm);
      table.Set("f_Spmc", r.spmc);
      table.Set("f_Xsdj", r.xsdj);
      table.Set("f_Sptm", r.sptm);
      table.Set("f_Qsrq", r.qsrq);
      table.Post();
    }
    return true;
  }();
  (void)filled;
  return table;
}

const char* kFallback = R"({"format":"pricetag-report","version":1,"name":"fallback","bands":[{"type":"masterData","height":20}]})";

// What loading gave: the template's name, or the message that refused it.
std::string Load(ReportEngine& engine, bool stored, std::string_view bytes) {
  try {
    if (stored) engine.LoadStoredTemplate(std::string(bytes));
    else engine.LoadTemplate(bytes);
  } catch (const ModuleError& e) {
    FUZZ_CHECK(engine.Template().name == "fallback");
    return std::string("refused: ") + e.what();
  }
  return "loaded: " + engine.Template().name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = fuzz::Bytes(data, size);
  const size_t first = input.find_first_not_of(" \t\r\n");
  const bool storedText = first != std::string_view::npos && std::isxdigit(static_cast<unsigned char>(input[first]));
  const std::string bytes = storedText ? DecodeStoredTemplate(input.substr(first)) : std::string(input);
  FUZZ_CHECK(DecodeStoredTemplate(EncodeStoredTemplate(bytes)) == bytes);

  // Both forms of the same template give the same answer; a refusal keeps the template before.
  ReportEngine fromFile, fromDatabase;
  fromFile.LoadTemplate(kFallback);
  fromDatabase.LoadTemplate(kFallback);
  const std::string a = Load(fromFile, false, bytes);
  const std::string b = Load(fromDatabase, true, EncodeStoredTemplate(bytes));
  if (!bytes.empty()) FUZZ_CHECK(a == b);
  if (a.rfind("loaded: ", 0) != 0) return 0;

  for (const char* v : {"dj", "bz", "Jjyy", "CurDate"}) fromFile.SetVariable(v, "合格");
  MemTableSource source(PrintRecords(), "cdsPrint");
  PreparedReport report;
  try {
    report = fromFile.Prepare(source);
  } catch (const ModuleError&) {
    return 0;
  }
  const LabelGrid grid = TemplateGrid(fromFile.Template());
  FUZZ_CHECK(static_cast<int>(report.pages.size()) == grid.PageCount(source.RecordCount()));
  const std::string saved = SavePreparedReport(report);
  FUZZ_CHECK(SavePreparedReport(LoadPreparedReport(saved)) == saved);
  return 0;
}
