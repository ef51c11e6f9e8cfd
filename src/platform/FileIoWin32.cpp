#include "platform/FileIo.h"

#include "platform/Win32Util.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <cerrno>
#include <random>
#include <windows.h>
#include <direct.h>

namespace divuzo {

int OpenExistingFile(const std::filesystem::path& path, FileAccess access) {
  const int mode = access == FileAccess::ReadWrite ? _O_RDWR
                   : access == FileAccess::Write   ? _O_WRONLY
                                                   : _O_RDONLY;
  return _wopen(path.c_str(), mode | _O_BINARY | _O_NOINHERIT);
}

std::FILE* OpenFileStream(const std::filesystem::path& path, const char* mode) {
  return _wfopen(path.c_str(), WideFromUtf8(mode).c_str());
}

bool FileModificationTime(const std::filesystem::path& path, std::time_t& out) {
  struct _stat64 info {};
  if (_wstat64(path.c_str(), &info) != 0) return false;
  out = static_cast<std::time_t>(info.st_mtime);
  return true;
}

bool SyncFile(int fd) {
  return _commit(fd) == 0;
}

bool RemoveFile(const std::filesystem::path& path) {
  return _wunlink(path.c_str()) == 0;
}

std::string TempFolderPath() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH) return ".";
  std::string folder = Utf8FromWide(std::wstring_view(buffer, n));
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

std::string MakePrivateTempFolder(const std::string& prefix) {
  // The user's temporary folder is already the user's own; the random name keeps two runs
  // apart, and CreateDirectoryW never reuses an existing folder.
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  const std::string folder = TempFolderPath();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix;
    for (int i = 0; i < 6; ++i) name += kChars[random() % (sizeof kChars - 1)];
    const std::string path = JoinPath(folder, name);
    if (CreateDirectoryW(WideFromUtf8(path).c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  errno = EACCES;
  return "";
}

bool RemoveEmptyFolder(const std::filesystem::path& path) {
  return _wrmdir(path.c_str()) == 0;
}

std::size_t FileNameStart(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/:");
  return separator == std::string::npos ? 0 : separator + 1;
}

std::string FolderOfPath(const std::string& path) {
  const std::size_t start = FileNameStart(path);
  if (start == 0) return ".";
  if (path[start - 1] == ':') return path.substr(0, start);  // "C:name": the drive's folder
  const std::string folder = path.substr(0, start - 1);
  // A root keeps its separator: "\\name" -> "\\", "C:\\name" -> "C:\\".
  if (folder.empty() || folder.back() == ':') return path.substr(0, start);
  return folder;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  if (last == '\\' || last == '/' || last == ':') return folder + name;
  return folder + "\\" + name;
}

bool ReadLine(std::FILE* file, std::string& line) {
  line.clear();
  int c;
  while ((c = std::getc(file)) != EOF) {
    line += static_cast<char>(c);
    if (c == '\n') return true;
  }
  return !line.empty() && !std::ferror(file);
}

}  // namespace divuzo
