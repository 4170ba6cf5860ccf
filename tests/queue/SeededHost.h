#pragma once
// The stand-in host's SQLite data service on a freshly seeded database in a temporary folder,
// with a recording proxy in front for tests that check what the module sent.
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "hostapp/HostDatabase.h"
#include "hostapp/SeedData.h"
#include "hostapp/SqliteHostService.h"
#include "tests/support/RecordingHost.h"

namespace pt::test {

// A seeded database file; seeding once per suite keeps the tests quick.
class SeededDatabaseFile {
 public:
  SeededDatabaseFile(int products, const std::string& unitType, const std::string& serverDate = "20241210")
      : path_(dir_.path().toStdString() + "/seed.db"), serverDate_(serverDate) {
    hostapp::HostDatabase db(path_, hostapp::ServerClock::Pinned(serverDate));
    hostapp::SeedOptions o;
    o.products = products;
    o.serverDate = serverDate;
    o.unitType = unitType;
    hostapp::SeedDatabase(db, o);
  }
  const std::string& path() const { return path_; }
  const std::string& serverDate() const { return serverDate_; }
  QString dir() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  std::string path_;
  std::string serverDate_;
};

// The data service over an opened seeded file, recording every call.
struct SeededHost {
  explicit SeededHost(const SeededDatabaseFile& file)
      : db(file.path(), hostapp::ServerClock::Pinned(file.serverDate())), service(db), proxy(service) {}
  hostapp::HostDatabase db;
  hostapp::DbHostService service;
  RecordingProxy proxy;
};

}  // namespace pt::test
