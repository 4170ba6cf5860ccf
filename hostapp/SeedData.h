#pragma once
// Realistic, deterministic demo data for the stand-in host: the same options always give the
// same database. Every date is laid out around the server date, so a database seeded for a date
// is used with the server clock pinned to that date (it is recorded in pthost_info).
#include <cstdint>
#include <string>

#include "hostapp/HostDatabase.h"

namespace pt::hostapp {

struct SeedOptions {
  int products = 500;          // products (the category rows of the product master come on top)
  std::string serverDate;      // YYYYMMDD, required
  uint64_t seed = 1;
  int64_t salesLines = -1;     // sales lines over four months; -1: ten per product
  std::string unitType = "00";  // system parameter dwlx: "00" headquarters, "01" store, ...
  std::string templateDir;     // label templates (*.json); empty: the project's own folder
};

struct SeedSummary {
  int64_t products = 0, barcodes = 0, promotions = 0, timedSales = 0, quantityPrices = 0;
  int64_t salesLines = 0, rfRequests = 0, templates = 0;
  bool placeholderTemplate = false;
};

// Fills an empty database (schema included). Throws SqlError / std::invalid_argument.
SeedSummary SeedDatabase(HostDatabase& db, const SeedOptions& options);

// Drops every table of a seeded database's schema (PostgreSQL: the first schema of the search
// path), so that it can be seeded again.
void DropSeededTables(HostDatabase& db);

// The server date a seeded database was laid out around, or empty.
std::string SeededServerDate(HostDatabase& db);

// The folder the project keeps its label templates in.
std::string DefaultTemplateDir();

// An EAN-13 barcode from its first twelve digits.
std::string Ean13(const std::string& twelveDigits);

// The stored form of a template: two hexadecimal digits per byte, high digit first, then "#".
std::string HexTemplate(const std::string& bytes);

}  // namespace pt::hostapp
