#pragma once
// The stand-in host's data service on a freshly seeded database of either back end (an SQLite
// file in a temporary folder or a PostgreSQL schema of its own), with a recording proxy in front
// for tests that check what the module sent.
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "hostapp/HostDatabase.h"
#include "hostapp/SeedData.h"
#include "hostapp/SqliteHostService.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/backends/TestBackends.h"

namespace pt::test {

// A seeded database; seeding once per suite keeps the tests quick.
class SeededDatabaseFile {
 public:
  SeededDatabaseFile(int products, const std::string& unitType, const std::string& serverDate = "20241210",
                     Backend backend = Backend::Sqlite)
      : scratch_(backend), serverDate_(serverDate) {
    options_.products = products;
    options_.serverDate = serverDate;
    options_.unitType = unitType;
    hostapp::HostDatabase db(scratch_.target(), hostapp::ServerClock::Pinned(serverDate));
    hostapp::SeedDatabase(db, options_);
  }
  SeededDatabaseFile(const hostapp::SeedOptions& options, Backend backend)
      : scratch_(backend), serverDate_(options.serverDate), options_(options) {
    hostapp::HostDatabase db(scratch_.target(), hostapp::ServerClock::Pinned(serverDate_));
    hostapp::SeedDatabase(db, options_);
  }
  // The database's target: a file path or a postgresql:// URI.
  const std::string& path() const { return scratch_.target(); }
  const std::string& serverDate() const { return serverDate_; }
  Backend backend() const { return scratch_.backend(); }
  const hostapp::SeedOptions& options() const { return options_; }

 private:
  ScratchDatabase scratch_;
  std::string serverDate_;
  hostapp::SeedOptions options_;
};

// A test's own copy of a seeded database, to change at will: SQLite copies the seeded file,
// PostgreSQL seeds a schema of its own with the same options.
class SeededCopy {
 public:
  explicit SeededCopy(const SeededDatabaseFile& master) : scratch_(master.backend()) {
    if (master.backend() == Backend::Sqlite) {
      std::filesystem::copy_file(master.path(), scratch_.target(), std::filesystem::copy_options::overwrite_existing);
    } else {
      hostapp::HostDatabase db(scratch_.target(), hostapp::ServerClock::Pinned(master.serverDate()));
      hostapp::SeedDatabase(db, master.options());
    }
  }
  const std::string& path() const { return scratch_.target(); }

 private:
  ScratchDatabase scratch_;
};

// One seeded master per back end for a parametrised suite, made on first use.
class SeededMasters {
 public:
  explicit SeededMasters(hostapp::SeedOptions options) : options_(std::move(options)) {}
  SeededMasters(int products, const std::string& unitType, const std::string& serverDate) {
    options_.products = products;
    options_.unitType = unitType;
    options_.serverDate = serverDate;
  }
  const SeededDatabaseFile& For(Backend b) {
    auto& m = masters_[b];
    if (!m) m = std::make_unique<SeededDatabaseFile>(options_, b);
    return *m;
  }

 private:
  hostapp::SeedOptions options_;
  std::map<Backend, std::unique_ptr<SeededDatabaseFile>> masters_;
};

// The data service over an opened seeded database, recording every call.
struct SeededHost {
  explicit SeededHost(const SeededDatabaseFile& file)
      : db(file.path(), hostapp::ServerClock::Pinned(file.serverDate())), service(db), proxy(service) {}
  hostapp::HostDatabase db;
  hostapp::DbHostService service;
  RecordingProxy proxy;
};

}  // namespace pt::test
