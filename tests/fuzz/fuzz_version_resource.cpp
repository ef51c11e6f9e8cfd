// Version resources from files are outside bytes: the reader must refuse damage without reading
// past the input.
#include "app/FileVersionInfo.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly `size` bytes, so that any over-read lands outside the allocation.
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size ? size : 1]);
  if (size) std::memcpy(copy.get(), data, size);
  divuzo::CFileVersionInfo info;
  info.SetUserLanguage(size ? static_cast<std::uint16_t>(data[0] | 0x0400) : 0x0411);
  if (info.Create(copy.get(), size)) {
    // Accepted input yields readable fields.
    volatile std::size_t total = info.GetProductName().size() + info.GetComments().size();
    (void)total;
    (void)info.GetProductVersion(3);
  }
  return 0;
}
