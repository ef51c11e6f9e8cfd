#include "ScratchRegistry.h"

#ifdef _WIN32
#include <stdexcept>
#include <string>
#include <windows.h>
#endif

namespace divuzo::test {

#ifdef _WIN32

namespace {
const std::wstring kScratch = L"Software\\DIVUZOvuzov test scratch " + std::to_wstring(GetCurrentProcessId());
}

ScratchCurrentUser::ScratchCurrentUser() {
  HKEY key = nullptr;
  RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str());
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kScratch.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS ||
      RegOverridePredefKey(HKEY_CURRENT_USER, key) != ERROR_SUCCESS)
    throw std::runtime_error("cannot redirect HKEY_CURRENT_USER for the test");
  key_ = key;
}

ScratchCurrentUser::~ScratchCurrentUser() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(static_cast<HKEY>(key_));
  RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str());
}

#else

ScratchCurrentUser::ScratchCurrentUser() = default;
ScratchCurrentUser::~ScratchCurrentUser() = default;

#endif

} // namespace divuzo::test
