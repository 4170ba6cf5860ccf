#pragma once
// A temporary directory that stands in for the host executable's directory, where the module
// reads Tallmerpos.ini.
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/IniFile.h"

namespace pt::test {

class SettingsDir {
 public:
  SettingsDir() { SetHostExecutableDirForTesting(dir_.path().toStdString()); }
  SettingsDir(const SettingsDir&) = delete;
  SettingsDir& operator=(const SettingsDir&) = delete;

  // Replaces the whole settings file (ASCII content needs no GBK conversion).
  void Write(const std::string& content) {
    std::ofstream(path(), std::ios::binary | std::ios::trunc) << content;
  }
  std::string path() const { return (refusedDir_.empty() ? dir_.path().toStdString() : refusedDir_) + "/Tallmerpos.ini"; }
  QString dir() const { return dir_.path(); }

  // Makes every write of the settings file fail, as on a workstation where the file is a folder
  // or the host is installed in a folder the clerk cannot write. Mode bits do not stop root: then
  // the host's folder is one that does not exist.
  enum class Refusal { FileIsAFolder, FolderNotWritable };
  void Refuse(Refusal how) {
    if (how == Refusal::FileIsAFolder) {
      std::filesystem::create_directory(path());
    } else if (::geteuid() != 0) {
      ::chmod(dir_.path().toLocal8Bit().constData(), 0555);
      locked_ = true;
    } else {
      refusedDir_ = dir_.path().toStdString() + "/not-installed-here";
      SetHostExecutableDirForTesting(refusedDir_);
    }
  }
  ~SettingsDir() {
    if (locked_) ::chmod(dir_.path().toLocal8Bit().constData(), 0755);
    SetHostExecutableDirForTesting("");
  }

 private:
  QTemporaryDir dir_;
  std::string refusedDir_;
  bool locked_ = false;
};

}  // namespace pt::test
