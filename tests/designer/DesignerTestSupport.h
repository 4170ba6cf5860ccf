#pragma once
// Shared by the designer suites: test data files, the stock templates and a seeded database in
// a temporary folder of its own.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "hostapp/HostDatabase.h"
#include "hostapp/SeedData.h"

namespace pt::test {

inline std::string DataDir() {
  const char* d = std::getenv("PRICETAG_TEST_DATA");
  return d ? std::string(d) : std::string(PRICETAG_SOURCE_DIR) + "/tests/data";
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string StockTemplate(const std::string& file) { return ReadBytes(hostapp::DefaultTemplateDir() + "/" + file); }

// A folder removed with everything in it when the test ends.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pricetag-designer-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A seeded store database (unit type "01") with the stock templates.
class SeededFile {
 public:
  explicit SeededFile(int products = 40, const std::string& serverDate = "20240315") : path_(folder_.File("seed.db")) {
    hostapp::HostDatabase db(path_, hostapp::ServerClock::Pinned(serverDate));
    hostapp::SeedOptions o;
    o.products = products;
    o.serverDate = serverDate;
    o.unitType = "01";
    o.salesLines = 0;
    hostapp::SeedDatabase(db, o);
  }
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return folder_.File(name); }

 private:
  TempFolder folder_;
  std::string path_;
};

}  // namespace pt::test
