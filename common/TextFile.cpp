#include "common/TextFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/GbkCodec.h"

namespace pt {

std::vector<std::string> TextFileLines(std::string_view bytes) {
  std::vector<std::string> lines;
  const std::string text = DecodeTextFile(bytes);
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    size_t end = nl == std::string::npos ? text.size() : nl;
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lines;
}

bool ReadTextFileLines(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  // A device or a named pipe chosen by mistake would never end (or never begin).
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  lines = TextFileLines(bytes);
  return true;
}

bool WriteTextFileLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) {
    out += Utf8ToGbk(l);
    out += "\r\n";
  }
  const std::string tmp = path + ".tmp";
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f.write(out.data(), static_cast<std::streamsize>(out.size()));
    f.flush();
    if (!f) {
      std::remove(tmp.c_str());
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace pt
