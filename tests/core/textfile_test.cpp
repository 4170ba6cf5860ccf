#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/GbkCodec.h"
#include "common/TextFile.h"

using namespace pt;

namespace {
std::string Write(const std::string& name, const std::string& bytes) {
  auto p = std::filesystem::temp_directory_path() / name;
  std::ofstream(p, std::ios::binary) << bytes;
  return p.string();
}
}  // namespace

TEST(TextFile, LinesAsAReaderSeesThem) {
  struct Case { std::string bytes; std::vector<std::string> want; };
  const Case cases[] = {
      {"", {}},
      {"a\r\nb", {"a", "b"}},
      {"a\r\n", {"a"}},
      {"\r\n\r\n", {"", ""}},
      {" 12 \nx", {" 12 ", "x"}},
      {Utf8ToGbk("可乐,雪碧\r\n"), {"可乐,雪碧"}},
      {"\xEF\xBB\xBF" "可乐\n", {"可乐"}},
  };
  std::vector<std::string> lines;
  for (const Case& c : cases) {
    ASSERT_TRUE(ReadTextFileLines(Write("pt_lines.txt", c.bytes), lines));
    EXPECT_EQ(lines, c.want);
  }
  EXPECT_FALSE(ReadTextFileLines("/nonexistent/dir/file.txt", lines));
  // Only regular files: a device would never end, a directory is no text.
  for (const char* odd : {"/dev/zero", "/tmp"}) EXPECT_FALSE(ReadTextFileLines(odd, lines)) << odd;
}

TEST(TextFile, WritesGbkWithCrLf) {
  auto p = (std::filesystem::temp_directory_path() / "pt_out.txt").string();
  ASSERT_TRUE(WriteTextFileLines(p, {"1 010", "部门"}));
  std::ifstream in(p, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(bytes, "1 010\r\n" + Utf8ToGbk("部门") + "\r\n");
  EXPECT_FALSE(WriteTextFileLines("/nonexistent/dir/file.txt", {"x"}));
}
