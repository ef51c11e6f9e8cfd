#pragma once
// Identification for the update tests, kept apart from the flashing headers.
#include <string>

namespace divuzo {

struct IdentifiedDevice {
  bool ok = false;
  int kind = 0;
  std::string modelName;
  std::string firmwareDigits;
};

// Identifies the device on `port` with the serial layer's Connect step.
IdentifiedDevice IdentifyForTest(const std::string& port);

} // namespace divuzo
