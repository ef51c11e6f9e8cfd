#pragma once
// How device work ends: what failed (for code to branch on), the text the user sees (a string
// table id) and a detail for the trace and standard error. One shape for every flow.
#include <string>

namespace divuzo {

enum class StatusCode {
  Ok,
  PortUnusable,   // the port could not be opened
  LineLost,       // the line went away during the conversation
  NoAnswer,       // the device did not answer in time
  Cancelled,      // stopped on request
  CancelRefused,  // a request to stop that was turned down: stopping now is not safe
  FileRefused,    // a file that fails its checks (missing, wrong tag, wrong checksum)
  Failed,         // the device or the download reported a failure
};

struct Status {
  StatusCode code = StatusCode::Ok;
  int textId = 0;      // what the user is shown; 0 when nothing
  std::string detail;  // short English reason for the trace and standard error
  int reasonTextId = 0;  // why it failed, in the user's words, when that is known (0: not)

  bool Ok() const { return code == StatusCode::Ok; }
  static Status Success(int textId = 0) { return {StatusCode::Ok, textId, {}}; }
  static Status Failure(StatusCode code, int textId, std::string detail = {},
                        int reasonTextId = 0) {
    return {code, textId, std::move(detail), reasonTextId};
  }
};

// Texts of this program's own (string table ids beyond the product's range).
inline constexpr int kTextCancelRefusedWhileFlashing = 900;
inline constexpr int kTextCancelled = 901;

} // namespace divuzo
