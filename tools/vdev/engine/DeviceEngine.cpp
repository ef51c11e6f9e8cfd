#include "engine/DeviceEngine.h"

#include "serial/DeviceKind.h"

#include <cstdio>
#include <ctime>
#include <sys/time.h>

namespace divuzo::vdev {

// The device's side of the line as the engine hands it to the sentence engine and the boot
// ROM: writes are recorded on the wire, log lines go to the device's log.
class DeviceEngine::Recording : public DeviceIo {
public:
  Recording(DeviceEngine& engine, DeviceIo& line) : engine_(engine), line_(line) {}
  void Write(const std::uint8_t* data, std::size_t size) override {
    if (engine_.keepRecords_) engine_.wire_.Record(WireDirection::DeviceToHost, data, size);
    line_.Write(data, size);
  }
  using DeviceIo::Write;
  unsigned LineSpeed() const override { return line_.LineSpeed(); }
  void SetPacing(bool on) override { line_.SetPacing(on); }
  void Log(std::string_view line) override { engine_.Log(line); }
  TimePoint Now() override { return line_.Now(); }
  void SleepUntil(TimePoint when) override { line_.SleepUntil(when); }
  void HangUp() override {
    engine_.hungUp_ = true;
    line_.HangUp();
  }
  void HoldPort(long ms) override { line_.HoldPort(ms); }

private:
  DeviceEngine& engine_;
  DeviceIo& line_;
};

bool ParseDeviceAddress(const std::string& text, std::array<std::uint8_t, 6>& out) {
  unsigned v[6];
  char tail;
  if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                  &tail) != 6)
    return false;
  for (int i = 0; i < 6; ++i) out[i] = static_cast<std::uint8_t>(v[i]);
  return true;
}

DeviceEngine::DeviceEngine(const DeviceOptions& options, DeviceIo& line)
    : io_(std::make_unique<Recording>(*this, line)),
      hangupAfter_(options.hangupAfter),
      keepRecords_(options.keepRecords) {
  DeviceState& state = device_.State();
  state.model = options.model;
  state.firmware = options.firmware;
  const std::string family =
      !options.family.empty() ? options.family : options.model == "TR410" ? "logger" : "plm";
  state.family = family == "logger" ? Family::Logger : family == "both" ? Family::Both : Family::Plm;
  state.hardware = !options.hardware.empty() ? options.hardware
                   : state.family == Family::Logger ? "C12"
                                                    : "010";
  if (options.btAddress) {
    state.btAddress = *options.btAddress;
    state.hasBtAddress = true;
  }
  device_.Faults() = options.faults;
  // The boot ROM answers for the chip of the model the device reports.
  const std::string reply = "$PPLM852," + options.model;
  bootRom_ = std::make_unique<BootRom>(options.bootRom, state,
                                       ChipForDeviceKind(DeviceKindFromModelReply(reply.c_str())));
  device_.SetRawHandler(bootRom_.get());
  if (state.family != Family::Plm)
    logger_ = std::make_unique<LoggerDevice>(options.logger, device_, options.bootRom.lineRate);
  if (options.blockTransfer.enabled) {
    BlockTransferOptions block = options.blockTransfer;
    block.silent = block.silent || options.faults.silent;
    blockTransfer_ = std::make_unique<BlockTransferDevice>(block, state);
  }
  if (!options.logPath.empty()) {
    logFile_ = std::fopen(options.logPath.c_str(), "a");
    logPathOk_ = logFile_ != nullptr;
  }
}

DeviceEngine::~DeviceEngine() {
  if (logFile_) std::fclose(logFile_);
}

void DeviceEngine::Receive(const std::uint8_t* data, std::size_t size) {
  if (hungUp_) return;
  std::size_t take = size;
  if (hangupAfter_ >= 0 && received_ + static_cast<long>(size) >= hangupAfter_)
    take = static_cast<std::size_t>(hangupAfter_ - received_);
  received_ += static_cast<long>(take);
  if (keepRecords_) wire_.Record(WireDirection::HostToDevice, data, take);
  if (blockTransfer_)
    blockTransfer_->OnBytes(data, take, *io_, [this](const std::uint8_t* d, std::size_t n) {
      device_.OnBytes(d, n, *io_);
    });
  else
    device_.OnBytes(data, take, *io_);
  if (hangupAfter_ >= 0 && received_ >= hangupAfter_ && !hungUp_) {
    Log("hanging up after " + std::to_string(received_) + " bytes");
    io_->HangUp();
  }
}

void DeviceEngine::Log(std::string_view line) {
  std::lock_guard<std::mutex> lock(logMutex_);
  if (keepRecords_) logLines_.emplace_back(line);
  if (!logFile_) return;
  struct timeval tv {};
  gettimeofday(&tv, nullptr);
  struct tm local {};
  const std::time_t seconds = tv.tv_sec;
  localtime_r(&seconds, &local);
  char stamp[40];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::fprintf(logFile_, "%s.%03ld %.*s\n", stamp, static_cast<long>(tv.tv_usec / 1000),
               static_cast<int>(line.size()), line.data());
  std::fflush(logFile_);
}

std::vector<std::string> DeviceEngine::LogLines() const {
  std::lock_guard<std::mutex> lock(logMutex_);
  return logLines_;
}

std::vector<std::string> DeviceEngine::ReceivedSentences() const {
  std::vector<std::string> sentences;
  for (const auto& line : LogLines())
    if (line.rfind("<< ", 0) == 0) sentences.push_back(line.substr(3));
  return sentences;
}

std::vector<std::string> DeviceEngine::WireLines() const {
  WireTranscript copy = wire_;
  copy.Finish();
  return copy.Lines();
}

} // namespace divuzo::vdev
