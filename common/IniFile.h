#pragma once
// The workstation settings file (Tallmerpos.ini): sections of key=value lines, GBK on disk.
//
// Path rule: a directory that is non-empty and not the lone text "\" is followed directly by the
// file name (callers end it with "\", our platform's separator, which becomes "/"); otherwise the
// file lives in the directory of the host process's executable, not of the module.
//
// Reading: section and key names match without regard to letter case; a value is the text after
// the first "=" of its line, trimmed of blanks; lines starting with ";" or "#" are comments.
// A missing file, section or key yields the default, silently.
//
// Writing rewrites only the one value (or adds the key at the end of its section, or the section
// at the end of the file): every other byte of the file stays as it was, odd bytes and a missing
// final newline included. The new file is written beside the old one, synced, and renamed over
// it, so a crash leaves either the old or the new file, never a truncated one. A file that starts
// with a UTF-8 byte-order mark is kept in UTF-8.
#include <string>
#include <utility>
#include <vector>

namespace pt {

std::string ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& defaultValue, const std::string& directory);

// Throws ModuleError with a message naming the file when the value cannot be stored: the file
// cannot be read or written, a name or value holds a line break (it would split the line), a
// section name holds "]", a key holds "=" or is blank, or a character has no GBK form.
void WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value, const std::string& directory);

// Several values of one section in one replacement of the file: all of them are stored, or
// (with the same errors) none.
void WriteIniValues(const std::string& file, const std::string& section,
                    const std::vector<std::pair<std::string, std::string>>& values, const std::string& directory);

// The path both routines use.
std::string IniFilePath(const std::string& file, const std::string& directory);

// Directory of the running executable (no trailing "/"), or what a test installed.
std::string HostExecutableDir();
// Tests: answer HostExecutableDir() with this directory; "" restores /proc/self/exe.
void SetHostExecutableDirForTesting(const std::string& directory);
// The stand-in host's tools: keep the settings file in this directory instead of beside the
// executable (the same answer as above).
inline void UseSettingsDirectory(const std::string& directory) { SetHostExecutableDirForTesting(directory); }

}  // namespace pt
