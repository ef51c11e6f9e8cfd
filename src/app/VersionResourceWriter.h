#pragma once
// Writes a version resource in the VS_VERSIONINFO layout: a tree of blocks, each
//   WORD length (of the block with its children), WORD value length, WORD type (1 text, 0 binary),
//   UTF-16LE key with its zero, padding to 32 bits, the value, padding, then the child blocks,
// every block starting on a 32-bit boundary. The root "VS_VERSION_INFO" holds the 52-byte fixed
// block (VS_FIXEDFILEINFO); its children are "StringFileInfo" (one table per language and code
// page, keyed "LLLLCCCC" in upper-case hexadecimal, holding the named strings) and "VarFileInfo"
// with "Translation" (32-bit entries: language id low, code page high).
//
// The build uses it to make the program's own resource; tests use it to make others.
// Depends on the standard library only (the build's generator compiles it on its own).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace divuzo {

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BDu;

// The 13 values of the fixed block in their stored order.
struct FixedFileInfo {
  std::uint32_t signature = kFixedFileInfoSignature;
  std::uint32_t strucVersion = 0x00010000u;
  std::uint32_t fileVersionMS = 0;
  std::uint32_t fileVersionLS = 0;
  std::uint32_t productVersionMS = 0;
  std::uint32_t productVersionLS = 0;
  std::uint32_t fileFlagsMask = 0x3Fu;
  std::uint32_t fileFlags = 0;
  std::uint32_t fileOS = 0x00040004u; // NT, 32-bit
  std::uint32_t fileType = 1;         // application
  std::uint32_t fileSubtype = 0;
  std::uint32_t fileDateMS = 0;
  std::uint32_t fileDateLS = 0;
};

struct VersionStringTable {
  std::uint16_t language = 0x0409;
  std::uint16_t codePage = 0x04B0;
  std::vector<std::pair<std::u16string, std::u16string>> strings; // name, value
};

struct VersionResourceContents {
  // Bytes of the root's value; normally the 52 bytes of FixedFileInfoBytes(). Empty: no value.
  std::string fixedBlock;
  std::vector<VersionStringTable> tables;
  // Entries of "\VarFileInfo\Translation"; no value: no VarFileInfo block at all.
  std::optional<std::vector<std::uint32_t>> translations;
};

std::string FixedFileInfoBytes(const FixedFileInfo& info);

// Translation entry: language id in the low 16 bits, code page in the high 16 bits.
constexpr std::uint32_t TranslationEntry(std::uint16_t language, std::uint16_t codePage) {
  return static_cast<std::uint32_t>(language) | (static_cast<std::uint32_t>(codePage) << 16);
}

// The whole resource as bytes.
std::string BuildVersionResource(const VersionResourceContents& contents);

} // namespace divuzo
