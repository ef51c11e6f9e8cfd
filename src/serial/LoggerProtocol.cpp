#include "serial/LoggerProtocol.h"

#include "platform/HexDigit.h"
#include "serial/Sentence.h"

#include <algorithm>
#include <cstdio>

namespace divuzo {

bool HexPairsToBytes(std::string_view text, std::uint8_t* out, std::size_t count) {
  if (text.size() < count * 2) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const int high = HexDigitValue(text[2 * i]);
    const int low = HexDigitValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    out[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return true;
}

bool ChunkChecksumOk(std::string_view sentence) {
  if (sentence.empty() || sentence.front() != '$') return false;
  const auto star = sentence.find('*');
  if (star == std::string_view::npos || star + 3 > sentence.size()) return false;
  const std::string digits = ChecksumText(SentenceChecksum(sentence.substr(1, star - 1)));
  return sentence[star + 1] == digits[0] && sentence[star + 2] == digits[1];
}

std::optional<DataSentence> ParseDataSentence(std::string_view sentence) {
  if (sentence.substr(0, kDataSentenceHead.size()) != kDataSentenceHead) return std::nullopt;
  std::string_view rest = sentence.substr(kDataSentenceHead.size());
  const auto comma = rest.find(',');
  const auto star = rest.find('*');
  if (comma == std::string_view::npos || star == std::string_view::npos || comma > star ||
      comma == 0)
    return std::nullopt;
  const std::string_view address = rest.substr(0, comma);
  for (char c : address)
    if (HexDigitValue(c) < 0) return std::nullopt;
  if (address.size() > 8) return std::nullopt;
  std::size_t dataStart = comma;
  while (dataStart < star && rest[dataStart] == ',') ++dataStart;
  DataSentence out;
  out.address = static_cast<std::uint32_t>(ParseHex(address));
  out.hex = rest.substr(dataStart, star - dataStart);
  return out;
}

std::string DataSentenceBody(std::uint32_t address, const std::uint8_t* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char head[32];
  std::snprintf(head, sizeof head, "PMTK182,8,%08X,", static_cast<unsigned>(address));
  std::string body = head;
  body.reserve(body.size() + size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    body += kDigits[bytes[i] >> 4];
    body += kDigits[bytes[i] & 0x0F];
  }
  return body;
}

std::uint32_t DownloadExtent(std::optional<std::uint32_t> usedEnd) {
  using namespace logger_memory;
  if (!usedEnd || *usedEnd == 0 || *usedEnd >= kSize) return kSize;
  return (*usedEnd + kBlockSize - 1) / kBlockSize * kBlockSize;
}

int DownloadPercent(std::uint32_t block, std::uint32_t chunkOffset, std::uint32_t total) {
  const std::uint64_t done = static_cast<std::uint64_t>(block) + chunkOffset;
  return static_cast<int>(done * 100 / (total | 0xFFFFu));
}

long FreeRecords(std::uint32_t usedEnd) {
  if (usedEnd >= logger_memory::kSize) return 0;
  const long records =
      static_cast<long>((logger_memory::kSize - usedEnd) / logger_memory::kSlotSize);
  return records < 2 ? 0 : records;
}

std::string RangesText(const std::vector<MemoryRange>& ranges) {
  std::string text;
  char one[40];
  for (const MemoryRange& r : ranges) {
    std::snprintf(one, sizeof one, "0x%08X-0x%08X", static_cast<unsigned>(r.start),
                  static_cast<unsigned>(r.end));
    if (!text.empty()) text += ", ";
    text += one;
  }
  return text;
}

void AddRange(std::vector<MemoryRange>& ranges, std::uint32_t start, std::uint32_t end) {
  if (start >= end) return;
  ranges.push_back({start, end});
  std::sort(ranges.begin(), ranges.end(),
            [](const MemoryRange& a, const MemoryRange& b) { return a.start < b.start; });
  std::vector<MemoryRange> joined;
  for (const MemoryRange& r : ranges) {
    if (!joined.empty() && r.start <= joined.back().end)
      joined.back().end = std::max(joined.back().end, r.end);
    else
      joined.push_back(r);
  }
  ranges.swap(joined);
}

}  // namespace divuzo
