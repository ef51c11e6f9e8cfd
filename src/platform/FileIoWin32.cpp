#include "platform/FileIo.h"

#include "platform/Win32Util.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <cerrno>

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
