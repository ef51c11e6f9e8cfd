// The program's own version resource and version resources in files on Linux: the resource is
// built into the program and also sits in the ELF section ".divuzo.version" of an executable;
// any other file is taken as a bare resource.
#include "app/FileVersionInfo.h"

#include "app/OwnVersionResource.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace divuzo {

namespace {

// A bare resource file or an ELF section bigger than this is not a version resource.
constexpr std::uint64_t kMaxResourceSize = 1024 * 1024;

// Reads `size` bytes at `offset` of `fd`; false when the file is shorter.
bool ReadAt(int fd, std::uint64_t offset, void* out, std::size_t size) {
  auto* p = static_cast<unsigned char*>(out);
  while (size > 0) {
    ssize_t n = ::pread(fd, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    offset += static_cast<std::uint64_t>(n);
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::uint64_t Le(const unsigned char* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// Finds the version section of a 64-bit little-endian ELF file. Empty optional: no such section;
// false in `ok` with `error` when the headers are damaged.
std::optional<std::pair<std::uint64_t, std::uint64_t>> FindElfSection(int fd, std::uint64_t fileSize, bool& ok,
                                                                      std::string& error) {
  ok = false;
  unsigned char eh[64];
  if (fileSize < sizeof eh || !ReadAt(fd, 0, eh, sizeof eh)) {
    error = "ELF header cut short";
    return std::nullopt;
  }
  if (eh[4] != 2 || eh[5] != 1) {
    error = "only 64-bit little-endian ELF files are read";
    return std::nullopt;
  }
  const std::uint64_t shoff = Le(eh + 0x28, 8);
  const std::uint64_t shentsize = Le(eh + 0x3A, 2);
  const std::uint64_t shnum = Le(eh + 0x3C, 2);
  const std::uint64_t shstrndx = Le(eh + 0x3E, 2);
  if (shentsize < 64 || shnum == 0 || shstrndx >= shnum || shoff > fileSize ||
      shnum * shentsize > fileSize - shoff) {
    error = "ELF section table damaged";
    return std::nullopt;
  }
  auto section = [&](std::uint64_t index, unsigned char* sh) { return ReadAt(fd, shoff + index * shentsize, sh, 64); };
  unsigned char sh[64];
  if (!section(shstrndx, sh)) {
    error = "ELF section table cut short";
    return std::nullopt;
  }
  const std::uint64_t namesOffset = Le(sh + 0x18, 8);
  const std::uint64_t namesSize = Le(sh + 0x20, 8);
  if (namesOffset > fileSize || namesSize > fileSize - namesOffset || namesSize > 16 * 1024 * 1024) {
    error = "ELF section names damaged";
    return std::nullopt;
  }
  std::string names(namesSize, '\0');
  if (!ReadAt(fd, namesOffset, names.data(), names.size())) {
    error = "ELF section names cut short";
    return std::nullopt;
  }
  ok = true;
  for (std::uint64_t i = 0; i < shnum; ++i) {
    if (!section(i, sh)) break;
    const std::uint64_t nameAt = Le(sh, 4);
    if (nameAt >= names.size()) continue;
    if (std::strncmp(names.c_str() + nameAt, kVersionSectionName, names.size() - nameAt) != 0) continue;
    const std::uint64_t type = Le(sh + 4, 4);
    const std::uint64_t offset = Le(sh + 0x18, 8);
    const std::uint64_t size = Le(sh + 0x20, 8);
    if (type == 8 /* no bits in the file */ || offset > fileSize || size > fileSize - offset) {
      ok = false;
      error = "ELF version section lies outside the file";
      return std::nullopt;
    }
    return std::make_pair(offset, size);
  }
  return std::nullopt;
}

} // namespace

bool CFileVersionInfo::Create() { return Create(kOwnVersionResource, kOwnVersionResourceSize); }

bool CFileVersionInfo::Create(const std::filesystem::path& file) {
  Reset();
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail("cannot read " + file.string() + ": " + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Fail(file.string() + " is not a file");
  }
  const std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);
  unsigned char magic[4] = {};
  std::uint64_t offset = 0, size = fileSize;
  if (fileSize >= 4 && ReadAt(fd, 0, magic, 4) && std::memcmp(magic, "\x7F" "ELF", 4) == 0) {
    bool ok = false;
    std::string error;
    auto section = FindElfSection(fd, fileSize, ok, error);
    if (!ok) {
      ::close(fd);
      return Fail(file.string() + ": " + error);
    }
    if (!section) {
      ::close(fd);
      return Fail(file.string() + " has no version resource");
    }
    offset = section->first;
    size = section->second;
  }
  if (size == 0 || size > kMaxResourceSize) {
    ::close(fd);
    return Fail(file.string() + " has no version resource");
  }
  std::vector<unsigned char> bytes(size);
  const bool read = ReadAt(fd, offset, bytes.data(), bytes.size());
  ::close(fd);
  if (!read) return Fail("cannot read " + file.string());
  if (!Create(bytes.data(), bytes.size())) {
    lastError_ = file.string() + ": " + lastError_;
    return false;
  }
  return true;
}

std::uint16_t CFileVersionInfo::UserDefaultLanguageId() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && value[0]) return LanguageIdForLocale(value);
  }
  return 0x0409;
}

} // namespace divuzo
