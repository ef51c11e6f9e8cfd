// Opening named input on Windows: the file is opened with the system's own call, so that its
// kind can be told before any byte is read (a folder, a device such as COM1 or NUL, a pipe), and
// only a regular file on a disk is taken. Opening does not wait on any of them.
#include "platform/InputFile.h"

#include "platform/Utf8Path.h"
#include "platform/Win32Util.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <cstring>

namespace divuzo {

InputFile::InputFile(const std::filesystem::path& path, bool followLinks) : path_(path) {
  // Backup semantics: a folder opens too, so that it is named as such below.
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    // In the C library's words, as on Linux ("No such file or directory").
    Fail(Status::CannotOpen, "cannot open " + Utf8FromPath(path) + ": " +
                                 std::strerror(ErrnoFromWin32(GetLastError())));
    return;
  }
  const DWORD type = GetFileType(handle);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = type == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info);
  std::string refusal;
  if (type == FILE_TYPE_CHAR)
    refusal = " is a character device, not a regular file";
  else if (type == FILE_TYPE_PIPE)
    refusal = " is a pipe, not a regular file";
  else if (!known)
    refusal = " is not a regular file";
  else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    refusal = " is a folder, not a regular file";
  else if (!followLinks && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    refusal = " is a symbolic link";
  if (!refusal.empty()) {
    CloseHandle(handle);
    Fail(Status::NotRegular, Utf8FromPath(path) + refusal);
    return;
  }
  fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd_ < 0) {
    CloseHandle(handle);
    Fail(Status::CannotOpen, "cannot open " + Utf8FromPath(path) + ": too many open files");
    return;
  }
  size_ = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  status_ = Status::Ok;
}

}  // namespace divuzo
