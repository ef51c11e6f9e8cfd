#pragma once
// What a page may ask of the window that holds it. Pages reach the main window only through
// this narrow interface (VaduzOdivozuDlg implements it; a test may give its own), never by
// including the window or switching its controls behind its back.
#include <initializer_list>

namespace divuzo {

class DeviceSession;

class PageHost {
public:
  virtual ~PageHost() = default;

  // The window's device session: the port chosen, the identified device, the heartbeat and
  // the cancel request of the device work that runs.
  virtual DeviceSession& Session() = 0;
  // Enables or disables controls of the window by id (1, 2, 1001, 1002, 1095); any thread.
  virtual void EnableWindowControls(std::initializer_list<int> ids, bool enable) = 0;
  // Enables or disables the update page's tab (the window's `tabItemEnabled`).
  virtual void SetUpdateTabEnabled(bool enabled) = 0;
  // The pictures that follow the session's device kind.
  virtual void ShowDeviceKindPicture() = 0;
  // Identification succeeded: the pages that flash a device may offer it now.
  virtual void DeviceIdentified() = 0;
  // Device work started and ended on a page: the window refuses to close in between.
  virtual void DeviceWorkStarted() = 0;
  virtual void DeviceWorkEnded() = 0;
};

} // namespace divuzo
