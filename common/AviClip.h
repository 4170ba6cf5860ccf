#pragma once
// Frames of a silent AVI clip of the kind an animation control plays: one video stream, either
// uncompressed (8, 16, 24 or 32 bits a pixel) or run-length encoded with 8 bits a pixel (whose
// frames paint over the previous one). Anything else (compressed codecs, damaged files) is
// refused with a message, never read past its end.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pt {

struct AviClip {
  int width = 0;
  int height = 0;
  uint32_t microSecPerFrame = 0;  // 0 when the file does not say
  // One entry per frame: width * height pixels 0xAARRGGBB (alpha 0xFF), top row first.
  std::vector<std::vector<uint32_t>> frames;
};

// Decodes the whole clip. Returns false and leaves a message in error when the bytes are not a
// clip this reader plays.
bool DecodeAviClip(std::string_view bytes, AviClip& clip, std::string& error);

}  // namespace pt
