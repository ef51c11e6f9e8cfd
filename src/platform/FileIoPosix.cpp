#include "platform/FileIo.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace divuzo {

int OpenExistingFile(const std::filesystem::path& path, FileAccess access) {
  const int mode = access == FileAccess::ReadWrite ? O_RDWR : access == FileAccess::Write ? O_WRONLY : O_RDONLY;
  return ::open(path.c_str(), mode | O_CLOEXEC);
}

std::FILE* OpenFileStream(const std::filesystem::path& path, const char* mode) {
  return std::fopen(path.c_str(), (std::string(mode) + "e").c_str());
}

bool FileModificationTime(const std::filesystem::path& path, std::time_t& out) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  out = info.st_mtime;
  return true;
}

bool SyncFile(int fd) { return ::fsync(fd) == 0; }

bool RemoveFile(const std::filesystem::path& path) { return ::unlink(path.c_str()) == 0; }

std::string TempFolderPath() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = tmp && tmp[0] == '/' ? tmp : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string MakePrivateTempFolder(const std::string& prefix) {
  // mkdtemp makes the folder with mode 0700 and never reuses an existing one.
  std::string pattern = JoinPath(TempFolderPath(), prefix + "XXXXXX");
  return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

bool RemoveEmptyFolder(const std::filesystem::path& path) { return ::rmdir(path.c_str()) == 0; }

std::size_t FileNameStart(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

std::string FolderOfPath(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool ReadLine(std::FILE* file, std::string& line) {
  char* buffer = nullptr;
  size_t capacity = 0;
  const ssize_t n = ::getline(&buffer, &capacity, file);
  const int err = errno;
  if (n >= 0) line.assign(buffer, static_cast<std::size_t>(n));
  std::free(buffer);
  errno = err;
  return n >= 0;
}

} // namespace divuzo
