#include "queue/QueueFile.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/DataPacket.h"
#include "common/ModuleError.h"
#include "queue/QueueRecord.h"

namespace pt::queue {

namespace {

constexpr const char* kMagic = "PTQUEUE";
constexpr int kVersion = 1;
constexpr uintmax_t kLargestFile = 1ull << 30;  // far beyond any queue; refuses a wrong file early

uint32_t Crc32(std::string_view bytes) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::string Hex8(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", v);
  return buf;
}

}  // namespace

std::string QueueFileBytes(const MemTable& queue) {
  std::vector<PacketField> fields;
  for (int f = 0; f < queue.FieldCount(); ++f) {
    const FieldDef& d = queue.Field(f);
    fields.push_back({d.name, d.type, d.size});
  }
  PacketWriter writer(std::move(fields));
  std::vector<Variant> cells(static_cast<size_t>(queue.FieldCount()));
  for (int r = 0; r < queue.RecordCount(); ++r) {
    for (int f = 0; f < queue.FieldCount(); ++f) cells[static_cast<size_t>(f)] = queue.CellAt(r, f);
    writer.AddRow(cells);
  }
  const std::string packet = writer.Finish();
  return std::string(kMagic) + " " + std::to_string(kVersion) + " " + std::to_string(packet.size()) + " " +
         Hex8(Crc32(packet)) + "\n" + packet;
}

void SaveQueueFile(const MemTable& queue, const std::string& path) {
  namespace fs = std::filesystem;
  const std::string bytes = QueueFileBytes(queue);
  const fs::path target(path);
  const fs::path partial = target.string() + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      std::error_code ec;
      fs::remove(partial, ec);
      throw ModuleError("无法写入文件：" + path);
    }
  }
  std::error_code ec;
  fs::rename(partial, target, ec);
  if (ec) {
    fs::remove(partial, ec);
    throw ModuleError("无法写入文件：" + path);
  }
}

void LoadQueueBytes(std::string_view bytes, MemTable& queue) {
  const size_t end = bytes.find('\n');
  const std::string_view header = bytes.substr(0, end == std::string_view::npos ? std::min<size_t>(bytes.size(), 64) : end);
  if (header.substr(0, 8) != std::string(kMagic) + " ") throw ModuleError(kNotAQueueFile);
  int version = 0;
  unsigned long long length = 0;
  char crc[9] = {};
  const std::string line(header.substr(8));
  if (std::sscanf(line.c_str(), "%d %llu %8s", &version, &length, crc) < 1) throw ModuleError(kDamagedQueueFile);
  if (version != kVersion)
    throw ModuleError("打印队列文件的版本 " + std::to_string(version) + " 不受支持，无法打开");
  if (end == std::string_view::npos) throw ModuleError(kDamagedQueueFile);
  const std::string_view packet = bytes.substr(end + 1);
  if (packet.size() != length || Hex8(Crc32(packet)) != std::string(crc)) throw ModuleError(kDamagedQueueFile);

  // Everything is checked in a table of the queue's own layout before the queue changes.
  MemTable read("cdsSpda");
  read.CopyStructure(queue);
  try {
    read.LoadPacket(packet);
  } catch (const std::exception&) {
    throw ModuleError(kDamagedQueueFile);
  }
  const int copies = read.FieldIndex(kCopiesField);
  for (int r = 0; copies >= 0 && r < read.RecordCount(); ++r)
    if (!CopiesValue(read.CellAt(r, copies))) throw ModuleError(kDamagedQueueFile);
  queue.LoadPacket(packet);
}

int LoadQueueFile(const std::string& path, MemTable& queue) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) throw ModuleError("无法打开文件 " + path);
  if (size > kLargestFile) throw ModuleError(std::string(kNotAQueueFile) + "：" + path);
  std::ostringstream s;
  s << in.rdbuf();
  try {
    LoadQueueBytes(s.str(), queue);
  } catch (const ModuleError& e) {
    throw ModuleError(std::string(e.what()) + "：" + path);
  }
  return queue.RecordCount();
}

}  // namespace pt::queue
