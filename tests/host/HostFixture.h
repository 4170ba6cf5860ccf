#pragma once
// A small hand-made server database whose answers are known, served by the real data service.
// Server date 2024-05-15; see HostFixture.cpp for the rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/DataPacket.h"
#include "host/HostOperations.h"
#include "hostapp/HostDatabase.h"
#include "hostapp/SqliteHostService.h"
#include "tests/support/backends/TestBackends.h"
#include "tests/support/backends/TestBackends.h"

namespace pt::hostapp::testing {

inline constexpr const char* kToday = "20240515";

// Barcodes of the fixture: product 000101 has two in unit 1 (E1 the main one) and two in
// cases of 12; 000102 and A0301 have one each; 000201 has none.
std::string E(int n);

// Parametrised by the database back end: every suite on it runs on SQLite and PostgreSQL.
class HostFixture : public ::testing::TestWithParam<Backend> {
 protected:
  HostFixture();

  bool postgres() const { return GetParam() == Backend::Postgres; }

  pt::test::ScratchDatabase scratch{GetParam()};
  HostDatabase db{scratch.target(), ServerClock::Pinned(kToday, "093000")};
  DbHostService host{db};

  // OpenQuery that must succeed.
  DecodedPacket Open(const std::string& sql);
  // ExecuteSql that must succeed.
  void Exec(const std::string& sql);
  // QueryProducts that must succeed.
  DecodedPacket Products(int mode, const std::string& tj, const std::string& dept = "", const std::string& yxsdj = "1");
  // A condition packet as the module's condition record gives it.
  static Variant Condition(const std::string& tj, const std::string& yxsdj, const std::string& dept);
};

// The rows of a packet as texts ("<null>" for null; floats as FloatToText writes them).
using Rows = std::vector<std::vector<std::string>>;
Rows Texts(const DecodedPacket& p);
// One column of every row, by field name (without regard to case).
std::vector<std::string> Column(const DecodedPacket& p, const std::string& name);
// One cell of a row, by field name.
std::string Cell(const DecodedPacket& p, size_t row, const std::string& name);
// The texts of an error list.
std::vector<std::string> Errors(const Variant& ref);

}  // namespace pt::hostapp::testing
