// divuzo-bromgen: writes this project's download agents and flash layout into a folder:
// DA_MT3318_V100.bin, DA_MT3329_V100.bin, MTK_AllInOne_DA_MT3318_V100.bin,
// MTK_AllInOne_DA_MT3329_V100.bin and scat.txt.
#include "platform/AtomicFile.h"
#include "update/BromAgentFile.h"
#include "update/BromScatterFile.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

constexpr std::uint32_t kAgentVersion = 0x0100;  // 1.00
constexpr std::size_t kAgentBodySize = 6 * 1024;

bool Write(const std::filesystem::path& file, const std::string& bytes) {
  std::string error;
  if (divuzo::WriteFileAtomically(file, bytes, &error)) return true;
  std::fprintf(stderr, "divuzo-bromgen: %s\n", error.c_str());
  return false;
}

} // namespace

int main(int argc, char** argv) {
  using namespace divuzo;
  if (argc != 2) {
    std::fprintf(stderr, "usage: divuzo-bromgen OUTPUT-FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  bool ok = true;
  for (GpsChip chip : {GpsChip::MT3318, GpsChip::MT3329}) {
    const auto bytes = EncodeAgentFile(MakeAgent(chip, kAgentVersion, kAgentBodySize));
    const std::string content(bytes.begin(), bytes.end());
    const std::string name = std::string("DA_") + ChipName(chip) + "_V100.bin";
    ok = Write(folder / name, content) && ok;
    ok = Write(folder / ("MTK_AllInOne_" + name), content) && ok;
  }
  ok = Write(folder / "scat.txt", FormatScatter({{"ROM", 0, 0x100000}})) && ok;
  return ok ? 0 : 1;
}
