#pragma once
// The print queue kept in a file, to be opened again later or printed by the print command.
//
// Layout, version 1: one header line of ASCII text, then the queue as a data packet
// (common/DataPacket.h) holding every field of the queue, those the host never sends included:
//
//   PTQUEUE 1 <packet length in bytes> <CRC-32 of the packet, 8 hex digits>\n
//   <packet>
//
// Texts are UTF-8 in the packet, whatever the workstation's code page, so every GBK character
// comes back as it was. The rows are those the queue shows, in the order it shows them.
#include <string>
#include <string_view>

#include "common/MemTable.h"

namespace pt::queue {

inline constexpr const char* kQueueFileExtension = ".ptq";
inline constexpr const char* kNotAQueueFile = "不是标价签打印队列文件，无法打开";
inline constexpr const char* kDamagedQueueFile = "打印队列文件已损坏，无法打开";

// The file's bytes for the queue's visible rows.
std::string QueueFileBytes(const MemTable& queue);
// Writes the file beside its place and renames it over, so a failure leaves any old file whole.
// Throws ModuleError naming the file when it cannot be written.
void SaveQueueFile(const MemTable& queue, const std::string& path);

// Replaces the queue's rows with the file's. A file that cannot be read, is not a queue file, is
// of another version or is damaged (a length or checksum that does not match, a missing field, a
// value a field refuses) throws ModuleError with a message naming the file, and the queue keeps
// every row it had. Returns the number of rows read.
int LoadQueueFile(const std::string& path, MemTable& queue);
// The same from bytes already read (for tests and other callers).
void LoadQueueBytes(std::string_view bytes, MemTable& queue);

}  // namespace pt::queue
