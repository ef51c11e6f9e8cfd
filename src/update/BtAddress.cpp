#include "update/BtAddress.h"

#include "app/Tool.h"
#include "app/UtilityManager.h"
#include "platform/HexDigit.h"
#include "platform/NativePort.h"
#include "platform/Trace.h"
#include "serial/Sentence.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace divuzo {

namespace {

constexpr std::string_view kReplyHead = "$PMTK592";
constexpr std::string_view kAckHead = "$PMTK010";
constexpr std::size_t kReadChunk = 80;
// Received text kept while waiting: enough for a reply that arrived in pieces behind other
// sentences, bounded for a device that keeps talking.
constexpr std::size_t kKeepBytes = 256;

// A two-digit pair read case-insensitively up to its first non-hex character ("0G" is 0).
std::uint8_t ReadPair(std::string_view text, std::size_t at) {
  int value = 0;
  for (std::size_t i = at; i < at + 2 && i < text.size(); ++i) {
    const int v = HexDigitValue(text[i]);
    if (v < 0) break;
    value = value * 16 + v;
  }
  return static_cast<std::uint8_t>(value);
}

bool AllFF(const BtAddress& a) {
  for (auto b : a)
    if (b != 0xFF) return false;
  return true;
}

// Reads what the port has queued into `received` (keeping the last kKeepBytes).
// False when the line is gone.
bool ReadInto(NativePort& port, std::string& received) {
  char buffer[kReadChunk];
  const long n = port.Read(buffer, sizeof buffer);
  if (n < 0) return false;
  received.append(buffer, static_cast<std::size_t>(n));
  if (received.size() > 2 * kKeepBytes) received.erase(0, received.size() - kKeepBytes);
  return true;
}

// Waits up to `totalMs` for `done(received)`; returns as soon as it holds. Reads once at once,
// then whenever bytes arrive.
template <typename Done>
bool WaitFor(NativePort& port, int totalMs, Done done) {
  std::string received;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(totalMs);
  for (;;) {
    if (!ReadInto(port, received)) return false;
    if (done(received)) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return false;
    port.WaitReadable(static_cast<int>(left));
  }
}

Tool& Registry() {
  static thread_local Tool tool;
  return tool;
}

bool ReadStoredAddress(BtAddress& address) {
  std::string text;
  if (!Registry().ReadRegString(HKEY_CURRENT_USER, kBtAddressRegistryValue, text) || text.empty())
    return false;
  BtAddress stored{};
  if (!ParseBtAddressText(text, stored)) {
    TraceF("stored Bluetooth address '%s' is not an address; ignored\n", text.c_str());
    return false;
  }
  address = stored;
  return true;
}

void StoreAddress(const BtAddress& address) {
  const std::string text = FormatBtAddressText(address);
  if (!Registry().WriteRegString(HKEY_CURRENT_USER, kBtAddressRegistryValue, text))
    TraceF("cannot store Bluetooth address %s: %s\n", text.c_str(), GetLastRegistryMessage().c_str());
}

} // namespace

std::string FormatBtAddressText(const BtAddress& a) {
  char text[24];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", a[5], a[4], a[3], a[2], a[1],
                a[0]);
  return text;
}

bool ParseBtAddressText(std::string_view text, BtAddress& address) {
  // "B6:B5:B4:B3:B2:B1": 17 characters.
  if (text.size() != 17) return false;
  BtAddress parsed{};
  for (std::size_t i = 0; i < 6; ++i) {
    const std::size_t at = i * 3;
    const int hi = HexDigitValue(text[at]);
    const int lo = HexDigitValue(text[at + 1]);
    if (hi < 0 || lo < 0) return false;
    if (i < 5 && text[at + 2] != ':') return false;
    parsed[5 - i] = static_cast<std::uint8_t>(hi * 16 + lo);
  }
  address = parsed;
  return true;
}

std::string BtAddressWriteSentence(const BtAddress& a) {
  char body[32];
  std::snprintf(body, sizeof body, "PMTK392,%02X%02X%02X,%02X%02X%02X", a[0], a[1], a[2], a[3],
                a[4], a[5]);
  return FrameSentence(body);
}

std::optional<BtAddress> ParseBtAddressReply(std::string_view received) {
  std::size_t from = 0;
  for (;;) {
    const std::size_t head = received.find(kReplyHead, from);
    if (head == std::string_view::npos) return std::nullopt;
    const std::size_t star = received.find('*', head);
    if (star == std::string_view::npos) return std::nullopt;  // the rest has not arrived yet
    // After "$PMTK592" and its comma: at most 20 characters, one more comma skipped, cut at '*'.
    std::string_view field = received.substr(head, star - head);
    if (field.size() <= kReplyHead.size() + 1) {
      from = head + 1;
      continue;
    }
    field.remove_prefix(kReplyHead.size() + 1);
    if (field.size() > 20) field = field.substr(0, 20);
    if (!field.empty() && field.front() == ',') field.remove_prefix(1);
    BtAddress address{};
    for (std::size_t i = 0; i < 6; ++i) address[i] = ReadPair(field, 2 * i);
    return address;
  }
}

BtAddressKeeper::BtAddressKeeper() = default;

void BtAddressKeeper::LoadLinkSettings() {
  std::string name;
  int baud = 0;
  int spare = 0;
  theUtilityManager.GetLinkSettings(name, baud, spare);
  portName_ = name;
  if (baud > 0) portBaud_ = static_cast<unsigned>(baud);
}

void BtAddressKeeper::SetPrivatePort(const std::string& path, unsigned baud) {
  portName_ = path;
  portBaud_ = baud;
}

void BtAddressKeeper::SaveBtAddress() {
  NativePort port;
  if (!port.Open(portName_, portBaud_)) {
    TraceF("Bluetooth address: cannot open %s: %s\n", portName_.c_str(),
           port.LastError().message.c_str());
    portUsable.store(0);
    return;
  }
  port.Purge();
  std::optional<BtAddress> reply;
  if (port.Write(kBtAddressQuery, std::char_traits<char>::length(kBtAddressQuery)) >= 0) {
    WaitFor(port, timing.queryPollMs * timing.queryPolls, [&](const std::string& received) {
      reply = ParseBtAddressReply(received);
      return reply.has_value();
    });
  }
  if (reply) {
    address_ = *reply;
    if (AllFF(address_)) ReadStoredAddress(address_);
  } else {
    // Silent device: the stored address, or none at all.
    if (!ReadStoredAddress(address_)) address_.fill(0xFF);
  }
  StoreAddress(address_);
  TraceF("Bluetooth address %s (%s)\n", FormatBtAddressText(address_).c_str(),
         reply ? "from the device" : "stored");
  port.Purge();
  port.Close();
}

void BtAddressKeeper::RestoreBtAddress() {
  NativePort port;
  if (!port.Open(portName_, portBaud_)) {
    TraceF("Bluetooth address: cannot open %s: %s\n", portName_.c_str(),
           port.LastError().message.c_str());
    return;
  }
  const std::string sentence = BtAddressWriteSentence(address_);
  auto sleep = [this](int ms) {
    if (ms <= 0) return;
    if (sleepMs)
      sleepMs(ms);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  };
  sleep(timing.restorePauseMs);
  lastWritten_ = sentence;
  if (port.Write(sentence.data(), sentence.size()) >= 0) {
    const bool acknowledged =
        WaitFor(port, timing.ackPollMs * timing.ackPolls, [](const std::string& received) {
          return received.find(kAckHead) != std::string::npos;
        });
    if (acknowledged) sleep(timing.ackSettleMs);
    TraceF("Bluetooth address written back, %s\n", acknowledged ? "acknowledged" : "no acknowledgement");
  }
  port.Purge();
  port.Close();
}

} // namespace divuzo
