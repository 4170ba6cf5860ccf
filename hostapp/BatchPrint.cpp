#include "hostapp/BatchPrint.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <utility>

#include "common/HostErrors.h"
#include "common/IniFile.h"
#include "common/MemTable.h"
#include "common/ModuleError.h"
#include "common/TextFile.h"
#include "common/TextRoutines.h"
#include "common/UnitDreamClass.h"
#include "dialogs/DeptTree.h"
#include "host/HostOperations.h"
#include "hostapp/DbBackend.h"
#include "hostapp/HostOptions.h"
#include "printing/LabelPrintPass.h"
#include "printing/PrintLogRecorder.h"
#include "printing/PrintRecord.h"
#include "queue/DeptChoice.h"
#include "queue/ProductQuery.h"
#include "queue/ProductSources.h"
#include "queue/QueueFile.h"
#include "queue/QueueFill.h"
#include "queue/QueueRecord.h"
#include "queue/RFRequests.h"
#include "queue/ShelfTags.h"

namespace pt::hostapp {

namespace {

// A run that cannot go on: the lines to show, nothing printed, nothing deleted.
struct RunFailed {
  std::string message;
};

[[noreturn]] void HostFailed(const Variant& errors, const std::string& prefix) {
  throw RunFailed{ComposeHostErrors(errors, prefix)};
}

// Every line of a message, each after the command's name.
void Say(std::ostream& err, const std::string& message) {
  std::string text = ReplaceAll(message, "\r\n", "\n");
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) err << "pricetag-print: " << line << "\n";
}

// A batch this run claimed (its requests moved under `tag`, see queue::RfClaimSql): fed into the
// queue, deleted once printed, handed back to the employee otherwise.
struct RfBatch {
  std::string employee, tag, batchTime, label;
};

// What a source works with: the same tables and settings the main window keeps.
struct SourceRun {
  HostService& host;
  const BatchPrintOptions& options;
  const TSystemParams& params;
  std::string unitType;
  MemTable& queue;
  MemTable& send;
  int mode = 0;
  bool originalPrice = true;
  std::string deptRestriction;
  size_t chosenDeptNodes = 0;  // as the window counts them: the top category and the nodes below
  std::ostream& err;
  std::vector<RfBatch>& rfBatches;  // claimed and fed into the queue, to be deleted once printed
  std::string emptyMessage;        // what to say when the source gives no rows
};

// The product answer to a condition as it stands; a refusal ends the run with the host's lines.
std::string QueryPacket(SourceRun& run, const std::string& condition) {
  Variant ref = queue::ConditionPacket(run.send, condition, run.originalPrice, run.deptRestriction);
  if (!host::QueryProducts(run.host, run.mode, ref)) HostFailed(ref, "");
  if (!ref.IsPacket()) throw RunFailed{"主机没有返回商品数据包"};
  return ref.AsPacket();
}

// The queue becomes the answer, as a query and every product source of the window do.
void ReplaceQueue(SourceRun& run, const std::string& condition) { run.queue.LoadPacket(QueryPacket(run, condition)); }

void CheckDepartment(const SourceRun& run) {
  if (queue::DepartmentMissing(run.unitType, run.chosenDeptNodes)) throw RunFailed{queue::kChooseDeptFirst};
}

// --departments or --department-file: the operator's department tree, as the main window builds
// it, ticked as asked.
void ChooseDepartments(SourceRun& run) {
  const BatchPrintOptions& o = run.options;
  if (o.departments.empty() && o.departmentFile.empty()) return;
  if (run.unitType != "00")
    throw RunFailed{"只有总部（单位类型“00”）选择定价部门，本单位类型为“" + run.unitType + "”"};
  Variant ref(queue::DeptTreeArgument(o.operatorCode));
  if (!host::QueryRows(run.host, queue::kDeptTreeSelector, ref)) HostFailed(ref, queue::kDeptTreeErrorPrefix);
  if (!ref.IsPacket()) throw RunFailed{"主机没有返回定价部门数据包"};
  MemTable rows("cdspub");
  rows.LoadPacket(ref.AsPacket());
  if (rows.IsEmpty()) throw RunFailed{queue::kNoManagedDepts};
  dept::DeptTree tree;
  try {
    queue::BuildDeptTree(rows, tree);
  } catch (const std::exception& e) {
    throw RunFailed{std::string(queue::kDeptTreeErrorPrefix) + "\n" + e.what()};
  }
  queue::DeptChoice choice;
  if (!o.departments.empty()) {
    choice = queue::ChooseDeptsByCode(tree, o.departments);
  } else {
    std::vector<std::string> lines;
    if (!ReadTextFileLines(o.departmentFile, lines)) throw RunFailed{"无法打开文件 " + o.departmentFile};
    choice = queue::ChooseDeptsFromSelection(tree, lines);
  }
  run.deptRestriction = choice.restriction;
  run.chosenDeptNodes = choice.rows.size() + 1;
}

// A free condition wrapped in the product subquery, as the window's query and the sources that
// run through it send it.
void QueryQueue(SourceRun& run, const std::string& condition) {
  ReplaceQueue(run, queue::ComposeProductCondition(condition, run.unitType, run.params.CurrentYearMonth));
}

std::string RequireDate(const std::string& text, const char* option) {
  if (!queue::IsDateText(text)) throw RunFailed{std::string(option) + " 需要日期 YYYYMMDD，而不是“" + text + "”"};
  return text;
}

// ---------------------------------------------------------------- the sources

void FromCodes(SourceRun& run) {
  CheckDepartment(run);
  const std::string& path = run.options.sourceArgument;
  std::vector<std::string> lines;
  if (!ReadTextFileLines(path, lines)) throw RunFailed{"无法打开文件 " + path};
  queue::ImportCodeList list;
  for (const std::string& line : lines) list.Add(line);
  if (list.Empty()) throw RunFailed{"导入文本不能为空!"};
  const queue::CodeKind kind = run.options.codeKind == "article"   ? queue::CodeKind::ArticleNumber
                               : run.options.codeKind == "barcode" ? queue::CodeKind::Barcode
                                                                   : queue::CodeKind::ProductCode;
  ReplaceQueue(run, list.Condition(kind));

  // The codes that found nothing, by what the file lists.
  std::set<std::string> found;
  const char* field = kind == queue::CodeKind::ArticleNumber ? "f_Sphh" : "f_Spbm";
  const int f = run.queue.FieldIndexOrThrow(field);
  for (int r = 0; r < run.queue.RecordCount(); ++r) found.insert(run.queue.CellAt(r, f).ToText());
  std::vector<std::string> codes;
  for (const std::string& c : list.Codes())
    if (!Trim(c).empty()) codes.push_back(c);
  if (kind == queue::CodeKind::Barcode && !codes.empty()) {
    // A product found by one of its barcodes may be queued under another: look the barcodes up.
    std::string sql = "select f_Sptm,f_Spbm from tbSptm where f_Sptm in (";
    for (size_t i = 0; i < codes.size(); ++i) sql += (i ? ",'" : "'") + queue::QuoteSql(codes[i]) + "'";
    Variant ref;
    if (!host::OpenQuery(run.host, sql + ")", ref)) HostFailed(ref, "");
    if (!ref.IsPacket()) throw RunFailed{"主机没有返回数据包"};
    MemTable barcodes;
    barcodes.LoadPacket(ref.AsPacket());
    std::set<std::string> products = found;
    found.clear();
    for (int r = 0; r < barcodes.RecordCount(); ++r)
      if (products.count(barcodes.CellAt(r, 1).ToText())) found.insert(barcodes.CellAt(r, 0).ToText());
  }
  for (const std::string& c : codes)
    if (!found.count(c)) run.err << "pricetag-print: " << queue::CodeNotFoundMessage(kind, c) << "\n";
  run.emptyMessage = "文件 " + path + " 中的代码没有找到任何商品";
}

void FromNewProducts(SourceRun& run) {
  CheckDepartment(run);
  const std::string date = RequireDate(run.options.sourceArgument, "--new-since");
  ReplaceQueue(run, queue::NewProductsCondition(date));
  run.emptyMessage = queue::NewProductsEmptyMessage(date);
}

void FromPriceChanges(SourceRun& run) {
  CheckDepartment(run);
  const std::string date = RequireDate(run.options.sourceArgument, "--price-changes");
  const bool fromLog = queue::UsePriceChangeLog(run.params.dchy, run.params.dybm, run.unitType);
  // Every bill of the day, as the window's choice "全部" takes them.
  ReplaceQueue(run, fromLog ? queue::PriceChangeLogCondition(date, queue::kAllBills, false)
                            : queue::PricingBillCondition(date, run.params.dybm));
  run.emptyMessage = queue::kNoPriceChanges;
}

void FromTimedSales(SourceRun& run) {
  CheckDepartment(run);
  QueryQueue(run, queue::TimedSaleCondition(run.params.CurrentDate));
  run.emptyMessage = "今天没有开始的限时限量商品";
}

void FromQuantityPricing(SourceRun& run) {
  CheckDepartment(run);
  QueryQueue(run, queue::QuantityPricingCondition(run.params.CurrentDate));
  run.emptyMessage = "今天没有开始的批量作价商品";
}

void FromPricingBill(SourceRun& run) {
  const std::string& bill = run.options.sourceArgument;
  const std::string yearMonth = run.params.CurrentYearMonth;
  Variant ref;
  if (!host::OpenQuery(run.host, queue::PricingBillListSql(yearMonth), ref)) HostFailed(ref, "");
  if (!ref.IsPacket()) throw RunFailed{"主机没有返回数据包"};
  MemTable bills("cdsbills");
  bills.LoadPacket(ref.AsPacket());
  if (bills.IsEmpty()) throw RunFailed{queue::kNoExecutedBills};
  if (!bills.Locate("f_djh", Variant(bill))) throw RunFailed{"当月没有已执行的定价单 " + bill};
  const long long type = bills.GetInt("f_djlx");
  const std::string lineTable = queue::BillLineTable(type);
  if (lineTable.empty()) throw RunFailed{"不能调入该类型的定价单：" + std::to_string(type)};
  // The bill's departments stand in for a department choice.
  run.deptRestriction = queue::BillDepartmentSql(yearMonth, lineTable, bill);
  QueryQueue(run, queue::kBillCondition);
  run.emptyMessage = "定价单 " + bill + " 没有可打印的商品";
}

// Every pending batch of every price list, each product through the code entry, as the window's
// RF transfer feeds them.
void FromRfRequests(SourceRun& run) {
  CheckDepartment(run);
  const std::string today = run.params.CurrentDate;
  for (queue::RfList list : queue::kRfLists) {
    Variant ref;
    if (!host::OpenQuery(run.host, queue::RfBatchListSql(list, today), ref)) HostFailed(ref, queue::kRfReadFailed);
    if (!ref.IsPacket()) throw RunFailed{queue::kRfReadFailed};
    MemTable batches("cdsRF");
    batches.LoadPacket(ref.AsPacket());
    for (int b = 0; b < batches.RecordCount(); ++b) {
      batches.SetRecNo(b + 1);
      const queue::RfChooserRow row = queue::RfRowFromRecord(batches, list);
      const std::optional<std::string> clause = queue::RfTransferClause(row.label, today);
      if (!clause) continue;
      // Claimed first, as the window's transfer does: requests a handheld adds to the batch from
      // now on stay for a later run, and no workstation lists what this run prints.
      const std::string tag = queue::RfNewClaimTag();
      Variant claim(queue::RfClaimSql(row.employee, row.batchTime, *clause, tag));
      if (!host::ExecuteCommand(run.host, claim)) HostFailed(claim, queue::kRfReadFailed);
      run.rfBatches.push_back({row.employee, tag, row.batchTime, row.label});
      Variant codesRef;
      if (!host::OpenQuery(run.host, queue::RfBatchSelectSql(tag, row.batchTime, *clause), codesRef))
        HostFailed(codesRef, queue::kRfReadFailed);
      if (!codesRef.IsPacket()) throw RunFailed{queue::kRfReadFailed};
      MemTable codes("CDSRF1");
      codes.LoadPacket(codesRef.AsPacket());
      const int codeField = codes.FieldIndexOrThrow("f_Spbm");
      for (int i = 0; i < codes.RecordCount(); ++i) {
        const std::string code = codes.CellAt(i, codeField).ToText();
        if (Trim(code).empty()) continue;
        std::string condition = queue::CodeEntryCondition(queue::CodeKind::ProductCode, Trim(code));
        if (run.unitType != "00") condition += queue::kSaleClause;
        MemTable found("cdsTemp");
        found.LoadPacket(QueryPacket(run, condition));
        if (found.IsEmpty()) {
          run.err << "pricetag-print: " << queue::CodeNotFoundMessage(queue::CodeKind::ProductCode, Trim(code)) << "\n";
          continue;
        }
        queue::AppendRows(found, run.queue);
      }
    }
  }
  run.emptyMessage = "没有待打印的RF标价签请求";
}

// "价签与现价不符" and "特价到期": the products whose last printed tag is wrong now.
void FromShelfTags(SourceRun& run, queue::ShelfTagSource source) {
  CheckDepartment(run);
  queue::ShelfTagRequest request;
  request.source = source;
  request.mode = run.mode;
  request.originalPrice = run.originalPrice;
  request.deptSql = run.deptRestriction;
  request.currentDate = run.params.CurrentDate;
  Variant errors;
  if (!queue::FillFromShelfTags(run.host, run.send, request, run.queue, errors)) HostFailed(errors, "");
  run.emptyMessage = queue::EmptyMessage(source);
}
void FromMismatchedTags(SourceRun& run) { FromShelfTags(run, queue::ShelfTagSource::Mismatch); }
void FromExpiredPromotions(SourceRun& run) { FromShelfTags(run, queue::ShelfTagSource::ExpiredPromotion); }

void FromQueueFile(SourceRun& run) {
  try {
    queue::LoadQueueFile(run.options.sourceArgument, run.queue);
  } catch (const std::exception& e) {
    throw RunFailed{e.what()};
  }
  run.emptyMessage = "队列文件 " + run.options.sourceArgument + " 中没有商品";
}

// The sources, one row each: the option, its value (none for a flag), the help line, the fill.
struct QueueSource {
  const char* option;
  const char* value;
  const char* help;
  void (*fill)(SourceRun&);
};
const QueueSource kSources[] = {
    {"codes", "FILE", "the codes of a text file, one a line (see --by)", FromCodes},
    {"new-since", "YYYYMMDD", "products entered since the date (\"新    品\")", FromNewProducts},
    {"price-changes", "YYYYMMDD", "the price changes of the date, every bill (\"调价商品\")", FromPriceChanges},
    {"time-limited", nullptr, "time-limited sales starting on the server date (\"限时限量\")", FromTimedSales},
    {"quantity-pricing", nullptr, "quantity pricing starting on the server date (\"批量作价\")", FromQuantityPricing},
    {"bill", "NUMBER", "an executed pricing bill of the server month (\"调定价单\")", FromPricingBill},
    {"rf", nullptr, "every pending RF handheld request; deleted once printed (\"调 RF\")", FromRfRequests},
    {"queue", "FILE", "a print queue saved from the main window", FromQueueFile},
    {"stale-tags", nullptr, "last printed tag no longer shows today's prices (\"价签与现价不符\")", FromMismatchedTags},
    {"expired-promotions", nullptr, "last printed tag shows a promotion that has ended (\"特价到期\")",
     FromExpiredPromotions},
};

const QueueSource* FindSource(const std::string& option) {
  for (const QueueSource& s : kSources)
    if (option == s.option) return &s;
  return nullptr;
}

// ---------------------------------------------------------------- the RF journal

bool WriteJournal(const std::string& path, const std::string& today, const std::vector<RfBatch>& batches) {
  namespace fs = std::filesystem;
  const std::string partial = path + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << "pricetag-print rf 2\n" << today << "\n";
    for (const RfBatch& b : batches)
      out << b.employee << '\t' << b.tag << '\t' << b.batchTime << '\t' << b.label << '\n';
    out.flush();
    if (!out) return false;
  }
  std::error_code ec;
  fs::rename(partial, path, ec);
  return !ec;
}

// What is left of the claims goes back to the employees: the requests wait again.
void ReleaseBatches(HostService& host, const std::vector<RfBatch>& batches) {
  for (const RfBatch& b : batches) {
    if (b.tag == b.employee) continue;
    Variant ref(queue::RfReleaseSql(b.employee, b.batchTime, b.tag));
    try {
      host::ExecuteCommand(host, ref);
    } catch (const std::exception&) {
    }
  }
}

// Deletes the batches' printed requests and hands the rest of each claim back, journal first;
// false (journal left with what remains) when the host refuses one.
bool DeleteBatches(HostService& host, const std::string& journal, const std::string& today, std::vector<RfBatch> batches,
                   std::ostream& err) {
  if (batches.empty()) return true;
  if (!WriteJournal(journal, today, batches)) {
    Say(err, "无法写入 " + journal + "，RF请求未删除");
    ReleaseBatches(host, batches);
    return false;
  }
  while (!batches.empty()) {
    const RfBatch& b = batches.front();
    const std::optional<std::string> clause = queue::RfTransferClause(b.label, today);
    // One call, so one transaction: the printed requests go, the rest of the claim goes back.
    std::string sql = queue::RfBatchDeleteSql(b.tag, b.batchTime, clause.value_or("And 1=0 "), {});
    if (b.tag != b.employee) sql += ";" + queue::RfReleaseSql(b.employee, b.batchTime, b.tag);
    Variant ref(sql);
    bool ok = false;
    try {
      ok = host::ExecuteCommand(host, ref);
    } catch (const std::exception& e) {
      ref = Variant::MakeArray({Variant(e.what())});
    }
    if (!ok) {
      Say(err, ComposeHostErrors(ref, queue::kRfDeleteFailed));
      WriteJournal(journal, today, batches);
      return false;
    }
    batches.erase(batches.begin());
  }
  std::error_code ec;
  std::filesystem::remove(journal, ec);
  return true;
}

// A journal left by a run that printed but could not delete: finish the deletion first.
bool FinishEarlierRun(HostService& host, const std::string& journal, std::ostream& err) {
  std::ifstream in(journal, std::ios::binary);
  if (!in) return true;
  std::string line, today;
  std::getline(in, line);
  // Version 1 journals, from before runs claimed their batches, name no tag.
  const bool tagged = line == "pricetag-print rf 2";
  if ((!tagged && line != "pricetag-print rf 1") || !std::getline(in, today) || !queue::IsDateText(today)) {
    Say(err, "无法读取 " + journal + "：请检查后删除该文件");
    return false;
  }
  std::vector<RfBatch> batches;
  while (std::getline(in, line)) {
    std::vector<std::string> parts;
    std::istringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, '\t')) parts.push_back(cell);
    if (tagged && parts.size() == 4) batches.push_back({parts[0], parts[1], parts[2], parts[3]});
    if (!tagged && parts.size() == 3) batches.push_back({parts[0], parts[0], parts[1], parts[2]});
  }
  in.close();
  const size_t count = batches.size();
  if (!DeleteBatches(host, journal, today, std::move(batches), err)) return false;
  std::error_code ec;
  std::filesystem::remove(journal, ec);
  err << "pricetag-print: deleted the RF requests of " << count << " batch(es) an earlier run printed\n";
  return true;
}

// ---------------------------------------------------------------- the pass's voice

class CommandDialog : public printing::PassDialog {
 public:
  CommandDialog(const BatchPrintOptions& o, std::ostream& err) : o_(o), err_(err) {}
  void Stopped(const std::string& message) override { Say(err_, message); }
  bool FillFailed(const std::string& message) override {
    Say(err_, message);
    return false;  // a command prints all of its labels or none
  }
  void PrepareFailed(const std::string& reason) override { Say(err_, "异常错误,原因:" + reason); }
  bool PrintOthers(const std::string& message) override {
    Say(err_, message);
    if (!o_.printOthers) Say(err_, "nothing printed; --print-others prints the other rows");
    return o_.printOthers;
  }
  bool PrintOutsideArea(const std::string& message) override {
    Say(err_, "warning: " + message);
    return true;
  }
  void PrintFailed(const std::string& message) override { Say(err_, message); }

 private:
  const BatchPrintOptions& o_;
  std::ostream& err_;
};

std::string Plural(int n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

}  // namespace

// ================================================================== options

std::string BatchPrintUsage() {
  std::string u =
      "usage: pricetag-print --db DB [--server-date YYYYMMDD] [--operator CODE] --template NAME\n"
      "                      (--pdf FILE [--calibration PRINTER] | --printer NAME)\n"
      "                      [--departments CODE[,CODE...] | --department-file FILE]\n"
      "                      [--settings DIR] [--print-others] SOURCE\n"
      "Fills the print queue from one source and prints it without a window, through the same\n"
      "queries and print pass as the main window.\n"
      "\n"
      "  --db DB               the stand-in host's database: a file, or a postgresql:// URI\n"
      "  --server-date DATE    the server date to run on (default: the database's own)\n"
      "  --operator CODE       the operator the system parameters are read for (default 0001)\n"
      "  --template NAME       the label template, by its name in the template list\n"
      "  --pdf FILE            write the labels to FILE (replaced only when every label is written)\n"
      "  --calibration PRINTER with --pdf: shift and scale as PRINTER is calibrated\n"
      "  --printer NAME        print on the CUPS queue NAME\n"
      "  --settings DIR        the folder of Tallmerpos.ini (default: beside this program)\n"
      "  --print-others        rows that lack a value the template requires are left out and\n"
      "                        the others printed (default: nothing is printed)\n"
      "  --departments CODES   at headquarters (unit type 00): the pricing departments to print,\n"
      "                        as the main window's department selector chooses them; CODES are\n"
      "                        department or category codes, comma-separated, all under one top\n"
      "                        category (its own code may be listed to pick it)\n"
      "  --department-file FILE\n"
      "                        the same from a selection file saved in the department selector\n"
      "                        (\"保存\"); its first line names the top category\n"
      "  -h, --help            this text\n"
      "\n"
      "SOURCE, exactly one of:\n";
  for (const QueueSource& s : kSources) {
    std::string option = std::string("  --") + s.option + (s.value ? std::string(" ") + s.value : std::string());
    option.resize(std::max<size_t>(option.size() + 1, 24), ' ');
    u += option + s.help + "\n";
  }
  u += "  --by code|article|barcode\n"
       "                        with --codes: what the file's codes are (default code)\n"
       "At headquarters every source but --bill and --queue needs --departments or\n"
       "--department-file; --bill takes the bill's departments, --queue queries nothing.\n"
       "\n"
       "Exit status: 0 every label printed; 1 nothing printed (the reason on standard error);\n"
       "2 wrong usage; 3 printed, but the RF requests could not be deleted yet (the next --rf run\n"
       "deletes them before anything else and does not print them again).\n"
       "What is printed is recorded in the log of printed tags; a log that cannot be written is\n"
       "said on standard error and leaves the status as it is.\n";
  return u;
}

bool ParseBatchPrintOptions(const std::vector<std::string>& args, BatchPrintOptions& out, std::string& error) {
  std::vector<std::string> sources;
  bool byGiven = false, calibrationGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help") {
      out.help = true;
      continue;
    }
    if (a.rfind("--", 0) != 0) {
      error = "unexpected argument " + a;
      return false;
    }
    std::string name = a.substr(2), value;
    bool hasValue = false;
    if (size_t eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      hasValue = true;
    }
    const QueueSource* source = FindSource(name);
    const bool flag = name == "print-others" || (source && !source->value);
    if (flag) {
      if (hasValue) {
        error = "--" + name + " takes no value";
        return false;
      }
    } else if (!hasValue) {
      if (i + 1 >= args.size()) {
        error = "missing value after --" + name;
        return false;
      }
      value = args[++i];
    }
    if (source) {
      sources.push_back(name);
      out.source = name;
      out.sourceArgument = value;
    } else if (name == "db") out.database = value;
    else if (name == "server-date") out.serverDate = value;
    else if (name == "operator") out.operatorCode = value;
    else if (name == "template") out.templateName = value;
    else if (name == "pdf") out.pdfFile = value;
    else if (name == "printer") out.printer = value;
    else if (name == "calibration") {
      out.calibrationOf = value;
      calibrationGiven = true;
    } else if (name == "settings") out.settingsDir = value;
    else if (name == "departments") {
      if (!SplitText(",", value, out.departments)) {
        error = "--departments takes department codes separated by commas, not \"" + value + "\"";
        return false;
      }
    } else if (name == "department-file") out.departmentFile = value;
    else if (name == "by") {
      out.codeKind = value;
      byGiven = true;
    } else if (name == "print-others") out.printOthers = true;
    else {
      error = "unknown option --" + name;
      return false;
    }
  }
  if (out.help) return true;
  if (out.database.empty()) error = "--db is required";
  else if (Trim(out.templateName).empty()) error = "--template is required";
  else if (out.pdfFile.empty() == out.printer.empty()) error = "give one of --pdf FILE and --printer NAME";
  else if (calibrationGiven && out.pdfFile.empty()) error = "--calibration goes with --pdf";
  else if (sources.size() != 1) error = "give exactly one source (--codes, --new-since, ... see --help)";
  else if (byGiven && out.source != "codes") error = "--by goes with --codes";
  else if (!out.departments.empty() && !out.departmentFile.empty())
    error = "give one of --departments and --department-file";
  else if ((!out.departments.empty() || !out.departmentFile.empty()) && (out.source == "bill" || out.source == "queue"))
    error = "--" + out.source + " takes no department choice (a bill has its departments, a queue file is not queried)";
  else if (out.codeKind != "code" && out.codeKind != "article" && out.codeKind != "barcode")
    error = "--by takes code, article or barcode, not " + out.codeKind;
  else if (!out.serverDate.empty() && !queue::IsDateText(out.serverDate))
    error = "the server date must be YYYYMMDD: " + out.serverDate;
  else if (out.operatorCode.empty()) error = "the operator code must not be empty";
  return error.empty();
}

std::string RfJournalPath(const std::string& database) {
  if (!IsPostgresTarget(database)) return database + ".rf-printed";
  // A server database has no folder of its own: the journal goes to this user's data folder,
  // named after the URI, so that only a run on the same database finishes it.
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : database) hash = (hash ^ c) * 1099511628211ull;
  char name[40];
  std::snprintf(name, sizeof name, "server-%016llx.rf-printed", static_cast<unsigned long long>(hash));
  const std::filesystem::path folder = std::filesystem::path(DemoDatabasePath()).parent_path();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return (folder / name).string();
}

// ================================================================== the run

int RunBatchPrint(const BatchPrintOptions& o, HostService& host, std::ostream& out, std::ostream& err) {
  const QueueSource* source = FindSource(o.source);
  if (!source) {
    err << "pricetag-print: unknown source --" << o.source << "\n";
    return kExitUsage;
  }
  if (!o.settingsDir.empty()) UseSettingsDirectory(o.settingsDir);
  auto summary = [&](const std::string& text) { out << "pricetag-print: " << o.source << ": " << text << "\n"; };

  std::vector<RfBatch> claimed;  // RF batches this run claimed and has not yet deleted or handed back
  try {
    // The values the main window reads when it opens.
    TSystemParams params;
    params.PreparerCode = o.operatorCode;
    TDreamClass dream(host, 0, [&](const std::string& text, const std::string&) { Say(err, text); });
    std::string message;
    if (!dream.ReadSystemParams(params, SystemParamItems{0, 1, 3, 4, 5, 12, 13, 90, 113}, message))
      throw RunFailed{message};

    MemTable templates("CdsTemplate");
    Variant ref;
    if (!host::GetReportTemplates(host, "标价签", ref)) HostFailed(ref, "");
    if (!ref.IsPacket()) throw RunFailed{"主机没有返回模板数据包"};
    printing::LoadTemplateList(templates, ref.AsPacket());
    const printing::TemplateChoice choice = printing::ChooseTemplate(templates, o.templateName);
    if (!choice.Found()) throw RunFailed{choice.message};

    MemTable queueTable("cdsSpda"), send("cdsSend"), print("cdsPrint");
    queue::DefineQueueFields(queueTable);
    queueTable.CreateDataSet();
    queue::DefineConditionFields(send);
    send.CreateDataSet();
    send.Append();
    send.Post();
    printing::DefinePrintFields(print);
    print.CreateDataSet();

    const bool originalPrice =
        ReadIniValue(printing::kSettingsFile, printing::kSettingsSection, "Yxsdj", "1", "") == "1";
    SourceRun run{host, o, params, params.dwlx, queueTable, send, queue::QueryMode(false, false, params.dwlx),
                  originalPrice, std::string(), 0, err, claimed, {}};
    ChooseDepartments(run);

    const std::string journal = RfJournalPath(o.database);
    if (o.source == "rf" && !FinishEarlierRun(host, journal, err)) throw RunFailed{};

    source->fill(run);
    if (queueTable.IsEmpty()) throw RunFailed{run.emptyMessage};
    queueTable.First();

    // The window's print settings as a newly opened window has them; the pass reads the file.
    std::string grade, reason, period = "0";
    const std::string remark;
    bool detail = true;
    report::ReportEngine engine;
    printing::PassState state{queueTable, print, templates, engine, grade, reason, period, remark,
                              params.CurrentDate, detail};
    // The PDF file stands in for the printer: its labels are recorded as printed.
    printing::PrintLogRecorder log(host, {{}, o.operatorCode, params.PreparerName, printing::WorkstationName()});
    state.recorder = &log;
    CommandDialog dialog(o, err);
    const printing::LabelOutput output = o.pdfFile.empty() ? printing::LabelOutput::Printer(o.printer)
                                                           : printing::LabelOutput::PdfFile(o.pdfFile, o.calibrationOf);
    const printing::PassResult result = printing::RunPrintPass(state, o.templateName, output, dialog);
    if (result.outcome != printing::PassOutcome::Printed) throw RunFailed{};  // the pass said why

    std::string done = Plural(result.rows, "row", "rows") + ", " + Plural(result.labels, "label", "labels") + ", " +
                       Plural(result.pages, "page", "pages") + " -> " + result.output;
    // A log that cannot be written never takes back what was printed: said once, after it.
    if (const std::string failure = log.Write(); !failure.empty()) {
      Say(err, "提示：" + failure);
      done += "; not recorded in the print log";
    }
    const std::vector<RfBatch> printed = std::exchange(claimed, {});
    if (!DeleteBatches(host, journal, params.CurrentDate, printed, err)) {
      summary(done + "; RF requests kept for the next run to delete");
      return kExitRequestsKept;
    }
    summary(done);
    return kExitPrinted;
  } catch (const RunFailed& f) {
    Say(err, f.message);
  } catch (const std::exception& e) {
    Say(err, e.what());
  }
  ReleaseBatches(host, claimed);
  summary("nothing printed");
  return kExitFailed;
}

}  // namespace pt::hostapp
