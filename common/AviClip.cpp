#include "common/AviClip.h"

#include <algorithm>
#include <array>

namespace pt {

namespace {

constexpr int kMaxSide = 4096;
constexpr uint64_t kMaxTotalPixels = 16u * 1024u * 1024u;  // all frames together

uint32_t Le32(std::string_view s, size_t at) {
  if (at + 4 > s.size()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t Le16(std::string_view s, size_t at) {
  if (at + 2 > s.size()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint8_t Byte(std::string_view s, size_t at) { return static_cast<uint8_t>(s[at]); }

// Walks the chunks of one RIFF list body. A cut-off file keeps what was complete: a list that
// claims more bytes than remain holds what remains, any other chunk that does so ends the walk.
class ChunkWalker {
 public:
  explicit ChunkWalker(std::string_view body) : rest_(body) {}
  bool Next(std::string_view& id, std::string_view& data) {
    if (rest_.size() < 8) return false;
    id = rest_.substr(0, 4);
    const uint32_t size = Le32(rest_, 4);
    if (size > rest_.size() - 8) {
      if (id != "LIST") return false;
      data = rest_.substr(8);
      rest_ = {};
      return true;
    }
    data = rest_.substr(8, size);
    const size_t step = 8 + static_cast<size_t>(size) + (size & 1u);
    rest_.remove_prefix(std::min(step, rest_.size()));
    return true;
  }

 private:
  std::string_view rest_;
};

struct VideoFormat {
  int width = 0;
  int height = 0;  // absolute
  bool bottomUp = true;
  int bitCount = 0;
  uint32_t compression = 0;  // 0 uncompressed, 1 RLE8
  std::array<uint32_t, 256> palette{};
};

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return 0xFF000000u | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
}

bool ReadFormat(std::string_view strf, VideoFormat& f, std::string& error) {
  if (strf.size() < 40) {
    error = "视频格式不完整";
    return false;
  }
  const uint32_t headerSize = Le32(strf, 0);
  const auto w = static_cast<int32_t>(Le32(strf, 4));
  const auto h = static_cast<int32_t>(Le32(strf, 8));
  f.bitCount = Le16(strf, 14);
  f.compression = Le32(strf, 16);
  const uint32_t colorsUsed = Le32(strf, 32);
  if (w <= 0 || w > kMaxSide || h == 0 || h < -kMaxSide || h > kMaxSide) {
    error = "画面尺寸无效";
    return false;
  }
  f.width = w;
  f.height = h < 0 ? -h : h;
  f.bottomUp = h > 0;
  const bool rgb = f.compression == 0 &&
                   (f.bitCount == 8 || f.bitCount == 16 || f.bitCount == 24 || f.bitCount == 32);
  const bool rle8 = f.compression == 1 && f.bitCount == 8 && f.bottomUp;
  if (!rgb && !rle8) {
    error = "不支持的视频编码";
    return false;
  }
  if (f.bitCount == 8) {
    size_t count = colorsUsed == 0 || colorsUsed > 256 ? 256 : colorsUsed;
    const size_t at = std::max<size_t>(headerSize, 40);
    count = std::min(count, at < strf.size() ? (strf.size() - at) / 4 : 0);
    for (size_t i = 0; i < count; ++i)
      f.palette[i] = Rgb(Byte(strf, at + 4 * i + 2), Byte(strf, at + 4 * i + 1), Byte(strf, at + 4 * i));
  }
  return true;
}

class FrameDecoder {
 public:
  explicit FrameDecoder(VideoFormat f)
      : f_(f), indices_(static_cast<size_t>(f.width) * f.height, 0),
        pixels_(static_cast<size_t>(f.width) * f.height, f.palette[0]) {}

  void PaletteChange(std::string_view d) {
    if (d.size() < 4) return;
    const size_t first = Byte(d, 0);
    size_t count = Byte(d, 1) == 0 ? 256 : Byte(d, 1);
    count = std::min({count, 256 - first, (d.size() - 4) / 4});
    for (size_t i = 0; i < count; ++i)
      f_.palette[first + i] = Rgb(Byte(d, 4 + 4 * i), Byte(d, 5 + 4 * i), Byte(d, 6 + 4 * i));
    if (f_.bitCount == 8) Repaint();
  }

  // Empty chunks repeat the previous frame.
  bool Frame(std::string_view d, std::string& error) {
    if (d.empty()) return true;
    if (f_.compression == 1) {
      Rle8(d);
      Repaint();
      return true;
    }
    const size_t rowBytes = ((static_cast<size_t>(f_.width) * f_.bitCount + 31) / 32) * 4;
    if (d.size() < rowBytes * f_.height) {
      error = "视频帧数据不完整";
      return false;
    }
    for (int row = 0; row < f_.height; ++row) {
      const int y = f_.bottomUp ? f_.height - 1 - row : row;
      const size_t base = rowBytes * row;
      uint32_t* out = &pixels_[static_cast<size_t>(y) * f_.width];
      for (int x = 0; x < f_.width; ++x) {
        switch (f_.bitCount) {
          case 8:
            indices_[static_cast<size_t>(y) * f_.width + x] = Byte(d, base + x);
            out[x] = f_.palette[Byte(d, base + x)];
            break;
          case 16: {
            const uint16_t v = Le16(d, base + 2 * x);  // 5-5-5
            auto scale = [](int c) { return static_cast<uint8_t>((c << 3) | (c >> 2)); };
            out[x] = Rgb(scale((v >> 10) & 31), scale((v >> 5) & 31), scale(v & 31));
            break;
          }
          case 24:
            out[x] = Rgb(Byte(d, base + 3 * x + 2), Byte(d, base + 3 * x + 1), Byte(d, base + 3 * x));
            break;
          default:
            out[x] = Rgb(Byte(d, base + 4 * x + 2), Byte(d, base + 4 * x + 1), Byte(d, base + 4 * x));
            break;
        }
      }
    }
    return true;
  }

  const std::vector<uint32_t>& pixels() const { return pixels_; }

 private:
  void Put(int x, int yFromBottom, uint8_t v) {
    if (x < 0 || x >= f_.width || yFromBottom < 0 || yFromBottom >= f_.height) return;
    indices_[static_cast<size_t>(f_.height - 1 - yFromBottom) * f_.width + x] = v;
  }

  // Run-length frames paint over what the previous frame left.
  void Rle8(std::string_view d) {
    int x = 0, y = 0;
    size_t i = 0;
    while (i + 1 < d.size()) {
      const uint8_t count = Byte(d, i), value = Byte(d, i + 1);
      i += 2;
      if (count > 0) {
        for (int k = 0; k < count; ++k) Put(x++, y, value);
      } else if (value == 0) {
        x = 0;
        ++y;
      } else if (value == 1) {
        return;
      } else if (value == 2) {
        if (i + 1 >= d.size()) return;
        x += Byte(d, i);
        y += Byte(d, i + 1);
        i += 2;
      } else {
        for (size_t k = 0; k < value && i + k < d.size(); ++k) Put(x++, y, Byte(d, i + k));
        i += value + (value & 1u);
      }
    }
  }

  void Repaint() {
    for (size_t p = 0; p < indices_.size(); ++p) pixels_[p] = f_.palette[indices_[p]];
  }

  VideoFormat f_;
  std::vector<uint8_t> indices_;
  std::vector<uint32_t> pixels_;
};

int StreamNumber(std::string_view id) {
  if (id.size() < 4 || id[0] < '0' || id[0] > '9' || id[1] < '0' || id[1] > '9') return -1;
  return (id[0] - '0') * 10 + (id[1] - '0');
}

}  // namespace

bool DecodeAviClip(std::string_view bytes, AviClip& clip, std::string& error) {
  clip = AviClip{};
  if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "AVI ") {
    error = "不是AVI文件";
    return false;
  }
  const size_t riffSize = std::min<size_t>(Le32(bytes, 4), bytes.size() - 8);
  const std::string_view body = bytes.substr(12, riffSize >= 4 ? riffSize - 4 : 0);

  VideoFormat format;
  int videoStream = -1;
  uint32_t usPerFrame = 0, scale = 0, rate = 0;
  std::string_view movi;

  std::string_view id, data;
  ChunkWalker top(body);
  while (top.Next(id, data)) {
    if (id != "LIST" || data.size() < 4) continue;
    const std::string_view kind = data.substr(0, 4), list = data.substr(4);
    if (kind == "movi") {
      movi = list;
    } else if (kind == "hdrl") {
      ChunkWalker hdrl(list);
      int streamIndex = 0;
      while (hdrl.Next(id, data)) {
        if (id == "avih") {
          usPerFrame = Le32(data, 0);
        } else if (id == "LIST" && data.size() >= 4 && data.substr(0, 4) == "strl") {
          ChunkWalker strl(data.substr(4));
          bool isVideo = false;
          std::string_view sid, sdata;
          while (strl.Next(sid, sdata)) {
            if (sid == "strh" && sdata.size() >= 4 && sdata.substr(0, 4) == "vids" && videoStream < 0) {
              isVideo = true;
              scale = Le32(sdata, 20);
              rate = Le32(sdata, 24);
            } else if (sid == "strf" && isVideo) {
              if (!ReadFormat(sdata, format, error)) return false;
              videoStream = streamIndex;
            }
          }
          ++streamIndex;
        }
      }
    }
  }
  if (videoStream < 0) {
    error = "文件中没有视频";
    return false;
  }

  FrameDecoder decoder(format);
  const uint64_t framePixels = static_cast<uint64_t>(format.width) * format.height;
  // The frame chunks of the video stream in file order; "rec " lists group them.
  auto readList = [&](auto& self, std::string_view list, int depth) -> bool {
    ChunkWalker walker(list);
    std::string_view cid, cdata;
    while (walker.Next(cid, cdata)) {
      if (cid == "LIST") {
        if (depth < 4 && cdata.size() >= 4 && !self(self, cdata.substr(4), depth + 1)) return false;
        continue;
      }
      if (StreamNumber(cid) != videoStream) continue;
      const std::string_view type = cid.substr(2);
      if (type == "pc") {
        decoder.PaletteChange(cdata);
      } else if (type == "db" || type == "dc") {
        if (!decoder.Frame(cdata, error)) return false;
        if ((clip.frames.size() + 1) * framePixels > kMaxTotalPixels) {
          error = "动画过大";
          return false;
        }
        clip.frames.push_back(decoder.pixels());
      }
    }
    return true;
  };
  if (!readList(readList, movi, 0)) {
    clip = AviClip{};
    return false;
  }
  if (clip.frames.empty()) {
    error = "文件中没有画面";
    return false;
  }
  clip.width = format.width;
  clip.height = format.height;
  clip.microSecPerFrame =
      usPerFrame != 0 ? usPerFrame
                      : (rate != 0 ? static_cast<uint32_t>(uint64_t{scale} * 1000000u / rate) : 0);
  return true;
}

}  // namespace pt
