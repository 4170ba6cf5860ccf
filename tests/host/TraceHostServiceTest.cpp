// The call trace: one complete JSON line per call, on disk before the call returns, appended.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "HostFixture.h"
#include "hostapp/TraceHostService.h"

namespace pt::hostapp::testing {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;

std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<json> Records(const std::filesystem::path& p) {
  std::vector<json> out;
  std::istringstream lines(ReadAll(p));
  for (std::string line; std::getline(lines, line);) out.push_back(json::parse(line));
  return out;
}

class Trace : public HostFixture {
 protected:
  Trace() : file(std::filesystem::temp_directory_path() / ("pricetag-trace-" + std::to_string(::getpid()) + ".jsonl")) {
    std::filesystem::remove(file);
  }
  ~Trace() override { std::filesystem::remove(file); }
  std::filesystem::path file;
};

TEST_P(Trace, RecordsEachCallWithItsArgumentsAndOutcome) {
  TraceHostService traced(host, file.string());
  EXPECT_EQ(host::GetDatabaseType(traced).ToText(), "SQLSERVER");
  Variant date;
  ASSERT_TRUE(host::GetServerDate(traced, date));
  Variant cond = Condition(" da.f_Spbm='000101' ", "1", "");
  ASSERT_TRUE(host::QueryProducts(traced, 1, cond));
  const std::string longSql = "select f_Spbm from tbSpda where f_Spbm in (" + std::string(3000, ' ') + "'000101')";
  Variant rows;
  ASSERT_TRUE(host::OpenQuery(traced, longSql, rows));
  Variant bad;
  EXPECT_FALSE(host::OpenQuery(traced, "select * from tb202312_Xsmxzb", bad));

  std::vector<json> r = Records(file);
  ASSERT_EQ(r.size(), 5u);
  for (size_t i = 0; i < r.size(); ++i) {
    EXPECT_EQ(r[i]["seq"], i + 1);
    EXPECT_TRUE(r[i]["ms"].is_number());
    EXPECT_THAT(r[i]["time"].get<std::string>(), ::testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T.*"));
  }
  EXPECT_EQ(r[0]["op"], "GetDatabaseType");
  EXPECT_EQ(r[0]["disp"], 20);
  EXPECT_EQ(r[0]["result"], "SQLSERVER");
  EXPECT_EQ(r[1]["op"], "GetServerDate");
  EXPECT_EQ(r[1]["value"], "20240515");
  // The condition record travels with its values; the packet's bytes never do.
  EXPECT_EQ(r[2]["op"], "QueryProducts");
  EXPECT_EQ(r[2]["args"][0], 1);
  EXPECT_EQ(r[2]["args"][1]["fields"], json({"f_Tj", "f_Yxsdj", "f_DeptSql"}));
  EXPECT_EQ(r[2]["args"][1]["rows"], 1);
  EXPECT_EQ(r[2]["args"][1]["record"]["f_Tj"], " da.f_Spbm='000101' ");
  EXPECT_EQ(r[2]["result"], true);
  EXPECT_EQ(r[2]["rows"], 4);
  EXPECT_EQ(r[3]["args"][0], longSql);  // texts whole
  EXPECT_EQ(r[3]["rows"], 1);
  EXPECT_EQ(r[4]["result"], false);
  EXPECT_THAT(r[4]["errors"][0].get<std::string>(),
              HasSubstr(postgres() ? "relation \"tb202312_xsmxzb\" does not exist" : "no such table: tb202312_Xsmxzb"));
}

TEST_P(Trace, EachRecordIsOnDiskBeforeTheCallReturns) {
  TraceHostService traced(host, file.string());
  for (int i = 1; i <= 3; ++i) {
    Variant month;
    ASSERT_TRUE(host::GetServerMonth(traced, month));
    // Read back while the trace is still open: the line is complete already.
    std::string text = ReadAll(file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), i);
    EXPECT_EQ(text.back(), '\n');
  }
}

TEST_P(Trace, AppendsAndNeverTruncates) {
  { std::ofstream(file) << "{\"earlier\":true}\n"; }
  for (int run = 0; run < 2; ++run) {
    TraceHostService traced(host, file.string());
    Variant month;
    host::GetServerMonth(traced, month);
  }
  std::vector<json> r = Records(file);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0]["earlier"], true);
  EXPECT_EQ(r[2]["seq"], 1);  // a new trace counts from one, after what was there
}

TEST_P(Trace, TextsStayReadableAndBrokenOnesDoNotStopTheTrace) {
  TraceHostService traced(host, file.string());
  Variant name(std::string("张伟"));
  host::LookupRows(traced, 1, name);
  Variant broken(std::string("\xB2\xE2\xCA\xD4"));  // GBK bytes where UTF-8 belongs
  host::LookupRows(traced, 1, broken);
  Variant damaged = Variant::MakePacket("PTPK");
  host::QueryProducts(traced, 4, damaged);
  std::string text = ReadAll(file);
  std::vector<json> r = Records(file);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0]["rows"], 0);
  EXPECT_THAT(text, HasSubstr("[1,\"张伟\"]")) << "UTF-8, not escapes";
  EXPECT_EQ(r[2]["args"][1]["packet"], "damaged");
  EXPECT_EQ(r[2]["result"], false);
}

TEST_P(Trace, CountsReferencesOnTheServiceItStandsFor) {
  TraceHostService traced(host, file.string());
  traced.AddRef();
  EXPECT_EQ(host.RefCount(), 1);
  traced.Release();
  EXPECT_EQ(host.RefCount(), 0);
}

TEST(TraceFile, AnUnwritableFileIsRefusedAndTheOptionBeatsTheEnvironment) {
  HostDatabase db(":memory:");
  DbHostService host(db);
  EXPECT_THROW(TraceHostService(host, "/no/such/folder/trace.jsonl"), std::runtime_error);
  setenv("PRICETAG_HOST_TRACE", "/tmp/from-env.jsonl", 1);
  EXPECT_EQ(ChooseTraceFile(""), "/tmp/from-env.jsonl");
  EXPECT_EQ(ChooseTraceFile("opt.jsonl"), "opt.jsonl");
  unsetenv("PRICETAG_HOST_TRACE");
  EXPECT_EQ(ChooseTraceFile(""), "");
}

PT_INSTANTIATE_BACKENDS(Trace);

}  // namespace
}  // namespace pt::hostapp::testing
