#pragma once
// Reads a version resource (VS_VERSIONINFO layout, see VersionResourceWriter.h) into a plain
// object: the fixed block and twelve standard strings, taken from the string table whose language
// best matches the user's.
//
// Sources: the program's own resource, a file, or bytes in memory. On Linux the program's own
// resource is built in and a file is an ELF executable carrying it in its ".divuzo.version"
// section, or a file holding the bare resource (FileVersionInfoElf.cpp); on Windows both are read
// with the system's version functions (FileVersionInfoWin32.cpp).
// Every length in the input is checked; damaged input gives false and a message, never a read
// outside the input.
#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace divuzo {

class CFileVersionInfo {
public:
  // The twelve version strings, in the order of their accessors below.
  static constexpr std::array<std::u16string_view, 12> kStringNames{
      u"CompanyName",    u"FileDescription", u"FileVersion",    u"InternalName",
      u"LegalCopyright", u"OriginalFileName", u"ProductName",   u"ProductVersion",
      u"Comments",       u"LegalTrademarks", u"PrivateBuild",   u"SpecialBuild"};
  // Size of the fixed block (VS_FIXEDFILEINFO); a block of another size is ignored.
  static constexpr std::size_t kFixedBlockSize = 52;

  CFileVersionInfo() = default;
  virtual ~CFileVersionInfo() = default;

  // The program's own resource.
  bool Create();
  bool Create(const std::filesystem::path& file);
  bool Create(const void* data, std::size_t size);
  // Clears the fixed block and empties the twelve strings.
  virtual void Reset();

  // Why the last Create failed (empty after a success).
  const std::string& LastError() const { return lastError_; }

  // The language the string table is chosen for; by default the user's (UserDefaultLanguageId).
  void SetUserLanguage(std::uint16_t languageId) { userLanguage_ = languageId; }
  // Windows language id of the user: on Windows the system's (GetUserDefaultLangID); on Linux that
  // of the locale (LC_ALL, else LC_MESSAGES, else LANG) by LanguageIdForLocale.
  static std::uint16_t UserDefaultLanguageId();
  // ja -> 0x0411, en_US -> 0x0409, de -> 0x0407, ...; C and POSIX count as U.S. English; unknown -> 0.
  static std::uint16_t LanguageIdForLocale(std::string_view locale);

  // n = 0..3: 0 the low word of the low half ... 3 the high word of the high half; else 0.
  std::uint16_t GetFileVersion(int n) const;
  std::uint16_t GetProductVersion(int n) const;
  std::uint32_t GetFileFlagsMask() const { return fixed_[6]; }
  std::uint32_t GetFileFlags() const { return fixed_[7]; }
  std::uint32_t GetFileOs() const { return fixed_[8]; }
  std::uint32_t GetFileType() const { return fixed_[9]; }
  std::uint32_t GetFileSubtype() const { return fixed_[10]; }
  // The file date (a 64-bit count of 100 ns since 1601) as seconds since 1970; 0 when unset.
  std::time_t GetFileDate() const;
  // The 13 values of the fixed block (signature first); all 0 after Reset.
  const std::array<std::uint32_t, 13>& FixedBlock() const { return fixed_; }

  // The string table that was chosen, e.g. 0x04B00409 (language low, code page high).
  std::optional<std::uint32_t> ChosenTranslation() const { return chosen_; }

  // UTF-8 texts; empty when the resource lacks them.
  std::string GetCompanyName() const { return texts_[0]; }
  std::string GetFileDescription() const { return texts_[1]; }
  std::string GetFileVersion() const { return texts_[2]; }
  std::string GetInternalName() const { return texts_[3]; }
  std::string GetLegalCopyright() const { return texts_[4]; }
  std::string GetOriginalFileName() const { return texts_[5]; }
  std::string GetProductName() const { return texts_[6]; }
  std::string GetProductVersion() const { return texts_[7]; }
  std::string GetComments() const { return texts_[8]; }
  std::string GetLegalTrademarks() const { return texts_[9]; }
  std::string GetPrivateBuild() const { return texts_[10]; }
  std::string GetSpecialBuild() const { return texts_[11]; }

  // Picks the table entry for `userLanguage`: the same language; else the same primary language
  // (low 8 bits); else a neutral one; else English; else the first. No value for an empty table.
  static std::optional<std::uint32_t> ChooseTranslation(const std::uint32_t* entries, std::size_t count,
                                                        std::uint16_t userLanguage);

private:
  bool Fail(std::string message);

  std::array<std::uint32_t, 13> fixed_{};
  std::array<std::string, 12> texts_;
  std::optional<std::uint32_t> chosen_;
  std::optional<std::uint16_t> userLanguage_;
  std::string lastError_;
};

using FileVersionInfo = CFileVersionInfo;

} // namespace divuzo
