// Creating, syncing and renaming for atomic replacement on Windows. The temporary is opened with
// FILE_SHARE_DELETE so that it can be renamed over the target while its descriptor is still open
// (PublishTemp is called before the caller closes it); MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH replaces the target in one step.
#include "platform/AtomicFile.h"

#include "platform/Win32Util.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <cerrno>
#include <random>

namespace divuzo {

namespace {

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

// Sets errno from the calling thread's last Windows error and returns it.
int ErrnoFromLastError() {
  errno = ErrnoFromWin32(GetLastError());
  return errno;
}

bool MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  ErrnoFromLastError();
  return false;
}

// Writes the file's buffered data to the disk; false with errno set.
bool FlushHandle(HANDLE handle) {
  if (FlushFileBuffers(handle)) return true;
  ErrnoFromLastError();
  return false;
}

bool IsOurTemporary(const std::string& name) {
  return name.size() > 1 && name.front() == '.' && name.find(".tmp-") != std::string::npos;
}

}  // namespace

int CreateTempBeside(
    const std::filesystem::path& target, std::filesystem::path& tempPath, std::string* error,
    int /*mode: Windows keeps per-user files private through the folder's access list*/) {
  const std::filesystem::path folder =
      target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = TempNamePrefix(target);
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    const std::filesystem::path candidate = folder / WideFromUtf8(name);
    HANDLE handle = CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      const int err = ErrnoFromLastError();
      SetError(error, SystemErrorText("cannot create a file in", folder, err));
      errno = err;
      return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (fd < 0) {
      CloseHandle(handle);
      DeleteFileW(candidate.c_str());
      SetError(error, SystemErrorText("cannot create a file in", folder, EMFILE));
      errno = EMFILE;
      return -1;
    }
    tempPath = candidate;
    return fd;
  }
  SetError(error, SystemErrorText("cannot create a file in", folder, EEXIST));
  errno = EEXIST;
  return -1;
}

bool PublishTemp(int fd, const std::filesystem::path& tempPath, const std::filesystem::path& target,
                 std::string* error) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)) {
    const int err = handle == INVALID_HANDLE_VALUE ? EBADF : ErrnoFromLastError();
    SetError(error, SystemErrorText("cannot write", target, err));
    DeleteFileW(tempPath.c_str());
    errno = err;
    return false;
  }
  if (!MoveReplacing(tempPath, target)) {
    const int err = errno;
    SetError(error, SystemErrorText("cannot replace", target, err));
    DeleteFileW(tempPath.c_str());
    errno = err;
    return false;
  }
  return true;
}

bool SyncFolder(const std::filesystem::path&) {
  // Windows has no folder sync: NTFS journals the rename itself, and MoveFileExW was asked to
  // write through.
  return true;
}

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return MoveReplacing(from, to);
}

bool SyncFilesIn(const std::filesystem::path& folder) {
  // Windows cannot flush a whole volume without administrator rights: flush each temporary
  // written beside a target in this folder instead.
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end;
       !ec && it != end; it.increment(ec)) {
    if (!IsOurTemporary(Utf8FromWide(it->path().filename().native()))) continue;
    HANDLE handle = CreateFileW(it->path().c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      ErrnoFromLastError();
      return false;
    }
    const bool flushed = FlushHandle(handle);
    const int err = errno;
    CloseHandle(handle);
    errno = err;
    if (!flushed) return false;
  }
  if (ec) {
    errno = ec.category() == std::generic_category()
                ? ec.value()
                : ErrnoFromWin32(static_cast<unsigned long>(ec.value()));
    return false;
  }
  return true;
}

}  // namespace divuzo
