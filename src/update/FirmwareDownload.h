#pragma once
// The firmware download page's logic (the page without its window): its own file check, its
// download worker, the busy flag that the main window's close request reads, and the
// Bluetooth address steps with their private port that the update worker borrows.
#include "update/BtAddress.h"
#include "update/UpdateFlow.h"

#include <atomic>
#include <string>

namespace divuzo {

// Result of the Download button's file check.
struct FirmwareFileCheck {
  int messageTextId = 0;     // 0: go on; 412 no file chosen; 415 file refused (caption 300)
  std::string imageFolder;
  std::string tempImagePath; // payload file written (only when messageTextId is 0)
  std::string detail;        // short English reason for a refusal
};

enum class FirmwareDownloadOutcome {
  Completed,     // text 411
  Failed,        // text 447
  PortUnusable,  // text 413: the private port could not be opened, no download took place
};

// The flashing itself uses FlashDownload with AgentFamily::AllInOne ("MTK_AllInOne_DA_*" agents).
class FirmwareDownload {
public:
  // Page initialisation: the private port from the link settings.
  void Initialise();

  // Download button, steps 1-2: no path -> 412; tagged form only, CRC of the payload, payload
  // written to "Raded_FW_Temp.bin" beside the image; wrong CRC or unreadable file -> 415.
  FirmwareFileCheck CheckFile(const std::string& imagePath);

  // Marks the page busy; false when a download is already running.
  bool TryBeginDownload();
  // Read by the main window's close request: a download is running.
  bool IsBusy() const { return busy.load() != 0; }

  // The page's worker: address save (every kind), download, address restore, texts 411/447
  // or 413, temporary image deleted, busy cleared, port usable set back to 1. `job.btAddress`
  // is ignored: the page uses its own keeper. The caller prepared the flashing and called
  // TryBeginDownload; the private port is re-read from the link settings first.
  FirmwareDownloadOutcome RunWorker(UpdateJob& job, UpdateObserver& observer);

  BtAddressKeeper btAddress;
  std::atomic<int> busy{0};
};

// The program's instance.
extern FirmwareDownload theFirmwareDownload;

} // namespace divuzo
