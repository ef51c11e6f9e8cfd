#include "serial/DeviceIdentity.h"

#include "app/UtilityManager.h"
#include "serial/Sentence.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace divuzo {

namespace {

constexpr const char* kKindNames[kDeviceKindCount] = {
    " ", "TR-390", "TR-400", "T-410", "ZID300", "T-2000C", "T-2000C", "ZID310", "ZID-Tonic1"};

struct ModelReply {
  const char* prefix;
  int kind;
};

// Checked in this order; a reply matches when it begins with the text.
constexpr ModelReply kModelReplies[] = {
    {"$PPLM852,TR550", 4}, {"$PPLM852,TR470", 4}, {"$PPLM852,T2000C", 6}, {"$PPLM852,T2200", 5},
    {"$PPLM852,TR410", 3}, {"$PPLM852,ZID310", 7}, {"$PPLM852,KTRTONIC", 8},
};

// An answer that counts: present, not "Not Connected", and a whole sentence.
bool Answered(const char* reply) {
  return reply && !IsNotConnected(reply) && IsCompleteReply(reply, 256);
}

// The version field of a reply: three characters after the maker sentence's head.
std::string CutVersionField(const char* reply, bool loggerFamily) {
  std::string copy(reply);
  char* found = loggerFamily ? FindRadedAck(copy.data()) : FindPlmReply(copy.data(), 0);
  const char* field = ReplyField(found, loggerFamily ? 12 : 9, 3);
  return field ? std::string(field) : std::string();
}

} // namespace

const char* DeviceKindName(int kind) {
  return kind >= 0 && kind < kDeviceKindCount ? kKindNames[kind] : "";
}

int DeviceKindFromModelReply(const char* reply) {
  if (!reply) return 0;
  for (const auto& m : kModelReplies)
    if (std::strncmp(reply, m.prefix, std::strlen(m.prefix)) == 0) return m.kind;
  return 0;
}

std::string FirmwareVersionText(const std::string& digits) {
  char text[32];
  std::snprintf(text, sizeof text, "V%1.2f", std::atoi(digits.c_str()) / 100.0);
  return text;
}

std::string HardwareVersionText(const std::string& field, bool loggerFamily) {
  std::string f = field;
  if (loggerFamily && f.compare(0, 2, "C1") == 0) f.replace(0, 2, "01");
  if (!f.empty()) f.pop_back();
  return "V" + f;
}

void DisconnectDevice(DeviceProtocol& protocol, HeartbeatControl* heartbeat) {
  SerialPort& channel = protocol.Channel();
  if (!channel.IsOpen()) return;
  if (heartbeat) heartbeat->SetHeartbeat(false);
  std::this_thread::sleep_for(std::chrono::milliseconds(protocol.Timing().disconnectPauseMs));
  protocol.SendRadedCommand(2);
  channel.Close();
}

IdentifyResult IdentifyDevice(DeviceProtocol& protocol, const std::string& portEntry, int rateIndex,
                              const IdentifyHooks& hooks) {
  IdentifyResult result;
  auto status = [&](int id) {
    if (hooks.status) hooks.status(id);
  };
  const LinkTiming& timing = protocol.Timing();
  theUtilityManager.loggerRetryFlag = 0;
  status(kTextTalking);
  protocol.AllocateReceiveBuffer();

  SerialPort& channel = protocol.Channel();
  channel.SelectFromLists(portEntry, rateIndex);
  if (!portOpen.load()) result.portError = channel.LastError();

  int kind = theUtilityManager.deviceKind.load();
  for (int i = 0; i < timing.modelAttempts && !result.modelKnown; ++i) {
    const char* reply = protocol.SendPlmQuery(810);
    if (Answered(reply)) {
      kind = DeviceKindFromModelReply(reply);
      result.modelKnown = true;
    }
  }
  for (int i = 0; i < timing.modelAttempts && !result.modelKnown; ++i) {
    if (Answered(protocol.SendRadedCommand(1))) {
      kind = kLoggerFamilyKind;
      result.modelKnown = true;
    }
  }
  theUtilityManager.deviceKind = kind;
  result.deviceKind = kind;
  result.modelName = DeviceKindName(kind);

  if (kind >= kLoggerFamilyKind && kind < kDeviceKindCount) {
    const bool logger = kind == kLoggerFamilyKind;
    for (int i = 0; i < timing.versionAttempts && !result.firmwareKnown; ++i) {
      const char* reply = logger ? protocol.SendRadedCommand(3) : protocol.SendPlmQuery(829);
      if (Answered(reply)) {
        result.firmwareDigits = CutVersionField(reply, logger);
        result.firmwareText = FirmwareVersionText(result.firmwareDigits);
        result.firmwareKnown = true;
      }
    }
    for (int i = 0; i < timing.versionAttempts && !result.hardwareKnown; ++i) {
      const char* reply = logger ? protocol.SendRadedCommand(7) : protocol.SendPlmQuery(832);
      if (Answered(reply)) {
        result.hardwareText = HardwareVersionText(CutVersionField(reply, logger), logger);
        result.hardwareKnown = true;
      }
    }
  }

  result.ok = result.modelKnown && result.firmwareKnown && result.hardwareKnown;
  DisconnectDevice(protocol, hooks.heartbeat);
  result.statusTextId = result.ok ? kTextDone : kTextTimeout;
  status(result.statusTextId);
  if (hooks.heartbeat) hooks.heartbeat->SetHeartbeat(true);
  return result;
}

} // namespace divuzo
