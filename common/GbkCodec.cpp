#include "common/GbkCodec.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <mutex>

namespace pt {

namespace {

// One iconv conversion with a replacement for what does not convert. iconv descriptors are not
// shared between threads: each call opens its own (cheap next to the work on long texts).
std::string Convert(const char* to, const char* from, std::string_view in, const char* replacement,
                    size_t badInputStep, bool* clean) {
  if (clean) *clean = true;
  std::string out;
  if (in.empty()) return out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (clean) *clean = false;
    return std::string(in);
  }
  out.resize(in.size() * 2 + 16);
  char* inp = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char* outp = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      size_t used = static_cast<size_t>(outp - out.data());
      out.resize(out.size() * 2);
      outp = out.data() + used;
      outLeft = out.size() - used;
      continue;
    }
    // EILSEQ or EINVAL: replace and step over the offending input.
    if (clean) *clean = false;
    size_t repl = std::char_traits<char>::length(replacement);
    if (outLeft < repl) {
      size_t used = static_cast<size_t>(outp - out.data());
      out.resize(out.size() * 2 + repl);
      outp = out.data() + used;
      outLeft = out.size() - used;
    }
    std::copy(replacement, replacement + repl, outp);
    outp += repl;
    outLeft -= repl;
    size_t step = badInputStep;
    if (badInputStep == 0) {
      // UTF-8 input: skip one whole character.
      unsigned char c = static_cast<unsigned char>(*inp);
      step = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    }
    if (step > inLeft) step = inLeft;
    inp += step;
    inLeft -= step;
  }
  iconv(cd, nullptr, nullptr, &outp, &outLeft);
  iconv_close(cd);
  out.resize(static_cast<size_t>(outp - out.data()));
  return out;
}

bool AllAscii(std::string_view s) {
  for (unsigned char c : s) if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8, bool* lossless) {
  if (AllAscii(utf8)) {
    if (lossless) *lossless = true;
    return std::string(utf8);
  }
  return Convert("GBK", "UTF-8", utf8, "?", 0, lossless);
}

std::string GbkToUtf8(std::string_view gbk, bool* valid) {
  if (AllAscii(gbk)) {
    if (valid) *valid = true;
    return std::string(gbk);
  }
  return Convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD", 1, valid);
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t n;
    uint32_t cp, min;
    if (c >= 0xC2 && c <= 0xDF) n = 2, cp = c & 0x1Fu, min = 0x80;
    else if ((c & 0xF0) == 0xE0) n = 3, cp = c & 0x0Fu, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, cp = c & 0x07u, min = 0x10000;
    else return false;  // a continuation byte, C0/C1 (always overlong) or beyond F4
    if (i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      const unsigned char b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3Fu);
    }
    // Overlong forms, UTF-16 surrogates and values beyond U+10FFFF are no characters.
    if (cp < min || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
    i += n;
  }
  return true;
}

size_t GbkLength(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s) {
    if (c < 0x80) ++n;
    else if ((c & 0xC0) != 0x80) n += 2;  // lead byte of a multi-byte character
  }
  return n;
}

std::string_view TruncateToGbkBytes(std::string_view s, size_t maxBytes) {
  size_t bytes = 0;
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    size_t cost = c < 0x80 ? 1 : 2;
    if (bytes + cost > maxBytes) break;
    bytes += cost;
    i += len;
  }
  if (i > s.size()) i = s.size();
  return s.substr(0, i);
}

std::string DecodeTextFile(std::string_view bytes) {
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF) {
    return std::string(bytes.substr(3));
  }
  return GbkToUtf8(bytes);
}

}  // namespace pt

namespace pt {

std::string GbkSortKey(std::string_view utf8, bool caseInsensitive) {
  std::string key;
  bool ascii = true;
  for (unsigned char c : utf8) if (c >= 0x80) { ascii = false; break; }
  if (ascii) {
    key.assign(utf8);
  } else {
    // A descriptor kept per thread: sorting converts many texts in a row.
    thread_local iconv_t cd = iconv_open("GBK//TRANSLIT", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      key.assign(utf8);
    } else {
      key.resize(utf8.size() + 8);
      char* inp = const_cast<char*>(utf8.data());
      size_t inLeft = utf8.size();
      char* outp = key.data();
      size_t outLeft = key.size();
      // Transliteration may write more than it reads ("½" becomes " 1/2 "): the key grows
      // rather than being cut, or names that differ only at their end would sort as equal.
      auto grow = [&](size_t atLeast) {
        const size_t used = static_cast<size_t>(outp - key.data());
        key.resize(key.size() * 2 + atLeast);
        outp = key.data() + used;
        outLeft = key.size() - used;
      };
      while (inLeft > 0) {
        size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
          grow(16);
          continue;
        }
        // Unconvertible: keep the raw bytes of one character so order stays total.
        unsigned char c = static_cast<unsigned char>(*inp);
        size_t step = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (step > inLeft) step = inLeft;
        if (outLeft < step) grow(step);
        std::copy(inp, inp + step, outp);
        outp += step;
        outLeft -= step;
        inp += step;
        inLeft -= step;
      }
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      key.resize(static_cast<size_t>(outp - key.data()));
    }
  }
  if (caseInsensitive) {
    for (size_t i = 0; i < key.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(key[i]);
      // The second byte of a GBK pair may look like a letter; pairs start at 0x81 to 0xFE
      // (0x80 alone is the euro sign).
      if (c >= 0x81 && c <= 0xFE) { ++i; continue; }
      if (c >= 'A' && c <= 'Z') key[i] = static_cast<char>(c + 32);
    }
  }
  return key;
}

}  // namespace pt
