#pragma once
// Replacing a file so that readers see either the old or the complete new contents, never a
// truncated one, even when the process dies or the machine loses power in between: write a
// temporary file in the same folder, flush it to disk, rename it over the target, flush the folder.
#include <filesystem>
#include <string>
#include <string_view>

namespace divuzo {

// Creates an empty temporary file beside `target` (same folder, so the rename stays atomic).
// Returns its descriptor (close-on-exec) and sets `tempPath`; -1 with a message in *error.
// `mode` is applied to the new file (e.g. 0600 for private data); -1 means 0666 less the umask.
int CreateTempBeside(const std::filesystem::path& target, std::filesystem::path& tempPath,
                     std::string* error, int mode = -1);

// File names of the temporaries made for `target` start with this (".name.tmp-").
std::string TempNamePrefix(const std::filesystem::path& target);

// Syncs `fd` (the temporary's descriptor; the caller still closes it), renames `tempPath` onto
// `target` and syncs the folder. On failure the temporary is removed, the target is untouched and
// the call returns false with a message in *error.
bool PublishTemp(int fd, const std::filesystem::path& tempPath, const std::filesystem::path& target,
                 std::string* error);

// The whole sequence for contents already in memory.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string* error = nullptr, int mode = -1);

// Renames `from` over `to`, replacing a file of that name; false with errno set.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Puts on disk the data of every file written in `folder` (for a batch of temporaries that are
// renamed together afterwards); false with errno set.
bool SyncFilesIn(const std::filesystem::path& folder);

// Makes renames in `folder` durable; false when the folder could not be synced.
bool SyncFolder(const std::filesystem::path& folder);

// "<what> <path>: <system message>". The functions above leave errno set when they fail.
std::string SystemErrorText(std::string_view what, const std::filesystem::path& path, int err);

} // namespace divuzo
