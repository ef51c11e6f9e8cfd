// The store on Windows is the system registry: values written through Tool are read back with the
// registry's own calls, and its failures leave the system's codes.
#include "ScratchRegistry.h"
#include "app/Tool.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <cstdint>

using namespace divuzo;

namespace {

// The store's number for the root is the low half of Windows' own predefined handle.
const RegRoot kUser = static_cast<RegRoot>(reinterpret_cast<std::uintptr_t>(HKEY_CURRENT_USER));

constexpr const wchar_t* kTestKey = L"Software\\DIVUZOvuzov tests";
constexpr const char* kTestKeyUtf8 = "Software\\DIVUZOvuzov tests";

// Every test has a current user's key of its own, empty at the start.
class RegistryWin32 : public ::testing::Test {
 protected:
  test::ScratchCurrentUser scratch_;

  // The value as the registry holds it, read with the system's calls.
  static bool RawValue(const wchar_t* key, const wchar_t* name, DWORD& type, std::wstring& bytes) {
    HKEY k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    wchar_t buffer[512] = {};
    DWORD size = sizeof buffer;
    const LSTATUS rc =
        RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(k);
    bytes.assign(buffer, size / sizeof(wchar_t));
    return rc == ERROR_SUCCESS;
  }

  Tool tool_;
};

}  // namespace

TEST_F(RegistryWin32, TextIsStoredAsUtf16WithItsTerminatingZero) {
  ASSERT_TRUE(tool_.WriteRegString(kUser, std::string(kTestKeyUtf8) + "\\Sub\\Owner", "日本 GPS"));
  DWORD type = 0;
  std::wstring stored;
  ASSERT_TRUE(RawValue(L"Software\\DIVUZOvuzov tests\\Sub", L"Owner", type, stored));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored, std::wstring(L"\u65E5\u672C GPS") + L'\0');
  std::string back;
  ASSERT_TRUE(tool_.ReadRegString(kUser, kTestKeyUtf8, "Sub\\Owner", back));
  EXPECT_EQ(back, "日本 GPS");
}

TEST_F(RegistryWin32, NumbersAreDwords) {
  ASSERT_TRUE(tool_.WriteRegDword(kUser, kTestKeyUtf8, "Count", 0x12345678u));
  DWORD type = 0;
  std::wstring stored;
  ASSERT_TRUE(RawValue(kTestKey, L"Count", type, stored));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  std::uint32_t value = 0;
  ASSERT_TRUE(tool_.ReadRegDword(kUser, kTestKeyUtf8, "Count", value));
  EXPECT_EQ(value, 0x12345678u);
}

TEST_F(RegistryWin32, FailuresLeaveTheSystemsCodes) {
  std::string text;
  std::uint32_t number = 0;
  // Neither key nor value.
  SetLastError(0);
  EXPECT_FALSE(tool_.ReadRegString(kUser, kTestKeyUtf8, "Missing", text));
  EXPECT_EQ(GetLastRegistryError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // The key, but not the value.
  ASSERT_TRUE(tool_.WriteRegDword(kUser, kTestKeyUtf8, "Count", 1));
  EXPECT_FALSE(tool_.ReadRegString(kUser, kTestKeyUtf8, "Missing", text));
  EXPECT_EQ(GetLastRegistryError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  // A value of the other type.
  EXPECT_FALSE(tool_.ReadRegString(kUser, kTestKeyUtf8, "Count", text));
  EXPECT_EQ(GetLastRegistryError(), static_cast<std::uint32_t>(ERROR_INVALID_DATA));
  ASSERT_TRUE(tool_.WriteRegString(kUser, kTestKeyUtf8, "Name", "x"));
  EXPECT_FALSE(tool_.ReadRegDword(kUser, kTestKeyUtf8, "Name", number));
  EXPECT_EQ(GetLastRegistryError(), static_cast<std::uint32_t>(ERROR_INVALID_DATA));
  // A text longer than the 255 bytes a read takes.
  ASSERT_TRUE(tool_.WriteRegString(kUser, kTestKeyUtf8, "Long", std::string(300, 'a')));
  EXPECT_FALSE(tool_.ReadRegString(kUser, kTestKeyUtf8, "Long", text));
  EXPECT_EQ(GetLastRegistryError(), static_cast<std::uint32_t>(ERROR_MORE_DATA));
  // A root key that does not exist.
  EXPECT_FALSE(tool_.WriteRegString(0x80000077u, "Software", "x", "y"));
  EXPECT_EQ(GetLastRegistryError(), static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
  // A success clears the code.
  EXPECT_TRUE(tool_.ReadRegDword(kUser, kTestKeyUtf8, "Count", number));
  EXPECT_EQ(GetLastRegistryError(), static_cast<std::uint32_t>(ERROR_SUCCESS));
}

TEST_F(RegistryWin32, BluetoothAddressSitsDirectlyUnderTheCurrentUser) {
  // The address keeper's value has no key part: it lands directly under HKEY_CURRENT_USER.
  ASSERT_TRUE(tool_.WriteRegString(kUser, "T410BTMacAddress", "00:1B:C1:02:03:04"));
  DWORD type = 0;
  std::wstring stored;
  ASSERT_TRUE(RawValue(L"", L"T410BTMacAddress", type, stored));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored, std::wstring(L"00:1B:C1:02:03:04") + L'\0');
}
