// The settings file: any bytes as the file, then one key written. Either the write is refused
// with a ModuleError and the file is untouched, or the key reads back as written and every other
// key reads as before; every line of the old file is still in the new one, except the line whose
// value was rewritten. Input: file bytes, NUL, section, NUL, key, NUL, value.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

#include "common/GbkCodec.h"
#include "common/IniFile.h"
#include "common/ModuleError.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace pt;

namespace {

const std::string& Dir() {
  static const std::string dir = [] {
    std::string d = (std::filesystem::exists("/dev/shm") ? std::string("/dev/shm") : std::filesystem::temp_directory_path().string()) +
                    "/pt_fuzz_ini_" + std::to_string(getpid()) + "/";
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string TrimBlanks(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return std::string(s);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// Lines as split at line feeds, each without one trailing CR: what a reader sees as lines.
std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t nl = bytes.find('\n', start);
    size_t end = nl == std::string_view::npos ? bytes.size() : nl;
    std::string line(bytes.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(std::move(line));
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return out;
}

// Every (section, key) a reader may find: key lines after a section line, names decoded as the
// reader decodes them.
std::vector<std::pair<std::string, std::string>> Candidates(std::string_view bytes) {
  const bool utf8 = bytes.substr(0, 3) == "\xEF\xBB\xBF";
  auto decode = [&](std::string_view raw) { return utf8 ? std::string(raw) : GbkToUtf8(raw); };
  std::vector<std::pair<std::string, std::string>> out;
  std::string section;
  bool haveSection = false;
  for (const std::string& line : Lines(utf8 ? bytes.substr(3) : bytes)) {
    const std::string t = TrimBlanks(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t[0] == '[') {
      const std::string d = decode(std::string_view(t).substr(1));
      const size_t close = d.find(']');
      if (close != std::string::npos) {
        section = TrimBlanks(std::string_view(d).substr(0, close));
        haveSection = true;
      }
      continue;
    }
    const size_t eq = line.find('=');
    if (!haveSection || eq == std::string::npos) continue;
    const std::string key = TrimBlanks(std::string_view(line).substr(0, eq));
    if (!key.empty() && out.size() < 64) out.emplace_back(section, decode(key));
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::Split(fuzz::Bytes(data, size), 4);
  const std::string before(parts[0]);
  const std::string section(parts[1].empty() ? std::string_view("SpBjqDy") : parts[1]);
  const std::string key(parts[2].empty() ? std::string_view("Mbwz") : parts[2]);
  const std::string value(parts[3]);
  const std::string path = Dir() + "Tallmerpos.ini";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << before;

  const auto candidates = Candidates(before);
  std::vector<std::string> old;
  for (const auto& [s, k] : candidates) old.push_back(ReadIniValue("Tallmerpos.ini", s, k, "\x01none", Dir()));

  try {
    WriteIniValue("Tallmerpos.ini", section, key, value, Dir());
  } catch (const ModuleError&) {
    FUZZ_CHECK(ReadFile(path) == before);
    return 0;
  }
  const std::string after = ReadFile(path);
  FUZZ_CHECK(ReadIniValue("Tallmerpos.ini", section, key, "\x01none", Dir()) == TrimBlanks(value));
  const std::string sec = TrimBlanks(section), k = TrimBlanks(key);
  for (size_t i = 0; i < candidates.size(); ++i) {
    if (SameName(candidates[i].first, sec) && SameName(candidates[i].second, k)) continue;
    FUZZ_CHECK(ReadIniValue("Tallmerpos.ini", candidates[i].first, candidates[i].second, "\x01none", Dir()) == old[i]);
  }
  std::map<std::string, int> missing;
  for (const std::string& line : Lines(before)) ++missing[line];
  for (const std::string& line : Lines(after))
    if (auto it = missing.find(line); it != missing.end() && it->second > 0) --it->second;
  int lost = 0;
  for (const auto& [line, count] : missing) lost += count;
  FUZZ_CHECK(lost <= 1);
  return 0;
}
