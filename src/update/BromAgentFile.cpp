#include "update/BromAgentFile.h"

#include "platform/FileIo.h"
#include "platform/Utf8Path.h"
#include "update/BromWire.h"
#include "update/Crc32.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace divuzo {
using namespace bromwire;

namespace {

constexpr char kMagic[8] = {'D', 'V', 'Z', 'A', 'G', 'E', 'N', 'T'};
constexpr std::uint16_t kFormat = 1;

} // namespace

std::vector<std::uint8_t> EncodeAgentFile(const AgentFile& agent) {
  std::vector<std::uint8_t> out(kAgentHeaderSize);
  std::memcpy(out.data(), kMagic, sizeof kMagic);
  PutLe16(&out[8], kFormat);
  PutLe16(&out[10], kAgentHeaderSize);
  PutLe32(&out[12], agent.chipId);
  PutLe32(&out[16], agent.version);
  PutLe32(&out[20], agent.loadAddress);
  PutLe32(&out[24], static_cast<std::uint32_t>(agent.body.size()));
  PutLe32(&out[28], Crc32(agent.body.data(), agent.body.size()));
  PutLe32(&out[32], Crc32(out.data(), 32));
  out.insert(out.end(), agent.body.begin(), agent.body.end());
  return out;
}

BromStatus DecodeAgentFile(const std::uint8_t* data, std::size_t size, AgentFile& agent) {
  if (size < kAgentHeaderSize || std::memcmp(data, kMagic, sizeof kMagic) != 0 ||
      GetLe16(data + 8) != kFormat || GetLe16(data + 10) != kAgentHeaderSize)
    return brom_load::kBadFormat;
  if (GetLe32(data + 32) != Crc32(data, 32)) return brom_load::kBadChecksum;
  const std::uint32_t length = GetLe32(data + 24);
  if (length > kAgentBodyLimit) return brom_load::kTooLarge;
  if (length == 0 || size - kAgentHeaderSize != length) return brom_load::kBadFormat;
  const std::uint8_t* body = data + kAgentHeaderSize;
  if (GetLe32(data + 28) != Crc32(body, length)) return brom_load::kBadChecksum;
  agent.chipId = GetLe32(data + 12);
  agent.version = GetLe32(data + 16);
  agent.loadAddress = GetLe32(data + 20);
  agent.body.assign(body, body + length);
  return brom_load::kOk;
}

BromStatus ReadWholeFile(const char* path, std::size_t limit, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  if (path == nullptr || *path == '\0') return brom_load::kFileMissing;
  // The path is UTF-8 text, as every path of the program: opened through the platform layer,
  // which gives Windows the wide name.
  std::unique_ptr<FILE, int (*)(FILE*)> file(OpenFileStream(PathFromUtf8(path), "rb"),
                                             &std::fclose);
  if (!file) return brom_load::kFileMissing;
  std::uint8_t chunk[16384];
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
    if (n == 0) break;
    if (bytes.size() + n > limit) return brom_load::kTooLarge;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  if (std::ferror(file.get())) return brom_load::kFileMissing;
  return brom_load::kOk;
}

AgentFile MakeAgent(GpsChip chip, std::uint32_t version, std::size_t bodySize) {
  AgentFile agent;
  agent.chipId = ChipId(chip);
  agent.version = version;
  agent.loadAddress = AgentLoadAddress(chip);
  char banner[64];
  const int n = std::snprintf(banner, sizeof banner, "DIVUZOvuzov download agent %s %u.%02u",
                              ChipName(chip), version >> 8, version & 0xFF);
  agent.body.assign(banner, banner + n + 1);
  // Deterministic filler standing for the agent's code (xorshift32 seeded by the chip).
  std::uint32_t x = 0x9E3779B9u ^ agent.chipId;
  while (agent.body.size() < bodySize) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    agent.body.push_back(static_cast<std::uint8_t>(x));
  }
  agent.body.resize(bodySize < agent.body.size() ? agent.body.size() : bodySize);
  return agent;
}

} // namespace divuzo
