#pragma once
// What the main window says to the device when it closes. Each function is the device side
// of one way out; the window does the rest (ignoring a close while device work runs, ending
// the dialog). The heartbeat is the session's.
#include <functional>

namespace divuzo {

class DeviceSession;

// Window close (title-bar close): with a line open, stop the logger page's loops, bring a
// logger running at high speed back (logger command 14 with 38400, pause, settings applied
// again, highSpeedLink 0), say goodbye (maker command 2); then CloseOnCancel, which says
// goodbye once more while the line is still open.
void CloseOnRequest(DeviceSession& session, const std::function<void()>& stopLoggerLoops = {});

// Cancel / Escape: with a line open, goodbye (maker command 2), purge and close; heartbeat off.
void CloseOnCancel(DeviceSession& session);

// OK button: with a line open, purge and close without a word; heartbeat off.
void CloseOnOk(DeviceSession& session);

} // namespace divuzo
