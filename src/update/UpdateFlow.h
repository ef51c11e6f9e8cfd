#pragma once
// The update worker: everything Execute starts on a worker thread, without windows.
//
//   1. save the Bluetooth address (every device kind but 4)   2. pause
//   3. flash download                                           4. stage text 410
//   5. pause   6. restore the Bluetooth address (not kind 4)    7. pause
//   8. release the flashing context
//   9. success: close the channel; text 411 (kind 4: 446 and warning 453); progress 1000
//  10. failure: close the channel; text 447
//  11. delete the temporary image file
//
// The window and the command line see the run only through UpdateObserver, called on the
// worker thread (a window forwards to its own thread).
#include <functional>
#include <optional>
#include <string>

namespace divuzo {

class BtAddressKeeper;
class FlashDownload;

class UpdateObserver {
public:
  virtual ~UpdateObserver() = default;
  // Stage line 1233 (text id: 405..411, 446, 447; 413 on the firmware download page).
  virtual void ShowStageText(int textId) = 0;
  // Warning line 1237 (453 after a successful update of device kind 4).
  virtual void ShowWarningText(int textId) { (void)textId; }
  // Progress as SetUpdateProgress takes it: 0..100 for the bar, 1000 for "done, show 100%".
  // UpdatePercentText tells which percent text goes with a value.
  virtual void SetUpdateProgress(int value) = 0;
  // Last call of a run: the worker ended (the temporary image is already deleted).
  virtual void UpdateEnded(bool success) { (void)success; }
};

// The percent text that goes with a SetUpdateProgress value on the update page: "%d%%" for
// values up to 99 (and below 0), "100%" for 1000, nothing (keep the old text) for the rest.
std::optional<std::string> UpdatePercentText(int value);
// The firmware download page shows "%d%%" for every value.
std::string DownloadPercentText(int value);
// The bar position for a value (the bar's 0..100 range clamps it; 1000 is 100).
int UpdateProgressBarPosition(int value);

// One run of the update worker. The flashing steps come from the flashing context that
// Execute prepared (agent and image loaded on the user-interface thread).
struct UpdateJob {
  int deviceKind = 0;             // 4: no Bluetooth address steps, texts 446 and 453
  std::string tempImagePath;      // deleted at the end, success or not
  BtAddressKeeper* btAddress = nullptr;  // the firmware download page's address steps
  bool agentReady = false;        // set by the preparation of the flashing
  bool imageReady = false;
  // Runs the flash download; true when the library reported success. Its progress
  // callbacks are expected to reach the same observer.
  std::function<bool()> runFlashDownload;
  std::function<void()> releaseFlashing;   // frees the library handles
  std::function<void()> closeChannel;      // closes the serial channel (normally closed)
  // Pauses: production 2000 ms each; sleepMs replaceable for tests.
  int pauseMs = 2000;
  std::function<void(int)> sleepMs;

  // Waits pauseMs, through sleepMs when set.
  void Pause() const;
};

// Wires a prepared FlashDownload into `job`: the download over flash.portPath, the release,
// and the ready flags PrepareFlashing left. Call after PrepareFlashing.
void AttachFlashDownload(UpdateJob& job, FlashDownload& flash);
// Sends the flashing's stage texts (405..409) and progress to `observer`.
void RouteFlashObserver(FlashDownload& flash, UpdateObserver& observer);

// Execute without a window: prepares the flashing for `deviceKind` from `tempImagePath`
// (agent, layout and image loaded; texts through `observer`), then runs the worker with the
// download over `portPath`. True on success. The temporary image is deleted in every outcome.
struct HeadlessUpdate {
  int deviceKind = 0;
  std::string portPath;
  std::string tempImagePath;
  BtAddressKeeper* btAddress = nullptr;
  int pauseMs = 2000;
};
bool RunHeadlessUpdate(const HeadlessUpdate& update, UpdateObserver& observer);

// Runs the worker's steps in order on the calling thread; true on success (agent, image and
// download all succeeded). Never throws.
bool RunUpdateWorker(UpdateJob& job, UpdateObserver& observer);

} // namespace divuzo
