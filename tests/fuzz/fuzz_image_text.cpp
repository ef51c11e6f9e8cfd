// The text parsers of the update: product tokens, version fields, file-name tags, the
// device's Bluetooth address reply and the stored address text.
#include "update/BtAddress.h"
#include "update/ImageFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)divuzo::NormaliseProductToken(text);
  (void)divuzo::ImageVersionNumber(text);
  if (divuzo::DeviceVersionNumber(text) < 0) std::abort();
  (void)divuzo::HasImageTag(text);
  if (auto reply = divuzo::ParseBtAddressReply(text)) {
    // Whatever was read must survive the registry text round trip.
    divuzo::BtAddress back{};
    if (!divuzo::ParseBtAddressText(divuzo::FormatBtAddressText(*reply), back) || back != *reply)
      std::abort();
  }
  divuzo::BtAddress stored{};
  (void)divuzo::ParseBtAddressText(text, stored);
  return 0;
}
