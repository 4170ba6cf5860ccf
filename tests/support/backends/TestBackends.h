#pragma once
// The database back ends the host and window tests run against. SQLite always; PostgreSQL when
// PRICETAG_TEST_PG holds the URI of a server the tests may create schemas in (scripts/test.sh
// starts a throwaway cluster and sets it). Without it the PostgreSQL half is skipped with a
// message, except under CI=true, where its tests run and fail.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostapp/DbBackend.h"

namespace pt::test {

using hostapp::Backend;

std::vector<Backend> TestBackends();
// "Sqlite" / "Postgres", for the names of parametrised tests.
std::string BackendName(const ::testing::TestParamInfo<Backend>& info);

// A fresh, empty database of one back end, removed again at the end: an SQLite file in a
// temporary folder, or a schema of its own on the PostgreSQL server (the target URI puts it
// first in the search path).
class ScratchDatabase {
 public:
  explicit ScratchDatabase(Backend backend);
  ~ScratchDatabase();
  ScratchDatabase(const ScratchDatabase&) = delete;
  ScratchDatabase& operator=(const ScratchDatabase&) = delete;

  Backend backend() const { return backend_; }
  const std::string& target() const { return target_; }

 private:
  Backend backend_;
  std::string target_;
  std::string dir_;     // SQLite
  std::string schema_;  // PostgreSQL
};

// The PostgreSQL server of the tests ("" when none).
std::string PostgresBaseUri();
// Runs SQL on the test server's own database (outside any scratch schema).
void PostgresAdmin(const std::string& sql);

}  // namespace pt::test

// Instantiates a value-parametrised suite for every test back end.
#define PT_INSTANTIATE_BACKENDS(Suite) \
  INSTANTIATE_TEST_SUITE_P(Backends, Suite, ::testing::ValuesIn(::pt::test::TestBackends()), ::pt::test::BackendName)
