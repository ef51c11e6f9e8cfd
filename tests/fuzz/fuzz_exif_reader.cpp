// Any bytes as a photo: reading the taking time must never read outside the data or crash.
#include "trackdata/ExifReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const divuzo::PhotoTimeResult result = divuzo::ReadPhotoTimeFromBytes(data, size, 9);
  if (result.ok == !result.message.empty()) __builtin_trap();  // a time or a reason, never both
  return 0;
}
