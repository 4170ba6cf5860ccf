#pragma once
// The stand-in host's command line and the database it opens.
//
//   pricetag-host [DB [SERVER-DATE [OPERATOR [MODE-TAG]]]] [--db FILE|URI] [--server-date YYYYMMDD]
//                 [--operator CODE] [--mode TAG] [--trace FILE] [--module FILE] [--print-pdf FILE]
//
// With no database a demo database in the per-user data folder is used, seeded on first use.
#include <memory>
#include <string>
#include <vector>

#include "hostapp/HostDatabase.h"

namespace pt::hostapp {

struct HostOptions {
  std::string database;        // empty: the demo database
  std::string serverDate;      // YYYYMMDD or YYYYMMDDHHNNSS; empty: the seeded date, else the workstation's
  std::string operatorCode = "0001";
  std::string modeTag;         // first bytes of the shared-memory block ("job"); empty: none
  std::string traceFile;       // call trace; empty: none (PRICETAG_HOST_TRACE is read by the caller)
  std::string modulePath;      // the module library; empty: beside the executable
  std::string printPdf;        // a demo print run to this PDF file, then exit; empty: a clerk's session
  bool help = false;
  // Tools that only read or write templates open an existing database as it stands.
  bool createMissingTables = true;
};

// False with a message for the user when the arguments make no sense.
bool ParseHostOptions(const std::vector<std::string>& args, HostOptions& out, std::string& error);
std::string HostUsage();

// $XDG_DATA_HOME/pricetag/demo.db, else ~/.local/share/pricetag/demo.db.
std::string DemoDatabasePath();
// Where a demo print run without --print-pdf writes its labels: beside the demo database.
std::string DemoPdfPath();

// The demo database's layout: what a newcomer's first start seeds.
inline constexpr const char* kDemoServerDate = "20240315";
inline constexpr int kDemoProducts = 500;
inline constexpr const char* kDemoUnitType = "01";  // a store: no pricing departments to choose first

// Opens the database the options name with the server clock they pin: a named file must exist
// (a postgresql:// URI names a database on a server);
// the demo database is created and seeded when missing (*note then says so). The schema's
// tables that are missing are created unless createMissingTables is off. Throws std::exception
// with a message for the user.
std::unique_ptr<HostDatabase> OpenHostDatabase(const HostOptions& options, std::string* note = nullptr);

}  // namespace pt::hostapp
