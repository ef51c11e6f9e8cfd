#pragma once
// CRC-32 of firmware image payloads: the reflected IEEE 802.3 CRC (polynomial 0xEDB88320,
// initial value and final exclusive-or 0xFFFFFFFF). Crc32("abc") == 0x352441C2.
#include <cstddef>
#include <cstdint>

namespace divuzo {

// CRC-32 of `size` bytes at `data`. Table-driven (eight bytes per step).
std::uint32_t Crc32(const void* data, std::size_t size);

// Continues a running CRC: Crc32Update(Crc32Update(0, a), b) == Crc32(a + b).
// `crc` is a finished CRC value (0 for "nothing yet").
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t size);

// The plain bit-by-bit form, one bit per step; kept as the reference the fast form is held to.
std::uint32_t Crc32Bitwise(const void* data, std::size_t size);

} // namespace divuzo
