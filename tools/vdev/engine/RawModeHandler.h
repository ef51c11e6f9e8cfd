#pragma once
// A handler for bytes that are not sentences (for example a boot ROM's binary handshake).
#include "engine/DeviceIo.h"

#include <cstddef>
#include <cstdint>

namespace divuzo::vdev {

class RawModeHandler {
public:
  virtual ~RawModeHandler() = default;
  // Called with bytes that cannot be part of a sentence, and afterwards with every chunk
  // while the handler keeps the line. Return true to keep (or take) the line, false to give
  // it back to the sentence parser. The handler consumes the whole chunk.
  virtual bool OnBytes(const std::uint8_t* data, std::size_t size, DeviceIo& io) = 0;
};

} // namespace divuzo::vdev
