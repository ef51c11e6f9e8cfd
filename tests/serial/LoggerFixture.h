#pragma once
// What the logger tests share: a logger-family virtual device in the same process on the test
// clock, a session connected to it, and a download into a temporary folder.
#include "DeviceFixture.h"
#include "TempDir.h"

#include "engine/LoggerDevice.h"
#include "serial/LogDownload.h"
#include "serial/LoggerConnection.h"
#include "serial/Sentence.h"
#include "trackdata/DownloadOutput.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <functional>

#include <filesystem>
#include <string>
#include <vector>

namespace divuzo::test {

// A sentence as the device's log shows it: framed, without CR LF.
inline std::string Sent(const std::string& body) {
  const std::string line = FrameSentence(body);
  return line.substr(0, line.size() - 2);
}

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

// ---- Chunk faults of the device, shared by the in-process and the pseudo-terminal tests.

// The fault tests read memory up to here (three blocks); their faults strike at chunk 35
// (0x11800, in the second block).
inline constexpr std::uint32_t kFaultMemoryEnd = 0x30000;

struct FaultCase {
  const char* name;
  std::function<void(vdev::LoggerOptions&)> fault;
  const char* struck;                // the device's log line that shows the fault struck
  bool exact;                        // ends byte-exact after asking again
  std::vector<MemoryRange> missing;  // otherwise: what is named as missing
  StatusCode code = StatusCode::Failed;
};

// Every chunk fault; the stalls are a third of the watchdog's time and a third more than it.
inline std::vector<FaultCase> FaultCases(long watchdogMs) {
  const double shortStall = watchdogMs / 3000.0;
  const double longStall = watchdogMs * 4 / 3000.0;
  const MemoryRange chunk35{0x11800, 0x12000};
  const MemoryRange from35{0x11800, kFaultMemoryEnd};
  return {
      {"drop once", [](auto& l) { l.dropChunk = 35; }, "dropping chunk 35", true, {}},
      {"bad checksum once",
       [](auto& l) { l.badChecksumChunk = 35; },
       "chunk 35 with a wrong checksum",
       true,
       {}},
      {"wrong address once",
       [](auto& l) { l.wrongAddressChunk = 35; },
       "chunk 35 under a wrong address",
       true,
       {}},
      {"interleaved sentences", [](auto& l) { l.interleave = true; }, ">> $GPRMC", true, {}},
      {"short stall",
       [=](auto& l) { l.stallChunk = 35, l.stallSeconds = shortStall; },
       "stalling at chunk 35",
       true,
       {}},
      {"stall beyond the watchdog",
       [=](auto& l) { l.stallChunk = 35, l.stallSeconds = longStall; },
       "stalling at chunk 35",
       true,
       {}},
      {"last chunk of a block dropped",
       [](auto& l) { l.dropChunk = 63; },
       "dropping chunk 63",
       true,
       {}},
      {"drop every time",
       [](auto& l) { l.dropChunk = 35, l.faultTimes = 0; },
       "dropping chunk 35",
       false,
       {chunk35}},
      {"bad checksum every time",
       [](auto& l) { l.badChecksumChunk = 35, l.faultTimes = 0; },
       "chunk 35 with a wrong checksum",
       false,
       {chunk35}},
      {"wrong address every time",
       [](auto& l) { l.wrongAddressChunk = 35, l.faultTimes = 0; },
       "chunk 35 under a wrong address",
       false,
       {chunk35}},
      {"stall that never ends",
       [](auto& l) { l.stallChunk = 35, l.stallSeconds = -1; },
       "falling silent at chunk 35",
       false,
       {from35}},
      {"hang-up",
       [](auto& l) { l.hangupChunk = 35; },
       "hanging up at chunk 35",
       false,
       {from35},
       StatusCode::LineLost},
  };
}

// The divuzo-vdev options of a logger personality's faults.
inline std::vector<std::string> FaultArgs(const vdev::LoggerOptions& l) {
  std::vector<std::string> args;
  auto add = [&](const char* name, auto value, bool when) {
    if (!when) return;
    args.push_back(name);
    args.push_back(std::to_string(value));
  };
  add("--drop-chunk", l.dropChunk, l.dropChunk >= 0);
  add("--bad-checksum-chunk", l.badChecksumChunk, l.badChecksumChunk >= 0);
  add("--wrong-address-chunk", l.wrongAddressChunk, l.wrongAddressChunk >= 0);
  add("--stall-chunk", l.stallChunk, l.stallChunk >= 0);
  add("--stall-seconds", l.stallSeconds, l.stallChunk >= 0);
  add("--hangup-chunk", l.hangupChunk, l.hangupChunk >= 0);
  add("--fault-times", l.faultTimes, l.faultTimes != 1);
  if (l.interleave) args.push_back("--interleave");
  return args;
}

inline void ClearFolder(const std::filesystem::path& folder) {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
}

// The download of a fault case ended as it should: byte-exact with track files, or with the
// missing memory named (count and addresses, in the text and the list beside the image), the
// rest of the image exact, 0xFF where memory is missing, and no track file.
inline void ExpectFaultOutcome(const FaultCase& c, const LogDownloadResult& r,
                               const std::filesystem::path& folder, const std::string& memory) {
  const std::string image = ReadFileBytes(folder / kMemoryImageName);
  ASSERT_EQ(image.size(), memory.size()) << r.message;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  if (c.exact) {
    EXPECT_TRUE(r.status.Ok()) << r.message;
    EXPECT_TRUE(image == memory);
    EXPECT_GT(names.size(), 2u);
    return;
  }
  EXPECT_EQ(r.status.code, c.code) << r.message;
  ASSERT_EQ(r.missing.size(), 1u) << r.message;
  if (c.code == StatusCode::LineLost) {
    // Chunks still on their way when the line goes are lost with it (on a real line, not in
    // the same process): the gap may begin a little earlier.
    EXPECT_EQ(r.missing[0].end, c.missing[0].end);
    EXPECT_LE(r.missing[0].start, c.missing[0].start);
    EXPECT_GE(r.missing[0].start + 4 * 0x800, c.missing[0].start);
  } else {
    EXPECT_EQ(r.missing, c.missing);
  }
  const std::uint32_t chunks = (r.missing[0].end - r.missing[0].start) / 0x800;
  EXPECT_NE(r.message.find(std::to_string(chunks) + " 個"), std::string::npos) << r.message;
  EXPECT_NE(r.message.find(RangesText(r.missing)), std::string::npos) << r.message;
  EXPECT_NE(ReadFileBytes(folder / kMissingListName).find(RangesText(r.missing)),
            std::string::npos);
  for (std::size_t i = 0; i < memory.size(); ++i) {
    const bool lost = i >= r.missing[0].start && i < r.missing[0].end;
    if (image[i] != (lost ? '\xFF' : memory[i])) {
      ADD_FAILURE() << "image byte 0x" << std::hex << i;
      break;
    }
  }
  EXPECT_EQ(names, (std::vector<std::string>{kMemoryImageName, kMissingListName}));
}

}  // namespace divuzo::test
