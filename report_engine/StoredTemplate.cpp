#include "report_engine/StoredTemplate.h"

namespace pt::report {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string DecodeStoredTemplate(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    int high = HexValue(text[i]);
    int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) break;  // covers the closing "#"
    bytes.push_back(static_cast<char>((high << 4) | low));
  }
  return bytes;
}

std::string EncodeStoredTemplate(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2 + 1);
  for (unsigned char b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
  }
  text.push_back('#');
  return text;
}

}  // namespace pt::report
