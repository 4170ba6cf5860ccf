// The GBK codec and the UTF-8 check. The input is any bytes; the check must agree with a strict
// decoder, conversions must round-trip where they say they are lossless, cutting to a GBK size
// cuts at a character, and a sort key is the keys of its pieces put together.
#include <iconv.h>

#include <cerrno>

#include "common/GbkCodec.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace pt;

namespace {

// glibc's UTF-8 decoder refuses overlong forms, surrogates and values beyond U+10FFFF.
bool ReferenceUtf8(std::string_view s) {
  static iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(s.data());
  size_t inLeft = s.size();
  std::string out(s.size() * 4 + 4, '\0');
  char* o = out.data();
  size_t oLeft = out.size();
  return iconv(cd, &in, &inLeft, &o, &oLeft) != static_cast<size_t>(-1) && inLeft == 0;
}

size_t CharLength(unsigned char lead) { return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const bool valid = IsValidUtf8(bytes);
  FUZZ_CHECK(valid == ReferenceUtf8(bytes));

  // Whatever the bytes, reading them as GBK gives well-formed UTF-8.
  bool gbkValid = true;
  const std::string fromGbk = GbkToUtf8(bytes, &gbkValid);
  FUZZ_CHECK(IsValidUtf8(fromGbk));
  if (gbkValid) FUZZ_CHECK(Utf8ToGbk(fromGbk) == bytes);
  const std::string decoded = DecodeTextFile(bytes);
  if (!(size >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")) FUZZ_CHECK(IsValidUtf8(decoded));

  if (!valid) return 0;
  bool lossless = true;
  const std::string gbk = Utf8ToGbk(bytes, &lossless);
  if (lossless) {
    FUZZ_CHECK(GbkToUtf8(gbk) == bytes);
    // Sizes are never under-counted (the euro sign, one byte in GBK, counts two).
    FUZZ_CHECK(GbkLength(bytes) >= gbk.size());
  }

  // Cut to a GBK size: a prefix, at a character boundary, within the size, and as long as fits.
  const size_t limit = size % 23;
  const std::string_view cut = TruncateToGbkBytes(bytes, limit);
  FUZZ_CHECK(bytes.substr(0, cut.size()) == cut);
  FUZZ_CHECK(IsValidUtf8(cut));
  FUZZ_CHECK(GbkLength(cut) <= limit);
  if (cut.size() < bytes.size()) {
    const size_t next = CharLength(static_cast<unsigned char>(bytes[cut.size()]));
    FUZZ_CHECK(GbkLength(bytes.substr(0, cut.size() + next)) > limit);
  }

  // The key of a text is the keys of its pieces: nothing is lost, whatever expands.
  size_t middle = size / 2;
  while (middle < size && (static_cast<unsigned char>(bytes[middle]) & 0xC0) == 0x80) ++middle;
  const std::string_view head = bytes.substr(0, middle), tail = bytes.substr(middle);
  for (bool caseInsensitive : {false, true})
    FUZZ_CHECK(GbkSortKey(bytes, caseInsensitive) ==
               GbkSortKey(head, caseInsensitive) + GbkSortKey(tail, caseInsensitive));
  return 0;
}
