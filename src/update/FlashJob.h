#pragma once
// One flash of a device, as the update page's Execute, the firmware download page's Download
// and `divuzo update` all run it:
//
//   FlashJob job(session, FlashJob::Flavor::UpdatePage);
//   job.Prepare(tempImagePath);      // user-interface thread: texts 405, progress 0, files loaded
//   Status s = job.Run();            // worker thread: blocks until the end
//
// Run, update page (Execute):
//   1. save the Bluetooth address (kinds that keep one)   2. pause
//   3. flash download                                       4. stage text 410
//   5. pause   6. restore the Bluetooth address              7. pause
//   8. release the flashing context
//   9. success: close the channel; text 411 (kind 4: 446 and warning 453); progress 1000
//  10. failure: close the channel; text 447
//  11. delete the temporary image file
// Run, firmware download page: the address is saved for every kind; a line that cannot be
// opened for it ends the run with text 413 and no download; no pause after the restore; text
// 411 or 447 only.
//
// Everything goes through the session: the lines the steps talk over (opened on the link
// settings' port, one per step, closed after it), the pauses (its clock), the reports (its
// progress sink) and the cancel request. A cancel is honoured up to the image phase of the
// download (text 901); from the moment the image transfer begins, the session turns cancel
// requests down with text 900, because a half-written flash leaves the unit in its boot ROM.
#include "app/Status.h"
#include "update/BtAddress.h"
#include "update/FlashDownload.h"

#include <string>

namespace divuzo {

class DeviceSession;

// Stage and warning text ids of the end of a flash.
inline constexpr int kTextPortFailed = 413;
inline constexpr int kTextWarningKind4 = 453;

class FlashJob {
public:
  enum class Flavor { UpdatePage, FirmwareDownloadPage };

  FlashJob(DeviceSession& session, Flavor flavor);
  FlashJob(const FlashJob&) = delete;
  FlashJob& operator=(const FlashJob&) = delete;

  // Execute's preparation, for the session's device kind: stage 405, progress 0, the agent,
  // the flash layout and the image loaded. Clears an earlier cancel request.
  void Prepare(const std::string& tempImagePath);
  // The worker's steps. Ok with text 411 or 446; Failed with 447; PortUnusable with 413
  // (firmware download page); Cancelled with 901. The temporary image is gone afterwards.
  Status Run();

  // Waits between the steps (2000 ms), on the session's clock.
  int pauseMs = 2000;

  FlashDownload& Flashing() { return flash_; }
  BtAddressKeeper& Addresses() { return addresses_; }

private:
  // Opens a line on the link settings' port for one step; nullptr when it cannot.
  std::unique_ptr<Link> OpenStepLine();
  void Pause();
  Status Finish(Status status);
  Status RunUpdatePage();
  Status RunFirmwareDownloadPage();
  // The download over a line of its own; true when it succeeded. `cancelled` tells whether
  // it stopped on a cancel before the image began.
  bool Download(bool& cancelled);

  // The flashing reports to whatever sink the session has at the time of the report.
  class ToSession : public ProgressSink {
  public:
    explicit ToSession(DeviceSession& session) : session_(session) {}
    void Report(const Progress& p) override;

  private:
    DeviceSession& session_;
  };

  DeviceSession& session_;
  Flavor flavor_;
  ToSession toSession_;
  FlashDownload flash_;
  BtAddressKeeper addresses_;
  std::string tempImagePath_;
};

} // namespace divuzo
