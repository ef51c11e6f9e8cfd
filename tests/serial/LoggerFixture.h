#pragma once
// What the logger tests share: a logger-family virtual device in the same process on the test
// clock, a session connected to it, and a download into a temporary folder.
#include "DeviceFixture.h"
#include "TempDir.h"

#include "engine/LoggerDevice.h"
#include "serial/LogDownload.h"
#include "serial/LoggerConnection.h"
#include "trackdata/DownloadOutput.h"

#include <algorithm>

#include <filesystem>
#include <string>
#include <vector>

namespace divuzo::test {

class LoggerFixture : public DeviceFixture {
protected:
  // A TR410 whose memory starts ten days before now (so its records pass the year window).
  static vdev::DeviceOptions Logger() {
    vdev::DeviceOptions o;
    o.model = "TR410";
    return o;
  }
  // A new device with `options`, connected: the used end read.
  void Connect(const vdev::DeviceOptions& options) {
    NewDevice(options);
    const LoggerConnectResult r = ConnectLogger(session, logger, device->Path());
    ASSERT_TRUE(r.connected) << r.status.detail;
  }
  LogDownloadRequest Request() {
    LogDownloadRequest request;
    request.folder = out.path();
    request.localTime = LocalTimeBase::FixedHours(9);
    request.speed = LoggerSpeed::Normal;
    request.announce = [this](const std::string& line) { announced.push_back(line); };
    return request;
  }
  LogDownloadResult Download(LogDownloadRequest request) {
    announced.clear();
    return DownloadLogMemory(session, logger, request);
  }
  LogDownloadResult Download() { return Download(Request()); }

  // The device's memory [0, size) as bytes.
  std::string DeviceMemory(std::size_t size) {
    const auto& memory = device->Logger()->Memory();
    return std::string(memory.begin(), memory.begin() + static_cast<std::ptrdiff_t>(size));
  }
  std::string Image() { return ReadFileBytes(out / kMemoryImageName); }
  // Names of the files in the output folder, sorted.
  std::vector<std::string> Folder() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  LoggerState logger;
  TempDir out;
  std::vector<std::string> announced;
};

} // namespace divuzo::test
