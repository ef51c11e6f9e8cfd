#include "serial/DeviceIdentity.h"

#include "serial/DeviceProtocol.h"
#include "serial/DeviceSession.h"
#include "serial/Sentence.h"

#include <cstdio>
#include <cstdlib>

namespace divuzo {

namespace {

// An answer that counts: present, not "Not Connected", and a whole sentence.
bool Answered(const char* reply) {
  return reply && !IsNotConnected(reply) && IsCompleteReply(reply, 256);
}

} // namespace

std::string CutVersionField(const char* reply, bool loggerFamily) {
  if (!reply) return {};
  std::string copy(reply);
  char* found = loggerFamily ? FindRadedAck(copy.data()) : FindPlmReply(copy.data(), 0);
  const char* field = ReplyField(found, loggerFamily ? 12 : 9, 3);
  return field ? std::string(field) : std::string();
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

void DisconnectDevice(DeviceSession& session) {
  if (!session.IsOpen()) return;
  // The pause exists so that the heartbeat's cycle is over before the line is released;
  // without a heartbeat there is nothing to wait for.
  if (session.heartbeat) session.heartbeat->StopAndWait(session.timing.disconnectPauseMs, session.Clock());
  session.Protocol().SendRadedCommand(maker_command::kGoodbye);
  session.Close();
}

IdentifyResult IdentifyDevice(DeviceSession& session, const std::string& portEntry, int rateIndex) {
  IdentifyResult result;
  DeviceProtocol& protocol = session.Protocol();
  const LinkTiming& timing = session.timing;
  session.exchangeFinished = 0;
  session.Report(Progress::Stage(kTextTalking));
  protocol.AllocateReceiveBuffer();

  session.SelectFromLists(portEntry, rateIndex);
  if (!session.portOpen.load()) result.portError = session.LastError();
  // Attempts stop early on a cancel; what was sent so far is still followed by the goodbye.
  auto more = [&] { return !session.cancel.Cancelled(); };

  DeviceKind kind = session.device.kind;
  for (int i = 0; i < timing.modelAttempts && !result.modelKnown && more(); ++i) {
    const char* reply = protocol.SendPlmQuery(plm_query::kModel);
    if (Answered(reply)) {
      kind = DeviceKindFromModelReply(reply);
      result.modelKnown = true;
    }
  }
  for (int i = 0; i < timing.modelAttempts && !result.modelKnown && more(); ++i) {
    if (Answered(protocol.SendRadedCommand(maker_command::kPresenceProbe))) {
      kind = DeviceKind::T410;
      result.modelKnown = true;
    }
  }
  result.deviceKind = kind;
  result.modelName = DeviceKindName(kind);

  const DeviceFamily family = KindInfo(kind).family;
  if (family != DeviceFamily::None) {
    const bool logger = family == DeviceFamily::Logger;
    for (int i = 0; i < timing.versionAttempts && !result.firmwareKnown && more(); ++i) {
      const char* reply = logger ? protocol.SendRadedCommand(maker_command::kFirmwareVersion)
                                 : protocol.SendPlmQuery(plm_query::kFirmwareVersion);
      if (Answered(reply)) {
        result.firmwareDigits = CutVersionField(reply, logger);
        result.firmwareText = FirmwareVersionText(result.firmwareDigits);
        result.firmwareKnown = true;
      }
    }
    for (int i = 0; i < timing.versionAttempts && !result.hardwareKnown && more(); ++i) {
      const char* reply = logger ? protocol.SendRadedCommand(maker_command::kHardwareVersion)
                                 : protocol.SendPlmQuery(plm_query::kHardwareVersion);
      if (Answered(reply)) {
        result.hardwareText = HardwareVersionText(CutVersionField(reply, logger), logger);
        result.hardwareKnown = true;
      }
    }
  }

  // What was learnt is kept for the image check; what was not keeps its earlier value.
  session.device.kind = kind;
  session.device.forced = false;
  if (result.modelKnown) session.device.modelName = result.modelName;
  if (result.firmwareKnown) session.device.firmwareDigits = result.firmwareDigits;
  if (result.hardwareKnown) session.device.hardwareText = result.hardwareText;

  result.ok = result.modelKnown && result.firmwareKnown && result.hardwareKnown;
  const bool cancelled = session.cancel.Cancelled();
  const bool lost = session.portOpen.load() && !session.IsOpen();
  DisconnectDevice(session);
  if (result.ok)
    result.status = Status::Success(kTextReadDone);
  else if (result.portError.kind != PortError::Kind::None)
    result.status = Status::Failure(StatusCode::PortUnusable, kTextTimeout, result.portError.message);
  else if (cancelled)
    result.status = Status::Failure(StatusCode::Cancelled, kTextTimeout, "identification cancelled");
  else if (lost)
    result.status = Status::Failure(StatusCode::LineLost, kTextTimeout, "the line went away");
  else
    result.status = Status::Failure(StatusCode::NoAnswer, kTextTimeout, "the device did not answer");
  session.Report(Progress::Stage(result.status.textId));
  if (session.heartbeat) session.heartbeat->SetHeartbeat(true);
  return result;
}

} // namespace divuzo
