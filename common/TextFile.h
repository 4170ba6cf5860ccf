#pragma once
// Text files at the outer edge (import files, selection files): GBK on disk unless they begin
// with a UTF-8 byte-order mark, read line by line as a text-file reader does.
#include <string>
#include <string_view>
#include <vector>

namespace pt {

// Lines without their CR LF / LF endings; a last line without an ending counts, an ending at the
// very end adds no empty line. False (with nothing read) when the file cannot be opened or is no
// regular file (a directory, a device, a named pipe).
bool ReadTextFileLines(const std::string& path, std::vector<std::string>& lines);
// The same lines from a file's bytes.
std::vector<std::string> TextFileLines(std::string_view bytes);

// Writes lines as GBK, each ended by CR LF, replacing the file (through a temporary file, so a
// failure leaves the old file whole). False when it cannot be written.
bool WriteTextFileLines(const std::string& path, const std::vector<std::string>& lines);

}  // namespace pt
