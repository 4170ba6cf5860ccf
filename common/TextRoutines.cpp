#include "common/TextRoutines.h"

#include <cerrno>
#include <cstdlib>

namespace pt {

namespace {
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
inline size_t Utf8Len(unsigned char c) { return c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4; }
}  // namespace

std::string TrimLeft(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && IsBlank(t[i])) ++i;
  return std::string(t.substr(i));
}

std::string TrimRight(std::string_view t) {
  size_t n = t.size();
  while (n > 0 && IsBlank(t[n - 1])) --n;
  return std::string(t.substr(0, n));
}

std::string Trim(std::string_view t) {
  size_t i = 0, n = t.size();
  while (i < n && IsBlank(t[i])) ++i;
  while (n > i && IsBlank(t[n - 1])) --n;
  return std::string(t.substr(i, n - i));
}

std::string IfThenStr(bool condition, std::string_view whenTrue, std::string_view whenFalse) {
  return std::string(condition ? whenTrue : whenFalse);
}

bool IsIntegerText(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == text.size()) return false;
  for (size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') return false;
  std::string buf(text);
  errno = 0;
  char* end = nullptr;
  (void)std::strtoll(buf.c_str(), &end, 10);
  return errno != ERANGE && end == buf.c_str() + buf.size();
}

std::string ZeroPadInt(int64_t value, int width, bool keepRight) {
  std::string s = std::to_string(value);
  if (width < 0) width = 0;
  size_t w = static_cast<size_t>(width);
  if (s.size() > w) return keepRight ? s.substr(s.size() - w) : s;
  if (value < 0) return "-" + std::string(w - s.size(), '0') + s.substr(1);
  return std::string(w - s.size(), '0') + s;
}

int CountFields(std::string_view text, char separator) {
  if (text.empty()) return 0;
  int n = 1;
  for (char c : text)
    if (c == separator) ++n;
  return n;
}

std::string GetField(std::string_view text, char separator, int index) {
  std::string_view result;
  if (index < 0 || text.empty()) return {};
  if (index == 0) {
    result = text.substr(0, Utf8Len(static_cast<unsigned char>(text[0])));
  } else {
    size_t start = 0;
    bool found = true;
    for (int k = 1; k < index; ++k) {
      size_t p = text.find(separator, start);
      if (p == std::string_view::npos) { found = false; break; }
      start = p + 1;
    }
    if (!found) return {};
    size_t end = text.find(separator, start);
    result = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
  }
  if (result.size() == text.size()) return {};
  return std::string(result);
}

bool SplitText(std::string_view separator, std::string_view text, std::vector<std::string>& pieces) {
  pieces.clear();
  bool allFilled = true;
  auto add = [&](std::string_view piece) {
    pieces.push_back(Trim(piece));
    if (pieces.back().empty()) allFilled = false;
  };
  if (separator.empty()) {
    add(text);
    return allFilled;
  }
  size_t start = 0;
  while (true) {
    size_t p = text.find(separator, start);
    if (p == std::string_view::npos) break;
    add(text.substr(start, p - start));
    start = p + separator.size();
  }
  add(text.substr(start));
  return allFilled;
}

std::string FirstWord(std::string_view text) {
  size_t p = text.find(' ');
  if (p == std::string_view::npos) return {};
  return std::string(text.substr(0, p));
}

std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement) {
  if (pattern.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  while (true) {
    size_t p = text.find(pattern, start);
    if (p == std::string_view::npos) break;
    out.append(text.substr(start, p - start));
    out.append(replacement);
    start = p + pattern.size();
  }
  out.append(text.substr(start));
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace pt
