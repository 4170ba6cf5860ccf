#pragma once
// Writes small AVI clips for tests: one video stream, frames given as raw chunk bodies.
#include <cstdint>
#include <string>
#include <vector>

namespace pt::test {

struct TestAviSpec {
  int width = 4;
  int height = 2;                // negative: top-down rows
  int bitCount = 8;
  uint32_t compression = 0;      // 0 uncompressed, 1 RLE8, or a FOURCC
  uint32_t microSecPerFrame = 100000;
  std::vector<uint32_t> palette;  // 0x00RRGGBB entries for 8-bit clips
  // Chunk id and body, in file order ("00db", "00dc", "00pc", "01wb", ...).
  std::vector<std::pair<std::string, std::string>> chunks;
};

inline void PutLe32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
inline void PutLe16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
inline std::string Chunk(const std::string& id, const std::string& body) {
  std::string s = id;
  PutLe32(s, static_cast<uint32_t>(body.size()));
  s += body;
  if (body.size() & 1) s.push_back('\0');
  return s;
}
inline std::string List(const std::string& kind, const std::string& body) {
  return Chunk("LIST", kind + body);
}

inline std::string MakeTestAvi(const TestAviSpec& spec) {
  std::string avih;
  PutLe32(avih, spec.microSecPerFrame);
  for (int i = 0; i < 3; ++i) PutLe32(avih, 0);
  PutLe32(avih, static_cast<uint32_t>(spec.chunks.size()));  // total frames (approximate)
  PutLe32(avih, 0);
  PutLe32(avih, 1);  // streams
  PutLe32(avih, 0);
  PutLe32(avih, static_cast<uint32_t>(spec.width));
  PutLe32(avih, static_cast<uint32_t>(spec.height < 0 ? -spec.height : spec.height));
  for (int i = 0; i < 4; ++i) PutLe32(avih, 0);

  std::string strh = "vids";
  PutLe32(strh, 0);  // handler
  for (int i = 0; i < 3; ++i) PutLe32(strh, 0);
  PutLe32(strh, 1);   // scale
  PutLe32(strh, 10);  // rate
  for (int i = 0; i < 6; ++i) PutLe32(strh, 0);
  for (int i = 0; i < 4; ++i) PutLe16(strh, 0);

  std::string strf;
  PutLe32(strf, 40);
  PutLe32(strf, static_cast<uint32_t>(spec.width));
  PutLe32(strf, static_cast<uint32_t>(spec.height));
  PutLe16(strf, 1);
  PutLe16(strf, static_cast<uint16_t>(spec.bitCount));
  PutLe32(strf, spec.compression);
  for (int i = 0; i < 3; ++i) PutLe32(strf, 0);
  PutLe32(strf, static_cast<uint32_t>(spec.palette.size()));
  PutLe32(strf, 0);
  for (uint32_t c : spec.palette) {
    strf.push_back(static_cast<char>(c & 0xFF));          // blue
    strf.push_back(static_cast<char>((c >> 8) & 0xFF));   // green
    strf.push_back(static_cast<char>((c >> 16) & 0xFF));  // red
    strf.push_back('\0');
  }

  std::string movi;
  for (const auto& [id, body] : spec.chunks) movi += Chunk(id, body);

  const std::string body = "AVI " + List("hdrl", Chunk("avih", avih) +
                                                    List("strl", Chunk("strh", strh) + Chunk("strf", strf))) +
                           List("movi", movi);
  std::string file = "RIFF";
  PutLe32(file, static_cast<uint32_t>(body.size()));
  return file + body;
}

}  // namespace pt::test
