// The host's command line and the database it opens.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "hostapp/HostOptions.h"
#include "hostapp/SeedData.h"

namespace pt::hostapp {
namespace {

using ::testing::HasSubstr;

TEST(HostOptionsParse, PositionalAndNamedArguments) {
  struct Case {
    std::vector<std::string> args;
    std::string db, date, op, mode, trace;
  } cases[] = {
      {{}, "", "", "0001", "", ""},
      {{"shop.db", "20240515", "0002", "job"}, "shop.db", "20240515", "0002", "job", ""},
      {{"--db", "a.db", "--server-date=20240515093000", "--operator", "张伟", "--mode", "job", "--trace", "t.jsonl"},
       "a.db", "20240515093000", "张伟", "job", "t.jsonl"},
      {{"shop.db", "--trace", "t.jsonl"}, "shop.db", "", "0001", "", "t.jsonl"},
  };
  for (const Case& c : cases) {
    HostOptions o;
    std::string error;
    ASSERT_TRUE(ParseHostOptions(c.args, o, error)) << error;
    EXPECT_EQ(o.database, c.db);
    EXPECT_EQ(o.serverDate, c.date);
    EXPECT_EQ(o.operatorCode, c.op);
    EXPECT_EQ(o.modeTag, c.mode);
    EXPECT_EQ(o.traceFile, c.trace);
  }
}

TEST(HostOptionsParse, NonsenseIsRefusedWithAReason) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"a.db", "20240230"}, "server date"},
      {{"--server-date", "2024-05-15"}, "server date"},
      {{"--colour", "red"}, "unknown option --colour"},
      {{"a", "20240515", "0001", "job", "extra"}, "too many"},
      {{"--trace"}, "missing value"},
      {{"--operator="}, "operator code"},
  };
  for (const Case& c : cases) {
    HostOptions o;
    std::string error;
    EXPECT_FALSE(ParseHostOptions(c.args, o, error)) << c.message;
    EXPECT_THAT(error, HasSubstr(c.message));
  }
}

TEST(HostOptionsDatabase, TheDemoDatabaseIsSeededOnFirstUseAndPinsItsDate) {
  namespace fs = std::filesystem;
  fs::path home = fs::temp_directory_path() / ("pricetag-xdg-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(home);
  setenv("XDG_DATA_HOME", home.c_str(), 1);
  EXPECT_EQ(DemoDatabasePath(), (home / "pricetag" / "demo.db").string());
  HostOptions o;
  std::string note;
  {
    auto db = OpenHostDatabase(o, &note);
    EXPECT_THAT(note, HasSubstr("created the demo database"));
    EXPECT_EQ(db->clock().Date(), kDemoServerDate);
  }
  note.clear();
  o.serverDate = "20240601";
  {
    auto db = OpenHostDatabase(o, &note);
    EXPECT_EQ(note, "");  // the second start uses what the first made
    EXPECT_EQ(db->clock().Date(), "20240601");
  }
  o.database = (home / "missing.db").string();
  EXPECT_THROW(OpenHostDatabase(o), std::runtime_error);
  EXPECT_FALSE(fs::exists(home / "missing.db"));
  unsetenv("XDG_DATA_HOME");
  fs::remove_all(home);
}

}  // namespace
}  // namespace pt::hostapp
