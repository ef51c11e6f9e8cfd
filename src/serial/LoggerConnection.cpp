#include "serial/LoggerConnection.h"

#include "app/TextArgs.h"
#include "platform/Trace.h"
#include "serial/DeviceIdentity.h"
#include "serial/DeviceProtocol.h"
#include "serial/DeviceSession.h"
#include "serial/LoggerProtocol.h"
#include "serial/Sentence.h"

namespace divuzo {

namespace {

constexpr int kUsedEndAttempts = 2;       // at connection, each an exchange with retries
constexpr int kEraseSends = 2;            // erase commands of one clear
constexpr int kClearUsedEndAttempts = 3;  // used-end queries after an erase

bool Answered(const char* reply) {
  return reply && !IsNotConnected(reply) && IsCompleteReply(reply, 256);
}

// Why a conversation that got no answer ended.
StatusCode SilenceCode(DeviceSession& session, bool wasOpen) {
  if (session.cancel.Cancelled()) return StatusCode::Cancelled;
  if (wasOpen && !session.IsOpen()) return StatusCode::LineLost;
  return StatusCode::NoAnswer;
}

}  // namespace

LoggerConnectResult ConnectLogger(DeviceSession& session, LoggerState& logger,
                                  const std::string& portEntry) {
  LoggerConnectResult result;
  session.exchangeFinished = 0;
  DeviceProtocol& protocol = session.Protocol();
  protocol.AllocateReceiveBuffer();
  if (!session.IsOpen()) {
    session.SelectFromLists(portEntry, -1);
    if (!session.portOpen.load()) {
      result.portError = session.LastError();
      result.status = Status::Failure(StatusCode::PortUnusable, kTextPortFailedLogger,
                                      result.portError.message);
      return result;
    }
    protocol.SendLogCommand(logger_command::kConnect, 0, 0);
    const char* answer = nullptr;
    for (int attempt = 0; attempt < kUsedEndAttempts && !answer && !session.cancel.Cancelled();
         ++attempt) {
      const char* reply =
          protocol.LogExchange(logger_command::kQueryParameter, logger_parameter::kUsedEnd, 0);
      if (Answered(reply)) answer = reply;
    }
    if (!answer) {
      // No used end came: nothing is known of the memory, and the logger does not count as
      // connected. The line is let go so that the next connect starts afresh.
      const StatusCode code = SilenceCode(session, true);
      logger.usedEnd.reset();
      session.Close();
      result.status = Status::Failure(code, kTextReadAddressTimeout,
                                      "the logger did not report its used memory");
      return result;
    }
    logger.usedEnd = static_cast<std::uint32_t>(LogSettingValue(answer, true));
    TraceF("logger: used end 0x%08X\n", static_cast<unsigned>(*logger.usedEnd));
  }
  result.connected = true;
  session.device.kind = DeviceKind::T410;
  session.device.modelName = DeviceKindName(DeviceKind::T410);
  logger.connectedAt = std::time(nullptr);
  result.status = Status::Success();
  return result;
}

LoggerConnectResult ToggleLoggerConnection(DeviceSession& session, LoggerState& logger,
                                           const std::string& portEntry) {
  if (logger.connectMode) {
    LoggerConnectResult result = ConnectLogger(session, logger, portEntry);
    if (session.IsOpen()) logger.connectMode = false;
    return result;
  }
  LoggerConnectResult result;
  DisconnectDevice(session);
  result.connected = session.IsOpen();
  if (!result.connected) logger.connectMode = true;
  result.status = Status::Success();
  return result;
}

LoggerConnectResult ReconnectLogger(DeviceSession& session, LoggerState& logger,
                                    const std::string& portEntry) {
  if (session.IsOpen()) {
    session.Purge();
    session.Reset();
  }
  logger.connectMode = true;
  LoggerConnectResult result = ToggleLoggerConnection(session, logger, portEntry);
  session.SleepMs(session.timing.reconnectPauseMs);
  return result;
}

bool EnterLoggerHighSpeed(DeviceSession& session) {
  if (!session.IsOpen()) return false;
  session.highSpeedLink = 1;
  session.Protocol().SendLogCommand(logger_command::kSetSpeed, static_cast<long>(kHighSpeedBaud),
                                    0);
  // The logger needs this long before it listens at the new speed.
  session.SleepMs(session.timing.speedSwitchPauseMs);
  if (session.ReconfigureHighSpeed()) return true;
  TraceF("logger: the line cannot run at %u baud\n", kHighSpeedBaud);
  RestoreLoggerSpeed(session);
  return false;
}

void RestoreLoggerSpeed(DeviceSession& session) {
  if (session.highSpeedLink.load() != 1) return;
  if (session.IsOpen()) {
    // Said piecewise, at high speed, as the logger listens there.
    session.Protocol().SendLogCommand(logger_command::kSetSpeed,
                                      static_cast<long>(kLoggerNormalBaud), 0);
    session.SleepMs(session.timing.speedRestorePauseMs);
    session.Reconfigure();
  }
  session.highSpeedLink = 0;
}

ClearResult ClearLogMemory(DeviceSession& session, LoggerState& logger) {
  ClearResult result;
  if (!session.IsOpen()) {
    result.status = Status::Failure(StatusCode::PortUnusable, kTextClearNoDevice, "no line open");
    return result;
  }
  DeviceProtocol& protocol = session.Protocol();
  session.Report(Progress::Stage(kTextErasing));
  bool erased = false;
  for (int i = 0; i < kEraseSends && !erased && session.IsOpen() && !session.cancel.Cancelled();
       ++i) {
    const char* ack = protocol.SendLogCommand(logger_command::kErase, 1, 0);
    erased = ack && !IsNotConnected(ack);
  }
  if (!erased) {
    result.status = Status::Failure(SilenceCode(session, true), kTextClearNoAnswer,
                                    "the erase was not acknowledged");
    return result;
  }
  // The memory is empty now, whatever the used end turns out to be.
  logger.usedEnd.reset();
  session.Report(Progress::Stage(kTextReadingFreeMemory));
  for (int i = 0; i < kClearUsedEndAttempts && session.IsOpen(); ++i) {
    const char* reply =
        protocol.SendLogCommand(logger_command::kQueryParameter, logger_parameter::kUsedEnd, 0);
    session.SleepMs(session.timing.clearQueryPauseMs);
    if (!Answered(reply)) continue;
    const auto end = static_cast<std::uint32_t>(LogSettingValue(reply, true));
    logger.usedEnd = end;
    result.freeRecords = logger.freeRecords = FreeRecords(end);
    result.status = Status::Success(kTextCleared);
    return result;
  }
  logger.freeRecords = -1;
  result.status = Status::Success(kTextClearedFreeUnknown);
  return result;
}

std::string ClearResultText(const ClearResult& result) {
  return TextWithArgs(result.status.textId, {std::to_string(result.freeRecords)});
}

}  // namespace divuzo
