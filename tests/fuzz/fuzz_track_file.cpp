// ".trl" files and logger memory blocks are outside bytes: every exporter and the block filter
// must take any content (NaN and huge coordinates, any time) without reading out of bounds or
// undefined arithmetic, and no export may print a number that is not finite.
#include "trackdata/LogBlockFilter.h"
#include "trackdata/TrackExport.h"
#include "trackdata/TrackSplitter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// Counts what the exporters write, and stops on a number that is not one: no record they take
// may print as "nan" or "inf" (no fixed text of theirs holds either).
class CountingSink : public divuzo::TextSink {
public:
  void WriteString(std::string_view text) override {
    bytes += text.size();
    if (text.find("nan") != std::string_view::npos || text.find("inf") != std::string_view::npos) {
      __builtin_trap();
    }
  }
  std::size_t bytes = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The exporters read a real file: an anonymous in-memory one.
  const int fd = memfd_create("fuzz.trl", MFD_CLOEXEC);
  if (fd < 0) return 0;
  if (size && ::write(fd, data, size) != static_cast<ssize_t>(size)) {
    ::close(fd);
    return 0;
  }
  divuzo::TrackFileReader reader;
  if (reader.Open("/proc/self/fd/" + std::to_string(fd))) {
    CountingSink sink;
    const auto local = divuzo::LocalTimeBase::FixedHours(size ? 13 - data[0] % 26 : 0);
    divuzo::WriteKmlFromTrackFile(reader, sink, local);
    divuzo::WriteTextFromTrackFile(reader, sink, local);
    divuzo::WriteNmeaFromTrackFile(reader, sink);
    divuzo::WriteGpxFromTrackFile(reader, sink);
  }
  ::close(fd);

  // The same bytes as logger memory, in 64 KiB blocks (the last one short).
  divuzo::LogBlockFilter filter(divuzo::LocalTimeBase::FixedHours(9), 2012);
  for (std::size_t offset = 0; offset < size; offset += divuzo::LogBlockFilter::kBlockBytes) {
    const std::size_t n = std::min(divuzo::LogBlockFilter::kBlockBytes, size - offset);
    std::vector<std::uint8_t> block(data + offset, data + offset + n);
    filter.FilterLogBlock(block.data(), block.size());
  }
  const auto tracks = divuzo::FindTracks(filter.OrderedList());
  (void)tracks;
  return 0;
}
