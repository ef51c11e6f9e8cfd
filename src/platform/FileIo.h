#pragma once
// The few file calls whose spelling differs between POSIX and the Windows C runtime (wide file
// names, binary mode, no getline). Descriptors and FILE streams are the C runtime's on both.
#include <cstddef>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

namespace divuzo {

enum class FileAccess { Read, Write, ReadWrite };

// Opens an existing file in binary mode, not inherited by child processes; -1 with errno set.
int OpenExistingFile(const std::filesystem::path& path, FileAccess access = FileAccess::Read);

// fopen with the same guarantees (binary as `mode` says, not inherited); nullptr with errno set.
std::FILE* OpenFileStream(const std::filesystem::path& path, const char* mode);

// Puts what was written to `fd` on the disk (fsync); false with errno set.
bool SyncFile(int fd);

// When the file at `path` was last changed; false with errno set.
bool FileModificationTime(const std::filesystem::path& path, std::time_t& out);

// Deletes a file; false with errno set (ENOENT when there was none).
bool RemoveFile(const std::filesystem::path& path);

// The folder for temporary files: $TMPDIR when it is an absolute path, else /tmp; on Windows
// the user's own (GetTempPathW: %TMP%, %TEMP%, ...), without its last separator.
std::string TempFolderPath();
// Makes a new folder in TempFolderPath() that only this user can enter, named `prefix` and six
// random characters; its path, or empty with errno set.
std::string MakePrivateTempFolder(const std::string& prefix);
// Removes an empty folder; false with errno set.
bool RemoveEmptyFolder(const std::filesystem::path& path);

// Paths as text: the folder separator is '/' on Linux; on Windows '\\' and '/' both are, and a
// drive ("C:") ends a folder too.
// Where the file name starts in `path` (0 when it has no folder part).
std::size_t FileNameStart(const std::string& path);
// The folder part of `path` without its last separator ("." when there is none; a root keeps its
// separator: "/", "C:\\").
std::string FolderOfPath(const std::string& path);
// `name` in `folder` (just `name` when the folder is empty).
std::string JoinPath(const std::string& folder, const std::string& name);

// One line of `file` with its line end (if any) into `line`; false at end of file or on a read
// error (tell them apart with ferror).
bool ReadLine(std::FILE* file, std::string& line);

} // namespace divuzo
