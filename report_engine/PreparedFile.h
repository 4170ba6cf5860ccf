#pragma once
// The file a prepared report is saved to from the preview, and read back from. Our own layout,
// version 2 (version 1 files, which end after the pages, are read too), all numbers
// little-endian:
//   "PTPREP" 6 bytes magic, version u16 (2)
//   title             string (u32 byte length + UTF-8 bytes)
//   fonts             u32 count, then per font: family string, size f64, flags u8 (1 bold, 2 italic)
//   images            u32 count, then per image: bytes string
//   warnings          u32 count, then strings
//   pages             u32 count, then per page: width f64, height f64, u32 item count, items
//   item              kind u8 (1 text, 2 line, 3 rectangle, 4 barcode, 5 image) and its fields
//   sheet             u8 0 (none) or 1, then u32 column count, per column: group, title, format
//                     strings; u32 row count, per row one cell per column: kind u8 (0 null,
//                     1 integer i64, 2 float f64, 3 text string) and its value
// Reading checks every count and length against the bytes left and every font or image index
// against its table: a damaged file is a ModuleError, never a crash.
#include <string>
#include <string_view>

#include "report_engine/DisplayList.h"

namespace pt::report {

std::string SavePreparedReport(const PreparedReport& report);
PreparedReport LoadPreparedReport(std::string_view bytes);

}  // namespace pt::report
