#pragma once
// The logger's memory as the download sees it, and the pieces of its memory protocol that do
// no I/O: the sizes, the data sentences that carry memory ("$PMTK182,8,<address>,<hex>*CS"),
// their checksum test and hexadecimal decoding, the download's extent and percentage, and the
// free-record count shown after a clear.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace divuzo {

namespace logger_memory {
inline constexpr std::uint32_t kSize = 0x200000;      // 2 MiB
inline constexpr std::uint32_t kBlockSize = 0x10000;  // read in blocks of 64 KiB
inline constexpr std::uint32_t kChunkSize = 0x800;    // one data sentence carries 2048 bytes
inline constexpr std::uint32_t kChunksPerBlock = kBlockSize / kChunkSize;
inline constexpr std::uint32_t kSlotSize = 16;
}  // namespace logger_memory

// Logger parameters ("$PMTK182,1,p,v" sets, "$PMTK182,2,p" reads).
namespace logger_parameter {
inline constexpr int kTimeInterval = 3;  // tenths of a second
inline constexpr int kDistance = 4;      // tenths of a metre
inline constexpr int kRecordMode = 6;    // 1 overwrite, 2 stop when full
inline constexpr int kUsedEnd = 8;       // end of the used memory, hexadecimal
}  // namespace logger_parameter

// The line speed a logger is brought back to after a fast download.
inline constexpr unsigned kLoggerNormalBaud = 38400;

// The head every memory data sentence begins with.
inline constexpr std::string_view kDataSentenceHead = "$PMTK182,8,";

// Converts `count` pairs of hexadecimal digits (high digit first) into bytes. False, with
// `out` partly written, when the text is shorter or holds a character that is not a digit.
bool HexPairsToBytes(std::string_view text, std::uint8_t* out, std::size_t count);

// The checksum test of one sentence ("$" ... "*" two digits, CR LF optional): the exclusive-or
// of the body compared with both digits after the "*". A sentence without "*" or without two
// digits after it fails.
bool ChunkChecksumOk(std::string_view sentence);

// A memory data sentence taken apart (views into the sentence).
struct DataSentence {
  std::uint32_t address = 0;
  std::string_view hex;  // two digits per byte
};
// Parses "$PMTK182,8,<address>,<hex>*CS" (CR LF optional). The address is hexadecimal up to
// the next comma; further commas before the data are stepped over. Nothing when the head, the
// address or the "*" is missing. The checksum is not looked at (ChunkChecksumOk).
std::optional<DataSentence> ParseDataSentence(std::string_view sentence);

// The data sentence body for `size` bytes at `address` (the device side): "PMTK182,8,%08X,<hex>".
std::string DataSentenceBody(std::uint32_t address, const std::uint8_t* bytes, std::size_t size);

// How much memory a download reads: the used end, or all of it when the end is 0 or unknown.
// Rounded up to whole blocks and never beyond the memory.
std::uint32_t DownloadExtent(std::optional<std::uint32_t> usedEnd);
// Percent shown after the chunk at `chunkOffset` of the block at `block`:
// (block + chunkOffset) * 100 / (total | 0xFFFF).
int DownloadPercent(std::uint32_t block, std::uint32_t chunkOffset, std::uint32_t total);

// Free records after a clear, from the used end the device reports: (2 MiB - end) / 16; fewer
// than 2 (or an end beyond the memory) counts as 0.
long FreeRecords(std::uint32_t usedEnd);

// A range of memory [start, end).
struct MemoryRange {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  bool operator==(const MemoryRange&) const = default;
};
// "0x00010800-0x00011000, 0x001F0000-0x00200000": the ranges for the user.
std::string RangesText(const std::vector<MemoryRange>& ranges);
// Adds [start, end) to sorted, non-overlapping `ranges`, joining it with a neighbour it touches.
void AddRange(std::vector<MemoryRange>& ranges, std::uint32_t start, std::uint32_t end);

}  // namespace divuzo
