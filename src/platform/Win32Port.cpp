#include "platform/Win32Port.h"

#include "platform/Trace.h"
#include "platform/Win32LineSettings.h"
#include "platform/Win32Util.h"

#include <windows.h>
#include <algorithm>
#include <chrono>

namespace divuzo {

namespace {

// A write that makes no progress for this long is given up (a wedged adapter must not hang us).
constexpr DWORD kWriteStallMs = 10000;
// A read of bytes already queued that has not completed after this long is cut short.
constexpr DWORD kReadCompleteMs = 2000;
// How often the queue is looked at when the driver reports no receive events.
constexpr long long kQueuePollMs = 1;

// Codes with which a line that was there fails once the adapter is unplugged.
bool MeansLineLost(unsigned long code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_OPERATION_ABORTED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_REMOVED:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_HANDLE:
    case ERROR_NOT_READY:    // Wine, when the other end of a pseudo-terminal has gone: on reading
    case ERROR_BROKEN_PIPE:  // and on writing
      return true;
    default:
      return false;
  }
}

// The name a user knows the port by: "COM3" for "\\.\COM3" and "//.//COM3".
std::string ShownName(const std::string& path) {
  for (const char* prefix : {"\\\\.\\", "//.//"}) {
    const std::string p(prefix);
    if (path.compare(0, p.size(), p) == 0) return path.substr(p.size());
  }
  return path.empty() ? std::string("the serial port") : path;
}

}  // namespace

struct Win32Port::Handles {
  HANDLE port = INVALID_HANDLE_VALUE;
  OVERLAPPED read{};
  OVERLAPPED write{};
  OVERLAPPED wait{};
  DWORD waitEvents = 0;  // written by a pending WaitCommEvent
  bool waitPending = false;
  bool noEvents = false;  // the driver reports no receive events: look at the queue instead
};

std::string Win32PortDevicePath(const std::string& path) {
  if (path.compare(0, 4, "\\\\.\\") == 0) return path;
  if (path.compare(0, 5, "//.//") == 0) return "\\\\.\\" + path.substr(5);
  return "\\\\.\\" + path;
}

PortError DescribeWin32PortError(unsigned long code, const std::string& port, bool opening) {
  PortError e;
  e.errnoValue = static_cast<int>(code);
  const std::string name = ShownName(port);
  if (code == ERROR_SUCCESS) return e;
  if (opening && (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION)) {
    e.kind = PortError::Kind::Busy;
    e.textId = kTextPortBusy;
    e.message =
        name +
        " is in use by another program (Windows denies access to a port that another program "
        "holds open). Close that program and try again.";
  } else if (opening && (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)) {
    e.kind = PortError::Kind::NotFound;
    e.textId = kTextPortNotFound;
    e.message = "There is no serial port " + name +
                ". Check that the device is plugged in and that its driver is installed "
                "(Device Manager, Ports (COM & LPT)).";
  } else if (!opening && MeansLineLost(code)) {
    e.kind = PortError::Kind::Gone;
    e.textId = kTextPortGone;
    e.message = "The connection on " + name + " was lost. Check that the device is plugged in.";
  } else if (code == ERROR_INVALID_NAME || code == ERROR_BAD_PATHNAME) {
    e.kind = PortError::Kind::NotFound;
    e.textId = kTextPortNotFound;
    e.message =
        "\"" + port + "\" is not the name of a serial port (they are named COM1, COM2, ...).";
  } else {
    e.kind = PortError::Kind::Other;
    e.textId = kTextPortOther;
    e.message = "Cannot use " + name + ": " + Win32ErrorText(code) + ".";
  }
  return e;
}

std::unique_ptr<Link> OpenSerialLink(const std::string& path, unsigned baud, PortError& error) {
  auto port = std::make_unique<Win32Port>();
  if (!port->Open(path, baud)) {
    error = port->LastError();
    return nullptr;
  }
  error = PortError{};
  return port;
}

Win32Port::Win32Port() : h_(std::make_unique<Handles>()) {
  for (OVERLAPPED* o : {&h_->read, &h_->write, &h_->wait})
    o->hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

Win32Port::~Win32Port() {
  Close();
  for (OVERLAPPED* o : {&h_->read, &h_->write, &h_->wait})
    if (o->hEvent) CloseHandle(o->hEvent);
}

bool Win32Port::IsOpen() const {
  return h_->port != INVALID_HANDLE_VALUE;
}

void Win32Port::SetError(unsigned long code, const char* what, bool opening) {
  error_ = DescribeWin32PortError(code, path_, opening);
  TraceF("serial %s %s: %s (%lu)", what, path_.c_str(), Win32ErrorText(code).c_str(), code);
}

void Win32Port::SettingFailed(const char* what) {
  // While opening, the error says why the port cannot be used; later, it may mean the line is gone.
  if (opening_)
    SetError(GetLastError(), what, true);
  else
    Failed(what);
}

void Win32Port::Failed(const char* what) {
  const DWORD code = GetLastError();
  if (MeansLineLost(code)) Close();
  SetError(code, what, false);
}

bool Win32Port::Open(const std::string& path, unsigned baud) {
  Close();
  path_ = path;
  error_ = PortError{};
  if (!h_->read.hEvent || !h_->write.hEvent || !h_->wait.hEvent) {
    SetError(ERROR_NOT_ENOUGH_MEMORY, "events", true);
    return false;
  }
  // No sharing: the port is ours alone until we close it.
  const HANDLE port =
      CreateFileW(WideFromUtf8(Win32PortDevicePath(path)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                  nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    SetError(GetLastError(), "open", true);
    return false;
  }
  h_->port = port;
  h_->noEvents = false;
  opening_ = true;
  const bool configured = Configure(baud);
  opening_ = false;
  if (!configured) {
    const PortError kept = error_;
    Close();
    error_ = kept;
    return false;
  }
  if (!SetCommMask(port, EV_RXCHAR)) NoEvents(GetLastError());
  TraceF("serial open %s at %u baud", path_.c_str(), baud_);
  return true;
}

bool Win32Port::Configure(unsigned baud) {
  if (!IsOpen()) return false;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(h_->port, &dcb)) {
    SettingFailed("GetCommState");
    return false;
  }
  ApplyLineSettings(dcb, baud);
  if (!SetCommState(h_->port, &dcb)) {
    const DWORD code = GetLastError();
    if (code == ERROR_INVALID_PARAMETER) {
      error_ = PortError{PortError::Kind::Other, static_cast<int>(code),
                         ShownName(path_) + " does not support " + std::to_string(baud) + " baud.",
                         kTextPortOther};
      TraceF("serial SetCommState %s at %u baud: refused", path_.c_str(), baud);
    } else {
      SetLastError(code);
      SettingFailed("SetCommState");
    }
    return false;
  }
  // The queue sizes are a recommendation the driver may ignore.
  if (!SetupComm(h_->port, 4096, 256))
    TraceF("serial SetupComm %s: %s", path_.c_str(), Win32ErrorText(GetLastError()).c_str());
  COMMTIMEOUTS timeouts = ImmediateReadTimeouts();
  if (!SetCommTimeouts(h_->port, &timeouts)) {
    SettingFailed("SetCommTimeouts");
    return false;
  }
  DCB actual{};
  actual.DCBlength = sizeof actual;
  const unsigned got = GetCommState(h_->port, &actual) ? actual.BaudRate : 0;
  // Drivers round to the nearest rate their clock can make; more than 3% off is unusable.
  const unsigned diff = got > baud ? got - baud : baud - got;
  if (got == 0 || diff * 100 > baud * 3) {
    error_ = PortError{PortError::Kind::Other, ERROR_INVALID_PARAMETER,
                       ShownName(path_) + " does not support " + std::to_string(baud) + " baud.",
                       kTextPortOther};
    TraceF("serial speed %s: asked %u, got %u", path_.c_str(), baud, got);
    return false;
  }
  baud_ = got;
  return true;
}

long Win32Port::Queued() {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(h_->port, &errors, &status)) {
    Failed("ClearCommError");
    return -1;
  }
  return static_cast<long>(status.cbInQue);
}

long Win32Port::Read(void* buffer, std::size_t count) {
  if (!IsOpen()) return -1;
  if (count == 0) return 0;
  // Only what is queued is asked for, so the read completes at once with any driver (the read
  // time-outs say the same, but Wine does not apply them to overlapped reads).
  const long queued = Queued();
  if (queued <= 0) return queued;
  const DWORD asked =
      static_cast<DWORD>(std::min<std::size_t>(count, static_cast<std::size_t>(queued)));
  ResetEvent(h_->read.hEvent);
  if (!ReadFile(h_->port, buffer, asked, nullptr, &h_->read) &&
      GetLastError() != ERROR_IO_PENDING) {
    Failed("read");
    return -1;
  }
  DWORD n = 0;
  if (WaitForSingleObject(h_->read.hEvent, kReadCompleteMs) != WAIT_OBJECT_0) {
    // Not expected with the bytes queued; take what arrived rather than hang.
    CancelIoEx(h_->port, &h_->read);
    GetOverlappedResult(h_->port, &h_->read, &n, TRUE);
  } else if (!GetOverlappedResult(h_->port, &h_->read, &n, FALSE)) {
    Failed("read");
    return -1;
  }
  if (n > 0) TraceBytes("<<", buffer, n);
  return static_cast<long>(n);
}

bool Win32Port::WaitReadable(int timeoutMs) {
  if (!IsOpen()) return false;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    const long queued = Queued();
    if (queued != 0) return true;  // bytes to read, or a lost line that the caller's read reports
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    if (h_->noEvents) {
      Sleep(static_cast<DWORD>(std::min<long long>(left, kQueuePollMs)));
      continue;
    }
    if (!h_->waitPending) {
      ResetEvent(h_->wait.hEvent);
      if (WaitCommEvent(h_->port, &h_->waitEvents, &h_->wait))
        continue;  // an event was already due
      if (GetLastError() != ERROR_IO_PENDING) {
        NoEvents(GetLastError());
        continue;
      }
      h_->waitPending = true;
    }
    if (WaitForSingleObject(h_->wait.hEvent, static_cast<DWORD>(left)) != WAIT_OBJECT_0) continue;
    h_->waitPending = false;
    DWORD ignored = 0;
    if (!GetOverlappedResult(h_->port, &h_->wait, &ignored, FALSE)) NoEvents(GetLastError());
  }
}

void Win32Port::NoEvents(unsigned long code) {
  // The driver cannot report received characters (Wine over a pseudo-terminal ends every wait at
  // once): look at the queue every millisecond instead. A line that is gone shows at the next look.
  TraceF("serial %s: no receive events (%s); waiting by looking at the queue", path_.c_str(),
         Win32ErrorText(code).c_str());
  h_->noEvents = true;
}

long Win32Port::Write(const void* buffer, std::size_t count) {
  if (!IsOpen()) return -1;
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const DWORD chunk = count - done > MAXDWORD ? MAXDWORD : static_cast<DWORD>(count - done);
    ResetEvent(h_->write.hEvent);
    if (!WriteFile(h_->port, bytes + done, chunk, nullptr, &h_->write) &&
        GetLastError() != ERROR_IO_PENDING) {
      Failed("write");
      return -1;
    }
    if (WaitForSingleObject(h_->write.hEvent, kWriteStallMs) != WAIT_OBJECT_0) {
      CancelIoEx(h_->port, &h_->write);
      DWORD ignored = 0;
      GetOverlappedResult(h_->port, &h_->write, &ignored, TRUE);
      SetError(ERROR_TIMEOUT, "write", false);
      return -1;
    }
    DWORD n = 0;
    if (!GetOverlappedResult(h_->port, &h_->write, &n, FALSE)) {
      Failed("write");
      return -1;
    }
    if (n == 0) {
      SetError(ERROR_WRITE_FAULT, "write", false);
      return -1;
    }
    TraceBytes(">>", bytes + done, n);
    done += n;
  }
  return static_cast<long>(done);
}

void Win32Port::Drain() {
  if (IsOpen() && !FlushFileBuffers(h_->port)) Failed("FlushFileBuffers");
}

void Win32Port::Purge() {
  if (IsOpen() && !PurgeComm(h_->port, PURGE_TXCLEAR | PURGE_RXCLEAR)) Failed("PurgeComm");
}

void Win32Port::Close() {
  if (!IsOpen()) return;
  if (h_->waitPending) {
    // The pending wait writes into this object: let it end before the handle goes.
    CancelIoEx(h_->port, &h_->wait);
    DWORD ignored = 0;
    GetOverlappedResult(h_->port, &h_->wait, &ignored, TRUE);
    h_->waitPending = false;
  }
  CloseHandle(h_->port);
  h_->port = INVALID_HANDLE_VALUE;
  TraceF("serial close %s", path_.c_str());
}

}  // namespace divuzo
