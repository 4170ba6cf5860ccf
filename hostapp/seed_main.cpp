// pricetag-seed: creates a demo database for the stand-in host.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "hostapp/SeedData.h"

namespace {

int Usage(const char* message) {
  if (message) std::fprintf(stderr, "pricetag-seed: %s\n", message);
  std::fprintf(stderr,
               "usage: pricetag-seed --db FILE|URI --products N --server-date YYYYMMDD [--seed S]\n"
               "                     [--sales-lines N] [--unit-type 00|01|...] [--templates DIR]\n"
               "Creates FILE (or fills the PostgreSQL database of a postgresql:// URI) with seeded demo data\n"
               "laid out around the server date. An existing one is replaced only when it is itself a\n"
               "seeded demo database.\n");
  return 2;
}

bool ToNumber(const std::string& s, long long& out) {
  if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos || s.size() > 18) return false;
  out = std::stoll(s);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace pt::hostapp;
  std::string db;
  SeedOptions o;
  bool haveProducts = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-h" || a == "--help") return Usage(nullptr);
    if (i + 1 >= argc) return Usage(("missing value after " + a).c_str());
    std::string v = argv[++i];
    long long n = 0;
    if (a == "--db") db = v;
    else if (a == "--server-date") o.serverDate = v;
    else if (a == "--unit-type") o.unitType = v;
    else if (a == "--templates") o.templateDir = v;
    else if (a == "--products") {
      if (!ToNumber(v, n) || n > 899999) return Usage("--products needs a whole number up to 899999");
      o.products = static_cast<int>(n);
      haveProducts = true;
    } else if (a == "--seed") {
      if (!ToNumber(v, n)) return Usage("--seed needs a whole number");
      o.seed = static_cast<uint64_t>(n);
    } else if (a == "--sales-lines") {
      if (!ToNumber(v, n)) return Usage("--sales-lines needs a whole number");
      o.salesLines = n;
    } else {
      return Usage(("unknown option " + a).c_str());
    }
  }
  if (db.empty() || o.serverDate.empty() || !haveProducts) return Usage("--db, --products and --server-date are required");
  CivilDate check;
  if (!ParseYmd(o.serverDate, check)) return Usage("--server-date needs a valid date YYYYMMDD");

  try {
    std::error_code ec;
    if (IsPostgresTarget(db)) {
      // A database on a server: its tables are replaced only when it is itself a seeded one.
      HostDatabase old(db);
      if (old.TableExists("tbSpda") && SeededServerDate(old).empty()) {
        std::fprintf(stderr, "pricetag-seed: %s holds tables and is not a seeded demo database; nothing was changed\n",
                     db.c_str());
        return 1;
      }
      DropSeededTables(old);
    } else if (fs::exists(db, ec)) {
      bool seeded = false;
      try {
        HostDatabase old(db);
        seeded = !SeededServerDate(old).empty();
      } catch (const std::exception&) {
      }
      if (!seeded) {
        std::fprintf(stderr, "pricetag-seed: %s exists and is not a seeded demo database; nothing was changed\n", db.c_str());
        return 1;
      }
      for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(db + suffix, ec);
    }
    HostDatabase database(db, ServerClock::Pinned(o.serverDate));
    SeedSummary s = SeedDatabase(database, o);
    std::printf("seeded %s for server date %s: %lld products, %lld barcodes, %lld promotions, %lld time-limited sales, "
                "%lld quantity prices, %lld sales lines, %lld RF requests, %lld label templates%s\n",
                db.c_str(), o.serverDate.c_str(), static_cast<long long>(s.products), static_cast<long long>(s.barcodes),
                static_cast<long long>(s.promotions), static_cast<long long>(s.timedSales),
                static_cast<long long>(s.quantityPrices), static_cast<long long>(s.salesLines),
                static_cast<long long>(s.rfRequests), static_cast<long long>(s.templates),
                s.placeholderTemplate ? " (placeholder)" : "");
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pricetag-seed: %s\n", e.what());
    return 1;
  }
}
