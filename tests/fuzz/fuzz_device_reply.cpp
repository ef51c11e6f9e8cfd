// Device replies as they come off the line: scanners, field cutters and the value readers
// must stay inside the text whatever the bytes are.
#include "serial/DeviceIdentity.h"
#include "serial/Sentence.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace divuzo;
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  std::vector<char> copy = text;
  for (int kind = 0; kind <= 4; ++kind) {
    copy = text;
    if (char* r = FindPlmReply(copy.data(), kind, copy.size())) {
      IsCompleteReply(r, 256);
      ReplyField(r, 9, 3);
    }
  }
  copy = text;
  if (char* ack = FindRadedAck(copy.data(), copy.size())) {
    std::string field = ReplyField(ack, 12, 3);
    HardwareVersionText(field, true);
    FirmwareVersionText(field);
  }
  copy = text;
  DeviceKindFromModelReply(copy.data());
  LogSettingValue(copy.data(), size % 2 == 0);
  ParseHex(std::string_view(copy.data(), size));
  return 0;
}
