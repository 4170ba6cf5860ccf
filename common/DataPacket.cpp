#include "common/DataPacket.h"

#include <cstring>

namespace pt {

namespace {

constexpr char kMagic[4] = {'P', 'T', 'P', 'K'};
constexpr uint16_t kVersion = 1;

void PutU16(std::string& out, uint16_t v) {
  char b[2] = {static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
  out.append(b, 2);
}
void PutU32(std::string& out, uint32_t v) {
  char b[4];
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xff);
  out.append(b, 4);
}
void PutU64(std::string& out, uint64_t v) {
  char b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xff);
  out.append(b, 8);
}

class Cursor {
 public:
  explicit Cursor(std::string_view data) : p_(data.data()), end_(data.data() + data.size()) {}
  size_t left() const { return static_cast<size_t>(end_ - p_); }
  void Need(size_t n, const char* what) const {
    if (left() < n) throw PacketError(std::string("数据在") + what + "处意外结束");
  }
  uint8_t U8(const char* what) { Need(1, what); return static_cast<uint8_t>(*p_++); }
  uint16_t U16(const char* what) {
    Need(2, what);
    uint16_t v = static_cast<uint8_t>(p_[0]) | (static_cast<uint16_t>(static_cast<uint8_t>(p_[1])) << 8);
    p_ += 2;
    return v;
  }
  uint32_t U32(const char* what) {
    Need(4, what);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(p_[i])) << (8 * i);
    p_ += 4;
    return v;
  }
  uint64_t U64(const char* what) {
    Need(8, what);
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(static_cast<uint8_t>(p_[i])) << (8 * i);
    p_ += 8;
    return v;
  }
  std::string_view Bytes(size_t n, const char* what) {
    Need(n, what);
    std::string_view s(p_, n);
    p_ += n;
    return s;
  }

 private:
  const char* p_;
  const char* end_;
};

void WriteHeader(std::string& out, const std::vector<PacketField>& fields, uint32_t rows) {
  out.append(kMagic, 4);
  PutU16(out, kVersion);
  PutU16(out, 0);
  PutU32(out, static_cast<uint32_t>(fields.size()));
  PutU32(out, rows);
  for (const auto& f : fields) {
    if (f.name.size() > 0xffff) throw PacketError("字段名过长");
    PutU16(out, static_cast<uint16_t>(f.name.size()));
    out += f.name;
    out.push_back(static_cast<char>(f.type));
    PutU32(out, f.size);
  }
}

void WriteRow(std::string& out, const std::vector<PacketField>& fields, const std::vector<Variant>& cells) {
  if (cells.size() != fields.size()) throw PacketError("行的单元数与字段数不符");
  size_t bitmapAt = out.size();
  out.append((fields.size() + 7) / 8, '\0');
  for (size_t f = 0; f < fields.size(); ++f) {
    const Variant& c = cells[f];
    if (c.IsNull()) {
      out[bitmapAt + f / 8] = static_cast<char>(out[bitmapAt + f / 8] | (1 << (f % 8)));
      continue;
    }
    switch (fields[f].type) {
      case FieldType::Text: {
        std::string t = c.ToText();
        PutU32(out, static_cast<uint32_t>(t.size()));
        out += t;
        break;
      }
      case FieldType::Integer: PutU64(out, static_cast<uint64_t>(c.ToInt())); break;
      case FieldType::Float: {
        double d = c.ToFloat();
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        PutU64(out, bits);
        break;
      }
      case FieldType::Boolean: out.push_back(c.ToBool() ? 1 : 0); break;
    }
  }
}

}  // namespace

PacketWriter::PacketWriter(std::vector<PacketField> fields) : fields_(std::move(fields)) {}

void PacketWriter::AddRow(const std::vector<Variant>& cells) {
  WriteRow(body_, fields_, cells);
  ++rows_;
}

std::string PacketWriter::Finish() {
  std::string out;
  out.reserve(body_.size() + 64 + fields_.size() * 24);
  WriteHeader(out, fields_, rows_);
  out += body_;
  body_.clear();
  return out;
}

std::string EncodePacket(const DecodedPacket& packet) {
  PacketWriter w(packet.fields);
  for (const auto& r : packet.rows) w.AddRow(r);
  return w.Finish();
}

DecodedPacket DecodePacket(std::string_view bytes) {
  Cursor c(bytes);
  std::string_view magic = c.Bytes(4, "文件头");
  if (std::memcmp(magic.data(), kMagic, 4) != 0) throw PacketError("不是数据包（文件头不符）");
  uint16_t version = c.U16("版本");
  if (version != kVersion) throw PacketError("不支持的版本 " + std::to_string(version));
  c.U16("标志");
  uint32_t nFields = c.U32("字段数");
  uint32_t nRows = c.U32("行数");
  // Each field needs at least 7 bytes of definition: an absurd count is damage, not a request
  // to allocate.
  if (static_cast<uint64_t>(nFields) * 7 > c.left()) throw PacketError("字段数不合理");
  DecodedPacket p;
  p.fields.reserve(nFields);
  for (uint32_t i = 0; i < nFields; ++i) {
    PacketField f;
    uint16_t len = c.U16("字段名长度");
    f.name = std::string(c.Bytes(len, "字段名"));
    uint8_t type = c.U8("字段类型");
    if (type < 1 || type > 4) throw PacketError("字段 " + f.name + " 的类型无效");
    f.type = static_cast<FieldType>(type);
    f.size = c.U32("字段长度");
    p.fields.push_back(std::move(f));
  }
  size_t bitmapBytes = (nFields + 7) / 8;
  if (bitmapBytes > 0 && static_cast<uint64_t>(nRows) * bitmapBytes > c.left()) throw PacketError("行数不合理");
  if (bitmapBytes == 0 && nRows > 0) throw PacketError("没有字段的数据包不能有行");
  p.rows.reserve(nRows);
  for (uint32_t r = 0; r < nRows; ++r) {
    std::string_view bitmap = c.Bytes(bitmapBytes, "空值标记");
    std::vector<Variant> row;
    row.reserve(nFields);
    for (uint32_t f = 0; f < nFields; ++f) {
      if (static_cast<uint8_t>(bitmap[f / 8]) & (1u << (f % 8))) {
        row.emplace_back();
        continue;
      }
      switch (p.fields[f].type) {
        case FieldType::Text: {
          uint32_t len = c.U32("文本长度");
          row.emplace_back(std::string(c.Bytes(len, "文本")));
          break;
        }
        case FieldType::Integer: row.emplace_back(static_cast<int64_t>(c.U64("整数"))); break;
        case FieldType::Float: {
          uint64_t bits = c.U64("浮点数");
          double d;
          std::memcpy(&d, &bits, 8);
          row.emplace_back(d);
          break;
        }
        case FieldType::Boolean: row.emplace_back(c.U8("布尔值") != 0); break;
      }
    }
    p.rows.push_back(std::move(row));
  }
  if (c.left() != 0) throw PacketError("数据包末尾有多余的数据");
  return p;
}

}  // namespace pt
