#pragma once
// A temporary directory that stands in for the host executable's directory, where the module
// reads Tallmerpos.ini.
#include <QTemporaryDir>
#include <fstream>
#include <string>

#include "common/IniFile.h"

namespace pt::test {

class SettingsDir {
 public:
  SettingsDir() { SetHostExecutableDirForTesting(dir_.path().toStdString()); }
  ~SettingsDir() { SetHostExecutableDirForTesting(""); }
  SettingsDir(const SettingsDir&) = delete;
  SettingsDir& operator=(const SettingsDir&) = delete;

  // Replaces the whole settings file (ASCII content needs no GBK conversion).
  void Write(const std::string& content) {
    std::ofstream(path(), std::ios::binary | std::ios::trunc) << content;
  }
  std::string path() const { return dir_.path().toStdString() + "/Tallmerpos.ini"; }
  QString dir() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};

}  // namespace pt::test
