#pragma once
// The virtual device's protocol engine: device state, a sentence parser and a dispatch
// table from sentence id to handler.
#include "engine/DeviceIo.h"
#include "engine/RawModeHandler.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace divuzo::vdev {

// Which command families the device answers.
enum class Family { Plm, Logger, Both };

struct DeviceState {
  std::string model = "ZID310";       // model token of "$PPLM852,<model>"
  Family family = Family::Plm;
  std::string firmware = "123";       // version digits
  std::string hardware = "010";       // hardware field (three characters)
  bool hasBtAddress = false;          // answers "$PMTK492" only when true
  std::array<std::uint8_t, 6> btAddress{};  // B1..B6, in the order the device reports them
  std::vector<std::uint8_t> flash;    // flash contents (the boot ROM writes here)
  std::map<int, long> loggerParameters;     // "$PMTK182,1,p,v" sets, "$PMTK182,2,p" reads

  // A freshly flashed unit reports FF:FF:FF:FF:FF:FF.
  void ForgetBluetoothAddress() {
    btAddress.fill(0xFF);
    hasBtAddress = true;
  }
};

// Faults the device can be told to show.
struct FaultOptions {
  bool silent = false;       // answers nothing
  bool echoOnly = false;     // echoes each received sentence and answers nothing
  bool echo = false;         // echoes each received sentence, then answers
  bool splitReplies = false; // writes each reply in two parts with a pause between
  int splitPauseMs = 60;
  bool noise = false;        // garbage before each reply
  bool badChecksum = false;  // replies carry a wrong checksum
  long busyAfterGoodbyeMs = 0;  // the port is held this long after the goodbye (-1: for good)
};

class VirtualDevice {
public:
  using Handler = std::function<void(std::string_view body, DeviceIo& io)>;

  VirtualDevice();

  DeviceState& State() { return state_; }
  FaultOptions& Faults() { return faults_; }
  // The handler offered bytes that are not sentences (nullptr for none).
  void SetRawHandler(RawModeHandler* handler) { raw_ = handler; }
  // Adds or replaces the handler of a sentence id ("PPLM810", "RADED410", ...).
  void SetHandler(const std::string& sentenceId, Handler handler);

  // Bytes from the host.
  void OnBytes(const std::uint8_t* data, std::size_t size, DeviceIo& io);

  // Sends "$" body "*" checksum CR LF with the fault options applied.
  void Reply(std::string_view body, DeviceIo& io);

private:
  void OnSentence(const std::string& sentence, DeviceIo& io);
  void InstallHandlers();
  bool FamilyAnswersPlm() const { return state_.family != Family::Logger; }
  bool FamilyAnswersLogger() const { return state_.family != Family::Plm; }

  DeviceState state_;
  FaultOptions faults_;
  RawModeHandler* raw_ = nullptr;
  bool rawActive_ = false;
  bool inSentence_ = false;
  std::string sentence_;
  std::map<std::string, Handler, std::less<>> handlers_;
  std::mt19937 noiseRandom_{12345};
};

} // namespace divuzo::vdev
