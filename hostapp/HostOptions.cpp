#include "hostapp/HostOptions.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "hostapp/HostSchema.h"
#include "hostapp/SeedData.h"

namespace pt::hostapp {

std::string HostUsage() {
  return "usage: pricetag-host [DB [SERVER-DATE [OPERATOR [MODE-TAG]]]]\n"
         "                     [--db FILE|URI] [--server-date YYYYMMDD[HHNNSS]] [--operator CODE]\n"
         "                     [--mode TAG] [--trace FILE] [--module FILE] [--print-pdf FILE]\n"
         "Without a database the demo database in the per-user data folder is used (seeded on\n"
         "first use, server date " + std::string(kDemoServerDate) + "). The call trace is also switched on by\n"
         "PRICETAG_HOST_TRACE=FILE. The module library libdllmorvex.so is looked for beside the\n"
         "executable unless --module names it. --print-pdf FILE (and, without a display, the\n"
         "demo PDF beside the demo database) queues a few products, prints their labels to FILE\n"
         "and exits.\n";
}

bool ParseHostOptions(const std::vector<std::string>& args, HostOptions& out, std::string& error) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help") {
      out.help = true;
      continue;
    }
    if (a.rfind("--", 0) != 0) {
      positional.push_back(a);
      continue;
    }
    std::string name = a, value;
    if (size_t eq = a.find('='); eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      error = "missing value after " + a;
      return false;
    }
    if (name == "--db") out.database = value;
    else if (name == "--server-date") out.serverDate = value;
    else if (name == "--operator") out.operatorCode = value;
    else if (name == "--mode") out.modeTag = value;
    else if (name == "--trace") out.traceFile = value;
    else if (name == "--module") out.modulePath = value;
    else if (name == "--print-pdf") out.printPdf = value;
    else {
      error = "unknown option " + name;
      return false;
    }
  }
  if (positional.size() > 4) {
    error = "too many arguments";
    return false;
  }
  std::string* slots[] = {&out.database, &out.serverDate, &out.operatorCode, &out.modeTag};
  for (size_t i = 0; i < positional.size(); ++i) *slots[i] = positional[i];
  if (!out.serverDate.empty()) {
    try {
      if (out.serverDate.size() == 8) ServerClock::Pinned(out.serverDate);
      else if (out.serverDate.size() == 14) ServerClock::Pinned(out.serverDate.substr(0, 8), out.serverDate.substr(8));
      else throw std::invalid_argument("");
    } catch (const std::invalid_argument&) {
      error = "the server date must be YYYYMMDD or YYYYMMDDHHNNSS: " + out.serverDate;
      return false;
    }
  }
  if (out.operatorCode.empty()) {
    error = "the operator code must not be empty";
    return false;
  }
  if (out.modeTag.size() > 255) {
    error = "the mode tag is too long";
    return false;
  }
  return true;
}

std::string DemoDatabasePath() {
  namespace fs = std::filesystem;
  fs::path base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) base = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home) base = fs::path(home) / ".local" / "share";
  else base = fs::temp_directory_path();
  return (base / "pricetag" / "demo.db").string();
}

std::string DemoPdfPath() {
  return (std::filesystem::path(DemoDatabasePath()).parent_path() / "labels.pdf").string();
}

std::unique_ptr<HostDatabase> OpenHostDatabase(const HostOptions& options, std::string* note) {
  namespace fs = std::filesystem;
  std::string path = options.database.empty() ? DemoDatabasePath() : options.database;
  std::error_code ec;
  // A PostgreSQL database is there when the server lets us in; the connection says otherwise.
  bool exists = IsPostgresTarget(path) || fs::exists(path, ec);
  if (!exists && !options.database.empty())
    throw std::runtime_error("database file not found: " + path + " (pricetag-seed creates one)");
  std::unique_ptr<HostDatabase> db;
  if (!exists) {
    fs::create_directories(fs::path(path).parent_path(), ec);
    db = std::make_unique<HostDatabase>(path, ServerClock::Pinned(kDemoServerDate));
    SeedOptions seed;
    seed.products = kDemoProducts;
    seed.serverDate = kDemoServerDate;
    seed.unitType = kDemoUnitType;
    SeedDatabase(*db, seed);
    if (note) *note = "created the demo database " + path;
  } else {
    db = std::make_unique<HostDatabase>(path);
    if (options.createMissingTables) CreateSchema(*db);
  }
  if (!options.serverDate.empty())
    db->SetClock(ServerClock::Pinned(options.serverDate.substr(0, 8), options.serverDate.size() > 8 ? options.serverDate.substr(8) : ""));
  else if (std::string seeded = SeededServerDate(*db); !seeded.empty())
    db->SetClock(ServerClock::Pinned(seeded));
  else
    db->SetClock(ServerClock());
  return db;
}

}  // namespace pt::hostapp
