// Firmware image files of any content through the whole check: the file is written under a
// tagged name and chosen as the update page would choose it.
#include "update/ImageFile.h"
#include "update/ImageValidation.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-image-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = Folder() + "/FUZZ_V100_PLM.bin";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  const divuzo::ImageCheckResult r = divuzo::SelectImageFile({path, "T-410", "123", false});
  if (r.extracted) {
    // The payload file holds the payload only: never more than the image minus the CRC.
    std::error_code ec;
    const auto written = std::filesystem::file_size(r.tempImagePath, ec);
    if (ec || written + divuzo::kImageCrcSize > size || written > divuzo::kImageMaxPayload) std::abort();
    divuzo::DeleteTempImage(r.tempImagePath);
  } else if (std::filesystem::exists(divuzo::TempImagePathFor(Folder()))) {
    std::abort();  // a refused file leaves no payload file
  }
  if (size >= divuzo::kImageHeaderSize) (void)divuzo::ReadImageHeader(data);
  return 0;
}
