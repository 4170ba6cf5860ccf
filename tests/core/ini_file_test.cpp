#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <tuple>

#include "common/GbkCodec.h"
#include "common/IniFile.h"
#include "common/ModuleError.h"

namespace pt {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

std::string Fixture(const std::string& name) {
  const char* dir = std::getenv("PRICETAG_TEST_DATA");
  fs::path base = dir ? fs::path(dir) : fs::path(__FILE__).parent_path().parent_path() / "data";
  return ReadBytes(base / "ini" / name);
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  size_t p = s.find(from);
  EXPECT_NE(p, std::string::npos) << from;
  if (p != std::string::npos) s.replace(p, from.size(), to);
  return s;
}

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/pricetag_ini_XXXXXX";
    root_ = mkdtemp(tmpl);
    dir_ = root_ / "work";
    exeDir_ = root_ / "exe";
    fs::create_directories(dir_);
    fs::create_directories(exeDir_);
    SetHostExecutableDirForTesting(exeDir_.string());
    original_ = Fixture("settings_gbk.ini");
    ASSERT_FALSE(original_.empty());
    WriteBytes(dir_ / "Tallmerpos.ini", original_);
  }
  void TearDown() override {
    SetHostExecutableDirForTesting("");
    fs::remove_all(root_);
  }
  std::string Dir() const { return dir_.string() + "\\"; }  // callers end directories with "\"
  std::string Read(const std::string& s, const std::string& k, const std::string& def = "<default>") {
    return ReadIniValue("Tallmerpos.ini", s, k, def, Dir());
  }
  std::string OnDisk() const { return ReadBytes(dir_ / "Tallmerpos.ini"); }
  std::string Gbk(const std::string& utf8) const { return Utf8ToGbk(utf8); }

  fs::path root_, dir_, exeDir_;
  std::string original_;
};

TEST_F(IniFileTest, ReadsGbkValuesWithNamesInAnyCase) {
  struct Case { const char* section; const char* key; const char* expected; };
  const Case cases[] = {
      {"SpBjqDy", "Mbwz", "3"},                   // "Mbwz = 3 ": key and value trimmed
      {"spbjqdy", "MBWZ", "3"},
      {" SpBjqDy ", " Mbwz", "3"},
      {"SpBjqDy", "Spdj", "合格"},
      {"SpBjqDy", "Jjyy", "酬宾=特价"},           // the value runs from the first "="
      {"分类乚", "乤", "下"},                     // GBK second bytes that look like "a"/"A" or "]"
      {"分类乚", "丄", "上"},
      {"COLOROPTION", "backcolor", "15528176"},   // last line, no final newline
      {"SpBjqDy", "Dytj", "<default>"},
      {"Missing", "Mbwz", "<default>"},
      {"SpBjqDy", "; 标价签打印的设置", "<default>"},  // a comment is no key
      {"SpBjqDy", "colorstyle", "<default>"},         // keys belong to their own section
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.section, c.key), c.expected) << c.section << "/" << c.key;
  std::string odd = Read("ColorOption", "odd");
  EXPECT_TRUE(IsValidUtf8(odd));
  EXPECT_NE(odd.find("\xEF\xBF\xBD"), std::string::npos);  // bytes that are no GBK read as U+FFFD
  EXPECT_EQ(ReadIniValue("Nothing.ini", "SpBjqDy", "Mbwz", "0", Dir()), "0");
}

TEST_F(IniFileTest, RewritingOneValueKeepsEveryOtherByte) {
  WriteIniValue("Tallmerpos.ini", "spbjqdy", "mbwz", "5", Dir());
  EXPECT_EQ(OnDisk(), Replace(original_, "Mbwz = 3 \r\n", "Mbwz = 5\r\n"));

  WriteIniValue("Tallmerpos.ini", "ColorOption", "backcolor", "1", Dir());
  EXPECT_EQ(OnDisk(), Replace(Replace(original_, "Mbwz = 3 \r\n", "Mbwz = 5\r\n"), "backcolor=15528176", "backcolor=1"));
  EXPECT_EQ(OnDisk().back(), '1');  // still no final newline
}

TEST_F(IniFileTest, NewKeysGoToTheEndOfTheirSectionNewSectionsToTheEnd) {
  WriteIniValue("Tallmerpos.ini", "SpBjqDy", "Dytj", "0", Dir());
  std::string expected = Replace(original_, Gbk("Jjyy=酬宾=特价\r\n"), Gbk("Jjyy=酬宾=特价\r\n") + "Dytj=0\r\n");
  EXPECT_EQ(OnDisk(), expected);

  WriteIniValue("Tallmerpos.ini", "ColorOption", "linecolor", "12349763", Dir());
  expected += "\r\nlinecolor=12349763\r\n";
  EXPECT_EQ(OnDisk(), expected);

  WriteIniValue("Tallmerpos.ini", "FrmyjgDgdView", "f_Spbm", "1,80", Dir());
  expected += "[FrmyjgDgdView]\r\nf_Spbm=1,80\r\n";
  EXPECT_EQ(OnDisk(), expected);
  EXPECT_EQ(Read("frmyjgdgdview", "F_SPBM"), "1,80");
}

// However the file's last line ends, a new key lands on a line of its own and the old lines keep
// their values.
TEST_F(IniFileTest, EveryEndingOfTheLastLineTakesANewKey) {
  for (const char* ending : {"\r\n", "\n", "\r", ""}) {
    const std::string before = std::string("[a]\r\nx=1") + ending;
    WriteBytes(dir_ / "e.ini", before);
    WriteIniValue("e.ini", "a", "k", "v", Dir());
    WriteIniValue("e.ini", "b", "m", "w", Dir());
    const std::string after = ReadBytes(dir_ / "e.ini");
    EXPECT_EQ(after.compare(0, before.size(), before), 0) << "the old bytes stay: " << after;
    for (auto [section, key, value] : {std::tuple{"a", "x", "1"}, {"a", "k", "v"}, {"b", "m", "w"}})
      EXPECT_EQ(ReadIniValue("e.ini", section, key, "<none>", Dir()), value) << key << " in " << after;
  }
}

TEST_F(IniFileTest, ChineseValuesAreGbkOnDisk) {
  WriteIniValue("Tallmerpos.ini", "SpBjqDy", "Spdj", "一等品", Dir());
  EXPECT_EQ(OnDisk(), Replace(original_, Gbk("Spdj=合格"), Gbk("Spdj=一等品")));
  EXPECT_EQ(Read("SpBjqDy", "Spdj"), "一等品");
}

TEST_F(IniFileTest, MissingFileIsCreatedWithoutLeftovers) {
  fs::path fresh = root_ / "fresh";
  fs::create_directories(fresh);
  WriteIniValue("Tallmerpos.ini", "SpBjqDy", "Jjyy", "清仓", fresh.string() + "\\");
  EXPECT_EQ(ReadBytes(fresh / "Tallmerpos.ini"), Gbk("[SpBjqDy]\r\nJjyy=清仓\r\n"));
  EXPECT_EQ(std::distance(fs::directory_iterator(fresh), fs::directory_iterator()), 1);  // no temporary file left
}

TEST_F(IniFileTest, ModeAndSymbolicLinksSurviveARewrite) {
  fs::path real = dir_ / "Tallmerpos.ini";
  ::chmod(real.c_str(), 0600);
  fs::path linkDir = root_ / "linked";
  fs::create_directories(linkDir);
  fs::create_symlink(real, linkDir / "Tallmerpos.ini");
  WriteIniValue("Tallmerpos.ini", "SpBjqDy", "Mbwz", "1", linkDir.string() + "/");
  EXPECT_TRUE(fs::is_symlink(linkDir / "Tallmerpos.ini"));
  EXPECT_EQ(Read("SpBjqDy", "Mbwz"), "1");
  struct stat st{};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(IniFileTest, UnstorableValuesAreRefusedAndTheFileIsUntouched) {
  struct Case { const char* section; const char* key; const char* value; const char* why; };
  const Case cases[] = {
      {"SpBjqDy", "Spdj", "两行\n文字", "的值含有换行符"},
      {"SpBjqDy", "Spdj", "\xF0\x9F\x98\x80", "GBK 无法表示的字符"},
      {"SpBjqDy", "a=b", "1", "键名“a=b”无效"},
      {"SpBjqDy", " ", "1", "键名“ ”无效"},
      {"Sp]Bjq", "Spdj", "1", "节名“Sp]Bjq”无效"},
  };
  for (const Case& c : cases) {
    try {
      WriteIniValue("Tallmerpos.ini", c.section, c.key, c.value, Dir());
      ADD_FAILURE() << "accepted " << c.key << "=" << c.value;
    } catch (const ModuleError& e) {
      std::string msg = e.what();
      EXPECT_EQ(msg.rfind("无法写入设置文件 " + dir_.string() + "/Tallmerpos.ini：", 0), 0u) << msg;
      EXPECT_NE(msg.find(c.why), std::string::npos) << msg;
    }
    EXPECT_EQ(OnDisk(), original_);
  }
  // Something that exists but cannot be read is never replaced.
  fs::create_directories(dir_ / "Blocked.ini");
  EXPECT_THROW(WriteIniValue("Blocked.ini", "SpBjqDy", "Mbwz", "1", Dir()), ModuleError);
  EXPECT_TRUE(fs::is_directory(dir_ / "Blocked.ini"));
  EXPECT_EQ(ReadIniValue("Blocked.ini", "SpBjqDy", "Mbwz", "d", Dir()), "d");
}

TEST_F(IniFileTest, SeveralValuesAreStoredTogetherOrNotAtAll) {
  WriteIniValues("Tallmerpos.ini", "SpBjqDy", {{"Spdj", "一等品"}, {"Dytj", "1"}, {"Mbwz", "4"}}, Dir());
  std::string expected = Replace(original_, Gbk("Spdj=合格"), Gbk("Spdj=一等品"));
  expected = Replace(expected, Gbk("Jjyy=酬宾=特价\r\n"), Gbk("Jjyy=酬宾=特价\r\n") + "Dytj=1\r\n");
  expected = Replace(expected, "Mbwz = 3 \r\n", "Mbwz = 4\r\n");
  EXPECT_EQ(OnDisk(), expected);

  // The last value cannot be stored: the first two are not stored either.
  WriteBytes(dir_ / "Tallmerpos.ini", original_);
  EXPECT_THROW(WriteIniValues("Tallmerpos.ini", "SpBjqDy", {{"Spdj", "一等品"}, {"Jjyy", "\xF0\x9F\x98\x80"}}, Dir()),
               ModuleError);
  EXPECT_EQ(OnDisk(), original_);
}

// A process writing the settings over and over is killed at random moments; every time the file
// is one of the whole files it may hold, never a mixture or a cut-short one.
TEST_F(IniFileTest, AWriterKilledAtAnyMomentLeavesAWholeFile) {
  const std::string shortValue = "1";
  const std::string longValue(4000, '7');  // a torn write would show as a length in between
  const std::set<std::string> whole = {original_, Replace(original_, "Mbwz = 3 ", "Mbwz = " + shortValue),
                                       Replace(original_, "Mbwz = 3 ", "Mbwz = " + longValue)};
  // How long one write takes here (it is synced to the disk): kills fall within the next one.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 5; ++i) WriteIniValue("Tallmerpos.ini", "SpBjqDy", "Mbwz", i % 2 ? longValue : shortValue, Dir());
  const auto oneWrite = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start) / 5;
  WriteBytes(dir_ / "Tallmerpos.ini", original_);
  std::mt19937 random(20241211);
  std::uniform_int_distribution<int> finished(0, 2);  // writes to let through before the kill
  std::uniform_int_distribution<int64_t> delay(0, oneWrite.count());
  int kills = 0, changes = 0;
  std::string last = original_;
  for (int round = 0; round < 200; ++round) {
    int done[2];
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(done[0]);
      try {
        for (int i = 0;; ++i) {
          WriteIniValue("Tallmerpos.ini", "SpBjqDy", "Mbwz", i % 2 ? longValue : shortValue, Dir());
          if (write(done[1], "w", 1) != 1) break;
        }
      } catch (...) {
      }
      _exit(1);
    }
    close(done[1]);
    char c;
    for (int n = finished(random); n > 0 && read(done[0], &c, 1) == 1;) --n;
    usleep(static_cast<useconds_t>(delay(random)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    close(done[0]);
    kills += WIFSIGNALED(status) ? 1 : 0;
    const std::string now = OnDisk();
    ASSERT_EQ(whole.count(now), 1u) << "round " << round << ": " << now.size() << " bytes";
    changes += now != last ? 1 : 0;
    last = now;
  }
  EXPECT_EQ(kills, 200) << "the writer never stops by itself";
  EXPECT_GT(changes, 50) << "the kills fell while the file was being replaced, not all before";
}

TEST_F(IniFileTest, UtfEightFilesWithByteOrderMarkStayUtfEight) {
  WriteBytes(dir_ / "u.ini", "\xEF\xBB\xBF[SpBjqDy]\nSpdj=合格\n");
  EXPECT_EQ(ReadIniValue("u.ini", "SpBjqDy", "Spdj", "", Dir()), "合格");
  WriteIniValue("u.ini", "SpBjqDy", "Jjyy", "酬宾", Dir());
  EXPECT_EQ(ReadBytes(dir_ / "u.ini"), "\xEF\xBB\xBF[SpBjqDy]\nSpdj=合格\nJjyy=酬宾\n");
}

TEST_F(IniFileTest, PathRule) {
  const std::string exe = exeDir_.string();
  EXPECT_EQ(IniFilePath("Tallmerpos.ini", ""), exe + "/Tallmerpos.ini");
  EXPECT_EQ(IniFilePath("Tallmerpos.ini", "\\"), exe + "/Tallmerpos.ini");
  EXPECT_EQ(IniFilePath("Tallmerpos.ini", "/data/pos\\"), "/data/pos/Tallmerpos.ini");
  EXPECT_EQ(IniFilePath("Tallmerpos.ini", "/data/pos/"), "/data/pos/Tallmerpos.ini");
  EXPECT_EQ(IniFilePath("Tallmerpos.ini", "/data/pos"), "/data/posTallmerpos.ini");  // directly followed

  // An empty directory means beside the host's executable, whatever the working directory is.
  WriteBytes(exeDir_ / "Tallmerpos.ini", "[SpBjqDy]\r\nMbwz=7\r\n");
  fs::path cwd = fs::current_path();
  fs::current_path(dir_);
  EXPECT_EQ(ReadIniValue("Tallmerpos.ini", "SpBjqDy", "Mbwz", "0", ""), "7");
  WriteIniValue("Tallmerpos.ini", "SpBjqDy", "Mbwz", "8", "\\");
  fs::current_path(cwd);
  EXPECT_EQ(ReadBytes(exeDir_ / "Tallmerpos.ini"), "[SpBjqDy]\r\nMbwz=8\r\n");
  EXPECT_EQ(OnDisk(), original_);

  // Without the test seam it is the running program's own directory.
  SetHostExecutableDirForTesting("");
  EXPECT_TRUE(fs::exists(fs::path(HostExecutableDir()) / "core_tests"));
}

}  // namespace
}  // namespace pt
