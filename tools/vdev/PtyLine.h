#pragma once
// The pseudo-terminal the virtual device serves, and its DeviceIo: writes to the master,
// the log file, the line speed the host set on the slave.
#include "DeviceIo.h"
#include "engine/WireTranscript.h"

#include <cstdio>
#include <string>

namespace divuzo::vdev {

class PtyLine : public DeviceIo {
public:
  PtyLine() = default;
  ~PtyLine() override;
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  // Opens the master, makes both sides raw and keeps a slave descriptor of our own so the
  // line stays up while the host closes and reopens it. False with a message on failure.
  bool Open(std::string& error);
  const std::string& SlavePath() const { return slavePath_; }
  int MasterFd() const { return master_; }
  // Closes both sides: the host sees the line hang up.
  void HangUp();
  bool OpenLog(const std::string& path);
  // Every byte written to the host is also recorded here (nullptr: not recorded).
  void SetWire(WireTranscript* wire) { wire_ = wire; }

  void Write(const std::uint8_t* data, std::size_t size) override;
  using DeviceIo::Write;
  unsigned LineSpeed() const override;
  void SetPacing(bool on) override { pacing_ = on; }
  void Log(std::string_view line) override;

private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
  std::FILE* log_ = nullptr;
  bool pacing_ = false;
  WireTranscript* wire_ = nullptr;
};

} // namespace divuzo::vdev
