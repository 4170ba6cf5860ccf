#pragma once
// Data packets: the serialised form of an in-memory table, as host and module exchange them.
//
// Layout, version 1 (all integers little-endian):
//   "PTPK"            4 bytes magic
//   version           u16 (1)
//   flags             u16 (0; reserved)
//   field count       u32
//   row count         u32
//   per field:        name length u16, name bytes (UTF-8), type u8 (FieldType), size u32
//   per row:          null bitmap of ceil(field count / 8) bytes (bit f%8 of byte f/8 set = null),
//                     then for every non-null field in field order:
//                       Text     u32 byte length + UTF-8 bytes
//                       Integer  i64
//                       Float    f64 (IEEE 754)
//                       Boolean  u8 (0 or 1)
// Readers check every length against the bytes left: a damaged packet is a PacketError with a
// message naming what is wrong, never a crash or an over-read.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ModuleError.h"
#include "common/Variant.h"

namespace pt {

enum class FieldType : uint8_t { Text = 1, Integer = 2, Float = 3, Boolean = 4 };

struct PacketField {
  std::string name;
  FieldType type = FieldType::Text;
  uint32_t size = 0;  // text fields: size in GBK bytes (0: unsized)
};

class PacketError : public ModuleError {
 public:
  explicit PacketError(const std::string& what) : ModuleError("数据包格式错误：" + what) {}
};

struct DecodedPacket {
  std::vector<PacketField> fields;
  std::vector<std::vector<Variant>> rows;  // each row holds one Variant per field
};

class PacketWriter {
 public:
  explicit PacketWriter(std::vector<PacketField> fields);
  // Cells are converted to the field's type; a cell that does not convert throws ModuleError.
  void AddRow(const std::vector<Variant>& cells);
  std::string Finish();  // the packet bytes; the writer is spent afterwards
  const std::vector<PacketField>& fields() const { return fields_; }

 private:
  std::vector<PacketField> fields_;
  std::string body_;
  uint32_t rows_ = 0;
};

DecodedPacket DecodePacket(std::string_view bytes);  // throws PacketError
std::string EncodePacket(const DecodedPacket& packet);

}  // namespace pt
