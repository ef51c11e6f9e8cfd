#include "UpdateFlowIdentify.h"

#include "serial/DeviceIdentity.h"

namespace divuzo {

IdentifiedDevice IdentifyForTest(const std::string& port) {
  SerialPort channel;
  DeviceProtocol protocol(channel);
  const IdentifyResult r = IdentifyDevice(protocol, port, -1);
  return {r.ok, r.deviceKind, r.modelName, r.firmwareDigits};
}

} // namespace divuzo
