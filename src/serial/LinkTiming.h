#pragma once
// Every wait of the device conversation in one place (a DeviceSession carries one). Production
// uses the defaults; tests keep them on a test clock, or shorten them over a real line.
// Host-side polls wake as soon as bytes arrive; a poll count times the poll period is the
// overall limit of one wait.

namespace divuzo {

struct LinkTiming {
  int pollMs = 38;              // one poll period
  int queryPolls = 60;          // fixed queries and numbered commands (~2.3 s)
  int logPolls = 10;            // logger commands (~0.4 s)
  int erasePolls = 1000;        // logger erase (~38 s)
  int pieceSleepMs = 100;       // after each 16-byte piece of a logger command
  int sendOnlyPieceSleepMs = 50;// after each piece of a send-only memory read
  int disconnectPauseMs = 1000; // before the goodbye of a disconnect
  int speedRestorePauseMs = 500;// after asking the logger back to its normal speed
  int speedSwitchPauseMs = 500; // after asking the logger up to high speed
  int loggerWatchdogMs = 15000; // a memory read that brings no chunk for this long has stalled
  int reconnectPauseMs = 1500;  // after the logger's reconnect step
  int clearQueryPauseMs = 100;  // after each used-end query of a clear
  int logExchangeAttempts = 1000;
  int logExchangeResends = 50;
  int modelAttempts = 3;        // model query and logger-family probe, each
  int versionAttempts = 5;      // firmware and hardware version, each
};

} // namespace divuzo
