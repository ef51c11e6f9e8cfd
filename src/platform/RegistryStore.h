#pragma once
// Named values under root keys, kept in one small text file per user:
// $XDG_CONFIG_HOME/divuzovuzov/registry.txt (XDG_CONFIG_HOME defaults to ~/.config).
//
// Keys are backslash paths below a root key ("Software\\Maker\\Tool"; "" is the root itself),
// compared without regard to ASCII case. Values are typed: REG_SZ text or REG_DWORD numbers.
// Every change rewrites the file atomically (temporary file in the same folder, fsync, rename,
// fsync of the folder) under an advisory lock, so a crash or power loss mid-write leaves either
// the old or the new file, and two processes do not lose each other's changes.
//
// Failures return false and leave a Windows-style code (and a message for people) in the
// calling thread's last-error value.
//
// File format: a first line "DIVUZOvuzov registry 1", then one section per key, the key path
// quoted (absent for the root key itself), and its values:
//   [HKEY_CURRENT_USER "Software\\Maker"]
//   "Name"=sz:"text; \\ \" \n \r \t and \xHH are escapes, other UTF-8 stays as it is"
//   "Count"=dword:0000002a
//   "Blob"=hex:01,02,ff
// Blank lines and lines starting with ';' are ignored.
//
// On Windows (RegistryStoreWin32.cpp) the values live in the system registry itself, with the
// same calls and the same last-error codes; the file arguments and paths are not used there.
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace divuzo {

using RegRoot = std::uint32_t;
inline constexpr RegRoot HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr RegRoot HKEY_CURRENT_USER = 0x80000001u;
inline constexpr RegRoot HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr RegRoot HKEY_USERS = 0x80000003u;
inline constexpr RegRoot HKEY_CURRENT_CONFIG = 0x80000005u;

inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;

// Codes left in the thread's last-error value.
inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;   // no such key or value
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;    // the store file or folder is not accessible
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;   // unknown root key
inline constexpr std::uint32_t ERROR_INVALID_DATA = 13;    // value of another type than asked for
inline constexpr std::uint32_t ERROR_WRITE_FAULT = 29;     // the store could not be written
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::uint32_t ERROR_DISK_FULL = 112;
inline constexpr std::uint32_t ERROR_BAD_PATHNAME = 161;   // empty component in a key path
inline constexpr std::uint32_t ERROR_MORE_DATA = 234;      // value larger than the caller's buffer
inline constexpr std::uint32_t ERROR_BADDB = 1009;         // the store file is damaged
inline constexpr std::uint32_t ERROR_CANTREAD = 1012;      // the store file could not be read
inline constexpr std::uint32_t ERROR_CANTWRITE = 1013;

// The calling thread's last registry error (ERROR_SUCCESS after a successful call) and its message.
std::uint32_t GetLastRegistryError();
const std::string& GetLastRegistryMessage();
// Records a code (and message) for the calling thread; used by callers that add their own checks.
void SetLastRegistryError(std::uint32_t code, std::string message = {});

struct RegValue {
  std::uint32_t type = REG_NONE;
  std::string text;         // REG_SZ (without a terminating zero); REG_BINARY bytes
  std::uint32_t number = 0; // REG_DWORD
};

class RegistryStore {
public:
  // A store in `file`; an empty path means the per-user file, found anew on every call so that
  // the environment (XDG_CONFIG_HOME, HOME) decides.
  explicit RegistryStore(std::filesystem::path file = {});

  // The per-user store every Tool uses unless given another.
  static RegistryStore& Default();
  // $XDG_CONFIG_HOME/divuzovuzov/registry.txt, or ~/.config/divuzovuzov/registry.txt.
  static std::filesystem::path DefaultPath();
  std::filesystem::path Path() const;

  // True when the key exists (ERROR_FILE_NOT_FOUND otherwise). The root key always exists.
  bool OpenKey(RegRoot root, std::string_view key);
  // Creates the key and its parents when missing.
  bool CreateKey(RegRoot root, std::string_view key);
  bool QueryValue(RegRoot root, std::string_view key, std::string_view name, RegValue& value);
  // Creates the key when missing, then sets the value.
  bool SetValue(RegRoot root, std::string_view key, std::string_view name, const RegValue& value);
  bool DeleteValue(RegRoot root, std::string_view key, std::string_view name);

private:
  std::filesystem::path file_;
  std::mutex mutex_; // one change at a time within the process; a file lock covers other processes
};

} // namespace divuzo
