// Image-phase throughput of a flash download against the virtual device's boot ROM with its
// line paced like a real line (--line-rate): payload bytes per second and their ratio to the
// line's byte rate (baud / 10). Runs divuzo-vdev and uses the agents and scat.txt from the
// folder this program lives in.
#include "BenchVdev.h"

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
bool Measure(const std::string& folder, unsigned baud, std::size_t size) {
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
  bench::BenchVdev device =
      bench::StartVdev(folder + "/divuzo-vdev", {"--model", "ZID310", "--line-rate"});
  if (device.port.empty()) {
    std::fprintf(stderr, "bench_flash: cannot start divuzo-vdev\n");
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
  com.portPath = device.port.c_str();
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
  const double line = baud / 10.0;
  std::printf("%7u baud  %7zu bytes in %6.3f s  %9.0f payload bytes/s  line %7.0f bytes/s  "
              "ratio %.3f  retries %u\n",
              result.imageBaud, size, seconds, rate, line, rate / line, result.retries);
  return true;
}

} // namespace

int main() {
  const std::string folder = divuzo::ProgramFolder();
  bool ok = Measure(folder, 921600, 768 * 1024);
  ok = Measure(folder, 115200, 96 * 1024) && ok;
  return ok ? 0 : 1;
}
