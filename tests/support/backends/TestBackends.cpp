#include "tests/support/backends/TestBackends.h"

#include "hostapp/HostDatabase.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace pt::test {

std::string PostgresBaseUri() {
  const char* uri = std::getenv("PRICETAG_TEST_PG");
  return uri ? uri : "";
}

std::vector<Backend> TestBackends() {
  static const std::vector<Backend> backends = [] {
    const char* ci = std::getenv("CI");
    bool underCi = ci && std::string(ci) == "true";
    if (!PostgresBaseUri().empty() || underCi) return std::vector<Backend>{Backend::Sqlite, Backend::Postgres};
    std::fprintf(stderr,
                 "NOTE: the PostgreSQL half of these tests is skipped: PRICETAG_TEST_PG names no server "
                 "(scripts/test.sh starts one when PostgreSQL is installed)\n");
    return std::vector<Backend>{Backend::Sqlite};
  }();
  return backends;
}

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::Postgres ? "Postgres" : "Sqlite";
}

void PostgresAdmin(const std::string& sql) {
  std::string uri = PostgresBaseUri();
  if (uri.empty()) throw std::runtime_error("PRICETAG_TEST_PG names no PostgreSQL server (CI=true needs one)");
  PGconn* c = PQconnectdb(uri.c_str());
  PQsetNoticeProcessor(c, [](void*, const char*) {}, nullptr);
  if (PQstatus(c) != CONNECTION_OK) {
    std::string msg = PQerrorMessage(c);
    PQfinish(c);
    throw std::runtime_error("PostgreSQL test server: " + msg);
  }
  PGresult* r = PQexec(c, sql.c_str());
  bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
  std::string msg = ok ? "" : PQresultErrorMessage(r);
  PQclear(r);
  PQfinish(c);
  if (!ok) throw std::runtime_error("PostgreSQL test server: " + msg);
}

ScratchDatabase::ScratchDatabase(Backend backend) : backend_(backend) {
  static std::atomic<int> counter{0};
  int n = ++counter;
  if (backend == Backend::Sqlite) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pt_scratch_XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot make a temporary folder");
    dir_ = tmpl;
    target_ = dir_ + "/host.db";
    return;
  }
  std::string base = PostgresBaseUri();
  auto withPath = [&](const std::string& path) {
    return base + (base.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + path;
  };
  // The host's support objects are installed once, in a schema that every scratch schema's
  // search path ends with, so that a test does not pay for installing them.
  static const bool supported = [&] {
    PostgresAdmin("SELECT pg_advisory_lock(1415); CREATE SCHEMA IF NOT EXISTS pt_test_support; SELECT pg_advisory_unlock(1415)");
    hostapp::HostDatabase install(withPath("pt_test_support"));
    return true;
  }();
  (void)supported;
  schema_ = "pt_t" + std::to_string(getpid()) + "_" + std::to_string(n);
  PostgresAdmin("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA " + schema_);
  target_ = withPath(schema_ + "%2Cpt_test_support");
}

ScratchDatabase::~ScratchDatabase() {
  try {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
    if (!schema_.empty()) PostgresAdmin("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE");
  } catch (...) {
  }
}

}  // namespace pt::test
