#include "engine/VirtualDevice.h"

#include "serial/Sentence.h"

#include <cstdio>
#include <cstdlib>

namespace divuzo::vdev {

namespace {

// Splits "ID,f1,f2" into its comma-separated fields.
std::vector<std::string> Fields(std::string_view body) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const auto comma = body.find(',', start);
    out.emplace_back(body.substr(start, comma == std::string_view::npos ? body.size() - start : comma - start));
    if (comma == std::string_view::npos) return out;
    start = comma + 1;
  }
}

std::string Hex2(unsigned v) {
  char t[3];
  std::snprintf(t, sizeof t, "%02X", v & 0xFF);
  return t;
}

// Bytes that can never be part of a sentence: they start raw traffic.
bool IsRawByte(std::uint8_t c) { return c >= 0x80 || (c < 0x20 && c != '\r' && c != '\n'); }

constexpr std::size_t kMaxSentence = 512;

} // namespace

VirtualDevice::VirtualDevice() { InstallHandlers(); }

void VirtualDevice::SetHandler(const std::string& sentenceId, Handler handler) {
  handlers_[sentenceId] = std::move(handler);
}

void VirtualDevice::OnBytes(const std::uint8_t* data, std::size_t size, DeviceIo& io) {
  if (rawActive_ && raw_) {
    rawActive_ = raw_->OnBytes(data, size, io);
    return;
  }
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t c = data[i];
    if (IsRawByte(c)) {
      inSentence_ = false;
      sentence_.clear();
      if (raw_) {
        io.Log("raw traffic: " + std::to_string(size - i) + " bytes to the raw handler");
        rawActive_ = raw_->OnBytes(data + i, size - i, io);
        return;
      }
      continue;
    }
    if (c == '$') {
      sentence_ = "$";
      inSentence_ = true;
      continue;
    }
    if (!inSentence_) continue;
    sentence_ += static_cast<char>(c);
    if (c == '\n') {
      inSentence_ = false;
      OnSentence(sentence_, io);
      sentence_.clear();
    } else if (sentence_.size() > kMaxSentence) {
      inSentence_ = false;
      sentence_.clear();
    }
  }
}

void VirtualDevice::OnSentence(const std::string& line, DeviceIo& io) {
  std::string text = line;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  io.Log("<< " + text);
  if (faults_.echo || faults_.echoOnly) {
    io.Write(line);
    io.Log(">> (echo) " + text);
  }
  if (faults_.silent || faults_.echoOnly) return;
  const auto star = text.find('*');
  if (star == std::string::npos || star + 3 != text.size()) {
    io.Log("   ignored: no checksum");
    return;
  }
  const std::string_view body = std::string_view(text).substr(1, star - 1);
  if (ChecksumText(SentenceChecksum(body)) != text.substr(star + 1)) {
    io.Log("   ignored: wrong checksum");
    return;
  }
  const std::string_view id = body.substr(0, body.find(','));
  if (body == "RADED410,2" && faults_.busyAfterGoodbyeMs != 0) {
    io.Log("   the port is held after the goodbye");
    io.HoldPort(faults_.busyAfterGoodbyeMs);
  }
  const auto handler = handlers_.find(id);
  if (handler == handlers_.end()) {
    io.Log("   no answer to " + std::string(id));
    return;
  }
  handler->second(body, io);
}

void VirtualDevice::Reply(std::string_view body, DeviceIo& io) {
  std::string line = FrameSentence(body);
  if (faults_.badChecksum) {
    const std::uint8_t wrong = static_cast<std::uint8_t>(SentenceChecksum(body) ^ 0x5A);
    line.replace(line.size() - 4, 2, ChecksumText(wrong));
  }
  if (faults_.noise) {
    static constexpr char kJunk[] = "#%&@!?~^ABCxyz0123456789,.;:";
    std::string junk;
    const int count = 5 + static_cast<int>(noiseRandom_() % 20);
    for (int i = 0; i < count; ++i) junk += kJunk[noiseRandom_() % (sizeof kJunk - 1)];
    junk += "\r\n";
    io.Write(junk);
  }
  if (faults_.splitReplies && line.size() > 1) {
    const std::size_t half = line.size() / 2;
    io.Write(std::string_view(line).substr(0, half));
    io.SleepMs(faults_.splitPauseMs);
    io.Write(std::string_view(line).substr(half));
  } else {
    io.Write(line);
  }
  io.Log(">> " + line.substr(0, line.size() - 2));
}

void VirtualDevice::InstallHandlers() {
  auto plm = [this](const char* replyHead, std::string DeviceState::*field) {
    return [this, replyHead, field](std::string_view, DeviceIo& io) {
      if (!FamilyAnswersPlm()) return;
      std::string body = replyHead;
      if (field) body += "," + state_.*field;
      Reply(body, io);
    };
  };
  SetHandler("PPLM810", plm("PPLM852", &DeviceState::model));
  SetHandler("PPLM829", plm("PPLM861", &DeviceState::firmware));
  SetHandler("PPLM832", plm("PPLM865", &DeviceState::hardware));
  SetHandler("PPLM837", plm("PPLM900", nullptr));

  // The numbered maker command: acknowledged with its number; 3 and 7 carry the versions.
  SetHandler("RADED410", [this](std::string_view body, DeviceIo& io) {
    if (!FamilyAnswersLogger()) return;
    const auto f = Fields(body);
    if (f.size() < 2) return;
    const int n = std::atoi(f[1].c_str());
    std::string reply = "RADED001," + std::to_string(n);
    if (n == 3) reply += "," + state_.firmware;
    if (n == 7) reply += "," + state_.hardware;
    Reply(reply, io);
  });

  SetHandler("PMTK492", [this](std::string_view, DeviceIo& io) {
    if (!state_.hasBtAddress) return;
    std::string reply = "PMTK592,";
    for (auto b : state_.btAddress) reply += Hex2(b);
    Reply(reply, io);
  });
  SetHandler("PMTK392", [this](std::string_view body, DeviceIo& io) {
    const auto f = Fields(body);
    if (f.size() != 3 || f[1].size() != 6 || f[2].size() != 6) return;
    const std::string digits = f[1] + f[2];
    for (std::size_t i = 0; i < 6; ++i)
      state_.btAddress[i] = static_cast<std::uint8_t>(ParseHex(digits.substr(2 * i, 2)));
    state_.hasBtAddress = true;
    Reply("PMTK010,001", io);
  });

  // Logger commands: parameters set (1) and read back (2); everything else acknowledged.
  SetHandler("PMTK182", [this](std::string_view body, DeviceIo& io) {
    const auto f = Fields(body);
    if (f.size() < 2) return;
    const int type = std::atoi(f[1].c_str());
    const int p = f.size() > 2 ? std::atoi(f[2].c_str()) : 0;
    const bool hexValue = p == 1 || p == 2;
    if (type == 1 && f.size() > 3) {
      state_.loggerParameters[p] = hexValue ? static_cast<long>(ParseHex(f[3])) : std::atol(f[3].c_str());
    } else if (type == 2) {
      const long v = state_.loggerParameters.count(p) ? state_.loggerParameters[p] : 0;
      char value[32];
      std::snprintf(value, sizeof value, hexValue ? "%lX" : "%ld", v);
      Reply("PMTK182,3," + std::to_string(p) + "," + value, io);
      return;
    }
    Reply("PMTK001,182," + std::to_string(type) + ",3", io);
  });
  SetHandler("PMTK400", [this](std::string_view, DeviceIo& io) { Reply("PMTK001,400,3", io); });
}

} // namespace divuzo::vdev
