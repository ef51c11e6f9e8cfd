#pragma once
// GPS-tagged copies of photos. The copy is the photo with one more IFD0 entry (the GPS directory
// pointer, in tag order) and a 206-byte GPS directory inserted where IFD1 used to start; every
// offset behind the two insertions moves with them. Both insertions are whole TIFF words, so
// offsets that were even stay even. Only photos whose maker note this program can relocate
// (Make "Canon" or "SONY") are copied. The original is never changed.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace divuzo {

// The track point that a photo was matched to.
struct GpsFix {
  double latitude = 0;   // degrees, north positive
  double longitude = 0;  // degrees, east positive
  double height = 0;     // metres
  std::int64_t time = 0; // UTC seconds since 1970
};

enum class GpsPhotoStatus {
  Written,       // the copy exists
  MakerRefused,  // the camera maker is not one whose maker note can be relocated
  Failed,        // the photo could not be read or copied; `message` says why
};

struct GpsPhotoResult {
  GpsPhotoStatus status = GpsPhotoStatus::Failed;
  std::string message;
  std::filesystem::path output;  // the copy, when written
};

// Entry count, nine entries, the next-directory offset (0) and 92 bytes of values (the date
// stamp's 11 bytes padded to 12, so the directory ends on an even offset).
inline constexpr std::size_t kGpsDirectorySize = 206;

// Builds the copy's bytes from the photo's bytes into `out` (empty unless Written).
GpsPhotoResult BuildGpsPhoto(const std::uint8_t* data, std::size_t size, const GpsFix& fix,
                             std::vector<std::uint8_t>& out);

// Writes the copy as "GPS/<photo's file name>" beside the photo, creating the folder when
// missing. The copy is written to a temporary file and renamed, so it is whole or absent. When no
// copy is written, an empty "GPS" folder is removed.
GpsPhotoResult WriteGpsPhoto(const std::filesystem::path& photo, const GpsFix& fix);

// Many copies at once: each is staged in a temporary file beside its target; Commit flushes the
// file system once, then renames every staged copy into place (one disk flush for the whole
// batch instead of two per photo). Staged copies that are never committed are removed.
class GpsPhotoBatch {
public:
  GpsPhotoBatch() = default;
  ~GpsPhotoBatch();
  GpsPhotoBatch(const GpsPhotoBatch&) = delete;
  GpsPhotoBatch& operator=(const GpsPhotoBatch&) = delete;

  // Builds and stages the copy. Written means staged: the copy appears at `output` on Commit.
  GpsPhotoResult Add(const std::filesystem::path& photo, const GpsFix& fix);
  // Publishes every staged copy; returns the failures (their `output` names the copy).
  std::vector<GpsPhotoResult> Commit();
  // Removes every staged copy.
  void Discard();

private:
  struct Staged {
    std::filesystem::path temp, target;
  };
  std::vector<Staged> staged_;
  std::vector<std::filesystem::path> folders_;
};

// The folder that receives the copies of the photos in `photoFolder`.
std::filesystem::path GpsFolderFor(const std::filesystem::path& photoFolder);

} // namespace divuzo
