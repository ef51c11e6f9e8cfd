#pragma once
// One flash of a device, as the update page's Execute, the firmware download page's Download
// and `divuzo update` all run it:
//
//   FlashJob job(session, FlashJob::Flavor::UpdatePage);
//   job.confirmAddressRisk = ...;    // asked before flashing when the address cannot be kept
//   job.Prepare(tempImagePath);      // user-interface thread: texts 405, progress 0, files loaded
//   Status s = job.Run();            // worker thread: blocks until the end
//
// Run, update page (Execute):
//   1. save the Bluetooth address (kinds that keep one); when it cannot be kept, ask
//      confirmAddressRisk: no (or no one to ask) stops here, with nothing written
//   2. pause   3. flash download   4. stage text 410 (only when the download succeeded)
//   5. pause   6. restore the Bluetooth address (only one that was read or stored)   7. pause
//   8. release the flashing context
//   9. success: close the channel; text 411 (kind 4: 446 and warning 453); progress 1000.
//      An address that was not written back adds a warning (907 or 908), and one that should
//      have been but could not makes the outcome a failure (907).
//  10. failure: close the channel; text 447, with the reason (FlashFailure.h)
//  11. delete the temporary image file
// Run, firmware download page: the address is saved for every kind; a line that cannot be
// opened for it ends the run with text 413 and no download; no pause after the restore; text
// 411 or 447 only.
//
// Everything goes through the session: the lines the steps talk over (opened on the link
// settings' port, one per step, closed after it; a port that another program holds is tried
// again for a while), the pauses (its clock), the reports (its progress sink) and the cancel
// request. A cancel is honoured up to the image phase of the download (text 901); from the
// moment the image transfer begins, the session turns cancel requests down with text 900,
// because a half-written flash leaves the unit in its boot ROM.
#include "app/Status.h"
#include "update/BtAddress.h"
#include "update/FlashDownload.h"

#include <functional>
#include <string>

namespace divuzo {

class DeviceSession;

// Stage and warning text ids of the end of a flash.
inline constexpr int kTextPortFailed = 413;
inline constexpr int kTextWarningKind4 = 453;
// Keeping the Bluetooth address: the two reasons it cannot be kept (asked before flashing),
// the question itself, and the two warnings after a flash that did not write it back.
inline constexpr int kTextAddressUnknown = 904;
inline constexpr int kTextAddressNotStored = 905;
inline constexpr int kTextAddressQuestion = 906;
inline constexpr int kTextAddressNotRestored = 907;
inline constexpr int kTextAddressLost = 908;
inline constexpr int kTextSettingsFile = 909;

class FlashJob {
public:
  enum class Flavor { UpdatePage, FirmwareDownloadPage };

  FlashJob(DeviceSession& session, Flavor flavor);
  FlashJob(const FlashJob&) = delete;
  FlashJob& operator=(const FlashJob&) = delete;

  // Execute's preparation, for the session's device kind: stage 405, progress 0, the agent,
  // the flash layout and the image loaded. A cancel request made before stays in force (the
  // front end clears an old one when the user starts the update).
  void Prepare(const std::string& tempImagePath);
  // The worker's steps. Ok with text 411 or 446; Failed with 447 (or 907: flashed, but the
  // address could not be written back); PortUnusable with 413 (firmware download page);
  // Cancelled with 901 (also when the user chose not to flash without the address). The
  // temporary image is gone afterwards.
  Status Run();

  // Asked on the worker after the save step, before anything is written, when the address
  // cannot be kept (RiskOf). True goes on; false, or no function, stops the update.
  std::function<bool(const AddressSave& save, AddressRisk risk)> confirmAddressRisk;

  // Waits between the steps (2000 ms), on the session's clock.
  int pauseMs = 2000;
  // A port that another program holds is opened again after portRetryMs, up to portRetries
  // more times, before the step gives up.
  int portRetries = 10;
  int portRetryMs = 500;

  FlashDownload& Flashing() { return flash_; }
  BtAddressKeeper& Addresses() { return addresses_; }
  // After Run: the address was written back into the unit.
  bool AddressRestored() const { return addressRestored_; }

private:
  // Opens a line on the link settings' port for one step, trying again while another program
  // holds the port; nullptr (and lastPortError_) when it cannot. With `cancellable`, a cancel
  // request ends the trying.
  std::unique_ptr<Link> OpenStepLine(bool cancellable);
  void Pause();
  Status Finish(Status status);
  Status RunUpdatePage();
  Status RunFirmwareDownloadPage();
  // The save step over `line` (or without one); false when the update must stop here.
  bool SaveAddress(std::unique_ptr<Link> line, Status& stopped);
  // The restore step on a line of its own; true when the address was written.
  bool RestoreAddress();
  // The download over a line of its own; true when it succeeded. `cancelled` tells whether
  // it stopped on a cancel before the image began.
  bool Download(bool& cancelled);
  // The download and, unless it was stopped, "updating the unit" after a good one and (with
  // `keepAddress`) the address written back. True when the download was done.
  bool DownloadThenRestore(bool keepAddress, bool& cancelled);
  Status FailedFlash();
  // A successful flash's outcome once the restore step is over: a warning when the address
  // was not written back, and a failure (907) when there was one to write.
  Status WithAddressOutcome(Status done);

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
  PortError lastPortError_;
  PortError downloadPortError_;
  bool addressRestored_ = false;
};

} // namespace divuzo
