#include "update/BtAddress.h"

#include "app/Tool.h"
#include "platform/HexDigit.h"
#include "platform/LinkWait.h"
#include "platform/Trace.h"
#include "serial/Sentence.h"

#include <cstdio>

namespace divuzo {

namespace {

constexpr std::string_view kReplyHead = "$PMTK592";
constexpr std::string_view kAckHead = "$PMTK010";
constexpr std::size_t kReadChunk = 80;
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

// Received text kept while waiting: enough for a reply that arrived in pieces behind other
// sentences, bounded for a device that keeps talking.
ReceiveBuffer::Options ReplyBuffer() {
  ReceiveBuffer::Options options;
  options.capacity = 2 * kKeepBytes;
  options.whenFull = ReceiveBuffer::WhenFull::KeepTail;
  options.chunk = kReadChunk;
  return options;
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

void BtAddressKeeper::SaveBtAddress(Link& link, const CancelToken* cancel) {
  link.Purge();
  std::optional<BtAddress> reply;
  if (link.Write(kBtAddressQuery, std::char_traits<char>::length(kBtAddressQuery)) >= 0) {
    ReceiveBuffer received(ReplyBuffer());
    WaitFor(link, received, DeadlineIn(link, long(timing.queryPollMs) * timing.queryPolls),
            [&](ReceiveBuffer& r, bool) {
              reply = ParseBtAddressReply(r.View());
              return reply.has_value();
            },
            cancel);
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
}

void BtAddressKeeper::RestoreBtAddress(Link& link) {
  const std::string sentence = BtAddressWriteSentence(address_);
  link.Clock().SleepMs(timing.restorePauseMs);
  lastWritten_ = sentence;
  if (link.Write(sentence.data(), sentence.size()) >= 0) {
    ReceiveBuffer received(ReplyBuffer());
    const bool acknowledged =
        WaitFor(link, received, DeadlineIn(link, long(timing.ackPollMs) * timing.ackPolls),
                [](ReceiveBuffer& r, bool) { return r.View().find(kAckHead) != std::string_view::npos; }) ==
        WaitStatus::Ok;
    if (acknowledged) link.Clock().SleepMs(timing.ackSettleMs);
    TraceF("Bluetooth address written back, %s\n", acknowledged ? "acknowledged" : "no acknowledgement");
  }
}

} // namespace divuzo
