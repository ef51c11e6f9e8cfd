#include "app/FileVersionInfo.h"

#include "app/StdioFileEx.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace divuzo {

namespace {

constexpr int kMaxDepth = 8;

std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

struct Bytes {
  const unsigned char* data;
  std::size_t size;
  std::uint16_t U16(std::size_t at) const { return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8)); }
  std::uint32_t U32(std::size_t at) const { return U16(at) | (static_cast<std::uint32_t>(U16(at + 2)) << 16); }
};

struct Block {
  std::size_t start = 0;
  std::size_t end = 0;
  std::uint16_t type = 0;
  std::u16string key;
  std::size_t valueOffset = 0;
  std::size_t valueSize = 0;
  std::vector<Block> children;
};

bool SameKey(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string Narrow(std::u16string_view text) { return CStdioFileEx::ToAnsi(text, CStdioFileEx::kUtf8); }

// Parses the block at `offset`, which must end by `limit`, with all its children.
bool ParseBlock(const Bytes& in, std::size_t offset, std::size_t limit, int depth, Block& block, std::string& error) {
  auto fail = [&](const std::string& what) {
    error = what + " (block at offset " + std::to_string(offset) + ")";
    return false;
  };
  if (depth > kMaxDepth) return fail("blocks nested too deeply");
  if (limit < offset || limit - offset < 6) return fail("block header cut short");
  const std::uint16_t length = in.U16(offset);
  const std::uint16_t valueLength = in.U16(offset + 2);
  block.type = in.U16(offset + 4);
  if (length < 6) return fail("block length " + std::to_string(length) + " is too small");
  if (length > limit - offset) {
    return fail("block claims " + std::to_string(length) + " bytes where " + std::to_string(limit - offset) +
                " remain");
  }
  block.start = offset;
  block.end = offset + length;
  std::size_t pos = offset + 6;
  block.key.clear();
  for (;;) {
    if (block.end - pos < 2) return fail("block name without its end");
    const char16_t c = static_cast<char16_t>(in.U16(pos));
    pos += 2;
    if (c == 0) break;
    block.key += c;
  }
  block.valueOffset = std::min(Align4(pos), block.end);
  // Text values count characters, binary ones bytes. Some writers count bytes for text too, so a
  // text value is cut at its block's end instead of refused.
  std::size_t valueSize = block.type == 1 ? std::size_t{valueLength} * 2 : valueLength;
  if (valueSize > block.end - block.valueOffset) {
    if (block.type != 1) return fail("value of \"" + Narrow(block.key) + "\" runs past its block");
    valueSize = block.end - block.valueOffset;
  }
  block.valueSize = valueSize;
  std::size_t child = Align4(block.valueOffset + valueSize);
  block.children.clear();
  while (child < block.end) {
    // A zero length ends the children (some writers pad a block with zeros).
    if (block.end - child >= 2 && in.U16(child) == 0) break;
    Block next;
    if (!ParseBlock(in, child, block.end, depth + 1, next, error)) return false;
    child = Align4(next.end);
    block.children.push_back(std::move(next));
  }
  return true;
}

const Block* Child(const Block& parent, std::u16string_view key) {
  for (const auto& c : parent.children) {
    if (SameKey(c.key, key)) return &c;
  }
  return nullptr;
}

struct LanguageEntry {
  const char* language;
  const char* territory; // nullptr: any territory
  std::uint16_t id;
};

// Territory-specific rows come before the language's general row.
constexpr LanguageEntry kLanguages[] = {
    {"ja", nullptr, 0x0411}, {"en", "GB", 0x0809}, {"en", "AU", 0x0C09}, {"en", "CA", 0x1009},
    {"en", "NZ", 0x1409},    {"en", "IE", 0x1809}, {"en", nullptr, 0x0409}, {"de", "CH", 0x0807},
    {"de", "AT", 0x0C07},    {"de", nullptr, 0x0407}, {"fr", "BE", 0x080C}, {"fr", "CA", 0x0C0C},
    {"fr", "CH", 0x100C},    {"fr", nullptr, 0x040C}, {"es", "MX", 0x080A}, {"es", nullptr, 0x0C0A},
    {"it", nullptr, 0x0410}, {"nl", "BE", 0x0813}, {"nl", nullptr, 0x0413}, {"pt", "BR", 0x0416},
    {"pt", nullptr, 0x0816}, {"zh", "TW", 0x0404}, {"zh", "HK", 0x0C04}, {"zh", "SG", 0x1004},
    {"zh", nullptr, 0x0804}, {"ko", nullptr, 0x0412}, {"ru", nullptr, 0x0419}, {"sv", nullptr, 0x041D},
    {"fi", nullptr, 0x040B}, {"da", nullptr, 0x0406}, {"nb", nullptr, 0x0414}, {"no", nullptr, 0x0414},
    {"pl", nullptr, 0x0415}, {"cs", nullptr, 0x0405}, {"hu", nullptr, 0x040E}, {"tr", nullptr, 0x041F},
    {"el", nullptr, 0x0408}, {"th", nullptr, 0x041E}, {"uk", nullptr, 0x0422}, {"ar", nullptr, 0x0401},
    {"he", nullptr, 0x040D},
};

} // namespace

bool CFileVersionInfo::Fail(std::string message) {
  Reset();
  lastError_ = std::move(message);
  return false;
}

void CFileVersionInfo::Reset() {
  fixed_.fill(0);
  for (auto& t : texts_) t.clear();
  chosen_.reset();
}

bool CFileVersionInfo::Create(const void* data, std::size_t size) {
  Reset();
  lastError_.clear();
  if (!data || size == 0) return Fail("no version resource");
  const Bytes in{static_cast<const unsigned char*>(data), size};
  Block root;
  std::string error;
  if (!ParseBlock(in, 0, size, 0, root, error)) return Fail("damaged version resource: " + error);
  if (!SameKey(root.key, u"VS_VERSION_INFO")) return Fail("not a version resource");

  // A fixed block of another size is ignored.
  if (root.type == 0 && root.valueSize == kFixedBlockSize) {
    for (std::size_t i = 0; i < fixed_.size(); ++i) fixed_[i] = in.U32(root.valueOffset + 4 * i);
  }

  const Block* varInfo = Child(root, u"VarFileInfo");
  const Block* translation = varInfo ? Child(*varInfo, u"Translation") : nullptr;
  if (!translation) return true; // no table: the strings stay empty
  std::vector<std::uint32_t> entries(translation->valueSize / 4);
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = in.U32(translation->valueOffset + 4 * i);
  const std::uint16_t user = userLanguage_ ? *userLanguage_ : UserDefaultLanguageId();
  chosen_ = ChooseTranslation(entries.data(), entries.size(), user);
  if (!chosen_) return true;

  char key[16];
  std::snprintf(key, sizeof key, "%04X%04X", static_cast<unsigned>(*chosen_ & 0xFFFF),
                static_cast<unsigned>(*chosen_ >> 16));
  const Block* stringInfo = Child(root, u"StringFileInfo");
  const Block* table = stringInfo ? Child(*stringInfo, std::u16string(key, key + 8)) : nullptr;
  if (!table) return true;
  for (std::size_t i = 0; i < texts_.size(); ++i) {
    const Block* s = Child(*table, kStringNames[i]);
    if (!s) continue;
    std::u16string value;
    for (std::size_t at = s->valueOffset; at + 1 < s->valueOffset + s->valueSize; at += 2) {
      const char16_t c = static_cast<char16_t>(in.U16(at));
      if (c == 0) break;
      value += c;
    }
    texts_[i] = Narrow(value);
  }
  return true;
}

std::optional<std::uint32_t> CFileVersionInfo::ChooseTranslation(const std::uint32_t* entries, std::size_t count,
                                                                 std::uint16_t userLanguage) {
  if (!entries || count == 0) return std::nullopt;
  auto find = [&](auto matches) -> std::optional<std::uint32_t> {
    for (std::size_t i = 0; i < count; ++i) {
      if (matches(static_cast<std::uint16_t>(entries[i] & 0xFFFF))) return entries[i];
    }
    return std::nullopt;
  };
  if (auto e = find([&](std::uint16_t lang) { return lang == userLanguage; })) return e;
  if (auto e = find([&](std::uint16_t lang) { return (lang & 0xFF) == (userLanguage & 0xFF); })) return e;
  if (auto e = find([](std::uint16_t lang) { return (lang & 0xFF) == 0; })) return e;
  if (auto e = find([](std::uint16_t lang) { return (lang & 0xFF) == 9; })) return e;
  return entries[0];
}

std::uint16_t CFileVersionInfo::GetFileVersion(int n) const {
  switch (n) {
  case 0: return static_cast<std::uint16_t>(fixed_[3] & 0xFFFF);
  case 1: return static_cast<std::uint16_t>(fixed_[3] >> 16);
  case 2: return static_cast<std::uint16_t>(fixed_[2] & 0xFFFF);
  case 3: return static_cast<std::uint16_t>(fixed_[2] >> 16);
  default: return 0;
  }
}

std::uint16_t CFileVersionInfo::GetProductVersion(int n) const {
  switch (n) {
  case 0: return static_cast<std::uint16_t>(fixed_[5] & 0xFFFF);
  case 1: return static_cast<std::uint16_t>(fixed_[5] >> 16);
  case 2: return static_cast<std::uint16_t>(fixed_[4] & 0xFFFF);
  case 3: return static_cast<std::uint16_t>(fixed_[4] >> 16);
  default: return 0;
  }
}

std::time_t CFileVersionInfo::GetFileDate() const {
  const std::uint64_t fileTime = (static_cast<std::uint64_t>(fixed_[11]) << 32) | fixed_[12];
  constexpr std::uint64_t kUnixEpoch = 116444736000000000ull; // 1970-01-01 in 100 ns since 1601
  if (fileTime < kUnixEpoch) return 0;
  return static_cast<std::time_t>((fileTime - kUnixEpoch) / 10000000ull);
}

std::uint16_t CFileVersionInfo::LanguageIdForLocale(std::string_view locale) {
  const std::size_t cut = locale.find_first_of(".@");
  const std::string_view name = locale.substr(0, cut);
  if (name.empty() || name == "C" || name == "POSIX") return 0x0409;
  const std::size_t underscore = name.find('_');
  const std::string_view language = name.substr(0, underscore);
  const std::string_view territory =
      underscore == std::string_view::npos ? std::string_view() : name.substr(underscore + 1);
  for (const auto& entry : kLanguages) {
    if (language != entry.language) continue;
    if (entry.territory && territory != entry.territory) continue;
    return entry.id;
  }
  return 0;
}

} // namespace divuzo
