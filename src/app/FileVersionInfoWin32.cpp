// Version resources on Windows, read with the system's version functions
// (GetFileVersionInfoSizeW, GetFileVersionInfoW, VerQueryValueW). The program's own resource is
// the one windres compiled into its executable.
#include "app/FileVersionInfo.h"

#include "platform/System.h"
#include "platform/Utf8Path.h"
#include "platform/Win32Util.h"

#include <windows.h>
#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

namespace divuzo {

bool CFileVersionInfo::Create() {
  const std::filesystem::path exe = ProgramFilePath();
  if (exe.empty())
    return Fail("cannot find the program's own file: " + Win32ErrorText(GetLastError()));
  return Create(exe);
}

bool CFileVersionInfo::Create(const std::filesystem::path& file) {
  Reset();
  lastError_.clear();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0)
    return Fail(Utf8FromPath(file) + " has no version resource (" + Win32ErrorText(GetLastError()) +
                ")");
  std::vector<unsigned char> buffer;
  try {
    buffer.resize(size);
  } catch (const std::bad_alloc&) {
    return Fail("no memory for the version resource of " + Utf8FromPath(file));
  }
  if (!GetFileVersionInfoW(file.c_str(), 0, size, buffer.data()))
    return Fail("cannot read the version resource of " + Utf8FromPath(file) + ": " +
                Win32ErrorText(GetLastError()));

  void* value = nullptr;
  UINT length = 0;
  // A fixed block of another size is ignored.
  if (VerQueryValueW(buffer.data(), L"\\", &value, &length) && length == kFixedBlockSize)
    std::memcpy(fixed_.data(), value, kFixedBlockSize);

  if (!VerQueryValueW(buffer.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4)
    return true;
  std::vector<std::uint32_t> entries(length / 4);
  std::memcpy(entries.data(), value, entries.size() * 4);
  const std::uint16_t user = userLanguage_ ? *userLanguage_ : UserDefaultLanguageId();
  chosen_ = ChooseTranslation(entries.data(), entries.size(), user);
  if (!chosen_) return true;

  wchar_t prefix[32];
  std::swprintf(prefix, 32, L"\\StringFileInfo\\%04X%04X\\",
                static_cast<unsigned>(*chosen_ & 0xFFFF), static_cast<unsigned>(*chosen_ >> 16));
  for (std::size_t i = 0; i < texts_.size(); ++i) {
    const std::wstring query =
        prefix + std::wstring(kStringNames[i].begin(), kStringNames[i].end());
    if (!VerQueryValueW(buffer.data(), query.c_str(), &value, &length) || length == 0) continue;
    const auto* text = static_cast<const wchar_t*>(value);
    texts_[i] = Utf8FromWide(std::wstring_view(text, wcsnlen(text, length)));
  }
  return true;
}

std::uint16_t CFileVersionInfo::UserDefaultLanguageId() {
  return GetUserDefaultLangID();
}

}  // namespace divuzo
