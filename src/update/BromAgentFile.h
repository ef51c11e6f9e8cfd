#pragma once
// Download-agent files: a 36-byte little-endian header and the agent body that runs in the
// chip's memory.
//   0  "DVZAGENT"            8  format (1)         10 header size (36)
//   12 chip id (3318/3329)   16 agent version      20 load address
//   24 body length           28 CRC-32 of the body 32 CRC-32 of bytes 0..31
#include "update/Brom.h"
#include "update/BromChip.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace divuzo {

inline constexpr std::size_t kAgentHeaderSize = 36;
inline constexpr std::size_t kAgentBodyLimit = 64 * 1024;

struct AgentFile {
  std::uint32_t chipId = 0;
  std::uint32_t version = 0;       // 0x0100 is 1.00
  std::uint32_t loadAddress = 0;
  std::vector<std::uint8_t> body;
};

std::vector<std::uint8_t> EncodeAgentFile(const AgentFile& agent);
// Checks and splits an agent file; returns a load status (brom_load::kOk on success).
BromStatus DecodeAgentFile(const std::uint8_t* data, std::size_t size, AgentFile& agent);
// Reads a whole file (at most `limit` bytes); kFileMissing or kTooLarge on failure.
BromStatus ReadWholeFile(const char* path, std::size_t limit, std::vector<std::uint8_t>& bytes);

// The agent this project ships for a chip: a banner naming it, then deterministic code bytes.
AgentFile MakeAgent(GpsChip chip, std::uint32_t version, std::size_t bodySize);

} // namespace divuzo
