// Data packets as the host sends them: a damaged packet is a PacketError and nothing else; a packet
// that reads is written back to the same packet, and an in-memory table that takes it gives back
// a packet that reads the same again.
#include "common/DataPacket.h"
#include "common/MemTable.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace pt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  DecodedPacket packet;
  try {
    packet = DecodePacket(bytes);
  } catch (const PacketError&) {
    return 0;
  }
  // Writing is canonical: what was read writes to bytes that read and write back unchanged
  // (compared as bytes, so a NaN cell counts as itself).
  const std::string written = EncodePacket(packet);
  const DecodedPacket again = DecodePacket(written);
  FUZZ_CHECK(again.fields.size() == packet.fields.size());
  FUZZ_CHECK(again.rows.size() == packet.rows.size());
  FUZZ_CHECK(EncodePacket(again) == written);

  // A table opened from the packet: it may refuse it (a ModuleError saying why), else its own
  // packet holds the same rows and fields, and loading that once more changes nothing.
  MemTable table("packet");
  try {
    table.LoadPacket(bytes);
  } catch (const ModuleError&) {
    return 0;
  }
  FUZZ_CHECK(table.RecordCount() == static_cast<int>(packet.rows.size()));
  const std::string fromTable = table.ToPacket();
  const DecodedPacket tableRows = DecodePacket(fromTable);
  FUZZ_CHECK(tableRows.rows.size() == packet.rows.size());
  FUZZ_CHECK(tableRows.fields.size() == packet.fields.size());
  for (size_t f = 0; f < packet.fields.size(); ++f) FUZZ_CHECK(tableRows.fields[f].type == packet.fields[f].type);
  MemTable second("again");
  second.LoadPacket(fromTable);
  FUZZ_CHECK(second.ToPacket() == fromTable);
  return 0;
}
