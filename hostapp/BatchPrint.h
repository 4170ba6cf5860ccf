#pragma once
// pricetag-print: labels without a window and without a clerk. Fills the print queue from one
// source, prints it through a named template to a named printer or a PDF file, and says in one
// line what it did.
//
//   pricetag-print --db DB [--server-date YYYYMMDD] [--operator CODE] --template NAME
//                  (--pdf FILE | --printer NAME) [--departments CODE[,CODE...] | --department-file FILE]
//                  SOURCE
//   SOURCE: --codes FILE [--by code|article|barcode] | --new-since YYYYMMDD |
//           --price-changes YYYYMMDD | --time-limited | --quantity-pricing | --bill NUMBER |
//           --rf | --queue FILE | --stale-tags | --expired-promotions
//
// The queries are the main window's (the same composition and host operations) and the labels
// come from the same print pass (printing/LabelPrintPass.h). Sources are a table (kSources in
// BatchPrint.cpp): a new one is one more row with its option, its help line and how it fills the
// queue.
//
// Labels written to the PDF file or handed to the printer are recorded in the log of printed
// tags (printing/PrintLog.h), as the main window's print records them; a log that cannot be
// written is said on standard error after the print and leaves the exit status as it was.
//
// At headquarters the product sources need a department choice, as in the main window: the
// departments are chosen by code or by a selection file saved from the department selector, and
// ticked in the same tree with the same rules (queue/DeptChoice.h).
//
// Printing nothing twice: a job reaches the printer or the file whole or not at all (a PDF is
// written beside its place and renamed over it; a printer job is spooled and handed over at its
// end, dropped on any failure). RF requests are deleted only after their labels were handed
// over; the batches to delete are first written to a journal beside the database, so that a run
// stopped after printing but before deleting has the next --rf run finish the deletion instead
// of printing the same requests again.
#include <iosfwd>
#include <string>
#include <vector>

#include "host/HostService.h"

namespace pt::hostapp {

struct BatchPrintOptions {
  std::string database;
  std::string serverDate;           // YYYYMMDD; empty: the database's own
  std::string operatorCode = "0001";
  std::string templateName;
  std::string pdfFile;              // one of pdfFile and printer
  std::string printer;
  std::string calibrationOf;        // --pdf: print as this printer is calibrated
  std::string settingsDir;          // where Tallmerpos.ini is; empty: beside the executable
  std::string source;               // the source's option without "--": "codes", "rf", ...
  std::string sourceArgument;       // its value, when it takes one
  std::string codeKind = "code";    // --by
  std::vector<std::string> departments;  // --departments: department or category codes
  std::string departmentFile;            // --department-file: a selection file of the selector
  bool printOthers = false;         // print the rows that hold every value the template requires
  bool help = false;
};

// Exit statuses.
inline constexpr int kExitPrinted = 0;
inline constexpr int kExitFailed = 1;        // nothing printed, nothing deleted
inline constexpr int kExitUsage = 2;
inline constexpr int kExitRequestsKept = 3;  // printed, but the RF requests could not be deleted yet

bool ParseBatchPrintOptions(const std::vector<std::string>& args, BatchPrintOptions& out, std::string& error);
std::string BatchPrintUsage();

// The journal of RF batches printed but not yet deleted: beside a database file; for a
// postgresql:// URI, in the per-user data folder under a name made from the URI.
std::string RfJournalPath(const std::string& database);

// One run on an open data service: fills the queue, prints, deletes the RF requests printed.
// The summary line goes to `out`, everything else to `err`. Returns the exit status.
int RunBatchPrint(const BatchPrintOptions& options, HostService& host, std::ostream& out, std::ostream& err);

}  // namespace pt::hostapp
