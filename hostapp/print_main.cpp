// pricetag-print: labels from one source through a named template to a printer or a PDF file,
// without a window (see hostapp/BatchPrint.h).
#include <QApplication>
#include <cstdio>
#include <iostream>

#include "hostapp/BatchPrint.h"
#include "hostapp/HostOptions.h"
#include "hostapp/SqliteHostService.h"

int main(int argc, char** argv) {
  using namespace pt::hostapp;
  std::vector<std::string> args(argv + 1, argv + argc);
  BatchPrintOptions options;
  std::string error;
  if (!ParseBatchPrintOptions(args, options, error)) {
    std::cerr << "pricetag-print: " << error << "\n" << BatchPrintUsage();
    return kExitUsage;
  }
  if (options.help) {
    std::cout << BatchPrintUsage();
    return kExitPrinted;
  }
  // No window is ever shown: printing and fonts need the application, not a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName("pricetag-print");

  std::unique_ptr<HostDatabase> db;
  try {
    HostOptions host;
    host.database = options.database;
    host.serverDate = options.serverDate;
    host.operatorCode = options.operatorCode;
    db = OpenHostDatabase(host);
  } catch (const std::exception& e) {
    std::cerr << "pricetag-print: " << e.what() << "\n";
    return kExitFailed;
  }
  SqliteHostService service(*db);
  return RunBatchPrint(options, service, std::cout, std::cerr);
}
