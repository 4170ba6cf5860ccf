#include "common/AviClip.h"

#include <gtest/gtest.h>

#include "tests/support/TestAvi.h"

namespace pt {
namespace {

constexpr uint32_t kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

test::TestAviSpec EightBit() {
  test::TestAviSpec spec;
  spec.width = 4;
  spec.height = 2;
  spec.palette = {0x000000, 0xFF0000, 0x00FF00};
  return spec;
}

TEST(AviClipTest, UncompressedEightBitFramesComeTopRowFirst) {
  test::TestAviSpec spec = EightBit();
  // Rows are stored bottom-up; audio of another stream is skipped.
  spec.chunks = {{"00db", Bytes({2, 2, 2, 2, 1, 0, 1, 0})},
                 {"01wb", "noise"},
                 {"00db", Bytes({0, 0, 0, 0, 2, 2, 2, 2})}};
  AviClip clip;
  std::string error;
  ASSERT_TRUE(DecodeAviClip(test::MakeTestAvi(spec), clip, error)) << error;
  EXPECT_EQ(clip.width, 4);
  EXPECT_EQ(clip.height, 2);
  EXPECT_EQ(clip.microSecPerFrame, 100000u);
  ASSERT_EQ(clip.frames.size(), 2u);
  EXPECT_EQ(clip.frames[0], (std::vector<uint32_t>{kRed, kBlack, kRed, kBlack, kGreen, kGreen, kGreen, kGreen}));
  EXPECT_EQ(clip.frames[1], (std::vector<uint32_t>{kGreen, kGreen, kGreen, kGreen, kBlack, kBlack, kBlack, kBlack}));
}

TEST(AviClipTest, RunLengthFramesPaintOverThePreviousFrame) {
  test::TestAviSpec spec = EightBit();
  spec.compression = 1;
  spec.chunks = {
      // bottom row: absolute run of three, then one run; top row: four red; end of bitmap
      {"00dc", Bytes({0, 3, 1, 2, 1, 0, 1, 0, 0, 0, 4, 1, 0, 1})},
      // move to x 2 of the top row, paint one black pixel
      {"00dc", Bytes({0, 2, 2, 1, 1, 0, 0, 1})},
      // an empty chunk repeats the frame
      {"00dc", ""},
  };
  AviClip clip;
  std::string error;
  ASSERT_TRUE(DecodeAviClip(test::MakeTestAvi(spec), clip, error)) << error;
  ASSERT_EQ(clip.frames.size(), 3u);
  EXPECT_EQ(clip.frames[0], (std::vector<uint32_t>{kRed, kRed, kRed, kRed, kRed, kGreen, kRed, kBlack}));
  EXPECT_EQ(clip.frames[1], (std::vector<uint32_t>{kRed, kRed, kBlack, kRed, kRed, kGreen, kRed, kBlack}));
  EXPECT_EQ(clip.frames[2], clip.frames[1]);
}

TEST(AviClipTest, TrueColourTopDownAndPaletteChanges) {
  test::TestAviSpec rgb;
  rgb.width = 2;
  rgb.height = -1;
  rgb.bitCount = 24;
  rgb.chunks = {{"00db", Bytes({0x10, 0x20, 0x30, 0xAA, 0xBB, 0xCC, 0, 0})}};
  AviClip clip;
  std::string error;
  ASSERT_TRUE(DecodeAviClip(test::MakeTestAvi(rgb), clip, error)) << error;
  EXPECT_EQ(clip.frames.at(0), (std::vector<uint32_t>{0xFF302010, 0xFFCCBBAA}));

  test::TestAviSpec pal = EightBit();
  pal.chunks = {{"00db", Bytes({1, 1, 1, 1, 1, 1, 1, 1})},
                {"00pc", Bytes({1, 1, 0, 0, 0, 0, 255, 0})},  // entry 1 becomes blue
                {"00db", ""}};
  ASSERT_TRUE(DecodeAviClip(test::MakeTestAvi(pal), clip, error)) << error;
  ASSERT_EQ(clip.frames.size(), 2u);
  EXPECT_EQ(clip.frames[0][0], kRed);
  EXPECT_EQ(clip.frames[1][0], kBlue);
}

TEST(AviClipTest, ClipsItCannotPlayAreRefusedWithAMessage) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* message;
  };
  test::TestAviSpec codec = EightBit();
  codec.compression = 0x47504A4D;  // "MJPG"
  codec.chunks = {{"00dc", "xxxx"}};
  test::TestAviSpec shortFrame = EightBit();
  shortFrame.chunks = {{"00db", Bytes({1, 1, 1})}};
  test::TestAviSpec huge = EightBit();
  huge.width = 100000;
  huge.chunks = {{"00db", ""}};
  test::TestAviSpec empty = EightBit();
  const Case cases[] = {
      {"not a RIFF file", "GIF89a....", "不是AVI文件"},
      {"a compressed codec", test::MakeTestAvi(codec), "不支持的视频编码"},
      {"a frame shorter than its rows", test::MakeTestAvi(shortFrame), "视频帧数据不完整"},
      {"absurd dimensions", test::MakeTestAvi(huge), "画面尺寸无效"},
      {"no frames", test::MakeTestAvi(empty), "文件中没有画面"},
  };
  for (const Case& c : cases) {
    AviClip clip;
    std::string error;
    EXPECT_FALSE(DecodeAviClip(c.bytes, clip, error)) << c.what;
    EXPECT_EQ(error, c.message) << c.what;
    EXPECT_TRUE(clip.frames.empty()) << c.what;
  }
}

TEST(AviClipTest, ACutOffFileKeepsTheFramesThatAreComplete) {
  test::TestAviSpec spec = EightBit();
  spec.chunks = {{"00db", Bytes({1, 1, 1, 1, 2, 2, 2, 2})}, {"00db", Bytes({2, 2, 2, 2, 1, 1, 1, 1})}};
  const std::string whole = test::MakeTestAvi(spec);
  for (size_t cut = whole.size() - 6; cut < whole.size(); ++cut) {
    AviClip clip;
    std::string error;
    ASSERT_TRUE(DecodeAviClip(std::string_view(whole).substr(0, cut), clip, error)) << cut;
    EXPECT_EQ(clip.frames.size(), 1u) << cut;
  }
}

}  // namespace
}  // namespace pt
