// Any bytes as a photo to copy with GPS tags. A copy that is made must be a photo whose EXIF
// block still reads: the copier may refuse input, never write past its data or crash.
#include "trackdata/ExifGpsWriter.h"
#include "trackdata/ExifReader.h"
#include "trackdata/ExifTiff.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const divuzo::GpsFix fix{-33.85678, 151.21529, -12.5, 1333361700};
  std::vector<std::uint8_t> copy;
  const divuzo::GpsPhotoResult result = divuzo::BuildGpsPhoto(data, size, fix, copy);
  if (result.status != divuzo::GpsPhotoStatus::Written) {
    if (!copy.empty()) __builtin_trap();
    return 0;
  }
  // The directory, perhaps a pad byte in front of it, perhaps one more IFD0 entry.
  constexpr std::size_t kDirectory = divuzo::kGpsDirectorySize;
  const std::size_t growth = copy.size() >= size ? copy.size() - size : 0;
  if (growth != kDirectory && growth != kDirectory + 1 && growth != kDirectory + 12 &&
      growth != kDirectory + 13) {
    __builtin_trap();
  }
  // The copy's own structure must hold: its EXIF block is found and its IFD0 reads.
  divuzo::exif::ExifLocation location;
  divuzo::exif::TiffView tiff;
  divuzo::exif::Ifd directory;
  if (!divuzo::exif::OpenFirstIfd(copy.data(), copy.size(), location, tiff, directory) ||
      directory.Find(divuzo::exif::kTagGpsPointer) == nullptr) {
    __builtin_trap();
  }
  // And the copy can be copied again.
  std::vector<std::uint8_t> again;
  divuzo::BuildGpsPhoto(copy.data(), copy.size(), fix, again);
  return 0;
}
