#include "FifoProbe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

namespace divuzo::test {

bool MakeFifo(const std::filesystem::path& file) { return ::mkfifo(file.c_str(), 0600) == 0; }

bool ReturnsWithoutWriter(const std::filesystem::path& fifo, const std::function<void()>& call) {
  auto done = std::async(std::launch::async, call);
  if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready) {
    done.get();
    return true;
  }
  // The reader holds the FIFO open (or waits in its open), so this open finds it at once.
  const int writer = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
  if (writer >= 0) ::close(writer);
  done.get();
  return false;
}

} // namespace divuzo::test
