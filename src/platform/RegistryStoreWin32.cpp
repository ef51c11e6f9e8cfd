// The store on Windows: the system registry, through its wide-character calls. Texts are the
// program's UTF-8 and are stored as REG_SZ in UTF-16, so that other programs read them as text.
#include "platform/RegistryStore.h"

#include "platform/Trace.h"
#include "platform/Win32Util.h"

#include <windows.h>

namespace divuzo {

namespace {

bool Fail(LSTATUS code, const std::string& what) {
  std::string message = what + ": " + Win32ErrorText(static_cast<unsigned long>(code));
  TraceF("Registry: %s (%ld)\n", message.c_str(), static_cast<long>(code));
  SetLastRegistryError(static_cast<std::uint32_t>(code), std::move(message));
  SetLastError(static_cast<DWORD>(code));
  return false;
}

bool Succeed() {
  SetLastRegistryError(ERROR_SUCCESS);
  SetLastError(ERROR_SUCCESS);
  return true;
}

// The predefined key for a root value: the 32-bit value sign-extended, as Windows defines them.
HKEY RootKey(RegRoot root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

std::string Where(std::string_view key, std::string_view name = {}) {
  std::string where(key);
  if (!name.empty()) where += (where.empty() ? "" : "\\") + std::string(name);
  return "\"" + where + "\"";
}

// An open key that closes itself.
class Key {
 public:
  Key() = default;
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

RegistryStore::RegistryStore(std::filesystem::path file) : file_(std::move(file)) {}

RegistryStore& RegistryStore::Default() {
  static RegistryStore store;
  return store;
}

std::filesystem::path RegistryStore::DefaultPath() {
  return {};
}

std::filesystem::path RegistryStore::Path() const {
  return file_;
}

bool RegistryStore::OpenKey(RegRoot root, std::string_view key) {
  Key k;
  const LSTATUS rc = RegOpenKeyExW(RootKey(root), WideFromUtf8(key).c_str(), 0, KEY_READ, k.out());
  if (rc != ERROR_SUCCESS) return Fail(rc, "cannot open the key " + Where(key));
  return Succeed();
}

bool RegistryStore::CreateKey(RegRoot root, std::string_view key) {
  Key k;
  const LSTATUS rc =
      RegCreateKeyExW(RootKey(root), WideFromUtf8(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, k.out(), nullptr);
  if (rc != ERROR_SUCCESS) return Fail(rc, "cannot create the key " + Where(key));
  return Succeed();
}

bool RegistryStore::QueryValue(RegRoot root, std::string_view key, std::string_view name,
                               RegValue& value) {
  Key k;
  LSTATUS rc = RegOpenKeyExW(RootKey(root), WideFromUtf8(key).c_str(), 0, KEY_QUERY_VALUE, k.out());
  if (rc != ERROR_SUCCESS) return Fail(rc, "cannot open the key " + Where(key));
  const std::wstring wideName = WideFromUtf8(name);
  DWORD type = REG_NONE;
  std::string bytes;
  // The value may change between asking its size and reading it: ask again while it grows.
  for (;;) {
    DWORD size = 0;
    rc = RegQueryValueExW(k.get(), wideName.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return Fail(rc, "cannot read the value " + Where(key, name));
    bytes.assign(size, '\0');
    rc = RegQueryValueExW(k.get(), wideName.c_str(), nullptr, &type,
                          reinterpret_cast<BYTE*>(bytes.data()), &size);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) return Fail(rc, "cannot read the value " + Where(key, name));
    bytes.resize(size);
    break;
  }
  value = RegValue{};
  value.type = type;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::wstring text(bytes.size() / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    // Stored with or without its terminating zero; the text ends at the first zero either way.
    const std::size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    value.text = Utf8FromWide(text);
  } else if (type == REG_DWORD && bytes.size() == 4) {
    value.number = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[0])) |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[1])) << 8 |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2])) << 16 |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3])) << 24;
  } else {
    value.text = std::move(bytes);
  }
  return Succeed();
}

bool RegistryStore::SetValue(RegRoot root, std::string_view key, std::string_view name,
                             const RegValue& value) {
  Key k;
  LSTATUS rc = RegCreateKeyExW(RootKey(root), WideFromUtf8(key).c_str(), 0, nullptr,
                               REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, k.out(), nullptr);
  if (rc != ERROR_SUCCESS) return Fail(rc, "cannot create the key " + Where(key));
  std::string bytes;
  if (value.type == REG_SZ) {
    const std::wstring text = WideFromUtf8(value.text);
    bytes.assign(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
  } else if (value.type == REG_DWORD) {
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value.number >> (8 * i)) & 0xFF);
  } else {
    bytes = value.text;
  }
  rc =
      RegSetValueExW(k.get(), WideFromUtf8(name).c_str(), 0, value.type,
                     reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
  if (rc != ERROR_SUCCESS) return Fail(rc, "cannot write the value " + Where(key, name));
  return Succeed();
}

bool RegistryStore::DeleteValue(RegRoot root, std::string_view key, std::string_view name) {
  Key k;
  LSTATUS rc = RegOpenKeyExW(RootKey(root), WideFromUtf8(key).c_str(), 0, KEY_SET_VALUE, k.out());
  if (rc != ERROR_SUCCESS) return Fail(rc, "cannot open the key " + Where(key));
  rc = RegDeleteValueW(k.get(), WideFromUtf8(name).c_str());
  if (rc != ERROR_SUCCESS) return Fail(rc, "cannot delete the value " + Where(key, name));
  return Succeed();
}

}  // namespace divuzo
