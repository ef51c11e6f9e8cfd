// Bytes from outside the boot-ROM library: the line (frames in any split, garbage, damage),
// agent files and layout files. Decoding must stay inside its buffers whatever they are.
#include "update/BromAgentFile.h"
#include "update/BromScatterFile.h"
#include "update/BromWire.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace divuzo;
  // The line, fed in pieces whose sizes come from the input itself.
  bromwire::Decoder decoder;
  std::size_t at = 0;
  while (at < size) {
    const std::size_t piece = 1 + data[at] % 97;
    const std::size_t take = piece < size - at ? piece : size - at;
    decoder.Feed(data + at, take);
    at += take;
    for (bromwire::Decoder::Event e; (e = decoder.Next()) != bromwire::Decoder::Event::None;) {
      if (e == bromwire::Decoder::Event::Frame && decoder.frame.payload.size() > bromwire::kMaxPayload)
        __builtin_trap();
    }
  }
  AgentFile agent;
  if (DecodeAgentFile(data, size, agent) == brom_load::kOk && agent.body.size() + kAgentHeaderSize != size)
    __builtin_trap();
  std::vector<FlashRegion> regions;
  ParseScatter(std::string_view(reinterpret_cast<const char*>(data), size), regions);
  return 0;
}
