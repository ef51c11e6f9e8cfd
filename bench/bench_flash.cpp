// Image-phase throughput of a flash download against the virtual device's boot ROM with its
// line paced like a real line (--line-rate): payload bytes per second and their ratio to the
// line's byte rate (baud / 10). Runs divuzo-vdev on a pseudo-terminal, and the same engine
// through the in-process link on the system clock, and uses the agents and scat.txt from the
// folder this program lives in.
#include "BenchVdev.h"

#include "engine/InProcessDevice.h"
#include "platform/Link.h"
#include "update/Brom.h"
#include "update/FlashDownload.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
  Clock::time_point imageStart;
  Clock::time_point imageDone;
};

int OnImageStart(void* user) {
  static_cast<Timing*>(user)->imageStart = Clock::now();
  return 0;
}

int OnImageProgress(std::uint32_t percent, std::uint32_t, std::uint32_t, void* user) {
  if ((percent & 0xFF) == 100) static_cast<Timing*>(user)->imageDone = Clock::now();
  return 0;
}

// One download of `size` bytes; the image line rate is `baud` (the fast line when above 115200).
// `inProcess`: through the in-process link instead of divuzo-vdev on a pseudo-terminal.
bool Measure(const std::string& folder, unsigned baud, std::size_t size, bool inProcess) {
  using namespace divuzo;
  const std::string imagePath = (std::filesystem::temp_directory_path() /
                                 ("bench_flash_" + std::to_string(getpid()) + ".bin")).string();
  {
    std::mt19937 random(42);
    std::vector<char> bytes(size);
    for (char& b : bytes) b = static_cast<char>(random());
    FILE* f = std::fopen(imagePath.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, size, f) != size) return false;
    std::fclose(f);
  }
  bench::BenchVdev device;
  std::unique_ptr<vdev::InProcessDevice> local;
  std::unique_ptr<Link> line;
  PortError error;
  if (inProcess) {
    vdev::DeviceOptions options;
    options.bootRom.lineRate = true;
    options.keepRecords = false;
    local = std::make_unique<vdev::InProcessDevice>(options);
    line = local->Open(local->Path(), 115200, error);
  } else {
    device = bench::StartVdev(folder + "/divuzo-vdev", {"--model", "ZID310", "--line-rate"});
    if (!device.port.empty()) line = OpenSerialLink(device.port, 115200, error);
  }
  if (!line) {
    std::fprintf(stderr, "bench_flash: cannot reach the virtual device %s\n", error.message.c_str());
    bench::StopVdev(device);
    return false;
  }
  BromAgentHandle agent = 0;
  BromImageHandle image = 0;
  BromCreateAgentHandle(&agent);
  BromCreateImageHandle(&image);
  BromSetAgentLoadAddress(agent, AgentLoadAddress(GpsChip::MT3318));
  BromLoadAgent(agent, (folder + "/DA_MT3318_V100.bin").c_str());
  BromLoadScatter(image, (folder + "/scat.txt").c_str());
  BromSetPacketUnits(image, 256);
  BromLoadImage(image, 0, imagePath.c_str());
  BromEnableImage(image, 0, 1);

  Timing timing;
  ComArgs com{};
  com.link = line.get();
  com.fastBaud = baud;
  AgentArgs agentArgs{};
  agentArgs.agent = agent;
  agentArgs.startAgent = 1;
  agentArgs.self = &agentArgs;
  agentArgs.restartWhenDone = 1;
  ImageArgs imageArgs{};
  imageArgs.image = image;
  imageArgs.onImageStart = OnImageStart;
  imageArgs.imageStartUser = &timing;
  imageArgs.onImageProgress = OnImageProgress;
  imageArgs.imageProgressUser = &timing;
  imageArgs.verifyAfterWrite = 1;
  imageArgs.fastLine = baud != 115200 ? 1 : 0;
  imageArgs.flashLimit = 0x100000;
  BromResultBlock result{};
  const BromStatus status = BromDownload(&com, &agentArgs, &imageArgs, nullptr, &result);
  line.reset();
  bench::StopVdev(device);
  BromUnloadAgent(agent);
  BromUnloadImage(image, 0);
  BromDestroyAgentHandle(&agent);
  BromDestroyImageHandle(&image);
  std::filesystem::remove(imagePath);
  if (status != 0) {
    std::fprintf(stderr, "bench_flash: download failed: %s\n", BromStatusText(status, false));
    return false;
  }
  const double seconds = std::chrono::duration<double>(timing.imageDone - timing.imageStart).count();
  const double rate = double(size) / seconds;
  const double lineRate = baud / 10.0;
  std::printf("%-10s %7u baud  %7zu bytes in %6.3f s  %9.0f payload bytes/s  line %7.0f bytes/s  "
              "ratio %.3f  retries %u\n",
              inProcess ? "in-process" : "pty", result.imageBaud, size, seconds, rate, lineRate,
              rate / lineRate, result.retries);
  return true;
}

} // namespace

int main() {
  const std::string folder = divuzo::ProgramFolder();
  bool ok = true;
  for (bool inProcess : {false, true}) {
    ok = Measure(folder, 921600, 768 * 1024, inProcess) && ok;
    ok = Measure(folder, 115200, 96 * 1024, inProcess) && ok;
  }
  return ok ? 0 : 1;
}
