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

} // namespace

bool IsNoAddress(const BtAddress& a) {
  bool allZero = true, allFF = true;
  for (auto b : a) {
    allZero = allZero && b == 0x00;
    allFF = allFF && b == 0xFF;
  }
  return allZero || allFF;
}

AddressRisk RiskOf(const AddressSave& save) {
  if (save.source == AddressSource::None) return AddressRisk::NoAddress;
  return save.inStore ? AddressRisk::None : AddressRisk::NotStored;
}

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

bool BtAddressKeeper::TakeStoredAddress(AddressSave& save) {
  std::string text;
  if (!Registry().ReadRegString(HKEY_CURRENT_USER, kBtAddressRegistryValue, text)) {
    // A value never stored is no problem; a store that cannot be read is.
    if (GetLastRegistryError() != ERROR_FILE_NOT_FOUND)
      save.storeProblem = GetLastRegistryMessage();
    return false;
  }
  BtAddress stored{};
  if (text.empty() || !ParseBtAddressText(text, stored) || IsNoAddress(stored)) {
    TraceF("stored Bluetooth address '%s' is no address; ignored\n", text.c_str());
    return false;
  }
  address_ = stored;
  hasAddress_ = true;
  save.source = AddressSource::Store;
  save.inStore = true;
  return true;
}

void BtAddressKeeper::Store(AddressSave& save) {
  // A unit without an address stores "none" only where no good address is kept already.
  const std::string text = FormatBtAddressText(address_);
  if (Registry().WriteRegString(HKEY_CURRENT_USER, kBtAddressRegistryValue, text)) {
    if (hasAddress_) save.inStore = true;
    return;
  }
  TraceF("cannot store Bluetooth address %s: %s\n", text.c_str(), GetLastRegistryMessage().c_str());
  if (save.storeProblem.empty()) save.storeProblem = GetLastRegistryMessage();
}

AddressSave BtAddressKeeper::SaveBtAddress(Link& link, const CancelToken* cancel) {
  AddressSave save;
  hasAddress_ = false;
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
  save.deviceAnswered = reply.has_value();
  if (reply && !IsNoAddress(*reply)) {
    address_ = *reply;
    hasAddress_ = true;
    save.source = AddressSource::Device;
    Store(save);
  } else if (!TakeStoredAddress(save)) {
    // No address anywhere: "none" is stored where nothing good is kept.
    address_.fill(0xFF);
    if (save.storeProblem.empty()) Store(save);
  }
  TraceF("Bluetooth address %s (%s)\n", FormatBtAddressText(address_).c_str(),
         save.source == AddressSource::Device  ? "from the device"
         : save.source == AddressSource::Store ? "stored"
                                               : "none");
  lastSave_ = save;
  return save;
}

AddressSave BtAddressKeeper::SaveWithoutLine() {
  AddressSave save;
  save.lineOpened = false;
  hasAddress_ = false;
  if (!TakeStoredAddress(save)) address_.fill(0xFF);
  TraceF("Bluetooth address: no line; %s\n", hasAddress_ ? "the stored one is used" : "none");
  lastSave_ = save;
  return save;
}

bool BtAddressKeeper::RestoreBtAddress(Link& link) {
  // An address that was neither read nor stored is never written: it would replace the unit's
  // address with a made-up one.
  if (!hasAddress_) {
    TraceF("Bluetooth address: nothing to write back\n");
    return false;
  }
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
    return true;
  }
  return false;
}

} // namespace divuzo
