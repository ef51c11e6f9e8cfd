#include "update/FlashFailure.h"

#include "update/FlashDownload.h"

namespace divuzo {

namespace {

std::string Folders(const std::vector<std::string>& folders) {
  std::string text;
  for (const std::string& folder : folders) text += (text.empty() ? "" : ", ") + folder;
  return text;
}

int TextOfDownloadStatus(BromStatus status) {
  namespace dl = brom_download;
  switch (status) {
    case dl::kNoBootRom: return kTextNoBootRom;
    case dl::kNoScatter: return kTextNoFlashLayout;
    case dl::kImageTooLarge: return kTextImageTooLargeForFlash;
    case dl::kAgentRefused: return kTextAgentRefused;
    case dl::kAgentFailed: return kTextAgentNotStarted;
    case dl::kPacketRefused: return kTextPacketRefused;
    case dl::kLineLost:
    case dl::kSpeedSwitchFailed: return kTextPortGone;
    case dl::kTimeout: return kTextDeviceStoppedAnswering;
    case dl::kVerifyFailed: return kTextVerifyFailed;
    default: return kTextDownloadFailed;
  }
}

} // namespace

FlashFailureReason ReasonOfFailedFlash(const FlashDownload& flash, const PortError& portError) {
  if (!flash.agentReady) {
    if (flash.agentPath.empty()) {
      const char* pattern = AgentFilePattern(flash.deviceKind, flash.family);
      return {kTextNoAgent, std::string("no download agent ") +
                                (pattern ? pattern : "for this unit") + " in " +
                                Folders(flash.searchFolders)};
    }
    return {kTextAgentUnreadable,
            flash.agentPath + ": " + BromStatusText(flash.agentStatus, true)};
  }
  if (!flash.imageReady)
    return {kTextImageUnreadable,
            flash.tempImagePath + ": " + BromStatusText(flash.imageStatus, true)};
  if (flash.downloadStatus == brom_download::kPortFailed && portError.kind != PortError::Kind::None)
    return {portError.textId != 0 ? portError.textId : kTextPortOther, portError.message};
  return {TextOfDownloadStatus(flash.downloadStatus), BromStatusText(flash.downloadStatus, false)};
}

} // namespace divuzo
