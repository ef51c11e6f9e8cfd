#include "app/VersionResourceWriter.h"

#include <cstdio>
#include <stdexcept>

namespace divuzo {

namespace {

void PutU16(std::string& out, std::uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void PutU32(std::string& out, std::uint32_t v) {
  PutU16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  PutU16(out, static_cast<std::uint16_t>(v >> 16));
}

void SetU16(std::string& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}

void Align(std::string& out) {
  while (out.size() % 4 != 0) out += '\0';
}

// One block: header, key, padding, value, padding, then what `children` appends.
// `valueLength` is stored as given (characters for text values, bytes for binary ones).
template <typename Children>
void Block(std::string& out, const std::u16string& key, std::uint16_t valueLength, std::uint16_t type,
           const std::string& valueBytes, Children children) {
  Align(out);
  const std::size_t start = out.size();
  PutU16(out, 0); // length, filled in below
  PutU16(out, valueLength);
  PutU16(out, type);
  for (char16_t c : key) PutU16(out, static_cast<std::uint16_t>(c));
  PutU16(out, 0);
  Align(out);
  out += valueBytes;
  children(out);
  const std::size_t length = out.size() - start;
  if (length > 0xFFFF) throw std::length_error("version resource block too large");
  SetU16(out, start, static_cast<std::uint16_t>(length));
}

void NoChildren(std::string&) {}

std::u16string TableKey(std::uint16_t language, std::uint16_t codePage) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X%04X", language, codePage);
  return std::u16string(text, text + 8);
}

} // namespace

std::string FixedFileInfoBytes(const FixedFileInfo& f) {
  std::string out;
  for (std::uint32_t v : {f.signature, f.strucVersion, f.fileVersionMS, f.fileVersionLS, f.productVersionMS,
                          f.productVersionLS, f.fileFlagsMask, f.fileFlags, f.fileOS, f.fileType, f.fileSubtype,
                          f.fileDateMS, f.fileDateLS}) {
    PutU32(out, v);
  }
  return out;
}

std::string BuildVersionResource(const VersionResourceContents& contents) {
  std::string out;
  Block(out, u"VS_VERSION_INFO", static_cast<std::uint16_t>(contents.fixedBlock.size()), 0, contents.fixedBlock,
        [&](std::string& o) {
          if (!contents.tables.empty()) {
            Block(o, u"StringFileInfo", 0, 1, {}, [&](std::string& o2) {
              for (const auto& table : contents.tables) {
                Block(o2, TableKey(table.language, table.codePage), 0, 1, {}, [&](std::string& o3) {
                  for (const auto& [name, value] : table.strings) {
                    std::string valueBytes;
                    for (char16_t c : value) PutU16(valueBytes, static_cast<std::uint16_t>(c));
                    PutU16(valueBytes, 0);
                    Block(o3, name, static_cast<std::uint16_t>(value.size() + 1), 1, valueBytes, NoChildren);
                  }
                });
              }
            });
          }
          if (contents.translations) {
            Block(o, u"VarFileInfo", 0, 1, {}, [&](std::string& o2) {
              std::string entries;
              for (std::uint32_t e : *contents.translations) PutU32(entries, e);
              Block(o2, u"Translation", static_cast<std::uint16_t>(entries.size()), 0, entries, NoChildren);
            });
          }
        });
  return out;
}

} // namespace divuzo
